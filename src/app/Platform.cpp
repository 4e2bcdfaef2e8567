#include "app/Platform.h"

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <vector>

#include "core/Errors.h"
#include "core/WindowsVersion.h"
#include "framework/Application.h"
#include "framework/WinText.h"

namespace kelo::app {

int64_t SystemClock::MonotonicMs() {
    ULONGLONG t = 0;
    QueryUnbiasedInterruptTime(&t);  // 100 ns units, sleep excluded
    return static_cast<int64_t>(t / 10000);
}

LocalDateTime SystemClock::LocalNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::optional<win::UniqueHandle> TakeSingleInstanceMutex(const wchar_t* name) {
    win::UniqueHandle mutex(CreateMutexW(nullptr, TRUE, name));
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) return std::nullopt;
    // Any other refusal says nothing about another copy: run unguarded rather than not at
    // all.
    return mutex;
}

bool IsOnline() {
    DWORD flags = 15;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

namespace {

// Windows Sockets 1.1 for the length of one query.
class SocketLibrary {
public:
    SocketLibrary() { ok_ = WSAStartup(MAKEWORD(1, 1), &data_) == 0; }
    ~SocketLibrary() {
        if (ok_) WSACleanup();
    }
    bool Ok() const { return ok_; }

private:
    WSADATA data_{};
    bool ok_ = false;
};

// gethostname's text is in the system's ANSI code page.
std::string QueryHostName(std::vector<char>& buffer) {
    if (gethostname(buffer.data(), static_cast<int>(buffer.size())) != 0) return {};
    buffer.back() = '\0';
    return buffer.data();
}

}  // namespace

std::string GetLocalHostName() {
    SocketLibrary sockets;
    std::vector<char> buffer(256, '\0');
    std::string name = sockets.Ok() ? QueryHostName(buffer) : std::string();
    if (name.empty()) {
        // No socket answer: the computer's own name is the next best thing.
        wchar_t wide[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
        if (GetComputerNameW(wide, &size)) return win::Narrow(std::wstring(wide, size));
        return {};
    }
    return win::Narrow(win::FromCodePage(CP_ACP, name));
}

std::string GetLocalIP() {
    SocketLibrary sockets;
    if (!sockets.Ok()) return {};
    std::vector<char> buffer(256, '\0');
    const std::string name = QueryHostName(buffer);
    if (name.empty()) return {};
    const hostent* entry = gethostbyname(name.c_str());
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0])
        return {};
    in_addr address;
    memcpy(&address, entry->h_addr_list[0], sizeof address);
    const char* text = inet_ntoa(address);
    return text ? text : "";
}

uint8_t GetWindowsVersion() {
    OSVERSIONINFOW info;
    if (!win::SystemVersion(info)) return 0;
    return ClassifyWindowsVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                                  win::Narrow(info.szCSDVersion));
}

bool SystemHasLayeredWindows() {
    OSVERSIONINFOW info;
    if (!win::SystemVersion(info)) return true;
    return HasLayeredWindows(info.dwPlatformId);
}

namespace {

std::wstring ExePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kRunValue = L"Kelo";

std::wstring QuotedExePath() { return L"\"" + ExePath() + L"\""; }

}  // namespace

std::string AppDir() {
    const std::wstring path = ExePath();
    const size_t slash = path.find_last_of(L"\\/");
    return win::Narrow(slash == std::wstring::npos ? L"" : path.substr(0, slash + 1));
}

bool AutoRunSet() {
    wchar_t value[2048] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS)
        return false;
    // Another copy of the program elsewhere is not this one starting with Windows.
    return CompareStringOrdinal(value, -1, QuotedExePath().c_str(), -1, TRUE) == CSTR_EQUAL;
}

void SetAutoRun(bool on) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        if (on) {
            const std::wstring command = QuotedExePath();
            status = RegSetValueExW(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                    static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
        } else {
            status = RegDeleteValueW(key, kRunValue);
            if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS)
        throw KeloError(on ? "开机时自动运行无法设置(注册表拒绝写入)" : "开机时自动运行无法取消(注册表拒绝写入)");
}

}  // namespace kelo::app
