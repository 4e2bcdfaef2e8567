// TSkinScControl: a "ScrollBar" control drawn whole from the skin. It takes its presses
// itself, as the skin would draw the control's own pressed pieces wrongly: an arrow moves a
// line, the track a page, and the thumb is dragged with the mouse captured, each move
// telling the parent as the control would.
#include "framework/Graphics.h"
#include "skin/data/SkinData.h"
#include "skin/controls/SkinScrollBars.h"
#include "skin/controls/SkinScrollPaint.h"

namespace kelo::skin {

namespace {

WORD CodeOf(BarPart part) {
    switch (part) {
        case BarPart::FirstArrow: return SB_LINEUP;
        case BarPart::SecondArrow: return SB_LINEDOWN;
        case BarPart::PageBefore: return SB_PAGEUP;
        case BarPart::PageAfter: return SB_PAGEDOWN;
        default: return SB_ENDSCROLL;
    }
}

}  // namespace

TSkinScControl::TSkinScControl(TSkinControlOwner& owner, TSkinSource& source) : TSkinControl(owner, source) {}

TSkinScControl::~TSkinScControl() { Detach(); }

void TSkinScControl::OnDetaching() {
    if ((drag_ || pressed_ != BarPart::None) && GetCapture() == hwnd_) {
        drag_.reset();
        pressed_ = BarPart::None;
        ReleaseCapture();
    }
}

bool TSkinScControl::Drawn() const {
    // Size boxes share the class; they keep their own look.
    return SkinDrawsScrollBars(Skin()) && !(GetWindowLongW(hwnd_, GWL_STYLE) & (SBS_SIZEBOX | SBS_SIZEGRIP));
}

bool TSkinScControl::Vertical() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & SBS_VERT) != 0; }

ScrollRange TSkinScControl::Range() const {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!Beneath(SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info))) return {};
    return RangeOf(info);
}

BarLayout TSkinScControl::Layout() const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    return LayoutSystemBar(ToBarRect(client), Vertical(), Range());
}

void TSkinScControl::Draw(HDC dc, const RECT&) {
    if (!Drawn()) return;
    const BarLayout layout = Layout();
    const BarLook look{drag_ ? BarPart::Thumb : pressed_, BarPart::None, !enabled_ || !layout.thumb.visible};
    DrawSkinScrollBar(dc, layout, look, *Skin());
}

bool TSkinScControl::BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!Drawn()) return true;
    if (TakeWholePaint(msg, wParam, result)) return false;
    result = 0;
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return !Press(lParam);
        case WM_MOUSEMOVE:
            if (!drag_ && pressed_ == BarPart::None) return true;
            Move(lParam);
            return false;
        case WM_LBUTTONUP:
            if (!drag_ && pressed_ == BarPart::None) return true;
            Release(lParam);
            return false;
        case WM_CAPTURECHANGED:
            if ((drag_ || pressed_ != BarPart::None) && reinterpret_cast<HWND>(lParam) != hwnd_) {
                drag_.reset();
                pressed_ = BarPart::None;
                Repaint();
            }
            return true;
        default:
            return true;
    }
}

void TSkinScControl::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    TSkinControl::AfterMessage(msg, wParam, lParam);
    // The control draws itself straight away when its range or position is set; a thumb
    // moved here is set without drawing and painted by the skin only.
    switch (msg) {
        case SBM_SETPOS:
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW:
        case SBM_ENABLE_ARROWS:
        case SBM_SETSCROLLINFO:
            Repaint();
            break;
        default:
            break;
    }
}

bool TSkinScControl::Notify(WORD code, int pos) {
    const std::weak_ptr<char> alive = life_;
    const HWND hwnd = hwnd_;
    SendMessageW(GetParent(hwnd), Vertical() ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, LOWORD(pos)),
                 reinterpret_cast<LPARAM>(hwnd));
    return !alive.expired() && IsWindow(hwnd);
}

bool TSkinScControl::Press(LPARAM clientPoint) {
    if (!enabled_) return false;
    const auto [x, y] = PointOf(clientPoint);
    const BarLayout layout = Layout();
    const BarPart part = HitBar(layout, x, y);
    if (part == BarPart::None) return true;  // a bar with nothing to scroll takes the press
    SetCapture(hwnd_);
    if (part == BarPart::Thumb) {
        const ScrollRange range = Range();
        drag_ = StartThumbDrag(layout, range, x, y);
        dragPos_ = range.pos;
        Repaint();
        return true;
    }
    pressed_ = part;
    Repaint();
    Notify(CodeOf(part), 0);
    return true;
}

void TSkinScControl::Move(LPARAM clientPoint) {
    if (!drag_) return;  // an arrow or the track stays pressed until the release
    const int pos = drag_->PositionAt(PointOf(clientPoint).x, PointOf(clientPoint).y);
    if (pos == dragPos_) return;
    dragPos_ = pos;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    info.nPos = pos;
    SetScrollInfo(hwnd_, SB_CTL, &info, FALSE);
    Notify(SB_THUMBTRACK, pos);
}

void TSkinScControl::Release(LPARAM clientPoint) {
    const bool dragging = drag_.has_value();
    const int pos = dragging ? drag_->PositionAt(PointOf(clientPoint).x, PointOf(clientPoint).y) : 0;
    drag_.reset();
    pressed_ = BarPart::None;
    if (GetCapture() == hwnd_) ReleaseCapture();
    const HWND hwnd = hwnd_;
    if (dragging) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_POS;
        info.nPos = pos;
        SetScrollInfo(hwnd, SB_CTL, &info, FALSE);
        if (!Notify(SB_THUMBPOSITION, pos)) return;
        PostMessageW(GetParent(hwnd), Vertical() ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0),
                     reinterpret_cast<LPARAM>(hwnd));
    } else if (!Notify(SB_ENDSCROLL, 0)) {
        return;
    }
    Repaint();
}

}  // namespace kelo::skin
