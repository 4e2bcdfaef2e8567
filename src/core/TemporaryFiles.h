#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace kelo {

// The name of the temporary file a replacement of `target` is written to before it takes
// the target's place: "<target>.~<process id>-<run mark>.tmp". Process ids come back (every
// run under Wine gets the same one), so the mark, something that differs from run to run,
// keeps one run's name from ever being another's.
std::string TemporaryName(std::string_view target, uint32_t processId, uint64_t runMark);

// Whether `name` (a file name without its folder) is one that a save of the file named
// `targetName` makes or made: "<targetName>.~<process id>.tmp" or
// "<targetName>.~<process id>-<run mark>.tmp". Nothing else is ever taken for a leftover.
bool IsLeftoverName(std::string_view targetName, std::string_view name);

}  // namespace kelo
