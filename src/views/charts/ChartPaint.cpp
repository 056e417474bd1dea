#include "views/charts/ChartPaint.h"

#include "common/Common.h"
#include "common/Format.h"
#include "engine/Cartridge.h"
#include "views/charts/ChartMon.h"

#include <QLineF>
#include <QPainter>
#include <QVector>

#include <algorithm>

using namespace Charts;

namespace {

// Names longer than their room end in this.
const QString Ellipsis = QStringLiteral("\u2026");

} // namespace

QColor ChartColour(uint32_t colour) {
    return QColor(static_cast<QRgb>(SwapRedBlue(colour & 0xFFFFFFu)));
}

QFont ChartFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(10);
    return font;
}

TChartGeometry TChartGeometry::For(int width, int height, bool notesVisible, bool rulerVisible) {
    TChartGeometry g;
    g.Width = std::max(width, 0);
    g.Height = std::max(height, 0);
    g.GraphWidth = std::max(0, width - YaxisWidth - LegendWidth);
    g.NotesVisible = notesVisible;
    g.RulerVisible = rulerVisible;
    g.StripHeight = std::max(0, (g.Height - (notesVisible ? NotesHeight : 0) -
                                 (rulerVisible ? Charts::RulerHeight : 0)) /
                                    ChartCount);
    return g;
}

TChartDrawing::TChartDrawing(const TChartMon& monitor, const TChartGeometry& geometry,
                             const TChartView& shown, double scale, bool onPaper)
    : mon(monitor), g(geometry), view(shown), xScale(scale), paper(onPaper), font(ChartFont()),
      metrics(font) {
    const int count = mon.Count();
    bounds.resize(static_cast<size_t>(std::max(view.Width(), 0)) + 1);
    for (size_t x = 0; x < bounds.size(); ++x) {
        bounds[x] = std::clamp(view.FirstFrameOf(view.Position() + static_cast<int>(x)), 0, count);
    }
}

QColor TChartDrawing::Fill(uint32_t background) const {
    return paper ? QColor(Qt::white) : ChartColour(background);
}

QColor TChartDrawing::Ink(uint32_t colour) const {
    if (!paper) {
        return ChartColour(colour);
    }
    if ((colour & 0xFFFFFFu) == White) {
        return QColor(Qt::black);
    }
    // Light colours that glow on the dark screen would fade on white paper.
    const QColor c = ChartColour(colour);
    return c.lightness() > 160 ? c.darker(170) : c;
}

double TChartDrawing::xOf(int frame) const {
    return (view.ColumnOf(frame) - view.Position()) * xScale;
}

// ---- y-axis and legend ----

void TChartDrawing::YaxisStrip(QPainter& p, int k) const {
    const TChartRow& row = mon.Rows[static_cast<size_t>(k)];
    const int w = YaxisWidth, h = g.StripHeight, top = g.StripTop(k);
    p.fillRect(0, top, w, h, Fill(row.Color));
    p.setFont(font);
    if (row.GridCount > 0) {
        p.setPen(Ink(row.GridColor));
        p.drawLine(w - 1, top, w - 1, top + h - 1);
        p.setPen(Ink(row.YaxisFontColor));
        for (const TAxisLabel& label :
             YAxisLabels(h, row.GridCount, row.EffectiveMin(), row.EffectiveMax())) {
            const QString text = QString::fromStdString(label.Text);
            p.drawText(w - 2 - metrics.horizontalAdvance(text), top + label.Y + metrics.ascent(),
                       text);
        }
    }
    p.setPen(Ink(Silver));
    p.drawLine(0, top + h - 1, w - 1, top + h - 1);
}

void TChartDrawing::LegendStrip(QPainter& p, int k, int cursor) const {
    const TChartRow& row = mon.Rows[static_cast<size_t>(k)];
    const int w = LegendWidth, h = g.StripHeight, top = g.StripTop(k);
    p.fillRect(0, top, w, h, Fill(row.Color));
    p.setPen(Ink(Silver));
    p.drawLine(0, top + h - 1, w - 1, top + h - 1);
    p.save();
    p.setClipRect(0, top, w, h - 1);
    p.setFont(font);
    for (int r = 0; r < SeriesSlots; ++r) {
        const TSeries& s = row.Series[static_cast<size_t>(r)];
        const int y = top + LegendRowHeight * r;
        if (s.Drawn()) {
            p.setPen(Ink(s.Color));
            p.drawText(0, y + metrics.ascent(), QString::fromStdString(s.Name));
            const float v = mon.Data.Column(k, r).At(cursor);
            if (v != MissingValue) {
                const QString text = QString::fromStdString(Format("%3.2f", v));
                p.drawText(w - metrics.horizontalAdvance(text), y + metrics.ascent(), text);
            }
        } else {
            p.setPen(Ink(HalfColour(s.Color)));
            p.setBrush(Fill(row.Color));
            p.drawRect(0, y, w / 2 - 1, LegendRowHeight - 2);
            p.setBrush(Qt::NoBrush);
        }
    }
    p.restore();
}

// ---- charts ----

void TChartDrawing::ChartStrip(QPainter& p, int k) const {
    const TChartRow& row = mon.Rows[static_cast<size_t>(k)];
    const int h = g.StripHeight, top = g.StripTop(k), w = g.GraphWidth;
    p.fillRect(0, top, w, h, Fill(row.Color));
    p.setPen(Ink(Silver));
    p.drawLine(0, top + h - 1, w - 1, top + h - 1);
    if (row.GridCount > 0) {
        p.setPen(QPen(Ink(row.GridColor), 1));
        for (int j = 0; j <= row.GridCount; ++j) {
            const int y = top + GridLineY(h, row.GridCount, j);
            p.drawLine(0, y, w - 1, y);
        }
    }
    const TChartScale scale = TChartScale::For(h, row.EffectiveMin(), row.EffectiveMax());
    p.save();
    p.setClipRect(0, top, w, h);
    for (int r = 0; r < SeriesSlots; ++r) {
        const TSeries& s = row.Series[static_cast<size_t>(r)];
        if (s.Drawn()) {
            p.setPen(
                QPen(Ink(s.Color), mon.LineWeight(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            seriesLines(p, k, r, scale, top);
        }
    }
    p.restore();
}

void TChartDrawing::seriesLines(QPainter& p, int k, int r, const TChartScale& scale,
                                int top) const {
    const TSeriesColumn& column = mon.Data.Column(k, r);
    const int count = std::min(mon.Count(), column.Size());
    const int first = view.FirstVisibleFrame(count), end = view.EndVisibleFrame(count);
    auto y = [&](float v) { return static_cast<double>(top + scale.Y(v)); };
    QVector<QLineF> lines;
    lines.reserve(view.Width() * 2 + 2);
    // The line bridges frames without a value, also from and to frames outside the view.
    QPointF last;
    bool have = false;
    if (const int before = column.PresentBefore(first); before >= 0) {
        last = QPointF(xOf(before), y(column.At(before)));
        have = true;
    }
    for (int x = 0; x < view.Width(); ++x) {
        const int a = std::max(bounds[static_cast<size_t>(x)], first);
        const int b = std::min(bounds[static_cast<size_t>(x) + 1], end);
        TValueSpan span;
        if (a >= b || !column.Span(a, b, span)) {
            continue;
        }
        const double px = x * xScale;
        if (have) {
            lines.append(QLineF(last, QPointF(px, y(span.First))));
        }
        if (span.Min != span.Max) {
            lines.append(QLineF(px, y(span.Max), px, y(span.Min)));
        }
        last = QPointF(px, y(span.Last));
        have = true;
    }
    if (const int after = column.PresentFrom(end, count); after >= 0 && have) {
        lines.append(QLineF(last, QPointF(xOf(after), y(column.At(after)))));
    }
    if (!lines.isEmpty()) {
        p.drawLines(lines);
    }
}

// ---- notes ----

std::vector<TNoteLabel> TChartDrawing::NoteLabels() const {
    std::vector<TNoteLabel> labels;
    const int count = mon.Count();
    const int first = view.FirstVisibleFrame(count), end = view.EndVisibleFrame(count);
    const auto& noted = mon.Notes.Noted();
    auto at = noted.lower_bound(first);
    while (at != noted.end() && at->first < end) {
        TNoteLabel label;
        label.X = xOf(at->first);
        label.Frame = at->first;
        // The notes of every frame in the column share its mark.
        const int next = view.FirstFrameOf(view.ColumnOf(at->first) + 1);
        for (int n = 0; at != noted.end() && at->first < next && n < 64; ++at, ++n) {
            label.Mask |= at->second;
        }
        if (at != noted.end() && at->first < next) {
            at = noted.lower_bound(next); // a crowded column: the rest share the mark
        }
        labels.push_back(label);
    }
    // Names take the room up to the next mark; what does not fit is shortened or left out.
    const double graphRight = g.GraphWidth;
    for (size_t i = 0; i < labels.size(); ++i) {
        TNoteLabel& label = labels[i];
        label.Room = (i + 1 < labels.size() ? labels[i + 1].X - 3 : graphRight) - (label.X + 1);
        double used = 0;
        bool first = true;
        for (int n = 0; n < NoteSlots; ++n) {
            if (!(label.Mask & (1u << n))) {
                continue;
            }
            const QString text = (first ? QString() : QStringLiteral(",")) +
                                 QString::fromStdString(mon.Notes.Name(n));
            const double w = metrics.horizontalAdvance(text);
            if (used + w > label.Room) {
                label.Shortened = true;
                break;
            }
            used += w;
            first = false;
        }
        // A shortened name takes its whole room.
        label.TextRight = label.X + 1 + (label.Shortened ? std::max(label.Room, 0.0) : used);
    }
    return labels;
}

void TChartDrawing::NotesStrip(QPainter& p) const {
    p.fillRect(QRectF(0, 0, g.GraphWidth, NotesHeight), Fill(mon.NotesColor));
    p.save();
    p.setClipRect(QRectF(0, 0, g.GraphWidth, NotesHeight));
    p.setFont(font);
    for (const TNoteLabel& label : NoteLabels()) {
        double at = label.X + 1;
        bool first = true;
        for (int n = 0; n < NoteSlots; ++n) {
            if (!(label.Mask & (1u << n))) {
                continue;
            }
            const QColor colour = Ink(mon.Notes.Color(n));
            p.setPen(QPen(colour, 1));
            if (first) {
                p.drawLine(QLineF(label.X, 6, label.X, 15));
            }
            QString text = (first ? QString() : QStringLiteral(",")) +
                           QString::fromStdString(mon.Notes.Name(n));
            const double left = label.Room - (at - label.X - 1);
            if (metrics.horizontalAdvance(text) > left) {
                // The name that does not fit: shortened when a letter of it fits, else left out.
                text = metrics.elidedText(text, Qt::ElideRight, static_cast<int>(left));
                if (text.size() > (first ? 1 : 2) && text != Ellipsis) {
                    p.drawText(QPointF(at, metrics.ascent()), text);
                }
                break;
            }
            p.drawText(QPointF(at, metrics.ascent()), text);
            at += metrics.horizontalAdvance(text);
            first = false;
        }
    }
    p.restore();
}

// ---- ruler ----

void TChartDrawing::Ruler(QPainter& p) const {
    const int top = g.RulerTop(), h = g.RulerHeight();
    p.fillRect(QRectF(0, top, g.GraphWidth, h), Fill(mon.RulerColor));
    p.save();
    p.setClipRect(QRectF(0, top, g.GraphWidth, h));
    p.setFont(font);
    const double perColumn = 1 / xScale; // view columns a painter unit takes
    const auto marks = RulerMarks(mon.Data, view, mon.Ruler, [&](const std::string& text) {
        return static_cast<int>(metrics.horizontalAdvance(QString::fromStdString(text)) *
                                perColumn);
    });
    const QPen tick(Ink(mon.RulerTickColor), 1);
    for (const TRulerMark& mark : marks) {
        const double x = mark.X * xScale;
        p.setPen(tick);
        if (mark.Flags & LargeTick) {
            p.drawLine(QLineF(x, top + h - 17, x, top + h - 23));
        } else if (mark.Flags & SmallTick) {
            p.drawLine(QLineF(x, top + h - 17, x, top + h - 19));
        }
        if (mark.Flags & LabelTick) {
            p.setPen(Ink(mon.RulerFontColor));
            p.drawText(QPointF(mark.LabelLeft * xScale, top + h - 16 + metrics.ascent()),
                       QString::fromStdString(mark.Label));
        }
    }
    p.restore();
}
