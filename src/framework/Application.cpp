#include "framework/Application.h"

#include <commctrl.h>

#include "framework/WinText.h"

namespace kelo::win {

TApplication& TApplication::Instance() {
    static TApplication app;
    return app;
}

void TApplication::Initialize(HINSTANCE instance) {
    instance_ = instance;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
}

int TApplication::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::ShowException(const std::exception& e, HWND owner) {
    std::wstring text = Widen(e.what());
    if (text.empty()) text = L"Unknown error";
    MessageBoxW(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace kelo::win
