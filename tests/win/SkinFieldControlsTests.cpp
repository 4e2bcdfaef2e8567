// A skinned edit under Wine: its sunken border gives way to a thin frame in the skin's
// button shadow around a white one, and keeps it when the edit draws its border again.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "SkinTestSupport.h"
#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Graphics.h"
#include "framework/StdCtrls.h"
#include "skin/data/SkinArchive.h"
#include "skin/data/SkinData.h"
#include "skin/controls/SkinFieldControls.h"
#include "skin/SkinSource.h"

using namespace kelo;

namespace {

constexpr char kForm[] =
    "object F: TForm\n  BorderStyle = bsNone\n  Left = 40\n  Top = 40\n  ClientWidth = 200\n  ClientHeight = 100\n"
    "  object Edit1: TEdit\n    Left = 10\n    Top = 10\n    Width = 120\n    Height = 23\n  end\n"
    "  object Button1: TButton\n    Left = 10\n    Top = 50\n    Width = 75\n    Height = 25\n  end\n"
    "end\n";

// The pixels of the ring `inset` pixels inside the window that are not `colour`.
int RingMisses(HWND hwnd, int inset, COLORREF colour) {
    RECT bounds;
    GetWindowRect(hwnd, &bounds);
    const int right = bounds.right - bounds.left - 1 - inset, bottom = bounds.bottom - bounds.top - 1 - inset;
    const win::NonClientDC dc(hwnd);
    int misses = 0;
    for (int x = inset; x <= right; ++x)
        misses += (GetPixel(dc.Get(), x, inset) != colour) + (GetPixel(dc.Get(), x, bottom) != colour);
    for (int y = inset + 1; y < bottom; ++y)
        misses += (GetPixel(dc.Get(), inset, y) != colour) + (GetPixel(dc.Get(), right, y) != colour);
    return misses;
}

class SkinFieldControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        ASSERT_NE(source->Skin(), nullptr);
        form.LoadFromDescription(kForm);
    }

    std::unique_ptr<skin::TSkinSource> source =
        skin::LoadSkinFromStream(skin::WriteSkinStream(test::EmbeddedSkinFile()));
    win::TForm form{nullptr};
    test::SkinControlOwner owner;
};

TEST_F(SkinFieldControlsTest, EditShowsAShadowFrameAroundAWhiteOne) {
    auto* control = form.Find<win::TEdit>("Edit1");
    const HWND edit = control->Handle();
    ASSERT_NE(GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    owner.skin = std::make_unique<skin::TSkinEdit>(owner, *source);
    owner.skin->AttachControl(*control, true);
    ShowWindow(form.Handle(), SW_SHOWNA);
    SetFocus(form.Find<win::TButton>("Button1")->Handle());
    test::PumpFor(100);
    const COLORREF shadow = win::ColorToRGB(source->Skin()->colours.buttonShadow), white = RGB(255, 255, 255);
    EXPECT_EQ(RingMisses(edit, 0, shadow), 0);
    EXPECT_EQ(RingMisses(edit, 1, white), 0);

    // Focused, and with its border drawn anew by the edit itself: the skin's frames stay.
    SetFocus(edit);
    SendMessageW(edit, WM_NCPAINT, 1, 0);
    EXPECT_EQ(RingMisses(edit, 0, shadow), 0);
    EXPECT_EQ(RingMisses(edit, 1, white), 0);

    // Printed, the inner frame takes the edit's own background instead of white.
    control->SetColor(clYellow);
    RECT bounds;
    GetWindowRect(edit, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageW(edit, WM_PRINT, reinterpret_cast<WPARAM>(memory), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(GetPixel(memory, width / 2, 0), shadow);
    EXPECT_EQ(GetPixel(memory, width / 2, 1), RGB(255, 255, 0));
    EXPECT_EQ(GetPixel(memory, 1, height / 2), RGB(255, 255, 0));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

TEST_F(SkinFieldControlsTest, PressedArrowsAndComboButtonComeUpWhenTheMouseGoesElsewhere) {
    const HWND upDown = CreateWindowW(L"msctls_updown32", L"", WS_CHILD | WS_VISIBLE, 150, 10, 16, 24, form.Handle(),
                                      nullptr, nullptr, nullptr);
    const HWND combo = CreateWindowW(L"ComboBox", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 80, 100, 120,
                                     form.Handle(), nullptr, nullptr, nullptr);
    skin::TSkinUpDown arrows(owner, *source);
    arrows.AttachWindow(upDown);
    skin::TSkinComboBox box(owner, *source);
    box.AttachWindow(combo);
    for (skin::TSkinControl* skin : {static_cast<skin::TSkinControl*>(&arrows), static_cast<skin::TSkinControl*>(&box)}) {
        SendMessageW(skin->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
        EXPECT_TRUE(skin->Pressed());
        // Released over another window: the control only loses the mouse.
        SetCapture(skin->Handle());
        ReleaseCapture();
        EXPECT_FALSE(skin->Pressed());
    }
}

}  // namespace
