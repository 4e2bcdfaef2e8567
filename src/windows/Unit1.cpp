#include "windows/Unit1.h"

namespace kelo::app {

namespace {

constexpr UINT kBackToCorner = WM_APP + 0x41;

}  // namespace

TForm1::TForm1(win::TComponent* owner) : win::TForm(owner) { LoadFromResource(L"UNIT1"); }

void TForm1::PlaceNearCorner() {
    HandleNeeded();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT r;
    GetWindowRect(Handle(), &r);
    placedSize_ = {r.right - r.left, r.bottom - r.top};
    SetBounds(screenWidth - placedSize_.cx - 15, screenHeight - placedSize_.cy - 35, placedSize_.cx, placedSize_.cy);
}

LRESULT TForm1::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Moving it stays the user's choice; only a new size brings it back to the corner,
    // once the resizing that is under way has ended.
    if (msg == kBackToCorner) {
        RECT r;
        GetWindowRect(Handle(), &r);
        const bool resized = r.right - r.left != placedSize_.cx || r.bottom - r.top != placedSize_.cy;
        if (resized && !IsIconic(Handle())) PlaceNearCorner();
        return 0;
    }
    const LRESULT result = win::TForm::WndProc(msg, wParam, lParam);
    // A new frame around the same client area changes the window's size only: no WM_SIZE.
    if (msg == WM_WINDOWPOSCHANGED && placedSize_.cx >= 0) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!(pos->flags & SWP_NOSIZE) && (pos->cx != placedSize_.cx || pos->cy != placedSize_.cy))
            PostMessageW(Handle(), kBackToCorner, 0, 0);
    }
    return result;
}

}  // namespace kelo::app
