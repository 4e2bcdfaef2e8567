#include "framework/WebBrowser.h"

#include "framework/BrowserHost.h"

namespace kelo::win {

namespace {

// The one check a navigation's end gets: posted, so that the browser's event has
// returned before its window is shown or the browser is closed.
constexpr UINT kNavigationEnded = WM_APP + 0x61;
constexpr WPARAM kEndedWithPage = 1, kEndedWithoutPage = 0;

}  // namespace

TWebBrowser::TWebBrowser(TComponent* owner) : TWinControl(owner) { tabStop_ = true; }

TWebBrowser::~TWebBrowser() { CloseBrowser(); }

void TWebBrowser::CreateParamsFor(CreateParams& p) {
    TWinControl::CreateParamsFor(p);
    // Hidden until there is a page to show.
    p.style &= ~WS_VISIBLE;
}

void TWebBrowser::WindowCreated() {
    TWinControl::WindowCreated();
    auto host = std::make_unique<BrowserHost>();
    const HWND hwnd = Handle();
    BrowserHost::Events events;
    events.navigateError = [hwnd] { PostMessageW(hwnd, kNavigationEnded, kEndedWithoutPage, 0); };
    events.documentComplete = [hwnd] { PostMessageW(hwnd, kNavigationEnded, kEndedWithPage, 0); };
    const RECT bounds{0, 0, Width(), Height()};
    if (host->Open(hwnd, bounds, std::move(events))) host_ = std::move(host);
    else Fail();
}

bool TWebBrowser::Navigate(const std::wstring& url) {
    HandleNeeded();
    if (!host_ || noPage_) return false;
    if (host_->Navigate(url)) return true;
    Fail();
    return false;
}

void TWebBrowser::Fail() {
    if (noPage_) return;
    noPage_ = true;
    pageShown_ = false;
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    // A browser that could not show the page stays out of the way, and its error page
    // never comes to the screen.
    CloseBrowser();
    if (OnNoPage) OnNoPage(this);
}

void TWebBrowser::DocumentComplete() {
    if (noPage_ || pageShown_ || !host_) return;
    pageShown_ = true;
    ShowWindow(Handle(), SW_SHOWNA);
    if (OnPageShown) OnPageShown(this);
}

void TWebBrowser::CloseBrowser() {
    if (host_) host_->Close();
    host_.reset();
}

bool TWebBrowser::PreTranslateMessage(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    for (HWND hwnd = msg.hwnd; hwnd; hwnd = GetParent(hwnd)) {
        if (auto* browser = dynamic_cast<TWebBrowser*>(FromHandle(hwnd)))
            return browser->host_ && browser->pageShown_ && browser->host_->TranslateAccelerator(msg);
        if (!(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) break;
    }
    return false;
}

LRESULT TWebBrowser::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kNavigationEnded:
        if (wParam == kEndedWithPage) DocumentComplete();
        else Fail();
        return 0;
    case WM_SIZE: {
        const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
        if (host_) host_->SetBounds(RECT{0, 0, LOWORD(lParam), HIWORD(lParam)});
        return result;
    }
    case WM_DESTROY:
        // The browser's windows go with ours: close it while they still exist.
        CloseBrowser();
        return TWinControl::WndProc(msg, wParam, lParam);
    default:
        return TWinControl::WndProc(msg, wParam, lParam);
    }
}

}  // namespace kelo::win
