#include "menupainter/MenuPainterLook.h"

#include <algorithm>
#include <initializer_list>

namespace kelo::menupainter {

namespace {

int Red(TColor c) { return c & 0xFF; }
int Green(TColor c) { return (c >> 8) & 0xFF; }
int Blue(TColor c) { return (c >> 16) & 0xFF; }

TColor Rgb(int r, int g, int b) {
    auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    return clamp(r) | (clamp(g) << 8) | (clamp(b) << 16);
}

// n / d (d > 0) rounded to the nearest integer, halves to the even one, for either sign.
int DivideRoundingHalfToEven(int n, int d) {
    int q = n / d;
    int r = n % d;
    if (r < 0) {  // make it the floor and a non-negative remainder
        --q;
        r += d;
    }
    if (2 * r > d || (2 * r == d && q % 2 != 0)) ++q;
    return q;
}

int LightenChannel(int c, int percent) { return c + DivideRoundingHalfToEven((255 - c) * percent, 100); }

}  // namespace

// ---- colours --------------------------------------------------------------------------

TColor ToRgb(TColor colour, const SystemColours& system) {
    if (IsSystemColor(colour)) return static_cast<TColor>(system(colour & 0xFF) & 0xFFFFFF);
    return colour;
}

TColor LightenColor(TColor colour, int percent, const SystemColours& system) {
    const TColor c = ToRgb(colour, system);
    const int p = std::min(percent, 100);
    return Rgb(LightenChannel(Red(c), p), LightenChannel(Green(c), p), LightenChannel(Blue(c), p));
}

TColor DarkenColor(TColor colour, int n, const SystemColours& system) {
    const TColor c = ToRgb(colour, system);
    return Rgb(Red(c) - n, Green(c) - n + 2, Blue(c) - n);
}

TColor MixColors(std::span<const TColor> colours, const SystemColours& system) {
    if (colours.empty()) return clBlack;
    const int count = static_cast<int>(colours.size());
    int r = 0, g = 0, b = 0;
    for (TColor colour : colours) {
        const TColor c = ToRgb(colour, system);
        r += Red(c) / count;
        g += Green(c) / count;
        b += Blue(c) / count;
    }
    return Rgb(r, g, b);
}

TColor TextColorOnBand(TColor background, TColor fontColour, const SystemColours& system) {
    const TColor c = ToRgb(background, system);
    if ((Red(c) + Blue(c)) / 2 > 150 || Green(c) > 200) return fontColour;
    return LightenColor(c, 90, system);
}

WorkingColours ComputeColors(const PainterColourProps& props, bool colourDisplay,
                             const SystemColours& system) {
    WorkingColours w;
    w.menuBackground = props.color;
    w.iconBand = props.iconBackColor;
    if (colourDisplay) {
        if (props.useDimColor) {
            w.selectionFill = LightenColor(props.selectColor, 68, system);
            w.checkedFill = LightenColor(props.selectColor, 80, system);
            w.checkedSelectedFill = LightenColor(props.selectColor, 50, system);
        } else {
            w.selectionFill = w.checkedFill = w.checkedSelectedFill = props.selectColor;
        }
        w.frame = DarkenColor(clBtnFace, 90, system);
        w.shadow = DarkenColor(clBtnFace, 76, system);
    } else {
        w.selectionFill = props.selectColor;
        w.checkedFill = clWhite;
        w.checkedSelectedFill = clSilver;
        w.frame = w.shadow = clBtnShadow;
    }
    w.selectionBorder = props.selectBorderColor;
    w.selectionText = props.selectFontColor;
    w.menuBar = props.menuBarColor;
    w.disabled = props.disabledColor;
    w.checkColour = props.checkedColor;
    w.separator = props.separatorColor;

    if (props.useSystemColors) {
        // The system scheme; the frame and the shadow keep their values.
        w.selectionText = props.fontColour;
        w.selectionBorder = clHighlight;
        w.menuBar = clBtnFace;
        w.checkColour = clHighlight;
        if (colourDisplay) {
            w.menuBackground = LightenColor(clBtnFace, 86, system);
            w.iconBand = LightenColor(clBtnFace, 16, system);
            w.selectionFill = LightenColor(clHighlight, 68, system);
            w.disabled = LightenColor(clBtnShadow, 10, system);
            w.separator = LightenColor(clBtnShadow, 25, system);
            w.checkedFill = LightenColor(clHighlight, 80, system);
            w.checkedSelectedFill = LightenColor(clHighlight, 50, system);
        } else {
            w.menuBackground = w.selectionFill = w.checkedFill = w.checkedSelectedFill = clWhite;
            w.iconBand = clBtnFace;
            w.disabled = w.separator = clBtnShadow;
        }
    }
    return w;
}

// ---- what a painter takes over ----------------------------------------------------------

namespace {

// Our framework has no TCustom* class under every standard control, so a family is known
// by its abstract class or by the standard class that stands for it.
bool InheritsAny(const ClassFacts& c, std::initializer_list<std::string_view> names) {
    return c.inheritsFrom &&
           std::any_of(names.begin(), names.end(), [&](std::string_view n) { return c.inheritsFrom(n); });
}

bool NamedAny(const ClassFacts& c, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), c.className) != names.end();
}

bool IsForm(const ClassFacts& c) { return InheritsAny(c, {"TCustomForm"}); }
bool IsPanel(const ClassFacts& c) { return InheritsAny(c, {"TCustomPanel", "TPanel"}); }
bool IsGroupBox(const ClassFacts& c) { return InheritsAny(c, {"TCustomGroupBox", "TGroupBox"}); }
bool IsTreeOrList(const ClassFacts& c) {
    return InheritsAny(c, {"TCustomTreeView", "TTreeView", "TCustomListView", "TListView"});
}

bool ControlKindStyled(const ClassFacts& c, const TStyledControls& on) {
    return (on.test(xcCombo) && InheritsAny(c, {"TCustomComboBox"})) ||
           (on.test(xcEdit) && InheritsAny(c, {"TEdit"})) ||
           (on.test(xcMaskEdit) && NamedAny(c, {"TMaskEdit", "TDBEdit"})) ||
           (on.test(xcMemo) && InheritsAny(c, {"TCustomMemo", "TMemo"})) ||
           (on.test(xcCheckBox) && InheritsAny(c, {"TCustomCheckBox", "TCheckBox"})) ||
           (on.test(xcBitBtn) && NamedAny(c, {"TBitBtn"})) ||
           (on.test(xcButton) && NamedAny(c, {"TButton", "TDBNavigator", "TDBLookupComboBox"})) ||
           (on.test(xcUpDown) && NamedAny(c, {"TUpDown"})) ||
           (on.test(xcPanel) && IsPanel(c)) ||
           (on.test(xcGroupBox) && IsGroupBox(c)) ||
           (on.test(xcTreeView) && InheritsAny(c, {"TCustomTreeView", "TTreeView"})) ||
           (on.test(xcListView) && InheritsAny(c, {"TCustomListView", "TListView"}));
}

bool ContainerStyled(const ClassFacts& p, const TStyledContainers& on) {
    return (on.test(xccPanel) && IsPanel(p)) || (on.test(xccGroupBox) && IsGroupBox(p)) ||
           (on.test(xccTabSheet) && p.className == "TdxTabSheet") ||
           (on.test(xccFrame) && p.className == "TDBCtrlPanel") || (on.test(xccForm) && IsForm(p));
}

}  // namespace

SavedLook SavedLookOf(const ClassFacts& control) {
    if (InheritsAny(control, {"TCustomEdit"}) || IsTreeOrList(control)) return {true, true};
    if (control.className == "TDBLookupComboBox") return {true, false};
    return {};
}

HookAction DecideHookComponent(const ComponentFacts& component, const TStyledControls& controls,
                               const TStyledContainers& containers, bool enable, bool refresh) {
    const ClassFacts& self = component.self;
    HookAction action;
    if (InheritsAny(self, {"TMainMenu"})) {
        action.hookMenuItems = action.rebuildMenuBar = controls.test(xcMainMenu) && self.tag != kUntouchedTag;
    } else if (InheritsAny(self, {"TPopupMenu"})) {
        action.hookMenuItems = controls.test(xcPopupMenu);
    }
    if (ControlKindStyled(self, controls) && component.parent && ContainerStyled(*component.parent, containers)) {
        if (enable && self.tag != kUntouchedTag && component.parent->tag != kUntouchedTag) {
            action.style = true;
            action.save = SavedLookOf(self);
        }
        action.invalidate = refresh;
    }
    action.recurse = self.className == "TDBNavigator" || IsForm(self);
    return action;
}

MenuItemHandlers HookMenuItemDecision(int32_t tag, bool hasDrawHandler, bool hasMeasureHandler,
                                      bool overrideOwnerDraw) {
    if (tag == kUntouchedTag) return {};
    return {!hasDrawHandler || overrideOwnerDraw, !hasMeasureHandler || overrideOwnerDraw};
}

// ---- measuring ------------------------------------------------------------------------

namespace {

bool IsSeparator(const std::wstring& caption) { return caption == L"-"; }

bool BlankAfterTrim(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t ch) { return ch <= L' '; });
}

}  // namespace

std::wstring MeasureText(const std::wstring& caption, const std::wstring& shortcutText) {
    std::wstring text = IsSeparator(caption) ? std::wstring() : caption;
    if (!BlankAfterTrim(shortcutText)) text += shortcutText + L"WWW";
    return text;
}

ItemSize MeasureMenuItemSize(const MeasureInput& in) {
    int w = in.textWidth + 5;
    if (MeasureText(in.caption, in.shortcutText).find(L'&') != std::wstring::npos) w -= in.ampersandWidth;
    if (!in.menuBarItem && in.hasSubItems) w += 6;  // the sub-menu arrow
    const int iw = in.menuBarItem ? in.iconWidth : std::max(in.iconWidth, in.iconBandWidth);

    ItemSize size{std::max(in.width, w + iw), in.height};
    if (IsSeparator(in.caption)) {
        size.height = 4;
    } else {
        const int th = in.textHeight;
        const int h = std::max(th + DivideRoundingHalfToEven(th * 3, 4), in.iconHeight + 6);
        size.height = std::max(in.height, h);
    }
    return size;
}

// ---- painting geometry ----------------------------------------------------------------

namespace {

Rect CheckRect(const ItemLayoutInput& in, const Rect& band) {
    const bool hasIcon = in.iconWidth > 0;
    Rect check;
    if (hasIcon) {
        check = {band.left + 1, band.top + 2, band.right - 3, band.bottom - 2};
    } else {
        check.left = band.left + (band.Width() - 10) / 2;
        check.top = band.top + (band.Height() - 10) / 2;
        check.right = check.left + 10;
        check.bottom = check.top + 10;
    }
    if (in.iconWidth > in.iconBandWidth) {
        if (in.rightToLeft)
            check.left = check.right - in.iconWidth;
        else
            check.right = check.left + in.iconWidth;
    }
    if (in.menuBarItem) {
        --check.top;
        --check.bottom;
    }
    return check;
}

Rect TextRect(const ItemLayoutInput& in, const Rect& r) {
    Rect t = r;
    if (in.rightToLeft) {
        t.right = in.menuBarItem ? r.right - 4 : r.right - in.iconBandWidth;
        if (r.right - in.iconWidth < t.right) t.right = r.right - in.iconWidth - 8;
    } else {
        t.left = in.menuBarItem ? r.left + 4 : r.left + in.iconBandWidth;
        if (t.left < r.left + in.iconWidth) t.left = r.left + in.iconWidth + 4;
    }
    if (in.menuBarItem) {
        // A bar item's caption starts at its edge; an icon sits close beside the caption.
        if (in.iconWidth == 0) return r;
        if (in.rightToLeft)
            t.right += 5;
        else
            t.left -= 5;
    }
    return t;
}

}  // namespace

ItemLayout LayoutMenuItem(const ItemLayoutInput& in) {
    const int w = in.platformRect.Width();
    const int h = in.platformRect.Height();
    ItemLayout l;
    if (in.menuBarItem) {
        l.bitmapWidth = w;
        l.item = {0, 0, w, h};
        l.copyX = in.platformRect.left;
    } else {
        // Four pixels more on the left, so the background covers the platform's margin.
        l.bitmapWidth = w + 4;
        l.item = {4, 0, w + 4, h + 1};
        l.copyX = in.platformRect.left - 4;
    }
    l.bitmapHeight = h;
    l.copyY = in.platformRect.top;
    const Rect& r = l.item;
    l.background = {r.left - 4, r.top, r.right, r.bottom};
    if (in.rightToLeft)
        l.band = {r.right - in.iconBandWidth, r.top, r.right, r.bottom};
    else
        l.band = {r.left, r.top, r.left + in.iconBandWidth, r.bottom};
    l.check = CheckRect(in, l.band);
    l.text = TextRect(in, r);

    const Rect& t = l.text;
    l.separatorY = t.top + DivideRoundingHalfToEven(t.Height(), 2);
    l.separatorFrom = in.rightToLeft ? t.left : t.left + 7;
    l.separatorTo = in.rightToLeft ? t.right - 7 : t.right;

    l.caption = t;
    if (in.rightToLeft)
        l.caption.right -= 3;
    else
        l.caption.left += 3;
    l.caption.top += (t.Height() - in.letterHeight) / 2;

    l.selectionBox = {r.left, r.top + 1, in.flatMenu ? r.right - 1 : r.right, r.bottom - 1};
    l.hotBarBox = {r.left, r.top, r.right - 7, r.bottom};
    return l;
}

SelectionChoice ChooseSelection(bool selected, bool drawSelect, bool enabled, bool menuBarItem,
                                bool mouseOverBarItem) {
    if (selected && drawSelect) {
        if (menuBarItem) return {SelectionLook::BarFrame, true};
        return {enabled ? SelectionLook::PopupBox : SelectionLook::None, true};
    }
    if (menuBarItem && enabled && mouseOverBarItem) return {SelectionLook::HotBarBox, true};
    return {};
}

bool MouseOverBarItem(const Rect& rect, int x, int y) {
    return rect.left <= x && x <= rect.right - 1 && rect.top <= y && y <= rect.bottom - 2;
}

}  // namespace kelo::menupainter
