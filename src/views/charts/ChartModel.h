#pragma once
// The chart monitor's numbers without any drawing: the fixed sizes, the series slots of a chart,
// its effective y range and pixel coordinates, the grid and y-axis labels, the sample wave and
// the time texts. The widgets in ChartMon only draw what these compute.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TCartridge;
struct TPickListItem;

namespace Charts {
constexpr int ChartCount = 4;
constexpr int SeriesSlots = 4;
constexpr int NotesHeight = 16;
constexpr int RulerHeight = 24;
constexpr int YaxisWidth = 40;
constexpr int LegendWidth = 140;
constexpr int MinWidth = 280, MinHeight = 100;
constexpr int NoteSlots = 32;

// Colours, 0x00BBGGRR.
constexpr uint32_t DarkNavy = 0x400000; // the monitor's own background
constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Blue = 0xFF0000;
constexpr uint32_t Navy = 0x800000;
constexpr uint32_t Grey = 0x808080;
constexpr uint32_t Silver = 0xC0C0C0;
constexpr uint32_t Aqua = 0xFFFF00;
constexpr uint32_t Fuchsia = 0xFF00FF;
constexpr uint32_t Yellow = 0x00FFFF;
constexpr uint32_t Lime = 0x00FF00;
} // namespace Charts

// Nearest integer, a half going to the even neighbour.
int RoundEven(double v);

// One series slot of a chart.
struct TSeries {
    int Chart = 0;
    bool Assigned = false; // the name is not empty
    std::string Name;      // ACode + " " + Units
    uint32_t Color = Charts::Aqua;
    float DisplayMin = 0, DisplayMax = 0;
    std::string RCode, MCode;
    int AID = 0;
    int AttrIndex = -1, ItemIndex = -1; // where the value lives in the runtime image

    // Only a slot with a real display range draws and shows values.
    bool Drawn() const { return DisplayMin < DisplayMax; }
    void SetName(const std::string& name) {
        Name = name;
        Assigned = !name.empty();
    }
    void Empty(); // unassigned: no name, range 0..0, no codes
};

// What one chart row holds: the look of its strips and its four series slots (their values are
// in the column cache, ChartData.h).
struct TChartRow {
    uint32_t Color = Charts::DarkNavy; // background of the graph, y-axis and legend strips
    int GridCount = 1;
    uint32_t GridColor = Charts::Navy;
    uint32_t YaxisFontColor = Charts::White;
    float DisplayMin = 0, DisplayMax = 255; // the override values
    bool DisplayMinOverride = false, DisplayMaxOverride = false;
    std::array<TSeries, Charts::SeriesSlots> Series;

    float EffectiveMin() const;
    float EffectiveMax() const;
};

// Where values land in a strip of height h: EffectiveMin at h - 8, EffectiveMax at 7.
struct TChartScale {
    int Height = 0;
    int Baseline = 0; // h - 8
    double Scale = 0; // pixels per unit; 0 when the range is empty (every value on the baseline)
    float Min = 0;

    static TChartScale For(int height, float effectiveMin, float effectiveMax);
    // Clamped far outside the strip so that wild values cannot overflow the drawing surface.
    int Y(float value) const;
};

// y of grid line j (0..n) in a strip of height h.
int GridLineY(int height, int gridCount, int j);

struct TAxisLabel {
    int Y = 0; // top of the text
    std::string Text;
};
// The y-axis labels of a strip (none when gridCount is 0); labels closer than 14 px to the one
// below are left out.
std::vector<TAxisLabel> YAxisLabels(int height, int gridCount, float effectiveMin,
                                    float effectiveMax);

// The value a slot plots when the monitor shows sample waves (the properties preview).
float SampleWave(int frame, int slot, float displayMin, float displayMax);

// An elapsed time in ms in a ruler format: "hh" hours, "nn" minutes, "ss" seconds, "zzz"
// milliseconds, each with leading zeros; other characters are kept. The largest unit of the
// format takes the whole time ("nn:ss" of 75 minutes reads 75:00). A negative time counts from
// the previous midnight.
std::string ElapsedText(int64_t ms, const std::string& format);

// Fills the runtime image's pick list from its macro items (the chartable and dashable values);
// returns the number of entries made.
int FillPickList(TCartridge& image);
// "%s (%s..%s) %s" of a value entry: name, display range in number text, units.
std::string PickListCaption(const TPickListItem& item);
