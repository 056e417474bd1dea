// The DTC page with real widgets on the sample vehicle: rows last entry first, the set icons, the
// frame and time of each change (a code that clears is stamped once, where it cleared), browsing,
// the tab icon report, New, the empty-page text and the trouble code dialog.
#include "ListPageTestHost.h"

#include "views/InfoDTC.h"
#include "views/ViewDTCs.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

using V = TframeViewDTCs;

// Trouble code 42 is bit 3 of data byte 6; code 12 is bit 7 of byte 5.
constexpr int Codes2 = 6;
constexpr int Code42 = 1 << 3;

class ViewDTCsTest : public testing::Test, protected EngineHost {
protected:
    void SetUp() override {
        load();
        page.OnCodeSetChanged = [this] { ++tabChanges; };
        page.Populate();
        tabChanges = 0;
        engine.ResetValues();
    }
    int row(const char* dtc) { return rowOf(page.list(), V::colDTC, dtc); }
    QString at(const char* dtc, int column) { return cell(page.list(), row(dtc), column); }
    // One frame of a run: byte 6 as given, every other code clear.
    void live(int codes2, int frameNo) {
        decode({{5, 0}, {6, codes2}, {7, 0}});
        page.ShowValues(true, std::to_string(frameNo), "10:00:0" + std::to_string(frameNo));
    }

    TframeViewDTCs page{engine};
    int tabChanges = 0;
};

TEST_F(ViewDTCsTest, RowsRunFromTheLastEntryToTheFirstWithTheirColumns) {
    ASSERT_EQ(page.list().topLevelItemCount(), 24);
    const char* captions[] = {"Description", "Module", "Table", "DTC", "CEL",
                              "Reference",   "Note",   "Frame", "Time"};
    for (int c = 0; c < V::ColumnCount; ++c) {
        EXPECT_EQ(page.list().headerItem()->text(c), QLatin1String(captions[c]));
    }
    // The first attribute's entries are bits 0..7 in table order: bit 7 (code 12) comes first.
    EXPECT_EQ(cell(page.list(), 0, V::colDTC), "12");
    EXPECT_EQ(cell(page.list(), 7, V::colDTC), "24");
    EXPECT_EQ(cell(page.list(), 8, V::colDTC), "32");
    const QStringList expected = {
        "Electronic spark timing", "ECM", "0", "42", "True", "Code 42", "3", "-", "-"};
    for (int c = 0; c < V::ColumnCount; ++c) {
        EXPECT_EQ(at("42", c), expected[c]) << c;
    }
    EXPECT_EQ(at("12", V::colCEL), "False");
    EXPECT_FALSE(page.CodeSet());
    EXPECT_FALSE(page.ShowsEmptyText());
}

TEST_F(ViewDTCsTest, ACodeIsStampedWhereItSetsAndOnceWhereItClears) {
    live(0, 0);
    EXPECT_EQ(at("42", V::colFrame), "-");
    live(Code42, 1);
    EXPECT_TRUE(page.RowSet(row("42")));
    EXPECT_EQ(at("42", V::colFrame), "1");
    EXPECT_EQ(at("42", V::colTime), "10:00:01");
    EXPECT_TRUE(page.CodeSet());
    live(Code42, 2); // still set: the stamp stays
    EXPECT_EQ(at("42", V::colFrame), "1");
    live(0, 3); // clears
    EXPECT_FALSE(page.RowSet(row("42")));
    EXPECT_EQ(at("42", V::colFrame), "3");
    EXPECT_FALSE(page.CodeSet());
    live(0, 4); // stays clear: no new stamp
    live(0, 5);
    EXPECT_EQ(at("42", V::colFrame), "3");
    EXPECT_EQ(at("42", V::colTime), "10:00:03");
    // The other codes of the attribute never changed.
    EXPECT_EQ(at("43", V::colFrame), "-");
    // The tab icon was told twice: when the code set and when it cleared.
    EXPECT_EQ(tabChanges, 2);
}

TEST_F(ViewDTCsTest, BrowsingSetsTheIconsFromTheFrameAndLeavesTheStamps) {
    live(Code42, 1);
    decode({{6, 1 << 2}}); // code 43 instead of 42
    page.ShowValues(false, "7", "10:00:07");
    EXPECT_FALSE(page.RowSet(row("42")));
    EXPECT_TRUE(page.RowSet(row("43")));
    EXPECT_EQ(at("42", V::colFrame), "1");
    EXPECT_EQ(at("43", V::colFrame), "-");
    EXPECT_TRUE(page.CodeSet());
}

TEST_F(ViewDTCsTest, NewClearsIconsStampsAndTheCodeSetReport) {
    live(Code42, 1);
    tabChanges = 0;
    page.Clear();
    EXPECT_FALSE(page.RowSet(row("42")));
    EXPECT_EQ(at("42", V::colFrame), "-");
    EXPECT_EQ(at("42", V::colTime), "-");
    EXPECT_FALSE(page.CodeSet());
    EXPECT_EQ(tabChanges, 1);
}

TEST_F(ViewDTCsTest, StylesOnlyChangeTheView) {
    live(Code42, 1);
    for (const char* style : {"LargeIcons", "SmallIcons", "List", "Report"}) {
        page.SetViewStyle(style);
        EXPECT_EQ(page.ViewStyle(), style);
        EXPECT_EQ(at("42", V::colDescription), "Electronic spark timing") << style;
    }
}

TEST_F(ViewDTCsTest, AMacroWithoutTroubleCodesShowsTheEmptyPageText) {
    load(999); // no such macro: an empty image
    page.Populate();
    EXPECT_EQ(page.list().topLevelItemCount(), 0);
    EXPECT_TRUE(page.ShowsEmptyText());
    EXPECT_TRUE(page.emptyText().text().contains("not return any DTCs."));
    page.ShowValues(true, "1", "t"); // nothing to show, nothing breaks
    EXPECT_FALSE(page.CodeSet());
}

TEST_F(ViewDTCsTest, TheDialogShowsTheCodeOfTheSelectedRow) {
    const std::string file = dir.Write("dtc42.txt", "Check the EST wire\n");
    attr("DTC2").DTCs[3].Comments = "File=" + file;
    live(Code42, 1);
    page.SelectRow(row("42"));
    struct Seen {
        QString title, description, dtc, cel, reference, attribute, bit, memo;
        bool setIcon = false, light = false;
    } seen;
    onNextModal([&](QDialog& dialog) {
        auto& info = static_cast<TfInfoDTC&>(dialog);
        seen = {info.windowTitle(),     info.description().text(),    info.dtcField().text(),
                info.celField().text(), info.referenceField().text(), info.attributeField().text(),
                info.bitField().text(), info.memo().toPlainText(),    info.ShowsSetIcon(),
                info.ShowsEngineLight()};
    });
    page.MoreinfoClick();
    EXPECT_EQ(seen.title, "Diagnostic trouble code...");
    EXPECT_EQ(seen.description, "Electronic spark timing");
    EXPECT_EQ(seen.dtc, "42");
    EXPECT_EQ(seen.cel, "Yes");
    EXPECT_EQ(seen.reference, "Code 42");
    EXPECT_EQ(seen.attribute, "DTC2");
    EXPECT_EQ(seen.bit, "3");
    EXPECT_TRUE(seen.memo.contains("Check the EST wire"));
    EXPECT_TRUE(seen.setIcon);
    EXPECT_TRUE(seen.light);

    // A code without the check engine light, not set.
    TfInfoDTC info(engine);
    info.RowIndex = row("12");
    info.IsSet = false;
    info.FormActivate();
    EXPECT_EQ(info.celField().text(), "No");
    EXPECT_FALSE(info.ShowsEngineLight());
    EXPECT_FALSE(info.ShowsSetIcon());
    EXPECT_TRUE(info.memo().toPlainText().startsWith("No extra information is available."));
}

} // namespace
