#pragma once
// The three columns of the chart monitor and how they draw. Each keeps what it shows in cached
// images of the full data width, rebuilt only on layout, settings and re-plot changes; a plotted
// frame adds its new segments, notes and ticks to the caches and the screen copies only the
// changed columns. The cursor line is inverted over the copy, never into the caches.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class TChartMon;

// A colour of the settings (0x00BBGGRR) for drawing.
QColor ChartColour(uint32_t colour);
// The font of the strips: a small sans-serif about 13 px high.
QFont ChartFont();

// One band of rows of a chart picture for paper: pixels of its background turn white (after
// white ones turned black); in the notes and ruler bands the monitor's own background too.
struct TPaperBand {
    int Top = 0, Bottom = 0; // rows Top .. Bottom - 1 of the screen picture
    uint32_t Background = 0;
    bool Strip = false; // notes or ruler band
};
// The screen picture turned a quarter counter-clockwise ((x, y) goes to (y, width - 1 - x)) and
// recoloured band by band.
QImage PaperPicture(const QImage& shot, const std::vector<TPaperBand>& bands);

class TYaxis : public QWidget {
public:
    explicit TYaxis(TChartMon& monitor);
    void Invalidate(); // rebuild the strips at the next paint

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawStrip(int k, QImage& image) const;
    TChartMon& mon;
    std::array<QImage, 4> strips;
    bool dirty = true;
};

class TGraph : public QWidget {
public:
    explicit TGraph(TChartMon& monitor);
    void Invalidate(); // rebuild every cache at the next paint
    // Adds frame i to the caches and asks for the changed columns only.
    void PlotChartFrame(int k, int i);
    void PlotNotesFrame(int i);
    void PlotRulerFrame(int i);
    void NotesChanged(); // the notes strip is redrawn whole
    void CursorColumnChanged(int frame);
    // Brings the caches up to date now (before a picture is taken).
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void rebuild();
    void drawChart(int k);
    void drawNotes();
    void drawNoteMarks(QPainter& p, int from, int to) const;
    void drawRuler();
    void drawRulerMarks(QPainter& p, int from, int to) const;
    void updateFrames(int from, int to, int top, int height);
    TChartMon& mon;
    std::array<QImage, 4> charts;
    QImage notes, ruler;
    bool dirty = true;
};

class TLegend : public QWidget {
public:
    explicit TLegend(TChartMon& monitor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TChartMon& mon;
};
