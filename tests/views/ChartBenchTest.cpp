// Drawing figures of the chart monitor and screenshots of the Charts page, on the offscreen
// platform. Not tests: they are disabled and run by hand with
//   ChartBenchTest --gtest_also_run_disabled_tests
// and print their figures (the pictures go to /tmp).
#include "ChartMonTestFixture.h"

#include "views/ViewMonitor.h"
#include "views/charts/ChartProperties.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Charts;

namespace {

// Puts 16 value attributes of the image on the 16 series slots.
void chartSixteen(TCartridge& engine) {
    int slot = 0;
    for (TMacroItem& item : engine.Items) {
        for (TAttr& a : item.Request.Attrs) {
            a.Chart = a.Series = 0;
            if (slot < 16 && (a.AType == 0 || a.AType == 2) &&
                a.Scale.DisplayMin < a.Scale.DisplayMax) {
                a.Chart = slot / 4 + 1;
                a.Series = slot % 4 + 1;
                ++slot;
            }
        }
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double msSince(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

TEST(ChartBench, DISABLED_Drawing) {
    ChartRig rig;
    chartSixteen(rig.engine);
    TChartMon mon;
    mon.Image = &rig.engine;
    mon.Log = &rig.log;
    mon.resize(800, 520);
    mon.show();
    mon.AssignSeries();
    int assigned = 0;
    for (const TChartRow& row : mon.Rows) {
        for (const TSeries& s : row.Series) {
            assigned += s.Drawn() ? 1 : 0;
        }
    }
    for (int i = 0; i < Frames; ++i) {
        rig.log.Add(ChartRig::Frame(i), true);
    }
    QApplication::processEvents();

    std::vector<double> replot, page, pageDirty, frame;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer t;
        t.start();
        rig.RePlot(mon);
        mon.repaint();
        replot.push_back(msSince(t));

        t.start();
        mon.repaint();
        page.push_back(msSince(t));

        mon.RepaintAll();
        t.start();
        mon.repaint();
        pageDirty.push_back(msSince(t));
    }
    // A run drawn live: each frame adds its segments only.
    mon.ClearCharts();
    mon.Running = true;
    rig.engine.ResetValues();
    QApplication::processEvents();
    for (int i = 0; i < Frames; ++i) {
        QElapsedTimer t;
        t.start();
        TPacket logged = rig.log.Frames(i);
        rig.engine.DecodeFrame(logged, true);
        mon.PlotFrame(logged);
        QApplication::processEvents();
        frame.push_back(msSince(t));
    }
    mon.Running = false;
    std::printf("series drawn: %d, frames: %d, monitor %dx%d, graph width %d\n", assigned, Frames,
                mon.width(), mon.height(), mon.GraphWidth());
    std::printf("re-plot of 300 frames, painting off, then one repaint: median %.2f ms, best %.2f "
                "ms\n",
                median(replot), *std::min_element(replot.begin(), replot.end()));
    std::printf("full page paint from the caches: median %.3f ms\n", median(page));
    std::printf("full page paint rebuilding every cache: median %.3f ms\n", median(pageDirty));
    std::printf("one live frame (decode, plot, its paint): median %.3f ms, worst %.3f ms\n",
                median(frame), *std::max_element(frame.begin(), frame.end()));
}

TEST(ChartBench, DISABLED_Screenshots) {
    ChartRig rig;
    QTabWidget window; // the page leaves the window when the view goes first
    TframeViewMonitor view(rig.engine, rig.log);
    view.OnRePlotNeeded = [&] { rig.RePlot(view.Monitor()); };
    window.setDocumentMode(true);
    window.addTab(new QWidget, "Macros (F6)");
    window.addTab(view.Widget(), "Charts (F9)");
    window.setCurrentIndex(1);
    window.resize(760, 520);
    window.show();
    view.PopulateMonitor();
    TChartMon& mon = view.Monitor();
    // As at start-up: the user defaults (none stored: the load defaults); then Start clears.
    for (int k = 0; k < ChartCount; ++k) {
        mon.LoadChartDefaults(k);
    }
    mon.ClearCharts();
    mon.Running = true;
    rig.engine.ResetValues();
    for (int i = 0; i < 200; ++i) {
        if (i == 40) {
            mon.KeyDown(Qt::Key_1, Qt::NoModifier);
        }
        if (i == 120) {
            mon.KeyDown(Qt::Key_7, Qt::NoModifier);
        }
        rig.RunFrame(mon, i, 0.25);
    }
    mon.Running = false;
    mon.KeyDown(Qt::Key_F2, Qt::NoModifier);
    for (int i = 0; i < 6; ++i) {
        mon.KeyDown(Qt::Key_Left, Qt::ControlModifier);
    }
    QApplication::processEvents();
    window.grab().save("/tmp/quorvin-charts-page.png");

    TfChartProperties dialog;
    dialog.Open(mon);
    dialog.show();
    QApplication::processEvents();
    dialog.grab().save("/tmp/quorvin-chart-properties.png");
    std::printf("wrote /tmp/quorvin-charts-page.png and /tmp/quorvin-chart-properties.png\n");
}

} // namespace
