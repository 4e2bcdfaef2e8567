#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "PickerTestSupport.h"
#include "ScreenCapture.h"
#include "controls/PickerCombos.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"
#include "framework/WinText.h"

using namespace kelo;
using namespace kelo::controls;
using namespace kelo::pickertest;
using namespace kelo::test;
using namespace kelo::win;

namespace {

struct Family {
    unsigned pitchAndFamily;
    int charset;
};

// Every family of the screen, with the metrics of its first character set.
std::map<std::wstring, Family> InstalledFamilies() {
    std::map<std::wstring, Family> families;
    HDC dc = GetDC(nullptr);
    LOGFONTW all{};
    all.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(
        dc, &all,
        [](const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD, LPARAM p) -> int {
            reinterpret_cast<std::map<std::wstring, Family>*>(p)->emplace(
                font->lfFaceName, Family{metrics->tmPitchAndFamily, font->lfCharSet});
            return 1;
        },
        reinterpret_cast<LPARAM>(&families), 0);
    ReleaseDC(nullptr, dc);
    return families;
}

const char kFontPicker[] =
    "object cboxFont: TFontComboBox; Left = 16; Top = 16; Width = 200; Height = 20; "
    "ItemHeight = 16; OnChange = Changed; end";

const char kColorPicker[] =
    "object cboxColor: TColorComboBox; Left = 16; Top = 16; Width = 145; Height = 20; "
    "ItemHeight = 16; OnChange = Changed; end";

// ---------------------------------------------------------------------------------
// Font picker

TEST(PickerFont, GlyphBitmapsAreResourcesOfTheProgram) {
    for (FontGlyph g : {FontGlyph::TrueType, FontGlyph::FixedPitch, FontGlyph::TrueTypeFixed,
                        FontGlyph::Printer, FontGlyph::Device}) {
        Bitmap bitmap(static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), GlyphResourceName(g), IMAGE_BITMAP, 0, 0, 0)));
        ASSERT_TRUE(bitmap) << Narrow(GlyphResourceName(g));
        BITMAP info{};
        GetObjectW(bitmap.Get(), sizeof info, &info);
        EXPECT_EQ(info.bmWidth, 12);
        EXPECT_EQ(info.bmHeight, 12);
        // The corner of every picture is left transparent.
        HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, bitmap.Get());
        const COLORREF corner = GetPixel(dc, 0, 11);
        SelectObject(dc, old);
        DeleteDC(dc);
        EXPECT_EQ(corner, ColorToRGB(kGlyphTransparentColor)) << Narrow(GlyphResourceName(g));
    }
}

TEST(PickerFont, ListsTheInstalledFamiliesWithTheirMetrics) {
    PickerForm t(kFontPicker);
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    const auto installed = InstalledFamilies();
    ASSERT_GT(installed.size(), 3u);
    EXPECT_EQ(picker.ItemCount(), static_cast<int>(installed.size()));
    for (int i = 0; i < picker.ItemCount(); ++i) {
        auto it = installed.find(picker.ItemText(i));
        ASSERT_NE(it, installed.end()) << Narrow(picker.ItemText(i));
        EXPECT_EQ(static_cast<unsigned>(picker.ItemData(i)), it->second.pitchAndFamily);
    }
    EXPECT_GE(IndexOf(picker, L"宋体"), 0) << "the dialogs' font";
    // Sorted by the system, case-insensitively.
    for (int i = 1; i < picker.ItemCount(); ++i)
        EXPECT_LE(lstrcmpiW(picker.ItemText(i - 1).c_str(), picker.ItemText(i).c_str()), 0);
}

TEST(PickerFont, FontTypeAndSymbolFiltersRebuildTheList) {
    PickerForm t(kFontPicker);
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    const int all = picker.ItemCount();
    ASSERT_GE(IndexOf(picker, L"Wingdings"), 0) << "a symbol font of the test prefix";

    picker.SetFontType(TFontFilter::ftTrueType);
    ASSERT_GT(picker.ItemCount(), 0);
    for (int i = 0; i < picker.ItemCount(); ++i)
        EXPECT_TRUE(picker.ItemData(i) & kTrueTypeBit) << Narrow(picker.ItemText(i));

    picker.SetFontType(TFontFilter::ftFixedPitch);
    EXPECT_GE(IndexOf(picker, L"DejaVu Sans Mono"), 0);
    EXPECT_LT(picker.ItemCount(), all);
    for (int i = 0; i < picker.ItemCount(); ++i)
        EXPECT_FALSE(picker.ItemData(i) & kVariablePitchBit) << Narrow(picker.ItemText(i));

    picker.SetFontType(TFontFilter::ftPrinter);
    EXPECT_EQ(picker.ItemCount(), 0);

    picker.SetFontType(TFontFilter::ftAll);
    picker.SetShowSymbolFonts(false);
    EXPECT_EQ(IndexOf(picker, L"Wingdings"), -1);
    EXPECT_EQ(IndexOf(picker, L"Symbol"), -1);
    EXPECT_GE(IndexOf(picker, L"DejaVu Sans"), 0);
    picker.SetShowSymbolFonts(true);
    EXPECT_EQ(picker.ItemCount(), all);
}

TEST(PickerFont, SelectingByNameIgnoresCase) {
    PickerForm t(kFontPicker);
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    picker.SetFontName(L"dejavu sans mono");
    EXPECT_EQ(picker.FontName(), L"DejaVu Sans Mono");
    EXPECT_EQ(picker.ItemIndex(), IndexOf(picker, L"DejaVu Sans Mono"));
    picker.SetFontSize(14);
    picker.SetFontStyle(fsBold | fsItalic);
    TFont* font = picker.SelectedFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Name(), L"DejaVu Sans Mono");
    EXPECT_EQ(font->Height(), -MulDiv(14, 96, 72));
    EXPECT_EQ(font->Style(), static_cast<unsigned>(fsBold | fsItalic));
    EXPECT_EQ(t.changes, 0) << "only the user's choice is a change";
}

TEST(PickerFont, ANameNotInstalledLeavesNoSelection) {
    PickerForm t(kFontPicker);
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    picker.SetFontName(L"DejaVu Sans");
    picker.SetFontName(L"No Such Family");
    EXPECT_EQ(picker.ItemIndex(), -1);
    EXPECT_EQ(picker.FontName(), L"");
    EXPECT_EQ(picker.SelectedFont(), nullptr);
}

TEST(PickerFont, TheDescriptionsNameIsSelectedOnceTheListIsBuilt) {
    PickerForm t(
        "object cboxFont: TFontComboBox; ShowStyle = ssFontSample; FontName = '宋体'; "
        "ItemHeight = 16; FontSize = 9; FontStyle = [fsUnderline]; end");
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    EXPECT_EQ(picker.ShowStyle(), TFontShowStyle::ssFontSample);
    EXPECT_EQ(picker.FontName(), L"宋体");
    EXPECT_EQ(picker.SelectedFont()->Style(), static_cast<unsigned>(fsUnderline));
}

TEST(PickerFont, RecreatingTheWindowKeepsTheFamilyAndTheTabPlace) {
    PickerForm t("object edtFirst: TEdit; end; " + std::string(kFontPicker) +
                 "; object edtLast: TEdit; Top = 60; end");
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    picker.SetFontName(L"DejaVu Serif");
    picker.SetFocus();
    const HWND before = picker.Handle();
    const int count = picker.ItemCount();
    picker.RecreateWnd();
    EXPECT_NE(picker.Handle(), before);
    EXPECT_EQ(picker.ItemCount(), count);
    EXPECT_EQ(picker.FontName(), L"DejaVu Serif");
    EXPECT_EQ(GetWindow(picker.Handle(), GW_HWNDPREV), t.Get<TEdit>("edtFirst").Handle());
    EXPECT_EQ(GetWindow(picker.Handle(), GW_HWNDNEXT), t.Get<TEdit>("edtLast").Handle());
    EXPECT_EQ(GetFocus(), picker.Handle());
    // A new font recreates the window too.
    picker.Font().SetHeight(-16);
    EXPECT_EQ(picker.FontName(), L"DejaVu Serif");
    EXPECT_TRUE(IsWindowVisible(picker.Handle()));
}

TEST(PickerFont, AChosenFamilyIsCopiedToTheTopAndKeptThere) {
    PickerForm t(kFontPicker);
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    const int count = picker.ItemCount();
    const int serif = IndexOf(picker, L"DejaVu Serif");
    ASSERT_GT(serif, 1);
    UserChooses(picker, serif);
    EXPECT_EQ(t.changes, 1);
    EXPECT_EQ(picker.ItemCount(), count + 1);
    EXPECT_EQ(picker.ItemIndex(), 0);
    EXPECT_EQ(picker.ItemText(0), L"DejaVu Serif");
    EXPECT_EQ(picker.ItemData(0), picker.ItemData(serif + 1));
    EXPECT_EQ(picker.RecentLast(), 0);
    // The same family again, from the sorted section: the copy stays the only one.
    UserChooses(picker, serif + 1);
    EXPECT_EQ(picker.ItemCount(), count + 1);
    EXPECT_EQ(picker.ItemIndex(), 0);
    // Without keeping recent families the list stays as it is.
    picker.SetMaintainMRUFonts(false);
    UserChooses(picker, serif + 2);
    EXPECT_EQ(picker.ItemCount(), count + 1);
    EXPECT_EQ(picker.ItemIndex(), serif + 2);
}

TEST(PickerFont, PreviewShowsBesideTheOpenListAndHidesOnCloseUp) {
    PickerForm t(
        "object cboxFont: TFontComboBox; Left = 16; Top = 16; Width = 150; ItemHeight = 16; "
        "ShowStyle = ssFontPreview; FontName = 'DejaVu Serif'; end");
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    TFontPreviewPanel* preview = picker.Preview();
    ASSERT_NE(preview, nullptr);
    picker.SetFocus();
    picker.SetDroppedDown(true);
    Pump(100);
    ASSERT_TRUE(preview->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(preview->Handle()));
    EXPECT_EQ(GetForegroundWindow(), t.form->Handle()) << "shown without activation";
    RECT combo, shown;
    GetWindowRect(picker.Handle(), &combo);
    GetWindowRect(preview->Handle(), &shown);
    EXPECT_EQ(shown.top, combo.top);
    EXPECT_EQ(shown.left, combo.right - 1);
    EXPECT_EQ(shown.right - shown.left, 260);
    EXPECT_EQ(shown.bottom - shown.top, 65);
    EXPECT_EQ(preview->Caption(), L"AaBbYyZz");
    EXPECT_EQ(preview->Font().Name(), L"DejaVu Serif") << "the focused family";

    const std::string shot = ScreenshotDir() + "picker-font-preview.png";
    SaveScreenArea(UnionOf({t.form->Handle(), DroppedList(picker.Handle()), preview->Handle()}), shot);

    SendMessageW(picker.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(60);
    EXPECT_FALSE(IsWindowVisible(preview->Handle()));
}

TEST(PickerFont, PreviewHidesOnItsOwnMessage) {
    PickerForm t(
        "object cboxFont: TFontComboBox; ItemHeight = 16; ShowStyle = ssFontPreview; end");
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    picker.SetFocus();
    picker.SetDroppedDown(true);
    Pump(60);
    ASSERT_TRUE(IsWindowVisible(picker.Preview()->Handle()));
    SendMessageW(picker.Handle(), TFontComboBox::kHidePreviewMessage, 0, 0);
    EXPECT_FALSE(IsWindowVisible(picker.Preview()->Handle()));
    picker.SetDroppedDown(false);
    Pump(30);
}

TEST(PickerFont, DrawingTheListLeavesNoGdiObjectsBehind) {
    PickerForm t(
        "object cboxFont: TFontComboBox; ItemHeight = 16; ShowStyle = ssFontNameAndSample; end; "
        "object cboxColor: TColorComboBox; Top = 40; ItemHeight = 16; end");
    auto& font = t.Get<TFontComboBox>("cboxFont");
    auto& color = t.Get<TColorComboBox>("cboxColor");
    auto drawAll = [&] {
        for (TFramedComboBox* c : {static_cast<TFramedComboBox*>(&font), static_cast<TFramedComboBox*>(&color)}) {
            c->SetFocus();
            c->SetDroppedDown(true);
            RedrawWindow(DroppedList(c->Handle()), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            c->SetDroppedDown(false);
            Pump(10);
        }
    };
    drawAll();  // glyphs loaded once
    const long wrapped = LiveGdiObjects();
    const DWORD system = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 10; ++i) drawAll();
    EXPECT_EQ(LiveGdiObjects(), wrapped);
    if (system) EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), system + 2);
}

TEST(PickerFont, ScreenshotOfTheOpenList) {
    PickerForm t(
        "object cboxFont: TFontComboBox; Left = 16; Top = 16; Width = 220; ItemHeight = 16; "
        "ShowStyle = ssFontNameAndSample; FontName = 'DejaVu Sans'; end; "
        "object cboxSample: TFontComboBox; Left = 250; Top = 16; Width = 180; ItemHeight = 16; "
        "ShowStyle = ssFontSample; FontName = 'DejaVu Serif'; end");
    auto& picker = t.Get<TFontComboBox>("cboxFont");
    UserChooses(picker, IndexOf(picker, L"DejaVu Sans Mono"));  // a recent family on top
    picker.SetFocus();
    picker.SetDroppedDown(true);
    Pump(100);
    const HWND list = DroppedList(picker.Handle());
    ASSERT_TRUE(IsWindowVisible(list));
    SaveScreenArea(UnionOf({t.form->Handle(), list}), ScreenshotDir() + "picker-font.png");
    picker.SetDroppedDown(false);
    Pump(30);
}

}  // namespace
