#include "framework/Timer.h"

#include "framework/Application.h"

namespace kelo::win {

namespace {

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        reinterpret_cast<TTimer*>(wParam)->Fire();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND TimerWindow() {
    static HWND window = AllocateHWnd(L"TTimerWindow", TimerWindowProc, true);
    return window;
}

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    enabled_ = false;
    Update();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Update();
}

void TTimer::SetInterval(UINT interval) {
    if (interval == interval_) return;
    interval_ = interval;
    if (running_) {
        KillTimer(TimerWindow(), reinterpret_cast<UINT_PTR>(this));
        running_ = false;
    }
    Update();
}

void TTimer::Update() {
    const bool run = enabled_ && interval_ > 0 && onTimer_ && !Loading();
    if (run == running_) return;
    running_ = run;
    // The timer's id is its address, so the window finds it again.
    if (run) SetTimer(TimerWindow(), reinterpret_cast<UINT_PTR>(this), interval_, nullptr);
    else KillTimer(TimerWindow(), reinterpret_cast<UINT_PTR>(this));
}

void TTimer::Fire() {
    if (!running_ || !onTimer_) return;
    HandleExceptions(nullptr, [this] { onTimer_(this); });
}

void TTimer::Loaded() {
    TComponent::Loaded();
    Update();
}

bool TTimer::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Interval") SetInterval(static_cast<UINT>(ValueInt(value)));
    else if (name == "Enabled") SetEnabled(ValueBool(value));
    else return TComponent::ReadProperty(name, value);
    return true;
}

bool TTimer::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event != "OnTimer") return TComponent::AssignEvent(event, std::move(handler));
    SetOnTimer(std::move(handler));
    return true;
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    Update();
}

}  // namespace kelo::win
