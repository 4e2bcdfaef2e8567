#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Control.h"

namespace kelo::app {

// One bar of a usage chart: online time with its label under the axis and, if it has any,
// a note under the label in one of its forms, longest first ("123.45", "123").
struct ChartBar {
    std::wstring label;
    int64_t seconds = 0;
    std::vector<std::wstring> notes;
};

// A bar chart of online time in hours against a limit: hour ticks on the left, the
// limit as a dashed line, bars over the limit in the warning colour. The caption is the
// chart's title. Painted whole off screen and put on the screen in one transfer.
class TUsageChart : public win::TWinControl {
    KELO_CLASS(TUsageChart, win::TWinControl)
public:
    explicit TUsageChart(win::TComponent* owner);

    // limitSeconds 0: no limit line.
    void SetBars(std::vector<ChartBar> bars, int64_t limitSeconds);
    const std::vector<ChartBar>& Bars() const { return bars_; }
    int64_t LimitSeconds() const { return limitSeconds_; }
    // The text beside the limit line ("日限 5 小时").
    void SetLimitCaption(std::wstring caption);
    // A bar with a light band behind it (the period the day chart shows); -1: none.
    void SetHighlight(int index);
    // Hours written above the bars where they fit.
    void SetValueLabels(bool on);
    // The text left of the notes' row, in the hours' column ("¥").
    void SetNoteCaption(std::wstring caption);

    // The hour step between ticks for a scale up to `topHours`, so that at most
    // `maxTicks` ticks fit.
    static int TickStepHours(double topHours, int maxTicks);

protected:
    void CreateParamsFor(win::CreateParams& params) override;
    void PaintWindow(HDC dc) override;

private:
    struct Plot;
    Plot PlotArea(HDC dc) const;
    void PaintGrid(HDC dc, const Plot& plot) const;
    void PaintBars(HDC dc, const Plot& plot) const;
    void PaintLimit(HDC dc, const Plot& plot) const;
    void PaintNotes(HDC dc, const Plot& plot) const;
    bool HasNotes() const;

    std::vector<ChartBar> bars_;
    int64_t limitSeconds_ = 0;
    std::wstring limitCaption_;
    int highlight_ = -1;
    bool valueLabels_ = false;
    std::wstring noteCaption_;
};

// Makes TUsageChart known to form descriptions.
void RegisterReportClasses();

}  // namespace kelo::app
