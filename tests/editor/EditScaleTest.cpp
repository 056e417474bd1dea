#include "editor/EditScale.h"

#include "common/IniFile.h"

#include "editor/DBIniGrid.h"
#include "editor/DisplayScale.h"
#include "editor/EditorFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSplitter>
#include <QTest>
#include <QTreeWidget>

namespace {

struct ScaleRig {
    TSampleVehicle S;
    TTable& Cat = S.V().ScaleCodes;
    std::unique_ptr<TfEditScale> W;
    ScaleRig() {
        Cat.Append();
        Cat.SetAsString("SCode", "TEMP");
        Cat.SetAsFloat("Factor", 0.75);
        Cat.SetAsFloat("Offset", -40);
        Cat.Post();
        Cat.First();
        W = std::make_unique<TfEditScale>(S.V(), nullptr, S.Ini);
        W->ShowDisplay = [](TfDisplayScale&) {};
        W->show();
    }
    void Type(QLineEdit* e, const QString& text) {
        e->selectAll();
        QTest::keyClicks(e, text);
    }
};

} // namespace

TEST(EditScale, InsertGivesTheDefaults) {
    ScaleRig r;
    r.W->navScales->Click(nbInsert);
    ASSERT_EQ(r.Cat.State(), TTableState::dsInsert);
    EXPECT_EQ(r.W->edFactor->text(), "1");
    EXPECT_EQ(r.W->edOffset->text(), "0");
    for (QCheckBox* c : {r.W->cbReverse, r.W->cbInvert, r.W->cbSigned, r.W->cbHex}) {
        EXPECT_FALSE(c->isChecked());
    }
    r.Type(r.W->edSCode, "NEW");
    r.W->navScales->Click(nbPost);
    EXPECT_EQ(r.Cat.RecordCount(), 2);
    EXPECT_TRUE(r.Cat.Locate("SCode", "NEW"));
    EXPECT_DOUBLE_EQ(r.Cat.AsFloat("Factor"), 1);
    EXPECT_FALSE(r.Cat.AsBool("Signed"));
}

TEST(EditScale, RangeButtons) {
    struct Case {
        const char* factor;
        bool isSigned;
        bool sixteen;
        bool display;
        const char* min;
        const char* max;
    } cases[] = {
        {"1", false, false, false, "0", "255"},      {"1", true, false, false, "-128", "127"},
        {"1", true, true, false, "-32768", "32767"}, {"-1", false, false, false, "0", "-255"},
        {"0.5", false, false, true, "-40", "87.5"},
    };
    for (const Case& c : cases) {
        ScaleRig r;
        r.Type(r.W->edFactor, c.factor);
        r.Type(r.W->edOffset, c.display ? "-40" : "0");
        if (c.isSigned) {
            QTest::mouseClick(r.W->cbSigned, Qt::LeftButton);
        }
        QPushButton* b = c.display ? (c.sixteen ? r.W->btnDisplay16 : r.W->btnDisplay8)
                                   : (c.sixteen ? r.W->btnAlarm16 : r.W->btnAlarm8);
        b->click();
        const std::string prefix = c.display ? "Display" : "Alarm";
        EXPECT_EQ(r.Cat.AsString(prefix + "Min"), c.min) << c.factor;
        EXPECT_EQ(r.Cat.AsString(prefix + "Max"), c.max) << c.factor;
        QLineEdit* lo = c.display ? r.W->edDisplayMin : r.W->edAlarmMin;
        EXPECT_EQ(lo->text().toStdString(), c.min);
        ASSERT_TRUE(r.W->CommitEdits());
        EXPECT_TRUE(r.Cat.Locate("SCode", "TEMP"));
        EXPECT_EQ(r.Cat.AsString("Factor"), c.factor);
    }
}

TEST(EditScale, ConversionTablesFollowTheFieldsShown) {
    ScaleRig r;
    QTreeWidget* list = r.W->DisplayScale().lvScale;
    r.W->btnOutput->click();
    EXPECT_EQ(list->headerItem()->text(2), "Converted");
    ASSERT_EQ(list->topLevelItemCount(), 513);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "$0000");
    EXPECT_EQ(list->topLevelItem(0)->text(2), "-40.000"); // TEMP: 0.75 x N - 40
    EXPECT_EQ(list->topLevelItem(256)->text(0), "skip...");
    EXPECT_EQ(list->topLevelItem(512)->text(0), "$FFFF");

    r.Type(r.W->edFactor, "0.5");
    r.Type(r.W->edOffset, "10");
    r.W->btnInput->click();
    EXPECT_EQ(list->headerItem()->text(2), "Input");
    ASSERT_EQ(list->topLevelItemCount(), 256);
    EXPECT_EQ(list->topLevelItem(0)->text(2), "-20.0");
    EXPECT_EQ(list->topLevelItem(255)->text(2), "490.0");
}

TEST(EditScale, CancelKeepsWhatWasTypedAndRemembersTheListWidth) {
    TSampleVehicle s;
    TTable& cat = s.V().ScaleCodes;
    cat.Append();
    cat.SetAsString("SCode", "A");
    cat.Post();
    {
        TfEditScale w(s.V(), nullptr, s.Ini);
        w.show();
        w.splitter->setSizes({210, 500});
        w.edSDesc->selectAll();
        QTest::keyClicks(w.edSDesc, "typed");
        w.btnCancel->click();
        EXPECT_EQ(w.result(), QDialog::Rejected);
    }
    EXPECT_FALSE(cat.Editing());
    EXPECT_EQ(cat.AsString("SDesc"), "typed");
    EXPECT_EQ(TIniFile(s.Ini).ReadInteger("fEditScale", "ScaleSplit", 0), 210);
    TfEditScale again(s.V(), nullptr, s.Ini);
    again.show();
    EXPECT_EQ(again.splitter->sizes().value(0), 210);
}

TEST(EditScale, RefusedNumberKeepsTheWindowOpen) {
    ScaleRig r;
    r.Type(r.W->edFactor, "abc");
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        r.W->btnOk->click();
        EXPECT_EQ(ok.Count, 1);
    }
    EXPECT_TRUE(r.W->isVisible());
    EXPECT_EQ(r.W->edFactor->text(), "abc"); // nothing typed is dropped
    r.Type(r.W->edFactor, "2");
    r.W->btnOk->click();
    EXPECT_FALSE(r.W->isVisible());
    EXPECT_EQ(r.W->result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(r.Cat.AsFloat("Factor"), 2);
}

TEST(EditScale, Screenshot) {
    ScaleRig r;
    r.W->resize(720, 460);
    EXPECT_TRUE(r.W->grab().save("/tmp/quorvin-edit-scale.png"));
    r.W->btnOutput->click();
    r.W->DisplayScale().resize(300, 420);
    r.W->DisplayScale().show();
    EXPECT_TRUE(r.W->DisplayScale().grab().save("/tmp/quorvin-display-scale.png"));
}
