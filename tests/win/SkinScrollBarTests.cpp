// A skinned list view's scroll bar under Wine: the skin's own thumb drag, driven by the
// messages the mouse capture brings, how it ends, and that a list view or skin going away
// in the middle of one leaves nothing behind.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "SkinTestSupport.h"
#include "TestSupport.h"
#include "framework/Handle.h"
#include "framework/Subclass.h"
#include "skin/data/SkinArchive.h"
#include "skin/controls/SkinScrollBars.h"
#include "skin/controls/SkinScrollPaint.h"
#include "skin/SkinSource.h"

using namespace kelo;
using skin::TSkinControl;
using skin::TSkinListView;

namespace {

// The window a control skin belongs to, as small as it gets: it frees the skin when the
// control's window is gone.
class TestOwner : public skin::TSkinControlOwner {
public:
    void ControlGone(TSkinControl& control) override {
        ++gone;
        if (&control == listSkin.get()) listSkin.reset();
    }
    TSkinControl* HotControl() const override { return hot; }
    void SetHotControl(TSkinControl* control) override { hot = control; }
    bool Destroying() const override { return false; }

    std::unique_ptr<TSkinListView> listSkin;
    TSkinControl* hot = nullptr;
    int gone = 0;
};

// The scroll codes of one bar the list view gets, seen above every other layer.
class ScrollSpy : public win::SubclassHook {
public:
    ScrollSpy(HWND hwnd, UINT message) : hwnd_(hwnd), message_(message) {
        win::AttachSubclass(hwnd, win::SubclassId::TestHook, this);
    }
    ~ScrollSpy() override {
        if (IsWindow(hwnd_)) win::DetachSubclass(hwnd_, win::SubclassId::TestHook);
    }
    bool Handle(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT&) override {
        if (msg == message_ && lParam == 0) codes.push_back(LOWORD(wParam));
        return false;
    }
    std::vector<WORD> codes;

private:
    HWND hwnd_;
    UINT message_;
};

skin::TSkinSource& Source() {
    static const auto source = skin::LoadSkinFromStream(skin::WriteSkinStream(test::EmbeddedSkinFile()));
    return *source;
}

class SkinScrollBar : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr, nullptr, nullptr);
        list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 10, 300,
                                200, parent_, nullptr, nullptr, nullptr);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 200;
        column.pszText = const_cast<wchar_t*>(L"Month");
        SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        for (int i = 0; i < 300; ++i) {
            std::wstring text = L"Row " + std::to_wstring(i);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = text.data();
            SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        gdiBefore_ = win::LiveGdiObjects();
        owner_.listSkin = std::make_unique<TSkinListView>(owner_, Source());
        owner_.listSkin->AttachWindow(list_);
    }
    void TearDown() override {
        owner_.listSkin.reset();
        if (IsWindow(parent_)) DestroyWindow(parent_);
        test::PumpFor(10);
    }

    // The skin's pieces of a bar, found where the system says the bar is.
    skin::BarLayout Bar(bool vertical = true) const {
        SCROLLBARINFO info{};
        info.cbSize = sizeof info;
        GetScrollBarInfo(list_, vertical ? OBJID_VSCROLL : OBJID_HSCROLL, &info);
        RECT window{};
        GetWindowRect(list_, &window);
        RECT bar = info.rcScrollBar;
        OffsetRect(&bar, -window.left, -window.top);
        return skin::LayoutSystemBar(skin::ToBarRect(bar), vertical,
                                     skin::WindowScrollRange(list_, vertical ? SB_VERT : SB_HORZ));
    }
    POINT ToScreen(POINT windowPoint) const {
        RECT window{};
        GetWindowRect(list_, &window);
        return {window.left + windowPoint.x, window.top + windowPoint.y};
    }
    // Presses the left button on the thumb; answers where, in screen coordinates.
    POINT PressThumb(bool vertical = true) {
        const skin::BarLayout bar = Bar(vertical);
        EXPECT_TRUE(bar.thumb.visible);
        const POINT at = ToScreen({bar.thumbRect.left + 3, bar.thumbRect.top + 3});
        SendMessageW(list_, WM_NCLBUTTONDOWN, vertical ? HTVSCROLL : HTHSCROLL, MAKELPARAM(at.x, at.y));
        return at;
    }
    // A mouse message as the capture brings it: in client coordinates.
    void SendMouse(UINT msg, POINT screen) {
        ScreenToClient(list_, &screen);
        SendMessageW(list_, msg, msg == WM_MOUSEMOVE ? MK_LBUTTON : 0, MAKELPARAM(screen.x, screen.y));
    }
    int Position(bool vertical = true) const { return GetScrollPos(list_, vertical ? SB_VERT : SB_HORZ); }

    TestOwner owner_;
    HWND parent_ = nullptr;
    HWND list_ = nullptr;
    long gdiBefore_ = 0;
};

TEST_F(SkinScrollBar, ThumbDragScrollsTheListAndEndsOnRelease) {
    ASSERT_TRUE(owner_.listSkin->Attached());
    ASSERT_NE(owner_.listSkin->Header(), nullptr);
    ASSERT_TRUE(GetWindowLongW(list_, GWL_STYLE) & WS_VSCROLL);
    ShowWindow(parent_, SW_SHOWNA);  // so that what the list draws anew shows as dirty
    test::PumpFor(30);
    ScrollSpy spy(list_, WM_VSCROLL);
    const skin::BarLayout bar = Bar();
    const int free = bar.TrackLength() - bar.thumb.length;
    ASSERT_GT(free, 20);

    POINT at = PressThumb();
    EXPECT_TRUE(owner_.listSkin->Dragging());
    EXPECT_EQ(GetCapture(), list_);

    // Half the free run of the track is half the range, in the list as on the bar.
    RECT dirty{};
    ASSERT_FALSE(GetUpdateRect(list_, &dirty, FALSE));
    at.y += free / 2;
    SendMouse(WM_MOUSEMOVE, at);
    const int half = static_cast<int>(skin::LastPosition(skin::WindowScrollRange(list_, SB_VERT)) / 2);
    EXPECT_NEAR(Position(), half, 2);
    EXPECT_EQ(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0), Position());
    EXPECT_TRUE(GetUpdateRect(list_, &dirty, FALSE));  // the rows are drawn at their new place
    ASSERT_FALSE(spy.codes.empty());
    EXPECT_EQ(spy.codes.back(), SB_THUMBTRACK);

    // Far past the end: the last position, no further.
    at.y += 5000;
    SendMouse(WM_MOUSEMOVE, at);
    const int last = static_cast<int>(skin::LastPosition(skin::WindowScrollRange(list_, SB_VERT)));
    EXPECT_EQ(Position(), last);

    SendMouse(WM_LBUTTONUP, at);
    EXPECT_FALSE(owner_.listSkin->Dragging());
    EXPECT_NE(GetCapture(), list_);
    EXPECT_EQ(spy.codes.back(), SB_THUMBPOSITION);
    test::PumpFor(20);
    EXPECT_EQ(spy.codes.back(), SB_ENDSCROLL);

    // A move after the release is the list's own again.
    at.y -= 5000;
    SendMouse(WM_MOUSEMOVE, at);
    EXPECT_EQ(Position(), last);

    // The bar is the skin's: the thumb's middle shows the thumb image's pill.
    test::DibCanvas canvas(320, 220, RGB(0, 0, 0));
    SendMessageW(list_, WM_PRINT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_NONCLIENT | PRF_CLIENT);
    const skin::BarLayout now = Bar();
    const int x = (now.thumbRect.left + now.thumbRect.right) / 2;
    EXPECT_EQ(canvas.At(x, (now.thumbRect.top + now.thumbRect.bottom) / 2), RGB(188, 194, 202));
}

TEST_F(SkinScrollBar, AHorizontalDragTakesTheHeaderAlongUntilTheCaptureIsLost) {
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0, 900);
    ASSERT_TRUE(GetWindowLongW(list_, GWL_STYLE) & WS_HSCROLL);
    ScrollSpy spy(list_, WM_HSCROLL);
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    auto headerLeft = [&] {
        POINT p{};
        MapWindowPoints(header, list_, &p, 1);
        return static_cast<int>(p.x);
    };
    POINT at = PressThumb(false);
    at.x += 40;
    SendMouse(WM_MOUSEMOVE, at);
    const int moved = Position(false);
    EXPECT_GT(moved, 0);
    EXPECT_EQ(headerLeft(), -moved);

    // Another window takes the mouse: the drag is over, whatever comes later.
    SetCapture(parent_);
    EXPECT_FALSE(owner_.listSkin->Dragging());
    ReleaseCapture();
    at.x += 60;
    SendMouse(WM_MOUSEMOVE, at);
    SendMouse(WM_LBUTTONUP, at);
    EXPECT_EQ(Position(false), moved);
    test::PumpFor(20);
    ASSERT_FALSE(spy.codes.empty());
    EXPECT_EQ(spy.codes.back(), SB_ENDSCROLL);
}

TEST_F(SkinScrollBar, DestroyingTheListInTheMiddleOfADragLeavesNothingBehind) {
    POINT at = PressThumb();
    at.y += 10;
    SendMouse(WM_MOUSEMOVE, at);
    ASSERT_TRUE(owner_.listSkin->Dragging());

    DestroyWindow(list_);
    EXPECT_EQ(owner_.gone, 1);
    EXPECT_EQ(owner_.listSkin, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    test::PumpFor(20);  // the posted end of the scroll finds no window
    EXPECT_EQ(win::LiveGdiObjects(), gdiBefore_);
}

TEST_F(SkinScrollBar, FreeingTheSkinInTheMiddleOfADragGivesEverythingBack) {
    const auto header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(win::HasSubclass(header, win::SubclassId::Skin));
    PressThumb();
    ASSERT_EQ(GetCapture(), list_);

    owner_.listSkin.reset();
    EXPECT_NE(GetCapture(), list_);
    EXPECT_FALSE(win::HasSubclass(list_, win::SubclassId::Skin));
    EXPECT_FALSE(win::HasSubclass(header, win::SubclassId::Skin));
    EXPECT_EQ(owner_.gone, 0);
    EXPECT_EQ(win::LiveGdiObjects(), gdiBefore_);
}

}  // namespace
