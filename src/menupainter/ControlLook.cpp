#include "menupainter/ControlLook.h"

namespace kelo::menupainter {

Rect Inset(const Rect& r, int n) { return {r.left + n, r.top + n, r.right - n, r.bottom - n}; }

// ---- combo boxes ------------------------------------------------------------------------

ComboColours ComboLook(const ControlColourFacts& f, bool droppedDown, const WorkingColours& w,
                       const SystemColours& system) {
    ComboColours c;
    c.arrow = f.enabled ? clBlack : clWhite;
    if (f.hot) {
        c.ring = w.selectionBorder;
        c.button = w.selectionFill;
    } else if (f.focused) {
        c.ring = LightenColor(w.selectionBorder, 60, system);
        c.button = w.checkedFill;
    } else {
        // The ring in the control's own colour does not show.
        c.ring = f.colour;
        c.button = f.parentFace ? LightenColor(f.parentColour, kFaceLight, system) : clBtnFace;
    }
    c.separator = c.ring;
    if (droppedDown) {
        c.separator = w.selectionBorder;
        c.arrow = clWhite;
        c.button = w.checkedSelectedFill;
    }
    return c;
}

ComboRing ComboRingOf(const Rect& client, bool hotOrFocused) {
    ComboRing ring;
    ring.outer = client;
    Rect r = Inset(client, 1);
    ring.topLine = {{r.left, r.top}, {r.right, r.top}};
    ++r.top;
    --r.bottom;
    // Hot or focused, the coloured ring covers the platform's sunken edge too.
    if (hotOrFocused) r = Inset(r, -1);
    ring.inner = r;
    ++r.bottom;
    ring.border = r;
    return ring;
}

ComboButton ComboButtonOf(const Rect& client, const ComboRing& ring, int thumbWidth, bool rightToLeft,
                          bool hotOrFocused) {
    const Rect r = Inset(ring.border, 1);
    const int width = thumbWidth + 1;
    ComboButton b;
    b.button = r;
    if (rightToLeft) {
        b.button.right = r.left + width + (hotOrFocused ? 2 : 0);
        b.strip = {b.button.right - 5, r.top, b.button.right, r.bottom};
        b.separator = {{b.strip.left - 1, r.top}, {b.strip.left - 1, r.bottom}};
    } else {
        b.button.left = r.right - width - (hotOrFocused ? 1 : 0);
        b.strip = {b.button.left, r.top, b.button.left + 5, r.bottom};
        b.separator = {{b.strip.right, r.top}, {b.strip.right, r.bottom}};
    }
    const int d = rightToLeft ? client.left + 5 : client.right - 10;
    const int y = client.top + 10;
    b.arrow = {Stroke{{d, y}, {d + 5, y}}, Stroke{{d + 1, y + 1}, {d + 4, y + 1}},
               Stroke{{d + 2, y + 2}, {d + 3, y + 2}}};
    return b;
}

// ---- edits, tree and list views ---------------------------------------------------------

TColor EditFrameColour(const ControlColourFacts& f, bool singleBorder, const WorkingColours& w,
                       const SystemColours& system) {
    if (!singleBorder) {
        // A borderless edit shows a frame only while the mouse is over it.
        if (f.hot && !f.focused) {
            const std::array mix{f.colour, f.parentColour};
            return LightenColor(MixColors(mix, system), 40, system);
        }
        return f.colour;
    }
    if (f.hot || f.focused) return LightenColor(w.selectionBorder, 60, system);
    return DarkenColor(f.parentColour, 60, system);
}

TColor ViewFrameColour(const ControlColourFacts& f, bool singleBorder, const WorkingColours& w,
                       const SystemColours& system) {
    if (f.hot || f.focused) return LightenColor(w.selectionBorder, singleBorder ? 60 : 80, system);
    return singleBorder ? DarkenColor(f.parentColour, 60, system) : f.parentColour;
}

// ---- check boxes --------------------------------------------------------------------------

CheckBoxColours CheckBoxLook(const ControlColourFacts& f, bool grayed, const WorkingColours& w) {
    CheckBoxColours c{clWindow, clBtnShadow, clHighlight};
    const bool pressed = f.spaceDown || f.mouseDown;
    if (f.hot || f.focused) {
        c.fill = w.selectionFill;
        c.frame = w.selectionBorder;
    }
    if (pressed) c.fill = w.checkedSelectedFill;
    if (grayed) c.fill = clSilver;
    if (!f.enabled) c.tick = w.disabled;
    else if (pressed) c.tick = clWindow;
    else if (grayed) c.tick = clGray;
    return c;
}

Rect CheckBoxBox(const Rect& client, int thumbWidth, bool textOnLeft, bool rightToLeft) {
    const Rect r{client.left, client.top + 3, client.right, client.bottom - 3};
    const int top = r.top + (r.Height() - thumbWidth) / 2;
    const int width = thumbWidth - 1;
    if (textOnLeft == rightToLeft) return {r.left, top, r.left + width, top + thumbWidth};
    return {r.right - width, top, r.right, top + thumbWidth};
}

std::array<std::array<Point, 3>, 3> CheckTick(const Rect& box) {
    const int L = box.left, B = box.bottom;
    std::array<std::array<Point, 3>, 3> tick;
    for (int i = 0; i < 3; ++i) tick[i] = {Point{L + 2, B - i - 5}, Point{L + 4, B - i - 3}, Point{L + 9, B - i - 8}};
    return tick;
}

// ---- buttons ------------------------------------------------------------------------------

ButtonColours ButtonLook(const ControlColourFacts& f, const WorkingColours& w, const SystemColours& system) {
    TColor edge = clBtnShadow;
    ButtonColours c;
    if (f.hot) {
        c.face = f.parentFace ? LightenColor(f.parentColour, kHotFaceLight, system) : LightenColor(clBtnFace, 40, system);
        edge = LightenColor(w.selectionBorder, 60, system);
    } else {
        c.face = f.parentFace ? LightenColor(f.parentColour, kFaceLight, system) : w.iconBand;
        if (f.focused) edge = LightenColor(w.selectionBorder, 60, system);
    }
    c.outline = LightenColor(edge, 30, system);
    c.darkEdge = DarkenColor(edge, 50, system);
    return c;
}

std::array<Point, 4> ButtonDarkEdge(const Rect& r, bool pressed) {
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    if (pressed) return {Point{L, B - 2}, Point{L, T + 1}, Point{L + 1, T}, Point{R - 1, T}};
    return {Point{R - 1, T + 1}, Point{R - 1, B - 2}, Point{R - 2, B - 1}, Point{L, B - 1}};
}

// ---- up-down arrows -----------------------------------------------------------------------

UpDownHalves UpDownHalvesOf(const Rect& r, int cursorY, bool enabled, bool hot) {
    const int half = r.Height() / 2;
    UpDownHalves h;
    h.up = {r.left, r.top, r.right, r.top + half};
    h.down = {r.left, r.bottom - half, r.right, r.bottom};
    h.upHot = enabled && hot && cursorY < half;
    h.downHot = enabled && hot && cursorY >= half;
    return h;
}

ArrowHalfColours ArrowHalfLook(const ControlColourFacts& f, bool hotHalf, const WorkingColours& w,
                               const SystemColours& system) {
    ArrowHalfColours c;
    c.arrow = f.enabled ? clBlack : clWhite;
    if (hotHalf && f.mouseDown) {
        c.pen = w.selectionBorder;
        c.brush = w.checkedSelectedFill;
        c.arrow = clWhite;
    } else if (hotHalf) {
        c.pen = w.selectionBorder;
        c.brush = LightenColor(w.selectionFill, 60, system);
    } else {
        c.brush = LightenColor(f.parentFace ? f.parentColour : w.selectionFill, kFaceLight, system);
        c.pen = LightenColor(f.parentColour, 80, system);
    }
    return c;
}

std::array<Stroke, 7> ArrowStrokes(const Rect& half, bool up) {
    const int x = half.left + half.Width() / 2;
    const int y = half.top + half.Height() / 2 - 2;
    auto s = [](int x1, int y1, int x2, int y2) { return Stroke{{x1, y1}, {x2, y2}}; };
    if (up)
        return {s(x, y, x, y - 1),         s(x + 1, y + 1, x + 4, y + 4), s(x, y + 1, x + 3, y + 4),
                s(x, y + 2, x + 2, y + 4), s(x - 1, y + 1, x - 4, y + 4), s(x, y + 2, x - 3, y + 4),
                s(x, y + 1, x - 2, y + 4)};
    return {s(x, y + 3, x, y + 4),     s(x + 1, y + 2, x + 4, y - 1), s(x, y + 2, x + 3, y - 1),
            s(x, y + 1, x + 2, y),     s(x - 1, y + 2, x - 4, y - 1), s(x, y + 2, x - 3, y - 1),
            s(x, y + 1, x - 2, y)};
}

// ---- panels and group boxes ---------------------------------------------------------------

BevelColours PanelBevelLook(TColor panelColour, bool raised, const SystemColours& system) {
    const TColor dark = DarkenColor(panelColour, 60, system);
    const TColor light = LightenColor(panelColour, 60, system);
    return raised ? BevelColours{light, dark} : BevelColours{dark, light};
}

GroupBoxColours GroupBoxLook(TColor colour, bool ctl3D, const SystemColours& system) {
    const TColor light = LightenColor(colour, 60, system);
    const TColor dark = DarkenColor(colour, 60, system);
    if (ctl3D) return {{light, dark}, light};
    return {{dark, dark}, dark};
}

GroupBoxLayout GroupBoxLayoutOf(const Rect& c, int textWidth, int textHeight, bool rightToLeft) {
    const int half = textHeight / 2;
    GroupBoxLayout g;
    g.erase = Inset(c, 1);
    g.erase.top = c.top + textHeight;
    g.frame = {c.left, c.top + half - 1, c.right, c.bottom};
    g.innerLine = {{g.frame.left + 1, g.frame.top}, {g.frame.left + 1, g.frame.bottom}};
    const int lineY = c.top + half + 1;
    g.parentStrip = {c.left, c.top, c.right, lineY};
    g.caption = rightToLeft ? Rect{c.right - 9 - textWidth, c.top, c.right - 9, c.top + textHeight}
                            : Rect{c.left + 9, c.top, c.left + 9 + textWidth, c.top + textHeight};
    g.underCaption = {g.caption.left, lineY, g.caption.right, c.top + 2 * half + 2};
    g.rightLine = {{c.right - 2, lineY}, {c.right - 2, g.caption.bottom}};
    g.topLeft = {{c.left, lineY}, {g.caption.left, lineY}};
    g.topRight = {{g.caption.right, lineY}, {c.right - 1, lineY}};
    return g;
}

}  // namespace kelo::menupainter
