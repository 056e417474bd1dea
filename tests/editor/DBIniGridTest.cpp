// The table grid: rows and cells from the table, editing that posts, refusals shown as messages
// with nothing lost, confirmed deletes, and column widths in the ini file.
#include "editor/DBIniGrid.h"

#include "EditorFixture.h"
#include "common/IniFile.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

class DBIniGrid : public testing::Test {
protected:
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    QWidget owner;
    TDBIniGrid* grid = nullptr;

    void SetUp() override {
        owner.setObjectName("frameEdA");
        auto* box = new QVBoxLayout(&owner);
        grid = new TDBIniGrid(&owner);
        grid->setObjectName("dbgDTCs");
        box->addWidget(grid);
        // An attribute of its own, with two DTC rows.
        ASSERT_TRUE(v.Modules->Locate("MCode", "ECM"));
        v.Attrs->Insert();
        v.Attrs->SetAsString("ACode", "GRID");
        v.Attrs->SetAsFloat("Start", 40);
        v.Attrs->Post();
        for (int bit : {0, 1}) {
            v.DTCs->Insert();
            v.DTCs->SetAsInteger("Bit", bit);
            v.DTCs->SetAsString("Desc", "Code " + std::to_string(bit));
            v.DTCs->Post();
        }
        grid->SetTable(v.DTCs, {{"Bit", "Bit", true},
                                {"Dash"},
                                {"Desc", "Description"},
                                {"CEL", "CEL", false, {"True", "False"}}});
        owner.show();
    }
    QString cell(int row, int column) {
        return grid->model()->index(row, column).data().toString();
    }
    bool setCell(int row, int column, const QString& text) {
        return grid->model()->setData(grid->model()->index(row, column), text, Qt::EditRole);
    }
};

TEST_F(DBIniGrid, ShowsRowsInKeyOrderWithTitles) {
    ASSERT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(cell(1, 0), "1");
    EXPECT_EQ(cell(1, 2), "Code 1");
    EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(), "Description");
    EXPECT_TRUE(grid->model()->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(grid->IniKey(), "frameEdA.dbgDTCs");
}

TEST_F(DBIniGrid, EditingACellPostsWhenTheRowIsLeft) {
    v.Changed = false;
    ASSERT_TRUE(setCell(0, 2, "Oxygen sensor"));
    EXPECT_TRUE(v.DTCs->Editing());
    grid->setCurrentIndex(grid->model()->index(1, 2));
    EXPECT_FALSE(v.DTCs->Editing());
    EXPECT_TRUE(v.Changed);
    v.DTCs->First();
    EXPECT_EQ(v.DTCs->AsString("Desc"), "Oxygen sensor");
    ASSERT_TRUE(setCell(1, 3, "True"));
    EXPECT_TRUE(grid->Commit());
    EXPECT_TRUE(v.DTCs->AsBool("CEL"));
}

TEST_F(DBIniGrid, ANumberThatCannotBeReadIsRefusedWithAMessage) {
    TBoxAnswerer ok(QMessageBox::Ok);
    EXPECT_FALSE(setCell(0, 1, "five"));
    EXPECT_EQ(ok.Count, 1);
    EXPECT_TRUE(ok.Text.contains("Dash")) << ok.Text.toStdString();
    EXPECT_EQ(cell(0, 1), "");
}

TEST_F(DBIniGrid, AKeyViolationIsShownAndTheRowStaysUnposted) {
    ASSERT_TRUE(setCell(1, 0, "0"));
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        EXPECT_FALSE(grid->Commit());
        EXPECT_EQ(ok.Count, 1);
        EXPECT_TRUE(ok.Text.contains("Key violation")) << ok.Text.toStdString();
    }
    EXPECT_TRUE(v.DTCs->Editing());
    EXPECT_EQ(v.DTCs->AsString("Desc"), "Code 1"); // still the typed row
    EXPECT_EQ(cell(1, 0), "0");
    ASSERT_TRUE(setCell(1, 0, "7"));
    EXPECT_TRUE(grid->Commit());
    EXPECT_EQ(cell(1, 0), "7");
}

TEST_F(DBIniGrid, InsertedRowIsShownAndDeletesConfirm) {
    TDBNavigator nav(&owner, {nbInsert, nbDelete, nbPost, nbCancel},
                     {"Insert DTC", "Delete DTC", "Post edit", "Cancel edit"});
    nav.SetTable(v.DTCs, grid);
    EXPECT_EQ(nav.Button(nbInsert)->toolTip(), "Insert DTC");
    nav.Click(nbInsert);
    ASSERT_EQ(grid->model()->rowCount(), 3);
    ASSERT_TRUE(setCell(2, 0, "5"));
    nav.Click(nbPost);
    EXPECT_EQ(v.DTCs->RecordCount(), 3);
    {
        TBoxAnswerer no(QMessageBox::No);
        grid->DeleteCurrent();
        EXPECT_EQ(no.Text, "Delete record?");
    }
    EXPECT_EQ(v.DTCs->RecordCount(), 3);
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        nav.Click(nbDelete);
        EXPECT_EQ(yes.Count, 1);
    }
    EXPECT_EQ(v.DTCs->RecordCount(), 2);
}

TEST_F(DBIniGrid, ColumnWidthsRoundTripThroughTheIniFile) {
    grid->setColumnWidth(0, 41);
    grid->setColumnWidth(2, 203);
    TIniFile ini(sample.Ini);
    grid->SaveColumnWidths(ini);
    const std::string saved = ini.ReadString("ColumnWidths", "frameEdA.dbgDTCs", "");
    EXPECT_EQ(saved.substr(0, 3), "41,");
    EXPECT_EQ(std::count(saved.begin(), saved.end(), ','), 3);
    grid->setColumnWidth(0, 90);
    grid->LoadColumnWidths(ini);
    EXPECT_EQ(grid->columnWidth(0), 41);
    EXPECT_EQ(grid->columnWidth(2), 203);
}

TEST_F(DBIniGrid, ANonNumberKeepsThatColumnsWidthAndExtrasAreIgnored) {
    grid->setColumnWidth(1, 77);
    grid->ApplyColumnWidthsText("50,wide,60,70,80,90");
    EXPECT_EQ(grid->columnWidth(0), 50);
    EXPECT_EQ(grid->columnWidth(1), 77);
    EXPECT_EQ(grid->columnWidth(2), 60);
    EXPECT_EQ(grid->columnWidth(3), 70);
}

TEST_F(DBIniGrid, FollowsTheParentTable) {
    v.Attrs->First(); // another attribute: its own (empty or not) DTC list
    grid->Refresh();
    EXPECT_EQ(grid->model()->rowCount(), v.DTCs->RecordCount());
}

// Typing into the grid of an active window, as a user does.
TEST_F(DBIniGrid, TabAndEnterStoreTheCellAndMoveToTheNextCellOfTheRow) {
    ASSERT_TRUE(ShowActive(owner));
    ClickCell(grid, 1, 1);
    ASSERT_NE(Focused(), grid);
    Retype("7");
    Press(Qt::Key_Tab);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(grid->currentIndex().column(), 2);
    EXPECT_TRUE(HasFocusIn(grid));
    EXPECT_NE(Focused(), grid) << "the next cell's editor has the focus";
    EXPECT_EQ(cell(1, 1), "7");
    Retype("Lean");
    Press(Qt::Key_Return);
    QTest::qWait(20);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(grid->currentIndex().column(), 3);
    EXPECT_TRUE(HasFocusIn(grid));
    EXPECT_EQ(cell(1, 2), "Lean");
    EXPECT_TRUE(grid->Commit());
    ASSERT_TRUE(v.DTCs->Locate("Bit", TValue(int32_t(1))));
    EXPECT_EQ(v.DTCs->AsInteger("Dash"), 7);
    EXPECT_EQ(v.DTCs->AsString("Desc"), "Lean");
}

TEST_F(DBIniGrid, ARefusedCellKeepsItsEditorWithTheTypedText) {
    ASSERT_TRUE(ShowActive(owner));
    ClickCell(grid, 0, 1);
    Retype("five");
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        Press(Qt::Key_Tab);
        QTest::qWait(50);
        EXPECT_EQ(ok.Count, 1);
        EXPECT_TRUE(ok.Text.contains("Dash")) << ok.Text.toStdString();
    }
    ASSERT_TRUE(BackToWindow(owner));
    auto* editor = qobject_cast<QLineEdit*>(Focused());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "five");
    EXPECT_EQ(grid->currentIndex().column(), 1);
    {
        // Clicking another row keeps the typed text too.
        TBoxAnswerer ok(QMessageBox::Ok);
        ClickCell(grid, 1, 2);
        QTest::qWait(50);
        EXPECT_EQ(ok.Count, 1);
    }
    ASSERT_TRUE(BackToWindow(owner));
    QTest::qWait(20);
    editor = qobject_cast<QLineEdit*>(Focused());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "five");
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(v.DTCs->RecNo(), 0);
    // The lenient reading of whole numbers takes "$10".
    Retype("$10");
    Press(Qt::Key_Tab);
    EXPECT_EQ(cell(0, 1), "16");
    EXPECT_EQ(grid->currentIndex().column(), 2);
    EXPECT_TRUE(grid->Commit());
    v.DTCs->First();
    EXPECT_EQ(v.DTCs->AsInteger("Dash"), 16);
}

TEST_F(DBIniGrid, APostThatReordersTheRowsKeepsTheCellOnTheRecordClicked) {
    v.DTCs->Insert();
    v.DTCs->SetAsInteger("Bit", 2);
    v.DTCs->SetAsString("Desc", "Code 2");
    v.DTCs->Post();
    grid->Refresh();
    ASSERT_TRUE(ShowActive(owner));
    ClickCell(grid, 1, 0);
    Retype("5"); // Bit 1 becomes 5: the row moves to the end when it is posted
    ClickCell(grid, 2, 2);
    // The row of "Code 2" is now the second one, and the cell editor is on it.
    EXPECT_EQ(cell(1, 2), "Code 2");
    EXPECT_EQ(cell(2, 0), "5");
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(grid->currentIndex().column(), 2);
    EXPECT_EQ(v.DTCs->AsString("Desc"), "Code 2");
    auto* editor = qobject_cast<QLineEdit*>(Focused());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Code 2");
    Retype("Two");
    Press(Qt::Key_Tab);
    EXPECT_TRUE(grid->Commit());
    ASSERT_TRUE(v.DTCs->Locate("Bit", TValue(int32_t(2))));
    EXPECT_EQ(v.DTCs->AsString("Desc"), "Two");
    ASSERT_TRUE(v.DTCs->Locate("Bit", TValue(int32_t(5))));
    EXPECT_EQ(v.DTCs->AsString("Desc"), "Code 1");
}

} // namespace
