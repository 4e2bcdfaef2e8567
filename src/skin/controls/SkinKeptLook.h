#pragma once
// A control skin's picture of its control, composed off screen and kept between paints:
// a repaint that shows the same thing (the same state, size and text: the key) is one
// copy to the screen. A whole dialog uncovered repaints every control in the state it
// already had.
#include <windows.h>

#include <memory>
#include <optional>

#include "skin/menu/SkinMenuItemPainter.h"

namespace kelo::skin {

template <class Key>
class KeptLook {
public:
    // Copies the picture for `key` to `place` on `dc`, composing it first with
    // compose(surface DC, surface rectangle) when the kept one shows something else.
    template <class Compose>
    void Show(HDC dc, const RECT& place, const Key& key, Compose compose) {
        const int width = place.right - place.left, height = place.bottom - place.top;
        if (width <= 0 || height <= 0) return;
        if (!shown_ || !(*shown_ == key) || surface_->Width() != width || surface_->Height() != height) {
            shown_.reset();
            const Offscreen& surface = KeptSurface(surface_, width, height);
            if (!surface) return;
            compose(surface.Get(), RECT{0, 0, width, height});
            shown_ = key;
        }
        BitBlt(dc, place.left, place.top, width, height, surface_->Get(), 0, 0, SRCCOPY);
    }
    // The skin or something outside the key changed: the next Show composes again.
    void Forget() { shown_.reset(); }

private:
    std::unique_ptr<Offscreen> surface_;
    std::optional<Key> shown_;
};

}  // namespace kelo::skin
