#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/DateTime.h"

namespace kelo {

class TextCodec;

// How a settings file is stored: GBK text as the program writes it, or the Unicode
// forms a text editor may save it in, recognised by their byte-order marks or, for
// UTF-16 without one, by the zero bytes of its mostly ASCII text.
enum class IniEncoding { Gbk, Utf8Bom, Utf16LeBom, Utf16BeBom, Utf16Le, Utf16Be };

// An INI file held as its lines. Names are matched without regard to case; a new key
// goes to the end of its section and a new section to the end of the file; lines that
// are not written keep their place and their bytes. Texts in and out are UTF-8; the
// file keeps the encoding it came in (GBK for a new file).
class IniDocument {
public:
    IniDocument(const TextCodec& codec, std::string_view fileBytes = {});

    IniEncoding Encoding() const { return encoding_; }

    std::optional<std::string> Read(std::string_view section, std::string_view key) const;
    void Write(std::string_view section, std::string_view key, std::string_view value);

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    // Decimal only; throws ConvertError naming the stored text when it is not a whole
    // 32-bit number. A missing key gives the default text's value.
    int32_t ReadStrictInt(std::string_view section, std::string_view key, int32_t def) const;
    // Decimal or "0x" hexadecimal; missing or unreadable gives the default.
    int32_t ReadInt(std::string_view section, std::string_view key, int32_t def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    std::optional<LocalDateTime> ReadDateTime(std::string_view section,
                                              std::string_view key) const;

    void WriteInt(std::string_view section, std::string_view key, int64_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void WriteDateTime(std::string_view section, std::string_view key, const LocalDateTime& t);

    std::string Bytes() const;

private:
    struct Line {
        std::string raw;   // the bytes of the line, without its line break
        std::string eol;   // "\r\n", "\n" or "" for a last line without one
    };
    struct Entry {
        bool isSection = false;
        bool isKey = false;
        std::string name;   // UTF-8, trimmed
        std::string value;  // UTF-8, trimmed (keys only)
    };
    Entry Classify(const Line& line) const;
    static void EndLine(Line& line);
    // A line's bytes as UTF-8 text, and back.
    std::string ToText(const std::string& raw) const;
    std::string FromText(const std::string& text) const;
    // Index of the section header line, or npos.
    size_t FindSection(std::string_view section) const;
    // Index of the key line within the section starting at sectionLine, or npos.
    size_t FindKey(size_t sectionLine, std::string_view key) const;
    size_t SectionEnd(size_t sectionLine) const;

    const TextCodec& codec_;
    IniEncoding encoding_ = IniEncoding::Gbk;
    // The lines in the file's encoding; a UTF-16 file's lines are held as UTF-8 and
    // converted back as a whole.
    std::vector<Line> lines_;
    std::string strayByte_;  // an odd last byte of a UTF-16 file, kept as it was
};

// Parses the strict decimal integer of the settings file; throws ConvertError.
int32_t StrToInt(std::string_view text);
// Decimal or "0x" hexadecimal; nothing when unreadable.
std::optional<int32_t> TryStrToIntLenient(std::string_view text);

}  // namespace kelo
