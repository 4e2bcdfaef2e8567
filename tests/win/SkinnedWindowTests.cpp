// Skinned windows under Wine: the frame that replaces the system's, the menu bar it takes
// over, its caption buttons and region, and that skinning and unskinning leave nothing
// behind.
//
// Two things of Wine without a window manager shape these tests: hiding a window that was
// shown waits two seconds for a manager that never answers, and a maximised window is put
// back to normal as soon as Wine next reads the X server's events after the window changed
// (here: after the skin set the region of the new size).
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

#include "SkinTestSupport.h"
#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Form.h"
#include "framework/Handle.h"
#include "framework/Menus.h"
#include "framework/Subclass.h"
#include "skin/data/SkinArchive.h"
#include "skin/SkinManager.h"
#include "skin/SkinSource.h"
#include "skin/frame/SkinnedWindow.h"

using namespace kelo;
using skin::TSkinManager;
using skin::TSkinnedWindow;

namespace {

// The SkinStream property of the skin the program carries, as a form description writes it.
const std::string& SkinStreamHex() {
    static const std::string hex = [] {
        static const char kDigits[] = "0123456789ABCDEF";
        std::string out;
        for (unsigned char c : skin::WriteSkinStream(test::EmbeddedSkinFile())) {
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        }
        return out;
    }();
    return hex;
}

std::string MainFormDescription() {
    return "object SkinTestForm: TForm\n"
           "  Left = 120\n  Top = 90\n  ClientWidth = 360\n  ClientHeight = 220\n"
           "  Caption = 'Skinned'\n  Menu = MainMenu1\n"
           "  object MainMenu1: TMainMenu\n"
           "    object MenuFile: TMenuItem\n      Caption = '&File'\n"
           "      object MenuOpen: TMenuItem\n        Caption = '&Open'\n      end\n"
           "    end\n"
           "    object MenuHelp: TMenuItem\n      Caption = '&Help'\n    end\n"
           "  end\n"
           "  object PopupMenu1: TPopupMenu\n"
           "    object PopupShow: TMenuItem\n      Caption = 'Show'\n    end\n"
           "    object PopupClose: TMenuItem\n      Caption = 'Close'\n    end\n"
           "  end\n"
           "  object SkinSource1: TSkinSource\n    Active = True\n"
           "    SkinStream = {" + SkinStreamHex() + "}\n  end\n"
           "end\n";
}

constexpr char kDialogDescription[] =
    "object SkinTestDialog: TForm\n"
    "  Left = 200\n  Top = 150\n  ClientWidth = 240\n  ClientHeight = 110\n"
    "  BorderStyle = bsDialog\n  Caption = 'Dialog'\n"
    "  object Edit1: TEdit\n    Left = 10\n    Top = 10\n    Width = 200\n  end\n"
    "  object Button1: TButton\n    Left = 10\n    Top = 60\n    Caption = 'OK'\n  end\n"
    "end\n";

constexpr char kContainersDescription[] =
    "object SkinContainersForm: TForm\n"
    "  Left = 220\n  Top = 160\n  ClientWidth = 300\n  ClientHeight = 160\n  Caption = 'Containers'\n"
    "  object GroupBox1: TGroupBox\n    Left = 8\n    Top = 8\n"
    "    object Label1: TLabel\n      Left = 10\n      Top = 20\n      Caption = 'In the box'\n    end\n"
    "  end\n"
    "  object StatusBar1: TStatusBar\n    Align = alBottom\n  end\n"
    "end\n";

// A tool bar as the walker knows it by name; only its Flat property matters here.
class TToolBar : public win::TWinControl {
    KELO_CLASS(TToolBar, win::TWinControl)
public:
    using TWinControl::TWinControl;
    bool ReadProperty(const std::string& name, const FormValue& value) override {
        if (name != "Flat") return TWinControl::ReadProperty(name, value);
        flat = win::ValueBool(value);
        return true;
    }
    bool flat = false;
};

bool PumpUntil(const std::function<bool()>& done, DWORD ms = 2000) {
    const DWORD until = GetTickCount() + ms;
    while (!done()) {
        if (GetTickCount() > until) return false;
        test::PumpFor(5);
    }
    return true;
}

TSkinnedWindow* Skinned(HWND hwnd) {
    TSkinManager* manager = TSkinManager::Instance();
    return manager ? manager->FindSkinnedWindow(hwnd) : nullptr;
}

using test::FullySkinned;

SIZE ClientSize(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}

// How far the client area lies inside the window rectangle on each side.
RECT FrameInsets(HWND hwnd) {
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return {client.left - window.left, client.top - window.top, window.right - client.right,
            window.bottom - client.bottom};
}

// The visible caption button with that action, as the frame shows it now.
const skin::TCaptionButton* VisibleButton(HWND hwnd, int action) {
    SendMessageW(hwnd, WM_NCPAINT, 1, 0);
    const TSkinnedWindow* w = Skinned(hwnd);
    if (!w) return nullptr;
    for (const auto& button : w->CaptionButtons())
        if (button->visible && button->element.action == action) return button.get();
    return nullptr;
}

LPARAM ScreenCentre(HWND hwnd, const RECT& windowRect) {
    RECT wr;
    GetWindowRect(hwnd, &wr);
    return MAKELPARAM(wr.left + (windowRect.left + windowRect.right) / 2,
                      wr.top + (windowRect.top + windowRect.bottom) / 2);
}

// A press and a release on the button, as the mouse gives them.
void Click(HWND hwnd, const skin::TCaptionButton& button) {
    const LPARAM point = ScreenCentre(hwnd, button.rect);
    SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, point);
    SendMessageW(hwnd, WM_NCLBUTTONUP, HTCAPTION, point);
}

// Runs the system command the click posted, at once; 0 when there is none.
UINT RunPostedSystemCommand(HWND hwnd) {
    MSG msg;
    if (!PeekMessageW(&msg, hwnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE)) return 0;
    DispatchMessageW(&msg);
    return static_cast<UINT>(msg.wParam & 0xFFF0);
}

// Watches for open menus from a thread timer and ends any it finds: a menu opened by
// mistake cannot hold a test up, and one opened on purpose closes.
struct MenuWatch {
    static inline int opened = 0;
    static inline size_t popupSkins = 0;
    UINT_PTR timer;
    explicit MenuWatch(UINT ms) : timer(SetTimer(nullptr, 0, ms, &Tick)) {
        opened = 0;
        popupSkins = 0;
    }
    ~MenuWatch() { KillTimer(nullptr, timer); }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menu || !IsWindowVisible(menu)) return;
        ++opened;
        if (TSkinManager* manager = TSkinManager::Instance()) popupSkins = manager->PopupSkinCount();
        EndMenu();
    }
};

// Clicks at a screen point with the system's own mouse input.
void InputClick(POINT at) {
    const int width = GetSystemMetrics(SM_CXSCREEN) - 1, height = GetSystemMetrics(SM_CYSCREEN) - 1;
    INPUT inputs[3]{};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = at.x * 65535 / width;
        input.mi.dy = at.y * 65535 / height;
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, inputs, sizeof(INPUT));
}

// Gives the second click of a double click once the first one's menu is open.
struct SecondClick {
    static inline POINT at{};
    static inline bool given = false;
    UINT_PTR timer;
    explicit SecondClick(POINT point) : timer(SetTimer(nullptr, 0, 20, &Tick)) {
        at = point;
        given = false;
    }
    ~SecondClick() { KillTimer(nullptr, timer); }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (given || !menu || !IsWindowVisible(menu)) return;
        given = true;
        InputClick(at);
    }
};

class SkinnedWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        skin::RegisterSkinClasses();
        ASSERT_EQ(TSkinManager::Instance(), nullptr);
        form_ = std::make_unique<win::TForm>(nullptr);
        form_->LoadFromDescription(MainFormDescription());
        hwnd_ = form_->Handle();
        clientBefore_ = ClientSize(hwnd_);
        source_ = form_->Find<skin::TSkinSource>("SkinSource1");
        ASSERT_NE(source_, nullptr);
    }
    void TearDown() override {
        form_.reset();
        EXPECT_EQ(TSkinManager::Instance(), nullptr) << "the last skin source takes the manager with it";
        test::PumpFor(20);
    }
    TSkinnedWindow& ShowSkinned() {
        form_->Show();
        EXPECT_TRUE(PumpUntil([this] { return FullySkinned(hwnd_); }));
        return *Skinned(hwnd_);
    }
    void ExpectClientSizeKept() {
        EXPECT_EQ(ClientSize(hwnd_).cx, clientBefore_.cx);
        EXPECT_EQ(ClientSize(hwnd_).cy, clientBefore_.cy);
    }

    std::unique_ptr<win::TForm> form_;
    HWND hwnd_ = nullptr;
    SIZE clientBefore_{};
    skin::TSkinSource* source_ = nullptr;
};

}  // namespace

TEST_F(SkinnedWindowTest, FrameAndMenuBarReplaceTheSystemsAndComeOffAgain) {
    ASSERT_NE(GetMenu(hwnd_), nullptr);
    ShowSkinned();
    const RECT insets = FrameInsets(hwnd_);
    EXPECT_EQ(insets.left, 5);
    EXPECT_EQ(insets.top, 29 + GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(insets.right, 5);
    EXPECT_EQ(insets.bottom, 5);
    ExpectClientSizeKept();
    EXPECT_EQ(GetMenu(hwnd_), nullptr) << "the skin draws the menu bar";

    TSkinManager& manager = *TSkinManager::Instance();
    const size_t skinnedCount = manager.SkinnedWindowCount();
    source_->SetActive(false);
    manager.RunPendingAction();
    test::PumpFor(50);
    EXPECT_NE(GetMenu(hwnd_), nullptr);
    EXPECT_EQ(Skinned(hwnd_), nullptr);
    EXPECT_EQ(manager.SkinnedWindowCount(), skinnedCount - 1);
    ExpectClientSizeKept();
}

TEST_F(SkinnedWindowTest, SizeGripIsRefusedOnlyInsideASkinnedWindow) {
    ShowSkinned();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto scrollBar = [instance](HWND parent, DWORD style) {
        return CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | style, 0, 0, 16, 16, parent, nullptr, instance,
                               nullptr);
    };
    EXPECT_EQ(scrollBar(hwnd_, SBS_SIZEGRIP), nullptr);
    HWND plain = scrollBar(hwnd_, SBS_VERT);
    EXPECT_NE(plain, nullptr);
    DestroyWindow(plain);

    HWND unskinned = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, instance,
                                     nullptr);
    EXPECT_NE(scrollBar(unskinned, SBS_SIZEGRIP), nullptr);
    DestroyWindow(unskinned);
}

TEST_F(SkinnedWindowTest, CaptionButtonsDoTheirActions) {
    int closed = 0;
    form_->OnClose = [&closed](win::TComponent*) { ++closed; };
    ShowSkinned();
    {
        MenuWatch watch(100);
        EXPECT_EQ(SendMessageW(hwnd_, WM_SYSCOMMAND, SC_KEYMENU, 0), 1) << "Alt alone is eaten";
        test::PumpFor(250);
        EXPECT_EQ(MenuWatch::opened, 0);
    }

    const skin::TCaptionButton* maximise = VisibleButton(hwnd_, 1);
    ASSERT_NE(maximise, nullptr);
    Click(hwnd_, *maximise);
    EXPECT_EQ(RunPostedSystemCommand(hwnd_), SC_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(hwnd_));
    {
        // The whole skinned frame on the screen, the taskbar left free.
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
        RECT maximised;
        GetWindowRect(hwnd_, &maximised);
        EXPECT_TRUE(EqualRect(&maximised, &monitor.rcWork))
            << maximised.left << "," << maximised.top << " " << maximised.right << "," << maximised.bottom;
    }
    const skin::TCaptionButton* restore = VisibleButton(hwnd_, 1);
    ASSERT_NE(restore, nullptr);
    EXPECT_NE(restore, maximise) << "a maximised window shows the restore button";
    Click(hwnd_, *restore);
    EXPECT_EQ(RunPostedSystemCommand(hwnd_), SC_RESTORE);
    EXPECT_FALSE(IsZoomed(hwnd_));
    test::PumpFor(50);
    ExpectClientSizeKept();

    const skin::TCaptionButton* minimise = VisibleButton(hwnd_, 2);
    ASSERT_NE(minimise, nullptr);
    Click(hwnd_, *minimise);
    EXPECT_EQ(RunPostedSystemCommand(hwnd_), SC_MINIMIZE);
    EXPECT_TRUE(IsIconic(hwnd_));
    {
        // The skin lays its caption buttons out whenever it paints: they stay where the
        // restored frame had them when nothing of the skin is painted.
        const RECT closeBefore = VisibleButton(hwnd_, 0)->rect;
        SendMessageW(hwnd_, WM_NCACTIVATE, TRUE, 0);
        SendMessageW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Skinned"));
        EXPECT_TRUE(EqualRect(&VisibleButton(hwnd_, 0)->rect, &closeBefore)) << "painted while minimised";
    }
    ShowWindow(hwnd_, SW_RESTORE);
    test::PumpFor(50);

    const skin::TCaptionButton* close = VisibleButton(hwnd_, 0);
    ASSERT_NE(close, nullptr);
    Click(hwnd_, *close);
    EXPECT_TRUE(PumpUntil([this] { return !IsWindowVisible(hwnd_); })) << "close";
    EXPECT_EQ(closed, 1);

    ShowSkinned();
    const skin::TCaptionButton* icon = VisibleButton(hwnd_, 3);
    ASSERT_NE(icon, nullptr);
    const LPARAM centre = ScreenCentre(hwnd_, icon->rect);
    const POINT onIcon{static_cast<short>(LOWORD(centre)), static_cast<short>(HIWORD(centre))};
    {
        // The first click opens the system menu, the second closes the window.
        SecondClick second(onIcon);
        MenuWatch watch(1500);
        InputClick(onIcon);
        EXPECT_TRUE(PumpUntil([this] { return !IsWindowVisible(hwnd_); }, 4000)) << "double click on the icon";
        EXPECT_TRUE(SecondClick::given) << "the first click opened the system menu";
    }
    EXPECT_EQ(closed, 2);
}

// A held caption button shows pressed only while the pointer is over it; any release ends
// the press, and only a release over the button runs its action.
TEST_F(SkinnedWindowTest, HeldCaptionButtonFollowsThePointerUntilAnyRelease) {
    ShowSkinned();
    const skin::TCaptionButton* close = VisibleButton(hwnd_, 0);
    ASSERT_NE(close, nullptr);
    const LPARAM onButton = ScreenCentre(hwnd_, close->rect);
    POINT overButton{static_cast<short>(LOWORD(onButton)), static_cast<short>(HIWORD(onButton))};
    ScreenToClient(hwnd_, &overButton);
    const LPARAM clientOver = MAKELPARAM(overButton.x, overButton.y), clientAway = MAKELPARAM(40, 40);

    SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, onButton);
    EXPECT_EQ(close->state, skin::TNCObject::kPressed);
    ASSERT_EQ(GetCapture(), hwnd_) << "the pointer's messages come to the window while the button is held";
    SendMessageW(hwnd_, WM_MOUSEMOVE, MK_LBUTTON, clientAway);
    EXPECT_EQ(close->state, skin::TNCObject::kNormal) << "the pointer left the held button";
    SendMessageW(hwnd_, WM_MOUSEMOVE, MK_LBUTTON, clientOver);
    EXPECT_EQ(close->state, skin::TNCObject::kPressed) << "the pointer is back over the held button";
    SendMessageW(hwnd_, WM_MOUSEMOVE, MK_LBUTTON, clientAway);
    SendMessageW(hwnd_, WM_LBUTTONUP, 0, clientAway);
    EXPECT_EQ(close->state, skin::TNCObject::kNormal);
    EXPECT_EQ(GetCapture(), nullptr);
    // A later drag from the client area that ends over the button.
    SendMessageW(hwnd_, WM_NCLBUTTONUP, HTCAPTION, onButton);
    EXPECT_EQ(RunPostedSystemCommand(hwnd_), 0u) << "a release away from the button ended its press";

    SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, onButton);
    ReleaseCapture();
    EXPECT_EQ(close->state, skin::TNCObject::kNormal) << "losing the capture ends the press";
    SendMessageW(hwnd_, WM_NCLBUTTONUP, HTCAPTION, onButton);
    EXPECT_EQ(RunPostedSystemCommand(hwnd_), 0u);

    SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, onButton);
    SendMessageW(hwnd_, WM_LBUTTONUP, 0, clientOver);
    EXPECT_EQ(RunPostedSystemCommand(hwnd_), SC_CLOSE) << "a release over the held button";
}

TEST_F(SkinnedWindowTest, RegionFollowsTheMagentaCornersAndTheSize) {
    const TSkinnedWindow& skinned = ShowSkinned();
    auto check = [&](const char* when) {
        RECT wr;
        GetWindowRect(hwnd_, &wr);
        const int width = wr.right - wr.left, height = wr.bottom - wr.top;
        const win::GdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetWindowRgn(hwnd_, region.Get()), ERROR) << when;
        const int captionY = skinned.Borders().top / 2;
        EXPECT_FALSE(PtInRegion(region.Get(), 0, 0)) << when;
        EXPECT_FALSE(PtInRegion(region.Get(), width - 1, 0)) << when;
        EXPECT_TRUE(PtInRegion(region.Get(), width / 2, captionY)) << when;
        EXPECT_TRUE(PtInRegion(region.Get(), width - skinned.Borders().right - 1, captionY)) << when;
        EXPECT_TRUE(PtInRegion(region.Get(), width / 2, height - 1)) << when;
    };
    check("as skinned");
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left + 150, wr.bottom - wr.top + 40,
                 SWP_NOMOVE | SWP_NOZORDER);
    test::PumpFor(50);
    check("after growing");
}

namespace {

constexpr wchar_t kBoxCaption[] = L"Kelo leak test";

// Closes the message box of the leak test from a thread timer, noting whether it was
// skinned while it was open.
struct BoxWatch {
    static inline bool skinned = false;
    UINT_PTR timer;
    BoxWatch() : timer(SetTimer(nullptr, 0, 30, &Tick)) { skinned = false; }
    ~BoxWatch() { KillTimer(nullptr, timer); }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = FindWindowW(L"#32770", kBoxCaption);
        if (!box) return;
        if (FullySkinned(box)) skinned = true;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
};

}  // namespace

// 8 rounds of a dialog-like form, a message box and 23 popup menus open and close 200
// windows. The dialogs and boxes take two seconds each to hide under Wine, so they are
// the fewer: the test stays near 40 s.
TEST_F(SkinnedWindowTest, OpeningAndClosingWindowsLeavesNothingBehind) {
    constexpr int kRounds = 8, kPopupsPerRound = 23;
    ShowSkinned();
    auto* popup = form_->Find<win::TPopupMenu>("PopupMenu1");
    ASSERT_NE(popup, nullptr);
    int dialogsSkinned = 0, popupsSkinned = 0, boxesSkinned = 0;
    auto round = [&](int popups) {
        {
            win::TForm dialog(nullptr);
            dialog.LoadFromDescription(kDialogDescription);
            dialog.Show();
            const HWND hwnd = dialog.Handle();
            if (PumpUntil([hwnd] { return FullySkinned(hwnd); })) ++dialogsSkinned;
        }
        for (int i = 0; i < popups; ++i) {
            MenuWatch watch(20);
            popup->Popup(200 + i, 200);
            if (MenuWatch::popupSkins > 0) ++popupsSkinned;
        }
        {
            BoxWatch watch;
            MessageBoxW(hwnd_, L"Skinned while it is open.", kBoxCaption, MB_OK);
            if (BoxWatch::skinned) ++boxesSkinned;
        }
        test::PumpFor(5);
    };
    round(1);  // what is made once and kept is made now
    TSkinManager& manager = *TSkinManager::Instance();
    const long wrapped = win::LiveGdiObjects();
    const DWORD system = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const size_t windows = manager.SkinnedWindowCount(), popups = manager.PopupSkinCount();
    dialogsSkinned = popupsSkinned = boxesSkinned = 0;
    for (int i = 0; i < kRounds; ++i) round(kPopupsPerRound);

    EXPECT_EQ(dialogsSkinned, kRounds);
    EXPECT_EQ(popupsSkinned, kRounds * kPopupsPerRound);
    EXPECT_EQ(boxesSkinned, kRounds);
    EXPECT_EQ(win::LiveGdiObjects(), wrapped);
    if (system) EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), system + 5);
    EXPECT_EQ(manager.SkinnedWindowCount(), windows);
    EXPECT_EQ(manager.PopupSkinCount(), popups);
}

// The controls of a skinned window wear control skins that go with their controls and come
// off with the window's skin, giving each control its own procedure back.
// A form that opens behind one of the program's message boxes (the notice at start under
// a limit's alarm) is never activated while the box is up; it wears the skin all the same.
TEST_F(SkinnedWindowTest, AFormShownBehindAMessageBoxWearsTheSkin) {
    ShowSkinned();
    win::TForm form(nullptr);
    form.LoadFromDescription(kDialogDescription);
    static win::TForm* dialog;
    static bool skinned;
    dialog = &form;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        dialog->Show();
        skinned = PumpUntil([] { return FullySkinned(dialog->Handle()); }, 500);
        PostMessageW(FindWindowW(L"#32770", kBoxCaption), WM_COMMAND, IDOK, 0);
    });
    MessageBoxW(hwnd_, L"In front.", kBoxCaption, MB_OK);
    EXPECT_TRUE(skinned);
}

TEST_F(SkinnedWindowTest, ControlSkinsGoWithTheirControlsAndComeOffWithTheWindowsSkin) {
    ShowSkinned();
    auto dialog = std::make_unique<win::TForm>(nullptr);
    dialog->LoadFromDescription(kDialogDescription);
    dialog->Show();
    const HWND hwnd = dialog->Handle();
    ASSERT_TRUE(PumpUntil([hwnd] { return FullySkinned(hwnd); }));
    TSkinnedWindow& window = *Skinned(hwnd);
    auto* edit = dialog->Find<win::TWinControl>("Edit1");
    auto* button = dialog->Find<win::TWinControl>("Button1");
    const HWND editWindow = edit->Handle(), buttonWindow = button->Handle();
    ASSERT_TRUE(win::HasSubclass(editWindow, win::SubclassId::Skin));
    ASSERT_TRUE(win::HasSubclass(buttonWindow, win::SubclassId::Skin));
    const size_t skins = window.ControlSkins().size();

    // The mouse over the button makes it the window's hot control; the button goes.
    SendMessageW(buttonWindow, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_NE(window.HotControl(), nullptr);
    delete button;
    EXPECT_EQ(window.ControlSkins().size(), skins - 1);
    EXPECT_EQ(window.HotControl(), nullptr);

    source_->SetActive(false);
    EXPECT_TRUE(PumpUntil([editWindow] { return !win::HasSubclass(editWindow, win::SubclassId::Skin); }));
    SetWindowTextW(editWindow, L"still an edit");
    EXPECT_EQ(edit->Caption(), L"still an edit");
}

// A skin file loaded at run time replaces the skin under a skinned window: nothing of the
// window points into the old skin once it is gone, and the frame is rebuilt from the new.
TEST_F(SkinnedWindowTest, SkinFileAtRunTimeRebuildsTheFrameFromTheNewSkin) {
    TSkinnedWindow& window = ShowSkinned();
    const skin::SkinData* before = source_->Skin();
    test::TempDir dir;
    const std::string path = dir.Path() + "other.skn";
    { std::ofstream(path, std::ios::binary) << test::EmbeddedSkinFile(); }
    source_->SetSkinFile(std::wstring(path.begin(), path.end()));
    ASSERT_NE(source_->Skin(), before);
    EXPECT_TRUE(window.CaptionButtons().empty()) << "buttons of the old skin were kept";
    SendMessageW(hwnd_, WM_NCPAINT, 1, 0);  // a paint while the change is pending
    TSkinManager::Instance()->RunPendingAction();
    const auto& elements = source_->Skin()->captionButtons;
    ASSERT_FALSE(window.CaptionButtons().empty());
    for (const auto& button : window.CaptionButtons()) {
        const auto* element = &button->element;
        EXPECT_TRUE(element >= elements.data() && element < elements.data() + elements.size());
    }
    const RECT insets = FrameInsets(hwnd_);
    EXPECT_EQ(insets.left, 5);
    EXPECT_EQ(insets.top, 29 + GetSystemMetrics(SM_CYMENU));
    ExpectClientSizeKept();
}

// What the walker chooses besides a skin happens to the controls: the status bar loses its
// grip, a group box's children stop following its colour, a tool bar goes flat. A form
// that the skinned one owns is a window of its own, not a part to walk.
TEST_F(SkinnedWindowTest, WalkerSetsThePropertiesItChoseOnTheControls) {
    auto* window = new win::TForm(form_.get());
    window->LoadFromDescription(kContainersDescription);
    auto* toolBar = new TToolBar(window);
    toolBar->SetParent(window);
    EXPECT_TRUE(ShowSkinned().ControlSkins().empty());
    window->Show();
    const HWND hwnd = window->Handle();
    ASSERT_TRUE(PumpUntil([hwnd] { return FullySkinned(hwnd); }));
    auto* statusBar = window->Find<win::TStatusBar>("StatusBar1");
    EXPECT_FALSE(statusBar->SizeGrip());
    EXPECT_EQ(GetWindowLongW(statusBar->Handle(), GWL_STYLE) & SBARS_SIZEGRIP, 0);
    EXPECT_FALSE(window->Find<win::TControl>("Label1")->ParentColor());
    EXPECT_TRUE(toolBar->flat);
}

namespace {

// Counts the paints of the frame and of the client area.
struct PaintCount : win::SubclassHook {
    int frame = 0, client = 0;
    bool Handle(HWND, UINT msg, WPARAM, LPARAM, LRESULT&) override {
        if (msg == WM_NCPAINT) ++frame;
        if (msg == WM_PAINT || msg == WM_ERASEBKGND) ++client;
        return false;
    }
};

}  // namespace

// The frame is painted from the moment the skin attaches, before the deferred finish. Once
// skinned, a new size paints the frame once with its new region and leaves the client area
// alone; the frame that a larger region uncovers is painted all the same.
TEST_F(SkinnedWindowTest, FrameShowsFromAttachAndANewSizePaintsOnlyTheFrameOnce) {
    form_->Show();
    const TSkinnedWindow* attached = Skinned(hwnd_);
    ASSERT_NE(attached, nullptr);
    ASSERT_EQ(attached->State(), TSkinnedWindow::kCreated);
    const skin::TCaptionButton* close = VisibleButton(hwnd_, 0);
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(IsRectEmpty(&close->rect)) << "the caption with its buttons is drawn";

    ASSERT_TRUE(PumpUntil([this] { return FullySkinned(hwnd_); }));
    test::PumpFor(50);
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    const SIZE smaller{wr.right - wr.left - 20, wr.bottom - wr.top - 10};
    PaintCount count;
    win::AttachSubclass(hwnd_, win::SubclassId::TestHook, &count);
    SetWindowPos(hwnd_, nullptr, 0, 0, smaller.cx, smaller.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(hwnd_);
    win::DetachSubclass(hwnd_, win::SubclassId::TestHook);
    const win::GdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(hwnd_, region.Get()), ERROR);
    RECT box;
    GetRgnBox(region.Get(), &box);
    EXPECT_EQ(box.right, smaller.cx);
    EXPECT_EQ(box.bottom, smaller.cy);
    EXPECT_EQ(count.frame, 1);
    EXPECT_EQ(count.client, 0);

    const SIZE larger{smaller.cx + 60, smaller.cy + 40};
    SetWindowPos(hwnd_, nullptr, 0, 0, larger.cx, larger.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(hwnd_);
    const POINT edges[] = {{larger.cx / 2, larger.cy - 2}, {larger.cx - 2, larger.cy / 2}};
    COLORREF shown[2];
    {
        const win::NonClientDC dc(hwnd_);
        for (int i = 0; i < 2; ++i) shown[i] = GetPixel(dc.Get(), edges[i].x, edges[i].y);
    }
    SendMessageW(hwnd_, WM_NCPAINT, 1, 0);
    const win::NonClientDC dc(hwnd_);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(shown[i], GetPixel(dc.Get(), edges[i].x, edges[i].y)) << i;
}
