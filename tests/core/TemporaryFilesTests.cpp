#include <gtest/gtest.h>

#include "core/TemporaryFiles.h"

namespace kelo {
namespace {

// Every run under Wine gets the same process id: two runs still never share a name, and
// the next start knows both for leftovers, as it knows the names of older versions.
TEST(TemporaryFiles, RunsWithTheSameIdNeverShareANameAndAllAreLeftovers) {
    const std::string first = TemporaryName("C:\\Kelo\\Kelo.trv", 32, 0x1d9c2a0b3e4f5a6);
    const std::string second = TemporaryName("C:\\Kelo\\Kelo.trv", 32, 0x1d9c2a0b3e4f5a7);
    EXPECT_NE(first, second);
    for (const std::string& name : {first, second})
        EXPECT_TRUE(IsLeftoverName("Kelo.trv", name.substr(name.rfind('\\') + 1))) << name;
    EXPECT_TRUE(IsLeftoverName("Kelo.ini", "Kelo.ini.~32.tmp"));
}

TEST(TemporaryFiles, OnlyTheStoresOwnNamesAreLeftovers) {
    for (const char* name : {"Kelo.ini.~notes.tmp", "Other.ini.~32.tmp", "Kelo.ini.~32-xyz.tmp", "Kelo.ini.~.tmp",
                             "Kelo.ini.~32-.tmp", "Kelo.ini.~12345678901.tmp", "Kelo.ini.~32.tmp.txt", "Kelo.ini"})
        EXPECT_FALSE(IsLeftoverName("Kelo.ini", name)) << name;
}

}  // namespace
}  // namespace kelo
