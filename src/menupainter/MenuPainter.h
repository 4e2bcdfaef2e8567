#pragma once
// TMenuPainter: the component on a form that gives the form's menus (and, through the
// control painters, its controls) the flat look. It owns the look settings read from
// the form description, the working colours derived from them, and the taking over
// and releasing of menu items' owner-draw events.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Graphics.h"
#include "menupainter/MenuItemPaint.h"
#include "menupainter/MenuPainterLook.h"

namespace kelo::win {
class TCanvas;
class TControl;
class TCustomForm;
class TMenu;
class TMenuItem;
class TWinControl;
}  // namespace kelo::win

namespace kelo::menupainter {

class TControlSubClass;

class TMenuPainter : public win::TComponent {
    KELO_CLASS(TMenuPainter, win::TComponent)
public:
    // The first painter also brings the painter manager to life.
    explicit TMenuPainter(win::TComponent* owner);
    // An active painter hands every item it took back to the platform's drawing and
    // leaves the manager; the last painter frees it.
    ~TMenuPainter() override;

    // Registers with the manager once the form is built.
    void Loaded() override;
    // Passes insertions and removals on to the manager, which watches for new forms.
    void Notification(win::TComponent* component, win::TOperation operation) override;

    win::TCustomForm* OwnerForm() const { return ownerForm_; }

    int DimLevel() const { return dimLevel_; }
    void SetDimLevel(int level) { dimLevel_ = level; }
    int GrayLevel() const { return grayLevel_; }
    void SetGrayLevel(int level) { grayLevel_ = level; }
    const win::TFont& Font() const { return font_; }
    void SetFont(const win::TFont& font);

    TColor Color() const { return props_.color; }
    void SetColor(TColor colour) { SetColour(props_.color, colour); }
    // Menu-bar items in MenuBarColor rather than the working menu-bar colour.
    bool DrawMenuBar() const { return drawMenuBar_; }
    void SetDrawMenuBar(bool on) { drawMenuBar_ = on; }
    TColor IconBackColor() const { return props_.iconBackColor; }
    void SetIconBackColor(TColor colour) { SetColour(props_.iconBackColor, colour); }
    TColor MenuBarColor() const { return props_.menuBarColor; }
    void SetMenuBarColor(TColor colour);
    TColor SelectColor() const { return props_.selectColor; }
    void SetSelectColor(TColor colour) { SetColour(props_.selectColor, colour); }
    TColor SelectBorderColor() const { return props_.selectBorderColor; }
    void SetSelectBorderColor(TColor colour) { SetColour(props_.selectBorderColor, colour); }
    TColor SelectFontColor() const { return props_.selectFontColor; }
    void SetSelectFontColor(TColor colour) { SetColour(props_.selectFontColor, colour); }
    TColor DisabledColor() const { return props_.disabledColor; }
    void SetDisabledColor(TColor colour) { SetColour(props_.disabledColor, colour); }
    TColor SeparatorColor() const { return props_.separatorColor; }
    void SetSeparatorColor(TColor colour) { SetColour(props_.separatorColor, colour); }
    TColor CheckedColor() const { return props_.checkedColor; }
    void SetCheckedColor(TColor colour) { SetColour(props_.checkedColor, colour); }

    int IconWidth() const { return iconWidth_; }
    void SetIconWidth(int width) { iconWidth_ = width; }
    bool DrawSelect() const { return drawSelect_; }
    void SetDrawSelect(bool on) { drawSelect_ = on; }
    bool UseSystemColors() const { return props_.useSystemColors; }
    // Does not make the colours stale: the scheme takes effect with the next colour change.
    void SetUseSystemColors(bool on);
    bool UseDimColor() const { return props_.useDimColor; }
    void SetUseDimColor(bool on) { props_.useDimColor = on; }
    // Takes effect the next time menu items are taken over.
    bool OverrideOwnerDraw() const { return overrideOwnerDraw_; }
    void SetOverrideOwnerDraw(bool on) { overrideOwnerDraw_ = on; }
    bool Gradient() const { return gradient_; }
    void SetGradient(bool on) { gradient_ = on; }
    bool FlatMenu() const { return flatMenu_; }
    void SetFlatMenu(bool on) { flatMenu_ = on; }
    bool AutoDetect() const { return autoDetect_; }
    void SetAutoDetect(bool on) { autoDetect_ = on; }

    // A change on an active painter releases everything under the old set and takes
    // over again under the new one.
    const TStyledContainers& StyledContainers() const { return styledContainers_; }
    void SetStyledContainers(const TStyledContainers& containers);
    const TStyledControls& StyledControls() const { return styledControls_; }
    void SetStyledControls(const TStyledControls& controls);

    bool Active() const { return active_; }
    // Takes over (or releases) the owner form's menus and controls and redraws its menu
    // bar. While the form is being built, only what stands before the painter is taken.
    void SetActive(bool active);

    // Never stored, so it always reads False; handing the styled controls to another
    // painter is the painter manager's business.
    bool DisableSubclassing() const { return false; }

    // The working colours for painting on `dc`, recomputed when a colour changed.
    const WorkingColours& Colours(HDC dc);
    bool ColourDisplay() const { return colourDisplay_; }
    // The system scheme changed: the working colours, resolved to RGB from the old
    // scheme, are worked out again before the next paint.
    void SystemColoursChanged() { coloursStale_ = true; }
    // Everything the item painter needs to know about the look, for painting on `dc`.
    MenuLook Look(HDC dc);

    // Takes over (enable) or releases the components `container` owns, in ownership order.
    void HookComponents(win::TComponent& container, bool enable, bool refresh);
    void HookComponent(win::TComponent& component, bool enable, bool refresh);
    // The item and, recursively, its sub-items (also those of an item left alone).
    void HookMenuItem(win::TMenuItem& item, bool enable);
    // Only the menus among what `container` owns (and what its forms own): the manager
    // moves the menus of the forms it styled from a leaving painter to the next one.
    void HookMenus(win::TComponent& container, bool enable);

    // The owner-draw events installed on the items the painter takes; they do nothing
    // while the painter is inactive.
    void DrawMenuItem(win::TMenuItem* item, win::TCanvas& canvas, const RECT& rect, UINT state);
    void MeasureMenuItem(win::TMenuItem* item, win::TCanvas& canvas, int& width, int& height);

    // The records of the controls this painter styles.
    const std::vector<std::unique_ptr<TControlSubClass>>& Records() const { return records_; }
    // Frees a record (its window is gone, or it gave its control back).
    void ForgetRecord(const TControlSubClass& record);
    // Another painter's records come to this one: their controls stay hooked as they are.
    void AdoptRecords(std::vector<std::unique_ptr<TControlSubClass>> records);
    // Takes the records whose control lies (inside) or does not lie (outside) in `form`.
    std::vector<std::unique_ptr<TControlSubClass>> TakeRecords(const win::TCustomForm* form, bool inside);

    // DimLevel, GrayLevel, Font.*, the colours, the switches, StyledContainers and
    // StyledControls (sets of member names), Active and DisableSubclassing.
    bool ReadProperty(const std::string& name, const FormValue& value) override;

private:
    void SetColour(TColor& property, TColor colour);
    void RedrawMenuBar();
    void HookMenu(win::TMenu& menu, bool enable, bool rebuildMenuBar);
    // Gives a control the flat look: a record takes over its window procedure, now or,
    // while the form is still being built, once the control has its window.
    void StyleControl(win::TControl& control, const SavedLook& saved);
    void WindowMade(win::TWinControl& control);
    MenuItemFacts FactsOf(const win::TMenuItem& item) const;
    // In flat-menu mode: asks for the frame of the popup window the item was painted in.
    void RequestFrameFor(const win::TMenuItem& item, HDC dc, bool rightToLeft);

    win::TCustomForm* ownerForm_ = nullptr;
    int dimLevel_ = 30;
    int grayLevel_ = 10;
    win::TFont font_;
    PainterColourProps props_;
    bool drawMenuBar_ = false;
    int iconWidth_ = 24;
    bool drawSelect_ = true;
    bool overrideOwnerDraw_ = false;
    bool gradient_ = false;
    bool flatMenu_ = false;
    bool autoDetect_ = false;
    TStyledContainers styledContainers_;
    TStyledControls styledControls_;
    bool active_ = false;

    std::vector<std::unique_ptr<TControlSubClass>> records_;
    // Controls chosen before their windows were made, with what their records keep.
    std::vector<std::pair<win::TWinControl*, SavedLook>> awaiting_;
    int windowListener_ = 0;

    WorkingColours colours_;
    bool coloursStale_ = true;
    bool colourDisplay_ = true;
};

// Lets form descriptions name TMenuPainter.
void RegisterMenuPainterClasses();

}  // namespace kelo::menupainter
