#include "framework/BrowserHost.h"

#include <ole2.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ocidl.h>

#include <utility>

#include "framework/Application.h"

namespace kelo::win {

namespace {

// Move-only owner of one reference to a COM interface.
template <class T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* p) noexcept : p_(p) {}  // takes over a reference the caller owns
    ComRef(ComRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComRef& operator=(ComRef&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.p_, nullptr));
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }

    // A reference of our own to an interface someone hands us for the length of a call.
    static ComRef Share(T* p) noexcept {
        if (p) p->AddRef();
        return ComRef(p);
    }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // The out parameter of a call that hands over a new reference.
    T** Put() noexcept {
        Reset();
        return &p_;
    }
    void Reset(T* p = nullptr) noexcept {
        if (p_) p_->Release();
        p_ = p;
    }
    template <class U>
    ComRef<U> As() const noexcept {
        ComRef<U> other;
        if (p_) p_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(other.Put()));
        return other;
    }

private:
    T* p_ = nullptr;
};

class ContainerSite;
class EventSink;

}  // namespace

// Everything held while the control is open. The site and the sink point back here until
// Teardown, so the control can never reach a host that is gone.
struct BrowserHost::Connection {
    HWND window = nullptr;
    RECT bounds{};
    Events events;
    bool balanceOle = false;  // our OleInitialize succeeded and is owed its OleUninitialize
    ComRef<ContainerSite> site;
    ComRef<EventSink> sink;
    ComRef<IOleObject> object;
    ComRef<IUnknown> identity;  // what DocumentComplete of the top-level frame names
    ComRef<IWebBrowser2> browser;
    ComRef<IOleInPlaceObject> inPlace;
    ComRef<IOleInPlaceActiveObject> active;
    ComRef<IConnectionPoint> eventPoint;  // set once the sink is advised
    DWORD cookie = 0;

    bool Activate() noexcept;
    void Advise() noexcept;
    void Teardown() noexcept;
    HWND ControlWindow() const noexcept;
};

namespace {

// Our side of the conversation with the control: its client site, the in-place site and frame
// it is activated in, and the document host's wishes. One object, one identity.
class ContainerSite final : public IOleClientSite,
                            public IOleInPlaceSite,
                            public IOleInPlaceFrame,
                            public IDocHostUIHandler {
public:
    explicit ContainerSite(BrowserHost::Connection* owner) : owner_(owner) {}
    // The host is closing: from now on the control gets refusals only.
    void Detach() noexcept { owner_ = nullptr; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IOleClientSite)) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == __uuidof(IOleWindow) || iid == __uuidof(IOleInPlaceSite)) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == __uuidof(IOleInPlaceUIWindow) || iid == __uuidof(IOleInPlaceFrame)) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else if (iid == __uuidof(IDocHostUIHandler)) {
            *out = static_cast<IDocHostUIHandler*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return left;
    }

    // IOleWindow, shared by the in-place site and the frame: both are our window.
    STDMETHODIMP GetWindow(HWND* window) noexcept override {
        if (!window) return E_POINTER;
        *window = owner_ ? owner_->window : nullptr;
        return owner_ ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

    // IOleClientSite: the control is never saved, linked or shown elsewhere.
    STDMETHODIMP SaveObject() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) noexcept override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) noexcept override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() noexcept override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() noexcept override { return owner_ ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() noexcept override { return S_OK; }
    STDMETHODIMP OnUIActivate() noexcept override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  RECT* pos, RECT* clip, OLEINPLACEFRAMEINFO* info) noexcept override {
        if (!frame || !document || !pos || !clip || !info) return E_POINTER;
        *frame = nullptr;
        *document = nullptr;
        if (!owner_) return E_FAIL;
        *frame = this;
        AddRef();
        *pos = *clip = owner_->bounds;
        info->fMDIApp = FALSE;  // info->cb is the caller's
        info->hwndFrame = owner_->window;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() noexcept override { return S_OK; }
    STDMETHODIMP DiscardUndoState() noexcept override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() noexcept override { return S_OK; }
    // The control asks for another rectangle. It keeps the one the host gave it: the window
    // shows the top-left part of a control larger than itself.
    STDMETHODIMP OnPosRectChange(LPCRECT) noexcept override {
        if (!owner_ || !owner_->inPlace) return E_UNEXPECTED;
        return owner_->inPlace->SetObjectRects(&owner_->bounds, &owner_->bounds);
    }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: a frame without tool space, menus or
    // accelerators of its own, which remembers the active object for keyboard messages.
    STDMETHODIMP GetBorder(LPRECT) noexcept override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) noexcept override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) noexcept override {
        return widths ? INPLACE_E_NOTOOLSPACE : S_OK;
    }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) noexcept override {
        if (owner_) owner_->active = ComRef<IOleInPlaceActiveObject>::Share(active);
        return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) noexcept override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) noexcept override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) noexcept override { return S_FALSE; }

    // IDocHostUIHandler: a flat control; its menus, keys and drops stay the browser's own.
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) noexcept override { return S_FALSE; }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) noexcept override {
        if (!info) return E_POINTER;
        info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) noexcept override {
        return S_FALSE;
    }
    STDMETHODIMP HideUI() noexcept override { return S_OK; }
    STDMETHODIMP UpdateUI() noexcept override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) noexcept override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) noexcept override {
        if (key) *key = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** out) noexcept override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** out) noexcept override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) noexcept override {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) noexcept override {
        if (out) *out = nullptr;
        return S_FALSE;
    }

private:
    ~ContainerSite() = default;

    LONG refs_ = 1;
    BrowserHost::Connection* owner_;
};

// Receives the browser's DWebBrowserEvents2 and turns the two the program listens to into
// its callbacks.
class EventSink final : public IDispatch {
public:
    explicit EventSink(BrowserHost::Connection* owner) : owner_(owner) {}
    void Detach() noexcept { owner_ = nullptr; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        if (iid != __uuidof(IUnknown) && iid != __uuidof(IDispatch) && iid != DIID_DWebBrowserEvents2) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) noexcept override {
        if (!owner_) return S_OK;
        if (id == DISPID_NAVIGATEERROR) Raise(owner_->events.navigateError);
        else if (id == DISPID_DOCUMENTCOMPLETE && FromTopLevel(params)) Raise(owner_->events.documentComplete);
        return S_OK;
    }

private:
    ~EventSink() = default;

    // Frames complete their documents too; only the browser itself naming itself counts.
    bool FromTopLevel(const DISPPARAMS* params) const noexcept {
        if (!params || params->cArgs == 0 || !params->rgvarg) return false;
        const VARIANT& sender = params->rgvarg[params->cArgs - 1];  // arguments come last to first
        IUnknown* named = nullptr;
        if (sender.vt == VT_DISPATCH) named = sender.pdispVal;
        else if (sender.vt == VT_UNKNOWN) named = sender.punkVal;
        else if (sender.vt == (VT_DISPATCH | VT_BYREF) && sender.ppdispVal) named = *sender.ppdispVal;
        if (!named) return false;
        ComRef<IUnknown> identity;
        named->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(identity.Put()));
        return identity && identity.Get() == owner_->identity.Get();
    }

    // The program may close or destroy the host from its callback: the callback runs as a
    // copy, this sink stays alive through it, and nothing of the host is touched after it.
    void Raise(const std::function<void()>& callback) noexcept {
        if (!callback) return;
        ComRef<EventSink> self = ComRef<EventSink>::Share(this);
        HandleExceptions(owner_->window, [&callback] {
            std::function<void()> call = callback;
            call();
        });
    }

    LONG refs_ = 1;
    BrowserHost::Connection* owner_;
};

}  // namespace

bool BrowserHost::Connection::Activate() noexcept {
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IOleObject),
                                reinterpret_cast<void**>(object.Put())))) {
        return false;
    }
    // Asked for before activation: the control may want another size while it activates.
    identity = object.As<IUnknown>();
    browser = object.As<IWebBrowser2>();
    inPlace = object.As<IOleInPlaceObject>();
    if (!identity || !browser || !inPlace) return false;
    if (FAILED(object->SetClientSite(site.Get()))) return false;
    if (FAILED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, window, &bounds))) return false;
    // A control that did not name itself to the frame while activating is asked directly.
    if (!active) active = object.As<IOleInPlaceActiveObject>();
    return true;
}

// A browser without events still shows pages; the program then just hears nothing from it.
void BrowserHost::Connection::Advise() noexcept {
    ComRef<IConnectionPointContainer> points = object.As<IConnectionPointContainer>();
    ComRef<IConnectionPoint> point;
    if (!points || FAILED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Put())) || !point) return;
    if (SUCCEEDED(point->Advise(static_cast<IDispatch*>(sink.Get()), &cookie))) eventPoint = std::move(point);
}

// Undoes whatever Open got done, in the order the control expects, and leaves OLE as found.
void BrowserHost::Connection::Teardown() noexcept {
    if (inPlace) inPlace->InPlaceDeactivate();
    if (eventPoint) eventPoint->Unadvise(cookie);
    if (object) {
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
    }
    site->Detach();
    sink->Detach();
    eventPoint.Reset();
    active.Reset();
    inPlace.Reset();
    browser.Reset();
    identity.Reset();
    object.Reset();
    site.Reset();
    sink.Reset();
    if (balanceOle) OleUninitialize();
    balanceOle = false;
}

HWND BrowserHost::Connection::ControlWindow() const noexcept {
    HWND control = nullptr;
    if (!inPlace || FAILED(inPlace->GetWindow(&control))) return nullptr;
    return control;
}

BrowserHost::BrowserHost() = default;

BrowserHost::~BrowserHost() { Close(); }

bool BrowserHost::Open(HWND window, const RECT& bounds, Events events) {
    Close();
    auto connection = std::make_unique<Connection>();
    connection->window = window;
    connection->bounds = bounds;
    connection->events = std::move(events);
    connection->site = ComRef<ContainerSite>(new ContainerSite(connection.get()));
    connection->sink = ComRef<EventSink>(new EventSink(connection.get()));
    // A thread already in the multithreaded apartment stays there: only a call that
    // succeeded (S_OK or S_FALSE) is ours to balance.
    const HRESULT ole = OleInitialize(nullptr);
    if (FAILED(ole) && ole != RPC_E_CHANGED_MODE) return false;
    connection->balanceOle = SUCCEEDED(ole);
    if (!connection->Activate()) {
        connection->Teardown();
        return false;
    }
    connection->Advise();
    open_ = std::move(connection);
    return true;
}

bool BrowserHost::IsOpen() const { return open_ != nullptr; }

bool BrowserHost::Navigate(const std::wstring& url) {
    if (!open_) return false;
    std::unique_ptr<OLECHAR, decltype(&SysFreeString)> address(
        SysAllocStringLen(url.data(), static_cast<UINT>(url.size())), &SysFreeString);
    if (!address) return false;
    VARIANT absent;
    VariantInit(&absent);
    return SUCCEEDED(open_->browser->Navigate(address.get(), &absent, &absent, &absent, &absent));
}

void BrowserHost::SetBounds(const RECT& bounds) {
    if (!open_) return;
    open_->bounds = bounds;
    open_->inPlace->SetObjectRects(&bounds, &bounds);
}

void BrowserHost::SetVisible(bool visible) {
    if (!open_) return;
    if (HWND control = open_->ControlWindow()) ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

bool BrowserHost::TranslateAccelerator(MSG& msg) {
    if (!open_ || !open_->active || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    HWND control = open_->ControlWindow();
    HWND focus = GetFocus();
    if (!control || !focus || (focus != control && !IsChild(control, focus))) return false;
    return open_->active->TranslateAccelerator(&msg) == S_OK;
}

// The connection leaves open_ first, so a callback the teardown sets off finds the host closed.
void BrowserHost::Close() {
    if (!open_) return;
    std::unique_ptr<Connection> closing = std::move(open_);
    closing->Teardown();
}

}  // namespace kelo::win
