#pragma once
// What the drawing of Kelo's skin shares: the palette (matching [Colours] of
// KeloSkin.ini) and the writing of the images.
#include <string>

#include "SkinCanvas.h"

namespace kelo::skinart {

inline constexpr Colour kFace = C(228, 226, 228);
inline constexpr Colour kWhite = C(255, 255, 255);
inline constexpr Colour kMenu = C(250, 250, 251);
inline constexpr Colour kTrack = C(240, 240, 242);
inline constexpr Colour kCaption = C(65, 79, 96);  // Hilight
inline constexpr Colour kCaptionInactive = C(116, 126, 140);
inline constexpr Colour kAccent = C(78, 101, 128);
inline constexpr Colour kBorder = C(160, 166, 175);
inline constexpr Colour kBorderFocus = C(95, 122, 150);
inline constexpr Colour kBorderPressed = C(88, 110, 135);
inline constexpr Colour kBorderDisabled = C(200, 203, 208);
inline constexpr Colour kArrow = C(84, 94, 106);

// Writes a 24-bit BMP into the output folder; ends the program when that fails.
void Save(const std::string& name, const skin::SkinImage& image);
void SaveMonochrome(const std::string& name, const skin::SkinImage& image);

void DrawWindowParts();    // frame sides, caption buttons, push button, check and radio
void DrawControlParts();   // combo box, edges, header, status bar, scroll bars
void DrawMenuParts();      // menu background and items, the menu glyphs

}  // namespace kelo::skinart
