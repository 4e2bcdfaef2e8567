#include "controls/PickerLogic.h"

#include <cstdio>

namespace kelo::controls {

// ---------------------------------------------------------------------------------
// Font picker

bool FontListed(TFontFilter filter, unsigned pitchAndFamily, int charset, bool showSymbolFonts) {
    if (charset == kSymbolCharset && !showSymbolFonts) return false;
    switch (filter) {
    case TFontFilter::ftAll: return true;
    case TFontFilter::ftTrueType: return (pitchAndFamily & kTrueTypeBit) != 0;
    case TFontFilter::ftFixedPitch: return (pitchAndFamily & kVariablePitchBit) == 0;
    case TFontFilter::ftPrinter: return false;
    }
    return false;
}

std::wstring FaceNameEntry(std::wstring_view faceName) {
    return std::wstring(faceName.substr(0, kMaxFaceName));
}

FontGlyph GlyphFor(unsigned pitchAndFamily, TFontDevice device) {
    const bool trueType = (pitchAndFamily & kTrueTypeBit) != 0;
    const bool fixedPitch = (pitchAndFamily & kVariablePitchBit) == 0;
    if (trueType && fixedPitch) return FontGlyph::TrueTypeFixed;
    if (trueType) return FontGlyph::TrueType;
    if (fixedPitch) return FontGlyph::FixedPitch;
    return device == TFontDevice::fdPrinter ? FontGlyph::Printer : FontGlyph::Device;
}

const wchar_t* GlyphResourceName(FontGlyph glyph) {
    switch (glyph) {
    case FontGlyph::TrueType: return L"FONTGLYPH_TRUETYPE";
    case FontGlyph::FixedPitch: return L"FONTGLYPH_FIXEDPITCH";
    case FontGlyph::TrueTypeFixed: return L"FONTGLYPH_TRUETYPEFIXED";
    case FontGlyph::Printer: return L"FONTGLYPH_PRINTER";
    case FontGlyph::Device: return L"FONTGLYPH_DEVICE";
    }
    return L"";
}

int RememberRecentFont(FontEntryList& list, int& recentLast, int selected) {
    if (selected <= 0) return selected;
    const std::wstring chosen = list.Text(selected);
    for (int i = 0; i <= recentLast; ++i) {
        if (list.Text(i) == chosen) {
            if (i > 0) list.MoveToTop(i);
            return 0;
        }
    }
    list.InsertCopyAtTop(selected);
    ++recentLast;
    return 0;
}

std::wstring PreviewTextFor(const std::wstring& previewText, const PreviewEditText* edit,
                            const std::function<int(const std::wstring&)>& width,
                            int previewWidth) {
    if (edit) return !edit->selected.empty() ? edit->selected : edit->text.substr(0, 10);
    std::wstring text = previewText.empty() ? std::wstring(kDefaultPreviewText) : previewText;
    // Samples a size 36 typeface cannot fit give way to shorter ones.
    for (const wchar_t* shorter : {L"AaBbYyZ", L"AaBbYy"}) {
        if (width(text) < previewWidth) break;
        text = shorter;
    }
    return text;
}

int PreviewLeft(int comboLeft, int droppedWidth, int previewWidth, int workAreaRight,
                bool otherMonitor) {
    const int right = comboLeft + droppedWidth - 1;
    if (otherMonitor || right + previewWidth > workAreaRight) return comboLeft - previewWidth - 1;
    return right;
}

// ---------------------------------------------------------------------------------
// Colour picker

namespace {

constexpr std::array<std::string_view, kColorNameCount> kPropertyNames{
    "Default",
    "Black", "Maroon", "Green", "Olive", "Navy", "Purple", "Teal", "Gray",
    "Silver", "Red", "Lime", "Yellow", "Blue", "Fuchsia", "Aqua", "White",
    "ScrollBar", "Background", "ActiveCaption", "InactiveCaption", "Menu", "Window",
    "WindowFrame", "MenuText", "WindowText", "CaptionText", "ActiveBorder",
    "InactiveBorder", "AppWorkSpace", "Highlight", "HighlightText", "BtnFace",
    "BtnShadow", "GrayText", "BtnText", "InactiveCaptionText", "BtnHighlight",
    "DkShadow3D", "Light3D", "InfoText", "InfoBk",
    "Custom"};

// What the entries show before any renaming: the property name, except that the two
// 3D colours read as Windows names them.
std::wstring DisplayName(int nameId) {
    if (kPropertyNames[nameId] == "DkShadow3D") return L"3DDkShadow";
    if (kPropertyNames[nameId] == "Light3D") return L"3DLight";
    const std::string_view n = kPropertyNames[nameId];
    return std::wstring(n.begin(), n.end());
}

unsigned HexValue(std::string_view text) {
    unsigned value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else break;
        value = (value << 4) | digit;
    }
    return value;
}

std::string Hex6(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.6x", value & 0xFFFFFFu);
    return text;
}

}  // namespace

const std::array<TColor, kBasicColorCount>& BasicColors() {
    static constexpr std::array<TColor, kBasicColorCount> colors{
        clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clGray,
        clSilver, clRed, clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite};
    return colors;
}

int ColorEntryCount(const ColorListOptions& o) {
    return (o.showDefault ? 1 : 0) + kBasicColorCount + (o.showSysColors ? kSystemColorCount : 0) +
           (o.showCustom ? 1 : 0);
}

int ColorEntryIndex(int nameId, const ColorListOptions& o) {
    const int shift = o.showDefault ? 1 : 0;
    if (nameId == kDefaultNameId) return o.showDefault ? 0 : -1;
    if (nameId < kFirstSystemNameId) return nameId - kFirstBasicNameId + shift;
    if (nameId < kCustomNameId) return o.showSysColors ? nameId - kFirstBasicNameId + shift : -1;
    if (nameId == kCustomNameId) return o.showCustom ? ColorEntryCount(o) - 1 : -1;
    return -1;
}

int ColorNameIdAt(int index, const ColorListOptions& o) {
    if (index < 0 || index >= ColorEntryCount(o)) return -1;
    if (o.showDefault) {
        if (index == 0) return kDefaultNameId;
        --index;
    }
    if (index < kBasicColorCount) return kFirstBasicNameId + index;
    index -= kBasicColorCount;
    if (o.showSysColors) {
        if (index < kSystemColorCount) return kFirstSystemNameId + index;
        index -= kSystemColorCount;
    }
    return index == 0 && o.showCustom ? kCustomNameId : -1;
}

TColorNames::TColorNames() {
    for (int id = 0; id < kColorNameCount; ++id) names_[id] = DisplayName(id);
}

void TColorNames::SetName(int nameId, std::wstring name) {
    names_.at(nameId) = std::move(name);
    changed_ = true;
    const int index = ColorEntryIndex(nameId, options_);
    if (index >= 0 && OnRename) OnRename(index, names_[nameId]);
}

int TColorNames::IdOfProperty(std::string_view property) {
    for (int id = 0; id < kColorNameCount; ++id)
        if (kPropertyNames[id] == property) return id;
    return -1;
}

std::string_view TColorNames::PropertyName(int nameId) { return kPropertyNames.at(nameId); }

std::vector<ColorEntry> BuildColorList(const TColorNames& names, const ColorListOptions& o,
                                       TColor defaultColor, TColor customColor) {
    std::vector<ColorEntry> list;
    if (o.showDefault) list.push_back({names.Name(kDefaultNameId), defaultColor});
    for (int i = 0; i < kBasicColorCount; ++i)
        list.push_back({names.Name(kFirstBasicNameId + i), BasicColors()[i]});
    if (o.showSysColors)
        for (int i = 0; i < kSystemColorCount; ++i)
            list.push_back({names.Name(kFirstSystemNameId + i), SystemColor(i)});
    if (o.showCustom) list.push_back({names.Name(kCustomNameId), CustomColorValue(customColor)});
    return list;
}

ColorSelection SelectionForColor(const std::vector<TColor>& entryColors, TColor color) {
    for (size_t i = 0; i < entryColors.size(); ++i)
        if (entryColors[i] == color) return {static_cast<int>(i), false};
    return {static_cast<int>(entryColors.size()) - 1, true};
}

std::vector<std::string> FormatCustomColors(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const std::string& line : lines) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) out.push_back(line);
        else out.push_back(line.substr(0, eq + 1) + Hex6(HexValue(std::string_view(line).substr(eq + 1))));
    }
    return out;
}

CustomColorTable CustomColorsFromLines(const std::vector<std::string>& lines) {
    CustomColorTable table;
    table.fill(0xFFFFFF);
    for (const std::string& line : lines) {
        const size_t eq = line.find('=');
        if (eq != 6 || line.compare(0, 5, "Color") != 0) continue;
        const char letter = line[5];
        if (letter < 'A' || letter >= 'A' + kCustomColorCount) continue;
        table[letter - 'A'] = HexValue(std::string_view(line).substr(eq + 1)) & 0xFFFFFFu;
    }
    return table;
}

std::vector<std::string> LinesFromCustomColors(const CustomColorTable& table) {
    std::vector<std::string> lines;
    for (int i = 0; i < kCustomColorCount; ++i)
        lines.push_back(std::string("Color") + static_cast<char>('A' + i) + "=" + Hex6(table[i]));
    return lines;
}

}  // namespace kelo::controls
