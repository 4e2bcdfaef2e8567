#pragma once
// What the benchmark modes share: a precise clock, a scratch folder and the median.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/WinText.h"

namespace kelo::bench {

inline double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline std::string ScratchDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring dir = std::wstring(base) + L"kelo-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    return win::Narrow(dir) + "\\";
}

// Runs the thread's messages for a while.
inline void Pump(double seconds) {
    const double end = Seconds() + seconds;
    MSG msg;
    while (Seconds() < end) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(1);
    }
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The skinned frame and menu: kelo_bench skin [runs].
int SkinFrame(int runs);
// Steps of dragging the main window's edge, skinned and not: kelo_bench resize [steps].
int SkinResize(int steps);
// The flat menu painter's items and a whole popup: kelo_bench menu [runs].
int MenuPaint(int runs);
// The options dialog repainted whole with its controls skinned: kelo_bench controls [runs].
int SkinControls(int runs);
// The usage report opened over a generated history: kelo_bench report [lines].
int Report(int lines);

}  // namespace kelo::bench
