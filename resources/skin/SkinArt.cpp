// Draws the images of Kelo's skin into a folder:  kelo_skinart OUTPUT_DIR
//
// A calm slate caption on a light grey face, rounded where the eye meets an edge. Every
// image is drawn onto the colour it will stand on, so soft edges carry no pink; only
// pixels nothing was drawn on turn magenta. KeloSkin.ini names these files and says how
// their frames are ordered.
#include "SkinArt.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace kelo::skinart {

namespace {

std::string g_outDir;

void Write(const std::string& name, const std::string& bytes) {
    std::ofstream out(g_outDir + "/" + name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "kelo_skinart: cannot write %s\n", name.c_str());
        std::exit(1);
    }
}

constexpr int kBorderWidth = 5;
constexpr int kCaptionHeight = 29;

// The whole frame of a small window, cut into the four sides afterwards: a rounded top,
// the 29-pixel caption running across the side borders, 5-pixel borders with a dark
// outline and a fine inner line against the client area. Drawn on a middle grey, the
// colour its soft outer edge meets on most desktops.
Canvas Frame(bool active) {
    constexpr int w = 42, h = 42;
    const Colour fill = active ? kCaption : kCaptionInactive;
    const Colour outline = active ? C(40, 50, 62) : C(92, 101, 114);
    const Colour shine = active ? C(86, 101, 119) : C(134, 144, 157);
    const Colour inner = active ? C(52, 64, 79) : C(102, 112, 126);
    Canvas c(w, h, C(128, 128, 128));
    c.FillRoundRect(0, 0, w, h, 8, 3, outline);
    c.FillRoundRect(1, 1, w - 1, h - 1, 7, 2, fill);
    c.FillRect(7, 1, w - 7, 2, shine);  // a soft light along the top edge
    c.FillRect(kBorderWidth - 1, kCaptionHeight - 1, w - kBorderWidth + 1, h - kBorderWidth + 1, inner);
    c.FillRect(kBorderWidth, kCaptionHeight, w - kBorderWidth, h - kBorderWidth, kFace);
    return c;
}

void DrawFrameSides() {
    const Canvas active = Frame(true), inactive = Frame(false);
    const int w = active.Width(), h = active.Height(), b = kBorderWidth;
    const auto side = [&](const std::string& name, int x, int y, int cw, int ch, bool stacked) {
        Save(name, JoinFrames({active.Cut(x, y, cw, ch), inactive.Cut(x, y, cw, ch)}, stacked).ToImage(true));
    };
    side("left.bmp", 0, 0, b, h, false);
    side("right.bmp", w - b, 0, b, h, false);
    side("top.bmp", b, 0, w - 2 * b, kCaptionHeight, true);
    side("bottom.bmp", b, h - b, w - 2 * b, b, true);
}

void CaptionButton(const std::string& name, const std::function<void(Canvas&, Colour)>& glyph, bool isClose) {
    constexpr int s = 21;
    const Colour hot = isClose ? C(196, 72, 72) : C(88, 104, 124);
    const Colour pressed = isClose ? C(160, 52, 52) : C(48, 59, 73);
    const Colour inactiveHot = C(134, 144, 158);
    struct State {
        Colour background;
        const Colour* plate;
        Colour glyph;
    };
    const State states[] = {
        {kCaption, nullptr, C(240, 243, 246)},
        {kCaption, &pressed, C(240, 243, 246)},
        {kCaption, &hot, kWhite},
        {kCaptionInactive, nullptr, C(226, 230, 234)},
        {kCaptionInactive, &inactiveHot, C(242, 244, 246)},
        {kCaption, nullptr, C(150, 160, 172)},
    };
    std::vector<Canvas> frames;
    for (const State& st : states) {
        Canvas c(s, s, st.background);
        if (st.plate) c.FillRoundRect(0, 0, s, s, 4, 4, *st.plate);
        glyph(c, st.glyph);
        frames.push_back(c);
    }
    Save(name, JoinFrames(frames, false).ToImage(true));
}

void DrawCaptionButtons() {
    CaptionButton("close.bmp", [](Canvas& c, Colour k) {
        c.Line(6.5, 6.5, 14.5, 14.5, 1.3, k);
        c.Line(14.5, 6.5, 6.5, 14.5, 1.3, k);
    }, true);
    CaptionButton("maximize.bmp", [](Canvas& c, Colour k) { c.StrokeRoundRect(6.5, 6.5, 14.5, 14.5, 1.5, 1.1, k); }, false);
    CaptionButton("minimize.bmp", [](Canvas& c, Colour k) { c.Line(6.5, 14.5, 14.5, 14.5, 1.0, k); }, false);
    CaptionButton("restore.bmp", [](Canvas& c, Colour k) {
        c.StrokeRoundRect(6.5, 8.5, 12.5, 14.5, 1.2, 1.1, k);
        c.Line(8.5, 6.5, 13, 6.5, 1.1, k);  // the window behind
        c.Line(14.5, 8, 14.5, 12.5, 1.1, k);
        c.StrokeCircle(13, 8, 1.5, 1.1, k);
    }, false);
}

// 26 x 19 frames; only the top and bottom eight rows shade, since the three rows between
// are tiled, and every column from 4 to 21 is alike, since the right margin is 17 wide.
void DrawPushButton() {
    struct State {
        Colour border, top, mid, bottom;
    };
    const State states[] = {
        {kBorder, C(253, 253, 253), C(245, 245, 247), C(232, 232, 235)},
        {kBorderPressed, C(204, 213, 223), C(214, 222, 231), C(220, 227, 235)},
        {kBorderDisabled, C(242, 242, 243), C(240, 240, 241), C(236, 236, 238)},
        {kBorderFocus, C(251, 252, 254), C(239, 244, 249), C(225, 233, 242)},
        {C(112, 124, 139), C(253, 253, 253), C(245, 245, 247), C(232, 232, 235)},
    };
    std::vector<Canvas> frames;
    for (const State& st : states) {
        Canvas c(26, 19, kFace);
        c.FillRoundRect(0, 0, 26, 19, 4, 4, st.border);
        c.FillRoundRect(1, 1, 25, 18, 3, [&](int y) {
            if (y < 8) return Mix(st.top, st.mid, (y - 1) / 7.0);
            if (y <= 10) return st.mid;
            return Mix(st.mid, st.bottom, (y - 10) / 7.0);
        });
        frames.push_back(c);
    }
    Save("button.bmp", JoinFrames(frames, false).ToImage(true));
}

// Drawn on the face colour and copied as they are: no magenta.
void DrawCheckAndRadio() {
    const Colour off = C(125, 133, 144), offDisabled = C(174, 179, 186), onDisabled = C(176, 184, 194);
    std::vector<Canvas> checks, radios;
    for (int state = 0; state < 4; ++state) {
        const bool on = state == 1 || state == 3, disabled = state >= 2;
        const Colour edge = on ? (disabled ? onDisabled : kAccent) : (disabled ? offDisabled : off);
        const Colour paper = disabled ? C(244, 244, 245) : kWhite;
        Canvas check(13, 13, kFace);
        check.FillRoundRect(0, 0, 13, 13, 3, 3, edge);
        if (on) {
            check.Line(3.4, 6.7, 5.6, 8.9, 1.6, kWhite);
            check.Line(5.6, 8.9, 9.8, 4.1, 1.6, kWhite);
        } else {
            check.FillRoundRect(1, 1, 12, 12, 2, 2, paper);
        }
        checks.push_back(check);

        Canvas radio(13, 13, kFace);
        radio.FillCircle(6.5, 6.5, 6.5, edge);
        radio.FillCircle(6.5, 6.5, on ? 4.6 : 5.5, paper);
        if (on) radio.FillCircle(6.5, 6.5, 2.7, edge);
        radios.push_back(radio);
    }
    Save("checkbox.bmp", JoinFrames(checks, false).ToImage(false));
    Save("radio.bmp", JoinFrames(radios, false).ToImage(false));
}

}  // namespace

void Save(const std::string& name, const skin::SkinImage& image) { Write(name, image.ToBmp24()); }
void SaveMonochrome(const std::string& name, const skin::SkinImage& image) { Write(name, image.ToBmp1()); }

void DrawWindowParts() {
    DrawFrameSides();
    DrawCaptionButtons();
    DrawPushButton();
    DrawCheckAndRadio();
}

}  // namespace kelo::skinart

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelo_skinart OUTPUT_DIR\n");
        return 2;
    }
    kelo::skinart::g_outDir = argv[1];
    std::filesystem::create_directories(argv[1]);
    kelo::skinart::DrawWindowParts();
    kelo::skinart::DrawControlParts();
    kelo::skinart::DrawMenuParts();
    return 0;
}
