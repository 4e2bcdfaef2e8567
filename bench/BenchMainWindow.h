#pragma once
// The program's main window for the benchmarks that time its skin: over a scratch folder,
// never online, shown and given time to be skinned.
#include <string>

#include "BenchSupport.h"
#include "windows/MainFrm.h"
#include "app/Platform.h"
#include "framework/WinFileStore.h"

namespace kelo::bench {

struct ShownMainWindow {
    win::WinFileStore files;
    win::GbkCodec codec;
    app::SystemClock clock;
    app::TFrmKeloMain main;

    explicit ShownMainWindow(const std::string& dir = ScratchDir())
        : main(app::MainServices{files, codec, clock, [] { return false; }, dir, "bench", ""}) {
        main.Show();
        Pump(0.5);
    }
};

}  // namespace kelo::bench
