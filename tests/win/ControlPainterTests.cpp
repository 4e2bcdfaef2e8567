// The flat look of controls as the painters give it and take it back: frames that follow
// the focus, records that go with their windows or their painter, the hand-over between
// painters and the painter's place beneath the skin on a control's window.
#include <gtest/gtest.h>

#include <string>

#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Graphics.h"
#include "framework/StdCtrls.h"
#include "framework/Subclass.h"
#include "menupainter/ControlSubClass.h"
#include "menupainter/MenuFrame.h"
#include "menupainter/MenuPainter.h"
#include "menupainter/MenuPainterManager.h"
#include "TestSupport.h"

using namespace kelo;
using kelo::menupainter::TMenuPainter;
using kelo::menupainter::TMenuPainterManager;
using kelo::test::PumpFor;

namespace {

uint32_t SystemColour(int index) { return GetSysColor(index); }

std::string Controls(const char* prefix) {
    const std::string p = prefix;
    return "  object " + p + "Edit1: TEdit\n    Left = 10\n    Top = 10\n    Width = 120\n    Height = 21\n  end\n"
           "  object " + p + "Edit2: TEdit\n    Left = 10\n    Top = 40\n    Width = 120\n    Height = 21\n  end\n"
           "  object " + p + "Button1: TButton\n    Left = 10\n    Top = 70\n    Width = 75\n    Height = 25\n"
           "    Caption = 'OK'\n    Default = True\n  end\n";
}

std::string FormText(const std::string& painter) {
    return "object F: TForm\n  Left = 40\n  Top = 40\n  ClientWidth = 200\n  ClientHeight = 120\n" + Controls("") +
           "  object MenuPainter1: TMenuPainter\n" + painter + "  end\nend\n";
}

win::TForm* NewDialog(win::TComponent* owner) {
    auto* dialog = new win::TForm(owner);
    dialog->LoadFromDescription("object D: TForm\n  ClientWidth = 200\n  ClientHeight = 120\n" + Controls("d") + "end\n");
    return dialog;
}

void NextApplicationMessage() {
    PostMessageW(win::Application().Handle(), WM_NULL, 0, 0);
    win::Application().ProcessMessages();
}

COLORREF WindowPixel(HWND hwnd, int x, int y) {
    const win::NonClientDC dc(hwnd);
    return GetPixel(dc.Get(), x, y);
}

bool Styled(HWND hwnd) { return win::HasSubclass(hwnd, win::SubclassId::MenuPainter); }

class ControlPainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::Application().Initialize(GetModuleHandleW(nullptr));
        menupainter::RegisterMenuPainterClasses();
    }
    void Load() { form.LoadFromDescription(FormText("    Active = True\n")); }
    HWND Window(win::TForm& owner, const char* name) { return owner.Find<win::TWinControl>(name)->Handle(); }
    TMenuPainter& Painter() { return *form.Find<TMenuPainter>("MenuPainter1"); }

    win::TForm form{nullptr};
};

TEST_F(ControlPainterTest, EditFrameFollowsTheFocusAndComesOffWithThePainter) {
    Load();
    form.Show();
    PumpFor(300);
    const HWND edit = Window(form, "Edit1");
    ASSERT_TRUE(Styled(edit));  // styled although its window was made after the painter loaded

    const COLORREF idle = menupainter::ToRgb(menupainter::DarkenColor(clBtnFace, 60, SystemColour), SystemColour);
    const COLORREF lit = menupainter::ToRgb(menupainter::LightenColor(clHighlight, 60, SystemColour), SystemColour);
    SetFocus(Window(form, "Edit2"));
    PumpFor(100);
    EXPECT_EQ(WindowPixel(edit, 0, 0), idle);
    EXPECT_EQ(WindowPixel(edit, 1, 1), GetSysColor(COLOR_WINDOW));  // the 3D edge is gone
    SetFocus(edit);
    PumpFor(100);
    EXPECT_EQ(WindowPixel(edit, 0, 0), lit);
    EXPECT_EQ(WindowPixel(edit, 119, 20), lit);

    // The button wears the flat face: the icon band colour, not the button face.
    const HWND button = Window(form, "Button1");
    InvalidateRect(button, nullptr, TRUE);
    PumpFor(100);
    const COLORREF band = menupainter::ToRgb(menupainter::LightenColor(clBtnFace, 16, SystemColour), SystemColour);
    EXPECT_EQ(WindowPixel(button, 8, 5), band);
    // The default button wears a dark ring; the focused one a dotted rectangle inside.
    EXPECT_EQ(WindowPixel(button, 37, 0), GetSysColor(COLOR_3DDKSHADOW));
    const auto dotted = [&] {
        for (int x = 4; x < 71; ++x)
            if (WindowPixel(button, x, 3) != WindowPixel(button, x, 2)) return true;
        return false;
    };
    EXPECT_FALSE(dotted());
    SetFocus(button);
    PumpFor(100);
    EXPECT_TRUE(dotted());

    // An inactive painter's controls give the flat look back at their next message, and
    // that message is answered as the control answers it.
    SetWindowTextW(edit, L"abc");
    Painter().SetActive(false);
    EXPECT_EQ(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 3);
    EXPECT_FALSE(Styled(edit));
    PumpFor(200);
    EXPECT_FALSE(Styled(edit));
    EXPECT_FALSE(Styled(button));
    EXPECT_TRUE(Painter().Records().empty());
    EXPECT_NE(WindowPixel(edit, 0, 0), lit);
    EXPECT_NE(WindowPixel(edit, 1, 1), GetSysColor(COLOR_WINDOW));
}

TEST_F(ControlPainterTest, DialogsStyledAgainAndAgainLeaveNoRecordOrObjectBehind) {
    Load();
    const size_t ownRecords = Painter().Records().size();
    ASSERT_EQ(ownRecords, 3u);
    // Warm up the caches that stay (fonts, brushes of system colours).
    delete NewDialog(&form);
    NextApplicationMessage();
    const int objects = win::LiveGdiObjects();
    for (int i = 0; i < 200; ++i) {
        win::TForm* dialog = NewDialog(&form);
        NextApplicationMessage();
        const HWND edit = Window(*dialog, "dEdit1");
        ASSERT_TRUE(Styled(edit));
        SendMessageW(edit, WM_SETFOCUS, 0, 0);
        SendMessageW(edit, WM_KILLFOCUS, 0, 0);
        delete dialog;
    }
    NextApplicationMessage();
    EXPECT_EQ(Painter().Records().size(), ownRecords);
    EXPECT_EQ(win::LiveGdiObjects(), objects);
}

TEST_F(ControlPainterTest, LeavingPainterHandsTheDialogsControlsToTheNextAndTheLastGivesThemBack) {
    Load();
    auto* other = new win::TForm(nullptr);
    other->LoadFromDescription(FormText("    Active = True\n"));
    TMenuPainter& second = *other->Find<TMenuPainter>("MenuPainter1");
    win::TForm* dialog = NewDialog(&form);
    NextApplicationMessage();
    const HWND edit = Window(*dialog, "dEdit1");
    ASSERT_TRUE(Styled(edit));

    delete &Painter();
    EXPECT_EQ(TMenuPainterManager::Instance()->CurrentPainter(), &second);
    EXPECT_TRUE(Styled(edit));
    bool handed = false;
    for (const auto& record : second.Records()) handed |= record->Window() == edit && &record->Painter() == &second;
    EXPECT_TRUE(handed);
    SendMessageW(edit, WM_SETFOCUS, 0, 0);  // the record works under its new painter

    delete other;
    EXPECT_FALSE(Styled(edit));
    delete dialog;
}

// A layer above the painter that keeps the focus message to itself.
struct SwallowFocus : win::SubclassHook {
    bool Handle(HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        result = 0;
        return msg == WM_SETFOCUS;
    }
};

TEST_F(ControlPainterTest, ThePainterGoesBeneathASkinLayerAttachedBeforeIt) {
    Load();
    win::TForm* dialog = NewDialog(&form);
    const HWND edit = Window(*dialog, "dEdit1");
    SwallowFocus skin;
    ASSERT_TRUE(win::AttachSubclass(edit, win::SubclassId::Skin, &skin));
    NextApplicationMessage();  // the painter styles the dialog now
    ASSERT_TRUE(Styled(edit));
    const menupainter::TControlSubClass* record = nullptr;
    for (const auto& r : Painter().Records())
        if (r->Window() == edit) record = r.get();
    ASSERT_TRUE(record);
    SendMessageW(edit, WM_SETFOCUS, 0, 0);
    EXPECT_FALSE(record->State().hot);  // the skin's layer answered first
    win::DetachSubclass(edit, win::SubclassId::Skin);
    SendMessageW(edit, WM_SETFOCUS, 0, 0);
    EXPECT_TRUE(record->State().hot);
    delete dialog;
}

TEST_F(ControlPainterTest, FlatMenuFrameComesWithTheRequestAndGoesWhenThePopupHides) {
    Load();
    const HWND popup = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"Static", L"", WS_POPUP | WS_VISIBLE, 300,
                                       300, 120, 90, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(popup);
    PumpFor(100);
    // A request for a window that has gone, or for a menu that is not one, paints nothing.
    const HWND gone = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_TRUE(menupainter::ServeMenuFrameRequest(Painter(), menupainter::kBorderForWindow, 0,
                                                   reinterpret_cast<LPARAM>(gone)));
    EXPECT_TRUE(menupainter::ServeMenuFrameRequest(Painter(), menupainter::kBorderForItem, 0,
                                                   reinterpret_cast<LPARAM>(popup)));
    EXPECT_FALSE(menupainter::ServeMenuFrameRequest(Painter(), WM_NULL, 0, 0));

    EXPECT_TRUE(menupainter::ServeMenuFrameRequest(Painter(), menupainter::kBorderForWindow, 0,
                                                   reinterpret_cast<LPARAM>(popup)));
    const win::Region region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(popup, region.Get()), ERROR);  // cut for the two-pixel shadow
    EXPECT_FALSE(PtInRegion(region.Get(), 119, 0));
    EXPECT_TRUE(PtInRegion(region.Get(), 119, 89));
    const COLORREF frame = WindowPixel(popup, 0, 0);
    EXPECT_EQ(WindowPixel(popup, 117, 40), frame);
    EXPECT_EQ(WindowPixel(popup, 40, 87), frame);

    ShowWindow(popup, SW_HIDE);
    EXPECT_EQ(GetWindowRgn(popup, region.Get()), ERROR);
    DestroyWindow(popup);
}

}  // namespace
