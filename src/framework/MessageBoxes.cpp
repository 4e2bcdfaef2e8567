#include "framework/MessageBoxes.h"

#include <memory>
#include <type_traits>

namespace kelo::win {

namespace {

// The captions of the box being opened on this thread; its buttons are renamed when it
// first becomes active, before it is shown.
thread_local const std::initializer_list<ButtonCaption>* pendingCaptions = nullptr;

LRESULT CALLBACK RenameButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && pendingCaptions) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (lstrcmpW(cls, L"#32770") == 0) {
            for (const ButtonCaption& button : *pendingCaptions) SetDlgItemTextW(box, button.id, button.caption);
            pendingCaptions = nullptr;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int MessageBoxWithCaptions(HWND owner, const std::wstring& text, const std::wstring& title, UINT type,
                           std::initializer_list<ButtonCaption> captions) {
    pendingCaptions = &captions;
    // Removed again when the box has closed.
    const std::unique_ptr<std::remove_pointer_t<HHOOK>, decltype(&UnhookWindowsHookEx)> hook(
        SetWindowsHookExW(WH_CBT, &RenameButtons, nullptr, GetCurrentThreadId()), &UnhookWindowsHookEx);
    const int answer = MessageBoxW(IsWindow(owner) ? owner : nullptr, text.c_str(), title.c_str(), type);
    pendingCaptions = nullptr;
    return answer;
}

}  // namespace kelo::win
