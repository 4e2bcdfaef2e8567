#include "skin/controls/SkinScrollPaint.h"

#include <algorithm>

#include "framework/Graphics.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinPainter.h"

namespace kelo::skin {

namespace {

constexpr int kArrowFrames = 23;
constexpr int kBareTrackFrame = 17;
constexpr int kTrackFrames = 4;

bool HasImage(const TSkinElement* element) { return element && !element->image.Empty(); }

// Offsets of an arrow's four frames from its first.
int ArrowState(const BarLook& look, BarPart part) {
    if (look.disabled) return 3;
    if (look.pressed == part) return 1;
    if (look.hot == part) return 2;
    return 0;
}

bool IsPage(BarPart part) { return part == BarPart::PageBefore || part == BarPart::PageAfter; }

// The part of the track before or after the thumb.
BarRect PageRect(const BarLayout& layout, BarPart part) {
    BarRect r = layout.track;
    const BarRect& thumb = layout.thumbRect;
    const bool before = part == BarPart::PageBefore;
    if (layout.vertical) {
        if (before) r.bottom = thumb.top;
        else r.top = thumb.bottom;
    } else {
        if (before) r.right = thumb.left;
        else r.left = thumb.right;
    }
    return r;
}

class BarCanvas {
public:
    BarCanvas(HDC reference, const BarRect& bar) : bar_(bar), memory_(reference, bar.Width(), bar.Height()) {}
    HDC Dc() const { return memory_.Get(); }
    RECT Local(const BarRect& r) const { return {r.left - bar_.left, r.top - bar_.top, r.right - bar_.left, r.bottom - bar_.top}; }
    void Fill(const BarRect& r, COLORREF colour) const {
        const RECT local = Local(r);
        SetDCBrushColor(Dc(), colour);
        FillRect(Dc(), &local, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
    void CopyTo(HDC target) const { memory_.BlitTo(target, bar_.left, bar_.top); }

private:
    BarRect bar_;
    win::MemoryDC memory_;
};

void DrawTrack(const BarCanvas& canvas, const BarLayout& layout, const BarLook& look, const SkinData& skin) {
    if (layout.TrackLength() <= 0) return;
    const TSkinElement* track = skin.Part(layout.vertical ? SkinPart::VertScroll : SkinPart::HorzScroll);
    if (!HasImage(track)) {
        DrawSkinElement(canvas.Dc(), canvas.Local(layout.track), *skin.Part(SkinPart::Scrollbar), kArrowFrames,
                        kBareTrackFrame);
        return;
    }
    DrawSkinElement(canvas.Dc(), canvas.Local(layout.track), *track, kTrackFrames, look.disabled ? 4 : 1);
    if (look.disabled || !layout.thumb.visible) return;
    // The page being scrolled through, or under the mouse, shows on its side of the thumb.
    const BarPart page = IsPage(look.pressed) ? look.pressed : look.hot;
    if (!IsPage(page)) return;
    DrawSkinElement(canvas.Dc(), canvas.Local(PageRect(layout, page)), *track, kTrackFrames,
                    page == look.pressed ? 2 : 3);
}

void DrawThumb(const BarCanvas& canvas, const BarLayout& layout, const BarLook& look, const SkinData& skin) {
    if (!layout.thumb.visible || look.disabled) return;
    const TSkinElement* thumb = skin.Part(layout.vertical ? SkinPart::VertScrollThumb : SkinPart::HorzScrollThumb);
    RECT rect = canvas.Local(layout.thumbRect);
    if (!HasImage(thumb)) {
        // A skin without thumb images gets a plain raised thumb in its own colours.
        canvas.Fill(layout.thumbRect, win::ColorToRGB(skin.colours.buttonFace));
        DrawEdge(canvas.Dc(), &rect, EDGE_RAISED, BF_RECT);
        return;
    }
    const int frames = std::max(1, thumb->frameCount);
    const int frame = look.pressed == BarPart::Thumb ? 3 : look.hot == BarPart::Thumb ? 2 : 1;
    DrawSkinElement(canvas.Dc(), rect, *thumb, frames, std::min(frame, frames));
}

}  // namespace

bool SkinDrawsScrollBars(const SkinData* skin) { return skin && HasImage(skin->Part(SkinPart::Scrollbar)); }

ScrollMetrics SystemScrollMetrics() {
    return {GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CXHSCROLL),
            GetSystemMetrics(SM_CYVSCROLL), GetSystemMetrics(SM_CXHTHUMB),  GetSystemMetrics(SM_CYVTHUMB)};
}

ScrollRange RangeOf(const SCROLLINFO& info) { return {info.nMin, info.nMax, info.nPage, info.nPos}; }

ScrollRange WindowScrollRange(HWND hwnd, int bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(hwnd, bar, &info)) return {};
    return RangeOf(info);
}

BarLayout LayoutSystemBar(const BarRect& bar, bool vertical, const ScrollRange& range) {
    const ScrollMetrics m = SystemScrollMetrics();
    return LayoutBar(bar, vertical, vertical ? m.vertArrow : m.horzArrow, vertical ? m.vertThumb : m.horzThumb,
                     range);
}

void DrawSkinScrollBar(HDC dc, const BarLayout& layout, const BarLook& look, const SkinData& skin) {
    const TSkinElement* arrows = skin.Part(SkinPart::Scrollbar);
    if (layout.bar.Empty() || !HasImage(arrows)) return;
    const BarCanvas canvas(dc, layout.bar);
    // Transparent pieces show the bar's own colour, not what the memory held.
    canvas.Fill(layout.bar, win::ColorToRGB(skin.colours.scrollbar));
    DrawTrack(canvas, layout, look, skin);
    const int first = layout.vertical ? 9 : 1;  // up or left; the second arrow's frames follow
    DrawSkinElement(canvas.Dc(), canvas.Local(layout.firstArrow), *arrows, kArrowFrames,
                    first + ArrowState(look, BarPart::FirstArrow));
    DrawSkinElement(canvas.Dc(), canvas.Local(layout.secondArrow), *arrows, kArrowFrames,
                    first + 4 + ArrowState(look, BarPart::SecondArrow));
    DrawThumb(canvas, layout, look, skin);
    canvas.CopyTo(dc);
}

}  // namespace kelo::skin
