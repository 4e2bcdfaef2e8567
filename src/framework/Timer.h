#pragma once
#include <windows.h>

#include "framework/Component.h"

namespace kelo::win {

// A timer delivered as WM_TIMER to a hidden window of the framework's. Switching on a
// running timer keeps its rhythm; changing the interval restarts it.
class TTimer : public TComponent {
    KELO_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    UINT Interval() const { return interval_; }
    void SetInterval(UINT interval);
    void SetOnTimer(TNotifyEvent handler);

    // Runs the timer's handler now, as a due tick would.
    void Fire();

    void Loaded() override;
    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;

private:
    void Update();
    UINT interval_ = 1000;
    bool enabled_ = true;
    bool running_ = false;
    TNotifyEvent onTimer_;
};

}  // namespace kelo::win
