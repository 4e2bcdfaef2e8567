#pragma once
// The skins of scrolling controls: TSkinScrollBar paints over a control's own scroll bars
// (which keep their size and hit testing) and drags their thumbs itself; TSkinListView
// adds the skin of the list view's header; TSkinHeader paints header items from the
// Headerbar element; TSkinScControl draws a scroll-bar control from the skin.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>

#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinScrollGeometry.h"

namespace kelo::skin {

class TSkinElement;

class TSkinScrollBar : public TSkinControl {
public:
    TSkinScrollBar(TSkinControlOwner& owner, TSkinSource& source);
    // Gives the mouse back when a drag is under way.
    ~TSkinScrollBar() override;

    // The skin's own thumb drag is under way.
    bool Dragging() const { return drag_.has_value(); }

protected:
    void OnAttached(HWND hwnd) override;
    void OnDetaching() override;
    bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The bars show hot pieces themselves: entering and leaving the control repaints nothing.
    void MouseEnter() override;
    void MouseLeave() override;
    void Draw(HDC dc, const RECT& rect) override;

    // Gives the control the thumb's new place: sets the position, sends the scroll code and
    // has the control's view drawn anew. False when the control went away meanwhile.
    virtual bool ScrollControlTo(bool vertical, int from, int to, WORD code);
    // Expires with this object: a message sent to the control may take it away.
    std::weak_ptr<char> Life() const { return life_; }

private:
    // What the bars were last drawn from: when it changes, the system has drawn its own.
    struct BarsSeen {
        LONG style = 0;
        bool enabled = false;
        ScrollRange horz, vert;
        bool operator==(const BarsSeen&) const = default;
    };

    WindowBars Bars() const;
    BarLayout Layout(bool vertical, const WindowBars& bars) const;
    ScrollRange Range(bool vertical) const;
    BarsSeen Seen() const;
    POINT ToWindow(POINT screen) const;
    POINT ClientToWindow(LPARAM lParam) const;

    void OnNcMouseMove(bool vertical, POINT window);
    void SetHot(int bar, BarPart part);
    bool StartDrag(bool vertical, POINT window);
    void DragTo(POINT window);
    void Release(POINT window);
    void EndDrag();
    void NoteScroll(bool vertical, WORD code);

    std::optional<ThumbDrag> drag_;
    int dragPos_ = 0;
    BarPart inUse_[2] = {BarPart::None, BarPart::None};  // horizontal, vertical
    BarPart hot_[2] = {BarPart::None, BarPart::None};
    bool trackingNonClient_ = false;
    BarsSeen seen_;
    std::shared_ptr<char> life_ = std::make_shared<char>();
};

class TSkinHeader final : public TSkinControl {
public:
    TSkinHeader(TSkinControlOwner& owner, TSkinSource& source);

protected:
    bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void MouseLeave() override;
    void Draw(HDC dc, const RECT& rect) override;

private:
    const TSkinElement* Element() const;
    int ItemAt(LPARAM clientPoint) const;
    void DrawItem(HDC dc, int index, const RECT& rect, int frames, HIMAGELIST images) const;
    int hotItem_ = -1;
    int pressedItem_ = -1;
};

// A list view's skin: the scroll bars, and the skin of its header, which it owns.
class TSkinListView final : public TSkinScrollBar, private TSkinControlOwner {
public:
    TSkinListView(TSkinControlOwner& owner, TSkinSource& source);
    ~TSkinListView() override;

    const TSkinHeader* Header() const { return header_.get(); }

protected:
    void OnAttached(HWND hwnd) override;
    void OnDetaching() override;
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool ScrollControlTo(bool vertical, int from, int to, WORD code) override;

private:
    void AttachHeader();
    int HeaderLeft() const;
    // The header's owner: its hot state is the window's, and it goes when its window does.
    void ControlGone(TSkinControl& control) override;
    TSkinControl* HotControl() const override;
    void SetHotControl(TSkinControl* control) override;
    bool Destroying() const override;

    std::unique_ptr<TSkinHeader> header_;
};

// A "ScrollBar" control drawn from the skin. It takes its own presses: an arrow or the
// track moves a line or a page, the thumb is dragged as on a control's own bars.
class TSkinScControl final : public TSkinControl {
public:
    TSkinScControl(TSkinControlOwner& owner, TSkinSource& source);
    ~TSkinScControl() override;

protected:
    void OnDetaching() override;
    bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Draw(HDC dc, const RECT& rect) override;

private:
    bool Drawn() const;
    bool Vertical() const;
    ScrollRange Range() const;
    BarLayout Layout() const;
    bool Press(LPARAM clientPoint);
    void Move(LPARAM clientPoint);
    void Release(LPARAM clientPoint);
    // Tells the parent; false when this control went away meanwhile.
    bool Notify(WORD code, int pos);

    std::optional<ThumbDrag> drag_;
    int dragPos_ = 0;
    BarPart pressed_ = BarPart::None;
    std::shared_ptr<char> life_ = std::make_shared<char>();
};

}  // namespace kelo::skin
