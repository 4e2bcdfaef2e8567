// Opening, skinning and closing the two settings dialogs many times over, as the program's
// own skin and flat painter dress them, leaves nothing behind: no GDI object, no skinned
// window, no control skin (they live and go with their skinned window, so a dialog that
// wears as many as the first one and a skinned-window count back where it was tell).
//
// The dialogs stay hidden and are skinned directly: under Wine without a window manager
// every shown window costs two seconds to hide. Only the message boxes are shown, since a
// box is skinned when it is activated.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "SetupDialogsSupport.h"
#include "SkinTestSupport.h"
#include "TestSupport.h"
#include "windows/Globals.h"
#include "windows/MainFrm.h"
#include "framework/Application.h"
#include "framework/Handle.h"
#include "framework/StdCtrls.h"
#include "framework/Subclass.h"
#include "framework/WinFileStore.h"
#include "skin/SkinManager.h"
#include "skin/frame/SkinnedWindow.h"
#include "windows/DropSetupFrm.h"
#include "windows/SetupFrm.h"

using namespace kelo;
using skin::TSkinManager;

namespace {

constexpr wchar_t kBoxCaption[] = L"Kelo dialog rounds";

// What one skinned dialog showed before it was closed.
struct DialogSeen {
    bool skinned = false;
    size_t controlSkins = 0;
    bool okButtonSkinned = false;
    int flatPainted = 0;  // child windows with the flat painter's layer
};

int FlatPaintedChildren(HWND dialog) {
    int count = 0;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) -> BOOL {
            if (win::HasSubclass(child, win::SubclassId::MenuPainter)) ++*reinterpret_cast<int*>(param);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

class SkinDialogRounds : public test::MainWindowTest {
protected:
    void SetUp() override {
        test::MainWindowTest::SetUp();
        test::DrainMessages();
    }

    // A dialog owned by the main window, as the program makes it, skinned while hidden;
    // the posted message that finishes the skin and the painter's styling run before it
    // is closed again.
    template <class Dialog>
    DialogSeen OpenSkinAndClose() {
        DialogSeen seen;
        auto dialog = std::make_unique<Dialog>(main_.get(), dir_.Path());
        const HWND hwnd = dialog->Handle();
        TSkinManager& manager = *TSkinManager::Instance();
        if (!manager.SkinWindow(hwnd)) return seen;
        test::DrainMessages();
        seen.skinned = test::FullySkinned(hwnd);
        if (const skin::TSkinnedWindow* window = manager.FindSkinnedWindow(hwnd))
            seen.controlSkins = window->ControlSkins().size();
        const HWND ok = dialog->template Find<win::TButton>("btnOK")->Handle();
        seen.okButtonSkinned = win::HasSubclass(ok, win::SubclassId::Skin);
        seen.flatPainted = FlatPaintedChildren(hwnd);
        dialog.reset();
        test::DrainMessages();
        return seen;
    }

};

}  // namespace

// 200 rounds of both dialogs and a message box every 20 rounds: 410 skinned windows.
// Under Wine the boxes take two seconds each to hide and the dialogs a fifth of a second
// a round to make and close, skin or none: 70 to 85 s.
TEST_F(SkinDialogRounds, TwoHundredRoundsOfBothDialogsLeaveNothingBehind) {
    constexpr int kRounds = 200, kBoxEvery = 40;
    ASSERT_NE(TSkinManager::Instance(), nullptr) << "the main window's skin source makes the manager";
    TSkinManager& manager = *TSkinManager::Instance();

    // What is made once and kept (fonts, the painter's and the skin's caches) is made now,
    // and the first dialogs tell how many control skins each one wears.
    const DialogSeen options = OpenSkinAndClose<app::TFrmSetup>();
    const DialogSeen mini = OpenSkinAndClose<app::TFrmDropSetup>();
    ASSERT_TRUE(options.skinned && mini.skinned);
    ASSERT_GT(options.controlSkins, 0u);
    ASSERT_GT(mini.controlSkins, 0u);
    ASSERT_TRUE(options.okButtonSkinned && mini.okButtonSkinned);
    ASSERT_TRUE(options.flatPainted > 0 && mini.flatPainted > 0) << "the main window's painter styles its dialogs";
    ASSERT_TRUE(test::MessageBoxClosedByTimer(main_->Handle(), kBoxCaption, L"Skinned while it is open."));
    test::DrainMessages();

    const long wrapped = win::LiveGdiObjects();
    const long systemGdi = test::ProcessGdiObjects();
    const DWORD systemUser = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const size_t windows = manager.SkinnedWindowCount(), popups = manager.PopupSkinCount();

    int unlike = 0, leftListed = 0, boxesSkinned = 0;
    auto compare = [&unlike](int round, const DialogSeen& seen, const DialogSeen& first) {
        if (seen.skinned && seen.okButtonSkinned && seen.controlSkins == first.controlSkins &&
            seen.flatPainted == first.flatPainted)
            return;
        if (++unlike <= 3)
            ADD_FAILURE() << "round " << round << ": skinned " << seen.skinned << ", OK button skinned "
                          << seen.okButtonSkinned << ", " << seen.controlSkins << " control skins and "
                          << seen.flatPainted << " flat-painted controls against " << first.controlSkins << " and "
                          << first.flatPainted << " at first";
    };
    for (int round = 1; round <= kRounds; ++round) {
        compare(round, OpenSkinAndClose<app::TFrmSetup>(), options);
        compare(round, OpenSkinAndClose<app::TFrmDropSetup>(), mini);
        if (manager.SkinnedWindowCount() != windows) ++leftListed;
        if (round % kBoxEvery == 0 &&
            test::MessageBoxClosedByTimer(main_->Handle(), kBoxCaption, L"Skinned while it is open."))
            ++boxesSkinned;
    }
    test::DrainMessages();

    EXPECT_EQ(unlike, 0) << "dialogs not skinned like the first ones";
    EXPECT_EQ(leftListed, 0) << "rounds after which a closed dialog was still listed";
    EXPECT_EQ(boxesSkinned, kRounds / kBoxEvery);
    EXPECT_EQ(manager.SkinnedWindowCount(), windows);
    EXPECT_EQ(manager.PopupSkinCount(), popups);
    EXPECT_EQ(win::LiveGdiObjects(), wrapped);
    if (systemGdi) EXPECT_LE(test::ProcessGdiObjects(), systemGdi + 5);
    if (systemUser) EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), systemUser + 5);
}
