// kelo_bench skin: how long the skin takes for what a user waits on. A full repaint of
// the main window's frame (sides, caption, buttons and menu bar, composed off screen),
// and a drop-down of the skinned menu bar from the press until the menu sits idle on the
// screen, painted.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "BenchMainWindow.h"
#include "framework/Subclass.h"
#include "skin/SkinManager.h"
#include "skin/menu/SkinnedMenu.h"
#include "skin/frame/SkinnedWindow.h"

namespace kelo::bench {

namespace {

// The menu loop tells the menu's owner when it has nothing left to do: the menu is up
// and painted. That ends the measurement and the menu.
class MenuIdleWatch : public win::SubclassHook {
public:
    double idleAt = 0;
    bool Handle(HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT&) override {
        if (msg == WM_ENTERIDLE && wParam == MSGF_MENU && idleAt == 0) {
            idleAt = Seconds();
            EndMenu();
        }
        return false;
    }
};

}  // namespace

int SkinFrame(int runs) {
    ShownMainWindow shown;
    app::TFrmKeloMain& main = shown.main;
    skin::TSkinManager* manager = skin::TSkinManager::Instance();
    skin::TSkinnedWindow* skinned = manager ? manager->FindSkinnedWindow(main.Handle()) : nullptr;
    if (!skinned || !skinned->MenuBar() || skinned->MenuBar()->Buttons().empty()) {
        std::fprintf(stderr, "skin: the main window is not skinned\n");
        return 1;
    }
    std::vector<double> paints;
    for (int i = 0; i < runs; ++i) {
        const double start = Seconds();
        SendMessageW(main.Handle(), WM_NCPAINT, 1, 0);
        GdiFlush();
        paints.push_back((Seconds() - start) * 1000.0);
    }

    MenuIdleWatch watch;
    win::AttachSubclass(main.Handle(), win::SubclassId::TestHook, &watch);
    skin::TMenuBarButton& first = *skinned->MenuBar()->Buttons().front();
    RECT window;
    GetWindowRect(main.Handle(), &window);
    const POINT press{window.left + (first.rect.left + first.rect.right) / 2,
                      window.top + (first.rect.top + first.rect.bottom) / 2};
    std::vector<double> menus;
    const int menuRuns = std::max(1, runs / 10);
    for (int i = 0; i < menuRuns; ++i) {
        watch.idleAt = 0;
        const double start = Seconds();
        SendMessageW(main.Handle(), WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(press.x, press.y));
        if (watch.idleAt > 0) menus.push_back((watch.idleAt - start) * 1000.0);
        Pump(0.05);
    }
    win::DetachSubclass(main.Handle(), win::SubclassId::TestHook);

    RECT client;
    GetClientRect(main.Handle(), &client);
    std::printf("skin: main window %ld x %ld, frame around a %ld x %ld client area\n", window.right - window.left,
                window.bottom - window.top, client.right, client.bottom);
    std::printf("  %-40s %10s %10s\n", "", "median ms", "worst ms");
    std::printf("  %-40s %10.3f %10.3f   (goal < 1 ms)\n", "full non-client repaint", Median(paints),
                *std::max_element(paints.begin(), paints.end()));
    if (menus.empty()) {
        std::printf("  drop-down menu: the menu loop never went idle\n");
        return 1;
    }
    std::printf("  %-40s %10.3f %10.3f   (goal < 16 ms)\n", "drop-down from press to painted", Median(menus),
                *std::max_element(menus.begin(), menus.end()));
    return 0;
}

}  // namespace kelo::bench
