#pragma once
// The skin file and the archive inside it.
//
// Skin file: unpacked size U (4 bytes, little-endian), then the LZHUF bit stream.
// Archive (the U unpacked bytes): version 20000, the byte length L of the name list,
// 8 reserved bytes, the name list (CR LF separated), one 32-bit size per name, then
// the entries' bytes one after the other.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "skin/data/Lzh.h"

namespace kelo::skin {

inline constexpr int32_t kSkinArchiveVersion = 20000;
inline constexpr int kMaxSkinEntries = 1001;
// Larger unpacked sizes are refused (the decoder's own limit): a damaged size field
// would otherwise make the decoder produce gigabytes of zeros.
inline constexpr uint32_t kMaxUnpackedSkinSize = TLZH::kMaxUnpackedSize;
inline constexpr const char* kOlderSkinMessage =
    "This is Older Skin File\rPlease update to new version !";

enum class ArchiveOpenResult {
    Ok,
    WrongVersion,   // the user is told kOlderSkinMessage
    Unreadable,     // no size field, an impossible size or more names than slots
};

class TSkinArchiveReader {
public:
    // Unpacks the skin file and reads the archive's directory. True on success.
    bool Open(std::string_view skinFile);
    ArchiveOpenResult LastResult() const { return result_; }

    // The first entry whose (lower-case) name equals `name` in lower case; empty when
    // there is none.
    std::string ExtractByName(std::string_view name) const;
    // The first entry whose name contains `text` (case-sensitive); its name goes to
    // `foundName`.
    std::string ExtractByPart(std::string_view text, std::string* foundName = nullptr) const;

    const std::vector<std::string>& Names() const { return names_; }
    int32_t Version() const { return version_; }
    int32_t NameListLength() const { return nameListLength_; }
    int32_t EntrySize(size_t index) const { return index < names_.size() ? sizes_[index] : 0; }
    size_t DataSize() const { return data_.size(); }

private:
    std::string Entry(size_t index) const;

    ArchiveOpenResult result_ = ArchiveOpenResult::Unreadable;
    int32_t version_ = 0;
    int32_t nameListLength_ = 0;
    std::array<uint8_t, 8> reserved_{};
    std::vector<std::string> names_;
    std::array<int32_t, kMaxSkinEntries> sizes_{};
    std::vector<uint64_t> offsets_;  // where each entry starts in data_
    std::string data_;
};

// Builds an archive of the given entries (name, bytes) in that order.
std::string WriteSkinArchive(const std::vector<std::pair<std::string, std::string>>& entries);
// A skin file: the size of `archive`, then `archive` compressed.
std::string PackSkinFile(std::string_view archive);

// The SkinStream property of the form: a signed 32-bit length N and N bytes.
std::string WriteSkinStream(std::string_view skinFile);
// The skin file inside a SkinStream property, or nothing when N is 0 or negative; N
// larger than what follows is cut to what is there. `consumed` gets the bytes read.
std::string_view ReadSkinStream(std::string_view property, size_t* consumed = nullptr);

// Little-endian helpers shared by the archive and the tools.
uint32_t ReadLe32(std::string_view bytes, size_t offset);  // missing bytes read as 0
void AppendLe32(std::string& out, uint32_t value);

}  // namespace kelo::skin
