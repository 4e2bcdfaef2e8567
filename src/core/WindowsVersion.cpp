#include "core/WindowsVersion.h"

namespace kelo {

uint8_t ClassifyWindowsVersion(uint32_t platform, uint32_t major, uint32_t minor,
                               std::string_view servicePack) {
    if (platform == kPlatformWin9x && major == 4) {
        if (minor == 0) return 1;
        if (minor == 10) return servicePack.size() >= 2 && servicePack[1] == 'A' ? 3 : 2;
        if (minor == 90) return 4;
        return 0;
    }
    if (platform == kPlatformNT) {
        if (major <= 4) return 5;
        if (major == 5 && minor == 0) return 6;
        if (major == 5 && minor == 1) return 7;
    }
    return 0;
}

bool HasLayeredWindows(uint32_t platform) { return platform != kPlatformWin9x; }

}  // namespace kelo
