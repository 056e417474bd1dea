// The chart monitor's numbers: y range and coordinates, grid and labels, the sample wave, the
// ruler's marks at any zoom, the view's zoom and following, note lookups and the settings of the
// ini file.
#include "common/IniFile.h"
#include "support/TempDir.h"
#include "views/charts/ChartData.h"
#include "views/charts/ChartModel.h"
#include "views/charts/ChartRuler.h"
#include "views/charts/ChartSettings.h"
#include "views/charts/ChartView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace Charts;

namespace {

TChartRow rowWith(std::initializer_list<std::pair<float, float>> ranges) {
    TChartRow row;
    int r = 0;
    for (auto [lo, hi] : ranges) {
        TSeries& s = row.Series[static_cast<size_t>(r++)];
        s.SetName("X");
        s.DisplayMin = lo;
        s.DisplayMax = hi;
    }
    return row;
}

TEST(ChartModelTest, RoundingTakesHalvesToTheEvenNeighbour) {
    const std::pair<double, int> cases[] = {{0.5, 0},   {1.5, 2}, {2.5, 2}, {-0.5, 0},
                                            {-1.5, -2}, {2.4, 2}, {2.6, 3}};
    for (auto [v, expected] : cases) {
        EXPECT_EQ(RoundEven(v), expected) << v;
    }
}

TEST(ChartModelTest, EffectiveRangeComesFromDrawnSeriesOrOverrides) {
    TChartRow row = rowWith({{0, 100}, {-40, 50}, {7, 7}}); // the third has no real range
    EXPECT_EQ(row.EffectiveMin(), -40);
    EXPECT_EQ(row.EffectiveMax(), 100);
    row.DisplayMinOverride = true;
    row.DisplayMin = 10;
    EXPECT_EQ(row.EffectiveMin(), 10);
    EXPECT_EQ(row.EffectiveMax(), 100);

    const TChartRow none = rowWith({{5, 5}});
    EXPECT_EQ(none.EffectiveMin(), 0);
    EXPECT_EQ(none.EffectiveMax(), 255);
}

TEST(ChartModelTest, ValuesLandBetweenSevenAndTheBaseline) {
    // h = 95: baseline 87, scale 80 / 160 = 0.5 px per unit; halves go to the even pixel.
    const TChartScale s = TChartScale::For(95, -40, 120);
    EXPECT_EQ(s.Baseline, 87);
    // -39: 0.5 px -> 0; -37: 1.5 -> 2; -35: 2.5 -> 2; -33: 3.5 -> 4
    const std::pair<float, int> cases[] = {{-40, 87}, {120, 7},  {-39, 87}, {-38, 86},
                                           {-37, 85}, {-35, 85}, {-33, 83}, {40, 47}};
    for (auto [v, y] : cases) {
        EXPECT_EQ(s.Y(v), y) << v;
    }
    // An empty range puts everything on the baseline instead of dividing by zero.
    EXPECT_EQ(TChartScale::For(95, 3, 3).Y(1000), 87);
}

TEST(ChartModelTest, GridLinesAndLabels) {
    EXPECT_EQ(GridLineY(95, 2, 0), 87);
    EXPECT_EQ(GridLineY(95, 2, 1), 47);
    EXPECT_EQ(GridLineY(95, 2, 2), 7);

    auto labels = YAxisLabels(95, 2, -40, 120);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].Y, 80);
    EXPECT_EQ(labels[0].Text, "-40");
    EXPECT_EQ(labels[1].Text, "40");
    EXPECT_EQ(labels[2].Y, 0);
    EXPECT_EQ(labels[2].Text, "120");

    // No range: from 0 in steps of 255 / n; decimals by magnitude.
    labels = YAxisLabels(95, 4, 5, 5);
    ASSERT_EQ(labels.size(), 5u);
    EXPECT_EQ(labels[1].Text, "63.8");
    EXPECT_EQ(labels[4].Text, "255");

    // GridCount 10 on a 60 px strip: labels closer than 14 px to the last one are skipped.
    labels = YAxisLabels(60, 10, 0, 10);
    ASSERT_FALSE(labels.empty());
    EXPECT_LT(labels.size(), 11u);
    for (size_t i = 1; i < labels.size(); ++i) {
        EXPECT_LE(labels[i].Y, labels[i - 1].Y - 14);
    }
    EXPECT_TRUE(YAxisLabels(60, 0, 0, 10).empty());
}

TEST(ChartModelTest, SampleWaveSpansTheSlotsRange) {
    EXPECT_FLOAT_EQ(SampleWave(0, 0, 0, 100), 50);
    // Slot 0 has period 2 pi x 8 frames: its crest is at 4 pi frames.
    EXPECT_NEAR(SampleWave(static_cast<int>(std::round(4 * M_PI)), 0, 0, 100), 100, 0.1);
    EXPECT_FLOAT_EQ(SampleWave(16, 1, -10, 10), static_cast<float>(10 * std::sin(1.0)));
}

// Frames `spacing` seconds apart from noon, at one frame a column of a view `width` wide.
TChartData framesApart(int count, double spacing, double start = 0.5) {
    TChartData data;
    for (int i = 0; i < count; ++i) {
        data.AddFrame(start + i * spacing / 86400.0);
    }
    return data;
}

TChartView viewOf(int width, int count) {
    TChartView view;
    view.SetWidth(width, count, 4);
    return view;
}

// Marks of the whole view by frame; labels `labelWidth` px wide.
std::map<int, TRulerMark> marksOf(const TChartData& data, const TChartView& view,
                                  const TRulerSettings& ruler, int labelWidth = 30) {
    std::map<int, TRulerMark> byFrame;
    for (const TRulerMark& m :
         RulerMarks(data, view, ruler, [labelWidth](const std::string&) { return labelWidth; })) {
        byFrame[m.Frame] = m;
    }
    return byFrame;
}

TRulerSettings rulerOf(int tick, int label, int subTick) {
    TRulerSettings ruler;
    ruler.TickInterval = tick;
    ruler.LabelInterval = label;
    ruler.SubTickInterval = subTick;
    return ruler;
}

TEST(ChartModelTest, RulerMarksFramesOneSecondApart) {
    const TChartData data = framesApart(70, 1);
    // Labels 16 px wide fit 30 columns apart, also beside the first one, which is moved right
    // to show whole.
    const auto marks = marksOf(data, viewOf(100, 70), rulerOf(5000, 30000, 1000), 16);
    for (int i = 0; i < 70; ++i) {
        ASSERT_TRUE(marks.count(i)) << i;
        const uint32_t flags = marks.at(i).Flags;
        EXPECT_TRUE(flags & SmallTick) << i;
        EXPECT_EQ((flags & LargeTick) != 0, i % 5 == 0) << i;
        EXPECT_EQ((flags & LabelTick) != 0, i % 30 == 0) << i;
    }
    EXPECT_EQ(marks.at(30).Label, "00:30");
    EXPECT_EQ(marks.at(60).Label, "01:00");
    EXPECT_EQ(ElapsedText(data.ElapsedOf(61), "nn:ss.zzz"), "01:01.000");
    EXPECT_EQ(ElapsedText(3723004, "hh:nn:ss.zzz"), "01:02:03.004");
    // The largest unit of the format carries the whole time: no label reads 00:00 again.
    EXPECT_EQ(ElapsedText(75 * 60000 + 5000, "nn:ss"), "75:05");
    EXPECT_EQ(ElapsedText(125500, "ss.zzz"), "125.500");
    EXPECT_EQ(ElapsedText(26 * 3600000LL, "hh:nn:ss"), "26:00:00");
}

TEST(ChartModelTest, TheFirstLabelIsNeverCutOffAtTheLeftEdge) {
    const TChartData data = framesApart(200, 1);
    // Labels 30 px wide need a minute between them at a second a column.
    const auto marks = marksOf(data, viewOf(130, 200), rulerOf(1000, 5000, 100));
    ASSERT_TRUE(marks.at(0).Flags & LabelTick);
    EXPECT_EQ(marks.at(0).X, 0);
    EXPECT_EQ(marks.at(0).LabelLeft, 0); // centred on frame 0 it would start at -15
    ASSERT_TRUE(marks.at(60).Flags & LabelTick);
    EXPECT_EQ(marks.at(60).LabelLeft, 60 - 15);
    ASSERT_TRUE(marks.at(120).Flags & LabelTick);
    EXPECT_EQ(marks.at(120).LabelLeft, 130 - 30); // nor past the right edge
}

TEST(ChartModelTest, ZoomedOutTheRulerMovesToRoundTimesWithoutOverlaps) {
    // An hour at 10 frames a second in a 600 column window: 60 frames a column.
    const TChartData data = framesApart(36000, 0.1);
    TChartView view = viewOf(600, 36000);
    view.Fit(36000, 4);
    const TRulerSettings ruler = rulerOf(1000, 5000, 100);
    const auto marks = RulerMarks(data, view, ruler, [](const std::string&) { return 30; });
    int labels = 0, lastRight = -100;
    for (const TRulerMark& m : marks) {
        if (m.Flags & LabelTick) {
            ++labels;
            EXPECT_GE(m.LabelLeft, lastRight) << m.Label;
            lastRight = m.LabelLeft + 30;
        }
    }
    EXPECT_GE(labels, 5);
    EXPECT_LE(labels, 600 / 30);
    // Labels at whole minutes then, ticks never merge.
    const TRulerSpacing s = RulerSpacingFor(ruler, 6000, 30);
    EXPECT_EQ(s.Label % 60000, 0);
    EXPECT_GE(s.Sub, 6000);
    EXPECT_GE(s.Tick, 12000);
    // At one frame a column the settings' own spacing stands.
    const TRulerSpacing near = RulerSpacingFor(rulerOf(5000, 30000, 1000), 100, 30);
    EXPECT_EQ(near.Sub, 1000);
    EXPECT_EQ(near.Tick, 5000);
    EXPECT_EQ(near.Label, 30000);
}

TEST(ChartModelTest, TimeOfDayLabelsReadTheClock) {
    // From 11:59:50, frames a second apart: labels at whole minutes of the clock (30 px labels
    // need a minute at a second a column).
    const TChartData data = framesApart(80, 1, (12 * 3600 - 10) / 86400.0);
    TRulerSettings ruler = rulerOf(5000, 30000, 1000);
    ruler.TimeOfDay = true;
    const auto marks = marksOf(data, viewOf(300, 80), ruler);
    EXPECT_FALSE(marks.at(0).Flags & LabelTick); // 11:59:50 is no round time
    ASSERT_TRUE(marks.count(10));
    EXPECT_EQ(marks.at(10).Label, "12:00:00");
    EXPECT_EQ(marks.at(70).Label, "12:01:00");
    EXPECT_TRUE(marks.at(15).Flags & LargeTick);
    EXPECT_FALSE(marks.at(40).Flags & LabelTick);
}

TEST(ChartModelTest, ALogPastMidnightKeepsCounting) {
    TChartData data;
    data.AddFrame(86399.0 / 86400.0); // 23:59:59
    data.AddFrame(0.5 / 86400.0);     // 00:00:00.500
    data.AddFrame(1.5 / 86400.0);
    EXPECT_EQ(data.ElapsedOf(1), 1500);
    EXPECT_EQ(data.ElapsedOf(2), 2500);
    EXPECT_EQ(data.TimeOf(1), 500u);
    // 1250 ms a column: small ticks every 2 s, and the one at 2 s is after midnight.
    const auto marks = marksOf(data, viewOf(50, 3), rulerOf(1000, 5000, 100));
    EXPECT_EQ(marks.count(1), 0u);
    ASSERT_TRUE(marks.count(2));
    EXPECT_TRUE(marks.at(2).Flags & SmallTick);
}

TEST(ChartViewTest, ZoomKeepsTheFrameUnderTheMouse) {
    TChartView view = viewOf(500, 100000);
    view.SetPosition(5000, 100000, 4);
    EXPECT_EQ(view.FrameAt(200, 100000), 5200);
    view.ZoomAround(200, 4, 100000, 4);
    EXPECT_EQ(view.Zoom(), 4);
    EXPECT_NEAR(view.FrameAt(200, 100000), 5200, 2);
    // Zooming out at the start of the log: the view cannot move left of frame 0.
    view.SetPosition(0, 100000, 4);
    view.ZoomAround(200, 4, 100000, 4);
    EXPECT_EQ(view.Position(), 0);
    EXPECT_EQ(view.FrameAt(200, 100000), 16 * 200 + 7); // the middle of 16 frames
    view.SetPosition(1000, 100000, 4);
    const int under = view.FrameAt(321, 100000);
    view.ZoomAround(321, 0.5, 100000, 4);
    EXPECT_NEAR(view.FrameAt(321, 100000), under, 4); // within the finer column
    // From eight columns a frame to the whole log in the window, no further.
    for (int i = 0; i < 20; ++i) {
        view.ZoomAround(0, 0.5, 100000, 4);
    }
    EXPECT_EQ(view.Zoom(), TChartView::MinZoom);
    EXPECT_EQ(view.ColumnOf(3) - view.ColumnOf(2), 8);
    for (int i = 0; i < 20; ++i) {
        view.ZoomAround(0, 2, 100000, 4);
    }
    EXPECT_GE(view.Zoom(), 200.0);
    EXPECT_LE(view.Columns(100000), 500);
}

TEST(ChartViewTest, ZoomedOutAColumnTakesItsMiddleFrame) {
    TChartView view = viewOf(100, 1000);
    view.Fit(1000, 4);
    EXPECT_DOUBLE_EQ(view.Zoom(), 10);
    EXPECT_EQ(view.FirstFrameOf(3), 30);
    EXPECT_EQ(view.FrameAt(3, 1000), 34);
    EXPECT_EQ(view.ColumnOf(39), 3);
    EXPECT_EQ(view.EndVisibleFrame(1000), 1000);
    EXPECT_EQ(view.FrameAt(99, 1000), 994);
    EXPECT_EQ(view.FrameAt(150, 1000), 999); // past the last frame: the last one
    // A short log is stretched, at most eight columns a frame.
    view.Fit(40, 4);
    EXPECT_DOUBLE_EQ(view.Zoom(), 0.4);
    EXPECT_EQ(view.Columns(40), 98);
    view.Fit(5, 4);
    EXPECT_EQ(view.Zoom(), TChartView::MinZoom);
}

TEST(ChartViewTest, FollowingJumpsBySpeedUntilScrolledBack) {
    TChartView view = viewOf(100, 0);
    int count = 0;
    auto add = [&](int n) {
        for (int i = 0; i < n; ++i) {
            view.FramesAdded(++count, 4);
        }
    };
    add(99);
    EXPECT_EQ(view.Position(), 0);
    add(1); // frame 99 in the last column
    EXPECT_EQ(view.Position(), 4);
    EXPECT_EQ(view.Position(), view.ScrollMax(count, 4));
    add(100);
    EXPECT_EQ(view.Position(), 104);
    view.SetPosition(50, count, 4);
    view.SetFollowing(false);
    add(300);
    EXPECT_EQ(view.Position(), 50); // stays put
    view.SetFollowing(true);
    add(1);
    EXPECT_EQ(view.Position(), view.ScrollMax(count, 4));
    EXPECT_TRUE(view.Shows(count - 1));
}

TEST(ChartModelTest, NotesNamesAndNearestNotedFrame) {
    TNoteMarks notes;
    notes.SetMask(40, (1u << 2) | (1u << 4)); // notes 3 and 5
    EXPECT_EQ(notes.NamesOf(40), "Note 3,Note 5");
    EXPECT_EQ(notes.NearestNoted(35), 40);
    EXPECT_EQ(notes.NearestNoted(29), -1); // more than 10 frames away
    notes.SetMask(44, 1);
    EXPECT_EQ(notes.NearestNoted(42), 44); // at equal distance the later frame wins
    EXPECT_EQ(notes.NotedAtOrBefore(43), 40);
    EXPECT_EQ(notes.NotedAtOrBefore(39), -1);
    EXPECT_EQ(notes.NearestNoted(299), -1);
}

TEST(ChartSettingsTest, SavedSettingsLoadBack) {
    TempDir dir;
    TIniFile ini(dir.File("QuorvinV4.ini"));
    TChartCommonSettings common;
    common.Speed = 7;
    common.RulerVisible = false;
    common.RulerFormat = "ss.zzz";
    common.NoteColors[19] = 0x0000FF;
    common.Save(ini);
    TChartSettings chart;
    chart.GridCount = 5;
    chart.DisplayMaxOverride = true;
    chart.SeriesColors[3] = 0x123456;
    chart.Save(ini, 2, -40, 12.5f);
    ini.UpdateFile();

    const TIniFile back(dir.File("QuorvinV4.ini"));
    EXPECT_EQ(back.ReadString("CHART_2", "DisplayMax", ""), "12.5");
    EXPECT_EQ(back.ReadString("CHART_COMMON", "RulerVisible", ""), "0");
    TChartCommonSettings c2;
    c2.Load(back);
    EXPECT_EQ(c2.Speed, 7);
    EXPECT_FALSE(c2.RulerVisible);
    EXPECT_EQ(c2.RulerFormat, "ss.zzz");
    EXPECT_EQ(c2.NoteColors[19], 0x0000FFu);
    TChartSettings k2;
    k2.Load(back, 2);
    EXPECT_EQ(k2.GridCount, 5);
    EXPECT_EQ(k2.DisplayMin, -40);
    EXPECT_EQ(k2.DisplayMax, 12.5f);
    EXPECT_FALSE(k2.DisplayMinOverride);
    EXPECT_TRUE(k2.DisplayMaxOverride);
    EXPECT_EQ(k2.SeriesColors[3], 0x123456u);
}

TEST(ChartSettingsTest, BadTextGivesLoadDefaults) {
    TempDir dir;
    const std::string path =
        dir.Write("QuorvinV4.ini", "[CHART_COMMON]\r\nSpeed=0\r\nLineWeight=x\r\n"
                                   "NotesVisible=2\r\nRulerVisible=0\r\n"
                                   "[CHART_1]\r\nGridCount=many\r\n"
                                   "DisplayMin=$10\r\nDisplayMax=abc\r\n"
                                   "DisplayMinOverride=yes\r\n");
    const TIniFile ini(path);
    TChartCommonSettings c;
    c.Speed = 9;
    c.Load(ini);
    EXPECT_EQ(c.Speed, 1); // below one frame means one
    EXPECT_EQ(c.LineWeight, 1);
    EXPECT_TRUE(c.NotesVisible);
    EXPECT_FALSE(c.RulerVisible);
    EXPECT_EQ(c.RulerTick, 5000);
    EXPECT_EQ(c.RulerSubTick, 1000);
    EXPECT_EQ(c.RulerLabelTick, 30000);
    TChartSettings k;
    k.Load(ini, 1);
    EXPECT_EQ(k.GridCount, 2);
    EXPECT_EQ(k.DisplayMin, 16);
    EXPECT_EQ(k.DisplayMax, 255);
    EXPECT_FALSE(k.DisplayMinOverride); // only "1" is on
    EXPECT_EQ(k.GridColor, Blue);
    EXPECT_EQ(k.YaxisFontColor, Grey);
}

TEST(ChartSettingsTest, FactoryKeepsWhatTheFactoryLeavesAlone) {
    TChartCommonSettings c;
    c.F2Delta = 3;
    c.F2DeltaCtrl = 30;
    c.Speed = 9;
    c.NoteColors[0] = 0;
    c.RestoreFactory();
    EXPECT_EQ(c.Speed, 4);
    EXPECT_EQ(c.NoteColors[0], White);
    EXPECT_EQ(c.F2Delta, 3);
    EXPECT_EQ(c.F2DeltaCtrl, 30);

    TChartSettings k;
    k.SeriesColors = {1, 2, 3, 4};
    k.GridCount = 9;
    k.RestoreFactory();
    EXPECT_EQ(k.GridCount, 2);
    EXPECT_EQ(k.SeriesColors[0], Aqua);
    EXPECT_EQ(k.SeriesColors[1], 2u);
    EXPECT_EQ(k.SeriesColors[3], 4u);
}

} // namespace
