// The command frame editor: boxes from a frame, length and checksum from the items, the result.
#include "editor/EditFrame.h"

#include "link/Packet.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

int byteSum(const std::string& text) {
    int sum = 0;
    for (auto& item : ByteListItems(text))
        sum += ByteListValue(item);
    return sum & 0xFF;
}

TEST(EditFrame, FillsTheBoxesFromAFrame) {
    TfEditFrame editor;
    EXPECT_EQ(editor.windowTitle(), "Edit Command Frame");
    editor.SetFrame("$F1,$56,$08,$B1");
    EXPECT_EQ(editor.edID->text(), "$F1");
    EXPECT_EQ(editor.edLen->text(), "$56");
    EXPECT_EQ(editor.edMode->text(), "$08");
    EXPECT_EQ(editor.edParams->text(), "");
    EXPECT_EQ(editor.edCsum->text(), "$B1");
    EXPECT_TRUE(editor.edLen->isReadOnly());
    EXPECT_TRUE(editor.edCsum->isReadOnly());
}

TEST(EditFrame, LengthAndChecksumFollowTheItems) {
    TfEditFrame editor;
    editor.SetFrame("$F1,$56,$08,$B1");
    editor.edParams->setText("$00");
    EXPECT_EQ(editor.edLen->text(), "$57");
    EXPECT_EQ(byteSum(editor.ComposedText()), 0);
    EXPECT_EQ(editor.Result(), "$F1,$57,$08,$00,$B0");

    editor.edMode->clear();
    editor.edParams->clear();
    EXPECT_EQ(editor.edLen->text(), "$55");
    EXPECT_EQ(editor.Result(), "$F1,$55,$BA");
}

TEST(EditFrame, HeartbeatResultAndRefreshRewritesInDollarForm) {
    TfEditFrame editor;
    editor.SetFrame("$08,$55,$A3");
    EXPECT_EQ(editor.Result(), "$08,$55,$A3");
    editor.edMode->setText("10"); // decimal
    editor.btnRefresh->click();
    EXPECT_EQ(editor.edMode->text(), "$0A");
    EXPECT_EQ(byteSum(editor.ComposedText()), 0);
    editor.show();
    editor.grab().save("/tmp/editor-frame.png");
}

TEST(EditFrame, GarbledTextGivesAValidFrame) {
    TfEditFrame editor;
    editor.SetFrame("zz,,,\"");
    EXPECT_EQ(byteSum(editor.Result()), 0);
}

} // namespace
