// How the main window and the mini window open the two settings dialogs.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "SetupDialogsSupport.h"
#include "TestSupport.h"
#include "windows/Globals.h"
#include "windows/MainFrm.h"
#include "framework/Application.h"
#include "framework/WinFileStore.h"
#include "windows/DropSetupFrm.h"
#include "windows/SetupFrm.h"

using namespace kelo;

namespace {

HWND ChildWithText(HWND window, const std::wstring& text) {
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (test::WindowText(c) == text) return c;
    return nullptr;
}

// Waits for a shown window of the class, notes where it is, and acts in it as the user
// would, from a thread of its own (the dialog's loop blocks the test). The action answers
// whether it could act yet.
class PressInWindow {
public:
    using Action = std::function<bool(HWND window)>;
    PressInWindow(const wchar_t* windowClass, Action action)
        : class_(windowClass), action_(std::move(action)), thread_([this] { Run(); }) {}
    ~PressInWindow() {
        stop_ = true;
        thread_.join();
    }
    bool Pressed() const { return pressed_; }
    RECT Rect() const { return rect_; }

private:
    void Run() {
        for (int i = 0; i < 500 && !stop_; ++i, Sleep(20)) {
            HWND w = FindWindowW(class_, nullptr);
            if (!w || !IsWindowVisible(w)) continue;
            GetWindowRect(w, &rect_);
            if (!action_(w)) continue;
            pressed_ = true;
            return;
        }
    }
    const wchar_t* class_;
    Action action_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> pressed_{false};
    RECT rect_{};
    std::thread thread_;
};

PressInWindow::Action Button(std::wstring caption) {
    return [caption](HWND w) {
        HWND button = ChildWithText(w, caption);
        return button && PostMessageW(button, BM_CLICK, 0, 0);
    };
}

// Esc in whichever control the dialog gave the focus; "确定" stands behind it, so a dialog
// that does not close on Esc stores its values and shows it in the file.
PressInWindow::Action EscThenOk() {
    return [](HWND w) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        HWND ok = ChildWithText(w, L"确定");
        if (!ok || !GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info) ||
            !IsChild(w, info.hwndFocus))
            return false;
        PostMessageW(info.hwndFocus, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(info.hwndFocus, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        return PostMessageW(ok, BM_CLICK, 0, 0) != FALSE;
    };
}

class SetupOpening : public test::MainWindowTest {
protected:
    void Click(win::TComponent& form, const char* item) {
        form.Find<win::TMenuItem>(item)->Click();
    }
    template <class T>
    std::vector<T*> Owned(win::TComponent& owner) {
        std::vector<T*> found;
        for (win::TComponent* c : owner.Components())
            if (auto* t = dynamic_cast<T*>(c)) found.push_back(t);
        return found;
    }

    test::MessageBoxCloser closer_{test::kDialogTestTitle};
};

}  // namespace

TEST_F(SetupOpening, OptionsOpenModallyAsANewDialogEachTime) {
    main_->Show();
    files_.Replace(dir_.Path() + "Kelo.ini", "[Setup]\r\nStart=15\r\n");
    {
        PressInWindow ok(L"TFrmSetup", Button(L"确定"));
        Click(*main_, "N2");
        EXPECT_TRUE(ok.Pressed());
        EXPECT_EQ(ok.Rect().left, 186);
        EXPECT_EQ(ok.Rect().top, 63);
    }
    EXPECT_EQ(app::FrmSetup, nullptr) << "the dialog is gone once closed";
    EXPECT_TRUE(Owned<app::TFrmSetup>(*main_).empty());
    EXPECT_TRUE(IsWindowEnabled(main_->Handle())) << "the main window takes input again";
    const std::string ini = test::ReadFileBytes(dir_.Path() + "Kelo.ini");
    EXPECT_EQ(ini, "[Setup]\r\nStart=15\r\nMonthDate=120\r\nDate=5\r\nDropTrans=1\r\nSound=0\r\n"
                   "Form=1\r\nDefaultSound=1\r\nSoundPath=\r\n\r\n[Connection]\r\nKind=0\r\nName=\r\nId=\r\n");

    files_.Replace(dir_.Path() + "Kelo.ini", "[Setup]\r\nStart=3\r\n");
    {
        PressInWindow cancel(L"TFrmSetup", Button(L"取消"));
        Click(*main_, "N2");
        EXPECT_TRUE(cancel.Pressed());
    }
    EXPECT_EQ(test::ReadFileBytes(dir_.Path() + "Kelo.ini"), "[Setup]\r\nStart=3\r\n");

    PressInWindow esc(L"TFrmSetup", EscThenOk());
    Click(*main_, "N2");
    EXPECT_TRUE(esc.Pressed());
    EXPECT_EQ(test::ReadFileBytes(dir_.Path() + "Kelo.ini"), "[Setup]\r\nStart=3\r\n")
        << "Esc closes the dialog as 取消";
}

TEST_F(SetupOpening, MainWindowOpensANewModelessDialogPerRequest) {
    Click(*main_, "MMenuDropSetup");
    Click(*main_, "MMenuDropSetup");
    const auto dialogs = Owned<app::TFrmDropSetup>(*main_);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_NE(dialogs[0]->Handle(), dialogs[1]->Handle());
    EXPECT_EQ(app::FrmDropSetup, dialogs[1]);
    for (auto* d : dialogs) {
        EXPECT_TRUE(IsWindowVisible(d->Handle()));
        RECT r;
        GetWindowRect(d->Handle(), &r);
        EXPECT_EQ(r.left, 282);
        EXPECT_EQ(r.top, 270);
    }
    EXPECT_TRUE(IsWindowEnabled(main_->Handle())) << "nothing waits for the dialog";
    delete dialogs[1];
    EXPECT_EQ(app::FrmDropSetup, nullptr);
}

TEST_F(SetupOpening, MiniWindowMenuOpensADialogItOwns) {
    std::unique_ptr<app::TFrmDrop> mini(app::TFrmDrop::Create(nullptr, main_->MiniWindowContext()));
    app::FrmDrop = mini.get();
    files_.Replace(dir_.Path() + "Kelo.ini", "[DropForm]\r\nFontColor=255\r\n");  // stored since
    Click(*mini, "MenuDropSetup");
    const auto dialogs = Owned<app::TFrmDropSetup>(*mini);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_TRUE(IsWindowVisible(dialogs[0]->Handle()));
    EXPECT_EQ(app::FrmDropSetup, dialogs[0]);
    EXPECT_EQ(mini->LabelsFont().Color(), clRed) << "the dialog acts on the mini window";
    mini.reset();
    EXPECT_EQ(app::FrmDropSetup, nullptr) << "the dialog went with its owner";
}

TEST_F(SetupOpening, KeysMoveThroughTheModelessDialogEscClosesItAsCancelAndEnterAsOk) {
    const std::string before = "[DropForm]\r\nFontColor=255\r\n";
    files_.Replace(dir_.Path() + "Kelo.ini", before);
    Click(*main_, "MMenuDropSetup");
    app::TFrmDropSetup* d = app::FrmDropSetup;
    ASSERT_NE(d, nullptr);
    HWND edit = d->Find<win::TWinControl>("edtTransparence")->Handle();
    HWND next = d->Find<win::TWinControl>("cboxFormColor")->Handle();
    SetForegroundWindow(d->Handle());
    SetFocus(edit);
    auto key = [](HWND to, UINT vk) {
        PostMessageW(to, WM_KEYDOWN, vk, 1);
        PostMessageW(to, WM_KEYUP, vk, 0xC0000001);
        win::Application().ProcessMessages();
    };
    key(edit, VK_TAB);
    EXPECT_EQ(GetFocus(), next);
    SendMessageW(next, CB_SHOWDROPDOWN, TRUE, 0);
    key(next, VK_ESCAPE);
    EXPECT_FALSE(SendMessageW(next, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_TRUE(IsWindowVisible(d->Handle())) << "Esc closes the open list first";
    key(next, VK_ESCAPE);
    EXPECT_FALSE(IsWindowVisible(d->Handle()));
    EXPECT_EQ(test::ReadFileBytes(dir_.Path() + "Kelo.ini"), before);

    Click(*main_, "MMenuDropSetup");
    d = app::FrmDropSetup;
    ASSERT_NE(d, nullptr);
    edit = d->Find<win::TWinControl>("edtTransparence")->Handle();
    SetForegroundWindow(d->Handle());
    SetFocus(edit);
    key(edit, VK_RETURN);
    EXPECT_FALSE(IsWindowVisible(d->Handle())) << "Enter accepts the dialog, as 确定 does";
    EXPECT_NE(test::ReadFileBytes(dir_.Path() + "Kelo.ini"), before);
}
