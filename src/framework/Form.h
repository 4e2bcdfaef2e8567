#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/Control.h"

namespace kelo::win {

// Posted to the application window to free a form (TCustomForm::Release).
inline constexpr UINT CM_RELEASE = 0xB032;

class TMainMenu;

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TFormStyle { fsNormal, fsStayOnTop };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

// A top-level window built from its form description. Its window class carries the
// form's class name. Forms are owned by the application's taskbar window unless a
// form chooses another owner.
class TCustomForm : public TWinControl {
    KELO_CLASS(TCustomForm, TWinControl)
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    // Every form of the program, oldest first.
    static const std::vector<TCustomForm*>& Forms();
    // The form whose window this is, or nullptr.
    static TCustomForm* FromWindow(HWND hwnd);
    // Text the form paints itself rather than through controls (one line per row), for
    // tools that read the screen from outside.
    virtual std::wstring DrawnText() const { return L""; }

    // Builds the form's components from the form description stored as the program's
    // resource of that name, then makes the windows (hidden unless Visible is set).
    void LoadFromResource(const wchar_t* resourceName);
    // Builds the form from a description text (UTF-8).
    void LoadFromDescription(std::string_view description);

    // Handlers that the description names (OnClick = MenuCloseClick), registered
    // before loading.
    void RegisterHandler(const std::string& name, TNotifyEvent handler);
    TNotifyEvent FindHandler(const std::string& name) const;

    void Show();
    void Hide();
    // Asks OnCloseQuery, then ends the program (main form) or hides the form.
    void Close();
    // Frees the form once the messages under way are done (a modeless form that goes
    // when it is closed): the application window frees it, found by its handle.
    void Release();
    // Runs the form as a modal dialog until ModalResult is set; returns it.
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    unsigned BorderIcons() const { return borderIcons_; }
    // Tab, the arrow keys, Enter and Esc work between the controls also while the form
    // is shown without blocking (a modal form always has them), and the focus comes
    // back to the control that had it whenever the form is activated again.
    bool DialogKeys() const { return dialogKeys_; }
    void SetDialogKeys(bool on) { dialogKeys_ = on; }
    void SetClientSize(int width, int height);

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnClose;

    void SetVisible(bool visible) override;
    bool Showing() const override;
    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;
    void VisibleChanged() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The owner window of the form's window.
    virtual HWND OwnerWindow();
    virtual bool CloseQuery();
    // Runs just before the form becomes visible.
    virtual void DoShow();

private:
    LRESULT WMCommand(WPARAM wParam, LPARAM lParam);
    LRESULT WMMenuItemMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    DWORD CaptionButtons() const;
    LRESULT WMActivate(WPARAM wParam, LPARAM lParam);
    LRESULT WMWindowPosChanging(WINDOWPOS& pos);

    std::map<std::string, TNotifyEvent> handlers_;
    TMainMenu* menu_ = nullptr;
    TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    unsigned borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    bool dialogKeys_ = false;
    HWND lastFocus_ = nullptr;
    int clientWidth_ = -1, clientHeight_ = -1;
    int modalResult_ = 0;
    bool positionCentered_ = false;
    // Still where the form description (or the screen's work area) put it.
    bool designedPlace_ = true;
    bool showingNow_ = false;
};

class TForm : public TCustomForm {
    KELO_CLASS(TForm, TCustomForm)
public:
    using TCustomForm::TCustomForm;
};

}  // namespace kelo::win
