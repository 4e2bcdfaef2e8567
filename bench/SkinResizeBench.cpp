// kelo_bench resize: how long one step of dragging the main window's edge takes, from the
// new size to the window and its children painted at it, with the skin's frame and region
// and then with the system's own frame, in one run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchMainWindow.h"
#include "skin/SkinManager.h"
#include "skin/SkinSource.h"

namespace kelo::bench {

namespace {

// The window's edge goes out and back in `steps` sizes, both ways at once, as a drag of
// its bottom-right corner does. Between two steps the messages are handled and the display
// catches up, as between two moves of the mouse.
std::vector<double> TimeDrag(HWND hwnd, int steps) {
    RECT start;
    GetWindowRect(hwnd, &start);
    const int width = start.right - start.left, height = start.bottom - start.top;
    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(steps));
    for (int i = 1; i <= steps; ++i) {
        const int out = i <= steps / 2 ? i : steps - i;
        Pump(0.02);
        const double begin = Seconds();
        SetWindowPos(hwnd, nullptr, 0, 0, width + 3 * out, height + 2 * out,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
        ms.push_back((Seconds() - begin) * 1000.0);
    }
    return ms;
}

void Report(const char* what, const std::vector<double>& ms) {
    std::printf("  %-40s %10.3f %10.3f\n", what, Median(ms), *std::max_element(ms.begin(), ms.end()));
}

}  // namespace

int SkinResize(int steps) {
    steps = std::max(steps, 2);
    ShownMainWindow shown;
    app::TFrmKeloMain& main = shown.main;
    const HWND hwnd = main.Handle();
    skin::TSkinManager* manager = skin::TSkinManager::Instance();
    auto* source = main.Find<skin::TSkinSource>("SkinSource1");
    if (!manager || !source || !manager->FindSkinnedWindow(hwnd)) {
        std::fprintf(stderr, "resize: the main window is not skinned\n");
        return 1;
    }
    RECT window;
    GetWindowRect(hwnd, &window);
    std::printf("resize: main window %ld x %ld dragged through %d sizes, out and back\n", window.right - window.left,
                window.bottom - window.top, steps);
    std::printf("  %-40s %10s %10s\n", "one size step, painted", "median ms", "worst ms");
    const std::vector<double> skinned = TimeDrag(hwnd, steps);
    Report("skinned", skinned);

    source->SetActive(false);
    manager->RunPendingAction();
    Pump(0.2);
    const std::vector<double> plain = TimeDrag(hwnd, steps);
    Report("system frame", plain);
    std::printf("  skinned step / system-frame step %27.2f   (goal <= 1.5)\n", Median(skinned) / Median(plain));
    return 0;
}

}  // namespace kelo::bench
