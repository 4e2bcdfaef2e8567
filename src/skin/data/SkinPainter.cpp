#include "skin/data/SkinPainter.h"

#include <cstring>
#include <memory>

#include "framework/Graphics.h"
#include "framework/Handle.h"
#include "skin/data/NineGrid.h"

namespace kelo::skin {

namespace {

// A memory DC with one bitmap selected into it for its lifetime.
class SelectedDC {
public:
    SelectedDC(HDC reference, HBITMAP bitmap) : dc_(CreateCompatibleDC(reference)) {
        old_ = SelectObject(dc_, bitmap);
    }
    ~SelectedDC() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    SelectedDC(const SelectedDC&) = delete;
    SelectedDC& operator=(const SelectedDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};


constexpr DWORD kKeepTarget = 0x00AA0029;  // the raster operation "D"

}  // namespace

HBITMAP ImageBitmap(const SkinImage& image) {
    if (image.Empty()) return nullptr;
    if (const auto& cache = image.DeviceCache()) return static_cast<win::Bitmap*>(cache.get())->Get();
    void* bits = nullptr;
    auto bitmap = std::make_shared<win::Bitmap>(win::CreateTopDownDib(image.Width(), image.Height(), &bits));
    if (!*bitmap || bits == nullptr) return nullptr;
    // SkinImage pixels are 0x00RRGGBB: the byte order of a 32-bit DIB.
    std::memcpy(bits, image.Pixels().data(), image.Pixels().size() * sizeof(Pixel));
    image.SetDeviceCache(bitmap);
    return bitmap->Get();
}

ImagePaint PaintOf(const TSkinElement& e) {
    return {&e.image, e.leftWidth, e.topHeight, e.rightWidth, e.bottomHeight, e.tile == 1, e.trans == 1};
}

namespace {

// The pixels of a 32-bit DIB section selected into a DC. Every DIB the painters make is
// top-down (the skin images, the off-screen surfaces); the system does not say which way
// a section runs (its header reports the height as positive either way).
struct DibPixels {
    uint32_t* bits = nullptr;
    int width = 0, height = 0;
    uint32_t* Row(int y) const { return bits + static_cast<ptrdiff_t>(y) * width; }
};

bool SelectedDib(HDC dc, DibPixels& out) {
    DIBSECTION section{};
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    if (!bitmap || GetObjectW(bitmap, sizeof section, &section) != sizeof section) return false;
    if (section.dsBm.bmBitsPixel != 32 || !section.dsBm.bmBits) return false;
    out = {static_cast<uint32_t*>(section.dsBm.bmBits), section.dsBm.bmWidth, section.dsBm.bmHeight};
    return true;
}

// Between two 32-bit DIB sections the keyed copy is a loop over the pixels, far cheaper
// than building a mask. Both DCs are the painters' own memory DCs, without transforms.
bool CopyWithoutMagentaDirect(HDC target, int x, int y, int width, int height, HDC source, int sourceX,
                              int sourceY) {
    DibPixels to, from;
    if (GetGraphicsMode(target) != GM_COMPATIBLE || !SelectedDib(target, to) || !SelectedDib(source, from)) return false;
    POINT origin{};
    GetViewportOrgEx(target, &origin);
    x += origin.x;
    y += origin.y;
    GdiFlush();
    for (int row = 0; row < height; ++row) {
        const int ty = y + row, sy = sourceY + row;
        if (ty < 0 || ty >= to.height || sy < 0 || sy >= from.height) continue;
        uint32_t* out = to.Row(ty);
        const uint32_t* in = from.Row(sy);
        for (int col = 0; col < width; ++col) {
            const int tx = x + col, sx = sourceX + col;
            if (tx < 0 || tx >= to.width || sx < 0 || sx >= from.width) continue;
            const uint32_t p = in[sx];
            if ((p & 0xFFFFFF) != kMagenta) out[tx] = p;
        }
    }
    return true;
}

}  // namespace

void CopyWithoutMagenta(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY) {
    if (width <= 0 || height <= 0) return;
    if (CopyWithoutMagentaDirect(target, x, y, width, height, source, sourceX, sourceY)) return;
    DibPixels from;
    if (SelectedDib(source, from)) {
        // Any other target (a window, a device-dependent bitmap): its pixels come into a DIB,
        // take the keyed copy there and go back in one transfer.
        const win::Bitmap back = win::CreateTopDownDib(width, height);
        if (back) {
            const SelectedDC backDC(target, back.Get());
            BitBlt(backDC.Get(), 0, 0, width, height, target, x, y, SRCCOPY);
            CopyWithoutMagentaDirect(backDC.Get(), 0, 0, width, height, source, sourceX, sourceY);
            BitBlt(target, x, y, width, height, backDC.Get(), 0, 0, SRCCOPY);
            return;
        }
    }
    // The mask is white where the source is magenta: those pixels keep the target.
    win::Bitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
    const SelectedDC maskDC(source, mask.Get());
    const COLORREF oldBack = SetBkColor(source, RGB(255, 0, 255));
    BitBlt(maskDC.Get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);
    SetBkColor(source, oldBack);
    MaskBlt(target, x, y, width, height, source, sourceX, sourceY, mask.Get(), 0, 0, MAKEROP4(kKeepTarget, SRCCOPY));
}

void DrawSkinImage(HDC dc, const RECT& rect, const ImagePaint& paint, int frameCount, int frame, FrameLayout layout) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0 || paint.image == nullptr) return;
    const HBITMAP image = ImageBitmap(*paint.image);
    if (image == nullptr) return;
    const GridRect from = SourceFrame(paint.image->Width(), paint.image->Height(), frameCount, frame,
                                      layout == FrameLayout::Stacked);
    const auto blits = NineGridLayout({width, height, from.width, from.height, paint.left, paint.top, paint.right,
                                       paint.bottom, paint.tileCentre});
    if (blits.empty()) return;
    // A frame drawn at its own size (caption buttons, glyphs) needs no composing.
    if (blits.size() == 1 && blits[0].source.width == width && blits[0].source.height == height &&
        blits[0].target.x == 0 && blits[0].target.y == 0) {
        const SelectedDC source(dc, image);
        const int sx = from.x + blits[0].source.x, sy = from.y + blits[0].source.y;
        if (paint.transparent) CopyWithoutMagenta(dc, rect.left, rect.top, width, height, source.Get(), sx, sy);
        else BitBlt(dc, rect.left, rect.top, width, height, source.Get(), sx, sy, SRCCOPY);
        return;
    }

    if (!paint.transparent && GetObjectType(dc) == OBJ_MEMDC) {
        // Already off screen: the pieces go straight to their places.
        const SelectedDC source(dc, image);
        const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        for (const GridBlit& b : blits) {
            const GridRect& s = b.source;
            const GridRect& t = b.target;
            StretchBlt(dc, rect.left + t.x, rect.top + t.y, t.width, t.height, source.Get(), from.x + s.x,
                       from.y + s.y, s.width, s.height, SRCCOPY);
        }
        SetStretchBltMode(dc, oldMode);
        return;
    }

    void* bits = nullptr;
    const win::Bitmap offscreen = win::CreateTopDownDib(width, height, &bits);
    if (!offscreen) return;
    const SelectedDC composed(dc, offscreen.Get());
    const SelectedDC source(dc, image);
    SetStretchBltMode(composed.Get(), COLORONCOLOR);
    for (const GridBlit& b : blits) {
        const GridRect& s = b.source;
        const GridRect& t = b.target;
        if (s.width == t.width && s.height == t.height) {
            BitBlt(composed.Get(), t.x, t.y, t.width, t.height, source.Get(), from.x + s.x, from.y + s.y, SRCCOPY);
        } else {
            StretchBlt(composed.Get(), t.x, t.y, t.width, t.height, source.Get(), from.x + s.x, from.y + s.y, s.width,
                       s.height, SRCCOPY);
        }
    }
    if (paint.transparent) {
        CopyWithoutMagenta(dc, rect.left, rect.top, width, height, composed.Get(), 0, 0);
    } else {
        BitBlt(dc, rect.left, rect.top, width, height, composed.Get(), 0, 0, SRCCOPY);
    }
}

void DrawSkinElement(HDC dc, const RECT& rect, const TSkinElement& element, int frameCount, int frame,
                     FrameLayout layout) {
    DrawSkinImage(dc, rect, PaintOf(element), frameCount, frame, layout);
}

}  // namespace kelo::skin
