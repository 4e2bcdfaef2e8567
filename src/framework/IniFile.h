#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/IniDocument.h"

namespace kelo::win {

// The settings file on disk. Every read opens the file and every write replaces it in
// one step; nothing is kept between calls. Texts are GBK on disk. A write throws whenever
// the file cannot be read or written.
class TIniFile {
public:
    explicit TIniFile(std::string path) : path_(std::move(path)) {}
    const std::string& FileName() const { return path_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // The whole file as it stands, for reading. A file that cannot be read is told once
    // a run (the error is thrown); afterwards it reads as empty, so every key takes its
    // default. The readers above read through it.
    IniDocument Document() const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int64_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Makes the changes to the file as read now and stores them in one replacement.
    void Edit(const std::function<void(IniDocument&)>& change);

private:
    IniDocument Load(std::string& bytes) const;
    void Save(const IniDocument& doc, const std::string& before);
    std::string path_;
};

}  // namespace kelo::win
