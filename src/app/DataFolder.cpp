#include "app/DataFolder.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <vector>

#include "core/Errors.h"
#include "core/Settings.h"
#include "core/UsageHistory.h"
#include "framework/WinFileStore.h"
#include "framework/WinText.h"

namespace kelo::app {

bool FolderWritable(const std::string& dir) {
    const std::wstring probe = win::Widen(dir) + L"Kelo-" + std::to_wstring(GetCurrentProcessId()) + L".probe";
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

std::string UserAppDataDir() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    std::wstring dir = path;
    if (dir.empty()) return {};
    if (dir.back() != L'\\') dir += L'\\';
    return win::Narrow(dir);
}

namespace {

// Beside Kelo's own files in the moved folder: the program folders whose files moved there,
// one a line in UTF-8. A name of its own, so that nothing takes it for settings or history.
constexpr const char* kMovedFoldersName = "ProgramFolders.txt";

// A folder as the list keeps and compares it: backslashes, one trailing separator.
std::wstring FolderKey(const std::string& dir) {
    std::wstring key = win::Widen(dir);
    std::replace(key.begin(), key.end(), L'/', L'\\');
    while (!key.empty() && key.back() == L'\\') key.pop_back();
    return key + L'\\';
}

// The list as it stands, empty when there is none yet (a folder of an earlier version).
// Nothing when it cannot be read: a folder that may write itself then stays at home, and
// the list is not written over with what could not be seen.
std::optional<std::vector<std::string>> MovedFolders(const std::string& list) {
    std::optional<std::string> text;
    try {
        text = win::WinFileStore().Read(list);
    } catch (const KeloError&) {
        return std::nullopt;
    }
    std::vector<std::string> folders;
    std::istringstream lines(text.value_or(""));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) folders.push_back(line);
    }
    return folders;
}

bool Listed(const std::vector<std::string>& folders, const std::string& programDir) {
    const std::wstring key = FolderKey(programDir);
    return std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) {
        const std::wstring listed = FolderKey(folder);
        return CompareStringOrdinal(listed.c_str(), static_cast<int>(listed.size()), key.c_str(),
                                    static_cast<int>(key.size()), TRUE) == CSTR_EQUAL;
    });
}

// The list is replaced whole, so it is never left half-written. When it cannot be written
// the program still works in the moved folder, whose files are the ones it has been
// counting into; the next start that has to move takes the folder again and tries anew.
void ListFolder(const std::string& list, std::vector<std::string> folders, const std::string& programDir) {
    folders.push_back(win::Narrow(FolderKey(programDir)));
    std::string text;
    for (const std::string& folder : folders) text += folder + "\r\n";
    try {
        win::WinFileStore().Replace(list, text);
    } catch (const KeloError&) {
    }
}

// The moved folder as it stands, or made now with the files beside the program copied in.
DataFolder MoveTo(const std::string& folder, const std::string& programDir) {
    const std::wstring wide = win::Widen(folder);
    const bool existed = GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!existed && !CreateDirectoryW(wide.c_str(), nullptr)) return {programDir, false};
    if (existed) return {folder, false};
    // Taken into use now: the files carry over. A file that cannot be copied would start
    // the month from nothing, so the folder is given up again and the program stays beside
    // its files (its saves then fail and say so).
    std::vector<std::wstring> copied;
    for (const char* name : {ini::kFileName, kHistoryFileName}) {
        const std::wstring from = win::Widen(programDir + name), to = win::Widen(folder + name);
        if (GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        if (!CopyFileW(from.c_str(), to.c_str(), TRUE)) {
            for (const std::wstring& file : copied) DeleteFileW(file.c_str());
            RemoveDirectoryW(wide.c_str());
            return {programDir, false};
        }
        copied.push_back(to);
    }
    return {folder, true};
}

}  // namespace

DataFolder ChooseDataFolder(const std::string& programDir, const std::string& appDataDir,
                            bool programDirWritable) {
    if (appDataDir.empty()) return {programDir, false};
    const std::string folder = appDataDir + "Kelo\\";
    const std::string list = folder + kMovedFoldersName;
    // Once moved, always moved: a folder that can be written only now and then (a share, a
    // stick's lock) would otherwise switch between two sets of files and count in both.
    const std::optional<std::vector<std::string>> moved = MovedFolders(list);
    if (moved && Listed(*moved, programDir)) return {folder, false};
    if (programDirWritable) return {programDir, false};
    const DataFolder data = MoveTo(folder, programDir);
    if (moved && data.path == folder) ListFolder(list, *moved, programDir);
    return data;
}

}  // namespace kelo::app
