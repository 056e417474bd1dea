#include "views/charts/ChartColumns.h"

#include "common/Common.h"
#include "common/Format.h"
#include "engine/Cartridge.h"
#include "views/charts/ChartMon.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

using namespace Charts;

QColor ChartColour(uint32_t colour) {
    return QColor(static_cast<QRgb>(SwapRedBlue(colour & 0xFFFFFFu)));
}

QFont ChartFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(10);
    return font;
}

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

void TYaxis::Invalidate() {
    dirty = true;
    update();
}

void TYaxis::drawStrip(int k, QImage& image) const {
    const TChartRow& row = mon.Rows[static_cast<size_t>(k)];
    const int w = image.width(), h = image.height();
    image.fill(ChartColour(row.Color));
    QPainter p(&image);
    p.setFont(ChartFont());
    if (row.GridCount > 0) {
        p.setPen(ChartColour(row.GridColor));
        p.drawLine(w - 1, 0, w - 1, h - 1);
        p.setPen(ChartColour(row.YaxisFontColor));
        const QFontMetrics fm(p.font());
        for (const TAxisLabel& label :
             YAxisLabels(h, row.GridCount, row.EffectiveMin(), row.EffectiveMax())) {
            const QString text = QString::fromStdString(label.Text);
            p.drawText(w - 2 - fm.horizontalAdvance(text), label.Y + fm.ascent(), text);
        }
    }
    p.setPen(ChartColour(Silver));
    p.drawLine(0, h - 1, w - 1, h - 1);
}

void TYaxis::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), ChartColour(DarkNavy));
    const int h = mon.StripHeight();
    if (h <= 0) {
        return;
    }
    if (dirty && mon.PaintEnabled()) {
        for (int k = 0; k < ChartCount; ++k) {
            strips[static_cast<size_t>(k)] = QImage(width(), h, QImage::Format_RGB32);
            drawStrip(k, strips[static_cast<size_t>(k)]);
        }
        dirty = false;
    }
    for (int k = 0; k < ChartCount; ++k) {
        if (!strips[static_cast<size_t>(k)].isNull()) {
            p.drawImage(0, mon.StripTop(k), strips[static_cast<size_t>(k)]);
        }
    }
}

// ---- graph area ----

TGraph::TGraph(TChartMon& monitor) : QWidget(&monitor), mon(monitor) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setMouseTracking(false);
}

void TGraph::Invalidate() {
    dirty = true;
    update();
}

void TGraph::Refresh() {
    if (dirty && mon.PaintEnabled()) {
        rebuild();
    }
}

void TGraph::rebuild() {
    const int h = std::max(mon.StripHeight(), 1);
    for (int k = 0; k < ChartCount; ++k) {
        charts[static_cast<size_t>(k)] = QImage(Frames, h, QImage::Format_RGB32);
        drawChart(k);
    }
    notes = QImage(Frames, NotesHeight, QImage::Format_RGB32);
    drawNotes();
    ruler = QImage(Frames, std::max(mon.ViewHeight() - mon.RulerTop(), 1), QImage::Format_RGB32);
    drawRuler();
    dirty = false;
}

void TGraph::drawChart(int k) {
    const TChartRow& row = mon.Rows[static_cast<size_t>(k)];
    QImage& image = charts[static_cast<size_t>(k)];
    const int h = image.height();
    image.fill(ChartColour(row.Color));
    QPainter p(&image);
    p.setPen(ChartColour(Silver));
    p.drawLine(0, h - 1, Frames - 1, h - 1);
    if (row.GridCount > 0) {
        p.setPen(QPen(ChartColour(row.GridColor), 1));
        for (int j = 0; j <= row.GridCount; ++j) {
            const int y = GridLineY(h, row.GridCount, j);
            p.drawLine(0, y, Frames - 1, y);
        }
    }
    const TChartScale& scale = mon.ScaleOf(k);
    const int last = std::min(mon.Count(), Frames);
    QVector<QPoint> line;
    line.reserve(last);
    for (int r = 0; r < SeriesSlots; ++r) {
        const TSeries& s = row.Series[static_cast<size_t>(r)];
        if (!s.Drawn()) {
            continue;
        }
        line.clear();
        for (int x = 0; x < last; ++x) {
            const float v = row.Samples[static_cast<size_t>(x)][static_cast<size_t>(r)];
            if (v != MissingValue) {
                line.append(QPoint(x, scale.Y(v)));
            }
        }
        p.setPen(QPen(ChartColour(s.Color), mon.LineWeight(), Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        if (line.size() > 1) {
            p.drawPolyline(line.constData(), static_cast<int>(line.size()));
        }
    }
}

void TGraph::PlotChartFrame(int k, int i) {
    if (dirty) {
        update();
        return;
    }
    const TChartRow& row = mon.Rows[static_cast<size_t>(k)];
    const TChartScale& scale = mon.ScaleOf(k);
    QPainter p(&charts[static_cast<size_t>(k)]);
    int from = i;
    for (int r = 0; r < SeriesSlots; ++r) {
        const TSeries& s = row.Series[static_cast<size_t>(r)];
        const float v = row.Samples[static_cast<size_t>(i)][static_cast<size_t>(r)];
        if (!s.Drawn() || v == MissingValue) {
            continue;
        }
        // The line bridges missing frames back to the last present sample.
        int j = i - 1;
        while (j >= 0 &&
               row.Samples[static_cast<size_t>(j)][static_cast<size_t>(r)] == MissingValue) {
            --j;
        }
        if (j < 0) {
            continue;
        }
        p.setPen(QPen(ChartColour(s.Color), mon.LineWeight(), Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawLine(j, scale.Y(row.Samples[static_cast<size_t>(j)][static_cast<size_t>(r)]), i,
                   scale.Y(v));
        from = std::min(from, j);
    }
    const int pad = mon.LineWeight() + 1;
    updateFrames(from - pad, i + pad, mon.StripTop(k), mon.StripHeight());
}

void TGraph::drawNotes() {
    notes.fill(ChartColour(mon.NotesColor));
    QPainter p(&notes);
    drawNoteMarks(p, 0, Frames - 1);
}

void TGraph::drawNoteMarks(QPainter& p, int from, int to) const {
    p.setFont(ChartFont());
    const QFontMetrics fm(p.font());
    from = std::max(from, 0);
    to = std::min(to, Frames - 1);
    for (int x = from; x <= to; ++x) {
        const uint32_t mask = mon.Notes.Mask(x);
        if (mask == 0) {
            continue;
        }
        int at = x + 1;
        bool first = true;
        for (int n = 0; n < NoteSlots; ++n) {
            if (!(mask & (1u << n))) {
                continue;
            }
            const QColor colour = ChartColour(mon.Notes.Color(n));
            p.setPen(QPen(colour, 1));
            if (first) {
                p.drawLine(x, 6, x, 15);
            }
            const QString text = (first ? QString() : QStringLiteral(",")) +
                                 QString::fromStdString(mon.Notes.Name(n));
            p.drawText(at, fm.ascent(), text);
            at += fm.horizontalAdvance(text);
            first = false;
        }
    }
}

void TGraph::PlotNotesFrame(int i) {
    if (dirty || mon.Notes.Mask(i) == 0) {
        return;
    }
    QPainter p(&notes);
    drawNoteMarks(p, i - 100, i + 100);
    updateFrames(i - 100, Frames, 0, NotesHeight);
}

void TGraph::NotesChanged() {
    if (!dirty && !notes.isNull()) {
        drawNotes();
    }
    updateFrames(0, Frames, 0, NotesHeight);
}

void TGraph::drawRuler() {
    ruler.fill(ChartColour(mon.RulerColor));
    QPainter p(&ruler);
    drawRulerMarks(p, 0, Frames - 1);
}

void TGraph::drawRulerMarks(QPainter& p, int from, int to) const {
    p.setFont(ChartFont());
    const QFontMetrics fm(p.font());
    const int h = ruler.height();
    from = std::max(from, 0);
    to = std::min(to, Frames - 1);
    for (int x = from; x <= to; ++x) {
        const uint64_t stamp = mon.Ruler.Stamp(x);
        const uint32_t flags = TRulerStamps::FlagsOf(stamp);
        if (stamp == 0 || flags == 0) {
            continue;
        }
        p.setPen(QPen(ChartColour(mon.RulerTickColor), 1));
        if (flags & LargeTick) {
            p.drawLine(x, h - 17, x, h - 23);
        } else if (flags & SmallTick) {
            p.drawLine(x, h - 17, x, h - 19);
        }
        if (flags & LabelTick) {
            const QString text =
                QString::fromStdString(ElapsedText(mon.Ruler.ElapsedOf(x), mon.RulerFormat));
            p.setPen(ChartColour(mon.RulerFontColor));
            p.drawText(x - fm.horizontalAdvance(text) / 2, h - 16 + fm.ascent(), text);
        }
    }
}

void TGraph::PlotRulerFrame(int i) {
    if (dirty || !mon.RulerVisible()) {
        return;
    }
    QPainter p(&ruler);
    drawRulerMarks(p, i, i);
    updateFrames(i - 40, i + 40, mon.RulerTop(), height() - mon.RulerTop());
}

void TGraph::CursorColumnChanged(int frame) {
    updateFrames(frame, frame, 0, height());
}

void TGraph::updateFrames(int from, int to, int top, int h) {
    const int p = mon.ScrollPosition();
    const int left = std::max(from - p, 0), right = std::min(to - p, width() - 1);
    if (right >= left && h > 0) {
        update(left, top, right - left + 1, h);
    }
}

void TGraph::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect area = event->rect();
    p.fillRect(area, ChartColour(DarkNavy));
    if (mon.StripHeight() <= 0) {
        return;
    }
    Refresh();
    const int pos = mon.ScrollPosition();
    auto blit = [&](const QImage& image, int top) {
        if (image.isNull()) {
            return;
        }
        const QRect target(-pos, top, image.width(), image.height());
        const QRect part = target.intersected(area);
        if (!part.isEmpty()) {
            p.drawImage(part, image, part.translated(pos, -top));
        }
    };
    if (mon.NotesVisible()) {
        blit(notes, 0);
    }
    for (int k = 0; k < ChartCount; ++k) {
        blit(charts[static_cast<size_t>(k)], mon.StripTop(k));
    }
    if (mon.RulerVisible()) {
        blit(ruler, mon.RulerTop());
    }
    if (mon.Tracking || mon.Inspecting) {
        const int x = mon.Cursor() - pos;
        if (x >= area.left() && x <= area.right()) {
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
            p.drawLine(x, mon.StripTop(0), x, mon.ViewHeight() - 1);
        }
    }
}

void TGraph::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    mon.GraphMousePress(at.x(), at.y());
}

void TGraph::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    mon.GraphMouseMove(at.x(), at.y());
}

void TGraph::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    mon.GraphMouseRelease(at.x(), at.y());
}

void TGraph::contextMenuEvent(QContextMenuEvent* event) {
    if (mon.Busy()) {
        return;
    }
    if (mon.Tracking) {
        // The menu takes the release: the cursor ends where it is.
        mon.GraphMouseRelease(mon.Cursor() - mon.ScrollPosition(), event->pos().y());
    }
    mon.UpdateChartMenu();
    mon.ChartMenu().exec(event->globalPos());
}

// ---- legend column ----

TLegend::TLegend(TChartMon& monitor) : QWidget(&monitor), mon(monitor) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLegend::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), ChartColour(DarkNavy));
    const int h = mon.StripHeight();
    if (h <= 0) {
        return;
    }
    p.setFont(ChartFont());
    const QFontMetrics fm(p.font());
    const int w = width();
    const int cursor = mon.Cursor();
    for (int k = 0; k < ChartCount; ++k) {
        const TChartRow& row = mon.Rows[static_cast<size_t>(k)];
        const int top = mon.StripTop(k);
        p.fillRect(0, top, w, h, ChartColour(row.Color));
        p.setPen(ChartColour(Silver));
        p.drawLine(0, top + h - 1, w - 1, top + h - 1);
        p.setClipRect(0, top, w, h - 1);
        for (int r = 0; r < SeriesSlots; ++r) {
            const TSeries& s = row.Series[static_cast<size_t>(r)];
            const int y = top + 14 * r;
            if (s.Drawn()) {
                p.setPen(ChartColour(s.Color));
                p.drawText(0, y + fm.ascent(), QString::fromStdString(s.Name));
                const float v =
                    cursor >= 0 && cursor < Frames
                        ? row.Samples[static_cast<size_t>(cursor)][static_cast<size_t>(r)]
                        : MissingValue;
                if (v != MissingValue) {
                    const QString text = QString::fromStdString(Format("%3.2f", v));
                    p.drawText(w - fm.horizontalAdvance(text), y + fm.ascent(), text);
                }
            } else {
                p.setPen(ChartColour(HalfColour(s.Color)));
                p.setBrush(ChartColour(row.Color));
                p.drawRect(0, y, w / 2 - 1, 12);
                p.setBrush(Qt::NoBrush);
            }
        }
        p.setClipping(false);
    }
}

void TLegend::mousePressEvent(QMouseEvent* event) {
    mon.LegendMousePress(event->position().toPoint().y());
}

void TLegend::contextMenuEvent(QContextMenuEvent* event) {
    if (mon.Busy()) {
        return;
    }
    mon.UpdateLegendMenu();
    mon.LegendMenu().exec(event->globalPos());
}
