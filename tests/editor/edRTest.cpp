// The request page inside the editor window on a copy of the sample vehicle: the frame preview,
// the scale picker, pasting attributes from the clipboard and refused numbers.
#include "editor/edR.h"

#include "EditorFixture.h"
#include "definitions/TableText.h"
#include "editor/EditVehicle.h"
#include "editor/edA.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

namespace {

class EdR : public testing::Test {
protected:
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    std::unique_ptr<TfEditVehicle> editor;
    TframeEdR* page = nullptr;
    std::vector<std::string> warnings;
    std::vector<std::string> questions;

    void SetUp() override {
        editor = std::make_unique<TfEditVehicle>(v, nullptr, sample.Ini);
        editor->Confirm = [](const std::string&) { return true; };
        v.Changed = false;
        editor->resize(900, 620);
        editor->show();
        page = static_cast<TframeEdR*>(editor->frameEdR);
        page->Warn = [this](const std::string& m) { warnings.push_back(m); };
        page->Error = [this](const std::string& m) { warnings.push_back(m); };
        page->Ask = [this](const std::string& q) {
            questions.push_back(q);
            return true;
        };
    }
    QTreeWidgetItem* find(const QString& prefix) {
        auto items = editor->tvVehicle->findItems(prefix, Qt::MatchStartsWith | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.front();
    }
    QTreeWidgetItem* selectRequest() {
        QTreeWidgetItem* request = find("ALDL-0: ");
        editor->tvVehicle->setCurrentItem(request);
        return request;
    }
    void type(QLineEdit* e, const QString& text) {
        e->setFocus();
        e->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(e, Qt::Key_Delete);
        } else {
            QTest::keyClicks(e, text);
        }
    }
};

} // namespace

TEST_F(EdR, BrowsingShowsTheRequestWithoutChangingIt) {
    selectRequest();
    ASSERT_EQ(editor->CurrentPage(), page);
    EXPECT_EQ(page->edRCode->text(), "ALDL-0");
    EXPECT_EQ(page->edFrame->text(), "$F4,$57,$01,$00,$B4");
    EXPECT_TRUE(page->edFrame->isReadOnly());
    EXPECT_FALSE(v.Requests->Editing());
    EXPECT_FALSE(v.Changed);
}

TEST_F(EdR, FramePreviewFillsTheOverridePlaceholder) {
    ASSERT_TRUE(v.Modules->Locate("MCode", "ECM"));
    v.Modules->Edit();
    v.Modules->SetAsString("ModeByte", "$04");
    v.Modules->Post();
    selectRequest();
    type(page->edParameters, "$00,:XX");
    type(page->edOverride, "$10");
    type(page->edFactor, "1");
    type(page->edOffset, "0");
    EXPECT_EQ(page->edFrame->text(), "$F4,$58,$04,$00,$10,$A0");
    // The input scale applies to the override: 2 x 16 + 1 = $21.
    type(page->edFactor, "2");
    type(page->edOffset, "1");
    EXPECT_EQ(page->edFrame->text(), "$F4,$58,$04,$00,$21,$8F");
    ASSERT_TRUE(page->CommitEdits());
    EXPECT_EQ(v.Requests->AsString("Parameters"), "$00,:XX");
    EXPECT_DOUBLE_EQ(v.RScale->AsFloat("Factor"), 2); // typing started the request's Scale
    EXPECT_TRUE(v.Changed);
}

TEST_F(EdR, ScalePickerCopiesTheChosenScaleAndClosingPostsIt) {
    TTable& cat = v.ScaleCodes;
    cat.Append();
    cat.SetAsString("SCode", "MAP");
    cat.SetAsString("Units", "kPa");
    cat.SetAsFloat("Factor", 0.37);
    cat.SetAsFloat("Offset", 10.3);
    cat.Post();
    selectRequest();
    page->PickScale = [] { return true; };
    page->btnScale->click();
    EXPECT_EQ(page->edUnits->text(), "kPa");
    EXPECT_EQ(page->edFactor->text(), "0.37");
    EXPECT_TRUE(v.RScale->Editing());
    editor->btnOk->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(v.RScale->Editing());
    EXPECT_EQ(v.RScale->AsString("SCode"), "MAP");
    EXPECT_TRUE(v.Dirty);

    // Cancelled picker: nothing changes.
    v.Changed = false;
    editor->show();
    selectRequest();
    page->PickScale = [] { return false; };
    page->btnScale->click();
    EXPECT_FALSE(v.RScale->Editing());
    EXPECT_FALSE(v.Changed);
}

TEST_F(EdR, PastesAttributesFromTheClipboard) {
    QTreeWidgetItem* request = selectRequest();
    const int before = v.Attrs->RecordCount();
    ASSERT_TRUE(v.Attrs->Locate("ACode", "RPM"));
    const std::string rpmStart = v.Attrs->AsString("Start");
    const std::string rpmBits = v.Attrs->AsString("Bits");
    editor->tvVehicle->setCurrentItem(request);
    QGuiApplication::clipboard()->setText(QString::fromStdString(
        rpmStart + "\t" + rpmBits + "\tN\tEngine speed\trpm\t12.5\t0\r\n" +
        "40.0\t8\tSPARE\tnot used\t\t1\t0\r\n41.0\t8\tKPA\tPressure\tkPa\t1\t\r\n"));
    QTest::keyClick(page->edRCode, Qt::Key_B, Qt::ControlModifier);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], PasteQuestion);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(v.Attrs->RecordCount(), before + 2);

    ASSERT_TRUE(v.Attrs->Locate("ACode", "N"));
    EXPECT_EQ(v.Attrs->AsString("Start"), rpmStart);
    EXPECT_EQ(v.Attrs->AsInteger("AType"), atScaled);
    EXPECT_EQ(v.AScale->AsString("Units"), "rpm");
    EXPECT_DOUBLE_EQ(v.AScale->AsFloat("DisplayMax"), 819188); // 12.5 x 65535, compact
    ASSERT_TRUE(v.Attrs->Locate("ACode", "SPARE"));
    EXPECT_FALSE(v.Attrs->AsBool("Visible"));
    EXPECT_EQ(v.Attrs->AsInteger("AType"), atRaw);
    EXPECT_DOUBLE_EQ(v.AScale->AsFloat("AlarmMax"), 255);
    ASSERT_TRUE(v.Attrs->Locate("ACode", "KPA"));
    EXPECT_EQ(v.Attrs->AsInteger("AType"), atScaled); // Factor 1 with no Offset stays scaled
    EXPECT_TRUE(v.Attrs->AsBool("Visible"));
    EXPECT_TRUE(find(QString::fromLatin1("41. 0- 7 KPA: Pressure")) != nullptr);
}

TEST_F(EdR, RefusedPastesChangeNothing) {
    selectRequest();
    const int before = v.Attrs->RecordCount();
    struct Case {
        const char* clipboard;
        std::string warning;
    } cases[] = {
        {"", ClipboardEmptyText},
        {"1\t8\tA\tB\tC\t1\t0\r\n2\t8\tA\tB\tC\t1\r\n", AttrPasteFormatText},
        {"40\t8\tA\tB\tC\t1\t0\r\n41\t8\tA\tB\tC\tone\t0\r\n",
         "Line 2: the factor \"one\" is not a number"},
    };
    for (const Case& c : cases) {
        warnings.clear();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(c.clipboard));
        page->PasteAttributes();
        ASSERT_EQ(warnings.size(), 1u) << c.clipboard;
        EXPECT_EQ(warnings[0], c.warning);
        EXPECT_EQ(v.Attrs->RecordCount(), before);
    }
    EXPECT_FALSE(v.Changed);
    // Answering No does nothing at all.
    page->Ask = [](const std::string&) { return false; };
    warnings.clear();
    page->PasteAttributes();
    EXPECT_TRUE(warnings.empty());
}

TEST_F(EdR, TypingAUnitStartsAScaleOfFactorOne) {
    QTreeWidgetItem* request = selectRequest();
    while (!v.RScale->IsEmpty()) {
        v.RScale->Delete();
    }
    editor->tvVehicle->setCurrentItem(request->parent());
    editor->tvVehicle->setCurrentItem(request);
    ASSERT_TRUE(page->edUnits->isEnabled());
    type(page->edUnits, "kPa");
    ASSERT_TRUE(page->CommitEdits());
    ASSERT_EQ(v.RScale->RecordCount(), 1);
    EXPECT_EQ(v.RScale->AsString("Units"), "kPa");
    EXPECT_DOUBLE_EQ(v.RScale->AsFloat("Factor"), 1);
}

TEST_F(EdR, ARefusedNumberIsReportedAndKept) {
    selectRequest();
    type(page->edFactor, "x1");
    {
        TBoxAnswerer ok(QMessageBox::Ok);
        EXPECT_FALSE(page->CommitEdits());
        EXPECT_EQ(ok.Count, 1);
        EXPECT_FALSE(ok.Text.isEmpty());
    }
    EXPECT_EQ(page->edFactor->text(), "x1");
    type(page->edFactor, "0.5");
    EXPECT_TRUE(page->CommitEdits());
    EXPECT_DOUBLE_EQ(v.RScale->AsFloat("Factor"), 0.5);
}

// A paste of a new line followed by a line of an existing attribute, in the active window: the
// tree, the page and the table cursor agree on one record, and every pasted node has its text.
TEST(EdRInput, APasteLeavesNodePageAndCursorOnOneRecord) {
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    TfEditVehicle editor(v, nullptr, sample.Ini);
    editor.resize(1000, 700);
    ASSERT_TRUE(ShowActive(editor));
    auto* page = static_cast<TframeEdR*>(editor.frameEdR);
    QTreeWidgetItem* request = NodeWith(editor.tvVehicle, "ALDL-0: ");
    ClickNode(editor.tvVehicle, request);
    ASSERT_EQ(editor.CurrentPage(), page);
    const int before = request->childCount();
    QGuiApplication::clipboard()->setText("35.0\t8\tNEWA\tFirst new\tV\t0.5\t0\r\n"
                                          "13\t16\tRPM\tEngine speed\trpm\t1\t0\r\n"
                                          "36.0\t8\tNEWB\tSecond new\t\t2\t0\r\n");
    QTest::mouseClick(page->edRCode, Qt::LeftButton);
    ASSERT_EQ(Focused(), page->edRCode);
    {
        TBoxAnswerer yes(QMessageBox::Yes);
        Press(Qt::Key_B, Qt::ControlModifier);
        EXPECT_EQ(yes.Text.toStdString(), PasteQuestion);
    }
    ASSERT_TRUE(BackToWindow(editor));
    EXPECT_EQ(request->childCount(), before + 2);
    EXPECT_NE(NodeWith(editor.tvVehicle, "35. 0- 7 NEWA: First new"), nullptr);
    EXPECT_NE(NodeWith(editor.tvVehicle, "36. 0- 7 NEWB: Second new"), nullptr);
    EXPECT_NE(NodeWith(editor.tvVehicle, "13. 0-15 RPM: Engine speed"), nullptr);
    EXPECT_EQ(NodeWith(editor.tvVehicle, ": Attribute"), nullptr)
        << "a pasted node kept its default";
    // Node, page and cursor show the same attribute.
    auto* attrPage = static_cast<TframeEdA*>(editor.frameEdA);
    QTreeWidgetItem* node = editor.tvVehicle->currentItem();
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(editor.CurrentPage(), attrPage);
    const QString code = attrPage->edACode->text();
    EXPECT_TRUE(node->text(0).contains(" " + code + ": ")) << node->text(0).toStdString();
    EXPECT_EQ(v.Attrs->AsString("ACode"), code.toStdString());
    // Typing a description changes that attribute and no other.
    QTest::mouseClick(attrPage->edADesc, Qt::LeftButton);
    Retype("Typed after the paste");
    EXPECT_EQ(v.Attrs->AsString("ACode"), code.toStdString());
    EXPECT_TRUE(node->text(0).endsWith(code + ": Typed after the paste"));
    editor.btnOk->click();
    ASSERT_TRUE(v.Attrs->Locate("ACode", "RPM"));
    EXPECT_EQ(v.Attrs->AsString("ADesc"), code == "RPM" ? "Typed after the paste" : "Engine speed");
    ASSERT_TRUE(v.Attrs->Locate("ACode", "NEWA"));
    EXPECT_EQ(v.Attrs->AsString("ADesc"), code == "NEWA" ? "Typed after the paste" : "First new");
}

TEST_F(EdR, Screenshot) {
    selectRequest();
    EXPECT_TRUE(editor->grab().save("/tmp/quorvin-edit-request.png"));
}
