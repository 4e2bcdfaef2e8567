#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace kelo::win {

// The system's web-browser control hosted in a window's client area by a small OLE
// container of our own.
class BrowserHost {
public:
    struct Events {
        std::function<void()> navigateError;     // the browser reports NavigateError (any frame)
        std::function<void()> documentComplete;  // DocumentComplete of the top-level frame
    };
    BrowserHost();
    ~BrowserHost();  // Close()
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // Creates the WebBrowser object and activates it in place in `window`'s client area at
    // `bounds` (client coordinates). False, with nothing held and OLE left as it was, when the
    // object cannot be created or activated.
    bool Open(HWND window, const RECT& bounds, Events events);
    bool IsOpen() const;
    // IWebBrowser2::Navigate with the address and no flags, target frame, post data or headers
    // (all VT_EMPTY / null). False when not open or the browser refuses.
    bool Navigate(const std::wstring& url);
    // Moves the control (IOleInPlaceObject::SetObjectRects); its size stays what it is given.
    void SetBounds(const RECT& bounds);
    // Shows or hides the control's window(s) without closing it.
    void SetVisible(bool visible);
    // Offers a keyboard message to the control while the focus is inside it
    // (IOleInPlaceActiveObject::TranslateAccelerator); true when the control took it.
    bool TranslateAccelerator(MSG& msg);
    // Deactivates in place, unadvises the event sink, closes the object (OLECLOSE_NOSAVE),
    // calls SetClientSite(nullptr), releases every interface, and balances OleInitialize.
    // Safe to call twice and from the window's WM_DESTROY.
    void Close();

    // The control, our site and event sink while open (defined with the OLE headers).
    struct Connection;

private:
    std::unique_ptr<Connection> open_;
};

}  // namespace kelo::win
