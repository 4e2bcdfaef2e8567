// Which object of the control-skin family a kind is, attached to its control.
#include "framework/Control.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinFieldControls.h"
#include "skin/controls/SkinRareControls.h"
#include "skin/controls/SkinScrollBars.h"

namespace kelo::skin {

namespace {

std::unique_ptr<TSkinControl> Make(SkinControlKind kind, TSkinControlOwner& owner, TSkinSource& source) {
    switch (kind) {
        case SkinControlKind::TSkinButton: return std::make_unique<TSkinButton>(owner, source);
        case SkinControlKind::TSkinCheckBox: return std::make_unique<TSkinCheckBox>(owner, source);
        case SkinControlKind::TSkinRadioButton: return std::make_unique<TSkinRadioButton>(owner, source);
        case SkinControlKind::TSkinBox: return std::make_unique<TSkinBox>(owner, source);
        case SkinControlKind::TSkinSizer: return std::make_unique<TSkinSizer>(owner, source);
        case SkinControlKind::TSkinComboBox: return std::make_unique<TSkinComboBox>(owner, source);
        case SkinControlKind::TSkinEdit: return std::make_unique<TSkinEdit>(owner, source);
        case SkinControlKind::TSkinUpDown: return std::make_unique<TSkinUpDown>(owner, source);
        case SkinControlKind::TSkinStatusBar: return std::make_unique<TSkinStatusBar>(owner, source);
        case SkinControlKind::TSkinScrollBar: return std::make_unique<TSkinScrollBar>(owner, source);
        case SkinControlKind::TSkinListView: return std::make_unique<TSkinListView>(owner, source);
        case SkinControlKind::TSkinScControl: return std::make_unique<TSkinScControl>(owner, source);
        case SkinControlKind::TSkinTab: return std::make_unique<TSkinTab>(owner, source);
        case SkinControlKind::TSkinTrackBar: return std::make_unique<TSkinTrackBar>(owner, source);
        case SkinControlKind::TSkinProgress: return std::make_unique<TSkinProgress>(owner, source);
        // Bit buttons are push buttons with a glyph: the skin gives them the push button's face.
        case SkinControlKind::TSkinBitButton: return std::make_unique<TSkinButton>(owner, source);
        // Speed buttons and tab sets have no window of their own in this framework: nothing
        // of theirs can be hooked.
        default: return nullptr;
    }
}

}  // namespace

std::unique_ptr<TSkinControl> MakeControlSkin(SkinControlKind kind, win::TControl* control, HWND handle,
                                              bool keepColour, TSkinSource& source, TSkinControlOwner& owner) {
    std::unique_ptr<TSkinControl> skin = Make(kind, owner, source);
    if (!skin) return nullptr;
    if (control) skin->AttachControl(*control, keepColour);
    else skin->AttachWindow(handle);
    if (!skin->Attached()) return nullptr;
    return skin;
}

}  // namespace kelo::skin
