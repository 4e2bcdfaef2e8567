#pragma once
// Forms with pickers for the Win32 tests, and the user's way of choosing an entry.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "controls/PickerCombos.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/WinText.h"

namespace kelo::pickertest {

using controls::TFramedComboBox;
using test::MessageBoxCloser;
using win::TComponent;

inline constexpr wchar_t kPickerTestTitle[] = L"KeloPickerTest";

inline std::string Lines(std::string text) {
    for (size_t at; (at = text.find("; ")) != std::string::npos;) text.replace(at, 2, "\n");
    return text;
}

inline void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

// A shown form built from a description; errors shown in the standard error box fail
// the test.
struct PickerForm {
    explicit PickerForm(const std::string& children) {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        win::Application().SetTitle(kPickerTestTitle);
        controls::RegisterPickerClasses();
        form = new win::TForm(nullptr);
        form->RegisterHandler("Changed", [this](TComponent*) { ++changes; });
        form->LoadFromDescription(Lines(
            "object PickerForm: TForm; Left = 40; Top = 40; Width = 460; Height = 300; "
            "Caption = 'Pickers'; " + children + "; end"));
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump(50);
    }
    ~PickerForm() {
        delete form;
        EXPECT_EQ(closer.Count(), 0) << win::Narrow(closer.LastText());
    }
    template <class T>
    T& Get(const char* name) {
        T* control = form->Find<T>(name);
        if (!control) throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }
    MessageBoxCloser closer{kPickerTestTitle};
    win::TForm* form = nullptr;
    int changes = 0;
};

// The user opens the list, moves onto an entry with the keyboard and takes it with
// Enter.
inline void UserChooses(TFramedComboBox& combo, int index) {
    combo.SetFocus();
    combo.SetItemIndex(index == 0 ? 1 : index - 1);
    combo.SetDroppedDown(true);
    Pump(30);
    SendMessageW(combo.Handle(), WM_KEYDOWN, index == 0 ? VK_UP : VK_DOWN, 0);
    SendMessageW(combo.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    Pump(60);
}

// The user opens the list, moves down one entry and closes the list with Esc.
inline void UserMovesAndCancels(TFramedComboBox& combo) {
    combo.SetFocus();
    combo.SetDroppedDown(true);
    Pump(30);
    SendMessageW(combo.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(combo.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(60);
}

inline int IndexOf(const TFramedComboBox& combo, const std::wstring& text) {
    for (int i = 0; i < combo.ItemCount(); ++i)
        if (combo.ItemText(i) == text) return i;
    return -1;
}

inline std::vector<std::wstring> Entries(const TFramedComboBox& combo) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < combo.ItemCount(); ++i) texts.push_back(combo.ItemText(i));
    return texts;
}

}  // namespace kelo::pickertest
