#include "framework/ExtCtrls.h"

#include <algorithm>

#include "core/Errors.h"
#include "framework/WinText.h"

namespace kelo::win {

// ---------------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    parentColor_ = true;
    SetBounds(0, 0, 65, 13);
}

void TLabel::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Invalidate();
}

void TLabel::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustSize();
}

void TLabel::AdjustSize() {
    if (!autoSize_ || Loading()) return;
    HDC dc = GetDC(nullptr);
    SIZE size{0, 0};
    {
        SavedDC saved(dc);
        SelectObject(dc, Font().Handle());
        RECT r{0, 0, 0, 0};
        const std::wstring text = Caption().empty() ? L" " : Caption();
        DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        size = {Caption().empty() ? 0 : r.right, r.bottom};
    }
    ReleaseDC(nullptr, dc);
    // Grows or shrinks to the right: the left edge stays.
    SetBounds(Left(), Top(), size.cx, size.cy);
}

void TLabel::CaptionChanged() {
    AdjustSize();
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustSize();
    Invalidate();
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustSize();
}

void TLabel::Paint(TCanvas& canvas) {
    RECT r{0, 0, Width(), Height()};
    if (!transparent_) {
        canvas.SetBrushColor(Color());
        canvas.FillRect(r);
    }
    canvas.Font() = Font();
    if (!EnabledInParents()) canvas.Font().SetColor(clGrayText);
    canvas.DrawText(Caption(), r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

bool TLabel::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Transparent") SetTransparent(ValueBool(value));
    else if (name == "AutoSize") autoSize_ = ValueBool(value);
    else return TGraphicControl::ReadProperty(name, value);
    return true;
}

// ---------------------------------------------------------------------------------
// TPanel

TPanel::TPanel(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    // Tab moves into the panel's controls.
    p.exStyle |= WS_EX_CONTROLPARENT;
    // Its bevels run along its edges: a new size paints it whole, not only what it gained.
    p.classStyle |= CS_HREDRAW | CS_VREDRAW;
}

void TPanel::SetBevelOuter(TBevelCut cut) {
    bevelOuter_ = cut;
    AlignControls();
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut cut) {
    bevelInner_ = cut;
    AlignControls();
    Invalidate();
}

void TPanel::SetBevelWidth(int width) {
    bevelWidth_ = std::max(1, width);
    AlignControls();
    Invalidate();
}

int TPanel::BorderWidth() const {
    return (bevelOuter_ != TBevelCut::bvNone ? bevelWidth_ : 0) +
           (bevelInner_ != TBevelCut::bvNone ? bevelWidth_ : 0);
}

void TPanel::AdjustClientRect(RECT& r) const { InflateRect(&r, -BorderWidth(), -BorderWidth()); }

namespace {

// One bevel of the given width: light on the top and left for a raised cut.
void DrawBevel(HDC dc, RECT& r, TBevelCut cut, int width) {
    if (cut == TBevelCut::bvNone) return;
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF topLeft = cut == TBevelCut::bvRaised ? light : dark;
    const COLORREF bottomRight = cut == TBevelCut::bvRaised ? dark : light;
    for (int i = 0; i < width; ++i) {
        Brush tl(CreateSolidBrush(topLeft)), br(CreateSolidBrush(bottomRight));
        RECT top{r.left, r.top, r.right, r.top + 1}, left{r.left, r.top, r.left + 1, r.bottom};
        RECT bottom{r.left, r.bottom - 1, r.right, r.bottom};
        RECT right{r.right - 1, r.top, r.right, r.bottom};
        FillRect(dc, &top, tl.Get());
        FillRect(dc, &left, tl.Get());
        FillRect(dc, &bottom, br.Get());
        FillRect(dc, &right, br.Get());
        InflateRect(&r, -1, -1);
    }
}

}  // namespace

void TPanel::PaintWindow(HDC dc) {
    TWinControl::PaintWindow(dc);
    RECT r = ClientRect();
    DrawBevel(dc, r, bevelOuter_, bevelWidth_);
    DrawBevel(dc, r, bevelInner_, bevelWidth_);
    if (!Caption().empty()) {
        SavedDC saved(dc);
        SelectObject(dc, Font().Handle());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorToRGB(Font().Color()));
        DrawTextW(dc, Caption().c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

TBevelCut BevelFromName(const std::string& name) {
    if (name == "bvNone") return TBevelCut::bvNone;
    if (name == "bvLowered") return TBevelCut::bvLowered;
    if (name == "bvRaised") return TBevelCut::bvRaised;
    throw KeloError("form description: unknown bevel " + name);
}

bool TPanel::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "BevelOuter") bevelOuter_ = BevelFromName(ValueIdent(value));
    else if (name == "BevelInner") bevelInner_ = BevelFromName(ValueIdent(value));
    else if (name == "BevelWidth") bevelWidth_ = std::max(1, ValueInt(value));
    else return TWinControl::ReadProperty(name, value);
    return true;
}

// ---------------------------------------------------------------------------------
// TSplitter

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
    SetAlign(TAlign::alLeft);
    SetBounds(0, 0, 3, 100);
}

bool TSplitter::Vertical() const {
    return Align() == TAlign::alLeft || Align() == TAlign::alRight;
}

TControl* TSplitter::Neighbour() const {
    if (!Parent()) return nullptr;
    TControl* best = nullptr;
    for (TControl* c : Parent()->Controls()) {
        if (c == this || c->Align() != Align() || !c->Visible()) continue;
        const bool touches = Align() == TAlign::alLeft     ? c->Left() + c->Width() == Left()
                             : Align() == TAlign::alRight  ? c->Left() == Left() + Width()
                             : Align() == TAlign::alTop    ? c->Top() + c->Height() == Top()
                                                           : c->Top() == Top() + Height();
        if (touches) best = c;
    }
    return best;
}

void TSplitter::Paint(TCanvas& canvas) {
    canvas.SetBrushColor(Color());
    canvas.FillRect(RECT{0, 0, Width(), Height()});
}

void TSplitter::MouseDown(TMouseButton button, int x, int y) {
    TGraphicControl::MouseDown(button, x, y);
    TControl* neighbour = Neighbour();
    if (button != TMouseButton::mbLeft || !neighbour) return;
    dragging_ = true;
    start_ = ClientToScreen({x, y});
    startSize_ = Vertical() ? neighbour->Width() : neighbour->Height();
    Parent()->CaptureMouse(this);
}

void TSplitter::MouseMove(int x, int y) {
    TControl* neighbour = Neighbour();
    if (!dragging_ || !neighbour) return;
    const POINT now = ClientToScreen({x, y});
    int delta = Vertical() ? now.x - start_.x : now.y - start_.y;
    if (Align() == TAlign::alRight || Align() == TAlign::alBottom) delta = -delta;
    const int size = std::max(minSize_, startSize_ + delta);
    if (Vertical()) neighbour->SetWidth(size);
    else neighbour->SetHeight(size);
    Parent()->AlignControls();
}

void TSplitter::MouseUp(TMouseButton button, int x, int y) {
    TGraphicControl::MouseUp(button, x, y);
    if (!dragging_) return;
    dragging_ = false;
    Parent()->ReleaseMouse();
}

bool TSplitter::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "MinSize") minSize_ = ValueInt(value);
    else if (name == "Cursor" || name == "Beveled" || name == "ResizeStyle") {
        // The splitter always resizes live with the sizing cursor.
    } else return TGraphicControl::ReadProperty(name, value);
    return true;
}

}  // namespace kelo::win
