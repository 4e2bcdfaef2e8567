#pragma once
#include <windows.h>

#include <exception>
#include <string>

namespace kelo::win {

// The program's application object: title, message loop and the standard error box.
class TApplication {
public:
    static TApplication& Instance();

    void Initialize(HINSTANCE instance);
    HINSTANCE InstanceHandle() const { return instance_; }

    void SetTitle(std::wstring title) { title_ = std::move(title); }
    const std::wstring& Title() const { return title_; }

    // Runs the message loop until the program ends; returns the exit code.
    int Run();
    void Terminate();

    // The standard error box: the error's text, the application title as caption.
    void ShowException(const std::exception& e, HWND owner = nullptr);

private:
    HINSTANCE instance_ = nullptr;
    std::wstring title_;
};

inline TApplication& Application() { return TApplication::Instance(); }

// Runs a handler; an error it throws ends it and is shown in the standard error box.
template <class F>
void HandleExceptions(HWND owner, F&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        Application().ShowException(e, owner);
    }
}

}  // namespace kelo::win
