#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "controls/PickerLogic.h"

namespace kelo::controls {
namespace {

// ---------------------------------------------------------------------------------
// Font list

constexpr unsigned kTrueTypeVariable = kTrueTypeBit | kVariablePitchBit;
constexpr unsigned kTrueTypeFixed = kTrueTypeBit;
constexpr unsigned kRasterVariable = kVariablePitchBit;
constexpr unsigned kRasterFixed = 0;
constexpr int kAnsi = 0;

TEST(PickerFontList, AllListsEveryFamily) {
    for (unsigned pf : {kTrueTypeVariable, kTrueTypeFixed, kRasterVariable, kRasterFixed})
        EXPECT_TRUE(FontListed(TFontFilter::ftAll, pf, kAnsi, true)) << pf;
}

TEST(PickerFontList, TrueTypeNeedsTheTrueTypeBit) {
    EXPECT_TRUE(FontListed(TFontFilter::ftTrueType, kTrueTypeVariable, kAnsi, true));
    EXPECT_TRUE(FontListed(TFontFilter::ftTrueType, kTrueTypeFixed, kAnsi, true));
    EXPECT_FALSE(FontListed(TFontFilter::ftTrueType, kRasterVariable, kAnsi, true));
    EXPECT_FALSE(FontListed(TFontFilter::ftTrueType, kRasterFixed, kAnsi, true));
}

TEST(PickerFontList, FixedPitchNeedsTheVariablePitchBitClear) {
    EXPECT_TRUE(FontListed(TFontFilter::ftFixedPitch, kTrueTypeFixed, kAnsi, true));
    EXPECT_TRUE(FontListed(TFontFilter::ftFixedPitch, kRasterFixed, kAnsi, true));
    EXPECT_FALSE(FontListed(TFontFilter::ftFixedPitch, kTrueTypeVariable, kAnsi, true));
    EXPECT_FALSE(FontListed(TFontFilter::ftFixedPitch, kRasterVariable, kAnsi, true));
}

TEST(PickerFontList, PrinterFilterListsNothing) {
    for (unsigned pf : {kTrueTypeVariable, kTrueTypeFixed, kRasterVariable, kRasterFixed})
        EXPECT_FALSE(FontListed(TFontFilter::ftPrinter, pf, kAnsi, true)) << pf;
}

TEST(PickerFontList, SymbolFamiliesOnlyWithShowSymbolFonts) {
    for (TFontFilter f : {TFontFilter::ftAll, TFontFilter::ftTrueType, TFontFilter::ftFixedPitch})
        EXPECT_FALSE(FontListed(f, kTrueTypeFixed, kSymbolCharset, false));
    EXPECT_TRUE(FontListed(TFontFilter::ftAll, kTrueTypeVariable, kSymbolCharset, true));
    // Other character sets are not affected by the switch.
    EXPECT_TRUE(FontListed(TFontFilter::ftAll, kTrueTypeVariable, 134, false));
}

TEST(PickerFontList, EntryHoldsAtMost32CharactersOfTheName) {
    EXPECT_EQ(FaceNameEntry(L"宋体"), L"宋体");
    const std::wstring longName(40, L'x');
    EXPECT_EQ(FaceNameEntry(longName), std::wstring(32, L'x'));
}

TEST(PickerFontGlyph, ChosenFromTrueTypeAndPitch) {
    EXPECT_EQ(GlyphFor(kTrueTypeFixed, TFontDevice::fdScreen), FontGlyph::TrueTypeFixed);
    EXPECT_EQ(GlyphFor(kTrueTypeVariable, TFontDevice::fdScreen), FontGlyph::TrueType);
    EXPECT_EQ(GlyphFor(kRasterFixed, TFontDevice::fdScreen), FontGlyph::FixedPitch);
    EXPECT_EQ(GlyphFor(kRasterVariable, TFontDevice::fdScreen), FontGlyph::Device);
    EXPECT_EQ(GlyphFor(kRasterVariable, TFontDevice::fdPrinter), FontGlyph::Printer);
    // A device font of the printer that is TrueType keeps the TrueType glyph.
    EXPECT_EQ(GlyphFor(kTrueTypeVariable | 0x08, TFontDevice::fdPrinter), FontGlyph::TrueType);
}

TEST(PickerFontGlyph, ResourceNames) {
    EXPECT_STREQ(GlyphResourceName(FontGlyph::TrueType), L"FONTGLYPH_TRUETYPE");
    EXPECT_STREQ(GlyphResourceName(FontGlyph::FixedPitch), L"FONTGLYPH_FIXEDPITCH");
    EXPECT_STREQ(GlyphResourceName(FontGlyph::TrueTypeFixed), L"FONTGLYPH_TRUETYPEFIXED");
    EXPECT_STREQ(GlyphResourceName(FontGlyph::Printer), L"FONTGLYPH_PRINTER");
    EXPECT_STREQ(GlyphResourceName(FontGlyph::Device), L"FONTGLYPH_DEVICE");
}

// ---------------------------------------------------------------------------------
// Recently used families

class VectorList : public FontEntryList {
public:
    explicit VectorList(std::vector<std::pair<std::wstring, int>> entries) : entries(std::move(entries)) {}
    std::wstring Text(int index) const override { return entries.at(index).first; }
    void MoveToTop(int index) override {
        auto entry = entries.at(index);
        entries.erase(entries.begin() + index);
        entries.insert(entries.begin(), entry);
    }
    void InsertCopyAtTop(int index) override { entries.insert(entries.begin(), entries.at(index)); }
    std::vector<std::wstring> Texts() const {
        std::vector<std::wstring> t;
        for (const auto& e : entries) t.push_back(e.first);
        return t;
    }
    std::vector<std::pair<std::wstring, int>> entries;
};

using Texts = std::vector<std::wstring>;

TEST(PickerRecentFonts, AChoiceFromTheSortedListIsCopiedToTheTop) {
    VectorList list({{L"Arial", 1}, {L"Courier", 2}, {L"Tahoma", 3}});
    int recent = -1;
    EXPECT_EQ(RememberRecentFont(list, recent, 2), 0);
    EXPECT_EQ(recent, 0);
    EXPECT_EQ(list.Texts(), (Texts{L"Tahoma", L"Arial", L"Courier", L"Tahoma"}));
    EXPECT_EQ(list.entries[0].second, 3) << "the copy carries the entry's data";
}

TEST(PickerRecentFonts, ChoosingTheCopyAgainChangesNothing) {
    VectorList list({{L"Arial", 1}, {L"Courier", 2}, {L"Tahoma", 3}});
    int recent = -1;
    RememberRecentFont(list, recent, 2);
    EXPECT_EQ(RememberRecentFont(list, recent, 0), 0);
    EXPECT_EQ(recent, 0);
    EXPECT_EQ(list.Texts(), (Texts{L"Tahoma", L"Arial", L"Courier", L"Tahoma"}));
}

TEST(PickerRecentFonts, AFamilyAlreadyRecentIsNotCopiedAgain) {
    VectorList list({{L"Arial", 1}, {L"Courier", 2}, {L"Tahoma", 3}});
    int recent = -1;
    RememberRecentFont(list, recent, 2);  // Tahoma
    RememberRecentFont(list, recent, 1);  // Arial
    ASSERT_EQ(list.Texts(), (Texts{L"Arial", L"Tahoma", L"Arial", L"Courier", L"Tahoma"}));
    EXPECT_EQ(recent, 1);
    // Tahoma again from the sorted section: the recent Tahoma moves up, no new copy.
    EXPECT_EQ(RememberRecentFont(list, recent, 4), 0);
    EXPECT_EQ(recent, 1);
    EXPECT_EQ(list.Texts(), (Texts{L"Tahoma", L"Arial", L"Arial", L"Courier", L"Tahoma"}));
    // The second recent entry chosen directly moves up as well.
    EXPECT_EQ(RememberRecentFont(list, recent, 1), 0);
    EXPECT_EQ(list.Texts(), (Texts{L"Arial", L"Tahoma", L"Arial", L"Courier", L"Tahoma"}));
}

TEST(PickerRecentFonts, NamesAreComparedWithCase) {
    VectorList list({{L"arial", 1}, {L"Arial", 2}});
    int recent = -1;
    RememberRecentFont(list, recent, 1);  // Arial
    RememberRecentFont(list, recent, 1);  // arial is not Arial: a second copy
    EXPECT_EQ(recent, 1);
    EXPECT_EQ(list.Texts(), (Texts{L"arial", L"Arial", L"arial", L"Arial"}));
}

TEST(PickerRecentFonts, NoChoiceChangesNothing) {
    VectorList list({{L"Arial", 1}, {L"Courier", 2}});
    int recent = -1;
    EXPECT_EQ(RememberRecentFont(list, recent, -1), -1);
    EXPECT_EQ(RememberRecentFont(list, recent, 0), 0);
    EXPECT_EQ(recent, -1);
    EXPECT_EQ(list.Texts(), (Texts{L"Arial", L"Courier"}));
}

// ---------------------------------------------------------------------------------
// Preview

int TenPerCharacter(const std::wstring& text) { return static_cast<int>(text.size()) * 10; }

TEST(PickerPreview, TheSampleWhenNoTextIsGiven) {
    EXPECT_EQ(PreviewTextFor(L"", nullptr, TenPerCharacter, 260), L"AaBbYyZz");
    EXPECT_EQ(PreviewTextFor(L"Kelo", nullptr, TenPerCharacter, 260), L"Kelo");
}

TEST(PickerPreview, ASampleTooWideIsShortened) {
    auto width = [](int perChar) {
        return [perChar](const std::wstring& t) { return static_cast<int>(t.size()) * perChar; };
    };
    EXPECT_EQ(PreviewTextFor(L"", nullptr, width(32), 260), L"AaBbYyZz");  // 256
    EXPECT_EQ(PreviewTextFor(L"", nullptr, width(33), 260), L"AaBbYyZ");   // 264, 231
    EXPECT_EQ(PreviewTextFor(L"", nullptr, width(40), 280), L"AaBbYy");    // 320, 280
    EXPECT_EQ(PreviewTextFor(L"", nullptr, width(90), 260), L"AaBbYy") << "no shorter sample";
}

TEST(PickerPreview, AnEditGivesItsSelectionOrItsFirstTenCharacters) {
    PreviewEditText edit{L"lazy", L"The quick brown fox jumps over the lazy dog"};
    EXPECT_EQ(PreviewTextFor(L"ignored", &edit, TenPerCharacter, 260), L"lazy");
    edit.selected.clear();
    EXPECT_EQ(PreviewTextFor(L"ignored", &edit, TenPerCharacter, 260), L"The quick ");
    edit.text = L"short";
    EXPECT_EQ(PreviewTextFor(L"", &edit, TenPerCharacter, 260), L"short");
    // Text from an edit is shown as it is, however wide.
    edit.text = L"WWWWWWWWWWWW";
    EXPECT_EQ(PreviewTextFor(L"", &edit, [](const std::wstring&) { return 9999; }, 260), L"WWWWWWWWWW");
}

TEST(PickerPreview, RightOfTheListWhenItFits) {
    EXPECT_EQ(PreviewLeft(100, 145, 260, 1024, false), 244);
    EXPECT_EQ(PreviewLeft(100, 145, 260, 244 + 260, false), 244) << "touching the edge still fits";
}

TEST(PickerPreview, LeftOfTheComboWhenItWouldCrossTheEdgeOrTheMonitor) {
    EXPECT_EQ(PreviewLeft(700, 145, 260, 1024, false), 700 - 260 - 1);
    EXPECT_EQ(PreviewLeft(100, 145, 260, 244 + 259, false), 100 - 261);
    EXPECT_EQ(PreviewLeft(100, 145, 260, 1024, true), 100 - 261);
}

// ---------------------------------------------------------------------------------
// Colour list

const ColorListOptions kAll{};
const ColorListOptions kNoDefault{false, true, true};
const ColorListOptions kNoSystem{true, false, true};
const ColorListOptions kBasicOnly{false, false, false};

TEST(PickerColorList, CountsWithAndWithoutTheOptionalEntries) {
    EXPECT_EQ(ColorEntryCount(kAll), 43);
    EXPECT_EQ(ColorEntryCount(kNoDefault), 42);
    EXPECT_EQ(ColorEntryCount(kNoSystem), 18);
    EXPECT_EQ(ColorEntryCount(kBasicOnly), 16);
}

TEST(PickerColorList, OrderNamesAndColours) {
    const TColorNames names;
    const auto list = BuildColorList(names, kAll, clRed, 0x123456);
    ASSERT_EQ(list.size(), 43u);
    EXPECT_EQ(list[0].name, L"Default");
    EXPECT_EQ(list[0].color, clRed);
    const std::vector<std::pair<const wchar_t*, TColor>> basic{
        {L"Black", 0x000000}, {L"Maroon", 0x000080}, {L"Green", 0x008000}, {L"Olive", 0x008080},
        {L"Navy", 0x800000}, {L"Purple", 0x800080}, {L"Teal", 0x808000}, {L"Gray", 0x808080},
        {L"Silver", 0xC0C0C0}, {L"Red", 0x0000FF}, {L"Lime", 0x00FF00}, {L"Yellow", 0x00FFFF},
        {L"Blue", 0xFF0000}, {L"Fuchsia", 0xFF00FF}, {L"Aqua", 0xFFFF00}, {L"White", 0xFFFFFF}};
    for (size_t i = 0; i < basic.size(); ++i) {
        EXPECT_EQ(list[1 + i].name, basic[i].first);
        EXPECT_EQ(list[1 + i].color, basic[i].second) << i;
    }
    const std::vector<const wchar_t*> system{
        L"ScrollBar", L"Background", L"ActiveCaption", L"InactiveCaption", L"Menu", L"Window",
        L"WindowFrame", L"MenuText", L"WindowText", L"CaptionText", L"ActiveBorder",
        L"InactiveBorder", L"AppWorkSpace", L"Highlight", L"HighlightText", L"BtnFace",
        L"BtnShadow", L"GrayText", L"BtnText", L"InactiveCaptionText", L"BtnHighlight",
        L"3DDkShadow", L"3DLight", L"InfoText", L"InfoBk"};
    for (size_t i = 0; i < system.size(); ++i) {
        EXPECT_EQ(list[17 + i].name, system[i]);
        EXPECT_EQ(static_cast<uint32_t>(list[17 + i].color), 0xFF000000u + i);
    }
    EXPECT_EQ(list[15 + 17].color, clBtnFace);
    EXPECT_EQ(list[42].name, L"Custom");
    EXPECT_EQ(list[42].color, 0x123456);
}

TEST(PickerColorList, WithoutTheDefaultEveryEntryMovesUpByOne) {
    const TColorNames names;
    const auto all = BuildColorList(names, kAll, 0, 0);
    const auto shifted = BuildColorList(names, kNoDefault, 0, 0);
    ASSERT_EQ(shifted.size() + 1, all.size());
    for (size_t i = 0; i < shifted.size(); ++i) {
        EXPECT_EQ(shifted[i].name, all[i + 1].name);
        EXPECT_EQ(shifted[i].color, all[i + 1].color);
    }
}

TEST(PickerColorList, WithoutSystemColoursCustomFollowsWhite) {
    const auto list = BuildColorList(TColorNames(), kNoSystem, 0, clAqua);
    ASSERT_EQ(list.size(), 18u);
    EXPECT_EQ(list[16].name, L"White");
    EXPECT_EQ(list[17].name, L"Custom");
}

TEST(PickerColorList, CustomMinusOneIsKeptAsZero) {
    EXPECT_EQ(CustomColorValue(-1), 0);
    EXPECT_EQ(CustomColorValue(clBtnFace), clBtnFace);
    EXPECT_EQ(BuildColorList(TColorNames(), kAll, 0, -1).back().color, 0);
}

TEST(PickerColorNames, IndexOfEachNameWithAndWithoutDefault) {
    EXPECT_EQ(ColorEntryIndex(kDefaultNameId, kAll), 0);
    EXPECT_EQ(ColorEntryIndex(kDefaultNameId, kNoDefault), -1);
    for (int i = 0; i < kBasicColorCount; ++i) {
        EXPECT_EQ(ColorEntryIndex(kFirstBasicNameId + i, kAll), i + 1);
        EXPECT_EQ(ColorEntryIndex(kFirstBasicNameId + i, kNoDefault), i);
    }
    for (int i = 0; i < kSystemColorCount; ++i) {
        EXPECT_EQ(ColorEntryIndex(kFirstSystemNameId + i, kAll), 17 + i);
        EXPECT_EQ(ColorEntryIndex(kFirstSystemNameId + i, kNoDefault), 16 + i);
        EXPECT_EQ(ColorEntryIndex(kFirstSystemNameId + i, kNoSystem), -1);
    }
    EXPECT_EQ(ColorEntryIndex(kCustomNameId, kAll), 42);
    EXPECT_EQ(ColorEntryIndex(kCustomNameId, kNoDefault), 41);
    EXPECT_EQ(ColorEntryIndex(kCustomNameId, kNoSystem), 17);
    EXPECT_EQ(ColorEntryIndex(kCustomNameId, kBasicOnly), -1);
}

TEST(PickerColorNames, IndexAndNameAgreeUnderEveryOption) {
    for (int bits = 0; bits < 8; ++bits) {
        const ColorListOptions o{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        const auto list = BuildColorList(TColorNames(), o, 0, 0);
        for (int index = 0; index < ColorEntryCount(o); ++index) {
            const int id = ColorNameIdAt(index, o);
            ASSERT_GE(id, 0) << bits << " " << index;
            EXPECT_EQ(ColorEntryIndex(id, o), index);
            EXPECT_EQ(TColorNames().Name(id), list[index].name);
        }
        EXPECT_EQ(ColorNameIdAt(ColorEntryCount(o), o), -1);
    }
}

TEST(PickerColorNames, PropertyNames) {
    EXPECT_EQ(TColorNames::IdOfProperty("Default"), kDefaultNameId);
    EXPECT_EQ(TColorNames::IdOfProperty("White"), kFirstBasicNameId + 15);
    EXPECT_EQ(TColorNames::IdOfProperty("DkShadow3D"), kFirstSystemNameId + 21);
    EXPECT_EQ(TColorNames::IdOfProperty("Light3D"), kFirstSystemNameId + 22);
    EXPECT_EQ(TColorNames::IdOfProperty("InfoBk"), kFirstSystemNameId + 24);
    EXPECT_EQ(TColorNames::IdOfProperty("Custom"), kCustomNameId);
    EXPECT_EQ(TColorNames::IdOfProperty("3DDkShadow"), -1);
    EXPECT_EQ(TColorNames::IdOfProperty("Orange"), -1);
    for (int id = 0; id < kColorNameCount; ++id)
        EXPECT_EQ(TColorNames::IdOfProperty(TColorNames::PropertyName(id)), id);
}

TEST(PickerColorNames, RenamingAListedEntryTellsItsIndex) {
    TColorNames names;
    std::vector<std::pair<int, std::wstring>> renamed;
    names.OnRename = [&](int index, const std::wstring& text) { renamed.emplace_back(index, text); };
    EXPECT_FALSE(names.Changed());
    names.SetName(TColorNames::IdOfProperty("Black"), L"黑色");
    names.SetName(TColorNames::IdOfProperty("InfoBk"), L"提示背景");
    names.SetOptions(kNoDefault);
    names.SetName(TColorNames::IdOfProperty("Custom"), L"自定义");
    names.SetName(TColorNames::IdOfProperty("Default"), L"默认");  // not listed
    EXPECT_TRUE(names.Changed());
    EXPECT_EQ(renamed, (std::vector<std::pair<int, std::wstring>>{
                           {1, L"黑色"}, {41, L"提示背景"}, {41, L"自定义"}}));
    EXPECT_EQ(names.Name(kDefaultNameId), L"默认") << "kept for when the entry comes back";
    EXPECT_EQ(BuildColorList(names, kAll, 0, 0)[0].name, L"默认");
}

// ---------------------------------------------------------------------------------
// Colour selection

std::vector<TColor> Colors(const ColorListOptions& o, TColor defaultColor, TColor custom) {
    std::vector<TColor> colors;
    for (const auto& e : BuildColorList(TColorNames(), o, defaultColor, custom)) colors.push_back(e.color);
    return colors;
}

TEST(PickerColorSelection, AListedColourSelectsItsEntry) {
    const auto colors = Colors(kAll, 0, 0);
    EXPECT_EQ(SelectionForColor(colors, clRed).index, 10);
    EXPECT_FALSE(SelectionForColor(colors, clRed).customTakesColor);
    EXPECT_EQ(SelectionForColor(colors, clBtnFace).index, 17 + 15);
    EXPECT_EQ(SelectionForColor(colors, clInfoBk).index, 41);
}

TEST(PickerColorSelection, ASharedColourSelectsTheFirstEntry) {
    // Default and Black are both 0: Default wins; without it, Black.
    EXPECT_EQ(SelectionForColor(Colors(kAll, 0, 0), 0).index, 0);
    EXPECT_EQ(SelectionForColor(Colors(kNoDefault, 0, 0), 0).index, 0);
    EXPECT_EQ(SelectionForColor(Colors(kAll, clWhite, 0), clWhite).index, 0);
    EXPECT_EQ(SelectionForColor(Colors(kAll, clWhite, 0), 0).index, 1);
}

TEST(PickerColorSelection, AnUnlistedColourGoesToTheLastEntry) {
    const auto s = SelectionForColor(Colors(kAll, 0, 0), 0x123456);
    EXPECT_EQ(s.index, 42);
    EXPECT_TRUE(s.customTakesColor);
    // The custom entry's own colour is a listed one.
    EXPECT_EQ(SelectionForColor(Colors(kAll, 0, 0x123456), 0x123456).index, 42);
    EXPECT_FALSE(SelectionForColor(Colors(kAll, 0, 0x123456), 0x123456).customTakesColor);
    // A system colour without the system colours is unlisted too.
    EXPECT_EQ(SelectionForColor(Colors(kNoSystem, 0, 0), clBtnFace).index, 17);
}

// ---------------------------------------------------------------------------------
// Custom colours

using Lines = std::vector<std::string>;

TEST(PickerCustomColors, ValuesBecomeSixLowerCaseHexDigits) {
    EXPECT_EQ(FormatCustomColors({"ColorA=FFFFFF", "ColorB=1", "ColorC=AbCdEf"}),
              (Lines{"ColorA=ffffff", "ColorB=000001", "ColorC=abcdef"}));
}

TEST(PickerCustomColors, ValuesAreMaskedAndReadAsFarAsTheyAreHex) {
    EXPECT_EQ(FormatCustomColors({"ColorA=1FFFFFF", "ColorB=12zz", "ColorC=", "ColorD=xyz"}),
              (Lines{"ColorA=ffffff", "ColorB=000012", "ColorC=000000", "ColorD=000000"}));
}

TEST(PickerCustomColors, LinesWithoutAValueStay) {
    EXPECT_EQ(FormatCustomColors({"remark", "", "Other=10"}), (Lines{"remark", "", "Other=000010"}));
}

TEST(PickerCustomColors, DialogTableFromTheLines) {
    const auto table = CustomColorsFromLines({"ColorB=0000ff", "ColorP=123456", "ColorQ=000000", "Other=0"});
    EXPECT_EQ(table[0], 0xFFFFFFu) << "missing: white";
    EXPECT_EQ(table[1], 0x0000FFu);
    EXPECT_EQ(table[15], 0x123456u);
}

TEST(PickerCustomColors, DialogTableBackToLines) {
    CustomColorTable table;
    table.fill(0xFFFFFF);
    table[2] = 0xFF;
    const Lines lines = LinesFromCustomColors(table);
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[0], "ColorA=ffffff");
    EXPECT_EQ(lines[2], "ColorC=0000ff");
    EXPECT_EQ(lines[15], "ColorP=ffffff");
    EXPECT_EQ(CustomColorsFromLines(lines), table);
}

}  // namespace
}  // namespace kelo::controls
