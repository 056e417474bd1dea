// The gauges' number and text rules, without widgets: rounded scale, value texts, bands,
// coordinates, fitted sizes and placement, layout boxes.
#include "common/Format.h"
#include "shell/GlimmTypes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ScaleCase {
    double min, max;
    int step, scaleMin, scaleMax;
};

TEST(GlimmRules, NiceScaleExamplesAndNegativeRanges) {
    const ScaleCase cases[] = {
        {0, 255, 50, 0, 300},     {0, 100, 10, 0, 100},       {0, 1, 1, 0, 1},
        {0, 8000, 1000, 0, 8000}, {0, 1001, 200, 0, 1200}, // 200 is found before 125
        {-40, 150, 20, -40, 160}, {-100, -10, 10, -100, -10}, {10, 12, 1, 10, 12},
        {0, 0, 1, 0, 0},
    };
    for (const ScaleCase& c : cases) {
        TGlimmScale s;
        ASSERT_TRUE(NiceScale(c.max, c.min, s)) << c.min << ".." << c.max;
        EXPECT_EQ(s.Step, c.step) << c.min << ".." << c.max;
        EXPECT_EQ(s.Min, c.scaleMin) << c.min << ".." << c.max;
        EXPECT_EQ(s.Max, c.scaleMax) << c.min << ".." << c.max;
        EXPECT_EQ(s.Span, s.Max - s.Min);
    }
}

TEST(GlimmRules, NiceScaleWithoutAQualifyingStepKeepsTheScale) {
    TGlimmScale s{1, 2, 1, 1};
    EXPECT_FALSE(NiceScale(NAN, 0, s));
    EXPECT_EQ(s.Min, 1);
    EXPECT_EQ(s.Max, 2);
}

TEST(GlimmRules, ValueTextsByPrecisionRoundHalvesToEven) {
    struct Case {
        TGlimmPrecision p;
        double v;
        const char* text;
    } const cases[] = {
        {spr1000, 2500, "2000"},   {spr1000, 3500, "4000"},   {spr100, 250, "200"},
        {spr100, 351, "400"},      {spr10, 25, "20"},         {spr10, -35, "-40"},
        {spr0, 2.5, "2"},          {spr0, 3.5, "4"},          {spNone, 3, "3"},
        {spNone, 3.14159, "3.14"}, {spNone, 31.4159, "31.4"}, {spNone, 314.159, "314"},
        {spf1, 2.25, "2.2"},       {spf2, 1.0, "1.00"},       {spf3, 0.1234, "0.123"},
        {spx1000, 2500, "2"},      {spx100, 250, "2"},        {spx10, 35, "4"},
    };
    DecimalSeparator = '.';
    for (const Case& c : cases) {
        EXPECT_EQ(FormatValue(c.p, c.v), c.text) << c.p << " " << c.v;
    }
    EXPECT_EQ(PrecisionSuffix(spx1000), " x1000");
    EXPECT_EQ(PrecisionSuffix(spx10), " x10");
    EXPECT_EQ(PrecisionSuffix(spf2), "");
}

TEST(GlimmRules, StoredOrdinalsOutsideTheEnumerationsAreClamped) {
    EXPECT_EQ(PrecisionOf(99), spx10);
    EXPECT_EQ(PrecisionOf(-3), spr1000);
    EXPECT_EQ(HAlignOf(7), ahCenter);
}

TEST(GlimmRules, BandsIncludeTheAlarmLimits) {
    EXPECT_EQ(BandOf(20, 20, 80), 1);
    EXPECT_EQ(BandOf(20.01, 20, 80), 2);
    EXPECT_EQ(BandOf(79.99, 20, 80), 2);
    EXPECT_EQ(BandOf(80, 20, 80), 3);
}

TEST(GlimmRules, DialAnglesRunFromLowerLeftOverTheTopToLowerRight) {
    TGlimmScale s;
    NiceScale(100, 0, s);
    const double pi = std::acos(-1.0);
    EXPECT_NEAR(ValueToCoord(0, s, DialOrigin, DialExtent, 0, 100), 5 * pi / 4, 1e-6);
    EXPECT_NEAR(ValueToCoord(50, s, DialOrigin, DialExtent, 0, 100), pi / 2, 1e-6);
    EXPECT_NEAR(ValueToCoord(100, s, DialOrigin, DialExtent, 0, 100), -pi / 4, 1e-6);
    // Needle tips on a 100 x 100 dial at 70 %: lower left, straight up, lower right.
    EXPECT_EQ(NeedleTip(5 * pi / 4, 50, 50, 70), (TGlimmPoint{26, 74}));
    EXPECT_EQ(NeedleTip(pi / 2, 50, 50, 70), (TGlimmPoint{50, 15}));
    EXPECT_EQ(NeedleTip(-pi / 4, 50, 50, 70), (TGlimmPoint{74, 74}));
    // An empty display range puts everything at 0 (the needle points right).
    EXPECT_EQ(ValueToCoord(42, s, DialOrigin, DialExtent, 5, 5), 0);
}

TEST(GlimmRules, BarCoordinatesFallFromTheValueBoxTopToTheMinimumBoxBottom) {
    const TGlimmLayout l = GaugeLayout(gkBar, 50, 200, 5, 5);
    const double origin = l.Value.Top, extent = l.Value.Top - l.Minimum.Bottom;
    TGlimmScale s;
    NiceScale(255, 0, s); // 0..300
    EXPECT_EQ(ValueToCoord(0, s, origin, extent, 0, 255), 150);
    EXPECT_EQ(ValueToCoord(150, s, origin, extent, 0, 255), (150 + 37) / 2.0);
    EXPECT_EQ(ValueToCoord(300, s, origin, extent, 0, 255), 37);
}

TEST(GlimmRules, LayoutBoxesOfTheThreeKinds) {
    const TGlimmLayout dial = GaugeLayout(gkDial, 200, 160, 5, 5);
    EXPECT_EQ(dial.Caption, (TGlimmBox{50, 30, 150, 70}));
    EXPECT_EQ(dial.Value, (TGlimmBox{62, 80, 138, 130}));
    EXPECT_EQ(dial.Units, (TGlimmBox{62, 130, 138, 150}));
    EXPECT_EQ(dial.Minimum, (TGlimmBox{25, 70, 75, 90}));
    EXPECT_EQ(dial.Maximum, (TGlimmBox{125, 70, 175, 90}));
    const TGlimmLayout light = GaugeLayout(gkLight, 80, 64, 4, 3);
    EXPECT_EQ(light.Caption, (TGlimmBox{4, 3, 76, 24}));
    EXPECT_EQ(light.Lamp, (TGlimmBox{4, 24, 76, 61}));
}

TEST(GlimmRules, FittedSizesAndPlaces) {
    // 10 pt text measured 40 x 16 in a 100 x 20 box: min(20/16, 100/40) x 8 = 10 pt.
    EXPECT_EQ(FittedSize(100, 20, 40, 16), 10);
    // A huge box: limited by the narrower ratio.
    EXPECT_EQ(FittedSize(400, 400, 40, 16), 80);
    // A tiny box never goes below 6 points; a text that measures nothing keeps its size.
    EXPECT_EQ(FittedSize(4, 4, 40, 16), 6);
    EXPECT_EQ(FittedSize(100, 20, 0, 16), 0);
    const TGlimmBox box{10, 20, 109, 59}; // 100 x 40
    EXPECT_EQ(FittedPlace(box, 30, 10, avTop, ahLeft), (TGlimmPoint{11, 19}));
    EXPECT_EQ(FittedPlace(box, 30, 10, avBottom, ahRight), (TGlimmPoint{78, 48}));
    EXPECT_EQ(FittedPlace(box, 31, 11, avCenter, ahCenter), (TGlimmPoint{44, 34}));
}

} // namespace
