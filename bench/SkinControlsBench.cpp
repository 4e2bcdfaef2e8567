// kelo_bench controls: how long a full repaint of the options dialog takes with every
// control wearing its control skin (and the flat painter's layer beneath, when the painter
// is on): frame, background and every child, painted at once as after an uncovering. For
// scale, the same repaint follows with the skin off and then with the painter off too.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>
#include <vector>

#include "BenchSupport.h"
#include "windows/MainFrm.h"
#include "app/Platform.h"
#include "framework/Subclass.h"
#include "framework/WinFileStore.h"
#include "menupainter/MenuPainterManager.h"
#include "skin/SkinManager.h"
#include "skin/SkinSource.h"
#include "skin/frame/SkinnedWindow.h"
#include "windows/SetupFrm.h"

namespace kelo::bench {

namespace {

// The dialog's child windows, and how many of them wear each layer.
struct Layers {
    int children = 0, skinned = 0, flat = 0;
};

Layers CountLayers(HWND dialog) {
    Layers layers;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) -> BOOL {
            auto* l = reinterpret_cast<Layers*>(param);
            ++l->children;
            if (win::HasSubclass(child, win::SubclassId::Skin)) ++l->skinned;
            if (win::HasSubclass(child, win::SubclassId::MenuPainter)) ++l->flat;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&layers));
    return layers;
}

// Times `runs` whole repaints of the window, children and frame included, after a few
// untimed ones that fill the caches of the system and of the layers. Between two repaints
// the messages are handled and the display catches up, as between two uncoverings: back
// to back, Wine's display queue fills and every repaint waits for the one before.
std::vector<double> TimeRepaints(HWND hwnd, int runs) {
    constexpr UINT kWhole = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW;
    for (int i = 0; i < 10; ++i) RedrawWindow(hwnd, nullptr, nullptr, kWhole);
    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        Pump(0.03);
        const double start = Seconds();
        RedrawWindow(hwnd, nullptr, nullptr, kWhole);
        GdiFlush();
        ms.push_back((Seconds() - start) * 1000.0);
    }
    return ms;
}

void Report(const char* what, const std::vector<double>& ms, const char* note) {
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
    std::printf("  %-40s %10.3f %10.3f %10.3f   %s\n", what, mean, Median(ms), *std::max_element(ms.begin(), ms.end()),
                note);
}

}  // namespace

int SkinControls(int runs) {
    runs = std::max(runs, 1);
    const std::string dir = ScratchDir();
    win::WinFileStore files;
    win::GbkCodec codec;
    app::SystemClock clock;
    app::TFrmKeloMain main(app::MainServices{files, codec, clock, [] { return false; }, dir, "bench", ""});
    // Modal in the program; here shown without the modal loop so that the repaints can be
    // timed from outside. Activation skins it, the application window's next message has
    // the painter style it.
    auto dialog = std::make_unique<app::TFrmSetup>(&main, dir);
    dialog->Show();
    Pump(0.5);
    const HWND hwnd = dialog->Handle();
    skin::TSkinManager* manager = skin::TSkinManager::Instance();
    const skin::TSkinnedWindow* skinned = manager ? manager->FindSkinnedWindow(hwnd) : nullptr;
    if (!skinned || skinned->ControlSkins().empty()) {
        std::fprintf(stderr, "controls: the options dialog's controls are not skinned\n");
        return 1;
    }
    const Layers layers = CountLayers(hwnd);
    RECT window;
    GetWindowRect(hwnd, &window);
    std::printf("controls: options dialog %ld x %ld, %zu control skins; of its %d child windows %d wear the skin's "
                "layer, %d the flat painter's\n",
                window.right - window.left, window.bottom - window.top, skinned->ControlSkins().size(),
                layers.children, layers.skinned, layers.flat);
    std::printf("  %-40s %10s %10s %10s\n", "whole dialog repainted", "mean ms", "median ms", "worst ms");
    const std::vector<double> both = TimeRepaints(hwnd, runs);
    Report("skinned (and flat-painted)", both, "(goal < 5 ms)");

    // The same repaint with the layers taken off one by one: what is left is the system's
    // own painting of the dialog and its children.
    auto* source = main.Find<skin::TSkinSource>("SkinSource1");
    source->SetActive(false);
    manager->RunPendingAction();
    Pump(0.2);
    Report("flat-painted only", TimeRepaints(hwnd, runs), "");
    if (auto* painters = menupainter::TMenuPainterManager::Instance()) {
        painters->RestoreFormControls(*dialog);
        Pump(0.2);
        const std::vector<double> bare = TimeRepaints(hwnd, runs);
        Report("neither layer", bare, "");
        // What the program's two layers add to the system's own painting.
        std::printf("  %-40s %21.3f\n", "the layers' share (median difference)", Median(both) - Median(bare));
    }
    return 0;
}

}  // namespace kelo::bench
