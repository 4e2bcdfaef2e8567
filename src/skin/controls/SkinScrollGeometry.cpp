#include "skin/controls/SkinScrollGeometry.h"

#include <algorithm>

namespace kelo::skin {

namespace {

bool Inside(const BarRect& inner, const BarRect& outer) {
    return !inner.Empty() && inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// a * b / c rounded to the nearest; c > 0, and a * b stays far inside 64 bits (a track
// length times a 32-bit span).
int64_t ScaleRounded(int64_t a, int64_t b, int64_t c) { return (2 * a * b + c) / (2 * c); }

}  // namespace

WindowBars LayoutWindowBars(const BarRect& window, const BarRect& client, bool horzStyle, bool vertStyle,
                            bool leftScroll, const ScrollMetrics& metrics) {
    WindowBars bars;
    const BarRect vert = leftScroll
                             ? BarRect{client.left - metrics.vertWidth, client.top, client.left, client.bottom}
                             : BarRect{client.right, client.top, client.right + metrics.vertWidth, client.bottom};
    const BarRect horz{client.left, client.bottom, client.right, client.bottom + metrics.horzHeight};
    // The control's own frame calculation leaves out a bar that has no room; so does this.
    bars.hasVert = vertStyle && Inside(vert, window);
    bars.hasHorz = horzStyle && Inside(horz, window);
    if (bars.hasVert) bars.vert = vert;
    if (bars.hasHorz) bars.horz = horz;
    if (bars.hasVert && bars.hasHorz) {
        bars.corner = {vert.left, horz.top, vert.right, horz.bottom};
        bars.hasCorner = Inside(bars.corner, window);
        if (!bars.hasCorner) bars.corner = {};
    }
    return bars;
}

int64_t LastPosition(const ScrollRange& range) {
    const int64_t last = range.page == 0 ? int64_t{range.max} : int64_t{range.max} - range.page + 1;
    return std::max<int64_t>(last, range.min);
}

bool Scrollable(const ScrollRange& range) { return LastPosition(range) > range.min; }

int ArrowLength(int barLength, int systemArrow) {
    if (barLength <= 0) return 0;
    return barLength < 2 * systemArrow ? barLength / 2 : systemArrow;
}

ThumbSpan PlaceThumb(int trackLength, int systemThumb, const ScrollRange& range) {
    if (trackLength <= 0 || !Scrollable(range)) return {};
    int64_t length = systemThumb;
    if (range.page != 0) {
        const int64_t span = int64_t{range.max} - range.min + 1;
        length = std::max<int64_t>(int64_t{trackLength} * range.page / span, std::max(systemThumb / 2, 1));
    }
    if (length > trackLength) return {};
    const int64_t last = LastPosition(range);
    const int64_t pos = std::clamp<int64_t>(range.pos, range.min, last);
    const int64_t free = trackLength - length;
    const int64_t offset = ScaleRounded(free, pos - range.min, last - range.min);
    return {true, static_cast<int>(offset), static_cast<int>(length)};
}

BarLayout LayoutBar(const BarRect& bar, bool vertical, int systemArrow, int systemThumb, const ScrollRange& range) {
    BarLayout layout;
    layout.vertical = vertical;
    layout.bar = bar;
    const int length = vertical ? bar.Height() : bar.Width();
    const int first = ArrowLength(length, systemArrow);
    // A bar shorter than two arrows is all arrows: the second takes what the first leaves.
    const int second = length < 2 * systemArrow ? length - first : first;
    if (vertical) {
        layout.firstArrow = {bar.left, bar.top, bar.right, bar.top + first};
        layout.secondArrow = {bar.left, bar.bottom - second, bar.right, bar.bottom};
        layout.track = {bar.left, layout.firstArrow.bottom, bar.right, layout.secondArrow.top};
    } else {
        layout.firstArrow = {bar.left, bar.top, bar.left + first, bar.bottom};
        layout.secondArrow = {bar.right - second, bar.top, bar.right, bar.bottom};
        layout.track = {layout.firstArrow.right, bar.top, layout.secondArrow.left, bar.bottom};
    }
    layout.thumb = PlaceThumb(layout.TrackLength(), systemThumb, range);
    if (layout.thumb.visible) {
        const int start = layout.TrackStart() + layout.thumb.offset;
        const int end = start + layout.thumb.length;
        layout.thumbRect = vertical ? BarRect{bar.left, start, bar.right, end} : BarRect{start, bar.top, end, bar.bottom};
    }
    return layout;
}

BarPart HitBar(const BarLayout& layout, int x, int y) {
    if (!layout.bar.Contains(x, y)) return BarPart::None;
    if (layout.firstArrow.Contains(x, y)) return BarPart::FirstArrow;
    if (layout.secondArrow.Contains(x, y)) return BarPart::SecondArrow;
    // A track without a thumb has nothing to page through.
    if (!layout.thumb.visible || !layout.track.Contains(x, y)) return BarPart::None;
    if (layout.thumbRect.Contains(x, y)) return BarPart::Thumb;
    const int along = layout.vertical ? y : x;
    return along < (layout.vertical ? layout.thumbRect.top : layout.thumbRect.left) ? BarPart::PageBefore
                                                                                     : BarPart::PageAfter;
}

int ThumbDragPosition(const ScrollRange& range, int trackLength, int thumbLength, int thumbOffset) {
    const int64_t free = int64_t{trackLength} - thumbLength;
    if (free <= 0) return range.pos;
    const int64_t last = LastPosition(range);
    const int64_t offset = std::clamp<int64_t>(thumbOffset, 0, free);
    const int64_t pos = range.min + ScaleRounded(offset, last - range.min, free);
    return static_cast<int>(std::clamp<int64_t>(pos, range.min, last));
}

int ThumbDrag::PositionAt(int x, int y) const {
    const int along = vertical ? y : x;
    return ThumbDragPosition(range, trackLength, thumbLength, along - trackStart - grab);
}

ThumbDrag StartThumbDrag(const BarLayout& layout, const ScrollRange& range, int x, int y) {
    ThumbDrag drag;
    drag.vertical = layout.vertical;
    drag.range = range;
    drag.trackStart = layout.TrackStart();
    drag.trackLength = layout.TrackLength();
    drag.thumbLength = layout.thumb.length;
    drag.grab = (layout.vertical ? y : x) - (drag.trackStart + layout.thumb.offset);
    return drag;
}

}  // namespace kelo::skin
