// Every input the fuzzers ever stopped on, kept in fuzz/crashers/<target>/, runs again
// here through the same code: the skin's readers and the settings and history files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "FuzzFileTargets.h"
#include "FuzzTargets.h"

namespace {

namespace fs = std::filesystem;

template <class Run>
int ReplayFolder(const fs::path& dir, Run run) {
    int count = 0;
    if (!fs::is_directory(dir)) return count;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        const std::string data = bytes.str();
        SCOPED_TRACE(entry.path().string());
        run(reinterpret_cast<const uint8_t*>(data.data()), data.size());
        ++count;
    }
    return count;
}

// The kept findings, and the seed corpus beside them: the targets' own checks hold for
// every seed too.
template <class Run>
int ReplayAll(const char* target, Run run) {
    return ReplayFolder(fs::path(KELO_FUZZ_CRASHERS) / target, run) +
           ReplayFolder(fs::path(KELO_FUZZ_CRASHERS) / ".." / "corpus" / target, run);
}

TEST(SkinFuzzRegression, LzhInputs) { ReplayAll("lzh", kelo::skin::fuzz::RunLzh); }
TEST(SkinFuzzRegression, ArchiveInputs) { ReplayAll("archive", kelo::skin::fuzz::RunArchive); }
TEST(SkinFuzzRegression, SkinIniInputs) { ReplayAll("skinini", kelo::skin::fuzz::RunSkinIni); }
TEST(SkinFuzzRegression, BmpInputs) { ReplayAll("bmp", kelo::skin::fuzz::RunBmp); }

TEST(FileFuzzRegression, SettingsInputs) { ReplayAll("ini", kelo::fuzz::RunIni); }
TEST(FileFuzzRegression, HistoryInputs) { ReplayAll("history", kelo::fuzz::RunHistory); }

}  // namespace
