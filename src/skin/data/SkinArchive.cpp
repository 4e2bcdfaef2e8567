#include "skin/data/SkinArchive.h"

#include <algorithm>

#include "skin/data/Lzh.h"

namespace kelo::skin {

namespace {

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Lines separated by CR LF, a lone CR or a lone LF; a final line break makes no extra
// (empty) line, as with a string list's text.
std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

}  // namespace

uint32_t ReadLe32(std::string_view bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        const size_t at = offset + i;
        if (at >= offset && at < bytes.size()) value |= uint32_t{static_cast<uint8_t>(bytes[at])} << (8 * i);
    }
    return value;
}

void AppendLe32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool TSkinArchiveReader::Open(std::string_view skinFile) {
    names_.clear();
    offsets_.clear();
    data_.clear();
    sizes_.fill(0);
    result_ = ArchiveOpenResult::Unreadable;
    if (skinFile.size() < 4) return false;
    const uint32_t unpackedSize = ReadLe32(skinFile, 0);
    if (unpackedSize > kMaxUnpackedSkinSize) return false;
    const std::string archive = TLZH().Decode(skinFile.substr(4), unpackedSize);

    // The header reads as zeros where the archive is too short, which fails the version.
    version_ = static_cast<int32_t>(ReadLe32(archive, 0));
    nameListLength_ = static_cast<int32_t>(ReadLe32(archive, 4));
    for (size_t i = 0; i < reserved_.size(); ++i) {
        reserved_[i] = 8 + i < archive.size() ? static_cast<uint8_t>(archive[8 + i]) : 0;
    }
    if (version_ != kSkinArchiveVersion) {
        result_ = ArchiveOpenResult::WrongVersion;
        return false;
    }

    size_t pos = std::min<size_t>(16, archive.size());
    const size_t listLength = std::min<size_t>(std::max(nameListLength_, 0), archive.size() - pos);
    std::vector<std::string> names = SplitLines(LowerAscii(std::string_view(archive).substr(pos, listLength)));
    pos += listLength;
    if (names.size() > static_cast<size_t>(kMaxSkinEntries)) return false;

    // Sizes past the end of the archive read as 0; negative ones count as 0 and the data
    // of an oversized one is cut at the end of the archive (see Entry).
    uint64_t offset = 0;
    for (size_t i = 0; i < names.size(); ++i, pos = std::min(pos + 4, archive.size())) {
        sizes_[i] = static_cast<int32_t>(ReadLe32(archive, pos));
        offsets_.push_back(offset);
        offset += static_cast<uint64_t>(std::max(sizes_[i], 0));
    }
    names_ = std::move(names);
    data_ = archive.substr(pos);
    result_ = ArchiveOpenResult::Ok;
    return true;
}

std::string TSkinArchiveReader::Entry(size_t index) const {
    const uint64_t start = offsets_[index];
    if (start >= data_.size() || sizes_[index] <= 0) return {};
    return data_.substr(static_cast<size_t>(start), static_cast<size_t>(sizes_[index]));
}

std::string TSkinArchiveReader::ExtractByName(std::string_view name) const {
    const std::string lower = LowerAscii(name);
    for (size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == lower) return Entry(i);
    }
    return {};
}

std::string TSkinArchiveReader::ExtractByPart(std::string_view text, std::string* foundName) const {
    for (size_t i = 0; i < names_.size(); ++i) {
        if (names_[i].find(text) != std::string::npos) {
            if (foundName) *foundName = names_[i];
            return Entry(i);
        }
    }
    if (foundName) foundName->clear();
    return {};
}

std::string WriteSkinArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string names;
    for (const auto& [name, bytes] : entries) names += name + "\r\n";
    std::string archive;
    AppendLe32(archive, static_cast<uint32_t>(kSkinArchiveVersion));
    AppendLe32(archive, static_cast<uint32_t>(names.size()));
    archive.append(8, '\0');
    archive += names;
    for (const auto& entry : entries) AppendLe32(archive, static_cast<uint32_t>(entry.second.size()));
    for (const auto& entry : entries) archive += entry.second;
    return archive;
}

std::string PackSkinFile(std::string_view archive) {
    std::string file;
    AppendLe32(file, static_cast<uint32_t>(archive.size()));
    file += TLZH().Encode(archive);
    return file;
}

std::string WriteSkinStream(std::string_view skinFile) {
    std::string property;
    AppendLe32(property, static_cast<uint32_t>(skinFile.size()));
    property += skinFile;
    return property;
}

std::string_view ReadSkinStream(std::string_view property, size_t* consumed) {
    const int32_t length = static_cast<int32_t>(ReadLe32(property, 0));
    const size_t header = std::min<size_t>(4, property.size());
    const size_t available = property.size() - header;
    const size_t take = length > 0 ? std::min<size_t>(static_cast<size_t>(length), available) : 0;
    if (consumed) *consumed = header + take;
    return property.substr(header, take);
}

}  // namespace kelo::skin
