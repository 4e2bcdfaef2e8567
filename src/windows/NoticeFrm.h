#pragma once
#include "core/NoticeText.h"
#include "framework/Form.h"

namespace kelo::win {
class TWebBrowser;
}

namespace kelo::app {

// The notice window: the news page, shown once, about five seconds after start, near the
// bottom right corner of the screen. When there is no page to show it tells the user
// where they stand against their limits instead.
class TForm1 : public win::TForm {
    KELO_CLASS(TForm1, win::TForm)
public:
    explicit TForm1(win::TComponent* owner);
    // Places the window 15 px from the screen's right edge and 35 px above its bottom.
    void PlaceNearCorner();
    // The figures of the program's own notice; it shows them at once when it is on screen.
    void SetFigures(const NoticeFigures& figures);
    // Whether the program's own notice is what the window shows.
    bool ShowsOwnNotice() const;
    // The own notice's lines while it shows.
    std::wstring DrawnText() const override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PaintWindow(HDC dc) override;

private:
    win::TWebBrowser* browser_ = nullptr;
    NoticeFigures figures_;
    // The size it was placed with: when its frame changes that size (the skin's frame
    // is wider than the system's), it goes back to the same distance from the corner.
    SIZE placedSize_{-1, -1};
};

}  // namespace kelo::app
