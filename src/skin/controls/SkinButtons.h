#pragma once
// The control skins of the button family: push buttons drawn whole from the skin's button
// image, check boxes and radio buttons that wear the skin's glyph over their own mark, and
// the two plain kinds: boxes that only keep the skin's colour and size grips that get a
// thin frame.
#include "skin/controls/SkinControl.h"

namespace kelo::skin {

// A push button. The skin paints it completely (off screen, then one copy) and follows
// the mouse itself: a press captures the mouse, the button shows pressed while the
// cursor is over it, and only a release over it clicks.
class TSkinButton : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    ~TSkinButton() override { Detach(); }

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

    bool capturing_ = false;  // pressed with the mouse, which is ours until released
};

// A check box or a radio button: the control paints itself, then the skin's glyph for
// its mark goes over the system's box.
class TSkinGlyphButton : public TSkinControl {
protected:
    TSkinGlyphButton(TSkinControlOwner& owner, TSkinSource& source, bool radio)
        : TSkinControl(owner, source), radio_(radio) {}
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Draw(HDC dc, const RECT& rect) override;
    // The skin's mark covers the whole box the flat painter would draw.
    bool DrawsWhole() const override;

private:
    bool radio_;
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
