#include "views/charts/ChartRuler.h"

#include "views/charts/ChartData.h"
#include "views/charts/ChartModel.h"
#include "views/charts/ChartView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t Day = 86400000;
constexpr int LabelGap = 4; // pixels between two labels

// Round spacings a crowded ruler moves to, in ms.
constexpr int64_t RoundSpacings[] = {
    100,    200,    500,    1000,    2000,    5000,    10000,    15000,    30000,    60000, 120000,
    300000, 600000, 900000, 1800000, 3600000, 7200000, 10800000, 21600000, 43200000, Day};

// The spacing wanted, or the first round one at least as wide as both it and the least room.
int64_t spacing(int64_t wanted, double least) {
    wanted = std::max<int64_t>(wanted, 1);
    if (static_cast<double>(wanted) >= least) {
        return wanted;
    }
    for (int64_t s : RoundSpacings) {
        if (s >= wanted && static_cast<double>(s) >= least) {
            return s;
        }
    }
    return static_cast<int64_t>(std::ceil(least / Day)) * Day;
}

int64_t floorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The ruler's clock: the time since frame 0, or the time of day counted on past midnight.
int64_t clockOf(const TChartData& data, int frame, bool timeOfDay) {
    return data.ElapsedOf(frame) + (timeOfDay ? data.TimeOf(0) : 0);
}

// ms a column spans in the view (else over the whole log); 0 when the frames carry no time.
double msPerColumn(const TChartData& data, const TChartView& view) {
    const int count = data.Count();
    int a = view.FirstVisibleFrame(count), b = view.EndVisibleFrame(count) - 1;
    if (b - a < 1) {
        a = 0;
        b = count - 1;
    }
    if (b - a < 1) {
        return 0;
    }
    const double ms = static_cast<double>(data.ElapsedOf(b) - data.ElapsedOf(a));
    const int columns = std::max(1, view.ColumnOf(b) - view.ColumnOf(a));
    return ms > 0 ? ms / columns : 0;
}

uint32_t flagsBetween(int64_t before, int64_t now, const TRulerSpacing& s) {
    auto passed = [&](int64_t every) { return floorDiv(now, every) > floorDiv(before, every); };
    if (passed(s.Label)) {
        return SmallTick | LargeTick | LabelTick;
    }
    if (passed(s.Tick)) {
        return SmallTick | LargeTick;
    }
    return passed(s.Sub) ? SmallTick : 0;
}

} // namespace

TRulerSpacing RulerSpacingFor(const TRulerSettings& settings, double msPerColumn, int labelWidth) {
    TRulerSpacing s;
    s.Sub = spacing(settings.SubTickInterval, msPerColumn);
    s.Tick = spacing(settings.TickInterval, 2 * msPerColumn);
    s.Label = spacing(settings.LabelInterval, (labelWidth + LabelGap) * msPerColumn);
    return s;
}

std::string RulerLabel(const TChartData& data, int frame, const TRulerSettings& settings,
                       int64_t labelSpacing) {
    if (settings.TimeOfDay) {
        return ElapsedText(data.TimeOf(frame), labelSpacing < 1000 ? "hh:nn:ss.zzz" : "hh:nn:ss");
    }
    return ElapsedText(data.ElapsedOf(frame), settings.Format);
}

std::vector<TRulerMark> RulerMarks(const TChartData& data, const TChartView& view,
                                   const TRulerSettings& settings, const TTextWidth& textWidth) {
    std::vector<TRulerMark> marks;
    const int count = data.Count();
    if (count == 0 || view.Width() <= 0) {
        return marks;
    }
    const int widest = textWidth(RulerLabel(data, count - 1, settings, settings.LabelInterval));
    const TRulerSpacing s = RulerSpacingFor(settings, msPerColumn(data, view), widest);
    int labelEnd = -LabelGap; // right edge of the last label drawn
    for (int x = 0; x < view.Width(); ++x) {
        const int column = view.Position() + x;
        const int a = std::max(view.FirstFrameOf(column), 0);
        const int b = std::min(view.FirstFrameOf(column + 1), count);
        if (a >= b) {
            continue;
        }
        // Frame 0 starts the time since the first frame; on the clock it is a time like any.
        const int64_t now = clockOf(data, b - 1, settings.TimeOfDay);
        const int64_t before = a > 0 ? clockOf(data, a - 1, settings.TimeOfDay) : now - 1;
        const bool start = a == 0 && !settings.TimeOfDay;
        const uint32_t flags =
            start ? SmallTick | LargeTick | LabelTick : flagsBetween(before, now, s);
        if (flags == 0) {
            continue;
        }
        TRulerMark mark;
        mark.X = x;
        mark.Frame = start ? 0 : b - 1;
        mark.Flags = flags;
        if (flags & LabelTick) {
            mark.Label = RulerLabel(data, mark.Frame, settings, s.Label);
            const int w = textWidth(mark.Label);
            mark.LabelLeft = std::clamp(x - w / 2, 0, std::max(0, view.Width() - w));
            if (mark.LabelLeft < labelEnd + LabelGap) {
                mark.Flags &= ~LabelTick; // it would run into the label before
                mark.Label.clear();
            } else {
                labelEnd = mark.LabelLeft + w;
            }
        }
        marks.push_back(mark);
    }
    return marks;
}
