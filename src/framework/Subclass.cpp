#include "framework/Subclass.h"

#include <commctrl.h>

#include <map>
#include <utility>

#include "framework/Application.h"

namespace kelo::win {

namespace {

// The hooks on each window by id: every attaching and detaching goes through here.
std::map<std::pair<HWND, SubclassId>, SubclassHook*>& Attached() {
    static std::map<std::pair<HWND, SubclassId>, SubclassHook*> attached;
    return attached;
}

LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                          DWORD_PTR refData) {
    auto* hook = reinterpret_cast<SubclassHook*>(refData);
    if (msg == WM_NCDESTROY) {
        // The layers below see the message first; the hook's owner may free it after.
        RemoveWindowSubclass(hwnd, &HookProc, id);
        Attached().erase({hwnd, static_cast<SubclassId>(id)});
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
    const bool replacing = HasSubclass(hwnd, id);
    if (!SetWindowSubclass(hwnd, &HookProc, static_cast<UINT_PTR>(id), reinterpret_cast<DWORD_PTR>(hook)))
        return false;
    Attached()[{hwnd, id}] = hook;
    if (replacing) return true;
    // A new hook goes on top of the chain: the layers above its place are put back on top,
    // in their order.
    for (auto it = Attached().lower_bound({hwnd, id}); it != Attached().end() && it->first.first == hwnd; ++it) {
        const SubclassId above = it->first.second;
        if (above <= id) continue;
        RemoveWindowSubclass(hwnd, &HookProc, static_cast<UINT_PTR>(above));
        SetWindowSubclass(hwnd, &HookProc, static_cast<UINT_PTR>(above), reinterpret_cast<DWORD_PTR>(it->second));
    }
    return true;
}

void DetachSubclass(HWND hwnd, SubclassId id) {
    RemoveWindowSubclass(hwnd, &HookProc, static_cast<UINT_PTR>(id));
    Attached().erase({hwnd, id});
}

bool HasSubclass(HWND hwnd, SubclassId id) { return Attached().count({hwnd, id}) != 0; }

LRESULT CallNext(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace kelo::win
