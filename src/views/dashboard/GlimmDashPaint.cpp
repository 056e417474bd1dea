// Drawing of the gauges: the static layer, the dynamic layer over it and the partial repaint.
#include "common/Common.h"
#include "views/dashboard/GlimmDash.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int DotsPerMeter96 = 3780; // the layers are drawn at 96 dpi, so points are as on screen

QColor qcolour(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                  static_cast<int>(c >> 16 & 0xFF));
}

QRgb rgbOf(uint32_t c) {
    return qRgb(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                static_cast<int>(c >> 16 & 0xFF));
}

QFont qfontOf(const TFont& f, int points) {
    QFont q(QString::fromStdString(f.Name));
    q.setPointSize(std::max(points, 1));
    q.setBold(f.Style & fsBold);
    q.setItalic(f.Style & fsItalic);
    q.setUnderline(f.Style & fsUnderline);
    q.setStrikeOut(f.Style & fsStrikeOut);
    q.setHintingPreference(QFont::PreferNoHinting);
    return q;
}

bool sameFont(const TFont& a, const TFont& b) {
    return a.Name == b.Name && a.Size == b.Size && a.Style == b.Style && a.Color == b.Color;
}

QRect rectOf(const TGlimmBox& b) {
    return QRect(b.Left, b.Top, b.Width(), b.Height());
}

QImage layerImage(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(DotsPerMeter96);
    image.setDotsPerMeterY(DotsPerMeter96);
    return image;
}

int roundInt(double v) {
    return static_cast<int>(GlimmRound(v));
}

} // namespace

uint32_t TGlimmDash::textColour(const TFont& font, double v) const {
    return font.Color == colorFace ? BandColor(v) : font.Color;
}

// Fits the text to its box when asked, places it by the alignments and draws it clipped to the
// box without background; returns the box.
QRect TGlimmDash::drawFitted(QPainter& p, const TGlimmBox& box, const QString& text,
                             const QString& sample, const TFont& font, bool fit, TGlimmVAlign v,
                             TGlimmHAlign h, uint32_t colour, TFitted* cache) {
    const QRect clip = rectOf(box);
    if (box.Width() <= 0 || box.Height() <= 0 || text.isEmpty()) {
        return {};
    }
    TFitted local;
    TFitted& f = cache ? *cache : local;
    if (!f.valid || f.text != text || f.box != clip || !sameFont(f.font, font) || f.fit != fit ||
        f.v != v || f.h != h) {
        int size = font.Size;
        if (fit) {
            const QFontMetrics m10(qfontOf(font, 10), &staticLayer);
            const int tw = std::max(m10.horizontalAdvance(text), m10.horizontalAdvance(sample));
            const int fitted = FittedSize(box.Width(), box.Height(), tw, m10.height());
            if (fitted > 0) {
                size = fitted;
            }
        }
        f.qfont = qfontOf(font, size);
        const QFontMetrics m(f.qfont, &staticLayer);
        const TGlimmPoint at = FittedPlace(box, m.horizontalAdvance(text), m.height(), v, h);
        f.at = QPoint(at.X, at.Y - size / 12 + m.ascent());
        f.text = text;
        f.box = clip;
        f.font = font;
        f.fit = fit;
        f.v = v;
        f.h = h;
        f.valid = true;
    }
    p.save();
    p.setClipRect(clip);
    p.setFont(f.qfont);
    p.setPen(qcolour(colour));
    p.drawText(f.at, text);
    p.restore();
    return clip;
}

void TGlimmDash::drawBackground(QPainter& p) {
    const int W = width(), H = height();
    const int b = band - 1;
    const QImage* picture = nullptr;
    if (b == 0 && showPicture[0] && !pictures[0].isNull()) {
        picture = &pictures[0];
    } else if (b == 2 && showPicture[2] && !pictures[2].isNull()) {
        picture = &pictures[2];
    } else if (showPicture[1] && !pictures[1].isNull()) {
        picture = &pictures[1];
    }
    if (picture) {
        p.drawImage(QRect(0, 0, W, H), *picture);
        return;
    }
    p.fillRect(0, 0, W, H, qcolour(color));
    // Corners (B div 2, B div 2) and (W - (B + 1) div 2 + 1, H - (B + 1) div 2 + 1), exclusive.
    const int B = border;
    const QRectF face(B / 2, B / 2, W - (B + 1) / 2 + 1 - B / 2 - 1,
                      H - (B + 1) / 2 + 1 - B / 2 - 1);
    p.setBrush(qcolour(colorFace));
    QPen outline(qcolour(colorLine), B);
    outline.setJoinStyle(Qt::MiterJoin);
    p.setPen(outline);
    if (kind == gkDial) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.drawEllipse(face);
        p.setRenderHint(QPainter::Antialiasing, false);
    } else {
        p.drawRect(face);
    }
    p.setBrush(Qt::NoBrush);
    if (kind == gkLight) {
        p.fillRect(rectOf(layout.Lamp), qcolour(colorOk));
    }
}

void TGlimmDash::drawScale(QPainter& p) {
    if (kind == gkLight) {
        return;
    }
    const int W = width(), H = height();
    const int step = std::max(scale.Step, 1);
    const int hb = HBorder(), vb = VBorder();
    const int lh = displayMax != displayMin
                       ? roundInt(scale.Step * Extent() * 2 / (displayMax - displayMin))
                       : H / 8; // equal ends: one eighth of the height, as the value box
    bool right = true;
    for (long long v = scale.Min; v <= scale.Max; v += step) {
        const QString text = QString::fromStdString(FormatValue(scalePrecision, double(v)));
        const uint32_t colour = textColour(scaleFont, double(v));
        TGlimmBox box;
        TGlimmVAlign va = avCenter;
        TGlimmHAlign ha = ahCenter;
        if (kind == gkDial) {
            const TGlimmPoint c = DialLabelCentre(Pos(double(v)), layout.Cx, layout.Cy, hb, vb);
            box.Left = c.X - (W - hb) / 8;
            box.Top = c.Y - (H - vb) / 8;
            box.Right = box.Left + (W - hb) / 4 - 1;
            box.Bottom = box.Top + (H - vb) / 4 - 1;
        } else {
            box.Top = static_cast<int>(std::trunc(Pos(double(v)) - lh / 2.0));
            box.Bottom = box.Top + lh - 1;
            if (right) {
                box.Left = 2 * (W / 3) + 1;
                box.Right = W - hb;
                ha = ahRight;
            } else {
                box.Left = hb;
                box.Right = W / 3;
                ha = ahLeft;
            }
            right = !right;
        }
        // The labels are always fitted to their boxes (see AutoScale in the header).
        drawFitted(p, box, text, QStringLiteral("000"), scaleFont, true, va, ha, colour, nullptr);
    }
}

void TGlimmDash::renderStatic() {
    const QSize size(std::max(width(), 1), std::max(height(), 1));
    if (staticLayer.size() != size) {
        staticLayer = layerImage(size);
        composed = layerImage(size);
    }
    band = BandOf(position, alarmMin, alarmMax);
    QPainter p(&staticLayer);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawBackground(p);
    drawScale(p);
    if (showCaption) {
        std::string text = caption + PrecisionSuffix(scalePrecision);
        drawFitted(p, layout.Caption, QString::fromStdString(text), QString(), captionFont,
                   autoCaption, avCenter, ahCenter, textColour(captionFont, position), nullptr);
    }
    p.end();
    paintedBand = band;
    staticDirty = false;
    ++staticRenders;
}

QRect TGlimmDash::drawIndicator(QPainter& p, double v, int w) {
    const int W = width(), H = height();
    const int cx = layout.Cx, cy = layout.Cy;
    const QColor colour = qcolour(BandColor(v));
    if (kind == gkLight) {
        return {};
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    QRect drawn;
    if (v >= displayMin && v <= displayMax) {
        if (kind == gkDial) {
            const TGlimmPoint tip = NeedleTip(Pos(v), cx, cy, needleLength);
            QPen pen(colour, w, Qt::SolidLine, Qt::RoundCap);
            p.setPen(pen);
            p.drawLine(QPointF(cx, cy), QPointF(tip.X, tip.Y));
            drawn = QRect(QPoint(cx, cy), QPoint(tip.X, tip.Y)).normalized();
        } else {
            const int top = roundInt(Pos(v));
            const int bottom = roundInt(Origin()) + 1;
            const int left = W / 3, right = W - W / 3;
            if (w < 2) {
                p.setRenderHint(QPainter::Antialiasing, false);
                p.setPen(QPen(qcolour(HalfColour(BandColor(v))), 1));
                p.drawLine(left, top, right - 1, top);
                drawn = QRect(left, top, right - left, 1);
            } else {
                drawn = QRect(QPoint(left, std::min(top, bottom)),
                              QPoint(right - 1, std::max(top, bottom) - 1));
                p.fillRect(drawn, colour);
            }
        }
    } else {
        // No-entry sign: the value is outside the display range.
        const int pw = std::max(roundInt(std::sqrt(double(W) * W + double(H) * H) / 48), 1);
        const int rx = kind == gkDial ? cx / 5 : cx / 3;
        const int ry = kind == gkDial ? cy / 5 : cx / 3;
        p.setPen(QPen(colour, pw));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(cx, cy), rx, ry);
        p.drawLine(QPointF(cx - 3.0 * rx / 5, cy + 3.0 * ry / 5),
                   QPointF(cx + 3.0 * rx / 5, cy - 3.0 * ry / 5));
        drawn = QRect(cx - rx, cy - ry, 2 * rx + 1, 2 * ry + 1);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    return drawn.adjusted(-w - 2, -w - 2, w + 2, w + 2);
}

QRect TGlimmDash::drawDynamic(QPainter& p) {
    QRect now;
    if (kind == gkLight) {
        const bool pictured = band == 1   ? showPicture[0] || showPicture[1]
                              : band == 3 ? showPicture[2] || showPicture[1]
                                          : showPicture[1];
        const QRect lamp = rectOf(layout.Lamp).intersected(composed.rect());
        if (!pictured && !lamp.isEmpty()) {
            const QRgb ok = rgbOf(colorOk), lit = rgbOf(BandColor(position));
            for (int y = lamp.top(); y <= lamp.bottom(); ++y) {
                const QRgb* from = reinterpret_cast<const QRgb*>(staticLayer.constScanLine(y));
                QRgb* to = reinterpret_cast<QRgb*>(composed.scanLine(y));
                for (int x = lamp.left(); x <= lamp.right(); ++x) {
                    if ((from[x] | 0xFF000000u) == ok) {
                        to[x] = lit;
                    }
                }
            }
            now |= lamp;
        }
    }
    if (showPosition) {
        const bool texts = kind == gkLight &&
                           !(bandTexts[0].empty() && bandTexts[1].empty() && bandTexts[2].empty());
        const std::string text = texts ? bandTexts[BandOf(position, alarmMin, alarmMax) - 1]
                                       : FormatValue(precision, position);
        now |= drawFitted(p, layout.Value, QString::fromStdString(text), QString(), positionFont,
                          autoPosition, vAlignment, hAlignment, textColour(positionFont, position),
                          &fitted[0]);
    }
    if (showUnits) {
        now |= drawFitted(
            p, layout.Units, QString::fromStdString(units + PrecisionSuffix(precision)), QString(),
            unitFont, autoUnit, avCenter, ahCenter, textColour(unitFont, position), &fitted[1]);
    }
    if (showMinMax) {
        now |= drawFitted(p, layout.Minimum, QString::fromStdString(NumberText(posMin)), QString(),
                          minMaxFont, autoMinMax, avCenter, ahRight, textColour(minMaxFont, posMin),
                          &fitted[2]);
        now |= drawFitted(p, layout.Maximum, QString::fromStdString(NumberText(posMax)), QString(),
                          minMaxFont, autoMinMax, avCenter, ahLeft, textColour(minMaxFont, posMax),
                          &fitted[3]);
    }
    now |= drawIndicator(p, position, needleWidth);
    if (showMinMax && kind != gkLight) {
        now |= drawIndicator(p, posMin, 1);
        now |= drawIndicator(p, posMax, 1);
    }
    return now.intersected(composed.rect());
}

void TGlimmDash::ensureRendered() {
    if (layoutSize != size()) {
        relayout(); // resized while hidden: no resize event has come yet
    }
    if (!staticDirty && staticLayer.size() == size()) {
        return;
    }
    renderStatic();
    QPainter p(&composed);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, staticLayer);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    lastDrawn = drawDynamic(p);
    lastUpdate = composed.rect();
}

// A value change inside the band: restore the static layer where the value was drawn last
// time, draw it again and repaint the union of both areas only.
void TGlimmDash::renderDynamic() {
    if (staticDirty || staticLayer.size() != size() || layoutSize != size()) {
        invalidate();
        return;
    }
    QPainter p(&composed);
    if (!lastDrawn.isEmpty()) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(lastDrawn.topLeft(), staticLayer, lastDrawn);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QRect now = drawDynamic(p);
    p.end();
    lastUpdate = lastDrawn | now;
    lastDrawn = now;
    update(lastUpdate);
}

void TGlimmDash::invalidate() {
    staticDirty = true;
    update();
}

const QImage& TGlimmDash::Picture() {
    ensureRendered();
    return composed;
}

void TGlimmDash::paintEvent(QPaintEvent* event) {
    ensureRendered();
    QPainter p(this);
    const QRect r = event->rect();
    p.drawImage(r.topLeft(), composed, r);
}
