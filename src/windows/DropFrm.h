#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "framework/ExtCtrls.h"
#include "framework/Form.h"
#include "framework/Menus.h"

namespace kelo::app {

class TFrmDrop;

// What the mini window needs of the rest of the program. An empty function means
// "nothing there": no current mini window but this one, no main window, no dialog.
struct DropContext {
    // The program's current mini window (FrmDrop); the menu acts on it, not on itself.
    std::function<TFrmDrop*()> currentMiniWindow;
    // Whether the main window is on screen.
    std::function<bool()> mainWindowShowing;
    // Shows or hides the main window's system window.
    std::function<void(bool visible)> setMainWindowVisible;
    // Opens the mini window settings dialog, owned by the given mini window.
    std::function<void(TFrmDrop* owner)> openDropSetup;
    // The program's directory with its trailing separator; "Kelo.ini" lies there.
    std::string appDir;
};

// The mini window: a small borderless window above all others with the month total
// and the run's online time. It is dragged with the left button anywhere on it, can be
// made translucent, and has its own right-click menu.
class TFrmDrop : public win::TForm {
    KELO_CLASS(TFrmDrop, win::TForm)
public:
    static constexpr const wchar_t* kResourceName = L"DROPFRM";
    static constexpr uint8_t kMenuOpacity = 150;

    // Load the form afterwards (LoadFromResource(kResourceName)); the settings are read
    // then. The window starts hidden.
    TFrmDrop(win::TComponent* owner, DropContext context);
    // Constructs and loads in one step.
    static TFrmDrop* Create(win::TComponent* owner, DropContext context);

    // Gives the four labels the one style of ordinal n in bold, italic, underline,
    // strike-out; any other n gives regular text.
    void SetLabelsStyle(int n);
    void SetLabelsFontName(const std::wstring& name);
    void SetLabelsFontColor(TColor color);
    // The font the four labels share.
    const win::TFont& LabelsFont() const;
    // The panel's colour is the colour of the whole window.
    void SetFormColor(TColor color);
    TColor FormColor() const;

    // Label1: the month total; Label2: the run's online time (UTF-8).
    void SetMonthText(const std::string& text);
    void SetRunText(const std::string& text);
    std::string MonthText() const;
    std::string RunText() const;

    void SetPanelVisible(bool visible);
    bool PanelVisible() const;

    // With translucency on, the whole window is drawn with the one opacity value.
    void SetTranslucent(bool translucent);
    bool Translucent() const { return translucent_; }
    void SetOpacity(uint8_t opacity);
    uint8_t Opacity() const { return opacity_; }

    // The close request of the exit sequence: the window closes itself.
    void RequestClose();

    void Loaded() override;

protected:
    void CreateParamsFor(win::CreateParams& params) override;
    HWND OwnerWindow() override;
    void DoShow() override;
    void WindowCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void ReadSettings();
    void pelMainMouseDown(win::TMouseButton button);
    void MenuDropClick();
    void MenuShowMainClick();
    void MenuTracClick();
    void MenuDropSetupClick();
    LRESULT WMDisplayChange(WPARAM wParam, LPARAM lParam);

    TFrmDrop* CurrentMiniWindow();
    void ApplyTranslucency();
    void MoveToOrigin();
    template <class F>
    void ForEachLabel(F&& f) {
        for (win::TLabel* label : labels_) f(*label);
    }

    DropContext context_;
    win::TPanel* pelMain_ = nullptr;
    win::TLabel* lblStr1_ = nullptr;
    win::TLabel* Label1_ = nullptr;
    win::TLabel* lblStr2_ = nullptr;
    win::TLabel* Label2_ = nullptr;
    win::TLabel* labels_[4] = {};
    win::TMenuItem* MenuDrop_ = nullptr;
    win::TMenuItem* MenuShowMain_ = nullptr;
    win::TMenuItem* MenuTrac_ = nullptr;
    bool translucent_ = false;
    uint8_t opacity_ = 255;
};

}  // namespace kelo::app
