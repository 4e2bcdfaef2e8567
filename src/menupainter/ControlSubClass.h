#pragma once
// TControlSubClass: the record of one control styled by a menu painter. It hooks the
// control's window (the painter's layer, beneath the skin's), lets the control do its
// own work first, keeps the hot, pressed and focus state and repaints the flat look over
// what the control drew. The painter that owns the record frees it; the record asks its
// painter to free it once its window is gone or the painter has been made inactive.
#include <windows.h>

#include <memory>

#include "framework/Subclass.h"
#include "menupainter/ControlPaint.h"
#include "menupainter/MenuPainterLook.h"

namespace kelo::win {
class TWinControl;
}

namespace kelo::menupainter {

class TMenuPainter;

// The kind of flat look a control gets, by its class.
ControlKind ControlKindOf(const win::TWinControl& control);

class TControlSubClass final : public win::SubclassHook {
public:
    // The control's window must exist.
    TControlSubClass(TMenuPainter& painter, win::TWinControl& control, const SavedLook& saved);
    // Unhooks the window, if it is still there and hooked by this record, and lets the
    // control draw its own look again.
    ~TControlSubClass() override;
    TControlSubClass(const TControlSubClass&) = delete;
    TControlSubClass& operator=(const TControlSubClass&) = delete;

    // Hooks the window; false when the window already carries a painter's record.
    bool Attach();

    win::TWinControl& Control() const { return *control_; }
    HWND Window() const { return hwnd_; }
    TMenuPainter& Painter() const { return *painter_; }
    // Another painter takes the record over; the window's chain stays as it is.
    void SetPainter(TMenuPainter& painter) { painter_ = &painter; }
    const SavedLook& Saved() const { return saved_; }
    const ControlPaintState& State() const { return state_; }

    // The control's window procedure while it is styled.
    bool Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDetached(HWND hwnd) override;

private:
    void UpdateState(HWND hwnd, UINT msg, WPARAM wParam);
    void Repaint(HWND hwnd);
    ControlPaintFacts Gather(HWND hwnd) const;
    void Unhook();

    TMenuPainter* painter_;
    win::TWinControl* control_;
    HWND hwnd_;
    SavedLook saved_;
    ControlKind kind_;
    ControlPaintState state_;
    bool spaceRepeat_ = false;
    bool tracking_ = false;   // a mouse-leave notice is requested
    bool painting_ = false;   // keeps a repaint from re-entering itself
    bool attached_ = false;
    std::shared_ptr<char> life_ = std::make_shared<char>();  // gone with this record
};

}  // namespace kelo::menupainter
