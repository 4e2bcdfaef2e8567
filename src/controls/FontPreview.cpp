#include "controls/PickerCombos.h"

#include "framework/StdCtrls.h"

namespace kelo::controls {

using namespace kelo::win;

namespace {
// Posted on drop-down: the preview is placed once the list is open and has its size.
constexpr UINT kShowPreviewMessage = WM_APP + 0x4C1;
}  // namespace

// ---------------------------------------------------------------------------------
// The panel

TFontPreviewPanel::TFontPreviewPanel(TComponent* owner, TFontComboBox& picker)
    : TWinControl(owner), picker_(picker) {
    SetVisible(false);
    SetColor(clWindow);
    SetBounds(0, 0, 260, 65);
    SetCaption(kDefaultPreviewText);
    Font().SetSize(36);
}

void TFontPreviewPanel::SetLeftAligned(bool left) {
    leftAligned_ = left;
    Invalidate();
}

void TFontPreviewPanel::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    // A popup beside the open list, which is itself a topmost popup; the screen
    // behind it is kept while it shows.
    p.style = WS_POPUP;
    p.exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    p.classStyle = CS_SAVEBITS;
    HWND picker = picker_.Handle();
    p.parent = picker ? GetAncestor(picker, GA_ROOT) : nullptr;
}

void TFontPreviewPanel::VisibleChanged() {
    // Shown without taking the focus from the picker, whose list stays open.
    if (HandleAllocated()) ShowWindow(Handle(), Visible() ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void TFontPreviewPanel::ShowAt(int x, int y) {
    HandleNeeded();
    SetBounds(x, y, picker_.PreviewWidth(), picker_.PreviewHeight());
    SetWindowPos(Handle(), HWND_TOPMOST, x, y, Width(), Height(), SWP_NOACTIVATE);
    SetVisible(true);
    Invalidate();
}

void TFontPreviewPanel::HidePanel() { SetVisible(false); }

void TFontPreviewPanel::PaintWindow(HDC dc) {
    TWinControl::PaintWindow(dc);
    RECT r = ClientRect();
    TCanvas canvas(dc);
    canvas.Font().Assign(Font());
    RECT text = r;
    InflateRect(&text, -4, 0);
    canvas.DrawText(Caption(), text,
                    (leftAligned_ ? DT_LEFT : DT_CENTER) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    canvas.SetPenColor(clWindowFrame);
    canvas.FrameRect(r);
}

LRESULT TFontPreviewPanel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
        // A click on the preview puts it away.
        if (picker_.HandleAllocated())
            PostMessageW(picker_.Handle(), TFontComboBox::kHidePreviewMessage, 0, 0);
        return 0;
    default: return TWinControl::WndProc(msg, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------------
// The picker's side: text and place when the list opens, hiding

void TFontComboBox::DropDown() {
    if (showStyle_ == TFontShowStyle::ssFontPreview) {
        PreviewEditText edit;
        if (previewEdit_ && previewEdit_->HandleAllocated()) {
            DWORD start = 0, end = 0;
            SendMessageW(previewEdit_->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                         reinterpret_cast<LPARAM>(&end));
            edit.text = previewEdit_->Text();
            if (end > start && end <= edit.text.size()) edit.selected = edit.text.substr(start, end - start);
        } else if (previewEdit_) {
            edit.text = previewEdit_->Text();
        }
        HDC dc = GetDC(nullptr);
        auto width = [&](const std::wstring& t) {
            SavedDC saved(dc);
            SelectObject(dc, preview_->Font().Handle());
            SIZE size{};
            GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size);
            return static_cast<int>(size.cx);
        };
        preview_->SetCaption(PreviewTextFor(previewText_, previewEdit_ ? &edit : nullptr, width, previewWidth_));
        ReleaseDC(nullptr, dc);
        preview_->SetLeftAligned(previewEdit_ != nullptr);
        PostMessageW(Handle(), kShowPreviewMessage, 0, 0);
    }
    TFramedComboBox::DropDown();
}

void TFontComboBox::ShowPreview() {
    if (!DroppedDown()) return;
    RECT combo, list;
    GetWindowRect(Handle(), &combo);
    Perform(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
    const int dropped = list.right - list.left;
    HMONITOR monitor = MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    const int right = combo.left + dropped - 1;
    const RECT beside{right, combo.top, right + previewWidth_, combo.top + previewHeight_};
    const bool otherMonitor = MonitorFromRect(&beside, MONITOR_DEFAULTTONULL) != monitor;
    const int x = PreviewLeft(combo.left, dropped, previewWidth_, info.rcWork.right, otherMonitor);
    preview_->ShowAt(x, combo.top);
}

void TFontComboBox::HidePreview() { preview_->HidePanel(); }

LRESULT TFontComboBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kShowPreviewMessage: ShowPreview(); return 0;
    case kHidePreviewMessage: HidePreview(); return 0;
    case WM_CANCELMODE:
    case WM_KILLFOCUS:
        HidePreview();
        return TFramedComboBox::WndProc(msg, wParam, lParam);
    default: return TFramedComboBox::WndProc(msg, wParam, lParam);
    }
}

}  // namespace kelo::controls
