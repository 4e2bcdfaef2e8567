// The skinned frame's painting: sides, caption strip with text and buttons and the menu
// bar composed off screen and put on the window in one transfer, and the window region
// cut from the sides' magenta pixels.
#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/Graphics.h"
#include "skin/SkinManager.h"
#include "skin/menu/SkinMenuItemPainter.h"
#include "skin/data/SkinPainter.h"
#include "skin/SkinSource.h"
#include "skin/menu/SkinnedMenu.h"
#include "skin/frame/SkinnedWindow.h"

namespace kelo::skin {

namespace {

SIZE WindowSize(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// A frame side: stretched when its Stretch value is 1, else tiled; never colour-keyed.
void DrawSide(HDC dc, const RECT& rect, const TSkinBorderElement& side, bool active, FrameLayout layout) {
    if (side.image.Empty()) return;
    ImagePaint paint = PaintOf(side);
    paint.tileCentre = side.tile != 1;
    paint.transparent = false;
    const int frames = SafeFrameCount(side.frameCount);
    DrawSkinImage(dc, rect, paint, frames, active || frames == 1 ? 1 : 2, layout);
}

RECT ToRect(const GridRect& g) { return {g.x, g.y, g.x + g.width, g.y + g.height}; }

// A side drawn alone on its own kept surface of the side's size; none when the side has
// no area.
void SideStrip(std::unique_ptr<Offscreen>& kept, const TSkinBorderElement& side, bool active, FrameLayout layout,
               int width, int height) {
    if (width <= 0 || height <= 0) {
        kept.reset();
        return;
    }
    Offscreen& strip = KeptSurface(kept, width, height);
    if (!strip) {
        kept.reset();
        return;
    }
    DrawSide(strip.Get(), {0, 0, width, height}, side, active, layout);
}

// The part of the window a side covers in the region: its pixels that are not magenta when
// it is keyed (drawn alone over black, then scanned), else its whole rectangle. False when
// the side cannot be drawn.
bool AddSideToRegion(std::vector<RECT>& rects, const TSkinBorderElement& side, bool keyed, const RECT& place,
                     FrameLayout layout) {
    const int width = place.right - place.left, height = place.bottom - place.top;
    if (width <= 0 || height <= 0) return true;
    if (!keyed) {
        rects.push_back(place);
        return true;
    }
    void* bits = nullptr;
    const win::Bitmap dib = win::CreateTopDownDib(width, height, &bits);
    if (!dib || !bits) return false;
    std::memset(bits, 0, static_cast<size_t>(width) * height * 4);
    {
        const BitmapDC dc(nullptr, dib.Get());
        DrawSide(dc.Get(), {0, 0, width, height}, side, true, layout);
        GdiFlush();
    }
    for (const GridRect& run : OpaqueRuns(static_cast<const uint32_t*>(bits), width, height, place.left, place.top))
        rects.push_back(ToRect(run));
    return true;
}

HRGN RegionOf(const std::vector<RECT>& rects, SIZE size) {
    std::vector<char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(rects.size());
    header->nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    header->rcBound = {0, 0, size.cx, size.cy};
    std::memcpy(data.data() + sizeof(RGNDATAHEADER), rects.data(), rects.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
}

}  // namespace

// ---- caption buttons ----------------------------------------------------------------

TCaptionButton::TCaptionButton(TSkinnedWindow& window, const TSkinCaptionButtonElement& element)
    : TNCObject(window), element(element), window_(window) {}

bool TCaptionButton::IsIcon() const {
    return element.image.Empty() && (element.action == 3 || element.action == 11);
}

void TCaptionButton::DrawOn(HDC dc) {
    if (!visible) return;
    if (IsIcon()) {
        if (HICON icon = window_.Icon())
            DrawIconEx(dc, rect.left, rect.top, icon, rect.right - rect.left, rect.bottom - rect.top, 0, nullptr, DI_NORMAL);
        return;
    }
    const int frames = SafeFrameCount(element.frameCount);
    int frame = state == kNormal ? CaptionButtonFrame(element, window_.Active()) : state;
    if (element.visibility == 100 && frame == 3) frame = 4;
    ImagePaint paint{&element.image, 0, 0, 0, 0, false, true};
    DrawSkinImage(dc, rect, paint, frames, std::min(frame, frames));
}

void TCaptionButton::Draw() {
    const int s = window_.State();
    if (s != TSkinnedWindow::kSkinned && s != TSkinnedWindow::kRecolouring) return;
    const win::NonClientDC dc(window_.Window());
    if (!dc.Get()) return;
    // The caption under a keyed button comes from the last drawn caption strip.
    if (const Offscreen* caption = window_.captionKeep_.get()) {
        BitBlt(dc.Get(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, caption->Get(),
               rect.left, rect.top, SRCCOPY);
    }
    DrawOn(dc.Get());
}

// ---- painting -----------------------------------------------------------------------

CaptionState TSkinnedWindow::CurrentCaptionState() const {
    CaptionState s;
    s.borderKind = borderKind_;
    s.maximized = placement_ == kMaximized;
    s.active = active_;
    s.maximizeBox = hasMaximizeBox_;
    s.minimizeBox = hasMinimizeBox_;
    s.systemMenu = hasSystemMenu_;
    const TSkinManager* manager = TSkinManager::Instance();
    s.mdiChildMaximized = windowKind_ == 1 && manager && manager->MdiMaximized();
    s.menuBarHeight = menuBarHeight_;
    return s;
}

void TSkinnedWindow::PaintFrame() {
    // From attach on: the frame shows at once, not only after the deferred finish.
    const bool attachedOnly = lifeState_ == kCreated && subclassed_;
    if (lifeState_ != kSkinned && lifeState_ != kRecolouring && !attachedOnly) return;
    if (borderKind_ == 2 || (windowKind_ == 2 && placement_ != kNormal)) return;
    const SkinData* skin = source_.Skin();
    const SIZE size = WindowSize(hwnd_);
    if (!skin || size.cx <= 0 || size.cy <= 0) return;
    try {
        const win::NonClientDC window(hwnd_);
        if (!window.Get()) return;
        PaintSides(size.cx, size.cy);
        // Each strip composed off screen and put on the window in one transfer; the client
        // area is never touched.
        PaintCaption(window.Get(), size.cx);
        const int top = borders_.top, below = size.cy - top;
        if (leftSurface_ && below > 0)
            BitBlt(window.Get(), 0, top, borders_.left, below, leftSurface_->Get(), 0, top, SRCCOPY);
        if (rightSurface_ && below > 0)
            BitBlt(window.Get(), size.cx - borders_.right, top, borders_.right, below, rightSurface_->Get(), 0, top,
                   SRCCOPY);
        if (bottomSurface_)
            BitBlt(window.Get(), borders_.left, size.cy - borders_.bottom, bottomSurface_->Width(), borders_.bottom,
                   bottomSurface_->Get(), 0, 0, SRCCOPY);
        PaintMenuBar(window.Get(), size.cx);
    } catch (...) {
        // A frame that cannot be drawn keeps what it showed; the window goes on.
    }
    if (hot_ && hot_ != pressed_) hot_->state = TNCObject::kNormal;
    if (hot_ != pressed_) hot_ = nullptr;
}

void TSkinnedWindow::PaintSides(int width, int height) {
    const SkinData& skin = *source_.Skin();
    const int between = width - borders_.left - borders_.right;
    SideStrip(leftSurface_, skin.Side(FrameSide::Left), active_, FrameLayout::SideBySide, borders_.left, height);
    SideStrip(rightSurface_, skin.Side(FrameSide::Right), active_, FrameLayout::SideBySide, borders_.right, height);
    SideStrip(bottomSurface_, skin.Side(FrameSide::Bottom), active_, FrameLayout::Stacked, between, borders_.bottom);
}

void TSkinnedWindow::PaintCaption(HDC dc, int width) {
    const SkinData& skin = *source_.Skin();
    const int top = borders_.top;
    if (top <= 0) return;
    const Offscreen& strip = KeptSurface(stripSurface_, width, top);
    if (!strip) return;
    // The corners are the sides' tops.
    if (leftSurface_) BitBlt(strip.Get(), 0, 0, borders_.left, top, leftSurface_->Get(), 0, 0, SRCCOPY);
    if (rightSurface_)
        BitBlt(strip.Get(), width - borders_.right, 0, borders_.right, top, rightSurface_->Get(), 0, 0, SRCCOPY);
    DrawSide(strip.Get(), {borders_.left, 0, width - borders_.right, top}, skin.Side(FrameSide::Top), active_,
             FrameLayout::Stacked);

    // Right-aligned buttons first: they limit the caption text.
    const CaptionState state = CurrentCaptionState();
    ButtonPlace place;
    place.windowWidth = width;
    place.rightBorder = borders_.right;
    place.menuBarTop = top;
    place.menuBarHeight = menuBarHeight_;
    place.menuBarLeftWidth = skin.menuBar ? skin.menuBar->leftWidth : 0;
    place.rightToLeft = rightToLeft_;
    place.buttonShift = captionFit_.buttonShift;
    std::optional<int> leftmostRight;
    auto layout = [&](TCaptionButton& button) {
        button.visible = CaptionButtonVisible(button.element, state) && button.element.visibility != 100 &&
                         (!button.element.image.Empty() || button.IsIcon());
        GridRect r = CaptionButtonRect(button.element, place);
        if (button.IsIcon()) {
            r.width = GetSystemMetrics(SM_CXSMICON);
            r.height = GetSystemMetrics(SM_CYSMICON);
        }
        button.rect = ToRect(r);
    };
    for (const auto& button : buttons_) {
        if (button->element.align != 1) continue;
        layout(*button);
        if (button->visible) leftmostRight = std::min(leftmostRight.value_or(width), int(button->rect.left));
    }

    const win::SavedDC saved(strip.Get());
    SelectObject(strip.Get(), captionFont_.Get());
    SetBkMode(strip.Get(), TRANSPARENT);
    const std::wstring measured = L"  " + text_;
    SIZE extent{};
    GetTextExtentPoint32W(strip.Get(), measured.c_str(), static_cast<int>(measured.size()), &extent);
    CaptionTextInput in;
    in.stripWidth = width;
    in.stripHeight = top;
    in.textShift = captionFit_.textShift;
    in.textWidth = extent.cx;
    in.textHeight = extent.cy;
    in.rightToLeft = rightToLeft_;
    in.popupStyle = (style_ & WS_POPUP) != 0;
    in.leftmostRightButton = leftmostRight;
    const GridRect textRect = CaptionTextRect(skin.title, in);
    captionTextRect_ = ToRect(textRect);
    if (!skin.title.image.Empty() && textRect.width > 0) {
        const ImagePaint back{&skin.title.image, skin.title.textBackLeft, 0, skin.title.textBackRight, 0, true, true};
        const RECT backRect{textRect.x, 0, textRect.x + textRect.width, top};
        DrawSkinImage(strip.Get(), backRect, back, 2, active_ ? 1 : 2, FrameLayout::Stacked);
    }
    SetTextColor(strip.Get(), win::ColorToRGB(active_ ? skin.colours.titleTextActive : skin.colours.titleTextNoActive));
    RECT textBox{textRect.x + skin.title.textBackLeft, textRect.y,
                 textRect.x + textRect.width - skin.title.textBackRight, textRect.y + textRect.height};
    DrawTextW(strip.Get(), measured.c_str(), static_cast<int>(measured.size()), &textBox,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | (rightToLeft_ ? DT_RIGHT : DT_LEFT));

    // Kept for redrawing single buttons over the caption without them.
    if (const Offscreen& keep = KeptSurface(captionKeep_, width, top))
        BitBlt(keep.Get(), 0, 0, width, top, strip.Get(), 0, 0, SRCCOPY);
    place.textRect = textRect;
    for (const auto& button : buttons_) {
        if (button->element.align != 1) layout(*button);
        button->DrawOn(strip.Get());
    }
    BitBlt(dc, 0, 0, width, top, strip.Get(), 0, 0, SRCCOPY);
}

void TSkinnedWindow::PaintMenuBar(HDC dc, int width) {
    if (!menuBar_ || menuBarHeight_ <= 0) return;
    const RECT bar{borders_.left, borders_.top, width - borders_.right, borders_.top + menuBarHeight_};
    menuBar_->Draw(dc, bar, active_);
}

// The skin's borders, with a caption band that holds the caption font and the small icon
// of the screen's scale.
void TSkinnedWindow::ReadBorders() {
    const SkinData* skin = source_.Skin();
    borders_ = skin ? SkinBorders(*skin, borderKind_) : FrameBorders{};
    const win::WindowDC screen(nullptr);
    const win::SavedDC saved(screen.Get());
    SelectObject(screen.Get(), captionFont_.Get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen.Get(), &metrics);
    captionFit_ = FitCaption(borders_.top, GetSystemMetrics(SM_CYSMICON), metrics.tmHeight);
    borders_.top = captionFit_.bandHeight;
}

// ---- region -------------------------------------------------------------------------

void TSkinnedWindow::BuildRegion(bool force) {
    const SkinData* skin = source_.Skin();
    if (!skin || borderKind_ == 2 || placement_ == kMinimized) return;
    if (windowKind_ == 2 && placement_ != kNormal) return;
    const SIZE size = WindowSize(hwnd_);
    if (size.cx <= 0 || size.cy <= 0) return;
    if (!force && windowKind_ != 2 && regionSet_ && size.cx == regionSize_.cx && size.cy == regionSize_.cy) return;
    const bool keyed = skin->Side(FrameSide::Left).trans == 1 || skin->Side(FrameSide::Right).trans == 1 ||
                       skin->Side(FrameSide::Top).trans == 1;
    HRGN region = nullptr;
    const int W = size.cx, H = size.cy;
    if (!keyed) {
        region = CreateRectRgn(0, 0, W, H);
    } else {
        // Only the frame strips can hold magenta: the area inside them is one rectangle.
        std::vector<RECT> rects{{borders_.left, borders_.top, W - borders_.right, H - borders_.bottom}};
        auto add = [&](FrameSide which, const RECT& place, FrameLayout layout, bool keyable = true) {
            const TSkinBorderElement& side = skin->Side(which);
            return AddSideToRegion(rects, side, keyable && side.trans == 1, place, layout);
        };
        const bool drawn =
            add(FrameSide::Left, {0, 0, borders_.left, H}, FrameLayout::SideBySide) &&
            add(FrameSide::Right, {W - borders_.right, 0, W, H}, FrameLayout::SideBySide) &&
            add(FrameSide::Top, {borders_.left, 0, W - borders_.right, borders_.top}, FrameLayout::Stacked) &&
            add(FrameSide::Bottom, {borders_.left, H - borders_.bottom, W - borders_.right, H}, FrameLayout::Stacked,
                borders_.bottom >= 2);
        if (!drawn) return;
        region = RegionOf(rects, size);
    }
    if (!region) return;
    // The system owns the region once it is set; it is deleted here only when refused.
    win::Region owned(region);
    // What the new region shows that the old one hid: the system painted the window at
    // its new size still clipped by the old region, so neither frame nor client reached
    // there.
    const win::Region before(CreateRectRgn(0, 0, W, H));
    if (regionSet_) GetWindowRgn(hwnd_, before.Get());
    const win::Region uncovered(CreateRectRgn(0, 0, 0, 0));
    const bool grew = CombineRgn(uncovered.Get(), owned.Get(), before.Get(), RGN_DIFF) != NULLREGION;
    // Set without a redraw: what stayed inside both regions keeps what it shows, and only
    // what the new region uncovers is painted again, the frame and the controls under it.
    if (!SetWindowRgn(hwnd_, owned.Get(), FALSE)) return;
    owned.Release();
    regionSet_ = true;
    regionSize_ = size;
    if (grew) RepaintUncovered(uncovered.Get());
}

void TSkinnedWindow::RepaintUncovered(HRGN uncovered) {
    RECT window, client{};
    GetWindowRect(hwnd_, &window);
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 1);
    // The update region is in client coordinates.
    OffsetRgn(uncovered, window.left - client.left, window.top - client.top);
    RedrawWindow(hwnd_, nullptr, uncovered, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// ---- sizing --------------------------------------------------------------------------

void TSkinnedWindow::ResizeToSkin(bool freshClientRect) {
    if (placement_ == kMaximized) {
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        return;
    }
    if (freshClientRect) GetClientRect(hwnd_, &clientAtAttach_);
    int width = clientAtAttach_.right + borders_.left + borders_.right;
    const int height = clientAtAttach_.bottom + borders_.top + borders_.bottom + menuBarHeight_;
    // A message box keeps its whole caption readable: it grows and its controls move to
    // stay centred.
    std::wstring lowerClass = className_;
    CharLowerW(lowerClass.data());
    if ((lowerClass == L"tmessageform" || lowerClass == L"#32770") && source_.Skin()) {
        const win::WindowDC screen(nullptr);
        const win::SavedDC saved(screen.Get());
        SelectObject(screen.Get(), captionFont_.Get());
        SIZE space{};
        GetTextExtentPoint32W(screen.Get(), L" ", 1, &space);
        const TSkinTitleElement& title = source_.Skin()->title;
        const int needed = (static_cast<int>(text_.size()) + 7) * space.cx + borders_.left + borders_.right +
                           title.textShift + title.textRightClip + title.textBackLeft + title.textBackRight;
        if (needed > width) {
            const int shift = (needed - width) / 2;
            for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                RECT r;
                GetWindowRect(child, &r);
                MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
                SetWindowPos(child, nullptr, r.left + shift, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            width = needed;
        }
    }
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TSkinnedWindow::OnSize(WPARAM type) {
    placement_ = type == SIZE_MINIMIZED ? kMinimized : type == SIZE_MAXIMIZED ? kMaximized : kNormal;
    if (type == SIZE_MINIMIZED) return;
    if (windowKind_ == 2) {
        const TSkinManager* manager = TSkinManager::Instance();
        if (placement_ != kNormal || (manager && manager->MdiMaximized())) return;
    }
    if (lifeState_ == kSkinned || lifeState_ == kRecolouring) BuildRegion(false);
}

void TSkinnedWindow::OnGetMinMaxInfo(LPARAM lParam) {
    ReadPlacement();
    if (placement_ == kMinimized) {
        ApplyStyleBits(true);
    } else if (windowKind_ == 2) {
        TSkinManager* manager = TSkinManager::Instance();
        if (placement_ == kNormal) {
            if (manager) manager->SetMdiMaximized(false);
            ApplyStyleBits(false);
        } else {
            ApplyStyleBits(true);
        }
    } else {
        ApplyStyleBits(false);
    }
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (windowKind_ == 2 || borderKind_ == 2 ||
        !GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) {
        info->ptMaxSize.x = GetSystemMetrics(SM_CXMAXIMIZED);
        info->ptMaxSize.y = GetSystemMetrics(SM_CYMAXIMIZED);
        return;
    }
    // The system's maximised rectangle hangs its own, thicker frame off the screen; the
    // skin's frame is thinner and belongs on the screen, so a maximised skinned window
    // covers the work area of its monitor and leaves the taskbar free. The position is
    // counted from the monitor's origin.
    const RECT& work = monitor.rcWork;
    info->ptMaxPosition = {work.left - monitor.rcMonitor.left, work.top - monitor.rcMonitor.top};
    info->ptMaxSize = {work.right - work.left, work.bottom - work.top};
    info->ptMaxTrackSize.x = std::max(info->ptMaxTrackSize.x, info->ptMaxSize.x);
    info->ptMaxTrackSize.y = std::max(info->ptMaxTrackSize.y, info->ptMaxSize.y);
}

}  // namespace kelo::skin
