#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

namespace kelo::win {

// A button of a message box and the caption it shows instead of the system's.
struct ButtonCaption {
    int id;
    const wchar_t* caption;
};

// A message box whose buttons say what they do: `type` gives the system's buttons, and each
// caption given replaces that of the button with its id. Answers the id pressed.
int MessageBoxWithCaptions(HWND owner, const std::wstring& text, const std::wstring& title, UINT type,
                           std::initializer_list<ButtonCaption> captions);

}  // namespace kelo::win
