// Screenshots of the Charts page and the chart properties, on the offscreen platform. Not a
// test: it is disabled and run by hand with
//   ChartBenchTest --gtest_also_run_disabled_tests
// (the pictures go to /tmp). The drawing figures are bench/ChartBench's.
#include "ChartMonTestFixture.h"

#include "views/ViewMonitor.h"
#include "views/charts/ChartProperties.h"

#include <QApplication>
#include <QTabWidget>

#include <cstdio>

using namespace Charts;

namespace {

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
