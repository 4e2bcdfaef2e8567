#pragma once
// Where the pieces of a skinned scroll bar go and what a dragged thumb stands for: the
// window's bars beside its client area, the two arrows, the track between them, the thumb
// on it, and the scroll position of a thumb dragged to a place. Scroll ranges may span the
// whole 32-bit range, so everything in between is computed in 64 bits.
#include <cstdint>

namespace kelo::skin {

struct BarRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const BarRect&) const = default;
};

// The system's scroll-bar sizes.
struct ScrollMetrics {
    int vertWidth = 0;   // width of a vertical bar
    int horzHeight = 0;  // height of a horizontal bar
    int horzArrow = 0;   // length of a horizontal bar's arrow
    int vertArrow = 0;   // length of a vertical bar's arrow
    int horzThumb = 0;   // length of a horizontal thumb that has no page to measure
    int vertThumb = 0;
};

// A window's own scroll bars, in window coordinates.
struct WindowBars {
    bool hasHorz = false, hasVert = false, hasCorner = false;
    BarRect horz, vert, corner;
};

// The bars of a window sit right beside its client area: the horizontal one below it, the
// vertical one at its right (at its left for left-scroll-bar windows), and where both are
// the square between them is the corner. `window` is the whole window from 0, 0 and
// `client` its client area in the same coordinates; a bar that does not fit is left out.
WindowBars LayoutWindowBars(const BarRect& window, const BarRect& client, bool horzStyle, bool vertStyle,
                            bool leftScroll, const ScrollMetrics& metrics);

// What a scroll bar shows: its range, page (0: none) and position.
struct ScrollRange {
    int min = 0, max = 0;
    unsigned page = 0;
    int pos = 0;
    bool operator==(const ScrollRange&) const = default;
};

// The highest position the range can reach: max - page + 1, or max when the page is 0;
// never below min.
int64_t LastPosition(const ScrollRange& range);
// Whether there is anything to scroll: the last position lies past the first.
bool Scrollable(const ScrollRange& range);

// The length of each arrow: the system's arrow size, or half the bar when the bar is
// shorter than two arrows.
int ArrowLength(int barLength, int systemArrow);

// The thumb on a track: its offset from the track's start and its length. A page measures
// the thumb in proportion to the range (never shorter than half the system's thumb size);
// without a page it is the system's thumb size. No thumb when nothing scrolls or the
// thumb does not fit on the track.
struct ThumbSpan {
    bool visible = false;
    int offset = 0;
    int length = 0;
};
ThumbSpan PlaceThumb(int trackLength, int systemThumb, const ScrollRange& range);

enum class BarPart { None, FirstArrow, PageBefore, Thumb, PageAfter, SecondArrow };

// One bar cut into its pieces. The first arrow is the left or upper one.
struct BarLayout {
    bool vertical = false;
    BarRect bar, firstArrow, secondArrow, track;
    ThumbSpan thumb;
    BarRect thumbRect;  // empty without a thumb
    int TrackStart() const { return vertical ? track.top : track.left; }
    int TrackLength() const { return vertical ? track.Height() : track.Width(); }
};
BarLayout LayoutBar(const BarRect& bar, bool vertical, int systemArrow, int systemThumb, const ScrollRange& range);
// The piece of the bar under a point.
BarPart HitBar(const BarLayout& layout, int x, int y);

// The position of a thumb dragged so that it starts `thumbOffset` pixels into the track:
// the free run of the track (its length less the thumb's) maps linearly onto min ... last
// position, clamped at both ends. A thumb that fills the track does not move the position.
int ThumbDragPosition(const ScrollRange& range, int trackLength, int thumbLength, int thumbOffset);

// A thumb being dragged: what the press saw, and where the cursor took hold of the thumb.
struct ThumbDrag {
    bool vertical = false;
    ScrollRange range;  // as it was at the press
    int trackStart = 0, trackLength = 0, thumbLength = 0;
    int grab = 0;  // cursor offset from the thumb's start at the press
    // The position for the cursor at x, y (the bar's coordinates).
    int PositionAt(int x, int y) const;
};
ThumbDrag StartThumbDrag(const BarLayout& layout, const ScrollRange& range, int x, int y);

}  // namespace kelo::skin
