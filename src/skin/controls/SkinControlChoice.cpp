#include "skin/controls/SkinControlChoice.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace kelo::skin {

namespace {

using K = SkinControlKind;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    return lower;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsOneOf(std::string_view className, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return SameText(className, n); });
}

// Our framework has no TCustom* layer under every standard control, so a family is known
// by its abstract class or by the standard classes that stand for it.
bool InheritsAny(const ControlFacts& control, std::initializer_list<std::string_view> names) {
    return control.inheritsFrom &&
           std::any_of(names.begin(), names.end(), [&](std::string_view n) { return control.inheritsFrom(n); });
}

SkinControlChoice Attach(K kind) { return {.kind = kind}; }
SkinControlChoice AttachKeepingColour(K kind) { return {.kind = kind, .keepColour = true}; }
SkinControlChoice AttachByHandle(K kind) { return {.kind = kind, .byHandle = true}; }

SkinControlChoice Group(const SkinSwitches& switches, K childKind) {
    SkinControlChoice choice{.kind = K::TSkinBox};
    if (switches.skinControls.test(xcRadioButton)) {
        choice.childrenParentColourOff = true;
        choice.childKind = childKind;
    }
    return choice;
}

// A ClassSkinMap line takes the control whatever its family's switch says.
SkinControlChoice ChooseByMapKind(const std::string& kind, const SkinSwitches& switches) {
    const TSkinControlTypes& on = switches.skinControls;
    if (kind == "combobox" && on.test(xcCombo)) return Attach(K::TSkinComboBox);
    if (kind == "edit" && on.test(xcEdit)) return AttachByHandle(K::TSkinEdit);
    if (kind == "radiobutton" && on.test(xcRadioButton)) return AttachKeepingColour(K::TSkinRadioButton);
    if (kind == "panel" && on.test(xcPanel))
        return {.kind = K::TSkinBox, .keepColour = true, .change = ControlPropertyChange::TransparentTrue};
    if (kind == "trackbar" && on.test(xcButton))
        return {.kind = K::TSkinTrackBar, .change = ControlPropertyChange::TransparentTrue};
    if (kind == "button" && on.test(xcButton)) return Attach(K::TSkinButton);
    if (kind == "tab" && on.test(xcTab) && switches.skinHasTabs) return AttachByHandle(K::TSkinTab);
    if (kind == "progress" && on.test(xcProgress)) return Attach(K::TSkinProgress);
    if (kind == "scrollbar" && on.test(xcScrollbar)) return Attach(K::TSkinScrollBar);
    if (kind == "radiogroup" && on.test(xcPanel)) return Group(switches, K::TSkinRadioButton);
    if (kind == "checkgroup" && on.test(xcPanel)) return Group(switches, K::TSkinCheckBox);
    if (kind == "checkbox" && on.test(xcCheckBox)) return AttachKeepingColour(K::TSkinCheckBox);
    return {};
}

// A bare button by its type (the low four style bits). Group boxes, owner-drawn, user,
// split and command-link buttons draw themselves in ways the skin's images do not cover.
K BareButtonKind(uint32_t style) {
    switch (style & 0xF) {
        case 0x0:  // BS_PUSHBUTTON
        case 0x1:  // BS_DEFPUSHBUTTON
            return K::TSkinButton;
        case 0x2:  // BS_CHECKBOX
        case 0x3:  // BS_AUTOCHECKBOX
        case 0x5:  // BS_3STATE
        case 0x6:  // BS_AUTO3STATE
            return K::TSkinCheckBox;
        case 0x4:  // BS_RADIOBUTTON
        case 0x9:  // BS_AUTORADIOBUTTON
            return K::TSkinRadioButton;
        default:
            return K::None;
    }
}

bool IsScrollable(const ControlFacts& control) {
    constexpr uint32_t kScrollBarStyles = 0x100000 | 0x200000;
    return InheritsAny(control, {"TWinControl"}) &&
           ((control.style & kScrollBarStyles) != 0 || InheritsAny(control, {"TMemo", "TCustomTreeView", "TTreeView"}) ||
            control.tag == 55);
}

// The last step: the first family test that applies, in this fixed order.
SkinControlChoice ChooseByFamily(const ControlFacts& c, const SkinSwitches& switches, int32_t t) {
    const TSkinControlTypes& on = switches.skinControls;
    const std::string& name = c.className;
    if (on.test(xcCheckBox) && InheritsAny(c, {"TCustomCheckBox", "TCheckBox"}))
        return AttachKeepingColour(K::TSkinCheckBox);
    if (on.test(xcButton) && SameText(name, "TTRACKBAR")) return Attach(K::TSkinTrackBar);
    if (on.test(xcButton) && SameText(name, "TUPDOWN")) return Attach(K::TSkinUpDown);
    if (on.test(xcRadioButton) && InheritsAny(c, {"TCustomRadioGroup", "TRadioGroup"}))
        return {.kind = K::TSkinBox, .childrenParentColourOff = true, .childKind = K::TSkinRadioButton};
    if (on.test(xcPanel) && SameText(name, "TDBNAVIGATOR"))
        return {.kind = K::TSkinBox, .change = ControlPropertyChange::FlatTrue};
    if (on.test(xcPanel) && InheritsAny(c, {"TCustomGroupBox", "TGroupBox"}))
        return {.kind = K::TSkinBox, .childrenParentColourOff = true, .walk = true};
    if (on.test(xcRadioButton) && InheritsAny(c, {"TRadioButton"})) return Attach(K::TSkinRadioButton);
    if (on.test(xcToolbar) && InheritsAny(c, {"TToolBar", "TCoolBar", "TControlBar"}))
        return {.kind = K::TSkinBox, .change = ControlPropertyChange::FlatTrue};
    if (on.test(xcStatusBar) && InheritsAny(c, {"TStatusBar"}))
        return {.kind = K::TSkinStatusBar, .change = ControlPropertyChange::SizeGripFalse};
    if (on.test(xcProgress) && InheritsAny(c, {"TProgressBar"})) return Attach(K::TSkinProgress);
    if (on.test(xcScrollbar) && InheritsAny(c, {"TScrollBar"})) return Attach(K::TSkinScControl);
    if (on.test(xcCombo) && (t == 95 || InheritsAny(c, {"TCustomComboBox", "TComboBox"})))
        return Attach(K::TSkinComboBox);
    if (on.test(xcEdit) && SameText(name, "TDATETIMEPICKER"))
        return c.dateModeUpDown ? AttachByHandle(K::TSkinEdit) : Attach(K::TSkinComboBox);
    if (on.test(xcScrollbar) && IsOneOf(name, {"TRICHEDIT", "TWWDBRICHEDIT", "TDXDBMEMO"}))
        return Attach(K::TSkinScrollBar);
    if (on.test(xcBitBtn) && InheritsAny(c, {"TBitBtn"})) return Attach(K::TSkinBitButton);
    if (on.test(xcSpeedButton) && InheritsAny(c, {"TSpeedButton"})) return Attach(K::TSkinSpeedButton);
    if (on.test(xcPanel) && InheritsAny(c, {"TCustomPanel", "TPanel"}))
        return {.kind = K::TSkinBox, .keepColour = true, .walk = true};
    if (on.test(xcScrollbar) && IsOneOf(name, {"TDXTREELIST", "TDXDBTREELIST", "TDXDBGRID"}))
        return Attach(K::TSkinScrollBar);
    if (on.test(xcScrollbar) && InheritsAny(c, {"TCustomListView", "TListView"})) return Attach(K::TSkinListView);
    if (on.test(xcScrollbar) && InheritsAny(c, {"TCustomMemo", "TMemo"})) return Attach(K::TSkinScrollBar);
    if (on.test(xcScrollbar) && (t == 96 || IsScrollable(c))) return Attach(K::TSkinScrollBar);
    if (on.test(xcButton) && InheritsAny(c, {"TButton"})) return Attach(K::TSkinButton);
    // Tag 97 asks for the edit look on a window of a class we do not know.
    if (on.test(xcEdit) && (InheritsAny(c, {"TCustomEdit", "TEdit"}) || (t == 97 && InheritsAny(c, {"TWinControl"}))))
        return AttachByHandle(K::TSkinEdit);
    if (InheritsAny(c, {"TCustomForm", "TForm"})) return {.buttonFaceColour = true, .walk = true};
    return {};
}

}  // namespace

InheritsFromTest AncestryTest(std::vector<std::string> ancestry) {
    return [ancestry = std::move(ancestry)](std::string_view name) {
        return std::any_of(ancestry.begin(), ancestry.end(), [&](const std::string& c) { return SameText(c, name); });
    };
}

const std::vector<std::wstring>& DefaultClassSkinMap() {
    static const std::vector<std::wstring> lines = {
        L"TTBDock=Panel", L"TTBToolbar=Panel", L"TLMDGROUPBOX=Panel", L"TLMDSIMPLEPANEL=Panel",
        L"TLMDDBCalendar=Panel", L"TLMDButtonPanel=Panel", L"TLMDLMDCalculator=Panel",
        L"TLMDHeaderPanel=Panel", L"TLMDTechnicalLine=Panel", L"TLMDLMDClock=Panel",
        L"TImageEnMView=scrollbar", L"TImageEnView=scrollbar",
        L"TFramedButton=button",
        L"TFramedCheckGroup=CheckGroup", L"TLMDCheckGroup=CheckGroup", L"TLMDDBCheckGroup=CheckGroup",
        L"TFramedRadioGroup=Radiogroup", L"TFramedDBRadioGroup=Radiogroup", L"TLMDRADIOGROUP=Radiogroup",
        L"TLMDDBRADIOGROUP=Radiogroup", L"TWWRADIOGROUP=Radiogroup",
        L"TFramedRadioButton=Radiobutton", L"TFramedDBRadioButton=Radiobutton", L"TLMDRadiobutton=Radiobutton",
        L"TFramedCheckBox=Checkbox", L"TFramedDBCheckBox=Checkbox", L"TDBCheckboxEh=Checkbox",
        L"TDBCheckboxEh=Checkbox", L"TLMDCHECKBOX=Checkbox", L"TLMDDBCHECKBOX=Checkbox",
        L"TLMDTrackbar=trackbar",
        L"TLMDListCombobox=combobox", L"TLMDCheckListCombobox=combobox", L"TLMDHeaderListCombobox=combobox",
        L"TLMDImageCombobox=combobox", L"TLMDColorCombobox=combobox", L"TLMDFontCombobox=combobox",
        L"TLMDFontSizeCombobox=combobox", L"TLMDFontSizeCombobox=combobox", L"TLMDPrinterCombobox=combobox",
        L"TLMDDriveCombobox=combobox", L"TLMDCalculatorComboBox=combobox", L"TLMDTrackBarComboBox=combobox",
        L"TLMDCalendarComboBox=combobox", L"TDBLookupCombobox=combobox", L"TWWDBCombobox=combobox",
        L"TWWDBCombobox=combobox", L"TWWDBLookupCombo=combobox", L"TWWKeyCombo=combobox",
        L"TWWTempKeyCombo=combobox", L"TWWDBDateTimePicker=combobox", L"TDXDBPICKEDIT=combobox",
        L"TDXDBCALCEDIT=combobox", L"TDXDBIMAGEEDIT=combobox", L"TDXDBPOPUPEDIT=combobox",
        L"TDXDBEXTLOOKUPEDIT=combobox", L"TDXDBLOOKUPEDIT=combobox", L"TDXDBDATEEDIT=combobox",
        L"TDXDATEEDIT=combobox", L"TDXPICKEDIT=combobox", L"TDXPOPUPEDIT=combobox",
        L"TFramedButtonEdit=Edit", L"TLMDEDIT=Edit", L"TLMDMASKEDIT=Edit", L"TLMDBROWSEEDIT=Edit",
        L"TLMDEXTSPINEDIT=Edit", L"TLMDCALENDAREDIT=Edit", L"TLMDFILEOPENEDIT=Edit", L"TLMDFILESAVEEDIT=Edit",
        L"TLMDCOLOREDIT=Edit", L"TLMDDBEDIT=Edit", L"TLMDDBMASKEDIT=Edit", L"TLMDDBEXTSPINEDIT=Edit",
        L"TLMDDBSPINEDIT=Edit", L"TLMDDBEDITDBLookup=Edit", L"TLMDEDITDBLookup=Edit",
        L"TDXDBCURRENCYEDIT=Edit", L"TDXDBEDIT=Edit", L"TDXDBMASKEDIT=Edit", L"TDXDBHYPERLINKEDIT=Edit",
        L"TDXEDIT=Edit", L"TDXMASKEDIT=Edit", L"TWWDBEDIT=Edit", L"TDXBUTTONEDIT=Edit",
        L"TDXCURRENCYEDIT=Edit", L"TDXHYPERLINKEDIT=Edit", L"TOVCPICTUREFIELD=Edit",
        L"TOVCDBPICTUREFIELD=Edit", L"TOVCSLIDEREDIT=Edit", L"TOVCDBSLIDEREDIT=Edit",
        L"TOVCSIMPLEFIELD=Edit", L"TOVCDBSIMPLEFIELD=Edit", L"TO32DBFLEXEDIT=Edit",
        L"TOVCNUMERICFIELD=Edit", L"TOVCDBNUMERICFIELD=Edit",
    };
    return lines;
}

bool SkinRefusedByTag(int32_t tag, int32_t disableTag) { return tag % 100 == disableTag; }

bool IsPreviewForm(std::string_view formName, std::string_view formClassName) {
    return formName.find("preview") != std::string_view::npos ||
           IsOneOf(formClassName, {"TQRStandardPreview", "TppPrintPreview", "TdxfmStdPreview"});
}

std::string ClassSkinMapKind(const std::vector<std::wstring>& map, std::string_view className) {
    constexpr size_t kKindLength = 50;
    const std::string key = LowerAscii(className) + "=";
    for (const std::wstring& line : map) {
        if (line.size() < key.size()) continue;
        // Class names and kind words are ASCII; anything wider cannot match.
        std::string lower(line.size(), '\0');
        std::transform(line.begin(), line.end(), lower.begin(),
                       [](wchar_t c) { return c < 0x80 ? Lower(static_cast<char>(c)) : '\x80'; });
        if (lower.compare(0, key.size(), key) == 0) return lower.substr(key.size(), kKindLength);
    }
    return {};
}

SkinControlChoice ChooseSkinControl(const ControlFacts& control, const SkinSwitches& switches) {
    const int32_t t = control.tag % 100;
    const std::string& name = control.className;
    const TSkinControlTypes& on = switches.skinControls;
    if (t == switches.disableTag) return {};
    if (IsOneOf(name, {"TDBCOMBOBOXEH", "TQRPREVIEW", "TFRDESIGNERPAGE", "TFRPBOX"})) return {};
    if (SameText(name, "TTOOLBAR")) return {.change = ControlPropertyChange::FlatTrue, .buttonFaceColour = true};
    const bool tabs = on.test(xcTab) && switches.skinHasTabs;
    if (tabs && InheritsAny(control, {"TCustomTabControl", "TTabControl", "TPageControl"}))
        return AttachByHandle(K::TSkinTab);
    if (switches.classSkinMap) {
        // A class the map names is done here, even when its kind is switched off.
        const std::string kind = ClassSkinMapKind(*switches.classSkinMap, name);
        if (!kind.empty()) return ChooseByMapKind(kind, switches);
    }
    if (tabs && SameText(name, "TTABSET")) return Attach(K::TSkinTab31);
    if (tabs && SameText(name, "TTABBEDNOTEBOOK")) return AttachByHandle(K::TSkinTab);
    if (SameText(name, "TMVCPANEL")) return {.walk = true};
    return ChooseByFamily(control, switches, t);
}

BareWindowChoice ChooseBareWindowSkin(std::string_view className, uint32_t style) {
    const std::string name = LowerAscii(className);
    if (name == "button") return {BareButtonKind(style)};
    if (name == "combobox") return (style & 3) != 1 ? BareWindowChoice{K::TSkinComboBox} : BareWindowChoice{};
    if (name == "comboboxex32") return {K::TSkinComboBox, true};
    if (name == "scrollbar") return {K::TSkinSizer};
    if (name == "systabcontrol32") return (style & 0x2000) == 0 ? BareWindowChoice{K::TSkinTab} : BareWindowChoice{};
    if (name == "edit") return {K::TSkinEdit};
    return {};
}

}  // namespace kelo::skin
