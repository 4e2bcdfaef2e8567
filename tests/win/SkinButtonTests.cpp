// Skinned push buttons and check boxes under Wine: the mouse is held from press to release
// and only a release over the button clicks, the skin comes off leaving the control as it
// was and goes with the control's window; on screen each state of a button shows its own
// picture, a disabled caption is greyed, and a check box wears the skin's mark.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "SkinTestSupport.h"
#include "TestSupport.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Graphics.h"
#include "framework/StdCtrls.h"
#include "framework/Subclass.h"
#include "skin/data/SkinArchive.h"
#include "skin/controls/SkinButtons.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinPainter.h"
#include "skin/SkinSource.h"

using namespace kelo;
using skin::TSkinButton;

namespace {

constexpr char kForm[] =
    "object F: TForm\n  BorderStyle = bsNone\n  Left = 40\n  Top = 40\n  ClientWidth = 200\n  ClientHeight = 100\n"
    "  object Button1: TButton\n    Left = 10\n    Top = 10\n    Width = 75\n    Height = 25\n"
    "    Caption = 'OK'\n  end\n"
    "  object Button2: TButton\n    Left = 100\n    Top = 10\n    Width = 75\n    Height = 25\n  end\n"
    "  object Check1: TCheckBox\n    Left = 10\n    Top = 60\n    Width = 100\n    Height = 25\n"
    "    Caption = 'Check'\n  end\n"
    "end\n";

// The skinned window of these tests: it frees a control skin when told its control is gone.
class TestOwner : public skin::TSkinControlOwner {
public:
    ~TestOwner() override {
        button.reset();
        check.reset();
    }
    void ControlGone(skin::TSkinControl& control) override {
        ++gone;
        if (button.get() == &control) button.reset();
        if (check.get() == &control) check.reset();
    }
    skin::TSkinControl* HotControl() const override { return hot; }
    void SetHotControl(skin::TSkinControl* control) override { hot = control; }
    bool Destroying() const override { return false; }

    std::unique_ptr<TSkinButton> button;
    std::unique_ptr<skin::TSkinCheckBox> check;
    skin::TSkinControl* hot = nullptr;
    int gone = 0;
};

// What the window shows on screen now, frame included.
std::unique_ptr<test::DibCanvas> Shown(HWND hwnd) {
    RECT bounds;
    GetWindowRect(hwnd, &bounds);
    auto shot = std::make_unique<test::DibCanvas>(bounds.right - bounds.left, bounds.bottom - bounds.top, 0);
    const win::NonClientDC dc(hwnd);
    BitBlt(shot->Dc(), 0, 0, shot->Width(), shot->Height(), dc.Get(), 0, 0, SRCCOPY);
    return shot;
}

// The pixels of `part` that differ from `within` at (x, y).
int Differences(const test::DibCanvas& within, int x, int y, const test::DibCanvas& part) {
    int count = 0;
    for (int j = 0; j < part.Height(); ++j)
        for (int i = 0; i < part.Width(); ++i) count += within.At(x + i, y + j) != part.At(i, j);
    return count;
}

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        ASSERT_NE(source->Skin(), nullptr);
        form.LoadFromDescription(kForm);
        control = form.Find<win::TButton>("Button1");
        control->OnClick = [this](win::TComponent*) { ++clicks; };
        hwnd = control->Handle();
    }

    // The framework control skinned, or with byHandle its bare window.
    TSkinButton& Skin(bool byHandle = false) {
        owner.button = std::make_unique<TSkinButton>(owner, *source);
        if (byHandle) owner.button->AttachWindow(hwnd);
        else owner.button->AttachControl(*control, true);
        EXPECT_TRUE(owner.button->Attached());
        return *owner.button;
    }
    void Mouse(UINT msg, int x, int y) {
        SendMessageW(hwnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
    }

    std::unique_ptr<skin::TSkinSource> source =
        skin::LoadSkinFromStream(skin::WriteSkinStream(test::EmbeddedSkinFile()));
    win::TForm form{nullptr};
    TestOwner owner;
    win::TButton* control = nullptr;
    HWND hwnd = nullptr;
    int clicks = 0;
};

TEST_F(SkinButtonTest, PressHoldsTheMouseAndOnlyAReleaseOverTheButtonClicks) {
    TSkinButton& skin = Skin();
    Mouse(WM_LBUTTONDOWN, 5, 5);
    EXPECT_EQ(GetCapture(), hwnd);
    EXPECT_TRUE(skin.Pressed());
    Mouse(WM_MOUSEMOVE, 200, 5);  // off the button, still held
    EXPECT_FALSE(skin.Pressed());
    EXPECT_EQ(GetCapture(), hwnd);
    Mouse(WM_MOUSEMOVE, 5, 5);
    EXPECT_TRUE(skin.Pressed());
    Mouse(WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(skin.Pressed());
    EXPECT_NE(GetCapture(), hwnd);

    // The space key: the system button clicks on its release, and only it.
    SendMessageW(hwnd, WM_KEYDOWN, VK_SPACE, 0x00390001);
    EXPECT_TRUE(skin.Pressed());
    SendMessageW(hwnd, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001));
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(skin.Pressed());
}

TEST_F(SkinButtonTest, ReleaseElsewhereOrLostMouseLeavesItUnpressedWithoutAClick) {
    TSkinButton& skin = Skin(true);  // a bare window: its click goes to the parent
    Mouse(WM_LBUTTONDOWN, 5, 5);
    Mouse(WM_LBUTTONUP, 200, 5);
    EXPECT_FALSE(skin.Pressed());
    EXPECT_NE(GetCapture(), hwnd);
    EXPECT_EQ(clicks, 0);

    Mouse(WM_LBUTTONDOWN, 5, 5);
    ReleaseCapture();
    EXPECT_FALSE(skin.Pressed());
    Mouse(WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(clicks, 0);

    Mouse(WM_LBUTTONDBLCLK, 5, 5);
    Mouse(WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(clicks, 1);  // BN_CLICKED reached the parent, which runs the button's OnClick
}

TEST_F(SkinButtonTest, DetachingGivesBackTheProcedureAndTheColourAndAGoneWindowFreesTheSkin) {
    Skin();
    EXPECT_TRUE(win::HasSubclass(hwnd, win::SubclassId::Skin));
    EXPECT_EQ(control->Color(), source->Skin()->colours.buttonFace);
    Mouse(WM_LBUTTONDOWN, 5, 5);  // held while the skin comes off: the mouse is let go
    owner.button.reset();
    EXPECT_NE(GetCapture(), hwnd);
    EXPECT_FALSE(win::HasSubclass(hwnd, win::SubclassId::Skin));
    EXPECT_EQ(control->Color(), clBtnFace);

    hwnd = CreateWindowW(L"Button", L"Bare", WS_CHILD | BS_PUSHBUTTON, 10, 50, 75, 25, form.Handle(),
                         reinterpret_cast<HMENU>(7), nullptr, nullptr);
    Skin(true);
    DestroyWindow(hwnd);
    EXPECT_EQ(owner.gone, 1);
    EXPECT_EQ(owner.button, nullptr);
}

TEST_F(SkinButtonTest, EachStateShowsItsOwnPicture) {
    control->SetCaption(L"");  // the picture alone
    Skin();
    ShowWindow(form.Handle(), SW_SHOWNA);
    test::PumpFor(100);
    const HWND other = form.Find<win::TButton>("Button2")->Handle();
    const skin::SkinData& data = *source->Skin();
    const auto shown = Shown(hwnd);
    auto picture = [&](int frame) {
        auto canvas = std::make_unique<test::DibCanvas>(shown->Width(), shown->Height(),
                                                        win::ColorToRGB(data.colours.buttonFace));
        skin::DrawSkinElement(canvas->Dc(), {0, 0, canvas->Width(), canvas->Height()}, data.buttons,
                              data.buttons.frameCount, frame);
        return canvas;
    };
    for (int a = 1; a <= 4; ++a)
        for (int b = a + 1; b <= 4; ++b) ASSERT_GT(Differences(*picture(a), 0, 0, *picture(b)), 0) << a << b;

    // One after the other, each shown as soon as it holds.
    const struct {
        const char* state;
        std::function<void()> enter;
        int frame;
        bool focused;
    } states[] = {
        {"normal", [&] { SetFocus(other); }, 1, false},
        {"hot", [&] { Mouse(WM_MOUSEMOVE, 5, 5); }, 4, false},
        {"focused",
         [&] {
             SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
             SetFocus(hwnd);
         },
         4, true},
        {"pressed", [&] { Mouse(WM_LBUTTONDOWN, 5, 5); }, 2, true},
        {"disabled",
         [&] {
             ReleaseCapture();
             EnableWindow(hwnd, FALSE);
         },
         3, false},
    };
    // The focus shows as a dotted line inside the picture, and nothing else changes.
    const int focusLine = 2 * (shown->Width() - 6 + shown->Height() - 6);
    for (const auto& state : states) {
        SCOPED_TRACE(state.state);
        state.enter();
        const int differences = Differences(*Shown(hwnd), 0, 0, *picture(state.frame));
        if (!state.focused) EXPECT_EQ(differences, 0);
        else EXPECT_TRUE(differences > focusLine / 4 && differences <= focusLine) << differences;
    }
}

TEST_F(SkinButtonTest, DisabledCaptionIsInTheSkinsButtonShadow) {
    EnableWindow(hwnd, FALSE);
    Skin();
    ShowWindow(form.Handle(), SW_SHOWNA);
    test::PumpFor(100);
    const skin::SkinColourSet& colours = source->Skin()->colours;
    const COLORREF shadow = win::ColorToRGB(colours.buttonShadow), text = win::ColorToRGB(colours.buttonText);
    const auto shown = Shown(hwnd);
    int shadowPixels = 0, textPixels = 0;
    // The middle of the button: the caption, away from the picture's edge.
    for (int y = shown->Height() / 4; y < shown->Height() * 3 / 4; ++y)
        for (int x = shown->Width() / 4; x < shown->Width() * 3 / 4; ++x) {
            shadowPixels += shown->At(x, y) == shadow;
            textPixels += shown->At(x, y) == text;
        }
    EXPECT_GT(shadowPixels, 0);
    EXPECT_EQ(textPixels, 0);
}

TEST_F(SkinButtonTest, CheckBoxWearsTheSkinsMarkAtTheLeftAndTheCheckedOneAfterAClick) {
    auto* box = form.Find<win::TCheckBox>("Check1");
    const HWND check = box->Handle();
    owner.check = std::make_unique<skin::TSkinCheckBox>(owner, *source);
    owner.check->AttachControl(*box, true);
    ShowWindow(form.Handle(), SW_SHOWNA);
    test::PumpFor(100);
    const skin::SkinData& data = *source->Skin();
    const skin::SkinImage& image = data.buttons.checkImage;
    const int count = data.buttons.checkFrameCount;
    const int width = image.Width() / count, height = image.Height();
    ASSERT_LT(width, 15);  // a mark narrower than the system's box sits where the box is
    RECT bounds;
    GetWindowRect(check, &bounds);
    const int left = (14 - width) / 2, top = (bounds.bottom - bounds.top - height) / 2;
    auto mark = [&](int frame) {
        auto canvas = std::make_unique<test::DibCanvas>(width, height, win::ColorToRGB(data.colours.buttonFace));
        skin::DrawSkinImage(canvas->Dc(), {0, 0, width, height},
                            {.image = &image, .transparent = data.buttons.trans == 1}, count, frame);
        return canvas;
    };
    ASSERT_GT(Differences(*mark(1), 0, 0, *mark(2)), 0);

    EXPECT_EQ(Differences(*Shown(check), left, top, *mark(1)), 0);
    SendMessageW(check, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 12));
    SendMessageW(check, WM_LBUTTONUP, 0, MAKELPARAM(5, 12));
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(Differences(*Shown(check), left, top, *mark(2)), 0);
}

TEST_F(SkinButtonTest, OverTheFlatPainterEachChangeReachesTheScreenOnce) {
    win::TForm styled{nullptr};
    test::LoadWithFlatPainter(styled, kForm);
    auto* button = styled.Find<win::TButton>("Button1");
    auto* box = styled.Find<win::TCheckBox>("Check1");
    ASSERT_TRUE(win::HasSubclass(box->Handle(), win::SubclassId::MenuPainter));
    owner.button = std::make_unique<TSkinButton>(owner, *source);
    owner.button->AttachControl(*button, true);
    owner.check = std::make_unique<skin::TSkinCheckBox>(owner, *source);
    owner.check->AttachControl(*box, true);
    ShowWindow(styled.Handle(), SW_SHOWNA);
    test::PumpFor(100);
    for (const HWND target : {button->Handle(), box->Handle()}) {
        SetFocus(styled.Find<win::TButton>("Button2")->Handle());
        SendMessageW(target, WM_MOUSELEAVE, 0, 0);  // wherever the pointer was meanwhile
        auto puts = [target](const std::function<void()>& change) {
            const int before = win::ScreenDCsTaken(target);
            change();
            return win::ScreenDCsTaken(target) - before;
        };
        EXPECT_EQ(puts([&] { SendMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)); }), 1);
        EXPECT_EQ(puts([&] { SetFocus(target); }), 1);
        EXPECT_EQ(puts([&] { SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); }), 1);
        EXPECT_EQ(puts([&] { SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)); }), 1);
    }
    EXPECT_TRUE(box->Checked());
    owner.button.reset();
    owner.check.reset();
}

}  // namespace

