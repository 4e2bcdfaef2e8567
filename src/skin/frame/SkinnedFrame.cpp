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
    if (lifeState_ != kSkinned && lifeState_ != kRecolouring) return;
    if (borderKind_ == 2 || (windowKind_ == 2 && placement_ != kNormal)) return;
    const SkinData* skin = source_.Skin();
    const SIZE size = WindowSize(hwnd_);
    if (!skin || size.cx <= 0 || size.cy <= 0) return;
    try {
        const win::NonClientDC window(hwnd_);
        if (!window.Get()) return;
        const Offscreen& frame = KeptSurface(frameSurface_, size.cx, size.cy);
        if (!frame) return;
        PaintSides(frame.Get(), size.cx, size.cy);
        PaintCaption(frame.Get(), size.cx);
        PaintMenuBar(frame.Get(), size.cx);
        // One transfer, around the client area.
        const win::SavedDC saved(window.Get());
        ExcludeClipRect(window.Get(), borders_.left, borders_.top + menuBarHeight_, size.cx - borders_.right,
                        size.cy - borders_.bottom);
        BitBlt(window.Get(), 0, 0, size.cx, size.cy, frame.Get(), 0, 0, SRCCOPY);
    } catch (...) {
        // A frame that cannot be drawn keeps what it showed; the window goes on.
    }
    if (hot_ && hot_ != pressed_) hot_->state = TNCObject::kNormal;
    if (hot_ != pressed_) hot_ = nullptr;
}

void TSkinnedWindow::PaintSides(HDC dc, int width, int height) {
    const SkinData& skin = *source_.Skin();
    DrawSide(dc, {0, 0, borders_.left, height}, skin.Side(FrameSide::Left), active_, FrameLayout::SideBySide);
    DrawSide(dc, {width - borders_.right, 0, width, height}, skin.Side(FrameSide::Right), active_,
             FrameLayout::SideBySide);
    DrawSide(dc, {borders_.left, height - borders_.bottom, width - borders_.right, height},
             skin.Side(FrameSide::Bottom), active_, FrameLayout::Stacked);
}

void TSkinnedWindow::PaintCaption(HDC dc, int width) {
    const SkinData& skin = *source_.Skin();
    const int top = borders_.top;
    if (top <= 0) return;
    const Offscreen& strip = KeptSurface(stripSurface_, width, top);
    if (!strip) return;
    BitBlt(strip.Get(), 0, 0, width, top, dc, 0, 0, SRCCOPY);  // the corners from the sides
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
    if (!keyed) {
        region = CreateRectRgn(0, 0, size.cx, size.cy);
    } else {
        // The keyed sides drawn unkeyed over black: what stays magenta is outside.
        void* bits = nullptr;
        const win::Bitmap dib = win::CreateTopDownDib(size.cx, size.cy, &bits);
        if (!dib || !bits) return;
        std::memset(bits, 0, static_cast<size_t>(size.cx) * size.cy * 4);
        {
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, dib.Get());
            const int W = size.cx, H = size.cy;
            if (skin->Side(FrameSide::Left).trans == 1)
                DrawSide(dc, {0, 0, borders_.left, H}, skin->Side(FrameSide::Left), true, FrameLayout::SideBySide);
            if (skin->Side(FrameSide::Right).trans == 1)
                DrawSide(dc, {W - borders_.right, 0, W, H}, skin->Side(FrameSide::Right), true, FrameLayout::SideBySide);
            if (skin->Side(FrameSide::Top).trans == 1)
                DrawSide(dc, {borders_.left, 0, W - borders_.right, borders_.top}, skin->Side(FrameSide::Top), true,
                         FrameLayout::Stacked);
            if (skin->Side(FrameSide::Bottom).trans == 1 && borders_.bottom >= 2)
                DrawSide(dc, {borders_.left, H - borders_.bottom, W - borders_.right, H}, skin->Side(FrameSide::Bottom),
                         true, FrameLayout::Stacked);
            GdiFlush();
            SelectObject(dc, old);
            DeleteDC(dc);
        }
        const std::vector<GridRect> runs =
            OpaqueRuns(static_cast<const uint32_t*>(bits), size.cx, size.cy, 0, 0);
        std::vector<char> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
        auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
        header->dwSize = sizeof(RGNDATAHEADER);
        header->iType = RDH_RECTANGLES;
        header->nCount = static_cast<DWORD>(runs.size());
        header->nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
        header->rcBound = {0, 0, size.cx, size.cy};
        auto* rects = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
        for (size_t i = 0; i < runs.size(); ++i) rects[i] = ToRect(runs[i]);
        region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
    }
    if (!region) return;
    // The system owns the region once it is set; it is deleted here only when refused.
    win::Region owned(region);
    if (!SetWindowRgn(hwnd_, owned.Get(), TRUE)) return;
    owned.Release();
    regionSet_ = true;
    regionSize_ = size;
}

}  // namespace kelo::skin
