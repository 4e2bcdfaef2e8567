#include "framework/IniFile.h"

#include "core/Errors.h"
#include "framework/WinFileStore.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {
const GbkCodec& Codec() {
    static GbkCodec codec;
    return codec;
}
}  // namespace

IniDocument TIniFile::Load(std::string& bytes) const {
    WinFileStore files;
    bytes = files.Read(path_).value_or(std::string());
    return IniDocument(Codec(), bytes);
}

IniDocument TIniFile::Document() const {
    std::string bytes;
    try {
        return Load(bytes);
    } catch (const KeloError&) {
        if (FirstFailureOf(path_)) throw;
        return IniDocument(Codec());
    }
}

void TIniFile::Save(const IniDocument& doc, const std::string& before) {
    const std::string after = doc.Bytes();
    if (after == before) return;
    WinFileStore files;
    files.Replace(path_, after);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    return Document().ReadString(section, key, def);
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                              int32_t def) const {
    return Document().ReadInt(section, key, def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return Document().ReadBool(section, key, def);
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return Document().Read(section, key).has_value();
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    Edit([&](IniDocument& doc) { doc.Write(section, key, value); });
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int64_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::Edit(const std::function<void(IniDocument&)>& change) {
    std::string before;
    IniDocument doc = Load(before);
    change(doc);
    Save(doc, before);
}

}  // namespace kelo::win
