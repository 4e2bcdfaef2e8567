#pragma once
// The flat control look's decisions that need no window: which working colour each part
// of a styled control takes in its state, and where a combo box's button, a check box's
// box, an up-down's halves and a group box's caption go. The Win32 painters gather the
// facts, ask here and draw.
#include <array>

#include "core/Colors.h"
#include "menupainter/MenuPainterLook.h"

namespace kelo::menupainter {

// The lightening levels of a face and of a hot face (Tag 1000 controls).
inline constexpr int kFaceLight = 16;
inline constexpr int kHotFaceLight = 40;

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

// A line whose end point is not drawn.
struct Stroke {
    Point from, to;
    bool operator==(const Stroke&) const = default;
};

Rect Inset(const Rect& r, int n);

// What the colour rules read about a control and its state.
struct ControlColourFacts {
    TColor colour = clBtnFace;        // the control's own colour
    TColor parentColour = clBtnFace;  // the parent's background
    bool parentFace = false;          // Tag 1000: the face comes from the parent colour
    bool enabled = true;
    bool hot = false;
    bool focused = false;
    bool mouseDown = false;
    bool spaceDown = false;
};

// ---- combo boxes ------------------------------------------------------------------------

struct ComboColours {
    TColor ring = 0;       // the outermost frame of the edit part
    TColor separator = 0;  // the line between the button and its inner strip
    TColor button = 0;
    TColor arrow = 0;
    bool operator==(const ComboColours&) const = default;
};
ComboColours ComboLook(const ControlColourFacts& f, bool droppedDown, const WorkingColours& w,
                       const SystemColours& system);

struct ComboRing {
    Rect outer;        // framed in the parent colour
    Stroke topLine;    // in the parent colour
    Rect inner;        // framed in the control's colour
    Rect border;       // framed in the ring colour
};
ComboRing ComboRingOf(const Rect& client, bool hotOrFocused);

struct ComboButton {
    Rect button;     // filled with the button colour
    Rect strip;      // the inner side, in the control's colour
    Stroke separator;
    std::array<Stroke, 3> arrow;
};
// thumbWidth: GetSystemMetrics(SM_CXHTHUMB).
ComboButton ComboButtonOf(const Rect& client, const ComboRing& ring, int thumbWidth, bool rightToLeft,
                          bool hotOrFocused);

// ---- edits, tree and list views ---------------------------------------------------------

TColor EditFrameColour(const ControlColourFacts& f, bool singleBorder, const WorkingColours& w,
                       const SystemColours& system);
TColor ViewFrameColour(const ControlColourFacts& f, bool singleBorder, const WorkingColours& w,
                       const SystemColours& system);

// ---- check boxes --------------------------------------------------------------------------

struct CheckBoxColours {
    TColor fill = 0;   // inside the box
    TColor frame = 0;
    TColor tick = 0;
    bool operator==(const CheckBoxColours&) const = default;
};
CheckBoxColours CheckBoxLook(const ControlColourFacts& f, bool grayed, const WorkingColours& w);

// The box to cover the platform's one with (before its 2-pixel inset). The box sits at the
// left for text on the right of a left-to-right control, mirrored when either flips.
Rect CheckBoxBox(const Rect& client, int thumbWidth, bool textOnLeft, bool rightToLeft);
// The tick's three polylines inside the drawn (inset) box.
std::array<std::array<Point, 3>, 3> CheckTick(const Rect& box);

// ---- buttons ------------------------------------------------------------------------------

struct ButtonColours {
    TColor face = 0;
    TColor outline = 0;   // the rounded rectangle's pen
    TColor darkEdge = 0;  // the shaded edge of an enabled button
    bool operator==(const ButtonColours&) const = default;
};
ButtonColours ButtonLook(const ControlColourFacts& f, const WorkingColours& w, const SystemColours& system);

// Shaded edge along the bottom and right, or along the top and left while pressed.
std::array<Point, 4> ButtonDarkEdge(const Rect& client, bool pressed);

// ---- up-down arrows -----------------------------------------------------------------------

struct UpDownHalves {
    Rect up, down;
    bool upHot = false, downHot = false;
};
// cursorY in client coordinates.
UpDownHalves UpDownHalvesOf(const Rect& client, int cursorY, bool enabled, bool hot);

struct ArrowHalfColours {
    TColor pen = 0;
    TColor brush = 0;
    TColor arrow = 0;
    bool operator==(const ArrowHalfColours&) const = default;
};
ArrowHalfColours ArrowHalfLook(const ControlColourFacts& f, bool hotHalf, const WorkingColours& w,
                               const SystemColours& system);

// The arrow's seven strokes, centred in its half.
std::array<Stroke, 7> ArrowStrokes(const Rect& half, bool up);

// ---- panels and group boxes ---------------------------------------------------------------

struct BevelColours {
    TColor topLeft = 0, bottomRight = 0;
    bool operator==(const BevelColours&) const = default;
};
BevelColours PanelBevelLook(TColor panelColour, bool raised, const SystemColours& system);

struct GroupBoxColours {
    BevelColours frame;
    TColor topLine = 0;
};
GroupBoxColours GroupBoxLook(TColor colour, bool ctl3D, const SystemColours& system);

struct GroupBoxLayout {
    Rect erase;         // outlined in the control's colour over the platform's frame
    Stroke innerLine;   // in the control's colour, beside the frame's left edge
    Rect frame;         // the bevel
    Rect parentStrip;   // above the frame's top line, in the parent colour
    Rect caption;
    Rect underCaption;  // in the control's colour
    Stroke rightLine;   // in the control's colour
    Stroke topLeft, topRight;  // the frame's top line either side of the caption
};
GroupBoxLayout GroupBoxLayoutOf(const Rect& client, int textWidth, int textHeight, bool rightToLeft);

}  // namespace kelo::menupainter
