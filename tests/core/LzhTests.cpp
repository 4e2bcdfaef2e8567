#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "skin/data/Lzh.h"
#include "skin/data/SkinArchive.h"

using kelo::skin::ELzhError;
using kelo::skin::TLZH;

namespace {

std::string RoundTrip(const std::string& plain) {
    const std::string packed = TLZH().Encode(plain);
    return TLZH().Decode(packed, static_cast<uint32_t>(plain.size()));
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

TEST(LzhRoundTrip, EmptyInputGivesEmptyStreamAndOutput) {
    EXPECT_EQ(TLZH().Encode(""), "");
    EXPECT_EQ(RoundTrip(""), "");
}

TEST(LzhRoundTrip, OneByteOfEveryValue) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        ASSERT_EQ(RoundTrip(one), one) << b;
    }
}

TEST(LzhRoundTrip, RunsCompressToAlmostNothing) {
    const std::string run(1 << 20, 'a');
    const std::string packed = TLZH().Encode(run);
    EXPECT_LT(packed.size(), run.size() / 40);
    EXPECT_EQ(TLZH().Decode(packed, static_cast<uint32_t>(run.size())), run);
}

// The ring starts as 4036 spaces: leading spaces are copied from it at once.
TEST(LzhRoundTrip, LeadingSpacesComeFromThePrefilledRing) {
    const std::string spaces(60, ' ');
    EXPECT_LE(TLZH().Encode(spaces).size(), 3u);
    EXPECT_EQ(RoundTrip(spaces + "x" + spaces), spaces + "x" + spaces);
}

TEST(LzhRoundTrip, RandomDataOfManySizes) {
    for (size_t size : {2u, 3u, 59u, 60u, 61u, 4095u, 4096u, 4097u, 65536u, 1u << 20}) {
        const std::string plain = RandomBytes(size, static_cast<unsigned>(size));
        ASSERT_EQ(RoundTrip(plain), plain) << size;
    }
}

// Matches that reach across the wrap of the ring, with the frequency tables rebuilt many
// times on the way (the root reaches 0x8000 every 32768 codes).
TEST(LzhRoundTrip, RepetitiveTextAcrossTheRingAndTableRebuilds) {
    std::mt19937 random(3);
    const char* words[] = {"Left=left.bmp\r\n", "[Buttons]\r\n", "Xcoord=", "25", "49", "\r\n", "   "};
    std::string text;
    while (text.size() < 700000) text += words[random() % 7];
    EXPECT_EQ(RoundTrip(text), text);
    std::string mixed = text.substr(0, 50000) + RandomBytes(50000, 9) + text.substr(0, 50000);
    EXPECT_EQ(RoundTrip(mixed), mixed);
}

// Long runs skew the adaptive tree far: codes can then be longer than 16 bits.
TEST(LzhRoundTrip, HeavilySkewedInput) {
    std::string skewed;
    std::mt19937 random(11);
    for (int i = 0; i < 300000; ++i) skewed.push_back(random() % 97 == 0 ? static_cast<char>(random()) : 'z');
    EXPECT_EQ(RoundTrip(skewed), skewed);
}

TEST(LzhDecode, TruncatedStreamStillGivesExactlyTheSize) {
    const std::string plain = RandomBytes(20000, 5) + std::string(20000, 'q');
    const std::string packed = TLZH().Encode(plain);
    for (size_t keep : {size_t{0}, size_t{1}, packed.size() / 2, packed.size() - 1}) {
        const std::string out = TLZH().Decode(packed.substr(0, keep), static_cast<uint32_t>(plain.size()));
        ASSERT_EQ(out.size(), plain.size()) << keep;
    }
    // What the kept bytes describe comes out unchanged.
    const std::string half = TLZH().Decode(packed.substr(0, packed.size() / 2), static_cast<uint32_t>(plain.size()));
    EXPECT_EQ(half.substr(0, 5000), plain.substr(0, 5000));
}

TEST(LzhDecode, StopsAtTheSizeEvenInsideAMatch) {
    const std::string plain(1000, 'r');
    const std::string packed = TLZH().Encode(plain);
    EXPECT_EQ(TLZH().Decode(packed, 7), std::string(7, 'r'));
    EXPECT_EQ(TLZH().Decode(packed, 0), "");
}

TEST(LzhDecode, GarbageInputDecodesWithoutFailing) {
    const std::string garbage = RandomBytes(3000, 1);
    EXPECT_EQ(TLZH().Decode(garbage, 100000).size(), 100000u);
    EXPECT_EQ(TLZH().Decode(std::string(500, '\xFF'), 100000).size(), 100000u);
}

// A damaged size field is refused before anything is reserved, and the decoder can be
// used again afterwards.
TEST(LzhDecode, DeclaredSizeAboveTheLimitIsRefused) {
    const std::string packed = TLZH().Encode("abc");
    TLZH lzh;
    EXPECT_THROW(lzh.Decode(packed, 0xFFFFFFFFu), ELzhError);
    EXPECT_THROW(lzh.Decode(packed, TLZH::kMaxUnpackedSize + 1), ELzhError);
    EXPECT_EQ(lzh.Decode(packed, 3), "abc");
}

// Kelo's own skin, as the build packs it, is far inside the limit and still unpacks into
// an archive the reader accepts.
TEST(LzhDecode, KelosOwnSkinDecodesWithinTheLimit) {
    std::ifstream in(KELO_SKIN_FILE, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string skinFile = bytes.str();
    ASSERT_GT(skinFile.size(), 4u);
    const uint32_t unpacked = kelo::skin::ReadLe32(skinFile, 0);
    EXPECT_LT(unpacked, TLZH::kMaxUnpackedSize / 100);
    const std::string archive = TLZH().Decode(std::string_view(skinFile).substr(4), unpacked);
    ASSERT_EQ(archive.size(), unpacked);
    EXPECT_EQ(kelo::skin::ReadLe32(archive, 0), static_cast<uint32_t>(kelo::skin::kSkinArchiveVersion));
    kelo::skin::TSkinArchiveReader reader;
    ASSERT_TRUE(reader.Open(skinFile));
    EXPECT_FALSE(reader.ExtractByName("keloskin.ini").empty());
}

TEST(LzhDecode, OneObjectDecodesTwiceTheSame) {
    const std::string plain = RandomBytes(5000, 2) + std::string(5000, 'k');
    TLZH lzh;
    const std::string packed = lzh.Encode(plain);
    EXPECT_EQ(lzh.Decode(packed, 10000), plain);
    EXPECT_EQ(lzh.Decode(packed, 10000), plain);
    EXPECT_EQ(lzh.Encode(plain), packed);
}

}  // namespace
