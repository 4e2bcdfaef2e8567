#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Control.h"
#include "framework/StdCtrls.h"

namespace kelo::win {

class TImageList;
class TTreeView;

// The items of a tree view. They live in the tree view's window, so the window is made
// when the first item is added.
class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView& tree) : tree_(tree) {}
    // imageIndex -1: no image.
    HTREEITEM AddTopLevel(const std::wstring& text, int imageIndex = -1);
    HTREEITEM AddChild(HTREEITEM parent, const std::wstring& text, int imageIndex = -1);
    int Count() const;
    void Clear();

private:
    TTreeView& tree_;
};

class TTreeView : public TWinControl {
    KELO_CLASS(TTreeView, TWinControl)
public:
    explicit TTreeView(TComponent* owner);
    TTreeNodes& Items() { return items_; }
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images);
    int Indent() const { return indent_; }
    void SetIndent(int indent);
    HTREEITEM Selected() const;
    void Select(HTREEITEM item);
    std::wstring ItemText(HTREEITEM item) const;

    // After the selection moved to another item.
    TNotifyEvent OnChange;

    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;
    void ColorChanged() override;
    void FontChanged() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool HandleParentNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ApplyColors();
    TTreeNodes items_{*this};
    TImageList* images_ = nullptr;
    int indent_ = 19;
    bool showRoot_ = true, showLines_ = true, showButtons_ = true;
    bool readOnly_ = false, hideSelection_ = true, rowSelect_ = false, border_ = true;
};

struct TListColumn {
    std::wstring caption;
    int width = 50;  // LVSCW_AUTOSIZE (-1) and LVSCW_AUTOSIZE_USEHEADER (-2) size to fit
    TAlignment alignment = TAlignment::taLeftJustify;
};

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

// The system's list view. With OwnerData the list keeps no rows of its own: it holds a
// row count and asks OnGetCell for the texts it is about to show, so the number of rows
// costs nothing.
class TListView : public TWinControl {
    KELO_CLASS(TListView, TWinControl)
public:
    explicit TListView(TComponent* owner);

    const std::vector<TListColumn>& Columns() const { return columns_; }
    void AddColumn(const std::wstring& caption, int width,
                   TAlignment alignment = TAlignment::taLeftJustify);
    int ColumnWidth(int column) const;
    bool OwnerData() const { return ownerData_; }

    // Rows of a list with its own items.
    int AddItem(const std::vector<std::wstring>& cells);
    void Clear();
    // The number of rows; for an OwnerData list it is set here.
    int ItemCount() const;
    void SetItemCount(int count);
    // Asks for the rows' texts again (OwnerData rows whose data changed).
    void RefreshRows();

    void EnsureVisible(int row);
    int TopIndex() const;
    // The first selected row, or -1; all selected rows in order.
    int ItemIndex() const;
    void SetItemIndex(int row);
    std::vector<int> SelectedRows() const;

    std::function<std::wstring(int row, int column)> OnGetCell;
    // After the selection changed.
    TNotifyEvent OnChange;
    TNotifyEvent OnDblClick;

    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;
    void ColorChanged() override;
    void FontChanged() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool HandleParentNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void InsertColumn(int index, const TListColumn& column);
    void MeasureRowsBeforeShowing();
    void ApplyColors();
    void ReadColumns(const FormValue& value);
    std::wstring CellText(int row, int column);
    std::vector<TListColumn> columns_;
    TViewStyle viewStyle_ = TViewStyle::vsIcon;
    int itemCount_ = 0;
    int rowsPerPage_ = 0;  // at the last size
    bool rowsMeasured_ = false;
    bool ownerData_ = false, gridLines_ = false, rowSelect_ = false, multiSelect_ = false;
    bool readOnly_ = false, flatScrollBars_ = false, hideSelection_ = true;
    bool columnClick_ = true, showColumnHeaders_ = true, border_ = true;
    bool cellErrorShown_ = false;
};

enum class TStatusPanelBevel { pbNone, pbLowered, pbRaised };

struct TStatusPanel {
    std::wstring text;
    int width = 50;
    TStatusPanelBevel bevel = TStatusPanelBevel::pbLowered;
    TAlignment alignment = TAlignment::taLeftJustify;
};

// The system's status bar with panels; the last panel reaches to the right edge. The
// bar keeps the place the layout gives it (bottom-aligned by default).
class TStatusBar : public TWinControl {
    KELO_CLASS(TStatusBar, TWinControl)
public:
    explicit TStatusBar(TComponent* owner);
    const std::vector<TStatusPanel>& Panels() const { return panels_; }
    void AddPanel(int width, TStatusPanelBevel bevel = TStatusPanelBevel::pbLowered);
    void SetPanelWidth(int index, int width);
    void SetPanelText(int index, std::wstring text);
    const std::wstring& PanelText(int index) const { return panels_.at(index).text; }
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool simple);
    void SetSimpleText(std::wstring text);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool sizeGrip);

    bool ReadProperty(const std::string& name, const FormValue& value) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;

private:
    void UpdateParts();
    void UpdatePanelText(int index);
    void ReadPanels(const FormValue& value);
    std::vector<TStatusPanel> panels_;
    bool simplePanel_ = false;
    bool sizeGrip_ = true;
    std::wstring simpleText_;
};

enum class TDateTimeKind { dtkDate, dtkTime };

// The system's date and time picker. Without a value of its own it shows the current
// date and time.
class TDateTimePicker : public TWinControl {
    KELO_CLASS(TDateTimePicker, TWinControl)
public:
    explicit TDateTimePicker(TComponent* owner);
    SYSTEMTIME DateTime() const;
    void SetDateTime(const SYSTEMTIME& value);
    // The width that shows the whole value with the drop-down button, at the screen's
    // scale; the present width when the control cannot say.
    int IdealWidth() const;

    TNotifyEvent OnChange;

    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;
    bool HandleParentNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    TDateTimeKind kind_ = TDateTimeKind::dtkDate;
    bool longDate_ = false, upDown_ = false, showCheckbox_ = false, alignRight_ = false;
    bool hasValue_ = false;
    SYSTEMTIME value_{};
    std::wstring format_;
};

enum class TUDOrientation { udVertical, udHorizontal };

// The system's up-down control attached to an edit (its associate), whose text shows
// the position. The two are joined once both windows exist.
class TUpDown : public TWinControl {
    KELO_CLASS(TUpDown, TWinControl)
public:
    explicit TUpDown(TComponent* owner);
    TWinControl* Associate() const { return associate_; }
    void SetAssociate(TWinControl* control);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const;
    void SetPosition(int position);

    bool ReadProperty(const std::string& name, const FormValue& value) override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Joins the associate; when its window does not exist yet, tries once more after
    // the form has made its windows.
    void AttachBuddy(bool retryLater);
    TWinControl* associate_ = nullptr;
    int min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
    bool wrap_ = false, thousands_ = true, arrowKeys_ = true, alignLeft_ = false;
    TUDOrientation orientation_ = TUDOrientation::udVertical;
    RECT designed_{};
};

}  // namespace kelo::win
