// The menu painter as the form loader builds it: which menus it takes over, what it
// gives back, the streamed properties and the item size it answers for the form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "menupainter/MenuPainter.h"
#include "menupainter/MenuPainterManager.h"
#include "menupainter/PaintTools.h"

using namespace kelo;
using kelo::menupainter::TMenuPainter;
using kelo::menupainter::TMenuPainterManager;

namespace {

std::string FormText(const std::string& painterProperties) {
    return "object F: TForm\n"
           "  Menu = MainMenu1\n"
           "  object MainMenu1: TMainMenu\n"
           "    object mFile: TMenuItem\n      Caption = '&File'\n"
           "      object mOpen: TMenuItem\n        Caption = '&Open'\n      end\n"
           "      object mLine: TMenuItem\n        Caption = '-'\n      end\n"
           "    end\n"
           "  end\n"
           "  object PopupBefore: TPopupMenu\n"
           "    object pOwn: TMenuItem\n      Caption = 'Own'\n      Tag = 999\n"
           "      object pOwnSub: TMenuItem\n        Caption = 'Sub'\n      end\n"
           "    end\n"
           "    object pPlain: TMenuItem\n      Caption = 'Plain'\n    end\n"
           "    object pLine: TMenuItem\n      Caption = '-'\n    end\n"
           "    object pNext: TMenuItem\n      Caption = 'Next'\n    end\n"
           "  end\n"
           "  object MenuPainter1: TMenuPainter\n" +
           painterProperties +
           "  end\n"
           "  object PopupAfter: TPopupMenu\n"
           "    object aItem: TMenuItem\n      Caption = 'After'\n    end\n"
           "  end\n"
           "end\n";
}

class MenuPainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        menupainter::RegisterMenuPainterClasses();
    }
    void Load(const std::string& painterProperties) { form.LoadFromDescription(FormText(painterProperties)); }
    win::TMenuItem& Item(const char* name) { return *form.Find<win::TMenuItem>(name); }
    win::TMenu& Menu(const char* name) { return *form.Find<win::TMenu>(name); }
    TMenuPainter& Painter() { return *form.Find<TMenuPainter>("MenuPainter1"); }
    bool Taken(const char* name) { return Item(name).OnDrawItem && Item(name).OnMeasureItem; }

    // Runs the item's draw event and tells whether it was the one counting here.
    bool DrawsOwn(win::TMenuItem& item) {
        const int before = ownDraws;
        HDC screen = GetDC(nullptr);
        {
            win::TCanvas canvas(screen);
            item.OnDrawItem(&item, canvas, RECT{0, 0, 0, 0}, 0);
        }
        ReleaseDC(nullptr, screen);
        return ownDraws == before + 1;
    }
    win::TMenuDrawItemEvent OwnDraw() {
        return [this](win::TMenuItem*, win::TCanvas&, const RECT&, UINT) { ++ownDraws; };
    }

    win::TForm form{nullptr};
    int ownDraws = 0;
};

TEST_F(MenuPainterTest, ActiveWhileLoadingTakesOnlyTheMenusBeforeThePainter) {
    Load("    Active = True\n");
    EXPECT_TRUE(Menu("MainMenu1").OwnerDraw());
    EXPECT_TRUE(Menu("PopupBefore").OwnerDraw());
    EXPECT_TRUE(Taken("mFile") && Taken("mOpen") && Taken("mLine") && Taken("pPlain"));
    // Tag 999 leaves the item itself alone but not its sub-items.
    EXPECT_FALSE(Item("pOwn").OnDrawItem || Item("pOwn").OnMeasureItem);
    EXPECT_TRUE(Taken("pOwnSub"));
    EXPECT_FALSE(Menu("PopupAfter").OwnerDraw());
    EXPECT_FALSE(Item("aItem").OnDrawItem || Item("aItem").OnMeasureItem);
}

TEST_F(MenuPainterTest, OwnHandlersStayAndReleaseTakesBackOnlyThePainters) {
    Load("");
    ASSERT_FALSE(Painter().Active());
    EXPECT_FALSE(Menu("MainMenu1").OwnerDraw());
    Item("pOwn").OnDrawItem = OwnDraw();
    Item("mOpen").OnDrawItem = OwnDraw();

    Painter().SetActive(true);
    EXPECT_TRUE(DrawsOwn(Item("pOwn")));
    EXPECT_TRUE(Taken("pOwnSub"));
    EXPECT_TRUE(DrawsOwn(Item("mOpen")));  // the draw event is decided apart from measuring
    EXPECT_TRUE(Item("mOpen").OnMeasureItem);
    EXPECT_TRUE(Menu("PopupAfter").OwnerDraw());  // after loading the whole form is taken
    // Other code replaces the painter's handler on an item it took.
    Item("pPlain").OnDrawItem = OwnDraw();

    Painter().SetActive(false);
    EXPECT_TRUE(DrawsOwn(Item("pOwn")));
    EXPECT_TRUE(DrawsOwn(Item("mOpen")));
    EXPECT_TRUE(DrawsOwn(Item("pPlain")));
    EXPECT_FALSE(Item("mOpen").OnMeasureItem);
    EXPECT_FALSE(Item("pOwnSub").OnDrawItem || Item("pOwnSub").OnMeasureItem);
    EXPECT_FALSE(Item("mLine").OnDrawItem || Item("aItem").OnDrawItem);
    // Menus whose items are still drawn by other code stay owner-drawn.
    EXPECT_TRUE(Menu("MainMenu1").OwnerDraw());
    EXPECT_FALSE(Menu("PopupAfter").OwnerDraw());
}

TEST_F(MenuPainterTest, PropertiesStreamInOrder) {
    Load("    DimLevel = 40\n"
         "    Font.Name = 'Tahoma'\n    Font.Height = -11\n    Font.Charset = GB2312_CHARSET\n"
         "    Font.Color = clMenuText\n    Font.Style = []\n"
         "    SelectColor = clRed\n    IconWidth = 28\n    UseSystemColors = False\n"
         "    StyledContainers = [xccForm, xccPanel]\n    StyledControls = [xcMainMenu, xcEdit]\n"
         "    DisableSubclassing = True\n    Active = True\n");
    TMenuPainter& painter = Painter();
    EXPECT_EQ(painter.DimLevel(), 40);
    EXPECT_EQ(painter.GrayLevel(), 10);
    EXPECT_EQ(painter.Font().Name(), L"Tahoma");
    EXPECT_EQ(painter.Font().Height(), -11);
    EXPECT_EQ(painter.IconWidth(), 28);
    EXPECT_FALSE(painter.DisableSubclassing());
    EXPECT_EQ(painter.StyledContainers().to_ulong(), 0b100001u);
    EXPECT_EQ(painter.StyledControls().to_ulong(), (1u << menupainter::xcMainMenu) | (1u << menupainter::xcEdit));
    // Popup menus are not among the styled kinds.
    EXPECT_TRUE(Menu("MainMenu1").OwnerDraw());
    EXPECT_FALSE(Menu("PopupBefore").OwnerDraw());
    HDC screen = GetDC(nullptr);
    if (GetDeviceCaps(screen, BITSPIXEL) >= 16) EXPECT_EQ(painter.Colours(screen).selectionFill, clRed);
    ReleaseDC(nullptr, screen);
}

TEST_F(MenuPainterTest, StyledControlsChangeOnActivePainterReleasesAndRetakes) {
    Load("    Active = True\n");
    menupainter::TStyledControls controls = Painter().StyledControls();
    controls.reset(menupainter::xcPopupMenu);
    Painter().SetStyledControls(controls);
    EXPECT_FALSE(Menu("PopupBefore").OwnerDraw());
    EXPECT_FALSE(Item("pPlain").OnDrawItem);
    EXPECT_TRUE(Taken("mOpen"));
}

TEST_F(MenuPainterTest, FormMeasuresASeparatorThroughThePainter) {
    Load("    Active = True\n");
    win::TMenuItem& line = Item("mLine");
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    mis.itemID = line.Command();
    mis.itemData = reinterpret_cast<ULONG_PTR>(&line);
    SendMessageW(form.Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
    EXPECT_EQ(mis.itemHeight, 4u);
    EXPECT_GE(mis.itemWidth, 24u + 5u);  // the icon band and the text margin

    Painter().SetActive(false);
    mis.itemHeight = 0;
    SendMessageW(form.Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
    EXPECT_NE(mis.itemHeight, 4u);
}

TEST_F(MenuPainterTest, MenuBackgroundFollowsAChangedSystemScheme) {
    Load("    Active = True\n");
    const win::WindowDC screen(nullptr);
    const COLORREF face = GetSysColor(COLOR_BTNFACE) == RGB(40, 80, 120) ? RGB(120, 80, 40) : RGB(40, 80, 120);
    ASSERT_NE(Painter().Colours(screen.Get()).menuBackground, menupainter::LightenColor(face, 86, menupainter::kSystem));
    // Setting the colour tells every top-level window, the application window too.
    const test::SystemColourChange change(COLOR_BTNFACE, face);
    EXPECT_EQ(Painter().Colours(screen.Get()).menuBackground, menupainter::LightenColor(face, 86, menupainter::kSystem));
}

// A dialog-like form: one popup menu, optionally a painter of its own before it.
std::string DialogText(const std::string& extra) {
    return "object D: TForm\n" + extra +
           "  object DPopup: TPopupMenu\n"
           "    object dItem: TMenuItem\n      Caption = 'Item'\n    end\n"
           "  end\n"
           "end\n";
}

win::TForm* NewDialog(win::TComponent* owner, const std::string& extra = "") {
    auto* dialog = new win::TForm(owner);
    dialog->LoadFromDescription(DialogText(extra));
    return dialog;
}

bool Styled(win::TForm& dialog) {
    const win::TMenuItem& item = *dialog.Find<win::TMenuItem>("dItem");
    return dialog.Find<win::TMenu>("DPopup")->OwnerDraw() && item.OnDrawItem && item.OnMeasureItem;
}

void NextApplicationMessage() {
    PostMessageW(win::Application().Handle(), WM_NULL, 0, 0);
    win::Application().ProcessMessages();
}

// Presses keys in the open menu from a thread timer, which the menu loop runs, as the
// keyboard would; a menu that does not close on them is ended so it cannot hold a test up.
struct MenuKeys {
    static inline std::vector<WPARAM> keys;
    static inline int ticks = 0;
    UINT_PTR timer;
    explicit MenuKeys(std::vector<WPARAM> pressed) : timer(SetTimer(nullptr, 0, 20, &Tick)) {
        keys = std::move(pressed);
        ticks = 0;
    }
    ~MenuKeys() { KillTimer(nullptr, timer); }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menu || !IsWindowVisible(menu)) return;
        if (++ticks > 100) EndMenu();
        for (WPARAM key : keys) PostMessageW(menu, WM_KEYDOWN, key, 0);
        keys.clear();
    }
};

// A separator the painter draws is still a separator to the menu's keyboard.
TEST_F(MenuPainterTest, DownPassesOverAPaintedSeparatorAndEnterRunsTheNextItem) {
    Load("    Active = True\n");
    std::string clicked;
    for (const char* name : {"pPlain", "pLine", "pNext"})
        Item(name).OnClick = [&clicked, name](win::TComponent*) { clicked = name; };
    {
        const MenuKeys keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
        form.Find<win::TPopupMenu>("PopupBefore")->Popup(100, 100);
    }
    NextApplicationMessage();
    EXPECT_EQ(clicked, "pNext");
}

TEST_F(MenuPainterTest, ActivePainterBecomesCurrentAndStylesLaterDialogs) {
    Load("    Active = True\n");
    ASSERT_TRUE(TMenuPainterManager::Instance());
    EXPECT_EQ(TMenuPainterManager::Instance()->CurrentPainter(), &Painter());
    win::TForm* dialog = NewDialog(&form);
    EXPECT_FALSE(Styled(*dialog));
    NextApplicationMessage();
    EXPECT_TRUE(Styled(*dialog));
}

TEST_F(MenuPainterTest, TaggedFormsAndFormsWithTheirOwnPainterAreLeftAlone) {
    win::TForm tagged{nullptr}, plain{nullptr};
    tagged.LoadFromDescription(DialogText("  Tag = 999\n"));
    plain.LoadFromDescription(DialogText(""));
    Load("    Active = True\n");
    win::TForm* own = NewDialog(&form, "  object OwnPainter: TMenuPainter\n    Active = True\n  end\n");
    NextApplicationMessage();
    EXPECT_TRUE(Styled(plain));
    EXPECT_FALSE(Styled(tagged));
    EXPECT_FALSE(Styled(*own));  // its popup stands after its own painter
    EXPECT_EQ(TMenuPainterManager::Instance()->CurrentPainter(), &Painter());
}

TEST_F(MenuPainterTest, LeavingPainterHandsDialogsOnAndTheLastFreesTheManager) {
    Load("    Active = True\n");
    auto* other = new win::TForm(nullptr);
    other->LoadFromDescription(FormText("    Active = True\n"));
    win::TForm* dialog = NewDialog(&form);
    NextApplicationMessage();
    ASSERT_TRUE(Styled(*dialog));

    delete &Painter();
    ASSERT_TRUE(TMenuPainterManager::Instance());
    EXPECT_EQ(TMenuPainterManager::Instance()->CurrentPainter(), other->Find<TMenuPainter>("MenuPainter1"));
    EXPECT_TRUE(Styled(*dialog));

    delete other;
    EXPECT_FALSE(TMenuPainterManager::Instance());
    // No item keeps a handler of a painter that is gone.
    EXPECT_FALSE(dialog->Find<win::TMenuItem>("dItem")->OnDrawItem);
}

}  // namespace
