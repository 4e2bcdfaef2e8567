#include "skin/data/SkinIni.h"

#include <algorithm>

namespace kelo::skin {

namespace {

char UpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperChar(x) == UpperChar(y); });
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperChar);
    return upper;
}

std::string_view TrimAscii(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool TryParseSkinInt(std::string_view text, int32_t& value) {
    text = TrimAscii(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    int64_t magnitude = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base) return false;
        magnitude = magnitude * base + digit;
        if (magnitude > (int64_t{1} << 32)) return false;
    }
    // Hexadecimal may spell a negative number in two's complement, as "$FFFFFFFF".
    if (base == 16 && !negative && magnitude <= 0xFFFFFFFF) {
        value = static_cast<int32_t>(static_cast<uint32_t>(magnitude));
        return true;
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
    value = static_cast<int32_t>(signedValue);
    return true;
}

SkinIniFile::SkinIniFile(std::string_view text) {
    Section* current = nullptr;
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        std::string_view line = TrimAscii(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            const std::string_view name = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
            sections_.push_back({std::string(TrimAscii(name)), {}});
            current = &sections_.back();
            continue;
        }
        const size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) continue;
        std::string_view value = TrimAscii(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        current->keys.emplace_back(std::string(TrimAscii(line.substr(0, equals))), std::string(value));
    }
}

std::vector<std::string> SkinIniFile::SectionNames() const {
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const Section& s : sections_) names.push_back(s.name);
    return names;
}

const std::string* SkinIniFile::Find(std::string_view section, std::string_view key) const {
    for (const Section& s : sections_) {
        if (!EqualsNoCase(s.name, section)) continue;
        for (const auto& [name, value] : s.keys) {
            if (EqualsNoCase(name, key)) return &value;
        }
        return nullptr;  // the first section of that name is the one that counts
    }
    return nullptr;
}

std::string SkinIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    const std::string* value = Find(section, key);
    return value ? *value : std::string(def);
}

int32_t SkinIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
    const std::string* text = Find(section, key);
    int32_t value = def;
    if (text && TryParseSkinInt(*text, value)) return value;
    return def;
}

}  // namespace kelo::skin
