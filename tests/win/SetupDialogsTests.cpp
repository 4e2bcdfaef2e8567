// The options dialog against real files and real controls.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <thread>

#include "SetupDialogsSupport.h"
#include "TestSupport.h"
#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/IniFile.h"
#include "framework/WinFileStore.h"
#include "windows/SetupFrm.h"

using namespace kelo;
using app::TFrmSetup;

namespace {

class SetupOptions : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        win::Application().SetTitle(test::kDialogTestTitle);
    }
    void TearDown() override { test::DrainMessages(); }

    // Showing costs the window manager a moment: only the tests that need the focus
    // or the window on screen show the dialog.
    std::unique_ptr<TFrmSetup> Make(bool show = false) {
        auto form = std::make_unique<TFrmSetup>(nullptr, dir.Path());
        if (show) form->Show();
        return form;
    }
    void WriteIni(const std::string& bytes) { files.Replace(IniPath(), bytes); }
    std::string Ini() const { return test::ReadFileBytes(IniPath()); }
    std::string IniPath() const { return dir.Path() + "Kelo.ini"; }

    template <class T>
    static T* Get(TFrmSetup& form, const char* name) {
        T* c = form.Find<T>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static HWND Hwnd(TFrmSetup& form, const char* name) {
        return Get<win::TWinControl>(form, name)->Handle();
    }
    static std::wstring Text(TFrmSetup& form, const char* name) {
        return test::WindowText(Hwnd(form, name));
    }
    static void Type(TFrmSetup& form, const char* name, const wchar_t* text) {
        SetWindowTextW(Hwnd(form, name), text);
    }
    static void Press(TFrmSetup& form, const char* name) { test::ClickButton(Hwnd(form, name)); }
    static bool Checked(TFrmSetup& form, const char* name) {
        return SendMessageW(Hwnd(form, name), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    static int Position(TFrmSetup& form, const char* name) {
        return static_cast<int>(SendMessageW(Hwnd(form, name), UDM_GETPOS32, 0, 0));
    }

    test::TempDir dir;
    win::WinFileStore files;
    test::MessageBoxCloser closer{test::kDialogTestTitle};
};

}  // namespace

TEST_F(SetupOptions, IsAFixedDialogAtItsPlaceWithTheLayoutsControls) {
    auto form = Make();
    HWND hwnd = form->Handle();
    EXPECT_EQ(test::WindowText(hwnd), L"设置");
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(window.left, 186);
    EXPECT_EQ(window.top, 63);
    EXPECT_EQ(client.right, 417);
    EXPECT_EQ(client.bottom, 427);

    const test::Placement windows[] = {
        {"edtJFDate", 176, 16, 121, 20},      {"udnMonthTime", 297, 16, 15, 20},
        {"edtTimeLimit", 176, 46, 121, 20},   {"udnTimeLimit", 297, 46, 15, 20},
        {"edtDateLimit", 176, 76, 121, 20},   {"udnDateLimit", 297, 76, 15, 20},
        {"gbxOther", 66, 114, 283, 49},       {"cbxDropTransparency", 12, 18, 121, 17},
        {"gbxOverTime", 66, 172, 283, 49},    {"cbxSound", 10, 20, 97, 17},
        {"cbxForm", 154, 20, 97, 17},         {"gbxSound", 66, 228, 283, 81},
        {"cbxDefaultSound", 10, 18, 113, 13}, {"edtSoundPath", 10, 56, 241, 20},
        {"btnOpenSound", 254, 54, 25, 23},    {"gbxConnection", 66, 316, 283, 70},
        {"rbAnyConnection", 10, 20, 89, 17},  {"rbDialUpConnection", 118, 20, 137, 17},
        {"rbNamedConnection", 10, 44, 77, 17}, {"cmbConnection", 90, 42, 185, -1},
        {"btnOK", 66, 394, 75, 27},           {"btnCancel", 171, 394, 75, 27},
        {"btnDefault", 276, 394, 75, 27}};
    for (const auto& p : windows) test::ExpectPlacedWindow(*form, p);
    const test::Placement labels[] = {{"lblJF", 68, 20}, {"lblMonthTime", 68, 50},
                                      {"lblHour1", 320, 50}, {"lblDateLimit", 68, 80},
                                      {"lblHour2", 320, 80}, {"Label1", 10, 40}};
    for (const auto& p : labels) test::ExpectPlacedLabel(*form, p);
    EXPECT_EQ(Get<win::TLabel>(*form, "lblJF")->Caption(), L"每月开始计费日期:");
    EXPECT_EQ(Get<win::TLabel>(*form, "Label1")->Caption(), L"指定声音文件路径:");
    EXPECT_EQ(Text(*form, "gbxSound"), L"声音选项");
    EXPECT_EQ(Text(*form, "btnDefault"), L"使用默认值");
    // The controls of a group are the group's own windows.
    EXPECT_EQ(GetParent(Hwnd(*form, "edtSoundPath")), Hwnd(*form, "gbxSound"));
}

TEST_F(SetupOptions, TabGoesThroughTheRowsAndSkipsTheDisabledSoundGroup) {
    auto form = Make();
    const char* order[] = {"edtJFDate", "edtTimeLimit", "edtDateLimit", "cbxDropTransparency",
                           "cbxSound", "cbxForm", "rbAnyConnection", "btnOK", "btnCancel",
                           "btnDefault", "edtJFDate"};
    test::ExpectTabOrder(*form, order);

    Press(*form, "cbxSound");
    Press(*form, "cbxDefaultSound");
    const char* withSound[] = {"cbxForm", "cbxDefaultSound", "edtSoundPath", "btnOpenSound",
                               "rbAnyConnection"};
    test::ExpectTabOrder(*form, withSound);
}

TEST_F(SetupOptions, WithoutSettingsShowsTheDefaultsAndWritesNothing) {
    auto form = Make();
    EXPECT_EQ(Text(*form, "edtJFDate"), L"21");
    EXPECT_EQ(Text(*form, "edtTimeLimit"), L"120");
    EXPECT_EQ(Text(*form, "edtDateLimit"), L"5");
    EXPECT_TRUE(Checked(*form, "cbxDropTransparency"));
    EXPECT_FALSE(Checked(*form, "cbxSound"));
    EXPECT_TRUE(Checked(*form, "cbxForm"));
    EXPECT_TRUE(Checked(*form, "cbxDefaultSound"));
    EXPECT_EQ(Text(*form, "edtSoundPath"), L"");
    EXPECT_FALSE(IsWindowEnabled(Hwnd(*form, "gbxSound")));
    EXPECT_FALSE(IsWindowEnabled(Hwnd(*form, "edtSoundPath")));
    EXPECT_FALSE(IsWindowEnabled(Hwnd(*form, "btnOpenSound")));
    Press(*form, "btnCancel");
    EXPECT_FALSE(test::FileExists(IniPath()));
}

TEST_F(SetupOptions, ShowsTheStoredNumbersInTheBoxesAndOnTheArrows) {
    WriteIni("[Setup]\r\nStart=15\r\nMonthDate=200\r\nDate=0\r\n"
             "SoundPath=D:\\\xC9\xF9\xD2\xF4\\a.wav\r\n");  // GBK on disk
    auto form = Make();
    EXPECT_EQ(Text(*form, "edtJFDate"), L"15");
    EXPECT_EQ(Position(*form, "udnMonthTime"), 15);
    EXPECT_EQ(Text(*form, "edtTimeLimit"), L"200");
    EXPECT_EQ(Position(*form, "udnTimeLimit"), 200);
    EXPECT_EQ(Text(*form, "edtDateLimit"), L"0");
    EXPECT_EQ(Text(*form, "edtSoundPath"), L"D:\\声音\\a.wav");
}

TEST_F(SetupOptions, SoundGroupIsUsableExactlyAsTheStoredChoicesSay) {
    for (int sound = 0; sound < 2; ++sound) {
        for (int defaultSound = 0; defaultSound < 2; ++defaultSound) {
            WriteIni("[Setup]\r\nSound=" + std::to_string(sound) +
                     "\r\nDefaultSound=" + std::to_string(defaultSound) + "\r\n");
            auto form = Make();
            const std::string which = "Sound=" + std::to_string(sound) +
                                      " DefaultSound=" + std::to_string(defaultSound);
            EXPECT_EQ(Checked(*form, "cbxSound"), sound == 1) << which;
            EXPECT_EQ(Checked(*form, "cbxDefaultSound"), defaultSound == 1) << which;
            EXPECT_EQ(IsWindowEnabled(Hwnd(*form, "gbxSound")) != 0, sound == 1) << which;
            for (const char* name : {"edtSoundPath", "btnOpenSound"}) {
                EXPECT_EQ(Get<win::TControl>(*form, name)->Enabled(), defaultSound == 0)
                    << which << " " << name;
                // Inside a disabled group it is also shown disabled.
                EXPECT_EQ(IsWindowEnabled(Hwnd(*form, name)) != 0, sound == 1 && defaultSound == 0)
                    << which << " " << name;
            }
            EXPECT_EQ(IsWindowEnabled(Hwnd(*form, "cbxDefaultSound")) != 0, sound == 1) << which;
        }
    }
}

TEST_F(SetupOptions, ClickingTheCheckBoxesSwitchesTheSoundControls) {
    auto form = Make();
    Press(*form, "cbxSound");
    EXPECT_TRUE(IsWindowEnabled(Hwnd(*form, "gbxSound")));
    EXPECT_FALSE(test::Usable(Hwnd(*form, "edtSoundPath")));
    Press(*form, "cbxDefaultSound");
    EXPECT_TRUE(test::Usable(Hwnd(*form, "edtSoundPath")));
    EXPECT_TRUE(test::Usable(Hwnd(*form, "btnOpenSound")));
    Press(*form, "cbxSound");
    EXPECT_FALSE(test::Usable(Hwnd(*form, "btnOpenSound")));
    EXPECT_TRUE(Get<win::TControl>(*form, "btnOpenSound")->Enabled()) << "keeps its own state";
    Press(*form, "cbxSound");
    EXPECT_TRUE(IsWindowEnabled(Hwnd(*form, "btnOpenSound"))) << "usable again with the group";
}

TEST_F(SetupOptions, ArrowKeysStepTheNumbersAndStopAtTheRangeEnds) {
    auto form = Make();
    struct Case {
        const char* edit;
        const char* upDown;
        int low, high;
    };
    for (const Case& c : {Case{"edtJFDate", "udnMonthTime", 1, 31},
                          Case{"edtTimeLimit", "udnTimeLimit", 0, 744},
                          Case{"edtDateLimit", "udnDateLimit", 0, 24}}) {
        HWND edit = Hwnd(*form, c.edit);
        SetFocus(edit);
        test::PressKey(edit, VK_UP);
        const int start = Position(*form, c.upDown);
        SetWindowTextW(edit, std::to_wstring(c.high - 2).c_str());
        for (int i = 0; i < 5; ++i) test::PressKey(edit, VK_UP);
        EXPECT_EQ(test::WindowText(edit), std::to_wstring(c.high)) << c.edit << " from " << start;
        SetWindowTextW(edit, std::to_wstring(c.low + 2).c_str());
        for (int i = 0; i < 5; ++i) test::PressKey(edit, VK_DOWN);
        EXPECT_EQ(test::WindowText(edit), std::to_wstring(c.low)) << c.edit;
        EXPECT_EQ(Position(*form, c.upDown), c.low);
    }
}

TEST_F(SetupOptions, DefaultsThenCancelLeaveTheFileAsItWas) {
    const std::string before =
        "[Date]\r\nSumTime=3:4:5\r\n[Setup]\r\nStart=15\r\nMonthDate=200\r\nDate=9\r\n"
        "DropTrans=0\r\nSound=1\r\nForm=0\r\nDefaultSound=0\r\nSoundPath=C:\\a.wav\r\n";
    WriteIni(before);
    auto form = Make();
    EXPECT_TRUE(test::Usable(Hwnd(*form, "edtSoundPath")));
    Press(*form, "btnDefault");
    EXPECT_EQ(Text(*form, "edtJFDate"), L"21");
    EXPECT_EQ(Text(*form, "edtTimeLimit"), L"120");
    EXPECT_EQ(Text(*form, "edtDateLimit"), L"5");
    EXPECT_TRUE(Checked(*form, "cbxDropTransparency"));
    EXPECT_FALSE(Checked(*form, "cbxSound"));
    EXPECT_TRUE(Checked(*form, "cbxForm"));
    EXPECT_TRUE(Checked(*form, "cbxDefaultSound"));
    EXPECT_FALSE(IsWindowEnabled(Hwnd(*form, "gbxSound")));
    EXPECT_FALSE(Get<win::TControl>(*form, "edtSoundPath")->Enabled());
    EXPECT_FALSE(Get<win::TControl>(*form, "btnOpenSound")->Enabled());
    EXPECT_EQ(Text(*form, "edtSoundPath"), L"C:\\a.wav") << "the path stays";
    EXPECT_EQ(Ini(), before);
    Press(*form, "btnCancel");
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(Ini(), before);
}

TEST_F(SetupOptions, OkWritesTheKeysInOrderWithTheTextsAsTyped) {
    WriteIni("[Setup]\r\nSetupBool=0\r\n[Date]\r\nSumTime=1:2:3\r\n");
    auto form = Make();
    Type(*form, "edtJFDate", L"07");
    Type(*form, "edtTimeLimit", L"300");
    Type(*form, "edtDateLimit", L"12");
    Press(*form, "cbxDropTransparency");
    Press(*form, "cbxSound");
    Press(*form, "cbxForm");
    Press(*form, "cbxDefaultSound");
    Type(*form, "edtSoundPath", L"C:\\声音\\闹钟.wav");
    // Enter in a box accepts the dialog, as 确定 does.
    MSG enter{Hwnd(*form, "edtSoundPath"), WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    IsDialogMessageW(form->Handle(), &enter);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(form->ModalResult(), IDOK);
    EXPECT_EQ(Ini(),
              "[Setup]\r\nSetupBool=0\r\nStart=07\r\nMonthDate=300\r\nDate=12\r\nDropTrans=0\r\n"
              "Sound=1\r\nForm=0\r\nDefaultSound=0\r\nSoundPath=C:\\\xC9\xF9\xD2\xF4\\"
              "\xC4\xD6\xD6\xD3.wav\r\n[Date]\r\nSumTime=1:2:3\r\n\r\n[Connection]\r\nKind=0\r\nName=\r\n"
              "Id=\r\n");
}

// The list is asked for once, when the dialog opens; a stored connection that is gone
// stays chosen, a picked one is stored by its name and its adapter's GUID, and a named
// connection without one picked is not stored.
TEST_F(SetupOptions, ConnectionGroupOffersTheMachinesConnectionsAndStoresTheChoice) {
    WriteIni("[Connection]\r\nKind=2\r\nName=\xCE\xDE\xCF\xDF\r\nId={GONE}\r\n");  // 无线
    int asked = 0;
    const app::ConnectionLister list = [&asked] {
        ++asked;
        return std::vector<NetConnection>{
            {ConnectionSource::PhoneBook, "宽带连接", "", LinkType::Ppp, false, {}},
            {ConnectionSource::Adapter, "以太网", "{A}", LinkType::Lan, true, {"192.0.2.5"}}};
    };
    auto form = std::make_unique<TFrmSetup>(nullptr, dir.Path(), list);
    auto* combo = Get<win::TComboBox>(*form, "cmbConnection");
    EXPECT_EQ(combo->Items(), (std::vector<std::wstring>{L"宽带连接（未连接）", L"以太网（已连接）", L"无线（不存在）"}));
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_TRUE(Checked(*form, "rbNamedConnection"));
    EXPECT_TRUE(IsWindowEnabled(combo->Handle()));
    test::ChooseInCombo(combo->Handle(), 1);
    Press(*form, "btnOK");
    EXPECT_EQ(asked, 1);
    EXPECT_NE(Ini().find("[Connection]\r\nKind=2\r\nName=\xD2\xD4\xCC\xAB\xCD\xF8\r\nId={A}\r\n"),
              std::string::npos) << Ini();

    form = std::make_unique<TFrmSetup>(nullptr, dir.Path(), list);
    EXPECT_EQ(Get<win::TComboBox>(*form, "cmbConnection")->ItemIndex(), 1);
    Press(*form, "rbDialUpConnection");
    EXPECT_FALSE(IsWindowEnabled(Hwnd(*form, "cmbConnection")));
    Press(*form, "btnOK");
    EXPECT_NE(Ini().find("Kind=1\r\nName=\xD2\xD4\xCC\xAB\xCD\xF8\r\nId={A}\r\n"), std::string::npos);

    // A system that cannot answer is told of; the stored choice still shows.
    form = std::make_unique<TFrmSetup>(nullptr, dir.Path(), [] () -> std::vector<NetConnection> {
        throw KeloError("无法查询网络适配器");
    });
    EXPECT_EQ(closer.LastText(), L"无法查询网络适配器");
    EXPECT_TRUE(Checked(*form, "rbDialUpConnection"));

    files.Replace(IniPath(), "");
    form = Make();
    Press(*form, "rbNamedConnection");
    Press(*form, "btnOK");
    EXPECT_EQ(closer.LastText(), L"请在列表中选择计费的连接。");
    EXPECT_EQ(Ini(), "");
}

TEST_F(SetupOptions, SystemMenuCloseWritesNothing) {
    auto form = Make();
    Type(*form, "edtJFDate", L"3");
    SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_FALSE(test::FileExists(IniPath()));
}

TEST_F(SetupOptions, OkRefusesANumberOutsideItsBoxAndWritesNothing) {
    const std::string before = "[Setup]\r\nStart=15\r\n";
    WriteIni(before);
    auto form = Make(true);
    EXPECT_EQ(GetFocus(), Hwnd(*form, "edtJFDate")) << "a shown dialog starts in its first box";
    struct Case {
        const char* edit;
        const wchar_t* typed;
        const wchar_t* named;
    };
    for (const Case& c : {Case{"edtJFDate", L"32", L"每月开始计费日期必须是 1 到 31 之间的整数。"},
                          Case{"edtJFDate", L"0", L"每月开始计费日期必须是 1 到 31 之间的整数。"},
                          Case{"edtTimeLimit", L"abc", L"每月上网时限必须是 0 到 744 之间的整数。"},
                          Case{"edtTimeLimit", L"745", L"每月上网时限必须是 0 到 744 之间的整数。"},
                          Case{"edtDateLimit", L"", L"每日上网时限必须是 0 到 24 之间的整数。"},
                          Case{"edtDateLimit", L"-1", L"每日上网时限必须是 0 到 24 之间的整数。"},
                          Case{"edtDateLimit", L"2.5", L"每日上网时限必须是 0 到 24 之间的整数。"}}) {
        Type(*form, "edtJFDate", L"15");
        Type(*form, "edtTimeLimit", L"120");
        Type(*form, "edtDateLimit", L"5");
        SetFocus(Hwnd(*form, "btnOK"));
        const int boxesBefore = closer.Count();
        Type(*form, c.edit, c.typed);
        Press(*form, "btnOK");
        EXPECT_EQ(closer.Count(), boxesBefore + 1) << c.edit;
        EXPECT_EQ(closer.LastText(), c.named);
        EXPECT_EQ(GetFocus(), Hwnd(*form, c.edit)) << "the wrong number takes the focus";
        EXPECT_TRUE(IsWindowVisible(form->Handle())) << "the dialog stays open";
        EXPECT_EQ(Ini(), before);
    }
    Type(*form, "edtDateLimit", L"24");
    Type(*form, "edtTimeLimit", L"744");
    Press(*form, "btnOK");
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_NE(Ini().find("Start=15\r\nMonthDate=744\r\nDate=24\r\n"), std::string::npos) << Ini();
}

TEST_F(SetupOptions, AStoredTextThatIsNoNumberStopsLoadingAtItsStep) {
    WriteIni("[Setup]\r\nStart=15\r\nMonthDate=abc\r\nDate=9\r\nSound=1\r\nSoundPath=x.wav\r\n");
    auto form = Make();
    EXPECT_EQ(closer.Count(), 1);
    EXPECT_EQ(closer.LastText(), L"'abc' is not a valid integer value");
    EXPECT_EQ(Text(*form, "edtJFDate"), L"15");
    EXPECT_EQ(Text(*form, "edtTimeLimit"), L"120");
    EXPECT_EQ(Text(*form, "edtDateLimit"), L"5");
    EXPECT_FALSE(Checked(*form, "cbxSound"));
    EXPECT_EQ(Text(*form, "edtSoundPath"), L"");
}

TEST_F(SetupOptions, TheFileChooserReplacesThePathAndCancelKeepsIt) {
    WriteIni("[Setup]\r\nSound=1\r\nDefaultSound=0\r\nSoundPath=C:\\old.wav\r\n");
    files.Replace(dir.Path() + "ring.wav", "RIFF");
    auto form = Make();
    {
        test::FileDialogAnswer answer(form->Handle(), win::Widen(dir.Path()) + L"ring.wav");
        Press(*form, "btnOpenSound");
        EXPECT_TRUE(answer.Seen());
        EXPECT_EQ(answer.Filter(), L"WAV Files") << "the one filter of the chooser";
    }
    EXPECT_EQ(Text(*form, "edtSoundPath"), win::Widen(dir.Path()) + L"ring.wav");
    {
        test::FileDialogAnswer answer(form->Handle(), L"");  // cancels
        Press(*form, "btnOpenSound");
        EXPECT_TRUE(answer.Seen());
    }
    EXPECT_EQ(Text(*form, "edtSoundPath"), win::Widen(dir.Path()) + L"ring.wav");
}
