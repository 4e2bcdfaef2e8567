#pragma once
// The element painter: draws one frame of a skin element into a rectangle as a nine-grid,
// composed off screen and put down in one transfer, with magenta left out when the
// element is transparent. The frame, control and menu painters all draw through it.
#include <windows.h>

#include "skin/data/SkinElements.h"

namespace kelo::skin {

enum class FrameLayout { SideBySide, Stacked };

// How to draw an image: its margins, whether the centre is tiled (else stretched) and
// whether magenta pixels leave the target unchanged.
struct ImagePaint {
    const SkinImage* image = nullptr;
    int left = 0, top = 0, right = 0, bottom = 0;
    bool tileCentre = false;
    bool transparent = false;
};

// With the element's own margins, tile flag (1 tiles) and transparency flag (1 keys).
ImagePaint PaintOf(const TSkinElement& element);

// Frame `frame` (from 1) of `frameCount` into `rect`. A rectangle of negative width or
// height, or an empty image, draws nothing.
void DrawSkinImage(HDC dc, const RECT& rect, const ImagePaint& paint, int frameCount, int frame,
                   FrameLayout layout = FrameLayout::SideBySide);
void DrawSkinElement(HDC dc, const RECT& rect, const TSkinElement& element, int frameCount, int frame,
                     FrameLayout layout = FrameLayout::SideBySide);

// Copies a block from `source`, leaving the target as it is under magenta pixels.
void CopyWithoutMagenta(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY);

// The image as a 32-bit DIB section, made once and kept with the image.
HBITMAP ImageBitmap(const SkinImage& image);

}  // namespace kelo::skin
