// Printing the chart monitor, and its picture file.
#include "views/charts/ChartMon.h"

#include "common/Common.h"
#include "shell/Printing.h"
#include "views/charts/ChartColumns.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Charts;

// ---- printing ----

void TChartMon::PaintForPaper(QPainter& p, const QRectF& area) {
    if (width() <= 0 || area.width() <= 0 || area.height() <= 0) {
        return;
    }
    // The monitor laid out again at the area's shape, one monitor pixel taking `unit` units;
    // the graph takes finer columns, one a device unit or so, for the printer's resolution.
    const double unit = area.width() / width();
    const TChartGeometry g = TChartGeometry::For(width(), static_cast<int>(area.height() / unit),
                                                 notesVisible, rulerVisible);
    const int fineness = std::clamp(static_cast<int>(std::floor(unit)), 1, 16);
    const TChartView fine = view.Finer(fineness);
    const TChartDrawing drawing(*this, g, fine, 1.0 / fineness, true);
    p.save();
    p.translate(area.topLeft());
    p.scale(unit, unit);
    p.setClipRect(QRectF(0, 0, g.Width, g.Height));
    p.fillRect(QRectF(0, 0, g.Width, g.Height), Qt::white);
    for (int k = 0; k < ChartCount; ++k) {
        drawing.YaxisStrip(p, k);
    }
    p.translate(YaxisWidth, 0);
    if (notesVisible) {
        drawing.NotesStrip(p);
    }
    for (int k = 0; k < ChartCount; ++k) {
        drawing.ChartStrip(p, k);
    }
    if (rulerVisible) {
        drawing.Ruler(p);
    }
    p.translate(g.GraphWidth, 0);
    for (int k = 0; k < ChartCount; ++k) {
        drawing.LegendStrip(p, k, cursor);
    }
    p.restore();
}

QImage TChartMon::ChartPicture() {
    const int viewH = ViewHeight();
    QImage shot(width(), viewH, QImage::Format_RGB32);
    shot.fill(ChartColour(DarkNavy));
    render(&shot, QPoint(), QRegion(0, 0, width(), viewH));
    std::vector<TPaperBand> bands;
    if (notesVisible) {
        bands.push_back({0, NotesHeight, NotesColor, true});
    }
    for (int k = 0; k < ChartCount; ++k) {
        bands.push_back({StripTop(k), StripTop(k) + StripHeight(), ChartColor(k), false});
    }
    bands.push_back({RulerTop(), viewH, RulerColor, true});
    return PaperPicture(shot, bands);
}

void TChartMon::PrintChart(TPrintJob& job) {
    if (job.IsActive()) {
        PaintForPaper(job.Painter(),
                      QRectF(100, 500, job.PageWidth() - 200, job.PageHeight() - 700));
    }
    const QImage picture = ChartPicture();
    const QString path =
        QString::fromStdString(PicturePath.empty() ? OwnFilesDir() + "/chart.bmp" : PicturePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    picture.save(path, "BMP");
}
