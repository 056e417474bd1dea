// The export dialog with real widgets: its list and fields from the image and the capture, the
// selection buttons, the frame range, the two warnings, the written file, a file that cannot be
// written, and the empty-list text.
#include "ListPageTestHost.h"

#include "log/DataLog.h"
#include "views/Export.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <fstream>
#include <sstream>

namespace {

class ExportDialogTest : public testing::Test, protected EngineHost {
protected:
    void SetUp() override {
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
        dialog.FormShow();
    }
    int row(const char* code) { return rowOf(dialog.list(), 0, code); }
    void select(std::initializer_list<const char*> codes) {
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
    dialog.allFrames().setChecked(false);
    EXPECT_TRUE(dialog.toField().isEnabled());
    EXPECT_FALSE(dialog.ShowsEmptyText());
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
    dialog.allFrames().setChecked(false);
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

} // namespace
