// The attribute page inside the editor window on a copy of the sample vehicle: tabs and AType,
// the bit selector, the scale picker, the range calculators, pasting into the DTC, flag and
// enumeration grids, lookup table files, refused keys and browsing without changes.
#include "editor/edA.h"

#include "EditorFixture.h"
#include "common/IniFile.h"
#include "definitions/TableText.h"
#include "editor/BitEdit.h"
#include "editor/DBIniGrid.h"
#include "editor/EditByteBit.h"
#include "editor/EditVehicle.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace {

class EdA : public testing::Test {
protected:
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    std::unique_ptr<TfEditVehicle> editor;
    TframeEdA* page = nullptr;
    std::vector<std::string> warnings;
    std::vector<std::string> questions;

    void SetUp() override {
        editor = std::make_unique<TfEditVehicle>(v, nullptr, sample.Ini);
        editor->Confirm = [](const std::string&) { return true; };
        v.Changed = false;
        editor->resize(980, 640);
        editor->show();
        page = static_cast<TframeEdA*>(editor->frameEdA);
        page->Warn = [this](const std::string& m) { warnings.push_back(m); };
        page->Error = [this](const std::string& m) { warnings.push_back(m); };
        page->Ask = [this](const std::string& q) {
            questions.push_back(q);
            return true;
        };
    }
    // Selects the attribute node whose text holds "CODE: ".
    void select(const char* code) {
        auto items = editor->tvVehicle->findItems(QString::fromLatin1(code) + ": ",
                                                  Qt::MatchContains | Qt::MatchRecursive);
        ASSERT_FALSE(items.isEmpty()) << code;
        editor->tvVehicle->setCurrentItem(items.front());
        ASSERT_EQ(editor->CurrentPage(), page);
        ASSERT_EQ(v.Attrs->AsString("ACode"), code);
    }
    void type(QLineEdit* e, const QString& text) {
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    std::vector<std::string> rows(TTable& t, const char* key, const char* field) {
        std::vector<std::string> out;
        for (t.First(); !t.Eof(); t.Next()) {
            out.push_back(t.AsString(key) + "=" + t.AsString(field));
        }
        t.First();
        return out;
    }
    void emptyDTCs() {
        while (!v.DTCs->IsEmpty()) {
            v.DTCs->Delete();
        }
        page->Refresh();
    }
};

} // namespace

TEST_F(EdA, BrowsingShowsTheTabOfEachTypeWithoutChanges) {
    const char* codes[] = {"RPM", "CTSTAB", "FLAGSA", "DTC1", "GEAR"};
    const int types[] = {atScaled, atLookup, atFlags, atDTC, atEnum};
    const char* headers[] = {"Scaled", "Lookup table", "Status flag", "DTC", "Enumerated"};
    for (int i = 0; i < 5; ++i) {
        select(codes[i]);
        EXPECT_EQ(page->pcTypes->currentIndex(), types[i]) << codes[i];
        EXPECT_EQ(page->lbHeader->text().toStdString(),
                  std::string(headers[i]) + " stream attribute");
        EXPECT_EQ(page->edACode->text().toStdString(), codes[i]);
    }
    EXPECT_FALSE(v.Attrs->Editing());
    EXPECT_FALSE(v.Changed);
}

TEST_F(EdA, ChoosingATabStoresTheType) {
    select("RPM");
    page->pcTypes->setCurrentIndex(atRaw);
    EXPECT_EQ(v.Attrs->AsInteger("AType"), atRaw);
    EXPECT_EQ(page->lbHeader->text(), "Raw stream attribute");
    editor->btnOk->click();
    EXPECT_FALSE(v.Attrs->Editing());
    EXPECT_TRUE(v.Changed);
}

TEST_F(EdA, BitSelectorStoresStartAndBits) {
    select("RPM");
    int givenBits = 0;
    page->PickBits = [&](TfEditByteBit& d) {
        givenBits = d.Count();
        d.SetSelection(4, 3.6);
        return true;
    };
    page->btnBits->click();
    EXPECT_EQ(givenBits, v.Attrs->AsInteger("Bits") == 4 ? givenBits : 16);
    EXPECT_DOUBLE_EQ(v.Attrs->AsFloat("Start"), 3.6);
    EXPECT_EQ(v.Attrs->AsInteger("Bits"), 4);
    EXPECT_EQ(page->edStart->text(), "3.6");
    EXPECT_EQ(page->edBits->text(), "4");
    ASSERT_TRUE(page->CommitEdits());
    EXPECT_TRUE(v.Changed);
}

TEST_F(EdA, RangeCalculators) {
    select("RPM");
    type(page->edBits, "8");
    type(page->edFactor, "0.5");
    type(page->edOffset, "-40");
    for (QCheckBox* c : {page->cbSigned, page->cbReverse, page->cbInvert}) {
        if (c->isChecked()) {
            QTest::mouseClick(c, Qt::LeftButton);
        }
    }
    page->Tabs[0].DisplayCalc->click();
    EXPECT_EQ(page->Tabs[0].DisplayMin->text(), "-40");
    EXPECT_EQ(page->Tabs[0].DisplayMax->text(), "87.5");
    EXPECT_DOUBLE_EQ(v.AScale->AsFloat("DisplayMax"), 87.5);
    // A negative factor still gives the smaller end first.
    type(page->edFactor, "-1");
    type(page->edOffset, "0");
    page->Tabs[0].AlarmCalc->click();
    EXPECT_EQ(page->Tabs[0].AlarmMin->text(), "-255");
    EXPECT_EQ(page->Tabs[0].AlarmMax->text(), "0");

    type(page->edBits, "16");
    page->Tabs[2].AlarmCalc->click();
    EXPECT_EQ(page->Tabs[2].AlarmMin->text(), "0");
    EXPECT_EQ(page->Tabs[2].AlarmMax->text(), "65535");
    EXPECT_EQ(page->Tabs[0].AlarmMax->text(), "65535"); // every tab shows the one Scale

    ReplaceLookupRows(v.Table, {{0, 5}, {1, 50}, {2, 7}});
    page->Tabs[1].DisplayCalc->click();
    EXPECT_EQ(page->Tabs[1].DisplayMin->text(), "5");
    EXPECT_EQ(page->Tabs[1].DisplayMax->text(), "7");
    ASSERT_TRUE(page->CommitEdits());
    EXPECT_DOUBLE_EQ(v.AScale->AsFloat("AlarmMax"), 65535);
}

TEST_F(EdA, ScalePickerAppliesTheScaleCode) {
    TTable& cat = v.ScaleCodes;
    cat.Append();
    cat.SetAsString("SCode", "TEMP");
    cat.SetAsString("Units", "degC");
    cat.SetAsFloat("Factor", 0.75);
    cat.SetAsFloat("Offset", -40);
    cat.SetAsString("DescMax", "HOT");
    cat.Post();
    select("RPM");
    page->PickScale = [] { return true; };
    page->btnScale->click();
    EXPECT_EQ(page->Tabs[0].Units->text(), "degC");
    EXPECT_EQ(page->Tabs[2].Units->text(), "degC");
    EXPECT_EQ(page->Tabs[0].DescMax->text(), "HOT");
    EXPECT_EQ(page->edFactor->text(), "0.75");
    editor->btnOk->click();
    EXPECT_FALSE(v.AScale->Editing());
    EXPECT_EQ(v.AScale->AsString("SCode"), "TEMP");
    EXPECT_TRUE(v.Dirty);
}

TEST_F(EdA, PastingIntoTheDtcGrid) {
    select("DTC1");
    emptyDTCs();
    page->dbgDTCs->setFocus();
    QGuiApplication::clipboard()->setText("ENGINE RUNNING\r\nb\r\nc\r\n");
    // An empty grid has no current cell: the paste fills the descriptions.
    QTest::keyClick(page->dbgDTCs, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], ReversePasteQuestion);
    EXPECT_EQ(rows(v.DTCs, "Bit", "Desc"),
              (std::vector<std::string>{"0=C", "1=B", "2=Engine running"}));
    // Same row as the cursor: a row change would put the grid back on its first column.
    page->dbgDTCs->setCurrentIndex(page->dbgDTCs->model()->index(v.DTCs->RecNo(), 2));
    QTest::keyClick(page->dbgDTCs, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(questions.back(), PasteQuestion);
    EXPECT_EQ(rows(v.DTCs, "Bit", "Desc"),
              (std::vector<std::string>{"0=Engine running", "1=B", "2=C"}));
    EXPECT_EQ(page->dbgDTCs->model()->rowCount(), 3);
    // Bit column: not a paste target, nothing is asked.
    page->dbgDTCs->setCurrentIndex(page->dbgDTCs->model()->index(0, 0));
    questions.clear();
    QTest::keyClick(page->dbgDTCs, Qt::Key_B, Qt::ControlModifier);
    EXPECT_TRUE(questions.empty());
    page->dbgDTCs->setCurrentIndex(page->dbgDTCs->model()->index(0, 2));

    QGuiApplication::clipboard()->setText("");
    QTest::keyClick(page->dbgDTCs, Qt::Key_B, Qt::ControlModifier);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], ClipboardEmptyText);
}

TEST_F(EdA, PastingIntoFlagsAndEnumerationsTargetsTheColumnField) {
    select("FLAGSA");
    const int count = v.Flags->RecordCount();
    ASSERT_GT(count, 0);
    page->dbgFlags->setCurrentIndex(page->dbgFlags->model()->index(0, 4)); // B1
    QGuiApplication::clipboard()->setText("ON\r\n");
    page->PasteIntoGrid(page->dbgFlags, false);
    v.Flags->First();
    EXPECT_EQ(v.Flags->AsString("B1"), "On");
    EXPECT_EQ(v.Flags->RecordCount(), count);

    select("GEAR");
    const int enums = v.Enums->RecordCount();
    page->dbgEnums->setCurrentIndex(page->dbgEnums->model()->index(0, 1));
    std::string lines;
    for (int i = 0; i <= enums; ++i) {
        lines += "gear " + std::to_string(i) + "\n";
    }
    QGuiApplication::clipboard()->setText(QString::fromStdString(lines));
    page->PasteIntoGrid(page->dbgEnums, false);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(v.Enums->RecordCount(), enums + 1);
    v.Enums->Last();
    EXPECT_EQ(v.Enums->AsString("Desc"), "Gear " + std::to_string(enums));
}

TEST_F(EdA, LookupTableExportImportAndClear) {
    select("CTSTAB");
    const std::vector<std::string> before = rows(v.Table, "RawByte", "Value");
    ASSERT_FALSE(before.empty());
    std::string title;
    const std::string out = sample.Dir.File("table.txt");
    page->SaveFileName = [&](const std::string& t, const std::string&) {
        title = t;
        return out;
    };
    page->btnExport->click();
    EXPECT_EQ(title, "Export CTSTAB to file...");
    const std::string text = TempDir::Read(out);
    EXPECT_EQ(SplitTextLines(text).size(), before.size());
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    page->btnClear->click();
    EXPECT_TRUE(v.Table->IsEmpty());
    EXPECT_EQ(page->dbgTable->model()->rowCount(), 0);

    page->OpenFileName = [&](const std::string& t, const std::string&) {
        title = t;
        return out;
    };
    page->btnImport->click();
    EXPECT_EQ(title, "Select import file for CTSTAB...");
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(rows(v.Table, "RawByte", "Value"), before);
    EXPECT_TRUE(page->dbgTable->isVisible());
}

TEST_F(EdA, BrokenImportsChangeNothing) {
    select("CTSTAB");
    const std::vector<std::string> before = rows(v.Table, "RawByte", "Value");
    struct Case {
        std::string file;
        std::string contents;
        std::string warning;
    } cases[] = {
        {"dup.csv", "0,10\r\n1,20\r\n0,30\r\n", ". Line 3: the raw byte 0 is already in the table"},
        {"bad.txt", std::string("10\r\n\r\n1,\0\r\n", 11), ". Line 3: not a text line"},
        {"missing.txt", "", "Can't open file "},
    };
    for (const Case& c : cases) {
        const std::string path =
            c.contents.empty() ? sample.Dir.File(c.file) : sample.Dir.Write(c.file, c.contents);
        page->OpenFileName = [&](const std::string&, const std::string&) { return path; };
        warnings.clear();
        page->ImportTable();
        ASSERT_EQ(warnings.size(), 1u) << c.file;
        EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
        EXPECT_EQ(rows(v.Table, "RawByte", "Value"), before);
    }
    EXPECT_FALSE(v.Changed);
}

TEST_F(EdA, DuplicateKeyIsReportedAndTheRowStaysUnposted) {
    select("DTC1");
    ASSERT_GT(v.DTCs->RecordCount(), 0);
    v.DTCs->First();
    const int bit = v.DTCs->AsInteger("Bit");
    page->navDTCs->Click(nbInsert);
    ASSERT_EQ(v.DTCs->State(), TTableState::dsInsert);
    v.DTCs->SetAsInteger("Bit", bit);
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        EXPECT_FALSE(page->CommitEdits());
        EXPECT_EQ(ok.Count, 1);
        EXPECT_TRUE(ok.Text.contains("Key violation")) << ok.Text.toStdString();
    }
    EXPECT_EQ(v.DTCs->State(), TTableState::dsInsert);
    v.DTCs->SetAsInteger("Bit", 31);
    EXPECT_TRUE(page->CommitEdits());
    EXPECT_TRUE(v.DTCs->Locate("Bit", TValue(int32_t(31))));
}

// The editor window active, as a user's window is, driven by clicks and keys only; message boxes
// are the real ones, answered as a user would.
class EdAInput : public testing::Test {
protected:
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    std::unique_ptr<TfEditVehicle> editor;
    TframeEdA* page = nullptr;

    void SetUp() override {
        editor = std::make_unique<TfEditVehicle>(v, nullptr, sample.Ini);
        editor->resize(1000, 700);
        ASSERT_TRUE(ShowActive(*editor));
        page = static_cast<TframeEdA*>(editor->frameEdA);
    }
    void select(const char* code) {
        QTreeWidgetItem* node = NodeWith(editor->tvVehicle, QString::fromLatin1(code) + ": ");
        ASSERT_NE(node, nullptr) << code;
        ClickNode(editor->tvVehicle, node);
        ASSERT_EQ(editor->tvVehicle->currentItem(), node);
        ASSERT_EQ(editor->CurrentPage(), page);
        ASSERT_EQ(page->edACode->text().toStdString(), code);
    }
    static std::string field(const TTable& t, int row, const char* name) {
        return TTable::ValueText(t.RecordAt(row)->Values[t.FieldIndex(name)], TFieldType::ftString);
    }
    std::vector<std::string> rows(TTable& t, const char* key, const char* name) {
        std::vector<std::string> out;
        for (int i = 0; i < t.RecordCount(); ++i)
            out.push_back(field(t, i, key) + "=" + field(t, i, name));
        return out;
    }
    // Leaves the attribute with only the given DTC rows (set up through the table).
    void dtcRows(std::initializer_list<int> bits) {
        while (!v.DTCs->IsEmpty())
            v.DTCs->Delete();
        for (int bit : bits) {
            v.DTCs->Insert();
            v.DTCs->SetAsInteger("Bit", bit);
            v.DTCs->SetAsString("Desc", "Old " + std::to_string(bit));
            v.DTCs->Post();
        }
        v.DTCs->First();
        page->Refresh();
    }
};

struct GridCase {
    const char* code;
    TDBIniGrid* TframeEdA::*grid;
    int column;
    const char* field;
    const char* typed;
};

TEST_F(EdAInput, AClickOrDownKeyLandsOnThatRowWithTheFocusInTheGrid) {
    const GridCase cases[] = {{"DTC1", &TframeEdA::dbgDTCs, 2, "Desc", "Oxygen"},
                              {"FLAGSA", &TframeEdA::dbgFlags, 3, "B0", "Rich"},
                              {"GEAR", &TframeEdA::dbgEnums, 1, "Desc", "Low"},
                              {"CTSTAB", &TframeEdA::dbgTable, 1, "Value", "12.5"}};
    for (const GridCase& c : cases) {
        SCOPED_TRACE(c.code);
        ASSERT_NO_FATAL_FAILURE(select(c.code));
        TDBIniGrid* grid = page->*c.grid;
        TTable& table = *grid->Table();
        ClickCell(grid, 2, c.column);
        EXPECT_EQ(grid->currentIndex().row(), 2);
        EXPECT_EQ(grid->currentIndex().column(), c.column);
        EXPECT_EQ(table.RecNo(), 2);
        ASSERT_TRUE(HasFocusIn(grid));
        EXPECT_NE(Focused(), grid) << "the cell editor has the focus";
        Retype(c.typed);
        Press(Qt::Key_Down);
        EXPECT_EQ(grid->currentIndex().row(), 3);
        EXPECT_EQ(grid->currentIndex().column(), c.column);
        EXPECT_EQ(table.RecNo(), 3);
        EXPECT_TRUE(HasFocusIn(grid));
        EXPECT_EQ(CellText(grid, 2, c.column), c.typed);
        EXPECT_EQ(field(table, 2, c.field), c.typed);
        // Typing again goes into the row the user sees.
        Retype(c.typed);
        Press(Qt::Key_Up);
        EXPECT_EQ(table.RecNo(), 2);
        EXPECT_EQ(field(table, 3, c.field), c.typed);
    }
    editor->btnOk->click();
    EXPECT_TRUE(v.Changed);
}

TEST_F(EdAInput, ALaterRowOfTheLookupTableIsDeletedWithCtrlD) {
    select("CTSTAB");
    const int count = v.Table->RecordCount();
    const std::string raw = field(v.Table, 3, "RawByte");
    ClickCell(page->dbgTable, 3, 1);
    ASSERT_EQ(v.Table->RecNo(), 3);
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        Press(Qt::Key_D, Qt::ControlModifier);
        EXPECT_EQ(yes.Text, "Delete record?");
    }
    EXPECT_EQ(v.Table->RecordCount(), count - 1);
    EXPECT_FALSE(v.Table->Locate("RawByte", TValue(raw)));
    EXPECT_EQ(page->dbgTable->model()->rowCount(), count - 1);
}

TEST_F(EdAInput, PasteShortcutsWorkWhileACellIsEditedAndKeepTheColumn) {
    select("DTC1");
    dtcRows({0, 1, 2});
    QGuiApplication::clipboard()->setText("a\r\nb\r\nc\r\n");
    ClickCell(page->dbgDTCs, 1, 2);
    ASSERT_NE(Focused(), page->dbgDTCs);
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        Press(Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(yes.Text.toStdString(), ReversePasteQuestion);
    }
    ASSERT_TRUE(BackToWindow(*editor));
    EXPECT_EQ(rows(v.DTCs, "Bit", "Desc"), (std::vector<std::string>{"0=C", "1=B", "2=A"}));
    EXPECT_EQ(page->dbgDTCs->currentIndex().column(), 2);
    EXPECT_TRUE(HasFocusIn(page->dbgDTCs));
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        Press(Qt::Key_B, Qt::ControlModifier);
        EXPECT_EQ(yes.Text.toStdString(), PasteQuestion);
    }
    EXPECT_EQ(rows(v.DTCs, "Bit", "Desc"), (std::vector<std::string>{"0=A", "1=B", "2=C"}));
    EXPECT_EQ(CellText(page->dbgDTCs, 0, 2), "A");
}

TEST_F(EdAInput, PastedRowsAreNumberedByLineWithinTheWidth) {
    select("DTC1");
    struct Case {
        std::initializer_list<int> bits;
        const char* lines;
        std::vector<std::string> after;
    } cases[] = {
        {{0, 7}, "a\nb\nc\nd\n", {"0=A", "2=C", "3=D", "7=B"}},
        {{0, 2}, "a\nb\nc\nd\n", {"0=A", "1=C", "2=B", "3=D"}},
    };
    for (const Case& c : cases) {
        dtcRows(c.bits);
        QGuiApplication::clipboard()->setText(QString::fromLatin1(c.lines));
        ClickCell(page->dbgDTCs, 0, 2);
        {
            TBoxAnswerer yes(QMessageBox::Yes);
            Press(Qt::Key_B, Qt::ControlModifier);
        }
        EXPECT_EQ(rows(v.DTCs, "Bit", "Desc"), c.after) << c.lines;
        ASSERT_TRUE(BackToWindow(*editor));
    }
    // Nine lines cannot fit eight bits: an error, and nothing changes.
    dtcRows({0, 7});
    QGuiApplication::clipboard()->setText("1\n2\n3\n4\n5\n6\n7\n8\n9\n");
    ClickCell(page->dbgDTCs, 0, 2);
    int boxes = 0;
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        Press(Qt::Key_B, Qt::ControlModifier);
        QTest::qWait(100);
        boxes = yes.Count;
        EXPECT_EQ(yes.Icon, QMessageBox::Critical) << yes.Text.toStdString();
        EXPECT_TRUE(yes.Text.contains("8")) << yes.Text.toStdString();
    }
    EXPECT_EQ(boxes, 2); // the question, then the error
    EXPECT_EQ(rows(v.DTCs, "Bit", "Desc"), (std::vector<std::string>{"0=Old 0", "7=Old 7"}));
}

TEST_F(EdAInput, ImportTakesHeaderLinesWordsAndSemicolons) {
    select("CTSTAB");
    const std::string file =
        sample.Dir.Write("table.csv", "Raw;Value\r\n0;10\r\n1;N/A\r\n2;2,5\r\n\r\n$10;-4.25\r\n");
    page->OpenFileName = [&](const std::string&, const std::string&) { return file; };
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        page->btnImport->click();
        QTest::qWait(50);
        EXPECT_EQ(ok.Count, 1);
        EXPECT_TRUE(ok.Text.contains("line 1")) << ok.Text.toStdString();
        EXPECT_TRUE(ok.Text.contains("N/A")) << ok.Text.toStdString();
    }
    EXPECT_EQ(rows(v.Table, "RawByte", "Value"),
              (std::vector<std::string>{"0=10", "1=1", "2=2.5", "16=-4.25"}));
    EXPECT_EQ(CellText(page->dbgTable, 3, 0), "16");
    // A raw byte that repeats is still refused before anything changes, as an error box.
    const std::string dup = sample.Dir.Write("dup.txt", "0,1\r\n0,2\r\n");
    page->OpenFileName = [&](const std::string&, const std::string&) { return dup; };
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        page->btnImport->click();
        QTest::qWait(50);
        EXPECT_EQ(ok.Icon, QMessageBox::Critical);
    }
    EXPECT_EQ(v.Table->RecordCount(), 4);
}

TEST_F(EdAInput, PanelHeightsDefaultTo60AndAnUnshownPanelKeepsItsHeight) {
    editor.reset();
    {
        TIniFile ini(sample.Ini);
        ini.WriteInteger("fEditVehicle", "flagSplit", 75);
        ini.UpdateFile();
    }
    SetUp();
    select("DTC1");
    QTest::qWait(20);
    EXPECT_EQ(page->splDTCs->sizes().value(1), 60);
    editor.reset();
    TIniFile ini(sample.Ini);
    EXPECT_EQ(ini.ReadInteger("fEditVehicle", "DTCSplit", 0), 60);
    EXPECT_EQ(ini.ReadInteger("fEditVehicle", "flagSplit", 0), 75);
    EXPECT_EQ(ini.ReadInteger("fEditVehicle", "enumSplit", 0), 60);
}

TEST_F(EdAInput, ANewAttributeShowsItsFormat) {
    select("RPM");
    editor->btnAdd->click();
    EXPECT_EQ(v.Attrs->AsString("DashFmt"), "0");
    EXPECT_EQ(page->cbDashFmt->currentText(), "0");
}

TEST_F(EdA, Screenshots) {
    const char* codes[] = {"RPM", "CTSTAB", "RPM", "DTC1", "FLAGSA", "GEAR"};
    const char* names[] = {"scaled", "lookup", "raw", "dtc", "flags", "enum"};
    for (int i = 0; i < 6; ++i) {
        select(codes[i]);
        if (i == 2) {
            QSignalBlocker block(page->pcTypes);
            page->pcTypes->setCurrentIndex(2);
        }
        EXPECT_TRUE(editor->grab().save(
            QString::fromStdString(std::string("/tmp/quorvin-edit-attr-") + names[i] + ".png")));
    }
}
