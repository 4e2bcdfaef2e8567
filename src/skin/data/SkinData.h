#pragma once
// A parsed skin: the colour set, the elements and the caption buttons, read from the
// INI entry of a skin archive.
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "skin/data/SkinArchive.h"
#include "skin/data/SkinElements.h"

namespace kelo::skin {

class SkinIniFile;

// The element sections, in the order they are read.
enum class SkinPart {
    GroupBoxEdge, Toolbars, Tabs, StatusBarEdges, ComboButton, SunkEdge, ExtraImages,
    Headerbar, MenuItem, MenuBackground, Scrollbar, HorzScroll, VertScroll,
    HorzScrollThumb, VertScrollThumb, TrackbarThumbHorz, TrackbarThumbVert,
    TrackbarThumbLeft, TrackbarThumbRight, TrackbarThumbUp, TrackbarThumbDown,
    UpDownHorz, UpDownVert,
};
inline constexpr size_t kSkinPartCount = static_cast<size_t>(SkinPart::UpDownVert) + 1;
const char* SkinPartSection(SkinPart part);

enum class FrameSide { Left, Right, Top, Bottom };

struct SkinColourSet {
    SkinColor windowText = clWindowText;
    SkinColor buttonFace = clBtnFace;
    SkinColor scrollbar = clScrollBar;
    SkinColor hilightText = clHighlightText;
    SkinColor hilight = clHighlight;
    SkinColor menubar = clBtnFace;
    SkinColor menu = clMenu;
    SkinColor menuText = clMenuText;
    SkinColor buttonText = clBtnText;
    SkinColor buttonHilight = clBtnHighlight;
    SkinColor buttonlight = clBtnHighlight;
    SkinColor buttonShadow = clBtnShadow;
    SkinColor buttonDkShadow = clBtnShadow;
    SkinColor menuBarText = clMenuText;
    SkinColor titleTextActive = clCaptionText;
    SkinColor titleTextNoActive = clInactiveCaptionText;
};

struct SkinData {
    SkinData();

    std::string skinName;
    SkinColourSet colours;
    std::vector<SkinColor> extraColours;
    TSkinButtonElement buttons;                // [Buttons]: push buttons, check and radio images
    std::array<TSkinBorderElement, 4> sides;  // by FrameSide
    TSkinTitleElement title;
    std::vector<TSkinCaptionButtonElement> captionButtons;  // the skin's, then three MDI buttons
    std::unique_ptr<TSkinBorderElement> progress;
    std::unique_ptr<TSkinElement> menuBar;
    std::array<std::unique_ptr<TSkinElement>, kSkinPartCount> parts;

    const TSkinBorderElement& Side(FrameSide side) const { return sides[static_cast<size_t>(side)]; }
    // The element of a section, or none when the skin has no image for it.
    const TSkinElement* Part(SkinPart part) const { return parts[static_cast<size_t>(part)].get(); }
};

// A colour string of the skin: up to three runs of digits as red, green and blue; a run
// that ends the text counts only as blue. Empty text gives `def`.
SkinColor ParseSkinColour(std::string_view text, SkinColor def);

// The frame count of a caption button without a "frame" key.
int32_t CaptionButtonFrameCount(const SkinImage& image, int32_t action);
// The frame count of the check-box or radio image: the key's value, or from the width.
int32_t GlyphFrameCount(const SkinImage& image, int32_t keyValue);

// Reads the skin from its INI text; images come from `archive` by name.
SkinData ParseSkinIni(const SkinIniFile& ini, const TSkinArchiveReader& archive);

// Unpacks a skin file and parses it. Nothing when it cannot be read; `result` tells why.
std::unique_ptr<SkinData> ParseSkinFile(std::string_view skinFile, ArchiveOpenResult* result = nullptr);

}  // namespace kelo::skin
