// The DTC page with real widgets on the sample vehicle: rows last entry first, the set icons, the
// frame and time of each change (a code that clears is stamped once, where it cleared), browsing,
// the tab icon report, New, the empty-page text and the trouble code dialog. In the main window:
// the DTC and flag pages show the frames a play back plays and the state after New, and the
// Dashboard's gauge properties are closed while a play back goes on.
#include "ListPageTestHost.h"

#include "log/DataLog.h"
#include "shell/Main.h"
#include "views/InfoDTC.h"
#include "views/ViewBitFlags.h"
#include "views/ViewDTCs.h"
#include "views/ViewDashBoard.h"
#include "views/ViewMacros.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <filesystem>

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

// ---- the pages in the main window ----

// The main window on the sample vehicle, shown and active, with a port that does not exist and
// message boxes and file dialogs answered here.
class PagesInMainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("QUORVIN_INI");
        savedIni = old ? old : "";
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        std::filesystem::create_directories(dir.File("data"));
        dir.Write("QuorvinV4.ini", "[Devices]\r\nCom1=" + dir.File("no-such-port") +
                                       "\r\n[fMain]\r\nmruVehicle=" QUORVIN_SOURCE_DIR
                                       "/data/vehicles/SIM-V8.xml\r\n[Properties]\r\nDataDir=" +
                                       dir.File("data") + "\r\n");
        SetDataDir(dir.File("data"));
        window = std::make_unique<TfMain>();
        window->MessageBoxHook = [](QMessageBox::Icon, const QString&,
                                    QMessageBox::StandardButtons) { return QMessageBox::No; };
        window->FileDialogHook = [this](TFileDialog, const QString&, const QString&,
                                        const QString&) { return fileAnswer; };
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        clickMacro("Engine data, repeating");
        ASSERT_EQ(window->Engine->MacroTitle, "Engine data, repeating: Data stream");
    }
    void TearDown() override {
        window.reset();
        setenv("QUORVIN_INI", savedIni.c_str(), 1);
    }

    void clickMacro(const QString& description) {
        QTreeWidget& tree = window->MacrosPage->tree();
        for (int i = 0; i < tree.topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = tree.topLevelItem(i);
            if (item->text(0).startsWith(description)) {
                tree.scrollToItem(item);
                QApplication::processEvents();
                // Near the text's start: a long node is wider than the tree shows.
                const QRect rect = tree.visualItemRect(item);
                const int x = std::min(rect.left() + 30, tree.viewport()->width() - 2);
                QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                                  QPoint(x, rect.center().y()));
                return;
            }
        }
        FAIL() << "no macro " << description.toStdString();
    }
    void clickTab(int page) {
        QTabBar& bar = *window->PageControl->tabBar();
        QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(page).center());
        ASSERT_EQ(window->PageControl->currentIndex(), page);
    }
    // A log of the engine module's frames, spacing seconds apart, with the status and trouble code
    // bytes (data bytes 3 and 4, 5 to 7) of each frame as given; opened with File > Open (Ctrl+O).
    void openLog(const std::vector<int>& statusBytes, double spacing) {
        TDataLog log;
        for (size_t i = 0; i < statusBytes.size(); ++i) {
            const int b = statusBytes[i];
            log.Add(EngineHost::frame(10 + spacing * static_cast<double>(i),
                                      {{3, b}, {4, b}, {5, b}, {6, b}, {7, b}}),
                    true);
        }
        const std::string file = dir.File("drive.alg");
        log.SaveToFile(file);
        fileAnswer = QString::fromStdString(file);
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        ASSERT_EQ(window->Log->Count(), static_cast<int>(statusBytes.size()));
    }
    TframeViewDTCs& dtcs() { return dynamic_cast<TframeViewDTCs&>(*window->DTCList); }
    TframeViewBitFlags& flags() { return dynamic_cast<TframeViewBitFlags&>(*window->FlagList); }
    // Rows showing the set icon.
    template <class Page> int setRows(Page& page) {
        int n = 0;
        for (int r = 0; r < page.list().topLevelItemCount(); ++r) {
            n += page.RowSet(r);
        }
        return n;
    }
    // Flag rows whose "Status" is the flag's text for a bit of 1.
    int rowsShowingB1() {
        const std::vector<TRowRef> rows = FlagRows(*window->Engine);
        int n = 0;
        for (size_t r = 0; r < rows.size(); ++r) {
            const TAttr& attr = window->Engine->Items[rows[r].Item].Request.Attrs[rows[r].Attr];
            n += cell(flags().list(), static_cast<int>(r), TframeViewBitFlags::colStatus) ==
                 QString::fromStdString(attr.Flags[rows[r].Entry].B1);
        }
        return n;
    }
    int stampedRows(const QTreeWidget& list, int frameColumn) {
        int n = 0;
        for (int r = 0; r < list.topLevelItemCount(); ++r) {
            n += cell(list, r, frameColumn) != "-";
        }
        return n;
    }

    TempDir dir;
    std::string savedIni;
    std::unique_ptr<TfMain> window;
    QString fileAnswer;
};

// Codes and flags all set in the frame browsed before the play back; the page comes back into
// view while the play back goes on, after three frames with every bit clear: it shows the frame
// played, not the frame browsed before, and every row is stamped where its bit cleared (frame 1)
// although the page was not on show then.
TEST_F(PagesInMainWindowTest, APageShownDuringPlayBackShowsThePlayedFrame) {
    for (const int page : {4, 5}) {
        SCOPED_TRACE(page);
        // A second apart, so that the page is looked at long before the play back ends.
        openLog({0xFF, 0, 0, 0, 0}, 1.0);
        clickTab(page); // browses frame 0
        const int rows =
            page == 4 ? dtcs().list().topLevelItemCount() : flags().list().topLevelItemCount();
        ASSERT_GT(rows, 0);
        if (page == 4) {
            ASSERT_EQ(setRows(dtcs()), rows);
            ASSERT_TRUE(dtcs().CodeSet());
        } else {
            ASSERT_EQ(setRows(flags()), rows);
            ASSERT_EQ(rowsShowingB1(), rows);
        }

        clickTab(3);
        QTest::mouseClick(window->ToolBar->widgetForAction(window->actAldlPlay), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->PlayIndex >= 4; }, 10000));
        ASSERT_TRUE(window->InRunState(rsPlayBack)) << "the play back ended too early";
        clickTab(page);

        const QTreeWidget& list = page == 4 ? dtcs().list() : flags().list();
        const int frameColumn =
            page == 4 ? int(TframeViewDTCs::colFrame) : int(TframeViewBitFlags::colFrame);
        if (page == 4) {
            EXPECT_EQ(setRows(dtcs()), 0);
            EXPECT_FALSE(dtcs().CodeSet());
        } else {
            EXPECT_EQ(setRows(flags()), 0);
            EXPECT_EQ(rowsShowingB1(), 0);
        }
        for (int r = 0; r < list.topLevelItemCount(); ++r) {
            EXPECT_EQ(cell(list, r, frameColumn), "1") << r;
        }
        QTest::mouseClick(window->ToolBar->widgetForAction(window->actAldlStop), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor(
            [this] { return !window->InRunState(rsBusy) && window->ActiveLoops() == 0; }, 10000));
    }
}

// Codes that set while the charts are on show turn the DTC tab to its alert icon there, and
// back when they clear; the DTC page then names the frames where they set and cleared.
TEST_F(PagesInMainWindowTest, TheDTCTabWarnsOfACodeSetWhileAnotherPageIsShown) {
    const auto tabShows = [this](bool codeSet) {
        const QImage shown = window->PageControl->tabIcon(4).pixmap(16).toImage();
        return shown == TabIcon(4, true, codeSet).pixmap(16).toImage();
    };
    openLog({0, 0, 0xFF, 0xFF, 0, 0}, 0.5);
    clickTab(3);
    ASSERT_TRUE(tabShows(false));
    QTest::mouseClick(window->ToolBar->widgetForAction(window->actAldlPlay), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabShows(true); }, 10000));
    EXPECT_GE(window->PlayIndex, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabShows(false); }, 10000));
    EXPECT_GE(window->PlayIndex, 5);
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return !window->InRunState(rsBusy) && window->ActiveLoops() == 0; }, 10000));

    clickTab(4); // browses the cursor's frame, the last: stamps stay
    const QTreeWidget& list = dtcs().list();
    ASSERT_GT(list.topLevelItemCount(), 0);
    for (int r = 0; r < list.topLevelItemCount(); ++r) {
        EXPECT_EQ(cell(list, r, TframeViewDTCs::colFrame), "4") << r;
    }
}

// The descriptions read whole on the shown pages: the first column is as wide as its longest
// text and the icon beside it.
TEST_F(PagesInMainWindowTest, DescriptionsAreNotCutOff) {
    for (const int page : {4, 5}) {
        SCOPED_TRACE(page);
        clickTab(page);
        const QTreeWidget& list = page == 4 ? dtcs().list() : flags().list();
        ASSERT_TRUE(list.isVisible());
        ASSERT_GT(list.topLevelItemCount(), 0);
        const QFontMetrics metrics(list.font());
        for (int r = 0; r < list.topLevelItemCount(); ++r) {
            const QString text = list.topLevelItem(r)->text(0);
            EXPECT_GE(list.columnWidth(0),
                      metrics.horizontalAdvance(text) + list.iconSize().width() + 8)
                << text.toStdString();
        }
    }
    // A flag's Status column fits its 1 state too, though the page shows the 0 state first.
    const std::vector<TRowRef> rows = FlagRows(*window->Engine);
    for (const TRowRef& ref : rows) {
        const TFlags& flag =
            window->Engine->Items[ref.Item].Request.Attrs[ref.Attr].Flags[ref.Entry];
        EXPECT_GE(
            flags().list().columnWidth(TframeViewBitFlags::colStatus),
            QFontMetrics(flags().list().font()).horizontalAdvance(QString::fromStdString(flag.B1)) +
                8)
            << flag.B1;
    }
}

// New after a frame with every flag set: each row shows its 0 state in every style, icon and
// text alike, and a run whose bits stay 0 has nothing to change or stamp.
TEST_F(PagesInMainWindowTest, NewLeavesEveryFlagInItsZeroState) {
    for (const char* style : {"Report", "List"}) {
        SCOPED_TRACE(style);
        openLog({0xFF, 0xFF}, 0.05);
        flags().SetViewStyle(style);
        clickTab(5);
        const int rows = flags().list().topLevelItemCount();
        ASSERT_EQ(rowsShowingB1(), rows);
        ASSERT_TRUE(window->actFileNew->isEnabled());
        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        ASSERT_EQ(window->Log->Count(), 0);
        EXPECT_EQ(setRows(flags()), 0);
        EXPECT_EQ(rowsShowingB1(), 0);
        const std::vector<TRowRef> refs = FlagRows(*window->Engine);
        for (size_t r = 0; r < refs.size(); ++r) {
            const TFlags& flag = window->Engine->Items[refs[r].Item]
                                     .Request.Attrs[refs[r].Attr]
                                     .Flags[refs[r].Entry];
            const QString b0 = QString::fromStdString(flag.B0);
            const QString desc = QString::fromStdString(flag.Desc);
            const int row = static_cast<int>(r);
            EXPECT_EQ(cell(flags().list(), row, TframeViewBitFlags::colStatus), b0);
            EXPECT_EQ(cell(flags().list(), row, TframeViewBitFlags::colDescription),
                      std::string(style) == "Report" ? desc : desc + ": " + b0);
            EXPECT_EQ(cell(flags().list(), row, TframeViewBitFlags::colFrame), "-");
        }
        // The next run's frames keep every bit at 0: nothing changes, nothing is stamped.
        window->Engine->ResetValues();
        auto frame = EngineHost::frame(20, {{3, 0}, {4, 0}});
        window->Engine->DecodeFrame(*frame, true);
        flags().ShowValues(true, "1", "10:00:01");
        EXPECT_EQ(rowsShowingB1(), 0);
        EXPECT_EQ(stampedRows(flags().list(), TframeViewBitFlags::colFrame), 0);
    }
}

// The window tells the Dashboard of a play back as it tells the charts: a gauge's properties
// entry is closed while it goes on and open again once it has stopped.
TEST_F(PagesInMainWindowTest, GaugePropertiesFollowThePlayBack) {
    auto& dashboard = dynamic_cast<TframeViewDashBoard&>(*window->Dashboard);
    auto propertiesEnabled = [&dashboard] {
        QMenu& menu = dashboard.PrepareGaugeMenu(*dashboard.GaugeById(1));
        for (QAction* a : menu.actions()) {
            if (a->text() == "Properties...") {
                return a->isEnabled();
            }
        }
        ADD_FAILURE() << "no Properties...";
        return false;
    };
    openLog({0, 0, 0, 0}, 1.0);
    clickTab(2);
    EXPECT_TRUE(propertiesEnabled());
    QTest::mouseClick(window->ToolBar->widgetForAction(window->actAldlPlay), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return window->PlayIndex >= 1; }, 10000));
    ASSERT_TRUE(window->InRunState(rsPlayBack));
    EXPECT_FALSE(propertiesEnabled());
    QTest::mouseClick(window->ToolBar->widgetForAction(window->actAldlStop), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return !window->InRunState(rsBusy) && window->ActiveLoops() == 0; }, 10000));
    EXPECT_TRUE(propertiesEnabled());
}

} // namespace
