#pragma once
// The time ruler below the charts at any zoom: small ticks, large ticks and labels where a
// frame's time passes a multiple of their spacing. The spacings are the settings' at one frame a
// column; when zooming out would crowd them they grow to round times, so that ticks never merge
// and labels never overlap. Labels read the time since the first frame (in the ruler format) or
// the time of day.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TChartData;
class TChartView;

struct TRulerSettings {
    int TickInterval = 1000, LabelInterval = 5000, SubTickInterval = 100; // ms
    std::string Format = "nn:ss"; // labels of the time since the first frame
    bool TimeOfDay = false;       // labels of the time of day instead
};

// Tick flags of a mark.
constexpr uint32_t SmallTick = 1, LargeTick = 2, LabelTick = 4;

struct TRulerSpacing {
    int64_t Sub = 0, Tick = 0, Label = 0; // ms
};

// The spacings for a zoom of msPerColumn (0: unknown, the settings' own): small ticks at least a
// column apart, large ticks two, labels a label's width and a gap.
TRulerSpacing RulerSpacingFor(const TRulerSettings& settings, double msPerColumn, int labelWidth);

struct TRulerMark {
    int X = 0; // view column of the frame
    uint32_t Flags = 0;
    int Frame = 0;
    std::string Label; // when Flags has LabelTick
    int LabelLeft = 0; // view x of the label's left edge, inside the view
};

using TTextWidth = std::function<int(const std::string& text)>;

// The marks of the columns the view shows. Frame 0 carries all three, unless the labels read the
// time of day. A label that would overlap the one before it is left out (its ticks stay).
std::vector<TRulerMark> RulerMarks(const TChartData& data, const TChartView& view,
                                   const TRulerSettings& settings, const TTextWidth& textWidth);

// The label of a frame: its time since frame 0 in the ruler format, or its time of day
// ("hh:nn:ss", with milliseconds when labels come less than a second apart).
std::string RulerLabel(const TChartData& data, int frame, const TRulerSettings& settings,
                       int64_t labelSpacing);
