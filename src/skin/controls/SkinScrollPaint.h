#pragma once
// Paints a scroll bar from the skin: the arrows from the Scrollbar image (four frames an
// arrow: normal, pressed, hot, disabled), the track from HorzScroll or VertScroll and the
// thumb from its thumb element. Shared by the skins of scrolling controls and of scroll-bar
// controls.
#include <windows.h>

#include "skin/controls/SkinScrollGeometry.h"

namespace kelo::skin {

struct SkinData;

// How the pieces of a bar look: the piece in use and the piece under the mouse.
struct BarLook {
    BarPart pressed = BarPart::None;
    BarPart hot = BarPart::None;
    bool disabled = false;
};

// Only a skin with an arrow image draws scroll bars; others leave the system's.
bool SkinDrawsScrollBars(const SkinData* skin);
ScrollMetrics SystemScrollMetrics();
ScrollRange RangeOf(const SCROLLINFO& info);
// The whole scroll information of a bar (SB_HORZ, SB_VERT) of a window; none when it has none.
ScrollRange WindowScrollRange(HWND hwnd, int bar);
// The layout of a bar at `bar` with the system's sizes.
BarLayout LayoutSystemBar(const BarRect& bar, bool vertical, const ScrollRange& range);

// Composes the bar off screen and copies it to its place on `dc` in one transfer.
void DrawSkinScrollBar(HDC dc, const BarLayout& layout, const BarLook& look, const SkinData& skin);

// A point of a mouse message, signed (left of or above the window's origin).
inline POINT PointOf(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}
inline RECT ToRect(const BarRect& r) { return {r.left, r.top, r.right, r.bottom}; }
inline BarRect ToBarRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace kelo::skin
