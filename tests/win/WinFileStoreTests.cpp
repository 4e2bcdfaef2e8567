#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Errors.h"
#include "core/UsageSession.h"
#include "framework/WinFileStore.h"

using namespace kelo;

TEST(WinFileStore, MissingFileReadsAsNothingAndReplaceCreatesIt) {
    test::TempDir dir;
    win::WinFileStore files;
    const std::string path = dir.Path() + "Kelo.ini";
    EXPECT_FALSE(files.Read(path).has_value());
    files.Replace(path, "[Setup]\r\nSetupBool=0\r\n");
    EXPECT_EQ(files.Read(path).value(), "[Setup]\r\nSetupBool=0\r\n");
}

TEST(WinFileStore, ReplaceSwapsTheWholeFileAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    win::WinFileStore files;
    const std::string path = dir.Path() + "Kelo.trv";
    files.Replace(path, std::string(100000, 'a'));
    files.Replace(path, "short");
    EXPECT_EQ(test::ReadFileBytes(path), "short");

    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(win::Widen(dir.Path() + "*").c_str(), &data);
    int files_in_dir = 0;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") ++files_in_dir;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    EXPECT_EQ(files_in_dir, 1);
}

TEST(WinFileStore, FailedReplaceThrowsAndKeepsTheOldFile) {
    test::TempDir dir;
    win::WinFileStore files;
    EXPECT_THROW(files.Replace(dir.Path() + "no-such-dir\\Kelo.ini", "x"), KeloError);

    const std::string path = dir.Path() + "Kelo.ini";
    files.Replace(path, "old");
    // A directory in the way of the temporary file makes the write itself fail.
    const std::wstring blocker =
        win::Widen(path) + L".~" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr));
    EXPECT_THROW(files.Replace(path, "new"), KeloError);
    RemoveDirectoryW(blocker.c_str());
    EXPECT_EQ(test::ReadFileBytes(path), "old");
}

TEST(WinFileStore, UpdateTailWritesOnlyOverTheExpectedEnd) {
    test::TempDir dir;
    win::WinFileStore files;
    const std::string path = dir.Path() + "Kelo.trv";
    files.Replace(path, "old line\r\nrun 1\r\n");
    EXPECT_TRUE(files.UpdateTail(path, 10, "run 1\r\n", "run 22\r\n"));
    EXPECT_EQ(test::ReadFileBytes(path), "old line\r\nrun 22\r\n");
    // Not what this writer left there: another length, other bytes, no file.
    EXPECT_FALSE(files.UpdateTail(path, 10, "run 1\r\n", "run 33\r\n"));
    EXPECT_FALSE(files.UpdateTail(path, 10, "run 23\r\n", "run 33\r\n"));
    EXPECT_FALSE(files.UpdateTail(dir.Path() + "none.trv", 0, "", "x"));
    EXPECT_EQ(test::ReadFileBytes(path), "old line\r\nrun 22\r\n");
}

// Another program holds the history without sharing for the first part of a run: the
// run's record goes in once the file can be read again.
TEST(WinFileStore, HistoryHeldOpenAtStartGetsTheRunsRecordLater) {
    test::TempDir dir;
    win::WinFileStore files;
    win::GbkCodec codec;
    test::ManualClock clock;
    const std::string old = "2026-12-01 08:00:00\a2026-12-01 09:00:00\a01:00:00\apc\aKelo\a\r\n";
    files.Replace(dir.Path() + "Kelo.trv", old);
    HANDLE holder = CreateFileW(win::Widen(dir.Path() + "Kelo.trv").c_str(), GENERIC_READ, 0,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    UsageSession session(SessionEnvironment{files, codec, clock, dir.Path(), "pc", ""});
    EXPECT_EQ(session.StartupMessages().size(), 1u);
    session.OnCheck(true);
    clock.monotonicMs += 20'000;
    session.OnTick();
    EXPECT_FALSE(session.CheckpointIfDue().has_value());
    CloseHandle(holder);
    EXPECT_EQ(test::ReadFileBytes(dir.Path() + "Kelo.trv"), old);

    clock.monotonicMs += 20'000;
    session.OnTick();
    EXPECT_FALSE(session.CheckpointIfDue().has_value());
    const std::string now = test::ReadFileBytes(dir.Path() + "Kelo.trv");
    EXPECT_EQ(now.find(old + "2026-12-07 09:30:00\a2026-12-07 09:30:00\a00:00:40\apc\aKelo\a\r\n"), 0u)
        << now;
}

TEST(WinFileStore, PathsWithChineseNamesWork) {
    test::TempDir dir;
    win::WinFileStore files;
    const std::string path = dir.Path() + "上网计时.ini";
    files.Replace(path, "x");
    EXPECT_EQ(files.Read(path).value(), "x");
}

TEST(GbkCodec, ConvertsChineseBothWaysWhateverTheSystemCodePage) {
    win::GbkCodec codec;
    EXPECT_EQ(codec.FromUtf8("宋体"), "\xCB\xCE\xCC\xE5");
    EXPECT_EQ(codec.ToUtf8("\xCB\xCE\xCC\xE5"), "宋体");
    EXPECT_EQ(codec.ToUtf8(codec.FromUtf8("本月用时:12:3:4")), "本月用时:12:3:4");
}
