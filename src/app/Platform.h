#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "core/Clock.h"
#include "framework/Handle.h"

namespace kelo::app {

// The system's clocks: online time follows the interrupt time without the time spent
// asleep, so neither sleep nor a change of the wall clock counts as online.
class SystemClock : public Clock {
public:
    int64_t MonotonicMs() override;
    LocalDateTime LocalNow() override;
};

// Whether the system reports an Internet connection.
bool IsOnline();
// The machine's host name, and the first IPv4 address it resolves to ("" when none).
std::string GetLocalHostName();
std::string GetLocalIP();
// The Windows version class (see ClassifyWindowsVersion) of the running system.
uint8_t GetWindowsVersion();
// Whether windows can be translucent (layered windows: every NT-family Windows).
bool SystemHasLayeredWindows();
// The single-instance guard: takes the named mutex, or answers nothing when another copy
// holds it, also one started in another security context (elevated, for instance)
// whose mutex this process may not open.
std::optional<win::UniqueHandle> TakeSingleInstanceMutex(const wchar_t* name);

// The program's directory with its trailing separator, UTF-8.
std::string AppDir();

// Start with Windows: the current user's Run value of this program, holding the running
// exe's quoted path. Set only at the user's choice; SetAutoRun throws KeloError when the
// registry refuses.
bool AutoRunSet();
void SetAutoRun(bool on);

}  // namespace kelo::app
