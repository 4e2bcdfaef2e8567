#include "framework/ComCtrls.h"

#include <algorithm>

#include "core/Errors.h"
#include "framework/ImgList.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {

const std::vector<std::vector<FormProperty>>& CollectionItems(const FormValue& value) {
    if (value.kind != FormValue::Kind::Collection)
        throw KeloError("form description: a collection < item ... end > expected");
    return value.collection;
}

[[noreturn]] void UnknownItemProperty(const char* collection, const std::string& name) {
    throw KeloError(std::string("form description: ") + collection + " have no property " + name);
}

bool BorderFromName(const std::string& name) {
    if (name != "bsSingle" && name != "bsNone")
        throw KeloError("form description: unknown border style " + name);
    return name == "bsSingle";
}

// The common controls tell of a click themselves (NM_CLICK) and keep the mouse while
// the button is down; the framework's click on release would come on top of theirs.
bool IsButtonRelease(UINT msg) { return msg == WM_LBUTTONUP; }

POINT MousePoint(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace

// ---------------------------------------------------------------------------------
// TTreeView

HTREEITEM TTreeNodes::AddTopLevel(const std::wstring& text, int imageIndex) {
    return AddChild(nullptr, text, imageIndex);
}

HTREEITEM TTreeNodes::AddChild(HTREEITEM parent, const std::wstring& text, int imageIndex) {
    tree_.HandleNeeded();
    if (!tree_.HandleAllocated())
        throw KeloError("tree view " + tree_.Name() + " has no window for its items yet");
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = insert.item.iSelectedImage = imageIndex;
    auto* item = reinterpret_cast<HTREEITEM>(
        tree_.Perform(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!item) throw KeloError("tree view " + tree_.Name() + " did not take an item");
    return item;
}

int TTreeNodes::Count() const {
    return tree_.HandleAllocated()
               ? static_cast<int>(SendMessageW(tree_.Handle(), TVM_GETCOUNT, 0, 0))
               : 0;
}

void TTreeNodes::Clear() {
    tree_.Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    tabStop_ = true;
    SetBounds(0, 0, 121, 97);
}

void TTreeView::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    p.className = WC_TREEVIEWW;
    if (showButtons_) p.style |= TVS_HASBUTTONS;
    if (showLines_) p.style |= TVS_HASLINES;
    if (showRoot_) p.style |= TVS_LINESATROOT;
    if (!readOnly_) p.style |= TVS_EDITLABELS;
    if (!hideSelection_) p.style |= TVS_SHOWSELALWAYS;
    if (rowSelect_) p.style |= TVS_FULLROWSELECT;
    if (tabStop_) p.style |= WS_TABSTOP;
    if (border_) p.exStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::WindowCreated() {
    TWinControl::WindowCreated();
    Perform(TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
    SetImages(images_);
    ApplyColors();
}

void TTreeView::ApplyColors() {
    // -1: the system's colours, which follow changes of the colour scheme.
    Perform(TVM_SETBKCOLOR, 0, Color() == clWindow ? -1 : ColorToRGB(Color()));
    Perform(TVM_SETTEXTCOLOR, 0,
            Font().Color() == clWindowText ? -1 : ColorToRGB(Font().Color()));
}

void TTreeView::ColorChanged() {
    TWinControl::ColorChanged();
    ApplyColors();
}

void TTreeView::FontChanged() {
    TWinControl::FontChanged();
    ApplyColors();
}

void TTreeView::SetImages(TImageList* images) {
    // The image list's handle stays the same while the list lives, so the tree view
    // sees icons added later; a freed list is taken away (Notification).
    images_ = images;
    Perform(TVM_SETIMAGELIST, TVSIL_NORMAL,
            reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
}

void TTreeView::SetIndent(int indent) {
    indent_ = indent;
    Perform(TVM_SETINDENT, static_cast<WPARAM>(indent), 0);
}

HTREEITEM TTreeView::Selected() const {
    if (!HandleAllocated()) return nullptr;
    return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TTreeView::Select(HTREEITEM item) {
    Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

std::wstring TTreeView::ItemText(HTREEITEM item) const {
    wchar_t buffer[260] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buffer;
    tv.cchTextMax = 260;
    if (!HandleAllocated() || !SendMessageW(Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)))
        return {};
    return buffer;
}

LRESULT TTreeView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (IsButtonRelease(msg)) {
        const POINT p = MousePoint(lParam);
        MouseUp(TMouseButton::mbLeft, p.x, p.y);
        return DefaultHandler(msg, wParam, lParam);
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

bool TTreeView::HandleParentNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    result = 0;
    switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA:
        if (OnChange) OnChange(this);
        return true;
    case TVN_ENDLABELEDITW:
        // An edited label stays unless the edit was cancelled.
        result = reinterpret_cast<NMTVDISPINFOW*>(lParam)->item.pszText != nullptr;
        return true;
    case NM_CLICK: Click(); return true;
    default: return false;
    }
}

bool TTreeView::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Images") {
        auto* images = Owner() ? Owner()->Find<TImageList>(ValueIdent(value)) : nullptr;
        if (!images) throw KeloError("form description: no image list " + value.text);
        images_ = images;
    } else if (name == "Indent") indent_ = ValueInt(value);
    else if (name == "ShowRoot") showRoot_ = ValueBool(value);
    else if (name == "ShowLines") showLines_ = ValueBool(value);
    else if (name == "ShowButtons") showButtons_ = ValueBool(value);
    else if (name == "ReadOnly") readOnly_ = ValueBool(value);
    else if (name == "HideSelection") hideSelection_ = ValueBool(value);
    else if (name == "RowSelect") rowSelect_ = ValueBool(value);
    else if (name == "BorderStyle") border_ = BorderFromName(ValueIdent(value));
    else if (IsSystemAppearanceProperty(name)) {
    } else return TWinControl::ReadProperty(name, value);
    return true;
}

bool TTreeView::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event != "OnChange") return TWinControl::AssignEvent(event, std::move(handler));
    OnChange = std::move(handler);
    return true;
}

void TTreeView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) SetImages(nullptr);
}

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
    if (ownerData_) Perform(LVM_SETITEMCOUNT, static_cast<WPARAM>(itemCount_), LVSICF_NOSCROLL);
    ApplyColors();
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
    // Only the count changes; the rows on screen are asked for again when painted.
    Perform(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
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
    if (IsButtonRelease(msg)) {
        const POINT p = MousePoint(lParam);
        MouseUp(TMouseButton::mbLeft, p.x, p.y);
        return DefaultHandler(msg, wParam, lParam);
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
            const std::wstring text = OnGetCell ? OnGetCell(item.iItem, item.iSubItem) : L"";
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
            else if (p.name == "Alignment") column.alignment = AlignmentFromName(ValueIdent(p.value));
            else UnknownItemProperty("list view columns", p.name);
        }
        columns_.push_back(std::move(column));
    }
}

bool TListView::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Columns") ReadColumns(value);
    else if (name == "ViewStyle") {
        static const char* const kNames[] = {"vsIcon", "vsSmallIcon", "vsList", "vsReport"};
        auto* it = std::find(std::begin(kNames), std::end(kNames), ValueIdent(value));
        if (it == std::end(kNames)) throw KeloError("form description: unknown view style " + value.text);
        viewStyle_ = static_cast<TViewStyle>(it - std::begin(kNames));
    } else if (name == "OwnerData") ownerData_ = ValueBool(value);
    else if (name == "GridLines") gridLines_ = ValueBool(value);
    else if (name == "RowSelect") rowSelect_ = ValueBool(value);
    else if (name == "MultiSelect") multiSelect_ = ValueBool(value);
    else if (name == "ReadOnly") readOnly_ = ValueBool(value);
    else if (name == "FlatScrollBars") flatScrollBars_ = ValueBool(value);
    else if (name == "HideSelection") hideSelection_ = ValueBool(value);
    else if (name == "ColumnClick") columnClick_ = ValueBool(value);
    else if (name == "ShowColumnHeaders") showColumnHeaders_ = ValueBool(value);
    else if (name == "BorderStyle") border_ = BorderFromName(ValueIdent(value));
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

}  // namespace kelo::win
