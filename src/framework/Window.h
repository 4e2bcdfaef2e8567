#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>

namespace kelo::win {

class TTimer;

struct WindowParams {
    std::wstring className;
    std::wstring caption;
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
    HWND parent = nullptr;
    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
};

// A window of the program's own class. One thunk routes the system's messages to the
// object: `this` is stored at WM_NCCREATE and cleared at WM_NCDESTROY. A handler that
// throws ends there; the error is shown in the standard error box.
class TWindow {
public:
    TWindow() = default;
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    virtual ~TWindow();

    HWND Handle() const { return hwnd_; }

protected:
    void CreateHandle(const WindowParams& params);
    void DestroyHandle();
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    friend class TTimer;
    static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::map<UINT_PTR, TTimer*> timers_;
};

// A timer delivered as WM_TIMER to its owner window. Switching on a running timer keeps
// its rhythm; the timer stops when destroyed.
class TTimer {
public:
    TTimer(TWindow& owner, UINT_PTR id, UINT intervalMs, std::function<void()> onTimer);
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;
    ~TTimer();

    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    UINT Interval() const { return interval_; }

private:
    friend class TWindow;
    void Fire();

    TWindow& owner_;
    UINT_PTR id_;
    UINT interval_;
    std::function<void()> onTimer_;
    bool enabled_ = false;
};

}  // namespace kelo::win
