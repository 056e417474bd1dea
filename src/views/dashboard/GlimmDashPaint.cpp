// Drawing of the gauges: the geometry at a size, the static layer, the dynamic layer over it,
// the partial repaint, and drawing on any painter (printing).
#include "common/Common.h"
#include "views/dashboard/GlimmDash.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int DotsPerMeter96 = 3780;  // the layers are drawn at 96 dpi, so points are as on screen
constexpr int MinBarLabelHeight = 12; // a bar's labels closer than this are thinned out

QColor qcolour(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                  static_cast<int>(c >> 16 & 0xFF));
}

QRgb rgbOf(uint32_t c) {
    return qRgb(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                static_cast<int>(c >> 16 & 0xFF));
}

QFont qfontOf(const TFont& f, int points, double scale = 1) {
    QFont q(QString::fromStdString(f.Name));
    q.setPointSizeF(std::max(points, 1) * scale);
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

TGlimmBox moved(TGlimmBox b, int dx, int dy) {
    b.Left += dx;
    b.Right += dx;
    b.Top += dy;
    b.Bottom += dy;
    return b;
}

QImage layerImage(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(DotsPerMeter96);
    image.setDotsPerMeterY(DotsPerMeter96);
    return image;
}

// Texts are measured as on a 96 dpi screen, whatever they are drawn on.
const QPaintDevice* metricsDevice() {
    static const QImage device = layerImage(QSize(1, 1));
    return &device;
}

int roundInt(double v) {
    return static_cast<int>(GlimmRound(v));
}

} // namespace

// ---- geometry ----

TGlimmDash::TGeometry TGlimmDash::geometryFor(int W0, int H0) const {
    TGeometry g;
    g.FullW = std::max(W0, 0);
    g.FullH = std::max(H0, 0);
    if (kind == gkDial) {
        // The face is the largest square below the caption's strip, so it stays round and the
        // caption lies neither on the scale nor in the needle's sweep.
        const bool captioned = showCaption && !(caption + PrecisionSuffix(scalePrecision)).empty();
        const int strip = captioned ? std::max(std::min(g.FullW, g.FullH) / 6, 1) : 0;
        const int side = std::max(std::min(g.FullW, g.FullH - strip), 0);
        g.W = g.H = side;
        g.Ox = (g.FullW - side) / 2;
        g.Oy = strip + (g.FullH - strip - side) / 2;
        const int hb = Clamp(hBorder, 0, g.FullW / 2);
        g.Caption = {hb, g.Oy - strip, g.FullW - 1 - hb, g.Oy - 1};
    } else {
        g.W = g.FullW;
        g.H = g.FullH;
    }
    g.HB = Clamp(hBorder, 0, g.W / 2);
    g.VB = Clamp(vBorder, 0, g.H / 2);
    g.L = GaugeLayout(kind, g.W, g.H, g.HB, g.VB);
    if (kind != gkDial) {
        g.Caption = g.L.Caption;
    }
    return g;
}

TGlimmDash::TGeometry TGlimmDash::currentGeometry() const {
    return layoutSize == size() ? geo : geometryFor(width(), height());
}

TGlimmLayout TGlimmDash::Boxes() const {
    const TGeometry g = currentGeometry();
    TGlimmLayout l = g.L;
    for (TGlimmBox* b : {&l.Caption, &l.Value, &l.Units, &l.Minimum, &l.Maximum, &l.Lamp}) {
        *b = moved(*b, g.Ox, g.Oy);
    }
    l.Caption = g.Caption;
    l.Cx += g.Ox;
    l.Cy += g.Oy;
    return l;
}

double TGlimmDash::originIn(const TGeometry& g) const {
    switch (kind) {
    case gkDial:
        return DialOrigin;
    case gkBar:
        return g.L.Value.Top;
    case gkLight:
        break;
    }
    return 0;
}

double TGlimmDash::extentIn(const TGeometry& g) const {
    switch (kind) {
    case gkDial:
        return DialExtent;
    case gkBar:
        return g.L.Value.Top - g.L.Minimum.Bottom;
    case gkLight:
        break;
    }
    return 0;
}

double TGlimmDash::posIn(const TGeometry& g, double v) const {
    return ValueToCoord(v, scale, originIn(g), extentIn(g), displayMin, displayMax);
}

double TGlimmDash::Origin() const {
    return originIn(currentGeometry());
}

double TGlimmDash::Extent() const {
    return extentIn(currentGeometry());
}

double TGlimmDash::Pos(double v) const {
    return posIn(currentGeometry(), v);
}

bool TGlimmDash::showsScale() const {
    return valueShown || (item >= 0 && attr >= 0);
}

int TGlimmDash::shownBand() const {
    return valueShown ? band : 2;
}

// ---- drawing ----

uint32_t TGlimmDash::textColour(const TFont& font, double v) const {
    if (font.Color != colorFace) {
        return font.Color;
    }
    return valueShown ? BandColor(v) : colorLine; // no value, no alarm colour
}

// Fits the text to its box when asked, shortens it with "..." when asked and it is still too
// wide, places it by the alignments and draws it clipped to the box without background;
// returns the box.
QRect TGlimmDash::drawFitted(QPainter& p, const TGlimmBox& box, const QString& text,
                             const QString& sample, const TFont& font, bool fit, bool elide,
                             TGlimmVAlign v, TGlimmHAlign h, uint32_t colour, TFitted* cache,
                             double fontScale) const {
    const QRect clip = rectOf(box);
    if (box.Width() <= 0 || box.Height() <= 0 || text.isEmpty()) {
        return {};
    }
    TFitted local;
    TFitted& f = cache ? *cache : local;
    if (!f.valid || f.text != text || f.box != clip || !sameFont(f.font, font) || f.fit != fit ||
        f.elide != elide || f.v != v || f.h != h) {
        int size = font.Size;
        if (fit) {
            const QFontMetrics m10(qfontOf(font, 10), metricsDevice());
            const int tw = std::max(m10.horizontalAdvance(text), m10.horizontalAdvance(sample));
            const int fitted = FittedSize(box.Width(), box.Height(), tw, m10.height());
            if (fitted > 0) {
                size = fitted;
            }
        }
        const QFontMetrics m(qfontOf(font, size), metricsDevice());
        QString shown = text;
        const int room = std::max(box.Width() - 2, 0);
        if (elide && m.horizontalAdvance(text) > room) {
            shown = m.elidedText(text, Qt::ElideRight, room);
        }
        const TGlimmPoint at = FittedPlace(box, m.horizontalAdvance(shown), m.height(), v, h);
        f.at = QPoint(at.X, at.Y - size / 12 + m.ascent());
        f.text = text;
        f.shown = shown;
        f.box = clip;
        f.font = font;
        f.fit = fit;
        f.elide = elide;
        f.v = v;
        f.h = h;
        f.points = size;
        f.valid = true;
    }
    if (f.shown.isEmpty()) {
        return clip;
    }
    p.save();
    p.setClipRect(clip, Qt::IntersectClip);
    p.setFont(qfontOf(font, f.points, fontScale));
    p.setPen(qcolour(colour));
    p.drawText(f.at, f.shown);
    p.restore();
    return clip;
}

// The background (a band's picture over the whole gauge, else the colour and the face); a
// light's lamp is filled with lampColour when it is not negative.
void TGlimmDash::drawBackground(QPainter& p, const TGeometry& g, int64_t lampColour) const {
    const int b = shownBand() - 1;
    const QImage* picture = nullptr;
    if (b == 0 && showPicture[0] && !pictures[0].isNull()) {
        picture = &pictures[0];
    } else if (b == 2 && showPicture[2] && !pictures[2].isNull()) {
        picture = &pictures[2];
    } else if (showPicture[1] && !pictures[1].isNull()) {
        picture = &pictures[1];
    }
    if (picture) {
        p.drawImage(QRect(0, 0, g.FullW, g.FullH), *picture);
        return;
    }
    p.fillRect(0, 0, g.FullW, g.FullH, qcolour(color));
    p.save();
    p.translate(g.Ox, g.Oy);
    // Corners (B div 2, B div 2) and (W - (B + 1) div 2 + 1, H - (B + 1) div 2 + 1), exclusive.
    const int B = border, W = g.W, H = g.H;
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
    if (kind == gkLight && lampColour >= 0) {
        p.fillRect(rectOf(g.L.Lamp), qcolour(static_cast<uint32_t>(lampColour)));
    }
    p.restore();
}

// The scale labels and the caption.
void TGlimmDash::drawFace(QPainter& p, const TGeometry& g, double fontScale) const {
    if (kind != gkLight && showsScale() && g.W > 0 && g.H > 0) {
        p.save();
        p.translate(g.Ox, g.Oy);
        const int W = g.W, H = g.H, hb = g.HB, vb = g.VB;
        const int step = std::max(scale.Step, 1);
        // A bar has one column of labels, on its right; labels closer than a readable height
        // are thinned out to every second, third, ... tick.
        const double spacing = scale.Span > 0 ? std::abs(step * extentIn(g) / scale.Span) : 0;
        const int every =
            kind == gkBar && spacing > 0
                ? std::max(1, static_cast<int>(std::ceil(MinBarLabelHeight / spacing)))
                : 1;
        const int lh = kind == gkBar ? std::max(roundInt(every * spacing), MinBarLabelHeight) : 0;
        const int labelsTop = showCaption ? g.L.Caption.Bottom + 1 : 0;
        int tick = 0;
        for (long long v = scale.Min; v <= scale.Max; v += step, ++tick) {
            if (tick % every != 0) {
                continue;
            }
            const QString text = QString::fromStdString(FormatValue(scalePrecision, double(v)));
            const uint32_t colour = textColour(scaleFont, double(v));
            TGlimmBox box;
            TGlimmHAlign ha = ahCenter;
            if (kind == gkDial) {
                const TGlimmPoint c = DialLabelCentre(posIn(g, double(v)), g.L.Cx, g.L.Cy, hb, vb);
                box.Left = c.X - (W - hb) / 8;
                box.Top = c.Y - (H - vb) / 8;
                box.Right = box.Left + (W - hb) / 4 - 1;
                box.Bottom = box.Top + (H - vb) / 4 - 1;
            } else {
                box.Top = static_cast<int>(std::trunc(posIn(g, double(v)) - lh / 2.0));
                box.Bottom = box.Top + lh - 1;
                box.Top = std::max(box.Top, labelsTop);
                box.Left = 2 * (W / 3) + 1;
                box.Right = W - hb;
                ha = ahRight;
            }
            // The labels are always fitted to their boxes (see AutoScale in the header).
            drawFitted(p, box, text, QStringLiteral("000"), scaleFont, true, false, avCenter, ha,
                       colour, nullptr, fontScale);
        }
        p.restore();
    }
    if (showCaption) {
        const std::string text = caption + PrecisionSuffix(scalePrecision);
        drawFitted(p, g.Caption, QString::fromStdString(text), QString(), captionFont, autoCaption,
                   true, avCenter, ahCenter, textColour(captionFont, position), nullptr, fontScale);
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
    // A light's lamp is drawn in ColorOk here; the dynamic layer lights it in the band colour.
    drawBackground(p, geo, kind == gkLight && valueShown ? int64_t{colorOk} : -1);
    drawFace(p, geo, 1);
    p.end();
    paintedBand = band;
    staticDirty = false;
    ++staticRenders;
}

// The indicator in face coordinates; returns the area drawn.
QRect TGlimmDash::drawIndicator(QPainter& p, const TGeometry& g, double v, int w) const {
    const int W = g.W, H = g.H;
    const int cx = g.L.Cx, cy = g.L.Cy;
    const QColor colour = qcolour(BandColor(v));
    if (kind == gkLight) {
        return {};
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    QRect drawn;
    if (v >= displayMin && v <= displayMax) {
        if (kind == gkDial) {
            const TGlimmPoint tip = NeedleTip(posIn(g, v), cx, cy, needleLength);
            QPen pen(colour, w, Qt::SolidLine, Qt::RoundCap);
            p.setPen(pen);
            p.drawLine(QPointF(cx, cy), QPointF(tip.X, tip.Y));
            drawn = QRect(QPoint(cx, cy), QPoint(tip.X, tip.Y)).normalized();
        } else {
            const int top = roundInt(posIn(g, v));
            const int bottom = roundInt(originIn(g)) + 1;
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

// The value, units, min/max and indicators; cached: the gauge's own layers (the lamp is lit
// in the composed image, texts keep their measures). Returns the area drawn, in the gauge's
// coordinates.
QRect TGlimmDash::drawDynamic(QPainter& p, const TGeometry& g, bool cached,
                              double fontScale) const {
    QRect now;
    if (kind == gkLight && valueShown && cached) {
        const int b = shownBand();
        const bool pictured = b == 1   ? showPicture[0] || showPicture[1]
                              : b == 3 ? showPicture[2] || showPicture[1]
                                       : showPicture[1];
        const QRect lamp = rectOf(g.L.Lamp).intersected(composed.rect());
        if (!pictured && !lamp.isEmpty()) {
            QImage& target = const_cast<QImage&>(composed);
            const QRgb ok = rgbOf(colorOk), lit = rgbOf(BandColor(position));
            for (int y = lamp.top(); y <= lamp.bottom(); ++y) {
                const QRgb* from = reinterpret_cast<const QRgb*>(staticLayer.constScanLine(y));
                QRgb* to = reinterpret_cast<QRgb*>(target.scanLine(y));
                for (int x = lamp.left(); x <= lamp.right(); ++x) {
                    if ((from[x] | 0xFF000000u) == ok) {
                        to[x] = lit;
                    }
                }
            }
            now |= lamp;
        }
    }
    TFitted* caches[4] = {nullptr, nullptr, nullptr, nullptr};
    if (cached) {
        for (size_t i = 0; i < fitted.size(); ++i) {
            caches[i] = &fitted[i];
        }
    }
    p.save();
    p.translate(g.Ox, g.Oy);
    QRect face;
    if (showPosition && valueShown) {
        const bool texts = kind == gkLight &&
                           !(bandTexts[0].empty() && bandTexts[1].empty() && bandTexts[2].empty());
        const std::string text = texts ? bandTexts[BandOf(position, alarmMin, alarmMax) - 1]
                                       : FormatValue(precision, position);
        face |= drawFitted(p, g.L.Value, QString::fromStdString(text), QString(), positionFont,
                           autoPosition, texts, vAlignment, hAlignment,
                           textColour(positionFont, position), caches[0], fontScale);
    }
    if (showUnits && showsScale()) {
        face |= drawFitted(p, g.L.Units, QString::fromStdString(units + PrecisionSuffix(precision)),
                           QString(), unitFont, autoUnit, true, avCenter, ahCenter,
                           textColour(unitFont, position), caches[1], fontScale);
    }
    if (showMinMax && valueShown) {
        face |= drawFitted(p, g.L.Minimum, QString::fromStdString(NumberText(posMin)), QString(),
                           minMaxFont, autoMinMax, false, avCenter, ahRight,
                           textColour(minMaxFont, posMin), caches[2], fontScale);
        face |= drawFitted(p, g.L.Maximum, QString::fromStdString(NumberText(posMax)), QString(),
                           minMaxFont, autoMinMax, false, avCenter, ahLeft,
                           textColour(minMaxFont, posMax), caches[3], fontScale);
    }
    if (valueShown) {
        face |= drawIndicator(p, g, position, needleWidth);
        if (showMinMax && kind != gkLight) {
            face |= drawIndicator(p, g, posMin, 1);
            face |= drawIndicator(p, g, posMax, 1);
        }
    }
    p.restore();
    now |= face.translated(g.Ox, g.Oy);
    return now.intersected(QRect(0, 0, g.FullW, g.FullH));
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
    lastDrawn = drawDynamic(p, geo, true, 1);
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
    const QRect now = drawDynamic(p, geo, true, 1);
    p.end();
    lastUpdate = lastDrawn | now;
    lastDrawn = now;
    update(lastUpdate);
}

void TGlimmDash::invalidate() {
    // A setting may move things (a dial's caption takes room from its face): the geometry is
    // made again for every full repaint.
    geo = geometryFor(width(), height());
    layoutSize = size();
    staticDirty = true;
    update();
}

const QImage& TGlimmDash::Picture() {
    ensureRendered();
    return composed;
}

void TGlimmDash::PaintTo(QPainter& p, const QRect& target) const {
    const TGeometry g = geometryFor(target.width(), target.height());
    if (g.FullW <= 0 || g.FullH <= 0 || !p.isActive()) {
        return;
    }
    // Fonts are given in points of a 96 dpi screen; the painter's device resolves points at its
    // own resolution and the painter's transformation scales them again.
    const int dpi = p.device() ? p.device()->logicalDpiY() : 96;
    const double fontScale = dpi > 0 ? 96.0 / dpi : 1;
    p.save();
    p.translate(target.topLeft());
    p.setClipRect(QRect(0, 0, g.FullW, g.FullH), Qt::IntersectClip);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    int64_t lamp = -1;
    if (kind == gkLight && valueShown) {
        const int b = shownBand();
        const bool pictured = b == 1   ? showPicture[0] || showPicture[1]
                              : b == 3 ? showPicture[2] || showPicture[1]
                                       : showPicture[1];
        if (!pictured) {
            lamp = BandColor(position);
        }
    }
    drawBackground(p, g, lamp);
    drawFace(p, g, fontScale);
    drawDynamic(p, g, false, fontScale);
    p.restore();
}

void TGlimmDash::paintEvent(QPaintEvent* event) {
    ensureRendered();
    QPainter p(this);
    const QRect r = event->rect();
    p.drawImage(r.topLeft(), composed, r);
}
