#include "skin/controls/SkinRareControls.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "framework/Graphics.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinPainter.h"

namespace kelo::skin {

namespace {

// Where the client area lies in window coordinates (what Draw is given).
POINT ClientOrigin(HWND hwnd) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    return {origin.x - window.left, origin.y - window.top};
}

RECT Moved(RECT r, POINT by) {
    OffsetRect(&r, by.x, by.y);
    return r;
}

int Clamped(int frame, int count) { return std::clamp(frame, 1, std::max(count, 1)); }

}  // namespace

// ---- tabs ---------------------------------------------------------------------------------

bool TSkinTab::BeforeMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    const SkinData* skin = Skin();
    if (msg == WM_ERASEBKGND && skin && skin->Part(SkinPart::Tabs)) {
        result = 1;
        return false;
    }
    return true;
}

void TSkinTab::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOUSEMOVE) {
        TCHITTESTINFO hit{{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, 0};
        const int tab = static_cast<int>(Beneath(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (tab != hotTab_) {
            hotTab_ = tab;
            Repaint();
        }
    } else if (msg == WM_MOUSELEAVE && hotTab_ != -1) {
        hotTab_ = -1;
        Repaint();
    } else if (msg == TCM_SETCURSEL || msg == WM_LBUTTONDOWN || msg == WM_KEYDOWN) {
        Repaint();
    }
    TSkinControl::AfterMessage(msg, wParam, lParam);
}

void TSkinTab::Draw(HDC dc, const RECT&) {
    const SkinData* skin = Skin();
    const auto* tabs = skin ? static_cast<const TSkinBorderElement*>(skin->Part(SkinPart::Tabs)) : nullptr;
    if (!tabs || tabs->image.Empty()) return;
    const POINT origin = ClientOrigin(hwnd_);
    RECT client{};
    GetClientRect(hwnd_, &client);
    FillFace(dc, Moved(client, origin));
    // The page below the tabs.
    RECT page = client;
    Beneath(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    InflateRect(&page, 2, 2);
    if (!tabs->image2.Empty()) {
        ImagePaint border{&tabs->image2, 1, 1, 1, 1, false, false};
        DrawSkinImage(dc, Moved(page, origin), border, 1, 1);
    }
    const int count = static_cast<int>(Beneath(TCM_GETITEMCOUNT));
    const int selected = static_cast<int>(Beneath(TCM_GETCURSEL));
    const HFONT font = reinterpret_cast<HFONT>(Beneath(WM_GETFONT));
    const win::SavedDC saved(dc);
    if (font) SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SkinColour(enabled_ ? skin->colours.buttonText : skin->colours.buttonShadow));
    for (int i = 0; i < count; ++i) {
        RECT tab{};
        if (!Beneath(TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&tab))) continue;
        const bool isSelected = i == selected;
        int frame = isSelected ? (i == hotTab_ ? 5 : 2) : (i == hotTab_ ? 3 : 1);
        if (!enabled_) frame = 4;
        if (isSelected) InflateRect(&tab, 2, 2);  // the selected tab stands out over the page
        const RECT where = Moved(tab, origin);
        DrawSkinElement(dc, where, *tabs, tabs->frameCount, Clamped(frame, tabs->frameCount));
        wchar_t text[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text) - 1);
        Beneath(TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        RECT label = where;
        DrawTextW(dc, text, -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

// ---- track bars ---------------------------------------------------------------------------

void TSkinTrackBar::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            state_ |= kPressed;
            Repaint();
            break;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (Pressed()) {
                state_ &= ~kPressed;
                Repaint();
            }
            break;
        case WM_MOUSEMOVE:
        case WM_KEYDOWN:
        case TBM_SETPOS:
            if (msg != WM_MOUSEMOVE || Pressed()) Paint();
            break;
        default:
            break;
    }
    TSkinControl::AfterMessage(msg, wParam, lParam);
}

void TSkinTrackBar::Draw(HDC dc, const RECT&) {
    const SkinData* skin = Skin();
    const bool vertical = (GetWindowLongW(hwnd_, GWL_STYLE) & TBS_VERT) != 0;
    const TSkinElement* thumb =
        skin ? skin->Part(vertical ? SkinPart::TrackbarThumbVert : SkinPart::TrackbarThumbHorz) : nullptr;
    if (!thumb || thumb->image.Empty()) return;
    RECT where{};
    Beneath(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&where));
    const int frame = !enabled_ ? 4 : Pressed() ? 2 : Hot() ? 3 : focused_ ? 5 : 1;
    where = Moved(where, ClientOrigin(hwnd_));
    FillFace(dc, where);
    DrawSkinElement(dc, where, *thumb, thumb->frameCount, Clamped(frame, thumb->frameCount));
}

// ---- progress bars ------------------------------------------------------------------------

bool TSkinProgress::BeforeMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    const SkinData* skin = Skin();
    if (!skin || !skin->progress || skin->progress->image.Empty()) return true;
    // The bar is the skin's alone.
    return !TakeWholePaint(msg, wParam, result);
}

void TSkinProgress::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == PBM_SETPOS || msg == PBM_DELTAPOS || msg == PBM_STEPIT || msg == PBM_SETRANGE || msg == PBM_SETRANGE32)
        Paint();
    TSkinControl::AfterMessage(msg, wParam, lParam);
}

void TSkinProgress::Draw(HDC dc, const RECT& rect) {
    const SkinData* skin = Skin();
    if (!skin || !skin->progress || skin->progress->image.Empty()) return;
    const TSkinBorderElement& bar = *skin->progress;
    const win::MemoryDC surface(dc, rect.right, rect.bottom);
    FillFace(surface.Get(), rect);
    DrawSkinElement(surface.Get(), rect, bar, 2, 1);
    PBRANGE range{};
    Beneath(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    const int64_t span = static_cast<int64_t>(range.iHigh) - range.iLow;
    const int64_t done = std::clamp<int64_t>(static_cast<int64_t>(Beneath(PBM_GETPOS)) - range.iLow, 0, span);
    const bool vertical = (GetWindowLongW(hwnd_, GWL_STYLE) & PBS_VERTICAL) != 0;
    const int length = vertical ? rect.bottom : rect.right;
    const int filled = span > 0 ? static_cast<int>(length * done / span) : 0;
    RECT part = rect;
    if (vertical) part.top = rect.bottom - filled;
    else part.right = filled;
    if (filled > 0) {
        if (bar.style == 1 && !bar.image2.Empty()) {
            // Blocks of the chunk image, whole ones only.
            const int block = vertical ? bar.image2.Height() : bar.image2.Width();
            const ImagePaint chunk{&bar.image2, 0, 0, 0, 0, false, false};
            for (int at = 0; block > 0 && at + block <= filled; at += block) {
                const RECT piece = vertical ? RECT{rect.left, rect.bottom - at - block, rect.right, rect.bottom - at}
                                            : RECT{at, rect.top, at + block, rect.bottom};
                DrawSkinImage(surface.Get(), piece, chunk, 1, 1);
            }
        } else {
            DrawSkinElement(surface.Get(), part, bar, 2, 2);
        }
    }
    surface.BlitTo(dc, 0, 0);
}

}  // namespace kelo::skin
