#pragma once
// The rules of the font and colour pickers that need no window: which font families
// are listed and with which glyph, the recently used families, the preview's text and
// place, the colour list with its names, the colour selection and the colour dialog's
// custom colours.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Colors.h"

namespace kelo::controls {

// ---------------------------------------------------------------------------------
// Font picker

enum class TFontDevice { fdScreen, fdPrinter };
enum class TFontFilter { ftAll, ftTrueType, ftFixedPitch, ftPrinter };
enum class TFontShowStyle { ssFontName, ssFontSample, ssFontNameAndSample, ssFontPreview };

// Bits of a font's pitch-and-family byte (its text metrics) and the symbol charset.
inline constexpr unsigned kVariablePitchBit = 0x01;
inline constexpr unsigned kTrueTypeBit = 0x04;
inline constexpr int kSymbolCharset = 2;
// The longest family name an entry holds (the size of a face name in a font record).
inline constexpr size_t kMaxFaceName = 32;

// Whether an enumerated family goes into the list.
bool FontListed(TFontFilter filter, unsigned pitchAndFamily, int charset, bool showSymbolFonts);
// The family name as the entry shows it.
std::wstring FaceNameEntry(std::wstring_view faceName);

enum class FontGlyph { TrueType, FixedPitch, TrueTypeFixed, Printer, Device };
inline constexpr int kFontGlyphSize = 12;
// The bitmap resources of the glyphs, drawn with this colour as the transparent one.
inline constexpr TColor kGlyphTransparentColor = 0x008080;
FontGlyph GlyphFor(unsigned pitchAndFamily, TFontDevice device);
const wchar_t* GlyphResourceName(FontGlyph glyph);

// The list as the recently used families see it; the picker's combo box is one.
class FontEntryList {
public:
    virtual ~FontEntryList() = default;
    virtual std::wstring Text(int index) const = 0;
    virtual void MoveToTop(int index) = 0;
    virtual void InsertCopyAtTop(int index) = 0;
};

// After the user chose entry `selected`: the chosen family goes to the top, moved when
// it already is among the recent entries 0 .. recentLast (recentLast -1: none yet),
// copied there otherwise, which makes one recent entry more. Returns the entry to
// select; a choice of entry 0, or of none, changes nothing.
int RememberRecentFont(FontEntryList& list, int& recentLast, int selected);

inline constexpr wchar_t kDefaultPreviewText[] = L"AaBbYyZz";

struct PreviewEditText {
    std::wstring selected;  // the edit's selected text, empty when none
    std::wstring text;      // the edit's whole text
};

// The preview's text when the list opens. With an edit: its selection, or its first
// ten characters. Without one: PreviewText or the sample, shortened to the shorter
// samples while `width` says it is not narrower than previewWidth.
std::wstring PreviewTextFor(const std::wstring& previewText, const PreviewEditText* edit,
                            const std::function<int(const std::wstring&)>& width,
                            int previewWidth);

// The preview's left edge on the screen: right of the open list, or left of the combo
// box when it would cross the work area's right edge or reach another monitor.
int PreviewLeft(int comboLeft, int droppedWidth, int previewWidth, int workAreaRight,
                bool otherMonitor);

// ---------------------------------------------------------------------------------
// Colour picker

inline constexpr int kBasicColorCount = 16;
inline constexpr int kSystemColorCount = 25;
// Names: the default entry, the basic colours, the system colours, the custom entry.
inline constexpr int kColorNameCount = 1 + kBasicColorCount + kSystemColorCount + 1;
inline constexpr int kDefaultNameId = 0;
inline constexpr int kFirstBasicNameId = 1;
inline constexpr int kFirstSystemNameId = 1 + kBasicColorCount;
inline constexpr int kCustomNameId = kColorNameCount - 1;

const std::array<TColor, kBasicColorCount>& BasicColors();

struct ColorListOptions {
    bool showDefault = true;
    bool showSysColors = true;
    bool showCustom = true;
};

int ColorEntryCount(const ColorListOptions& options);
// The list index of a name's entry, or -1 when that entry is not listed.
int ColorEntryIndex(int nameId, const ColorListOptions& options);
// The name of the entry at a list index.
int ColorNameIdAt(int index, const ColorListOptions& options);

// The display names of the colour list, as published properties; the default name of
// each is the colour's own. Setting a name of a listed entry tells the picker to
// rename that entry in place.
class TColorNames {
public:
    TColorNames();

    const std::wstring& Name(int nameId) const { return names_.at(nameId); }
    void SetName(int nameId, std::wstring name);
    // The property names: Default, Black ... White, ScrollBar ... InfoBk (the 3D
    // colours as DkShadow3D and Light3D), Custom. -1 for an unknown property.
    static int IdOfProperty(std::string_view property);
    static std::string_view PropertyName(int nameId);

    // The picker's Show flags, copied here so that a name finds its entry.
    const ColorListOptions& Options() const { return options_; }
    void SetOptions(const ColorListOptions& options) { options_ = options; }
    // True once a name was set: the picker holds on to its names.
    bool Changed() const { return changed_; }

    // Told with the list index and the new text of a renamed listed entry.
    std::function<void(int index, const std::wstring& text)> OnRename;

private:
    std::array<std::wstring, kColorNameCount> names_;
    ColorListOptions options_;
    bool changed_ = false;
};

struct ColorEntry {
    std::wstring name;
    TColor color;
};

// The list in order: Default, the basic colours, the system colours, Custom.
std::vector<ColorEntry> BuildColorList(const TColorNames& names, const ColorListOptions& options,
                                       TColor defaultColor, TColor customColor);

// The value of the Custom entry: -1 would read as "no entry", so it is kept as 0.
constexpr TColor CustomColorValue(TColor color) { return color == -1 ? 0 : color; }

// Where setting a colour lands: the first entry with that colour, else the last entry,
// which then takes the colour as the custom one.
struct ColorSelection {
    int index;
    bool customTakesColor;
};
ColorSelection SelectionForColor(const std::vector<TColor>& entryColors, TColor color);

// The colour dialog's custom colours as name=value lines.
inline constexpr int kCustomColorCount = 16;
using CustomColorTable = std::array<uint32_t, kCustomColorCount>;
// Every value rewritten as six lower-case hexadecimal digits (read as hexadecimal,
// masked with $FFFFFF); a line without "=" stays as it is.
std::vector<std::string> FormatCustomColors(const std::vector<std::string>& lines);
// The dialog's table: ColorA ... ColorP from the lines, white where a line is missing.
CustomColorTable CustomColorsFromLines(const std::vector<std::string>& lines);
std::vector<std::string> LinesFromCustomColors(const CustomColorTable& table);

}  // namespace kelo::controls
