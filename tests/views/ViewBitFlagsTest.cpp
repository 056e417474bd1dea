// The status flag page with real widgets on the sample vehicle: rows first entry first, the B0
// and B1 texts, the frame and time of each change, browsing, the styles, New (every row back to
// its 0 state), the empty-page text and the bit flag dialog.
#include "ListPageTestHost.h"

#include "views/InfoFlag.h"
#include "views/ViewBitFlags.h"

#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>

namespace {

using V = TframeViewBitFlags;

// Flags A are data byte 3 (bit 0 closed loop), flags B byte 4.
constexpr int FlagsA = 3;
constexpr int ClosedLoop = 1 << 0;
constexpr int Idle = 1 << 4;

class ViewBitFlagsTest : public testing::Test, protected EngineHost {
protected:
    void SetUp() override {
        load();
        page.Populate();
        engine.ResetValues();
    }
    int row(const char* desc) { return rowOf(page.list(), V::colDescription, desc); }
    QString at(int r, int column) { return cell(page.list(), r, column); }
    void live(int flagsA, int frameNo) {
        decode({{FlagsA, flagsA}, {4, 0}});
        page.ShowValues(true, std::to_string(frameNo), "10:00:0" + std::to_string(frameNo));
    }

    TframeViewBitFlags page{engine};
};

TEST_F(ViewBitFlagsTest, RowsRunFirstEntryFirstWithB0BeforeTheFirstFrame) {
    ASSERT_EQ(page.list().topLevelItemCount(), 16);
    const char* captions[] = {"Description", "Module", "Table", "Status", "Note", "Frame", "Time"};
    for (int c = 0; c < V::ColumnCount; ++c) {
        EXPECT_EQ(page.list().headerItem()->text(c), QLatin1String(captions[c]));
    }
    EXPECT_GE(page.list().columnWidth(V::colStatus), 100);
    // A time text fits its column whatever the font.
    const QFontMetrics metrics(page.list().font());
    EXPECT_GT(page.list().columnWidth(V::colTime), metrics.horizontalAdvance("12:00:20.500"));
    const QStringList expected = {"Closed loop", "ECM", "0", "Open loop", "2:1", "-", "-"};
    for (int c = 0; c < V::ColumnCount; ++c) {
        EXPECT_EQ(at(0, c), expected[c]) << c;
    }
    EXPECT_EQ(at(7, V::colDescription), "Decel fuel cut-off");
    EXPECT_EQ(at(8, V::colDescription), "Fan 1");
    EXPECT_EQ(at(row("Check engine lamp"), V::colNote), "0:4");
    EXPECT_FALSE(page.ShowsEmptyText());
}

TEST_F(ViewBitFlagsTest, AFlagThatChangesShowsB1AndTheFrameOfTheChange) {
    live(0, 0);
    const int r = row("Closed loop");
    EXPECT_EQ(at(r, V::colStatus), "Open loop");
    EXPECT_EQ(at(r, V::colFrame), "-");
    EXPECT_FALSE(page.RowSet(r));
    live(ClosedLoop, 1);
    EXPECT_EQ(at(r, V::colStatus), "Closed loop");
    EXPECT_TRUE(page.RowSet(r));
    EXPECT_EQ(at(r, V::colFrame), "1");
    EXPECT_EQ(at(r, V::colTime), "10:00:01");
    live(ClosedLoop | Idle, 2); // closed loop stays: its stamp stays; idle is stamped
    EXPECT_EQ(at(r, V::colFrame), "1");
    EXPECT_EQ(at(row("Idle"), V::colFrame), "2");
    EXPECT_EQ(at(row("Idle"), V::colStatus), "Idle");
    live(Idle, 3);
    EXPECT_EQ(at(r, V::colStatus), "Open loop");
    EXPECT_EQ(at(r, V::colFrame), "3");
    live(Idle, 4);
    EXPECT_EQ(at(r, V::colFrame), "3");
}

TEST_F(ViewBitFlagsTest, BrowsingUpdatesStatusAndIconsButNotTheStamps) {
    live(ClosedLoop, 1);
    decode({{FlagsA, Idle}});
    page.ShowValues(false, "", "");
    const int r = row("Closed loop");
    EXPECT_EQ(at(r, V::colStatus), "Open loop");
    EXPECT_FALSE(page.RowSet(r));
    EXPECT_EQ(at(r, V::colFrame), "1");
    EXPECT_EQ(at(row("Idle"), V::colStatus), "Idle");
    EXPECT_EQ(at(row("Idle"), V::colFrame), "-");
}

TEST_F(ViewBitFlagsTest, OtherStylesAppendTheStateToTheCaptionAndDetailsTakesItOff) {
    live(ClosedLoop, 1);
    page.SetViewStyle("List");
    EXPECT_EQ(&page.shownView(), &page.iconView());
    EXPECT_EQ(at(0, V::colDescription), "Closed loop: Closed loop");
    EXPECT_EQ(at(1, V::colDescription), "Rich/lean: Lean");
    EXPECT_EQ(at(0, V::colFrame), "1"); // a style change stamps nothing
    page.SetViewStyle("Report");
    EXPECT_EQ(at(0, V::colDescription), "Closed loop");
    EXPECT_EQ(at(0, V::colStatus), "Closed loop");
    EXPECT_EQ(at(1, V::colDescription), "Rich/lean");
    EXPECT_EQ(at(1, V::colStatus), "Lean");
}

TEST_F(ViewBitFlagsTest, NewShowsTheZeroStateWithIconStatusAndCaptionAlike) {
    struct Case {
        const char* style;
        const char* caption; // of the closed loop row after New
    };
    for (const Case& c : {Case{"Report", "Closed loop"}, Case{"List", "Closed loop: Open loop"}}) {
        SCOPED_TRACE(c.style);
        page.SetViewStyle(c.style);
        engine.ResetValues();
        live(ClosedLoop, 1);
        page.Clear();
        EXPECT_FALSE(page.RowSet(0));
        EXPECT_EQ(at(0, V::colFrame), "-");
        EXPECT_EQ(at(0, V::colTime), "-");
        EXPECT_EQ(at(0, V::colStatus), "Open loop");
        EXPECT_EQ(at(0, V::colDescription), c.caption);
        // A new run whose bit stays 0: the row already shows it, nothing is stamped.
        engine.ResetValues();
        live(0, 1);
        EXPECT_EQ(at(0, V::colStatus), "Open loop");
        EXPECT_EQ(at(0, V::colFrame), "-");
    }
}

TEST_F(ViewBitFlagsTest, AMacroWithoutFlagsShowsTheEmptyPageText) {
    load(999);
    page.Populate();
    EXPECT_TRUE(page.ShowsEmptyText());
    EXPECT_TRUE(page.emptyText().text().contains("not return any bit flags."));
    page.ShowValues(false, "", "");
}

TEST_F(ViewBitFlagsTest, TheDialogShowsTheFlagOfTheSelectedRow) {
    attr("FLAGSB").Flags[4].Comments = "Lit while a code is set";
    page.SelectRow(row("Check engine lamp"));
    QString title, description, flag, bit, b0, b1, memo;
    onNextModal([&](QDialog& dialog) {
        auto& info = static_cast<TfInfoFlag&>(dialog);
        title = info.windowTitle();
        description = info.description().text();
        flag = info.flagField().text();
        bit = info.bitField().text();
        b0 = info.b0Field().text();
        b1 = info.b1Field().text();
        memo = info.memo().toPlainText();
    });
    page.MoreinfoClick();
    EXPECT_EQ(title, "Bit flag...");
    EXPECT_EQ(description, "Check engine lamp");
    EXPECT_EQ(flag, "FLAGSB");
    EXPECT_EQ(bit, "4");
    EXPECT_EQ(b0, "CEL off");
    EXPECT_EQ(b1, "CEL on");
    EXPECT_EQ(memo, "Lit while a code is set");
}

} // namespace
