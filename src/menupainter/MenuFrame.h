#pragma once
// Flat-menu mode: the popup window's 3D frame becomes a one-pixel frame with a two-pixel
// shadow. Items ask for the frame by posting a request to the application window (the
// menu's window is not known while the platform paints items into a memory device
// context); the painter manager serves the requests.
#include <windows.h>

namespace kelo::menupainter {

class TMenuPainter;

// The private requests: paint the frame of the popup window that shows an item, and of a
// given popup window.
inline constexpr UINT kBorderForItem = 48307;    // wParam: item position, lParam: HMENU
inline constexpr UINT kBorderForWindow = 48308;  // wParam: right-to-left, lParam: HWND

// After an item of a popup menu was painted on `dc`: posts one request for its menu's
// frame, unless one is already waiting. `ownerForm` is the painter's form window.
void RequestMenuFrame(HDC dc, HWND ownerForm, HMENU menu, UINT position, bool rightToLeft);

// Serves a request; false for any other message.
bool ServeMenuFrameRequest(TMenuPainter& painter, UINT msg, WPARAM wParam, LPARAM lParam);

// Frames the popup window and keeps its frame until it hides, closes or goes.
void PaintMenuFrame(TMenuPainter& painter, HWND window, bool rightToLeft);

}  // namespace kelo::menupainter
