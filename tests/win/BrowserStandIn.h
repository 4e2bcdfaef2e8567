#pragma once
// A stand-in for the system's web browser, registered in the test process under the
// browser's class: it records what its host asks of it, counts its live objects and fires
// the browser's events on request.
#include <gtest/gtest.h>

#include <ole2.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kelo::test {

struct ReleaseRef {
    template <class T>
    void operator()(T* p) const { p->Release(); }
};
template <class T>
using Held = std::unique_ptr<T, ReleaseRef>;

inline constexpr RECT kBounds{0, 0, 500, 500};
inline constexpr DWORD kCookie = 42;

inline std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class StandInBrowser;

// How the stand-in for the system's browser behaves, and what it was told.
struct Seen {
    bool refuseCreation = false, refuseActivation = false, withoutEvents = false;
    bool keepSiteAfterClose = false;  // a browser that lets go of its site late
    int liveObjects = 0;
    StandInBrowser* browser = nullptr;  // the one the class factory made last
    std::vector<std::string> calls;
    LONG verb = 0;
    HWND verbParent = nullptr, frameWindow = nullptr;
    RECT verbRect{}, contextPos{}, contextClip{}, objectRects{};
    UINT accelerators = 99;
    int keysTaken = 0;
    std::wstring url;
    std::vector<VARTYPE> navigateArgs;
    Held<IDispatch> sink;
    Held<IOleClientSite> keptSite;
};

#define STUB(name, ...) STDMETHODIMP name(__VA_ARGS__) override { return E_NOTIMPL; }
#define STUB_FLAG(name) STUB(get_##name, VARIANT_BOOL*) STUB(put_##name, VARIANT_BOOL)

// The browser's methods the host has no business calling.
class BrowserStubs : public IWebBrowser2, public IOleObject, public IOleInPlaceObject, public IOleInPlaceActiveObject {
public:
    STUB(GetTypeInfoCount, UINT*) STUB(GetTypeInfo, UINT, LCID, ITypeInfo**)
    STUB(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    STUB(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
    STUB(GoBack) STUB(GoForward) STUB(GoHome) STUB(GoSearch) STUB(Refresh) STUB(Refresh2, VARIANT*) STUB(Stop)
    STUB(get_Application, IDispatch**) STUB(get_Parent, IDispatch**) STUB(get_Container, IDispatch**)
    STUB(get_Document, IDispatch**) STUB(get_TopLevelContainer, VARIANT_BOOL*) STUB(get_Type, BSTR*)
    STUB(get_Left, LONG*) STUB(put_Left, LONG) STUB(get_Top, LONG*) STUB(put_Top, LONG)
    STUB(get_Width, LONG*) STUB(put_Width, LONG) STUB(get_Height, LONG*) STUB(put_Height, LONG)
    STUB(get_LocationName, BSTR*) STUB(get_LocationURL, BSTR*) STUB(get_Busy, VARIANT_BOOL*)
    STUB(Quit) STUB(ClientToWindow, int*, int*) STUB(PutProperty, BSTR, VARIANT) STUB(GetProperty, BSTR, VARIANT*)
    STUB(get_Name, BSTR*) STUB(get_HWND, SHANDLE_PTR*) STUB(get_FullName, BSTR*) STUB(get_Path, BSTR*)
    STUB(get_StatusText, BSTR*) STUB(put_StatusText, BSTR) STUB(get_ToolBar, int*) STUB(put_ToolBar, int)
    STUB_FLAG(Visible) STUB_FLAG(StatusBar) STUB_FLAG(MenuBar) STUB_FLAG(FullScreen) STUB_FLAG(Offline)
    STUB_FLAG(Silent) STUB_FLAG(RegisterAsBrowser) STUB_FLAG(RegisterAsDropTarget) STUB_FLAG(TheaterMode)
    STUB_FLAG(AddressBar) STUB_FLAG(Resizable)
    STUB(Navigate2, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) STUB(QueryStatusWB, OLECMDID, OLECMDF*)
    STUB(ExecWB, OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) STUB(ShowBrowserBar, VARIANT*, VARIANT*, VARIANT*)
    STUB(get_ReadyState, READYSTATE*)
    STUB(GetClientSite, IOleClientSite**) STUB(SetHostNames, LPCOLESTR, LPCOLESTR)
    STUB(SetMoniker, DWORD, IMoniker*) STUB(GetMoniker, DWORD, DWORD, IMoniker**)
    STUB(InitFromData, IDataObject*, BOOL, DWORD) STUB(GetClipboardData, DWORD, IDataObject**)
    STUB(EnumVerbs, IEnumOLEVERB**) STUB(Update) STUB(IsUpToDate) STUB(GetUserClassID, CLSID*)
    STUB(GetUserType, DWORD, LPOLESTR*) STUB(SetExtent, DWORD, SIZEL*) STUB(GetExtent, DWORD, SIZEL*)
    STUB(Advise, IAdviseSink*, DWORD*) STUB(Unadvise, DWORD) STUB(EnumAdvise, IEnumSTATDATA**)
    STUB(GetMiscStatus, DWORD, DWORD*) STUB(SetColorScheme, LOGPALETTE*)
    STUB(ContextSensitiveHelp, BOOL) STUB(UIDeactivate) STUB(ReactivateAndUndo)
    STUB(OnFrameWindowActivate, BOOL) STUB(OnDocWindowActivate, BOOL)
    STUB(ResizeBorder, LPCRECT, IOleInPlaceUIWindow*, BOOL) STUB(EnableModeless, BOOL)
};

#define COUNTED_REFERENCES                                     \
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; } \
    STDMETHODIMP_(ULONG) Release() override {                  \
        if (--refs_ > 0) return refs_;                         \
        delete this;                                           \
        return 0;                                              \
    }

// Stands in for the system's browser: activates in place with a child window of its own
// and hands out one connection point for its events.
class StandInBrowser final : public BrowserStubs, public IConnectionPointContainer {
public:
    explicit StandInBrowser(Seen& seen) : seen_(seen) { ++seen_.liveObjects; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        IUnknown* found = nullptr;
        if (iid == IID_IUnknown || iid == IID_IWebBrowser2) found = static_cast<IWebBrowser2*>(this);
        else if (iid == IID_IOleObject) found = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleInPlaceObject) found = static_cast<IOleInPlaceObject*>(this);
        else if (iid == IID_IOleInPlaceActiveObject) found = static_cast<IOleInPlaceActiveObject*>(this);
        else if (iid == IID_IConnectionPointContainer && !seen_.withoutEvents)
            found = static_cast<IConnectionPointContainer*>(this);
        if (found) found->AddRef();
        *out = found;
        return found ? S_OK : E_NOINTERFACE;
    }
    COUNTED_REFERENCES

    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        seen_.calls.push_back(site ? "SetClientSite" : "SetClientSite null");
        if (!site && seen_.keepSiteAfterClose) seen_.keptSite = std::move(site_);
        if (site) site->AddRef();
        site_.reset(site);
        return S_OK;
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* active, LONG, HWND parent, LPCRECT rect) override {
        seen_.calls.push_back("DoVerb");
        seen_.verb = verb;
        seen_.verbParent = parent;
        seen_.verbRect = *rect;
        IOleInPlaceSite* site = nullptr;
        if (seen_.refuseActivation || verb != OLEIVERB_INPLACEACTIVATE ||
            FAILED(active->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site)))) {
            return E_FAIL;
        }
        inPlaceSite_.reset(site);
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        OLEINPLACEFRAMEINFO info{sizeof info, TRUE, nullptr, nullptr, 99};
        RECT* pos = &seen_.contextPos;
        if (FAILED(site->GetWindowContext(&frame, &document, pos, &seen_.contextClip, &info))) return E_FAIL;
        frame_.reset(frame);
        if (document) document->Release();
        seen_.frameWindow = info.hwndFrame;
        seen_.accelerators = info.cAccelEntries;
        control_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, pos->left, pos->top,
                                   pos->right - pos->left, pos->bottom - pos->top, parent, nullptr, nullptr, nullptr);
        frame->SetActiveObject(this, L"Browser");
        return S_OK;
    }
    STDMETHODIMP Close(DWORD option) override {
        seen_.calls.push_back(option == OLECLOSE_NOSAVE ? "Close NOSAVE" : "Close");
        Deactivate();
        return S_OK;
    }
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = control_;
        return control_ ? S_OK : E_FAIL;
    }
    STDMETHODIMP InPlaceDeactivate() override {
        seen_.calls.push_back("InPlaceDeactivate");
        Deactivate();
        return S_OK;
    }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override {
        seen_.objectRects = *pos;
        return S_OK;
    }
    STDMETHODIMP TranslateAccelerator(LPMSG) override {
        ++seen_.keysTaken;
        return S_OK;
    }
    STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData, VARIANT* headers) override {
        seen_.url.assign(url, SysStringLen(url));
        seen_.navigateArgs.clear();
        for (VARIANT* arg : {flags, target, postData, headers}) {
            seen_.navigateArgs.push_back(arg ? arg->vt : VARTYPE{VT_ILLEGAL});
        }
        return S_OK;
    }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

    // The browser's document wants to be another size.
    void AskForRect(RECT rect) { inPlaceSite_->OnPosRectChange(&rect); }

private:
    ~StandInBrowser() {
        Deactivate();
        --seen_.liveObjects;
    }
    void Deactivate() {
        if (frame_) frame_->SetActiveObject(nullptr, nullptr);
        if (inPlaceSite_) inPlaceSite_->OnInPlaceDeactivate();
        frame_.reset();
        inPlaceSite_.reset();
        if (control_) DestroyWindow(control_);
        control_ = nullptr;
    }

    Seen& seen_;
    ULONG refs_ = 1;
    Held<IOleClientSite> site_;
    Held<IOleInPlaceSite> inPlaceSite_;
    Held<IOleInPlaceFrame> frame_;
    HWND control_ = nullptr;
};

// The stand-in's connection point for DWebBrowserEvents2; the advised sink goes to Seen.
class EventPoint final : public IConnectionPoint {
public:
    explicit EventPoint(Seen& seen) : seen_(seen) { ++seen_.liveObjects; }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IConnectionPoint ? this : nullptr;
        if (*out) AddRef();
        return *out ? S_OK : E_NOINTERFACE;
    }
    COUNTED_REFERENCES
    STUB(GetConnectionInterface, IID*) STUB(GetConnectionPointContainer, IConnectionPointContainer**)
    STUB(EnumConnections, IEnumConnections**)
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
        IDispatch* events = nullptr;
        sink->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&events));
        seen_.sink.reset(events);
        seen_.calls.push_back(events ? "Advise" : "Advise without events");
        *cookie = kCookie;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        seen_.calls.push_back(cookie == kCookie ? "Unadvise" : "Unadvise wrong cookie");
        seen_.sink.reset();
        return S_OK;
    }

private:
    ~EventPoint() { --seen_.liveObjects; }
    Seen& seen_;
    ULONG refs_ = 1;
};

inline STDMETHODIMP StandInBrowser::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    *out = iid == DIID_DWebBrowserEvents2 ? new EventPoint(seen_) : nullptr;
    return *out ? S_OK : CONNECT_E_NOCONNECTION;
}

// Fires an event through the advised sink as the browser lays it out: arguments last to first,
// the first one naming `sender`, the others left empty.
inline void Fire(Seen& seen, DISPID id, IDispatch* sender, UINT argCount) {
    if (!seen.sink) return;
    std::vector<VARIANT> args(argCount);  // all VT_EMPTY
    args.back().vt = VT_DISPATCH;
    args.back().pdispVal = sender;
    DISPPARAMS params{args.data(), nullptr, argCount, 0};
    Held<IDispatch> sink(seen.sink.get());  // the callback may unadvise it
    sink->AddRef();
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

// The stand-in registered as the system's browser (this is its class factory), and a window
// to host it in, on a thread in the given apartment.
class Harness final : public IClassFactory {
public:
    explicit Harness(DWORD apartment = COINIT_APARTMENTTHREADED) : apartment_(apartment) {
        if (apartment == COINIT_APARTMENTTHREADED) OleInitialize(nullptr);
        else CoInitializeEx(nullptr, apartment);
        CoRegisterClassObject(CLSID_WebBrowser, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
        window = CreateWindowExW(0, L"STATIC", L"Browser host", WS_POPUP, 40, 40, 320, 240, nullptr, nullptr,
                                 nullptr, nullptr);
    }
    ~Harness() {
        DestroyWindow(window);
        CoRevokeClassObject(cookie_);
        if (apartment_ == COINIT_APARTMENTTHREADED) OleUninitialize();
        else CoUninitialize();
    }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives as long as the test
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (seen.refuseCreation) return E_FAIL;
        seen.browser = new StandInBrowser(seen);
        const HRESULT hr = seen.browser->QueryInterface(iid, out);
        seen.browser->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

    Seen seen;
    HWND window = nullptr;

private:
    DWORD apartment_;
    DWORD cookie_ = 0;
};

// Runs a check on a fresh thread, which must end it with COM no longer initialised.
template <class F>
void OnFreshThread(F check) {
    std::thread([&check] {
        check();
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK) << "OLE left initialised";
        CoUninitialize();
    }).join();
}

}  // namespace kelo::test
