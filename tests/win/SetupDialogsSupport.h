#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "windows/Globals.h"
#include "windows/MainFrm.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/WinFileStore.h"
#include "framework/WinText.h"

namespace kelo::test {

inline constexpr const wchar_t* kDialogTestTitle = L"KeloDialogTest";

// Handles what closed windows left in the queue (a quit request is dropped).
void DrainMessages();

// The program's main window in a folder of its own, as the dialogs are opened from it.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        win::Application().SetTitle(kDialogTestTitle);
        main_ = std::make_unique<app::TFrmKeloMain>(app::MainServices{
            files_, codec_, clock_, [] { return false; }, dir_.Path(), "kelo-host", ""});
    }
    void TearDown() override {
        app::FrmDrop = nullptr;
        main_.reset();
        DrainMessages();
    }

    TempDir dir_;
    win::WinFileStore files_;
    win::GbkCodec codec_;
    ManualClock clock_;
    std::unique_ptr<app::TFrmKeloMain> main_;
};
// A click on a button or check box as the mouse gives it.
void ClickButton(HWND button);
// A key going down and up in a control.
void PressKey(HWND hwnd, UINT key);
// Enabled, and every window it lies in enabled too.
bool Usable(HWND hwnd);
// Handles the messages that come in for a while (timers, posted work, dialogs).
void Pump(DWORD ms);
// The user opens the combo box's list, moves onto the entry with the keyboard and takes
// it with Enter.
void ChooseInCombo(HWND combo, int index);

// Where a control of a form sits in its parent's client area.
struct Placement {
    const char* name;
    int left, top, width = -1, height = -1;
};
void ExpectPlacedWindow(win::TCustomForm& form, const Placement& p);
void ExpectPlacedLabel(win::TCustomForm& form, const Placement& p);
// Tab from each named control leads to the next one.
void ExpectTabOrderOf(win::TCustomForm& form, const char* const* names, size_t count);
template <size_t N>
void ExpectTabOrder(win::TCustomForm& form, const char* const (&names)[N]) {
    ExpectTabOrderOf(form, names, N);
}

// Answers the next dialog of the system that a window opens (file chooser or colour
// dialog), from a thread of its own, as a user would fill it in.
class SystemDialogAnswer {
public:
    ~SystemDialogAnswer();
    bool Seen() const { return seen_; }

protected:
    explicit SystemDialogAnswer(HWND owner);
    void Start();
    // Waits for the thread; every derived destructor calls it first.
    void Stop();
    virtual void Answer(HWND dialog) = 0;

private:
    void Run();
    HWND owner_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

// Types the path into the file chooser and confirms it; an empty path cancels.
class FileDialogAnswer : public SystemDialogAnswer {
public:
    FileDialogAnswer(HWND owner, std::wstring path);
    ~FileDialogAnswer();
    // The text of the chooser's file-type list.
    std::wstring Filter() const;

private:
    void Answer(HWND dialog) override;
    std::wstring path_;
    std::wstring filter_;  // written before Seen()
};

// Sets red, green and blue in the colour dialog and confirms; nothing set cancels.
class ColorDialogAnswer : public SystemDialogAnswer {
public:
    ColorDialogAnswer(HWND owner, int red, int green, int blue, bool confirm = true);
    ~ColorDialogAnswer();
    // The colour the dialog started from, as its red, green and blue boxes showed it.
    COLORREF Initial() const { return Seen() ? initial_ : 0; }

private:
    void Answer(HWND dialog) override;
    int red_, green_, blue_;
    bool confirm_;
    COLORREF initial_ = 0;
};

}  // namespace kelo::test
