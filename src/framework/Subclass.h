#pragma once
#include <windows.h>

namespace kelo::win {

// Every window procedure hook of the program goes through here with one of these ids, so
// hooks of different owners chain and unchain in any order. The ids are also the layers'
// order on a window, inside out: a hook attached late still goes beneath the layers of
// higher ids. The chains are kept in the program, not with the window (SetWindowSubclass,
// window properties), which under Wine costs a trip to the window server for each layer
// of each message.
enum class SubclassId : UINT_PTR {
    Control = 1,      // the framework's own handling of its controls
    MenuPainter = 2,  // the XP-style painter's restyling
    Skin = 3,         // the skin engine
    TestHook = 100,
};

// A window procedure hook. Handle returns true when it answered the message; the
// hook is removed when the window is destroyed: WM_NCDESTROY is passed on, then
// OnDetached runs (its owner may free the hook there).
class SubclassHook {
public:
    virtual ~SubclassHook() = default;
    virtual bool Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    virtual void OnDetached(HWND) {}
};

// Attaches the hook (or, when the window has one with this id, changes it to `hook`
// without moving it in the chain).
bool AttachSubclass(HWND hwnd, SubclassId id, SubclassHook* hook);
bool HasSubclass(HWND hwnd, SubclassId id);
SubclassHook* FindSubclass(HWND hwnd, SubclassId id);
void DetachSubclass(HWND hwnd, SubclassId id);
// Set on a hooked window while a layer draws the control whole: the layers beneath leave
// its painting, and the state they keep for it, to that layer.
void MarkDrawnWhole(HWND hwnd, bool on);
bool DrawnWhole(HWND hwnd);
// The parts of a control's non-client area a layer paints over the control's own.
enum NonClientPart : unsigned { kNonClientFrame = 1, kNonClientScrollBars = 2 };
// Says which parts (0: none) the layer `id` of `hwnd` paints when the window gets
// WM_NCPAINT. Once the layers together paint the frame and the scroll bars, the window's
// own procedure no longer paints its non-client area only to have it painted over; every
// layer still hears the message. A layer's mark goes with the layer.
void MarkDrawsNonClient(HWND hwnd, SubclassId id, unsigned parts);
// The next procedure in the chain (the one below the hook that is running).
LRESULT CallNext(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace kelo::win
