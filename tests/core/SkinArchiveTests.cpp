#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "skin/data/Lzh.h"
#include "skin/data/SkinArchive.h"

using namespace kelo::skin;

namespace {

// An archive built by hand, so that its fields can be anything.
std::string RawArchive(int32_t version, const std::string& names, int32_t listLength,
                       const std::vector<int32_t>& sizes, const std::string& data) {
    std::string a;
    AppendLe32(a, static_cast<uint32_t>(version));
    AppendLe32(a, static_cast<uint32_t>(listLength));
    a += "\x01\x02\x03\x04\x05\x06\x07\x08";  // reserved: arbitrary bytes
    a += names;
    for (int32_t s : sizes) AppendLe32(a, static_cast<uint32_t>(s));
    return a + data;
}

std::string Packed(const std::string& archive) { return PackSkinFile(archive); }

TEST(SkinArchive, WrittenArchiveOpensAndExtracts) {
    const std::string archive = WriteSkinArchive({{"Skin.INI", "[a]\r\n"}, {"Tab.bmp", "TAB"}, {"b.bmp", ""}, {"c.bmp", "cc"}});
    TSkinArchiveReader r;
    ASSERT_TRUE(r.Open(Packed(archive)));
    EXPECT_EQ(r.LastResult(), ArchiveOpenResult::Ok);
    EXPECT_EQ(r.Names(), (std::vector<std::string>{"skin.ini", "tab.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(r.ExtractByName("Tab.bmp"), "TAB");
    EXPECT_EQ(r.ExtractByName("TAB.BMP"), "TAB");  // the reader lowers both sides
    EXPECT_EQ(r.ExtractByName("b.bmp"), "");
    EXPECT_EQ(r.ExtractByName("c.bmp"), "cc");
    EXPECT_EQ(r.ExtractByName("missing.bmp"), "");
    std::string name;
    EXPECT_EQ(r.ExtractByPart(".ini", &name), "[a]\r\n");
    EXPECT_EQ(name, "skin.ini");
    EXPECT_EQ(r.ExtractByPart(".INI", &name), "");  // the part is matched as given
    EXPECT_EQ(name, "");
}

TEST(SkinArchive, FinalLineBreakMakesNoExtraEntryButInnerEmptyLinesDo) {
    TSkinArchiveReader r;
    const std::string names = "a.bmp\r\n\r\nb.bmp\r\n";
    ASSERT_TRUE(r.Open(Packed(RawArchive(20000, names, static_cast<int32_t>(names.size()), {1, 0, 2}, "abb"))));
    EXPECT_EQ(r.Names(), (std::vector<std::string>{"a.bmp", "", "b.bmp"}));
    EXPECT_EQ(r.ExtractByName("b.bmp"), "bb");
    const std::string noBreak = "a.bmp";
    ASSERT_TRUE(r.Open(Packed(RawArchive(20000, noBreak, 5, {1}, "a"))));
    EXPECT_EQ(r.Names().size(), 1u);
}

TEST(SkinArchive, WrongVersionIsRefusedAndSaysSo) {
    TSkinArchiveReader r;
    EXPECT_FALSE(r.Open(Packed(RawArchive(19999, "a\r\n", 3, {1}, "x"))));
    EXPECT_EQ(r.LastResult(), ArchiveOpenResult::WrongVersion);
    EXPECT_STREQ(kOlderSkinMessage, "This is Older Skin File\rPlease update to new version !");
    // An archive too short for its header reads as version 0.
    EXPECT_FALSE(r.Open(Packed("ab")));
    EXPECT_EQ(r.LastResult(), ArchiveOpenResult::WrongVersion);
}

TEST(SkinArchive, UnreadableSkinFiles) {
    TSkinArchiveReader r;
    EXPECT_FALSE(r.Open(""));
    EXPECT_FALSE(r.Open("\x01\x02"));
    EXPECT_EQ(r.LastResult(), ArchiveOpenResult::Unreadable);
    std::string huge;
    AppendLe32(huge, 0xFFFFFFFF);
    EXPECT_FALSE(r.Open(huge + "abc"));
    EXPECT_EQ(r.LastResult(), ArchiveOpenResult::Unreadable);
}

TEST(SkinArchive, MoreNamesThanSlotsIsRefused) {
    std::string names;
    for (int i = 0; i < 1002; ++i) names += "n" + std::to_string(i) + "\r\n";
    TSkinArchiveReader r;
    EXPECT_FALSE(r.Open(Packed(RawArchive(20000, names, static_cast<int32_t>(names.size()), {}, ""))));
    std::string fewer;
    for (int i = 0; i < 1001; ++i) fewer += "n" + std::to_string(i) + "\r\n";
    EXPECT_TRUE(r.Open(Packed(RawArchive(20000, fewer, static_cast<int32_t>(fewer.size()), {}, ""))));
    EXPECT_EQ(r.Names().size(), 1001u);
}

TEST(SkinArchive, NegativeAndOversizedSizesNeverReadPastTheData) {
    TSkinArchiveReader r;
    const std::string names = "neg\r\nok\r\nbig\r\n";
    ASSERT_TRUE(r.Open(Packed(RawArchive(20000, names, 14, {-5, 2, 0x7FFFFFFF}, "okTAIL"))));
    EXPECT_EQ(r.ExtractByName("neg"), "");
    EXPECT_EQ(r.ExtractByName("ok"), "ok");     // a negative size takes no bytes
    EXPECT_EQ(r.ExtractByName("big"), "TAIL");  // cut at the end of the data
}

TEST(SkinArchive, NameListLongerThanTheArchiveOrNegative) {
    TSkinArchiveReader r;
    ASSERT_TRUE(r.Open(Packed(RawArchive(20000, "a.bmp\r\nb", 1000000, {}, ""))));
    EXPECT_EQ(r.Names(), (std::vector<std::string>{"a.bmp", "b"}));
    EXPECT_EQ(r.ExtractByName("a.bmp"), "");  // no sizes left: the entries are empty
    ASSERT_TRUE(r.Open(Packed(RawArchive(20000, "", -7, {}, "data"))));
    EXPECT_TRUE(r.Names().empty());
    EXPECT_EQ(r.DataSize(), 4u);
}

// The unpacked size U is what counts, even when the bit stream is cut short: the
// directory survives, the data after the cut decodes as whatever zero bits give.
TEST(SkinArchive, TruncatedSkinFileStillOpens) {
    std::string big(30000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
    const std::string file = Packed(WriteSkinArchive({{"keloskin.ini", "[x]"}, {"big.bmp", big}}));
    TSkinArchiveReader r;
    ASSERT_TRUE(r.Open(file.substr(0, file.size() / 2)));
    EXPECT_EQ(r.ExtractByName("keloskin.ini"), "[x]");
    EXPECT_EQ(r.ExtractByName("big.bmp").size(), big.size());
}

TEST(SkinStreamProperty, LengthPrefixedBytes) {
    const std::string property = WriteSkinStream("abc");
    EXPECT_EQ(property, std::string("\x03\0\0\0abc", 7));
    size_t consumed = 0;
    EXPECT_EQ(ReadSkinStream(property + "next", &consumed), "abc");
    EXPECT_EQ(consumed, 7u);
    EXPECT_EQ(ReadSkinStream(std::string(4, '\0'), &consumed), "");
    EXPECT_EQ(consumed, 4u);
    EXPECT_EQ(ReadSkinStream("\xFF\xFF\xFF\xFFxyz", &consumed), "");  // negative: no skin
    EXPECT_EQ(consumed, 4u);
    EXPECT_EQ(ReadSkinStream(std::string("\x10\0\0\0ab", 6), &consumed), "ab");
    EXPECT_EQ(ReadSkinStream("\x05", &consumed), "");
    EXPECT_EQ(consumed, 1u);
}

}  // namespace
