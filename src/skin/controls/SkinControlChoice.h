#pragma once
// The control walker's decision: which control skin a control of a skinned form gets,
// from its class, its Tag and the switches of the TSkinSource. Pure: the walker of
// TSkinnedWindow gathers the facts, asks here, and does what the answer says.
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelo::skin {

// The members of SkinControls, in their declared order (the order of the set's bits).
enum TSkinControlType {
    xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress,
    xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcPanel, xcGroupBox, xcStatusBar, xcTab,
    xcSystemMenu, xcFastReport,
};
using TSkinControlTypes = std::bitset<xcFastReport + 1>;

// The members of the TSkinControl family that the walkers attach.
enum class SkinControlKind {
    None, TSkinButton, TSkinBitButton, TSkinSpeedButton, TSkinCheckBox, TSkinRadioButton,
    TSkinComboBox, TSkinEdit, TSkinUpDown, TSkinStatusBar, TSkinBox, TSkinTab, TSkinTab31,
    TSkinTrackBar, TSkinProgress, TSkinScrollBar, TSkinListView, TSkinScControl, TSkinSizer,
};

// A property the walker changes before attaching. Flat and Transparent are set to True
// only when the control has an enumeration property of that name; SizeGrip goes False.
enum class ControlPropertyChange { None, FlatTrue, TransparentTrue, SizeGripFalse };

// What the walker does with one control. All empty: the control is left alone.
struct SkinControlChoice {
    SkinControlKind kind = SkinControlKind::None;
    bool byHandle = false;     // attach the window, not the framework control
    bool keepColour = false;   // the skin saves Color and paints it in the skin's button face
    ControlPropertyChange change = ControlPropertyChange::None;
    bool buttonFaceColour = false;         // Color := the skin's button face, no skin object
    bool childrenParentColourOff = false;  // each child control gets ParentColor false
    SkinControlKind childKind = SkinControlKind::None;  // and, when set, this skin
    bool walk = false;                     // then walk the control as a container

    bool operator==(const SkinControlChoice&) const = default;
};

// Answers the framework's InheritsFrom for the control's class (the class itself included).
using InheritsFromTest = std::function<bool(std::string_view className)>;

// An InheritsFrom over a list of class names, the control's own class first.
InheritsFromTest AncestryTest(std::vector<std::string> ancestry);

struct ControlFacts {
    std::string className;     // ClassName of the control
    InheritsFromTest inheritsFrom;
    int32_t tag = 0;
    uint32_t style = 0;        // window style of a windowed control
    bool dateModeUpDown = false;  // a date-time picker shows an up-down, not a drop-down
};

struct SkinSwitches {
    int32_t disableTag = 99;
    TSkinControlTypes skinControls;
    const std::vector<std::wstring>* classSkinMap = nullptr;  // lines "ClassName=kind"
    bool skinHasTabs = false;  // the skin has a Tabs element with an image
};

// The lines a TSkinSource starts with, and that the main window's form description stores.
const std::vector<std::wstring>& DefaultClassSkinMap();

// A control whose Tag mod 100 equals DisableTag is never skinned, not even by OnSkinControl.
bool SkinRefusedByTag(int32_t tag, int32_t disableTag);

// Preview forms of report tools: their windowed controls without a handle count as skinned.
bool IsPreviewForm(std::string_view formName, std::string_view formClassName);

// The kind word of the first ClassSkinMap line for the class, lower-cased; empty when no
// line names it.
std::string ClassSkinMapKind(const std::vector<std::wstring>& map, std::string_view className);

// The walker's built-in choice for a control that is not yet skinned, has its handle and
// that OnSkinControl (asked by the caller before this) did not take.
SkinControlChoice ChooseSkinControl(const ControlFacts& control, const SkinSwitches& switches);

// The child-window skinner of a window without a framework form: by the child's class
// name and style. Every skin it names is attached by handle.
struct BareWindowChoice {
    SkinControlKind kind = SkinControlKind::None;
    bool onFirstChild = false;  // the skin goes on the window's first child
    bool operator==(const BareWindowChoice&) const = default;
};
BareWindowChoice ChooseBareWindowSkin(std::string_view className, uint32_t style);

}  // namespace kelo::skin
