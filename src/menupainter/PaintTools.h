#pragma once
// The small GDI steps the menu, frame and control painters share: colours resolved through
// the current scheme, solid fills and outlines, pen lines and outlined shapes. Every
// object made here goes before the step returns.
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <span>

#include "framework/Graphics.h"
#include "framework/Handle.h"
#include "menupainter/MenuPainterLook.h"

namespace kelo::menupainter {

inline uint32_t SystemColour(int index) { return GetSysColor(index); }
inline const SystemColours kSystem = SystemColour;

inline COLORREF Rgb(TColor colour) { return win::ColorToRGB(colour); }

inline void Fill(HDC dc, const RECT& r, TColor colour) {
    SetDCBrushColor(dc, Rgb(colour));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A one-pixel outline just inside `r`.
inline void Frame(HDC dc, const RECT& r, TColor colour) {
    const win::Brush brush(CreateSolidBrush(Rgb(colour)));
    FrameRect(dc, &r, brush.Get());
}

// Connected lines in `colour`; the last point is not drawn.
inline void Lines(HDC dc, TColor colour, std::span<const POINT> points) {
    const win::Pen pen(CreatePen(PS_SOLID, 1, Rgb(colour)));
    const win::SavedDC saved(dc);
    SelectObject(dc, pen.Get());
    Polyline(dc, points.data(), static_cast<int>(points.size()));
}
inline void Lines(HDC dc, TColor colour, std::initializer_list<POINT> points) {
    Lines(dc, colour, std::span<const POINT>(points.begin(), points.size()));
}

// A Rectangle, RoundRect or Ellipse call outlined in `pen` and filled with `brush`.
template <class Shape>
void Outlined(HDC dc, TColor pen, TColor brush, Shape shape) {
    const win::Pen p(CreatePen(PS_SOLID, 1, Rgb(pen)));
    const win::Brush b(CreateSolidBrush(Rgb(brush)));
    const win::SavedDC saved(dc);
    SelectObject(dc, p.Get());
    SelectObject(dc, b.Get());
    shape();
}

}  // namespace kelo::menupainter
