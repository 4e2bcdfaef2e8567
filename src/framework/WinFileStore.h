#pragma once
#include "core/FileStore.h"
#include "framework/Handle.h"

namespace kelo::win {

// Files on disk. A replacement is written to a temporary file beside the target,
// flushed, and moved over the target in one step; a tail update is one write at the
// file's end, checked against what should be there and flushed. Neither touches a file
// whose read-only attribute is set.
class WinFileStore : public FileStore {
public:
    std::optional<std::string> Read(const std::string& path) override;
    std::optional<std::string> ReadPatiently(const std::string& path) override;
    void ReadPart(const std::string& path, uint64_t offset, size_t count, std::string& bytes,
                  bool patiently) override;
    void RemoveLeftovers(const std::string& path) override;
    void Replace(const std::string& path, const std::string& bytes) override;
    void Shorten(const std::string& path, uint64_t size) override;
    bool UpdateTail(const std::string& path, uint64_t offset, const std::string& expected,
                    const std::string& replacement) override;
    // The temporary file this run writes a replacement of `path` to.
    static std::wstring TemporaryPath(const std::string& path);

private:
    // The file opened for reading, or none when it does not exist; throws when it cannot
    // be opened, waiting a few seconds first when `patiently` and another program holds it.
    UniqueHandle OpenToRead(const std::string& path, bool patiently);
};

}  // namespace kelo::win
