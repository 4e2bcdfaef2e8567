#pragma once

namespace kelo {

// A rectangle in screen pixels, right and bottom exclusive.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ScreenRect&) const = default;
};

// Where a window placed at `window` goes so that the user can reach all of it on a
// screen whose work area is `workArea`: moved, never resized, and no further than it
// must, so a window that fits stays where it was designed. A window wider or taller
// than the work area keeps its left or top edge (the caption) on it.
ScreenRect FitIntoWorkArea(const ScreenRect& window, const ScreenRect& workArea);

}  // namespace kelo
