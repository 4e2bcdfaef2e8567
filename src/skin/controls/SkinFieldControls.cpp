#include "skin/controls/SkinFieldControls.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "framework/Graphics.h"
#include "skin/controls/SkinControlRules.h"
#include "skin/data/SkinData.h"
#include "skin/menu/SkinMenuItemPainter.h"
#include "skin/data/SkinPainter.h"

namespace kelo::skin {

namespace {

COLORREF Rgb(SkinColor colour) { return win::ColorToRGB(colour); }

LONG Style(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }

RECT Placed(const GridRect& place, int x = 0, int y = 0) {
    return {x + place.x, y + place.y, x + place.x + place.width, y + place.y + place.height};
}

GridRect GridOf(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// The element when the skin has one with a picture.
const TSkinElement* WithImage(const TSkinElement* element) {
    return element && !element->image.Empty() ? element : nullptr;
}

// A one-pixel outline just inside `r`.
void Frame(HDC dc, const RECT& r, COLORREF colour) {
    const win::Brush brush(CreateSolidBrush(colour));
    FrameRect(dc, &r, brush.Get());
}

// A three-dimensional panel edge: lowered with the shadow above and left, raised the other
// way round.
void Bevel(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    const win::Pen upper(CreatePen(PS_SOLID, 1, topLeft));
    const win::Pen lower(CreatePen(PS_SOLID, 1, bottomRight));
    const win::SavedDC saved(dc);
    SelectObject(dc, upper.Get());
    const POINT upperLine[] = {{r.left, r.bottom - 1}, {r.left, r.top}, {r.right, r.top}};
    Polyline(dc, upperLine, 3);
    SelectObject(dc, lower.Get());
    const POINT lowerLine[] = {{r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, {r.right - 1, r.top - 1}};
    Polyline(dc, lowerLine, 3);
}

// One half of an up-down control for skins without an up-down element: an outlined
// button, darker while pressed or hot, with a line arrow.
void DrawPlainHalf(HDC dc, const RECT& r, const UpDownHalf& half, const SkinColourSet& colours) {
    const bool lit = half.state == kFramePressed || half.state == kFrameHot;
    const bool disabled = half.state == kFrameDisabled;
    const win::Pen outline(CreatePen(PS_SOLID, 1, Rgb(colours.buttonDkShadow)));
    const win::Brush fill(CreateSolidBrush(Rgb(lit ? colours.buttonShadow : colours.buttonFace)));
    const win::Pen arrow(CreatePen(PS_SOLID, 1, Rgb(disabled ? colours.buttonShadow : colours.buttonText)));
    const win::SavedDC saved(dc);
    SelectObject(dc, outline.Get());
    SelectObject(dc, fill.Get());
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, arrow.Get());
    for (const Stroke& s : ArrowStrokes(GridOf(r), half.direction)) {
        MoveToEx(dc, s.x1, s.y1, nullptr);
        LineTo(dc, s.x2, s.y2);
    }
}

// One half from the up-down element, with the element's glyph centred on it.
void DrawElementHalf(HDC dc, const RECT& r, const TSkinElement& element, int half, int state) {
    const int frame = ClampFrame(UpDownElementFrame(half, state), element.frameCount);
    if (frame == 0) return;
    DrawSkinElement(dc, r, element, element.frameCount, frame);
    const auto* border = dynamic_cast<const TSkinBorderElement*>(&element);
    if (!border || border->image2.Empty()) return;
    const SkinImage& glyph = border->image2;
    const RECT place = Placed(CentredIn(GridOf(r), glyph.Width() / element.frameCount, glyph.Height()));
    ImagePaint paint{&glyph};
    paint.transparent = true;
    DrawSkinImage(dc, place, paint, element.frameCount, frame);
}

}  // namespace

// ---------------------------------------------------------------------------------
// TSkinComboBox

void TSkinComboBox::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            state_ |= kPressed;
            Repaint();
            break;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            // A release elsewhere reaches the control only as the loss of the mouse.
            if (Pressed()) {
                state_ &= ~kPressed;
                Repaint();
            }
            break;
        default:
            break;
    }
    TSkinControl::AfterMessage(msg, wParam, lParam);
}

void TSkinComboBox::Draw(HDC dc, const RECT& rect) {
    const SkinData* skin = Skin();
    const auto* button = skin ? dynamic_cast<const TSkinBorderElement*>(WithImage(skin->Part(SkinPart::ComboButton)))
                              : nullptr;
    if (!button) return;
    const int state = StateFrame({enabled_, focused_, Hot(), Pressed()});

    if (const TSkinElement* edge = WithImage(skin->Part(SkinPart::SunkEdge))) {
        // The edge only: the text and the list part stay as the control drew them.
        const win::SavedDC saved(dc);
        ExcludeClipRect(dc, rect.left + edge->leftWidth, rect.top + edge->topHeight, rect.right - edge->rightWidth,
                        rect.bottom - edge->bottomHeight);
        if (const int frame = ClampFrame(state, edge->frameCount))
            DrawSkinElement(dc, rect, *edge, edge->frameCount, frame);
    }

    const bool atLeft = (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    const GridRect place = ComboButtonRect(rect.right - rect.left, rect.bottom - rect.top,
                                           GetSystemMetrics(SM_CXHSCROLL) + 2, atLeft);
    ImagePaint paint = PaintOf(*button);
    int frame = ClampFrame(state, button->frameCount);
    if (frame == 0) return;
    if (atLeft && !button->image2.Empty()) {
        paint.image = &button->image2;
        std::swap(paint.left, paint.right);
        frame = MirroredFrame(frame, button->frameCount);
    }
    DrawSkinImage(dc, Placed(place, rect.left, rect.top), paint, button->frameCount, frame);

    const TSkinElement* arrow = WithImage(skin->Part(SkinPart::ExtraImages));
    const int arrowFrame = arrow ? ClampFrame(state, arrow->frameCount) : 0;
    if (arrowFrame == 0) return;
    const GridRect arrowPlace = CentredIn(place, arrow->image.Width() / arrow->frameCount, arrow->image.Height());
    DrawSkinElement(dc, Placed(arrowPlace, rect.left, rect.top), *arrow, arrow->frameCount, arrowFrame);
}

// ---------------------------------------------------------------------------------
// TSkinEdit

// The owner of the inner up-down's skin: it frees the skin when the up-down goes and
// shares the skinned window's hot control.
class TSkinEdit::InnerOwner : public TSkinControlOwner {
public:
    explicit InnerOwner(TSkinControlOwner& outer) : outer_(outer) {}
    void ControlGone(TSkinControl& control) override {
        if (upDown.get() == &control) upDown.reset();
    }
    TSkinControl* HotControl() const override { return outer_.HotControl(); }
    void SetHotControl(TSkinControl* control) override { outer_.SetHotControl(control); }
    bool Destroying() const override { return outer_.Destroying(); }

    std::unique_ptr<TSkinUpDown> upDown;

private:
    TSkinControlOwner& outer_;
};

TSkinEdit::TSkinEdit(TSkinControlOwner& owner, TSkinSource& source)
    : TSkinControl(owner, source), inner_(std::make_unique<InnerOwner>(owner)) {}

TSkinEdit::~TSkinEdit() { Detach(); }

// The up-down inside comes off with the edit.
void TSkinEdit::OnDetaching() { inner_->upDown.reset(); }

TSkinUpDown* TSkinEdit::InnerUpDown() const { return inner_->upDown.get(); }

void TSkinEdit::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    TSkinControl::AfterMessage(msg, wParam, lParam);
    // The edit draws its border on WM_NCPAINT: the skin's frame goes over it.
    if (msg == WM_NCPAINT) Paint();
    // A printed copy (an animation, a drag image) gets the frames too, the inner one in the
    // background the edit was printed on.
    if (msg == WM_PRINT && (lParam & PRF_NONCLIENT) && wParam) {
        const auto dc = reinterpret_cast<HDC>(wParam);
        // The edit may leave its client clip on the caller's DC; the frames lie outside it.
        const win::SavedDC saved(dc);
        SelectClipRgn(dc, nullptr);
        printing_ = true;
        Paint(dc);
        printing_ = false;
    }
}

COLORREF TSkinEdit::PrintedBackground(HDC dc) const {
    // The brush the parent gives the edit for its background, as the edit asks for it.
    const bool plain = (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY) != 0 || !IsWindowEnabled(hwnd_);
    const HWND parent = GetParent(hwnd_);
    const auto brush = parent ? reinterpret_cast<HBRUSH>(SendMessageW(parent, plain ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                                                                      reinterpret_cast<WPARAM>(dc),
                                                                      reinterpret_cast<LPARAM>(hwnd_)))
                              : nullptr;
    LOGBRUSH logBrush{};
    if (brush && GetObjectW(brush, sizeof logBrush, &logBrush) == sizeof logBrush && logBrush.lbStyle == BS_SOLID)
        return logBrush.lbColor;
    return GetSysColor(plain ? COLOR_BTNFACE : COLOR_WINDOW);
}

void TSkinEdit::SkinInnerUpDown() {
    for (const wchar_t* className : {L"msctls_updown32", L"TSpinButton"}) {
        const HWND child = FindWindowExW(hwnd_, nullptr, className, nullptr);
        // One the window's walker skinned already keeps that skin.
        if (!child || win::HasSubclass(child, win::SubclassId::Skin)) continue;
        auto upDown = std::make_unique<TSkinUpDown>(*inner_, Source());
        upDown->SetInset(1);
        upDown->AttachWindow(child);
        if (!upDown->Attached()) continue;
        inner_->upDown = std::move(upDown);
        return;
    }
}

void TSkinEdit::Draw(HDC dc, const RECT& rect) {
    if (!lookedInside_) {
        lookedInside_ = true;
        SkinInnerUpDown();
    }
    const SkinData* skin = Skin();
    if (!skin) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    if (client.right >= rect.right - rect.left && client.bottom >= rect.bottom - rect.top) return;
    Frame(dc, rect, Rgb(skin->colours.buttonShadow));
    RECT inner = rect;
    InflateRect(&inner, -1, -1);
    Frame(dc, inner, printing_ ? PrintedBackground(dc) : RGB(255, 255, 255));
}

// ---------------------------------------------------------------------------------
// TSkinUpDown

bool TSkinUpDown::BeforeMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (Skin() && TakeWholePaint(msg, wParam, result)) return false;
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            state_ |= kPressed;
            return true;
        default:
            return true;
    }
}

void TSkinUpDown::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    TSkinControl::AfterMessage(msg, wParam, lParam);
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            Repaint();
            break;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            // A release elsewhere reaches the control only as the loss of the mouse.
            if (Pressed()) {
                state_ &= ~kPressed;
                Repaint();
            }
            break;
        case WM_MOUSEMOVE: {
            // Only the half under the mouse is lit: moving to the other half changes both.
            RECT bounds;
            GetWindowRect(hwnd_, &bounds);
            if (CursorHalf(bounds.right - bounds.left, bounds.bottom - bounds.top) != shownHalf_) Repaint();
            break;
        }
        default:
            break;
    }
}

int TSkinUpDown::CursorHalf(int width, int height) const {
    POINT cursor;
    RECT bounds;
    if (!GetCursorPos(&cursor) || !GetWindowRect(hwnd_, &bounds)) return -1;
    return UpDownHalfAt(width - 2 * inset_, height - 2 * inset_, static_cast<uint32_t>(Style(hwnd_)),
                        cursor.x - bounds.left - inset_, cursor.y - bounds.top - inset_);
}

void TSkinUpDown::Draw(HDC dc, const RECT& rect) {
    const SkinData* skin = Skin();
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (!skin || width <= 0 || height <= 0) return;
    const Offscreen buffer(width, height);
    if (!buffer) return;
    FillFace(buffer.Get(), {0, 0, width, height});

    const auto style = static_cast<uint32_t>(Style(hwnd_));
    shownHalf_ = CursorHalf(width, height);
    const auto halves = UpDownHalves(width - 2 * inset_, height - 2 * inset_, style,
                                     {enabled_, focused_, Hot(), Pressed()}, shownHalf_);
    const SkinPart part = (style & kUpDownHorizontalStyle) != 0 ? SkinPart::UpDownHorz : SkinPart::UpDownVert;
    const TSkinElement* element = WithImage(skin->Part(part));
    for (int i = 0; i < 2; ++i) {
        const UpDownHalf& half = halves[static_cast<size_t>(i)];
        const RECT r = Placed(half.rect, inset_, inset_);
        if (element) DrawElementHalf(buffer.Get(), r, *element, i, half.state);
        else DrawPlainHalf(buffer.Get(), r, half, skin->colours);
    }
    BitBlt(dc, rect.left, rect.top, width, height, buffer.Get(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------
// TSkinStatusBar

bool TSkinStatusBar::BeforeMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    return !(Skin() && TakeWholePaint(msg, wParam, result));
}

void TSkinStatusBar::Draw(HDC dc, const RECT& rect) {
    const SkinData* skin = Skin();
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (!skin || width <= 0 || height <= 0) return;
    const Offscreen buffer(width, height);
    if (!buffer) return;
    const HDC target = buffer.Get();
    const RECT local{0, 0, width, height};
    FillFace(target, local);
    {
        const win::SavedDC saved(target);
        auto font = reinterpret_cast<HFONT>(Beneath(WM_GETFONT));
        SelectObject(target, font ? font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(target, TRANSPARENT);
        const TSkinElement* edges = WithImage(skin->Part(SkinPart::StatusBarEdges));
        SetTextColor(target, Rgb(edges ? edges->normalTextColour : skin->colours.buttonText));
        const bool simple = Beneath(SB_ISSIMPLE) != 0;
        const int parts = simple ? 0 : static_cast<int>(Beneath(SB_GETPARTS));
        if (parts <= 0) DrawPanel(target, local, simple ? SB_SIMPLEID : 0);
        for (int i = 0; i < parts; ++i) {
            RECT panel{};
            if (Beneath(SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&panel)))
                DrawPanel(target, panel, static_cast<WPARAM>(i));
        }
    }
    const TSkinElement* extra = WithImage(skin->Part(SkinPart::ExtraImages));
    const int gripFrame = extra ? ClampFrame(5, extra->frameCount) : 0;
    if ((Style(hwnd_) & kSizeGripStyle) != 0 && gripFrame == 5) {
        const int gripWidth = extra->image.Width() / extra->frameCount, gripHeight = extra->image.Height();
        DrawSkinElement(target, {width - gripWidth, height - gripHeight, width, height}, *extra, extra->frameCount,
                        gripFrame);
    }
    BitBlt(dc, rect.left, rect.top, width, height, buffer.Get(), 0, 0, SRCCOPY);
}

void TSkinStatusBar::DrawPanel(HDC dc, const RECT& rect, WPARAM part) const {
    const SkinData& skin = *Skin();
    const LRESULT info = Beneath(SB_GETTEXTLENGTHW, part);
    const uint32_t type = HIWORD(info);
    const int frame = StatusPanelFrame(type);
    if (const TSkinElement* edges = WithImage(skin.Part(SkinPart::StatusBarEdges))) {
        if (const int f = ClampFrame(frame, edges->frameCount)) DrawSkinElement(dc, rect, *edges, edges->frameCount, f);
    } else if (frame != 3) {
        const COLORREF shadow = Rgb(skin.colours.buttonShadow), light = Rgb(skin.colours.buttonHilight);
        if (frame == 1) Bevel(dc, rect, shadow, light);
        else Bevel(dc, rect, light, shadow);
    }
    // An owner-drawn panel's "text" is its owner's data, not something to show.
    const size_t length = LOWORD(info);
    if ((type & SBT_OWNERDRAW) != 0 || length == 0) return;
    std::wstring text(length + 1, L'\0');
    Beneath(SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);

    const PanelText pieces = SplitPanelText(text, (type & kRightToLeftPanel) != 0);
    RECT inner{rect.left + 4, rect.top + 1, rect.right - 4, rect.bottom - 1};
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    DrawTextW(dc, pieces.left.c_str(), -1, &inner, format | DT_LEFT);
    DrawTextW(dc, pieces.centre.c_str(), -1, &inner, format | DT_CENTER);
    DrawTextW(dc, pieces.right.c_str(), -1, &inner, format | DT_RIGHT);
}

}  // namespace kelo::skin
