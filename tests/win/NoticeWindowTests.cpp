// The notice window with a stand-in for the system's browser: the news page is asked for
// while the window is hidden, a loaded page takes the place of the program's own notice, a
// failed navigation gives it back, and the browser is let go of either way.
#include <gtest/gtest.h>

#include "BrowserStandIn.h"
#include "TestSupport.h"
#include "windows/KeloStringRes.h"
#include "framework/Application.h"
#include "framework/WebBrowser.h"
#include "windows/NoticeFrm.h"

using namespace kelo;

namespace {

bool HasVisibleStyle(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

TEST(NoticeWindow, ShowsTheLoadedPageOrItsOwnNoticeAndLetsTheBrowserGo) {
    win::Application().Initialize(GetModuleHandleW(nullptr));
    test::Harness harness;
    test::Seen& seen = harness.seen;
    {
        app::TForm1 notice(nullptr);
        EXPECT_EQ(seen.url, res::kNewsPage);
        EXPECT_FALSE(HasVisibleStyle(notice.Handle()));
        EXPECT_EQ(test::Text(seen.verbRect), "0,0,500,500");
        const HWND browser = notice.Find<win::TWebBrowser>("WebBrowser1")->Handle();
        EXPECT_TRUE(notice.ShowsOwnNotice());
        EXPECT_FALSE(HasVisibleStyle(browser));

        test::Fire(seen, DISPID_DOCUMENTCOMPLETE, seen.browser, 2);
        test::PumpFor(50);
        EXPECT_FALSE(notice.ShowsOwnNotice());
        EXPECT_TRUE(HasVisibleStyle(browser));
        EXPECT_EQ(seen.liveObjects, 2);
    }
    EXPECT_EQ(seen.liveObjects, 0) << "the window's end lets go of the browser";

    app::TForm1 notice(nullptr);
    const HWND browser = notice.Find<win::TWebBrowser>("WebBrowser1")->Handle();
    test::Fire(seen, DISPID_DOCUMENTCOMPLETE, seen.browser, 2);
    test::PumpFor(50);
    // A later page that fails (and the error page the browser would load next) brings the
    // program's own notice back for good.
    test::Fire(seen, DISPID_NAVIGATEERROR, seen.browser, 5);
    test::Fire(seen, DISPID_NAVIGATEERROR, seen.browser, 5);
    test::PumpFor(50);
    EXPECT_TRUE(notice.ShowsOwnNotice());
    EXPECT_FALSE(HasVisibleStyle(browser));
    EXPECT_EQ(seen.liveObjects, 0);

    // Esc closes it, as the program's message loop hands it to the window.
    notice.Show();
    EXPECT_TRUE(notice.DialogKeys());
    MSG escape{notice.Handle(), WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
    IsDialogMessageW(notice.Handle(), &escape);
    EXPECT_FALSE(IsWindowVisible(notice.Handle()));
}

}  // namespace
