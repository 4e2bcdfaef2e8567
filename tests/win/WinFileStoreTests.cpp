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

// A long history is read a part at a time: from any offset, fewer bytes where the file
// ends, none past it or when there is no file.
TEST(WinFileStore, PartsAreReadFromTheirOffset) {
    test::TempDir dir;
    win::WinFileStore files;
    const std::string path = dir.Path() + "Kelo.trv";
    std::string part = "left over";
    files.ReadPart(path, 0, 4, part, false);
    EXPECT_EQ(part, "");
    files.Replace(path, "0123456789");
    files.ReadPart(path, 2, 4, part, true);
    EXPECT_EQ(part, "2345");
    files.ReadPart(path, 8, 4, part, false);
    EXPECT_EQ(part, "89");
    files.ReadPart(path, 12, 4, part, false);
    EXPECT_EQ(part, "");
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
    const std::wstring blocker = win::WinFileStore::TemporaryPath(path);
    ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr));
    EXPECT_THROW(files.Replace(path, "new"), KeloError);
    RemoveDirectoryW(blocker.c_str());
    EXPECT_EQ(test::ReadFileBytes(path), "old");

    // A file the user made read-only is neither replaced nor written into, and stays so.
    ASSERT_TRUE(SetFileAttributesW(win::Widen(path).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_THROW(files.Replace(path, "new"), KeloError);
    EXPECT_THROW(files.UpdateTail(path, 0, "old", "older"), KeloError);
    EXPECT_EQ(test::ReadFileBytes(path), "old");
    EXPECT_TRUE(GetFileAttributesW(win::Widen(path).c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(win::Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// What a save cut short left beside the files goes at the next start, unless a running
// save still holds it, whatever process id it carries (ids come back: this run's own is
// an earlier run's too); nothing else is touched.
TEST(WinFileStore, LeftoversOfCutShortSavesAreRemoved) {
    test::TempDir dir;
    win::WinFileStore files;
    const std::wstring base = win::Widen(dir.Path());
    auto make = [&](const wchar_t* name) {
        HANDLE h = CreateFileW((base + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << name;
        return h;
    };
    auto exists = [&](const wchar_t* name) {
        return GetFileAttributesW((base + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    CloseHandle(make(L"Kelo.ini.~4242.tmp"));
    CloseHandle(make(L"Kelo.ini.~notes.tmp"));
    CloseHandle(make(L"Other.ini.~4242.tmp"));
    HANDLE held = make(L"Kelo.trv.~4343.tmp");
    const std::wstring pid = std::to_wstring(GetCurrentProcessId());
    const std::wstring sameId[] = {L"Kelo.ini.~" + pid + L".tmp", L"Kelo.trv.~" + pid + L".tmp",
                                   L"Kelo.trv.~" + pid + L"-1d9c2a0b3e4f5a6.tmp"};
    for (const std::wstring& name : sameId) CloseHandle(make(name.c_str()));
    files.RemoveLeftovers(dir.Path() + "Kelo.ini");
    files.RemoveLeftovers(dir.Path() + "Kelo.trv");
    for (const std::wstring& name : sameId) EXPECT_FALSE(exists(name.c_str())) << name;
    EXPECT_FALSE(exists(L"Kelo.ini.~4242.tmp"));
    EXPECT_TRUE(exists(L"Kelo.ini.~notes.tmp"));
    EXPECT_TRUE(exists(L"Other.ini.~4242.tmp"));
    EXPECT_TRUE(exists(L"Kelo.trv.~4343.tmp"));
    CloseHandle(held);
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

// Another program holds the history for reading only during a run: the month total is
// saved at every checkpoint and at exit all the same, and the run's line goes in once
// the file is released.
TEST(WinFileStore, HistoryHeldAgainstWritingNeverHoldsTheTotalBack) {
    test::TempDir dir;
    win::WinFileStore files;
    win::GbkCodec codec;
    test::ManualClock clock;
    const std::string trv = dir.Path() + "Kelo.trv", ini = dir.Path() + "Kelo.ini";
    const std::string old = "2026-12-01 08:00:00\a2026-12-01 09:00:00\a01:00:00\apc\aKelo\a\r\n";
    files.Replace(trv, old);
    files.Replace(ini, "[Date]\r\nSumTime=1:0:0\r\n");
    UsageSession session(SessionEnvironment{files, codec, clock, dir.Path(), "pc", ""});
    HANDLE holder = CreateFileW(win::Widen(trv).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    session.OnCheck(true);
    for (const char* total : {"SumTime=1:0:20", "SumTime=1:0:40"}) {
        clock.monotonicMs += 20'000;
        session.OnTick();
        (void)session.CheckpointIfDue();
        EXPECT_NE(test::ReadFileBytes(ini).find(total), std::string::npos) << test::ReadFileBytes(ini);
    }
    clock.monotonicMs += 5'000;
    EXPECT_THROW(session.SaveAtExit(), KeloError);
    EXPECT_NE(test::ReadFileBytes(ini).find("SumTime=1:0:45"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(trv), old);

    CloseHandle(holder);
    session.Resume();
    session.SaveAtExit();
    EXPECT_EQ(test::ReadFileBytes(trv), old + "2026-12-07 09:30:00\a2026-12-07 09:30:00\a00:00:45\apc\aKelo\a\r\n");
    EXPECT_NE(test::ReadFileBytes(ini).find("SumTime=1:0:45"), std::string::npos);
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
