#include <gtest/gtest.h>

#include "core/TemporaryFiles.h"

namespace kelo {
namespace {

// Every run under Wine gets the same process id: two runs still never share a name, and
// the next start knows both for leftovers, as it knows the names of older versions, and
// nothing else.
TEST(TemporaryFiles, RunsWithTheSameIdNeverShareANameAndOnlyTheStoresNamesAreLeftovers) {
    const std::string first = TemporaryName("Kelo.trv", 32, 0x1d9c2a0b3e4f5a6);
    EXPECT_NE(first, TemporaryName("Kelo.trv", 32, 0x1d9c2a0b3e4f5a7));
    for (const std::string& name : {first, std::string("Kelo.trv.~32.tmp")}) EXPECT_TRUE(IsLeftoverName("Kelo.trv", name));
    for (const char* name : {"Kelo.trv.~notes.tmp", "Other.trv.~32.tmp", "Kelo.trv.~32-xyz.tmp", "Kelo.trv.~.tmp",
                             "Kelo.trv.~32-.tmp", "Kelo.trv.~12345678901.tmp", "Kelo.trv.~32.tmp.txt"})
        EXPECT_FALSE(IsLeftoverName("Kelo.trv", name)) << name;
}

}  // namespace
}  // namespace kelo
