#include <gtest/gtest.h>

#include "BrowserStandIn.h"
#include "framework/BrowserHost.h"

using kelo::win::BrowserHost;
using namespace kelo::test;

namespace {

class BrowserHostTest : public ::testing::Test {
protected:
    Harness harness;
    Seen& seen = harness.seen;
    BrowserHost host;
};

TEST_F(BrowserHostTest, ActivatesInPlaceAndKeepsItsSizeVisibilityAndKeys) {
    ASSERT_TRUE(host.Open(harness.window, kBounds, {}));
    EXPECT_EQ(seen.verb, OLEIVERB_INPLACEACTIVATE);
    EXPECT_EQ(seen.verbParent, harness.window);
    EXPECT_EQ(Text(seen.verbRect), "0,0,500,500");
    EXPECT_EQ(Text(seen.contextPos), "0,0,500,500");
    EXPECT_EQ(Text(seen.contextClip), "0,0,500,500");
    EXPECT_EQ(seen.frameWindow, harness.window);
    EXPECT_EQ(seen.accelerators, 0u);

    // The page asks for less room: the control stays as large as the program made it.
    seen.browser->AskForRect({0, 0, 200, 100});
    EXPECT_EQ(Text(seen.objectRects), "0,0,500,500");
    host.SetBounds({10, 20, 510, 520});
    EXPECT_EQ(Text(seen.objectRects), "10,20,510,520");
    seen.browser->AskForRect({0, 0, 200, 100});
    EXPECT_EQ(Text(seen.objectRects), "10,20,510,520");

    HWND control = ::GetWindow(harness.window, GW_CHILD);
    host.SetVisible(false);
    EXPECT_FALSE(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE);
    host.SetVisible(true);
    EXPECT_TRUE(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE);

    SetFocus(harness.window);
    MSG tab{control, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_FALSE(host.TranslateAccelerator(tab));
    SetFocus(control);
    ASSERT_EQ(GetFocus(), control);
    EXPECT_TRUE(host.TranslateAccelerator(tab));
    EXPECT_EQ(seen.keysTaken, 1);
}

TEST_F(BrowserHostTest, NavigatesToExactlyTheAddressGiven) {
    EXPECT_FALSE(host.Navigate(L"http://198.51.100.7/"));
    ASSERT_TRUE(host.Open(harness.window, kBounds, {}));
    const std::wstring url = L"http://198.51.100.7/kelo/notice.htm?v=2&name=\u6d41\u91cf";
    EXPECT_TRUE(host.Navigate(url));
    EXPECT_EQ(seen.url, url);
    EXPECT_EQ(seen.navigateArgs, (std::vector<VARTYPE>{VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_EMPTY}));

    // A browser that offers no events still opens and navigates.
    host.Close();
    seen.withoutEvents = true;
    ASSERT_TRUE(host.Open(harness.window, kBounds, {}));
    EXPECT_TRUE(host.Navigate(L"about:blank"));
    EXPECT_EQ(seen.url, L"about:blank");
}

TEST_F(BrowserHostTest, ReportsNavigateErrorsAndTheTopLevelDocumentComplete) {
    int errors = 0, completes = 0;
    ASSERT_TRUE(host.Open(harness.window, kBounds, {[&] { ++errors; }, [&] { ++completes; }}));
    Held<StandInBrowser> frame(new StandInBrowser(seen));
    Fire(seen, DISPID_NAVIGATEERROR, frame.get(), 5);
    EXPECT_EQ(errors, 1);
    Fire(seen, DISPID_DOCUMENTCOMPLETE, frame.get(), 2);
    EXPECT_EQ(completes, 0);
    Fire(seen, DISPID_DOCUMENTCOMPLETE, seen.browser, 2);
    EXPECT_EQ(completes, 1);
    Fire(seen, DISPID_BEFORENAVIGATE2, seen.browser, 7);
    EXPECT_EQ(errors + completes, 2);

    // The program may close the browser from its own callback.
    ASSERT_TRUE(host.Open(harness.window, kBounds, {nullptr, [&] { host.Close(); }}));
    Fire(seen, DISPID_DOCUMENTCOMPLETE, seen.browser, 2);
    EXPECT_FALSE(host.IsOpen());
    frame.reset();
    EXPECT_EQ(seen.liveObjects, 0);
}

TEST_F(BrowserHostTest, CloseLetsGoOfTheBrowserInOrder) {
    ASSERT_TRUE(host.Open(harness.window, kBounds, {[] {}, [] {}}));
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"SetClientSite", "DoVerb", "Advise"}));
    EXPECT_EQ(seen.liveObjects, 2);  // the browser and its connection point
    seen.calls.clear();
    host.Close();
    EXPECT_FALSE(host.IsOpen());
    EXPECT_EQ(seen.calls,
              (std::vector<std::string>{"InPlaceDeactivate", "Unadvise", "Close NOSAVE", "SetClientSite null"}));
    EXPECT_EQ(seen.liveObjects, 0);
    host.Close();

    // A browser that holds on to the site past the host's end reaches no host through it,
    // and the site goes with the browser's last reference.
    seen.keepSiteAfterClose = true;
    {
        BrowserHost second;
        ASSERT_TRUE(second.Open(harness.window, kBounds, {}));
    }
    ASSERT_TRUE(seen.keptSite);
    IOleInPlaceSite* inPlace = nullptr;
    ASSERT_EQ(seen.keptSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)), S_OK);
    HWND window = harness.window;
    EXPECT_TRUE(FAILED(inPlace->GetWindow(&window)));
    RECT smaller{0, 0, 10, 10};
    inPlace->OnPosRectChange(&smaller);
    inPlace->Release();
    EXPECT_EQ(seen.keptSite.release()->Release(), 0u);
}

TEST(BrowserHostOle, FailsOrClosesWithNothingHeldAndOleAsFound) {
    OnFreshThread([] {
        Harness harness;
        BrowserHost host;
        harness.seen.refuseCreation = true;
        EXPECT_FALSE(host.Open(harness.window, kBounds, {}));
        EXPECT_FALSE(host.IsOpen());

        harness.seen.refuseCreation = false;
        harness.seen.refuseActivation = true;
        EXPECT_FALSE(host.Open(harness.window, kBounds, {}));
        EXPECT_FALSE(host.IsOpen());
        EXPECT_EQ(harness.seen.liveObjects, 0);
        EXPECT_EQ(harness.seen.calls.back(), "SetClientSite null");

        harness.seen.refuseActivation = false;
        ASSERT_TRUE(host.Open(harness.window, kBounds, {}));
        host.Close();
    });
    // A thread of the multithreaded apartment hosts the browser too and stays in it (Wine
    // shrugs off an OleUninitialize without its OleInitialize: there only opening is telling).
    OnFreshThread([] {
        Harness harness(COINIT_MULTITHREADED);
        BrowserHost host;
        ASSERT_TRUE(host.Open(harness.window, kBounds, {}));
        host.Close();
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
    });
}

}  // namespace
