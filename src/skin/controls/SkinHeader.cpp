// TSkinHeader: a header window painted item by item from the Headerbar element (frame 1
// normal, 2 pressed, 3 hot, 4 sorted, 5 disabled), composed off screen.
#include <algorithm>
#include <iterator>

#include "framework/Graphics.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinPainter.h"
#include "skin/controls/SkinScrollBars.h"
#include "skin/controls/SkinScrollPaint.h"

namespace kelo::skin {

namespace {

// The room the header itself leaves between an item's edge and its text or image.
int TextMargin() { return 3 * GetSystemMetrics(SM_CXEDGE); }

}  // namespace

TSkinHeader::TSkinHeader(TSkinControlOwner& owner, TSkinSource& source) : TSkinControl(owner, source) {}

const TSkinElement* TSkinHeader::Element() const {
    const SkinData* skin = Skin();
    const TSkinElement* element = skin ? skin->Part(SkinPart::Headerbar) : nullptr;
    return element && !element->image.Empty() ? element : nullptr;
}

int TSkinHeader::ItemAt(LPARAM clientPoint) const {
    HDHITTESTINFO hit{};
    hit.pt = PointOf(clientPoint);
    const auto item = static_cast<int>(Beneath(HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return (hit.flags & HHT_ONHEADER) ? item : -1;
}

bool TSkinHeader::BeforeMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    return !(Element() && TakeWholePaint(msg, wParam, result));
}

void TSkinHeader::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool buttons = (GetWindowLongW(hwnd_, GWL_STYLE) & HDS_BUTTONS) != 0;
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // Only clickable headers press; a press on a divider starts resizing instead.
            if (buttons && GetCapture() == hwnd_) {
                pressedItem_ = ItemAt(lParam);
                Repaint();
            }
            break;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (pressedItem_ >= 0) {
                pressedItem_ = -1;
                Repaint();
            }
            break;
        case WM_MOUSEMOVE:
            if (const int item = buttons ? ItemAt(lParam) : -1; item != hotItem_) {
                hotItem_ = item;
                Repaint();
            }
            break;
        default:
            break;
    }
    TSkinControl::AfterMessage(msg, wParam, lParam);
}

void TSkinHeader::MouseLeave() {
    if (hotItem_ >= 0) {
        hotItem_ = -1;
        Repaint();
    }
    TSkinControl::MouseLeave();
}

void TSkinHeader::Draw(HDC dc, const RECT&) {
    const TSkinElement* element = Element();
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (!element || IsRectEmpty(&client)) return;
    const win::MemoryDC canvas(dc, client.right, client.bottom);
    const HDC mem = canvas.Get();
    FillFace(mem, client);
    {
        const win::SavedDC saved(mem);
        auto font = reinterpret_cast<HFONT>(Beneath(WM_GETFONT));
        SelectObject(mem, font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        SetBkMode(mem, TRANSPARENT);
        const int frames = std::max(1, element->frameCount);
        const auto images = reinterpret_cast<HIMAGELIST>(Beneath(HDM_GETIMAGELIST));
        const auto count = static_cast<int>(Beneath(HDM_GETITEMCOUNT));
        int right = 0;
        for (int i = 0; i < count; ++i) {
            RECT rect{};
            if (!Beneath(HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect))) continue;
            right = std::max<int>(right, rect.right);
            DrawItem(mem, i, rect, frames, images);
        }
        // The header beyond its last item is an empty item.
        if (right < client.right) {
            const RECT rest{right, 0, client.right, client.bottom};
            DrawSkinElement(mem, rest, *element, frames, 1);
        }
    }
    canvas.BlitTo(dc, 0, 0);
}

void TSkinHeader::DrawItem(HDC dc, int index, const RECT& rect, int frames, HIMAGELIST images) const {
    const TSkinElement& element = *Element();
    wchar_t text[260] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    Beneath(HDM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));

    int frame = 1;
    SkinColor colour = element.normalTextColour;
    if (!enabled_) {
        frame = 5;
        const SkinData* skin = Skin();
        colour = skin ? skin->colours.buttonShadow : clBtnShadow;
    } else if (index == pressedItem_) {
        frame = 2;
        colour = element.pressedTextColour;
    } else if (index == hotItem_) {
        frame = 3;
        colour = element.mouseOverTextColour;
    } else if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
        frame = 4;
    }
    DrawSkinElement(dc, rect, element, frames, std::min(frame, frames));

    RECT textRect{rect.left + TextMargin(), rect.top, rect.right - TextMargin(), rect.bottom};
    int cx = 0, cy = 0;
    if ((item.fmt & HDF_IMAGE) && images && item.iImage >= 0 && ImageList_GetIconSize(images, &cx, &cy)) {
        const bool onRight = (item.fmt & HDF_BITMAP_ON_RIGHT) != 0;
        const int x = onRight ? textRect.right - cx : textRect.left;
        ImageList_Draw(images, item.iImage, dc, x, (rect.top + rect.bottom - cy) / 2, ILD_TRANSPARENT);
        if (onRight) textRect.right -= cx + TextMargin();
        else textRect.left += cx + TextMargin();
    }
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
    switch (item.fmt & HDF_JUSTIFYMASK) {
        case HDF_RIGHT: format |= DT_RIGHT; break;
        case HDF_CENTER: format |= DT_CENTER; break;
        default: format |= DT_LEFT; break;
    }
    if (item.fmt & HDF_RTLREADING) format |= DT_RTLREADING;
    SetTextColor(dc, win::ColorToRGB(colour));
    DrawTextW(dc, text, -1, &textRect, format);
}

}  // namespace kelo::skin
