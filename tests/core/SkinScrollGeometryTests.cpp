#include <gtest/gtest.h>

#include <climits>

#include "skin/controls/SkinScrollGeometry.h"

using namespace kelo::skin;

namespace {

// The sizes a common system gives: 17-pixel bars, arrows and thumbs.
constexpr ScrollMetrics kMetrics{17, 17, 17, 17, 17, 17};

}  // namespace

TEST(SkinScrollGeometry, BarsLieBesideTheClientAreaWithTheCornerBetweenThem) {
    const BarRect window{0, 0, 200, 100};
    const BarRect client{2, 2, 181, 81};
    WindowBars bars = LayoutWindowBars(window, client, true, true, false, kMetrics);
    ASSERT_TRUE(bars.hasHorz && bars.hasVert && bars.hasCorner);
    EXPECT_EQ(bars.vert, (BarRect{181, 2, 198, 81}));
    EXPECT_EQ(bars.horz, (BarRect{2, 81, 181, 98}));
    EXPECT_EQ(bars.corner, (BarRect{181, 81, 198, 98}));

    // Left-scroll-bar windows carry the vertical bar, and so the corner, at the left.
    bars = LayoutWindowBars(window, BarRect{19, 2, 198, 98}, false, true, true, kMetrics);
    EXPECT_FALSE(bars.hasHorz || bars.hasCorner);
    EXPECT_EQ(bars.vert, (BarRect{2, 2, 19, 98}));

    // A style whose bar the control had no room for shows nothing.
    bars = LayoutWindowBars(window, BarRect{2, 2, 198, 98}, true, false, false, kMetrics);
    EXPECT_FALSE(bars.hasHorz);
}

TEST(SkinScrollGeometry, ArrowsHalveOnABarShorterThanTwoArrows) {
    EXPECT_EQ(ArrowLength(100, 17), 17);
    EXPECT_EQ(ArrowLength(34, 17), 17);
    EXPECT_EQ(ArrowLength(33, 17), 16);
    EXPECT_EQ(ArrowLength(0, 17), 0);

    // The two halves cover the bar and leave a track of no length, and so no thumb.
    const BarLayout layout = LayoutBar({0, 0, 17, 25}, true, 17, 17, {0, 100, 10, 0});
    EXPECT_EQ(layout.firstArrow, (BarRect{0, 0, 17, 12}));
    EXPECT_EQ(layout.secondArrow, (BarRect{0, 12, 17, 25}));
    EXPECT_EQ(layout.TrackLength(), 0);
    EXPECT_FALSE(layout.thumb.visible);
    EXPECT_EQ(HitBar(layout, 5, 20), BarPart::SecondArrow);
}

TEST(SkinScrollGeometry, ThumbSizeFollowsThePageAndItsPlaceThePosition) {
    // 100 pixels of track, positions 0..99 with a page of 25: a quarter of the track,
    // and the last position (75) puts the thumb at the track's end.
    EXPECT_EQ(PlaceThumb(100, 17, {0, 99, 25, 0}).length, 25);
    EXPECT_EQ(PlaceThumb(100, 17, {0, 99, 25, 0}).offset, 0);
    EXPECT_EQ(PlaceThumb(100, 17, {0, 99, 25, 75}).offset, 75);
    EXPECT_EQ(PlaceThumb(100, 17, {0, 99, 25, 1000}).offset, 75);  // clamped
    // A tiny page still gets a thumb one can take hold of.
    EXPECT_EQ(PlaceThumb(100, 16, {0, 9999, 1, 0}).length, 8);

    // Without a page the thumb has the system's size and the range runs to max.
    const ThumbSpan noPage = PlaceThumb(100, 17, {10, 20, 0, 20});
    EXPECT_TRUE(noPage.visible);
    EXPECT_EQ(noPage.length, 17);
    EXPECT_EQ(noPage.offset, 83);
    EXPECT_EQ(LastPosition({10, 20, 0, 0}), 20);

    // Nothing to scroll, or no room: no thumb.
    EXPECT_FALSE(PlaceThumb(100, 17, {0, 99, 100, 0}).visible);
    EXPECT_FALSE(PlaceThumb(100, 17, {5, 5, 0, 5}).visible);
    EXPECT_FALSE(PlaceThumb(10, 17, {0, 99, 0, 0}).visible);
    EXPECT_FALSE(PlaceThumb(0, 17, {0, 99, 10, 0}).visible);
}

TEST(SkinScrollGeometry, TheWholeIntRangeWithABigPageDoesNotOverflow) {
    // A page of a quarter of the 2^31 positions: a quarter of the track.
    const ScrollRange range{0, INT_MAX, 1u << 29, 805306368};
    EXPECT_EQ(LastPosition(range), 1610612736);
    const ThumbSpan thumb = PlaceThumb(400, 17, range);
    ASSERT_TRUE(thumb.visible);
    EXPECT_EQ(thumb.length, 100);
    EXPECT_EQ(thumb.offset, 150);
    EXPECT_EQ(ThumbDragPosition(range, 400, 100, 300), 1610612736);
    EXPECT_EQ(ThumbDragPosition(range, 400, 100, 150), 805306368);
    EXPECT_EQ(ThumbDragPosition(range, 400, 100, 299), 1605244027);

    // A page larger than the range itself leaves nothing to scroll.
    EXPECT_FALSE(Scrollable({0, INT_MAX, UINT_MAX, 0}));
    EXPECT_EQ(LastPosition({0, INT_MAX, UINT_MAX, 0}), 0);
    // A page one short of the whole int range still scrolls by one.
    EXPECT_EQ(LastPosition({INT_MIN, INT_MAX, UINT_MAX, 0}), int64_t{INT_MIN} + 1);
}

TEST(SkinScrollGeometry, DraggingMapsTheFreeRunOfTheTrackOntoTheRangeAndClamps) {
    const ScrollRange range{-50, 49, 20, 0};  // last position 30
    EXPECT_EQ(ThumbDragPosition(range, 120, 20, 0), -50);
    EXPECT_EQ(ThumbDragPosition(range, 120, 20, 100), 30);
    EXPECT_EQ(ThumbDragPosition(range, 120, 20, 50), -10);
    EXPECT_EQ(ThumbDragPosition(range, 120, 20, -500), -50);
    EXPECT_EQ(ThumbDragPosition(range, 120, 20, 5000), 30);
    // Without a page the range runs to max.
    EXPECT_EQ(ThumbDragPosition({0, 10, 0, 3}, 60, 10, 50), 10);
}

TEST(SkinScrollGeometry, AThumbThatFillsTheTrackDoesNotMove) {
    const ScrollRange range{0, 100, 0, 42};
    EXPECT_EQ(ThumbDragPosition(range, 17, 17, 0), 42);
    EXPECT_EQ(ThumbDragPosition(range, 17, 17, 500), 42);
    EXPECT_EQ(ThumbDragPosition(range, 0, 0, 500), 42);
}

TEST(SkinScrollGeometry, ADragKeepsWhereTheCursorTookHoldOfTheThumb) {
    // A vertical bar at the right of a 200-pixel window: 17-pixel arrows, track 17..183.
    const ScrollRange range{0, 299, 34, 0};
    const BarLayout layout = LayoutBar({183, 0, 200, 200}, true, 17, 17, range);
    ASSERT_TRUE(layout.thumb.visible);
    const int thumbTop = layout.thumbRect.top;
    EXPECT_EQ(thumbTop, 17);
    EXPECT_EQ(HitBar(layout, 190, thumbTop + 5), BarPart::Thumb);
    EXPECT_EQ(HitBar(layout, 190, 190), BarPart::SecondArrow);
    EXPECT_EQ(HitBar(layout, 190, 150), BarPart::PageAfter);

    const ThumbDrag drag = StartThumbDrag(layout, range, 190, thumbTop + 5);
    EXPECT_EQ(drag.PositionAt(190, thumbTop + 5), 0);  // not moved yet: the same position
    const int free = layout.TrackLength() - layout.thumb.length;
    EXPECT_EQ(drag.PositionAt(10, thumbTop + 5 + free), 266);  // only the bar's axis counts
    EXPECT_EQ(drag.PositionAt(190, thumbTop + 5 + free / 2), 133);
}
