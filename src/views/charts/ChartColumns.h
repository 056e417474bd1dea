#pragma once
// The three columns of the chart monitor on the screen. Each paints what the view shows straight
// from the column cache (ChartPaint.h); a new frame only asks for a repaint, which Qt gathers
// into one paint per screen refresh. The cursor line is inverted over the drawing.
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <vector>

class TChartMon;

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TChartMon& mon;
};

class TGraph : public QWidget {
public:
    explicit TGraph(TChartMon& monitor);

protected:
    bool event(QEvent* event) override; // tooltips of the notes strip
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void paintPausedMark(QPainter& p);
    TChartMon& mon;
    bool panning = false; // the middle button drags the view
    int panFromX = 0, panFromPosition = 0;
    int wheelRest = 0; // wheel steps smaller than a notch, kept for the next event
    int sideRest = 0;  // sideways steps smaller than a column
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
