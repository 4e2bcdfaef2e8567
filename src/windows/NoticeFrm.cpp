#include "windows/NoticeFrm.h"

#include <algorithm>
#include <string>
#include <vector>

#include "windows/KeloStringRes.h"
#include "core/Errors.h"
#include "framework/Graphics.h"
#include "framework/WebBrowser.h"
#include "framework/WinText.h"

namespace kelo::app {

namespace {

constexpr UINT kBackToCorner = WM_APP + 0x41;
// The own notice's distance from the client area's top and left edges.
constexpr int kNoticeMargin = 14;

bool HasAllGlyphs(HDC dc, const win::TFont& font, const std::wstring& text) {
    const win::SavedDC saved(dc);
    SelectObject(dc, font.Handle());
    std::vector<WORD> glyphs(text.size());
    if (GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return false;
    return std::find(glyphs.begin(), glyphs.end(), WORD{0xFFFF}) == glyphs.end();
}

}  // namespace

TForm1::TForm1(win::TComponent* owner) : win::TForm(owner) {
    LoadFromResource(L"NOTICEFRM");
    browser_ = Find<win::TWebBrowser>("WebBrowser1");
    if (!browser_) throw KeloError("notice window: no WebBrowser1");
    browser_->OnNoPage = [this](win::TComponent*) { Invalidate(); };
    // Esc closes it, as it closes a dialog.
    SetDialogKeys(true);
    // The page loads in the background while the window is still hidden.
    HandleNeeded();
    browser_->Navigate(res::kNewsPage);
}

bool TForm1::ShowsOwnNotice() const { return !browser_->PageShown(); }

std::wstring TForm1::DrawnText() const {
    std::wstring text;
    if (ShowsOwnNotice())
        for (const std::string& line : NoticeLines(figures_)) text += win::Widen(line) + L"\n";
    return text;
}

void TForm1::SetFigures(const NoticeFigures& figures) {
    figures_ = figures;
    if (ShowsOwnNotice() && HandleAllocated() && IsWindowVisible(Handle())) Invalidate();
}

void TForm1::PaintWindow(HDC dc) {
    win::TForm::PaintWindow(dc);
    if (!ShowsOwnNotice()) return;
    std::vector<std::wstring> lines;
    std::wstring all;
    for (const std::string& line : NoticeLines(figures_)) {
        lines.push_back(win::Widen(line));
        all += lines.back();
    }
    win::TCanvas canvas(dc);
    canvas.Font() = Font();
    // The window's font may have no Chinese characters (a Western face where the system
    // links no other font to it): the program's own face of the same size shows them.
    if (!HasAllGlyphs(dc, canvas.Font(), all)) {
        canvas.Font().SetName(res::kUiFontName);
        canvas.Font().SetCharset(GB2312_CHARSET);
    }
    const int lineHeight = canvas.TextExtent(L"Ag").cy + 8;
    int y = kNoticeMargin;
    for (const std::wstring& line : lines) {
        canvas.TextOut(kNoticeMargin, y, line);
        y += lineHeight;
    }
}

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
    if (msg == WM_COMMAND && wParam == IDCANCEL) {
        Close();
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
