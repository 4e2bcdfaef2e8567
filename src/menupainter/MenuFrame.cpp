#include "menupainter/MenuFrame.h"

#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "framework/Application.h"
#include "framework/Graphics.h"
#include "framework/Subclass.h"
#include "menupainter/MenuPainter.h"
#include "menupainter/PaintTools.h"

namespace kelo::menupainter {

namespace {

// Windows XP draws the menu's shadow itself; everywhere else the frame brings its own.
bool SystemDrawsMenuShadow() {
    OSVERSIONINFOW version;
    if (!win::SystemVersion(version)) return false;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 5 &&
           version.dwMinorVersion == 1;
}

// The hook on a framed popup window. It keeps the background from being erased under
// the frame and, once the window hides, closes or goes, gives the window its plain
// frame back and lets the popup it covered repaint its shadow. It stays on the window
// until the window is destroyed, passing everything on while the window is not framed.
class TMenuFrameHook final : public win::SubclassHook {
public:
    bool framed = true;

    bool Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDetached(HWND hwnd) override;
};

std::unordered_map<HWND, std::unique_ptr<TMenuFrameHook>>& FramedWindows() {
    static std::unordered_map<HWND, std::unique_ptr<TMenuFrameHook>> windows;
    return windows;
}

bool IsFramed(HWND hwnd) {
    const auto found = FramedWindows().find(hwnd);
    return found != FramedWindows().end() && found->second->framed;
}

bool TMenuFrameHook::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!framed) return false;
    if (msg == WM_ERASEBKGND) {
        result = 1;
        return true;
    }
    if ((msg == WM_SHOWWINDOW && wParam == 0) || msg == WM_CLOSE || msg == WM_DESTROY) {
        framed = false;
        SetWindowRgn(hwnd, nullptr, FALSE);
        result = win::CallNext(hwnd, msg, wParam, lParam);
        RECT r{};
        GetWindowRect(hwnd, &r);
        HWND below = WindowFromPoint({r.right + 2, r.top + 2});
        if (!IsFramed(below)) below = WindowFromPoint({r.right + 2, r.bottom - 2});
        if (below && IsFramed(below)) InvalidateRect(below, nullptr, FALSE);
        return true;
    }
    return false;
}

void TMenuFrameHook::OnDetached(HWND hwnd) { FramedWindows().erase(hwnd); }

bool busy = false;

}  // namespace

void PaintMenuFrame(TMenuPainter& painter, HWND window, bool rightToLeft) {
    if (!window || busy || !IsWindow(window)) return;
    const win::NonClientDC dc(window);
    if (!dc.Get()) return;
    busy = true;
    struct Done {
        ~Done() { busy = false; }
    } done;

    RECT bounds{};
    GetWindowRect(window, &bounds);
    int w = bounds.right - bounds.left;
    int h = bounds.bottom - bounds.top;

    auto& windows = FramedWindows();
    auto found = windows.find(window);
    if (found == windows.end()) {
        auto hook = std::make_unique<TMenuFrameHook>();
        if (win::AttachSubclass(window, win::SubclassId::MenuPainter, hook.get())) windows.emplace(window, std::move(hook));
    } else {
        found->second->framed = true;
    }

    const bool xp = SystemDrawsMenuShadow();
    if (!xp) {
        // The two pixels on the right and at the bottom become the shadow, cut from the
        // window unless it already has that shape.
        const win::Region current(CreateRectRgn(0, 0, 0, 0));
        RECT box{};
        const bool hasRegion = GetWindowRgn(window, current.Get()) != ERROR;
        if (hasRegion) GetRgnBox(current.Get(), &box);
        if (!hasRegion || std::abs(box.right - w) > 5 || std::abs(box.bottom - h) > 5) {
            win::Region shape(CreateRectRgn(0, 0, w - 2, h - 2));
            const win::Region lower(CreateRectRgn(2, 2, w, h));
            CombineRgn(shape.Get(), shape.Get(), lower.Get(), RGN_OR);
            if (SetWindowRgn(window, shape.Get(), TRUE)) shape.Release();  // the window owns it now
        }
        w -= 2;
        h -= 2;
    }
    const MenuLook look = painter.Look(dc.Get());
    const WorkingColours& colours = look.colours;
    Frame(dc.Get(), {0, 0, w, h}, colours.frame);
    if (rightToLeft) {
        Lines(dc.Get(), colours.iconBand, {{w - 3, 2}, {w - 2, h - 1}});
    } else {
        Fill(dc.Get(), {1, 2, 3, h - 1}, colours.iconBand);
    }
    // The platform's raised edge above the first item takes the look of the rows below.
    StretchBlt(dc.Get(), 1, 1, w - 1, 2, dc.Get(), 1, 3, w - 1, 1, SRCCOPY);
    if (xp) {
        StretchBlt(dc.Get(), 1, h - 3, w - 1, 2, dc.Get(), 1, 3, w - 1, 1, SRCCOPY);
        Frame(dc.Get(), {w - 3, 1, w - 1, h - 1}, colours.menuBackground);
    }
    w += 2;
    h += 2;
    if (!xp) {
        Frame(dc.Get(), {2, h - 2, w, h}, colours.shadow);
        Frame(dc.Get(), {w - 2, 2, w, h}, colours.shadow);
    }
}

void RequestMenuFrame(HDC dc, HWND ownerForm, HMENU menu, UINT position, bool rightToLeft) {
    const HWND application = win::Application().Handle();
    MSG waiting{};
    if (PeekMessageW(&waiting, application, kBorderForItem, kBorderForWindow, PM_NOREMOVE)) return;
    if (const HWND window = WindowFromDC(dc)) {
        if (window != ownerForm) PostMessageW(application, kBorderForWindow, rightToLeft ? 1 : 0, reinterpret_cast<LPARAM>(window));
    } else {
        // Painted into a memory device context: the item's place on screen finds the window.
        PostMessageW(application, kBorderForItem, position, reinterpret_cast<LPARAM>(menu));
    }
}

bool ServeMenuFrameRequest(TMenuPainter& painter, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kBorderForWindow) {
        const HWND window = reinterpret_cast<HWND>(lParam);
        if (IsWindow(window)) PaintMenuFrame(painter, window, wParam != 0);
        return true;
    }
    if (msg != kBorderForItem) return false;
    const HMENU menu = reinterpret_cast<HMENU>(lParam);
    const UINT position = static_cast<UINT>(wParam);
    RECT item{};
    if (!IsMenu(menu) || !GetMenuItemRect(nullptr, menu, position, &item)) return true;
    const HWND window = WindowFromPoint({(item.left + item.right) / 2, (item.top + item.bottom) / 2});
    if (!window) return true;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    const bool rightToLeft = GetMenuItemInfoW(menu, position, TRUE, &info) && (info.fType & MFT_RIGHTORDER);
    PaintMenuFrame(painter, window, rightToLeft);
    return true;
}

}  // namespace kelo::menupainter
