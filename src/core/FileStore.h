#pragma once
#include <cstdint>
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
    // The same, but a file that another program holds for a moment (a backup tool, an
    // editor saving) is waited for a few seconds before reading fails. For the start.
    virtual std::optional<std::string> ReadPatiently(const std::string& path) { return Read(path); }
    // Up to `count` bytes of the file from `offset` into `bytes`: fewer where the file
    // ends, none past it or when it does not exist. Throws as Read does; `patiently`
    // waits as ReadPatiently does. A reader of many parts keeps `bytes` from one to the
    // next, so a long file is read through a room of one part.
    virtual void ReadPart(const std::string& path, uint64_t offset, size_t count, std::string& bytes,
                          bool patiently) {
        const std::optional<std::string> all = patiently ? ReadPatiently(path) : Read(path);
        bytes.clear();
        if (all && offset < all->size()) bytes.assign(*all, static_cast<size_t>(offset), count);
    }
    // Removes what the store's own saves left beside the file when they were cut short
    // (a crash, a power cut), unless a running program still holds it. Nothing else.
    virtual void RemoveLeftovers(const std::string& /*path*/) {}
    // Replaces the file in one step: the old content or the new one, never a mix.
    // Throws KeloError when the file cannot be written; the old file is then untouched.
    // A file the user made read-only counts as one that cannot be written.
    virtual void Replace(const std::string& path, const std::string& bytes) = 0;
    // Cuts a longer file to `size` bytes, giving the rest of its room back to the disk; it
    // needs no room itself. Throws KeloError when the file cannot be changed.
    virtual void Shorten(const std::string& path, uint64_t size) {
        const std::optional<std::string> all = Read(path);
        if (all && all->size() > size) Replace(path, all->substr(0, static_cast<size_t>(size)));
    }
    // Writes `replacement` over the end of the file from `offset`, provided the file is
    // exactly `offset + expected.size()` bytes long and ends with `expected`; answers
    // false and writes nothing when it is not so (someone else changed the file). The
    // replacement is at least as long as what it replaces and goes to the file in one
    // write, flushed: the bytes before `offset` are never written, and the file never
    // passes through a shorter state. Throws KeloError when the file cannot be written.
    virtual bool UpdateTail(const std::string& path, uint64_t offset, const std::string& expected,
                            const std::string& replacement) = 0;
};

}  // namespace kelo
