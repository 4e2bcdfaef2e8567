#pragma once
// The control skins of the button family: push buttons drawn whole from the skin's button
// image, check boxes and radio buttons that wear the skin's glyph over their own mark, and
// the two plain kinds: boxes that only keep the skin's colour and size grips that get a
// thin frame.
#include <string>

#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinKeptLook.h"

namespace kelo::skin {

// A push button. The skin paints it completely (off screen, then one copy) and follows
// the mouse itself: a press captures the mouse, the button shows pressed while the
// cursor is over it, and only a release over it clicks.
class TSkinButton : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    ~TSkinButton() override { Detach(); }
    void Refresh() override;

protected:
    bool DrawsWhole() const override { return HasImage(); }
    bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void MouseLeave() override;
    void OnDetaching() override;
    void Draw(HDC dc, const RECT& rect) override;

private:
    bool HasImage() const;
    void Press();
    // The mouse button went up: clicks when it did so over the button.
    void Release(bool over);
    void ShowPressed(bool pressed);
    bool Over(LPARAM clientPoint) const;
    void Click();
    void DrawCaption(HDC dc, const RECT& rect, int frame) const;

    // What the button's picture shows besides the skin.
    struct Face {
        int state = 0;
        std::wstring text;
        HFONT font = nullptr;
        bool hidePrefix = false;
        bool focused = false, isDefault = false;
        bool operator==(const Face&) const = default;
    };
    // The default button's dark ring and the focus's dotted rectangle.
    void DrawMarks(HDC dc, const RECT& rect, const Face& face) const;

    bool capturing_ = false;  // pressed with the mouse, which is ours until released
    // The caption's font and whether access keys are hidden: asked of the button at the
    // first paint and again only once it has been told of a change.
    HFONT font_ = nullptr;
    bool hidePrefix_ = false;
    bool captionRead_ = false;
    KeptLook<Face> face_;
};

// A check box or a radio button: the control paints itself, then the skin's glyph for
// its mark goes over the system's box.
class TSkinGlyphButton : public TSkinControl {
public:
    void Refresh() override;

protected:
    TSkinGlyphButton(TSkinControlOwner& owner, TSkinSource& source, bool radio)
        : TSkinControl(owner, source), radio_(radio) {}
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Draw(HDC dc, const RECT& rect) override;
    // The skin's mark covers the whole box the flat painter would draw.
    bool DrawsWhole() const override;

private:
    bool radio_;
    KeptLook<int> glyph_;  // the glyph's frame on the face
};

class TSkinCheckBox : public TSkinGlyphButton {
public:
    TSkinCheckBox(TSkinControlOwner& owner, TSkinSource& source) : TSkinGlyphButton(owner, source, false) {}
};

class TSkinRadioButton : public TSkinGlyphButton {
public:
    TSkinRadioButton(TSkinControlOwner& owner, TSkinSource& source) : TSkinGlyphButton(owner, source, true) {}
};

// Panels, group boxes and bars: attaching gave them the skin's colour (with keepColour);
// their messages pass untouched and nothing is drawn.
class TSkinBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    void AfterMessage(UINT, WPARAM, LPARAM) override {}
    void Draw(HDC, const RECT&) override {}
};

// A bare size grip (a "scrollbar" window of a standard dialog): a one-pixel frame in the
// skin's button shadow, and no background erase.
class TSkinSizer : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void Draw(HDC dc, const RECT& rect) override;
};

}  // namespace kelo::skin
