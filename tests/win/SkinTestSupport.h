#pragma once
// Drawing into a 32-bit DIB and reading its pixels back, for the skin's GDI tests, and
// what the tests of skinned windows share.
#include <windows.h>

#include <memory>
#include <string>

#include "TestSupport.h"
#include "framework/Graphics.h"
#include "framework/Handle.h"
#include "skin/controls/SkinControl.h"
#include "skin/data/SkinImage.h"

namespace kelo::win {
class TForm;
}

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

// The window is listed by the skin manager and the posted message that finishes the
// attaching has been handled.
bool FullySkinned(HWND hwnd);

// Builds the form from its description with an active flat painter as its last component,
// so that its controls wear the painter's layer beneath the skin's.
void LoadWithFlatPainter(win::TForm& form, const std::string& description);

// The skinned window of control-skin tests: it holds one control skin and frees it when
// told its control is gone.
class SkinControlOwner : public skin::TSkinControlOwner {
public:
    void ControlGone(skin::TSkinControl& control) override {
        ++gone;
        if (skin.get() == &control) skin.reset();
    }
    skin::TSkinControl* HotControl() const override { return hot; }
    void SetHotControl(skin::TSkinControl* control) override { hot = control; }
    bool Destroying() const override { return false; }

    std::unique_ptr<skin::TSkinControl> skin;
    skin::TSkinControl* hot = nullptr;
    int gone = 0;
};
// Shows a message box owned by `owner` and lets a thread timer press its OK once it is
// up; true when the box wore the skin while it was open.
bool MessageBoxClosedByTimer(HWND owner, const wchar_t* caption, const wchar_t* text);

}  // namespace kelo::test
