#pragma once
// TSkinControl: the skin of one control of a skinned window. It hooks the control's window
// with the skin's layer (above the control's own procedure and the flat painter's), lets
// the control do its work and paints the control's frame, face, glyph or scroll bars from
// the skin's elements. The skinned window that attached it owns it; the control skin tells
// its owner when the control's window is gone, and the owner frees it then.
#include <windows.h>

#include <memory>
#include <string>

#include "core/Colors.h"
#include "framework/Subclass.h"
#include "skin/controls/SkinControlChoice.h"

namespace kelo::win {
class TControl;
}

namespace kelo::skin {

class TSkinSource;
class TSkinControl;
struct SkinData;

// The window a control skin belongs to.
class TSkinControlOwner {
public:
    virtual ~TSkinControlOwner() = default;
    // The control's window is gone (its last message has passed): unlist and free the skin.
    virtual void ControlGone(TSkinControl& control) = 0;
    // The one control of the window that is under the mouse.
    virtual TSkinControl* HotControl() const = 0;
    virtual void SetHotControl(TSkinControl* control) = 0;
    // True while the window itself is being destroyed: controls keep the colour they have.
    virtual bool Destroying() const = 0;
};

class TSkinControl : protected win::SubclassHook {
public:
    TSkinControl(TSkinControlOwner& owner, TSkinSource& source);
    // Detaches when still attached. A family whose OnDetaching lets go of something detaches
    // in its own destructor: by the time this one runs, only the base's OnDetaching is left.
    ~TSkinControl() override;
    TSkinControl(const TSkinControl&) = delete;
    TSkinControl& operator=(const TSkinControl&) = delete;

    // Hooks a framework control's window. With keepColour a control in the face colour has
    // its Color saved and painted in the skin's button face. Does nothing when already attached or when the
    // control has no window.
    void AttachControl(win::TControl& control, bool keepColour);
    // Hooks a window that has no framework control (standard dialogs' children).
    void AttachWindow(HWND hwnd);
    // Gives the control its own procedure and, where the skin changed it, its colour back.
    void Detach();

    HWND Handle() const { return hwnd_; }
    win::TControl* Control() const { return control_; }
    bool Attached() const { return attached_; }
    bool Hot() const { return (state_ & kHot) != 0; }
    bool Pressed() const { return (state_ & kPressed) != 0; }

    // The skin's colours changed: the button-face colour again and a full repaint.
    virtual void Refresh();
    // The owner's hot control changed to another: this one is no longer under the mouse.
    void Leave() { MouseLeave(); }

protected:
    static constexpr unsigned kHot = 1, kPressed = 2;

    // Called once the window is hooked (both ways of attaching).
    virtual void OnAttached(HWND) {}
    // Called when the skin is about to come off a window that is still there: what the
    // skin holds of the control (its capture, skins of its child windows) goes first.
    virtual void OnDetaching() {}
    // True when the skin paints every pixel the flat painter beneath would: the painter's
    // layer then leaves the control to the skin (told by a window property while attached).
    virtual bool DrawsWhole() const { return false; }
    // Before the control sees the message. True lets the control (and then AfterMessage)
    // have it; false answers it here with `result`.
    virtual bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // After the control handled the message. The base repaints on focus, enabling and text
    // changes, paints after WM_PAINT and follows the mouse in and out.
    virtual void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The mouse came in or left (enabled controls only; the base sets and clears hot and
    // the owner's hot control, and repaints).
    virtual void MouseEnter();
    virtual void MouseLeave();

    // Draws the control into `dc` (window coordinates, `rect` the whole window from 0, 0).
    // Runs inside one of the control's messages, so Beneath can read its state.
    virtual void Draw(HDC dc, const RECT& rect) = 0;
    // Draws now, on `dc` or the window's own window DC; painting errors are swallowed.
    void Paint(HDC dc = nullptr);
    // WM_PAINT of a control the skin draws whole: into the message's DC, or a BeginPaint one.
    void PaintWhole(WPARAM wParam);
    // For a control the skin draws whole: takes WM_PAINT (painting it) and WM_ERASEBKGND
    // from the control, with their results; false for every other message.
    bool TakeWholePaint(UINT msg, WPARAM wParam, LRESULT& result);
    // Invalidates the control without erasing and has it painted: at once, or, inside one of
    // the control's messages, once that message is done, so the changes the control makes
    // to itself meanwhile reach the screen in one piece.
    void Repaint();
    // Paints now what a Repaint inside this message would leave for its end (before a click
    // whose handler may keep the message running for long).
    void RepaintNow();

    // A message to the control beneath the skin's layer (never back through this one).
    // Only while one of the control's messages is being handled.
    LRESULT Beneath(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // The parsed skin, or none while the source has no skin.
    const SkinData* Skin() const;
    TSkinSource& Source() const { return source_; }
    TSkinControlOwner& Owner() const { return owner_; }
    // Fills with the skin's button-face colour.
    void FillFace(HDC dc, const RECT& rect) const;
    COLORREF SkinColour(TColor colour) const;

    HWND hwnd_ = nullptr;
    win::TControl* control_ = nullptr;
    unsigned state_ = 0;
    bool enabled_ = true;
    bool focused_ = false;
    std::wstring text_;

private:
    bool Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDetached(HWND hwnd) override;
    void Hook(HWND hwnd);
    void MarkDrawsWhole(bool on) const;

    TSkinControlOwner& owner_;
    TSkinSource& source_;
    bool attached_ = false;
    bool tracking_ = false;
    bool keepColour_ = false;
    TColor savedColour_ = 0;
    int depth_ = 0;               // the control's messages being handled, nested
    bool repaintDue_ = false;     // a repaint asked for inside them
    std::shared_ptr<char> life_ = std::make_shared<char>();  // gone with this object
};

// The control skin of a kind for a control (a framework control, or a bare window when
// `control` is none), attached. None when the kind has no skin object or cannot attach.
std::unique_ptr<TSkinControl> MakeControlSkin(SkinControlKind kind, win::TControl* control, HWND handle,
                                              bool keepColour, TSkinSource& source, TSkinControlOwner& owner);

}  // namespace kelo::skin
