// Printing the charts, checked on what reaches the page: a recording page at 600 dots an inch. The
// charts print as lines and text at that resolution, showing the range the screen shows, under
// header lines that do not overlap and above a footer without a made-up address.
#include "ChartMonTestFixture.h"

#include "shell/Printing.h"
#include "support/gui/PrintRecorder.h"

#include <QRegularExpression>

#include <set>

using namespace Charts;

namespace {

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
    TRecordingPages page;
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
    for (const auto& drawn : e.Lines) {
        const QLineF& line = drawn.Line;
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
    for (const auto& drawn : page.engine.Lines) {
        const QLineF& line = drawn.Line;
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
