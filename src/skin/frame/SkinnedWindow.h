#pragma once
// TSkinnedWindow: the skin of one top-level window. It replaces the system's frame by the
// skin's sides, caption, caption buttons and menu bar, cuts the window region from the
// frame images' magenta pixels and keeps the client area at the size it had. The skin
// manager creates, owns and frees these objects.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Colors.h"
#include "framework/Graphics.h"
#include "framework/Handle.h"
#include "framework/Subclass.h"
#include "skin/frame/SkinFrameRules.h"
#include "skin/controls/SkinControl.h"
#include "skin/frame/SkinNCObject.h"

namespace kelo::win {
class TComponent;
class TCustomForm;
class TPopupMenu;
class TMenuItem;
}  // namespace kelo::win

namespace kelo::skin {

class TSkinSource;
class TSkinnedMenuBar;
class TSkinControl;
class SkinMenuItemHandlers;
class TSkinCaptionButtonElement;
class Offscreen;

class TSkinnedWindow;

class TCaptionButton : public TNCObject {
public:
    TCaptionButton(TSkinnedWindow& window, const TSkinCaptionButtonElement& element);
    const TSkinCaptionButtonElement& element;
    void Draw() override;
    // Draws onto a device context whose origin is the window's top-left.
    void DrawOn(HDC dc);
    // The system-menu button without an image of its own shows the window's icon.
    bool IsIcon() const;

private:
    TSkinnedWindow& window_;
};

class TSkinnedWindow : public NCHost, public TSkinControlOwner, private win::SubclassHook {
public:
    enum LifeState { kCreated = 0, kSkinned = 1, kRecolouring = 3, kDetaching = 4, kResizing = 5, kDestroyed = 6 };
    enum Placement { kNormal = 0, kMaximized = 1, kMinimized = 2 };

    TSkinnedWindow(HWND window, TSkinSource& source, win::TCustomForm* form);
    ~TSkinnedWindow() override;
    TSkinnedWindow(const TSkinnedWindow&) = delete;
    TSkinnedWindow& operator=(const TSkinnedWindow&) = delete;

    // Attaches to the window (the form's extras first when there is a form).
    void Attach();
    // On the skin-attached message: resize to the skin, build the region, start hovering.
    void FinishAttach();
    // Gives the window its own frame, menu, style, size, colour and procedure back.
    void Detach();
    void DropCaptionButtons();
    void BuildCaptionButtons();
    void Recolour();
    void ResizeToSkin(bool freshClientRect = false);

    HWND Window() const override { return hwnd_; }
    TNCObject* HotObject() const override { return hot_; }
    void SetHotObject(TNCObject* object) override { hot_ = object; }
    bool Active() const override { return active_; }

    TSkinSource& Source() const { return source_; }
    win::TCustomForm* Form() const { return form_; }
    int State() const { return lifeState_; }
    const FrameBorders& Borders() const { return borders_; }
    int MenuBarHeight() const { return menuBarHeight_; }
    TSkinnedMenuBar* MenuBar() const { return menuBar_.get(); }
    const std::vector<std::unique_ptr<TCaptionButton>>& CaptionButtons() const { return buttons_; }
    HICON Icon() const { return icon_.Get(); }
    // Whether this window has a skin object for the control's window.
    // A skin is listed for the window, or for the framework control.
    bool HasControlSkin(HWND handle, const win::TControl* control = nullptr) const;
    const std::vector<std::unique_ptr<TSkinControl>>& ControlSkins() const { return controls_; }

    // The control skins' owner.
    void ControlGone(TSkinControl& control) override;
    TSkinControl* HotControl() const override { return hotControl_; }
    void SetHotControl(TSkinControl* control) override { hotControl_ = control; }
    bool Destroying() const override { return destroying_; }

    // Paints the skinned frame now (non-client paint).
    void PaintFrame();
    // Runs a caption button's action, as a click on it does.
    void RunButtonAction(int action, POINT screenPoint);
    // A click on the system-menu button: a second one within the double-click time closes.
    void ShowSystemMenu(POINT screenPoint);

private:
    friend class TCaptionButton;
    bool Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDetached(HWND hwnd) override;

    // Messages.
    bool MainMenuSwitched() const;
    LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(LPARAM lParam);
    LRESULT OnNcActivate(WPARAM wParam, LPARAM lParam);
    bool OnNcMouse(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSysCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSysKeyDown(WPARAM wParam);
    void OnSize(WPARAM type);
    void OnGetMinMaxInfo(LPARAM lParam);
    void OnHoverTimer();
    // A held caption button (pressed with the left button, the mouse captured).
    void OnHeldButtonMouse(UINT msg, LPARAM lParam);
    // Ends the press; a release over the held button (screen point) runs its action.
    void EndPress(std::optional<POINT> releasedAt);
    // Drops the press without drawing (its button goes).
    void ForgetPress();
    // The skinned system menu, or the window's own, at the point.
    void PopupSystemMenu(POINT screenPoint);
    // Below the caption icon, where the keyboard opens the system menu.
    POINT SystemMenuCorner() const;
    void ApplyStyleBits(bool withButtons);

    // Attaching pieces.
    void ReadWindow();
    void BuildSystemMenu();
    void BuildIcon();
    void WalkControls();
    void WalkContainer(win::TComponent& container, const SkinSwitches& switches, bool preview);
    void ApplyChoice(win::TControl& control, HWND handle, const SkinControlChoice& choice,
                     const SkinSwitches& switches, bool preview);
    void AttachControlSkin(SkinControlKind kind, win::TControl& control, HWND handle, bool keepColour);
    void ClaimPopupMenus();
    void DetachControls();
    void ReadPlacement();
    void DisableSystemFrameRendering();

    // Painting pieces (SkinnedFrame.cpp).
    // Draws the left, right and bottom sides onto their kept surfaces.
    void PaintSides(int width, int height);
    void PaintCaption(HDC windowDC, int width);
    void PaintMenuBar(HDC windowDC, int width);
    void ReadBorders();
    void BuildRegion(bool force);
    // Has what a grown region uncovers painted: frame, client and controls.
    void RepaintUncovered(HRGN uncovered);
    CaptionState CurrentCaptionState() const;
    TNCObject* ObjectAt(POINT windowPoint);

    HWND hwnd_;
    TSkinSource& source_;
    win::TCustomForm* form_;
    bool attached_ = false;
    bool subclassed_ = false;
    win::Font captionFont_;
    DWORD style_ = 0, exStyle_ = 0;
    bool rightToLeft_ = false;
    std::wstring text_;
    std::wstring className_;
    RECT clientAtAttach_{};
    FrameBorders borders_;
    int menuBarHeight_ = 0;
    std::vector<std::unique_ptr<TCaptionButton>> buttons_;
    TNCObject* hot_ = nullptr;
    TNCObject* pressed_ = nullptr;
    std::unique_ptr<TSkinnedMenuBar> menuBar_;
    std::unique_ptr<win::TPopupMenu> systemMenu_;
    std::unique_ptr<SkinMenuItemHandlers> systemMenuPaint_;
    std::vector<std::unique_ptr<SkinMenuItemHandlers>> popupMenuPaint_;
    std::vector<std::unique_ptr<TSkinControl>> controls_;
    TSkinControl* hotControl_ = nullptr;
    bool destroying_ = false;
    win::UniqueIcon icon_;  // the window's small icon, for the system-menu button
    // Kept between paints, each the size of its strip: the left, right and bottom sides,
    // the caption strip being drawn, and the last caption without its buttons (a button
    // redraws over it alone).
    std::unique_ptr<Offscreen> leftSurface_, rightSurface_, bottomSurface_, stripSurface_, captionKeep_;
    int borderKind_ = 0;
    int windowKind_ = 0;  // 0 ordinary, 1 MDI frame, 2 MDI child
    int placement_ = kNormal;
    int lifeState_ = kCreated;
    bool active_ = false;
    bool hasSystemMenu_ = false, hasMinimizeBox_ = false, hasMaximizeBox_ = false;
    bool hoverTimer_ = false;
    SIZE regionSize_{-1, -1};
    bool regionSet_ = false;
    RECT captionTextRect_{};
    CaptionFit captionFit_;
    TColor formColour_ = 0;
    bool formColourSaved_ = false;
    DWORD lastSystemMenuClick_ = 0;
    bool hasSystemMenuClick_ = false;
    // Cleared when the object goes: code after a modal menu loop checks it first.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kelo::skin
