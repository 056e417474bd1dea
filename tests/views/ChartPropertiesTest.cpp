// The chart properties dialog on a monitor with the sample vehicle's image: opening copies the
// monitor into the preview, the controls change the preview only, "Ok" copies back, "Cancel"
// drops; the shared image is never decoded into; the colour grid.
#include "ChartMonTestFixture.h"

#include "common/Common.h"
#include "common/Format.h"
#include "views/charts/ChartProperties.h"
#include "views/charts/ColorPicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

using namespace Charts;

namespace {

class ChartPropertiesTest : public testing::Test {
protected:
    void SetUp() override {
        mon.Image = &rig.engine;
        mon.resize(640, 400);
        mon.AssignSeries();
        mon.Rows[1].GridCount = 3;
        mon.Rows[1].Color = 0x102030;
        mon.Notes.SetColor(19, 0x0000FF);
        mon.SetSpeed(6);
        dialog.Open(mon);
    }
    template <class T> T& child(const char* name) {
        T* w = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return *w;
    }

    ChartRig rig;
    TChartMon mon;
    TfChartProperties dialog;
};

TEST_F(ChartPropertiesTest, OpeningCopiesTheMonitorAndPlotsSampleWaves) {
    EXPECT_EQ(dialog.windowTitle(), "Chart properties");
    TChartMon& sample = *dialog.Sample;
    EXPECT_FALSE(sample.Properties);
    EXPECT_EQ(child<QSpinBox>("spnSpeed").value(), 6);
    EXPECT_EQ(sample.Speed(), 6);
    EXPECT_EQ(sample.Rows[1].GridCount, 3);
    EXPECT_EQ(sample.Rows[1].Color, 0x102030u);
    EXPECT_EQ(sample.Notes.Color(19), 0x0000FFu);
    EXPECT_EQ(sample.Rows[0].Series[0].Name, mon.Rows[0].Series[0].Name);
    ASSERT_EQ(sample.Count(), 1531);
    const TSeries& s = sample.Rows[0].Series[0];
    EXPECT_FLOAT_EQ(sample.Data.Column(0, 0).At(100),
                    SampleWave(100, 0, s.DisplayMin, s.DisplayMax));
    EXPECT_EQ(sample.Notes.Mask(48), 1u << 1); // note i / 48 + 1 on every 48th frame
    EXPECT_EQ(sample.Notes.Mask(49), 0u);
}

TEST_F(ChartPropertiesTest, TheSharedImageIsNotDecodedInto) {
    auto frame = ChartRig::Frame(30);
    rig.engine.DecodeFrame(*frame, false);
    auto [item, attr] =
        std::make_pair(mon.Rows[0].Series[0].ItemIndex, mon.Rows[0].Series[0].AttrIndex);
    const float before = rig.engine.GetAttrValue(item, attr, -1);
    dialog.Open(mon);
    EXPECT_EQ(rig.engine.GetAttrValue(item, attr, -1), before);
}

TEST_F(ChartPropertiesTest, ChangesReachTheMonitorOnlyOnOk) {
    child<QSpinBox>("spnLineWeight").setValue(3);
    child<QComboBox>("cbChart").setCurrentIndex(1);
    EXPECT_EQ(child<QSpinBox>("spnGrid").value(), 3);
    child<QSpinBox>("spnGrid").setValue(7);
    child<QListWidget>("lstChart").setCurrentRow(3); // Series 1
    auto& grid = child<TColorPicker>("pickChart");
    QTest::mouseClick(&grid, Qt::LeftButton, {}, QPoint(5, 80)); // row 3, column 0: blue
    EXPECT_EQ(dialog.Sample->Rows[1].Series[0].Color, 0xFF0000u);
    EXPECT_EQ(dialog.Sample->LineWeight(), 3);
    EXPECT_EQ(mon.LineWeight(), 1);
    EXPECT_EQ(mon.Rows[1].GridCount, 3);

    dialog.Apply();
    EXPECT_EQ(mon.LineWeight(), 3);
    EXPECT_EQ(mon.Rows[1].GridCount, 7);
    EXPECT_EQ(mon.Rows[1].Series[0].Color, 0xFF0000u);
    EXPECT_EQ(mon.Speed(), 6);
}

TEST_F(ChartPropertiesTest, NoteColoursByTheCommonList) {
    auto& list = child<QListWidget>("lstCommon");
    auto& grid = child<TColorPicker>("pickCommon");
    list.setCurrentRow(4 + 19); // "Note 20"
    EXPECT_EQ(list.currentItem()->text(), "Note 20");
    EXPECT_EQ(grid.Color(), 0x0000FFu);
    list.setCurrentRow(4 + 29); // "Note 30"
    EXPECT_EQ(list.currentItem()->text(), "Note 30");
    QTest::mouseClick(&grid, Qt::LeftButton, {}, QPoint(55, 30)); // row 1, column 2: teal
    EXPECT_EQ(dialog.Sample->Notes.Color(29), 0x808000u);
    dialog.Apply();
    EXPECT_EQ(mon.Notes.Color(29), 0x808000u);
    EXPECT_EQ(mon.Notes.Color(19), 0x0000FFu);
}

TEST_F(ChartPropertiesTest, OverridesAndUnreadableMinimum) {
    auto& minimum = child<QLineEdit>("edMin");
    auto& box = child<QCheckBox>("chkMinOverride");
    const float effective = dialog.Sample->Rows[0].EffectiveMin();
    EXPECT_FALSE(minimum.isEnabled());
    box.setChecked(true);
    EXPECT_TRUE(minimum.isEnabled());
    EXPECT_EQ(minimum.text().toStdString(), NumberText(effective));
    minimum.clear();
    QTest::keyClicks(&minimum, "abc");
    EXPECT_EQ(dialog.Sample->Rows[0].DisplayMin, effective);
    minimum.clear();
    QTest::keyClicks(&minimum, "-50");
    EXPECT_EQ(dialog.Sample->Rows[0].DisplayMin, -50);
    EXPECT_EQ(dialog.Sample->Rows[0].EffectiveMin(), -50);
    dialog.Apply();
    EXPECT_TRUE(mon.Rows[0].DisplayMinOverride);
    EXPECT_EQ(mon.Rows[0].EffectiveMin(), -50);
}

// The user's separator or a point, typed with keys; what a box shows reads back as itself.
TEST_F(ChartPropertiesTest, TypedRangesReadWithAPointOrACommaInEveryLocale) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto& minimum = child<QLineEdit>("edMin");
    auto& maximum = child<QLineEdit>("edMax");
    QTest::mouseClick(&child<QCheckBox>("chkMinOverride"), Qt::LeftButton);
    QTest::mouseClick(&child<QCheckBox>("chkMaxOverride"), Qt::LeftButton);
    ASSERT_TRUE(minimum.isEnabled() && maximum.isEnabled());
    TChartRow& row = dialog.Sample->Rows[0];
    struct Case {
        QLineEdit* box;
        const char* typed;
        float min, max;
    };
    const Case cases[] = {
        {&minimum, "-12,5", -12.5f, row.EffectiveMax()},
        {&maximum, "99.5", -12.5f, 99.5f},
        {&minimum, "0,25", 0.25f, 99.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        c.box->setFocus();
        c.box->selectAll();
        QTest::keyClicks(c.box, c.typed);
        EXPECT_EQ(row.DisplayMin, c.min);
        EXPECT_EQ(row.DisplayMax, c.max);
    }
    dialog.Apply();
    EXPECT_EQ(mon.Rows[0].DisplayMin, 0.25f);
    EXPECT_EQ(mon.Rows[0].DisplayMax, 99.5f);
    // Shown again, in the user's notation; that text typed again reads as the same value.
    dialog.Open(mon);
    const QString shown = minimum.text();
    EXPECT_EQ(shown.toStdString(), std::string("0") + DecimalSeparator + "25");
    minimum.setFocus();
    minimum.selectAll();
    QTest::keyClicks(&minimum, shown);
    EXPECT_EQ(dialog.Sample->Rows[0].DisplayMin, 0.25f);
}

TEST_F(ChartPropertiesTest, RulerSpacingChangesThePreviewOnly) {
    auto largeTicks = [](const TChartMon& m) {
        int large = 0;
        for (const TRulerMark& mark :
             RulerMarks(m.Data, m.View(), m.Ruler, [](const std::string&) { return 30; })) {
            large += mark.Frame < 20 && (mark.Flags & LargeTick) ? 1 : 0;
        }
        return large;
    };
    EXPECT_EQ(largeTicks(*dialog.Sample), 2);  // every 1000 ms: frames 0 and 10
    child<QSpinBox>("spnLarge").setValue(200); // frames are 100 ms apart
    EXPECT_EQ(largeTicks(*dialog.Sample), 10);
    EXPECT_EQ(mon.Ruler.TickInterval, 1000);
    dialog.Apply();
    EXPECT_EQ(mon.Ruler.TickInterval, 200);
}

TEST_F(ChartPropertiesTest, KeysGoToThePreview) {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto& speed = child<QSpinBox>("spnSpeed");
    speed.setFocus();
    QTest::keyClick(&speed, Qt::Key_F2);
    EXPECT_TRUE(dialog.Sample->Inspecting);
    EXPECT_FALSE(mon.Inspecting);
}

TEST(ColorPickerTest, CellsColoursAndLeftoverStrips) {
    TColorPicker picker;
    picker.resize(102, 103); // leftover strips of 2 and 3 px
    uint32_t reported = 1;
    int reports = 0;
    picker.OnColorChanged = [&](uint32_t c) {
        reported = c;
        ++reports;
    };
    picker.SetColor(0x00FFFF);
    EXPECT_EQ(picker.Index(), 11);
    picker.SetColor(0x123456);
    EXPECT_EQ(picker.Index(), -1);
    picker.SetIndex(15);
    EXPECT_EQ(picker.Color(), 0xFFFFFFu);
    picker.SetIndex(20);
    EXPECT_EQ(picker.Index(), -1);
    EXPECT_EQ(picker.Color(), 0xFFFFFFu);

    QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(30, 55)); // row 2, column 1: red
    EXPECT_EQ(picker.Index(), 9);
    EXPECT_EQ(reported, 0x0000FFu);
    QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(101, 10)); // right leftover strip
    EXPECT_EQ(reports, 2);
    EXPECT_EQ(reported, 0x0000FFu); // unchanged
    EXPECT_EQ(picker.CellAt(10, 101), -1);
}

} // namespace
