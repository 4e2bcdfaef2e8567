#include "core/TemporaryFiles.h"

#include <cstdio>

namespace kelo {

namespace {
constexpr std::string_view kMarker = ".~", kSuffix = ".tmp";

bool AllOf(std::string_view text, std::string_view allowed, size_t most) {
    return !text.empty() && text.size() <= most && text.find_first_not_of(allowed) == std::string_view::npos;
}
}  // namespace

std::string TemporaryName(std::string_view target, uint32_t processId, uint64_t runMark) {
    char tail[48];
    std::snprintf(tail, sizeof tail, "%u-%llx", static_cast<unsigned>(processId),
                  static_cast<unsigned long long>(runMark));
    std::string name(target);
    name.append(kMarker).append(tail).append(kSuffix);
    return name;
}

bool IsLeftoverName(std::string_view targetName, std::string_view name) {
    if (name.size() <= targetName.size() + kMarker.size() + kSuffix.size() || !name.starts_with(targetName) ||
        name.substr(targetName.size(), kMarker.size()) != kMarker || !name.ends_with(kSuffix))
        return false;
    const std::string_view middle =
        name.substr(targetName.size() + kMarker.size(), name.size() - targetName.size() - kMarker.size() - kSuffix.size());
    const size_t dash = middle.find('-');
    if (!AllOf(middle.substr(0, dash), "0123456789", 10)) return false;
    return dash == std::string_view::npos || AllOf(middle.substr(dash + 1), "0123456789abcdef", 16);
}

}  // namespace kelo
