// The charts over a whole log as a user meets them: the monitor shown and active, driven by real
// wheel, mouse and key events, and checked on the frame under the cursor, the range shown and
// the painted pixels. Zoom around the mouse or the cursor, panning with the middle button,
// Home and End, "Fit log", following a run and the paused view, a spike at every zoom, the notes
// strip and the ruler's labels, and the popup menus opened with the right button.
#include "ChartMonTestFixture.h"

#include "views/charts/ChartColumns.h"

#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

using namespace Charts;

namespace {

class ChartNavigationTest : public testing::Test {
protected:
    void SetUp() override {
        rig.SilenceFiredNotes();
        mon.Image = &rig.engine;
        mon.Log = &rig.log;
        mon.IniFileName = rig.dir.File("QuorvinV4.ini");
        mon.Confirm = [](const QString&) { return true; };
        mon.OnRePlotNeeded = [this] { rig.RePlot(mon); };
        mon.resize(900, 520);
        mon.show();
        QApplication::setActiveWindow(&mon);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&mon));
        mon.AssignSeries();
    }
    void TearDown() override {
        mon.ChartMenu().close();
        mon.LegendMenu().close();
    }

    TAttr& attr(const std::string& code) {
        for (TMacroItem& item : rig.engine.Items) {
            for (TAttr& a : item.Request.Attrs) {
                if (a.ACode == code) {
                    return a;
                }
            }
        }
        throw std::runtime_error("no attribute " + code);
    }
    // A log of n frames 100 ms apart, plotted as the window re-plots it.
    void logFrames(int n, const std::function<void(int, TPacket&)>& change = {}) {
        for (int i = 0; i < n; ++i) {
            auto frame = ChartRig::Frame(i);
            if (change) {
                change(i, *frame);
                frame->UpdateChecksum();
            }
            rig.log.Add(*frame, true);
        }
        rig.RePlot(mon);
    }
    QWidget& graph() { return mon.GraphArea(); }
    int chartY(int k) const { return mon.StripTop(k) + mon.StripHeight() / 2; }

    // Real events through the window, as the platform delivers them: a right press also opens
    // the widget's context menu.
    void rightClick(QWidget& w, QPoint at) {
        QTest::mouseClick(mon.windowHandle(), Qt::RightButton, {}, w.mapTo(&mon, at));
    }
    void wheel(int x, int y, int delta, bool sideways = false) {
        const QPointF at(x, y);
        QWheelEvent event(at, graph().mapToGlobal(at), QPoint(),
                          sideways ? QPoint(delta, 0) : QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&graph(), &event);
    }
    void middleDrag(int fromX, int toX, int y) {
        QTest::mousePress(&graph(), Qt::MiddleButton, {}, QPoint(fromX, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(toX, y), graph().mapToGlobal(QPointF(toX, y)),
                         Qt::NoButton, Qt::MiddleButton, {});
        QApplication::sendEvent(&graph(), &move);
        QTest::mouseRelease(&graph(), Qt::MiddleButton, {}, QPoint(toX, y));
    }
    QAction* entry(QMenu& menu, const QString& prefix) {
        for (QAction* a : menu.actions()) {
            if (a->text().startsWith(prefix)) {
                return a;
            }
        }
        return nullptr;
    }
    // Pixels of a colour in a rectangle of the graph area as painted.
    int pixels(uint32_t colour, const QRect& area) {
        const QImage shot = graph().grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb want = ChartColour(colour).rgb();
        int n = 0;
        for (int y = std::max(area.top(), 0); y <= std::min(area.bottom(), shot.height() - 1);
             ++y) {
            for (int x = std::max(area.left(), 0); x <= std::min(area.right(), shot.width() - 1);
                 ++x) {
                n += shot.pixel(x, y) == want ? 1 : 0;
            }
        }
        return n;
    }
    QRect stripColumns(int k, int fromX, int toX) const {
        return QRect(fromX, mon.StripTop(k), toX - fromX + 1, mon.StripHeight());
    }

    ChartRig rig;
    TChartMon mon;
};

TEST_F(ChartNavigationTest, TheGraphFillsTheWidthBetweenTheColumns) {
    mon.resize(1400, 520);
    EXPECT_EQ(mon.GraphWidth(), 1400 - YaxisWidth - LegendWidth);
    mon.Rows[0].Series[0].Color = 0x0000FF; // RPM in red
    logFrames(1500);
    const int w = mon.GraphWidth();
    EXPECT_EQ(mon.View().EndVisibleFrame(mon.Count()), w); // one frame a column, edge to edge
    EXPECT_GT(pixels(0x0000FF, stripColumns(0, w - 40, w - 1)), 0);
    EXPECT_GT(pixels(0x0000FF, stripColumns(0, 300, 340)), 0);
}

TEST_F(ChartNavigationTest, TheWheelZoomsAroundTheMouse) {
    logFrames(20000);
    mon.ScrollTo(5000);
    const int x = 300, y = chartY(1);
    const int under = mon.FrameAt(x);
    EXPECT_EQ(under, 5300);
    wheel(x, y, -120); // towards the user: out
    EXPECT_EQ(mon.View().Zoom(), 2);
    EXPECT_NEAR(mon.FrameAt(x), under, 2);
    wheel(x, y, 240); // two notches in
    EXPECT_EQ(mon.View().Zoom(), 0.5);
    EXPECT_NEAR(mon.FrameAt(x), under, 1);
    EXPECT_EQ(mon.View().ColumnOf(under + 1) - mon.View().ColumnOf(under), 2);
    for (int i = 0; i < 10; ++i) {
        wheel(x, y, 120);
    }
    EXPECT_EQ(mon.View().Zoom(), TChartView::MinZoom); // eight columns a frame at most
    for (int i = 0; i < 30; ++i) {
        wheel(x, y, -120);
    }
    // The whole log in the window at most.
    EXPECT_LE(mon.View().FirstVisibleFrame(mon.Count()), static_cast<int>(mon.View().Zoom()));
    EXPECT_EQ(mon.View().EndVisibleFrame(mon.Count()), 20000);
}

TEST_F(ChartNavigationTest, PlusAndMinusZoomAroundTheCursorHomeAndEndJumpToTheEnds) {
    logFrames(20000);
    mon.ScrollTo(8000);
    QTest::mouseClick(&graph(), Qt::LeftButton, {}, QPoint(200, chartY(0)));
    ASSERT_EQ(mon.Cursor(), 8200);
    QTest::keyClick(&mon, Qt::Key_Minus);
    EXPECT_EQ(mon.View().Zoom(), 2);
    EXPECT_NEAR(mon.View().ViewX(mon.Cursor()), 200, 1);
    QTest::keyClick(&mon, Qt::Key_Plus);
    QTest::keyClick(&mon, Qt::Key_Plus);
    EXPECT_EQ(mon.View().Zoom(), 0.5);
    EXPECT_NEAR(mon.View().ViewX(mon.Cursor()), 200, 2);
    QTest::keyClick(&mon, Qt::Key_End);
    EXPECT_EQ(mon.View().Position(), mon.View().ScrollMax(mon.Count(), mon.Speed()));
    EXPECT_TRUE(mon.View().Shows(19999));
    QTest::keyClick(&mon, Qt::Key_Home);
    EXPECT_EQ(mon.View().Position(), 0);
    EXPECT_EQ(mon.Cursor(), 8200); // only the view moved
}

TEST_F(ChartNavigationTest, TheMiddleButtonAndTheScrollBarPan) {
    logFrames(5000);
    mon.ScrollTo(1000);
    middleDrag(500, 380, chartY(2));
    EXPECT_EQ(mon.ScrollPosition(), 1120);
    EXPECT_EQ(mon.Cursor(), 0); // panning moves no cursor
    auto* bar = mon.findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value(), 1120);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(mon.ScrollPosition(), 1120 + mon.GraphWidth());
    EXPECT_EQ(bar->maximum(), mon.View().ScrollMax(mon.Count(), mon.Speed()));
    // A touchpad's sideways turn pans too.
    const int before = mon.ScrollPosition();
    wheel(300, chartY(1), -120, true);
    EXPECT_EQ(mon.ScrollPosition(), before + 15);
    EXPECT_EQ(mon.View().Zoom(), 1);
}

TEST_F(ChartNavigationTest, FitLogFromThePopupMenuShowsTheWholeLog) {
    logFrames(30000);
    rightClick(graph(), QPoint(100, chartY(1)));
    ASSERT_TRUE(mon.ChartMenu().isVisible());
    QAction* fit = entry(mon.ChartMenu(), "Fit log");
    ASSERT_NE(fit, nullptr);
    fit->trigger();
    EXPECT_EQ(mon.View().FirstVisibleFrame(mon.Count()), 0);
    EXPECT_EQ(mon.View().EndVisibleFrame(mon.Count()), 30000);
    EXPECT_LE(mon.View().Columns(30000), mon.GraphWidth());
    EXPECT_GT(mon.View().Columns(30000), mon.GraphWidth() - 2);
}

TEST_F(ChartNavigationTest, ASpikeShowsAtEveryZoom) {
    // Chart 1 shows vehicle speed alone (0..200 km/h): 50 everywhere, 200 in one frame.
    for (const char* code : {"RPM", "TPS", "MAP"}) {
        attr(code).Chart = 0;
    }
    mon.AssignSeries();
    mon.Rows[0].Series[3].Color = 0x0000FF;
    const int spike = 12345, vss = attr("VSS").StartByte;
    rig.log.New();
    logFrames(40000, [&](int i, TPacket& f) { f.setData(vss, i == spike ? 200 : 50); });
    const int top = mon.StripTop(0);
    for (double zoom : {1.0, 4.0, 16.0, 64.0}) {
        mon.FitLog();
        mon.ZoomAt(0, zoom / mon.View().Zoom());
        if (!mon.View().Shows(spike)) {
            mon.ScrollTo(mon.View().ColumnOf(spike) - 100);
        }
        ASSERT_TRUE(mon.View().Shows(spike)) << zoom;
        const int x = mon.View().ViewX(spike);
        // The top of the strip (200 km/h lies at y = 7) is reached in the spike's column only.
        EXPECT_GT(pixels(0x0000FF, QRect(x, top + 6, 1, 3)), 0) << zoom;
        EXPECT_EQ(pixels(0x0000FF, QRect(0, top, std::max(x - 2, 0), 10)), 0) << zoom;
        EXPECT_EQ(pixels(0x0000FF, QRect(x + 2, top, mon.GraphWidth(), 10)), 0) << zoom;
    }
}

TEST_F(ChartNavigationTest, TheViewFollowsARunUntilScrolledBackAndSaysSo) {
    mon.Running = true;
    const int w = mon.GraphWidth();
    for (int i = 0; i < w + 200; ++i) {
        ASSERT_TRUE(rig.RunFrame(mon, i));
        ASSERT_TRUE(mon.View().Shows(i)) << i;
    }
    EXPECT_FALSE(mon.PausedView());
    // Back one screen with the scroll bar: the view stays put and says it is paused.
    mon.findChild<QScrollBar*>()->triggerAction(QAbstractSlider::SliderPageStepSub);
    const int position = mon.ScrollPosition();
    EXPECT_TRUE(mon.PausedView());
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(rig.RunFrame(mon, rig.log.Count()));
    }
    EXPECT_EQ(mon.ScrollPosition(), position);
    const QRect mark(w - 90, mon.StripTop(0), 90, 16);
    EXPECT_GT(pixels(Silver, mark), 20);
    // End brings it back: the newest frame shows again and stays in view.
    QTest::keyClick(&mon, Qt::Key_End);
    EXPECT_FALSE(mon.PausedView());
    EXPECT_TRUE(mon.View().Shows(rig.log.Count() - 1));
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(rig.RunFrame(mon, rig.log.Count()));
        EXPECT_TRUE(mon.View().Shows(rig.log.Count() - 1));
    }
    EXPECT_EQ(pixels(Silver, mark), 0);
    mon.Running = false;
}

TEST_F(ChartNavigationTest, TheCursorTakesTheFrameUnderTheMouseAndStepsOneFrameAtAnyZoom) {
    logFrames(20000);
    mon.FitLog();
    const double zoom = mon.View().Zoom();
    ASSERT_GT(zoom, 20);
    QTest::mouseClick(&graph(), Qt::LeftButton, {}, QPoint(400, chartY(0)));
    const int first = mon.View().FirstFrameOf(400), end = mon.View().FirstFrameOf(401);
    EXPECT_EQ(mon.Cursor(), (first + end - 1) / 2); // the middle frame of the column
    EXPECT_EQ(mon.FrameText(), std::to_string(mon.Cursor()));
    const int at = mon.Cursor();
    QTest::keyClick(&mon, Qt::Key_F2);
    ASSERT_TRUE(mon.Inspecting);
    QTest::keyClick(&mon, Qt::Key_Right);
    EXPECT_EQ(mon.Cursor(), at + 1); // one frame, though many share the column
    QTest::keyClick(&mon, Qt::Key_Left);
    QTest::keyClick(&mon, Qt::Key_Left);
    EXPECT_EQ(mon.Cursor(), at - 1);
    // A page is a screen of frames; the view follows the cursor.
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(&mon, Qt::Key_Plus);
    }
    mon.InspectFrame(1000);
    const int page =
        mon.View().EndVisibleFrame(mon.Count()) - mon.View().FirstVisibleFrame(mon.Count());
    ASSERT_LT(page, 5000);
    QTest::keyClick(&mon, Qt::Key_PageDown);
    EXPECT_EQ(mon.Cursor(), 1000 + page);
    EXPECT_TRUE(mon.View().Shows(mon.Cursor()));
    QTest::keyClick(&mon, Qt::Key_PageUp);
    QTest::keyClick(&mon, Qt::Key_PageUp);
    EXPECT_EQ(mon.Cursor(), std::max(0, 1000 - page));
    EXPECT_TRUE(mon.View().Shows(mon.Cursor()));
}

TEST_F(ChartNavigationTest, ANoteNameStopsBeforeTheNextMarkAndTheTooltipHasItAll) {
    logFrames(400);
    mon.Notes.SetName(0, "Misfire at the top of the hill");
    mon.Notes.SetColor(0, 0x0000FF);
    mon.Notes.SetName(1, "Gear change");
    mon.Notes.SetColor(1, 0x00FF00);
    mon.SetFrameNotes(100, 1);
    mon.SetFrameNotes(130, 2);
    // The columns just before the next mark stay clear: the name before was shortened.
    EXPECT_EQ(NotesHeight * 3 - pixels(mon.NotesColor, QRect(127, 0, 3, NotesHeight)), 0);
    EXPECT_GT(pixels(0x0000FF, QRect(100, 0, 27, NotesHeight)), 10);
    // The last one runs on whole.
    EXPECT_GT(NotesHeight * 100 - pixels(mon.NotesColor, QRect(131, 0, 100, NotesHeight)), 30);
    QHelpEvent help(QEvent::ToolTip, QPoint(104, 5), graph().mapToGlobal(QPoint(104, 5)));
    QApplication::sendEvent(&graph(), &help);
    EXPECT_EQ(QToolTip::text(), "Misfire at the top of the hill");
    QToolTip::hideText();
}

TEST_F(ChartNavigationTest, TheFirstRulerLabelShowsWhole) {
    logFrames(600);
    mon.SetRulerIntervals(1000, 100, 30000); // labels 300 frames apart
    // The label band lies below the ticks: any pixel there that is not background is text.
    const int h = mon.ViewHeight() - mon.RulerTop();
    const QRect labels(0, mon.RulerTop() + h - 16, 80, 16);
    const QImage shot = graph().grab().toImage().convertToFormat(QImage::Format_RGB32);
    int left = 1000, right = -1;
    for (int y = labels.top(); y <= labels.bottom() && y < shot.height(); ++y) {
        for (int x = 0; x <= labels.right(); ++x) {
            if (shot.pixel(x, y) != ChartColour(mon.RulerColor).rgb()) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    const int width = QFontMetrics(ChartFont()).horizontalAdvance(QStringLiteral("00:00"));
    ASSERT_GE(right, 0);
    EXPECT_LE(left, 2);
    EXPECT_GE(right - left + 1, width - 4); // the whole "00:00", not its right half
}

TEST_F(ChartNavigationTest, TheRulerReadsTheTimeOfDayWhenChosen) {
    logFrames(1200); // from 12:00:00, 100 ms apart
    rightClick(graph(), QPoint(50, chartY(3)));
    QAction* clock = entry(mon.ChartMenu(), "Ruler: Time of Day");
    ASSERT_NE(clock, nullptr);
    EXPECT_FALSE(clock->isChecked());
    clock->trigger();
    EXPECT_TRUE(mon.Ruler.TimeOfDay);
    std::vector<std::string> labels;
    for (const TRulerMark& m :
         RulerMarks(mon.Data, mon.View(), mon.Ruler, [](const std::string&) { return 40; })) {
        if (m.Flags & LabelTick) {
            labels.push_back(m.Label);
        }
    }
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.front(), "12:00:00");
    mon.SaveCommonDefaults();
    mon.SetRulerTimeOfDay(false);
    mon.LoadCommonDefaults();
    EXPECT_TRUE(mon.Ruler.TimeOfDay); // kept with the user defaults
}

// ---- faults mended ----

TEST_F(ChartNavigationTest, ARightClickInTheLegendPicksTheRowUnderTheMouse) {
    // Rows are drawn 14 px apart; a row whose number differs when counted in font heights.
    const int fontHeight = QFontMetrics(ChartFont()).height();
    ASSERT_NE(fontHeight, LegendRowHeight);
    int row = -1, y = 0;
    for (int r = 1; r < 3 && row < 0; ++r) {
        for (int dy = 0; dy < LegendRowHeight && row < 0; ++dy) {
            const int at = r * LegendRowHeight + dy;
            if (at / fontHeight != r && at / fontHeight < SeriesSlots) {
                row = r;
                y = at;
            }
        }
    }
    ASSERT_GE(row, 0);
    const TSeries& slot = mon.Rows[1].Series[static_cast<size_t>(row)];
    ASSERT_TRUE(slot.Assigned); // chart 2: CTS, IAT, SPARK
    FillPickList(rig.engine);
    rightClick(mon.LegendColumn(), QPoint(20, mon.StripTop(1) + y));
    ASSERT_TRUE(mon.LegendMenu().isVisible());
    EXPECT_EQ(mon.LegendMenu().actions().first()->text().toStdString(), "Clear: " + slot.Name);
}

TEST_F(ChartNavigationTest, AddNoteTakesTheFrameOfThePressThatOpenedTheMenu) {
    logFrames(400);
    QTest::mouseClick(&graph(), Qt::LeftButton, {}, QPoint(50, chartY(0)));
    ASSERT_EQ(mon.MouseX, 50);
    // On the notes strip, then on the ruler.
    const int rulerY = mon.RulerTop() + 10;
    for (auto [x, y] : {std::pair{120, 8}, std::pair{250, rulerY}}) {
        rightClick(graph(), QPoint(x, y));
        ASSERT_TRUE(mon.ChartMenu().isVisible());
        QAction* add = entry(mon.ChartMenu(), "Add Note");
        ASSERT_NE(add, nullptr);
        ASSERT_TRUE(add->isEnabled());
        QAction* third = entry(*add->menu(), "3.");
        ASSERT_NE(third, nullptr);
        third->trigger();
        mon.ChartMenu().close();
        EXPECT_EQ(mon.Notes.Mask(x), 1u << 2) << x;
        EXPECT_EQ(rig.log.Notes(x), 1u << 2) << x;
    }
    EXPECT_EQ(mon.Notes.Mask(50), 0u);
}

} // namespace
