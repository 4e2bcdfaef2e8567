#pragma once
#include <optional>
#include <string>

namespace kelo {

// File access as the settings and history code needs it. Paths are UTF-8.
class FileStore {
public:
    virtual ~FileStore() = default;
    // The whole file, or nothing when it does not exist. Throws KeloError when it exists
    // but cannot be read.
    virtual std::optional<std::string> Read(const std::string& path) = 0;
    // Replaces the file in one step: the old content or the new one, never a mix.
    // Throws KeloError when the file cannot be written; the old file is then untouched.
    virtual void Replace(const std::string& path, const std::string& bytes) = 0;
};

}  // namespace kelo
