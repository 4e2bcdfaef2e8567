#include "core/ScreenFit.h"

namespace kelo {

namespace {

// The shift along one axis that brings [low, high) into [areaLow, areaHigh); the low
// edge wins when the span is longer than the area.
int Shift(int low, int high, int areaLow, int areaHigh) {
    int shift = 0;
    if (high > areaHigh) shift = areaHigh - high;
    if (low + shift < areaLow) shift = areaLow - low;
    return shift;
}

}  // namespace

ScreenRect FitIntoWorkArea(const ScreenRect& window, const ScreenRect& workArea) {
    const int dx = Shift(window.left, window.right, workArea.left, workArea.right);
    const int dy = Shift(window.top, window.bottom, workArea.top, workArea.bottom);
    return {window.left + dx, window.top + dy, window.right + dx, window.bottom + dy};
}

}  // namespace kelo
