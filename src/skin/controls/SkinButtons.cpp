#include "skin/controls/SkinButtons.h"

#include "framework/Control.h"
#include "framework/Graphics.h"
#include "skin/controls/SkinControlRules.h"
#include "skin/data/SkinData.h"
#include "skin/menu/SkinMenuItemPainter.h"
#include "skin/data/SkinPainter.h"

namespace kelo::skin {

namespace {

LONG Style(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }

RECT Placed(const GridRect& place, const RECT& origin) {
    return {origin.left + place.x, origin.top + place.y, origin.left + place.x + place.width,
            origin.top + place.y + place.height};
}

}  // namespace

// ---------------------------------------------------------------------------------
// TSkinButton


bool TSkinButton::HasImage() const {
    const SkinData* skin = Skin();
    return skin && !skin->buttons.image.Empty();
}

bool TSkinButton::BeforeMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    // Without a button image the control keeps its own look, its pressed look included, so
    // the mouse stays its own too.
    if (!HasImage()) return true;
    if (TakeWholePaint(msg, wParam, result)) return false;
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // The system button never sees the press, so it never clicks on its own release.
            Press();
            result = 0;
            return false;
        default:
            return true;
    }
}

void TSkinButton::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_MOUSEMOVE:
            if (capturing_) {
                const bool over = Over(lParam);
                ShowPressed(over);
                // Outside, the mouse is only ours because we hold it: the button is not hot.
                if (!over) return;
            }
            break;
        case WM_LBUTTONUP:
            // Last: a click may close the window and free this skin.
            if (capturing_) Release(Over(lParam));
            return;
        case WM_CAPTURECHANGED:
            if (capturing_ && reinterpret_cast<HWND>(lParam) != hwnd_) {
                capturing_ = false;
                ShowPressed(false);
            }
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
            // The system button clicks on the space key's release itself.
            if (wParam == VK_SPACE) ShowPressed(msg == WM_KEYDOWN);
            break;
        case WM_SETFONT:
            // A new font may come in the handle of the old one.
            captionRead_ = false;
            face_.Forget();
            break;
        case WM_UPDATEUISTATE:
            captionRead_ = false;
            Repaint();
            break;
        case BM_SETSTATE:
        case BM_SETSTYLE:
            // The system button draws these changes at once, over the skin's face.
            Repaint();
            break;
        default:
            break;
    }
    TSkinControl::AfterMessage(msg, wParam, lParam);
}

void TSkinButton::MouseLeave() {
    // A button held with the mouse stays pressed until released; one held with the space
    // key comes up when the mouse goes.
    const bool release = Pressed() && !capturing_;
    const bool wasHot = Hot();
    if (release) state_ &= ~kPressed;
    TSkinControl::MouseLeave();
    if (release && !wasHot) Repaint();
}

void TSkinButton::OnDetaching() {
    // A button the skin lets go of is not left holding the mouse.
    if (!capturing_) return;
    capturing_ = false;
    if (GetCapture() == hwnd_) ReleaseCapture();
}

void TSkinButton::Press() {
    if (GetFocus() != hwnd_) SetFocus(hwnd_);
    SetCapture(hwnd_);
    capturing_ = true;
    ShowPressed(true);
}

void TSkinButton::Release(bool over) {
    capturing_ = false;
    ShowPressed(false);
    if (GetCapture() == hwnd_) ReleaseCapture();
    RepaintNow();
    if (over) Click();
}

void TSkinButton::ShowPressed(bool pressed) {
    if (pressed == Pressed()) return;
    state_ ^= kPressed;
    Repaint();
}

bool TSkinButton::Over(LPARAM clientPoint) const {
    RECT client;
    GetClientRect(hwnd_, &client);
    const POINT p{static_cast<short>(LOWORD(clientPoint)), static_cast<short>(HIWORD(clientPoint))};
    return PtInRect(&client, p) != FALSE;
}

void TSkinButton::Click() {
    if (control_) {
        control_->Click();
        return;
    }
    SendMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd_));
}

void TSkinButton::Draw(HDC dc, const RECT& rect) {
    const SkinData* skin = Skin();
    if (!skin || skin->buttons.image.Empty()) return;
    const TSkinButtonElement& element = skin->buttons;
    const int state = StateFrame({enabled_, focused_, Hot(), Pressed()});
    const int frame = ClampFrame(state, element.frameCount);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (frame == 0 || width <= 0 || height <= 0) return;

    if (!captionRead_ && !text_.empty()) {
        font_ = reinterpret_cast<HFONT>(Beneath(WM_GETFONT));
        // Access-key underlines show only once the keyboard is in use, as on the system's buttons.
        hidePrefix_ = (Beneath(WM_QUERYUISTATE) & UISF_HIDEACCEL) != 0;
        captionRead_ = true;
    }
    const bool isDefault = (Style(hwnd_) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    const Face face{state, text_, font_, hidePrefix_, focused_, isDefault};
    face_.Show(dc, rect, face, [&](HDC surface, const RECT& local) {
        FillFace(surface, local);
        DrawSkinElement(surface, local, element, element.frameCount, frame);
        DrawCaption(surface, local, state);
        DrawMarks(surface, local, face);
    });
}

void TSkinButton::Refresh() {
    face_.Forget();
    TSkinControl::Refresh();
}

void TSkinButton::DrawCaption(HDC dc, const RECT& rect, int frame) const {
    if (text_.empty()) return;
    const SkinData& skin = *Skin();
    const win::SavedDC saved(dc);
    if (font_) SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SkinColour(PushButtonTextColour(skin.buttons, skin.colours, frame)));
    const UINT format = DT_EXPANDTABS | (hidePrefix_ ? DT_HIDEPREFIX : 0);
    RECT measured = rect;
    DrawTextW(dc, text_.c_str(), -1, &measured, DT_CALCRECT | format);
    const int width = measured.right - measured.left, height = measured.bottom - measured.top;
    const GridRect place = CentredIn({0, 0, rect.right - rect.left, rect.bottom - rect.top}, width, height);
    RECT target = Placed(place, rect);
    DrawTextW(dc, text_.c_str(), -1, &target, format | DT_CENTER);
}

// Enter presses the default button and Space the focused one: both show which they are.
void TSkinButton::DrawMarks(HDC dc, const RECT& rect, const Face& face) const {
    if (face.isDefault) {
        const win::Brush ring(CreateSolidBrush(SkinColour(Skin()->colours.buttonDkShadow)));
        FrameRect(dc, &rect, ring.Get());
    }
    if (!face.focused) return;
    RECT inner = rect;
    InflateRect(&inner, -3, -3);
    const win::SavedDC saved(dc);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &inner);
}

// ---------------------------------------------------------------------------------
// TSkinGlyphButton

void TSkinGlyphButton::AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case BM_SETCHECK:
        case BM_SETSTATE:
        case BM_SETSTYLE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_KEYUP:
        case WM_UPDATEUISTATE:
            // The system button redraws its box at once on these: the glyph goes over it again.
            Repaint();
            break;
        default:
            break;
    }
    TSkinControl::AfterMessage(msg, wParam, lParam);
}

bool TSkinGlyphButton::DrawsWhole() const {
    const SkinData* skin = Skin();
    return skin && !(radio_ ? skin->buttons.radioImage : skin->buttons.checkImage).Empty();
}

void TSkinGlyphButton::Draw(HDC dc, const RECT& rect) {
    const SkinData* skin = Skin();
    if (!skin) return;
    const SkinImage& image = radio_ ? skin->buttons.radioImage : skin->buttons.checkImage;
    const int count = radio_ ? skin->buttons.radioFrameCount : skin->buttons.checkFrameCount;
    if (image.Empty()) return;
    const GridRect place = CheckGlyphRect({.controlWidth = rect.right - rect.left,
                                           .controlHeight = rect.bottom - rect.top,
                                           .imageWidth = image.Width(),
                                           .imageHeight = image.Height(),
                                           .frameCount = count,
                                           .style = static_cast<uint32_t>(Style(hwnd_)),
                                           .systemBox = 12 * GetDeviceCaps(dc, LOGPIXELSY) / 96 + 1});
    const int frame = ClampFrame(CheckGlyphFrame(CheckMarkOf(Beneath(BM_GETCHECK)), enabled_), count);
    if (place.width <= 0 || frame == 0) return;
    glyph_.Show(dc, Placed(place, rect), frame, [&](HDC surface, const RECT& local) {
        // The face covers the system's box; the glyph keeps its own size in the middle of
        // it, since stretched to a larger screen's box its one-pixel edges come out uneven.
        FillFace(surface, local);
        ImagePaint paint{&image};
        paint.transparent = skin->buttons.trans == 1;
        const GridRect middle = CentredIn({0, 0, local.right - local.left, local.bottom - local.top},
                                          image.Width() / count, image.Height());
        DrawSkinImage(surface, Placed(middle, local), paint, count, frame);
    });
}

void TSkinGlyphButton::Refresh() {
    glyph_.Forget();
    TSkinControl::Refresh();
}

// ---------------------------------------------------------------------------------
// TSkinSizer

bool TSkinSizer::BeforeMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != WM_ERASEBKGND) return true;
    result = 1;
    return false;
}

void TSkinSizer::Draw(HDC dc, const RECT& rect) {
    const SkinData* skin = Skin();
    if (!skin) return;
    const win::Brush shadow(CreateSolidBrush(SkinColour(skin->colours.buttonShadow)));
    FrameRect(dc, &rect, shadow.Get());
}

}  // namespace kelo::skin
