#pragma once
// A fixed colour scheme and readable rectangles for the painters' rules.
#include <cstdint>
#include <ostream>

#include "menupainter/MenuPainterLook.h"

namespace kelo::menupainter {
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
}  // namespace kelo::menupainter

namespace kelo::test {

constexpr TColor Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// The XP-like face, highlight and shadow, grey everything else.
inline uint32_t FakeSystemColour(int index) {
    switch (index) {
        case 15: return Rgb(236, 233, 216);  // clBtnFace
        case 13: return Rgb(49, 106, 197);   // clHighlight
        case 16: return Rgb(172, 168, 153);  // clBtnShadow
        default: return 0xFF000000u | Rgb(90, 90, 90);  // the high byte is not a colour
    }
}
inline const menupainter::SystemColours kScheme = FakeSystemColour;

}  // namespace kelo::test
