#include "framework/ComCtrls.h"

#include <algorithm>
#include <map>

#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/Graphics.h"
#include "framework/WinText.h"

namespace kelo::win {

// ---------------------------------------------------------------------------------
// TListView

TListView::TListView(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    tabStop_ = true;
    SetBounds(0, 0, 250, 150);
}

void TListView::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = WC_LISTVIEWW;
    static constexpr DWORD kViews[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    p.style |= kViews[static_cast<int>(viewStyle_)];
    if (!multiSelect_) p.style |= LVS_SINGLESEL;
    if (!readOnly_) p.style |= LVS_EDITLABELS;
    if (!hideSelection_) p.style |= LVS_SHOWSELALWAYS;
    if (ownerData_) p.style |= LVS_OWNERDATA;
    if (!columnClick_) p.style |= LVS_NOSORTHEADER;
    if (!showColumnHeaders_) p.style |= LVS_NOCOLUMNHEADER;
    if (tabStop_) p.style |= WS_TABSTOP;
    if (border_) p.exStyle |= WS_EX_CLIENTEDGE;
}

void TListView::WindowCreated() {
    TWinControl::WindowCreated();
    const DWORD extended = (gridLines_ ? LVS_EX_GRIDLINES : 0) |
                           (rowSelect_ ? LVS_EX_FULLROWSELECT : 0) |
                           (flatScrollBars_ ? LVS_EX_FLATSB : 0);
    Perform(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB,
            extended);
    for (size_t i = 0; i < columns_.size(); ++i) InsertColumn(static_cast<int>(i), columns_[i]);
    ApplyColors();
    rowsMeasured_ = false;
    if (ownerData_) SetItemCount(itemCount_);
}

void TListView::ApplyColors() {
    const COLORREF back = ColorToRGB(Color());
    Perform(LVM_SETBKCOLOR, 0, back);
    Perform(LVM_SETTEXTBKCOLOR, 0, back);
    Perform(LVM_SETTEXTCOLOR, 0, ColorToRGB(Font().Color()));
}

void TListView::ColorChanged() {
    TWinControl::ColorChanged();
    ApplyColors();
}

void TListView::FontChanged() {
    TWinControl::FontChanged();
    ApplyColors();
}

void TListView::InsertColumn(int index, const TListColumn& column) {
    static constexpr int kFormats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    c.fmt = kFormats[static_cast<int>(column.alignment)];
    c.cx = std::max(column.width, 0);
    c.pszText = const_cast<wchar_t*>(column.caption.c_str());
    c.iSubItem = index;
    Perform(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&c));
    if (column.width < 0) Perform(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), column.width);
}

void TListView::AddColumn(const std::wstring& caption, int width, TAlignment alignment) {
    columns_.push_back({caption, width, alignment});
    if (HandleAllocated()) InsertColumn(static_cast<int>(columns_.size()) - 1, columns_.back());
}

int TListView::ColumnWidth(int column) const {
    if (!HandleAllocated()) return columns_.at(static_cast<size_t>(column)).width;
    return static_cast<int>(SendMessageW(Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

int TListView::AddItem(const std::vector<std::wstring>& cells) {
    if (ownerData_) throw KeloError("list view " + Name() + " takes its rows from OnGetCell");
    HandleNeeded();
    if (!HandleAllocated()) throw KeloError("list view " + Name() + " has no window yet");
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ItemCount();
    item.pszText = const_cast<wchar_t*>(cells.empty() ? L"" : cells[0].c_str());
    const int row = static_cast<int>(Perform(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t i = 1; i < cells.size() && row >= 0; ++i) {
        LVITEMW cell{};
        cell.iSubItem = static_cast<int>(i);
        cell.pszText = const_cast<wchar_t*>(cells[i].c_str());
        Perform(LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    }
    return row;
}

void TListView::Clear() {
    if (ownerData_) SetItemCount(0);
    else Perform(LVM_DELETEALLITEMS, 0, 0);
}

int TListView::ItemCount() const {
    if (!HandleAllocated()) return itemCount_;
    return static_cast<int>(SendMessageW(Handle(), LVM_GETITEMCOUNT, 0, 0));
}

void TListView::SetItemCount(int count) {
    itemCount_ = count;
    cellErrorShown_ = false;
    // Only the count changes; the rows on screen are asked for again when painted.
    Perform(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
    MeasureRowsBeforeShowing();
}

void TListView::MeasureRowsBeforeShowing() {
    // A list view works out the size of its rows at its first paint with rows and sets its
    // scroll bars again then, which the system redraws at once, themed, on top of the
    // frame's own painting. Painted once off screen while still hidden, it has them ready.
    if (rowsMeasured_ || itemCount_ == 0 || !HandleAllocated() || IsWindowVisible(Handle())) return;
    rowsMeasured_ = true;
    const MemoryDC dc(nullptr, 1, 1);  // one pixel, above the rows: none is drawn or asked for
    Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
}

void TListView::RefreshRows() {
    cellErrorShown_ = false;
    Invalidate();
}

std::wstring TListView::CellText(int row, int column) {
    if (!OnGetCell) return {};
    try {
        return OnGetCell(row, column);
    } catch (...) {
        // A failing source fails again on every repaint: its error is shown once until
        // the rows are set again, and the cells stay empty.
        if (!cellErrorShown_) {
            cellErrorShown_ = true;
            Application().ShowCurrentException(Handle());
        }
        return {};
    }
}

void TListView::EnsureVisible(int row) { Perform(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE); }

int TListView::TopIndex() const {
    return HandleAllocated() ? static_cast<int>(SendMessageW(Handle(), LVM_GETTOPINDEX, 0, 0)) : 0;
}

int TListView::ItemIndex() const {
    if (!HandleAllocated()) return -1;
    return static_cast<int>(SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         LVNI_SELECTED));
}

void TListView::SetItemIndex(int row) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    Perform(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (row < 0) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    Perform(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    EnsureVisible(row);
}

std::vector<int> TListView::SelectedRows() const {
    std::vector<int> rows;
    if (!HandleAllocated()) return rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                LVNI_SELECTED))) >= 0)
        rows.push_back(row);
    return rows;
}

LRESULT TListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONUP) {
        // The control tells of a click itself (NM_CLICK); the framework's click on
        // release would come on top of it.
        MouseUp(TMouseButton::mbLeft, static_cast<short>(LOWORD(lParam)),
                static_cast<short>(HIWORD(lParam)));
        return DefaultHandler(msg, wParam, lParam);
    }
    if (msg == WM_SIZE && viewStyle_ == TViewStyle::vsReport) {
        // A list showing its last row keeps it whole in view when it gets shorter (a
        // scroll bar coming, a smaller window): the list view itself keeps its top row,
        // which would push the newest row under the lower edge.
        const int count = ItemCount();
        const bool lastShown = count > 0 && TopIndex() + rowsPerPage_ >= count;
        const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
        rowsPerPage_ = static_cast<int>(Perform(LVM_GETCOUNTPERPAGE, 0, 0));
        if (lastShown && TopIndex() + rowsPerPage_ < count) EnsureVisible(count - 1);
        return result;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

bool TListView::HandleParentNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    result = 0;
    switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case LVN_GETDISPINFOW: {
        // Asked only for the cells about to be shown or read.
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            const std::wstring text = CellText(item.iItem, item.iSubItem);
            const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
            text.copy(item.pszText, length);
            item.pszText[length] = L'\0';
        }
        return true;
    }
    case LVN_ITEMCHANGED: {
        const auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
        if ((change->uChanged & LVIF_STATE) &&
            ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) && OnChange)
            OnChange(this);
        return true;
    }
    case LVN_ODSTATECHANGED:  // a range of virtual rows changed selection at once
        if (OnChange) OnChange(this);
        return true;
    case LVN_ENDLABELEDITW:
        result = !ownerData_ && reinterpret_cast<NMLVDISPINFOW*>(lParam)->item.pszText;
        return true;
    case NM_CLICK: Click(); return true;
    case NM_DBLCLK:
        if (OnDblClick) OnDblClick(this);
        return true;
    default: return false;
    }
}

void TListView::ReadColumns(const FormValue& value) {
    for (const auto& properties : CollectionItems(value)) {
        TListColumn column;
        for (const FormProperty& p : properties) {
            if (p.name == "Caption") column.caption = Widen(ValueText(p.value));
            else if (p.name == "Width") column.width = ValueInt(p.value);
            else if (p.name == "Alignment") column.alignment = AlignmentFromName(p.value);
            else ThrowUnknownName("list view column property", p.name);
        }
        columns_.push_back(std::move(column));
    }
}

bool TListView::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Columns") ReadColumns(value);
    else if (name == "ViewStyle") {
        viewStyle_ = ValueFromNames<TViewStyle>(
            {{"vsIcon", TViewStyle::vsIcon}, {"vsSmallIcon", TViewStyle::vsSmallIcon},
             {"vsList", TViewStyle::vsList}, {"vsReport", TViewStyle::vsReport}},
            value, "view style");
    } else if (name == "OwnerData") ownerData_ = ValueBool(value);
    else if (name == "GridLines") gridLines_ = ValueBool(value);
    else if (name == "RowSelect") rowSelect_ = ValueBool(value);
    else if (name == "MultiSelect") multiSelect_ = ValueBool(value);
    else if (name == "ReadOnly") readOnly_ = ValueBool(value);
    else if (name == "FlatScrollBars") flatScrollBars_ = ValueBool(value);
    else if (name == "HideSelection") hideSelection_ = ValueBool(value);
    else if (name == "ColumnClick") columnClick_ = ValueBool(value);
    else if (name == "ShowColumnHeaders") showColumnHeaders_ = ValueBool(value);
    else if (name == "BorderStyle") border_ = SingleBorderFromName(value);
    else if (IsSystemAppearanceProperty(name)) {
    } else return TWinControl::ReadProperty(name, value);
    return true;
}

bool TListView::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event == "OnChange") OnChange = std::move(handler);
    else if (event == "OnDblClick") OnDblClick = std::move(handler);
    else return TWinControl::AssignEvent(event, std::move(handler));
    return true;
}

// ---------------------------------------------------------------------------------
// TStatusBar

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
    SetAlign(TAlign::alBottom);
    SetBounds(0, 0, 185, 19);
}

void TStatusBar::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = STATUSCLASSNAMEW;
    // The layout places the bar (Align); it must not move or size itself.
    p.style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (sizeGrip_) p.style |= SBARS_SIZEGRIP;
}

void TStatusBar::WindowCreated() {
    TWinControl::WindowCreated();
    UpdateParts();
    Perform(SB_SIMPLE, simplePanel_ ? TRUE : FALSE, 0);
    if (!simpleText_.empty())
        Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::UpdateParts() {
    if (!HandleAllocated()) return;
    // Right edges; the last panel takes the rest of the bar.
    std::vector<int> edges;
    int x = 0;
    for (size_t i = 0; i < panels_.size(); ++i) {
        x += panels_[i].width;
        edges.push_back(i + 1 == panels_.size() ? -1 : x);
    }
    if (edges.empty()) edges.push_back(-1);
    Perform(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < panels_.size(); ++i) UpdatePanelText(static_cast<int>(i));
}

void TStatusBar::UpdatePanelText(int index) {
    if (!HandleAllocated()) return;
    const TStatusPanel& panel = panels_.at(static_cast<size_t>(index));
    WPARAM flags = 0;
    if (panel.bevel == TStatusPanelBevel::pbNone) flags = SBT_NOBORDERS;
    else if (panel.bevel == TStatusPanelBevel::pbRaised) flags = SBT_POPOUT;
    // The status bar centres the text after one tab and right-aligns it after two.
    const std::wstring text = panel.alignment == TAlignment::taCenter         ? L"\t" + panel.text
                              : panel.alignment == TAlignment::taRightJustify ? L"\t\t" + panel.text
                                                                              : panel.text;
    Perform(SB_SETTEXTW, static_cast<WPARAM>(index) | flags, reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::AddPanel(int width, TStatusPanelBevel bevel) {
    TStatusPanel panel;
    panel.width = width;
    panel.bevel = bevel;
    panels_.push_back(panel);
    UpdateParts();
}

void TStatusBar::SetPanelWidth(int index, int width) {
    panels_.at(static_cast<size_t>(index)).width = width;
    UpdateParts();
}

void TStatusBar::SetPanelText(int index, std::wstring text) {
    panels_.at(static_cast<size_t>(index)).text = std::move(text);
    UpdatePanelText(index);
}

void TStatusBar::SetSimplePanel(bool simple) {
    simplePanel_ = simple;
    Perform(SB_SIMPLE, simple ? TRUE : FALSE, 0);
}

void TStatusBar::SetSimpleText(std::wstring text) {
    simpleText_ = std::move(text);
    Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::ReadPanels(const FormValue& value) {
    static const std::map<std::string, TStatusPanelBevel> kBevels{
        {"pbNone", TStatusPanelBevel::pbNone},
        {"pbLowered", TStatusPanelBevel::pbLowered},
        {"pbRaised", TStatusPanelBevel::pbRaised}};
    for (const auto& properties : CollectionItems(value)) {
        TStatusPanel panel;
        for (const FormProperty& p : properties) {
            if (p.name == "Width") panel.width = ValueInt(p.value);
            else if (p.name == "Bevel") panel.bevel = ValueFromNames(kBevels, p.value, "panel bevel");
            else if (p.name == "Text") panel.text = Widen(ValueText(p.value));
            else if (p.name == "Alignment") panel.alignment = AlignmentFromName(p.value);
            else if (p.name == "Style" && p.value.kind == FormValue::Kind::Ident && p.value.text == "psText") {
            } else ThrowUnknownName("status panel property", p.name);
        }
        panels_.push_back(std::move(panel));
    }
}

void TStatusBar::SetSizeGrip(bool sizeGrip) {
    if (sizeGrip == sizeGrip_) return;
    sizeGrip_ = sizeGrip;
    if (!HandleAllocated()) return;
    const LONG style = GetWindowLongW(Handle(), GWL_STYLE);
    SetWindowLongW(Handle(), GWL_STYLE, sizeGrip ? style | SBARS_SIZEGRIP : style & ~SBARS_SIZEGRIP);
    Invalidate();
}

bool TStatusBar::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Panels") ReadPanels(value);
    else if (name == "SimplePanel") simplePanel_ = ValueBool(value);
    else if (name == "SimpleText") simpleText_ = Widen(ValueText(value));
    else if (name == "SizeGrip") SetSizeGrip(ValueBool(value));
    else return TWinControl::ReadProperty(name, value);
    return true;
}

}  // namespace kelo::win
