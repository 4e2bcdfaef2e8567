#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "PainterTestSupport.h"
#include "menupainter/MenuPainterLook.h"


using namespace kelo;
using namespace kelo::menupainter;

namespace {

using test::kScheme;
using test::Rgb;

InheritsFromTest Ancestry(std::vector<std::string> names) {
    return [names](std::string_view n) {
        for (const auto& a : names)
            if (a == n) return true;
        return false;
    };
}

ClassFacts Class(std::vector<std::string> ancestry, int32_t tag = 0) {
    std::string name = ancestry.front();
    ancestry.insert(ancestry.end(), {"TWinControl", "TControl", "TComponent"});
    return {name, Ancestry(std::move(ancestry)), tag};
}

const ClassFacts kForm = Class({"TForm", "TCustomForm"});
const ClassFacts kPanel = Class({"TPanel"});

ComponentFacts On(ClassFacts self, ClassFacts parent = kForm) { return {std::move(self), std::move(parent)}; }

TStyledControls AllControls() { return TStyledControls().set(); }
TStyledContainers AllContainers() { return TStyledContainers().set(); }

HookAction Hook(const ComponentFacts& c, bool enable = true, bool refresh = true) {
    return DecideHookComponent(c, AllControls(), AllContainers(), enable, refresh);
}

}  // namespace

// ---- colour functions -----------------------------------------------------------------

TEST(MenuPainterColours, LightenRoundsHalvesToEvenInBothDirections) {
    // 127.5 -> 128, 127 -> 127, 126.5 -> 126: each channel lands on 128.
    EXPECT_EQ(LightenColor(Rgb(0, 1, 2), 50, kScheme), Rgb(128, 128, 128));
    // Negative percentages darken: -27.5 -> -28, -26.5 -> -26.
    EXPECT_EQ(LightenColor(Rgb(200, 202, 255), -50, kScheme), Rgb(172, 176, 255));
}

TEST(MenuPainterColours, LightenCapsThePercentAndKeepsChannelsInRange) {
    EXPECT_EQ(LightenColor(Rgb(10, 20, 30), 150, kScheme), clWhite);
    EXPECT_EQ(LightenColor(Rgb(0, 100, 255), -100, kScheme), Rgb(0, 0, 255));
}

TEST(MenuPainterColours, SystemColoursAreResolvedThroughTheScheme) {
    EXPECT_EQ(LightenColor(clBtnFace, 0, kScheme), Rgb(236, 233, 216));
    EXPECT_EQ(DarkenColor(clWindow, 0, kScheme), Rgb(90, 92, 90));
}

TEST(MenuPainterColours, DarkenTakesTwoLessFromGreenAndClamps) {
    EXPECT_EQ(DarkenColor(Rgb(100, 100, 100), 30, kScheme), Rgb(70, 72, 70));
    EXPECT_EQ(DarkenColor(clWhite, 1, kScheme), Rgb(254, 255, 254));
    EXPECT_EQ(DarkenColor(Rgb(10, 1, 250), 20, kScheme), Rgb(0, 0, 230));
}

TEST(MenuPainterColours, MixDividesEachColourBeforeSumming) {
    const std::array ones{Rgb(1, 1, 1), Rgb(1, 1, 1)};
    EXPECT_EQ(MixColors(ones, kScheme), clBlack);
    const std::array mixed{clRed, clBlue, clBtnFace};
    EXPECT_EQ(MixColors(mixed, kScheme), Rgb(85 + 78, 77, 85 + 72));
    EXPECT_EQ(MixColors({}, kScheme), clBlack);
}

TEST(MenuPainterColours, TextOnBandKeepsTheFontColourOnlyOnLightBands) {
    EXPECT_EQ(TextColorOnBand(Rgb(152, 0, 150), clNavy, kScheme), clNavy);
    EXPECT_EQ(TextColorOnBand(Rgb(151, 0, 150), clNavy, kScheme), Rgb(245, 230, 244));
    EXPECT_EQ(TextColorOnBand(Rgb(0, 201, 0), clNavy, kScheme), clNavy);
    EXPECT_EQ(TextColorOnBand(Rgb(0, 200, 0), clNavy, kScheme), Rgb(230, 250, 230));
    EXPECT_EQ(TextColorOnBand(clBtnFace, clNavy, kScheme), clNavy);
}

// ---- working colours ------------------------------------------------------------------

TEST(MenuPainterComputeColors, SystemSchemeOnAColourDisplayIgnoresTheOwnColours) {
    PainterColourProps props;
    props.fontColour = clNavy;
    const WorkingColours w = ComputeColors(props, true, kScheme);
    EXPECT_EQ(w.menuBackground, Rgb(252, 252, 250));
    EXPECT_EQ(w.iconBand, Rgb(239, 237, 222));
    EXPECT_EQ(w.selectionFill, Rgb(189, 207, 236));
    EXPECT_EQ(w.selectionBorder, clHighlight);
    EXPECT_EQ(w.selectionText, clNavy);
    EXPECT_EQ(w.checkedFill, Rgb(214, 225, 243));
    EXPECT_EQ(w.checkedSelectedFill, Rgb(152, 180, 226));
    EXPECT_EQ(w.checkColour, clHighlight);
    EXPECT_EQ(w.menuBar, clBtnFace);
    EXPECT_EQ(w.disabled, Rgb(180, 177, 163));
    EXPECT_EQ(w.separator, Rgb(193, 190, 179));
    EXPECT_EQ(w.frame, Rgb(146, 145, 126));
    EXPECT_EQ(w.shadow, Rgb(160, 159, 140));

    props.color = props.selectColor = props.selectFontColor = props.separatorColor = clRed;
    props.useDimColor = true;
    EXPECT_EQ(ComputeColors(props, true, kScheme), w);
}

TEST(MenuPainterComputeColors, SystemSchemeOnFewerColours) {
    PainterColourProps props;
    props.fontColour = clNavy;
    const WorkingColours w = ComputeColors(props, false, kScheme);
    const WorkingColours expected{.menuBackground = clWhite, .iconBand = clBtnFace, .selectionFill = clWhite,
                                  .selectionBorder = clHighlight, .selectionText = clNavy,
                                  .checkedFill = clWhite, .checkedSelectedFill = clWhite,
                                  .checkColour = clHighlight, .menuBar = clBtnFace, .disabled = clBtnShadow,
                                  .separator = clBtnShadow, .frame = clBtnShadow, .shadow = clBtnShadow};
    EXPECT_EQ(w, expected);
}

TEST(MenuPainterComputeColors, OwnColoursWithDimmedSelection) {
    const PainterColourProps props{.color = clAqua, .iconBackColor = clTeal, .menuBarColor = clOlive,
                                   .selectColor = Rgb(0, 128, 255), .selectBorderColor = clMaroon,
                                   .selectFontColor = clRed, .disabledColor = clGray,
                                   .separatorColor = clPurple, .checkedColor = clGreen,
                                   .fontColour = clNavy, .useDimColor = true, .useSystemColors = false};
    const WorkingColours expected{.menuBackground = clAqua, .iconBand = clTeal,
                                  .selectionFill = Rgb(173, 214, 255), .selectionBorder = clMaroon,
                                  .selectionText = clRed, .checkedFill = Rgb(204, 230, 255),
                                  .checkedSelectedFill = Rgb(128, 192, 255), .checkColour = clGreen,
                                  .menuBar = clOlive, .disabled = clGray, .separator = clPurple,
                                  .frame = Rgb(146, 145, 126), .shadow = Rgb(160, 159, 140)};
    EXPECT_EQ(ComputeColors(props, true, kScheme), expected);

    PainterColourProps plain = props;
    plain.useDimColor = false;
    const WorkingColours w = ComputeColors(plain, true, kScheme);
    EXPECT_EQ(w.selectionFill, plain.selectColor);
    EXPECT_EQ(w.checkedFill, plain.selectColor);
    EXPECT_EQ(w.checkedSelectedFill, plain.selectColor);

    const WorkingColours low = ComputeColors(props, false, kScheme);
    EXPECT_EQ(low.selectionFill, props.selectColor);
    EXPECT_EQ(low.checkedFill, clWhite);
    EXPECT_EQ(low.checkedSelectedFill, clSilver);
    EXPECT_EQ(low.frame, clBtnShadow);
    EXPECT_EQ(low.shadow, clBtnShadow);
    EXPECT_EQ(low.menuBackground, clAqua);
}

// ---- hooking --------------------------------------------------------------------------

TEST(MenuPainterHook, EachControlKindNeedsItsOwnMember) {
    struct Row {
        ClassFacts control;
        TStyledControl member;
        SavedLook save;
    };
    const std::vector<Row> rows{
        {Class({"TComboBox", "TCustomComboBox"}), xcCombo, {}},
        {Class({"TEdit", "TCustomEdit"}), xcEdit, {true, true}},
        {Class({"TMaskEdit", "TCustomEdit"}), xcMaskEdit, {true, true}},
        {Class({"TMemo", "TCustomEdit"}), xcMemo, {true, true}},
        {Class({"TCheckBox", "TButtonControl"}), xcCheckBox, {}},
        {Class({"TButton", "TButtonControl"}), xcButton, {}},
        {Class({"TDBLookupComboBox"}), xcButton, {true, false}},
        {Class({"TUpDown"}), xcUpDown, {}},
        {Class({"TPanel"}), xcPanel, {}},
        {Class({"TGroupBox"}), xcGroupBox, {}},
        {Class({"TTreeView"}), xcTreeView, {true, true}},
        {Class({"TListView"}), xcListView, {true, true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.control.className);
        const HookAction styled = Hook(On(row.control));
        EXPECT_TRUE(styled.style);
        EXPECT_TRUE(styled.invalidate);
        EXPECT_EQ(styled.save, row.save);
        EXPECT_FALSE(styled.hookMenuItems);

        TStyledControls without = AllControls();
        without.reset(row.member);
        EXPECT_EQ(DecideHookComponent(On(row.control), without, AllContainers(), true, true), HookAction{});
    }
    // A memo is no plain edit, and a label is nothing the painter styles.
    TStyledControls editsOnly;
    editsOnly.set(xcEdit);
    EXPECT_FALSE(DecideHookComponent(On(Class({"TMemo", "TCustomEdit"})), editsOnly, AllContainers(), true, true).style);
    EXPECT_EQ(Hook(On(Class({"TLabel", "TGraphicControl"}))), HookAction{});
}

TEST(MenuPainterHook, TheParentMustBeAnAdmittedContainer) {
    const ClassFacts edit = Class({"TEdit", "TCustomEdit"});
    EXPECT_TRUE(Hook(On(edit, kPanel)).style);
    EXPECT_TRUE(Hook(On(edit, Class({"TGroupBox"}))).style);
    EXPECT_TRUE(Hook(On(edit, Class({"TdxTabSheet"}))).style);
    EXPECT_TRUE(Hook(On(edit, Class({"TDBCtrlPanel"}))).style);
    EXPECT_EQ(Hook(On(edit, Class({"TStatusBar"}))), HookAction{});
    EXPECT_EQ(Hook({edit, std::nullopt}), HookAction{});

    TStyledContainers noPanels = AllContainers();
    noPanels.reset(xccPanel);
    EXPECT_EQ(DecideHookComponent(On(edit, kPanel), AllControls(), noPanels, true, true), HookAction{});
    EXPECT_TRUE(DecideHookComponent(On(edit), AllControls(), noPanels, true, true).style);
}

TEST(MenuPainterHook, EnableStylesAndRefreshInvalidates) {
    const auto edit = On(Class({"TEdit", "TCustomEdit"}));
    const HookAction off = Hook(edit, false, true);
    EXPECT_FALSE(off.style);
    EXPECT_TRUE(off.invalidate);
    const HookAction quiet = Hook(edit, true, false);
    EXPECT_TRUE(quiet.style);
    EXPECT_FALSE(quiet.invalidate);
}

TEST(MenuPainterHook, TagNineHundredNinetyNineOnControlParentOrFormLeavesTheControl) {
    const ClassFacts tagged = Class({"TEdit", "TCustomEdit"}, kUntouchedTag);
    const HookAction own = Hook(On(tagged));
    EXPECT_FALSE(own.style);
    EXPECT_TRUE(own.invalidate);
    EXPECT_FALSE(Hook(On(Class({"TButton"}), Class({"TPanel"}, kUntouchedTag))).style);

    const ClassFacts taggedForm = Class({"TForm", "TCustomForm"}, kUntouchedTag);
    EXPECT_FALSE(Hook(On(Class({"TButton"}), taggedForm)).style);
    // The form itself is still walked: its controls refuse through their parent's Tag.
    EXPECT_TRUE(Hook({taggedForm, std::nullopt}).recurse);
}

TEST(MenuPainterHook, MenusAndTheirTag) {
    const ClassFacts mainMenu = Class({"TMainMenu", "TMenu"});
    const HookAction bar = Hook({mainMenu, kForm});
    EXPECT_TRUE(bar.hookMenuItems);
    EXPECT_TRUE(bar.rebuildMenuBar);
    EXPECT_FALSE(bar.style || bar.recurse || bar.invalidate);
    // Disabling goes the same way: the items are released.
    EXPECT_TRUE(Hook({mainMenu, kForm}, false, false).hookMenuItems);

    EXPECT_EQ(Hook({Class({"TMainMenu", "TMenu"}, kUntouchedTag), kForm}), HookAction{});
    const HookAction popup = Hook({Class({"TPopupMenu", "TMenu"}, kUntouchedTag), kForm});
    EXPECT_TRUE(popup.hookMenuItems);
    EXPECT_FALSE(popup.rebuildMenuBar);

    TStyledControls noMenus = AllControls();
    noMenus.reset(xcMainMenu).reset(xcPopupMenu);
    EXPECT_EQ(DecideHookComponent({mainMenu, kForm}, noMenus, AllContainers(), true, true), HookAction{});
    EXPECT_EQ(DecideHookComponent({Class({"TPopupMenu", "TMenu"}), kForm}, noMenus, AllContainers(), true, true),
              HookAction{});
}

TEST(MenuPainterHook, FormsAndNavigatorsAreWalked) {
    EXPECT_TRUE(Hook({kForm, std::nullopt}).recurse);
    const HookAction navigator = Hook(On(Class({"TDBNavigator"})));
    EXPECT_TRUE(navigator.recurse);
    EXPECT_TRUE(navigator.style);
    EXPECT_FALSE(Hook(On(kPanel)).recurse);
}

TEST(MenuPainterHook, MenuItemsKeepForeignHandlersUnlessOverridden) {
    EXPECT_EQ(HookMenuItemDecision(0, false, false, false), (MenuItemHandlers{true, true}));
    EXPECT_EQ(HookMenuItemDecision(0, true, false, false), (MenuItemHandlers{false, true}));
    EXPECT_EQ(HookMenuItemDecision(0, false, true, false), (MenuItemHandlers{true, false}));
    EXPECT_EQ(HookMenuItemDecision(0, true, true, true), (MenuItemHandlers{true, true}));
    EXPECT_EQ(HookMenuItemDecision(kUntouchedTag, false, false, true), MenuItemHandlers{});
}

// ---- measuring ------------------------------------------------------------------------

TEST(MenuPainterMeasure, TheMeasuredTextCarriesTheShortcutGap) {
    EXPECT_EQ(MeasureText(L"&Open", L"Ctrl+O"), L"&OpenCtrl+OWWW");
    EXPECT_EQ(MeasureText(L"&Open", L" \t"), L"&Open");
    EXPECT_EQ(MeasureText(L"-", L""), L"");
}

TEST(MenuPainterMeasure, SeparatorsAreFourHighWhateverWasProposed) {
    const MeasureInput in{.caption = L"-", .textHeight = 14, .width = 50, .height = 19};
    EXPECT_EQ(MeasureMenuItemSize(in), (ItemSize{50, 4}));
}

TEST(MenuPainterMeasure, WidthRules) {
    MeasureInput in{.caption = L"&Open", .textWidth = 80, .ampersandWidth = 6, .textHeight = 14};
    EXPECT_EQ(MeasureMenuItemSize(in).width, 80 + 5 - 6 + 24);
    in.caption = L"A&&B";  // one "&" less, however many there are
    EXPECT_EQ(MeasureMenuItemSize(in).width, 80 + 5 - 6 + 24);
    in.caption = L"Open";
    in.shortcutText = L"Ctrl+&";
    EXPECT_EQ(MeasureMenuItemSize(in).width, 80 + 5 - 6 + 24);
    in.shortcutText.clear();
    in.hasSubItems = true;
    EXPECT_EQ(MeasureMenuItemSize(in).width, 80 + 5 + 6 + 24);
    in.iconWidth = 32;  // wider than the band
    EXPECT_EQ(MeasureMenuItemSize(in).width, 80 + 5 + 6 + 32);
    in.width = 300;  // never narrower than proposed
    EXPECT_EQ(MeasureMenuItemSize(in).width, 300);

    // A bar item has no arrow and no band.
    const MeasureInput bar{.caption = L"File", .textWidth = 30, .textHeight = 14, .menuBarItem = true,
                           .hasSubItems = true};
    EXPECT_EQ(MeasureMenuItemSize(bar).width, 35);
}

TEST(MenuPainterMeasure, HeightRules) {
    MeasureInput in{.caption = L"Open", .textHeight = 14};
    EXPECT_EQ(MeasureMenuItemSize(in).height, 24);  // 14 + 10.5 rounded to even
    in.textHeight = 13;
    EXPECT_EQ(MeasureMenuItemSize(in).height, 23);
    in.iconHeight = 32;
    EXPECT_EQ(MeasureMenuItemSize(in).height, 38);
    in.height = 40;
    EXPECT_EQ(MeasureMenuItemSize(in).height, 40);
}

// ---- painting geometry ----------------------------------------------------------------

TEST(MenuPainterLayout, PopupItemLeftToRight) {
    const ItemLayout l = LayoutMenuItem({.platformRect = {10, 50, 110, 72}, .letterHeight = 13});
    EXPECT_EQ(l.bitmapWidth, 104);
    EXPECT_EQ(l.bitmapHeight, 22);
    EXPECT_EQ(l.item, (Rect{4, 0, 104, 23}));
    EXPECT_EQ(l.background, (Rect{0, 0, 104, 23}));
    EXPECT_EQ(l.copyX, 6);
    EXPECT_EQ(l.copyY, 50);
    EXPECT_EQ(l.band, (Rect{4, 0, 28, 23}));
    EXPECT_EQ(l.check, (Rect{11, 6, 21, 16}));
    EXPECT_EQ(l.text, (Rect{28, 0, 104, 23}));
    EXPECT_EQ(l.caption, (Rect{31, 5, 104, 23}));
    EXPECT_EQ(l.selectionBox, (Rect{4, 1, 104, 22}));
}

TEST(MenuPainterLayout, SeparatorLineStartsPastTheBandAndRoundsToEven) {
    const ItemLayout l = LayoutMenuItem({.platformRect = {10, 50, 110, 54}});
    EXPECT_EQ(l.copyX + l.separatorFrom - 10, 24 + 7);
    EXPECT_EQ(l.separatorTo, 104);
    EXPECT_EQ(l.separatorY, 2);  // half of 5

    const ItemLayout rtl = LayoutMenuItem({.platformRect = {10, 50, 110, 54}, .rightToLeft = true});
    EXPECT_EQ(rtl.separatorFrom, 4);
    EXPECT_EQ(rtl.separatorTo, 104 - 24 - 7);
}

TEST(MenuPainterLayout, PopupItemRightToLeftMirrorsBandCheckAndText) {
    const ItemLayout l =
        LayoutMenuItem({.platformRect = {10, 50, 110, 72}, .rightToLeft = true, .letterHeight = 13});
    EXPECT_EQ(l.band, (Rect{80, 0, 104, 23}));
    EXPECT_EQ(l.check, (Rect{87, 6, 97, 16}));
    EXPECT_EQ(l.text, (Rect{4, 0, 80, 23}));
    EXPECT_EQ(l.caption, (Rect{4, 5, 77, 23}));
}

TEST(MenuPainterLayout, IconsFrameTheCheckAndWideIconsPushTheText) {
    ItemLayoutInput in{.platformRect = {0, 0, 100, 22}, .iconWidth = 16, .iconHeight = 16};
    ItemLayout l = LayoutMenuItem(in);
    EXPECT_EQ(l.check, (Rect{5, 2, 25, 21}));
    EXPECT_EQ(l.text.left, 28);

    in.iconWidth = 32;
    l = LayoutMenuItem(in);
    EXPECT_EQ(l.check, (Rect{5, 2, 37, 21}));
    EXPECT_EQ(l.text.left, 4 + 32 + 4);

    in.rightToLeft = true;
    l = LayoutMenuItem(in);
    EXPECT_EQ(l.check, (Rect{69, 2, 101, 21}));
    EXPECT_EQ(l.text, (Rect{4, 0, 104 - 32 - 8, 23}));
}

TEST(MenuPainterLayout, MenuBarItems) {
    ItemLayoutInput in{.platformRect = {40, 0, 90, 19}, .menuBarItem = true, .letterHeight = 13};
    ItemLayout l = LayoutMenuItem(in);
    EXPECT_EQ(l.bitmapWidth, 50);
    EXPECT_EQ(l.item, (Rect{0, 0, 50, 19}));
    EXPECT_EQ(l.copyX, 40);
    EXPECT_EQ(l.text, l.item);
    EXPECT_EQ(l.check, (Rect{7, 3, 17, 13}));  // one pixel up
    EXPECT_EQ(l.hotBarBox, (Rect{0, 0, 43, 19}));

    in.iconWidth = in.iconHeight = 16;
    EXPECT_EQ(LayoutMenuItem(in).text, (Rect{16 + 4 - 5, 0, 50, 19}));
    in.rightToLeft = true;
    EXPECT_EQ(LayoutMenuItem(in).text, (Rect{0, 0, 50 - 16 - 8 + 5, 19}));
}

TEST(MenuPainterLayout, FlatMenusPullTheSelectionInOnTheRight) {
    const ItemLayout l = LayoutMenuItem({.platformRect = {10, 50, 110, 72}, .flatMenu = true});
    EXPECT_EQ(l.selectionBox, (Rect{4, 1, 103, 22}));
}

TEST(MenuPainterLayout, WhichSelectionIsDrawn) {
    using S = SelectionLook;
    EXPECT_EQ(ChooseSelection(true, true, true, false, false), (SelectionChoice{S::PopupBox, true}));
    EXPECT_EQ(ChooseSelection(true, true, false, false, false), (SelectionChoice{S::None, true}));
    EXPECT_EQ(ChooseSelection(true, true, false, true, false), (SelectionChoice{S::BarFrame, true}));
    EXPECT_EQ(ChooseSelection(true, false, true, false, true), SelectionChoice{});
    EXPECT_EQ(ChooseSelection(false, true, true, true, true), (SelectionChoice{S::HotBarBox, true}));
    EXPECT_EQ(ChooseSelection(false, true, false, true, true), SelectionChoice{});

    const Rect bar{40, 0, 90, 19};
    EXPECT_TRUE(MouseOverBarItem(bar, 89, 17));
    EXPECT_FALSE(MouseOverBarItem(bar, 90, 17));
    EXPECT_FALSE(MouseOverBarItem(bar, 89, 18));
    EXPECT_FALSE(MouseOverBarItem(bar, 39, 0));
}
