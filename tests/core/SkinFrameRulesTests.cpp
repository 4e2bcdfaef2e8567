#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "skin/frame/SkinFrameRules.h"

namespace kelo::skin {
static void PrintTo(const GridRect& r, std::ostream* os) {
    *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}
}  // namespace kelo::skin

using namespace kelo::skin;
using V = SkinWindowVerdict;

namespace {

SkinWindowFacts Form(std::wstring className = L"TFrmKeloMain") {
    return {.managerActive = true, .formTag = 0, .className = std::move(className)};
}

TSkinCaptionButtonElement Button(int action, int visibility, int visibility1 = 0) {
    TSkinCaptionButtonElement b;
    b.action = action;
    b.visibility = visibility;
    b.visibility1 = visibility1;
    return b;
}

TSkinCaptionButtonElement Placed(int align, int xCoord, int yCoord, int frameCount = 3) {
    TSkinCaptionButtonElement b;
    b.align = align;
    b.xCoord = xCoord;
    b.yCoord = yCoord;
    b.image = SkinImage(48, 16);
    b.frameCount = frameCount;
    return b;
}

constexpr uint32_t M = 0xFF00FF;
constexpr uint32_t X = 0x203040;

}  // namespace

TEST(SkinFrameRulesWindow, EachRefusalInItsOrder) {
    EXPECT_EQ(DecideSkinWindow(Form(), {}), V::Skin);

    auto facts = Form();
    facts.listed = true;
    facts.managerActive = false;
    EXPECT_EQ(DecideSkinWindow(facts, {}), V::Inactive);
    facts.managerActive = true;
    EXPECT_EQ(DecideSkinWindow(facts, {}), V::AlreadySkinned);
    facts = Form();
    facts.answersSkinned = true;
    facts.zeroArea = true;
    EXPECT_EQ(DecideSkinWindow(facts, {}), V::AlreadySkinned);

    facts = Form();
    facts.childStyle = true;
    facts.parentClass = L"MDIClient";
    facts.zeroArea = true;
    EXPECT_EQ(DecideSkinWindow(facts, {}), V::MdiChild);
    facts.activatingAll = true;
    EXPECT_EQ(DecideSkinWindow(facts, {}), V::ZeroArea);
    facts.zeroArea = false;
    EXPECT_EQ(DecideSkinWindow(facts, {}), V::Skin);
    facts.activatingAll = false;
    facts.parentClass = L"TPanel";
    EXPECT_EQ(DecideSkinWindow(facts, {}), V::Skin);

    facts = Form(L"TApplication");
    EXPECT_EQ(DecideSkinWindow(facts, {}), V::Application);
    facts.formTag = 99;
    EXPECT_EQ(DecideSkinWindow(facts, {}), V::FormTag99);
}

TEST(SkinFrameRulesWindow, TagNinetyNineIsRefusedEvenWhenTheFilterWouldPassIt) {
    const SkinWindowFilter yes{.present = true, .onFormSkin = [](const std::wstring&) { return true; }};
    auto facts = Form();
    facts.formTag = 99;
    EXPECT_EQ(DecideSkinWindow(facts, yes), V::FormTag99);
    facts.formTag = 199;  // the literal 99, not Tag mod 100
    EXPECT_EQ(DecideSkinWindow(facts, yes), V::Skin);
}

TEST(SkinFrameRulesWindow, TheFilterOfTheMainSource) {
    const auto verdict = [](const wchar_t* className, const SkinWindowFilter& filter) {
        return DecideSkinWindow(Form(className), filter);
    };
    EXPECT_EQ(verdict(L"SysMonthCal32", {}), V::Skin);  // no main source: everything passes
    const SkinWindowFilter builtIn{.present = true};
    EXPECT_EQ(verdict(L"SysMonthCal32", builtIn), V::Filtered);
    EXPECT_EQ(verdict(L"TfrDesignerForm", builtIn), V::Skin);
    EXPECT_EQ(verdict(L"TfrDesignerForm", {.present = true, .fastReport = true}), V::Filtered);
    EXPECT_EQ(verdict(L"TFrmKeloMain", {.present = true, .fastReport = true}), V::Skin);

    std::wstring asked;
    const SkinWindowFilter handler{.present = true,
                                   .onFormSkin = [&](const std::wstring& c) { asked = c; return c != L"TNo"; },
                                   .fastReport = true};
    EXPECT_EQ(verdict(L"TNo", handler), V::Filtered);
    EXPECT_EQ(asked, L"TNo");
    EXPECT_EQ(verdict(L"SysMonthCal32", handler), V::Skin);  // the handler alone decides
    EXPECT_EQ(verdict(L"TfrPreview", handler), V::Skin);
}

TEST(SkinFrameRulesWindow, ChoosingTheSkinSource) {
    const SkinSourceFacts mainForm{0}, only{1}, ownOnly{1, true}, dialog{2};
    EXPECT_EQ(ChooseSkinSourceIndex({}, L"TForm1"), std::nullopt);

    const std::vector<SkinSourceFacts> all{mainForm, dialog, only, ownOnly};
    EXPECT_EQ(ChooseSkinSourceIndex(all, L"TFrmKeloMain"), 3u);
    EXPECT_EQ(ChooseSkinSourceIndex(all, L"#32770"), 3u);

    const std::vector<SkinSourceFacts> shared{mainForm, only, dialog};
    EXPECT_EQ(ChooseSkinSourceIndex(shared, L"TFrmKeloMain"), 0u);
    EXPECT_EQ(ChooseSkinSourceIndex(shared, L"#32770"), 2u);
    EXPECT_EQ(ChooseSkinSourceIndex(shared, L"TMessageForm"), 2u);
    EXPECT_EQ(ChooseSkinSourceIndex(shared, L"TMESSAGEFORM"), 2u);

    EXPECT_EQ(ChooseSkinSourceIndex({only, dialog}, L"TForm1"), 0u);  // the first registered
    EXPECT_EQ(ChooseSkinSourceIndex({only, mainForm}, L"#32770"), 1u);     // no dialog source
}

TEST(SkinFrameRulesFrame, BorderKindFromTheStyles) {
    constexpr uint32_t popup = 0x80000000, caption = 0xC00000, border = 0x800000, thick = 0x40000,
                       sysMenu = 0x80000;
    EXPECT_EQ(BorderKindOf(popup, 0), 2);
    EXPECT_EQ(BorderKindOf(popup | border | thick, 0x100), 2);  // half a caption is none
    EXPECT_EQ(BorderKindOf(popup | caption | sysMenu, 0), 3);
    EXPECT_EQ(BorderKindOf(popup | caption | thick, 0), 0);
    EXPECT_EQ(BorderKindOf(caption | sysMenu | thick, 0), 0);
    EXPECT_EQ(BorderKindOf(caption | sysMenu, 0x100), 0);
    EXPECT_EQ(BorderKindOf(caption | sysMenu, 0), 3);
}

TEST(SkinFrameRulesFrame, BordersAreOneFrameOfEachSide) {
    SkinData skin;
    auto side = [&](FrameSide s, int w, int h, int frames) {
        auto& e = skin.sides[static_cast<size_t>(s)];
        e.image = SkinImage(w, h);
        e.frameCount = frames;
    };
    side(FrameSide::Left, 10, 40, 2);
    side(FrameSide::Right, 5, 40, 0);  // a missing frame count must not divide by zero
    side(FrameSide::Top, 60, 58, 2);
    side(FrameSide::Bottom, 60, 5, 0);
    EXPECT_EQ(SkinBorders(skin, 0), (FrameBorders{5, 29, 5, 5}));
    EXPECT_EQ(SkinBorders(skin, 3), (FrameBorders{5, 29, 5, 5}));
    EXPECT_EQ(SkinBorders(skin, 2), FrameBorders{});
    EXPECT_EQ(SkinBorders(SkinData{}, 0), FrameBorders{});
}

TEST(SkinFrameRulesCaption, TheStoredSkinsButtonsFollowTheWindow) {
    const auto close = Button(0, 0), maximize = Button(1, 2, 6), minimize = Button(2, 8),
               restore = Button(1, 1), sysMenu = Button(3, 0);
    CaptionState s{.borderKind = 0, .maximizeBox = true, .minimizeBox = true, .systemMenu = true};
    EXPECT_TRUE(CaptionButtonVisible(close, s));
    EXPECT_TRUE(CaptionButtonVisible(maximize, s));
    EXPECT_FALSE(CaptionButtonVisible(restore, s));
    EXPECT_TRUE(CaptionButtonVisible(minimize, s));

    s.maximized = true;
    EXPECT_FALSE(CaptionButtonVisible(maximize, s));
    EXPECT_TRUE(CaptionButtonVisible(restore, s));
    s.maximizeBox = false;
    EXPECT_FALSE(CaptionButtonVisible(restore, s));  // maximise and restore need the box

    s = {.borderKind = 0, .maximizeBox = true, .minimizeBox = true, .systemMenu = false};
    EXPECT_FALSE(CaptionButtonVisible(close, s));
    EXPECT_TRUE(CaptionButtonVisible(sysMenu, s));    // only the close button asks for it
    EXPECT_TRUE(CaptionButtonVisible(maximize, s));   // Visibility1 6 wants the box alone
    EXPECT_FALSE(CaptionButtonVisible(minimize, s));  // Visibility 8 wants the menu too
    EXPECT_FALSE(CaptionButtonVisible(minimize, {.maximizeBox = true, .systemMenu = true}));

    s = {.borderKind = 3, .maximizeBox = true, .minimizeBox = true, .systemMenu = true};
    EXPECT_FALSE(CaptionButtonVisible(close, s));
    EXPECT_FALSE(CaptionButtonVisible(sysMenu, s));
}

TEST(SkinFrameRulesCaption, TheRestOfTheVisibilityTable) {
    CaptionState s{.active = true, .maximizeBox = true, .minimizeBox = true, .systemMenu = true};
    EXPECT_TRUE(CaptionButtonVisible(Button(5, 3, 3), s));
    EXPECT_FALSE(CaptionButtonVisible(Button(5, 4), s));
    EXPECT_FALSE(CaptionButtonVisible(Button(5, 200, 4), s));
    for (int never : {5, 10, 11, 12, 99, 199, 2001}) {
        EXPECT_FALSE(CaptionButtonVisible(Button(5, never), s)) << never;
        EXPECT_FALSE(CaptionButtonVisible(Button(5, 200, never), s)) << never;
    }
    EXPECT_TRUE(CaptionButtonVisible(Button(5, 200, 2000), s));
    EXPECT_FALSE(CaptionButtonVisible(Button(5, 7), s));
    EXPECT_FALSE(CaptionButtonVisible(Button(5, 200, 9), s));
    EXPECT_TRUE(CaptionButtonVisible(Button(5, 7, 9), {.maximizeBox = false, .minimizeBox = false}));

    EXPECT_FALSE(CaptionButtonVisible(Button(7, 100, 100), {.mdiChildMaximized = true}));
    EXPECT_FALSE(CaptionButtonVisible(Button(7, 100, 100), {.menuBarHeight = 20}));
    EXPECT_TRUE(CaptionButtonVisible(Button(7, 100, 100), {.mdiChildMaximized = true, .menuBarHeight = 20}));
}

TEST(SkinFrameRulesCaption, ButtonFrameByActivity) {
    auto button = Placed(0, 0, 0, 4);
    EXPECT_EQ(CaptionButtonFrame(button, true), 1);
    EXPECT_EQ(CaptionButtonFrame(button, false), 4);
    button.frameCount = 3;
    EXPECT_EQ(CaptionButtonFrame(button, false), 1);
    button.frameCount = 0;
    EXPECT_EQ(CaptionButtonFrame(button, false), 1);
}

TEST(SkinFrameRulesCaption, TextPlacedByAlignment) {
    TSkinTitleElement title;
    title.textShift = 30;
    title.textRightClip = 80;
    title.textBackLeft = 4;
    title.textBackRight = 6;
    title.textShiftVert = 4;
    const CaptionTextInput in{.stripWidth = 400, .stripHeight = 29, .textWidth = 100, .textHeight = 15};

    EXPECT_EQ(CaptionTextRect(title, in), (GridRect{30, 9, 110, 15}));
    title.textAlignment = 1;
    EXPECT_EQ(CaptionTextRect(title, in).x, 145);
    title.textAlignment = 2;
    EXPECT_EQ(CaptionTextRect(title, in).x, 210);
    title.textAlignment = 1;
    auto rtl = in;
    rtl.rightToLeft = true;
    EXPECT_EQ(CaptionTextRect(title, rtl).x, 210);
}

TEST(SkinFrameRulesCaption, TextRightEndLimits) {
    TSkinTitleElement title;
    title.textShift = 30;
    title.textRightClip = 80;
    title.textBackLeft = 4;
    title.textBackRight = 6;
    CaptionTextInput in{.stripWidth = 400, .stripHeight = 29, .textWidth = 300, .textHeight = 15};

    EXPECT_EQ(CaptionTextRect(title, in).width, 290);  // ends at the clip
    in.leftmostRightButton = 300;
    EXPECT_EQ(CaptionTextRect(title, in).width, 290);  // buttons count for popups only
    in.popupStyle = true;
    EXPECT_EQ(CaptionTextRect(title, in).width, 265);  // 5 before the button
    in.leftmostRightButton = 350;
    EXPECT_EQ(CaptionTextRect(title, in).width, 310);  // past the clip: it fits
    in.leftmostRightButton.reset();
    EXPECT_EQ(CaptionTextRect(title, in).width, 290);

    title.textShift = 500;
    EXPECT_EQ(CaptionTextRect(title, in).width, 0);
}

TEST(SkinFrameRulesCaption, BandFollowsTheCaptionFontAndTheIcon) {
    // The stored skin's 29-pixel band at 96, 120 and 144 dots per inch.
    EXPECT_EQ(FitCaption(29, 16, 13), (CaptionFit{29, 0, 0}));
    EXPECT_EQ(FitCaption(29, 20, 16), (CaptionFit{33, 4, 2}));
    EXPECT_EQ(FitCaption(29, 24, 20), (CaptionFit{37, 8, 4}));
    // A large caption font alone makes the band higher, not the text move.
    EXPECT_EQ(FitCaption(29, 16, 22).bandHeight, 35);
    EXPECT_EQ(FitCaption(29, 16, 22).textShift, 0);
    EXPECT_EQ(FitCaption(0, 24, 20).bandHeight, 0) << "a frame without a caption gets none";
}

TEST(SkinFrameRulesCaption, ButtonPlacedByAlign) {
    const ButtonPlace place{.windowWidth = 400, .textRect = {100, 7, 120, 15}, .rightBorder = 5,
                            .menuBarTop = 29, .menuBarHeight = 20, .menuBarLeftWidth = 3};
    EXPECT_EQ(CaptionButtonRect(Placed(0, 8, 7), place), (GridRect{8, 7, 16, 16}));
    EXPECT_EQ(CaptionButtonRect(Placed(1, 25, 5), place), (GridRect{375, 5, 16, 16}));
    EXPECT_EQ(CaptionButtonRect(Placed(2, 4, 6), place), (GridRect{80, 6, 16, 16}));
    EXPECT_EQ(CaptionButtonRect(Placed(8, 4, 6), place).x, 80);
    EXPECT_EQ(CaptionButtonRect(Placed(3, 4, 6), place), (GridRect{224, 6, 16, 16}));
    EXPECT_EQ(CaptionButtonRect(Placed(9, 4, 6), place).x, 224);
    EXPECT_EQ(CaptionButtonRect(Placed(100, 20, 0), place), (GridRect{372, 31, 16, 16}));
    auto rtl = place;
    rtl.rightToLeft = true;
    EXPECT_EQ(CaptionButtonRect(Placed(100, 20, 0), rtl), (GridRect{28, 31, 16, 16}));
    EXPECT_EQ(CaptionButtonRect(Placed(1, 25, 5), rtl).x, 375);  // only the menu-bar buttons turn
    EXPECT_EQ(CaptionButtonRect(Placed(42, 8, 7), place), (GridRect{8, 7, 16, 16}));
    EXPECT_EQ(CaptionButtonRect(Placed(0, 8, 7, 0), place).width, 48);
}

TEST(SkinFrameRulesRegion, OpaqueRunsMergeEqualRows) {
    const uint32_t corners[] = {M, X, X, M,
                                X, X, X, X,
                                X, X, X, X};
    EXPECT_EQ(OpaqueRuns(corners, 4, 3, 10, 20),
              (std::vector<GridRect>{{11, 20, 2, 1}, {10, 21, 4, 2}}));

    const uint32_t twoRuns[] = {X, M, X, X, M,
                                X, M, X, X, 0xFFFF00FF};  // the top byte is not colour
    EXPECT_EQ(OpaqueRuns(twoRuns, 5, 2, 0, 0), (std::vector<GridRect>{{0, 0, 1, 2}, {2, 0, 2, 2}}));

    const uint32_t gap[] = {X, X,
                            M, M,
                            X, X};
    EXPECT_EQ(OpaqueRuns(gap, 2, 3, 0, 0), (std::vector<GridRect>{{0, 0, 2, 1}, {0, 2, 2, 1}}));
    EXPECT_TRUE(OpaqueRuns(gap, 0, 3, 0, 0).empty());
}

TEST(SkinFrameRulesMenuBar, ItemsLaidOutFromTheStart) {
    MenuBarLayoutInput in{.barWidth = 300, .barHeight = 20, .hasElement = true, .elementLeft = 10,
                          .elementRight = 10, .captionWidths = {30, 0, 40}};
    EXPECT_EQ(MenuBarItemRects(in),
              (std::vector<GridRect>{{14, 0, 40, 19}, {54, 0, 0, 19}, {54, 0, 50, 19}}));
    in.rightToLeft = true;
    EXPECT_EQ(MenuBarItemRects(in),
              (std::vector<GridRect>{{242, 0, 40, 19}, {242, 0, 0, 19}, {192, 0, 50, 19}}));

    in.hasElement = false;
    EXPECT_EQ(MenuBarItemRects(in).front().x, 254);
    in.rightToLeft = false;
    EXPECT_EQ(MenuBarItemRects(in).front().x, 6);

    in.hasElement = true;
    in.barWidth = 10;  // narrower than the element's start
    EXPECT_EQ(MenuBarItemRects(in).front().x, 12);
    EXPECT_TRUE(MenuBarItemRects({.barWidth = 300, .barHeight = 20}).empty());
}

TEST(SkinFrameRulesMenuBar, AcceleratorOfACaption) {
    using kelo::MenuAccelerator;
    EXPECT_EQ(MenuAccelerator(L"E&xit"), L'X');
    EXPECT_EQ(MenuAccelerator(L"Save && &quit"), L'Q');
    EXPECT_EQ(MenuAccelerator(L"&&Save"), 0);
    EXPECT_EQ(MenuAccelerator(L"A&&&b"), L'B');
    EXPECT_EQ(MenuAccelerator(L"Trailing&"), 0);
    EXPECT_EQ(MenuAccelerator(L"&1 day"), L'1');
    EXPECT_EQ(MenuAccelerator(L"&\u00e9t\u00e9"), L'\u00c9');
    EXPECT_EQ(MenuAccelerator(L""), 0);
}
