#pragma once
// Control skins for controls that no window of the program has but dialogs of the system
// or of later versions may: tab controls, track bars and progress bars. Each draws with
// the element painter from Kelo's skin and leaves the control's own look where the skin
// has no image for it.
#include "skin/controls/SkinControl.h"

namespace kelo::skin {

// Tab controls: each tab from the Tabs element (1 normal, 2 selected, 3 hot, 4 disabled,
// 5 selected and hot) and the page from its Border image.
class TSkinTab final : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Draw(HDC dc, const RECT& rect) override;

private:
    int hotTab_ = -1;
};

// Track bars: the thumb from the element of the bar's orientation over the system's channel.
class TSkinTrackBar final : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Draw(HDC dc, const RECT& rect) override;
};

// Progress bars: the track, the filled part (or, with Style 1, blocks of the chunk image).
class TSkinProgress final : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    bool BeforeMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void AfterMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Draw(HDC dc, const RECT& rect) override;
};

}  // namespace kelo::skin
