// The mini window settings dialog acting on a real mini window and a real file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "SetupDialogsSupport.h"
#include "TestSupport.h"
#include "windows/Globals.h"
#include "framework/Application.h"
#include "framework/Graphics.h"
#include "framework/WinFileStore.h"
#include "windows/DropFrm.h"
#include "windows/DropSetupFrm.h"

using namespace kelo;
using app::TFrmDrop;
using app::TFrmDropSetup;

namespace {

const char* const kLabels[] = {"lblStr1", "Label1", "lblStr2", "Label2"};
constexpr int kCustomEntry = 42;  // Default, 16 basic and 25 system colours come first
constexpr int kLimeEntry = 11;
constexpr int kNavyEntry = 5;

class SetupMiniWindow : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        win::Application().SetTitle(test::kDialogTestTitle);
    }
    void TearDown() override {
        app::FrmDrop = nullptr;
        dialogs_.clear();
        minis_.clear();
        test::DrainMessages();
    }

    // A new mini window from the file, made the current one.
    TFrmDrop& NewMiniWindow() {
        app::DropContext context;
        context.appDir = dir.Path();
        minis_.emplace_back(TFrmDrop::Create(nullptr, context));
        app::FrmDrop = minis_.back().get();
        return *minis_.back();
    }
    TFrmDropSetup& Open(bool show = false) {
        dialogs_.emplace_back(new TFrmDropSetup(nullptr, dir.Path()));
        if (show) dialogs_.back()->Show();
        return *dialogs_.back();
    }
    void WriteIni(const std::string& bytes) { files.Replace(IniPath(), bytes); }
    std::string Ini() const { return test::ReadFileBytes(IniPath()); }
    std::string IniPath() const { return dir.Path() + "Kelo.ini"; }

    template <class T>
    static T& Get(win::TCustomForm& form, const char* name) {
        T* c = form.Find<T>(name);
        if (!c) throw std::runtime_error(std::string("no ") + name);
        return *c;
    }
    static HWND Hwnd(win::TCustomForm& form, const char* name) {
        return Get<win::TWinControl>(form, name).Handle();
    }
    static const win::TFont& Preview(TFrmDropSetup& d) { return Get<win::TPanel>(d, "MemoTest").Font(); }
    // Every label of the mini window has the same look; each is checked.
    static void ExpectLabels(TFrmDrop& mini, TColor color, unsigned style) {
        for (const char* name : kLabels) {
            const win::TFont& font = Get<win::TLabel>(mini, name).Font();
            EXPECT_EQ(font.Color(), color) << name;
            EXPECT_EQ(font.Style(), style) << name;
        }
    }

    test::TempDir dir;
    win::WinFileStore files;
    test::MessageBoxCloser closer{test::kDialogTestTitle};
    std::vector<std::unique_ptr<TFrmDropSetup>> dialogs_;
    std::vector<std::unique_ptr<TFrmDrop>> minis_;
};

}  // namespace

TEST_F(SetupMiniWindow, IsAFixedDialogAtItsPlaceWithTheLayoutsControls) {
    NewMiniWindow();
    TFrmDropSetup& d = Open();
    HWND hwnd = d.Handle();
    EXPECT_EQ(test::WindowText(hwnd), L"拖放窗口设置");
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE((style & (WS_SYSMENU | WS_MINIMIZEBOX)) == (WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(window.left, 282);
    EXPECT_EQ(window.top, 270);
    EXPECT_EQ(client.right, 443);
    EXPECT_EQ(client.bottom, 235);
    const test::Placement windows[] = {
        {"btnOK", 16, 200, 83, 31},         {"gboxBasic", 16, 8, 413, 179},
        {"gboxFont", 12, 18, 387, 103},     {"cboxFont", 68, 14, 145},
        {"cboxFontStyle", 68, 43, 145},     {"cboxColor", 68, 72, 145},
        {"MemoTest", 220, 14, 155, 77},     {"gboxTransparence", 12, 124, 387, 47},
        {"edtTransparence", 84, 16, 121, 20}, {"udnTransparence", 205, 16, 15, 20},
        {"cboxFormColor", 282, 16, 99},     {"btnCancel", 182, 200, 83, 31},
        {"btnDefault", 348, 200, 83, 31}};
    for (const auto& p : windows) test::ExpectPlacedWindow(d, p);
    const test::Placement labels[] = {{"lblFont", 12, 18}, {"lblFontStyle", 12, 48},
                                      {"lblFontColor", 12, 78}, {"lblTransparence", 12, 20},
                                      {"lblFormColor", 226, 20}};
    for (const auto& p : labels) test::ExpectPlacedLabel(d, p);
    EXPECT_EQ(GetParent(Hwnd(d, "cboxFont")), Hwnd(d, "gboxFont"));
    EXPECT_EQ(GetParent(Hwnd(d, "gboxFont")), Hwnd(d, "gboxBasic"));
    EXPECT_EQ(Get<win::TComboBox>(d, "cboxFontStyle").Items(),
              (std::vector<std::wstring>{L"标准", L"粗体", L"斜体", L"下划线"}));
    auto& preview = Get<win::TPanel>(d, "MemoTest");
    EXPECT_EQ(preview.Caption(), L"这是一个测试");
    EXPECT_EQ(preview.Color(), clWhite);
    const auto& upDown = Get<win::TUpDown>(d, "udnTransparence");
    EXPECT_EQ(upDown.Min(), 1);
    EXPECT_EQ(upDown.Max(), 255);
    EXPECT_EQ(test::WindowText(Hwnd(d, "btnDefault")), L"使用默认值");
}

TEST_F(SetupMiniWindow, TabGoesThroughThePickersTheBoxAndTheButtons) {
    NewMiniWindow();
    TFrmDropSetup& d = Open();
    const char* order[] = {"cboxFont", "cboxFontStyle", "cboxColor", "edtTransparence",
                           "cboxFormColor", "btnOK", "btnCancel", "btnDefault", "cboxFont"};
    test::ExpectTabOrder(d, order);
}

// Without stored values the dialog starts from the mini window's own look: opening it
// changes nothing there (the green text once turned black on its black panel).
TEST_F(SetupMiniWindow, WithoutSettingsTheDialogStartsFromTheMiniWindowsLook) {
    TFrmDrop& mini = NewMiniWindow();
    ExpectLabels(mini, clLime, 0);
    TFrmDropSetup& d = Open();
    ExpectLabels(mini, clLime, 0);
    EXPECT_EQ(mini.FormColor(), clBlack);
    EXPECT_EQ(mini.Opacity(), 150);
    EXPECT_EQ(Preview(d).Color(), clLime);
    EXPECT_EQ(Preview(d).Height(), -12) << "9 points";
    EXPECT_EQ(Preview(d).Style(), 0u);
    EXPECT_EQ(Get<win::TComboBox>(d, "cboxFontStyle").ItemIndex(), 0);
    EXPECT_EQ(test::WindowText(Hwnd(d, "edtTransparence")), L"150");
    EXPECT_FALSE(test::FileExists(IniPath()));
}

// A dialog opened as the program opens it is freed when it is closed.
TEST_F(SetupMiniWindow, AClosedDialogGoesAndOpeningsAddUpToNothing) {
    NewMiniWindow();
    auto round = [this] {
        TFrmDropSetup* d = TFrmDropSetup::Open(nullptr, dir.Path());
        const HWND hwnd = d->Handle();
        test::ClickButton(Hwnd(*d, "btnCancel"));
        test::DrainMessages();
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(app::FrmDropSetup, nullptr);
    };
    round();
    const long gdi = win::LiveGdiObjects();
    for (int i = 0; i < 3; ++i) round();
    EXPECT_EQ(win::LiveGdiObjects(), gdi);
}

TEST_F(SetupMiniWindow, OpeningShowsTheStoredLookAndAppliesItsColoursAndOpacity) {
    WriteIni("[DropForm]\r\nFontStyle=2\r\nFontColor=255\r\nTransparence=200\r\n"
             "FormColor=65535\r\n");
    TFrmDrop& mini = NewMiniWindow();
    mini.SetOpacity(150);
    TFrmDropSetup& d = Open();
    EXPECT_EQ(Get<win::TComboBox>(d, "cboxFontStyle").ItemIndex(), 2);
    EXPECT_EQ(Preview(d).Style(), static_cast<unsigned>(win::fsItalic));
    EXPECT_EQ(Preview(d).Color(), clRed);
    EXPECT_EQ(test::WindowText(Hwnd(d, "edtTransparence")), L"200");
    // The stored style reached the window when it was made; the dialog leaves it.
    ExpectLabels(mini, clRed, win::fsItalic);
    EXPECT_EQ(mini.FormColor(), clYellow);
    EXPECT_EQ(mini.Opacity(), 200);
}

TEST_F(SetupMiniWindow, UnderlineShowsAtOnceAndIsStoredForTheNextMiniWindow) {
    TFrmDrop& mini = NewMiniWindow();
    TFrmDropSetup& d = Open(true);
    test::ChooseInCombo(Hwnd(d, "cboxFontStyle"), 3);
    ExpectLabels(mini, clLime, win::fsUnderline);
    EXPECT_EQ(Preview(d).Style(), static_cast<unsigned>(win::fsUnderline));
    EXPECT_FALSE(test::FileExists(IniPath()));
    test::ClickButton(Hwnd(d, "btnOK"));
    EXPECT_FALSE(IsWindowVisible(d.Handle()));
    const std::string ini = Ini();
    EXPECT_NE(ini.find("\r\nFontStyle=3\r\n"), std::string::npos) << ini;
    ExpectLabels(NewMiniWindow(), clLime, win::fsUnderline);
}

TEST_F(SetupMiniWindow, OkWritesTheFiveKeysInOrder) {
    WriteIni("[Setup]\r\nSetupBool=0\r\n");
    NewMiniWindow();
    TFrmDropSetup& d = Open(true);
    test::ChooseInCombo(Hwnd(d, "cboxFontStyle"), 1);
    test::ChooseInCombo(Hwnd(d, "cboxColor"), kLimeEntry);
    test::ChooseInCombo(Hwnd(d, "cboxFormColor"), kNavyEntry);
    SetWindowTextW(Hwnd(d, "edtTransparence"), L"99");
    EXPECT_EQ(Get<controls::TFontComboBox>(d, "cboxFont").FontName(), L"宋体");
    // Enter in the box accepts the dialog, as 确定 does.
    MSG enter{Hwnd(d, "edtTransparence"), WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    IsDialogMessageW(d.Handle(), &enter);
    EXPECT_EQ(Ini(), "[Setup]\r\nSetupBool=0\r\n\r\n[DropForm]\r\nFontName=\xCB\xCE\xCC\xE5\r\n"
                     "FontStyle=1\r\nFontColor=65280\r\nTransparence=99\r\nFormColor=8388608\r\n");
}

TEST_F(SetupMiniWindow, DefaultsKeepThePreviewsAndTheMiniWindowsStyle) {
    WriteIni("[DropForm]\r\nFontColor=255\r\nTransparence=90\r\nFormColor=65535\r\n");
    TFrmDrop& mini = NewMiniWindow();
    TFrmDropSetup& d = Open(true);
    test::ChooseInCombo(Hwnd(d, "cboxFontStyle"), 3);
    const std::string before = Ini();
    test::ClickButton(Hwnd(d, "btnDefault"));
    EXPECT_EQ(Get<win::TComboBox>(d, "cboxFontStyle").ItemIndex(), 0);
    EXPECT_EQ(Preview(d).Style(), static_cast<unsigned>(win::fsUnderline));
    ExpectLabels(mini, clLime, win::fsUnderline);
    EXPECT_EQ(Preview(d).Color(), clLime);
    EXPECT_EQ(mini.FormColor(), clBlack);
    EXPECT_EQ(mini.Opacity(), 150);
    EXPECT_EQ(test::WindowText(Hwnd(d, "edtTransparence")), L"150");
    EXPECT_EQ(Ini(), before) << "the defaults are not stored";
}

TEST_F(SetupMiniWindow, CancelLeavesTheNewColoursOnTheWindowAndTheOldOnesInTheFile) {
    const std::string before = "[DropForm]\r\nFontColor=255\r\nFormColor=0\r\n";
    WriteIni(before);
    TFrmDrop& mini = NewMiniWindow();
    TFrmDropSetup& d = Open(true);
    test::ChooseInCombo(Hwnd(d, "cboxColor"), kLimeEntry);
    test::ChooseInCombo(Hwnd(d, "cboxFormColor"), kNavyEntry);
    ExpectLabels(mini, clLime, 0);
    EXPECT_EQ(Preview(d).Color(), clLime);
    EXPECT_EQ(mini.FormColor(), clNavy);
    test::ClickButton(Hwnd(d, "btnCancel"));
    EXPECT_FALSE(IsWindowVisible(d.Handle()));
    ExpectLabels(mini, clLime, 0);
    EXPECT_EQ(mini.FormColor(), clNavy);
    EXPECT_EQ(Ini(), before);
    TFrmDrop& next = NewMiniWindow();
    ExpectLabels(next, clRed, 0);
    EXPECT_EQ(next.FormColor(), clBlack);
}

TEST_F(SetupMiniWindow, OpacityFollowsOnlyWholeNumbersFromOneTo255) {
    TFrmDrop& mini = NewMiniWindow();
    TFrmDropSetup& d = Open(true);
    HWND box = Hwnd(d, "edtTransparence");
    SetWindowTextW(box, L"80");
    EXPECT_EQ(mini.Opacity(), 80);
    for (const wchar_t* bad : {L"0", L"256", L"abc", L"", L"-5"}) {
        SetWindowTextW(box, bad);
        EXPECT_EQ(mini.Opacity(), 80) << win::Narrow(bad);
    }
    SetWindowTextW(box, L"255");
    EXPECT_EQ(mini.Opacity(), 255);
    test::PressKey(box, VK_UP);
    EXPECT_EQ(test::WindowText(box), L"255") << "the arrows stop at the top";
    SetWindowTextW(box, L"2");
    test::PressKey(box, VK_DOWN);
    test::PressKey(box, VK_DOWN);
    EXPECT_EQ(test::WindowText(box), L"1");
    EXPECT_EQ(mini.Opacity(), 1);
    SetWindowTextW(box, L"x");
    test::ClickButton(Hwnd(d, "btnOK"));
    EXPECT_NE(Ini().find("\r\nTransparence=1\r\n"), std::string::npos) << Ini();
}

TEST_F(SetupMiniWindow, AFontThatIsNotInstalledStoresTheDefaultFamily) {
    WriteIni("[DropForm]\r\nFontName=No Such Family Kelo\r\n");
    NewMiniWindow();
    TFrmDropSetup& d = Open();
    test::ClickButton(Hwnd(d, "btnOK"));
    EXPECT_NE(Ini().find("\r\nFontName=\xCB\xCE\xCC\xE5\r\n"), std::string::npos) << Ini();
}

TEST_F(SetupMiniWindow, ACustomFontColourFromTheColourDialogIsStored) {
    TFrmDrop& mini = NewMiniWindow();
    TFrmDropSetup& d = Open(true);
    HWND picker = Hwnd(d, "cboxColor");
    {
        test::ColorDialogAnswer answer(d.Handle(), 10, 20, 30);
        test::ChooseInCombo(picker, kCustomEntry);
        EXPECT_TRUE(answer.Seen()) << "choosing Custom opens the colour dialog";
        EXPECT_EQ(answer.Initial(), RGB(0, 0, 0)) << "it starts from the custom entry's colour";
    }
    ExpectLabels(mini, clBlack, 0);  // the entry's colour before the dialog
    test::ClickButton(Hwnd(d, "btnOK"));
    EXPECT_NE(Ini().find("\r\nFontColor=1971210\r\n"), std::string::npos) << Ini();
    ExpectLabels(NewMiniWindow(), RGB(10, 20, 30), 0);
}

TEST_F(SetupMiniWindow, EveryDialogActsOnTheCurrentMiniWindow) {
    TFrmDrop& first = NewMiniWindow();
    TFrmDropSetup& a = Open(true);
    TFrmDropSetup& b = Open(true);
    TFrmDrop& second = NewMiniWindow();
    test::ChooseInCombo(Hwnd(a, "cboxFormColor"), kNavyEntry);
    EXPECT_EQ(second.FormColor(), clNavy);
    EXPECT_EQ(first.FormColor(), clBlack);
    SetWindowTextW(Hwnd(b, "edtTransparence"), L"42");
    EXPECT_EQ(second.Opacity(), 42);
    EXPECT_EQ(first.Opacity(), 150);
}

TEST_F(SetupMiniWindow, AnotherFamilyShowsPlainInWindowTextAndReachesTheMiniWindow) {
    WriteIni("[DropForm]\r\nFontStyle=1\r\nFontColor=255\r\n");
    TFrmDrop& mini = NewMiniWindow();
    TFrmDropSetup& d = Open(true);
    auto& picker = Get<controls::TFontComboBox>(d, "cboxFont");
    int other = 0;
    while (other < picker.ItemCount() && picker.ItemText(other) == L"宋体") ++other;
    ASSERT_LT(other, picker.ItemCount()) << "another family is installed";
    const std::wstring family = picker.ItemText(other);
    test::ChooseInCombo(picker.Handle(), other);
    EXPECT_EQ(Preview(d).Name(), family);
    EXPECT_EQ(Preview(d).Color(), clWindowText);
    EXPECT_EQ(Preview(d).Style(), 0u);
    EXPECT_EQ(Preview(d).Height(), -12);
    EXPECT_EQ(Get<win::TComboBox>(d, "cboxFontStyle").ItemIndex(), 1) << "the lists keep their choice";
    for (const char* name : kLabels) EXPECT_EQ(Get<win::TLabel>(mini, name).Font().Name(), family);
    ExpectLabels(mini, clRed, win::fsBold);
    test::ClickButton(Hwnd(d, "btnOK"));
    EXPECT_NE(Ini().find("[DropForm]\r\nFontStyle=1\r\nFontColor=255\r\nFontName=" +
                         win::Narrow(family) + "\r\n"),
              std::string::npos)
        << Ini() << " (an ASCII family name)";
}
