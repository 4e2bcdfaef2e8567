#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Errors.h"
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
