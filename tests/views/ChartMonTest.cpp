// The chart monitor with real widgets, the sample vehicle's image and frames of the simulated
// engine module: series assignment, plotting and its limit, the detail texts, the cursor by mouse
// and keys, notes typed on the charts reaching the log file, the legend's assignments, the popup
// menu, the settings and printing.
#include "ChartMonTestFixture.h"

#include "common/IniFile.h"
#include "shell/Printing.h"
#include "views/charts/ChartColumns.h"

#include <QAction>
#include <QMenu>
#include <QPdfWriter>
#include <QTest>

#include <filesystem>

using namespace Charts;

namespace {

class ChartMonTest : public testing::Test {
protected:
    void SetUp() override {
        rig.SilenceFiredNotes();
        mon.Image = &rig.engine;
        mon.Log = &rig.log;
        mon.IniFileName = rig.dir.File("QuorvinV4.ini");
        mon.Confirm = [this](const QString& text) {
            questions << text;
            return answer;
        };
        mon.OnRePlotNeeded = [this] { ++rePlots; };
        mon.OnLogModified = [this] { ++logModified; };
        mon.resize(640, 420);
        mon.show();
        mon.AssignSeries();
    }
    // The image's attribute with this ACode: {item, attr}.
    std::pair<int, int> attrOf(const std::string& code) const {
        for (int i = 0; i < rig.engine.ItemCount; ++i) {
            const TRequest& r = rig.engine.Items[static_cast<size_t>(i)].Request;
            for (int a = 0; a < r.AttrCount; ++a) {
                if (r.Attrs[static_cast<size_t>(a)].ACode == code) {
                    return {i, a};
                }
            }
        }
        return {-1, -1};
    }
    TAttr& attr(const std::string& code) {
        auto [i, a] = attrOf(code);
        return rig.engine.Items[static_cast<size_t>(i)].Request.Attrs[static_cast<size_t>(a)];
    }
    void run(int frames) {
        mon.Running = true;
        for (int i = 0; i < frames; ++i) {
            ASSERT_TRUE(rig.RunFrame(mon, rig.log.Count()));
        }
        mon.Running = false;
    }
    QAction* menuAction(QMenu& menu, const QString& prefix) {
        for (QAction* a : menu.actions()) {
            if (a->text().startsWith(prefix)) {
                return a;
            }
        }
        return nullptr;
    }

    ChartRig rig;
    TChartMon mon;
    QStringList questions;
    bool answer = true;
    int rePlots = 0;
    int logModified = 0;
};

TEST_F(ChartMonTest, AssignSeriesFillsTheSlotsInMacroOrder) {
    EXPECT_EQ(rePlots, 1);
    const TSeries& rpm = mon.Rows[0].Series[0];
    EXPECT_TRUE(rpm.Assigned);
    EXPECT_EQ(rpm.Name, "RPM " + attr("RPM").Scale.Units);
    EXPECT_EQ(rpm.DisplayMax, attr("RPM").Scale.DisplayMax);
    EXPECT_EQ(rpm.RCode, "ALDL-0");
    EXPECT_EQ(rpm.MCode, "ECM");
    EXPECT_EQ(rpm.AID, attr("RPM").AID);
    EXPECT_EQ(std::make_pair(rpm.ItemIndex, rpm.AttrIndex), attrOf("RPM"));
    EXPECT_EQ(mon.Rows[3].Series[0].Name.rfind("BATT ", 0), 0u);

    // Two attributes on one slot: the later one in macro order holds it.
    attr("EGR").Chart = 1;
    attr("EGR").Series = 1;
    attr("RPM").Chart = 0;
    attr("CTS").Chart = 1;
    attr("CTS").Series = 1; // CTS comes before EGR
    mon.AssignSeries();
    EXPECT_EQ(mon.Rows[0].Series[0].Name.rfind("EGR ", 0), 0u);
    EXPECT_FALSE(mon.Rows[1].Series[0].Assigned); // CTS left chart 2
    EXPECT_EQ(rePlots, 2);
}

TEST_F(ChartMonTest, PlottingKeepsTheImagesValuesOfEveryFrame) {
    run(1);
    auto [item, at] = attrOf("RPM");
    EXPECT_EQ(mon.Data.Column(0, 0).At(0), rig.engine.GetAttrValue(item, at, -1));
    attr("BATT").Chart = 0;
    mon.AssignSeries(); // an empty slot plots nothing
    run(1);
    EXPECT_EQ(mon.Data.Column(3, 0).At(1), MissingValue);
    EXPECT_EQ(mon.Data.Column(3, 0).Size(), 0);
    // No longer 300 frames at most: the cache grows with the log.
    run(700);
    EXPECT_EQ(mon.Count(), 702);
    EXPECT_EQ(mon.Cursor(), 701);
    EXPECT_EQ(mon.FrameText(), "701");
    EXPECT_EQ(mon.TimeText(), "01:10.100");
    EXPECT_EQ(mon.Data.Column(0, 0).At(701), rig.engine.GetAttrValue(item, at, -1));

    mon.ClearCharts();
    EXPECT_EQ(mon.Count(), 0);
    EXPECT_EQ(mon.ScrollPosition(), 0);
    EXPECT_EQ(mon.FrameText(), "-");
    EXPECT_EQ(mon.TimeText(), "-");
    EXPECT_EQ(mon.Data.Column(0, 0).At(10), MissingValue);
}

TEST_F(ChartMonTest, ARePlotDecodesTheChartedValuesOfTheRunAgain) {
    // Every third frame answers another request: its values are the ones before, carried.
    mon.Running = true;
    for (int i = 0; i < 400; ++i) {
        auto frame = ChartRig::Frame(i);
        frame->MessageNo = i % 3 == 2 ? 7 : 0;
        rig.log.Add(*frame, true);
        TPacket logged = rig.log.Frames(i);
        rig.engine.DecodeFrame(logged, true);
        ASSERT_TRUE(mon.PlotFrame(logged));
        rig.log.SetNotes(i, logged.Notes);
    }
    mon.Running = false;
    rig.log.SetNotes(123, 1u << 4);
    std::vector<float> live[ChartCount][SeriesSlots];
    for (int k = 0; k < ChartCount; ++k) {
        for (int r = 0; r < SeriesSlots; ++r) {
            for (int i = 0; i < 400; ++i) {
                live[k][r].push_back(mon.Data.Column(k, r).At(i));
            }
        }
    }
    rig.RePlot(mon);
    ASSERT_EQ(mon.Count(), 400);
    int present = 0;
    for (int k = 0; k < ChartCount; ++k) {
        for (int r = 0; r < SeriesSlots; ++r) {
            for (int i = 0; i < 400; ++i) {
                ASSERT_EQ(mon.Data.Column(k, r).At(i), live[k][r][static_cast<size_t>(i)])
                    << k << " " << r << " " << i;
                present += live[k][r][static_cast<size_t>(i)] != MissingValue ? 1 : 0;
            }
        }
    }
    EXPECT_GT(present, 400 * 4);
    EXPECT_EQ(mon.Notes.Mask(123), 1u << 4); // the notes are the frames' own
    EXPECT_EQ(mon.Data.ElapsedOf(399), 39900);
}

TEST_F(ChartMonTest, ScrollsBySpeedWhileFramesArrive) {
    mon.resize(380, 420); // a graph narrower than the frames
    const int w = mon.GraphWidth();
    ASSERT_GT(w, 0);
    run(w - 1);
    EXPECT_EQ(mon.ScrollPosition(), 0);
    run(1); // the newest frame reaches the last column: the view jumps a scroll step on
    EXPECT_EQ(mon.ScrollPosition(), 4);
    EXPECT_EQ(mon.View().ViewX(mon.Count() - 1), w - 5); // four empty columns after it
    for (int i = 0; i < 3; ++i) {
        run(1);
        EXPECT_EQ(mon.ScrollPosition(), 4);
    }
    run(1);
    EXPECT_EQ(mon.ScrollPosition(), 8);
}

TEST_F(ChartMonTest, DetailTextsWhilePlottingKeepTheLastNote) {
    mon.Running = true;
    ASSERT_TRUE(rig.RunFrame(mon, 0));
    EXPECT_EQ(mon.TimeText(), "00:00.000");
    EXPECT_EQ(mon.NoteText(), "-");
    EXPECT_TRUE(mon.KeyDown(Qt::Key_3, Qt::NoModifier));
    EXPECT_EQ(mon.PendingNote, 1u << 2);
    EXPECT_TRUE(mon.KeyDown(Qt::Key_0, Qt::NoModifier)); // replaces: note 10
    EXPECT_EQ(mon.PendingNote, 1u << 9);
    ASSERT_TRUE(rig.RunFrame(mon, 1));
    EXPECT_EQ(mon.PendingNote, 0u);
    EXPECT_EQ(mon.NoteText(), mon.Notes.Name(9));
    // The typed note is the logged frame's own.
    EXPECT_TRUE(rig.log.Frames(1).Notes & (1u << 9));
    for (int i = 2; i < 15; ++i) {
        ASSERT_TRUE(rig.RunFrame(mon, i));
    }
    EXPECT_EQ(mon.FrameText(), "14");
    EXPECT_EQ(mon.TimeText(), "00:01.400");
    EXPECT_EQ(mon.NoteText(), mon.Notes.Name(9)); // frames without notes keep it
    // While running, other keys do nothing.
    EXPECT_FALSE(mon.KeyDown(Qt::Key_F2, Qt::NoModifier));
    EXPECT_FALSE(mon.Inspecting);
}

TEST_F(ChartMonTest, InspectingMovesTheCursorAndEditsTheFramesNotes) {
    run(50);
    mon.F2Delta = 1;
    mon.F2DeltaCtrl = 10;
    EXPECT_TRUE(mon.KeyDown(Qt::Key_F2, Qt::NoModifier));
    EXPECT_TRUE(mon.Inspecting);
    EXPECT_EQ(mon.Cursor(), 49);
    mon.KeyDown(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(mon.Cursor(), 48);
    mon.KeyDown(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(mon.Cursor(), 38);
    EXPECT_EQ(mon.FrameText(), "38");
    EXPECT_EQ(mon.TimeText(), "00:03.800");
    EXPECT_EQ(mon.NoteText(), ""); // no noted frame at or before the cursor
    for (int i = 0; i < 5; ++i) {
        mon.KeyDown(Qt::Key_Left, Qt::ControlModifier);
    }
    EXPECT_EQ(mon.Cursor(), 0); // stops at the view's left edge

    mon.KeyDown(Qt::Key_Right, Qt::ControlModifier);
    mon.KeyDown(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_EQ(mon.Cursor(), 20);
    mon.KeyDown(Qt::Key_5, Qt::NoModifier);
    mon.KeyDown(Qt::Key_7, Qt::NoModifier);
    EXPECT_EQ(mon.Notes.Mask(20), (1u << 4) | (1u << 6));
    EXPECT_EQ(rig.log.Frames(20).Notes & 0x50u, 0x50u);
    EXPECT_GE(logModified, 1);
    EXPECT_EQ(mon.NoteText(), mon.Notes.Name(4) + "," + mon.Notes.Name(6));
    mon.KeyDown(Qt::Key_Right, Qt::NoModifier);
    EXPECT_EQ(mon.NoteText(), mon.Notes.NamesOf(20)); // the nearest noted frame before

    mon.KeyDown(Qt::Key_Delete, Qt::NoModifier); // nearest noted frame within 10
    EXPECT_EQ(mon.Notes.Mask(20), 0u);
    EXPECT_EQ(rig.log.Frames(20).Notes, 0u);

    EXPECT_TRUE(mon.KeyDown(Qt::Key_Return, Qt::NoModifier));
    EXPECT_FALSE(mon.Inspecting);
    EXPECT_FALSE(mon.KeyDown(Qt::Key_Left, Qt::NoModifier));
}

TEST_F(ChartMonTest, NotesNeverGoIntoTheLiveSlotOrTheEmptyFrame) {
    run(5);
    rig.log.Add(ChartRig::Frame(5), false); // the live slot behind the logged frames
    mon.SetFrameNotes(5, 1);
    mon.SetFrameNotes(120, 1);
    EXPECT_EQ(rig.log.Frames(5).Notes, 0u);
    EXPECT_EQ(rig.log.Count(), 5); // no frame 120 came into being
    EXPECT_EQ(logModified, 0);
    EXPECT_EQ(mon.Notes.Mask(120), 1u); // the chart shows it all the same
}

TEST_F(ChartMonTest, TypedNotesSurviveSaveOpenAndRePlot) {
    mon.Running = true;
    for (int i = 0; i < 30; ++i) {
        if (i == 5) {
            mon.KeyDown(Qt::Key_2, Qt::NoModifier);
        }
        ASSERT_TRUE(rig.RunFrame(mon, i));
    }
    mon.Running = false;
    mon.KeyDown(Qt::Key_F2, Qt::NoModifier);
    for (int i = 0; i < 9; ++i) {
        mon.KeyDown(Qt::Key_Left, Qt::NoModifier);
    }
    ASSERT_EQ(mon.Cursor(), 20);
    mon.KeyDown(Qt::Key_4, Qt::NoModifier);
    mon.KeyDown(Qt::Key_Return, Qt::NoModifier);

    const std::string file = rig.dir.File("run.alg");
    rig.log.SaveToFile(file);
    rig.log.New();
    rig.log.LoadFromFile(file);
    ASSERT_EQ(rig.log.Count(), 30);
    rig.RePlot(mon);
    EXPECT_TRUE(mon.Notes.Mask(5) & (1u << 1));
    EXPECT_TRUE(mon.Notes.Mask(20) & (1u << 3));
    EXPECT_TRUE(rig.log.Frames(20).Notes & (1u << 3));
}

TEST_F(ChartMonTest, MouseTracksTheCursorUnlessRunning) {
    run(100);
    QWidget& graph = mon.GraphArea();
    const int y = mon.StripTop(1) + 5;
    QTest::mousePress(&graph, Qt::LeftButton, {}, QPoint(30, y));
    EXPECT_TRUE(mon.Tracking);
    EXPECT_EQ(mon.Cursor(), 30);
    EXPECT_EQ(mon.CurrentChart, 1);
    QMouseEvent move(QEvent::MouseMove, QPointF(60, mon.StripTop(2) + 5), QPointF(), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(&graph, &move);
    EXPECT_EQ(mon.Cursor(), 60);
    EXPECT_EQ(mon.CurrentChart, 2);
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, QPoint(graph.width() - 1, y));
    EXPECT_FALSE(mon.Tracking);
    EXPECT_EQ(mon.Cursor(), 99); // right of the last frame: the last frame

    // A press ends keyboard inspection; while running the mouse does nothing.
    mon.KeyDown(Qt::Key_F2, Qt::NoModifier);
    QTest::mousePress(&graph, Qt::LeftButton, {}, QPoint(10, y));
    EXPECT_FALSE(mon.Inspecting);
    EXPECT_TRUE(mon.Tracking);
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, QPoint(10, y));
    mon.Running = true;
    QTest::mousePress(&graph, Qt::LeftButton, {}, QPoint(50, y));
    EXPECT_FALSE(mon.Tracking);
    EXPECT_EQ(mon.Cursor(), 10);
}

TEST_F(ChartMonTest, LegendAssignmentGoesIntoTheDefinitionAndTheImage) {
    FillPickList(rig.engine);
    int batt = -1;
    for (int i = 0; i < PickListSize; ++i) {
        if (rig.engine.PickList[static_cast<size_t>(i)].Name == "BATT") {
            batt = i;
        }
    }
    ASSERT_GE(batt, 0);
    // Chart 2, third row of the legend.
    mon.LegendMousePress(mon.StripTop(1) + 2 * LegendRowHeight + 1);
    mon.UpdateLegendMenu();
    QAction* entry = menuAction(mon.LegendMenu(), "BATT (");
    ASSERT_NE(entry, nullptr);
    const int before = rePlots;
    entry->trigger();
    EXPECT_EQ(rePlots, before + 1);
    EXPECT_EQ(attr("BATT").Chart, 2);
    EXPECT_EQ(attr("BATT").Series, 3);
    EXPECT_EQ(attr("SPARK").Chart, 0); // held chart 2, series 3 before
    EXPECT_EQ(mon.Rows[1].Series[2].Name.rfind("BATT ", 0), 0u);
    ASSERT_TRUE(rig.vehicle.Attrs->Locate("ACode", "BATT"));
    EXPECT_EQ(rig.vehicle.Attrs->AsInteger("Chart"), 2);
    EXPECT_EQ(rig.vehicle.Attrs->AsInteger("Series"), 3);

    mon.UpdateLegendMenu();
    QAction* clear = menuAction(mon.LegendMenu(), "Clear: BATT");
    ASSERT_NE(clear, nullptr);
    clear->trigger();
    EXPECT_EQ(attr("BATT").Chart, 0);
    EXPECT_FALSE(mon.Rows[1].Series[2].Assigned);
    ASSERT_TRUE(rig.vehicle.Attrs->Locate("ACode", "BATT"));
    EXPECT_EQ(rig.vehicle.Attrs->AsInteger("Chart"), 0);

    // Nothing to offer: three lines that do nothing.
    rig.engine.ClearPickList();
    mon.UpdateLegendMenu();
    ASSERT_EQ(mon.LegendMenu().actions().size(), 3);
    EXPECT_EQ(mon.LegendMenu().actions()[0]->text(), "No attributes available!");
}

TEST_F(ChartMonTest, ChartMenuDeletesNotesOnlyOnYes) {
    run(40);
    mon.SetFrameNotes(12, (1u << 2) | (1u << 4));
    mon.SetDetail(15);
    mon.UpdateChartMenu();
    QAction* remove = menuAction(mon.ChartMenu(), "Remove Note(s): ");
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->text().toStdString(), "Remove Note(s): " + mon.Notes.NamesOf(12) + "...");
    answer = false;
    remove->trigger();
    EXPECT_EQ(mon.Notes.Mask(12), 0x14u);
    answer = true;
    remove->trigger();
    EXPECT_EQ(questions.last().toStdString(),
              "Remove Note(s): " + mon.Notes.Name(2) + "," + mon.Notes.Name(4));
    EXPECT_EQ(mon.Notes.Mask(12), 0u);
    EXPECT_EQ(rig.log.Frames(12).Notes, 0u);
    mon.UpdateChartMenu();
    EXPECT_NE(menuAction(mon.ChartMenu(), "Remove Note"), nullptr);
    EXPECT_FALSE(menuAction(mon.ChartMenu(), "Remove Note")->isEnabled());

    // A preview monitor offers no note or default entries.
    mon.Properties = false;
    mon.UpdateChartMenu();
    EXPECT_FALSE(menuAction(mon.ChartMenu(), "Add Note")->isEnabled());
    EXPECT_FALSE(menuAction(mon.ChartMenu(), "Save User Defaults...")->isEnabled());
    EXPECT_FALSE(menuAction(mon.ChartMenu(), "Properties...")->isEnabled());
}

TEST_F(ChartMonTest, OverrideYAxisRescalesAtOnce) {
    mon.Rows[0].DisplayMin = 1000;
    mon.Rows[0].DisplayMax = 2000;
    mon.CurrentChart = 0;
    const double before = mon.ScaleOf(0).Scale;
    mon.UpdateChartMenu();
    menuAction(mon.ChartMenu(), "Override Y-Axis")->trigger();
    EXPECT_TRUE(mon.Rows[0].DisplayMinOverride && mon.Rows[0].DisplayMaxOverride);
    EXPECT_EQ(mon.Rows[0].EffectiveMin(), 1000);
    EXPECT_DOUBLE_EQ(mon.ScaleOf(0).Scale, (mon.StripHeight() - 15) / 1000.0);
    EXPECT_NE(mon.ScaleOf(0).Scale, before);
}

TEST_F(ChartMonTest, SettingsSaveLoadAndFactory) {
    mon.SetSpeed(7);
    mon.Rows[1].GridCount = 6;
    mon.Rows[1].Color = 0x202020;
    mon.Notes.SetColor(29, 0x0000FF);
    mon.SaveChartDefaults(1);
    mon.SetSpeed(2);
    mon.Rows[1].GridCount = 1;
    mon.Rows[1].Color = 0;
    mon.Notes.SetColor(29, 0);
    mon.LoadChartDefaults(1);
    EXPECT_EQ(mon.Speed(), 7);
    EXPECT_EQ(mon.Rows[1].GridCount, 6);
    EXPECT_EQ(mon.Rows[1].Color, 0x202020u);
    EXPECT_EQ(mon.Notes.Color(29), 0x0000FFu);
    const TIniFile ini(mon.IniFileName);
    EXPECT_EQ(ini.ReadString("CHART_1", "Color", ""), "2105376");

    mon.F2Delta = 5;
    mon.RestoreChartFactory(1);
    EXPECT_EQ(mon.Speed(), 4);
    EXPECT_EQ(mon.Rows[1].GridCount, 2);
    EXPECT_EQ(mon.Rows[1].Color, DarkNavy);
    EXPECT_EQ(mon.Rows[1].GridColor, Blue);
    EXPECT_EQ(mon.F2Delta, 5);
}

TEST_F(ChartMonTest, PrintsToPdfAndSavesTheTurnedPicture) {
    run(60);
    const std::string pdf = rig.dir.File("chart.pdf");
    mon.PicturePath = rig.dir.File("chart.bmp");
    {
        QPdfWriter writer(QString::fromStdString(pdf));
        TPrintJob job(writer);
        ASSERT_TRUE(job.IsActive());
        mon.PrintChart(job);
    }
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
    QImage picture(QString::fromStdString(mon.PicturePath));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.width(), mon.ViewHeight());
    EXPECT_EQ(picture.height(), mon.width());
    // Chart backgrounds turn white for paper; the legend's white text would turn black.
    const QImage turned = mon.ChartPicture();
    const int y = mon.StripTop(1) + mon.StripHeight() / 2; // a row in chart 2
    EXPECT_EQ(turned.pixel(y, turned.height() - 1 - (YaxisWidth + 280)), 0xFFFFFFFFu);
}

TEST(PaperPictureTest, TurnsAndRecoloursBandByBand) {
    QImage shot(3, 4, QImage::Format_RGB32);
    shot.fill(ChartColour(DarkNavy));
    shot.setPixel(0, 0, 0xFFFFFFFF);                  // white -> black
    shot.setPixel(1, 2, ChartColour(0x00FF00).rgb()); // chart colour stays
    shot.setPixel(2, 3, ChartColour(0x00FF00).rgb()); // the ruler's background -> white
    const QImage out = PaperPicture(
        shot, {{0, 1, 0x123456, true}, {1, 3, DarkNavy, false}, {3, 4, 0x00FF00, true}});
    ASSERT_EQ(out.width(), 4);
    ASSERT_EQ(out.height(), 3);
    EXPECT_EQ(out.pixel(0, 2), 0xFF000000u); // (0, 0) -> (0, 2)
    EXPECT_EQ(out.pixel(1, 0), 0xFFFFFFFFu); // notes band: the monitor background
    EXPECT_EQ(out.pixel(2, 1), ChartColour(0x00FF00).rgb());
    EXPECT_EQ(out.pixel(2, 2), 0xFFFFFFFFu); // chart band background
    EXPECT_EQ(out.pixel(3, 0), 0xFFFFFFFFu); // ruler band
}

} // namespace
