#pragma once
#include "framework/Form.h"

namespace kelo::app {

// The notice window: shown once, about five seconds after start, near the bottom
// right corner of the screen.
class TForm1 : public win::TForm {
    KELO_CLASS(TForm1, win::TForm)
public:
    explicit TForm1(win::TComponent* owner);
    // Places the window 15 px from the screen's right edge and 35 px above its bottom.
    void PlaceNearCorner();

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // The size it was placed with: when its frame changes that size (the skin's frame
    // is wider than the system's), it goes back to the same distance from the corner.
    SIZE placedSize_{-1, -1};
};

}  // namespace kelo::app
