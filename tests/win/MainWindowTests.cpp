#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ScreenCapture.h"
#include "TestSupport.h"
#include "app/Platform.h"
#include "core/UsageHistory.h"
#include "framework/Application.h"
#include "framework/Timer.h"
#include "framework/WinFileStore.h"
#include "skin/SkinSource.h"
#include "tray/TrayIcon.h"
#include "windows/Globals.h"
#include "windows/MainFrm.h"
#include "windows/NoticeFrm.h"

using namespace kelo;

namespace {

// Whether one of the window's labels shows the text.
bool HasText(win::TComponent& form, const std::wstring& text) {
    for (win::TComponent* c : form.Components())
        if (auto* label = dynamic_cast<win::TLabel*>(c); label && label->Caption() == text)
            return true;
    return false;
}

// Removes what the closed window left in the queue, the quit request included, so the
// next test's message boxes run their loops normally.
void DrainMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        win::Application().SetTitle(L"Brivo上网计时器");
    }
    void TearDown() override {
        main_.reset();
        DrainMessages();
    }

    app::TFrmKeloMain& Start() {
        main_ = std::make_unique<app::TFrmKeloMain>(app::MainServices{
            files_, codec_, clock_, [this] { return online_; }, dir_.Path(), "kelo-host",
            "198.51.100.2", false, &app::AutoRunSet, &app::SetAutoRun});
        return *main_;
    }
    void Check() { main_->Find<win::TTimer>("tmrChecker")->Fire(); }
    // A tick of the one-second counter, when it runs.
    void Tick(int64_t ms) {
        clock_.monotonicMs += ms;
        main_->Find<win::TTimer>("tmrTime")->Fire();
    }
    void EndSession() {
        HWND hwnd = main_->Handle();
        EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
        SendMessageW(hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        EXPECT_FALSE(IsWindow(hwnd));
    }
    std::string Ini() { return test::ReadFileBytes(dir_.Path() + "Kelo.ini"); }

    test::TempDir dir_;
    win::WinFileStore files_;
    win::GbkCodec codec_;
    test::ManualClock clock_;
    bool online_ = false;
    std::unique_ptr<app::TFrmKeloMain> main_;
};

}  // namespace

TEST_F(MainWindowTest, OfflineRunShowsZeroTabsThroughTheControlsAndWritesNothingAtExit) {
    app::TFrmKeloMain& main = Start();
    EXPECT_EQ(test::WindowText(main.Handle()), L"上网计时器——Brivo开发绿色版软件");
    EXPECT_TRUE(HasText(main, L"本月用时:00:00:00"));
    EXPECT_TRUE(HasText(main, L"本次用时:00:00:00"));
    EXPECT_EQ(Ini(), "[Setup]\r\nSetupBool=0\r\n");
    auto* skin = main.Find<skin::TSkinSource>("SkinSource1");
    ASSERT_NE(skin, nullptr);
    EXPECT_FALSE(skin->SkinEmpty()) << "the skin carried by the form description is parsed at start";

    // Tab and Shift+Tab go from control to control, as in any form.
    main.Show();
    SetForegroundWindow(main.Handle());
    const HWND list = main.Find<win::TWinControl>("ListView1")->Handle();
    const auto tab = [](bool shift) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
        win::Application().ProcessMessages();
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        return GetFocus();
    };
    SetFocus(list);
    const HWND memo = main.Find<win::TWinControl>("Memo1")->Handle();
    EXPECT_EQ(tab(false), memo);
    EXPECT_EQ(tab(false), main.Find<win::TWinControl>("TreeView1")->Handle()) << "in the designed tab order";
    EXPECT_EQ(tab(true), memo);

    // A change of the colour scheme leaves every part painted as a fresh paint shows it
    // (the focus away from the memo, whose caret blinks).
    SetFocus(list);
    {
        const COLORREF window = GetSysColor(COLOR_WINDOW) == RGB(200, 230, 210) ? RGB(210, 200, 230) : RGB(200, 230, 210);
        const test::SystemColourChange change(COLOR_WINDOW, window);
        test::PumpFor(500);
        EXPECT_TRUE(test::PaintedAsFresh(main.Handle())) << "painted unlike a fresh paint after the colours changed";
        EXPECT_EQ(SendMessageW(list, LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(window)) << "the list follows the scheme";
    }

    Check();
    Tick(5000);
    EndSession();
    EXPECT_EQ(Ini(), "[Setup]\r\nSetupBool=0\r\n");
    EXPECT_FALSE(test::FileExists(dir_.Path() + "Kelo.trv"));
}

TEST_F(MainWindowTest, OnlineTimeIsCountedPausedAndSavedAsOneRecord) {
    app::TFrmKeloMain& main = Start();
    online_ = true;
    Check();
    Tick(1000);
    Tick(2500);  // a late tick counts both seconds; the half carries over
    EXPECT_TRUE(HasText(main, L"本次用时:00:00:03"));
    online_ = false;
    clock_.monotonicMs += 600;
    Check();  // the carried half and this 0.6 s make the fourth second
    clock_.monotonicMs += 30000;
    Tick(0);
    EXPECT_TRUE(HasText(main, L"本次用时:00:00:04"));
    online_ = true;
    Check();
    Tick(1000);
    EXPECT_TRUE(HasText(main, L"本次用时:00:00:05"));

    clock_.local = {2026, 12, 7, 10, 0, 0};
    EndSession();
    const auto lines = test::ReadFileBytes(dir_.Path() + "Kelo.trv");
    EXPECT_EQ(lines, "2026-12-07 09:30:00\a2026-12-07 10:00:00\a00:00:05\akelo-host\aKelo\a"
                     "198.51.100.2\r\n");
    const std::string ini = Ini();
    EXPECT_NE(ini.find("SumTime=0:0:5\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Period=2026-11-21\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Start=2026-12-07 09:30:00\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, DailyLimitGivesOneMessageBoxAndCountingGoesOn) {
    files_.Replace(dir_.Path() + "Kelo.ini", "[Setup]\r\nDate=0\r\n");
    test::MessageBoxCloser closer(L"提示");
    app::TFrmKeloMain& main = Start();
    online_ = true;
    Check();
    for (int i = 0; i < 5; ++i) Tick(1000);
    EXPECT_EQ(closer.Count(), 1);
    EXPECT_EQ(closer.LastText(), L"今天上网的时间已经到了!");
    EXPECT_TRUE(HasText(main, L"本次用时:00:00:05"));
    EndSession();
}

// The shell as the tray icon sees it: the balloons it was asked to show.
class BalloonShell : public tray::TrayShell {
public:
    BOOL NotifyIcon(DWORD, NOTIFYICONDATAW& data) override {
        if (data.uFlags & NIF_INFO) balloons.push_back(data.szInfo);
        return TRUE;
    }
    int MajorVersion() override { return 6; }
    std::vector<std::wstring> balloons;
};

TEST_F(MainWindowTest, TrayTipFollowsTheCounterAndTheDayWarningComesOnce) {
    BalloonShell shell;
    tray::TrayShell* previous = tray::SetTrayShell(&shell);
    files_.Replace(dir_.Path() + "Kelo.ini", "[Setup]\r\nDate=1\r\nWarnMinutes=59\r\n");
    app::TFrmKeloMain& main = Start();
    auto* icon = main.Find<tray::TTrayIcon>("TrayIcon1");
    online_ = true;
    Check();
    for (int i = 0; i < 59; ++i) Tick(1000);
    EXPECT_EQ(icon->Hint(), L"Brivo上网计时器\n本月用时: 00:00:00\n本次用时: 00:00:59");
    EXPECT_TRUE(shell.balloons.empty());
    Tick(1000);
    EXPECT_EQ(icon->Hint(), L"Brivo上网计时器\n本月用时: 00:00:00\n本次用时: 00:01:00");
    EXPECT_EQ(shell.balloons, std::vector<std::wstring>{L"再过 59 分钟将达到每日上网时限"});
    for (int i = 0; i < 5; ++i) Tick(1000);
    EXPECT_EQ(shell.balloons.size(), 1u);

    // 限额前提醒 switches the warnings off and back to 59 minutes, stored at once.
    auto* item = main.Find<win::TMenuItem>("MenuWarn");
    EXPECT_TRUE(item->Checked());
    item->Click();
    EXPECT_FALSE(item->Checked());
    EXPECT_NE(Ini().find("WarnMinutes=0\r\n"), std::string::npos);
    item->Click();
    EXPECT_NE(Ini().find("WarnMinutes=59\r\n"), std::string::npos);
    EndSession();
    main_.reset();  // the icon talks to this shell to its end
    tray::SetTrayShell(previous);
}

// With a tariff, the status bar and the tray tip show the month's cost as it counts;
// a month heading past its limit gets one balloon in its billing period, over runs.
TEST_F(MainWindowTest, StatusBarAndTrayTipFollowTheCounterWithATariff) {
    BalloonShell shell;
    tray::TrayShell* previous = tray::SetTrayShell(&shell);
    files_.Replace(dir_.Path() + "Kelo.ini",
                   "[Setup]\r\nMonthDate=60\r\n[Date]\r\nSumTime=40:0:0\r\nStart=2026-10-02 08:00:00\r\nPeriod=2026-11-21\r\n"
                   "[Tariff]\r\nMonthlyFee=50\r\nIncludedHours=40\r\nPricePerHour=1.20\r\nUnit=60\r\n");
    for (int start = 0; start < 2; ++start) {
        app::TFrmKeloMain& main = Start();
        auto* bar = main.Find<win::TStatusBar>("StatusBar1");
        online_ = true;
        Check();
        Tick(1000);
        // 2026-12-07 09:30 of the period 2026-11-21 to 2026-12-21.
        EXPECT_EQ(bar->PanelText(0), L"本月费用 ¥50.02");
        EXPECT_EQ(bar->PanelText(1), L"计费周期剩余 14 天");
        EXPECT_EQ(bar->PanelText(2), L"按目前速度本月约 73 小时 / ¥89.84");
        const std::wstring tip = main.Find<tray::TTrayIcon>("TrayIcon1")->Hint();
        EXPECT_EQ(tip.substr(tip.rfind(L'\n') + 1), bar->PanelText(0));
        EndSession();
        main_.reset();
    }
    EXPECT_EQ(shell.balloons, std::vector<std::wstring>{L"按目前的速度，本月将用约 73 小时，超过 60 小时的限额"});
    tray::SetTrayShell(previous);
}

TEST_F(MainWindowTest, StartWithWindowsItemWritesAndRemovesTheRunValue) {
    app::TFrmKeloMain& main = Start();
    auto* menu = main.Find<win::TPopupMenu>("pMenuMain");
    auto* item = main.Find<win::TMenuItem>("MenuAutoRun");
    const auto runValue = []() -> std::wstring {
        wchar_t value[1024] = {};
        DWORD bytes = sizeof value - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Kelo",
                         RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS)
            return L"(none)";
        return value;
    };
    ASSERT_EQ(runValue(), L"(none)") << "nothing is written unless chosen";
    menu->OnPopup(menu);
    EXPECT_FALSE(item->Checked());
    item->Click();
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(runValue(), L"\"" + std::wstring(exe) + L"\"");
    EXPECT_TRUE(item->Checked());
    item->Click();
    EXPECT_EQ(runValue(), L"(none)");
    // The mark follows the registry, not the last click, when the menu opens.
    item->SetChecked(true);
    menu->OnPopup(menu);
    EXPECT_FALSE(item->Checked());
    EndSession();
}

TEST_F(MainWindowTest, OwnerDrawnMenuAnswersItsItemsAccessKeys) {
    app::TFrmKeloMain& main = Start();
    HMENU menu = main.Find<win::TPopupMenu>("pMenuMain")->Handle();
    const auto answer = [menu](wchar_t key) {
        return SendMessageW(win::TPopupMenu::PopupListWindow(), WM_MENUCHAR, MAKEWPARAM(key, MF_POPUP),
                            reinterpret_cast<LPARAM>(menu));
    };
    const LRESULT close = answer(L'c');
    EXPECT_EQ(HIWORD(close), MNC_EXECUTE);
    EXPECT_EQ(GetMenuItemID(menu, LOWORD(close)), main.Find<win::TMenuItem>("MenuClose")->Command());
    EXPECT_EQ(answer(L'q'), 0) << "no item has Q";
    EndSession();
}

TEST_F(MainWindowTest, SoundAlarmShowsNoMessageBox) {
    files_.Replace(dir_.Path() + "Kelo.ini", "[Setup]\r\nDate=0\r\nSound=1\r\n");
    test::MessageBoxCloser closer(L"提示");
    Start();
    online_ = true;
    Check();
    Tick(1000);
    Tick(1000);
    Sleep(300);
    EXPECT_EQ(closer.Count(), 0);
    EndSession();
}

TEST_F(MainWindowTest, BadStoredNumberIsReportedAndTheHistoryKept) {
    files_.Replace(dir_.Path() + "Kelo.ini", "[Setup]\r\nStart=abc\r\n");
    files_.Replace(dir_.Path() + "Kelo.trv", "2026-12-01 08:00:00\a2026-12-01 09:00:00\a01:00:00"
                                             "\ahost\aKelo\a\r\n");
    test::MessageBoxCloser closer(L"Brivo上网计时器");
    Start();
    EXPECT_EQ(closer.Count(), 1);
    EXPECT_NE(closer.LastText().find(L"Kelo.ini"), std::wstring::npos) << closer.LastText();
    EXPECT_NE(closer.LastText().find(L"[Setup] Start=abc：不是整数，改用默认值 21"), std::wstring::npos);
    online_ = true;
    Check();
    Tick(1000);
    EndSession();
    const std::string history = test::ReadFileBytes(dir_.Path() + "Kelo.trv");
    EXPECT_EQ(history.rfind("2026-12-01 08:00:00\a2026-12-01 09:00:00\a01:00:00\ahost\aKelo\a\r\n", 0),
              0u);
    EXPECT_NE(history.find("\a00:00:01\akelo-host"), std::string::npos);
}

TEST_F(MainWindowTest, CloseCommandMinimisesAndKeepsCounting) {
    app::TFrmKeloMain& main = Start();
    main.Show();
    online_ = true;
    Check();
    SendMessageW(main.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(main.Handle()));
    Tick(1000);
    EXPECT_TRUE(HasText(main, L"本次用时:00:00:01"));
    EndSession();
}

TEST_F(MainWindowTest, CancelledLogOffCountsOnWithoutCountingTwice) {
    app::TFrmKeloMain& main = Start();
    online_ = true;
    Check();
    Tick(2000);
    EXPECT_EQ(SendMessageW(main.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_NE(Ini().find("SumTime=0:0:2\r\n"), std::string::npos);
    SendMessageW(main.Handle(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    Check();
    Tick(3000);
    EndSession();
    EXPECT_NE(Ini().find("SumTime=0:0:5\r\n"), std::string::npos);
    const std::string history = test::ReadFileBytes(dir_.Path() + "Kelo.trv");
    EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 1);
}

// A machine online at start counts from the start, not from the checker's first round.
TEST_F(MainWindowTest, FirstCheckIsMadeAtStart) {
    online_ = true;
    app::TFrmKeloMain& main = Start();
    Tick(1000);
    EXPECT_TRUE(HasText(main, L"本次用时:00:00:01"));
    EndSession();
}

// The end of a session is never held up by a box, and the program never outlives it;
// a save that failed when asked is tried again when the session ends.
TEST_F(MainWindowTest, SessionEndWithAFailingSaveShowsNoBoxAndEnds) {
    test::MessageBoxCloser closer(L"Brivo上网计时器");
    app::TFrmKeloMain& main = Start();
    online_ = true;
    Check();
    Tick(3000);
    const std::wstring blocker = win::WinFileStore::TemporaryPath(dir_.Path() + "Kelo.trv");
    ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr));
    const HWND hwnd = main.Handle();
    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_EQ(closer.Count(), 0);
    EXPECT_FALSE(test::FileExists(dir_.Path() + "Kelo.trv"));
    RemoveDirectoryW(blocker.c_str());
    SendMessageW(hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(closer.Count(), 0);
    EXPECT_NE(test::ReadFileBytes(dir_.Path() + "Kelo.trv").find("\a00:00:03\a"), std::string::npos);
    EXPECT_NE(Ini().find("SumTime=0:0:3\r\n"), std::string::npos);
}

// A file that cannot be written never keeps the user from quitting: one box names it and
// what would be lost; 取消 counts on, 重试 saves again (and asks again when it fails
// again), 仍然退出 quits.
TEST_F(MainWindowTest, QuitWithAReadOnlyFileAsksToRetryQuitAnywayOrCancel) {
    const std::string ini = dir_.Path() + "Kelo.ini";
    files_.Replace(ini, "[Setup]\r\nSetupBool=0\r\n");
    ASSERT_TRUE(SetFileAttributesW(win::Widen(ini).c_str(), FILE_ATTRIBUTE_READONLY));
    app::TFrmKeloMain& main = Start();
    int closed = 0;
    main.OnClose = [&closed](win::TComponent*) { ++closed; };
    online_ = true;
    Check();
    Tick(3000);
    {
        test::MessageBoxCloser closer(L"Brivo上网计时器", {IDCANCEL});
        main.Close();
        EXPECT_EQ(closer.Count(), 1);
        EXPECT_NE(closer.LastText().find(L"Kelo.ini"), std::wstring::npos) << closer.LastText();
        EXPECT_NE(closer.LastText().find(L"本次 00:00:03 的上网时间尚未保存"), std::wstring::npos);
        EXPECT_EQ(closer.LastButtons(), L"重试|仍然退出|取消|");
    }
    EXPECT_EQ(closed, 0);
    Check();
    Tick(2000);
    EXPECT_TRUE(HasText(main, L"本次用时:00:00:05")) << "counting goes on";
    {
        test::MessageBoxCloser closer(L"Brivo上网计时器", {IDYES, IDNO});
        main.Close();
        EXPECT_EQ(closer.Count(), 2);
    }
    EXPECT_EQ(closed, 1);
    EXPECT_NE(test::ReadFileBytes(dir_.Path() + "Kelo.trv").find("\a00:00:05\a"), std::string::npos);
    SetFileAttributesW(win::Widen(ini).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A start-up message box open past Timer1's first round: the notice window did not
// exist yet, and it is shown at the next round instead, once.
TEST_F(MainWindowTest, NoticeWindowIsShownOnceWhateverTheTiming) {
    app::TFrmKeloMain& main = Start();
    auto* timer1 = main.Find<win::TTimer>("Timer1");
    auto* timer2 = main.Find<win::TTimer>("Timer2");
    ASSERT_EQ(app::Form1, nullptr);
    timer1->Fire();
    timer2->Fire();
    app::TForm1 notice(nullptr);
    app::Form1 = &notice;
    timer1->Fire();
    EXPECT_TRUE(IsWindowVisible(notice.Handle()));
    ShowWindow(notice.Handle(), SW_HIDE);
    timer2->Fire();
    timer1->Fire();
    EXPECT_FALSE(IsWindowVisible(notice.Handle()));
    app::Form1 = nullptr;
    EndSession();
}


// The skin makes the notice window's frame wider than the system's once it is shown: it
// keeps its distance from the corner, and a window the user moved stays where it is.
TEST(NoticeWindow, KeepsItsCornerWhenItsFrameGrows) {
    app::TForm1 notice(nullptr);
    notice.PlaceNearCorner();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT r;
    GetWindowRect(notice.Handle(), &r);
    SetWindowPos(notice.Handle(), nullptr, 0, 0, r.right - r.left + 8, r.bottom - r.top + 20,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    test::PumpFor(50);
    GetWindowRect(notice.Handle(), &r);
    EXPECT_EQ(r.right, screenWidth - 15);
    EXPECT_EQ(r.bottom, screenHeight - 35);
    SetWindowPos(notice.Handle(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    test::PumpFor(50);
    GetWindowRect(notice.Handle(), &r);
    EXPECT_EQ(r.left, 100);
}
