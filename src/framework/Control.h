#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Graphics.h"
#include "framework/Subclass.h"

namespace kelo::win {

class TWinControl;
class TPopupMenu;
class TCustomForm;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, int x, int y)>;

// A visual element with a place in its parent, a colour, a font and a caption.
class TControl : public TComponent {
    KELO_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    TCustomForm* ParentForm() const;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Enabled itself and inside enabled parents: a disabled container shows and makes
    // its controls disabled while they keep their own state.
    bool EnabledInParents() const;
    // Visible and every parent visible and shown on screen.
    virtual bool Showing() const;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    // With ParentColor on, the control takes its parent's colour and follows its changes.
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    const std::wstring& Caption() const { return caption_; }
    void SetCaption(std::wstring caption);

    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    TNotifyEvent OnClick;
    // After the control's size changed and its children were aligned.
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

    virtual void Invalidate();
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;

    // Mouse input reaches a control through its windowed parent.
    virtual void MouseDown(TMouseButton button, int x, int y);
    virtual void MouseUp(TMouseButton button, int x, int y);
    virtual void MouseMove(int, int) {}
    virtual void Click();

    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    virtual void BoundsChanged() {}
    virtual void CaptionChanged() { Invalidate(); }
    virtual void ColorChanged() { Invalidate(); }
    virtual void FontChanged() { Invalidate(); }
    virtual void VisibleChanged();
    virtual void EnabledChanged() { Invalidate(); }
    void RequestAlign();

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool parentColor_ = false;
    bool parentFont_ = true;

private:
    friend class TWinControl;
    TWinControl* parent_ = nullptr;
    TAlign align_ = TAlign::alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    TFont font_;
    std::wstring caption_;
    TPopupMenu* popupMenu_ = nullptr;
};

// A control without a window of its own: its parent paints it.
class TGraphicControl : public TControl {
    KELO_CLASS(TGraphicControl, TControl)
public:
    using TControl::TControl;
    // The canvas's origin is the control's top-left corner.
    virtual void Paint(TCanvas& canvas) = 0;
    void Invalidate() override;
};

struct CreateParams {
    std::wstring className;  // a system class, or empty for the framework's own class
    std::wstring caption;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = nullptr;
    UINT classStyle = CS_DBLCLKS;
    HBRUSH background = nullptr;
};

// A control with a window. Its window is made when the form makes its windows (after
// loading) or when it is placed into a parent that already has one. The framework's
// handling hooks the window through the subclass chain, so the same path serves system
// controls and the framework's own classes.
class TWinControl : public TControl, protected SubclassHook {
    KELO_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle() const { return hwnd_; }
    bool HandleAllocated() const { return hwnd_ != nullptr; }
    void HandleNeeded();

    const std::vector<TControl*>& Controls() const { return controls_; }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

    RECT ClientRect() const;
    int ClientWidth() const;
    int ClientHeight() const;
    virtual void AlignControls();
    // The part of the client area that aligned children share (inside bevels).
    virtual void AdjustClientRect(RECT&) const {}

    void SetFocus();
    bool Focused() const;
    int TabOrder() const { return tabOrder_; }
    bool TabStop() const { return tabStop_; }

    void SetBounds(int left, int top, int width, int height) override;
    bool Showing() const override;
    void Invalidate() override;

    // Mouse input goes to a child without a window until ReleaseMouse (dragging).
    void CaptureMouse(TControl* control);
    void ReleaseMouse();

    // The control whose window this is, or nullptr.
    static TWinControl* FromHandle(HWND hwnd);
    // Code that hooks controls' windows from outside (the flat painters) hears here of
    // every window a control has made and set up, whenever that is.
    using TWindowMadeListener = std::function<void(TWinControl& control)>;
    static int AddWindowMadeListener(TWindowMadeListener listener);
    static void RemoveWindowMadeListener(int id);
    // Sends a message to the control's window.
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

    bool ReadProperty(const std::string& name, const FormValue& value) override;

protected:
    virtual void CreateParamsFor(CreateParams& params);
    virtual void CreateWnd();
    // After the window exists: the framework puts fonts, texts and children in place.
    virtual void WindowCreated();
    virtual void DestroyWnd();
    // The control's message handler; DefaultHandler passes a message down the chain.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    // Notifications the parent receives for this control (WM_COMMAND, WM_NOTIFY, ...).
    virtual bool HandleParentNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Paints the background and the graphic children; a class may paint more.
    virtual void PaintWindow(HDC dc);
    void PaintGraphicChildren(HDC dc, const RECT& dirty);
    TControl* GraphicControlAt(POINT clientPoint) const;
    HBRUSH BackgroundBrush();

    void CaptionChanged() override;
    void ColorChanged() override;
    void FontChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;

    bool Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDetached(HWND hwnd) override;

    int tabOrder_ = -1;
    bool tabStop_ = false;

private:
    LRESULT WMPaint();
    LRESULT WMMouse(UINT msg, LPARAM lParam);
    LRESULT WMContextMenu(WPARAM wParam, LPARAM lParam);
    LRESULT WMMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT WMCtlColor(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT WMSysColorChange(WPARAM wParam, LPARAM lParam);
    LRESULT WMWindowKey(UINT msg, WPARAM wParam, LPARAM lParam);
    // Background brushes made from system colours go, here and in every windowed child:
    // the next paint makes them from the scheme in force then.
    void DropSystemColourBrushes();
    void CreateChildHandles();
    static void NotifyWindowMade(TWinControl& control);
    void SyncBoundsFromWindow();

    HWND hwnd_ = nullptr;
    bool ownClass_ = false;
    TControl* captured_ = nullptr;
    std::vector<TControl*> controls_;
    Brush background_;
    bool creatingWnd_ = false;
};

// A window's text and its class name, as the system has them.
std::wstring WindowText(HWND hwnd);
std::wstring WindowClassName(HWND hwnd);

// Registers the framework's own window class for a control class name.
const wchar_t* RegisterFrameworkClass(const std::wstring& name, UINT style);

TAlign AlignFromName(const std::string& name);

}  // namespace kelo::win
