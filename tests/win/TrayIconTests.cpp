#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Handle.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "framework/Timer.h"
#include "tray/TrayIcon.h"

using namespace kelo;
using tray::TTrayIcon;
using tray::TTrayIconClicks;

namespace {

constexpr int kCenter = 8 * 16 + 8;

// The icon drawn at 16 by 16 on white, as 0x00RRGGBB pixels.
std::vector<uint32_t> IconPixels(HICON icon) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    win::Bitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        win::SavedDC saved(dc);
        SelectObject(dc, bitmap.Get());
        PatBlt(dc, 0, 0, 16, 16, WHITENESS);
        DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
        GdiFlush();
    }
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + 256);
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    DeleteDC(dc);
    return pixels;
}

void AddSolidIcon(win::TImageList& list, COLORREF color) {
    HDC screen = GetDC(nullptr);
    win::Bitmap image(CreateCompatibleBitmap(screen, 16, 16));
    ReleaseDC(nullptr, screen);
    win::Bitmap mask(CreateBitmap(16, 16, 1, 1, std::vector<BYTE>(32, 0).data()));
    HDC dc = CreateCompatibleDC(nullptr);
    {
        win::SavedDC saved(dc);
        SelectObject(dc, image.Get());
        win::Brush brush(CreateSolidBrush(color));
        RECT all{0, 0, 16, 16};
        FillRect(dc, &all, brush.Get());
    }
    DeleteDC(dc);
    ICONINFO ii{TRUE, 0, 0, mask.Get(), image.Get()};
    win::UniqueIcon icon(CreateIconIndirect(&ii));
    list.AddIcon(icon.Get());
}

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// A shell that records what it is asked, with the colour of the icon at that moment.
struct FakeShell : tray::TrayShell {
    struct Call {
        DWORD message;
        NOTIFYICONDATAW data;
        uint32_t center;
    };
    BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW& data) override {
        calls.push_back({message, data, data.hIcon ? IconPixels(data.hIcon)[kCenter] : 0});
        return message == NIM_ADD ? !refuseAdd : TRUE;
    }
    int MajorVersion() override { return major; }
    int Count(DWORD message) const {
        int n = 0;
        for (const Call& c : calls) n += c.message == message;
        return n;
    }
    std::vector<Call> calls;
    int major = 6;
    bool refuseAdd = false;
};

// Opens the component's timers to the tests.
class TestTrayIcon : public TTrayIcon {
public:
    using TTrayIcon::AnimationTimer;
    using TTrayIcon::RetryTimer;
    using TTrayIcon::TTrayIcon;
};

LRESULT Callback(const TTrayIcon& icon, LPARAM notification) {
    return SendMessageW(icon.MessageWindow(), tray::TrayCallbackMessage, 0, notification);
}

class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        previous_ = tray::SetTrayShell(&shell_);
    }
    void TearDown() override {
        tray::SetTrayShell(previous_);
        win::Application().Restore();
        win::Application().SetShowMainForm(true);
        ShowWindow(win::Application().Handle(), SW_HIDE);
    }
    // A tray icon as the form loader leaves it: properties read, then Loaded.
    std::unique_ptr<TestTrayIcon> Make(win::TComponent* owner = nullptr) {
        auto icon = std::make_unique<TestTrayIcon>(owner);
        icon->Loaded();
        return icon;
    }
    FakeShell shell_;
    tray::TrayShell* previous_ = nullptr;
    win::TComponent owner_{nullptr};
};

}  // namespace

TEST_F(TrayIcon, NewShellGetsTheLongRecordAddedAfterLoadingAndDeletedAtTheEnd) {
    auto icon = Make();
    ASSERT_EQ(shell_.Count(NIM_ADD), 1);
    const FakeShell::Call add = shell_.calls[1];
    EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD)) << "added only once loaded";
    EXPECT_EQ(add.data.cbSize, NOTIFYICONDATAW_V2_SIZE);
    EXPECT_EQ(add.data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON));
    EXPECT_EQ(add.data.uCallbackMessage, 0x2422u);
    EXPECT_EQ(add.data.hWnd, icon->MessageWindow());
    EXPECT_EQ(add.center, IconPixels(win::Application().Icon())[kCenter]);
    EXPECT_TRUE(icon->Enabled());
    icon.reset();
    EXPECT_EQ(shell_.calls.back().message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(shell_.calls.back().data.uID, add.data.uID);
}

TEST_F(TrayIcon, HintIsCutToTheTipOfTheShellsRecordAndAnEmptyOneRemovesIt) {
    const std::wstring hint(200, L'x');
    for (const auto& [major, length, size] :
         {std::tuple{5, 127u, NOTIFYICONDATAW_V2_SIZE}, std::tuple{4, 63u, NOTIFYICONDATAW_V1_SIZE}}) {
        shell_.major = major;
        auto icon = Make();
        icon->SetHint(hint);
        const NOTIFYICONDATAW& data = shell_.calls.back().data;
        EXPECT_EQ(data.cbSize, static_cast<DWORD>(size));
        EXPECT_EQ(std::wstring(data.szTip), hint.substr(0, length)) << "shell version " << major;
        EXPECT_TRUE(data.uFlags & NIF_TIP);
        icon->SetHint(L"");
        EXPECT_FALSE(shell_.calls.back().data.uFlags & NIF_TIP);
        EXPECT_EQ(shell_.calls.back().data.szTip[0], L'\0');
    }
}

TEST_F(TrayIcon, BalloonGoesOnceAndOnlyToShellsThatHaveThem) {
    auto icon = Make();
    ASSERT_TRUE(icon->ShowBalloonHint(L"Brivo上网计时器", L"再过 10 分钟将达到每日上网时限"));
    const NOTIFYICONDATAW& balloon = shell_.calls.back().data;
    EXPECT_EQ(shell_.calls.back().message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(balloon.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(std::wstring(balloon.szInfoTitle), L"Brivo上网计时器");
    EXPECT_EQ(std::wstring(balloon.szInfo), L"再过 10 分钟将达到每日上网时限");
    // The icon's next update does not show it again.
    icon->SetHint(L"tip");
    EXPECT_FALSE(shell_.calls.back().data.uFlags & NIF_INFO);

    shell_.major = 4;
    EXPECT_FALSE(Make()->ShowBalloonHint(L"t", L"x"));
}

TEST_F(TrayIcon, IconIndexOutsideTheListShowsTheProgramsIcon) {
    auto* list = new win::TImageList(&owner_);
    AddSolidIcon(*list, RGB(255, 0, 0));
    AddSolidIcon(*list, RGB(0, 255, 0));
    auto icon = Make(&owner_);
    const std::vector<uint32_t> programIcon = IconPixels(win::Application().Icon());
    icon->SetIcons(list);
    icon->SetIconIndex(1);
    EXPECT_EQ(shell_.calls.back().center, kGreen);
    icon->SetIconIndex(2);
    EXPECT_EQ(IconPixels(shell_.calls.back().data.hIcon), programIcon);
    icon->SetIconIndex(-1);
    EXPECT_EQ(IconPixels(shell_.calls.back().data.hIcon), programIcon);
    // The list grows: its change shows image 2 at once.
    AddSolidIcon(*list, RGB(0, 0, 255));
    EXPECT_EQ(icon->IconIndex(), -1);
    icon->SetIconIndex(2);
    EXPECT_EQ(shell_.calls.back().center, kBlue);
    // The list leaves the form: back to the program's icon.
    delete list;
    EXPECT_EQ(icon->Icons(), nullptr);
    EXPECT_EQ(IconPixels(shell_.calls.back().data.hIcon), programIcon);
}

TEST_F(TrayIcon, AnimationCyclesThroughTheImagesOnlyWhileAnimateIsOn) {
    auto* list = new win::TImageList(&owner_);
    for (COLORREF c : {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}) AddSolidIcon(*list, c);
    auto icon = Make(&owner_);
    icon->SetIcons(list);
    EXPECT_FALSE(icon->Animate());
    EXPECT_EQ(icon->Interval(), 1000u);
    icon->AnimationTimer().Fire();
    EXPECT_EQ(icon->IconIndex(), 0) << "no step while Animate is off";
    icon->SetAnimate(true);
    std::vector<int> indexes;
    std::vector<uint32_t> colours;
    for (int i = 0; i < 4; ++i) {
        icon->AnimationTimer().Fire();
        indexes.push_back(icon->IconIndex());
        colours.push_back(shell_.calls.back().center);
    }
    EXPECT_EQ(indexes, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(colours, (std::vector<uint32_t>{kGreen, kBlue, kRed, kGreen}));
}

TEST_F(TrayIcon, ImageListDestroyedOutsideTheOwnersTreeIsLetGo) {
    auto icon = Make(&owner_);
    auto* list = new win::TImageList(nullptr);
    AddSolidIcon(*list, RGB(255, 0, 0));
    icon->SetIcons(list);
    delete list;
    EXPECT_EQ(icon->Icons(), nullptr);
    icon->SetIconIndex(0);
    EXPECT_EQ(IconPixels(shell_.calls.back().data.hIcon), IconPixels(win::Application().Icon()));
}

TEST_F(TrayIcon, RightButtonDownOpensTheMenuAndARestoreClickUnderItIsIgnored) {
    auto icon = Make(&owner_);
    auto* menu = new win::TPopupMenu(&owner_);
    auto* item = new win::TMenuItem(&owner_);
    item->SetCaption(L"Item");
    menu->Items()->Add(item);
    icon->SetPopupMenu(menu);
    icon->SetPopupMenuOn(TTrayIconClicks::ticRightClick);

    static HWND trayWindow;
    static bool minimizedUnderMenu, menuOpened;
    trayWindow = icon->MessageWindow();
    minimizedUnderMenu = menuOpened = false;
    int popups = 0;
    menu->OnPopup = [&](win::TComponent*) {
        ++popups;
        SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            HWND menuWindow = FindWindowW(L"#32768", nullptr);
            menuOpened = menuWindow && IsWindowVisible(menuWindow);
            SendMessageW(trayWindow, tray::TrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
            minimizedUnderMenu = win::Application().Minimized();
            EndMenu();
        });
    };
    win::Application().Minimize();
    Callback(*icon, WM_RBUTTONDOWN);
    EXPECT_EQ(popups, 1);
    EXPECT_TRUE(menuOpened) << "the menu's loop ran the timer";
    EXPECT_TRUE(minimizedUnderMenu) << "no restore while the menu is open";
    Callback(*icon, WM_RBUTTONUP);
    EXPECT_EQ(popups, 1) << "releasing the button does nothing more";
    Callback(*icon, WM_LBUTTONDBLCLK);
    EXPECT_FALSE(win::Application().Minimized()) << "restoring works again once the menu closed";
    menu->OnPopup = nullptr;
    delete menu;
    EXPECT_EQ(icon->PopupMenu(), nullptr);
}

TEST_F(TrayIcon, LeftDoubleClickRestoresAndASingleClickDoesNothing) {
    auto icon = Make();
    int minimized = 0, restored = 0;
    icon->OnMinimizeApp = [&](win::TComponent*) { ++minimized; };
    icon->OnRestoreApp = [&](win::TComponent*) { ++restored; };
    HWND app = win::Application().Handle();
    win::Application().Minimize();
    EXPECT_EQ(minimized, 1);
    EXPECT_FALSE(IsWindowVisible(app)) << "the taskbar button goes away";
    Callback(*icon, WM_LBUTTONDOWN);
    Callback(*icon, WM_LBUTTONUP);
    EXPECT_TRUE(win::Application().Minimized());
    Callback(*icon, WM_LBUTTONDBLCLK);
    EXPECT_FALSE(win::Application().Minimized());
    EXPECT_TRUE(IsWindowVisible(app));
    EXPECT_EQ(restored, 1) << "the application's own restore notice is not a second restore";
}

TEST_F(TrayIcon, WithoutHideOnMinimizeTheTaskbarWindowStays) {
    auto icon = Make();
    icon->SetHideOnMinimize(false);
    ShowWindow(win::Application().Handle(), SW_SHOWNOACTIVATE);
    win::Application().Minimize();
    EXPECT_TRUE(win::Application().Minimized());
    EXPECT_TRUE(IsWindowVisible(win::Application().Handle()));
}

TEST_F(TrayIcon, HideOnStartupKeepsTheMainFormBackUntilRestored) {
    auto icon = std::make_unique<TestTrayIcon>(nullptr);
    icon->SetHideOnStartup(true);
    ShowWindow(win::Application().Handle(), SW_SHOWNOACTIVATE);
    icon->Loaded();
    EXPECT_FALSE(win::Application().ShowMainForm());
    EXPECT_FALSE(IsWindowVisible(win::Application().Handle()));
    Callback(*icon, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(win::Application().ShowMainForm());
    EXPECT_TRUE(IsWindowVisible(win::Application().Handle()));
}

TEST_F(TrayIcon, TaskbarCreatedAddsTheIconAgainOnlyWhileEnabled) {
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    auto icon = Make();
    SendMessageW(icon->MessageWindow(), taskbarCreated, 0, 0);
    EXPECT_EQ(shell_.Count(NIM_ADD), 2);
    icon->SetEnabled(false);
    EXPECT_EQ(shell_.calls.back().message, static_cast<DWORD>(NIM_DELETE));
    SendMessageW(icon->MessageWindow(), taskbarCreated, 0, 0);
    EXPECT_EQ(shell_.Count(NIM_ADD), 2);
    icon->SetEnabled(true);
    EXPECT_EQ(shell_.Count(NIM_ADD), 3);
}

TEST_F(TrayIcon, RefusedIconIsTriedAgainWithItsTipAndTheKeptBalloon) {
    shell_.refuseAdd = true;
    auto icon = Make();
    EXPECT_FALSE(icon->Enabled());
    icon->SetHint(L"Kelo");
    EXPECT_FALSE(icon->ShowBalloonHint(L"Kelo", L"数据文件夹已改变"));
    EXPECT_FALSE(shell_.calls.back().data.uFlags & NIF_INFO) << "no balloon without the icon";
    icon->RetryTimer().Fire();
    EXPECT_EQ(shell_.Count(NIM_ADD), 2);
    shell_.refuseAdd = false;
    icon->RetryTimer().Fire();
    EXPECT_TRUE(icon->Enabled());
    EXPECT_FALSE(icon->RetryTimer().Enabled());
    const auto& calls = shell_.calls;
    ASSERT_EQ(calls[calls.size() - 2].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(std::wstring(calls[calls.size() - 2].data.szTip), L"Kelo");
    EXPECT_EQ(calls.back().data.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(std::wstring(calls.back().data.szInfo), L"数据文件夹已改变");

    // Refused for two minutes of ticks: only a new taskbar tries again.
    shell_.refuseAdd = true;
    const int addsBefore = shell_.Count(NIM_ADD);
    auto late = Make();
    const int ticks = static_cast<int>(120000 / late->RetryTimer().Interval());
    for (int i = 0; i < ticks + 5; ++i) late->RetryTimer().Fire();
    EXPECT_FALSE(late->RetryTimer().Enabled());
    EXPECT_EQ(shell_.Count(NIM_ADD) - addsBefore, 1 + ticks);
    shell_.refuseAdd = false;
    SendMessageW(late->MessageWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(late->Enabled());
}

TEST_F(TrayIcon, EndOfSessionAsksTheHandlerAndRemovesTheIconOnlyWhenItEnds) {
    auto icon = Make();
    bool allow = true;
    int ended = 0;
    icon->OnQueryEndSession = [&](win::TComponent*, bool& allowSessionToEnd) { allowSessionToEnd = allow; };
    icon->OnEndSession = [&](win::TComponent*) { ++ended; };
    EXPECT_EQ(SendMessageW(icon->MessageWindow(), WM_QUERYENDSESSION, 0, 0), 1);
    allow = false;
    EXPECT_EQ(SendMessageW(icon->MessageWindow(), WM_QUERYENDSESSION, 0, 0), 0);
    SendMessageW(icon->MessageWindow(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(shell_.Count(NIM_DELETE), 0);
    SendMessageW(icon->MessageWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(shell_.Count(NIM_DELETE), 1);
    EXPECT_EQ(ended, 2);
}

TEST_F(TrayIcon, MessageWindowLeavesOtherMessagesToTheSystem) {
    auto icon = Make();
    HWND window = icon->MessageWindow();
    EXPECT_EQ(SendMessageW(window, WM_QUERYOPEN, 0, 0), TRUE);
    SetWindowTextW(window, L"Kelo");
    EXPECT_EQ(test::WindowText(window), L"Kelo");
    EXPECT_EQ(Callback(*icon, WM_MOUSEMOVE), 0);
}

TEST_F(TrayIcon, AnythingAClickHandlerThrowsIsShownAndTheIconGoesOn) {
    win::Application().SetTitle(L"KeloTrayTest");
    test::MessageBoxCloser closer(L"KeloTrayTest");
    auto icon = Make();
    int clicks = 0;
    icon->OnLButtonUp = [&](win::TComponent*) {
        if (++clicks == 1) throw 42;
    };
    Callback(*icon, WM_LBUTTONUP);
    EXPECT_EQ(closer.Count(), 1);
    EXPECT_EQ(closer.LastText(), L"发生了意外的错误。");
    Callback(*icon, WM_LBUTTONUP);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(closer.Count(), 1);
}

TEST_F(TrayIcon, DestroyedIconWithdrawsItsOwnListenersOnly) {
    Make().reset();
    EXPECT_FALSE(win::Application().OnMinimize);
    EXPECT_FALSE(win::Application().OnRestore);
    auto icon = Make();
    int foreign = 0;
    win::Application().OnRestore = [&] { ++foreign; };
    icon.reset();
    EXPECT_FALSE(win::Application().OnMinimize);
    ASSERT_TRUE(win::Application().OnRestore);
    win::Application().OnRestore = nullptr;
}

TEST_F(TrayIcon, FormDescriptionNamesTheMenuAndTheClick) {
    tray::RegisterTrayClasses();
    win::TForm form(nullptr);
    form.LoadFromDescription(
        "object F: TForm\n"
        "  object TrayIcon1: TTrayIcon\n    PopupMenu = pMenuMain\n"
        "    PopupMenuOn = ticRightClick\n  end\n"
        "  object pMenuMain: TPopupMenu\n  end\nend\n");
    auto* icon = form.Find<TTrayIcon>("TrayIcon1");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->PopupMenu(), form.FindComponent("pMenuMain"));
    EXPECT_EQ(icon->PopupMenuOn(), TTrayIconClicks::ticRightClick);
    EXPECT_EQ(icon->RestoreOn(), TTrayIconClicks::ticLeftDblClick);
    EXPECT_TRUE(icon->HideOnMinimize());
    EXPECT_EQ(shell_.Count(NIM_ADD), 1);
    FormValue value;
    EXPECT_FALSE(icon->ReadProperty("Visible", value));
}

TEST(TrayIconRealShell, IconEntersWinesTrayAndLeavesIt) {
    win::Application().Initialize(GetModuleHandleW(nullptr));
    // The notification area belongs to the shell's process, which may still be starting.
    HWND tray = nullptr;
    for (int i = 0; i < 200 && !tray; ++i) {
        tray = FindWindowW(L"Shell_TrayWnd", nullptr);
        if (!tray) Sleep(50);
    }
    if (!tray) GTEST_SKIP() << "no notification area on this desktop";
    // Passes the calls to the shell and keeps the last record.
    struct Recorder : tray::TrayShell {
        BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW& data) override {
            last = data;
            return tray::SystemTrayShell().NotifyIcon(message, data);
        }
        int MajorVersion() override { return tray::SystemTrayShell().MajorVersion(); }
        NOTIFYICONDATAW last{};
    } recorder;
    tray::TrayShell* previous = tray::SetTrayShell(&recorder);
    auto icon = std::make_unique<TTrayIcon>(nullptr);
    icon->Loaded();
    EXPECT_TRUE(icon->Enabled()) << "the shell took the icon";
    icon->SetHint(L"Kelo");
    NOTIFYICONDATAW record = recorder.last;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &record)) << "the icon is there";
    icon->SetEnabled(false);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &record)) << "the icon is gone";
    icon.reset();
    tray::SetTrayShell(previous);
}
