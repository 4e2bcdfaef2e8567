// Progress bars and tab controls of a dialog drawn from Kelo's skin: the bar fills as far
// as its position and no further, and the tabs stand on the skin's page.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "SkinTestSupport.h"
#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/Graphics.h"
#include "skin/data/SkinArchive.h"
#include "skin/data/SkinData.h"
#include "skin/controls/SkinRareControls.h"
#include "skin/SkinSource.h"

using namespace kelo;

namespace {

COLORREF Pixel(HWND hwnd, int x, int y) {
    const win::NonClientDC dc(hwnd);
    return GetPixel(dc.Get(), x, y);
}

class SkinRareControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        INITCOMMONCONTROLSEX init{sizeof init, ICC_PROGRESS_CLASS | ICC_TAB_CLASSES};
        InitCommonControlsEx(&init);
        ASSERT_NE(source->Skin(), nullptr);
        parent = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 100, 100, 320, 200, nullptr, nullptr,
                                 nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(parent); }

    template <class Skin>
    HWND Skinned(const wchar_t* className, int width, int height) {
        const HWND control = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE, 10, 10, width, height,
                                             parent, nullptr, nullptr, nullptr);
        owner.skin = std::make_unique<Skin>(owner, *source);
        owner.skin->AttachWindow(control);
        EXPECT_TRUE(owner.skin->Attached());
        return control;
    }

    std::unique_ptr<skin::TSkinSource> source =
        skin::LoadSkinFromStream(skin::WriteSkinStream(test::EmbeddedSkinFile()));
    HWND parent = nullptr;
    test::SkinControlOwner owner;
};

TEST_F(SkinRareControlsTest, ProgressBarFillsAsFarAsItsPositionAndGoesWithItsWindow) {
    const HWND bar = Skinned<skin::TSkinProgress>(PROGRESS_CLASSW, 200, 20);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar, PBM_SETPOS, 50, 0);
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    test::PumpFor(50);
    // The filled half and the empty half differ; each half is alike inside.
    const COLORREF filled = Pixel(bar, 50, 10), empty = Pixel(bar, 150, 10);
    EXPECT_NE(filled, empty);
    EXPECT_EQ(Pixel(bar, 90, 10), filled);
    EXPECT_EQ(Pixel(bar, 110, 10), empty);

    DestroyWindow(bar);
    EXPECT_EQ(owner.skin, nullptr);  // freed through its owner when the window went
}

TEST_F(SkinRareControlsTest, TabsStandOnTheSkinsPage) {
    const HWND tabs = Skinned<skin::TSkinTab>(WC_TABCONTROLW, 240, 120);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"One");
    SendMessageW(tabs, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.pszText = const_cast<wchar_t*>(L"Two");
    SendMessageW(tabs, TCM_INSERTITEMW, 1, reinterpret_cast<LPARAM>(&item));
    RedrawWindow(tabs, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    test::PumpFor(50);
    // The page's inside is white and the selected tab is white too; the other tab is not.
    RECT page{0, 0, 240, 120};
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    EXPECT_EQ(Pixel(tabs, (page.left + page.right) / 2, (page.top + page.bottom) / 2), RGB(255, 255, 255));
    RECT second{};
    SendMessageW(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    EXPECT_NE(Pixel(tabs, second.left + 4, second.top + 6), RGB(255, 255, 255));
    owner.skin.reset();
    DestroyWindow(tabs);
}

}  // namespace
