#include "framework/WinFileStore.h"

#include <windows.h>

#include <algorithm>

#include "core/Errors.h"
#include "framework/Handle.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {

[[noreturn]] void Fail(const char* what, const std::string& path, DWORD code) {
    throw KeloError(std::string(what) + " \"" + path + "\"：" + SystemErrorText(code));
}

}  // namespace

std::optional<std::string> WinFileStore::Read(const std::string& path) {
    UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return std::nullopt;
        Fail("无法读取文件", path, code);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) Fail("无法读取文件", path, GetLastError());
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
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
    return bytes;
}

void WinFileStore::Replace(const std::string& path, const std::string& bytes) {
    const std::wstring target = Widen(path);
    const std::wstring temp =
        target + L".~" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
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

bool WinFileStore::UpdateTail(const std::string& path, uint64_t offset,
                              const std::string& expected, const std::string& replacement) {
    if (replacement.size() < expected.size() || replacement.size() > MAXDWORD) return false;
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
