#include "framework/Window.h"

#include <stdexcept>

#include "framework/Application.h"

namespace kelo::win {

TWindow::~TWindow() { DestroyHandle(); }

void TWindow::CreateHandle(const WindowParams& p) {
    HINSTANCE instance = Application().InstanceHandle();
    WNDCLASSEXW wc{};
    if (!GetClassInfoExW(instance, p.className.c_str(), &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &TWindow::Thunk;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.hbrBackground = p.background;
        wc.lpszClassName = p.className.c_str();
        if (!RegisterClassExW(&wc)) throw std::runtime_error("RegisterClassEx failed");
    }
    CreateWindowExW(p.exStyle, p.className.c_str(), p.caption.c_str(), p.style, p.x, p.y,
                    p.width, p.height, p.parent, nullptr, instance, this);
    if (!hwnd_) throw std::runtime_error("CreateWindowEx failed");
}

void TWindow::DestroyHandle() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT TWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TWindow::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT TWindow::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        auto it = timers_.find(wParam);
        if (it != timers_.end()) {
            it->second->Fire();
            return 0;
        }
    }
    try {
        return WndProc(msg, wParam, lParam);
    } catch (const std::exception& e) {
        Application().ShowException(e, hwnd_);
        return 0;
    }
}

LRESULT CALLBACK TWindow::Thunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    const LRESULT result = self->Dispatch(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

TTimer::TTimer(TWindow& owner, UINT_PTR id, UINT intervalMs, std::function<void()> onTimer)
    : owner_(owner), id_(id), interval_(intervalMs), onTimer_(std::move(onTimer)) {
    owner_.timers_[id_] = this;
}

TTimer::~TTimer() {
    SetEnabled(false);
    owner_.timers_.erase(id_);
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!owner_.Handle()) return;
    if (enabled)
        SetTimer(owner_.Handle(), id_, interval_, nullptr);
    else
        KillTimer(owner_.Handle(), id_);
}

void TTimer::Fire() {
    if (!enabled_ || !onTimer_) return;
    HandleExceptions(owner_.Handle(), onTimer_);
}

}  // namespace kelo::win
