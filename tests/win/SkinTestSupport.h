#pragma once
// Drawing into a 32-bit DIB and reading its pixels back, for the skin's GDI tests.
#include <windows.h>

#include <string>

#include "framework/Graphics.h"
#include "framework/Handle.h"
#include "skin/SkinImage.h"

namespace kelo::test {

class DibCanvas {
public:
    DibCanvas(int width, int height, COLORREF fill);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixel as an RGB() value.
    COLORREF At(int x, int y) const;
    skin::SkinImage Snapshot() const;

private:
    int width_, height_;
    uint32_t* bits_ = nullptr;
    win::Bitmap bitmap_;
    HDC dc_;
    HGDIOBJ old_;
};

// The packed skin the test program carries as RCDATA "KELOSKIN".
std::string EmbeddedSkinFile();
// A PNG of the image (uncompressed deflate blocks: no library needed).
std::string EncodePng(const skin::SkinImage& image);
// The build folder: two levels up from the test program (build/win/kelo_win_tests.exe).
std::string BuildDir();

}  // namespace kelo::test
