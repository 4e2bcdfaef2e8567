#pragma once
// The decisions of the control skins that need no window: which frame of an element a
// control in a given state shows, where a check mark's glyph and a combo box's button go,
// how an up-down control splits into its two arrows and what a status-bar panel shows.
// The Win32 control skins gather the control's facts, ask here and draw what it says.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "skin/data/NineGrid.h"
#include "skin/data/SkinData.h"

namespace kelo::skin {

// What a control skin knows of its control.
struct ControlState {
    bool enabled = true;
    bool focused = false;
    bool hot = false;      // the mouse is over it
    bool pressed = false;
};

// The frames of the push-button, combo-box and up-down images.
inline constexpr int kFrameNormal = 1, kFramePressed = 2, kFrameDisabled = 3, kFrameHot = 4;

// Pressed 2, else focused or hot 4, else 1; a disabled control is 3 whatever else holds.
int StateFrame(const ControlState& state);

// The frame to draw of an element of `count` frames, kept within 1..count; 0 (draw
// nothing) when the element has no frames.
int ClampFrame(int frame, int count);

// A push button's caption colour by its frame: the Buttons element's normal, hot and
// pressed text colours, the skin's button shadow when disabled.
SkinColor PushButtonTextColour(const TSkinElement& buttons, const SkinColourSet& colours, int frame);

// ---- check boxes and radio buttons ------------------------------------------------

enum class CheckMark { Unchecked, Checked, Indeterminate };

// BM_GETCHECK's answer: 1 checked, 2 indeterminate, anything else unchecked.
CheckMark CheckMarkOf(intptr_t buttonCheck);

// 1 unchecked, 2 checked; 3 and 4 the same when disabled; the indeterminate mark is 4.
int CheckGlyphFrame(CheckMark mark, bool enabled);

inline constexpr uint32_t kRightButtonStyle = 0x20;  // BS_RIGHTBUTTON: the box after the text

struct CheckGlyphInput {
    int controlWidth = 0, controlHeight = 0;
    int imageWidth = 0, imageHeight = 0, frameCount = 0;
    uint32_t style = 0;
    int systemBox = 0;  // the side of the system's own box, which grows with the screen's scale
};

// Where one frame of the check or radio image goes in the control: vertically centred;
// at the left, where glyphs narrower than 15 pixels sit (14 - width) / 2 in so that they
// line up with the system's box, or against the right edge for the right-button style.
// A frame smaller than the system's box is stretched over it: the system draws its box
// first, and none of it may show around the glyph. Width 0 when the image has no frames.
GridRect CheckGlyphRect(const CheckGlyphInput& in);

// ---- combo boxes -----------------------------------------------------------------

// The drop-down button's place: `buttonWidth` wide, inside a one-pixel ring of the
// control's edge, at the right, or at the left for windows with the scroll bar there.
GridRect ComboButtonRect(int width, int height, int buttonWidth, bool atLeft);

// A `width` x `height` piece centred in `area` (it may overhang a smaller area).
GridRect CentredIn(const GridRect& area, int width, int height);

// The mirrored copy of an image strip has its frames in the opposite order.
int MirroredFrame(int frame, int count);

// ---- up-down controls ------------------------------------------------------------

inline constexpr uint32_t kUpDownHorizontalStyle = 0x40;  // UDS_HORZ

enum class ArrowDirection { Up, Down, Left, Right };

struct UpDownHalf {
    GridRect rect;
    ArrowDirection direction;
    int state;  // as StateFrame: 1 normal, 2 pressed, 3 disabled, 4 hot
};

// The two halves, first arrow first: left and right for the horizontal style, else top
// and bottom. The half under the cursor (`cursorHalf` 0 or 1; -1 for none) is pressed
// while the control is, else hot while the mouse is over the control; every half of a
// disabled control is disabled.
std::array<UpDownHalf, 2> UpDownHalves(int width, int height, uint32_t style, const ControlState& state,
                                       int cursorHalf);

// The half (0 or 1) a point in the control lies in, -1 outside the control.
int UpDownHalfAt(int width, int height, uint32_t style, int x, int y);

// The frame of an up-down element: four frames an arrow, the first arrow's first.
int UpDownElementFrame(int half, int state);

// One stroke of a line-drawn arrow, from (x1, y1) up to, not including, (x2, y2).
struct Stroke {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const Stroke&) const = default;
};

// A small arrow of parallel strokes, widening from its tip, centred in `area`.
std::vector<Stroke> ArrowStrokes(const GridRect& area, ArrowDirection direction);

// ---- status bars -----------------------------------------------------------------

inline constexpr uint32_t kNoBordersPanel = 0x100;   // SBT_NOBORDERS
inline constexpr uint32_t kPopOutPanel = 0x200;      // SBT_POPOUT
inline constexpr uint32_t kRightToLeftPanel = 0x400; // SBT_RTLREADING
inline constexpr uint32_t kSizeGripStyle = 0x100;    // SBARS_SIZEGRIP

// The StatusBarEdges frame of a panel by its drawing type (SB_GETTEXT's high word):
// lowered 1, raised 2, no bevel 3.
int StatusPanelFrame(uint32_t panelType);

// A panel's text as the status bar lays it out: what comes before the first tab is at the
// left, what follows it centred, what follows a second tab at the right. Right-to-left
// panels swap the left and right pieces.
struct PanelText {
    std::wstring left, centre, right;
    bool operator==(const PanelText&) const = default;
};
PanelText SplitPanelText(std::wstring_view text, bool rightToLeft);

}  // namespace kelo::skin
