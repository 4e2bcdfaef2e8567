#pragma once
// The rules of the skinned frame that need no window: which windows get skinned and with
// which skin source, the frame's border sizes, where the caption text and the caption
// buttons go and which of them show, the window region's pieces and the menu-bar layout.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/UnicodeText.h"
#include "skin/data/NineGrid.h"
#include "skin/data/SkinData.h"

namespace kelo::skin {

// ---- which windows are skinned ------------------------------------------------------

// What the skin manager knows of a window it is asked to skin.
struct SkinWindowFacts {
    bool managerActive = false;   // skinning is on
    bool answersSkinned = false;  // the window answered the skinned-window query with 1
    bool listed = false;          // the manager already has a skinned window for it
    bool activatingAll = false;   // action 1 is skinning every form
    bool childStyle = false;      // WS_CHILD
    std::wstring parentClass;     // class name of the parent window (any case)
    bool zeroArea = false;        // the window rectangle has no area
    std::optional<int> formTag;   // the framework form's Tag, when the window is a form
    std::wstring className;       // the window's class name (any case)
};

// The window filter of the first main-window skin source. `present` false: there is no
// such source and every window passes.
struct SkinWindowFilter {
    bool present = false;
    std::function<bool(const std::wstring& className)> onFormSkin;  // decides alone when set
    bool fastReport = false;                                        // xcFastReport
};

enum class SkinWindowVerdict {
    Skin,
    Inactive,        // the manager's active flag is clear
    AlreadySkinned,  // answered the query, or listed
    MdiChild,        // a child of an "MDIClient" window, outside action 1
    ZeroArea,
    FormTag99,       // a form whose Tag is 99 (whatever DisableTag holds)
    Application,     // the "TApplication" window
    Filtered,        // the filter said no
};

SkinWindowVerdict DecideSkinWindow(const SkinWindowFacts& facts, const SkinWindowFilter& filter);

// A registered skin source as the search for a window's skin sees it.
struct SkinSourceFacts {
    int formType = 0;           // TSkinFormType: 0 main form, 1 only this form, 2 dialog
    bool ownerIsWindow = false; // its owner form's window is the window in question
};

// Index of the skin source for a window: the first only-this-form source owned by the
// window; else, for "TMessageForm" and "#32770" windows, the first dialog source; else
// the first main-window source; else the first registered. Nothing when none is.
std::optional<size_t> ChooseSkinSourceIndex(const std::vector<SkinSourceFacts>& sources,
                                            const std::wstring& className);

// ---- frame geometry -----------------------------------------------------------------

// 2: a popup-style window without a full caption; 0: WS_EX_WINDOWEDGE or a thick frame;
// 3: otherwise.
int BorderKindOf(uint32_t style, uint32_t exStyle);

struct FrameBorders {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const FrameBorders&) const = default;
};

// A frame count read from a skin is at least 1.
int SafeFrameCount(int frameCount);

// Side widths (Left, Right) and heights (Top, Bottom) of one frame of each side image;
// all 0 for border kind 2.
FrameBorders SkinBorders(const SkinData& skin, int borderKind);

// The caption at a larger screen scale than the skin was drawn for (16-pixel small icons):
// the band grows to hold the icon and the caption font's text with the margins the skin
// gives a 16-pixel icon, the text moves right by what the icon grew so that the two never
// touch, and the caption buttons move down by half of what the band grew.
struct CaptionFit {
    int bandHeight = 0;
    int textShift = 0;
    int buttonShift = 0;
    bool operator==(const CaptionFit&) const = default;
};
CaptionFit FitCaption(int skinTop, int iconSize, int textHeight);

// What decides whether a caption button shows.
struct CaptionState {
    int borderKind = 0;
    bool maximized = false;
    bool active = true;
    bool maximizeBox = false;
    bool minimizeBox = false;
    bool systemMenu = false;
    bool mdiChildMaximized = false;  // the active MDI child is maximised
    int menuBarHeight = 0;
};

bool CaptionButtonVisible(const TSkinCaptionButtonElement& button, const CaptionState& state);

// Frame 1 when the window is active or the image has fewer than 4 frames, else 4.
int CaptionButtonFrame(const TSkinCaptionButtonElement& button, bool active);

struct CaptionTextInput {
    int stripWidth = 0;      // the window width
    int stripHeight = 0;     // the top border
    int textWidth = 0;       // two spaces and the window text in the caption font
    int textHeight = 0;
    int textShift = 0;       // added to the skin's TextShift (FitCaption)
    bool rightToLeft = false;
    bool popupStyle = false;  // WS_POPUP
    // Left edge of the left-most right-aligned (Align 1) caption button; none: no limit
    // from the buttons.
    std::optional<int> leftmostRightButton;
};

// The rectangle of the caption text with its TextBack margins (TXTBackleft and
// TXTBackRight included), in window coordinates.
GridRect CaptionTextRect(const TSkinTitleElement& title, const CaptionTextInput& in);

struct ButtonPlace {
    int windowWidth = 0;
    GridRect textRect;        // from CaptionTextRect
    int rightBorder = 0;
    int menuBarTop = 0;       // the top border
    int menuBarHeight = 0;
    int menuBarLeftWidth = 0; // the menu-bar element's left width, 0 without one
    int buttonShift = 0;      // down, in a grown caption band (FitCaption)
    bool rightToLeft = false;
};

// Where one frame of a caption button goes (image width / frame count by image height).
GridRect CaptionButtonRect(const TSkinCaptionButtonElement& button, const ButtonPlace& place);

// ---- window region ------------------------------------------------------------------

// The non-magenta runs of a drawn side, one rectangle per run and row (rows with the same
// runs as the row above are merged into it), moved by (offsetX, offsetY).
// `pixels` is row-major, top row first, 0x00RRGGBB.
std::vector<GridRect> OpaqueRuns(const uint32_t* pixels, int width, int height, int offsetX,
                                 int offsetY);

// ---- menu bar -----------------------------------------------------------------------

struct MenuBarLayoutInput {
    int barWidth = 0;
    int barHeight = 0;
    bool hasElement = false;  // the skin has a menu-bar image
    int elementLeft = 0;      // its left and right widths
    int elementRight = 0;
    bool rightToLeft = false;
    std::vector<int> captionWidths;  // 0 for an empty caption
};

// Item rectangles relative to the bar's top-left: width caption + 10 (0 when empty),
// height bar height - 1, one after the other from the start position.
std::vector<GridRect> MenuBarItemRects(const MenuBarLayoutInput& in);


}  // namespace kelo::skin
