#include "app/DataFolder.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "core/Settings.h"
#include "core/UsageHistory.h"
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

DataFolder ChooseDataFolder(const std::string& programDir, const std::string& appDataDir,
                            bool programDirWritable) {
    if (programDirWritable || appDataDir.empty()) return {programDir, false};
    const std::string folder = appDataDir + "Kelo\\";
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

}  // namespace kelo::app
