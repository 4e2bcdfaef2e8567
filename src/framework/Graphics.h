#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "core/Colors.h"
#include "core/FormDescription.h"
#include "framework/Handle.h"

namespace kelo::win {


// A colour code as an RGB value: system colours through the current system colours.
COLORREF ColorToRGB(TColor color);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font description; the handle is made on demand and remade after a change.
class TFont {
public:
    TFont() = default;
    TFont(const TFont& other) { Assign(other); }
    TFont& operator=(const TFont& other) {
        Assign(other);
        return *this;
    }

    void Assign(const TFont& other);
    const std::wstring& Name() const { return name_; }
    int Height() const { return height_; }
    int Charset() const { return charset_; }
    TColor Color() const { return color_; }
    unsigned Style() const { return style_; }

    void SetName(std::wstring name);
    void SetHeight(int height);
    // Size in points at 96 dots per inch: height = -size * 96 / 72.
    void SetSize(int points) { SetHeight(-MulDiv(points, 96, 72)); }
    void SetCharset(int charset);
    void SetColor(TColor color);
    void SetStyle(unsigned style);

    HFONT Handle() const;
    // Told after every change (a control repaints, a label resizes).
    std::function<void()> OnChange;

    // Reads Font.Name, Font.Height, Font.Charset, Font.Color, Font.Style.
    bool ReadProperty(const std::string& sub, const kelo::FormValue& value);

private:
    void Changed();
    std::wstring name_ = L"宋体";
    int height_ = -12;
    int charset_ = GB2312_CHARSET;
    TColor color_ = clWindowText;
    unsigned style_ = 0;
    mutable Font handle_;
};

// The header of a 32-bit top-down DIB: every bitmap the painters compose or read pixels
// from has its top row first.
BITMAPINFO TopDownDibInfo(int width, int height);
// A 32-bit top-down DIB section; `bits` receives its pixels when asked for.
Bitmap CreateTopDownDib(int width, int height, void** bits = nullptr);

// Restores a DC's selections and modes when it goes out of scope.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDC() { RestoreDC(dc_, saved_); }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};

// How often the DC guards below were taken on a window: each is one drawing put on its
// screen, so the count shows how many times the layers on a control painted it.
int ScreenDCsTaken(HWND hwnd);
void CountScreenDC(HWND hwnd);

// BeginPaint/EndPaint as a guard.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd) {
        dc_ = BeginPaint(hwnd, &ps_);
        CountScreenDC(hwnd);
    }
    ~PaintDC() { EndPaint(hwnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const { return dc_; }
    const RECT& Dirty() const { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// GetDC/ReleaseDC as a guard.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) { CountScreenDC(hwnd); }
    ~WindowDC() { ReleaseDC(hwnd_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// GetWindowDC/ReleaseDC: the whole window, frame included.
class NonClientDC {
public:
    explicit NonClientDC(HWND window) : window_(window), dc_(GetWindowDC(window)) { CountScreenDC(window); }
    ~NonClientDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    NonClientDC(const NonClientDC&) = delete;
    NonClientDC& operator=(const NonClientDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A 32-bit top-down DIB selected into a memory DC: compose off screen where pixels are
// read back or keyed, then one transfer.
class DibSurface {
public:
    DibSurface(HDC reference, int width, int height);
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;
    HDC Get() const { return dc_; }
    void BlitTo(HDC target, int x, int y) const;

private:
    Bitmap bitmap_;
    HDC dc_;
    HGDIOBJ old_;
    int width_, height_;
};

// A memory DC with a compatible bitmap selected: compose off screen, then one blit.
class MemoryDC {
public:
    MemoryDC(HDC reference, int width, int height);
    ~MemoryDC();
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc_; }
    void BlitTo(HDC target, int x, int y) const;

private:
    HDC dc_;
    Bitmap bitmap_;
    HGDIOBJ old_;
    int width_, height_;
};

class UniqueIcon {
public:
    UniqueIcon() = default;
    explicit UniqueIcon(HICON h) : h_(h) {}
    UniqueIcon(UniqueIcon&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueIcon& operator=(UniqueIcon&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    ~UniqueIcon() { Reset(); }
    HICON Get() const { return h_; }
    void Reset(HICON h = nullptr) {
        if (h_) DestroyIcon(h_);
        h_ = h;
    }

private:
    HICON h_ = nullptr;
};

// Drawing on a device context with a font, a brush colour and a pen colour, as the
// owner-draw events and painters receive it.
class TCanvas {
public:
    explicit TCanvas(HDC dc);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return dc_; }
    TFont& Font() { return font_; }
    TColor BrushColor() const { return brushColor_; }
    void SetBrushColor(TColor c) { brushColor_ = c; }
    TColor PenColor() const { return penColor_; }
    void SetPenColor(TColor c) { penColor_ = c; }

    void FillRect(const RECT& r);
    void FrameRect(const RECT& r);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void TextOut(int x, int y, const std::wstring& text);  // transparent background
    SIZE TextExtent(const std::wstring& text);
    int DrawText(const std::wstring& text, RECT& r, UINT format);

private:
    void SelectFont();
    HDC dc_;
    SavedDC saved_;
    TFont font_;
    TColor brushColor_ = clWhite;
    TColor penColor_ = clBlack;
};

}  // namespace kelo::win
