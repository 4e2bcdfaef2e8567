#include <windows.h>
#include <commdlg.h>

#include "controls/PickerCombos.h"
#include "core/Errors.h"
#include "framework/StdCtrls.h"
#include "framework/WinText.h"

namespace kelo::controls {

using namespace kelo::win;

TColorComboBox::TColorComboBox(TComponent* owner) : TFramedComboBox(owner) {
    names_.SetOptions(options_);
    names_.OnRename = [this](int index, const std::wstring& text) { SetItemText(index, text); };
}

// ---------------------------------------------------------------------------------
// Properties

std::vector<TColor> TColorComboBox::EntryColors() const {
    std::vector<TColor> colors;
    for (const ColorEntry& e : BuildColorList(names_, options_, defaultColor_, customColor_))
        colors.push_back(e.color);
    return colors;
}

void TColorComboBox::SetCustomColor(TColor color) {
    customColor_ = CustomColorValue(color);
    if (options_.showCustom && HandleAllocated()) {
        SetItemData(ItemCount() - 1, customColor_);
        Invalidate();
    }
}

void TColorComboBox::SetDefaultColor(TColor color) {
    defaultColor_ = color;
    if (options_.showDefault && HandleAllocated()) {
        SetItemData(0, defaultColor_);
        Invalidate();
    }
}

void TColorComboBox::SetCustomColors(const std::vector<std::string>& lines) {
    customColors_ = FormatCustomColors(lines);
}

void TColorComboBox::SetShowColorNames(bool show) {
    showColorNames_ = show;
    Invalidate();
}

void TColorComboBox::SetShowCustomColor(bool show) {
    if (show == options_.showCustom) return;
    options_.showCustom = show;
    ListOptionsChanged();
}

void TColorComboBox::SetShowDefaultColor(bool show) {
    if (show == options_.showDefault) return;
    options_.showDefault = show;
    ListOptionsChanged();
}

void TColorComboBox::SetShowSysColors(bool show) {
    if (show == options_.showSysColors) return;
    options_.showSysColors = show;
    ListOptionsChanged();
}

void TColorComboBox::ListOptionsChanged() {
    names_.SetOptions(options_);
    if (!HandleAllocated()) return;
    SaveState();
    BuildList();
    RestoreState();
}

TColor TColorComboBox::SelectedColor() const {
    const int index = HandleAllocated() ? ItemIndex() : savedIndex_;
    const std::vector<TColor> colors = EntryColors();
    if (index < 0 || index >= static_cast<int>(colors.size())) return defaultColor_;
    return colors[index];
}

void TColorComboBox::SetSelectedColor(TColor color) {
    const ColorSelection selection = SelectionForColor(EntryColors(), color);
    if (selection.customTakesColor) SetCustomColor(color);
    if (HandleAllocated()) SetItemIndex(selection.index);
    else savedIndex_ = selection.index;
    Change();
}

// ---------------------------------------------------------------------------------
// The list

void TColorComboBox::BuildList() {
    ClearItems();
    for (const ColorEntry& e : BuildColorList(names_, options_, defaultColor_, customColor_))
        AddItem(e.name, e.color);
}

void TColorComboBox::SaveState() { savedIndex_ = ItemIndex(); }

void TColorComboBox::RestoreState() {
    savedIndex_ = std::min(savedIndex_, ItemCount() - 1);
    SetItemIndex(savedIndex_);
}

void TColorComboBox::Loaded() {
    TFramedComboBox::Loaded();
    if (HandleAllocated() ? ItemIndex() < 0 : savedIndex_ < 0) {
        savedIndex_ = 0;
        SetItemIndex(0);
    }
}

// ---------------------------------------------------------------------------------
// Drawing

void TColorComboBox::DrawItem(TCanvas& canvas, int index, RECT rect, UINT state) {
    const bool field = (state & ODS_COMBOBOXEDIT) != 0;
    RECT r = rect;
    if (showColorNames_) r.left += 24;
    canvas.FillRect(r);
    if (index < 0) return;
    const TColor color = static_cast<TColor>(ItemData(index));
    const bool custom = options_.showCustom && index == ItemCount() - 1;

    RECT swatch = r;
    InflateRect(&swatch, -2, -2);
    if (!field) OffsetRect(&swatch, 2, 0);
    if (showColorNames_) {
        swatch.right = swatch.left - 8;
        swatch.left -= 24;
    } else if (custom) {
        swatch.right -= 20;
    }
    HDC dc = canvas.Handle();
    const COLORREF rgb = ColorToRGB(color);
    {
        Brush fill(CreateSolidBrush(rgb));
        Pen outline(CreatePen(PS_SOLID, 1, ColorToRGB(clBtnShadow)));
        SavedDC saved(dc);
        SelectObject(dc, fill.Get());
        SelectObject(dc, outline.Get());
        Rectangle(dc, swatch.left, swatch.top, swatch.right, swatch.bottom);
    }
    // A dark frame on dark colours would vanish: light colours get gray, dark ones black.
    const bool light = GetRValue(rgb) > 128 || GetGValue(rgb) > 128 || GetBValue(rgb) > 128;
    {
        Brush frame(CreateSolidBrush(light ? RGB(128, 128, 128) : RGB(0, 0, 0)));
        FrameRect(dc, &swatch, frame.Get());
    }

    const bool selected = (state & ODS_SELECTED) != 0;
    const COLORREF back = ColorToRGB(selected ? clHighlight : Color());
    const TColor ink = selected ? clHighlightText : Enabled() ? clWindowText : clBtnShadow;
    if (custom) {
        // "..." at the right end: the entry opens the colour dialog.
        Brush fill(CreateSolidBrush(back));
        Pen outline(CreatePen(PS_SOLID, 1, ColorToRGB(ink)));
        SavedDC saved(dc);
        SelectObject(dc, fill.Get());
        SelectObject(dc, outline.Get());
        for (int dx : {16, 12, 8})
            Rectangle(dc, r.right - dx, r.bottom - 7, r.right - dx + 2, r.bottom - 4);
    }
    if (showColorNames_) {
        canvas.Font().SetColor(ink);
        canvas.TextOut(r.left + 2, r.top + (r.bottom - r.top - TextHeight(canvas)) / 2,
                       ItemText(index));
    }
}

// ---------------------------------------------------------------------------------
// The colour dialog

void TColorComboBox::CloseUp(bool cancelled) {
    TFramedComboBox::CloseUp(cancelled);
    if (cancelled || !options_.showCustom || ItemIndex() != ItemCount() - 1) return;
    CustomColorTable table = CustomColorsFromLines(customColors_);
    TColor chosen = 0;
    if (!ExecuteColorDialog(SelectedColor(), table, chosen)) return;
    customColors_ = LinesFromCustomColors(table);
    SetCustomColor(chosen);
}

bool TColorComboBox::ExecuteColorDialog(TColor initial, CustomColorTable& table, TColor& chosen) {
    COLORREF custom[kCustomColorCount];
    for (int i = 0; i < kCustomColorCount; ++i) custom[i] = table[i];
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = HandleAllocated() ? GetAncestor(Handle(), GA_ROOT) : nullptr;
    cc.rgbResult = ColorToRGB(initial);
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT;
    const std::pair<unsigned, DWORD> flags[] = {{cdFullOpen, CC_FULLOPEN},
                                                {cdPreventFullOpen, CC_PREVENTFULLOPEN},
                                                {cdShowHelp, CC_SHOWHELP},
                                                {cdSolidColor, CC_SOLIDCOLOR},
                                                {cdAnyColor, CC_ANYCOLOR}};
    for (const auto& [option, flag] : flags)
        if (colorDlgOptions_ & option) cc.Flags |= flag;
    if (!ChooseColorW(&cc)) return false;
    for (int i = 0; i < kCustomColorCount; ++i) table[i] = custom[i] & 0xFFFFFF;
    chosen = static_cast<TColor>(cc.rgbResult & 0xFFFFFF);
    return true;
}

// ---------------------------------------------------------------------------------
// Form descriptions

bool TColorComboBox::ReadProperty(const std::string& name, const FormValue& value) {
    if (name.rfind("ColorNames.", 0) == 0) {
        const int id = TColorNames::IdOfProperty(std::string_view(name).substr(11));
        if (id < 0) return false;
        names_.SetName(id, Widen(ValueText(value)));
    } else if (name == "CustomColor") SetCustomColor(ValueColor(value));
    else if (name == "CustomColors.Strings") {
        if (value.kind != FormValue::Kind::List)
            throw KeloError("form description: a list of lines expected");
        SetCustomColors(value.items);
    } else if (name == "ColorDlgOptions") {
        if (value.kind != FormValue::Kind::Set) throw KeloError("form description: a set expected");
        unsigned options = 0;
        for (const std::string& item : value.items) {
            options |= ValueFromNames<unsigned>(
                {{"cdFullOpen", cdFullOpen}, {"cdPreventFullOpen", cdPreventFullOpen},
                 {"cdShowHelp", cdShowHelp}, {"cdSolidColor", cdSolidColor}, {"cdAnyColor", cdAnyColor}},
                FormValue{FormValue::Kind::Ident, 0, item, {}, {}}, "colour dialog option");
        }
        SetColorDlgOptions(options);
    } else if (name == "DefaultColor") SetDefaultColor(ValueColor(value));
    else if (name == "RegIniFile") {
        TComponent* store = Owner() ? Owner()->FindComponent(ValueIdent(value)) : nullptr;
        if (!store) throw KeloError("form description: no component " + value.text);
        SetRegIniFile(store);
    } else if (name == "ShowColorNames") SetShowColorNames(ValueBool(value));
    else if (name == "ShowCustomColor") SetShowCustomColor(ValueBool(value));
    else if (name == "ShowDefaultColor") SetShowDefaultColor(ValueBool(value));
    else if (name == "ShowSysColors") SetShowSysColors(ValueBool(value));
    else if (name == "SelectedColor") SetSelectedColor(ValueColor(value));
    else return TFramedComboBox::ReadProperty(name, value);
    return true;
}

void TColorComboBox::Notification(TComponent* component, TOperation operation) {
    TFramedComboBox::Notification(component, operation);
    if (operation == TOperation::opRemove && component == regIniFile_) regIniFile_ = nullptr;
}

}  // namespace kelo::controls
