#include "framework/Subclass.h"

#include <commctrl.h>

#include "framework/Application.h"

namespace kelo::win {

namespace {

LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                          DWORD_PTR refData) {
    auto* hook = reinterpret_cast<SubclassHook*>(refData);
    if (msg == WM_NCDESTROY) {
        // The layers below see the message first; the hook's owner may free it after.
        RemoveWindowSubclass(hwnd, &HookProc, id);
        const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
        hook->OnDetached(hwnd);
        return result;
    }
    // A hook's error ends the message here: it must not unwind through the system's code.
    try {
        LRESULT result = 0;
        if (hook->Handle(hwnd, msg, wParam, lParam, result)) return result;
    } catch (...) {
        Application().ShowCurrentException(hwnd);
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

bool AttachSubclass(HWND hwnd, SubclassId id, SubclassHook* hook) {
    return SetWindowSubclass(hwnd, &HookProc, static_cast<UINT_PTR>(id),
                             reinterpret_cast<DWORD_PTR>(hook)) != FALSE;
}

void DetachSubclass(HWND hwnd, SubclassId id) {
    RemoveWindowSubclass(hwnd, &HookProc, static_cast<UINT_PTR>(id));
}

LRESULT CallNext(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace kelo::win
