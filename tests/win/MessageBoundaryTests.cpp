// What crosses between the program's handlers and the system's window code: the
// colours of controls the framework does not claim, errors of any kind, the one error
// box, and the 16-bit menu command ids.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Form.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Subclass.h"
#include "framework/Timer.h"
#include "framework/WinText.h"

using namespace kelo;
using namespace kelo::win;

namespace {

constexpr wchar_t kTitle[] = L"KeloBoundaryTest";
constexpr wchar_t kUnknownError[] = L"发生了意外的错误。";

std::string FormWith(const std::string& children) {
    return "object F: TForm\n" + children + "  Width = 300\n  Height = 200\nend\n";
}

void Pump(DWORD ms) { test::PumpFor(ms); }

// Throws something that is no std::exception on WM_APP.
class ThrowingForm : public TForm {
public:
    ThrowingForm() : TForm(nullptr) { LoadFromDescription(FormWith("")); }
    int handled = 0;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_APP) throw 42;
        if (msg == WM_APP + 1) return ++handled;
        return TForm::WndProc(msg, wParam, lParam);
    }
};

class ThrowingHook : public SubclassHook {
public:
    bool Handle(HWND, UINT msg, WPARAM, LPARAM, LRESULT&) override {
        if (msg == WM_APP + 3) throw 42;
        return false;
    }
};

class MessageBoundary : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize(GetModuleHandleW(nullptr));
        Application().SetTitle(kTitle);
    }
};

}  // namespace

TEST_F(MessageBoundary, ControlsTheFrameworkDoesNotColourGetTheSystemsColoursForTheirKind) {
    TForm form(nullptr);
    form.LoadFromDescription(FormWith("  object Combo1: TComboBox\n  end\n"));
    HWND hwnd = form.Handle();
    auto child = [hwnd](const wchar_t* cls) {
        return CreateWindowExW(0, cls, L"", WS_CHILD, 0, 40, 80, 20, hwnd, nullptr, nullptr,
                               nullptr);
    };
    HWND edit = child(L"Edit");
    HWND scroll = child(L"ScrollBar");
    HDC dc = GetDC(hwnd);
    const auto dcParam = reinterpret_cast<WPARAM>(dc);
    for (UINT msg : {WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORSCROLLBAR, WM_CTLCOLORBTN,
                     WM_CTLCOLORSTATIC, WM_CTLCOLORDLG, WM_CTLCOLORMSGBOX}) {
        const auto control = reinterpret_cast<LPARAM>(msg == WM_CTLCOLORSCROLLBAR ? scroll : edit);
        const LRESULT system = DefWindowProcW(hwnd, msg, dcParam, control);
        EXPECT_EQ(SendMessageW(hwnd, msg, dcParam, control), system)
            << "message 0x" << std::hex << msg;
    }
    // The framework's combo box passes on what its own list and field ask for.
    COMBOBOXINFO info{sizeof info};
    ASSERT_TRUE(GetComboBoxInfo(form.Find<TComboBox>("Combo1")->Handle(), &info));
    HWND combo = info.hwndCombo;
    const auto window = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    const auto list = reinterpret_cast<LPARAM>(info.hwndList);
    EXPECT_EQ(SendMessageW(combo, WM_CTLCOLORLISTBOX, dcParam, list), window);
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW));
    const auto field = reinterpret_cast<LPARAM>(info.hwndItem);
    EXPECT_EQ(SendMessageW(combo, WM_CTLCOLOREDIT, dcParam, field), window);
    ReleaseDC(hwnd, dc);
}

TEST_F(MessageBoundary, AnythingAHandlerThrowsIsShownAndNothingReachesTheSystem) {
    test::MessageBoxCloser closer(kTitle);
    int boxes = 0;
    {  // a control's handler
        ThrowingForm form;
        SendMessageW(form.Handle(), WM_APP, 0, 0);
        EXPECT_EQ(closer.Count(), ++boxes);
        EXPECT_EQ(closer.LastText(), kUnknownError);
        EXPECT_EQ(SendMessageW(form.Handle(), WM_APP + 1, 0, 0), 1) << "the window goes on";
        // another hook on the same window
        ThrowingHook hook;
        ASSERT_TRUE(AttachSubclass(form.Handle(), SubclassId::TestHook, &hook));
        SendMessageW(form.Handle(), WM_APP + 3, 0, 0);
        EXPECT_EQ(closer.Count(), ++boxes);
        DetachSubclass(form.Handle(), SubclassId::TestHook);
    }
    {  // the taskbar window's hooks
        const int id = Application().HookMainWindow([](UINT msg, WPARAM, LPARAM, LRESULT&) -> bool {
            if (msg == WM_APP + 4) throw 42;
            return false;
        });
        SendMessageW(Application().Handle(), WM_APP + 4, 0, 0);
        Application().UnhookMainWindow(id);
        EXPECT_EQ(closer.Count(), ++boxes);
        EXPECT_EQ(closer.LastText(), kUnknownError);
    }
    {  // a timer
        TTimer timer(nullptr);
        timer.SetInterval(10);
        timer.SetOnTimer([&](TComponent*) {
            timer.SetEnabled(false);
            throw 42;
        });
        for (int i = 0; i < 100 && closer.Count() == boxes; ++i) Pump(20);
        EXPECT_EQ(closer.Count(), ++boxes);
    }
    {  // a popup menu's item, clicked and measured
        TMenuItem item(nullptr);
        item.OnClick = [](TComponent*) { throw 42; };
        item.OnMeasureItem = [](TMenuItem*, TCanvas&, int&, int&) { throw 42; };
        HWND popupWindow = TPopupMenu::PopupListWindow();
        SendMessageW(popupWindow, WM_COMMAND, item.Command(), 0);
        EXPECT_EQ(closer.Count(), ++boxes);
        MEASUREITEMSTRUCT measure{ODT_MENU, 0, item.Command(), 0, 0,
                                  reinterpret_cast<ULONG_PTR>(&item)};
        SendMessageW(popupWindow, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
        EXPECT_EQ(closer.Count(), ++boxes);
    }
    {  // a list's rows: a source that fails on every cell is told of once
        TForm form(nullptr);
        form.LoadFromDescription(
            FormWith("  object List1: TListView\n    ViewStyle = vsReport\n    OwnerData = True\n"
                     "    Columns = <\n      item\n        Width = 50\n      end>\n  end\n"));
        auto* list = form.Find<TListView>("List1");
        list->OnGetCell = [](int, int) -> std::wstring { throw 42; };
        list->SetItemCount(3);
        wchar_t text[16];
        for (int row = 0; row < 3; ++row) ListView_GetItemText(list->Handle(), row, 0, text, 16);
        EXPECT_EQ(closer.Count(), ++boxes);
    }
}

TEST_F(MessageBoundary, ATimerFailingAgainAndAgainShowsOneErrorBoxAtATime) {
    std::atomic<bool> failing{true}, done{false};
    std::atomic<int> ticks{0};
    TTimer timer(nullptr);
    timer.SetInterval(50);
    timer.SetOnTimer([&](TComponent*) {
        ++ticks;
        if (failing) throw KeloError("磁盘已满");
    });
    // From beside the GUI thread: the most boxes open at once while the timer keeps
    // failing, then every box's text as they are closed.
    int mostOpen = 0;
    std::vector<std::wstring> texts;
    std::thread watcher([&] {
        for (int i = 0; i < 250 && test::CountMessageBoxes(kTitle) == 0; ++i) Sleep(20);
        for (int i = 0; i < 30; ++i) {
            mostOpen = std::max(mostOpen, test::CountMessageBoxes(kTitle));
            Sleep(20);
        }
        failing = false;
        for (DWORD quiet = GetTickCount(); GetTickCount() - quiet < 1000;) {
            HWND box = FindWindowW(L"#32770", kTitle);
            if (!box || !IsWindowVisible(box)) {
                Sleep(20);
                continue;
            }
            texts.push_back(test::MessageBoxText(box));
            SendMessageW(box, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(10);
            quiet = GetTickCount();
        }
        done = true;
    });
    for (int i = 0; i < 1000 && !done; ++i) Pump(20);
    watcher.join();
    EXPECT_EQ(mostOpen, 1);
    ASSERT_EQ(texts.size(), 2u) << "the error, then once what was left unshown";
    EXPECT_EQ(texts[0], L"磁盘已满");
    EXPECT_EQ(texts[1].rfind(L"磁盘已满\n\n", 0), 0u) << Narrow(texts[1]);
    EXPECT_NE(texts[1].find(L"上一个提示框打开期间"), std::wstring::npos)
        << Narrow(texts[1]);
    const int before = ticks;
    Pump(300);
    EXPECT_GT(ticks, before) << "the timer goes on";
}

TEST_F(MessageBoundary, MenuCommandIdsFitWmCommandAndAreNeverHandedOutTwice) {
    ThrowingForm form;
    std::vector<std::unique_ptr<TMenuItem>> kept;
    TMenuItem* clicked = nullptr;
    // 70 rounds of 1,000 items: more ids than WM_COMMAND can carry, one kept per round.
    for (int round = 0; round < 70; ++round) {
        std::vector<std::unique_ptr<TMenuItem>> batch;
        for (int i = 0; i < 1000; ++i) batch.push_back(std::make_unique<TMenuItem>(nullptr));
        kept.push_back(std::move(batch[static_cast<size_t>(round * 13)]));
        kept.back()->OnClick = [&clicked](TComponent* sender) {
            clicked = static_cast<TMenuItem*>(sender);
        };
    }
    std::set<UINT> ids;
    for (const auto& item : kept) {
        const UINT id = item->Command();
        EXPECT_GE(id, 1u);
        EXPECT_LT(id, 0xF000u);  // never a system command id
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " handed out twice";
        clicked = nullptr;
        SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(LOWORD(id), 0), 0);
        EXPECT_EQ(clicked, item.get()) << "id " << id;
    }
    // Once every id is taken, a new item is refused rather than given a taken one.
    std::vector<std::unique_ptr<TMenuItem>> rest;
    bool refused = false;
    try {
        while (rest.size() < 0x10000) rest.push_back(std::make_unique<TMenuItem>(nullptr));
    } catch (const KeloError&) {
        refused = true;
    }
    EXPECT_TRUE(refused);
}
