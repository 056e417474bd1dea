// The vehicle page: chatter tab and controls, chatter frames through the frame editor, the
// picture, timings with their help, macro item lists and the date.
#include "editor/edV.h"

#include "EditorFixture.h"
#include "editor/DBIniGrid.h"
#include "editor/EditFrame.h"
#include "editor/EditVehicle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace {

class edV : public testing::Test {
protected:
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    TframeEdV page{v, nullptr};
    void SetUp() override {
        page.show();
        page.Refresh();
    }
    bool chatterTabVisible() { return page.pcVehicle->isTabVisible(1); }
};

TEST_F(edV, ChatterTabFollowsTheBaud) {
    EXPECT_EQ(page.cbALDL->currentText(), "8192");
    EXPECT_TRUE(chatterTabVisible());
    page.cbALDL->setCurrentIndex(0);
    emit page.cbALDL->activated(0);
    EXPECT_FALSE(chatterTabVisible());
    EXPECT_EQ(v.Vehicles->AsString("ALDL"), "160-808");
    page.cbALDL->setCurrentIndex(2);
    emit page.cbALDL->activated(2);
    EXPECT_TRUE(chatterTabVisible());
}

TEST_F(edV, ChatterBoxEnablesTheFramesButNotTheReplies) {
    EXPECT_TRUE(page.cbChatter->isChecked());
    EXPECT_TRUE(page.edHeartBeat->isEnabled());
    page.cbChatter->click();
    EXPECT_FALSE(v.Vehicles->AsBool("Chatter"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{page.edHeartBeat, page.edSuspend, page.edResume,
                                         page.btnHeartBeat, page.btnSuspend, page.btnResume}) {
        EXPECT_FALSE(w->isEnabled());
    }
    EXPECT_TRUE(page.cbSuspendReply->isEnabled());
    EXPECT_TRUE(page.cbResumeReply->isEnabled());
}

TEST_F(edV, AnEmptyFrameOpensWithTheDefaultAndCancelLeavesIt) {
    v.Vehicles->Edit();
    v.Vehicles->SetAsString("Suspend", "");
    v.Vehicles->Post();
    v.Changed = false;
    page.Refresh();
    std::string shown;
    page.RunFrameEditor = [&](TfEditFrame& editor) {
        shown = editor.Result();
        return false;
    };
    page.btnSuspend->click();
    EXPECT_EQ(shown, "$F1,$56,$08,$B1");
    EXPECT_EQ(v.Vehicles->AsString("Suspend"), "");
    EXPECT_FALSE(v.Vehicles->Editing());

    page.RunFrameEditor = [&](TfEditFrame& editor) {
        editor.edParams->setText("$00");
        return true;
    };
    page.btnSuspend->click();
    EXPECT_EQ(v.Vehicles->AsString("Suspend"), "$F1,$57,$08,$00,$B0");
    EXPECT_EQ(page.edSuspend->text(), "$F1,$57,$08,$00,$B0");
    EXPECT_TRUE(page.CommitEdits());
    EXPECT_TRUE(v.Changed);
}

TEST_F(edV, AStoredFrameIsGivenToTheEditor) {
    std::string shown;
    page.RunFrameEditor = [&](TfEditFrame& editor) {
        shown = editor.Result();
        return false;
    };
    page.btnSuspend->click();
    EXPECT_EQ(shown, "$F4,$56,$08,$AE");
    EXPECT_EQ(TframeEdV::DefaultFrame("HeartBeat"), "$08,$55,$A3");
    EXPECT_EQ(TframeEdV::DefaultFrame("Resume"), "$F1,$56,$09,$B0");
}

TEST_F(edV, PictureFromTheVehicleFolder) {
    SetVehicleDir(sample.Dir.Path().string());
    page.edVCode->setText("VT");
    emit page.edVCode->textEdited("VT");
    EXPECT_EQ(page.imgVehicle->text().toStdString(),
              "(" + sample.Dir.File("VT") + ".bmp not available)");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    ASSERT_TRUE(image.save(QString::fromStdString(sample.Dir.File("VT.bmp")), "BMP"));
    page.RefreshPicture();
    EXPECT_EQ(page.imgVehicle->text(), "");
    EXPECT_FALSE(page.imgVehicle->pixmap().isNull());
}

TEST_F(edV, HelpTextsAndBack) {
    page.btnInfo[3]->click();
    EXPECT_EQ(page.timingStack->currentIndex(), 1);
    EXPECT_TRUE(page.mmHelp->toPlainText().startsWith("T4: Request delay\n\nT4 Specifies"));
    page.btnBack->click();
    EXPECT_EQ(page.timingStack->currentIndex(), 0);
    EXPECT_EQ(TframeEdV::HelpText(5).substr(0, 24), "T5: Write/Read delay\r\n\r\n");
    EXPECT_EQ(page.btnInfo[0]->toolTip(), "More information about T1");
}

TEST_F(edV, TimingsMustBeWholeNumbers) {
    page.edT[5]->selectAll();
    QTest::keyClicks(page.edT[5], "7.5.1");
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        EXPECT_FALSE(page.CommitEdits());
        EXPECT_EQ(ok.Count, 1);
    }
    EXPECT_EQ(page.edT[5]->text(), "7.5.1");
    page.edT[5]->selectAll();
    QTest::keyClicks(page.edT[5], "75");
    EXPECT_TRUE(page.CommitEdits());
    EXPECT_EQ(v.Vehicles->AsInteger("T6"), 75);
}

TEST_F(edV, MacroItemListsComeFromTheModules) {
    auto modules = page.ModuleCodes();
    EXPECT_EQ(modules, (std::vector<std::string>{"ECM", "ECM-CLR"}));
    ASSERT_TRUE(v.Macros->Locate("MacCode", "Clear codes"));
    ASSERT_FALSE(v.Items->IsEmpty());
    v.Items->Edit();
    v.Items->SetAsString("MCode", "ECM-CLR");
    auto requests = page.RequestCodes();
    EXPECT_EQ(requests, std::vector<std::string>{"CLEAR"});
    v.Items->SetAsString("MCode", "NOSUCH");
    EXPECT_TRUE(page.RequestCodes().empty());
    v.Items->Cancel();
}

TEST_F(edV, MacroNavigatorInsertsAnEmptyMacro) {
    int before = v.Macros->RecordCount();
    page.navMacros->Click(nbInsert);
    EXPECT_EQ(v.Macros->State(), TTableState::dsInsert);
    EXPECT_TRUE(page.edMacCode->isEnabled());
    EXPECT_EQ(page.edMacCode->text(), "");
    QTest::keyClicks(page.edMacCode, "Idle");
    EXPECT_TRUE(page.CommitEdits());
    EXPECT_EQ(v.Macros->RecordCount(), before + 1);
    EXPECT_TRUE(v.Macros->Locate("MacCode", "Idle"));
}

TEST_F(edV, ChoosingADateWritesIt) {
    page.dtDate->setDate(QDate(2024, 2, 29));
    EXPECT_EQ(v.Vehicles->AsString("Date"), "2024-02-29");
    EXPECT_TRUE(page.CommitEdits());
    page.Refresh();
    EXPECT_EQ(page.dtDate->date(), QDate(2024, 2, 29));
}

TEST_F(edV, RefreshPutsNothingIntoEdit) {
    v.Changed = false;
    for (int i = 0; i < 3; ++i)
        page.Refresh();
    EXPECT_FALSE(v.Vehicles->Editing());
    EXPECT_FALSE(v.Macros->Editing());
    EXPECT_FALSE(v.Changed);
}

// The macro items grid in the active editor window, driven by clicks and keys.
class edVInput : public testing::Test {
protected:
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    TfEditVehicle editor{v, nullptr, sample.Ini};
    TframeEdV* page = static_cast<TframeEdV*>(editor.frameEdV);

    void SetUp() override {
        editor.resize(1000, 700);
        ASSERT_TRUE(ShowActive(editor));
        QTabBar* tabs = page->pcVehicle->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(3).center());
        ASSERT_EQ(page->pcVehicle->currentIndex(), 3);
        // "Clear codes" has two items: ECM-CLR CLEAR, then ECM ALDL-0.
        ClickCell(page->dbgMacros, 0, 0);
        ASSERT_EQ(v.Macros->AsString("MacCode"), "Clear codes");
        ASSERT_EQ(page->dbgItems->model()->rowCount(), 2);
    }
};

TEST_F(edVInput, TheSecondItemIsEditedWhereItWasClicked) {
    ClickCell(page->dbgItems, 1, 3);
    EXPECT_EQ(page->dbgItems->currentIndex().row(), 1);
    EXPECT_EQ(v.Items->RecNo(), 1);
    ASSERT_TRUE(HasFocusIn(page->dbgItems));
    Retype("4");
    Press(Qt::Key_Up);
    EXPECT_EQ(page->dbgItems->currentIndex().row(), 0);
    EXPECT_EQ(page->dbgItems->currentIndex().column(), 3);
    EXPECT_EQ(CellText(page->dbgItems, 1, 3), "4");
    ASSERT_TRUE(v.Items->Locate("Seq", TValue(int32_t(2))));
    EXPECT_EQ(v.Items->AsInteger("Iters"), 4);
    // The second item can be deleted.
    ClickCell(page->dbgItems, 1, 0);
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        QTest::mouseClick(page->navItems->Button(nbDelete), Qt::LeftButton);
        EXPECT_EQ(yes.Count, 1);
    }
    ASSERT_EQ(v.Items->RecordCount(), 1);
    v.Items->First();
    EXPECT_EQ(v.Items->AsString("MCode"), "ECM-CLR");
}

TEST_F(edVInput, ModuleAndRequestCellsOfferTheVehiclesLists) {
    ClickCell(page->dbgItems, 1, 1);
    auto* module = qobject_cast<QComboBox*>(Focused() ? Focused()->parentWidget() : nullptr);
    if (!module)
        module = qobject_cast<QComboBox*>(Focused());
    ASSERT_NE(module, nullptr) << "the Module cell edits with a drop-down list";
    EXPECT_TRUE(module->isEditable());
    QStringList items;
    for (int i = 0; i < module->count(); ++i)
        items << module->itemText(i);
    EXPECT_EQ(items, (QStringList{"ECM", "ECM-CLR"}));
    EXPECT_EQ(module->currentText(), "ECM");
    EXPECT_EQ(module->toolTip(), "Module to which this macro item will be sent");
    Retype("ECM-CLR");
    Press(Qt::Key_Tab);
    EXPECT_EQ(CellText(page->dbgItems, 1, 1), "ECM-CLR");
    EXPECT_EQ(page->dbgItems->currentIndex().column(), 2);
    auto* request = qobject_cast<QComboBox*>(Focused() ? Focused()->parentWidget() : nullptr);
    if (!request)
        request = qobject_cast<QComboBox*>(Focused());
    ASSERT_NE(request, nullptr) << "the Request cell edits with a drop-down list";
    EXPECT_TRUE(request->isEditable());
    ASSERT_EQ(request->count(), 1);
    EXPECT_EQ(request->itemText(0), "CLEAR");
    EXPECT_EQ(request->toolTip(), "Requests that will be sent to the module");
    Retype("CLEAR");
    Press(Qt::Key_Tab);
    EXPECT_EQ(CellText(page->dbgItems, 1, 2), "CLEAR");
    const char* hints[] = {
        "Execution sequence number of macro item", "Module to which this macro item will be sent",
        "Requests that will be sent to the module", "Number of times to send the request"};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(page->dbgItems->model()->index(0, c).data(Qt::ToolTipRole).toString(), hints[c]);
    }
    ASSERT_TRUE(page->CommitEdits());
    ASSERT_TRUE(v.Items->Locate("Seq", TValue(int32_t(2))));
    EXPECT_EQ(v.Items->AsString("MCode"), "ECM-CLR");
    EXPECT_EQ(v.Items->AsString("RCode"), "CLEAR");
}

} // namespace
