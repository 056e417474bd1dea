// The chart monitor's numbers: y range and coordinates, grid and labels, scrolling, the sample
// wave, ruler stamps, note lookups and the settings of the ini file.
#include "common/IniFile.h"
#include "support/TempDir.h"
#include "views/charts/ChartModel.h"
#include "views/charts/ChartSettings.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(ChartModelTest, ScrollingJumpsBySpeedLeavingEmptyColumns) {
    struct Case {
        int count, speed, width;
        bool paint;
        int position;
    };
    const Case cases[] = {
        {100, 4, 100, true, 4},   {101, 4, 100, true, -1},  {99, 4, 100, true, -1},
        {200, 4, 100, true, 104}, {200, 4, 100, false, -1}, {150, 10, 120, true, 40},
        {150, 1, 120, true, 31},  {10, 4, 0, true, -1},     {300, 3, 250, true, 53},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScrollPositionFor(c.count, c.speed, c.width, c.paint), c.position)
            << c.count << " " << c.speed << " " << c.width;
    }
}

TEST(ChartModelTest, SampleWaveSpansTheSlotsRange) {
    EXPECT_FLOAT_EQ(SampleWave(0, 0, 0, 100), 50);
    // Slot 0 has period 2 pi x 8 frames: its crest is at 4 pi frames.
    EXPECT_NEAR(SampleWave(static_cast<int>(std::round(4 * M_PI)), 0, 0, 100), 100, 0.1);
    EXPECT_FLOAT_EQ(SampleWave(16, 1, -10, 10), static_cast<float>(10 * std::sin(1.0)));
}

TEST(ChartModelTest, RulerMarksFramesOneSecondApart) {
    TRulerStamps ruler;
    ruler.TickInterval = 5000;
    ruler.SubTickInterval = 1000;
    ruler.LabelInterval = 30000;
    ruler.ResetStamps();
    for (int i = 0; i < 70; ++i) {
        ruler.RecordStamp(i, 0.5 + i / 86400.0);
    }
    for (int i = 0; i < 70; ++i) {
        const uint32_t flags = TRulerStamps::FlagsOf(ruler.Stamp(i));
        EXPECT_TRUE(flags & SmallTick) << i;
        EXPECT_EQ((flags & LargeTick) != 0, i % 5 == 0) << i;
        EXPECT_EQ((flags & LabelTick) != 0, i % 30 == 0) << i;
    }
    EXPECT_EQ(ElapsedText(ruler.ElapsedOf(30), "nn:ss"), "00:30");
    EXPECT_EQ(ElapsedText(ruler.ElapsedOf(60), "nn:ss"), "01:00");
    EXPECT_EQ(ElapsedText(ruler.ElapsedOf(61), "nn:ss.zzz"), "01:01.000");
    EXPECT_EQ(ElapsedText(3723004, "hh:nn:ss.zzz"), "01:02:03.004");
}

TEST(ChartModelTest, AFrameAcrossMidnightGetsNoMarks) {
    TRulerStamps ruler;
    ruler.RecordStamp(0, 86399.0 / 86400.0); // 23:59:59
    ruler.RecordStamp(1, 0.5 / 86400.0);     // 00:00:00.500
    EXPECT_EQ(TRulerStamps::FlagsOf(ruler.Stamp(0)), SmallTick | LargeTick | LabelTick);
    EXPECT_EQ(TRulerStamps::FlagsOf(ruler.Stamp(1)), 0u);
    EXPECT_NE(ruler.Stamp(1), 0u); // still a frame
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
