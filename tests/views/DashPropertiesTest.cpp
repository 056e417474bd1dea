// The gauge properties dialog: the sample of the edited gauge's type, the controls acting on the
// sample only, "Ok" and "Cancel", and the dialog's placement in the settings store.
#include "views/dashboard/DashProperties.h"
#include "shell/GlimmCommon.h"
#include "support/TempDir.h"
#include "views/dashboard/DashColorGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class DashPropertiesTest : public testing::Test {
protected:
    void SetUp() override {
        dial.resize(200, 200);
        dial.AssignAttribute("RPM", "rpm", "High", "", "Low", -1, -1, 1, 0, spNone, spNone, 6000,
                             500, 8000, 0);
        dial.SetPosition(900);
    }
    // Answers the dialog once the event loop runs it.
    bool run(TGlimmDash& gauge, bool ok, std::function<void()> act) {
        QTimer::singleShot(0, [&, ok, act] {
            act();
            ok ? dialog.accept() : dialog.reject();
        });
        return dialog.Execute(gauge);
    }
    TGlimmDial dial;
    TfDashProp dialog;
};

TEST_F(DashPropertiesTest, OpensWithASampleOfTheGaugesTypeAndItsValues) {
    EXPECT_EQ(dialog.windowTitle(), "Dashboard gauge properties");
    dialog.Open(dial);
    EXPECT_EQ(dialog.Sample().Kind(), gkDial);
    EXPECT_EQ(dialog.Sample().Caption(), "RPM");
    EXPECT_EQ(dialog.Sample().Position(), 0);
    EXPECT_EQ(dialog.TestBar->minimum(), 0);
    EXPECT_EQ(dialog.TestBar->maximum(), 8000);
    EXPECT_EQ(dialog.Fields[0]->text(), "RPM");
    EXPECT_EQ(dialog.Fields[3]->text(), "8000");
    EXPECT_EQ(dialog.Fields[5]->text(), "6000");
    EXPECT_EQ(dialog.Fields[6]->text(), "Low");
    EXPECT_EQ(dialog.ElementList->currentRow(), 0);
    EXPECT_EQ(dialog.ColorGrid->Color(), dial.Color());
    dialog.TestBar->setValue(4000);
    EXPECT_EQ(dialog.Sample().Position(), 4000);
    EXPECT_EQ(dialog.TestValue->text(), "4000");
    TGlimmLight light;
    dialog.Open(light);
    EXPECT_EQ(dialog.Sample().Kind(), gkLight);
}

TEST_F(DashPropertiesTest, OkCopiesTheAppearanceBackAndNothingElse) {
    const bool ok = run(dial, true, [this] {
        dialog.Fields[0]->setText("edited"); // information only
        dialog.NeedleWidthSpin->setValue(7);
        dialog.ValueFormat->setCurrentIndex(6);                                 // "#.99"
        dialog.Alignment->setCurrentIndex(0);                                   // "Left"
        dialog.AutoBoxes[1]->setChecked(false);                                 // Value
        dialog.ElementList->setCurrentRow(7);                                   // Normal
        QTest::mouseClick(dialog.ColorGrid, Qt::LeftButton, {}, QPoint(5, 80)); // row 3, column 0
        dialog.TestBar->setValue(3000);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(dial.Caption(), "RPM");
    EXPECT_EQ(dial.NeedleWidth(), 7);
    EXPECT_EQ(dial.Precision(), spf2);
    EXPECT_EQ(dial.HAlignment(), ahLeft);
    EXPECT_FALSE(dial.AutoPosition());
    EXPECT_EQ(dial.ColorOk(), TDashColorGrid::Colours[12]);
    EXPECT_EQ(dial.Position(), 900); // the test value stays in the dialog
    EXPECT_EQ(dial.Item(), 0);
}

TEST_F(DashPropertiesTest, CancelLeavesTheGaugeUntouched) {
    const bool ok = run(dial, false, [this] {
        dialog.BorderSpin->setValue(9);
        dialog.ElementList->setCurrentRow(0);
        dialog.ColorGrid->SetIndex(9);
        dialog.ColorGrid->OnColorChanged(dialog.ColorGrid->Color());
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(dial.Border(), 2);
    EXPECT_EQ(dial.Color(), 0x400000u);
}

TEST_F(DashPropertiesTest, ElementsMapToColoursAndFonts) {
    dialog.Open(dial);
    const uint32_t c = 0x123456;
    dialog.ColorDialog = [c](uint32_t& colour) {
        colour = c;
        return true;
    };
    for (int e = 0; e < 11; ++e) {
        dialog.ElementList->setCurrentRow(e);
        for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
            if (b->text() == "Custom") {
                b->click();
            }
        }
    }
    TGlimmDash& s = dialog.Sample();
    for (uint32_t got : {s.Color(), s.ColorFace(), s.ColorLine(), s.CaptionFont().Color,
                         s.ScaleFont().Color, s.PositionFont().Color, s.ColorMin(), s.ColorOk(),
                         s.ColorMax(), s.UnitFont().Color, s.MinMaxFont().Color}) {
        EXPECT_EQ(got, c);
    }
}

TEST_F(DashPropertiesTest, FontChoiceAndBackgroundPicture) {
    TempDir dir;
    QImage blue(4, 4, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    const std::string file = dir.File("ok.bmp");
    ASSERT_TRUE(blue.save(QString::fromStdString(file)));
    dialog.Open(dial);
    dialog.FontDialog = [](TFont& f) {
        f.Size = 30;
        f.Style = fsBold;
        return true;
    };
    dialog.PictureDialog = [&](const QString&) { return QString::fromStdString(file); };
    int button = 0;
    for (QToolButton* b : dialog.findChildren<QToolButton*>()) {
        if (b->toolTip() == "Select background image for ok values") {
            b->click();
        } else if (b->toolTip().isEmpty() && button++ == 0) {
            b->click(); // the first font button: the caption's
        }
    }
    EXPECT_EQ(dialog.Sample().CaptionFont().Size, 30);
    EXPECT_TRUE(dialog.Sample().ShowBackground(1));
    EXPECT_TRUE(dialog.PictureBoxes[1]->isChecked());
    // Ticking the box of a band without a readable file leaves it clear.
    dialog.PictureBoxes[0]->click();
    EXPECT_FALSE(dialog.PictureBoxes[0]->isChecked());
    dialog.PictureBoxes[1]->click(); // clearing turns the picture off
    EXPECT_FALSE(dialog.Sample().ShowBackground(1));
}

TEST_F(DashPropertiesTest, FormatListsStandForThePrecisions) {
    const TGlimmPrecision order[11] = {spNone, spr1000, spr100,  spr10,  spr0, spf1,
                                       spf2,   spf3,    spx1000, spx100, spx10};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(TfDashProp::FormatPrecision(i), order[i]);
        EXPECT_EQ(TfDashProp::FormatIndex(order[i]), i);
    }
    EXPECT_STREQ(TfDashProp::Formats[4], "1's");
}

TEST_F(DashPropertiesTest, PlacementIsStoredInTheWindowsSection) {
    run(dial, false, [this] { dialog.move(123, 77); });
    EXPECT_EQ(SettingsStore().ReadString("Windows", "fDashProp.State", "X"), "Normal");
    EXPECT_EQ(SettingsStore().ReadInteger("Windows", "fDashProp.Left", 0), dialog.x());
    TfDashProp second;
    EXPECT_EQ(second.pos(), dialog.pos());
}

} // namespace
