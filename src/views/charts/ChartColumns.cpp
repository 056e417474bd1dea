#include "views/charts/ChartColumns.h"

#include "views/charts/ChartMon.h"
#include "views/charts/ChartPaint.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

using namespace Charts;

QImage PaperPicture(const QImage& shot, const std::vector<TPaperBand>& bands) {
    const QImage src = shot.convertToFormat(QImage::Format_RGB32);
    const int w = src.width(), h = src.height();
    QImage out(h, w, QImage::Format_RGB32);
    const QRgb white = 0xFFFFFFFFu, black = 0xFF000000u;
    const QRgb navy = ChartColour(DarkNavy).rgb();
    for (int y = 0; y < h; ++y) {
        const TPaperBand* band = nullptr;
        for (const TPaperBand& b : bands) {
            if (y >= b.Top && y < b.Bottom) {
                band = &b;
                break;
            }
        }
        const QRgb background = band ? ChartColour(band->Background).rgb() : 0;
        const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            QRgb p = line[x] | 0xFF000000u;
            if (p == white) {
                p = black;
            }
            if (band && (p == background || (band->Strip && p == navy))) {
                p = white;
            }
            reinterpret_cast<QRgb*>(out.scanLine(w - 1 - x))[y] = p;
        }
    }
    return out;
}

// ---- y-axis column ----

TYaxis::TYaxis(TChartMon& monitor) : QWidget(&monitor), mon(monitor) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

namespace {

// The monitor's own background where no strip lies: below the strips of a column.
void fillBelowStrips(QPainter& p, const TChartMon& mon, int width, int height) {
    const int bottom = mon.StripHeight() > 0 ? mon.StripTop(ChartCount) : 0;
    if (bottom < height) {
        p.fillRect(0, bottom, width, height - bottom, ChartColour(DarkNavy));
    }
}

// The side columns have no notes of their own: their part of the notes row is background too,
// or the page shown before shows through there (the columns paint opaquely).
void fillOutsideStrips(QPainter& p, const TChartMon& mon, int width, int height) {
    const int top = mon.StripHeight() > 0 ? std::min(mon.StripTop(0), height) : 0;
    if (top > 0) {
        p.fillRect(0, 0, width, top, ChartColour(DarkNavy));
    }
    fillBelowStrips(p, mon, width, height);
}

} // namespace

void TYaxis::paintEvent(QPaintEvent*) {
    QPainter p(this);
    fillOutsideStrips(p, mon, width(), height());
    if (mon.StripHeight() <= 0) {
        return;
    }
    const TChartDrawing drawing(mon, mon.Geometry(), mon.View(), 1, false);
    for (int k = 0; k < ChartCount; ++k) {
        drawing.YaxisStrip(p, k);
    }
}

// ---- graph area ----

TGraph::TGraph(TChartMon& monitor) : QWidget(&monitor), mon(monitor) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setMouseTracking(false);
}

void TGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (mon.StripHeight() <= 0) {
        p.fillRect(rect(), ChartColour(DarkNavy));
        return;
    }
    if (!mon.RulerVisible()) {
        fillBelowStrips(p, mon, width(), height());
    }
    const TChartDrawing drawing(mon, mon.Geometry(), mon.View(), 1, false);
    if (mon.NotesVisible()) {
        drawing.NotesStrip(p);
    }
    for (int k = 0; k < ChartCount; ++k) {
        drawing.ChartStrip(p, k);
    }
    if (mon.RulerVisible()) {
        drawing.Ruler(p);
    }
    if (mon.PausedView()) {
        paintPausedMark(p);
    }
    if ((mon.Tracking || mon.Inspecting) && mon.Count() > 0) {
        const int x = mon.View().ViewX(mon.Cursor());
        if (x >= 0 && x < width()) {
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
            p.drawLine(x, mon.StripTop(0), x, mon.ViewHeight() - 1);
        }
    }
}

void TGraph::paintPausedMark(QPainter& p) {
    // Top right of the first chart: the view no longer follows the newest frame.
    const QString text = QStringLiteral("paused view");
    p.setFont(ChartFont());
    const QFontMetrics fm(p.font());
    const QRect box(width() - fm.horizontalAdvance(text) - 8, mon.StripTop(0) + 1,
                    fm.horizontalAdvance(text) + 6, fm.height());
    p.fillRect(box, ChartColour(Silver));
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignCenter, text);
}

bool TGraph::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    auto* help = static_cast<QHelpEvent*>(event);
    if (mon.NotesVisible() && help->pos().y() < NotesHeight) {
        const TChartDrawing drawing(mon, mon.Geometry(), mon.View(), 1, false);
        const int x = help->pos().x();
        for (const TNoteLabel& label : drawing.NoteLabels()) {
            if (x >= label.X - 2 && x <= std::max(label.TextRight, label.X + 2)) {
                QToolTip::showText(help->globalPos(),
                                   QString::fromStdString(mon.Notes.NamesOfMask(label.Mask)), this);
                return true;
            }
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void TGraph::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        panning = true;
        panFromX = at.x();
        panFromPosition = mon.ScrollPosition();
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    mon.GraphMousePress(at.x(), at.y());
}

void TGraph::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (panning) {
        mon.ScrollTo(panFromPosition - (at.x() - panFromX));
        return;
    }
    mon.GraphMouseMove(at.x(), at.y());
}

void TGraph::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::MiddleButton && panning) {
        panning = false;
        setCursor(Qt::CrossCursor);
        return;
    }
    mon.GraphMouseRelease(at.x(), at.y());
}

void TGraph::wheelEvent(QWheelEvent* event) {
    // A notch (120) zooms by two, towards the reader for a forward turn; a sideways turn (a
    // touchpad's) pans, 15 columns a notch.
    const QPoint delta = event->angleDelta();
    event->accept();
    if (delta.y() == 0) {
        sideRest += delta.x();
        const int columns = sideRest / 8;
        sideRest %= 8;
        mon.ScrollTo(mon.ScrollPosition() - columns);
        return;
    }
    wheelRest += delta.y();
    const int notches = wheelRest / 120;
    wheelRest %= 120;
    if (notches != 0) {
        const int x = static_cast<int>(event->position().x());
        mon.ZoomAt(x, notches > 0 ? 1.0 / (1 << std::min(notches, 8))
                                  : static_cast<double>(1 << std::min(-notches, 8)));
    }
}

void TGraph::contextMenuEvent(QContextMenuEvent* event) {
    if (mon.Busy()) {
        return;
    }
    if (mon.Tracking) {
        // The menu takes the release: the cursor ends where it is.
        mon.GraphMouseRelease(mon.View().ViewX(mon.Cursor()), event->pos().y());
    }
    if (event->reason() != QContextMenuEvent::Mouse) {
        mon.MouseX = mon.Cursor(); // opened from the keyboard: the cursor's frame
    }
    mon.UpdateChartMenu();
    mon.ChartMenu().popup(event->globalPos());
}

// ---- legend column ----

TLegend::TLegend(TChartMon& monitor) : QWidget(&monitor), mon(monitor) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLegend::paintEvent(QPaintEvent*) {
    QPainter p(this);
    fillOutsideStrips(p, mon, width(), height());
    if (mon.StripHeight() <= 0) {
        return;
    }
    const TChartDrawing drawing(mon, mon.Geometry(), mon.View(), 1, false);
    for (int k = 0; k < ChartCount; ++k) {
        drawing.LegendStrip(p, k, mon.Cursor());
    }
}

void TLegend::mousePressEvent(QMouseEvent* event) {
    mon.LegendMousePress(event->position().toPoint().y());
}

void TLegend::contextMenuEvent(QContextMenuEvent* event) {
    if (mon.Busy()) {
        return;
    }
    if (event->reason() == QContextMenuEvent::Mouse) {
        mon.LegendMousePress(event->pos().y());
    }
    mon.UpdateLegendMenu();
    mon.LegendMenu().popup(event->globalPos());
}
