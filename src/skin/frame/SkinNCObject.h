#pragma once
// Things drawn in a skinned window's non-client area that react to the mouse: caption
// buttons and menu-bar items. One of them at a time is hot (under the mouse or pressed).
#include <windows.h>

namespace kelo::skin {

class TNCObject;

// The skinned window as its non-client objects see it.
class NCHost {
public:
    virtual ~NCHost() = default;
    virtual HWND Window() const = 0;
    virtual TNCObject* HotObject() const = 0;
    virtual void SetHotObject(TNCObject* object) = 0;
    virtual bool Active() const = 0;
};

class TNCObject {
public:
    explicit TNCObject(NCHost& host) : host_(host) {}
    virtual ~TNCObject();
    TNCObject(const TNCObject&) = delete;
    TNCObject& operator=(const TNCObject&) = delete;

    enum State { kNormal = 1, kPressed = 2, kHot = 3 };

    RECT rect{};  // in window coordinates
    bool visible = true;
    int state = kNormal;

    bool Contains(POINT windowPoint) const { return visible && PtInRect(&rect, windowPoint); }

    // The other hot object leaves; this one becomes hot, pressed, and is drawn.
    virtual void Press();
    // Back to hot after a press.
    virtual void Release();
    // The mouse is over it: it becomes the hot object.
    virtual void Hover();
    // The mouse left it.
    virtual void Leave();
    // Draws itself on the window's device context.
    virtual void Draw() = 0;

protected:
    NCHost& host_;
};

}  // namespace kelo::skin
