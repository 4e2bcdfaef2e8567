// Where the files live when the program's own folder cannot be written.
#include <gtest/gtest.h>

#include <windows.h>

#include "TestSupport.h"
#include "app/DataFolder.h"
#include "framework/WinFileStore.h"
#include "framework/WinText.h"

using namespace kelo;

namespace {

// The moved folder sits inside a temporary folder, which removes only files.
void RemoveDataFolder(const std::string& dir) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((win::Widen(dir) + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do DeleteFileW((win::Widen(dir) + found.cFileName).c_str());
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(win::Widen(dir).c_str());
}

TEST(DataFolder, AWritableProgramFolderKeepsTheFilesAndTheProbeLeavesNothing) {
    test::TempDir program, appData;
    EXPECT_TRUE(app::FolderWritable(program.Path()));
    EXPECT_FALSE(app::FolderWritable(program.Path() + "missing\\"));
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((win::Widen(program.Path()) + L"*.probe").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "the probe file is gone";
    if (search != INVALID_HANDLE_VALUE) FindClose(search);

    const app::DataFolder data = app::ChooseDataFolder(program.Path(), appData.Path(), true);
    EXPECT_EQ(data.path, program.Path());
    EXPECT_FALSE(data.firstUse);
    EXPECT_EQ(GetFileAttributesW(win::Widen(appData.Path() + "Kelo").c_str()), INVALID_FILE_ATTRIBUTES)
        << "nothing is made elsewhere";
}

TEST(DataFolder, AReadOnlyProgramFolderMovesTheFilesOnceAndLeavesTheOriginals) {
    test::TempDir program, appData;
    win::WinFileStore files;
    files.Replace(program.Path() + "Kelo.ini", "[Date]\r\nSumTime=12:0:0\r\n");
    files.Replace(program.Path() + "Kelo.trv", "history\r\n");

    const app::DataFolder first = app::ChooseDataFolder(program.Path(), appData.Path(), false);
    EXPECT_EQ(first.path, appData.Path() + "Kelo\\");
    EXPECT_TRUE(first.firstUse);
    EXPECT_EQ(test::ReadFileBytes(first.path + "Kelo.ini"), "[Date]\r\nSumTime=12:0:0\r\n");
    EXPECT_EQ(test::ReadFileBytes(first.path + "Kelo.trv"), "history\r\n");

    // Later starts use the folder as it stands: what was saved there is never replaced.
    files.Replace(first.path + "Kelo.ini", "[Date]\r\nSumTime=13:0:0\r\n");
    const app::DataFolder later = app::ChooseDataFolder(program.Path(), appData.Path(), false);
    EXPECT_EQ(later.path, first.path);
    EXPECT_FALSE(later.firstUse);
    EXPECT_EQ(test::ReadFileBytes(later.path + "Kelo.ini"), "[Date]\r\nSumTime=13:0:0\r\n");
    EXPECT_EQ(test::ReadFileBytes(program.Path() + "Kelo.ini"), "[Date]\r\nSumTime=12:0:0\r\n");
    RemoveDataFolder(later.path);
}

TEST(DataFolder, AProgramFolderThatMovedOnceStaysMovedWhenItCanBeWrittenAgain) {
    test::TempDir program, other, appData;
    win::WinFileStore files;
    files.Replace(program.Path() + "Kelo.ini", "[Date]\r\nSumTime=12:0:0\r\n");

    // A start on a locked stick counts into the moved files...
    const app::DataFolder locked = app::ChooseDataFolder(program.Path(), appData.Path(), false);
    files.Replace(locked.path + "Kelo.ini", "[Date]\r\nSumTime=13:0:0\r\n");
    files.Replace(locked.path + "Kelo.trv", "run\r\n");

    // ...and the next start, with the lock off, shows what that one counted.
    const app::DataFolder unlocked = app::ChooseDataFolder(program.Path(), appData.Path(), true);
    EXPECT_EQ(unlocked.path, locked.path);
    EXPECT_FALSE(unlocked.firstUse);
    EXPECT_EQ(test::ReadFileBytes(unlocked.path + "Kelo.trv"), "run\r\n");
    std::string shouted = program.Path();
    shouted.pop_back();
    CharUpperBuffA(shouted.data(), static_cast<DWORD>(shouted.size()));
    EXPECT_EQ(app::ChooseDataFolder(shouted, appData.Path(), true).path, locked.path)
        << "the same folder written in capitals and without its separator";
    EXPECT_EQ(test::ReadFileBytes(program.Path() + "Kelo.ini"), "[Date]\r\nSumTime=12:0:0\r\n");

    // A copy of the program elsewhere, in a folder it can write, keeps its own files.
    EXPECT_EQ(app::ChooseDataFolder(other.Path(), appData.Path(), true).path, other.Path());
    RemoveDataFolder(locked.path);
}

}  // namespace
