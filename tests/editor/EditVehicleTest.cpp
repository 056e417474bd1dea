// The vehicle editor window on a copy of the sample vehicle: the tree, browsing without changes,
// adding and deleting at each level with the defaults of new records, node texts after edits,
// settings in the ini file and closing with edits still pending.
#include "editor/EditVehicle.h"

#include "EditorFixture.h"
#include "common/IniFile.h"
#include "editor/EditorPage.h"
#include "editor/edM.h"
#include "editor/edR.h"
#include "editor/edV.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace {

class EditVehicle : public testing::Test {
protected:
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    std::unique_ptr<TfEditVehicle> editor;

    void open() {
        editor = std::make_unique<TfEditVehicle>(v, nullptr, sample.Ini);
        editor->Confirm = [this](const std::string& q) {
            questions.push_back(q);
            return answer;
        };
        v.Changed = false;
        editor->show();
    }
    QTreeWidgetItem* root() { return editor->tvVehicle->topLevelItem(0); }
    QTreeWidgetItem* find(const QString& prefix) {
        auto items = editor->tvVehicle->findItems(prefix, Qt::MatchStartsWith | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.front();
    }
    QTreeWidgetItem* current() { return editor->tvVehicle->currentItem(); }
    QTreeWidgetItem* ecm() { return find("ECM: "); }
    QTreeWidgetItem* ecmClr() { return find("ECM-CLR: "); }
    std::vector<std::string> questions;
    bool answer = true;
};

TEST_F(EditVehicle, TreeShowsTheDefinitionWithItsTexts) {
    open();
    ASSERT_EQ(editor->tvVehicle->topLevelItemCount(), 1);
    EXPECT_EQ(root()->text(0), "SIM-V8: Simulated 5.0 V8 port injection engine");
    ASSERT_EQ(root()->childCount(), 2);
    // Sorted by text: "-" comes before ":".
    EXPECT_EQ(root()->child(0)->text(0), "ECM-CLR: ($0A) Clear diagnostic trouble codes");
    EXPECT_EQ(root()->child(1)->text(0), "ECM: ($01) Request ALDL data frame");
    QTreeWidgetItem* request = ecm()->child(0);
    ASSERT_NE(request, nullptr);
    EXPECT_TRUE(request->text(0).startsWith("ALDL-0: "));
    ASSERT_GT(request->childCount(), 3);
    EXPECT_EQ(request->child(0)->text(0).left(9), " 2. 0-15 ");
    // The tree is sorted by text at every level.
    for (int i = 1; i < request->childCount(); ++i) {
        EXPECT_LE(request->child(i - 1)->text(0), request->child(i)->text(0));
    }
    EXPECT_EQ(current(), root());
    EXPECT_EQ(editor->CurrentPage(), editor->frameEdV);
    EXPECT_TRUE(editor->btnDelete->isEnabled());
    EXPECT_TRUE(editor->btnDelSub->isEnabled());
    EXPECT_EQ(editor->windowTitle(), "Edit vehicle data stream definitions");
}

TEST_F(EditVehicle, PositionTextOfAnAttribute) {
    open();
    QTreeWidgetItem* request = ecm()->child(0);
    editor->tvVehicle->setCurrentItem(request->child(0));
    v.Attrs->Edit();
    v.Attrs->SetAsFloat("Start", 12.3);
    v.Attrs->SetAsInteger("Bits", 8);
    v.Attrs->Post();
    EXPECT_EQ(editor->NodeText(3).substr(0, 9), "12. 3-10 ");
    v.Attrs->Edit();
    v.Attrs->SetAsFloat("Start", 3.0);
    v.Attrs->SetAsInteger("Bits", 16);
    EXPECT_EQ(editor->NodeText(3).substr(0, 9), " 3. 0-15 ");
    v.Attrs->Cancel();
}

TEST_F(EditVehicle, BrowsingEveryNodeChangesNothing) {
    open();
    const std::string before = TempDir::Read(sample.File);
    std::vector<QTreeWidgetItem*> nodes;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* n) {
        nodes.push_back(n);
        for (int i = 0; i < n->childCount(); ++i)
            walk(n->child(i));
    };
    walk(root());
    int pages[4] = {};
    for (QTreeWidgetItem* n : nodes) {
        editor->tvVehicle->setCurrentItem(n);
        TEditorPage* page = editor->CurrentPage();
        ASSERT_NE(page, nullptr);
        TEditorPage* expected[] = {editor->frameEdV, editor->frameEdM, editor->frameEdR,
                                   editor->frameEdA};
        int level = 0;
        for (auto* p = n->parent(); p; p = p->parent())
            ++level;
        EXPECT_EQ(page, expected[level]);
        ++pages[level];
        for (TTable* t : {&*v.Vehicles, &*v.Modules, &*v.Requests, &*v.Attrs, &*v.AScale,
                          &*v.RScale, &*v.Macros, &*v.Items}) {
            EXPECT_FALSE(t->Editing()) << t->TableName() << " at " << n->text(0).toStdString();
        }
    }
    EXPECT_GT(pages[3], 0);
    editor->accept();
    EXPECT_FALSE(v.Changed);
    EXPECT_FALSE(v.Dirty);
}

TEST_F(EditVehicle, SelectingANodeMakesItsRecordsCurrent) {
    open();
    QTreeWidgetItem* module = ecmClr();
    editor->tvVehicle->setCurrentItem(module);
    EXPECT_EQ(v.Modules->AsString("MCode"), "ECM-CLR");
    QTreeWidgetItem* attr = ecm()->child(0)->child(2);
    editor->tvVehicle->setCurrentItem(attr);
    EXPECT_EQ(v.Modules->AsString("MCode"), "ECM");
    EXPECT_EQ(attr->text(0).toStdString(), editor->NodeText(3));
    EXPECT_FALSE(editor->btnDelSub->isEnabled());
}

TEST_F(EditVehicle, AddAtEachLevelUsesTheDefaults) {
    open();
    editor->tvVehicle->setCurrentItem(root());
    editor->btnAdd->click();
    EXPECT_EQ(v.Modules->AsString("MCode"), "New");
    EXPECT_EQ(v.Modules->AsString("ModeByte"), "$00");
    EXPECT_EQ(v.Modules->AsString("MDesc"), "Module");
    EXPECT_FALSE(v.Modules->AsBool("Listen"));
    EXPECT_EQ(current()->text(0), "New: ($00) Normal communications");
    EXPECT_EQ(current()->parent(), root());
    EXPECT_EQ(editor->CurrentPage(), editor->frameEdM);

    editor->btnAdd->click();
    EXPECT_EQ(v.Requests->AsString("RCode"), "New");
    EXPECT_EQ(v.Requests->AsString("RDesc"), "Request");
    EXPECT_TRUE(v.Requests->AsBool("Reply"));
    EXPECT_FALSE(v.Requests->AsBool("ProcReply"));
    EXPECT_EQ(current()->text(0), "New: Request");
    QTreeWidgetItem* request = current();

    editor->btnAdd->click(); // empty request: Start 1, B1
    EXPECT_DOUBLE_EQ(v.Attrs->AsFloat("Start"), 1.0);
    EXPECT_EQ(v.Attrs->AsString("ACode"), "B1");
    EXPECT_EQ(v.Attrs->AsString("ADesc"), "Attribute");
    EXPECT_EQ(v.Attrs->AsInteger("Bits"), 8);
    EXPECT_EQ(v.Attrs->AsInteger("AType"), 0);
    EXPECT_TRUE(v.Attrs->AsBool("Visible"));
    EXPECT_EQ(v.Attrs->AsString("DashFmt"), "0");
    ASSERT_EQ(v.AScale->RecordCount(), 1);
    EXPECT_DOUBLE_EQ(v.AScale->AsFloat("Factor"), 1);
    EXPECT_DOUBLE_EQ(v.AScale->AsFloat("Offset"), 0);
    EXPECT_DOUBLE_EQ(v.AScale->AsFloat("DisplayMin"), 0);
    EXPECT_DOUBLE_EQ(v.AScale->AsFloat("DisplayMax"), 255);
    EXPECT_DOUBLE_EQ(v.AScale->AsFloat("AlarmMax"), 255);
    EXPECT_FALSE(v.AScale->AsBool("Signed"));
    EXPECT_EQ(current()->text(0), " 1. 0- 7 B1: Attribute");
    EXPECT_EQ(editor->CurrentPage(), editor->frameEdA);

    // With an attribute selected the new one goes under the same request, after the last.
    v.Attrs->Edit();
    v.Attrs->SetAsFloat("Start", 12.3);
    v.Attrs->Post();
    editor->btnAdd->click();
    EXPECT_DOUBLE_EQ(v.Attrs->AsFloat("Start"), 13.3);
    EXPECT_EQ(v.Attrs->AsString("ACode"), "B13.3");
    EXPECT_EQ(current()->parent(), request);
    EXPECT_EQ(request->childCount(), 2);
    EXPECT_TRUE(v.Changed);
    EXPECT_TRUE(questions.empty());
}

TEST_F(EditVehicle, DelItemConfirmsAndDeletesWithSubitems) {
    open();
    QTreeWidgetItem* module = ecm();
    editor->tvVehicle->setCurrentItem(module);
    answer = false;
    editor->btnDelete->click();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0],
              "Delete module: \"ECM: ($01) Request ALDL data frame\" and its subitems?");
    EXPECT_EQ(v.Modules->RecordCount(), 2);
    EXPECT_FALSE(v.Changed);

    answer = true;
    editor->btnDelete->click();
    EXPECT_EQ(v.Modules->RecordCount(), 1);
    EXPECT_EQ(root()->childCount(), 1);
    EXPECT_TRUE(v.Dirty);
    EXPECT_EQ(v.FileName, TVehicle::NormaliseFileName(sample.File));

    QTreeWidgetItem* attr =
        find("ECM-CLR")->child(0)->childCount() > 0 ? find("ECM-CLR")->child(0)->child(0) : nullptr;
    if (attr) {
        editor->tvVehicle->setCurrentItem(attr);
        editor->btnDelete->click();
        EXPECT_EQ(questions.back(), "Delete attribute: \"" + attr->text(0).toStdString() + "\"?");
    }
}

TEST_F(EditVehicle, DeletingTheOnlyVehicleStartsANewOne) {
    open();
    editor->btnDelete->click();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Delete vehicle: \"SIM-V8: Simulated 5.0 V8 port injection engine\" "
                            "and its subitems?");
    EXPECT_TRUE(v.FileName.empty());
    ASSERT_EQ(v.Vehicles->RecordCount(), 1);
    EXPECT_EQ(v.Vehicles->AsString("VCode"), "New");
    EXPECT_EQ(v.Vehicles->AsString("VDesc"), "Vehicle");
    EXPECT_EQ(v.Macros->RecordCount(), 0);
    EXPECT_EQ(root()->text(0), "New: Vehicle");
    EXPECT_EQ(root()->childCount(), 0);
    EXPECT_EQ(editor->CurrentPage(), editor->frameEdV);
}

TEST_F(EditVehicle, DelSubitemsOfTheVehicleKeepsTheMacros) {
    open();
    int macros = v.Macros->RecordCount();
    ASSERT_GT(macros, 0);
    editor->btnDelSub->click();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Delete all subitems of vehicle: \"SIM-V8: Simulated 5.0 V8 port "
                            "injection engine\"?");
    EXPECT_EQ(v.Modules->RecordCount(), 0);
    EXPECT_EQ(v.Macros->RecordCount(), macros);
    EXPECT_EQ(root()->childCount(), 0);
    EXPECT_FALSE(editor->btnDelSub->isEnabled());
    editor->btnDelSub->click(); // nothing left: asks again but deletes nothing
    EXPECT_EQ(v.Macros->RecordCount(), macros);
}

TEST_F(EditVehicle, DelSubitemsOfARequestAndNothingForAnAttribute) {
    open();
    QTreeWidgetItem* request = ecm()->child(0);
    editor->tvVehicle->setCurrentItem(request->child(0));
    editor->btnDelSub->click();
    EXPECT_TRUE(questions.empty());
    editor->tvVehicle->setCurrentItem(request);
    answer = false;
    editor->btnDelSub->click();
    EXPECT_GT(v.Attrs->RecordCount(), 0);
    answer = true;
    editor->btnDelSub->click();
    EXPECT_EQ(v.Attrs->RecordCount(), 0);
    EXPECT_EQ(request->childCount(), 0);
}

TEST(EditVehicleEmpty, OpeningWithNoVehicleCreatesOne) {
    TSampleVehicle sample(false);
    TVehicle& v = sample.V();
    TfEditVehicle editor(v, nullptr, sample.Ini);
    editor.show();
    ASSERT_EQ(v.Vehicles->RecordCount(), 1);
    EXPECT_EQ(v.Vehicles->AsString("VCode"), "New");
    EXPECT_EQ(v.Vehicles->AsInteger("T3"), 100);
    EXPECT_EQ(v.Vehicles->AsInteger("T5"), 10);
    EXPECT_EQ(v.Vehicles->AsInteger("T6"), 50);
    EXPECT_EQ(v.Vehicles->AsInteger("T1"), 0);
    EXPECT_FALSE(v.Vehicles->AsBool("SuspendReply"));
    EXPECT_EQ(editor.tvVehicle->topLevelItemCount(), 1);
    EXPECT_TRUE(editor.btnDelete->isEnabled());
}

TEST_F(EditVehicle, TypingACodeRewritesTheNodeAndSortsTheTree) {
    open();
    editor->tvVehicle->setCurrentItem(ecmClr());
    auto* page = static_cast<TframeEdM*>(editor->frameEdM);
    page->edMCode->selectAll();
    QTest::keyClicks(page->edMCode, "AAA");
    EXPECT_EQ(current()->text(0), "AAA: ($0A) Clear diagnostic trouble codes");
    EXPECT_EQ(root()->child(0), current()); // sorted first still
    page->cbMode->setCurrentIndex(0);
    emit page->cbMode->activated(0);
    EXPECT_EQ(current()->text(0), "AAA: No mode byte");
    // Moving to another node posts the edit.
    editor->tvVehicle->setCurrentItem(root());
    EXPECT_FALSE(v.Modules->Editing());
    EXPECT_TRUE(v.Changed);
    ASSERT_TRUE(v.Modules->Locate("MCode", "AAA"));
    EXPECT_EQ(v.Modules->AsString("ModeByte"), "");
}

TEST_F(EditVehicle, ClosingPostsWhatWasTyped) {
    open();
    auto* page = static_cast<TframeEdV*>(editor->frameEdV);
    page->edVDesc->selectAll();
    QTest::keyClicks(page->edVDesc, "Edited");
    EXPECT_TRUE(v.Vehicles->Editing());
    EXPECT_EQ(root()->text(0), "SIM-V8: Edited");
    editor->accept();
    EXPECT_FALSE(v.Vehicles->Editing());
    EXPECT_TRUE(v.Changed);
    EXPECT_EQ(v.Vehicles->AsString("VDesc"), "Edited");
}

TEST_F(EditVehicle, ARefusedValueKeepsTheWindowOpenAndTheText) {
    open();
    auto* page = static_cast<TframeEdV*>(editor->frameEdV);
    page->edT[0]->selectAll();
    QTest::keyClicks(page->edT[0], "12x");
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        editor->accept();
        QTest::qWait(50);
        EXPECT_EQ(ok.Count, 1);
        EXPECT_TRUE(ok.Text.contains("T1")) << ok.Text.toStdString();
    }
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(page->edT[0]->text(), "12x");
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        editor->tvVehicle->setCurrentItem(root()->child(0)); // refused as well: stays
        EXPECT_EQ(current(), root());
    }
    page->edT[0]->selectAll();
    QTest::keyClicks(page->edT[0], "25");
    editor->accept();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(v.Vehicles->AsInteger("T1"), 25);
}

TEST_F(EditVehicle, SettingsAreKeptInTheIniFile) {
    {
        TIniFile ini(sample.Ini);
        ini.WriteInteger("fEditVehicle", "tvSplit", 250);
        ini.WriteInteger("fEditVehicle", "macroSplit", 140);
        ini.UpdateFile();
    }
    open();
    EXPECT_EQ(editor->splitter->sizes().value(0), 250);
    editor->splitter->setSizes({230, 600});
    editor.reset();
    TIniFile ini(sample.Ini);
    EXPECT_EQ(ini.ReadInteger("fEditVehicle", "tvSplit", 0), 230);
    EXPECT_EQ(ini.ReadInteger("fEditVehicle", "macroSplit", 0), 140);
    EXPECT_TRUE(ini.ValueExists("fEditVehicle", "Width"));
    EXPECT_TRUE(ini.ValueExists("ColumnWidths", "frameEdV.dbgMacros"));
}

// Every record of a table and its nested tables as text, in order (without moving a cursor).
void dumpRecords(const TTableDef& def, const TRecordList& list, std::string& out) {
    for (const auto& r : list) {
        out += def.Name + "(";
        for (size_t f = 0; f < def.Fields.size(); ++f) {
            const TFieldDef& field = def.Fields[f];
            if (field.DataType == TFieldType::ftNested) {
                dumpRecords(*field.Child, r->Children[field.NestedSlot], out);
            } else {
                out += field.Name + "=" + TTable::ValueText(r->Values[f], field.DataType) + ";";
            }
        }
        out += ")";
    }
}
std::string dumpVehicle(TVehicle& v) {
    TTable& t = v.Vehicles;
    std::string out;
    for (int i = 0; i < t.RecordCount(); ++i) {
        const TRecord* r = t.RecordAt(i);
        out += "V(";
        for (size_t f = 0; f < t.Def().Fields.size(); ++f) {
            const TFieldDef& field = t.Def().Fields[f];
            if (field.DataType == TFieldType::ftNested) {
                dumpRecords(*field.Child, r->Children[field.NestedSlot], out);
            } else {
                out += field.Name + "=" + TTable::ValueText(r->Values[f], field.DataType) + ";";
            }
        }
        out += ")";
    }
    return out;
}

// Undo, redo and cancel in the active window, by keys and clicks.
class EditVehicleInput : public testing::Test {
protected:
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    std::unique_ptr<TfEditVehicle> editor;
    std::string original;

    void SetUp() override {
        original = dumpVehicle(v);
        editor = std::make_unique<TfEditVehicle>(v, nullptr, sample.Ini);
        v.Changed = false;
        editor->resize(1000, 700);
        ASSERT_TRUE(ShowActive(*editor));
    }
    QTreeWidgetItem* node(const char* text) {
        return NodeWith(editor->tvVehicle, QString::fromLatin1(text));
    }
    void click(QTreeWidgetItem* n) {
        ASSERT_NE(n, nullptr);
        ClickNode(editor->tvVehicle, n);
        ASSERT_EQ(editor->tvVehicle->currentItem(), n);
    }
    TframeEdM* modulePage() { return static_cast<TframeEdM*>(editor->frameEdM); }
    void undo() { Press(Qt::Key_Z, Qt::ControlModifier); }
    void redo() { Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }
};

TEST_F(EditVehicleInput, UndoAndRedoFieldEditsAddsAndDeletes) {
    click(node("ECM-CLR: "));
    QTest::mouseClick(modulePage()->edMCode, Qt::LeftButton);
    Retype("AAA");
    click(editor->tvVehicle->topLevelItem(0)); // posts the edit
    ASSERT_TRUE(v.Modules->Locate("MCode", "AAA"));
    undo();
    EXPECT_NE(node("ECM-CLR: "), nullptr);
    EXPECT_EQ(node("AAA: "), nullptr);
    EXPECT_TRUE(v.Modules->Locate("MCode", "ECM-CLR"));
    EXPECT_FALSE(v.Modules->Locate("MCode", "AAA"));
    redo();
    EXPECT_NE(node("AAA: "), nullptr);
    EXPECT_TRUE(v.Modules->Locate("MCode", "AAA"));

    // An edit still in its field is undone as a whole, from the field.
    click(node("ECM: "));
    QTest::mouseClick(modulePage()->edMDesc, Qt::LeftButton);
    Retype("Typed");
    undo();
    EXPECT_EQ(editor->CurrentPage(), editor->frameEdM);
    EXPECT_EQ(modulePage()->edMCode->text(), "ECM");
    EXPECT_EQ(modulePage()->edMDesc->text(), "Engine control module, data stream");
    EXPECT_EQ(v.Modules->AsString("MDesc"), "Engine control module, data stream");

    // Add and delete.
    click(editor->tvVehicle->topLevelItem(0));
    QTest::mouseClick(editor->btnAdd, Qt::LeftButton);
    ASSERT_EQ(v.Modules->RecordCount(), 3);
    undo();
    EXPECT_EQ(v.Modules->RecordCount(), 2);
    EXPECT_EQ(editor->tvVehicle->topLevelItem(0)->childCount(), 2);
    redo();
    EXPECT_EQ(v.Modules->RecordCount(), 3);
    EXPECT_NE(node("New: "), nullptr);
    click(node("ECM: "));
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        QTest::mouseClick(editor->btnDelete, Qt::LeftButton);
        EXPECT_EQ(yes.Count, 1);
    }
    ASSERT_TRUE(BackToWindow(*editor));
    EXPECT_EQ(node("ECM: "), nullptr);
    undo();
    ASSERT_NE(node("ECM: "), nullptr);
    EXPECT_GT(node("ECM: ")->child(0)->childCount(), 10); // its attributes are back
    // Undo all the way gives the definition as it was opened.
    for (int i = 0; i < 10; ++i)
        undo();
    EXPECT_TRUE(dumpVehicle(v) == original) << "the definition differs from the one opened";
    QTest::mouseClick(editor->btnOk, Qt::LeftButton);
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(EditVehicleInput, APasteIsUndoneAndRedoneAsOneStep) {
    QTreeWidgetItem* request = node("ALDL-0: ");
    click(request);
    const int before = request->childCount();
    QGuiApplication::clipboard()->setText("35.0\t8\tNEWA\tFirst\tV\t0.5\t0\r\n"
                                          "36.0\t8\tNEWB\tSecond\t\t2\t0\r\n");
    auto* page = static_cast<TframeEdR*>(editor->frameEdR);
    QTest::mouseClick(page->edRCode, Qt::LeftButton);
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        Press(Qt::Key_B, Qt::ControlModifier);
    }
    ASSERT_TRUE(BackToWindow(*editor));
    ASSERT_EQ(node("ALDL-0: ")->childCount(), before + 2);
    undo();
    EXPECT_EQ(node("ALDL-0: ")->childCount(), before);
    EXPECT_EQ(node("NEWA: "), nullptr);
    EXPECT_TRUE(dumpVehicle(v) == original);
    redo();
    EXPECT_EQ(node("ALDL-0: ")->childCount(), before + 2);
    EXPECT_NE(node("NEWB: Second"), nullptr);
    EXPECT_TRUE(editor->btnUndo->isEnabled());
    QTest::mouseClick(editor->btnUndo, Qt::LeftButton); // the button does the same
    EXPECT_EQ(node("ALDL-0: ")->childCount(), before);
    EXPECT_TRUE(editor->btnRedo->isEnabled());
}

TEST_F(EditVehicleInput, CancelAsksAndRestoresTheDefinitionAsOpened) {
    const bool dirty = v.Dirty;
    auto* vpage = static_cast<TframeEdV*>(editor->frameEdV);
    QTest::mouseClick(vpage->edVDesc, Qt::LeftButton);
    Retype("Changed description");
    click(node("ECM-CLR: "));
    QTest::mouseClick(editor->btnAdd, Qt::LeftButton); // a request
    {
        TBoxAnswerer no(QMessageBox::No);
        QTest::mouseClick(editor->btnCancel, Qt::LeftButton);
        QTest::qWait(50);
        EXPECT_EQ(no.Count, 1);
        EXPECT_EQ(no.Icon, QMessageBox::Question);
    }
    ASSERT_TRUE(BackToWindow(*editor));
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(dumpVehicle(v) == original);
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        Press(Qt::Key_Escape); // the same as Cancel
        QTest::qWait(50);
        EXPECT_EQ(yes.Count, 1);
    }
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(dumpVehicle(v) == original) << "the definition differs from the one opened";
    EXPECT_FALSE(v.Changed);
    EXPECT_EQ(v.Dirty, dirty);
    EXPECT_EQ(v.FileName, TVehicle::NormaliseFileName(sample.File));
}

TEST_F(EditVehicleInput, CancelWithoutChangesClosesAtOnce) {
    click(node("ECM: "));
    click(node("ALDL-0: "));
    TBoxAnswerer any(QMessageBox::No);
    QTest::mouseClick(editor->btnCancel, Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_EQ(any.Count, 0);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(dumpVehicle(v) == original) << "the definition differs from the one opened";
}

TEST_F(EditVehicle, Screenshots) {
    open();
    editor->resize(980, 640);
    const char* names[] = {"vehicle", "module", "request", "attribute"};
    QTreeWidgetItem* nodes[] = {root(), ecm(), ecm()->child(0), ecm()->child(0)->child(3)};
    for (int i = 0; i < 4; ++i) {
        editor->tvVehicle->setCurrentItem(nodes[i]);
        QTest::qWait(20);
        editor->grab().save(QString("/tmp/editor-%1.png").arg(names[i]));
    }
    editor->tvVehicle->setCurrentItem(root());
    auto* page = static_cast<TframeEdV*>(editor->frameEdV);
    const char* tabs[] = {"application", "chatter", "timing", "macros", "author"};
    for (int i = 0; i < 5; ++i) {
        page->pcVehicle->setCurrentIndex(i);
        QTest::qWait(20);
        editor->grab().save(QString("/tmp/editor-vehicle-%1.png").arg(tabs[i]));
    }
    page->ShowHelp(1);
    page->pcVehicle->setCurrentIndex(2);
    editor->grab().save("/tmp/editor-vehicle-help.png");
}

} // namespace
