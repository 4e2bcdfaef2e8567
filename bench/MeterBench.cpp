// Measures the meter inside the real main window, with the real clock and timers:
//   kelo_bench startup [runs=7]
//     time from creating the main window to its first full paint, and working set,
//     with an empty history and with a 100,000-line history, and with the skin and the
//     menu painter turned off before the first show;
//   kelo_bench accuracy [seconds=300] [blockEvery=30] [blockFor=10]
//     counted versus true online seconds while the GUI thread is blocked now and then;
//   kelo_bench footprint [seconds=120]
//     CPU time and peak working set of ticking, scaled to one hour, and what one
//     connection check costs (the system's query, one adapter by its id);
//   kelo_bench skin [runs=200]
//     a full repaint of the main window's skinned frame, and a skinned drop-down menu
//     from the press on the menu bar until it is painted;
//   kelo_bench menu [runs=200]
//     one flat menu item, and a whole 6-item popup, measured and painted off screen;
//   kelo_bench controls [runs=200]
//     a whole repaint of the options dialog with every control skinned;
//   kelo_bench report [lines=100000]
//     the usage report made and painted over a generated history.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "windows/MainFrm.h"
#include "core/UsageHistory.h"
#include "BenchSupport.h"
#include "app/NetConnections.h"
#include "app/Platform.h"
#include "framework/Application.h"
#include "framework/Timer.h"
#include "framework/WinFileStore.h"
#include "framework/WinText.h"
#include "menupainter/MenuPainter.h"
#include "skin/SkinManager.h"
#include "skin/SkinSource.h"

using namespace kelo;
using namespace kelo::bench;

namespace {

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto toSeconds = [](FILETIME t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) / 1e7;
    };
    return toSeconds(kernel) + toSeconds(user);
}

struct Run {
    double started = 0;       // the program's start: the machine is online all along
    double ended = 0;         // when the run was ended
    double firstCheck = -1;   // when the first connection check was made
    long ticks = 0;           // one-second timer messages delivered
};

// Runs the main window's message loop for `seconds`, blocking the GUI thread for
// `blockFor` seconds every `blockEvery` seconds (0: never). Returns the counted seconds.
double WorkingSetMB(bool peak) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return static_cast<double>(peak ? memory.PeakWorkingSetSize : memory.WorkingSetSize) /
           (1024.0 * 1024.0);
}

// With `system`, the checks ask the system as the program does (the connected-state query
// for any connection, the chosen adapter by its id); without, the machine is online.
int64_t Meter(double seconds, double blockEvery, double blockFor, Run& run, double& cpu,
              ConnectionTable* system = nullptr) {
    win::WinFileStore files;
    win::GbkCodec codec;
    app::SystemClock clock;
    run.started = Seconds();
    app::MainServices services{files, codec, clock,
                               [&run, system] {
                                   if (run.firstCheck < 0) run.firstCheck = Seconds();
                                   return system ? system->AnyConnected() : true;
                               },
                               ScratchDir(), "bench", ""};
    services.connections = system;
    app::TFrmKeloMain main(std::move(services));
    const double cpuStart = CpuSeconds();
    // The one-second counter's messages carry the timer's address.
    const auto counterId = reinterpret_cast<WPARAM>(main.Find<win::TTimer>("tmrTime"));
    // Thread timers of the bench's own: one ends the run, one blocks the GUI thread.
    const UINT_PTR endTimer = SetTimer(nullptr, 0, static_cast<UINT>(seconds * 1000), nullptr);
    const UINT_PTR blockTimer =
        blockEvery > 0 ? SetTimer(nullptr, 0, static_cast<UINT>(blockEvery * 1000), nullptr) : 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
            if (msg.wParam == endTimer) break;
            if (msg.wParam == blockTimer) Sleep(static_cast<DWORD>(blockFor * 1000));
            continue;
        }
        if (msg.message == WM_TIMER && msg.wParam == counterId) ++run.ticks;
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, endTimer);
    if (blockTimer) KillTimer(nullptr, blockTimer);
    // Ending the run counts the whole seconds up to now, as an exit does.
    SendMessageW(main.Handle(), WM_QUERYENDSESSION, 0, 0);
    run.ended = Seconds();
    cpu = CpuSeconds() - cpuStart;
    return main.Session().RunSeconds();
}

int Accuracy(double seconds, double blockEvery, double blockFor) {
    Run run;
    double cpu = 0;
    const int64_t counted = Meter(seconds, blockEvery, blockFor, run, cpu);
    const double online = run.ended - run.started;
    const double whole = static_cast<double>(static_cast<int64_t>(online));
    std::printf("accuracy: run %.0f s, GUI thread blocked %.0f s every %.0f s\n", seconds,
                blockFor, blockEvery);
    std::printf("  true online seconds     %.3f (from the program's start; first check after %.3f s)\n",
                online, run.firstCheck - run.started);
    std::printf("  counted seconds         %lld\n", static_cast<long long>(counted));
    std::printf("  one-second ticks seen   %ld (what counting ticks would give)\n", run.ticks);
    std::printf("  ratio counted/true      %.4f (whole seconds: %.4f; goal >= 0.999)\n",
                static_cast<double>(counted) / online, static_cast<double>(counted) / whole);
    std::printf("  ratio ticks/true        %.4f\n", static_cast<double>(run.ticks) / online);
    return 0;
}

// The check of one adapter by its GUID, as the meter makes it when one connection is
// counted, beside the system's connected-state query, in wall time a check.
void AdapterCheckFigures() {
    app::SystemConnections connections;
    std::string id;
    for (const NetConnection& listed : connections.List())
        if (listed.source == ConnectionSource::Adapter && id.empty()) id = listed.id;
    if (id.empty()) return;
    constexpr int kChecks = 2000;
    const double adapterStart = Seconds();
    for (int i = 0; i < kChecks; ++i) connections.Adapter(id);
    const double anyStart = Seconds();
    for (int i = 0; i < kChecks; ++i) connections.AnyConnected();
    const double end = Seconds();
    std::printf("  one adapter checked by its id %.3f ms a check (any connection: %.3f ms)\n",
                (anyStart - adapterStart) * 1000.0 / kChecks, (end - anyStart) * 1000.0 / kChecks);
}

// The chosen adapter: the first one connected, else the first one.
std::string BenchAdapterId(ConnectionTable& system) {
    std::string id;
    for (const NetConnection& listed : system.List()) {
        if (listed.source != ConnectionSource::Adapter) continue;
        if (IsConnected(listed)) return listed.id;
        if (id.empty()) id = listed.id;
    }
    return id;
}

// One footprint run of `seconds` with the connection section `connection`.
void FootprintRun(double seconds, const std::string& connection, ConnectionTable& system, const char* what) {
    // With a tariff, each tick also works out the month's cost and forecast.
    win::WinFileStore().Replace(ScratchDir() + "Kelo.ini",
                                "[Tariff]\r\nMonthlyFee=50\r\nIncludedHours=40\r\nPricePerHour=1.20\r\n" +
                                    connection);
    Run run;
    double cpu = 0;
    Meter(seconds, 0, 0, run, cpu, &system);
    std::printf("footprint: %.0f s of ticking online, %s\n", seconds, what);
    std::printf("  CPU seconds             %.3f (%.3f per hour; goal < 0.5)\n", cpu, cpu * 3600.0 / seconds);
    std::printf("  peak working set        %.1f MB (goal < 8 MB)\n", WorkingSetMB(true));
}

// Any connection and one chosen adapter, one after the other in one run: the chosen one
// should cost no more than 1.2 times as much.
int Footprint(double seconds) {
    const double before = WorkingSetMB(false);
    app::SystemConnections system;
    FootprintRun(seconds, "[Connection]\r\nKind=0\r\n", system, "any connection");
    const std::string id = BenchAdapterId(system);
    FootprintRun(seconds, "[Connection]\r\nKind=2\r\nName=bench\r\nId=" + id + "\r\n", system,
                 ("the adapter " + id).c_str());
    // The system's connection query is most of the cost under some systems: show it.
    const double probeStart = CpuSeconds();
    constexpr int kProbes = 200;
    for (int i = 0; i < kProbes; ++i) app::IsOnline();
    const double perProbe = (CpuSeconds() - probeStart) / kProbes;
    std::printf("  of which connection checks %.3f s per hour (%.3f ms a check, one every 2 s)\n",
                perProbe * 1800.0, perProbe * 1000.0);
    AdapterCheckFigures();
    std::printf("  working set before the window existed %.1f MB (the system's own share)\n",
                before);
    return 0;
}

// A history of `lines` runs in the program's file format.
std::string HistoryFile(int lines) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(lines) * 80);
    for (int i = 0; i < lines; ++i) {
        bytes += "2026-11-21 08:00:00\a2026-11-21 09:30:00\a01:30:00\abench-host\aKelo\a"
                 "198.51.100.2\r\n";
    }
    return bytes;
}

struct StartupFigures {
    double milliseconds;
    double workingSetMB;
};

// One start in `dir`. Without the look, the skin and the menu painter are turned off
// once the window is built and before it shows: the embedded skin is still read, but
// nothing is skinned or painted by either.
StartupFigures StartOnce(const std::string& dir, bool look) {
    win::WinFileStore files;
    win::GbkCodec codec;
    app::SystemClock clock;
    const double start = Seconds();
    app::TFrmKeloMain main(app::MainServices{files, codec, clock, [] { return false; }, dir,
                                             "bench", ""});
    if (!look) {
        main.Find<skin::TSkinSource>("SkinSource1")->SetActive(false);
        main.Find<menupainter::TMenuPainter>("MenuPainter1")->SetActive(false);
    }
    main.Show();
    UpdateWindow(main.Handle());
    RedrawWindow(main.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const double elapsed = (Seconds() - start) * 1000.0;
    const double ws = WorkingSetMB(false);
    const skin::TSkinManager* skins = skin::TSkinManager::Instance();
    if (!look && skins && skins->FindSkinnedWindow(main.Handle()))
        std::printf("  (the skin could not be turned off: the run without the look is skinned)\n");
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    return {elapsed, ws};
}

int Startup(int runs) {
    win::WinFileStore files;
    const std::string empty = ScratchDir() + "empty\\";
    const std::string large = ScratchDir() + "large\\";
    CreateDirectoryW(win::Widen(empty).c_str(), nullptr);
    CreateDirectoryW(win::Widen(large).c_str(), nullptr);
    files.Replace(large + "Kelo.trv", HistoryFile(100000));
    struct Variant {
        const char* name;
        std::string dir;
        bool look;
        std::vector<double> times, sets;
    };
    Variant variants[] = {{"empty", empty, true, {}, {}},
                          {"100,000 lines", large, true, {}, {}},
                          {"empty, look off", empty, false, {}, {}}};
    // The variants take turns, each round starting with the next one, so that a machine busy
    // for a while, and whatever a start leaves to the one after it, weigh on each alike.
    for (int i = 0; i < runs; ++i) {
        for (size_t k = 0; k < std::size(variants); ++k) {
            Variant& v = variants[(k + static_cast<size_t>(i)) % std::size(variants)];
            const StartupFigures f = StartOnce(v.dir, v.look);
            v.times.push_back(f.milliseconds);
            v.sets.push_back(f.workingSetMB);
        }
    }
    // What the long history alone costs: its lines found as the start finds them.
    std::vector<double> indexing;
    for (int i = 0; i < runs; ++i) {
        const double start = Seconds();
        UsageHistory history;
        history.Open([&](uint64_t offset, size_t count, std::string& bytes) {
            files.ReadPart(large + "Kelo.trv", offset, count, bytes, false);
        });
        indexing.push_back((Seconds() - start) * 1000.0);
    }
    std::printf("startup: main window created and painted, median of %d runs\n", runs);
    std::printf("  %-22s %12s %18s %16s\n", "history", "time (ms)", "(fastest-slowest)",
                "working set (MB)");
    for (const Variant& v : variants)
        std::printf("  %-22s %12.1f %8.1f-%-9.1f %16.1f\n", v.name, Median(v.times),
                    *std::min_element(v.times.begin(), v.times.end()),
                    *std::max_element(v.times.begin(), v.times.end()), Median(v.sets));
    const double emptyMs = Median(variants[0].times);
    std::printf("  the long history takes %.2f times the empty start and %.1f MB more"
                " (goal: at most 1.1 times and 3 MB)\n",
                Median(variants[1].times) / emptyMs,
                Median(variants[1].sets) - Median(variants[0].sets));
    std::printf("  (of which finding the long history's lines: %.1f ms)\n", Median(indexing));
    std::printf("  the skin and the menu painter take %.2f times the start without them"
                " (goal: at most 1.3)\n",
                emptyMs / Median(variants[2].times));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    win::Application().Initialize(GetModuleHandleW(nullptr));
    win::Application().SetTitle(L"Kelo bench");
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    auto arg = [&](int i, double def) { return argc > i ? _wtof(argv[i]) : def; };
    if (mode == L"accuracy") return Accuracy(arg(2, 300), arg(3, 30), arg(4, 10));
    if (mode == L"footprint") return Footprint(arg(2, 120));
    if (mode == L"startup") return Startup(static_cast<int>(arg(2, 7)));
    if (mode == L"skin") return bench::SkinFrame(static_cast<int>(arg(2, 200)));
    if (mode == L"resize") return bench::SkinResize(static_cast<int>(arg(2, 200)));
    if (mode == L"menu") return bench::MenuPaint(static_cast<int>(arg(2, 200)));
    if (mode == L"controls") return bench::SkinControls(static_cast<int>(arg(2, 200)));
    if (mode == L"report") return bench::Report(static_cast<int>(arg(2, 100000)));
    std::fprintf(stderr, "usage: kelo_bench accuracy [seconds] [blockEvery] [blockFor]\n"
                         "       kelo_bench footprint [seconds]\n"
                         "       kelo_bench startup [runs]\n"
                         "       kelo_bench skin [runs]\n"
                         "       kelo_bench resize [steps]\n"
                         "       kelo_bench menu [runs]\n"
                         "       kelo_bench controls [runs]\n"
                         "       kelo_bench report [lines]\n");
    return 2;
}
