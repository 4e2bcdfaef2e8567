// kelo_bench report [lines]: how long the usage report takes to open over a long history
// file, from making the window to its first full paint, and how much of it reading the
// runs is.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "core/UsageHistory.h"
#include "core/UsageReport.h"
#include "framework/WinFileStore.h"
#include "framework/WinText.h"
#include "windows/ReportFrm.h"

namespace kelo::bench {

namespace {

constexpr int kRuns = 5;
constexpr int64_t kSpanDays = 730;

LocalDateTime ToLocal(int64_t seconds) {
    const CivilDate date = CivilFromDays(seconds / 86400);
    const int64_t inDay = seconds % 86400;
    return {date.year, date.month, date.day, static_cast<int>(inDay / 3600),
            static_cast<int>(inDay / 60 % 60), static_cast<int>(inDay % 60)};
}

int64_t ToSeconds(const LocalDateTime& t) {
    return DaysFromCivil(t.Date()) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

// `lines` runs spread evenly over the last two years, of varying length, some of them
// over midnight; the file's bytes as the program reads them.
std::string GenerateHistory(int lines, const LocalDateTime& now, const win::GbkCodec& codec) {
    const int64_t end = ToSeconds(now) - 3600;
    const int64_t begin = end - kSpanDays * 86400;
    const int64_t spacing = std::max<int64_t>(60, (end - begin) / std::max(1, lines));
    const std::string host = codec.FromUtf8("书房电脑");
    std::string file;
    file.reserve(static_cast<size_t>(lines) * 80);
    uint32_t seed = 12345;
    for (int i = 0; i < lines; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int64_t start = begin + i * spacing;
        const int64_t length = spacing / 4 + static_cast<int64_t>((seed >> 8) % static_cast<uint32_t>(spacing / 2));
        UsageRecord record{{FormatDateTime(ToLocal(start)), FormatDateTime(ToLocal(start + length)),
                            FormatDuration(length * 9 / 10), host, kRecordType, "192.0.2.7"}};
        file += JoinHistoryLine(record);
        file += "\r\n";
    }
    return file;
}

}  // namespace

int Report(int lines) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    const LocalDateTime now{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    const win::GbkCodec codec;
    // The history as the program has it: read from its file when the report asks.
    win::WinFileStore files;
    const std::string path = ScratchDir() + kHistoryFileName;
    files.Replace(path, GenerateHistory(lines, now, codec));
    UsageHistory history;
    history.Open([&files, &path](uint64_t offset, size_t count, std::string& bytes) {
        files.ReadPart(path, offset, count, bytes, false);
    });
    const LocalDateTime runStart = ToLocal(ToSeconds(now) - 3600);
    history.Append({{FormatDateTime(runStart), "", "", codec.FromUtf8("书房电脑"), kRecordType, ""}});
    const app::ReportContext context{history, codec, MeterSettings{}, now, {runStart, now, 3600}};

    // Reading the runs alone: what the window does once before anything is shown.
    const double readStart = Seconds();
    size_t readable = 0;
    history.ForEachStoredLine([&readable](std::string_view line) {
        if (RunFromLine(line)) ++readable;
    });
    const double readMs = (Seconds() - readStart) * 1000;

    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const double start = Seconds();
        auto report = std::make_unique<app::TFrmReport>(nullptr, context);
        ShowWindow(report->Handle(), SW_SHOWNA);
        RedrawWindow(report->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        times.push_back((Seconds() - start) * 1000);
        report.reset();
        Pump(0.05);
    }
    std::printf("report: %d-line history (%zu runs readable), window made and painted, %d runs\n", lines,
                readable, kRuns);
    std::printf("  median %.1f ms, worst %.1f ms (goal < 100 ms)\n", Median(times),
                *std::max_element(times.begin(), times.end()));
    std::printf("  (of which reading the runs of the history: %.1f ms)\n", readMs);
    return 0;
}

}  // namespace kelo::bench
