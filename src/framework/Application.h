#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace kelo::win {

class TCustomForm;

// The program's application object: the hidden window that carries the taskbar
// button, the main form, minimise and restore with one listener each, the message
// loop and the standard error box.
class TApplication {
public:
    static TApplication& Instance();

    void Initialize(HINSTANCE instance);
    HINSTANCE InstanceHandle() const { return instance_; }
    // The hidden window with the taskbar button; made on first use.
    HWND Handle();

    void SetTitle(std::wstring title);
    const std::wstring& Title() const { return title_; }
    HICON Icon() const { return icon_; }

    TCustomForm* MainForm() const { return mainForm_; }
    void SetMainForm(TCustomForm* form) { mainForm_ = form; }
    // Whether Run shows the main form.
    bool ShowMainForm() const { return showMainForm_; }
    void SetShowMainForm(bool show) { showMainForm_ = show; }

    // Minimise and restore the program (the taskbar window and the windows it owns).
    // Each notifies its listener only when it changes the state.
    void Minimize();
    void Restore();
    bool Minimized() const;
    std::function<void()> OnMinimize;
    std::function<void()> OnRestore;
    // A form shown without taking the activation (behind one of the program's message
    // boxes): what dresses windows as they are activated dresses it here.
    std::function<void(HWND form)> OnFormShownInactive;

    // Hooks on the taskbar window's messages; a hook returning true answers the message.
    using Hook = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;
    int HookMainWindow(Hook hook);
    void UnhookMainWindow(int id);

    // Shows the main form (when ShowMainForm) and runs the message loop until the
    // program ends; returns the exit code.
    int Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles the waiting messages (used by modal loops of the program's own).
    void ProcessMessages();

    // The standard error box: the error's text, the application title as caption. One
    // box at a time: errors while it is open wait, and when it closes the last of them
    // is shown once, with how many there were.
    void ShowException(const std::exception& e, HWND owner = nullptr) noexcept;
    // The same for the error a catch block is handling, whatever was thrown.
    void ShowCurrentException(HWND owner = nullptr) noexcept;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    // A key for a form that moves between its controls like a dialog; the form has
    // handled it then.
    static bool IsFormDialogKey(MSG& msg);
    void ShowErrorText(std::wstring text, HWND owner) noexcept;
    std::wstring UnshownErrorsText() noexcept;

    HINSTANCE instance_ = nullptr;
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    std::wstring title_;
    TCustomForm* mainForm_ = nullptr;
    bool showMainForm_ = true;
    bool terminated_ = false;
    std::vector<std::pair<int, Hook>> hooks_;
    int nextHook_ = 1;
    std::vector<HWND> hiddenByMinimize_;
    bool errorBoxOpen_ = false;
    int unshownErrors_ = 0;
    std::wstring lastUnshownError_;
};

inline TApplication& Application() { return TApplication::Instance(); }

// A hidden window of the framework's own that receives messages for a service (timers,
// open popup menus). A message-only window unless the service needs a real top-level one.
HWND AllocateHWnd(const wchar_t* className, WNDPROC proc, bool messageOnly);

// The system's platform and version as it reports them to this program; false when it
// does not tell.
bool SystemVersion(OSVERSIONINFOW& info);

// Runs a handler; an error it throws ends it and is shown in the standard error box.
// Whatever it throws stops here: it must not unwind through the system's code.
template <class F>
void HandleExceptions(HWND owner, F&& handler) {
    try {
        handler();
    } catch (...) {
        Application().ShowCurrentException(owner);
    }
}

}  // namespace kelo::win
