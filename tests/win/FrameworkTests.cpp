#include <gtest/gtest.h>

#include <stdexcept>

#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/Window.h"

using namespace kelo;

namespace {

class ThrowingWindow : public win::TWindow {
public:
    ThrowingWindow() {
        win::WindowParams p;
        p.className = L"KeloTestThrowingWindow";
        p.style = WS_OVERLAPPED;
        CreateHandle(p);
    }
    int handled = 0;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_APP) throw std::runtime_error("磁盘已满");
        if (msg == WM_APP + 1) return ++handled;
        return DefaultHandler(msg, wParam, lParam);
    }
};

}  // namespace

TEST(Framework, ErrorInAHandlerIsShownInTheErrorBoxAndTheWindowGoesOn) {
    win::Application().Initialize(GetModuleHandleW(nullptr));
    win::Application().SetTitle(L"KeloFrameworkTest");
    test::MessageBoxCloser closer(L"KeloFrameworkTest");
    ThrowingWindow window;
    SendMessageW(window.Handle(), WM_APP, 0, 0);
    EXPECT_EQ(closer.Count(), 1);
    EXPECT_EQ(closer.LastText(), L"磁盘已满");
    EXPECT_EQ(SendMessageW(window.Handle(), WM_APP + 1, 0, 0), 1);
}

TEST(Framework, TimerSwitchedOnTwiceKeepsOneRhythmAndStopsWithItsOwner) {
    win::Application().Initialize(GetModuleHandleW(nullptr));
    ThrowingWindow window;
    int fired = 0;
    {
        win::TTimer timer(window, 7, 20, [&] { ++fired; });
        timer.SetEnabled(true);
        timer.SetEnabled(true);
        const DWORD until = GetTickCount() + 300;
        MSG msg;
        while (GetTickCount() < until) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(5);
        }
        EXPECT_GT(fired, 0);
    }
    const int afterDestroy = fired;
    SendMessageW(window.Handle(), WM_TIMER, 7, 0);
    EXPECT_EQ(fired, afterDestroy);
}
