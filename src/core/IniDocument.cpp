#include "core/IniDocument.h"

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

#include "core/Errors.h"
#include "core/TextCodec.h"
#include "core/UnicodeText.h"

namespace kelo {

namespace {

constexpr size_t npos = static_cast<size_t>(-1);
constexpr const char* kNewLine = "\r\n";

// What each encoding puts before the text, and how it holds the text.
struct EncodingForm {
    IniEncoding encoding;
    std::string_view byteOrderMark;
    bool utf16;
    bool bigEndian;
};
constexpr EncodingForm kForms[] = {
    {IniEncoding::Gbk, "", false, false},
    {IniEncoding::Utf8Bom, "\xEF\xBB\xBF", false, false},
    {IniEncoding::Utf16LeBom, "\xFF\xFE", true, false},
    {IniEncoding::Utf16BeBom, "\xFE\xFF", true, true},
    {IniEncoding::Utf16Le, "", true, false},
    {IniEncoding::Utf16Be, "", true, true},
};

const EncodingForm& FormOf(IniEncoding encoding) {
    for (const EncodingForm& form : kForms)
        if (form.encoding == encoding) return form;
    return kForms[0];
}

// UTF-16 without a byte-order mark, told by its zero bytes. A settings line is mostly
// ASCII, so UTF-16 has a zero in every other byte: at odd offsets little-endian, at even
// offsets big-endian; GBK text has no zero byte at all. More zeros at odd offsets is
// little-endian, more at even offsets big-endian, none or as many of each GBK, so a few
// characters with a zero byte of their own (U+4E00) do not outweigh the ASCII around them.
// The first line decides: the bytes up to the first line-feed byte and one more (the zero
// of a little-endian line feed, should that line be blank). The program never rewrites
// that line and appends only text of the same form, so a file it saved is told the same
// way again.
IniEncoding EncodingByZeroBytes(std::string_view bytes) {
    const size_t lf = bytes.find('\n');
    const size_t end = lf == std::string_view::npos ? bytes.size() : std::min(bytes.size(), lf + 2);
    size_t zerosAtEven = 0, zerosAtOdd = 0;
    for (size_t i = 0; i < end; ++i)
        if (bytes[i] == '\0') ++(i % 2 == 0 ? zerosAtEven : zerosAtOdd);
    if (zerosAtOdd > zerosAtEven) return IniEncoding::Utf16Le;
    if (zerosAtEven > zerosAtOdd) return IniEncoding::Utf16Be;
    return IniEncoding::Gbk;
}

IniEncoding EncodingOf(std::string_view bytes) {
    for (const EncodingForm& form : kForms)
        if (!form.byteOrderMark.empty() && bytes.starts_with(form.byteOrderMark))
            return form.encoding;
    return EncodingByZeroBytes(bytes);
}

// Big-endian UTF-16 and little-endian, one into the other.
std::string SwapByteOrder(std::string units) {
    for (size_t i = 0; i + 1 < units.size(); i += 2) std::swap(units[i], units[i + 1]);
    return units;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A value written into one line may not break it.
std::string OneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

bool IsBlank(std::string_view raw) { return Trim(raw).empty(); }

}  // namespace

// A line that something is written after must end in a line feed: a last line without
// one, or with a bare carriage return, would run into the next.
void IniDocument::EndLine(Line& line) {
    if (line.eol.empty() || line.eol.back() != '\n') line.eol = kNewLine;
}

int32_t StrToInt(std::string_view text) {
    const std::string_view t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i == t.size()) throw ConvertError(std::string(text));
    int64_t value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') throw ConvertError(std::string(text));
        value = value * 10 + (t[i] - '0');
        if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1)
            throw ConvertError(std::string(text));
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) throw ConvertError(std::string(text));
    return static_cast<int32_t>(value);
}

std::optional<int32_t> TryStrToIntLenient(std::string_view text) {
    const std::string_view t = Trim(text);
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        uint64_t value = 0;
        for (size_t i = 2; i < t.size(); ++i) {
            const char c = t[i];
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else return std::nullopt;
            value = value * 16 + static_cast<uint64_t>(digit);
            if (value > 0xFFFFFFFFull) return std::nullopt;
        }
        // Hexadecimal colour codes use all 32 bits: 0xFF000000 is a negative code.
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    try {
        return StrToInt(t);
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

IniDocument::IniDocument(const TextCodec& codec, std::string_view fileBytes) : codec_(codec) {
    encoding_ = EncodingOf(fileBytes);
    const EncodingForm& form = FormOf(encoding_);
    fileBytes.remove_prefix(form.byteOrderMark.size());
    std::string utf8;
    if (form.utf16) {
        if (fileBytes.size() % 2 != 0) {
            strayByte_ = std::string(fileBytes.substr(fileBytes.size() - 1));
            fileBytes.remove_suffix(1);
        }
        utf8 = Utf16LeToUtf8(form.bigEndian ? SwapByteOrder(std::string(fileBytes)) : fileBytes);
        fileBytes = utf8;
    }
    size_t start = 0;
    while (start < fileBytes.size()) {
        const size_t lf = fileBytes.find('\n', start);
        Line line;
        if (lf == std::string_view::npos) {
            line.raw = std::string(fileBytes.substr(start));
            start = fileBytes.size();
        } else {
            line.raw = std::string(fileBytes.substr(start, lf - start));
            line.eol = "\n";
            start = lf + 1;
        }
        if (!line.raw.empty() && line.raw.back() == '\r') {
            line.raw.pop_back();
            line.eol = "\r" + line.eol;
        }
        lines_.push_back(std::move(line));
    }
}

std::string IniDocument::ToText(const std::string& raw) const {
    return encoding_ == IniEncoding::Gbk ? codec_.ToUtf8(raw) : raw;
}

std::string IniDocument::FromText(const std::string& text) const {
    return encoding_ == IniEncoding::Gbk ? codec_.FromUtf8(text) : text;
}

IniDocument::Entry IniDocument::Classify(const Line& line) const {
    Entry entry;
    const std::string text = ToText(line.raw);
    const std::string_view t = Trim(text);
    if (t.empty() || t.front() == ';') return entry;
    if (t.front() == '[') {
        const size_t close = t.find(']');
        entry.isSection = true;
        entry.name = std::string(Trim(t.substr(1, close == std::string_view::npos
                                                       ? std::string_view::npos
                                                       : close - 1)));
        return entry;
    }
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) return entry;
    entry.isKey = true;
    entry.name = std::string(Trim(t.substr(0, eq)));
    std::string_view value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    entry.value = std::string(value);
    return entry;
}

size_t IniDocument::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Entry e = Classify(lines_[i]);
        if (e.isSection && EqualsNoCase(e.name, section)) return i;
    }
    return npos;
}

size_t IniDocument::SectionEnd(size_t sectionLine) const {
    size_t i = sectionLine + 1;
    while (i < lines_.size() && !Classify(lines_[i]).isSection) ++i;
    return i;
}

size_t IniDocument::FindKey(size_t sectionLine, std::string_view key) const {
    const size_t end = SectionEnd(sectionLine);
    for (size_t i = sectionLine + 1; i < end; ++i) {
        const Entry e = Classify(lines_[i]);
        if (e.isKey && EqualsNoCase(e.name, key)) return i;
    }
    return npos;
}

std::optional<std::string> IniDocument::Read(std::string_view section,
                                             std::string_view key) const {
    const size_t s = FindSection(section);
    if (s == npos) return std::nullopt;
    const size_t k = FindKey(s, key);
    if (k == npos) return std::nullopt;
    return Classify(lines_[k]).value;
}

void IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
    const size_t s = FindSection(section);
    if (s == npos) {
        if (!lines_.empty()) {
            EndLine(lines_.back());
            if (!IsBlank(lines_.back().raw)) lines_.push_back({"", kNewLine});
        }
        lines_.push_back({FromText("[" + std::string(section) + "]"), kNewLine});
        lines_.push_back({FromText(std::string(key) + "=" + OneLine(value)), kNewLine});
        return;
    }
    const size_t k = FindKey(s, key);
    if (k != npos) {
        // The key keeps the spelling it has in the file.
        const std::string name = Classify(lines_[k]).name;
        lines_[k].raw = FromText(name + "=" + OneLine(value));
        EndLine(lines_[k]);
        return;
    }
    size_t insertAt = SectionEnd(s);
    while (insertAt > s + 1 && IsBlank(lines_[insertAt - 1].raw)) --insertAt;
    EndLine(lines_[insertAt - 1]);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  Line{FromText(std::string(key) + "=" + OneLine(value)), kNewLine});
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
    auto value = Read(section, key);
    return value ? *value : std::string(def);
}

int32_t IniDocument::ReadStrictInt(std::string_view section, std::string_view key,
                                   int32_t def) const {
    auto value = Read(section, key);
    return value ? StrToInt(*value) : def;
}

int32_t IniDocument::ReadInt(std::string_view section, std::string_view key, int32_t def) const {
    auto value = Read(section, key);
    if (!value) return def;
    return TryStrToIntLenient(*value).value_or(def);
}

bool IniDocument::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInt(section, key, def ? 1 : 0) != 0;
}

std::optional<LocalDateTime> IniDocument::ReadDateTime(std::string_view section,
                                                       std::string_view key) const {
    auto value = Read(section, key);
    return value ? ParseDateTime(*value) : std::nullopt;
}

void IniDocument::WriteInt(std::string_view section, std::string_view key, int64_t value) {
    Write(section, key, std::to_string(value));
}

void IniDocument::WriteBool(std::string_view section, std::string_view key, bool value) {
    Write(section, key, value ? "1" : "0");
}

void IniDocument::WriteDateTime(std::string_view section, std::string_view key,
                                const LocalDateTime& t) {
    Write(section, key, FormatDateTime(t));
}

std::string IniDocument::Bytes() const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.raw;
        text += line.eol;
    }
    const EncodingForm& form = FormOf(encoding_);
    if (!form.utf16) return std::string(form.byteOrderMark) + text;
    const std::string units = Utf8ToUtf16Le(text);
    return std::string(form.byteOrderMark) + (form.bigEndian ? SwapByteOrder(units) : units) +
           strayByte_;
}

}  // namespace kelo
