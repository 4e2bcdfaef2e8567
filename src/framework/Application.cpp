#include "framework/Application.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "framework/Form.h"
#include "framework/WebBrowser.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {
// What the error box says of an error that brings no text of its own.
constexpr wchar_t kUnexpectedError[] = L"发生了意外的错误。";
}  // namespace

TApplication& TApplication::Instance() {
    static TApplication app;
    return app;
}

void TApplication::Initialize(HINSTANCE instance) {
    instance_ = instance;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    icon_ = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    if (!icon_) icon_ = LoadIconW(nullptr, IDI_APPLICATION);
}

HWND TApplication::Handle() {
    if (hwnd_) return hwnd_;
    static constexpr wchar_t kClass[] = L"TApplication";
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance_, kClass, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &TApplication::WndProc;
        wc.hInstance = instance_;
        wc.hIcon = icon_;
        wc.lpszClassName = kClass;
        RegisterClassExW(&wc);
    }
    // A zero-sized popup with a caption: invisible on screen, but the shell gives it the
    // taskbar button, and the program's forms are owned by it.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    hwnd_ = CreateWindowExW(0, kClass, title_.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            x, y, 0, 0, nullptr, nullptr, instance_, nullptr);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    return hwnd_;
}

void TApplication::SetTitle(std::wstring title) {
    title_ = std::move(title);
    if (hwnd_) SetWindowTextW(hwnd_, title_.c_str());
}

bool TApplication::Minimized() const { return hwnd_ && IsIconic(hwnd_); }

void TApplication::Minimize() {
    HWND app = Handle();
    if (IsIconic(app)) return;
    // The windows the taskbar window owns go away with it and come back on restore.
    hiddenByMinimize_.clear();
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* self = reinterpret_cast<TApplication*>(param);
            if (hwnd != self->hwnd_ && GetWindow(hwnd, GW_OWNER) == self->hwnd_ &&
                IsWindowVisible(hwnd))
                self->hiddenByMinimize_.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    for (HWND hwnd : hiddenByMinimize_) ShowWindow(hwnd, SW_HIDE);
    ShowWindow(app, SW_MINIMIZE);
    if (OnMinimize) OnMinimize();
}

void TApplication::Restore() {
    HWND app = Handle();
    if (!IsIconic(app)) return;
    ShowWindow(app, SW_RESTORE);
    for (HWND hwnd : hiddenByMinimize_)
        if (IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOW);
    hiddenByMinimize_.clear();
    if (OnRestore) OnRestore();
}

int TApplication::HookMainWindow(Hook hook) {
    hooks_.emplace_back(nextHook_, std::move(hook));
    return nextHook_++;
}

void TApplication::UnhookMainWindow(int id) {
    hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(),
                                [id](const auto& h) { return h.first == id; }),
                 hooks_.end());
}

LRESULT CALLBACK TApplication::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TApplication& app = Instance();
    if (app.hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        return app.Dispatch(msg, wParam, lParam);
    } catch (...) {
        app.ShowCurrentException();
        return 0;
    }
}

LRESULT TApplication::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    for (auto& [id, hook] : std::vector(hooks_)) {
        LRESULT result = 0;
        if (hook(msg, wParam, lParam, result)) return result;
    }
    switch (msg) {
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); return 0;
        case SC_RESTORE: Restore(); return 0;
        case SC_CLOSE:
            if (mainForm_) mainForm_->Perform(WM_SYSCOMMAND, wParam, lParam);
            return 0;
        }
        break;
    case CM_RELEASE:
        // A form is unlisted when its window goes: one already gone is found no more.
        delete dynamic_cast<TCustomForm*>(TWinControl::FromHandle(reinterpret_cast<HWND>(wParam)));
        return 0;
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
        if (mainForm_) return mainForm_->Perform(msg, wParam, lParam);
        break;
    case WM_ACTIVATE:
        // Activating the taskbar window passes the focus on to the main form.
        if (LOWORD(wParam) != WA_INACTIVE && mainForm_ && mainForm_->HandleAllocated() &&
            IsWindowVisible(mainForm_->Handle()) && !IsIconic(hwnd_)) {
            SetActiveWindow(mainForm_->Handle());
            return 0;
        }
        break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

bool TApplication::IsFormDialogKey(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    // A web page's own keys (Tab through its links, the arrows) stay the page's.
    if (TWebBrowser::PreTranslateMessage(msg)) return true;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    auto* form = dynamic_cast<TCustomForm*>(TWinControl::FromHandle(root));
    return form && form->DialogKeys() && IsDialogMessageW(root, &msg);
}

int TApplication::Run() {
    if (mainForm_ && showMainForm_) mainForm_->Show();
    // Terminate posts the quit message: the loop ends when it arrives.
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsFormDialogKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    terminated_ = true;
    return static_cast<int>(msg.wParam);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (IsFormDialogKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TApplication::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

void TApplication::ShowException(const std::exception& e, HWND owner) noexcept {
    std::wstring text;
    try {
        text = Widen(e.what());
    } catch (...) {
        // No memory for the text: the box still tells of an error.
    }
    ShowErrorText(std::move(text), owner);
}

void TApplication::ShowCurrentException(HWND owner) noexcept {
    try {
        if (std::exception_ptr error = std::current_exception()) std::rethrow_exception(error);
    } catch (const std::exception& e) {
        ShowException(e, owner);
        return;
    } catch (...) {
    }
    ShowErrorText({}, owner);
}

void TApplication::ShowErrorText(std::wstring text, HWND owner) noexcept {
    if (errorBoxOpen_) {
        // The box's own message loop goes on running handlers: a timer failing every
        // second would stack a box on top of it each time.
        ++unshownErrors_;
        lastUnshownError_.swap(text);
        return;
    }
    errorBoxOpen_ = true;
    for (;;) {
        MessageBoxW(IsWindow(owner) ? owner : nullptr,
                    text.empty() ? kUnexpectedError : text.c_str(), title_.c_str(),
                    MB_OK | MB_ICONERROR);
        if (unshownErrors_ == 0) break;
        text = UnshownErrorsText();
        owner = nullptr;
    }
    errorBoxOpen_ = false;
}

std::wstring TApplication::UnshownErrorsText() noexcept {
    const int count = std::exchange(unshownErrors_, 0);
    std::wstring last = std::move(lastUnshownError_);
    lastUnshownError_.clear();
    try {
        if (last.empty()) last = kUnexpectedError;
        const std::wstring note =
            count == 1 ? std::wstring(L"此错误发生在上一个提示框打开期间。")
                       : L"上一个提示框打开期间共发生了 " + std::to_wstring(count) +
                             L" 个错误，这是最后一个。";
        return last + L"\n\n（" + note + L"）";
    } catch (...) {
        return {};
    }
}

HWND AllocateHWnd(const wchar_t* className, WNDPROC proc, bool messageOnly) {
    HINSTANCE instance = Application().InstanceHandle();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
    return CreateWindowExW(messageOnly ? 0 : WS_EX_TOOLWINDOW, className, L"",
                           messageOnly ? 0 : WS_POPUP, 0, 0, 0, 0,
                           messageOnly ? HWND_MESSAGE : nullptr, nullptr, instance, nullptr);
}

bool SystemVersion(OSVERSIONINFOW& info) {
    info = OSVERSIONINFOW{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExW(&info) != FALSE;
#pragma GCC diagnostic pop
}

}  // namespace kelo::win
