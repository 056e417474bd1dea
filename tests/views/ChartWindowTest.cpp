// The charts in the main window, shown and active: the keys the charts use stop there (an arrow
// key on the focused tab bar steps the cursor and leaves the page alone), and the play-back
// toolbar chooses the speed, scrubs and steps the cursor, also while play back is paused, with
// the window showing the frame under the cursor.
#include "ChartMonTestFixture.h"

#include "shell/Main.h"
#include "views/ViewMacros.h"
#include "views/ViewMonitor.h"
#include "views/charts/ChartPaint.h"
#include "views/charts/PlayBar.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

#include <cstdlib>
#include <filesystem>

namespace {

class ChartWindowTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        const std::string vehicle = dir.File("v.xml");
        std::filesystem::copy_file(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml", vehicle);
        std::filesystem::create_directories(dir.File("data"));
        dir.Write("QuorvinV4.ini", "[Devices]\r\nCom1=" + dir.File("none") +
                                       "\r\n[fMain]\r\nmruVehicle=" + vehicle +
                                       "\r\n[Properties]\r\nDataDir=" + dir.File("data") + "\r\n");
        window = std::make_unique<TfMain>();
        window->MessageBoxHook = [](QMessageBox::Icon, const QString&,
                                    QMessageBox::StandardButtons) { return QMessageBox::Ok; };
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        selectMacro("Engine data, repeating");
        // A log of 300 frames, plotted as after Open.
        for (int i = 0; i < 300; ++i) {
            window->Log->Add(*ChartRig::Frame(i), true);
        }
        window->SetRunState(window->RunState | rsLogHasData);
        window->MonitorRePlot();
    }
    void TearDown() override {
        window.reset();
        unsetenv("QUORVIN_INI");
    }

    void selectMacro(const QString& description) {
        QTreeWidget& tree = window->MacrosPage->tree();
        for (int i = 0; i < tree.topLevelItemCount(); ++i) {
            if (tree.topLevelItem(i)->text(0).startsWith(description)) {
                tree.setCurrentItem(tree.topLevelItem(i));
                return;
            }
        }
        FAIL() << "no macro " << description.toStdString();
    }
    QString frameShown() const { return window->StatusPanels[1]->text(); }
    void click(QAction& action) {
        QTest::mouseClick(window->PlayBar->widgetForAction(&action), Qt::LeftButton);
    }

    TempDir dir;
    std::unique_ptr<TfMain> window;
};

TEST_F(ChartWindowTest, AnArrowKeyTheChartsUseStopsThere) {
    TfMain& w = *window;
    QTabBar* tabs = w.PageControl->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(3).center()); // the Charts page
    ASSERT_EQ(w.PageControl->currentIndex(), 3);
    // Keys through the window, as the platform delivers them: shortcuts first, then the focus.
    QTest::keyClick(w.windowHandle(), Qt::Key_F2);                      // inspect
    ASSERT_TRUE(w.ChartMonitor->KeyDown(Qt::Key_Left, Qt::NoModifier)); // inspecting
    ASSERT_EQ(w.ChartMonitor->Cursor(), 0);
    tabs->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabs->hasFocus(); }));
    QTest::keyClick(w.windowHandle(), Qt::Key_Right);
    EXPECT_EQ(w.ChartMonitor->Cursor(), 1);
    EXPECT_EQ(w.PageControl->currentIndex(), 3); // the tab bar never saw the key
    EXPECT_EQ(frameShown(), "Frame: 1");
    // A key the charts leave still reaches the focused widget.
    QTest::keyClick(w.windowHandle(), Qt::Key_Return); // inspecting ends
    QTest::keyClick(w.windowHandle(), Qt::Key_Right);
    EXPECT_EQ(w.PageControl->currentIndex(), 4);
    EXPECT_EQ(w.ChartMonitor->Cursor(), 1);
}

// The page shown before never shows through the charts: the notes row beside the graph, in the
// y-axis and legend columns, is the charts' own background (the Macros page's tree and Clear
// button lay there).
TEST_F(ChartWindowTest, ThePageShownBeforeNeverShowsThroughTheNotesRow) {
    TfMain& w = *window;
    ASSERT_EQ(w.PageControl->currentIndex(), 0);
    QTest::qWait(100); // the Macros page painted
    QTest::keyClick(w.windowHandle(), Qt::Key_F9);
    ASSERT_EQ(w.PageControl->currentIndex(), 3);
    TChartMon& mon = dynamic_cast<TframeViewMonitor&>(*w.ChartMonitor).Monitor();
    ASSERT_TRUE(mon.NotesVisible());
    QTest::qWait(100);
    const QImage shown = w.windowHandle()->screen()->grabWindow(w.winId()).toImage();
    ASSERT_FALSE(shown.isNull());
    const QPoint origin = mon.mapTo(&w, QPoint(0, 0));
    const QColor background = ChartColour(Charts::DarkNavy);
    for (const int x0 : {0, mon.width() - Charts::LegendWidth}) {
        const int x1 = x0 + (x0 == 0 ? Charts::YaxisWidth : Charts::LegendWidth);
        int other = 0;
        for (int y = 0; y < mon.StripTop(0); ++y) {
            for (int x = x0; x < x1; ++x) {
                other += shown.pixelColor(origin + QPoint(x, y)) != background;
            }
        }
        EXPECT_EQ(other, 0) << "column at " << x0;
    }
}

TEST_F(ChartWindowTest, ThePlayBarScrubsAndStepsTheCursor) {
    TfMain& w = *window;
    TPlayBar& bar = *w.PlayBar;
    ASSERT_TRUE(bar.PositionSlider().isEnabled());
    EXPECT_EQ(bar.PositionSlider().maximum(), 299);
    click(bar.StepForward());
    click(bar.StepForward());
    EXPECT_EQ(w.ChartMonitor->Cursor(), 2);
    EXPECT_EQ(frameShown(), "Frame: 2");
    EXPECT_EQ(bar.PositionSlider().value(), 2);
    bar.PositionSlider().triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(w.ChartMonitor->Cursor(), 299);
    EXPECT_EQ(frameShown(), "Frame: 299");
    EXPECT_FALSE(bar.StepForward().isEnabled());
    click(bar.StepBack());
    EXPECT_EQ(frameShown(), "Frame: 298");
}

TEST_F(ChartWindowTest, ThePlayBarSpeedRulesPlayBackAndAPausedPlayBackCanBeInspected) {
    TfMain& w = *window;
    TPlayBar& bar = *w.PlayBar;
    w.Options.PlayBackSpeed = 2;
    EXPECT_EQ(w.PlayBackSpeed(), 2); // "Default": the properties' speed
    bar.SpeedBox().setCurrentIndex(bar.SpeedBox().findText("16x"));
    EXPECT_EQ(w.PlayBackSpeed(), 16);
    EXPECT_EQ(w.Options.PlayBackSpeed, 2); // the setting stays as it is

    w.actAldlPlay->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.PlayIndex > 30; }, 10000));
    EXPECT_FALSE(bar.PositionSlider().isEnabled()); // play back feeds the charts
    w.actAldlPause->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar.PositionSlider().isEnabled(); }, 2000));
    QTest::qWait(100); // frames still queued at the pause
    const int at = w.ChartMonitor->Cursor();
    click(bar.StepBack());
    EXPECT_EQ(w.ChartMonitor->Cursor(), at - 1);
    EXPECT_EQ(frameShown(), "Frame: " + QString::number(at - 1));
    w.actAldlPause->trigger(); // resume
    EXPECT_FALSE(bar.PositionSlider().isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.InRunState(rsBusy); }, 10000));
    EXPECT_EQ(w.PlayIndex, 300);
    EXPECT_EQ(w.ChartMonitor->Cursor(), 299);
}

} // namespace
