#pragma once
// A skin image: the pixels of one BMP entry of the skin archive, and the transforms the
// painters use on them.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelo::skin {

// 0x00RRGGBB, the order of a 32-bit DIB pixel.
using Pixel = uint32_t;
inline constexpr Pixel kMagenta = 0xFF00FF;  // the transparent colour of every skin image

constexpr Pixel MakePixel(int r, int g, int b) {
    return (static_cast<Pixel>(r & 0xFF) << 16) | (static_cast<Pixel>(g & 0xFF) << 8) |
           static_cast<Pixel>(b & 0xFF);
}

class SkinImage {
public:
    // Pictures larger than this are refused as damaged.
    static constexpr int64_t kMaxPixels = 16 << 20;

    SkinImage() = default;
    SkinImage(int width, int height, Pixel fill = 0);

    // Uncompressed Windows BMP of 1, 4, 8, 16, 24 or 32 bits per pixel; anything else,
    // or a damaged file, gives an empty image.
    static SkinImage FromBmp(std::string_view bytes);
    // A 24-bit BMP, or a 1-bit one (black where the pixel is black, else white).
    std::string ToBmp24() const;
    std::string ToBmp1() const;

    bool Empty() const { return width_ <= 0 || height_ <= 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    Pixel At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    void Set(int x, int y, Pixel p);
    const std::vector<Pixel>& Pixels() const { return pixels_; }

    SkinImage Crop(int x, int y, int width, int height) const;  // clipped to the image
    SkinImage MirrorLeftRight() const;
    SkinImage MirrorTopBottom() const;
    SkinImage RotateClockwise() const;
    SkinImage RotateCounterClockwise() const;

    // The Win32 painter keeps its bitmap of these pixels here, so all painters share one
    // and it goes with the image. Cleared whenever the pixels change.
    const std::shared_ptr<void>& DeviceCache() const { return deviceCache_; }
    void SetDeviceCache(std::shared_ptr<void> cache) const { deviceCache_ = std::move(cache); }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;  // top row first
    mutable std::shared_ptr<void> deviceCache_;
};

}  // namespace kelo::skin
