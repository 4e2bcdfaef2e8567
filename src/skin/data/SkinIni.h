#pragma once
// The skin's INI entry, read in memory the way the system's profile functions read a
// file: section and key names without regard to case, the first of equal names wins,
// values trimmed and freed of one pair of enclosing quotes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelo::skin {

class SkinIniFile {
public:
    explicit SkinIniFile(std::string_view text);

    // Every section header in file order, duplicates included.
    std::vector<std::string> SectionNames() const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def = {}) const;
    // Decimal, or hexadecimal after "$" or "0x"; a missing or unreadable value gives `def`.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    const std::string* Find(std::string_view section, std::string_view key) const;

    std::vector<Section> sections_;
};

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string UpperAscii(std::string_view text);
std::string_view TrimAscii(std::string_view text);
// Whole-text integer as the skin reads it: optional sign, decimal or "$"/"0x" hex.
bool TryParseSkinInt(std::string_view text, int32_t& value);

}  // namespace kelo::skin
