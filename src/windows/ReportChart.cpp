#include "windows/ReportChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/FormLoader.h"

namespace kelo::app {

namespace {

constexpr COLORREF kBarColor = RGB(66, 133, 196);
constexpr COLORREF kWarningColor = RGB(218, 74, 64);
constexpr COLORREF kLimitColor = RGB(200, 52, 44);
constexpr COLORREF kGridColor = RGB(228, 228, 228);
constexpr COLORREF kAxisColor = RGB(150, 150, 150);
constexpr COLORREF kHighlightColor = RGB(226, 236, 250);
constexpr COLORREF kMutedText = RGB(96, 96, 96);
constexpr int kPad = 8;
constexpr double kSecondsPerHour = 3600.0;

SIZE TextSize(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

void Text(HDC dc, int x, int y, const std::wstring& text, COLORREF color) {
    SetTextColor(dc, color);
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void Fill(HDC dc, const RECT& r, COLORREF color) {
    const win::Brush brush(CreateSolidBrush(color));
    FillRect(dc, &r, brush.Get());
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color, int style = PS_SOLID) {
    const win::Pen pen(CreatePen(style, 1, color));
    win::SavedDC saved(dc);
    SelectObject(dc, pen.Get());
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// Hours as the value above a bar: whole hours, a tenth below ten.
std::wstring HoursText(int64_t seconds) {
    wchar_t text[32];
    const double hours = static_cast<double>(seconds) / kSecondsPerHour;
    std::swprintf(text, 32, hours < 10 ? L"%.1f" : L"%.0f", hours);
    return text;
}

// The x where slot `index` of `count` begins inside the bars' area.
int SlotEdge(const RECT& area, size_t count, double index) {
    const double slot = static_cast<double>(area.right - area.left - 1) / static_cast<double>(count);
    return area.left + 1 + static_cast<int>(std::lround(slot * index));
}

}  // namespace

struct TUsageChart::Plot {
    RECT area{};            // the bars' area; its bottom is the zero line
    double scaleHours = 1;  // the hours at the area's top
    int stepHours = 1;
    int textHeight = 12;
    int Y(int64_t seconds) const {
        const double share = static_cast<double>(seconds) / (scaleHours * kSecondsPerHour);
        return area.bottom - static_cast<int>(std::lround(share * (area.bottom - area.top)));
    }
};

TUsageChart::TUsageChart(win::TComponent* owner) : win::TWinControl(owner) {
    SetColor(clWindow);
    SetBounds(0, 0, 300, 160);
}

void TUsageChart::CreateParamsFor(win::CreateParams& p) {
    win::TWinControl::CreateParamsFor(p);
    p.exStyle |= WS_EX_CLIENTEDGE;
    // Scales and labels depend on the whole size.
    p.classStyle |= CS_HREDRAW | CS_VREDRAW;
}

void TUsageChart::SetBars(std::vector<ChartBar> bars, int64_t limitSeconds) {
    bars_ = std::move(bars);
    limitSeconds_ = std::max<int64_t>(0, limitSeconds);
    Invalidate();
}

void TUsageChart::SetLimitCaption(std::wstring caption) {
    limitCaption_ = std::move(caption);
    Invalidate();
}

void TUsageChart::SetHighlight(int index) {
    highlight_ = index;
    Invalidate();
}

void TUsageChart::SetValueLabels(bool on) {
    valueLabels_ = on;
    Invalidate();
}

void TUsageChart::SetNoteCaption(std::wstring caption) {
    noteCaption_ = std::move(caption);
    Invalidate();
}

bool TUsageChart::HasNotes() const {
    return std::any_of(bars_.begin(), bars_.end(), [](const ChartBar& bar) { return !bar.notes.empty(); });
}

int TUsageChart::TickStepHours(double topHours, int maxTicks) {
    maxTicks = std::max(1, maxTicks);
    for (int magnitude = 1;; magnitude *= 10) {
        for (int factor : {1, 2, 5}) {
            const int step = factor * magnitude;
            if (std::ceil(topHours / step) <= maxTicks || magnitude >= 100000) return step;
        }
    }
}

TUsageChart::Plot TUsageChart::PlotArea(HDC dc) const {
    Plot plot;
    const RECT client = ClientRect();
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    plot.textHeight = metrics.tmHeight;
    const int top = kPad + plot.textHeight + 8;
    const int bottom = client.bottom - kPad - plot.textHeight - 2 - (HasNotes() ? plot.textHeight + 1 : 0);

    int64_t highest = limitSeconds_;
    for (const ChartBar& bar : bars_) highest = std::max(highest, bar.seconds);
    // Room above the highest bar or the limit for its caption.
    const double topHours = std::max(1.0, static_cast<double>(highest) / kSecondsPerHour * 1.12);
    const int maxTicks = std::max(1, (bottom - top) / (plot.textHeight * 2));
    plot.stepHours = TickStepHours(topHours, maxTicks);
    plot.scaleHours = std::ceil(topHours / plot.stepHours) * plot.stepHours;

    const std::wstring widest = std::to_wstring(static_cast<int>(plot.scaleHours));
    const int left = kPad + TextSize(dc, widest).cx + 6;
    plot.area = {left, top, std::max<LONG>(left + 1, client.right - kPad), std::max(top + 1, bottom)};
    return plot;
}

void TUsageChart::PaintGrid(HDC dc, const Plot& plot) const {
    const RECT& a = plot.area;
    if (highlight_ >= 0 && static_cast<size_t>(highlight_) < bars_.size()) {
        const size_t n = bars_.size();
        Fill(dc, RECT{SlotEdge(a, n, highlight_), a.top, SlotEdge(a, n, highlight_ + 1.0), a.bottom},
             kHighlightColor);
    }
    for (int hours = 0; hours <= plot.scaleHours + 0.5; hours += plot.stepHours) {
        const int y = plot.Y(static_cast<int64_t>(hours) * 3600);
        if (hours > 0) Line(dc, a.left, y, a.right, y, kGridColor);
        const std::wstring label = std::to_wstring(hours);
        const SIZE size = TextSize(dc, label);
        Text(dc, a.left - 6 - size.cx, y - size.cy / 2, label, kMutedText);
    }
    Line(dc, a.left, a.bottom, a.right, a.bottom, kAxisColor);
    Line(dc, a.left, a.top, a.left, a.bottom, kAxisColor);
}

void TUsageChart::PaintBars(HDC dc, const Plot& plot) const {
    if (bars_.empty()) return;
    const RECT& a = plot.area;
    const double slot = static_cast<double>(a.right - a.left - 1) / static_cast<double>(bars_.size());
    const int barWidth = std::max(1, static_cast<int>(slot * 0.64));
    int widestLabel = 0;
    for (const ChartBar& bar : bars_) widestLabel = std::max<int>(widestLabel, TextSize(dc, bar.label).cx);
    // Every label, or every second, fifth ... so that neighbours never touch.
    const int labelEvery = std::max(1, static_cast<int>(std::ceil((widestLabel + 6) / slot)));

    for (size_t i = 0; i < bars_.size(); ++i) {
        const ChartBar& bar = bars_[i];
        const int centre = SlotEdge(a, bars_.size(), static_cast<double>(i) + 0.5);
        const int y = std::max<int>(plot.Y(bar.seconds), a.top);
        if (bar.seconds > 0) {
            const bool over = limitSeconds_ > 0 && bar.seconds > limitSeconds_;
            const RECT r{centre - barWidth / 2, std::min<int>(y, a.bottom - 1), centre - barWidth / 2 + barWidth,
                         a.bottom};
            Fill(dc, r, over ? kWarningColor : kBarColor);
            const std::wstring value = HoursText(bar.seconds);
            const SIZE size = TextSize(dc, value);
            if (valueLabels_ && size.cx <= slot && y - size.cy - 1 >= a.top)
                Text(dc, centre - size.cx / 2, y - size.cy - 1, value, kMutedText);
        }
        if (i % static_cast<size_t>(labelEvery) == 0) {
            const SIZE size = TextSize(dc, bar.label);
            Text(dc, centre - size.cx / 2, a.bottom + 3, bar.label, kMutedText);
        }
    }
}

void TUsageChart::PaintLimit(HDC dc, const Plot& plot) const {
    if (limitSeconds_ <= 0) return;
    const RECT& a = plot.area;
    const int y = plot.Y(limitSeconds_);
    Line(dc, a.left + 1, y, a.right, y, kLimitColor, PS_DASH);
    if (limitCaption_.empty()) return;
    // The caption stands in the title row as a legend: over the plot it would cover bars.
    const SIZE size = TextSize(dc, limitCaption_);
    const int x = a.right - size.cx;
    // A chart too narrow for both keeps its title; the line speaks for itself.
    if (x - 22 < kPad + TextSize(dc, Caption()).cx + 8) return;
    Text(dc, x, kPad - 2, limitCaption_, kLimitColor);
    const int sampleY = kPad - 2 + size.cy / 2;
    Line(dc, x - 22, sampleY, x - 4, sampleY, kLimitColor, PS_DASH);
}

// The notes' row under the labels, in the longest form that every bar's slot holds; where
// even the shortest is too wide, every second, third ... note, as with the labels. The
// highlighted bar's note is in the text colour, the others muted.
void TUsageChart::PaintNotes(HDC dc, const Plot& plot) const {
    if (!HasNotes()) return;
    const RECT& a = plot.area;
    const double slot = static_cast<double>(a.right - a.left - 1) / static_cast<double>(bars_.size());
    const auto note = [](const ChartBar& bar, size_t form) -> const std::wstring& {
        return bar.notes[std::min(form, bar.notes.size() - 1)];
    };
    size_t forms = 0;
    for (const ChartBar& bar : bars_) forms = std::max(forms, bar.notes.size());
    const auto widest = [&](size_t form) {
        int width = 0;
        for (const ChartBar& bar : bars_)
            if (!bar.notes.empty()) width = std::max<int>(width, TextSize(dc, note(bar, form)).cx);
        // Figures need less room between them than the labels' words.
        return width + 2;
    };
    size_t form = 0;
    while (form + 1 < forms && widest(form) > slot) ++form;
    const size_t every = static_cast<size_t>(std::max(1, static_cast<int>(std::ceil(widest(form) / slot))));

    const int y = a.bottom + 3 + plot.textHeight + 1;
    const SIZE captionSize = TextSize(dc, noteCaption_);
    Text(dc, a.left - 6 - captionSize.cx, y, noteCaption_, kMutedText);
    for (size_t i = 0; i < bars_.size(); i += every) {
        if (bars_[i].notes.empty()) continue;
        const std::wstring& text = note(bars_[i], form);
        const int centre = SlotEdge(a, bars_.size(), static_cast<double>(i) + 0.5);
        const bool shown = static_cast<int>(i) == highlight_;
        Text(dc, centre - TextSize(dc, text).cx / 2, y, text,
             shown ? win::ColorToRGB(Font().Color()) : kMutedText);
    }
}

void TUsageChart::PaintWindow(HDC dc) {
    win::TWinControl::PaintWindow(dc);
    win::SavedDC saved(dc);
    SelectObject(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    Text(dc, kPad, kPad - 2, Caption(), win::ColorToRGB(Font().Color()));
    const Plot plot = PlotArea(dc);
    PaintGrid(dc, plot);
    PaintBars(dc, plot);
    PaintNotes(dc, plot);
    PaintLimit(dc, plot);
}

void RegisterReportClasses() { win::RegisterComponentClass<TUsageChart>(); }

}  // namespace kelo::app
