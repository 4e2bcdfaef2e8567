#pragma once
// The bodies of the skin's fuzz targets. The libFuzzer mains call them, and the unit
// tests replay every input in fuzz/crashers/ through them.
//
// The decoder's work follows the size a file declares, not the file's length: four bytes
// can ask for megabytes of output. Each target therefore takes what the program takes
// but unpacks a few kilobytes at most, so that a run stays well under a millisecond;
// sizes the program refuses go in unchanged, so their refusal is run too.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "skin/data/Lzh.h"
#include "skin/data/SkinArchive.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinImage.h"
#include "skin/data/SkinIni.h"

namespace kelo::skin::fuzz {

// Thousands of codes of any stream: every path of the decoder but the rebuild of its
// tables, which comes after 32,000 codes and which the unit tests run.
inline constexpr uint32_t kMaxFuzzUnpacked = 8 << 10;
// The header, the name list, the sizes and the start of the first entry of Kelo's own
// skin (which unpacks to about 105 KB in all): where the archive's reader does its work.
inline constexpr uint32_t kMaxFuzzArchive = 4 << 10;
// Kelo's largest skin picture has about 6,000 pixels.
inline constexpr int64_t kMaxFuzzPixels = 16 << 10;

// The first two bytes give the unpacked size; the rest is the bit stream.
inline void RunLzh(const uint8_t* data, size_t size) {
    if (size < 2) return;
    const uint32_t declared = uint32_t{data[0]} | uint32_t{data[1]} << 8;
    const uint32_t unpacked = std::min(declared, kMaxFuzzUnpacked);
    const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string out = TLZH().Decode(stream, unpacked);
    if (out.size() != unpacked) __builtin_trap();
}

// A whole skin file, as SkinFile would read it from disk.
inline void RunArchive(const uint8_t* data, size_t size) {
    std::string file(reinterpret_cast<const char*>(data), size);
    const uint32_t declared = ReadLe32(file, 0);
    if (file.size() >= 4 && declared > kMaxFuzzArchive && declared <= kMaxUnpackedSkinSize) {
        std::string capped;
        AppendLe32(capped, kMaxFuzzArchive);
        file.replace(0, 4, capped);
    }
    TSkinArchiveReader reader;
    if (!reader.Open(file)) return;
    const auto& names = reader.Names();
    if (names.size() > static_cast<size_t>(kMaxSkinEntries)) __builtin_trap();
    // Every lookup walks the whole list: entries from either end cover the cases.
    const size_t ends = 16;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i == ends && names.size() > 2 * ends) i = names.size() - ends;
        const std::string entry = reader.ExtractByName(names[i]);
        if (entry.size() > reader.DataSize()) __builtin_trap();
    }
    std::string found;
    reader.ExtractByPart(".ini", &found);
}

// The INI text of a skin, parsed against an archive of a few images.
inline void RunSkinIni(const uint8_t* data, size_t size) {
    static const std::string skinFile = [] {
        SkinImage image(60, 21, kMagenta);
        image.Set(3, 4, 0x123456);
        const std::string bmp = image.ToBmp24();
        return PackSkinFile(WriteSkinArchive({{"a.bmp", bmp}, {"tab.bmp", SkinImage(56, 12).ToBmp24()},
                                              {"bad.bmp", bmp.substr(0, 40)}}));
    }();
    static TSkinArchiveReader archive = [] {
        TSkinArchiveReader r;
        r.Open(skinFile);
        return r;
    }();
    const SkinIniFile ini(std::string_view(reinterpret_cast<const char*>(data), size));
    const SkinData skin = ParseSkinIni(ini, archive);
    ParseSkinColour(ini.ReadString("Colours", "ButtonFace"), 0);
    if (skin.captionButtons.size() < 3) __builtin_trap();
}

// The picture size a BMP header declares, read from where SkinImage reads it.
inline int64_t DeclaredPixels(std::string_view bytes) {
    if (ReadLe32(bytes, 14) == 12) {
        const int64_t height = static_cast<int16_t>(ReadLe32(bytes, 20) & 0xFFFF);
        return static_cast<int64_t>(ReadLe32(bytes, 18) & 0xFFFF) * std::abs(height);
    }
    const int64_t width = static_cast<int32_t>(ReadLe32(bytes, 18));
    const int64_t height = static_cast<int32_t>(ReadLe32(bytes, 22));
    return std::abs(width) * std::abs(height);
}

inline bool SamePicture(const SkinImage& a, const SkinImage& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && a.Pixels() == b.Pixels();
}

// One BMP entry of a skin, and what the painters do with its picture.
inline void RunBmp(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (DeclaredPixels(bytes) > kMaxFuzzPixels) return;
    const SkinImage image = SkinImage::FromBmp(bytes);
    const int width = image.Width(), height = image.Height();
    if (image.Pixels().size() != static_cast<size_t>(width) * static_cast<size_t>(height)) __builtin_trap();
    if (image.Empty()) return;
    for (const Pixel p : image.Pixels()) {
        if (p > 0xFFFFFF) __builtin_trap();
    }

    // Saved as 24 bits and read again, the picture is the same; as 1 bit, black stays
    // black and every other colour turns white.
    if (!SamePicture(SkinImage::FromBmp(image.ToBmp24()), image)) __builtin_trap();
    const SkinImage mono = SkinImage::FromBmp(image.ToBmp1());
    if (mono.Width() != width || mono.Height() != height) __builtin_trap();
    for (size_t i = 0; i < mono.Pixels().size(); ++i) {
        if (mono.Pixels()[i] != (image.Pixels()[i] == 0 ? 0 : 0xFFFFFF)) __builtin_trap();
    }

    const SkinImage turned = image.RotateClockwise();
    if (turned.Width() != height || turned.Height() != width) __builtin_trap();
    if (turned.At(height - 1, 0) != image.At(0, 0)) __builtin_trap();  // the left column on top
    if (!SamePicture(turned.RotateCounterClockwise(), image)) __builtin_trap();
    const SkinImage mirrored = image.MirrorLeftRight();
    if (mirrored.At(0, 0) != image.At(width - 1, 0)) __builtin_trap();
    if (!SamePicture(mirrored.MirrorLeftRight(), image)) __builtin_trap();
    if (!SamePicture(image.MirrorTopBottom().MirrorTopBottom(), image)) __builtin_trap();

    // A rectangle from the input's last bytes, often partly or wholly outside.
    if (size < 8) return;
    const auto at = [&](size_t back) {
        return static_cast<int16_t>(data[size - back] | data[size - back + 1] << 8) % 512;
    };
    const int x = at(8), y = at(6), w = at(4), h = at(2);
    const SkinImage part = image.Crop(x, y, w, h);
    const int left = std::clamp(x, 0, width), top = std::clamp(y, 0, height);
    if (part.Width() < 0 || left + part.Width() > width || top + part.Height() > height) __builtin_trap();
    for (int row = 0; row < part.Height(); ++row) {
        for (int col = 0; col < part.Width(); ++col) {
            if (part.At(col, row) != image.At(left + col, top + row)) __builtin_trap();
        }
    }
}

}  // namespace kelo::skin::fuzz
