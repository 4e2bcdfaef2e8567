#pragma once
#include "core/FileStore.h"

namespace kelo::win {

// Files on disk. A replacement is written to a temporary file beside the target,
// flushed, and moved over the target in one step.
class WinFileStore : public FileStore {
public:
    std::optional<std::string> Read(const std::string& path) override;
    void Replace(const std::string& path, const std::string& bytes) override;
};

}  // namespace kelo::win
