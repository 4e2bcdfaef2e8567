// The images of the controls and menus of Kelo's skin (see SkinArt.cpp).
#include <vector>

#include "SkinArt.h"

namespace kelo::skinart {

namespace {

// A chevron pointing down, centred on (cx, cy), turned by `quarterTurns` clockwise.
void Chevron(Canvas& c, double cx, double cy, double size, int quarterTurns, double width, Colour k) {
    struct P { double x, y; };
    P points[] = {{-size, -size / 2}, {0, size / 2}, {size, -size / 2}};
    for (P& p : points) {
        for (int i = 0; i < quarterTurns; ++i) p = {-p.y, p.x};
    }
    c.Line(cx + points[0].x, cy + points[0].y, cx + points[1].x, cy + points[1].y, width, k);
    c.Line(cx + points[1].x, cy + points[1].y, cx + points[2].x, cy + points[2].y, width, k);
}

// Four states of a control part: normal, pressed, disabled, focused or hot.
struct StateColours {
    Colour edge, fill;
};
constexpr StateColours kFieldStates[] = {
    {kBorder, kWhite}, {kBorderPressed, C(208, 218, 229)}, {kBorderDisabled, C(246, 246, 247)},
    {kBorderFocus, C(232, 238, 245)},
};

void DrawComboParts() {
    std::vector<Canvas> buttons, edges, extras;
    for (const StateColours& st : kFieldStates) {
        // The drop-down button: a quiet field with a fine line on its left.
        Canvas button(18, 20, st.fill);
        button.FillRect(0, 0, 18, 20, st.fill);
        button.FillRect(0, 3, 1, 17, C(214, 218, 223));
        buttons.push_back(button);

        // The edge around a combo box or edit: a rounded line with the face outside.
        Canvas edge(8, 8, kFace);
        edge.FillRoundRect(0, 0, 8, 8, 2.5, 2.5, st.edge);
        edge.FillRect(1, 1, 7, 7, kWhite);
        edge.FillRoundRect(1, 1, 7, 7, 1.5, 1.5, kWhite);
        edges.push_back(edge);
    }
    const Colour arrows[] = {kArrow, C(40, 50, 62), C(176, 182, 190), C(52, 64, 78)};
    for (int i = 0; i < 4; ++i) {
        Canvas arrow(12, 12, kFieldStates[i].fill);
        Chevron(arrow, 6, 6, 3.5, 0, 1.5, arrows[i]);
        extras.push_back(arrow);
    }
    // Frame 5: the size grip of a status bar, six dots in a triangle.
    Canvas grip(12, 12, kFace);
    for (int row = 0; row < 3; ++row) {
        for (int col = 2 - row; col < 3; ++col) grip.FillRect(3 + 3 * col, 3 + 3 * row, 5 + 3 * col, 5 + 3 * row, C(150, 156, 164));
    }
    extras.push_back(grip);
    Save("combobutton.bmp", JoinFrames(buttons, false).ToImage(false));
    Save("sunkedge.bmp", JoinFrames(edges, false).ToImage(false));
    Save("extra.bmp", JoinFrames(extras, false).ToImage(true));
}

void DrawHeaderAndStatusBar() {
    const Colour fills[] = {C(249, 249, 250), C(232, 236, 241), C(241, 244, 247), C(249, 249, 250), C(244, 244, 245)};
    std::vector<Canvas> headers;
    for (int i = 0; i < 5; ++i) {
        Canvas h(16, 20, fills[i]);
        h.FillRect(0, 0, 16, 20, fills[i]);
        h.FillRect(14, 4, 15, 16, C(212, 216, 222));  // the column divider
        h.FillRect(0, 19, 16, 20, i == 3 ? kAccent : C(200, 205, 212));
        headers.push_back(h);
    }
    Save("header.bmp", JoinFrames(headers, false).ToImage(false));

    std::vector<Canvas> panels;
    for (int bevel = 0; bevel < 3; ++bevel) {
        Canvas p(12, 12, kFace);
        p.FillRect(0, 0, 12, 12, kFace);
        p.FillRect(0, 0, 12, 1, C(206, 208, 213));                       // the bar's top line
        if (bevel < 2) p.FillRect(11, 3, 12, 10, C(188, 192, 198));     // between panels
        if (bevel == 1) p.FillRect(0, 1, 11, 2, C(240, 239, 240));      // raised: a light line
        panels.push_back(p);
    }
    Save("statusbar.bmp", JoinFrames(panels, false).ToImage(false));
}

void DrawScrollBars() {
    struct ArrowState {
        Colour fill, glyph;
    };
    const ArrowState states[] = {
        {kTrack, C(122, 130, 140)}, {C(206, 213, 221), C(44, 54, 66)}, {C(226, 230, 235), C(78, 88, 100)},
        {kTrack, C(198, 202, 208)},
    };
    std::vector<Canvas> frames;
    const int turns[] = {1, 3, 2, 0};  // left, right, up, down
    for (int direction = 0; direction < 4; ++direction) {
        for (const ArrowState& st : states) {
            Canvas c(16, 16, st.fill);
            c.FillRect(0, 0, 16, 16, st.fill);
            Chevron(c, 8, 8, 3.5, turns[direction], 1.5, st.glyph);
            frames.push_back(c);
        }
    }
    while (frames.size() < 23) {
        Canvas track(16, 16, kTrack);
        track.FillRect(0, 0, 16, 16, kTrack);
        frames.push_back(track);
    }
    Save("scrollbar.bmp", JoinFrames(frames, false).ToImage(false));

    const Colour tracks[] = {kTrack, C(226, 229, 233), C(234, 236, 239), kTrack};
    std::vector<Canvas> trackFrames;
    for (const Colour& t : tracks) {
        Canvas c(16, 16, t);
        c.FillRect(0, 0, 16, 16, t);
        trackFrames.push_back(c);
    }
    Save("hscroll.bmp", JoinFrames(trackFrames, false).ToImage(false));
    Save("vscroll.bmp", JoinFrames(trackFrames, false).ToImage(false));

    // Thumbs: a slim pill in the middle of the track, normal, hot and pressed.
    const Colour thumbs[] = {C(188, 194, 202), C(156, 164, 175), C(122, 132, 145)};
    std::vector<Canvas> horizontal, vertical;
    for (const Colour& t : thumbs) {
        Canvas h(16, 16, kTrack);
        h.FillRoundRect(1, 4, 15, 12, 4, 4, t);
        horizontal.push_back(h);
        Canvas v(16, 16, kTrack);
        v.FillRoundRect(4, 1, 12, 15, 4, 4, t);
        vertical.push_back(v);
    }
    Save("hthumb.bmp", JoinFrames(horizontal, false).ToImage(false));
    Save("vthumb.bmp", JoinFrames(vertical, false).ToImage(false));
}

// Tabs, the progress bar and the track-bar thumbs: no window of the program has them, but
// a dialog that does looks of a piece with the rest.
void DrawTabsProgressAndThumbs() {
    // Tabs: normal, selected, hot, disabled, selected and hot; rounded at the top, open below.
    const Colour tabFills[] = {C(236, 235, 237), kWhite, C(244, 246, 249), C(240, 240, 241), kWhite};
    const Colour tabEdges[] = {kBorder, kBorder, kBorderFocus, kBorderDisabled, kBorderFocus};
    std::vector<Canvas> tabs;
    for (int i = 0; i < 5; ++i) {
        Canvas t(16, 20, kFace);
        t.FillRoundRect(0, 0, 16, 21, 3, 0, tabEdges[i]);
        t.FillRoundRect(1, 1, 15, 21, 2, 0, tabFills[i]);
        if (i == 1 || i == 4) t.FillRect(2, 1, 14, 2, kAccent);
        tabs.push_back(t);
    }
    Save("tabs.bmp", JoinFrames(tabs, false).ToImage(false));
    // The page under the tabs: a fine line around white.
    Canvas page(12, 12, kWhite);
    page.FillRect(0, 0, 12, 12, kBorder);
    page.FillRect(1, 1, 11, 11, kWhite);
    Save("tabborder.bmp", page.ToImage(false));

    // Progress: the track, then the filled part; the chunk is one block of the fill.
    Canvas track(12, 12, kFace), fill(12, 12, kFace), chunk(8, 12, kFace);
    track.FillRoundRect(0, 0, 12, 12, 3, 3, kBorder);
    track.FillRoundRect(1, 1, 11, 11, 2, 2, kTrack);
    fill.FillRoundRect(0, 0, 12, 12, 3, 3, kBorderFocus);
    fill.FillRoundRect(1, 1, 11, 11, 2, [](int row) { return Mix(C(120, 150, 186), kAccent, row / 11.0); });
    chunk.FillRoundRect(1, 1, 7, 11, 1, [](int row) { return Mix(C(120, 150, 186), kAccent, row / 11.0); });
    Save("progress.bmp", JoinFrames({track, fill}, false).ToImage(false));
    Save("progresschunk.bmp", chunk.ToImage(false));

    // Track-bar thumbs: normal, pressed, hot, disabled, focused; a plate with a point.
    const Colour thumbFills[] = {kWhite, C(208, 218, 229), C(232, 238, 245), C(246, 246, 247), kWhite};
    const Colour thumbEdges[] = {kBorder, kBorderPressed, kBorderFocus, kBorderDisabled, kBorderFocus};
    std::vector<Canvas> horizontal, vertical;
    for (int i = 0; i < 5; ++i) {
        Canvas h(11, 19, kFace);
        h.FillRoundRect(0, 0, 11, 19, 2, 5, thumbEdges[i]);
        h.FillRoundRect(1, 1, 10, 18, 1.5, 4, thumbFills[i]);
        horizontal.push_back(h);
        Canvas v(19, 11, kFace);
        v.FillRoundRect(0, 0, 19, 11, 2.5, 2.5, thumbEdges[i]);
        v.FillRoundRect(1, 1, 18, 10, 1.5, 1.5, thumbFills[i]);
        vertical.push_back(v);
    }
    Save("thumbhorz.bmp", JoinFrames(horizontal, false).ToImage(true));
    Save("thumbvert.bmp", JoinFrames(vertical, false).ToImage(true));
}

// Up-down arrows: four states of the first arrow (up or left), then of the second, in the
// field states' order; the glyphs in the same order on magenta.
void DrawUpDownParts() {
    const Colour arrows[] = {kArrow, C(40, 50, 62), C(176, 182, 190), C(52, 64, 78)};
    for (const bool horizontal : {false, true}) {
        const int w = horizontal ? 10 : 16, h = horizontal ? 16 : 10;
        const int gw = horizontal ? 6 : 10, gh = horizontal ? 10 : 6;
        std::vector<Canvas> plates, glyphs;
        const int turns[2] = {horizontal ? 1 : 2, horizontal ? 3 : 0};  // left, right / up, down
        for (int arrow = 0; arrow < 2; ++arrow) {
            for (int st = 0; st < 4; ++st) {
                Canvas plate(w, h, kFace);
                plate.FillRoundRect(0, 0, w, h, 2, 2, kFieldStates[st].edge);
                plate.FillRoundRect(1, 1, w - 1, h - 1, 1.5, 1.5, kFieldStates[st].fill);
                plates.push_back(plate);
                Canvas glyph(gw, gh, kWhite);
                Chevron(glyph, gw / 2.0, gh / 2.0, 2.5, turns[arrow], 1.4, arrows[st]);
                glyphs.push_back(glyph);
            }
        }
        Save(horizontal ? "updownh.bmp" : "updownv.bmp", JoinFrames(plates, false).ToImage(false));
        Save(horizontal ? "updownhglyph.bmp" : "updownvglyph.bmp", JoinFrames(glyphs, false).ToImage(true));
    }
}

}  // namespace

void DrawControlParts() {
    DrawComboParts();
    DrawHeaderAndStatusBar();
    DrawScrollBars();
    DrawTabsProgressAndThumbs();
    DrawUpDownParts();
}

void DrawMenuParts() {
    // The popup window: a fine grey line around a near-white page.
    Canvas background(12, 12, kMenu);
    background.FillRect(0, 0, 12, 12, C(166, 172, 181));
    background.FillRect(1, 1, 11, 11, kMenu);
    Save("menubg.bmp", background.ToImage(false));

    // Items stand on the page; only the selection and the separator are drawn.
    std::vector<Canvas> items;
    const Colour plates[] = {C(0, 0, 0), C(0, 0, 0), C(228, 231, 236), kAccent, C(62, 82, 106)};
    for (int i = 0; i < 5; ++i) {
        Canvas item(24, 20, kMenu);
        if (i >= 2) item.FillRoundRect(1, 1, 23, 19, 3, 3, plates[i]);
        if (i == 1) item.FillRect(1, 18, 23, 19, C(216, 220, 226));
        items.push_back(item);
    }
    Save("menuitem.bmp", JoinFrames(items, false).ToImage(true));

    // SKINMENUGLYPHS: restore, maximise, minimise, close; black on white, 16 x 16 each.
    Canvas glyphs(64, 16, kWhite);
    const Colour k = C(0, 0, 0);
    glyphs.FillRect(4, 6, 10, 12, k);      // restore: a window with another behind it
    glyphs.FillRect(5, 8, 9, 11, kWhite);
    glyphs.FillRect(6, 3, 12, 4, k);
    glyphs.FillRect(6, 4, 7, 6, k);
    glyphs.FillRect(11, 4, 12, 9, k);
    glyphs.FillRect(10, 8, 12, 9, k);
    glyphs.FillRect(20, 3, 29, 12, k);     // maximise
    glyphs.FillRect(21, 5, 28, 11, kWhite);
    glyphs.FillRect(36, 10, 44, 12, k);    // minimise
    for (int i = 0; i < 8; ++i) {          // close
        glyphs.FillRect(52 + i, 4 + i, 54 + i, 5 + i, k);
        glyphs.FillRect(58 - i, 4 + i, 60 - i, 5 + i, k);
    }
    SaveMonochrome("skinmenuglyphs.bmp", glyphs.ToImage(false));
}

}  // namespace kelo::skinart
