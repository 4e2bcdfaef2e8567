#include "skin/data/SkinImage.h"

#include <algorithm>

#include "skin/data/SkinArchive.h"

namespace kelo::skin {

namespace {

uint16_t ReadLe16(std::string_view bytes, size_t offset) {
    return static_cast<uint16_t>(ReadLe32(bytes, offset) & 0xFFFF);
}

void AppendLe16(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

// Scales a masked field of a 16- or 32-bit pixel to 0..255.
int Channel(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const uint32_t max = mask >> shift;
    return static_cast<int>((((value & mask) >> shift) * 255 + max / 2) / max);
}

std::string FileAndInfoHeader(int width, int height, int bitCount, uint32_t paletteBytes,
                              uint32_t imageBytes) {
    std::string out = "BM";
    const uint32_t offset = 14 + 40 + paletteBytes;
    AppendLe32(out, offset + imageBytes);
    AppendLe32(out, 0);
    AppendLe32(out, offset);
    AppendLe32(out, 40);
    AppendLe32(out, static_cast<uint32_t>(width));
    AppendLe32(out, static_cast<uint32_t>(height));  // bottom-up
    AppendLe16(out, 1);
    AppendLe16(out, static_cast<uint16_t>(bitCount));
    AppendLe32(out, 0);  // BI_RGB
    AppendLe32(out, imageBytes);
    AppendLe32(out, 2835);  // 72 dpi
    AppendLe32(out, 2835);
    AppendLe32(out, paletteBytes / 4);
    AppendLe32(out, 0);
    return out;
}

}  // namespace

SkinImage::SkinImage(int width, int height, Pixel fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_, fill) {}

void SkinImage::Set(int x, int y, Pixel p) {
    pixels_[static_cast<size_t>(y) * width_ + x] = p;
    deviceCache_.reset();
}

SkinImage SkinImage::FromBmp(std::string_view bytes) {
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return {};
    const uint32_t dataOffset = ReadLe32(bytes, 10);
    const uint32_t headerSize = ReadLe32(bytes, 14);
    int64_t width, height;
    int bitCount;
    uint32_t compression = 0, colorsUsed = 0;
    if (headerSize == 12) {  // the old OS/2 header
        width = ReadLe16(bytes, 18);
        height = static_cast<int16_t>(ReadLe16(bytes, 20));
        bitCount = ReadLe16(bytes, 24);
    } else if (headerSize >= 40) {
        width = static_cast<int32_t>(ReadLe32(bytes, 18));
        height = static_cast<int32_t>(ReadLe32(bytes, 22));
        bitCount = ReadLe16(bytes, 28);
        compression = ReadLe32(bytes, 30);
        colorsUsed = ReadLe32(bytes, 46);
    } else {
        return {};
    }
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (width <= 0 || height <= 0 || width * height > kMaxPixels) return {};
    const bool bitFields = compression == 3 && (bitCount == 16 || bitCount == 32);
    if (compression != 0 && !bitFields) return {};
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        return {};
    }
    const uint64_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
    if (dataOffset > bytes.size() || stride * height > bytes.size() - dataOffset) return {};

    // Palette: after the header (and the three masks of a plain info header).
    const size_t paletteAt = 14 + headerSize + (bitFields && headerSize == 40 ? 12 : 0);
    const size_t entrySize = headerSize == 12 ? 3 : 4;
    std::vector<Pixel> palette;
    if (bitCount <= 8) {
        const uint32_t count = colorsUsed == 0 || colorsUsed > (1u << bitCount) ? 1u << bitCount : colorsUsed;
        for (uint32_t i = 0; i < count; ++i) {
            const size_t at = paletteAt + i * entrySize;
            palette.push_back(at + 3 <= bytes.size() ? ReadLe32(bytes, at) & 0xFFFFFF : 0);
        }
    }
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bitCount == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    if (bitFields) {
        // Right after the first 40 bytes of the header, inside the larger headers.
        for (int i = 0; i < 3; ++i) masks[i] = ReadLe32(bytes, 54 + 4 * i);
    }

    SkinImage image(static_cast<int>(width), static_cast<int>(height));
    for (int64_t row = 0; row < height; ++row) {
        const size_t line = dataOffset + static_cast<size_t>(stride * row);
        const int y = static_cast<int>(topDown ? row : height - 1 - row);
        for (int x = 0; x < width; ++x) {
            Pixel p;
            if (bitCount <= 8) {
                const size_t bit = static_cast<size_t>(x) * bitCount;
                const uint8_t byte = static_cast<uint8_t>(bytes[line + bit / 8]);
                const int index = (byte >> (8 - bitCount - bit % 8)) & ((1 << bitCount) - 1);
                p = static_cast<size_t>(index) < palette.size() ? palette[index] : 0;
            } else if (bitCount == 24) {
                p = ReadLe32(bytes, line + 3 * static_cast<size_t>(x)) & 0xFFFFFF;
            } else {
                const uint32_t v = bitCount == 16 ? ReadLe16(bytes, line + 2 * static_cast<size_t>(x))
                                                  : ReadLe32(bytes, line + 4 * static_cast<size_t>(x));
                p = MakePixel(Channel(v, masks[0]), Channel(v, masks[1]), Channel(v, masks[2]));
            }
            image.pixels_[static_cast<size_t>(y) * image.width_ + x] = p;
        }
    }
    return image;
}

std::string SkinImage::ToBmp24() const {
    const uint32_t stride = ((static_cast<uint32_t>(width_) * 24 + 31) / 32) * 4;
    std::string out = FileAndInfoHeader(width_, height_, 24, 0, stride * height_);
    for (int y = height_ - 1; y >= 0; --y) {
        std::string line(stride, '\0');
        for (int x = 0; x < width_; ++x) {
            const Pixel p = At(x, y);
            line[3 * x] = static_cast<char>(p & 0xFF);
            line[3 * x + 1] = static_cast<char>((p >> 8) & 0xFF);
            line[3 * x + 2] = static_cast<char>((p >> 16) & 0xFF);
        }
        out += line;
    }
    return out;
}

std::string SkinImage::ToBmp1() const {
    const uint32_t stride = ((static_cast<uint32_t>(width_) + 31) / 32) * 4;
    std::string out = FileAndInfoHeader(width_, height_, 1, 8, stride * height_);
    AppendLe32(out, 0x000000);
    AppendLe32(out, 0xFFFFFF);
    for (int y = height_ - 1; y >= 0; --y) {
        std::string line(stride, '\0');
        for (int x = 0; x < width_; ++x) {
            if (At(x, y) != 0) line[x / 8] = static_cast<char>(line[x / 8] | (0x80 >> (x % 8)));
        }
        out += line;
    }
    return out;
}

SkinImage SkinImage::Crop(int x, int y, int width, int height) const {
    const int left = std::clamp(x, 0, width_), top = std::clamp(y, 0, height_);
    const int right = std::clamp(x + std::max(width, 0), left, width_);
    const int bottom = std::clamp(y + std::max(height, 0), top, height_);
    SkinImage part(right - left, bottom - top);
    for (int row = top; row < bottom; ++row) {
        for (int col = left; col < right; ++col) part.pixels_[static_cast<size_t>(row - top) * part.width_ + (col - left)] = At(col, row);
    }
    return part;
}

SkinImage SkinImage::MirrorLeftRight() const {
    SkinImage out(width_, height_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) out.pixels_[static_cast<size_t>(y) * width_ + x] = At(width_ - 1 - x, y);
    }
    return out;
}

SkinImage SkinImage::MirrorTopBottom() const {
    SkinImage out(width_, height_);
    for (int y = 0; y < height_; ++y) {
        std::copy_n(pixels_.begin() + static_cast<ptrdiff_t>(height_ - 1 - y) * width_, width_,
                    out.pixels_.begin() + static_cast<ptrdiff_t>(y) * width_);
    }
    return out;
}

// A quarter turn clockwise: the left column becomes the top row.
SkinImage SkinImage::RotateClockwise() const {
    SkinImage out(height_, width_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) out.pixels_[static_cast<size_t>(x) * out.width_ + (height_ - 1 - y)] = At(x, y);
    }
    return out;
}

SkinImage SkinImage::RotateCounterClockwise() const {
    SkinImage out(height_, width_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) out.pixels_[static_cast<size_t>(width_ - 1 - x) * out.width_ + y] = At(x, y);
    }
    return out;
}

}  // namespace kelo::skin
