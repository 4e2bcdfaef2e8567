#include "framework/Graphics.h"

#include <algorithm>
#include <map>

#include "core/Errors.h"
#include "core/FormDescription.h"
#include "framework/Component.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {

std::map<HWND, int>& ScreenDCs() {
    static std::map<HWND, int> taken;
    return taken;
}

}  // namespace

void CountScreenDC(HWND hwnd) { ++ScreenDCs()[hwnd]; }

int ScreenDCsTaken(HWND hwnd) {
    const auto found = ScreenDCs().find(hwnd);
    return found == ScreenDCs().end() ? 0 : found->second;
}

COLORREF ColorToRGB(TColor color) {
    if (IsSystemColor(color)) return GetSysColor(color & 0xFF);
    if (color == clNone || color == clDefault) return RGB(0, 0, 0);
    return static_cast<COLORREF>(color) & 0x00FFFFFF;
}

void TFont::Assign(const TFont& other) {
    name_ = other.name_;
    height_ = other.height_;
    charset_ = other.charset_;
    color_ = other.color_;
    style_ = other.style_;
    Changed();
}

void TFont::SetName(std::wstring name) {
    if (name == name_) return;
    name_ = std::move(name);
    Changed();
}
void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}
void TFont::SetCharset(int charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}
void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}
void TFont::SetStyle(unsigned style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::Changed() {
    handle_.Reset();
    if (OnChange) OnChange();
}

HFONT TFont::Handle() const {
    if (!handle_) {
        handle_.Reset(CreateFontW(height_, 0, 0, 0, (style_ & fsBold) ? FW_BOLD : FW_NORMAL,
                                  (style_ & fsItalic) != 0, (style_ & fsUnderline) != 0,
                                  (style_ & fsStrikeOut) != 0, static_cast<BYTE>(charset_),
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, name_.c_str()));
    }
    return handle_.Get();
}

namespace {
int CharsetFromName(const FormValue& v) {
    if (v.kind == FormValue::Kind::Integer) return static_cast<int>(v.integer);
    const std::string& n = ValueIdent(v);
    if (n == "GB2312_CHARSET") return GB2312_CHARSET;
    if (n == "DEFAULT_CHARSET") return DEFAULT_CHARSET;
    if (n == "ANSI_CHARSET") return ANSI_CHARSET;
    if (n == "SYMBOL_CHARSET") return SYMBOL_CHARSET;
    throw KeloError("form description: unknown charset " + n);
}

unsigned StyleFromSet(const FormValue& v) {
    if (v.kind != FormValue::Kind::Set) throw KeloError("form description: a set expected");
    unsigned style = 0;
    for (const std::string& s : v.items) {
        if (s == "fsBold") style |= fsBold;
        else if (s == "fsItalic") style |= fsItalic;
        else if (s == "fsUnderline") style |= fsUnderline;
        else if (s == "fsStrikeOut") style |= fsStrikeOut;
        else throw KeloError("form description: unknown font style " + s);
    }
    return style;
}
}  // namespace

bool TFont::ReadProperty(const std::string& sub, const FormValue& value) {
    if (sub == "Name") SetName(Widen(ValueText(value)));
    else if (sub == "Height") SetHeight(ValueInt(value));
    else if (sub == "Charset") SetCharset(CharsetFromName(value));
    else if (sub == "Color") SetColor(ValueColor(value));
    else if (sub == "Style") SetStyle(StyleFromSet(value));
    else return false;
    return true;
}

DibSurface::DibSurface(HDC reference, int width, int height)
    : bitmap_(CreateTopDownDib(std::max(width, 1), std::max(height, 1))),
      dc_(CreateCompatibleDC(reference)),
      width_(width),
      height_(height) {
    old_ = SelectObject(dc_, bitmap_.Get());
}

DibSurface::~DibSurface() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
}

void DibSurface::BlitTo(HDC target, int x, int y) const { BitBlt(target, x, y, width_, height_, dc_, 0, 0, SRCCOPY); }

MemoryDC::MemoryDC(HDC reference, int width, int height)
    : dc_(CreateCompatibleDC(reference)),
      bitmap_(CreateCompatibleBitmap(reference, width, height)),
      width_(width),
      height_(height) {
    old_ = SelectObject(dc_, bitmap_.Get());
}

MemoryDC::~MemoryDC() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
}

void MemoryDC::BlitTo(HDC target, int x, int y) const {
    BitBlt(target, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
}

TCanvas::TCanvas(HDC dc) : dc_(dc), saved_(dc) {
    font_.OnChange = [this] { SelectFont(); };
    SelectFont();
    SetBkMode(dc_, TRANSPARENT);
}

TCanvas::~TCanvas() = default;

void TCanvas::SelectFont() {
    SelectObject(dc_, font_.Handle());
    SetTextColor(dc_, ColorToRGB(font_.Color()));
}

void TCanvas::FillRect(const RECT& r) {
    Brush brush(CreateSolidBrush(ColorToRGB(brushColor_)));
    ::FillRect(dc_, &r, brush.Get());
}

void TCanvas::FrameRect(const RECT& r) {
    Brush brush(CreateSolidBrush(ColorToRGB(penColor_)));
    ::FrameRect(dc_, &r, brush.Get());
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
    Pen pen(CreatePen(PS_SOLID, 1, ColorToRGB(penColor_)));
    HGDIOBJ old = SelectObject(dc_, pen.Get());
    ::LineTo(dc_, x, y);
    SelectObject(dc_, old);
}

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
    SelectFont();
    ::TextOutW(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
}

SIZE TCanvas::TextExtent(const std::wstring& text) {
    SelectFont();
    SIZE size{};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

int TCanvas::DrawText(const std::wstring& text, RECT& r, UINT format) {
    SelectFont();
    return ::DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, format);
}

BITMAPINFO TopDownDibInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

Bitmap CreateTopDownDib(int width, int height, void** bits) {
    if (width <= 0 || height <= 0) return Bitmap();
    const BITMAPINFO info = TopDownDibInfo(width, height);
    void* ignored = nullptr;
    return Bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits ? bits : &ignored, nullptr, 0));
}

}  // namespace kelo::win
