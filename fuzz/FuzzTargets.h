#pragma once
// The bodies of the skin's fuzz targets. The libFuzzer mains call them, and the unit
// tests replay every input in fuzz/crashers/ through them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "skin/Lzh.h"
#include "skin/SkinArchive.h"
#include "skin/SkinData.h"
#include "skin/SkinIni.h"

namespace kelo::skin::fuzz {

// Skin files asking for more are skipped, so that each run stays quick; Kelo's own skin
// unpacks to about 110 KB.
inline constexpr uint32_t kMaxFuzzOutput = 256 << 10;

// The first two bytes give the unpacked size (up to 64 KB); the rest is the bit stream.
inline void RunLzh(const uint8_t* data, size_t size) {
    if (size < 2) return;
    const uint32_t unpacked = uint32_t{data[0]} | uint32_t{data[1]} << 8;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string out = TLZH().Decode(stream, unpacked);
    if (out.size() != unpacked) __builtin_trap();
}

// A whole skin file, as SkinFile would read it from disk.
inline void RunArchive(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    if (file.size() >= 4 && ReadLe32(file, 0) > kMaxFuzzOutput) return;
    TSkinArchiveReader reader;
    if (!reader.Open(file)) return;
    for (const std::string& name : reader.Names()) {
        const std::string entry = reader.ExtractByName(name);
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

}  // namespace kelo::skin::fuzz
