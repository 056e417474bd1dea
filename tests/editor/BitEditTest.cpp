// The bit selector's arithmetic, its buttons and strip, and the selection window's line.
#include "editor/BitEdit.h"
#include "editor/EditByteBit.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct SelectionCase {
    double start;
    int bits;
    int low, high, position, byte, bit, count;
};

class SetSelection : public testing::TestWithParam<SelectionCase> {};

TEST_P(SetSelection, GivesEndsScrollAndResults) {
    const SelectionCase& c = GetParam();
    TBitEdit edit;
    int fired = 0;
    edit.OnSelectionChanged = [&](TBitEdit&, int byte, int bit, int count) {
        ++fired;
        EXPECT_EQ(byte, c.byte);
        EXPECT_EQ(bit, c.bit);
        EXPECT_EQ(count, c.count);
    };
    edit.SetSelection(c.bits, c.start);
    EXPECT_EQ(edit.LowEnd(), c.low);
    EXPECT_EQ(edit.HighEnd(), c.high);
    EXPECT_EQ(edit.Position(), c.position);
    EXPECT_EQ(edit.StartByte(), c.byte);
    EXPECT_EQ(edit.StartBit(), c.bit);
    EXPECT_EQ(edit.Count(), c.count);
    EXPECT_EQ(fired, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, SetSelection,
                         testing::Values(SelectionCase{1.0, 8, 0, 7, 0, 1, 0, 8},
                                         SelectionCase{3.7, 16, 1, 16, 0, 3, 7, 16},
                                         SelectionCase{12.3, 8, 85, 92, 9, 12, 3, 8},
                                         SelectionCase{200.0, 8, 1592, 1599, 124, 200, 0, 8}));

TEST(BitEdit, RefusesNegativeStartAndNoBits) {
    TBitEdit edit;
    edit.SetSelection(8, 2.0);
    edit.SetSelection(0, 5.0);
    edit.SetSelection(8, -1.0);
    EXPECT_EQ(edit.StartByte(), 2);
    EXPECT_EQ(edit.Count(), 8);
}

TEST(BitEdit, HugeBitsStayInRange) {
    TBitEdit edit;
    edit.SetSelection(2000000000, 3.0);
    EXPECT_EQ(edit.StartByte(), 3);
    EXPECT_GT(edit.Count(), 0);
}

TEST(BitEdit, ButtonsSelectBytesAndWords) {
    TBitEdit edit;
    int byte = 0, bit = -1, count = 0;
    edit.OnSelectionChanged = [&](TBitEdit&, int b, int s, int n) {
        byte = b;
        bit = s;
        count = n;
    };
    EXPECT_EQ(edit.ByteButton(2)->text(), "Byte: 3");
    edit.ByteButton(2)->click();
    EXPECT_EQ(byte, 3);
    EXPECT_EQ(bit, 0);
    EXPECT_EQ(count, 8);
    edit.WordButton(1)->click();
    EXPECT_EQ(byte, 4);
    EXPECT_EQ(bit, 0);
    EXPECT_EQ(count, 16);
    edit.SetPosition(9);
    EXPECT_EQ(edit.WordButton(0)->text(), "Word: 5 (msb:10  lsb:11)");
    EXPECT_EQ(edit.WordButton(1)->text(), "Word: 6 (msb:12  lsb:13)");
    EXPECT_EQ(edit.ByteButton(3)->text(), "Byte: 13");
    edit.ByteButton(0)->click(); // byte 10 at position 9
    EXPECT_EQ(byte, 10);
}

TEST(BitEdit, SelectionOutsideTheViewShowsNothingAndComesBack) {
    TBitEdit edit;
    edit.SetSelection(8, 12.3); // bytes 11 and 12, shown from byte 10
    auto selectedCells = [&] {
        QList<int> cells;
        for (auto& r : edit.Strip()->selectedRanges()) {
            for (int c = r.leftColumn(); c <= r.rightColumn(); ++c)
                cells << c;
        }
        return cells;
    };
    EXPECT_EQ(selectedCells(), (QList<int>{13, 14, 15, 16, 17, 18, 19, 20}));
    edit.ScrollBar()->setValue(40);
    EXPECT_EQ(selectedCells(), QList<int>{32});
    EXPECT_EQ(edit.HighEnd(), 92);  // scrolling leaves the selection alone
    edit.ScrollBar()->setValue(11); // bytes 12 to 15: the low end (byte 11) is out of view
    EXPECT_EQ(selectedCells(), (QList<int>{0, 1, 2, 3, 4}));
}

TEST(BitEdit, StripSelectionIsTaken) {
    TBitEdit edit;
    edit.SetPosition(1);
    edit.Strip()->clearSelection();
    edit.Strip()->setRangeSelected(QTableWidgetSelectionRange(0, 4, 0, 11), true);
    EXPECT_EQ(edit.LowEnd(), 12);
    EXPECT_EQ(edit.HighEnd(), 19);
    EXPECT_EQ(edit.StartByte(), 3);
    EXPECT_EQ(edit.StartBit(), 4);
    EXPECT_EQ(edit.Count(), 8);
}

TEST(EditByteBit, ShowsTheSelection) {
    TfEditByteBit dialog;
    EXPECT_EQ(dialog.windowTitle(), "Select Start Byte and Number of Bits...");
    dialog.SetSelection(8, 12.3);
    EXPECT_EQ(dialog.SelectionLine()->text(), "Start: 12.3 - Bits: 8");
    dialog.BitEdit().ByteButton(0)->click();
    EXPECT_EQ(dialog.SelectionLine()->text(), "Start: 10.0 - Bits: 8");
    dialog.show();
    dialog.grab().save("/tmp/editor-bitselector.png");
}

TEST(EditByteBit, OkWaitsForASelection) {
    TfEditByteBit dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QPushButton* ok = nullptr;
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        if (b->text() == "OK")
            ok = b;
    }
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_Return); // the default button does nothing either
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.BitEdit().ByteButton(2), Qt::LeftButton);
    EXPECT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.StartByte(), 3);
}

} // namespace
