// The export dialog with real widgets: its list and fields from the image and the capture, the
// selection buttons, the frame range, the two warnings, the written file, a file that cannot be
// written, and the empty-list text; shown and active, the formats, the ranges from the charts and
// the remembered choices by real clicks and keys.
#include "ListPageTestHost.h"

#include "common/IniFile.h"
#include "log/DataLog.h"
#include "log/ExportReader.h"
#include "views/Export.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

class ExportDialogTest : public testing::Test, protected EngineHost {
protected:
    void SetUp() override {
        // Every test starts as the first time: no remembered format or selection.
        TIniFile ini(IniPath());
        ini.EraseSection("fExport");
        ini.UpdateFile();
        load();
        // Three frames: gear 0, 3 and 9 (9 has no entry), IAC 10, 11, 12.
        const int gears[] = {0, 3, 9};
        for (int i = 0; i < 3; ++i) {
            log.Add(frame(i, {{28, gears[i]}, {20, 10 + i}}), true);
        }
        dialog.MessageHook = [this](QMessageBox::Icon, const QString& text) {
            messages.append(text);
        };
        dialog.OnExported = [this] { ++exported; };
        // Tests write one file again and again: replacing it is agreed to unless a test says.
        dialog.QuestionHook = [](const QString&) { return true; };
        dialog.FormShow();
    }
    int row(const char* code) { return rowOf(dialog.list(), 0, code); }
    // Exactly these rows selected.
    void select(std::initializer_list<const char*> codes) {
        dialog.list().clearSelection();
        for (const char* code : codes) {
            dialog.list().topLevelItem(row(code))->setSelected(true);
        }
    }
    std::vector<std::string> lines(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::string> result;
        for (std::string line; std::getline(in, line);) {
            EXPECT_TRUE(!line.empty() && line.back() == '\r') << line;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            result.push_back(line);
        }
        return result;
    }

    TDataLog log;
    TfExport dialog{engine, log};
    QStringList messages;
    int exported = 0;
};

TEST_F(ExportDialogTest, ListsTheValueAttributesWithTheirColumnsAndStartsWithAllFrames) {
    EXPECT_EQ(dialog.windowTitle(), "Export data...");
    ASSERT_EQ(dialog.list().topLevelItemCount(), 27);
    const char* captions[] = {"Attribute", "Description", "Module", "Table", "Units"};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(dialog.list().headerItem()->text(c), QLatin1String(captions[c]));
    }
    const int r = row("RPM");
    EXPECT_EQ(cell(dialog.list(), r, 1), "Engine speed");
    EXPECT_EQ(cell(dialog.list(), r, 2), "ECM");
    EXPECT_EQ(cell(dialog.list(), r, 3), "0");
    EXPECT_EQ(cell(dialog.list(), r, 4), QString::fromStdString(attr("RPM").Scale.Units));
    EXPECT_EQ(row("FLAGSA"), -1);
    EXPECT_EQ(row("DTC1"), -1);
    EXPECT_EQ(dialog.list().selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(dialog.fileName().text(), ""); // the capture has no file name
    EXPECT_EQ(dialog.fromField().text(), "0");
    EXPECT_EQ(dialog.toField().text(), "3");
    EXPECT_TRUE(dialog.allFrames().isChecked());
    EXPECT_FALSE(dialog.fromField().isEnabled());
    dialog.framesRange().setChecked(true);
    EXPECT_TRUE(dialog.toField().isEnabled());
    EXPECT_FALSE(dialog.ShowsEmptyText());
    // The first time: the spreadsheet layout, every row selected, no chart ranges to offer.
    EXPECT_TRUE(dialog.formatButton(TExportFormat::Spreadsheet).isChecked());
    EXPECT_EQ(dialog.Chosen().size(), 27u);
    EXPECT_FALSE(dialog.visibleRange().isEnabled());
    EXPECT_FALSE(dialog.cursorRange().isEnabled());
    EXPECT_FALSE(dialog.clockColumn().isEnabled());
}

TEST_F(ExportDialogTest, SelectAllClearAndInvert) {
    auto selected = [this] { return static_cast<int>(dialog.Chosen().size()); };
    dialog.SelectAllClick();
    EXPECT_EQ(selected(), 27);
    dialog.ClearClick();
    EXPECT_EQ(selected(), 0);
    select({"RPM", "GEAR"});
    dialog.InvertClick();
    EXPECT_EQ(selected(), 25);
    EXPECT_FALSE(dialog.list().topLevelItem(row("RPM"))->isSelected());
}

TEST_F(ExportDialogTest, WritesTheChosenColumnsOfAllFrames) {
    const std::string file = dir.File("out.csv");
    dialog.fileName().setText(QString::fromStdString(file));
    select({"GEAR", "IAC"}); // list order decides the columns: IAC comes before GEAR
    ASSERT_TRUE(dialog.ExportClick());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(exported, 1);
    const std::string iacUnits = attr("IAC").Scale.Units;
    const std::string gearUnits = attr("GEAR").Scale.Units;
    const std::vector<std::string> expected = {"FRAME,IAC " + iacUnits + ",GEAR " + gearUnits,
                                               "0,10,'Park'", "1,11,'Drive'", "2,12,?9?"};
    EXPECT_EQ(lines(file), expected);
}

TEST_F(ExportDialogTest, TheRangeEndsBeforeItsUpperNumber) {
    const std::string file = dir.File("range.csv");
    dialog.fileName().setText(QString::fromStdString(file));
    select({"IAC"});
    dialog.framesRange().setChecked(true);
    struct Case {
        const char *from, *to;
        std::vector<std::string> rows;
    };
    const Case cases[] = {{"1", "3", {"1,11", "2,12"}},
                          {"2", "2", {}},
                          {"x", "1", {"0,10"}}, // not a number: from 0
                          {"2", "", {"2,12"}}}; // not a number: to the frame count
    for (const Case& c : cases) {
        dialog.fromField().setText(c.from);
        dialog.toField().setText(c.to);
        ASSERT_TRUE(dialog.ExportClick()) << c.from << ".." << c.to;
        std::vector<std::string> written = lines(file);
        ASSERT_FALSE(written.empty());
        written.erase(written.begin());
        EXPECT_EQ(written, c.rows) << c.from << ".." << c.to;
    }
}

TEST_F(ExportDialogTest, WarningsLeaveTheDialogOpenAndWriteNothing) {
    const std::string file = dir.File("never.csv");
    select({"IAC"});
    EXPECT_FALSE(dialog.ExportClick());
    dialog.fileName().setText(QString::fromStdString(file));
    dialog.ClearClick();
    EXPECT_FALSE(dialog.ExportClick());
    EXPECT_EQ(messages, QStringList({"Please select an export filename",
                                     "Please select at least one attirbute to be exported"}));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(exported, 0);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(ExportDialogTest, AFileThatCannotBeWrittenIsReportedAndTheDialogStaysOpen) {
    const std::string file = dir.File("no-folder/out.csv");
    dialog.fileName().setText(QString::fromStdString(file));
    select({"IAC"});
    EXPECT_FALSE(dialog.ExportClick());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Can't save file")) << messages[0].toStdString();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(ExportDialogTest, TheFileNameComesFromTheLogAndBrowseReplacesIt) {
    const std::string logFile = dir.File("run.alg");
    log.SaveToFile(logFile);
    log.LoadFromFile(logFile);
    dialog.FormShow();
    EXPECT_EQ(dialog.fileName().text(), QString::fromStdString(dir.File("run.csv")));
    QString offered;
    dialog.SaveDialogHook = [&](const QString& start) {
        offered = start;
        return QStringLiteral("/tmp/chosen.csv");
    };
    dialog.BrowseClick();
    EXPECT_EQ(offered, QString::fromStdString(dir.File("run.csv")));
    EXPECT_EQ(dialog.fileName().text(), "/tmp/chosen.csv");
    dialog.SaveDialogHook = [](const QString&) { return QString(); }; // cancelled
    dialog.BrowseClick();
    EXPECT_EQ(dialog.fileName().text(), "/tmp/chosen.csv");
}

TEST_F(ExportDialogTest, AMacroWithoutValuesShowsTheEmptyListText) {
    load(999);
    dialog.FormShow();
    EXPECT_EQ(dialog.list().topLevelItemCount(), 0);
    EXPECT_TRUE(dialog.ShowsEmptyText());
    EXPECT_TRUE(dialog.emptyText().text().contains("To display aldl items here, first"));
}

TEST_F(ExportDialogTest, ExecuteRunsModallyAndCancelWritesNothing) {
    onNextModal([](QDialog& d) { d.reject(); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(exported, 0);
}

// An attribute the dialog has listed before keeps its remembered state; one it has never listed
// (a new attribute, another macro's) starts selected.
TEST_F(ExportDialogTest, RememberedSelectionAndNewAttributes) {
    const auto key = [this](const char* code) {
        for (const TMacroItem& item : engine.Items) {
            for (const TAttr& a : item.Request.Attrs) {
                if (a.ACode == code) {
                    return item.MCode + "/" + item.RCode + "/" + a.ACode;
                }
            }
        }
        return std::string();
    };
    TIniFile ini(IniPath());
    ini.WriteString("fExport", "Format", "msl");
    ini.WriteString("fExport", "Listed", key("RPM") + "|" + key("IAC") + "|" + key("FLAGSA"));
    ini.WriteString("fExport", "Selected", key("IAC"));
    ini.WriteBool("fExport", "Notes", false);
    ini.UpdateFile();
    dialog.FormShow();
    EXPECT_TRUE(dialog.formatButton(TExportFormat::Msl).isChecked());
    EXPECT_FALSE(dialog.notesColumn().isChecked());
    EXPECT_TRUE(dialog.codesColumn().isChecked());
    const int rows = dialog.list().topLevelItemCount();
    for (int r = 0; r < rows; ++r) {
        const QString code = cell(dialog.list(), r, 0);
        const bool remembered = code == "RPM" || code == "FLAGSA";
        EXPECT_EQ(dialog.list().topLevelItem(r)->isSelected(), !remembered) << code.toStdString();
    }
    EXPECT_EQ(static_cast<int>(dialog.Chosen().size()), rows - 2);
}

// The dialog as the user meets it: shown, active, driven by clicks and keys.
class ExportDialogWindowTest : public ExportDialogTest {
protected:
    void SetUp() override {
        ExportDialogTest::SetUp();
        dialog.ChartRange = [] { return TExportChartRange{1, 3, 2}; };
        dialog.FormShow();
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    void TearDown() override { dialog.hide(); }
    void click(QWidget& widget) {
        ASSERT_TRUE(widget.isVisible() && widget.isEnabled()) << widget.objectName().toStdString();
        QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, widget.rect().center());
    }
    void clickRow(const char* code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTreeWidget& list = dialog.list();
        QTreeWidgetItem* item = list.topLevelItem(row(code));
        ASSERT_NE(item, nullptr) << code;
        list.scrollToItem(item);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                          list.visualItemRect(item).center());
    }
    // Clicks into a field and replaces its text by typing.
    void type(QLineEdit& field, const QString& text) {
        click(field);
        QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&field, text);
    }
    std::vector<std::string> codesSelected() {
        std::vector<std::string> codes;
        for (const TExportColumn& c : dialog.Chosen()) {
            codes.push_back(engine.Items[c.Item].Request.Attrs[c.Attr].ACode);
        }
        return codes;
    }
};

TEST_F(ExportDialogWindowTest, APortableExportChosenByClicksAndKeysIsRemembered) {
    const int spreadsheetRows = dialog.list().topLevelItemCount();
    click(dialog.formatButton(TExportFormat::Portable));
    // The bit flag attributes join the list, selected as the first time has it.
    EXPECT_GT(dialog.list().topLevelItemCount(), spreadsheetRows);
    ASSERT_GE(row("FLAGSA"), 0);
    EXPECT_TRUE(dialog.list().topLevelItem(row("FLAGSA"))->isSelected());
    EXPECT_TRUE(dialog.clockColumn().isEnabled());
    click(dialog.clockColumn());
    EXPECT_TRUE(dialog.clockColumn().isChecked());

    clickRow("RPM");
    clickRow("FLAGSA", Qt::ControlModifier);
    clickRow("GEAR", Qt::ControlModifier);
    EXPECT_EQ(codesSelected(), (std::vector<std::string>{"FLAGSA", "RPM", "GEAR"})); // image order

    click(dialog.framesRange());
    EXPECT_TRUE(dialog.fromField().isEnabled());
    type(dialog.fromField(), "1");
    QTest::keyClick(&dialog.fromField(), Qt::Key_Tab);
    EXPECT_TRUE(dialog.toField().hasFocus());
    QTest::keyClick(&dialog.toField(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&dialog.toField(), "3");
    const std::string file = dir.File("drive.csv");
    type(dialog.fileName(), QString::fromStdString(file));
    QTest::keyClick(&dialog.fileName(), Qt::Key_Return); // the default button: Export
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());

    const TExportTable table = ReadExportFile(file);
    // Time, Clock, a 0/1 column per named flag of FLAGSA, RPM, GEAR, Notes, Codes.
    const TAttr& flags = attr("FLAGSA");
    const int named = static_cast<int>(std::count_if(
        flags.Flags.begin(), flags.Flags.end(), [](const TFlags& f) { return !f.Desc.empty(); }));
    ASSERT_GT(named, 0);
    ASSERT_EQ(table.Names.size(), 2u + static_cast<size_t>(named) + 4u);
    EXPECT_EQ(table.Names[0], "Time");
    EXPECT_EQ(table.Units[0], "s");
    EXPECT_EQ(table.Names[1], "Clock");
    const int rpm = table.Column("RPM"), gear = table.Column("GEAR");
    EXPECT_EQ(rpm, 2 + named);
    EXPECT_EQ(gear, 3 + named);
    EXPECT_EQ(table.Units[static_cast<size_t>(rpm)], attr("RPM").Scale.Units);
    EXPECT_EQ(table.Names.back(), "Codes");
    ASSERT_EQ(table.Rows.size(), 2u); // frames 1 and 2
    EXPECT_EQ(table.Rows[0][0], "0.000");
    EXPECT_EQ(table.Rows[1][0], "1.000"); // a second later
    EXPECT_EQ(table.Rows[0][1], "12:00:01.000");
    EXPECT_EQ(table.Rows[0][static_cast<size_t>(gear)], "Drive");
    EXPECT_EQ(table.Rows[1][static_cast<size_t>(gear)], "?9?");
    for (int f = 0; f < named; ++f) {
        const std::string& bit = table.Rows[0][static_cast<size_t>(2 + f)];
        EXPECT_TRUE(bit == "0" || bit == "1") << bit;
    }

    // The next time: the same format, columns and attributes.
    dialog.FormShow();
    EXPECT_TRUE(dialog.formatButton(TExportFormat::Portable).isChecked());
    EXPECT_TRUE(dialog.clockColumn().isChecked());
    EXPECT_EQ(codesSelected(), (std::vector<std::string>{"FLAGSA", "RPM", "GEAR"})); // image order
    EXPECT_EQ(dialog.fileName().text(), ""); // the capture has no file name
}

TEST_F(ExportDialogWindowTest, TheChartsRangesAndTheLogViewerLayout) {
    EXPECT_EQ(dialog.visibleRange().text(), "The charts' visible range (1 to 3)");
    EXPECT_EQ(dialog.cursorRange().text(), "The cursor's frame to the end (2 to 3)");
    click(dialog.formatButton(TExportFormat::Msl));
    EXPECT_FALSE(dialog.fromField().isEnabled());
    struct Case {
        QRadioButton* range;
        std::vector<std::string> times;
    };
    const Case cases[] = {{&dialog.visibleRange(), {"0.000", "1.000"}},
                          {&dialog.cursorRange(), {"0.000"}},
                          {&dialog.allFrames(), {"0.000", "1.000", "2.000"}}};
    for (const Case& c : cases) {
        if (!dialog.isVisible()) {
            dialog.FormShow();
            dialog.show();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        }
        EXPECT_TRUE(dialog.formatButton(TExportFormat::Msl).isChecked());
        click(*c.range);
        const std::string file = dir.File("range.msl");
        type(dialog.fileName(), QString::fromStdString(file));
        click(dialog.exportButton());
        ASSERT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
        const TExportTable table = ReadExportFile(file);
        EXPECT_EQ(table.Format, TExportFormat::Msl);
        std::vector<std::string> times;
        for (const auto& r : table.Rows) {
            times.push_back(r[0]);
        }
        EXPECT_EQ(times, c.times) << c.range->text().toStdString();
    }
}

// The usual extension follows the format; a name of the user's own stays as typed.
// A file of the name typed or offered is replaced only after a Yes (No keeps it and the dialog
// open); a name Browse chose was asked about there already.
TEST_F(ExportDialogWindowTest, ExportAsksBeforeReplacingAFileBrowseDidNotChoose) {
    const std::string earlier = dir.Write("earlier.csv", "the earlier file");
    QStringList questions;
    bool answer = false;
    dialog.QuestionHook = [&](const QString& text) {
        questions.append(text);
        return answer;
    };
    type(dialog.fileName(), QString::fromStdString(earlier));
    click(dialog.exportButton());
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0].toStdString(),
              earlier + " already exists.\r\nDo you want to replace it?");
    EXPECT_EQ(TempDir::Read(earlier), "the earlier file");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(exported, 0);

    answer = true;
    click(dialog.exportButton());
    EXPECT_EQ(questions.size(), 2);
    EXPECT_NE(TempDir::Read(earlier), "the earlier file");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    // Chosen through Browse: no second question.
    dialog.FormShow();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.SaveDialogHook = [&](const QString&) { return QString::fromStdString(earlier); };
    QPushButton* browse = nullptr;
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        if (b->text() == QLatin1String("Browse")) {
            browse = b;
        }
    }
    ASSERT_NE(browse, nullptr);
    click(*browse);
    click(dialog.exportButton());
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    // The next time the dialog opens, that name is asked about again.
    dialog.FormShow();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    answer = false;
    type(dialog.fileName(), QString::fromStdString(earlier));
    click(dialog.exportButton());
    EXPECT_EQ(questions.size(), 3);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(ExportDialogWindowTest, TheExtensionFollowsTheFormat) {
    type(dialog.fileName(), "/data/run 1.csv");
    struct Case {
        TExportFormat format;
        QString name;
    };
    const Case cases[] = {{TExportFormat::Msl, "/data/run 1.msl"},
                          {TExportFormat::Portable, "/data/run 1.csv"},
                          {TExportFormat::Msl, "/data/run 1.msl"},
                          {TExportFormat::Spreadsheet, "/data/run 1.csv"}};
    for (const Case& c : cases) {
        click(dialog.formatButton(c.format));
        EXPECT_EQ(dialog.fileName().text(), c.name);
    }
    type(dialog.fileName(), "/data/run.txt");
    click(dialog.formatButton(TExportFormat::Msl));
    EXPECT_EQ(dialog.fileName().text(), "/data/run.txt");
}

} // namespace
