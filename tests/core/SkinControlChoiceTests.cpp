#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/controls/SkinControlChoice.h"

using namespace kelo::skin;
using K = SkinControlKind;

namespace {

// A control of the class, descending through the given classes to TComponent.
ControlFacts Control(std::string className, std::vector<std::string> parents, int32_t tag = 0) {
    std::vector<std::string> ancestry{className};
    ancestry.insert(ancestry.end(), parents.begin(), parents.end());
    ancestry.insert(ancestry.end(), {"TControl", "TComponent", "TObject"});
    return {.className = className, .inheritsFrom = AncestryTest(std::move(ancestry)), .tag = tag};
}
ControlFacts Windowed(std::string className, std::vector<std::string> parents = {}, int32_t tag = 0) {
    parents.push_back("TWinControl");
    return Control(std::move(className), std::move(parents), tag);
}

struct Walker {
    TSkinControlTypes on = TSkinControlTypes().set().reset(xcFastReport);
    std::vector<std::wstring> map = DefaultClassSkinMap();
    bool tabs = true;

    SkinControlChoice Choose(const ControlFacts& control) const {
        return ChooseSkinControl(control, {.disableTag = 99, .skinControls = on, .classSkinMap = &map, .skinHasTabs = tabs});
    }
    K Kind(const ControlFacts& control) const { return Choose(control).kind; }
    Walker& Off(TSkinControlType type) { on.reset(type); return *this; }
};

const ControlFacts kButton = Windowed("TButton", {"TButtonControl"});
const ControlFacts kMemo = Windowed("TMemo", {"TCustomEdit"});

}  // namespace

TEST(SkinControlChoiceRefusal, TagModHundredEqualToDisableTagLeavesTheControlAlone) {
    const Walker walker;
    EXPECT_EQ(walker.Choose(Windowed("TButton", {"TButtonControl"}, 199)), SkinControlChoice{});
    EXPECT_EQ(walker.Kind(Windowed("TButton", {"TButtonControl"}, 99)), K::None);
    EXPECT_EQ(walker.Kind(Windowed("TButton", {"TButtonControl"}, 98)), K::TSkinButton);
    EXPECT_TRUE(SkinRefusedByTag(199, 99));
    EXPECT_FALSE(SkinRefusedByTag(199, 98));
}

TEST(SkinControlChoiceRefusal, AFamilySwitchedOffGetsNoSkin) {
    EXPECT_EQ(Walker().Off(xcButton).Kind(kButton), K::None);
    EXPECT_EQ(Walker().Off(xcCheckBox).Kind(Windowed("TCheckBox", {"TButtonControl"})), K::None);
    EXPECT_EQ(Walker().Off(xcPanel).Choose(Windowed("TPanel")), SkinControlChoice{});
}

TEST(SkinControlChoiceRefusal, ReportDesignerClassesAreSkippedWhateverTheyDescendFrom) {
    EXPECT_EQ(Walker().Kind(Windowed("TDBComboBoxEh", {"TCustomComboBox"})), K::None);
    EXPECT_EQ(Walker().Kind(Windowed("TFRPBox", {"TPanel"})), K::None);
}

TEST(SkinControlChoiceFamily, TheProgramsOwnControlsGetTheirSkins) {
    const Walker walker;
    EXPECT_EQ(walker.Kind(kButton), K::TSkinButton);
    EXPECT_EQ(walker.Choose(Windowed("TCheckBox", {"TButtonControl"})), (SkinControlChoice{.kind = K::TSkinCheckBox, .keepColour = true}));
    EXPECT_EQ(walker.Choose(Windowed("TEdit", {"TCustomEdit"})), (SkinControlChoice{.kind = K::TSkinEdit, .byHandle = true}));
    EXPECT_EQ(walker.Kind(Windowed("TComboBox", {"TCustomComboBox"})), K::TSkinComboBox);
    EXPECT_EQ(walker.Kind(Windowed("TUpDown")), K::TSkinUpDown);
    EXPECT_EQ(walker.Kind(Windowed("TListView")), K::TSkinListView);
    EXPECT_EQ(walker.Kind(Windowed("TTreeView")), K::TSkinScrollBar);
    EXPECT_EQ(walker.Choose(Windowed("TStatusBar")).change, ControlPropertyChange::SizeGripFalse);
    EXPECT_EQ(walker.Choose(Windowed("TGroupBox")),
              (SkinControlChoice{.kind = K::TSkinBox, .childrenParentColourOff = true, .walk = true}));
    EXPECT_EQ(walker.Choose(Windowed("TPanel")), (SkinControlChoice{.kind = K::TSkinBox, .keepColour = true, .walk = true}));
    EXPECT_EQ(walker.Choose(Windowed("TForm", {"TCustomForm"})), (SkinControlChoice{.buttonFaceColour = true, .walk = true}));
}

TEST(SkinControlChoiceFamily, ADescendantGetsItsAncestorsSkin) {
    const Walker walker;
    EXPECT_EQ(walker.Kind(Windowed("TColorCombo", {"TComboBox", "TCustomComboBox"})), K::TSkinComboBox);
    EXPECT_EQ(walker.Kind(Windowed("TFramedEdit", {"TEdit", "TCustomEdit"})), K::TSkinEdit);
    EXPECT_EQ(walker.Kind(Windowed("TKeloPanel", {"TPanel"})), K::TSkinBox);
}

TEST(SkinControlChoiceFamily, EarlierFamiliesWinOverTheClassesTheyDescendFrom) {
    // A memo is an edit, but its scroll bars are what the skin draws.
    EXPECT_EQ(Walker().Kind(kMemo), K::TSkinScrollBar);
    EXPECT_EQ(Walker().Off(xcScrollbar).Kind(kMemo), K::TSkinEdit);
    const ControlFacts bitButton = Windowed("TBitBtn", {"TButton", "TButtonControl"});
    EXPECT_EQ(Walker().Kind(bitButton), K::TSkinBitButton);
    EXPECT_EQ(Walker().Off(xcBitBtn).Kind(bitButton), K::TSkinButton);
    const ControlFacts radioGroup = Windowed("TRadioGroup", {"TCustomRadioGroup", "TCustomGroupBox"});
    EXPECT_EQ(Walker().Choose(radioGroup).childKind, K::TSkinRadioButton);
    EXPECT_EQ(Walker().Off(xcRadioButton).Choose(radioGroup).walk, true);
}

TEST(SkinControlChoiceFamily, ClassesTestedByNameDoNotPassToDescendants) {
    EXPECT_EQ(Walker().Kind(Windowed("TTrackBar")), K::TSkinTrackBar);
    EXPECT_EQ(Walker().Kind(Windowed("TKeloTrackBar", {"TTrackBar"})), K::None);
}

TEST(SkinControlChoiceFamily, DatePickerFollowsItsDateMode) {
    ControlFacts picker = Windowed("TDateTimePicker");
    EXPECT_EQ(Walker().Kind(picker), K::TSkinComboBox);
    picker.dateModeUpDown = true;
    EXPECT_EQ(Walker().Choose(picker), (SkinControlChoice{.kind = K::TSkinEdit, .byHandle = true}));
    EXPECT_EQ(Walker().Off(xcEdit).Kind(picker), K::None);
}

TEST(SkinControlChoiceFamily, TagsAskForALookOnUnknownClasses) {
    const Walker walker;
    EXPECT_EQ(walker.Kind(Windowed("TGadget", {}, 197)), K::TSkinEdit);
    EXPECT_EQ(Walker().Off(xcEdit).Kind(Windowed("TGadget", {}, 97)), K::None);
    EXPECT_EQ(walker.Kind(Windowed("TGadget", {}, 95)), K::TSkinComboBox);
    EXPECT_EQ(walker.Kind(Windowed("TGadget", {}, 96)), K::TSkinScrollBar);
    EXPECT_EQ(walker.Kind(Windowed("TGadget", {}, 55)), K::TSkinScrollBar);
    EXPECT_EQ(walker.Kind(Windowed("TGadget", {}, 155)), K::None);  // 55 counts only as the whole Tag
    ControlFacts scrolling = Windowed("TGadget");
    scrolling.style = 0x200000;
    EXPECT_EQ(walker.Kind(scrolling), K::TSkinScrollBar);
}

TEST(SkinControlChoiceFamily, TabsNeedTheSwitchAndTheSkinsTabs) {
    const ControlFacts pages = Windowed("TPageControl", {"TCustomTabControl"});
    EXPECT_EQ(Walker().Choose(pages), (SkinControlChoice{.kind = K::TSkinTab, .byHandle = true}));
    Walker noTabs;
    noTabs.tabs = false;
    EXPECT_EQ(noTabs.Kind(pages), K::None);
    EXPECT_EQ(Walker().Off(xcTab).Kind(pages), K::None);
}

TEST(SkinControlChoiceFamily, UnknownClassesGetNothing) {
    EXPECT_EQ(Walker().Choose(Control("TLabel", {"TGraphicControl"})), SkinControlChoice{});
    EXPECT_EQ(Walker().Choose(Control("TTimer", {})), SkinControlChoice{});
}

TEST(SkinControlChoiceMap, TheFirstLineNamingTheClassWinsWhateverTheCase) {
    Walker walker;
    walker.map = {L"TSomeGadget=edit", L"tsomegadget=combobox"};
    EXPECT_EQ(walker.Kind(Windowed("TSOMEGADGET")), K::TSkinEdit);
    // The class name must be the whole key, not a prefix of it.
    EXPECT_EQ(walker.Kind(Windowed("TSomeGadge")), K::None);
    EXPECT_EQ(ClassSkinMapKind(walker.map, "TSomeGadget"), "edit");
}

TEST(SkinControlChoiceMap, AUserLineAboveTheDefaultsOverridesThem) {
    Walker walker;
    EXPECT_EQ(walker.Kind(Windowed("TFramedButton", {"TButton", "TButtonControl"})), K::TSkinButton);
    walker.map.insert(walker.map.begin(), L"TFramedButton=checkbox");
    EXPECT_EQ(walker.Kind(Windowed("TFramedButton", {"TButton", "TButtonControl"})), K::TSkinCheckBox);
}

TEST(SkinControlChoiceMap, AMappedClassIsDoneEvenWhenItsKindIsOffOrUnknown) {
    const ControlFacts framed = Windowed("TFramedCheckBox", {"TButton", "TButtonControl"});
    EXPECT_EQ(Walker().Off(xcCheckBox).Choose(framed), SkinControlChoice{});
    Walker walker;
    walker.map = {L"TButton=gadget"};
    EXPECT_EQ(walker.Choose(kButton), SkinControlChoice{});
}

TEST(SkinControlChoiceMap, GroupsGetItemSkinsOnlyWithRadioButtonsOn) {
    const ControlFacts group = Windowed("TLMDCheckGroup");
    EXPECT_EQ(Walker().Choose(group),
              (SkinControlChoice{.kind = K::TSkinBox, .childrenParentColourOff = true, .childKind = K::TSkinCheckBox}));
    EXPECT_EQ(Walker().Off(xcRadioButton).Choose(group), SkinControlChoice{.kind = K::TSkinBox});
}

TEST(SkinControlChoiceMap, EveryDefaultLineNamesAKindTheWalkerKnows) {
    const Walker walker;
    for (const std::wstring& line : DefaultClassSkinMap()) {
        const std::string className(line.begin(), line.begin() + static_cast<long>(line.find(L'=')));
        EXPECT_NE(walker.Kind(Windowed(className)), K::None) << className;
    }
}

TEST(SkinControlChoiceBareWindow, ButtonTypePicksTheSkinAndOwnerDrawnButtonsStayUnskinned) {
    // Every button type, with the style bits a dialog gives its buttons around it.
    const K byType[16] = {
        K::TSkinButton,      K::TSkinButton,       K::TSkinCheckBox, K::TSkinCheckBox,  // push, default, check, auto
        K::TSkinRadioButton, K::TSkinCheckBox,     K::TSkinCheckBox, K::None,           // radio, 3-state, auto, group
        K::None,             K::TSkinRadioButton,  K::None,          K::None,           // user, auto radio, box, owner-draw
        K::None,             K::None,              K::None,          K::None,           // split and command-link buttons
    };
    for (uint32_t type = 0; type < 16; ++type)
        EXPECT_EQ(ChooseBareWindowSkin("Button", 0x50010000 | 0x20 | type), BareWindowChoice{byType[type]}) << type;
}

TEST(SkinControlChoiceBareWindow, OtherClassesByNameAndStyle) {
    EXPECT_EQ(ChooseBareWindowSkin("ComboBox", 0x50010001), BareWindowChoice{});  // simple: no button
    EXPECT_EQ(ChooseBareWindowSkin("ComboBox", 0x50010003).kind, K::TSkinComboBox);
    EXPECT_EQ(ChooseBareWindowSkin("ComboBoxEx32", 0), (BareWindowChoice{K::TSkinComboBox, true}));
    EXPECT_EQ(ChooseBareWindowSkin("SysTabControl32", 0x2000), BareWindowChoice{});
    EXPECT_EQ(ChooseBareWindowSkin("Edit", 0).kind, K::TSkinEdit);
    EXPECT_EQ(ChooseBareWindowSkin("Static", 0), BareWindowChoice{});
}

TEST(SkinControlChoicePreview, PreviewFormsAreKnownByNameOrClass) {
    EXPECT_TRUE(IsPreviewForm("frmpreview1", "TForm"));
    EXPECT_TRUE(IsPreviewForm("QRForm", "TQRStandardPreview"));
    EXPECT_FALSE(IsPreviewForm("FrmSetup", "TFrmSetup"));
}
