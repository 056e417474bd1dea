// The Charts page as the main window drives it: the pick list and the charts laid out when a
// macro is selected, the note over a macro that charts nothing, a run with typed notes, the
// re-plot through OnRePlotNeeded, and the cursor feeding the window after the run.
#include "ChartMonTestFixture.h"

#include "views/ViewMonitor.h"

#include <QLabel>

using namespace Charts;

namespace {

class ViewMonitorTest : public testing::Test {
protected:
    void SetUp() override {
        view.OnDetailChanged = [this](int frame) { details.push_back(frame); };
        view.OnRePlotNeeded = [this] {
            ++rePlots;
            rig.RePlot(view.Monitor());
        };
        view.OnLogModified = [this] { ++logModified; };
        view.Widget()->resize(700, 460);
        view.Widget()->show();
    }

    ChartRig rig;
    TframeViewMonitor view{rig.engine, rig.log};
    std::vector<int> details;
    int rePlots = 0;
    int logModified = 0;
};

TEST_F(ViewMonitorTest, PopulateFillsThePickListInMacroOrder) {
    view.PopulateMonitor();
    EXPECT_EQ(rePlots, 1);
    EXPECT_FALSE(view.NoDataPanel().isVisible());
    // The first attribute is PROMID, then two flag attributes of 8 flags each.
    const TPickListItem first = rig.engine.GetPickListItem(0);
    EXPECT_EQ(first.Name, "PROMID");
    EXPECT_EQ(first.Kind, 0);
    EXPECT_EQ(first.Sub, -1);
    const TPickListItem flag = rig.engine.GetPickListItem(1);
    EXPECT_EQ(flag.Kind, 4);
    EXPECT_EQ(flag.Sub, 0);
    const TAttr& flagsA = rig.engine.Items[0].Request.Attrs[1];
    EXPECT_EQ(flag.Name, flagsA.Flags[0].Desc);
    EXPECT_EQ(flag.DescMin, flagsA.Flags[0].B0);
    // DTCs run from the last row to the first.
    int dtc = -1;
    for (int i = 0; i < PickListSize && dtc < 0; ++i) {
        if (rig.engine.PickList[static_cast<size_t>(i)].Kind == 3) {
            dtc = i;
        }
    }
    ASSERT_GE(dtc, 0);
    const TAttr& dtc1 = rig.engine.Items[0].Request.Attrs[3];
    const TPickListItem d = rig.engine.GetPickListItem(dtc);
    EXPECT_EQ(d.Sub, dtc1.DTCCount - 1);
    EXPECT_EQ(d.Name, dtc1.DTCs.back().Desc);
    EXPECT_EQ(d.DescMin, "OK");
    EXPECT_EQ(d.DescOk, "Fail");
}

TEST_F(ViewMonitorTest, AMacroWithoutDataShowsTheNote) {
    rig.engine.LoadMacro(999); // no such macro: an empty image
    view.PopulateMonitor();
    EXPECT_TRUE(view.NoDataPanel().isVisible());
    EXPECT_TRUE(view.NoDataPanel().text().contains("not return any charted data."));
    rig.engine.LoadMacro(1);
    view.PopulateMonitor();
    EXPECT_FALSE(view.NoDataPanel().isVisible());
}

TEST_F(ViewMonitorTest, ARunWithNotesThenInspection) {
    view.PopulateMonitor();
    view.SetRunning(true);
    view.SetPaintEnabled(true);
    rig.engine.ResetValues();
    for (int i = 0; i < 40; ++i) {
        if (i == 12) {
            view.KeyDown(Qt::Key_6, Qt::NoModifier);
        }
        ASSERT_TRUE(rig.RunFrame(view.Monitor(), i));
    }
    view.SetRunning(false);
    EXPECT_EQ(view.Cursor(), 39);
    EXPECT_EQ(details.back(), 39);
    EXPECT_EQ(view.FrameText(), "39");
    EXPECT_TRUE(rig.log.Frames(12).Notes & (1u << 5));
    EXPECT_EQ(logModified, 1); // the typed note changed a logged frame

    // After the run the cursor walks the frames and the window hears of every move.
    details.clear();
    view.KeyDown(Qt::Key_F2, Qt::NoModifier);
    view.KeyDown(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(view.Cursor(), 29);
    EXPECT_EQ(details.back(), 29);
    EXPECT_EQ(view.TimeText(), "00:02.900");
    EXPECT_NE(view.NoteText().find(view.Monitor().Notes.Name(5)), std::string::npos);
    view.KeyDown(Qt::Key_1, Qt::NoModifier);
    EXPECT_EQ(logModified, 2);
    EXPECT_TRUE(rig.log.Frames(29).Notes & 1u);
    view.KeyDown(Qt::Key_Return, Qt::NoModifier);

    // A re-plot brings every note back from the frames.
    view.Monitor().AssignSeries();
    EXPECT_EQ(rePlots, 2);
    EXPECT_EQ(view.Monitor().Count(), 40);
    EXPECT_TRUE(view.Monitor().Notes.Mask(12) & (1u << 5));
    EXPECT_TRUE(view.Monitor().Notes.Mask(29) & 1u);
}

} // namespace
