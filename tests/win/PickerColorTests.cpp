#include <gtest/gtest.h>

#include <windows.h>
#include <colordlg.h>

#include <atomic>
#include <functional>
#include <thread>

#include "PickerTestSupport.h"
#include "ScreenCapture.h"
#include "core/Errors.h"
#include "controls/PickerCombos.h"

using namespace kelo;
using namespace kelo::controls;
using namespace kelo::pickertest;
using namespace kelo::test;
using namespace kelo::win;

namespace {

const char kColorPicker[] =
    "object cboxColor: TColorComboBox; Left = 16; Top = 16; Width = 145; Height = 20; "
    "ItemHeight = 16; OnChange = Changed; end";

TColor DataAt(const TColorComboBox& picker, int index) { return static_cast<TColor>(picker.ItemData(index)); }

// Runs `answer` on the system's colour dialog of this thread once it appears (from
// another thread, while the picker's close-up waits in the dialog).
class ColorDialogDriver {
public:
    explicit ColorDialogDriver(std::function<void(HWND dialog)> answer, int waitMs = 5000)
        : answer_(std::move(answer)), owner_(GetCurrentThreadId()), tries_(waitMs / 10),
          thread_([this] { Run(); }) {}
    ~ColorDialogDriver() { thread_.join(); }
    bool Seen() const { return seen_; }

private:
    void Run() {
        for (int tries = 0; tries < tries_ && !seen_; ++tries) {
            EnumThreadWindows(
                owner_,
                [](HWND hwnd, LPARAM self) -> BOOL {
                    wchar_t cls[16] = {};
                    GetClassNameW(hwnd, cls, 16);
                    if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
                    auto* driver = reinterpret_cast<ColorDialogDriver*>(self);
                    driver->seen_ = true;
                    driver->answer_(hwnd);
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(this));
            Sleep(10);
        }
    }
    std::function<void(HWND)> answer_;
    DWORD owner_;
    int tries_;
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

// ---------------------------------------------------------------------------------
// The list

TEST(PickerColor, ListOrderAndCountWithTheDefaultEntry) {
    PickerForm t(kColorPicker);
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    const auto texts = Entries(picker);
    ASSERT_EQ(texts.size(), 43u);
    EXPECT_EQ(texts[0], L"Default");
    EXPECT_EQ(texts[1], L"Black");
    EXPECT_EQ(texts[10], L"Red");
    EXPECT_EQ(texts[16], L"White");
    EXPECT_EQ(texts[17], L"ScrollBar");
    EXPECT_EQ(texts[38], L"3DDkShadow");
    EXPECT_EQ(texts[41], L"InfoBk");
    EXPECT_EQ(texts[42], L"Custom");
    EXPECT_EQ(DataAt(picker, 10), clRed);
    EXPECT_EQ(DataAt(picker, 32), clBtnFace);
    EXPECT_EQ(DataAt(picker, 41), clInfoBk);
    // Loaded without a selection: the first entry.
    EXPECT_EQ(picker.ItemIndex(), 0);
    EXPECT_EQ(picker.SelectedColor(), 0);
    EXPECT_EQ(picker.DropDownCount(), 8);
}

TEST(PickerColor, WithoutTheDefaultEntryEverythingMovesUp) {
    PickerForm t(std::string(kColorPicker) +
                 "; object cboxPlain: TColorComboBox; Top = 60; ShowDefaultColor = False; end");
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    auto& plain = t.Get<TColorComboBox>("cboxPlain");
    auto all = Entries(picker);
    EXPECT_EQ(plain.ItemCount(), 42);
    EXPECT_EQ(Entries(plain), std::vector<std::wstring>(all.begin() + 1, all.end()));
    EXPECT_EQ(plain.ItemIndex(), 0);
    EXPECT_EQ(plain.SelectedColor(), clBlack);
    // Turned off at run time the list is built again.
    picker.SetShowDefaultColor(false);
    EXPECT_EQ(Entries(picker), Entries(plain));
    EXPECT_EQ(DataAt(picker, 9), clRed);
    picker.SetShowSysColors(false);
    picker.SetShowCustomColor(false);
    EXPECT_EQ(picker.ItemCount(), 16);
}

TEST(PickerColor, ColorNamesRenameEntriesInPlace) {
    PickerForm t(
        "object cboxColor: TColorComboBox; ItemHeight = 16; ColorNames.Black = '黑色'; "
        "ColorNames.DkShadow3D = '三维阴影'; ColorNames.Custom = '自定义'; end");
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    EXPECT_EQ(picker.ItemText(1), L"黑色");
    EXPECT_EQ(picker.ItemText(38), L"三维阴影");
    EXPECT_EQ(picker.ItemText(42), L"自定义");

    picker.SetSelectedColor(clRed);
    picker.ColorNames().SetName(TColorNames::IdOfProperty("Red"), L"红色");
    EXPECT_EQ(picker.ItemText(10), L"红色");
    EXPECT_EQ(DataAt(picker, 10), clRed);
    EXPECT_EQ(picker.ItemIndex(), 10) << "the selection stays";
    EXPECT_EQ(picker.ItemCount(), 43);
    EXPECT_TRUE(picker.ColorNames().Changed());
}

TEST(PickerColor, UnknownPropertiesAreErrorsOfTheDescription) {
    Application().Initialize(GetModuleHandleW(nullptr));
    RegisterPickerClasses();
    for (const char* property : {"ColorNames.Orange = 'x'", "Shading = 3"}) {
        TForm form(nullptr);
        EXPECT_THROW(form.LoadFromDescription(Lines(
                         std::string("object F: TForm; object c: TColorComboBox; ") + property + "; end; end")),
                     KeloError)
            << property;
    }
}

// ---------------------------------------------------------------------------------
// The selected colour

TEST(PickerColor, SelectedColorRoundTripsAndRaisesTheChange) {
    PickerForm t(kColorPicker);
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    const std::pair<TColor, int> listed[] = {{clRed, 10}, {clWhite, 16}, {clBtnFace, 32},
                                             {clInfoBk, 41}, {clBlack, 0}};
    int changes = 0;
    for (const auto& [color, index] : listed) {
        picker.SetSelectedColor(color);
        EXPECT_EQ(picker.ItemIndex(), index) << color;
        EXPECT_EQ(picker.SelectedColor(), color);
        EXPECT_EQ(t.changes, ++changes);
    }
    // A colour of no entry becomes the custom one.
    picker.SetSelectedColor(0x123456);
    EXPECT_EQ(picker.ItemIndex(), 42);
    EXPECT_EQ(picker.CustomColor(), 0x123456);
    EXPECT_EQ(DataAt(picker, 42), 0x123456);
    EXPECT_EQ(picker.SelectedColor(), 0x123456);
    EXPECT_EQ(t.changes, ++changes);
}

TEST(PickerColor, DefaultColorWhenNothingIsSelected) {
    PickerForm t("object cboxColor: TColorComboBox; DefaultColor = clRed; end");
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    EXPECT_EQ(DataAt(picker, 0), clRed);
    picker.SetSelectedColor(clRed);
    EXPECT_EQ(picker.ItemIndex(), 0) << "Default comes before Red";
    picker.SetItemIndex(-1);
    EXPECT_EQ(picker.SelectedColor(), clRed);
    picker.SetDefaultColor(clNavy);
    EXPECT_EQ(picker.SelectedColor(), clNavy);
    EXPECT_EQ(DataAt(picker, 0), clNavy);
}

TEST(PickerColor, CustomColorMinusOneIsStoredAsZero) {
    PickerForm t(kColorPicker);
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    picker.SetCustomColor(-1);
    EXPECT_EQ(picker.CustomColor(), 0);
    EXPECT_EQ(DataAt(picker, 42), 0);
}

TEST(PickerColor, RecreatingTheWindowKeepsSelectionAndNames) {
    PickerForm t(kColorPicker);
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    picker.SetSelectedColor(clTeal);
    picker.ColorNames().SetName(TColorNames::IdOfProperty("Teal"), L"青色");
    const HWND before = picker.Handle();
    picker.RecreateWnd();
    EXPECT_NE(picker.Handle(), before);
    EXPECT_EQ(picker.ItemIndex(), 7);
    EXPECT_EQ(picker.ItemText(7), L"青色");
    EXPECT_EQ(picker.SelectedColor(), clTeal);
    picker.Font().SetHeight(-14);  // a new font makes a new window too
    EXPECT_EQ(picker.ItemIndex(), 7);
    EXPECT_EQ(picker.ItemCount(), 43);
}

TEST(PickerColor, CustomColorsAreWrittenAsLowerCaseHex) {
    PickerForm t(
        "object cboxColor: TColorComboBox; CustomColors.Strings = ('ColorA=FFFFFF' 'ColorB=1ABC'); end");
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    EXPECT_EQ(picker.CustomColors(), (std::vector<std::string>{"ColorA=ffffff", "ColorB=001abc"}));
    picker.SetCustomColors({"ColorC=FF00FF00"});
    EXPECT_EQ(picker.CustomColors(), (std::vector<std::string>{"ColorC=00ff00"}));
}

// ---------------------------------------------------------------------------------
// The user's choice and the colour dialog

TEST(PickerColor, TheUsersChoiceRaisesTheChange) {
    PickerForm t(kColorPicker);
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    UserChooses(picker, 12);
    EXPECT_EQ(picker.SelectedColor(), clYellow);
    EXPECT_EQ(t.changes, 1);
}

TEST(PickerColor, ChoosingCustomOpensTheColourDialogAndCancelKeepsTheColour) {
    PickerForm t(kColorPicker);
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    picker.SetCustomColor(0x123456);
    const int changesBefore = t.changes;
    int red = -1;
    {
        ColorDialogDriver driver([&](HWND dialog) {
            red = static_cast<int>(GetDlgItemInt(dialog, COLOR_RED, nullptr, FALSE));
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        UserChooses(picker, 42);
        Pump(100);
        EXPECT_TRUE(driver.Seen());
    }
    EXPECT_EQ(red, 0x56) << "the dialog starts from the custom entry's colour";
    EXPECT_EQ(t.changes, changesBefore + 1) << "the choice of the entry";
    EXPECT_EQ(picker.CustomColor(), 0x123456);
    EXPECT_EQ(picker.SelectedColor(), 0x123456);
    EXPECT_TRUE(picker.CustomColors().empty());
}

TEST(PickerColor, AColourConfirmedInTheDialogBecomesTheCustomColour) {
    PickerForm t(kColorPicker);
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    picker.SetCustomColors({"ColorB=0000ff"});
    {
        ColorDialogDriver driver([](HWND dialog) {
            SetDlgItemInt(dialog, COLOR_RED, 1, FALSE);
            SetDlgItemInt(dialog, COLOR_GREEN, 2, FALSE);
            SetDlgItemInt(dialog, COLOR_BLUE, 3, FALSE);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        UserChooses(picker, 42);
        Pump(100);
        EXPECT_TRUE(driver.Seen());
    }
    EXPECT_EQ(picker.CustomColor(), 0x030201);
    EXPECT_EQ(picker.SelectedColor(), 0x030201);
    EXPECT_EQ(DataAt(picker, 42), 0x030201);
    EXPECT_EQ(t.changes, 1) << "no change for the dialog's colour";
    ASSERT_EQ(picker.CustomColors().size(), 16u);
    EXPECT_EQ(picker.CustomColors()[1], "ColorB=0000ff");
}

TEST(PickerColor, AListClosedWithEscOnCustomOpensNoDialog) {
    PickerForm t(kColorPicker);
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    picker.SetItemIndex(41);
    ColorDialogDriver driver([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }, 400);
    UserMovesAndCancels(picker);
    Pump(150);
    EXPECT_EQ(picker.ItemIndex(), 42) << "moved onto Custom before Esc";
    EXPECT_FALSE(driver.Seen());
}

TEST(PickerColor, CustomWithoutTheCustomEntryOpensNothing) {
    PickerForm t("object cboxColor: TColorComboBox; ShowCustomColor = False; end");
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    ColorDialogDriver driver([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }, 400);
    UserChooses(picker, picker.ItemCount() - 1);
    Pump(150);
    EXPECT_FALSE(driver.Seen());
    EXPECT_EQ(picker.SelectedColor(), clInfoBk);
}

TEST(PickerColor, ScreenshotsOfTheOpenList) {
    PickerForm t(
        "object cboxColor: TColorComboBox; Left = 16; Top = 16; Width = 145; ItemHeight = 16; end; "
        "object cboxSwatches: TColorComboBox; Left = 200; Top = 16; Width = 99; ItemHeight = 16; "
        "ShowColorNames = False; end; "
        "object cboxOff: TColorComboBox; Left = 200; Top = 60; Width = 99; ItemHeight = 16; "
        "Enabled = False; end");
    auto& picker = t.Get<TColorComboBox>("cboxColor");
    t.Get<TColorComboBox>("cboxSwatches").SetSelectedColor(clGreen);
    t.Get<TColorComboBox>("cboxOff").SetSelectedColor(clBlue);
    picker.SetCustomColor(0x4080FF);
    const std::pair<TColor, const char*> shots[] = {{clRed, "picker-color.png"},
                                                    {0x4080FF, "picker-color-custom.png"}};
    for (const auto& [color, file] : shots) {
        picker.SetSelectedColor(color);
        picker.SetFocus();
        picker.SetDroppedDown(true);
        Pump(100);
        const HWND list = DroppedList(picker.Handle());
        ASSERT_TRUE(IsWindowVisible(list));
        EXPECT_TRUE(SaveScreenArea(UnionOf({t.form->Handle(), list}), ScreenshotDir() + file));
        picker.SetDroppedDown(false);
        Pump(30);
    }
}

}  // namespace
