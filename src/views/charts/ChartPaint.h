#pragma once
// How the chart monitor draws, on the screen and on paper alike: the y-axis, chart, legend,
// notes and ruler strips straight from the column cache for the frames a view shows, a pixel
// column over many frames as the line from their smallest to their largest value (so a spike
// never disappears). Paper takes a white background and finer columns: the same drawing under a
// scaled painter, at the printer's resolution.
#include "views/charts/ChartModel.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <vector>

class QPainter;
class TChartMon;
class TChartView;

// A colour of the settings (0x00BBGGRR) for drawing.
QColor ChartColour(uint32_t colour);
// The font of the strips: a small sans-serif about 13 px high.
QFont ChartFont();

namespace Charts {
constexpr int LegendRowHeight = 14; // the legend's rows of series slots
} // namespace Charts

// Where the strips of a monitor of a given size lie, in monitor pixels; the graph area starts
// at x = 0 of its own column.
struct TChartGeometry {
    int Width = 0, Height = 0; // the columns' height (above the scroll bar)
    int GraphWidth = 0;        // between the y-axis and the legend column
    int StripHeight = 0;
    bool NotesVisible = true, RulerVisible = true;

    static TChartGeometry For(int width, int height, bool notesVisible, bool rulerVisible);
    int StripTop(int k) const { return k * StripHeight + (NotesVisible ? Charts::NotesHeight : 0); }
    int RulerTop() const { return StripTop(Charts::ChartCount); }
    int RulerHeight() const { return Height - RulerTop(); }
};

// One noted column of the notes strip: its mark and how much of its names fit before the next.
struct TNoteLabel {
    double X = 0; // painter x of the mark
    int Frame = 0;
    uint32_t Mask = 0;    // the notes of the frames in its column
    double Room = 0;      // width its names may take
    double TextRight = 0; // where the drawn names end
    bool Shortened = false;
};

class TChartDrawing {
public:
    // xScale: painter units a view column takes (1 on the screen).
    TChartDrawing(const TChartMon& monitor, const TChartGeometry& geometry, const TChartView& view,
                  double xScale, bool paper);

    void YaxisStrip(QPainter& p, int k) const;
    void ChartStrip(QPainter& p, int k) const;
    void LegendStrip(QPainter& p, int k, int cursor) const;
    void NotesStrip(QPainter& p) const;
    void Ruler(QPainter& p) const;
    // The marks of the notes strip and the room their names take.
    std::vector<TNoteLabel> NoteLabels() const;

    QColor Fill(uint32_t background) const;
    QColor Ink(uint32_t colour) const;

private:
    void seriesLines(QPainter& p, int k, int r, const TChartScale& scale, int top) const;
    double xOf(int frame) const;

    const TChartMon& mon;
    TChartGeometry g;
    const TChartView& view;
    double xScale;
    bool paper;
    QFont font;
    QFontMetrics metrics;
    // The first frame of view column x (within 0 .. Count()), for x = 0 .. view width.
    std::vector<int> bounds;
};
