#include "skin/frame/SkinnedWindow.h"

#include <dwmapi.h>

#include <algorithm>

#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Form.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "skin/controls/SkinControl.h"
#include "skin/SkinManager.h"
#include "skin/menu/SkinMenuItemPainter.h"
#include "skin/SkinSource.h"
#include "skin/menu/SkinnedMenu.h"

namespace kelo::skin {

namespace {

constexpr UINT_PTR kHoverTimer = 0x534B;           // the skin's hover timer on the window
constexpr DWORD kCaptionButtonStyles = 0xB0000;    // WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX

// Closing goes the way of the system's own close button, as a system command: a window
// that does something else on it (the main window goes to the tray) keeps doing so, and
// the others get WM_CLOSE from the system.
void PostClose(HWND hwnd) { PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

// Screen coordinates of mouse messages, signed (a second monitor may lie left or above).
int PointX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int PointY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

POINT WindowPointFromScreen(HWND hwnd, POINT screen) {
    RECT wr;
    GetWindowRect(hwnd, &wr);
    return {screen.x - wr.left, screen.y - wr.top};
}

POINT WindowPointFromScreen(HWND hwnd, LPARAM lParam) {
    return WindowPointFromScreen(hwnd, {PointX(lParam), PointY(lParam)});
}

}  // namespace

// ---- non-client objects -------------------------------------------------------------

TNCObject::~TNCObject() {
    if (host_.HotObject() == this) host_.SetHotObject(nullptr);
}

void TNCObject::Press() {
    if (TNCObject* hot = host_.HotObject(); hot && hot != this) hot->Leave();
    if (!visible) return;
    host_.SetHotObject(this);
    state = kPressed;
    Draw();
}

void TNCObject::Release() {
    if (!visible) return;
    state = kHot;
    Draw();
}

void TNCObject::Hover() {
    TNCObject* hot = host_.HotObject();
    if (hot == this) return;
    if (hot) hot->Leave();
    host_.SetHotObject(this);
    state = kHot;
    Draw();
}

void TNCObject::Leave() {
    if (!visible) return;
    if (host_.HotObject() == this) host_.SetHotObject(nullptr);
    state = kNormal;
    Draw();
}

// ---- attaching ------------------------------------------------------------------------

TSkinnedWindow::TSkinnedWindow(HWND window, TSkinSource& source, win::TCustomForm* form)
    : hwnd_(window), source_(source), form_(form) {}

TSkinnedWindow::~TSkinnedWindow() {
    *alive_ = false;
    if (subclassed_) win::DetachSubclass(hwnd_, win::SubclassId::Skin);
    hot_ = nullptr;
    pressed_ = nullptr;
    buttons_.clear();
    menuBar_.reset();
}

bool TSkinnedWindow::MainMenuSwitched() const { return source_.SkinControls.test(xcMainMenu); }

void TSkinnedWindow::ReadWindow() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    captionFont_.Reset(CreateFontIndirectW(&metrics.lfCaptionFont));
    style_ = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE));
    exStyle_ = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE));
    rightToLeft_ = (exStyle_ & WS_EX_LAYOUTRTL) != 0 || (exStyle_ & WS_EX_RTLREADING) != 0;
    text_ = win::WindowText(hwnd_);
    className_ = win::WindowClassName(hwnd_);
    GetClientRect(hwnd_, &clientAtAttach_);
    hasSystemMenu_ = (style_ & WS_SYSMENU) != 0;
    hasMinimizeBox_ = (style_ & WS_MINIMIZEBOX) != 0;
    hasMaximizeBox_ = (style_ & WS_MAXIMIZEBOX) != 0;
    active_ = GetActiveWindow() == hwnd_;
}

void TSkinnedWindow::ReadPlacement() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd_, &wp)) return;
    switch (wp.showCmd) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: placement_ = kMinimized; break;
    case SW_SHOWMAXIMIZED: placement_ = kMaximized; break;
    default: placement_ = kNormal; break;
    }
}

void TSkinnedWindow::BuildIcon() {
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd_, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd_, GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(hwnd_, WM_GETICON, ICON_BIG, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd_, GCLP_HICON));
    // A copy at the small size, drawn with its own mask and alpha: its soft edges blend
    // into the caption instead of keeping a fringe of a key colour.
    icon_.Reset(icon ? static_cast<HICON>(CopyImage(icon, IMAGE_ICON, cx, cy, 0)) : nullptr);
}

void TSkinnedWindow::BuildSystemMenu() {
    systemMenuPaint_.reset();
    systemMenu_ = std::make_unique<win::TPopupMenu>(nullptr);
    systemMenu_->SetOwnerDraw(true);
    HWND hwnd = hwnd_;
    const std::weak_ptr<bool> alive = alive_;
    auto add = [&](const wchar_t* caption, int glyph, std::function<void()> click) {
        auto* item = new win::TMenuItem(systemMenu_.get());
        item->SetCaption(caption);
        item->SetTag(glyph);
        if (click) item->OnClick = [click](win::TComponent*) { click(); };
        systemMenu_->Items()->Add(item);
    };
    add(L" Restore ", 0, [hwnd] { PostMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0); });
    if (hasMaximizeBox_) add(L" Maximize ", 1, [hwnd] { PostMessageW(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0); });
    if (hasMinimizeBox_) add(L" Minimize ", 2, [hwnd] { PostMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); });
    add(L"-", -1, nullptr);
    add(L" Close \tShift+F4", 3, [hwnd] {
        KillTimer(hwnd, kHoverTimer);
        PostClose(hwnd);
    });
    systemMenuPaint_ = std::make_unique<SkinMenuItemHandlers>(source_, *systemMenu_);
    // The glyphs go over the skin's item drawing, in the glyph column.
    HIMAGELIST glyphs = source_.MenuGlyphs();
    const TSkinElement* menuItem = source_.Skin() ? source_.Skin()->Part(SkinPart::MenuItem) : nullptr;
    const int glyphLeft = 1 + (menuItem ? menuItem->leftWidth : 0);
    for (win::TMenuItem* item : systemMenu_->Items()->Items()) {
        if (item->Tag() < 0 || !glyphs || !item->OnDrawItem) continue;
        item->OnDrawItem = [base = item->OnDrawItem, glyphs, glyphLeft](win::TMenuItem* sender, win::TCanvas& canvas,
                                                                         const RECT& r, UINT state) {
            base(sender, canvas, r, state);
            const UINT style = sender->Enabled() ? ILD_TRANSPARENT : ILD_TRANSPARENT | ILD_BLEND50;
            ImageList_DrawEx(glyphs, sender->Tag(), canvas.Handle(), r.left + glyphLeft,
                             r.top + (r.bottom - r.top - 16) / 2, 16, 16, CLR_NONE, CLR_NONE, style);
        };
    }
}

void TSkinnedWindow::DisableSystemFrameRendering() {
    // With desktop composition the system would draw its own frame under the skin's.
    const DWMNCRENDERINGPOLICY policy = DWMNCRP_DISABLED;
    DwmSetWindowAttribute(hwnd_, DWMWA_NCRENDERING_POLICY, &policy, sizeof policy);
}

void TSkinnedWindow::ApplyStyleBits(bool withButtons) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE));
    DWORD wanted = style & ~kCaptionButtonStyles;
    if (withButtons) {
        wanted |= (hasSystemMenu_ ? WS_SYSMENU : 0) | (hasMinimizeBox_ ? WS_MINIMIZEBOX : 0) |
                  (hasMaximizeBox_ ? WS_MAXIMIZEBOX : 0);
    }
    if (wanted != style) SetWindowLongW(hwnd_, GWL_STYLE, static_cast<LONG>(wanted));
}

void TSkinnedWindow::Attach() {
    if (attached_) return;
    attached_ = true;
    if (form_) {
        formColour_ = form_->Color();
        formColourSaved_ = true;
        if (const SkinData* skin = source_.Skin()) form_->SetColor(skin->colours.buttonFace);
    }
    ReadWindow();
    BuildSystemMenu();
    ReadPlacement();
    borderKind_ = BorderKindOf(style_, exStyle_);
    windowKind_ = FindWindowExW(hwnd_, nullptr, L"MDIClient", nullptr) ? 1 : (exStyle_ & WS_EX_MDICHILD) ? 2 : 0;
    if (MainMenuSwitched()) {
        if (GetMenu(hwnd_) && windowKind_ != 2 && borderKind_ != 2) {
            menuBarHeight_ = GetSystemMetrics(SM_CYMENU);
            menuBar_ = std::make_unique<TSkinnedMenuBar>(*this, source_, form_ ? form_->Menu() : nullptr, rightToLeft_);
            menuBar_->BuildItems();
        }
        const TSkinManager* manager = TSkinManager::Instance();
        const bool mdiMaximized = windowKind_ == 2 && manager && manager->MdiMaximized();
        if (placement_ != kMinimized && !mdiMaximized) ApplyStyleBits(false);
        ClaimPopupMenus();
    }
    BuildCaptionButtons();
    BuildIcon();
    DisableSystemFrameRendering();
    subclassed_ = win::AttachSubclass(hwnd_, win::SubclassId::Skin, this);
    WalkControls();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    PaintFrame();
}

void TSkinnedWindow::ClaimPopupMenus() {
    popupMenuPaint_.clear();
    if (!form_ || !source_.SkinControls.test(xcPopupMenu)) return;
    for (win::TComponent* component : form_->Components()) {
        auto* popup = dynamic_cast<win::TPopupMenu*>(component);
        if (popup && !SkinRefusedByTag(popup->Tag(), source_.DisableTag))
            popupMenuPaint_.push_back(std::make_unique<SkinMenuItemHandlers>(source_, *popup));
    }
}

void TSkinnedWindow::BuildCaptionButtons() {
    hot_ = nullptr;
    ForgetPress();
    buttons_.clear();
    const SkinData* skin = source_.Skin();
    if (!skin) return;
    ReadBorders();
    for (const TSkinCaptionButtonElement& element : skin->captionButtons)
        buttons_.push_back(std::make_unique<TCaptionButton>(*this, element));
}

void TSkinnedWindow::DropCaptionButtons() {
    hot_ = nullptr;
    ForgetPress();
    buttons_.clear();
}

void TSkinnedWindow::FinishAttach() {
    if (lifeState_ == kCreated) {
        const TSkinManager* manager = TSkinManager::Instance();
        if (windowKind_ == 2 && placement_ == kMaximized && manager && manager->MdiMaximized()) {
            ApplyStyleBits(true);
            SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        } else if (placement_ != kMinimized && borderKind_ != 2) {
            lifeState_ = kResizing;
            ResizeToSkin();
            lifeState_ = kSkinned;
            BuildRegion(true);
            // The client moved inside the window when the frame went on, and the system
            // copied along what stood there: the old frame's lower edge, a dark band.
            RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
    }
    lifeState_ = kSkinned;
    if (SetTimer(hwnd_, kHoverTimer, 250, nullptr)) hoverTimer_ = true;
    PaintFrame();
}

// ---- detaching ------------------------------------------------------------------------

void TSkinnedWindow::DetachControls() {
    hotControl_ = nullptr;
    // Last attached first.
    while (!controls_.empty()) controls_.pop_back();
}

void TSkinnedWindow::ControlGone(TSkinControl& control) {
    const auto found = std::find_if(controls_.begin(), controls_.end(),
                                    [&control](const auto& skin) { return skin.get() == &control; });
    if (found == controls_.end()) return;
    if (hotControl_ == &control) hotControl_ = nullptr;
    // Out of the list before it goes: freeing may run messages that walk the list.
    std::unique_ptr<TSkinControl> gone = std::move(*found);
    controls_.erase(found);
}

bool TSkinnedWindow::HasControlSkin(HWND handle, const win::TControl* control) const {
    return std::any_of(controls_.begin(), controls_.end(), [handle, control](const auto& skin) {
        return (handle && skin->Handle() == handle) || (control && skin->Control() == control);
    });
}

void TSkinnedWindow::Detach() {
    if (!attached_) return;
    lifeState_ = kDetaching;
    systemMenuPaint_.reset();
    systemMenu_.reset();
    if (hoverTimer_) KillTimer(hwnd_, kHoverTimer);
    hoverTimer_ = false;
    if (subclassed_) win::DetachSubclass(hwnd_, win::SubclassId::Skin);
    subclassed_ = false;
    DetachControls();
    popupMenuPaint_.clear();
    if (form_ && formColourSaved_) form_->SetColor(formColour_);
    ApplyStyleBits(true);
    // The client area stays where it is on the screen.
    RECT client;
    GetClientRect(hwnd_, &client);
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    hot_ = nullptr;
    ForgetPress();
    buttons_.clear();
    if (menuBar_) menuBar_->GiveMenuBack();
    menuBar_.reset();
    leftSurface_.reset();
    rightSurface_.reset();
    bottomSurface_.reset();
    stripSurface_.reset();
    captionKeep_.reset();
    SetWindowRgn(hwnd_, nullptr, FALSE);
    regionSet_ = false;
    const DWMNCRENDERINGPOLICY policy = DWMNCRP_USEWINDOWSTYLE;
    DwmSetWindowAttribute(hwnd_, DWMWA_NCRENDERING_POLICY, &policy, sizeof policy);
    ReadPlacement();
    if (placement_ == kNormal) {
        RECT frame = client;
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), GetMenu(hwnd_) != nullptr,
                           static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
        if (HWND parent = GetParent(hwnd_); parent && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD))
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&frame), 2);
        SetWindowPos(hwnd_, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    } else {
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    attached_ = false;
}

void TSkinnedWindow::OnDetached(HWND) {
    // The window is gone: nothing of it is given back, only what the skin holds is freed.
    subclassed_ = false;
    lifeState_ = kDestroyed;
    systemMenuPaint_.reset();
    systemMenu_.reset();
    hoverTimer_ = false;
    DetachControls();
    popupMenuPaint_.clear();
    if (menuBar_) menuBar_->WindowDestroyed();
    menuBar_.reset();
    if (TSkinManager* manager = TSkinManager::Instance()) manager->WindowDestroyed(*this);
}

// ---- messages -----------------------------------------------------------------------

bool TSkinnedWindow::Handle(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const bool bare = form_ == nullptr;
    switch (msg) {
    case WM_DESTROY:
        destroying_ = true;
        return false;
    case kSkinnedQueryMessage:
        if (wParam != 0) return false;  // a caption button's own action
        result = 1;
        return true;
    case kSkinAttachedMessage:
        if (lParam != 1000) return false;
        FinishAttach();
        result = 0;
        return true;
    case WM_STYLECHANGED:
        if (wParam == static_cast<WPARAM>(GWL_STYLE))
            style_ = reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew;
        return false;
    case WM_ERASEBKGND:
        if (!bare) return false;
        result = win::CallNext(hwnd_, msg, wParam, lParam);
        {
            RECT client;
            GetClientRect(hwnd_, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, source_.ButtonFaceBrush());
        }
        result = 1;
        return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        if (!bare) return false;
        result = win::CallNext(hwnd_, msg, wParam, lParam);
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        if (msg == WM_CTLCOLORSTATIC) result = reinterpret_cast<LRESULT>(source_.ButtonFaceBrush());
        return true;
    default: break;
    }
    if (!MainMenuSwitched()) return false;
    if ((style_ & WS_CHILD) && windowKind_ != 2) return false;
    const bool minimized = placement_ == kMinimized;
    switch (msg) {
    case WM_NCCALCSIZE:
        if (minimized) return false;
        result = OnNcCalcSize(wParam, lParam);
        return true;
    case WM_NCHITTEST:
        if (minimized) return false;
        result = OnNcHitTest(lParam);
        return true;
    case WM_NCPAINT:
    case kSkinRepaintMessage:
        if (minimized) return false;
        PaintFrame();
        result = 0;
        return true;
    case 0x00AE:  // the themed caption and frame drawing of newer systems
    case 0x00AF:
        result = 0;
        return true;
    case WM_NCACTIVATE:
        result = OnNcActivate(wParam, lParam);
        return true;
    case WM_SETTEXT:
    case WM_SETICON:
        // The system draws its own caption for these; the skin's goes over it at once.
        result = win::CallNext(hwnd_, msg, wParam, lParam);
        if (msg == WM_SETTEXT) text_ = win::WindowText(hwnd_);
        else BuildIcon();
        if (!minimized) PaintFrame();
        return true;
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
        if (minimized) return false;
        return OnNcMouse(msg, wParam, lParam, result);
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        if (!pressed_) return false;
        OnHeldButtonMouse(msg, lParam);
        result = 0;
        return true;
    case WM_CAPTURECHANGED:
        if (pressed_ && reinterpret_cast<HWND>(lParam) != hwnd_) EndPress(std::nullopt);
        return false;
    case WM_TIMER:
        if (wParam != kHoverTimer) return false;
        OnHoverTimer();
        result = 0;
        return true;
    case WM_SIZE:
        result = win::CallNext(hwnd_, msg, wParam, lParam);
        OnSize(wParam);
        return true;
    case WM_GETMINMAXINFO:
        result = win::CallNext(hwnd_, msg, wParam, lParam);
        OnGetMinMaxInfo(lParam);
        return true;
    case WM_WINDOWPOSCHANGED: ReadPlacement(); return false;
    case WM_COMMAND:
        if (lParam == 0 && HIWORD(wParam) == 0) {
            switch (LOWORD(wParam) & 0xFFF0) {
            case SC_SIZE: case SC_MOVE: case SC_MINIMIZE: case SC_MAXIMIZE:
            case SC_NEXTWINDOW: case SC_PREVWINDOW: case SC_CLOSE: case SC_RESTORE:
                PostMessageW(hwnd_, WM_SYSCOMMAND, LOWORD(wParam), 0);
                result = 0;
                return true;
            default: break;
            }
        }
        return false;
    case WM_SYSCOMMAND: return OnSysCommand(wParam, lParam, result);
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        if (msg == WM_SYSKEYDOWN ? !OnSysKeyDown(wParam) : !(wParam == VK_F10 && menuBar_)) return false;
        result = 0;
        return true;
    case WM_MENUCHAR:
        result = win::MenuCharAnswer(wParam, lParam);
        return result != 0;
    case WM_MENUSELECT:
        if (menuBar_) menuBar_->HandleMenuSelect(wParam, lParam);
        return false;
    case WM_DRAWITEM:
    case WM_MEASUREITEM: return menuBar_ && menuBar_->HandleOwnerDraw(msg, wParam, lParam, result);
    case win::CM_MENUCHANGED:
        result = win::CallNext(hwnd_, msg, wParam, lParam);
        if (menuBar_ && source_.MenuUpdate) {
            menuBar_->BuildItems();
            PaintFrame();
        }
        return true;
    default: return false;
    }
}

LRESULT TSkinnedWindow::OnNcCalcSize(WPARAM wParam, LPARAM lParam) {
    const bool mdiChildOff = windowKind_ == 2 && placement_ != kNormal;
    if (borderKind_ == 2 || mdiChildOff) return win::CallNext(hwnd_, WM_NCCALCSIZE, wParam, lParam);
    RECT* window = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
    const RECT proposed = *window;
    win::CallNext(hwnd_, WM_NCCALCSIZE, wParam, lParam);
    RECT client{proposed.left + borders_.left, proposed.top + borders_.top + menuBarHeight_,
                proposed.right - borders_.right, proposed.bottom - borders_.bottom};
    if (client.right < client.left) client.right = client.left;
    if (client.bottom < client.top) client.bottom = client.top;
    if (!wParam) {
        *window = client;
        return 0;
    }
    // What the client showed stays valid only where it lands at the same place in the
    // client: the system keeps it at the top left, as with its own frame, and has the rest
    // painted. Calling the whole new client valid would leave the old picture standing
    // wherever the window moved or grew (a restore puts the list where the strip belongs).
    reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] = client;
    return 0;
}

LRESULT TSkinnedWindow::OnNcHitTest(LPARAM lParam) {
    const LRESULT hit = win::CallNext(hwnd_, WM_NCHITTEST, 0, lParam);
    if (hit != HTNOWHERE) return hit;
    const POINT p = WindowPointFromScreen(hwnd_, lParam);
    if (menuBarHeight_ > 0 && p.y > borders_.top) return HTMENU;
    if (p.y > 3) return HTCAPTION;
    return HTNOWHERE;
}

LRESULT TSkinnedWindow::OnNcActivate(WPARAM wParam, LPARAM lParam) {
    active_ = wParam != FALSE;
    if (active_ && lifeState_ == kSkinned && !hoverTimer_) hoverTimer_ = SetTimer(hwnd_, kHoverTimer, 250, nullptr) != 0;
    if (!active_) EndPress(std::nullopt);
    if (!active_ && hoverTimer_) {
        KillTimer(hwnd_, kHoverTimer);
        hoverTimer_ = false;
        if (hot_) hot_->Leave();
    }
    // A minimised window shows the system's own caption.
    if (placement_ == kMinimized) return win::CallNext(hwnd_, WM_NCACTIVATE, wParam, lParam);
    PaintFrame();
    return TRUE;
}

TNCObject* TSkinnedWindow::ObjectAt(POINT p) {
    for (const auto& button : buttons_)
        if (button->Contains(p)) return button.get();
    if (menuBar_)
        if (TMenuBarButton* item = menuBar_->HitTest(p)) return item;
    return nullptr;
}

bool TSkinnedWindow::OnNcMouse(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const POINT p = WindowPointFromScreen(hwnd_, lParam);
    const POINT screen{PointX(lParam), PointY(lParam)};
    TNCObject* object = ObjectAt(p);
    result = 0;
    switch (msg) {
    case WM_NCMOUSEMOVE:
        if (active_ && object) {
            object->Hover();
            return true;
        }
        if (hot_ && hot_ != pressed_) hot_->Leave();
        return false;
    case WM_NCLBUTTONDOWN: {
        if (!object) {
            if (wParam == HTCAPTION && placement_ == kMaximized && active_) {
                result = win::CallNext(hwnd_, msg, HTMENU, lParam);
                return true;
            }
            return false;
        }
        if (!active_) SetForegroundWindow(hwnd_);
        object->Press();
        if (auto* item = dynamic_cast<TMenuBarButton*>(object)) {
            const std::weak_ptr<bool> alive = alive_;
            menuBar_->OpenItem(*item);
            if (alive.expired() || !*alive.lock()) return true;
            if (hot_) hot_->Leave();
            return true;
        }
        // Held like the system's own caption buttons: the pointer's messages come here
        // wherever it goes until the button is let go.
        pressed_ = object;
        SetCapture(hwnd_);
        return true;
    }
    case WM_NCLBUTTONUP:
        if (!pressed_) return false;
        EndPress(screen);
        return true;
    case WM_NCLBUTTONDBLCLK:
        if (auto* button = dynamic_cast<TCaptionButton*>(object)) {
            if (button->element.action == 3 || button->element.action == 11) {
                KillTimer(hwnd_, kHoverTimer);
                hoverTimer_ = false;
                PostClose(hwnd_);
            }
            return true;
        }
        if (object || wParam != HTCAPTION) return object != nullptr;
        if (placement_ != kNormal) PostMessageW(hwnd_, WM_SYSCOMMAND, SC_RESTORE, 0);
        else if (hasMaximizeBox_) PostMessageW(hwnd_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        return true;
    case WM_NCRBUTTONDOWN:
        if (wParam != HTCAPTION || windowKind_ == 2) return false;
        ShowSystemMenu(screen);
        return true;
    case WM_NCRBUTTONUP:
        // The system would open its own system menu from here.
        return wParam == HTCAPTION && windowKind_ != 2;
    default: return false;
    }
}

void TSkinnedWindow::OnHeldButtonMouse(UINT msg, LPARAM lParam) {
    POINT screen{PointX(lParam), PointY(lParam)};
    ClientToScreen(hwnd_, &screen);
    if (msg == WM_LBUTTONUP) {
        EndPress(screen);
        return;
    }
    const bool over = pressed_->Contains(WindowPointFromScreen(hwnd_, screen));
    const int shown = over ? TNCObject::kPressed : TNCObject::kNormal;
    if (pressed_->state == shown) return;
    pressed_->state = shown;
    pressed_->Draw();
}

void TSkinnedWindow::EndPress(std::optional<POINT> releasedAt) {
    TNCObject* pressed = std::exchange(pressed_, nullptr);
    if (!pressed) return;
    if (GetCapture() == hwnd_) ReleaseCapture();
    auto* button = dynamic_cast<TCaptionButton*>(pressed);
    if (button && releasedAt && button->Contains(WindowPointFromScreen(hwnd_, *releasedAt))) {
        button->Release();
        RunButtonAction(button->element.action, *releasedAt);
    } else {
        pressed->Leave();
    }
}

void TSkinnedWindow::ForgetPress() {
    pressed_ = nullptr;
    if (GetCapture() == hwnd_) ReleaseCapture();
}

void TSkinnedWindow::RunButtonAction(int action, POINT screen) {
    switch (action) {
    case 0:
        KillTimer(hwnd_, kHoverTimer);
        hoverTimer_ = false;
        PostClose(hwnd_);
        break;
    case 1:
    case 22:
        placement_ = placement_ == kMaximized ? kNormal : kMaximized;
        PostMessageW(hwnd_, WM_SYSCOMMAND, placement_ == kMaximized ? SC_MAXIMIZE : SC_RESTORE, 0);
        break;
    case 2:
    case 23:
        placement_ = placement_ == kMinimized ? kNormal : kMinimized;
        PostMessageW(hwnd_, WM_SYSCOMMAND, placement_ == kMinimized ? SC_MINIMIZE : SC_RESTORE, 0);
        break;
    case 3:
    case 11:
    case 12: ShowSystemMenu({screen.x + 1, screen.y + 1}); break;
    case 7: case 60: case 8: case 61: case 9: case 62:
        if (windowKind_ == 1) {
            HWND client = FindWindowExW(hwnd_, nullptr, L"MDIClient", nullptr);
            HWND child = client ? reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, 0)) : nullptr;
            const WPARAM command = (action == 7 || action == 60)   ? SC_MINIMIZE
                                   : (action == 8 || action == 61) ? SC_RESTORE
                                                                   : SC_CLOSE;
            if (child) PostMessageW(child, WM_SYSCOMMAND, command, 0);
        }
        break;
    default: PostMessageW(hwnd_, kSkinnedQueryMessage, static_cast<WPARAM>(action), 0); break;
    }
}

void TSkinnedWindow::ShowSystemMenu(POINT screen) {
    const DWORD now = GetTickCount();
    if (hasSystemMenuClick_ && now - lastSystemMenuClick_ <= GetDoubleClickTime()) {
        hasSystemMenuClick_ = false;
        KillTimer(hwnd_, kHoverTimer);
        hoverTimer_ = false;
        PostClose(hwnd_);
        return;
    }
    hasSystemMenuClick_ = true;
    lastSystemMenuClick_ = now;
    PopupSystemMenu(screen);
}

POINT TSkinnedWindow::SystemMenuCorner() const {
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    for (const auto& button : buttons_) {
        const int action = button->element.action;
        if (button->visible && (action == 3 || action == 11 || action == 12))
            return {wr.left + button->rect.left, wr.top + button->rect.bottom};
    }
    return {wr.left + borders_.left, wr.top + borders_.top};
}

void TSkinnedWindow::PopupSystemMenu(POINT screen) {
    if (source_.SkinControls.test(xcSystemMenu) && windowKind_ != 2 && systemMenu_) {
        for (win::TMenuItem* item : systemMenu_->Items()->Items()) {
            if (item->Tag() == 0) item->SetEnabled(placement_ != kNormal);
            if (item->Tag() == 1) item->SetEnabled(placement_ != kMaximized);
            if (item->Tag() == 2) item->SetEnabled(placement_ != kMinimized);
        }
        systemMenu_->Popup(screen.x, screen.y);
        return;
    }
    ApplyStyleBits(true);
    const std::weak_ptr<bool> alive = alive_;
    const UINT command = static_cast<UINT>(TrackPopupMenu(GetSystemMenu(hwnd_, FALSE),
                                                          TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0,
                                                          hwnd_, nullptr));
    if (alive.expired() || !IsWindow(hwnd_)) return;
    if (placement_ != kMinimized) ApplyStyleBits(false);
    if (command) PostMessageW(hwnd_, WM_SYSCOMMAND, command, 0);
}

bool TSkinnedWindow::OnSysCommand(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const UINT command = static_cast<UINT>(wParam & 0xFFF0);
    if (command == SC_KEYMENU) {
        const TSkinManager* manager = TSkinManager::Instance();
        const bool tracking = manager && manager->PopupTracking();
        const auto key = static_cast<wchar_t>(lParam);
        if (key == L' ' && windowKind_ != 2 && placement_ != kMinimized && !tracking) {
            // Alt+Space: the system would find no system menu, the skin took it away.
            PopupSystemMenu(SystemMenuCorner());
            result = 0;
            return true;
        }
        if (!menuBar_ || GetCapture() || tracking) return false;
        if (key == L' ' || key == L'-') return false;
        if (key == 0) {
            result = 1;  // Alt alone
            return true;
        }
        if (!menuBar_->OpenByAccelerator(key)) return false;
        result = 0;
        return true;
    }
    if (command == SC_MINIMIZE) placement_ = kMinimized;
    else if (command == SC_MAXIMIZE) placement_ = kMaximized;
    else if (command == SC_RESTORE) placement_ = kNormal;
    return false;
}

bool TSkinnedWindow::OnSysKeyDown(WPARAM wParam) {
    // F10 opens the menu bar's first item, as it does on a system menu bar.
    if (wParam != VK_F10 || !menuBar_ || (GetKeyState(VK_SHIFT) & 0x8000)) return false;
    const TSkinManager* manager = TSkinManager::Instance();
    if (manager && manager->PopupTracking()) return false;
    menuBar_->OpenFirst();
    return true;
}

void TSkinnedWindow::OnHoverTimer() {
    const TSkinManager* manager = TSkinManager::Instance();
    if ((manager && manager->PopupTracking()) || !hot_ || hot_ == pressed_) return;
    POINT cursor;
    GetCursorPos(&cursor);
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    const POINT p{cursor.x - wr.left, cursor.y - wr.top};
    if (!hot_->Contains(p)) hot_->Leave();
}

}  // namespace kelo::skin
