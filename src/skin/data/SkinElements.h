#pragma once
// The pieces a skin is made of: images with four fixed margins and a frame count, drawn
// by the element painter as a nine-grid with magenta as the transparent colour.
#include <cstdint>
#include <string>

#include "core/Colors.h"
#include "skin/data/SkinImage.h"

namespace kelo::skin {

// A colour value: 0x00BBGGRR, -1 for none, or a system colour (0xFF000000 | index).
using SkinColor = TColor;

inline constexpr SkinColor kNoColor = -1;
inline constexpr SkinColor kNoTitleColor = clNone;  // the skin gives no caption colour

constexpr SkinColor Rgb(int r, int g, int b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }

class TSkinElement {
public:
    virtual ~TSkinElement() = default;

    int32_t leftWidth = 0;
    int32_t topHeight = 0;
    int32_t rightWidth = 0;
    int32_t bottomHeight = 0;
    SkinImage image;
    int32_t trans = 0;  // 1: magenta pixels leave the target as it is
    int32_t tile = 0;   // 1: the centre is repeated, else stretched (frame sides: 1 stretches)
    std::string name;
    int32_t frameCount = 0;
    int32_t style = 0;
    SkinColor normalColour = kNoColor;
    SkinColor mouseOverColour = kNoColor;
    SkinColor pressedColour = kNoColor;
    SkinColor normalTextColour = clBtnText;
    SkinColor mouseOverTextColour = clBtnText;
    SkinColor pressedTextColour = clBtnText;
};

class TSkinBorderElement : public TSkinElement {
public:
    SkinImage image2;
};

class TSkinButtonElement : public TSkinElement {
public:
    SkinImage checkImage;
    SkinImage radioImage;
    int32_t radioFrameCount = 0;
    int32_t checkFrameCount = 0;
};

class TSkinTitleElement : public TSkinElement {
public:
    int32_t textAlignment = 0;   // 0 at TextShift, 1 centred, 2 right-aligned
    int32_t textBackground = 0;
    int32_t fontHeight = 14;
    int32_t textBackLeft = 0;
    int32_t textBackRight = 0;
    int32_t textShift = 0;
    int32_t textShiftVert = 0;
    int32_t textRightClip = 0;
    SkinColor activeTextColour = kNoTitleColor;
    SkinColor inactiveTextColour = kNoTitleColor;
};

class TSkinCaptionButtonElement : public TSkinElement {
public:
    int32_t action = 0;
    int32_t align = 0;
    int32_t xCoord = 0;
    int32_t yCoord = 0;
    int32_t combineOp = -1;
    int32_t visibility = 0;
    int32_t visibility1 = 0;
};

}  // namespace kelo::skin
