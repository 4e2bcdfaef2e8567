#pragma once
// The font and colour pickers: owner-drawn drop-down lists on the system's combo box.
//
// Form descriptions name them once RegisterPickerClasses has run:
//   object cboxFont: TFontComboBox ... ShowStyle = ssFontSample; FontName = '宋体'; end
//   object cboxColor: TColorComboBox ... ItemHeight = 16; OnChange = cboxColorChange; end
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "controls/PickerLogic.h"
#include "framework/Control.h"
#include "framework/Graphics.h"

namespace kelo::win {
class TCustomEdit;
}

namespace kelo::controls {

using win::TComponent;
using win::TNotifyEvent;
using win::TOperation;

// Makes TFramedComboBox, TFontComboBox and TColorComboBox known to form descriptions.
// Call before loading the first form that names them; calling again does no harm.
void RegisterPickerClasses();

// An owner-drawn fixed-height drop-down list (the system's combo box). Entries live in
// the window, and a class fills them in BuildList whenever the window is made, so
// RecreateWnd, a new font or a new list option brings a fresh list.
class TFramedComboBox : public win::TWinControl {
public:
    static constexpr const char* kClassName = "TFramedComboBox";
    const char* ClassName() const override { return kClassName; }
    // The painters and the skin treat it as the combo box it is.
    bool InheritsFrom(std::string_view name) const override {
        return name == kClassName || name == "TCustomComboBox" || TWinControl::InheritsFrom(name);
    }

    explicit TFramedComboBox(TComponent* owner);
    ~TFramedComboBox() override;

    int ItemCount() const;
    std::wstring ItemText(int index) const;
    LPARAM ItemData(int index) const;
    // The selected entry, -1 for none. Setting it runs no OnChange (only the user's
    // choice does).
    int ItemIndex() const;
    void SetItemIndex(int index);

    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    // Entries the open list shows without scrolling.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    bool DroppedDown() const;
    void SetDroppedDown(bool dropped);

    // Destroys and makes the window again (the list is built anew).
    void RecreateWnd();

    // Entries of the window's list; they go with the window.
    int AddItem(const std::wstring& text, LPARAM data);
    void InsertItem(int index, const std::wstring& text, LPARAM data);
    void DeleteItem(int index);
    void ClearItems();
    void SetItemData(int index, LPARAM data);
    // Replaces an entry's text, keeping its data and the selection.
    void SetItemText(int index, const std::wstring& text);

    // The user chose another entry.
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    void SetBounds(int left, int top, int width, int height) override;
    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;

protected:
    // Fills the list; runs each time the window has been made.
    virtual void BuildList() {}
    // Draws one entry. The canvas has the control's font; its brush is the entry's
    // background (clHighlight when selected) and its font colour the text's.
    // ODS_COMBOBOXEDIT in `state` marks the selection field.
    virtual void DrawItem(win::TCanvas& canvas, int index, RECT rect, UINT state);
    virtual void DropDown();
    // After the list closed (run once the combo box has finished with it);
    // `cancelled` when it closed without a choice.
    virtual void CloseUp(bool cancelled);
    virtual void Change();
    // The window is about to go: keep what the next window must show again.
    virtual void SaveState() {}
    // The list is built again: bring back what SaveState kept.
    virtual void RestoreState() {}
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Messages from the parent: WM_COMMAND notifications and WM_DRAWITEM.
    bool HandleParentNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    void CreateParamsFor(win::CreateParams& params) override;
    void WindowCreated() override;
    void DestroyWnd() override;
    void FontChanged() override;

    // The canvas colours of an entry (selected or not, enabled or not).
    void PrepareCanvas(win::TCanvas& canvas, UINT state) const;
    int TextHeight(win::TCanvas& canvas) const;

private:
    void WMDrawItem(const DRAWITEMSTRUCT& item);
    void ApplyItemHeights();
    // The window's height: the selection field and the open list below it.
    int DroppedWindowHeight() const;

    int itemHeight_ = 16;
    int dropDownCount_ = 8;
    bool sorted_ = false;
    bool cancelled_ = false;
    bool recreating_ = false;
};

class TFontPreviewPanel;

// The installed font families with a type glyph, each name drawn in the control's
// font, in its own typeface, or both; with ssFontPreview a popup beside the open list
// shows the focused family large. Families chosen by the user are kept at the top.
class TFontComboBox : public TFramedComboBox {
public:
    static constexpr const char* kClassName = "TFontComboBox";
    const char* ClassName() const override { return kClassName; }
    bool InheritsFrom(std::string_view name) const override {
        return name == kClassName || TFramedComboBox::InheritsFrom(name);
    }

    explicit TFontComboBox(TComponent* owner);
    ~TFontComboBox() override;

    TFontDevice FontDevice() const { return fontDevice_; }
    void SetFontDevice(TFontDevice device);
    // The selected family, empty when none (before the window exists: the family asked
    // for). Setting it selects the first entry of that name (case-insensitive), or none.
    std::wstring FontName() const;
    void SetFontName(const std::wstring& name);
    int FontSize() const { return fontSize_; }
    void SetFontSize(int size) { fontSize_ = size; }
    // win::TFontStyle bits.
    unsigned FontStyle() const { return fontStyle_; }
    void SetFontStyle(unsigned style) { fontStyle_ = style; }
    TFontFilter FontType() const { return fontType_; }
    void SetFontType(TFontFilter filter);
    bool MaintainMRUFonts() const { return maintainMRUFonts_; }
    void SetMaintainMRUFonts(bool maintain) { maintainMRUFonts_ = maintain; }
    win::TCustomEdit* PreviewEdit() const { return previewEdit_; }
    void SetPreviewEdit(win::TCustomEdit* edit) { previewEdit_ = edit; }
    int PreviewFontSize() const { return previewFontSize_; }
    void SetPreviewFontSize(int size);
    int PreviewHeight() const { return previewHeight_; }
    void SetPreviewHeight(int height);
    int PreviewWidth() const { return previewWidth_; }
    void SetPreviewWidth(int width);
    const std::wstring& PreviewText() const { return previewText_; }
    void SetPreviewText(std::wstring text) { previewText_ = std::move(text); }
    bool ShowSymbolFonts() const { return showSymbolFonts_; }
    void SetShowSymbolFonts(bool show);
    TFontShowStyle ShowStyle() const { return showStyle_; }
    void SetShowStyle(TFontShowStyle style);

    // The selected family at FontSize and FontStyle, owned by the picker; nullptr when
    // nothing is selected.
    win::TFont* SelectedFont();
    // The last index of the recently used families at the top, -1 when there are none.
    int RecentLast() const { return recentLast_; }
    TFontPreviewPanel* Preview() const { return preview_; }

    bool ReadProperty(const std::string& name, const FormValue& value) override;
    void Notification(TComponent* component, TOperation operation) override;

    // Sent by the preview to its picker to be hidden.
    static constexpr UINT kHidePreviewMessage = 46062;

protected:
    void BuildList() override;
    void DrawItem(win::TCanvas& canvas, int index, RECT rect, UINT state) override;
    void DropDown() override;
    void CloseUp(bool cancelled) override;
    void SaveState() override;
    void RestoreState() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void RebuildList();
    void ShowPreview();
    void HidePreview();
    void DrawGlyph(HDC dc, unsigned pitchAndFamily, int x, int y);
    win::Font SampleFont(const std::wstring& family) const;

    TFontDevice fontDevice_ = TFontDevice::fdScreen;
    TFontFilter fontType_ = TFontFilter::ftAll;
    TFontShowStyle showStyle_ = TFontShowStyle::ssFontName;
    int fontSize_ = 8;
    unsigned fontStyle_ = 0;
    bool maintainMRUFonts_ = true;
    bool showSymbolFonts_ = true;
    win::TCustomEdit* previewEdit_ = nullptr;
    int previewFontSize_ = 36;
    int previewHeight_ = 65;
    int previewWidth_ = 260;
    std::wstring previewText_;
    int recentLast_ = -1;
    std::wstring savedName_;
    std::unique_ptr<win::TFont> selectedFont_;
    std::array<win::Bitmap, 5> glyphs_;
    bool glyphsLoaded_ = false;
    TFontPreviewPanel* preview_ = nullptr;
};

// The popup beside the font picker's open list: the preview text centred (or from the
// left) in the focused family, with a one-pixel outline.
class TFontPreviewPanel : public win::TWinControl {
public:
    static constexpr const char* kClassName = "TFontPreviewPanel";
    const char* ClassName() const override { return kClassName; }
    bool InheritsFrom(std::string_view name) const override {
        return name == kClassName || TWinControl::InheritsFrom(name);
    }

    TFontPreviewPanel(TComponent* owner, TFontComboBox& picker);
    bool LeftAligned() const { return leftAligned_; }
    void SetLeftAligned(bool left);
    // Shows the panel at a screen position without taking the focus.
    void ShowAt(int x, int y);
    void HidePanel();

protected:
    void CreateParamsFor(win::CreateParams& params) override;
    void VisibleChanged() override;
    void PaintWindow(HDC dc) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TFontComboBox& picker_;
    bool leftAligned_ = false;
};

// Colour dialog options (sets of these bits).
enum TColorDialogOption : unsigned {
    cdFullOpen = 1,
    cdPreventFullOpen = 2,
    cdShowHelp = 4,
    cdSolidColor = 8,
    cdAnyColor = 16,
};

// Named colours with a swatch: Default, the 16 basic colours, the 25 system colours
// and Custom, which opens the system's colour dialog when the user chooses it.
class TColorComboBox : public TFramedComboBox {
public:
    static constexpr const char* kClassName = "TColorComboBox";
    const char* ClassName() const override { return kClassName; }
    bool InheritsFrom(std::string_view name) const override {
        return name == kClassName || TFramedComboBox::InheritsFrom(name);
    }

    explicit TColorComboBox(TComponent* owner);

    TColorNames& ColorNames() { return names_; }
    const TColorNames& ColorNames() const { return names_; }
    TColor CustomColor() const { return customColor_; }
    void SetCustomColor(TColor color);
    // name=value lines, values as six lower-case hexadecimal digits.
    const std::vector<std::string>& CustomColors() const { return customColors_; }
    void SetCustomColors(const std::vector<std::string>& lines);
    // TColorDialogOption bits.
    unsigned ColorDlgOptions() const { return colorDlgOptions_; }
    void SetColorDlgOptions(unsigned options) { colorDlgOptions_ = options; }
    TColor DefaultColor() const { return defaultColor_; }
    void SetDefaultColor(TColor color);
    // A settings-store component, only referred to.
    TComponent* RegIniFile() const { return regIniFile_; }
    void SetRegIniFile(TComponent* component) { regIniFile_ = component; }
    bool ShowColorNames() const { return showColorNames_; }
    void SetShowColorNames(bool show);
    bool ShowCustomColor() const { return options_.showCustom; }
    void SetShowCustomColor(bool show);
    bool ShowDefaultColor() const { return options_.showDefault; }
    void SetShowDefaultColor(bool show);
    bool ShowSysColors() const { return options_.showSysColors; }
    void SetShowSysColors(bool show);

    // The selected entry's colour, DefaultColor when none. Setting it selects the first
    // entry of that colour, or puts it into Custom and selects the last entry; either
    // way OnChange runs.
    TColor SelectedColor() const;
    void SetSelectedColor(TColor color);

    bool ReadProperty(const std::string& name, const FormValue& value) override;
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

protected:
    void BuildList() override;
    void DrawItem(win::TCanvas& canvas, int index, RECT rect, UINT state) override;
    void CloseUp(bool cancelled) override;
    void SaveState() override;
    void RestoreState() override;

    // Runs the colour dialog from `initial`; true with the chosen colour on OK.
    // The dialog's custom colours come from and go back to `table`.
    virtual bool ExecuteColorDialog(TColor initial, CustomColorTable& table, TColor& chosen);

private:
    void ListOptionsChanged();
    std::vector<TColor> EntryColors() const;

    TColorNames names_;
    ColorListOptions options_;
    TColor customColor_ = 0;
    TColor defaultColor_ = 0;
    std::vector<std::string> customColors_;
    unsigned colorDlgOptions_ = cdFullOpen;
    TComponent* regIniFile_ = nullptr;
    bool showColorNames_ = true;
    int savedIndex_ = -1;
};

}  // namespace kelo::controls
