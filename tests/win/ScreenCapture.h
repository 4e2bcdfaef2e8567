#pragma once
// Pictures of what is on the screen, for looking at controls after a change.
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace kelo::test {

// build/screenshots/ beside the build folder of the test program, made when missing.
std::string ScreenshotDir();
// The smallest rectangle around the windows (null ones left out).
RECT UnionOf(std::initializer_list<HWND> windows);
// The open list of a combo box.
HWND DroppedList(HWND combo);
// The screen's area, row by row from the top, as 32-bit pixels.
std::vector<uint32_t> ScreenPixels(const RECT& area);
// Whether a window on the screen shows what a whole fresh paint of it shows.
bool PaintedAsFresh(HWND window);
// Writes a PNG of the screen's area; false when it could not be written.
bool SaveScreenArea(const RECT& area, const std::string& path);

}  // namespace kelo::test
