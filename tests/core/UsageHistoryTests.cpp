#include <gtest/gtest.h>

#include "core/Errors.h"
#include "core/UsageHistory.h"

namespace kelo {
namespace {

using Fields = std::vector<std::string>;

TEST(HistoryLine, EveryTextBeforeABelIsAFieldEvenWhenEmpty) {
    EXPECT_EQ(SplitHistoryLine("a\x07" "b\x07" "c"), (Fields{"a", "b", "c"}));
    EXPECT_EQ(SplitHistoryLine("a\x07\x07" "c"), (Fields{"a", "", "c"}));
    EXPECT_EQ(SplitHistoryLine("\x07"), (Fields{""}));
}

TEST(HistoryLine, EmptyTextAfterTheLastBelIsNoField) {
    EXPECT_EQ(SplitHistoryLine("a\x07" "b\x07"), (Fields{"a", "b"}));
    EXPECT_EQ(SplitHistoryLine(""), Fields{});
}

TEST(HistoryLine, LineWithoutBelIsOneField) {
    EXPECT_EQ(SplitHistoryLine("2024-03-01 10:00:00"), (Fields{"2024-03-01 10:00:00"}));
}

TEST(HistoryLine, ShortRecordIsWrittenWithSixFields) {
    EXPECT_EQ(JoinHistoryLine({{"s", "e", "01:00:00", "host", "Kelo"}}),
              "s\x07" "e\x07" "01:00:00\x07" "host\x07" "Kelo\x07");
    EXPECT_EQ(JoinHistoryLine({{"only"}}), "only\x07\x07\x07\x07\x07");
    EXPECT_EQ(JoinHistoryLine({{"a", "b", "c", "d", "e", "f"}}),
              "a\x07" "b\x07" "c\x07" "d\x07" "e\x07" "f");
}

const std::string kLine1 =
    "2024-03-01 10:00:00\x07" "2024-03-01 11:02:03\x07" "01:02:03\x07" "pc\x07" "Kelo\x07" "10.0.0.2";
const std::string kLine2 =
    "2024-03-02 09:00:00\x07" "2024-03-02 09:30:00\x07" "00:30:00\x07" "\xCD\xF8\xB0\xC9\x07" "Kelo\x07";

TEST(HistoryFile, LoadsLinesAndSkipsEmptyOnes) {
    UsageHistory history;
    history.Load(kLine1 + "\r\n\r\n" + kLine2 + "\r\nlonely");
    ASSERT_EQ(history.Size(), 3u);
    EXPECT_EQ(history.At(0).fields.size(), 6u);
    EXPECT_EQ(history.At(1).fields.size(), 5u);  // empty IP: last field not kept
    EXPECT_EQ(history.At(1).fields[3], "\xCD\xF8\xB0\xC9");
    EXPECT_EQ(history.At(2).fields, Fields{"lonely"});
}

// A file without a CR LF (written by another tool) is read line by line at its line feeds.
TEST(HistoryFile, LinesEndingInBareLineFeedsAreRead) {
    UsageHistory history;
    history.Load(kLine1 + "\n" + kLine1 + "\n");
    ASSERT_EQ(history.Size(), 2u);
    EXPECT_EQ(history.At(1).fields.back(), "10.0.0.2");
    // A line feed is never part of a GBK character: after a lead byte it ends the line.
    const std::string cut = kLine1 + "\xCD\n" + kLine1 + "\n";
    history.Load(cut);
    ASSERT_EQ(history.Size(), 2u);
    EXPECT_EQ(history.At(0).fields.back(), "10.0.0.2\xCD");
    EXPECT_EQ(history.At(1).fields[0], "2024-03-01 10:00:00");
    EXPECT_EQ(history.Serialize(cut), kLine1 + "\xCD\r\n" + kLine1 + "\r\n");
}

// In a file of CR LF lines, binary garbage with lone CR and LF bytes stays one line, and
// lines that are no record (too few fields, NULs, a megabyte long) go back as they were read.
TEST(HistoryFile, OnlyCrLfEndsALineAndUnreadableLinesGoBackAsRead) {
    const std::string garbage("\x01\r\xFF\n\0\n\r\x07z", 9);
    const std::string nuls(300, '\0');
    const std::string huge(size_t{1} << 20, 'y');
    const std::string file = kLine1 + "\n" + kLine1 + "\r\n" + garbage + "\r\na\x07" "b\x07" "c\r\n" + nuls +
                             "\r\n" + huge + "\r\n" + kLine2 + "\r\nlonely";
    UsageHistory history;
    history.Load(file);
    ASSERT_EQ(history.Size(), 7u);
    EXPECT_EQ(history.At(0).fields.back(), "10.0.0.2");
    EXPECT_EQ(history.At(1).fields[0], garbage.substr(0, 7));
    EXPECT_EQ(history.Serialize(file), file + "\r\n");
}

TEST(HistoryFile, WellFormedFileRoundTripsByteForByte) {
    const std::string file = kLine1 + "\r\n" + kLine2 + "\r\n";
    UsageHistory history;
    history.Load(file);
    EXPECT_EQ(history.Serialize(file), file);
    EXPECT_EQ(UsageHistory{}.Serialize(""), "");
}

TEST(HistoryFile, ChangesToTheLastRecordShowInEverySave) {
    UsageHistory history;
    const std::string file = kLine1 + "\r\n";
    history.Load(file);
    history.Append({{"2024-03-03 08:00:00", "", "", "pc", "Kelo", "10.0.0.2"}});
    EXPECT_EQ(history.Serialize(file),
              kLine1 + "\r\n2024-03-03 08:00:00\x07\x07\x07pc\x07Kelo\x07" "10.0.0.2\r\n");
    history.Last().fields[1] = "2024-03-03 08:01:00";
    history.Last().fields[2] = "00:01:00";
    std::string second = history.Serialize(file);
    history.Last().fields[2] = "00:02:00";
    std::string third = history.Serialize(file);
    EXPECT_NE(second.find("\x07" "00:01:00\x07"), std::string::npos);
    EXPECT_NE(third.find("\x07" "00:02:00\x07"), std::string::npos);
    EXPECT_EQ(third.find("00:01:00"), std::string::npos);

    history.Append({{"2024-03-04 08:00:00", "", "", "pc", "Kelo", ""}});
    std::string fourth = history.Serialize(file);
    EXPECT_EQ(fourth, third + "2024-03-04 08:00:00\x07\x07\x07pc\x07Kelo\x07\r\n");
}


// A long file is read in parts: an empty line whose CR and LF fall in different parts is
// still an empty line.
TEST(HistoryFile, LinesAcrossTheFilesPartsAreFoundOnce) {
    const std::string first((size_t{1} << 20) - 3, 'x');
    UsageHistory history;
    history.Load(first + "\r\n\r\n" + kLine2 + "\r\n");
    ASSERT_EQ(history.StoredCount(), 2u);
    EXPECT_EQ(history.At(1).fields[0], "2024-03-02 09:00:00");
    std::vector<std::string> lines;
    history.ForEachStoredLine([&lines](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(lines, (std::vector<std::string>{first, kLine2}));
}

// The list's rows are read from the file: one that another program holds when a row is
// shown gives an empty row, and the row is read once the file can be read again.
TEST(HistoryFile, RowThatCannotBeReadNowIsReadLater) {
    const std::string file = kLine1 + "\r\n" + kLine2 + "\r\n";
    bool held = false;
    UsageHistory history;
    history.Open([&](uint64_t offset, size_t count, std::string& bytes) {
        if (held) throw KeloError("held");
        bytes = offset < file.size() ? file.substr(offset, count) : "";
    });
    held = true;
    EXPECT_TRUE(history.At(1).fields.empty());
    held = false;
    EXPECT_EQ(history.At(1).fields[0], "2024-03-02 09:00:00");
}

}  // namespace
}  // namespace kelo
