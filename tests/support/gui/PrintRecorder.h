#pragma once
// A page device for printing tests: a Letter page at 600 dots an inch (one print unit a dot)
// that records every text (with its box on the page), line and picture drawn on it, page by
// page. A print job starts its next page through NextPage():
//     TRecordingPages pages;
//     TPrintJob job(pages, [&] { return pages.NextPage(); });
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>

#include <vector>

class TRecordingEngine : public QPaintEngine {
public:
    struct TText {
        QString Text;
        QRectF Box; // on the page
        int Page;   // 1 ...
    };
    std::vector<TText> Texts;
    struct TLine {
        QLineF Line;
        int Page;
    };
    std::vector<TLine> Lines;
    std::vector<QRectF> Pictures;
    int Page = 1;

    TRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return QPaintEngine::User; }

    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override {
        Pictures.push_back(transform().mapRect(r));
    }
    void drawImage(const QRectF& r, const QImage&, const QRectF&,
                   Qt::ImageConversionFlags) override {
        Pictures.push_back(transform().mapRect(r));
    }
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QFontMetricsF fm(item.font());
        const QRectF box(p.x(), p.y() - fm.ascent(), item.width(), fm.height());
        Texts.push_back({item.text(), transform().mapRect(box), Page});
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            Lines.push_back({transform().map(lines[i]), Page});
        }
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            Lines.push_back({transform().map(QLineF(lines[i])), Page});
        }
    }
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}

    // The texts whose box centre lies in area, on any page.
    std::vector<TText> TextsIn(const QRectF& area) const {
        std::vector<TText> in;
        for (const TText& t : Texts) {
            if (area.contains(t.Box.center())) {
                in.push_back(t);
            }
        }
        return in;
    }
    std::vector<TText> TextsOn(int page) const {
        std::vector<TText> on;
        for (const TText& t : Texts) {
            if (t.Page == page) {
                on.push_back(t);
            }
        }
        return on;
    }

private:
    QTransform transform() const { return painter()->combinedTransform(); }
};

class TRecordingPages : public QPaintDevice {
public:
    static constexpr int Width = 5100, Height = 6600;
    QPaintEngine* paintEngine() const override { return &engine; }
    bool NextPage() {
        ++engine.Page;
        return true;
    }
    mutable TRecordingEngine engine;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return Width;
        case PdmHeight:
            return Height;
        case PdmWidthMM:
            return 216;
        case PdmHeightMM:
            return 279;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 600;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return 0x7FFFFFFF;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return 0;
        }
    }
};
