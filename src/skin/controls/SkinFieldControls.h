#pragma once
// The control skins of the controls that hold a value: combo boxes with the skin's edge
// and drop-down button, edits with a thin frame of their own, up-down arrows and status
// bars drawn whole by the skin.
#include <memory>

#include "skin/controls/SkinControl.h"

namespace kelo::skin {

// A combo box: after the control painted, the skin's sunken edge goes round it and its
// button with the arrow over the control's own.
class TSkinComboBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Draw(HDC dc, const RECT& rect) override;
};

class TSkinUpDown;

// An edit: its border becomes an outer frame in the skin's button shadow and an inner
// white one. An up-down control inside the edit (other programs' dialogs put it there)
// gets a skin of its own, which this skin owns.
class TSkinEdit : public TSkinControl {
public:
    TSkinEdit(TSkinControlOwner& owner, TSkinSource& source);
    ~TSkinEdit() override;

    // The skin of the up-down inside the edit, when there is one.
    TSkinUpDown* InnerUpDown() const;

protected:
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Draw(HDC dc, const RECT& rect) override;
    void OnDetaching() override;

private:
    class InnerOwner;
    void SkinInnerUpDown();
    COLORREF PrintedBackground(HDC dc) const;

    std::unique_ptr<InnerOwner> inner_;
    bool lookedInside_ = false;
    bool printing_ = false;
};

// Up-down arrows, painted whole off screen: each half from the skin's up-down element for
// its orientation or, for skins without one, as an outlined button with a line arrow.
class TSkinUpDown : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    // Draws the arrows this many pixels inside the window (the up-down inside an edit).
    void SetInset(int pixels) { inset_ = pixels; }

protected:
    bool DrawsWhole() const override { return Skin() != nullptr; }
    bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Draw(HDC dc, const RECT& rect) override;

private:
    // The half under the cursor, -1 when it is elsewhere.
    int CursorHalf(int width, int height) const;

    int inset_ = 0;
    int shownHalf_ = -1;
};

// A status bar, painted whole off screen: its panels with their texts and bevels drawn
// from the skin's status-bar element, and the size grip from the extra images.
class TSkinStatusBar : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void Draw(HDC dc, const RECT& rect) override;

private:
    void DrawPanel(HDC dc, const RECT& rect, WPARAM part) const;
};

}  // namespace kelo::skin
