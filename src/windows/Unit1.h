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
};

}  // namespace kelo::app
