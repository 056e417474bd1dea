#pragma once
// The chart monitor's numbers without any drawing: the fixed sizes, the series slots and sample
// store of a chart, its effective y range and pixel coordinates, the grid and y-axis labels, the
// scrolling rule, the notes of the frames, the ruler's time stamps and the texts of the detail
// cursor. The widgets in ChartMon only draw what these compute.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TCartridge;
struct TPickListItem;

namespace Charts {
constexpr int ChartCount = 4;
constexpr int SeriesSlots = 4;
constexpr int Frames = 300; // sample columns, note masks and stamps: frames 0..299
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

// What one chart row holds: the look of its y-axis strip and the samples of its graph strip.
struct TChartRow {
    uint32_t Color = Charts::DarkNavy; // background of the graph, y-axis and legend strips
    int GridCount = 1;
    uint32_t GridColor = Charts::Navy;
    uint32_t YaxisFontColor = Charts::White;
    float DisplayMin = 0, DisplayMax = 255; // the override values
    bool DisplayMinOverride = false, DisplayMaxOverride = false;
    std::array<TSeries, Charts::SeriesSlots> Series;
    // samples[frame][slot], MissingValue when empty
    std::array<std::array<float, Charts::SeriesSlots>, Charts::Frames> Samples;

    TChartRow();
    void ClearSamples();
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

// The scroll position that SetCount(n) moves to, or -1 when it does not scroll.
int ScrollPositionFor(int count, int speed, int graphWidth, bool paintEnabled);

// The value a slot plots when the monitor shows sample waves (the properties preview).
float SampleWave(int frame, int slot, float displayMin, float displayMax);

// The note sets of the frames with the names and colours of the 32 notes.
class TNoteMarks {
public:
    TNoteMarks();
    uint32_t Mask(int i) const;
    void SetMask(int i, uint32_t mask);
    void ClearMasks() { masks.fill(0); }
    const std::string& Name(int n) const { return names[static_cast<size_t>(n)]; }
    void SetName(int n, const std::string& name);
    uint32_t Color(int n) const { return colors[static_cast<size_t>(n)]; }
    void SetColor(int n, uint32_t color);
    // The names of the frame's notes, lowest first, joined with ",".
    std::string NamesOf(int i) const;
    // The nearest frame with notes within 10 frames of the cursor (at each distance the later
    // frame first), or -1.
    int NearestNoted(int cursor) const;
    // The nearest frame at or before the cursor that has notes, or -1.
    int NotedAtOrBefore(int cursor) const;

private:
    std::array<uint32_t, Charts::Frames> masks{};
    std::array<std::string, Charts::NoteSlots> names;
    std::array<uint32_t, Charts::NoteSlots> colors{};
};

// Tick flags of a stamp (its high 32 bits).
constexpr uint32_t SmallTick = 1, LargeTick = 2, LabelTick = 4;

// The ruler's stamps: low 32 bits the frame's time of day in ms, high 32 bits its tick flags.
class TRulerStamps {
public:
    int TickInterval = 1000, LabelInterval = 5000, SubTickInterval = 100;

    TRulerStamps() { ResetStamps(); }
    void ResetStamps();
    // t is a time of day in days; below 0 the current time of day is taken.
    void RecordStamp(int i, double t);
    uint64_t Stamp(int i) const;
    static uint32_t TimeOf(uint64_t stamp) { return static_cast<uint32_t>(stamp & 0xFFFFFFFFu); }
    static uint32_t FlagsOf(uint64_t stamp) { return static_cast<uint32_t>(stamp >> 32); }
    // ms since frame 0 (negative across midnight)
    int64_t ElapsedOf(int i) const;

private:
    std::array<uint64_t, Charts::Frames> stamps{};
    int64_t elapsed = 0, lastTick = 0, lastSub = 0, lastLabel = 0;
};

// An elapsed time in ms in a ruler format: "hh" hours, "nn" minutes, "ss" seconds, "zzz"
// milliseconds, each with leading zeros; other characters are kept. A negative time (a frame
// past midnight) counts from the previous midnight.
std::string ElapsedText(int64_t ms, const std::string& format);

// Fills the runtime image's pick list from its macro items (the chartable and dashable values);
// returns the number of entries made.
int FillPickList(TCartridge& image);
// "%s (%s..%s) %s" of a value entry: name, display range in number text, units.
std::string PickListCaption(const TPickListItem& item);
