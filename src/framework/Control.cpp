#include "framework/Control.h"

#include <algorithm>

#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Menus.h"
#include "framework/WinText.h"

namespace kelo::win {

// ---------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this] {
        parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

TCustomForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->parent_) c = c->parent_;
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    const RECT old = BoundsRect();
    left_ = left;
    top_ = top;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    if (parent_ && parent_->HandleAllocated() && !dynamic_cast<TWinControl*>(this)) {
        InvalidateRect(parent_->Handle(), &old, TRUE);
        Invalidate();
    }
    BoundsChanged();
    RequestAlign();
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (parent_ && !Loading() && align_ != TAlign::alNone) parent_->AlignControls();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    VisibleChanged();
}

void TControl::VisibleChanged() {
    if (parent_ && parent_->HandleAllocated()) {
        const RECT r = BoundsRect();
        InvalidateRect(parent_->Handle(), &r, TRUE);
    }
    if (parent_ && align_ != TAlign::alNone && !Loading()) parent_->AlignControls();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    EnabledChanged();
}

bool TControl::EnabledInParents() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->enabled_) return false;
    return true;
}

void TControl::SetColor(TColor color) {
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    ColorChanged();
}

void TControl::SetCaption(std::wstring caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    CaptionChanged();
}

void TControl::Invalidate() {}

POINT TControl::ClientToScreen(POINT p) const {
    if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
        ::ClientToScreen(w->Handle(), &p);
        return p;
    }
    if (!parent_) return p;
    return parent_->ClientToScreen({p.x + left_, p.y + top_});
}

POINT TControl::ScreenToClient(POINT p) const {
    if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
        ::ScreenToClient(w->Handle(), &p);
        return p;
    }
    if (!parent_) return p;
    const POINT inParent = parent_->ScreenToClient(p);
    return {inParent.x - left_, inParent.y - top_};
}

void TControl::MouseDown(TMouseButton button, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, x, y);
}

void TControl::MouseUp(TMouseButton button, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, x, y);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::SetParentColor(bool parentColor) {
    if (parentColor == parentColor_) return;
    if (parentColor && parent_) SetColor(parent_->Color());
    parentColor_ = parentColor;
}

bool TControl::ReadProperty(const std::string& name, const FormValue& value) {
    if (name.rfind("Font.", 0) == 0) return font_.ReadProperty(name.substr(5), value);
    if (name == "Left") SetLeft(ValueInt(value));
    else if (name == "Top") SetTop(ValueInt(value));
    else if (name == "Width") SetWidth(ValueInt(value));
    else if (name == "Height") SetHeight(ValueInt(value));
    else if (name == "Align") SetAlign(AlignFromName(ValueIdent(value)));
    else if (name == "Visible") SetVisible(ValueBool(value));
    else if (name == "Enabled") SetEnabled(ValueBool(value));
    else if (name == "Color") SetColor(ValueColor(value));
    else if (name == "ParentColor") parentColor_ = ValueBool(value);
    else if (name == "ParentFont") parentFont_ = ValueBool(value);
    else if (name == "Caption") SetCaption(Widen(ValueText(value)));
    else if (name == "PopupMenu") {
        auto* menu = Owner() ? Owner()->Find<TPopupMenu>(ValueIdent(value)) : nullptr;
        if (!menu) throw KeloError("form description: no popup menu " + value.text);
        SetPopupMenu(menu);
    } else return TComponent::ReadProperty(name, value);
    return true;
}

bool TControl::AssignEvent(const std::string& event, TNotifyEvent handler) {
    if (event == "OnClick") OnClick = std::move(handler);
    else if (event == "OnResize") OnResize = std::move(handler);
    else return TComponent::AssignEvent(event, std::move(handler));
    return true;
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TGraphicControl::Invalidate() {
    if (Parent() && Parent()->HandleAllocated()) {
        const RECT r = BoundsRect();
        InvalidateRect(Parent()->Handle(), &r, FALSE);
    }
}

TAlign AlignFromName(const std::string& name) {
    if (name == "alNone") return TAlign::alNone;
    if (name == "alTop") return TAlign::alTop;
    if (name == "alBottom") return TAlign::alBottom;
    if (name == "alLeft") return TAlign::alLeft;
    if (name == "alRight") return TAlign::alRight;
    if (name == "alClient") return TAlign::alClient;
    throw KeloError("form description: unknown alignment " + name);
}

// ---------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    DestroyWnd();
    for (TControl* c : controls_) c->SetParent(nullptr);
}

const wchar_t* RegisterFrameworkClass(const std::wstring& name, UINT style) {
    HINSTANCE instance = Application().InstanceHandle();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, name.c_str(), &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.style = style;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.lpszClassName = name.c_str();
        if (!RegisterClassExW(&wc)) throw KeloError("RegisterClassEx failed");
    }
    return name.c_str();
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    if (control->parentFont_) {
        control->font_.Assign(Font());
        control->parentFont_ = true;
    }
    if (control->parentColor_) control->color_ = Color();
    if (HandleAllocated()) {
        if (auto* w = dynamic_cast<TWinControl*>(control)) w->HandleNeeded();
        control->Invalidate();
        if (control->Align() != TAlign::alNone) AlignControls();
    }
}

void TWinControl::RemoveControl(TControl* control) {
    if (HandleAllocated() && !dynamic_cast<TWinControl*>(control)) {
        const RECT r = control->BoundsRect();
        InvalidateRect(hwnd_, &r, TRUE);
    }
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    control->parent_ = nullptr;
}

void TWinControl::HandleNeeded() {
    if (hwnd_ || creatingWnd_) return;
    if (Parent() && !Parent()->HandleAllocated()) return;  // made with the parent's window
    CreateWnd();
}

void TWinControl::CreateParamsFor(CreateParams& p) {
    p.caption = Caption();
    p.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (Visible() ? WS_VISIBLE : 0) |
              (EnabledInParents() ? 0 : WS_DISABLED);
    if (tabStop_) p.style |= WS_TABSTOP;
    p.x = left_;
    p.y = top_;
    p.width = width_;
    p.height = height_;
    p.parent = Parent() ? Parent()->Handle() : nullptr;
}

void TWinControl::CreateWnd() {
    CreateParams p;
    CreateParamsFor(p);
    const bool ownClass = p.className.empty();
    std::wstring className = ownClass ? Widen(ClassName()) : p.className;
    if (ownClass) RegisterFrameworkClass(className, p.classStyle);
    creatingWnd_ = true;
    HWND hwnd = CreateWindowExW(p.exStyle, className.c_str(), p.caption.c_str(), p.style, p.x,
                                p.y, p.width, p.height, p.parent, nullptr,
                                Application().InstanceHandle(), nullptr);
    creatingWnd_ = false;
    if (!hwnd) throw KeloError("CreateWindowEx failed: " + SystemErrorText(GetLastError()));
    hwnd_ = hwnd;
    ownClass_ = ownClass;
    AttachSubclass(hwnd_, SubclassId::Control, this);
    // The system may have adjusted the size (client sizes, minimum sizes).
    SyncBoundsFromWindow();
    WindowCreated();
    NotifyWindowMade(*this);
}

void TWinControl::WindowCreated() {
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
    CreateChildHandles();
    AlignControls();
}

void TWinControl::CreateChildHandles() {
    // Tab follows the order in which the windows are made, so they are made in tab
    // order; children without one come after, in their own order.
    std::vector<TWinControl*> children;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) children.push_back(w);
    std::stable_sort(children.begin(), children.end(), [](TWinControl* a, TWinControl* b) {
        return static_cast<unsigned>(a->tabOrder_) < static_cast<unsigned>(b->tabOrder_);
    });
    for (TWinControl* w : children) w->HandleNeeded();
}

void TWinControl::DestroyWnd() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void TWinControl::OnDetached(HWND hwnd) {
    if (hwnd == hwnd_) hwnd_ = nullptr;
}

namespace {
std::vector<std::pair<int, TWinControl::TWindowMadeListener>>& WindowMadeListeners() {
    static std::vector<std::pair<int, TWinControl::TWindowMadeListener>> listeners;
    return listeners;
}
}  // namespace

int TWinControl::AddWindowMadeListener(TWindowMadeListener listener) {
    static int lastId = 0;
    WindowMadeListeners().emplace_back(++lastId, std::move(listener));
    return lastId;
}

void TWinControl::RemoveWindowMadeListener(int id) {
    auto& listeners = WindowMadeListeners();
    std::erase_if(listeners, [id](const auto& entry) { return entry.first == id; });
}

void TWinControl::NotifyWindowMade(TWinControl& control) {
    // A listener may add or remove listeners.
    const auto listeners = WindowMadeListeners();
    for (const auto& [id, listener] : listeners)
        if (control.HandleAllocated()) listener(control);
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
    return static_cast<TWinControl*>(FindSubclass(hwnd, SubclassId::Control));
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    return hwnd_ ? SendMessageW(hwnd_, msg, wParam, lParam) : 0;
}

RECT TWinControl::ClientRect() const {
    RECT r{0, 0, width_, height_};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return r;
}

int TWinControl::ClientWidth() const {
    const RECT r = ClientRect();
    return r.right - r.left;
}

int TWinControl::ClientHeight() const {
    const RECT r = ClientRect();
    return r.bottom - r.top;
}

void TWinControl::AlignControls() {
    if (Loading() || !hwnd_) return;
    RECT r = ClientRect();
    AdjustClientRect(r);
    auto ordered = [this](TAlign align) {
        std::vector<TControl*> list;
        for (TControl* c : controls_)
            if (c->Align() == align && c->Visible()) list.push_back(c);
        std::stable_sort(list.begin(), list.end(), [align](TControl* a, TControl* b) {
            switch (align) {
            case TAlign::alTop: return a->Top() < b->Top();
            case TAlign::alBottom: return a->Top() > b->Top();
            case TAlign::alLeft: return a->Left() < b->Left();
            case TAlign::alRight: return a->Left() > b->Left();
            default: return false;
            }
        });
        return list;
    };
    for (TControl* c : ordered(TAlign::alTop)) {
        c->SetBounds(r.left, r.top, r.right - r.left, c->Height());
        r.top += c->Height();
    }
    for (TControl* c : ordered(TAlign::alBottom)) {
        r.bottom -= c->Height();
        c->SetBounds(r.left, r.bottom, r.right - r.left, c->Height());
    }
    for (TControl* c : ordered(TAlign::alLeft)) {
        c->SetBounds(r.left, r.top, c->Width(), r.bottom - r.top);
        r.left += c->Width();
    }
    for (TControl* c : ordered(TAlign::alRight)) {
        r.right -= c->Width();
        c->SetBounds(r.right, r.top, c->Width(), r.bottom - r.top);
    }
    for (TControl* c : ordered(TAlign::alClient))
        c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    const bool sized = width != width_ || height != height_;
    const bool moved = left != left_ || top != top_;
    if (!sized && !moved) return;
    left_ = left;
    top_ = top;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    if (hwnd_) {
        SetWindowPos(hwnd_, nullptr, left_, top_, width_, height_,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    BoundsChanged();
}

bool TWinControl::Showing() const {
    return hwnd_ && IsWindowVisible(hwnd_);
}

void TWinControl::Invalidate() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void TWinControl::SetFocus() {
    if (hwnd_) ::SetFocus(hwnd_);
}

bool TWinControl::Focused() const { return hwnd_ && GetFocus() == hwnd_; }

void TWinControl::CaptionChanged() {
    if (hwnd_) SetWindowTextW(hwnd_, Caption().c_str());
}

void TWinControl::ColorChanged() {
    background_.Reset();
    for (TControl* c : controls_) {
        if (c->parentColor_) {
            c->color_ = Color();
            c->ColorChanged();
        }
    }
    Invalidate();
}

void TWinControl::FontChanged() {
    if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
    for (TControl* c : controls_) {
        if (c->parentFont_) {
            c->font_.Assign(Font());
            c->parentFont_ = true;
        }
    }
    Invalidate();
}

void TWinControl::EnabledChanged() {
    if (hwnd_) EnableWindow(hwnd_, EnabledInParents());
    for (TControl* c : controls_) c->EnabledChanged();
    TControl::EnabledChanged();
}

void TWinControl::VisibleChanged() {
    if (hwnd_) ShowWindow(hwnd_, Visible() ? SW_SHOW : SW_HIDE);
    TControl::VisibleChanged();
}

HBRUSH TWinControl::BackgroundBrush() {
    if (!background_) background_.Reset(CreateSolidBrush(ColorToRGB(Color())));
    return background_.Get();
}

bool TWinControl::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "TabOrder") tabOrder_ = ValueInt(value);
    else if (name == "TabStop") tabStop_ = ValueBool(value);
    else return TControl::ReadProperty(name, value);
    return true;
}

bool TWinControl::Handle(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    try {
        result = WndProc(msg, wParam, lParam);
    } catch (...) {
        Application().ShowCurrentException(hwnd_);
        result = 0;
    }
    return true;
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallNext(hwnd_, msg, wParam, lParam);
}

TControl* TWinControl::GraphicControlAt(POINT p) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || dynamic_cast<TWinControl*>(c)) continue;
        const RECT r = c->BoundsRect();
        if (PtInRect(&r, p)) return c;
    }
    return nullptr;
}

void TWinControl::PaintWindow(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    FillRect(dc, &r, BackgroundBrush());
}

void TWinControl::PaintGraphicChildren(HDC dc, const RECT& dirty) {
    for (TControl* c : controls_) {
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !g->Visible()) continue;
        const RECT bounds = g->BoundsRect();
        RECT overlap;
        if (!IntersectRect(&overlap, &bounds, &dirty)) continue;
        SavedDC saved(dc);
        IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
        POINT origin;
        GetViewportOrgEx(dc, &origin);
        SetViewportOrgEx(dc, origin.x + bounds.left, origin.y + bounds.top, nullptr);
        TCanvas canvas(dc);
        g->Paint(canvas);
    }
}

LRESULT TWinControl::WMPaint() {
    PaintDC paint(hwnd_);
    RECT client;
    GetClientRect(hwnd_, &client);
    if (client.right <= 0 || client.bottom <= 0) return 0;
    // Composed off screen and put on the screen in one transfer: no flicker.
    MemoryDC buffer(paint.Get(), client.right, client.bottom);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
    PaintWindow(buffer.Get());
    PaintGraphicChildren(buffer.Get(), client);
    buffer.BlitTo(paint.Get(), 0, 0);
    return 0;
}

LRESULT TWinControl::WMMouse(UINT msg, LPARAM lParam) {
    const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    TControl* target = captured_ ? captured_ : GraphicControlAt(p);
    POINT local = p;
    if (target) {
        local.x -= target->Left();
        local.y -= target->Top();
    } else {
        target = this;
    }
    const TMouseButton button = (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP)
                                    ? TMouseButton::mbRight
                                    : TMouseButton::mbLeft;
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        target->MouseDown(button, local.x, local.y);
    } else {
        target->MouseUp(button, local.x, local.y);
        // System controls report their own clicks (BN_CLICKED, NM_CLICK).
        if (msg == WM_LBUTTONUP && (ownClass_ || target != this)) target->Click();
    }
    return 0;
}

void TWinControl::CaptureMouse(TControl* control) {
    captured_ = control;
    if (hwnd_) SetCapture(hwnd_);
}

void TWinControl::ReleaseMouse() {
    captured_ = nullptr;
    if (GetCapture() == hwnd_) ReleaseCapture();
}

LRESULT TWinControl::WMMouseMove(WPARAM wParam, LPARAM lParam) {
    if (captured_) {
        const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        captured_->MouseMove(p.x - captured_->Left(), p.y - captured_->Top());
        return 0;
    }
    return DefaultHandler(WM_MOUSEMOVE, wParam, lParam);
}

LRESULT TWinControl::WMContextMenu(WPARAM wParam, LPARAM lParam) {
    POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (screen.x == -1 && screen.y == -1) GetCursorPos(&screen);
    POINT client = screen;
    ::ScreenToClient(hwnd_, &client);
    TControl* at = GraphicControlAt(client);
    TPopupMenu* menu = at && at->PopupMenu() ? at->PopupMenu() : PopupMenu();
    if (!menu) return DefaultHandler(WM_CONTEXTMENU, wParam, lParam);
    menu->Popup(screen.x, screen.y);
    return 0;
}

LRESULT TWinControl::WMCtlColor(UINT msg, WPARAM wParam, LPARAM lParam) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
    // Windows of the system's own (a combo box's list and field, a scroll bar) keep the
    // colours the system gives their kind.
    if (!child) return DefaultHandler(msg, wParam, lParam);
    SetTextColor(dc, ColorToRGB(child->Font().Color()));
    SetBkColor(dc, ColorToRGB(child->Color()));
    return reinterpret_cast<LRESULT>(child->BackgroundBrush());
}

LRESULT TWinControl::WMSysColorChange(WPARAM wParam, LPARAM lParam) {
    // Only top-level windows hear of a new scheme; the children are reached from here.
    DropSystemColourBrushes();
    return DefaultHandler(WM_SYSCOLORCHANGE, wParam, lParam);
}

void TWinControl::DropSystemColourBrushes() {
    // A control that was handed its colours (a list view's background) takes them again.
    if (IsSystemColor(Color()) || IsSystemColor(Font().Color())) ColorChanged();
    for (TControl* c : controls_)
        if (auto* windowed = dynamic_cast<TWinControl*>(c)) windowed->DropSystemColourBrushes();
}

void TWinControl::SyncBoundsFromWindow() {
    if (IsIconic(hwnd_)) return;
    RECT w;
    GetWindowRect(hwnd_, &w);
    HWND parent = GetParent(hwnd_);
    if (parent && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&w), 2);
    left_ = w.left;
    top_ = w.top;
    width_ = w.right - w.left;
    height_ = w.bottom - w.top;
}

bool TWinControl::HandleParentNotify(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
            LRESULT result = 0;
            if (child->HandleParentNotify(msg, wParam, lParam, result)) return result;
        }
        return DefaultHandler(msg, wParam, lParam);
    case WM_NOTIFY:
        if (TWinControl* child = FromHandle(reinterpret_cast<NMHDR*>(lParam)->hwndFrom)) {
            LRESULT result = 0;
            if (child->HandleParentNotify(msg, wParam, lParam, result)) return result;
        }
        return DefaultHandler(msg, wParam, lParam);
    case WM_DRAWITEM:
        // An owner-drawn control draws its own items (menu items are the form's).
        if (auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam); item->CtlType != ODT_MENU) {
            if (TWinControl* child = FromHandle(item->hwndItem)) {
                LRESULT result = 0;
                if (child->HandleParentNotify(msg, wParam, lParam, result)) return result;
            }
        }
        return DefaultHandler(msg, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: return WMCtlColor(msg, wParam, lParam);
    case WM_SYSCOLORCHANGE: return WMSysColorChange(wParam, lParam);
    // Scroll bars, dialogs and message boxes keep the system's colours (the default).
    case WM_SIZE:
    case WM_MOVE:
        SyncBoundsFromWindow();
        if (msg == WM_SIZE) {
            AlignControls();
            if (OnResize) OnResize(this);
        }
        return DefaultHandler(msg, wParam, lParam);
    case WM_ERASEBKGND:
        if (ownClass_) return 1;  // painted with the rest in WM_PAINT
        return DefaultHandler(msg, wParam, lParam);
    case WM_PAINT:
        if (ownClass_) return WMPaint();
        return DefaultHandler(msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        WMMouse(msg, lParam);
        return DefaultHandler(msg, wParam, lParam);
    case WM_MOUSEMOVE: return WMMouseMove(wParam, lParam);
    case WM_CAPTURECHANGED:
        captured_ = nullptr;
        return DefaultHandler(msg, wParam, lParam);
    case WM_CONTEXTMENU: return WMContextMenu(wParam, lParam);
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCOMMAND: return WMWindowKey(msg, wParam, lParam);
    default: return DefaultHandler(msg, wParam, lParam);
    }
}

// The menu bar and the system menu are the top-level window's, whichever control has the
// focus: F10 and the keyboard's menu command go to that window, whose layers may draw
// its menus themselves. Shift+F10 stays the control's context menu.
LRESULT TWinControl::WMWindowKey(UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool child = (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) != 0;
    const bool windowKey = msg == WM_SYSCOMMAND ? (wParam & 0xFFF0) == SC_KEYMENU
                                                : wParam == VK_F10 && !(GetKeyState(VK_SHIFT) & 0x8000);
    HWND root = child && windowKey ? GetAncestor(hwnd_, GA_ROOT) : nullptr;
    if (!root || root == hwnd_) return DefaultHandler(msg, wParam, lParam);
    return SendMessageW(root, msg, wParam, lParam);
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring WindowClassName(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

}  // namespace kelo::win
