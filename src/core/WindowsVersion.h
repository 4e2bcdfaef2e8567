#pragma once
#include <cstdint>
#include <string_view>

namespace kelo {

inline constexpr uint32_t kPlatformWin9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
inline constexpr uint32_t kPlatformNT = 2;     // VER_PLATFORM_WIN32_NT

// The Windows version class: 1 Win95, 2 Win98, 3 Win98 SE, 4 Me, 5 NT 4 or older,
// 6 Windows 2000, 7 XP, 0 anything else.
uint8_t ClassifyWindowsVersion(uint32_t platform, uint32_t major, uint32_t minor,
                               std::string_view servicePack);

// Layered windows (translucency) exist everywhere but on Windows 95/98/Me.
bool HasLayeredWindows(uint32_t platform);

}  // namespace kelo
