#include "skin/controls/SkinControl.h"

#include "framework/Control.h"
#include "framework/Graphics.h"
#include "skin/data/SkinData.h"
#include "skin/SkinSource.h"

namespace kelo::skin {

TSkinControl::TSkinControl(TSkinControlOwner& owner, TSkinSource& source) : owner_(owner), source_(source) {}

TSkinControl::~TSkinControl() {
    if (owner_.HotControl() == this) owner_.SetHotControl(nullptr);
    Detach();
}

void TSkinControl::Hook(HWND hwnd) {
    hwnd_ = hwnd;
    enabled_ = IsWindowEnabled(hwnd) != FALSE;
    focused_ = GetFocus() == hwnd;
    text_ = win::WindowText(hwnd);
    attached_ = win::AttachSubclass(hwnd, win::SubclassId::Skin, this);
    if (!attached_) return;
    MarkDrawsWhole(DrawsWhole());
    OnAttached(hwnd);
}

void TSkinControl::MarkDrawsWhole(bool on) const {
    win::MarkDrawnWhole(hwnd_, on);
}

void TSkinControl::AttachControl(win::TControl& control, bool keepColour) {
    auto* windowed = dynamic_cast<win::TWinControl*>(&control);
    if (attached_ || !windowed || !windowed->HandleAllocated()) return;
    control_ = &control;
    // Only a control in the face colour takes the skin's face: one the program gave a
    // colour of its own (the information strip's black behind green text) keeps it.
    keepColour_ = keepColour && control.Color() == clBtnFace;
    if (keepColour_) {
        savedColour_ = control.Color();
        if (const SkinData* skin = Skin()) control.SetColor(skin->colours.buttonFace);
    }
    Hook(windowed->Handle());
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void TSkinControl::AttachWindow(HWND hwnd) {
    if (attached_ || !IsWindow(hwnd)) return;
    Hook(hwnd);
}

void TSkinControl::Detach() {
    if (!attached_) return;
    if (IsWindow(hwnd_)) OnDetaching();
    attached_ = false;
    if (owner_.HotControl() == this) owner_.SetHotControl(nullptr);
    if (IsWindow(hwnd_)) {
        win::DetachSubclass(hwnd_, win::SubclassId::Skin);
        MarkDrawsWhole(false);
        if (keepColour_ && control_ && !owner_.Destroying()) control_->SetColor(savedColour_);
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

void TSkinControl::OnDetached(HWND) {
    // The window's last message has passed: nothing of it is touched any more.
    attached_ = false;
    if (owner_.HotControl() == this) owner_.SetHotControl(nullptr);
    MarkDrawsWhole(false);
    hwnd_ = nullptr;
    control_ = nullptr;
    owner_.ControlGone(*this);  // frees this control skin
}

void TSkinControl::Refresh() {
    if (!attached_) return;
    if (keepColour_ && control_)
        if (const SkinData* skin = Skin()) control_->SetColor(skin->colours.buttonFace);
    MarkDrawsWhole(DrawsWhole());
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

bool TSkinControl::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The message may take the control and this skin away (a click that closes its dialog).
    const std::weak_ptr<char> alive = life_;
    ++depth_;
    if (BeforeMessage(msg, wParam, lParam, result)) {
        result = win::CallNext(hwnd, msg, wParam, lParam);
        if (!alive.expired() && attached_ && IsWindow(hwnd)) AfterMessage(msg, wParam, lParam);
    }
    if (alive.expired()) return true;
    if (--depth_ == 0 && repaintDue_) {
        repaintDue_ = false;
        if (attached_ && IsWindow(hwnd)) Repaint();
    }
    return true;
}

bool TSkinControl::BeforeMessage(UINT, WPARAM, LPARAM, LRESULT&) { return true; }

void TSkinControl::AfterMessage(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            focused_ = msg == WM_SETFOCUS;
            Repaint();
            break;
        case WM_ENABLE:
            enabled_ = wParam != 0;
            if (!enabled_) state_ = 0;
            Repaint();
            break;
        case WM_SETTEXT:
            text_ = win::WindowText(hwnd_);
            Repaint();
            break;
        case WM_PAINT:
            Paint();
            break;
        case WM_MOUSEMOVE:
            if (!tracking_) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
                tracking_ = TrackMouseEvent(&track) != FALSE;
                if (enabled_) MouseEnter();
            }
            break;
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (enabled_) MouseLeave();
            break;
        default:
            break;
    }
}

void TSkinControl::MouseEnter() {
    if (Hot()) return;
    TSkinControl* previous = owner_.HotControl();
    owner_.SetHotControl(this);
    if (previous && previous != this) previous->Leave();
    state_ |= kHot;
    Repaint();
}

void TSkinControl::MouseLeave() {
    if (owner_.HotControl() == this) owner_.SetHotControl(nullptr);
    if (!Hot()) return;
    state_ &= ~kHot;
    Repaint();
}

void TSkinControl::Paint(HDC dc) {
    if (!attached_ || !hwnd_) return;
    try {
        RECT bounds{};
        GetWindowRect(hwnd_, &bounds);
        const RECT rect{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
        if (dc) {
            Draw(dc, rect);
        } else {
            const win::NonClientDC window(hwnd_);
            if (window.Get()) Draw(window.Get(), rect);
        }
    } catch (...) {
        // A control the skin cannot draw keeps what the control drew itself.
    }
}

void TSkinControl::PaintWhole(WPARAM wParam) {
    if (wParam) {
        Paint(reinterpret_cast<HDC>(wParam));
        return;
    }
    const win::PaintDC paint(hwnd_);
    Paint(paint.Get());
}

bool TSkinControl::TakeWholePaint(UINT msg, WPARAM wParam, LRESULT& result) {
    if (msg == WM_ERASEBKGND) {
        result = 1;  // every pixel is the skin's
        return true;
    }
    if (msg != WM_PAINT) return false;
    PaintWhole(wParam);
    result = 0;
    return true;
}

void TSkinControl::Repaint() {
    if (!hwnd_ || !GetParent(hwnd_)) return;
    if (depth_ > 0) {
        repaintDue_ = true;
        return;
    }
    RepaintNow();
}

void TSkinControl::RepaintNow() {
    repaintDue_ = false;
    if (!hwnd_ || !GetParent(hwnd_)) return;
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
}

LRESULT TSkinControl::Beneath(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return win::CallNext(hwnd_, msg, wParam, lParam);
}

const SkinData* TSkinControl::Skin() const { return source_.Skin(); }

COLORREF TSkinControl::SkinColour(TColor colour) const { return win::ColorToRGB(colour); }

void TSkinControl::FillFace(HDC dc, const RECT& rect) const {
    const SkinData* skin = Skin();
    SetDCBrushColor(dc, SkinColour(skin ? skin->colours.buttonFace : clBtnFace));
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

}  // namespace kelo::skin
