// The module page: the mode byte list as a lookup, fields shown without editing, typed values.
#include "editor/edM.h"

#include "EditorFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace {

TEST(edM, ShowsTheModuleWithoutEditingIt) {
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    TframeEdM page(v, nullptr);
    ASSERT_TRUE(v.Modules->Locate("MCode", "ECM-CLR"));
    page.Refresh();
    EXPECT_EQ(page.edMCode->text(), "ECM-CLR");
    EXPECT_EQ(page.cbMode->count(), 19);
    EXPECT_EQ(page.cbMode->itemText(0), "No mode byte");
    EXPECT_EQ(page.cbMode->currentText(), "($0A) Clear diagnostic trouble codes");
    EXPECT_EQ(page.edModuleID->maxLength(), 3);
    EXPECT_FALSE(v.Modules->Editing());
    EXPECT_FALSE(v.Changed);
}

TEST(edM, ChoosingAModeStoresItsByte) {
    TSampleVehicle sample;
    TVehicle& v = sample.V();
    TframeEdM page(v, nullptr);
    page.show();
    ASSERT_TRUE(v.Modules->Locate("MCode", "ECM"));
    page.Refresh();
    int nodeChanges = 0;
    page.OnNodeTextChanged = [&] { ++nodeChanges; };
    page.cbMode->setCurrentIndex(5);
    emit page.cbMode->activated(5);
    EXPECT_EQ(v.Modules->AsString("ModeByte"), "$04");
    bool listen = v.Modules->AsBool("Listen");
    page.cbListen->click();
    QTest::keyClicks(page.edMDesc, " more");
    EXPECT_EQ(nodeChanges, 1); // the description is not part of the node text
    EXPECT_TRUE(page.CommitEdits());
    EXPECT_EQ(v.Modules->AsBool("Listen"), !listen);
    EXPECT_TRUE(v.Changed);
}

} // namespace
