#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/ExtCtrls.h"
#include "framework/Form.h"
#include "framework/FormLoader.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Subclass.h"
#include "framework/Timer.h"

using namespace kelo;
using namespace kelo::win;

namespace {

std::vector<std::string>& Journal() {
    static std::vector<std::string> journal;
    return journal;
}

// Records what the framework tells it, and holds a reference to another component
// that it must drop when that one goes.
class TProbe : public TComponent {
    KELO_CLASS(TProbe, TComponent)
public:
    explicit TProbe(TComponent* owner) : TComponent(owner) {}
    TComponent* watched = nullptr;
    bool ReadProperty(const std::string& name, const FormValue& value) override {
        if (name == "Watch") {
            watched = Owner()->FindComponent(ValueIdent(value));
            Journal().push_back(Name() + ".Watch");
            return true;
        }
        return TComponent::ReadProperty(name, value);
    }
    void Loaded() override {
        TComponent::Loaded();
        Journal().push_back(Name() + ".Loaded");
    }
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == watched) {
            watched = nullptr;
            Journal().push_back(Name() + ".dropped " + c->Name());
        }
    }
};

class ThrowingForm : public TForm {
public:
    ThrowingForm() : TForm(nullptr) {
        LoadFromDescription("object F: TForm\n Width = 200\n Height = 100\nend\n");
    }
    int handled = 0;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_APP) throw std::runtime_error("磁盘已满");
        if (msg == WM_APP + 1) return ++handled;
        return TForm::WndProc(msg, wParam, lParam);
    }
};

// Answers WM_APP + 2 with its own value and passes everything else on.
class ValueHook : public SubclassHook {
public:
    explicit ValueHook(LRESULT value) : value_(value) {}
    bool Handle(HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg != WM_APP + 2) return false;
        result = value_;
        return true;
    }

private:
    LRESULT value_;
};

constexpr char kForm[] = R"(object FrmTest: TForm
  Left = 10
  Top = 10
  Width = 300
  Height = 200
  Caption = '测试'
  object Probe1: TProbe
    Watch = Menu1
  end
  object Panel1: TPanel
    Align = alTop
    Height = 40
    object Label1: TLabel
      Left = 5
      Top = 5
      Caption = 'abc'
    end
  end
  object Menu1: TPopupMenu
    object Item1: TMenuItem
      Caption = '显示主窗口'
      Checked = True
    end
  end
  object Probe2: TProbe
    Watch = Item1
  end
end
)";

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize(GetModuleHandleW(nullptr));
        Application().SetTitle(L"KeloFrameworkTest");
        RegisterComponentClass<TProbe>();
        Journal().clear();
    }
};

void Pump(DWORD ms) { test::PumpFor(ms); }

}  // namespace

TEST_F(FrameworkTest, FormIsBuiltInOrderAndLoadedComesAfterEveryProperty) {
    TForm form(nullptr);
    form.LoadFromDescription(kForm);
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Probe1.Watch", "Probe2.Watch",
                                                   "Probe1.Loaded", "Probe2.Loaded"}));
    auto* label = form.Find<TLabel>("Label1");
    ASSERT_NE(label, nullptr);
    EXPECT_STREQ(label->ClassName(), "TLabel");
    EXPECT_TRUE(label->InheritsFrom("TGraphicControl"));
    EXPECT_TRUE(label->InheritsFrom("TComponent"));
    EXPECT_FALSE(label->InheritsFrom("TWinControl"));
    EXPECT_EQ(label->Parent(), form.Find<TPanel>("Panel1"));
    EXPECT_GT(label->Width(), 0) << "the label sizes itself to its text";
    EXPECT_EQ(form.Find<TPanel>("Panel1")->Width(), form.ClientWidth()) << "aligned to the top";
    EXPECT_FALSE(form.Find<TProbe>("Probe1")->Loading());
}

TEST_F(FrameworkTest, ControlBackgroundFollowsAChangedSystemScheme) {
    TForm form(nullptr);
    form.LoadFromDescription("object F: TForm\n  object E: TEdit\n  end\nend\n");
    const HWND edit = form.Find<TEdit>("E")->Handle();
    const auto background = [&] {
        const HDC dc = GetDC(edit);
        const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(form.Handle(), WM_CTLCOLOREDIT,
                                                                  reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));
        ReleaseDC(edit, dc);
        LOGBRUSH logBrush{};
        GetObjectW(brush, sizeof logBrush, &logBrush);
        return logBrush.lbColor;
    };
    const COLORREF window = GetSysColor(COLOR_WINDOW) == RGB(200, 230, 210) ? RGB(210, 200, 230) : RGB(200, 230, 210);
    ASSERT_NE(background(), window);
    const test::SystemColourChange change(COLOR_WINDOW, window);
    EXPECT_EQ(background(), window);
}

TEST_F(FrameworkTest, RemovalIsToldToEveryComponentOfTheForm) {
    TForm form(nullptr);
    form.LoadFromDescription(kForm);
    Journal().clear();
    delete form.FindComponent("Item1");
    delete form.FindComponent("Menu1");
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Probe2.dropped Item1", "Probe1.dropped Menu1"}));
    EXPECT_EQ(form.Find<TProbe>("Probe1")->watched, nullptr);
}

TEST_F(FrameworkTest, DescriptionErrorsNameTheProblem) {
    TForm form(nullptr);
    try {
        form.LoadFromDescription("object F: TForm\n  object P: TPanel\n    Colour = 1\n  end\nend\n");
        FAIL() << "an unknown property must be refused";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("Colour"), std::string::npos);
    }
}

TEST_F(FrameworkTest, ErrorInAHandlerIsShownInTheErrorBoxAndTheWindowGoesOn) {
    test::MessageBoxCloser closer(L"KeloFrameworkTest");
    ThrowingForm form;
    SendMessageW(form.Handle(), WM_APP, 0, 0);
    EXPECT_EQ(closer.Count(), 1);
    EXPECT_EQ(closer.LastText(), L"磁盘已满");
    EXPECT_EQ(SendMessageW(form.Handle(), WM_APP + 1, 0, 0), 1);
}

TEST_F(FrameworkTest, TwoHooksOnOneControlComeOffInEitherOrder) {
    for (bool firstOffFirst : {true, false}) {
        ThrowingForm form;
        HWND hwnd = form.Handle();
        ValueHook a(11), b(22);
        ASSERT_TRUE(AttachSubclass(hwnd, SubclassId::MenuPainter, &a));
        ASSERT_TRUE(AttachSubclass(hwnd, SubclassId::Skin, &b));
        EXPECT_EQ(SendMessageW(hwnd, WM_APP + 2, 0, 0), 22) << "the last hook answers first";
        DetachSubclass(hwnd, firstOffFirst ? SubclassId::MenuPainter : SubclassId::Skin);
        EXPECT_EQ(SendMessageW(hwnd, WM_APP + 2, 0, 0), firstOffFirst ? 22 : 11);
        DetachSubclass(hwnd, firstOffFirst ? SubclassId::Skin : SubclassId::MenuPainter);
        EXPECT_EQ(SendMessageW(hwnd, WM_APP + 2, 0, 0), 0);
        EXPECT_EQ(SendMessageW(hwnd, WM_APP + 1, 0, 0), 1) << "the control still works";
        SetWindowTextW(hwnd, L"still here");
        EXPECT_EQ(test::WindowText(hwnd), L"still here");
    }
}

WNDPROC g_belowForeignHook = nullptr;
LRESULT CALLBACK ForeignHook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(g_belowForeignHook, hwnd, msg, wParam, lParam);
}

TEST_F(FrameworkTest, ASystemWindowGetsItsProcedureBackUnlessAnotherHookWentOnTop) {
    HWND edit = CreateWindowW(L"EDIT", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    const LONG_PTR own = GetWindowLongPtrW(edit, GWLP_WNDPROC);
    ValueHook hook(11);
    ASSERT_TRUE(AttachSubclass(edit, SubclassId::Skin, &hook));
    DetachSubclass(edit, SubclassId::Skin);
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), own);
    ASSERT_TRUE(AttachSubclass(edit, SubclassId::Skin, &hook));
    g_belowForeignHook = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignHook)));
    EXPECT_EQ(SendMessageW(edit, WM_APP + 2, 0, 0), 11);
    DetachSubclass(edit, SubclassId::Skin);
    EXPECT_EQ(SendMessageW(edit, WM_APP + 2, 0, 0), 0);
    SetWindowTextW(edit, L"still here");
    EXPECT_EQ(test::WindowText(edit), L"still here");
    DestroyWindow(edit);
}

int g_ownFramePaints = 0;
LRESULT CALLBACK FramePaintCounter(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCPAINT) ++g_ownFramePaints;
    return CallWindowProcW(g_belowForeignHook, hwnd, msg, wParam, lParam);
}

TEST_F(FrameworkTest, AControlPaintsItsOwnFrameUnlessItsLayersPaintFrameAndBarsBetweenThem) {
    HWND view = CreateWindowW(L"EDIT", L"", WS_POPUP | WS_VSCROLL, 0, 0, 80, 60, nullptr, nullptr, nullptr, nullptr);
    g_belowForeignHook = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FramePaintCounter)));
    ValueHook painter(1), skin(2);
    ASSERT_TRUE(AttachSubclass(view, SubclassId::MenuPainter, &painter) && AttachSubclass(view, SubclassId::Skin, &skin));
    auto ownPaints = [view] {
        g_ownFramePaints = 0;
        SendMessageW(view, WM_NCPAINT, 1, 0);
        return g_ownFramePaints;
    };
    MarkDrawsNonClient(view, SubclassId::MenuPainter, kNonClientFrame);
    EXPECT_EQ(ownPaints(), 1) << "the scroll bars are still the control's to paint";
    MarkDrawsNonClient(view, SubclassId::Skin, kNonClientScrollBars);
    EXPECT_EQ(ownPaints(), 0);
    DetachSubclass(view, SubclassId::Skin);
    EXPECT_EQ(ownPaints(), 1) << "a layer's mark goes with the layer";
    DestroyWindow(view);
}

TEST_F(FrameworkTest, TimerSwitchedOnTwiceKeepsOneRhythmAndStopsWhenFreed) {
    int fired = 0;
    auto* timer = new TTimer(nullptr);
    timer->SetInterval(20);
    timer->SetOnTimer([&](TComponent*) { ++fired; });
    timer->SetEnabled(true);
    Pump(300);
    EXPECT_GT(fired, 3);
    delete timer;
    const int afterFree = fired;
    Pump(100);
    EXPECT_EQ(fired, afterFree);
}

TEST_F(FrameworkTest, RepaintsAndWindowsLeaveNoGdiObjectsBehind) {
    const long before = LiveGdiObjects();
    const DWORD systemBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int round = 0; round < 10; ++round) {
        TForm form(nullptr);
        form.LoadFromDescription(kForm);
        form.Show();
        if (round == 0) {
            for (int i = 0; i < 1000; ++i) {
                RedrawWindow(form.Handle(), nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                form.Find<TLabel>("Label1")->SetCaption(std::to_wstring(i));
            }
        }
    }
    EXPECT_EQ(LiveGdiObjects(), before);
    if (systemBefore != 0)  // where the system keeps the count
        EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), systemBefore + 5);
}

namespace {

RECT PrimaryWorkArea() {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

// A 300 x 200 form designed to stand 100 pixels short of the work area's bottom right
// corner: its caption buttons would lie off the screen.
std::string FormDesignedPastTheCorner(const RECT& work) {
    return "object F: TForm\n  Left = " + std::to_string(work.right - 100) +
           "\n  Top = " + std::to_string(work.bottom - 100) + "\n  Width = 300\n  Height = 200\nend\n";
}

RECT WindowRectOf(const TForm& form) {
    RECT r;
    GetWindowRect(form.Handle(), &r);
    return r;
}

// Widens the frame around the same position, as the skin does when it frames a window.
void GrowFrame(const TForm& form, int width, int height) {
    SetWindowPos(form.Handle(), nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

}  // namespace

TEST_F(FrameworkTest, FormAtItsDesignedPlaceStaysWithinTheWorkArea) {
    const RECT work = PrimaryWorkArea();
    TForm form(nullptr);
    form.LoadFromDescription(FormDesignedPastTheCorner(work));
    RECT r = WindowRectOf(form);
    EXPECT_EQ(r.right, work.right);
    EXPECT_EQ(r.bottom, work.bottom);
    EXPECT_EQ(r.right - r.left, 300) << "moved, not resized";
    form.Show();
    GrowFrame(form, 340, 230);
    r = WindowRectOf(form);
    EXPECT_EQ(r.right, work.right) << "the grown frame is moved back onto the screen";
    EXPECT_EQ(r.bottom, work.bottom);
    EXPECT_EQ(form.Left(), r.left);

    // A form moved elsewhere keeps its place when its frame grows.
    TForm moved(nullptr);
    moved.LoadFromDescription(FormDesignedPastTheCorner(work));
    moved.Show();
    SetWindowPos(moved.Handle(), nullptr, work.right - 250, work.top + 10, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    GrowFrame(moved, 340, 230);
    r = WindowRectOf(moved);
    EXPECT_EQ(r.left, work.right - 250);
    EXPECT_EQ(r.top, work.top + 10);
}

TEST_F(FrameworkTest, AFormShownWhileAMessageBoxIsUpOpensBehindItAndTheBoxKeepsTheKeyboard) {
    TForm form(nullptr);
    form.LoadFromDescription("object F: TForm\n Width = 200\n Height = 100\nend\n");
    static TForm* shown = &form;
    static HWND box, activeAfterShow;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        box = GetActiveWindow();
        shown->Show();
        activeAfterShow = GetActiveWindow();
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    MessageBoxW(nullptr, L"limit", L"提示", MB_OK);
    EXPECT_NE(box, nullptr);
    EXPECT_EQ(activeAfterShow, box);
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
}
