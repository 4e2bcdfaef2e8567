#include "skin/controls/SkinScrollBars.h"

#include "framework/Subclass.h"
#include "skin/data/SkinData.h"
#include "skin/controls/SkinScrollPaint.h"

namespace kelo::skin {

namespace {

constexpr int kHorz = 0, kVert = 1;

int BarIndex(bool vertical) { return vertical ? kVert : kHorz; }
UINT ScrollMessage(bool vertical) { return vertical ? WM_VSCROLL : WM_HSCROLL; }
bool OnBar(WPARAM hitTest) { return hitTest == HTHSCROLL || hitTest == HTVSCROLL; }

}  // namespace

TSkinScrollBar::TSkinScrollBar(TSkinControlOwner& owner, TSkinSource& source) : TSkinControl(owner, source) {}

TSkinScrollBar::~TSkinScrollBar() { Detach(); }

void TSkinScrollBar::OnDetaching() {
    // A drag in progress ends without a last scroll: the control keeps where it is.
    if (!drag_) return;
    drag_.reset();
    if (GetCapture() == hwnd_) ReleaseCapture();
}

void TSkinScrollBar::OnAttached(HWND hwnd) {
    // The control measures its frame again, and the bars are drawn in the skin at once.
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- where the bars are -----------------------------------------------------------

WindowBars TSkinScrollBar::Bars() const {
    RECT window{}, client{};
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(hwnd_, GWL_EXSTYLE);
    return LayoutWindowBars({0, 0, window.right - window.left, window.bottom - window.top}, ToBarRect(client),
                            (style & WS_HSCROLL) != 0, (style & WS_VSCROLL) != 0,
                            (exStyle & WS_EX_LEFTSCROLLBAR) != 0, SystemScrollMetrics());
}

ScrollRange TSkinScrollBar::Range(bool vertical) const {
    return WindowScrollRange(hwnd_, vertical ? SB_VERT : SB_HORZ);
}

BarLayout TSkinScrollBar::Layout(bool vertical, const WindowBars& bars) const {
    return LayoutSystemBar(vertical ? bars.vert : bars.horz, vertical, Range(vertical));
}

TSkinScrollBar::BarsSeen TSkinScrollBar::Seen() const {
    return {GetWindowLongW(hwnd_, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), enabled_, Range(false), Range(true)};
}

POINT TSkinScrollBar::ToWindow(POINT screen) const {
    RECT window{};
    GetWindowRect(hwnd_, &window);
    return {screen.x - window.left, screen.y - window.top};
}

POINT TSkinScrollBar::ClientToWindow(LPARAM lParam) const {
    POINT p = PointOf(lParam);
    ClientToScreen(hwnd_, &p);
    return ToWindow(p);
}

// ---- painting ---------------------------------------------------------------------

void TSkinScrollBar::Draw(HDC dc, const RECT&) {
    const SkinData* skin = Skin();
    if (!SkinDrawsScrollBars(skin)) return;
    seen_ = Seen();
    const WindowBars bars = Bars();
    for (const bool vertical : {false, true}) {
        if (!(vertical ? bars.hasVert : bars.hasHorz)) continue;
        const BarLayout layout = Layout(vertical, bars);
        const int i = BarIndex(vertical);
        const BarLook look{inUse_[i], hot_[i], !enabled_ || !layout.thumb.visible};
        DrawSkinScrollBar(dc, layout, look, *skin);
    }
    if (bars.hasCorner) FillFace(dc, ToRect(bars.corner));
}

// ---- messages ---------------------------------------------------------------------

bool TSkinScrollBar::BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_NCPAINT:
            // The bars painted after this message cover the control's own.
            win::MarkDrawsNonClient(hwnd_, win::SubclassId::Skin,
                                    SkinDrawsScrollBars(Skin()) ? win::kNonClientScrollBars : 0);
            return true;
        case WM_NCMOUSEMOVE:
            if (!OnBar(wParam)) {
                SetHot(kHorz, BarPart::None);
                return true;
            }
            OnNcMouseMove(wParam == HTVSCROLL, ToWindow(PointOf(lParam)));
            result = 0;
            return false;
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
            if (!OnBar(wParam) || !StartDrag(wParam == HTVSCROLL, ToWindow(PointOf(lParam))))
                return true;
            result = 0;
            return false;
        case WM_MOUSEMOVE:
            if (!drag_) return true;
            DragTo(ClientToWindow(lParam));
            result = 0;
            return false;
        case WM_LBUTTONUP:
            if (!drag_) return true;
            Release(ClientToWindow(lParam));
            result = 0;
            return false;
        case WM_CAPTURECHANGED:
            if (drag_ && reinterpret_cast<HWND>(lParam) != hwnd_) EndDrag();
            return true;
        case WM_CANCELMODE:
        case WM_DESTROY:
            if (drag_) {
                EndDrag();
                if (GetCapture() == hwnd_) ReleaseCapture();
            }
            return true;
        case WM_HSCROLL:
        case WM_VSCROLL:
            // A scroll bar control's notification is about that control, not these bars.
            if (lParam == 0) NoteScroll(msg == WM_VSCROLL, LOWORD(wParam));
            return true;
        default:
            return true;
    }
}

void TSkinScrollBar::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PRINT:
            if (lParam & PRF_NONCLIENT) Paint(reinterpret_cast<HDC>(wParam));
            return;
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
            // The system's own tracking of arrows and track drew its bars while it ran.
            if (OnBar(wParam)) Paint();
            return;
        case WM_NCPAINT:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
        case WM_SIZE:
        case WM_STYLECHANGED:
            Paint();
            return;
        case WM_NCMOUSELEAVE:
            trackingNonClient_ = false;
            SetHot(kHorz, BarPart::None);
            return;
        case WM_ENABLE:
            enabled_ = wParam != 0;
            Paint();
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            // Nothing of the bars shows the focus: the control repaints what it needs.
            focused_ = msg == WM_SETFOCUS;
            return;
        default:
            TSkinControl::AfterMessage(msg, wParam, lParam);
            // Whatever changed the scroll information (items added, a column resized, a
            // key) had the system draw its own bars: draw them again, but only then.
            if (SkinDrawsScrollBars(Skin()) && IsWindowVisible(hwnd_) && Seen() != seen_) Paint();
            return;
    }
}

void TSkinScrollBar::MouseEnter() {
    TSkinControl* previous = Owner().HotControl();
    Owner().SetHotControl(this);
    if (previous && previous != this) previous->Leave();
}

void TSkinScrollBar::MouseLeave() {
    if (Owner().HotControl() == this) Owner().SetHotControl(nullptr);
}

// ---- the mouse over the bars --------------------------------------------------------

void TSkinScrollBar::OnNcMouseMove(bool vertical, POINT window) {
    if (!SkinDrawsScrollBars(Skin())) return;
    const WindowBars bars = Bars();
    if (!(vertical ? bars.hasVert : bars.hasHorz)) return;
    const BarPart part = enabled_ ? HitBar(Layout(vertical, bars), window.x, window.y) : BarPart::None;
    SetHot(BarIndex(vertical), part);
    if (part != BarPart::None && !trackingNonClient_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, hwnd_, 0};
        trackingNonClient_ = TrackMouseEvent(&track) != FALSE;
    }
}

// One piece of one bar is hot at a time.
void TSkinScrollBar::SetHot(int bar, BarPart part) {
    BarPart wanted[2] = {BarPart::None, BarPart::None};
    wanted[bar] = part;
    if (wanted[0] == hot_[0] && wanted[1] == hot_[1]) return;
    hot_[0] = wanted[0];
    hot_[1] = wanted[1];
    Paint();
}

void TSkinScrollBar::NoteScroll(bool vertical, WORD code) {
    BarPart& part = inUse_[BarIndex(vertical)];
    switch (code) {
        case SB_LINEUP: part = BarPart::FirstArrow; break;
        case SB_LINEDOWN: part = BarPart::SecondArrow; break;
        case SB_PAGEUP: part = BarPart::PageBefore; break;
        case SB_PAGEDOWN: part = BarPart::PageAfter; break;
        case SB_THUMBTRACK: part = BarPart::Thumb; break;
        default: part = BarPart::None; break;  // released, ended, or sent to an end
    }
}

// ---- the skin's own thumb drag --------------------------------------------------------
// Driven by the control's own mouse messages, which the capture brings while the button
// is held: nothing here waits for the mouse, so nothing outlives the control.

bool TSkinScrollBar::StartDrag(bool vertical, POINT window) {
    if (drag_ || !enabled_ || !SkinDrawsScrollBars(Skin())) return false;
    const WindowBars bars = Bars();
    if (!(vertical ? bars.hasVert : bars.hasHorz)) return false;
    const ScrollRange range = Range(vertical);
    const BarLayout layout = LayoutSystemBar(vertical ? bars.vert : bars.horz, vertical, range);
    if (HitBar(layout, window.x, window.y) != BarPart::Thumb) return false;
    SetCapture(hwnd_);
    drag_ = StartThumbDrag(layout, range, window.x, window.y);
    dragPos_ = range.pos;
    inUse_[BarIndex(vertical)] = BarPart::Thumb;
    Paint();
    return true;
}

bool TSkinScrollBar::ScrollControlTo(bool vertical, int, int to, WORD code) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    info.nPos = to;
    SetScrollInfo(hwnd_, vertical ? SB_VERT : SB_HORZ, &info, FALSE);
    const std::weak_ptr<char> alive = life_;
    const HWND hwnd = hwnd_;
    SendMessageW(hwnd, ScrollMessage(vertical), MAKEWPARAM(code, LOWORD(to)), 0);
    if (alive.expired() || !IsWindow(hwnd)) return false;
    // Controls that take the new position from the scroll information, as the list view
    // does, find it already set and move nothing: have them draw their view anew.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return true;
}

void TSkinScrollBar::DragTo(POINT window) {
    const int pos = drag_->PositionAt(window.x, window.y);
    if (pos == dragPos_) return;
    const int from = dragPos_;
    dragPos_ = pos;
    ScrollControlTo(drag_->vertical, from, pos, SB_THUMBTRACK);
}

void TSkinScrollBar::Release(POINT window) {
    const int pos = drag_->PositionAt(window.x, window.y);
    const bool vertical = drag_->vertical;
    const int from = dragPos_;
    // The drag is over before the mouse is given back, so losing the capture ends nothing.
    drag_.reset();
    inUse_[BarIndex(vertical)] = BarPart::None;
    if (GetCapture() == hwnd_) ReleaseCapture();
    const HWND hwnd = hwnd_;
    if (!ScrollControlTo(vertical, from, pos, SB_THUMBPOSITION)) return;
    PostMessageW(hwnd, ScrollMessage(vertical), MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    Paint();
}

void TSkinScrollBar::EndDrag() {
    const bool vertical = drag_->vertical;
    drag_.reset();
    inUse_[BarIndex(vertical)] = BarPart::None;
    PostMessageW(hwnd_, ScrollMessage(vertical), MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    Paint();
}

// ---- the list view and its header ---------------------------------------------------

TSkinListView::TSkinListView(TSkinControlOwner& owner, TSkinSource& source) : TSkinScrollBar(owner, source) {}

TSkinListView::~TSkinListView() { Detach(); }

void TSkinListView::OnDetaching() {
    TSkinScrollBar::OnDetaching();
    header_.reset();
}

void TSkinListView::OnAttached(HWND hwnd) {
    TSkinScrollBar::OnAttached(hwnd);
    AttachHeader();
}

void TSkinListView::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    TSkinScrollBar::AfterMessage(msg, wParam, lParam);
    // A list view may make its header only when it first shows columns.
    if (!header_ && (msg == LVM_INSERTCOLUMNW || msg == LVM_INSERTCOLUMNA || msg == WM_STYLECHANGED ||
                     msg == LVM_SETVIEW))
        AttachHeader();
}

int TSkinListView::HeaderLeft() const {
    if (!header_ || !header_->Handle()) return 0;
    RECT rect{};
    GetWindowRect(header_->Handle(), &rect);
    return rect.left;
}

bool TSkinListView::ScrollControlTo(bool vertical, int from, int to, WORD code) {
    const int headerBefore = HeaderLeft();
    const std::weak_ptr<char> alive = Life();
    if (!TSkinScrollBar::ScrollControlTo(vertical, from, to, code)) return false;
    // The list view takes a thumb's place from the scroll position, which already holds it:
    // the columns it draws anew follow, but it does not move its header. Scrolled from where
    // it was, it moves both itself.
    const bool details = (GetWindowLongW(hwnd_, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT ||
                         SendMessageW(hwnd_, LVM_GETVIEW, 0, 0) == LV_VIEW_DETAILS;
    if (vertical || from == to || !details || !header_ || HeaderLeft() != headerBefore) return true;
    SetScrollPos(hwnd_, SB_HORZ, from, FALSE);
    SendMessageW(hwnd_, LVM_SCROLL, to - from, 0);
    if (alive.expired()) return false;
    Paint();
    return true;
}

void TSkinListView::AttachHeader() {
    const auto header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
    if (!header || !IsWindow(header)) return;
    auto skin = std::make_unique<TSkinHeader>(static_cast<TSkinControlOwner&>(*this), Source());
    skin->AttachWindow(header);
    if (skin->Attached()) header_ = std::move(skin);
}

void TSkinListView::ControlGone(TSkinControl& control) {
    if (header_.get() == &control) header_.reset();
}

TSkinControl* TSkinListView::HotControl() const { return Owner().HotControl(); }

void TSkinListView::SetHotControl(TSkinControl* control) { Owner().SetHotControl(control); }

bool TSkinListView::Destroying() const { return Owner().Destroying(); }

}  // namespace kelo::skin
