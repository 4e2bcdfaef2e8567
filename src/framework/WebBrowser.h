#pragma once
#include <memory>
#include <string>

#include "framework/Control.h"

namespace kelo::win {

class BrowserHost;

// The system's web-browser control in a window of its own. The window stays hidden until
// a page has loaded, so that what lies beneath it shows while there is nothing to see:
// no browser on the system, a page still loading, or one that could not be loaded.
class TWebBrowser : public TWinControl {
    KELO_CLASS(TWebBrowser, TWinControl)
public:
    explicit TWebBrowser(TComponent* owner);
    ~TWebBrowser() override;

    // Navigates to the address with no further options. False when there is no browser
    // or it refuses the address; OnNoPage has been raised then.
    bool Navigate(const std::wstring& url);
    // Whether a loaded page is on show.
    bool PageShown() const { return pageShown_; }
    // Whether the browser could not show a page: none on the system, or a failed navigation.
    bool NoPage() const { return noPage_; }

    // Offers a keyboard message to the browser when it is meant for a window inside it.
    static bool PreTranslateMessage(MSG& msg);

    TNotifyEvent OnNoPage;
    TNotifyEvent OnPageShown;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Fail();
    void DocumentComplete();
    void CloseBrowser();

    std::unique_ptr<BrowserHost> host_;
    bool noPage_ = false;
    bool pageShown_ = false;
};

}  // namespace kelo::win
