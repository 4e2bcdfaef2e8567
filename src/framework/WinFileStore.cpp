#include "framework/WinFileStore.h"

#include <windows.h>

#include <algorithm>

#include "core/Errors.h"
#include "core/TemporaryFiles.h"
#include "framework/Handle.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {

[[noreturn]] void Fail(const char* what, const std::string& path, DWORD code) {
    throw KeloError(std::string(what) + " \"" + path + "\"：" + SystemErrorText(code));
}

// A file the user made read-only is left as it is: replacing it would drop the mark, and
// a program running with rights enough would write into it all the same.
void RefuseReadOnly(const std::wstring& target, const std::string& path) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw KeloError("无法写入文件 \"" + path + "\"：文件是只读的。");
}

// What sets this run apart from an earlier one that had the same process id: the moment
// the process was made.
uint64_t RunMark() {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

}  // namespace

std::wstring WinFileStore::TemporaryPath(const std::string& path) {
    static const uint64_t mark = RunMark();
    return Widen(TemporaryName(path, GetCurrentProcessId(), mark));
}

namespace {

bool HeldByAnother(DWORD code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION; }

// Up to `count` bytes from the file's position into `bytes`, fewer where it ends.
void ReadFrom(const UniqueHandle& file, const std::string& path, size_t count, std::string& bytes) {
    bytes.resize(count);
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        if (!ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr))
            Fail("无法读取文件", path, GetLastError());
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
}

std::optional<std::string> ReadWhole(const UniqueHandle& file, const std::string& path) {
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) Fail("无法读取文件", path, GetLastError());
    std::string bytes;
    ReadFrom(file, path, static_cast<size_t>(size.QuadPart), bytes);
    return bytes;
}

}  // namespace

std::optional<std::string> WinFileStore::ReadPatiently(const std::string& path) {
    return ReadWhole(OpenToRead(path, true), path);
}

UniqueHandle WinFileStore::OpenToRead(const std::string& path, bool patiently) {
    constexpr int kTries = 30, kPauseMs = 100;
    for (int attempt = 1;; ++attempt) {
        UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return file;
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return {};
        if (!patiently || attempt == kTries || !HeldByAnother(code)) Fail("无法读取文件", path, code);
        Sleep(kPauseMs);
    }
}

void WinFileStore::ReadPart(const std::string& path, uint64_t offset, size_t count,
                            std::string& bytes, bool patiently) {
    bytes.clear();
    UniqueHandle file = OpenToRead(path, patiently);
    if (!file) return;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)) Fail("无法读取文件", path, GetLastError());
    ReadFrom(file, path, count, bytes);
}

void WinFileStore::RemoveLeftovers(const std::string& path) {
    const std::wstring target = Widen(path);
    const std::wstring dir = target.substr(0, target.find_last_of(L"\\/") + 1);
    const std::string targetName = Narrow(target.substr(dir.size()));
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((target + L".~*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // Whatever process id a leftover carries, even this one's (ids come back): a save
        // under way, of another running copy, holds its file without sharing, so deleting
        // it fails.
        if (IsLeftoverName(targetName, Narrow(found.cFileName))) DeleteFileW((dir + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::optional<std::string> WinFileStore::Read(const std::string& path) {
    return ReadWhole(OpenToRead(path, false), path);
}

void WinFileStore::Replace(const std::string& path, const std::string& bytes) {
    const std::wstring target = Widen(path);
    RefuseReadOnly(target, path);
    const std::wstring temp = TemporaryPath(path);
    {
        UniqueHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) Fail("无法创建文件", path, GetLastError());
        size_t done = 0;
        bool ok = true;
        DWORD code = 0;
        while (ok && done < bytes.size()) {
            DWORD wrote = 0;
            const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
            ok = WriteFile(file.Get(), bytes.data() + done, want, &wrote, nullptr) && wrote > 0;
            if (!ok) code = GetLastError();
            done += wrote;
        }
        if (ok && !FlushFileBuffers(file.Get())) {
            ok = false;
            code = GetLastError();
        }
        if (!ok) {
            file.Reset();
            DeleteFileW(temp.c_str());
            Fail("无法写入文件", path, code);
        }
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileW(temp.c_str());
        Fail("无法写入文件", path, code);
    }
}

void WinFileStore::Shorten(const std::string& path, uint64_t size) {
    UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail("无法写入文件", path, GetLastError());
    LARGE_INTEGER length{}, at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!GetFileSizeEx(file.Get(), &length)) Fail("无法读取文件", path, GetLastError());
    if (static_cast<uint64_t>(length.QuadPart) <= size) return;
    if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get()))
        Fail("无法写入文件", path, GetLastError());
}

bool WinFileStore::UpdateTail(const std::string& path, uint64_t offset,
                              const std::string& expected, const std::string& replacement) {
    if (replacement.size() < expected.size() || replacement.size() > MAXDWORD) return false;
    RefuseReadOnly(Widen(path), path);
    // Readers may look on while the few bytes go in; nobody else writes meanwhile.
    UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
        Fail("无法写入文件", path, code);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) Fail("无法读取文件", path, GetLastError());
    if (static_cast<uint64_t>(size.QuadPart) != offset + expected.size()) return false;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    std::string found(expected.size(), '\0');
    DWORD got = 0;
    if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
        !ReadFile(file.Get(), found.data(), static_cast<DWORD>(found.size()), &got, nullptr))
        Fail("无法读取文件", path, GetLastError());
    if (got != found.size() || found != expected) return false;
    DWORD wrote = 0;
    if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
        !WriteFile(file.Get(), replacement.data(), static_cast<DWORD>(replacement.size()), &wrote,
                   nullptr) ||
        wrote != replacement.size() || !FlushFileBuffers(file.Get()))
        Fail("无法写入文件", path, GetLastError());
    return true;
}

}  // namespace kelo::win
