#include "SetupDialogsSupport.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "framework/ExtCtrls.h"

namespace kelo::test {

namespace {

// Ids of the controls in the system's dialogs.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;
constexpr int kFileTypeCombo = 0x470;
constexpr int kColorRed = 0x2c2, kColorGreen = 0x2c3, kColorBlue = 0x2c4;

// Types into an edit as the keyboard would: the old text selected and replaced.
void TypeInto(HWND edit, const std::wstring& text) {
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 0);
}

int NumberIn(HWND edit) { return _wtoi(WindowText(edit).c_str()); }

}  // namespace

void DrainMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    }
}

void Pump(DWORD ms) {
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

void ChooseInCombo(HWND combo, int index) {
    // An open list follows the mouse pointer: it stays out of the way.
    SetCursorPos(0, 0);
    SetFocus(combo);
    SendMessageW(combo, CB_SETCURSEL, index == 0 ? 1 : index - 1, 0);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    Pump(30);
    SendMessageW(combo, WM_KEYDOWN, index == 0 ? VK_UP : VK_DOWN, 0);
    SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 0);
    Pump(60);
}

void ClickButton(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

void PressKey(HWND hwnd, UINT key) {
    SendMessageW(hwnd, WM_KEYDOWN, key, 1);
    SendMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
}

bool Usable(HWND hwnd) {
    for (HWND w = hwnd; w; w = GetParent(w)) {
        if (!IsWindowEnabled(w)) return false;
        if (!(GetWindowLongW(w, GWL_STYLE) & WS_CHILD)) break;
    }
    return true;
}

void ExpectPlacedWindow(win::TCustomForm& form, const Placement& p) {
    auto* control = form.Find<win::TWinControl>(p.name);
    ASSERT_NE(control, nullptr) << p.name;
    RECT r;
    GetWindowRect(control->Handle(), &r);
    MapWindowPoints(nullptr, GetParent(control->Handle()), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, p.left) << p.name;
    EXPECT_EQ(r.top, p.top) << p.name;
    if (p.width >= 0) EXPECT_EQ(r.right - r.left, p.width) << p.name;
    if (p.height >= 0) EXPECT_EQ(r.bottom - r.top, p.height) << p.name;
}

void ExpectPlacedLabel(win::TCustomForm& form, const Placement& p) {
    auto* label = form.Find<win::TLabel>(p.name);
    ASSERT_NE(label, nullptr) << p.name;
    EXPECT_EQ(label->Left(), p.left) << p.name;
    EXPECT_EQ(label->Top(), p.top) << p.name;
}

void ExpectTabOrderOf(win::TCustomForm& form, const char* const* names, size_t count) {
    for (size_t i = 0; i + 1 < count; ++i) {
        auto* from = form.Find<win::TWinControl>(names[i]);
        auto* to = form.Find<win::TWinControl>(names[i + 1]);
        ASSERT_TRUE(from && to) << names[i] << " " << names[i + 1];
        HWND next = GetNextDlgTabItem(form.Handle(), from->Handle(), FALSE);
        auto* reached = win::TWinControl::FromHandle(next);
        EXPECT_EQ(next, to->Handle())
            << "Tab from " << names[i] << " reaches " << (reached ? reached->Name() : "?")
            << " instead of " << names[i + 1];
    }
}

SystemDialogAnswer::SystemDialogAnswer(HWND owner) : owner_(owner) {}

SystemDialogAnswer::~SystemDialogAnswer() { Stop(); }

void SystemDialogAnswer::Start() { thread_ = std::thread([this] { Run(); }); }

void SystemDialogAnswer::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void SystemDialogAnswer::Run() {
    while (!stop_) {
        HWND dialog = nullptr;
        for (HWND w = FindWindowW(L"#32770", nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w) &&
                GetWindow(w, GW_OWNER) == owner_) {
                dialog = w;
                break;
            }
        }
        if (dialog) {
            Sleep(100);  // the dialog fills its controls once it is shown
            Answer(dialog);
            seen_ = true;
            for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(10);
            return;
        }
        Sleep(20);
    }
}

FileDialogAnswer::FileDialogAnswer(HWND owner, std::wstring path)
    : SystemDialogAnswer(owner), path_(std::move(path)) {
    Start();
}

FileDialogAnswer::~FileDialogAnswer() { Stop(); }

std::wstring FileDialogAnswer::Filter() const { return Seen() ? filter_ : std::wstring(); }

void FileDialogAnswer::Answer(HWND dialog) {
    filter_ = WindowText(GetDlgItem(dialog, kFileTypeCombo));
    if (path_.empty()) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    HWND name = GetDlgItem(dialog, kFileNameCombo);
    if (!name) name = GetDlgItem(dialog, kFileNameEdit);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

ColorDialogAnswer::ColorDialogAnswer(HWND owner, int red, int green, int blue, bool confirm)
    : SystemDialogAnswer(owner), red_(red), green_(green), blue_(blue), confirm_(confirm) {
    Start();
}

ColorDialogAnswer::~ColorDialogAnswer() { Stop(); }

void ColorDialogAnswer::Answer(HWND dialog) {
    HWND r = GetDlgItem(dialog, kColorRed), g = GetDlgItem(dialog, kColorGreen),
         b = GetDlgItem(dialog, kColorBlue);
    initial_ = RGB(NumberIn(r), NumberIn(g), NumberIn(b));
    TypeInto(r, std::to_wstring(red_));
    TypeInto(g, std::to_wstring(green_));
    TypeInto(b, std::to_wstring(blue_));
    PostMessageW(dialog, WM_COMMAND, confirm_ ? IDOK : IDCANCEL, 0);
}

}  // namespace kelo::test
