// The kind painters: each draws the flat look over what the control itself just drew,
// on the client area or, for frames that replace a border, on the whole window.
#include "menupainter/ControlPaint.h"

#include <span>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Handle.h"
#include "menupainter/PaintTools.h"

namespace kelo::menupainter {

namespace {

RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

Rect ClientRect(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return {r.left, r.top, r.right, r.bottom};
}

// The whole window in window-DC coordinates.
Rect WindowBounds(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {0, 0, r.right - r.left, r.bottom - r.top};
}

void Fill(HDC dc, const Rect& r, TColor colour) { menupainter::Fill(dc, ToRECT(r), colour); }
void Frame(HDC dc, const Rect& r, TColor colour) { menupainter::Frame(dc, ToRECT(r), colour); }

void Lines(HDC dc, TColor colour, std::span<const Stroke> strokes) {
    win::Pen pen(CreatePen(PS_SOLID, 1, Rgb(colour)));
    win::SavedDC saved(dc);
    SelectObject(dc, pen.Get());
    for (const Stroke& s : strokes) {
        MoveToEx(dc, s.from.x, s.from.y, nullptr);
        LineTo(dc, s.to.x, s.to.y);
    }
}

// Connected lines; the last point is not drawn.
void Path(HDC dc, TColor colour, std::span<const Point> points) {
    std::vector<POINT> p;
    for (const Point& q : points) p.push_back(POINT{q.x, q.y});
    menupainter::Lines(dc, colour, std::span<const POINT>(p));
}

// `width` nested one-pixel frames; `r` ends up inside them.
void Bevel(HDC dc, Rect& r, int width, const BevelColours& colours) {
    for (int i = 0; i < width; ++i) {
        const int l = r.left, t = r.top, rt = r.right - 1, b = r.bottom - 1;
        const std::array<Point, 3> topLeft{Point{l, b}, Point{l, t}, Point{rt, t}};
        const std::array<Point, 3> bottomRight{Point{rt, t}, Point{rt, b}, Point{l - 1, b}};
        Path(dc, colours.topLeft, topLeft);
        Path(dc, colours.bottomRight, bottomRight);
        r = Inset(r, 1);
    }
}

ControlColourFacts ColourFacts(const ControlPaintFacts& facts, const ControlPaintState& state) {
    ControlColourFacts f;
    f.colour = facts.colour;
    f.parentColour = facts.parentColour;
    f.parentFace = facts.parentFace;
    f.enabled = facts.enabled;
    f.hot = state.hot;
    f.focused = state.focused;
    f.mouseDown = state.mouseDown;
    f.spaceDown = state.spaceDown;
    return f;
}

// ---- the kind painters --------------------------------------------------------------------

void PaintCombo(const ControlPaintFacts& facts, const ControlColourFacts& f, const WorkingColours& w) {
    win::WindowDC dc(facts.hwnd);
    const Rect client = ClientRect(facts.hwnd);
    const bool raised = f.hot || f.focused;
    const ComboColours c = ComboLook(f, facts.droppedDown, w, kSystem);
    const ComboRing ring = ComboRingOf(client, raised);
    Frame(dc.Get(), ring.outer, facts.parentColour);
    Lines(dc.Get(), facts.parentColour, std::span(&ring.topLine, 1));
    Frame(dc.Get(), ring.inner, facts.colour);
    Frame(dc.Get(), ring.border, c.ring);
    // The raised ring leaves the inner line of the platform's sunken edge uncovered.
    if (raised) Frame(dc.Get(), Inset(ring.border, 1), facts.colour);
    // A simple combo box shows its list instead of a button.
    if (facts.simpleCombo) return;
    const ComboButton b =
        ComboButtonOf(client, ring, GetSystemMetrics(SM_CXHTHUMB), facts.rightToLeft, raised);
    Fill(dc.Get(), b.button, c.button);
    Fill(dc.Get(), b.strip, facts.colour);
    Lines(dc.Get(), c.separator, std::span(&b.separator, 1));
    Lines(dc.Get(), c.arrow, b.arrow);
}

// The edit's own sunken edge gives way to a flat one-pixel frame.
void PaintEditFrame(const ControlPaintFacts& facts, const ControlColourFacts& f, const WorkingColours& w) {
    const TColor colour = EditFrameColour(f, facts.singleBorder, w, kSystem);
    if (facts.clientEdge) {
        win::NonClientDC dc(facts.hwnd);
        const Rect bounds = WindowBounds(facts.hwnd);
        Frame(dc.Get(), bounds, colour);
        Frame(dc.Get(), Inset(bounds, 1), facts.colour);
        return;
    }
    win::WindowDC dc(facts.hwnd);
    Frame(dc.Get(), ClientRect(facts.hwnd), colour);
}

void PaintViewFrame(const ControlPaintFacts& facts, const ControlColourFacts& f, const WorkingColours& w) {
    win::NonClientDC dc(facts.hwnd);
    const Rect bounds = WindowBounds(facts.hwnd);
    Frame(dc.Get(), bounds, ViewFrameColour(f, facts.singleBorder, w, kSystem));
    if (facts.clientEdge) Frame(dc.Get(), Inset(bounds, 1), facts.colour);
}

void PaintCheckBox(const ControlPaintFacts& facts, const ControlColourFacts& f, const WorkingColours& w) {
    win::WindowDC dc(facts.hwnd);
    const bool grayed = facts.checkState == BST_INDETERMINATE;
    const CheckBoxColours c = CheckBoxLook(f, grayed, w);
    const Rect box = CheckBoxBox(ClientRect(facts.hwnd), GetSystemMetrics(SM_CXHTHUMB), facts.textOnLeft,
                                 facts.rightToLeft);
    Fill(dc.Get(), box, facts.colour);
    const Rect inner = Inset(box, 2);
    Outlined(dc.Get(), c.frame, c.fill, [&] { Rectangle(dc.Get(), inner.left, inner.top, inner.right, inner.bottom); });
    if (facts.checkState != BST_CHECKED && !grayed) return;
    for (const auto& stroke : CheckTick(inner)) Path(dc.Get(), c.tick, stroke);
}

// Enter presses the default button and Space the focused one: each wears a mark that shows
// at a glance, a dark ring round the default one and a dotted rectangle inside the focused.
void PaintButtonMarks(HDC dc, const Rect& client, bool isDefault, bool focused) {
    if (isDefault) {
        const win::Brush dark(CreateSolidBrush(Rgb(cl3DDkShadow)));
        const win::Region ring(CreateRoundRectRgn(client.left, client.top, client.right + 1, client.bottom + 1, 4, 4));
        FrameRgn(dc, ring.Get(), dark.Get(), 1, 1);
    }
    if (!focused) return;
    RECT inner = ToRECT(Inset(client, 3));
    const win::SavedDC saved(dc);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &inner);
}

void PaintButton(const ControlPaintFacts& facts, const ControlColourFacts& f, const MenuLook& look) {
    const win::WindowDC window(facts.hwnd);
    const Rect client = ClientRect(facts.hwnd);
    // The whole face is composed off screen: the default button's darkened passes read
    // pixels back, which a window's device context answers slowly.
    const win::DibSurface dc(window.Get(), client.Width(), client.Height());
    const ButtonColours c = ButtonLook(f, look.colours, kSystem);
    // The parent's colour shows in the rounded corners.
    Fill(dc.Get(), client, facts.parentColour);
    Outlined(dc.Get(), c.outline, c.face,
             [&] { RoundRect(dc.Get(), client.left, client.top, client.right, client.bottom, 4, 4); });
    if (facts.enabled) {
        const bool pressed = f.spaceDown || (f.mouseDown && f.hot);
        Path(dc.Get(), c.darkEdge, ButtonDarkEdge(client, pressed));
    }
    RECT text{};
    {
        win::SavedDC saved(dc.Get());
        if (facts.font) SelectObject(dc.Get(), facts.font);
        DrawTextW(dc.Get(), facts.caption.c_str(), -1, &text, DT_CALCRECT | (facts.rightToLeft ? DT_RTLREADING : 0));
    }
    const int tw = text.right - text.left, th = text.bottom - text.top;
    const int left = client.left + (client.Width() - tw) / 2, top = client.top + (client.Height() - th) / 2;
    const UINT format = facts.rightToLeft ? 0x20005 : DT_CENTER | DT_VCENTER;
    // The caption is in the button's own font colour, not the menus'.
    MenuLook captionLook = look;
    captionLook.fontColour = facts.fontColour;
    PaintItemText(dc.Get(), captionLook, facts.caption, format, facts.font, facts.rightToLeft, false, facts.isDefault,
                  facts.enabled, false, RECT{left, top, left + tw, top + th}, L"");
    PaintButtonMarks(dc.Get(), client, facts.isDefault, f.focused);
    dc.BlitTo(window.Get(), client.left, client.top);
}

void PaintArrowHalf(HDC dc, const Rect& half, bool up, bool hot, const ControlColourFacts& f,
                    const WorkingColours& w) {
    const ArrowHalfColours c = ArrowHalfLook(f, hot, w, kSystem);
    // A half already framed in its colour is up to date: mouse moves do not flicker.
    if (GetPixel(dc, half.left, half.top) == Rgb(c.pen)) return;
    Outlined(dc, c.pen, c.brush, [&] { Rectangle(dc, half.left, half.top, half.right, half.bottom); });
    Lines(dc, c.arrow, ArrowStrokes(half, up));
}

void PaintUpDown(const ControlPaintFacts& facts, const ControlColourFacts& f, const WorkingColours& w) {
    win::WindowDC dc(facts.hwnd);
    const UpDownHalves h = UpDownHalvesOf(ClientRect(facts.hwnd), facts.cursor.y, f.enabled, f.hot);
    PaintArrowHalf(dc.Get(), h.up, true, h.upHot, f, w);
    PaintArrowHalf(dc.Get(), h.down, false, h.downHot, f, w);
}

void PaintPanel(const ControlPaintFacts& facts) {
    win::WindowDC dc(facts.hwnd);
    Rect r = ClientRect(facts.hwnd);
    if (facts.bevelOuter != BevelCut::None)
        Bevel(dc.Get(), r, facts.bevelWidth,
              PanelBevelLook(facts.colour, facts.bevelOuter == BevelCut::Raised, kSystem));
    if (facts.bevelInner == BevelCut::None) return;
    r = Inset(r, facts.borderWidth);
    Bevel(dc.Get(), r, facts.bevelWidth, PanelBevelLook(facts.colour, facts.bevelInner == BevelCut::Raised, kSystem));
}

void PaintGroupBox(const ControlPaintFacts& facts) {
    win::WindowDC dc(facts.hwnd);
    win::SavedDC saved(dc.Get());
    if (facts.font) SelectObject(dc.Get(), facts.font);
    const UINT reading = facts.rightToLeft ? DT_RTLREADING : 0;
    RECT extent{};
    // An empty caption still sets the frame's top at half a line.
    DrawTextW(dc.Get(), facts.caption.empty() ? L" " : facts.caption.c_str(), -1, &extent,
              DT_CALCRECT | DT_SINGLELINE | reading);
    const int tw = facts.caption.empty() ? 0 : extent.right - extent.left;
    const Rect client = ClientRect(facts.hwnd);
    const GroupBoxLayout g = GroupBoxLayoutOf(client, tw, extent.bottom - extent.top, facts.rightToLeft);
    const GroupBoxColours c = GroupBoxLook(facts.colour, facts.ctl3D, kSystem);

    Frame(dc.Get(), g.erase, facts.colour);
    Lines(dc.Get(), facts.colour, std::span(&g.innerLine, 1));
    Rect frame = g.frame;
    Bevel(dc.Get(), frame, 1, c.frame);
    Fill(dc.Get(), g.parentStrip, facts.parentColour);
    Fill(dc.Get(), g.underCaption, facts.colour);
    Lines(dc.Get(), facts.colour, std::span(&g.rightLine, 1));
    if (!facts.caption.empty()) {
        RECT caption = ToRECT(g.caption);
        SetBkMode(dc.Get(), TRANSPARENT);
        SetTextColor(dc.Get(), Rgb(facts.fontColour));
        DrawTextW(dc.Get(), facts.caption.c_str(), -1, &caption,
                  DT_SINGLELINE | reading | (facts.rightToLeft ? DT_RIGHT : DT_LEFT));
    }
    const std::array top{g.topLeft, g.topRight};
    Lines(dc.Get(), c.topLine, top);
}

}  // namespace

void PaintControl(const ControlPaintFacts& facts, const ControlPaintState& state, const MenuLook& look) {
    if (!facts.hwnd) return;
    const ControlColourFacts f = ColourFacts(facts, state);
    const WorkingColours& w = look.colours;
    switch (facts.kind) {
        case ControlKind::Combo: PaintCombo(facts, f, w); break;
        case ControlKind::Edit: PaintEditFrame(facts, f, w); break;
        case ControlKind::CheckBox: PaintCheckBox(facts, f, w); break;
        case ControlKind::Button: PaintButton(facts, f, look); break;
        case ControlKind::UpDown: PaintUpDown(facts, f, w); break;
        // Panels and group boxes change only when the control has painted itself.
        case ControlKind::Panel:
            if (state.lastMessage == WM_PAINT) PaintPanel(facts);
            break;
        case ControlKind::GroupBox:
            if (state.lastMessage == WM_PAINT) PaintGroupBox(facts);
            break;
        case ControlKind::TreeView:
        case ControlKind::ListView: PaintViewFrame(facts, f, w); break;
        case ControlKind::None: break;
    }
}

}  // namespace kelo::menupainter
