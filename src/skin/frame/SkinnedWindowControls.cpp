// The skinned window's controls: the walk that gives each control of the window the skin
// its kind takes, and the recolouring of what was skinned.
#include "framework/ComCtrls.h"
#include "framework/Form.h"
#include "skin/controls/SkinControl.h"
#include "skin/SkinSource.h"
#include "skin/frame/SkinnedWindow.h"

namespace kelo::skin {

namespace {

// Flat and Transparent go through the control's named properties, as a form description
// sets them, so only a control that has such a property changes.
void SetNamedPropertyTrue(win::TControl& control, const char* name) {
    FormValue value;
    value.kind = FormValue::Kind::Ident;
    value.text = "True";
    control.ReadProperty(name, value);
}

// A form this one owns (a dialog, a fresh mini window) is a window of its own with its own
// skin; only a form placed inside this one is walked as a part of it.
bool StandsAlone(const win::TControl& control) {
    return control.Parent() == nullptr && control.InheritsFrom("TCustomForm");
}

void ChangeProperty(win::TControl& control, ControlPropertyChange change) {
    switch (change) {
        case ControlPropertyChange::FlatTrue: SetNamedPropertyTrue(control, "Flat"); break;
        case ControlPropertyChange::TransparentTrue: SetNamedPropertyTrue(control, "Transparent"); break;
        case ControlPropertyChange::SizeGripFalse:
            // The skin's frame sizes the window: the bar shows no grip of its own.
            if (auto* bar = dynamic_cast<win::TStatusBar*>(&control)) bar->SetSizeGrip(false);
            break;
        case ControlPropertyChange::None: break;
    }
}

}  // namespace


void TSkinnedWindow::WalkControls() {
    const SkinData* skin = source_.Skin();
    if (!skin) return;
    if (!form_) {
        // A window without a form (a standard dialog): its direct children, top first.
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!(GetWindowLongW(child, GWL_STYLE) & WS_CHILD) || HasControlSkin(child)) continue;
            std::wstring wide = win::WindowClassName(child);
            CharLowerW(wide.data());
            const BareWindowChoice choice = ChooseBareWindowSkin(std::string(wide.begin(), wide.end()),
                                                                 static_cast<uint32_t>(GetWindowLongW(child, GWL_STYLE)));
            HWND target = choice.onFirstChild ? GetWindow(child, GW_CHILD) : child;
            if (choice.kind == SkinControlKind::None || !target) continue;
            if (auto control = MakeControlSkin(choice.kind, nullptr, target, false, source_, *this))
                controls_.push_back(std::move(control));
        }
        return;
    }
    SkinSwitches switches;
    switches.disableTag = source_.DisableTag;
    switches.skinControls = source_.SkinControls;
    switches.classSkinMap = &source_.ClassSkinMap;
    const TSkinElement* tabs = skin->Part(SkinPart::Tabs);
    switches.skinHasTabs = tabs && !tabs->image.Empty();
    WalkContainer(*form_, switches, IsPreviewForm(form_->Name(), form_->ClassName()));
}

void TSkinnedWindow::WalkContainer(win::TComponent& container, const SkinSwitches& switches, bool preview) {
    for (win::TComponent* component : container.Components()) {
        auto* control = dynamic_cast<win::TControl*>(component);
        if (!control || SkinRefusedByTag(control->Tag(), source_.DisableTag) || StandsAlone(*control)) continue;
        auto* windowed = dynamic_cast<win::TWinControl*>(control);
        if (windowed && !windowed->HandleAllocated()) {
            if (preview) continue;
            windowed->HandleNeeded();
            if (!windowed->HandleAllocated()) continue;
        }
        HWND handle = windowed ? windowed->Handle() : nullptr;
        if (HasControlSkin(handle, control)) continue;
        ControlFacts facts;
        facts.className = control->ClassName();
        facts.inheritsFrom = [control](std::string_view name) { return control->InheritsFrom(name); };
        facts.tag = control->Tag();
        facts.style = handle ? static_cast<uint32_t>(GetWindowLongW(handle, GWL_STYLE)) : 0;
        facts.dateModeUpDown = (facts.style & 0x0001) != 0 && control->InheritsFrom("TDateTimePicker");
        ApplyChoice(*control, handle, ChooseSkinControl(facts, switches), switches, preview);
    }
}

// The property changes come before the skin, which then paints the control as changed;
// a container is walked after its own skin is on.
void TSkinnedWindow::ApplyChoice(win::TControl& control, HWND handle, const SkinControlChoice& choice,
                                 const SkinSwitches& switches, bool preview) {
    ChangeProperty(control, choice.change);
    if (choice.buttonFaceColour) control.SetColor(source_.Skin()->colours.buttonFace);
    if (auto* container = dynamic_cast<win::TWinControl*>(&control); container && choice.childrenParentColourOff) {
        for (win::TControl* child : container->Controls()) {
            // The container takes the skin's colour; its children keep their own.
            child->SetParentColor(false);
            auto* windowedChild = dynamic_cast<win::TWinControl*>(child);
            HWND childHandle = windowedChild && windowedChild->HandleAllocated() ? windowedChild->Handle() : nullptr;
            if (choice.childKind != SkinControlKind::None && !HasControlSkin(childHandle, child))
                AttachControlSkin(choice.childKind, *child, childHandle, false);
        }
    }
    if (choice.kind != SkinControlKind::None) AttachControlSkin(choice.kind, control, handle, choice.keepColour);
    if (choice.walk) WalkContainer(control, switches, preview);
}

void TSkinnedWindow::AttachControlSkin(SkinControlKind kind, win::TControl& control, HWND handle, bool keepColour) {
    if (auto skinControl = MakeControlSkin(kind, &control, handle, keepColour, source_, *this))
        controls_.push_back(std::move(skinControl));
}

void TSkinnedWindow::Recolour() {
    if (form_ && source_.Skin()) form_->SetColor(source_.Skin()->colours.buttonFace);
    for (const auto& control : controls_) control->Refresh();
    lifeState_ = kRecolouring;
    if (MainMenuSwitched()) {
        ClaimPopupMenus();
        ReadBorders();
        ResizeToSkin(true);
        BuildRegion(true);
    }
    lifeState_ = kSkinned;
    PaintFrame();
}

}  // namespace kelo::skin
