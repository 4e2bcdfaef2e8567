#pragma once
// TSkinControl: the skin of one control of a skinned window. The skinned window's walkers
// decide which kind a control gets and own what MakeControlSkin makes; detaching a
// control skin gives the control its own procedure and colour back.
#include <windows.h>

#include <memory>

#include "skin/SkinControlChoice.h"

namespace kelo::win {
class TControl;
}

namespace kelo::skin {

class TSkinSource;

class TSkinControl {
public:
    virtual ~TSkinControl() = default;
    // The control's window.
    virtual HWND Handle() const = 0;
    // The skin's colours changed.
    virtual void Refresh() {}
};

// The control skin of a kind for a control (a framework control, or a bare window when
// `control` is none). None when the kind has no skin object.
std::unique_ptr<TSkinControl> MakeControlSkin(SkinControlKind kind, win::TControl* control, HWND handle,
                                              TSkinSource& source);

}  // namespace kelo::skin
