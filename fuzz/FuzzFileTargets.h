#pragma once
// The bodies of the fuzz targets for the two files a user can edit beside the program:
// the settings (Kelo.ini) and the history (Kelo.trv). The libFuzzer mains call them, and
// the unit tests replay every input in fuzz/crashers/ through them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "IconvTextCodec.h"
#include "core/DateTime.h"
#include "core/Errors.h"
#include "core/IniDocument.h"
#include "core/UsageHistory.h"

namespace kelo::fuzz {

// ---- settings -----------------------------------------------------------------------

// Each typed reader the program uses, on a key it reads with it. Every lookup walks the
// whole document, so one of each is enough.
inline void ReadLikeTheProgram(const IniDocument& ini) {
    ini.ReadBool("Setup", "SetupBool", false);
    try {
        ini.ReadStrictInt("Setup", "MonthDate", 120);
    } catch (const ConvertError&) {
        // told to the user, who gets the default
    }
    ini.ReadInt("DropForm", "FormColor", 0);
    ini.ReadString("Setup", "SoundPath", "");
    ini.ReadDateTime("Date", "Start");
    if (const auto period = ini.Read("Date", "Period")) ParseDate(*period);
}

inline const LocalDateTime kWrittenStart{2024, 2, 29, 23, 59, 58};
inline constexpr const char* kWrittenSoundPath = "C:\\声音\\提示 1.wav";

// What the program writes, to existing and new sections and keys.
inline void WriteLikeTheProgram(IniDocument& ini) {
    ini.WriteBool("Setup", "SetupBool", true);
    ini.WriteInt("Setup", "MonthDate", 2147483647);
    ini.Write("Setup", "SoundPath", kWrittenSoundPath);
    ini.WriteDateTime("Date", "Start", kWrittenStart);
    ini.WriteInt("DropForm", "FormColor", -16777201);  // clBtnFace
    ini.Write("Kelo", "NewKey", "value");
}

inline void ExpectWritten(const IniDocument& ini) {
    bool ok = ini.ReadBool("Setup", "SetupBool", false);
    try {
        ok = ok && ini.ReadStrictInt("Setup", "MonthDate", 0) == 2147483647;
    } catch (const ConvertError&) {
        ok = false;
    }
    ok = ok && ini.ReadString("Setup", "SoundPath", "") == kWrittenSoundPath;
    ok = ok && ini.ReadDateTime("Date", "Start") == kWrittenStart;
    ok = ok && ini.ReadInt("DropForm", "FormColor", 0) == -16777201;
    ok = ok && ini.ReadString("Kelo", "NewKey", "") == "value";
    if (!ok) __builtin_trap();
}

// A settings file as the user may have edited it.
inline void RunIni(const uint8_t* data, size_t size) {
    static const test::IconvTextCodec codec;
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    IniDocument ini(codec, file);
    ReadLikeTheProgram(ini);
    // Lines that are not written keep their place and their bytes.
    if (ini.Bytes() != file) __builtin_trap();

    // What is written reads back from the file saved.
    WriteLikeTheProgram(ini);
    ExpectWritten(IniDocument(codec, ini.Bytes()));
}

// ---- history ------------------------------------------------------------------------

// The fields of a record as the program writes it: short records are written with six
// fields, and an empty last field past the sixth is no field of the written line.
inline std::vector<std::string> WrittenFields(std::vector<std::string> fields) {
    if (fields.size() < static_cast<size_t>(kRecordFields)) fields.resize(kRecordFields);
    while (fields.size() > static_cast<size_t>(kRecordFields) && fields.back().empty()) fields.pop_back();
    return fields;
}

// The non-empty lines of a history file, without their line ends. A file with a CR LF in
// it ends its lines in CR LF (a lone CR or LF is then part of a line), one without in LF.
inline std::vector<std::string_view> HistoryLines(std::string_view file) {
    const bool crLf = file.find("\r\n") != std::string_view::npos;
    std::vector<std::string_view> lines;
    while (!file.empty()) {
        const size_t end = crLf ? file.find("\r\n") : file.find('\n');
        const std::string_view line = file.substr(0, end);
        file.remove_prefix(end == std::string_view::npos ? file.size() : end + (crLf ? 2 : 1));
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// A history file as the user may have edited it, saved again with a new run appended.
inline void RunHistory(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    UsageHistory history;
    history.Load(std::string(file));
    const std::vector<std::string_view> lines = HistoryLines(file);
    if (history.Size() != lines.size()) __builtin_trap();
    std::vector<UsageRecord> records;
    for (size_t i = 0; i < history.Size(); ++i) {
        records.push_back(history.At(i));
        if (records.back().fields.empty()) __builtin_trap();
        // A record's fields join back into a line of the same fields.
        const std::string joined = JoinHistoryLine(records.back());
        if (WrittenFields(SplitHistoryLine(joined)) != WrittenFields(records.back().fields)) __builtin_trap();
    }

    // Saved, the file loads into the same records; every line goes back byte for byte.
    const std::string saved = history.Serialize(file);
    if (history.Serialize(file) != saved) __builtin_trap();
    const std::vector<std::string_view> savedLines = HistoryLines(saved);
    UsageHistory reloaded;
    reloaded.Load(saved);
    if (reloaded.Size() != records.size() || savedLines.size() != records.size()) __builtin_trap();
    for (size_t i = 0; i < records.size(); ++i) {
        if (reloaded.At(i).fields != records[i].fields || savedLines[i] != lines[i]) __builtin_trap();
    }
    if (!saved.empty() && !saved.ends_with("\r\n")) __builtin_trap();

    // The current run goes to the end, and its changes show in every save.
    history.Append({{"2024-03-01 10:00:00", "", "", "pc", kRecordType, "10.0.0.2"}});
    const std::string withRun = history.Serialize(file);
    if (withRun != saved + JoinHistoryLine(history.Last()) + "\r\n") __builtin_trap();
    history.Last().fields[2] = "00:01:00";
    if (history.Serialize(file) != saved + JoinHistoryLine(history.Last()) + "\r\n") __builtin_trap();
}

}  // namespace kelo::fuzz
