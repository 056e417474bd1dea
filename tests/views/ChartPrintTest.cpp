// Printing the charts, checked on what reaches the page: a page device that records every text
// (with its place and size on the page), line and picture drawn on it at 600 dots an inch. The
// charts print as lines and text at that resolution, showing the range the screen shows, under
// header lines that do not overlap and above a footer without a made-up address.
#include "ChartMonTestFixture.h"

#include "shell/Printing.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRegularExpression>
#include <QTextItem>

#include <set>

using namespace Charts;

namespace {

class TRecordingEngine : public QPaintEngine {
public:
    struct TText {
        QString Text;
        QRectF Box; // on the page
    };
    std::vector<TText> Texts;
    std::vector<QRectF> Pictures;
    std::vector<QLineF> Lines;

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
        Texts.push_back({item.text(), transform().mapRect(box)});
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            Lines.push_back(transform().map(lines[i]));
        }
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            Lines.push_back(transform().map(QLineF(lines[i])));
        }
    }
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}

    std::vector<TText> TextsIn(const QRectF& area) const {
        std::vector<TText> in;
        for (const TText& t : Texts) {
            if (area.contains(t.Box.center())) {
                in.push_back(t);
            }
        }
        return in;
    }

private:
    QTransform transform() const { return painter()->combinedTransform(); }
};

// A letter page at 600 dots an inch, one print unit a dot.
class TRecordingPage : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable TRecordingEngine engine;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return 5100;
        case PdmHeight:
            return 6600;
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

class ChartPrintTest : public testing::Test {
protected:
    void SetUp() override {
        rig.SilenceFiredNotes();
        mon.Image = &rig.engine;
        mon.Log = &rig.log;
        mon.PicturePath = rig.dir.File("chart.bmp");
        mon.OnRePlotNeeded = [this] { rig.RePlot(mon); };
        mon.resize(800, 520);
        mon.show();
        mon.AssignSeries();
        for (int i = 0; i < 2000; ++i) {
            rig.log.Add(ChartRig::Frame(i), true);
        }
        rig.RePlot(mon);
    }
    void print() {
        TPrintJob job(page);
        ASSERT_TRUE(job.IsActive());
        job.PrintHeader("Charts", "Vehicle type:        SIM-V8", "Customer's file:    run.alg",
                        "Current frame:      1000, at : 01:40.000, Note(s): ");
        mon.PrintChart(job);
        job.PrintFooter();
    }

    ChartRig rig;
    TChartMon mon;
    TRecordingPage page;
};

TEST_F(ChartPrintTest, TheChartsPrintAsLinesAndTextOfTheVisibleRange) {
    mon.ScrollTo(1000); // frames 1000 .. 1619 on the screen, 100 s .. 162 s
    ASSERT_EQ(mon.View().FirstVisibleFrame(mon.Count()), 1000);
    print();
    const TRecordingEngine& e = page.engine;
    const QRectF charts(100, 500, 5100 - 200, 6600 - 700);
    // No picture on the chart area: the logo of the header is the page's only one.
    for (const QRectF& picture : e.Pictures) {
        EXPECT_FALSE(picture.intersects(charts)) << picture.top();
    }
    // Text a reader can read: the legend's names and the y-axis labels, 5 points and more.
    bool rpm = false;
    for (const auto& t : e.TextsIn(charts)) {
        if (t.Text.startsWith("RPM ")) {
            rpm = true;
            EXPECT_GE(t.Box.height(), 40.0); // dots of 1/600 inch
        }
    }
    EXPECT_TRUE(rpm);
    // The ruler labels the range shown: 01:40 onwards, never the log's start.
    QStringList labels;
    for (const auto& t : e.TextsIn(charts)) {
        if (QRegularExpression("^\\d\\d:\\d\\d$").match(t.Text).hasMatch()) {
            labels << t.Text;
        }
    }
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_FALSE(labels.contains("00:00"));
    for (const QString& label : labels) {
        EXPECT_GE(label, QString("01:40")) << label.toStdString();
        EXPECT_LE(label, QString("02:42")) << label.toStdString();
    }
    // The series as lines on the page.
    int onCharts = 0;
    for (const QLineF& line : e.Lines) {
        onCharts += charts.contains(line.p1()) && charts.contains(line.p2()) ? 1 : 0;
    }
    EXPECT_GT(onCharts, 4 * 600);
}

TEST_F(ChartPrintTest, ZoomedOutThePrintTakesThePrintersColumns) {
    mon.FitLog(); // 2000 frames in the graph's 620 columns
    print();
    // The series lines join frames at more places across the page than the screen has
    // columns (ticks and grid lines, straight up or across, do not count).
    std::set<int> places;
    const QRectF charts(100, 500, 5100 - 200, 6600 - 700);
    for (const QLineF& line : page.engine.Lines) {
        if (charts.contains(line.p1()) && line.dx() != 0 && line.dy() != 0) {
            places.insert(static_cast<int>(line.p1().x() * 4));
        }
    }
    EXPECT_GT(places.size(), 2u * static_cast<size_t>(mon.GraphWidth()));
}

TEST_F(ChartPrintTest, HeaderLinesDoNotOverlapAndTheFooterHasNoMadeUpAddress) {
    print();
    const TRecordingEngine& e = page.engine;
    std::vector<QRectF> header;
    for (const auto& t : e.Texts) {
        if (t.Text.startsWith("Vehicle type:") || t.Text.startsWith("Customer's file:") ||
            t.Text.startsWith("Current frame:")) {
            header.push_back(t.Box);
        }
    }
    ASSERT_EQ(header.size(), 3u);
    for (size_t i = 1; i < header.size(); ++i) {
        EXPECT_GE(header[i].top(), header[i - 1].bottom() - 0.5) << i;
    }
    EXPECT_LE(header.back().bottom(), 480.0); // above the rule under the header
    for (const auto& t : e.TextsIn(QRectF(0, 6600 - 200, 5100, 200))) {
        EXPECT_FALSE(t.Text.contains("example")) << t.Text.toStdString();
        EXPECT_FALSE(t.Text.contains(".org")) << t.Text.toStdString();
    }
    EXPECT_FALSE(e.TextsIn(QRectF(0, 6600 - 200, 5100, 200)).empty()); // time and page number
}

} // namespace
