#include "skin/menu/SkinMenuItemPainter.h"

#include <algorithm>

#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/Subclass.h"
#include "skin/data/SkinData.h"
#include "skin/frame/SkinFrameRules.h"
#include "skin/SkinManager.h"
#include "skin/data/SkinPainter.h"
#include "skin/SkinSource.h"
#include "skin/menu/SkinnedMenu.h"

namespace kelo::skin {

namespace {

constexpr int kGlyphWidth = 16;     // the glyph column, without image lists
constexpr int kCaptionGap = 3;      // between the glyph column and the caption
constexpr int kShortcutMargin = 10; // the shortcut ends this far before the right edge
constexpr int kSeparatorHeight = 8;
constexpr int kEtchedLineTop = 4;
constexpr int kPopupBorder = 3;   // the strips of a popup-menu window drawn from MenuBackground
constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU
constexpr DWORD kPatternWhereBlack = 0x00B8074A;  // PSDPxax: the brush where the source is black

COLORREF Rgb(SkinColor colour) { return win::ColorToRGB(colour); }

COLORREF CaptionColour(const SkinColourSet& c, const MenuItemLook& look) {
    if (!look.enabled) {
        // A shadow colour equal to the text colour would hide that the item is disabled.
        const COLORREF shadow = Rgb(c.buttonShadow);
        return shadow == Rgb(c.menuText) ? GetSysColor(COLOR_BTNSHADOW) : shadow;
    }
    return Rgb(look.selected ? c.hilightText : c.menuText);
}

// The system's check mark, drawn black on white into a mask, put down in `colour`.
void DrawCheckMark(HDC dc, const RECT& column, COLORREF colour) {
    const int cx = GetSystemMetrics(SM_CXMENUCHECK), cy = GetSystemMetrics(SM_CYMENUCHECK);
    if (cx <= 0 || cy <= 0) return;
    const win::Bitmap mono(CreateBitmap(cx, cy, 1, 1, nullptr));
    if (!mono) return;
    const BitmapDC mask(dc, mono.Get());
    PatBlt(mask.Get(), 0, 0, cx, cy, WHITENESS);
    RECT r{0, 0, cx, cy};
    DrawFrameControl(mask.Get(), &r, DFC_MENU, DFCS_MENUCHECK);
    const win::Brush brush(CreateSolidBrush(colour));
    const win::SavedDC saved(dc);
    SelectObject(dc, brush.Get());
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    const int x = column.left + (column.right - column.left - cx) / 2;
    const int y = column.top + (column.bottom - column.top - cy) / 2;
    BitBlt(dc, x, y, cx, cy, mask.Get(), 0, 0, kPatternWhereBlack);
}

// Glyph column, caption and shortcut; right-to-left items are mirrored.
void PaintContent(HDC dc, int width, int height, int indent, const SkinColourSet& colours,
                  const MenuItemLook& look) {
    const int glyphLeft = look.rightToLeft ? width - 1 - indent - kGlyphWidth : 1 + indent;
    const RECT glyph{glyphLeft, 1, glyphLeft + kGlyphWidth, height - 1};
    if (look.checked) DrawCheckMark(dc, glyph, Rgb(colours.buttonText));

    std::wstring caption = look.caption, shortcut;
    if (const size_t tab = caption.find(L'\t'); tab != std::wstring::npos) {
        shortcut = caption.substr(tab + 1);
        caption.resize(tab);
    }
    RECT text = look.rightToLeft ? RECT{kShortcutMargin, 0, glyph.left - kCaptionGap, height}
                                 : RECT{glyph.right + kCaptionGap, 0, width - kShortcutMargin, height};
    const win::Font font = CreateMenuFont(look.isDefault);
    const win::SavedDC saved(dc);
    SelectObject(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, CaptionColour(colours, look));
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | (look.rightToLeft ? DT_RTLREADING : 0);
    DrawTextW(dc, caption.c_str(), -1, &text, format | (look.rightToLeft ? DT_RIGHT : DT_LEFT));
    if (!shortcut.empty()) DrawTextW(dc, shortcut.c_str(), -1, &text, format | (look.rightToLeft ? DT_LEFT : DT_RIGHT));
}

// A separator from the second frame of the MenuItem image: its bottom rows, the fixed ends
// kept and the middle stretched, magenta left out.
void PaintSeparatorImage(HDC dc, int width, int height, const TSkinElement& element) {
    const HBITMAP image = ImageBitmap(element.image);
    if (!image) return;
    const int frames = SafeFrameCount(element.frameCount);
    const GridRect from = SourceFrame(element.image.Width(), element.image.Height(), frames, std::min(2, frames), false);
    const int rows = std::min(height, from.height);
    if (rows <= 0 || from.width <= 0) return;
    const int sourceY = from.y + from.height - rows;
    int left = std::max(0, element.leftWidth), right = std::max(0, element.rightWidth);
    if (width < left + right || from.width < left + right) left = right = 0;

    const Offscreen piece(width, rows);
    if (!piece) return;
    const BitmapDC source(dc, image);
    SetStretchBltMode(piece.Get(), COLORONCOLOR);
    if (left > 0) BitBlt(piece.Get(), 0, 0, left, rows, source.Get(), from.x, sourceY, SRCCOPY);
    StretchBlt(piece.Get(), left, 0, width - left - right, rows, source.Get(), from.x + left, sourceY,
               from.width - left - right, rows, SRCCOPY);
    if (right > 0)
        BitBlt(piece.Get(), width - right, 0, right, rows, source.Get(), from.x + from.width - right, sourceY, SRCCOPY);
    CopyWithoutMagenta(dc, 0, (height - rows) / 2, width, rows, piece.Get(), 0, 0);
}

MenuItemLook LookOf(win::TMenuItem& item, UINT state) {
    MenuItemLook look;
    look.caption = item.Caption();
    look.enabled = item.Enabled();
    look.checked = item.Checked();
    look.selected = (state & ODS_SELECTED) != 0;
    look.menu = item.ParentHandle();
    return look;
}

}  // namespace

// ---- surfaces ---------------------------------------------------------------------------

BitmapDC::BitmapDC(HDC reference, HBITMAP bitmap) : dc_(CreateCompatibleDC(reference)) {
    if (dc_ && bitmap) old_ = SelectObject(dc_, bitmap);
}

BitmapDC::~BitmapDC() {
    if (!dc_) return;
    if (old_) SelectObject(dc_, old_);
    DeleteDC(dc_);
}

Offscreen::Offscreen(int width, int height)
    : bitmap_(win::CreateTopDownDib(width, height)), dc_(nullptr, bitmap_.Get()), width_(width), height_(height) {}

Offscreen& KeptSurface(std::unique_ptr<Offscreen>& kept, int width, int height) {
    if (!kept || kept->Width() != width || kept->Height() != height) {
        kept.reset();  // the old one goes first: never two window-sized bitmaps at once
        kept = std::make_unique<Offscreen>(width, height);
    }
    return *kept;
}

win::Font CreateMenuFont(bool bold) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) font = metrics.lfMenuFont;
    if (bold) font.lfWeight = FW_BOLD;
    return win::Font(CreateFontIndirectW(&font));
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    const win::Brush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.Get());
}

const TSkinElement* MenuItemElement(const SkinData* skin) {
    const TSkinElement* element = skin ? skin->Part(SkinPart::MenuItem) : nullptr;
    return element && !element->image.Empty() ? element : nullptr;
}

// ---- the item painter -------------------------------------------------------------------

void PaintSkinMenuItem(HDC target, const RECT& rect, const SkinData* skin, const MenuItemLook& look) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    const SkinColourSet colours = skin ? skin->colours : SkinColourSet{};
    const TSkinElement* element = MenuItemElement(skin);
    const bool separator = look.caption == L"-";

    const Offscreen item(width, height);
    if (!item) return;
    HDC dc = item.Get();
    const RECT all{0, 0, width, height};
    if (!element) {
        FillSolid(dc, all, Rgb(look.selected && !separator ? colours.hilight : colours.menu));
        if (separator) {
            RECT line{0, kEtchedLineTop, width, kEtchedLineTop + 2};
            DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        }
    } else {
        const TSkinnedPopupMenu* popup = look.menu ? TSkinnedPopupMenu::ForMenu(look.menu) : nullptr;
        if (!popup || !popup->CopyBackground(dc, rect)) FillSolid(dc, all, Rgb(colours.menu));
        const int frames = SafeFrameCount(element->frameCount);
        if (separator) PaintSeparatorImage(dc, width, height, *element);
        else DrawSkinElement(dc, all, *element, frames, look.selected ? std::min(4, frames) : 1);
    }
    if (!separator) PaintContent(dc, width, height, element ? element->leftWidth : 0, colours, look);
    BitBlt(target, rect.left, rect.top, width, height, dc, 0, 0, SRCCOPY);
}

SIZE MeasureSkinMenuItem(HDC reference, const SkinData* skin, const MenuItemLook& look) {
    const TSkinElement* element = MenuItemElement(skin);
    const int indent = element ? element->leftWidth : 0;
    if (look.caption == L"-") return {indent + 26, kSeparatorHeight};
    const win::Font font = CreateMenuFont(look.isDefault);
    const win::SavedDC saved(reference);
    SelectObject(reference, font.Get());
    RECT text{0, 0, 0, 0};
    DrawTextW(reference, look.caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    int textHeight = text.bottom - text.top;
    if (textHeight <= 0) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(reference, &metrics);
        textHeight = metrics.tmHeight;
    }
    return {text.right - text.left + 26 + indent, textHeight + 4};
}

// ---- TSkinnedPopupMenu ------------------------------------------------------------------

namespace {

// The live popup skins, for the items that copy their background.
std::vector<TSkinnedPopupMenu*>& PopupRegistry() {
    static std::vector<TSkinnedPopupMenu*> popups;
    return popups;
}

}  // namespace

struct TSkinnedPopupMenu::Impl final : win::SubclassHook {
    Impl(TSkinnedPopupMenu& o, const TSkinSource& s, bool whileTracking)
        : owner(o), source(s), openedWhileTracking(whileTracking) {}

    bool Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDetached(HWND hwnd) override;

    const TSkinElement* Element() const;
    void RememberMenu(HWND hwnd);
    bool EnsureBackground(HWND hwnd);
    void DrawBorder(HWND hwnd);
    LRESULT Print(HWND hwnd, WPARAM wParam, LPARAM lParam);

    TSkinnedPopupMenu& owner;
    const TSkinSource& source;
    bool openedWhileTracking;
    bool attached = false;
    HMENU menu = nullptr;
    win::Bitmap background;
    SIZE size{0, 0};
};

const TSkinElement* TSkinnedPopupMenu::Impl::Element() const {
    const SkinData* skin = source.Skin();
    const TSkinElement* element = skin ? skin->Part(SkinPart::MenuBackground) : nullptr;
    return element && !element->image.Empty() ? element : nullptr;
}

void TSkinnedPopupMenu::Impl::RememberMenu(HWND hwnd) {
    if (!menu) menu = reinterpret_cast<HMENU>(SendMessageW(hwnd, kGetMenuHandle, 0, 0));
}

bool TSkinnedPopupMenu::Impl::EnsureBackground(HWND hwnd) {
    const TSkinElement* element = Element();
    RECT wr;
    if (!element || !GetWindowRect(hwnd, &wr)) return false;
    const SIZE now{wr.right - wr.left, wr.bottom - wr.top};
    if (background && now.cx == size.cx && now.cy == size.cy) return true;
    // Made in place: a wrapper moved into another would be counted twice.
    background = win::CreateTopDownDib(now.cx, now.cy);
    size = {0, 0};
    if (!background) return false;
    {
        const BitmapDC dc(nullptr, background.Get());
        // One frame with its margins and tile flag; nothing of it is see-through here.
        const ImagePaint paint{&element->image, element->leftWidth, element->topHeight, element->rightWidth,
                               element->bottomHeight, element->tile == 1, false};
        DrawSkinImage(dc.Get(), {0, 0, now.cx, now.cy}, paint, 1, 1);
    }
    size = now;
    return true;
}

void TSkinnedPopupMenu::Impl::DrawBorder(HWND hwnd) {
    if (!background) return;
    const win::NonClientDC window(hwnd);
    if (!window.Get()) return;
    const BitmapDC dc(window.Get(), background.Get());
    const int w = size.cx, h = size.cy, b = kPopupBorder;
    BitBlt(window.Get(), 0, 0, w, b, dc.Get(), 0, 0, SRCCOPY);
    BitBlt(window.Get(), 0, h - b, w, b, dc.Get(), 0, h - b, SRCCOPY);
    BitBlt(window.Get(), 0, b, b, h - 2 * b, dc.Get(), 0, b, SRCCOPY);
    BitBlt(window.Get(), w - b, b, b, h - 2 * b, dc.Get(), w - b, b, SRCCOPY);
}

LRESULT TSkinnedPopupMenu::Impl::Print(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const auto dc = reinterpret_cast<HDC>(wParam);
    bool drawn = false;
    try {
        if (EnsureBackground(hwnd)) {
            const BitmapDC source(dc, background.Get());
            drawn = BitBlt(dc, 0, 0, size.cx, size.cy, source.Get(), 0, 0, SRCCOPY) != FALSE;
        }
    } catch (...) {
        // The menu prints as it would without the skin.
    }
    if (!drawn) return win::CallNext(hwnd, WM_PRINT, wParam, lParam);
    const win::SavedDC saved(dc);
    IntersectClipRect(dc, kPopupBorder, kPopupBorder, size.cx - kPopupBorder, size.cy - kPopupBorder);
    SetBkMode(dc, TRANSPARENT);
    return win::CallNext(hwnd, WM_PRINT, wParam, lParam);
}

bool TSkinnedPopupMenu::Impl::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == kSkinnedQueryMessage) {
        result = 1;
        return true;
    }
    const TSkinManager* manager = TSkinManager::Instance();
    if (!manager || !manager->Active()) return false;
    if (msg != WM_NCPAINT && msg != WM_PAINT && msg != WM_PRINT) return false;
    RememberMenu(hwnd);
    if (!Element()) return false;
    switch (msg) {
    case WM_NCPAINT:
        try {
            if (!EnsureBackground(hwnd)) return false;
            DrawBorder(hwnd);
        } catch (...) {
            // The frame keeps what it showed.
        }
        result = 0;
        return true;
    case WM_PAINT: {
        // The items copy their background from the frame's, so it is there before they draw.
        bool ready = false;
        try {
            ready = EnsureBackground(hwnd);
        } catch (...) {
        }
        result = win::CallNext(hwnd, msg, wParam, lParam);
        POINT client{0, 0};
        RECT wr;
        ClientToScreen(hwnd, &client);
        GetWindowRect(hwnd, &wr);
        // A menu that draws its own edge inside the client area gets the skin's over it.
        if (ready && client.x == wr.left && client.y == wr.top) {
            try {
                DrawBorder(hwnd);
            } catch (...) {
            }
        }
        return true;
    }
    default: result = Print(hwnd, wParam, lParam); return true;
    }
}

void TSkinnedPopupMenu::Impl::OnDetached(HWND hwnd) {
    attached = false;
    menu = nullptr;
    background.Reset();
    // The owner may free this object from the notification: nothing of it is used after.
    if (const std::function<void(HWND)> notify = owner.OnDestroyed) notify(hwnd);
}

TSkinnedPopupMenu::TSkinnedPopupMenu(HWND window, const TSkinSource& source, bool openedWhileTracking)
    : window_(window), impl_(std::make_unique<Impl>(*this, source, openedWhileTracking)) {
    PopupRegistry().push_back(this);
    impl_->attached = win::AttachSubclass(window, win::SubclassId::Skin, impl_.get());
}

TSkinnedPopupMenu::~TSkinnedPopupMenu() {
    auto& popups = PopupRegistry();
    popups.erase(std::remove(popups.begin(), popups.end(), this), popups.end());
    if (impl_->attached && IsWindow(window_)) win::DetachSubclass(window_, win::SubclassId::Skin);
}

TSkinnedPopupMenu* TSkinnedPopupMenu::ForMenu(HMENU menu) {
    if (!menu) return nullptr;
    for (TSkinnedPopupMenu* popup : PopupRegistry()) {
        if (!popup->impl_->attached) continue;
        popup->impl_->RememberMenu(popup->window_);
        if (popup->impl_->menu == menu) return popup;
    }
    return nullptr;
}

bool TSkinnedPopupMenu::CopyBackground(HDC target, const RECT& itemRect) const {
    if (!impl_->background || !IsWindow(window_)) return false;
    // Client coordinates of the item to the frame's: the border the window has.
    POINT client{0, 0};
    RECT wr;
    ClientToScreen(window_, &client);
    GetWindowRect(window_, &wr);
    const BitmapDC drawn(target, impl_->background.Get());
    return BitBlt(target, 0, 0, itemRect.right - itemRect.left, itemRect.bottom - itemRect.top, drawn.Get(),
                  itemRect.left + client.x - wr.left, itemRect.top + client.y - wr.top, SRCCOPY) != FALSE;
}

// ---- framework items --------------------------------------------------------------------

SkinMenuItemHandlers::SkinMenuItemHandlers(const TSkinSource& source, win::TPopupMenu& menu) {
    const TSkinSource* skin = &source;
    auto draw = [skin](win::TMenuItem* sender, win::TCanvas& canvas, const RECT& rect, UINT state) {
        try {
            PaintSkinMenuItem(canvas.Handle(), rect, skin->Skin(), LookOf(*sender, state));
        } catch (...) {
            // An item that cannot be drawn stays as it was; the menu goes on.
        }
    };
    auto measure = [skin](win::TMenuItem*, win::TCanvas&, int& width, int&) {
        const TSkinElement* element = MenuItemElement(skin->Skin());
        // The glyph column and its gaps; the program's menus carry no image lists.
        width += (element ? element->leftWidth : 0) + 12 + 23;
    };
    // Only items nobody draws yet: the painter that reached an item first keeps it.
    std::vector<win::TMenuItem*> pending(menu.Items()->Items().begin(), menu.Items()->Items().end());
    while (!pending.empty()) {
        win::TMenuItem* item = pending.back();
        pending.pop_back();
        if (!item->OnDrawItem) {
            item->OnDrawItem = draw;
            item->OnMeasureItem = measure;
            claimed_.emplace_back(item, item->Command());
        }
        pending.insert(pending.end(), item->Items().begin(), item->Items().end());
    }
    menu.SetOwnerDraw(true);
}

SkinMenuItemHandlers::~SkinMenuItemHandlers() {
    for (const auto& [item, command] : claimed_) {
        if (win::TMenuItem::FromCommand(command) != item) continue;
        item->OnDrawItem = nullptr;
        item->OnMeasureItem = nullptr;
    }
}

}  // namespace kelo::skin
