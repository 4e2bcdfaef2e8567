#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/IniFile.h"
#include "framework/Subclass.h"
#include "windows/DropFrm.h"

using namespace kelo;
using app::TFrmDrop;

namespace {

constexpr const wchar_t* kTitle = L"KeloDropFrmTest";

// The rest of the program as the mini window sees it.
class DropFrm : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        win::Application().SetTitle(kTitle);
    }

    app::DropContext Context() {
        app::DropContext c;
        c.currentMiniWindow = [this] { return current; };
        c.mainWindowShowing = [this] { return mainShowing; };
        c.setMainWindowVisible = [this](bool visible) {
            mainVisibleCalls.push_back(visible);
            mainShowing = visible;
        };
        c.openDropSetup = [this](TFrmDrop* owner) { setupOwners.push_back(owner); };
        c.appDir = dir.Path();
        return c;
    }

    std::unique_ptr<TFrmDrop> Make() {
        return std::unique_ptr<TFrmDrop>(TFrmDrop::Create(nullptr, Context()));
    }

    void Setting(const std::string& key, const std::string& value) {
        win::TIniFile(dir.Path() + "Kelo.ini").WriteString("DropForm", key, value);
    }

    static win::TLabel* Label(TFrmDrop& form, const char* name) {
        return form.Find<win::TLabel>(name);
    }
    static void Click(TFrmDrop& form, const char* item) {
        form.Find<win::TMenuItem>(item)->Click();
    }
    static POINT Position(TFrmDrop& form) {
        RECT r;
        GetWindowRect(form.Handle(), &r);
        return {r.left, r.top};
    }
    static BYTE Alpha(TFrmDrop& form) {
        BYTE alpha = 0;
        DWORD flags = 0;
        if (!GetLayeredWindowAttributes(form.Handle(), nullptr, &alpha, &flags)) return 0;
        return (flags & LWA_ALPHA) ? alpha : 255;
    }
    static bool Layered(TFrmDrop& form) {
        return (GetWindowLongW(form.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    }

    test::TempDir dir;
    TFrmDrop* current = nullptr;
    bool mainShowing = true;
    std::vector<bool> mainVisibleCalls;
    std::vector<TFrmDrop*> setupOwners;
};

const char* const kLabels[] = {"lblStr1", "Label1", "lblStr2", "Label2"};

// Takes the window's system commands instead of the system's move loop.
class SysCommandSpy : public win::SubclassHook {
public:
    explicit SysCommandSpy(HWND hwnd) : hwnd_(hwnd) {
        win::AttachSubclass(hwnd, win::SubclassId::TestHook, this);
    }
    ~SysCommandSpy() override { win::DetachSubclass(hwnd_, win::SubclassId::TestHook); }
    bool Handle(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (msg != WM_SYSCOMMAND) return false;
        commands.emplace_back(wParam, lParam);
        result = 0;
        return true;
    }
    std::vector<std::pair<WPARAM, LPARAM>> commands;

private:
    HWND hwnd_;
};

}  // namespace

TEST_F(DropFrm, IsABorderlessTopmostToolWindowOwnedByTheDesktop) {
    auto form = Make();
    HWND hwnd = form->Handle();
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(test::WindowText(hwnd), L"");
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU));
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    // Made with the desktop as its owner, which the system records as no owner at all.
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    EXPECT_TRUE(owner == nullptr || owner == GetDesktopWindow());
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    EXPECT_STREQ(cls, L"TFrmDrop");
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 149);
    EXPECT_EQ(client.bottom, 57);
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST_F(DropFrm, StaysOnScreenWhileTheProgramIsMinimised) {
    auto form = Make();
    form->Show();
    win::Application().Minimize();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    win::Application().Restore();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(DropFrm, LayoutPlacesThePanelAndTheFourLabels) {
    auto form = Make();
    auto* panel = form->Find<win::TPanel>("pelMain");
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->BoundsRect().right, 149);
    EXPECT_EQ(panel->BoundsRect().bottom, 57);
    EXPECT_EQ(panel->BevelOuter(), win::TBevelCut::bvRaised);
    EXPECT_EQ(panel->BevelWidth(), 1);
    EXPECT_TRUE(panel->PopupMenu());
    const POINT places[] = {{8, 12}, {80, 12}, {8, 38}, {80, 38}};
    const wchar_t* texts[] = {L"本月用时:", L"00:00:00", L"本次用时:", L"00:00:00"};
    for (int i = 0; i < 4; ++i) {
        win::TLabel* label = Label(*form, kLabels[i]);
        ASSERT_TRUE(label) << kLabels[i];
        EXPECT_EQ(label->Left(), places[i].x) << kLabels[i];
        EXPECT_EQ(label->Top(), places[i].y) << kLabels[i];
        EXPECT_EQ(label->Caption(), texts[i]);
        EXPECT_EQ(label->Transparent(), i == 1) << kLabels[i];
    }
}

TEST_F(DropFrm, WithoutSettingsShowsGreenNinePointTextOnBlackAndIsOpaque) {
    auto form = Make();
    for (const char* name : kLabels) {
        const win::TFont& font = Label(*form, name)->Font();
        EXPECT_EQ(font.Color(), 65280) << name;
        EXPECT_EQ(font.Name(), L"宋体");
        EXPECT_EQ(font.Height(), -12);
        EXPECT_EQ(font.Style(), 0u);
        EXPECT_EQ(Label(*form, name)->Color(), clBlack) << "takes the panel's colour";
    }
    EXPECT_EQ(form->FormColor(), clBlack);
    EXPECT_EQ(form->Opacity(), 150);
    EXPECT_FALSE(form->Translucent());
    form->Show();
    EXPECT_TRUE(!Layered(*form) || Alpha(*form) == 255);
}

TEST_F(DropFrm, PaintsItsTextsOnThePanelColour) {
    Setting("FormColor", "8388608");  // navy
    auto form = Make();
    form->Show();
    HWND panel = form->Find<win::TPanel>("pelMain")->Handle();
    UpdateWindow(panel);
    HDC dc = GetDC(panel);
    const COLORREF inside = GetPixel(dc, 140, 30);
    int greenish = 0;
    for (int y = 12; y < 26; ++y)
        for (int x = 80; x < 130; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            if (GetGValue(c) > 128 && GetRValue(c) < 64 && GetBValue(c) < 64) ++greenish;
        }
    ReleaseDC(panel, dc);
    EXPECT_EQ(inside, RGB(0, 0, 128));
    EXPECT_GT(greenish, 10) << "the month total in green";
}

TEST_F(DropFrm, StoredFontStyleCountsFromRegular) {
    const std::pair<const char*, unsigned> cases[] = {
        {"0", 0}, {"1", win::fsBold}, {"2", win::fsItalic}, {"3", win::fsUnderline},
        {"4", win::fsStrikeOut}, {"9", 0}, {"-1", 0}, {"-2147483648", 0}};
    for (const auto& [stored, style] : cases) {
        Setting("FontStyle", stored);
        auto form = Make();
        for (const char* name : kLabels)
            EXPECT_EQ(Label(*form, name)->Font().Style(), style) << stored << " " << name;
    }
}

// A bad stored value is told at start with the rest of the file's; the mini window takes
// its default and reads the rest of its look as usual. A settings file another program
// holds is told once a run, however often the mini window reads it.
TEST_F(DropFrm, NonIntegerFontStyleTakesItsDefaultAndTheRestIsRead) {
    Setting("FontName", "Arial");
    Setting("FormColor", "255");
    Setting("FontStyle", "abc");
    Setting("FontColor", "16711680");
    mainShowing = false;
    std::unique_ptr<TFrmDrop> form;
    {
        test::MessageBoxCloser closer(kTitle);
        form = Make();
        EXPECT_EQ(closer.Count(), 0);
        const HANDLE holder = CreateFileW(win::Widen(dir.Path() + "Kelo.ini").c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        for (int i = 0; i < 3; ++i) Make();
        CloseHandle(holder);
        EXPECT_EQ(closer.Count(), 1);
    }
    EXPECT_EQ(form->Opacity(), 150);
    EXPECT_EQ(form->FormColor(), 255);
    EXPECT_EQ(form->LabelsFont().Name(), L"Arial");
    EXPECT_EQ(form->LabelsFont().Style(), 0u);
    EXPECT_EQ(form->LabelsFont().Color(), 16711680);
    EXPECT_FALSE(form->Find<win::TMenuItem>("MenuShowMain")->Checked());
    form->Show();
    form->SetMonthText("12:34:56");
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(form->MonthText(), "12:34:56");
}

TEST_F(DropFrm, OpacityOutOfItsRangeAndUnreadableValuesTakeTheirDefaults) {
    Setting("Transparence", "300");
    EXPECT_EQ(Make()->Opacity(), 150);
    Setting("Transparence", "many");
    Setting("FormColor", "dark");
    Setting("FontColor", "");
    auto form = Make();
    EXPECT_EQ(form->Opacity(), 150);
    EXPECT_EQ(form->FormColor(), clBlack);
    EXPECT_EQ(form->LabelsFont().Color(), clLime);
}

TEST_F(DropFrm, ShowingPutsItAtTheTopLeftCornerEveryTime) {
    auto form = Make();
    current = form.get();
    SetWindowPos(form->Handle(), nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    form->Show();
    EXPECT_EQ(Position(*form).x, 0);
    EXPECT_EQ(Position(*form).y, 0);
    SetWindowPos(form->Handle(), nullptr, 120, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Click(*form, "MenuDrop");
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    Click(*form, "MenuDrop");
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(Position(*form).x, 0);
    EXPECT_EQ(Position(*form).y, 0);
}

TEST_F(DropFrm, TranslucencyDrawsTheWindowWithOneAlphaValue) {
    Setting("Transparence", "60");
    auto form = Make();
    current = form.get();
    form->Show();
    form->SetTranslucent(true);
    EXPECT_TRUE(Layered(*form));
    EXPECT_EQ(Alpha(*form), 60);
    form->SetOpacity(200);
    EXPECT_EQ(Alpha(*form), 200);
    // "拖放窗口半透明显示" starts checked: off, then on with 150 whatever was stored.
    Click(*form, "MenuTrac");
    EXPECT_FALSE(form->Translucent());
    EXPECT_FALSE(Layered(*form));
    Click(*form, "MenuTrac");
    EXPECT_TRUE(form->Translucent());
    EXPECT_EQ(Alpha(*form), 150);
}

TEST_F(DropFrm, MenuActsOnTheCurrentMiniWindow) {
    auto old = Make();
    auto fresh = Make();
    current = fresh.get();
    fresh->Show();
    Click(*old, "MenuDrop");
    EXPECT_FALSE(IsWindowVisible(fresh->Handle()));
    EXPECT_FALSE(IsWindowVisible(old->Handle()));
    Click(*old, "MenuTrac");
    Click(*old, "MenuTrac");
    EXPECT_TRUE(fresh->Translucent());
    EXPECT_FALSE(old->Translucent());
    Click(*old, "MenuDropSetup");
    ASSERT_EQ(setupOwners.size(), 1u);
    EXPECT_EQ(setupOwners[0], old.get());
}

TEST_F(DropFrm, ShowMainToggleHidesTheMainWindowEvenWhenAlreadyHidden) {
    auto form = Make();
    EXPECT_TRUE(form->Find<win::TMenuItem>("MenuShowMain")->Checked());
    mainShowing = false;  // hidden by its close button meanwhile
    Click(*form, "MenuShowMain");
    Click(*form, "MenuShowMain");
    EXPECT_EQ(mainVisibleCalls, (std::vector<bool>{false, true}));

    mainShowing = false;
    auto later = Make();
    EXPECT_FALSE(later->Find<win::TMenuItem>("MenuShowMain")->Checked());
}

TEST_F(DropFrm, UnsetHooksLeaveTheMenuHarmless) {
    app::DropContext bare;
    bare.appDir = dir.Path();
    std::unique_ptr<TFrmDrop> form(TFrmDrop::Create(nullptr, bare));
    Click(*form, "MenuDropSetup");
    Click(*form, "MenuShowMain");
    Click(*form, "MenuDrop");  // acts on itself: checked at start, so it hides
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    Click(*form, "MenuDrop");
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(DropFrm, LeftPressOnPanelOrLabelMovesTheWindowByItsCaption) {
    auto form = Make();
    form->Show();
    HWND panel = form->Find<win::TPanel>("pelMain")->Handle();
    SysCommandSpy spy(form->Handle());
    SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(85, 15));   // Label1
    SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(140, 50));  // the panel
    SendMessageW(panel, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(140, 50));
    ASSERT_EQ(spy.commands.size(), 2u);
    for (const auto& [command, position] : spy.commands) {
        EXPECT_EQ(command, 0xF012u);
        EXPECT_EQ(position, 0);
    }
}

TEST_F(DropFrm, LabelsGrowToTheRightWithTheirText) {
    auto form = Make();
    win::TLabel* month = Label(*form, "Label1");
    const int before = month->Width();
    form->SetMonthText("1234:56:7");
    EXPECT_EQ(month->Left(), 80);
    EXPECT_GT(month->Width(), before);
    form->SetRunText("01:02:03");
    EXPECT_EQ(form->RunText(), "01:02:03");
}

TEST_F(DropFrm, ComesBackWhenADisplayChangeLeavesItOnNoMonitor) {
    auto form = Make();
    form->Show();
    SetWindowPos(form->Handle(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(form->Handle(), WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
    EXPECT_EQ(Position(*form).x, 40);
    SetWindowPos(form->Handle(), nullptr, -30000, -30000, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(form->Handle(), WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
    EXPECT_EQ(Position(*form).x, 0);
    EXPECT_EQ(Position(*form).y, 0);
}

TEST_F(DropFrm, CloseRequestAtExitHidesTheWindowAndPanelCanBeHidden) {
    auto form = Make();
    form->Show();
    form->SetPanelVisible(false);
    EXPECT_FALSE(form->PanelVisible());
    form->SetPanelVisible(true);
    EXPECT_TRUE(form->PanelVisible());
    form->RequestClose();
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
}
