// The properties dialog with real widgets: defaults, loading and saving the ini file, Ok and
// Cancel, the 160 baud vehicles, the sliders, the folder picker and the timer check.
#include "shell/Properties.h"

#include "common/Common.h"
#include "common/IniFile.h"
#include "link/FakeRoot.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "support/TempDir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

class PropertiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        InitFolders();
    }
    void writeIni(const std::string& contents) { dir.Write("QuorvinV4.ini", contents); }
    std::unique_ptr<TfProperties> dialog() {
        return std::make_unique<TfProperties>(&link, &options, [this] { return aldl; });
    }

    TempDir dir;
    TRtime timer;
    TRS232 link{timer};
    TMainOptions options;
    std::string aldl = "8192";
};

QPushButton* button(QWidget& parent, const QString& caption) {
    for (QPushButton* b : parent.findChildren<QPushButton*>()) {
        if (b->text() == caption) {
            return b;
        }
    }
    return nullptr;
}

// Runs action once a modal window other than `besides` is up (the dialog or a box it opens);
// gives up after about ten seconds so that nothing is left waiting for a later test.
void whenModal(std::function<void(QWidget*)> action, QWidget* besides = nullptr, int tries = 2000) {
    QTimer::singleShot(5, [action, besides, tries] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != besides) {
            action(modal);
        } else if (tries > 0) {
            whenModal(action, besides, tries - 1);
        } else {
            ADD_FAILURE() << "no modal window came up";
        }
    });
}

// The tab page holding w (only the current page of a tab control is shown).
QWidget* pageOf(const TfProperties& d, const QWidget* w) {
    for (int i = 0; i < d.pageControl->count(); ++i) {
        if (d.pageControl->widget(i)->isAncestorOf(w)) {
            return d.pageControl->widget(i);
        }
    }
    return nullptr;
}

} // namespace

TEST_F(PropertiesTest, NoIniFileShowsAndAppliesTheDefaults) {
    auto d = dialog();
    EXPECT_EQ(d->windowTitle(), "Properties...");
    EXPECT_EQ(d->cbPort->currentText(), "Com1");
    EXPECT_EQ(d->cbDevice->currentText(), "/dev/ttyUSB0");
    EXPECT_EQ(d->edBaud->text(), "8192");
    EXPECT_EQ(d->cbData->currentText(), "8");
    EXPECT_EQ(d->cbParity->currentText(), "None");
    EXPECT_EQ(d->cbStop->currentText(), "1");
    EXPECT_EQ(d->edInBuffer->text(), "256");
    EXPECT_EQ(d->edOutBuffer->text(), "256");
    EXPECT_TRUE(d->cbEcho->isChecked());
    EXPECT_FALSE(d->cbDTR->isChecked());
    EXPECT_FALSE(d->cbRTS->isChecked());
    EXPECT_EQ(d->edCaptureRate->text(), "10");
    EXPECT_EQ(d->tbCaptureRate->value(), 10);
    EXPECT_EQ(d->edPlayBackSpeed->text(), "1");
    EXPECT_TRUE(d->cbPreciseTiming->isChecked());
    EXPECT_TRUE(d->rbVehiclePrompt->isChecked());
    EXPECT_TRUE(d->rbDataPrompt->isChecked());
    EXPECT_FALSE(d->cbFileNames83->isChecked());
    EXPECT_EQ(d->edPopupRows->text(), "0");
    EXPECT_EQ(d->tbPopupRows->value(), 0);
    EXPECT_EQ(d->edDataDir->text().toStdString(), UserDataDir() + "/Logged data");
    EXPECT_EQ(d->edVehicleDir->text().toStdString(), VehicleDir());
    EXPECT_EQ(d->edHelpDir->text().toStdString(), HelpDir());

    EXPECT_EQ(link.Port(), 1);
    EXPECT_EQ(link.DevicePath(), "/dev/ttyUSB0");
    EXPECT_EQ(link.Baud(), 8228);
    EXPECT_EQ(link.DataBits(), 8);
    EXPECT_EQ(link.Parity(), "N");
    EXPECT_EQ(link.StopBits(), 1);
    EXPECT_TRUE(link.Echo);
    EXPECT_FALSE(link.HoldDTR);
    EXPECT_FALSE(link.HoldRTS);
    EXPECT_EQ(link.FrameCaptureRate, 10);
    EXPECT_EQ(options.SaveData, 1);
    EXPECT_EQ(options.SaveVehicle, 1);
    EXPECT_FALSE(options.FileNames83);
    EXPECT_EQ(options.PopupRows, 0);
    EXPECT_DOUBLE_EQ(options.PlayBackSpeed, 1);
    EXPECT_TRUE(options.PreciseTiming);
    EXPECT_FALSE(std::filesystem::exists(IniPath())); // loading writes nothing
}

TEST_F(PropertiesTest, StoredSettingsReachTheLinkTheOptionsAndTheFolders) {
    const std::string data = dir.File("logs"), vehicles = dir.File("cars");
    writeIni("[Comm]\nPort=com3\nDataBits=7\nParity=Even\nStopBits=2\nIn=512\nOut=128\n"
             "Echo=0\nDTR=1\nRTS=1\n"
             "[Devices]\nCom3=/dev/ttyACM0\n"
             "[Properties]\nFrameCaptureRate=5\nPlayBackSpeed=$2\nPreciseTiming=0\n"
             "DataDir=" +
             data + "\nVehicleDir=" + vehicles +
             "\nHelpDir=/h\n"
             "SaveData=0\nSaveVehicle=2\n8.3FileNames=1\nPopupRows=20\n");
    auto d = dialog();
    EXPECT_EQ(d->cbPort->currentText(), "Com3");
    EXPECT_EQ(d->cbDevice->currentText(), "/dev/ttyACM0");
    EXPECT_EQ(d->edInBuffer->text(), "512");
    EXPECT_TRUE(d->rbDataAuto->isChecked());
    EXPECT_TRUE(d->rbVehicleDiscard->isChecked());
    EXPECT_TRUE(d->cbFileNames83->isChecked());
    EXPECT_EQ(d->tbCaptureRate->value(), 5);
    EXPECT_EQ(d->tbPopupRows->value(), 20);

    EXPECT_EQ(link.Port(), 3);
    EXPECT_EQ(link.PortName(), "Com3");
    EXPECT_EQ(link.DevicePath(), "/dev/ttyACM0");
    EXPECT_EQ(link.DataBits(), 7);
    EXPECT_EQ(link.Parity(), "E");
    EXPECT_EQ(link.StopBits(), 2);
    EXPECT_FALSE(link.Echo);
    EXPECT_TRUE(link.HoldDTR);
    EXPECT_TRUE(link.HoldRTS);
    EXPECT_EQ(link.FrameCaptureRate, 5);
    EXPECT_EQ(link.InBufferSize, 256); // the buffer sizes are shown only
    EXPECT_DOUBLE_EQ(options.PlayBackSpeed, 2);
    EXPECT_FALSE(options.PreciseTiming);
    EXPECT_EQ(options.SaveData, 0);
    EXPECT_EQ(options.SaveVehicle, 2);
    EXPECT_TRUE(options.FileNames83);
    EXPECT_EQ(options.PopupRows, 20);
    EXPECT_EQ(DataDir(), data);
    EXPECT_EQ(VehicleDir(), vehicles);
    EXPECT_EQ(HelpDir(), "/h");
}

TEST_F(PropertiesTest, UnreadableValuesGiveTheirDefaults) {
    struct Case {
        const char* ini;
        std::function<void(const TfProperties&)> check;
    };
    const Case cases[] = {
        {"[Properties]\nPlayBackSpeed=abc\n",
         [this](const TfProperties&) { EXPECT_DOUBLE_EQ(options.PlayBackSpeed, 1); }},
        {"[Properties]\nPlayBackSpeed=2.5\n",
         [this](const TfProperties&) { EXPECT_DOUBLE_EQ(options.PlayBackSpeed, 2.5); }},
        // A speed of 0 would never let a frame fall due, a huge one is no play back at all.
        {"[Properties]\nPlayBackSpeed=0\n",
         [this](const TfProperties&) { EXPECT_DOUBLE_EQ(options.PlayBackSpeed, 0.01); }},
        {"[Properties]\nPlayBackSpeed=1e9\n",
         [this](const TfProperties&) { EXPECT_DOUBLE_EQ(options.PlayBackSpeed, 100); }},
        {"[Properties]\nFrameCaptureRate=fast\n",
         [this](const TfProperties& d) {
             EXPECT_EQ(link.FrameCaptureRate, 10);
             EXPECT_EQ(d.tbCaptureRate->value(), 1);
         }},
        {"[Properties]\nPopupRows=many\n",
         [this](const TfProperties&) { EXPECT_EQ(options.PopupRows, 0); }},
        {"[Properties]\nSaveData=x\nSaveVehicle=y\n",
         [this](const TfProperties& d) {
             EXPECT_EQ(options.SaveData, 1);
             EXPECT_EQ(options.SaveVehicle, 1);
             EXPECT_TRUE(d.rbDataPrompt->isChecked());
         }},
        {"[Properties]\nSaveData=7\n",
         [this](const TfProperties& d) {
             EXPECT_EQ(options.SaveData, 7);
             EXPECT_FALSE(d.rbDataAuto->isChecked() || d.rbDataPrompt->isChecked() ||
                          d.rbDataDiscard->isChecked());
         }},
        {"[Properties]\nPreciseTiming=yes\n8.3FileNames=true\n",
         [this](const TfProperties&) {
             EXPECT_FALSE(options.PreciseTiming); // on only for "1"
             EXPECT_FALSE(options.FileNames83);
         }},
        {"[Comm]\nPort=Com9\nDataBits=x\nParity=Odd\nStopBits=1.5\n",
         [this](const TfProperties& d) {
             EXPECT_EQ(d.cbPort->currentIndex(), -1);
             EXPECT_EQ(link.Port(), 1);
             EXPECT_EQ(link.DataBits(), 8);
             EXPECT_EQ(link.Parity(), "O");
             EXPECT_EQ(link.StopBits(), 1);
         }},
        {"[Comm]\nParity=Mark\n", [this](const TfProperties&) { EXPECT_EQ(link.Parity(), "M"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        writeIni(c.ini);
        options = TMainOptions();
        auto d = dialog();
        c.check(*d);
    }
}

TEST_F(PropertiesTest, SavedSettingsLoadAgainAfterARestart) {
    {
        auto d = dialog();
        d->cbPort->setCurrentIndex(1);
        d->cbParity->setCurrentText("Even");
        d->cbStop->setCurrentText("2");
        d->edInBuffer->setText("1024");
        d->cbEcho->setChecked(false);
        d->cbRTS->setChecked(true);
        d->edCaptureRate->setText("7");
        d->edPlayBackSpeed->setText("0.5");
        d->cbPreciseTiming->setChecked(false);
        d->rbDataDiscard->setChecked(true);
        d->rbVehicleAuto->setChecked(true);
        d->cbFileNames83->setChecked(true);
        d->edPopupRows->setText("15");
        d->edDataDir->setText("/tmp/logs");
        d->SaveSettings();
        EXPECT_EQ(DataDir(), "/tmp/logs");
    }
    const TIniFile ini(IniPath());
    EXPECT_EQ(ini.ReadString("Comm", "Port", ""), "Com2");
    EXPECT_EQ(ini.ReadString("Comm", "Echo", ""), "0");
    EXPECT_EQ(ini.ReadString("Comm", "RTS", ""), "1");
    EXPECT_EQ(ini.ReadString("Properties", "8.3FileNames", ""), "1");
    EXPECT_EQ(ini.ReadString("Properties", "SaveData", ""), "2");
    EXPECT_EQ(ini.ReadString("Properties", "SaveVehicle", ""), "0");
    EXPECT_FALSE(ini.SectionExists("Devices")); // untouched devices keep their defaults

    InitFolders(); // a restart
    auto d = dialog();
    EXPECT_EQ(d->cbPort->currentText(), "Com2");
    EXPECT_EQ(d->cbDevice->currentText(), "/dev/ttyUSB1");
    EXPECT_EQ(d->cbParity->currentText(), "Even");
    EXPECT_EQ(d->edInBuffer->text(), "1024");
    EXPECT_FALSE(d->cbEcho->isChecked());
    EXPECT_TRUE(d->cbFileNames83->isChecked());
    EXPECT_TRUE(d->rbDataDiscard->isChecked());
    EXPECT_TRUE(d->rbVehicleAuto->isChecked());
    EXPECT_EQ(d->tbPopupRows->value(), 15);
    EXPECT_EQ(link.Port(), 2);
    EXPECT_EQ(link.StopBits(), 2);
    EXPECT_TRUE(link.HoldRTS);
    EXPECT_EQ(link.FrameCaptureRate, 7);
    EXPECT_DOUBLE_EQ(options.PlayBackSpeed, 0.5);
    EXPECT_EQ(options.SaveData, 2);
    EXPECT_EQ(options.SaveVehicle, 0);
    EXPECT_TRUE(options.FileNames83);
    EXPECT_EQ(options.PopupRows, 15);
    EXPECT_EQ(DataDir(), "/tmp/logs");
}

TEST_F(PropertiesTest, DeviceOfTheChosenPortIsEditedAndStored) {
    auto d = dialog();
    whenModal([d = d.get()](QWidget*) {
        d->pageControl->setCurrentIndex(1);
        d->cbPort->setFocus();
        QTest::keyClick(d->cbPort, Qt::Key_Down); // Com2
        EXPECT_EQ(d->cbDevice->currentText(), "/dev/ttyUSB1");
        d->cbDevice->lineEdit()->selectAll();
        QTest::keyClicks(d->cbDevice->lineEdit(), "/dev/pts/7");
        button(*d, "Ok")->click();
    });
    EXPECT_EQ(d->Execute(), QDialog::Accepted);
    EXPECT_TRUE(d->CommsChanged());
    EXPECT_EQ(link.Port(), 2);
    EXPECT_EQ(link.DevicePath(), "/dev/pts/7");
    const TIniFile ini(IniPath());
    EXPECT_EQ(ini.ReadString("Devices", "Com2", ""), "/dev/pts/7");
    EXPECT_FALSE(ini.ValueExists("Devices", "Com1"));
}

TEST_F(PropertiesTest, APortTheListDoesNotOfferStaysNamedUntilAnotherIsPicked) {
    writeIni("[Comm]\nPort=Com9\n");
    auto d = dialog();
    EXPECT_FALSE(d->PortConfigured());
    EXPECT_EQ(d->StoredPort(), "Com9");
    // Ok without a choice keeps the stored name, so the program still says which port it is.
    QString shown;
    whenModal([&shown, d = d.get()](QWidget*) {
        d->pageControl->setCurrentIndex(1);
        shown = d->cbPort->placeholderText();
        EXPECT_EQ(d->cbPort->currentIndex(), -1);
        QTest::mouseClick(button(*d, "Ok"), Qt::LeftButton);
    });
    EXPECT_EQ(d->Execute(), QDialog::Accepted);
    EXPECT_EQ(shown, "Com9 (not configured)");
    EXPECT_EQ(TIniFile(IniPath()).ReadString("Comm", "Port", ""), "Com9");
    EXPECT_FALSE(d->PortConfigured());

    // A port picked with the keyboard takes its place.
    whenModal([d = d.get()](QWidget*) {
        d->pageControl->setCurrentIndex(1);
        d->cbPort->setFocus();
        QTest::keyClick(d->cbPort, Qt::Key_Down); // the first of the list
        QTest::keyClick(d->cbPort, Qt::Key_Down); // Com2
        QTest::mouseClick(button(*d, "Ok"), Qt::LeftButton);
    });
    EXPECT_EQ(d->Execute(), QDialog::Accepted);
    EXPECT_TRUE(d->PortConfigured());
    EXPECT_EQ(TIniFile(IniPath()).ReadString("Comm", "Port", ""), "Com2");
    EXPECT_EQ(link.Port(), 2);
}

// A computer with two USB adapters, one of them also under its stable by-id name.
class StableNamesTest : public PropertiesTest {
protected:
    void SetUp() override {
        PropertiesTest::SetUp();
        root.AddDevice("ttyUSB0");
        root.AddDevice("ttyUSB1");
        byId = root.AddById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB1");
        setenv("QUORVIN_SYSROOT", root.Root().c_str(), 1);
    }
    void TearDown() override { unsetenv("QUORVIN_SYSROOT"); }
    FakeRoot root;
    std::string byId;
};

TEST_F(StableNamesTest, DeviceListShowsStableNamesFirstWithTheirTty) {
    auto d = dialog();
    QStringList shown, stored;
    for (int i = 0; i < d->cbDevice->count(); ++i) {
        shown << d->cbDevice->itemText(i);
        stored << d->cbDevice->itemData(i).toString();
    }
    const QString dev = QString::fromStdString(root.Dev(""));
    EXPECT_EQ(shown, (QStringList{QString::fromStdString(byId) + " (ttyUSB1)", dev + "ttyUSB0",
                                  dev + "ttyUSB1"}));
    EXPECT_EQ(stored,
              (QStringList{QString::fromStdString(byId), dev + "ttyUSB0", dev + "ttyUSB1"}));
    EXPECT_EQ(TfProperties::SerialDevices(), stored);
}

TEST_F(StableNamesTest, PickedStableNameIsStoredAndUsedAsItIs) {
    auto d = dialog();
    whenModal([d = d.get()](QWidget*) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(d));
        QTest::keyClick(d->pageControl->tabBar(), Qt::Key_Right); // Comms
        ASSERT_TRUE(d->cbDevice->isVisible());
        d->cbDevice->showPopup();
        QAbstractItemView* list = d->cbDevice->view();
        // Picked with the keys once the list is up: a click could land while a busy machine
        // still places the popup.
        ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }));
        QTest::keyClick(list, Qt::Key_Home);
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([d] { return d->cbDevice->currentIndex() == 0; }));
        button(*d, "Ok")->click();
    });
    EXPECT_EQ(d->Execute(), QDialog::Accepted);
    EXPECT_EQ(d->cbDevice->currentText().toStdString(), byId);
    EXPECT_TRUE(d->CommsChanged());
    EXPECT_EQ(link.DevicePath(), byId);
    EXPECT_EQ(TIniFile(IniPath()).ReadString("Devices", "Com1", ""), byId);
}

TEST_F(PropertiesTest, CancelReloadsTheStoredSettingsAndKeepsCommsChanged) {
    writeIni("[Comm]\nDTR=0\n[Properties]\nPlayBackSpeed=3\n");
    auto d = dialog();
    whenModal([d = d.get()](QWidget*) {
        d->cbDTR->click();
        EXPECT_TRUE(d->CommsChanged());
        d->edPlayBackSpeed->setText("9");
        button(*d, "Cancel")->click();
    });
    EXPECT_EQ(d->Execute(), QDialog::Rejected);
    EXPECT_FALSE(d->Accepted());
    EXPECT_TRUE(d->CommsChanged()); // the main window still reopens the link
    EXPECT_FALSE(d->cbDTR->isChecked());
    EXPECT_FALSE(link.HoldDTR);
    EXPECT_EQ(d->edPlayBackSpeed->text(), "3");
    EXPECT_DOUBLE_EQ(options.PlayBackSpeed, 3);
    EXPECT_EQ(TempDir::Read(IniPath()), "[Comm]\nDTR=0\n[Properties]\nPlayBackSpeed=3\n");

    // Shown again: the flag starts clear, and a change outside the Comms tab leaves it so.
    whenModal([d = d.get()](QWidget*) {
        d->edPlayBackSpeed->setText("4");
        button(*d, "Ok")->click();
    });
    EXPECT_EQ(d->Execute(), QDialog::Accepted);
    EXPECT_TRUE(d->Accepted());
    EXPECT_FALSE(d->CommsChanged());
    EXPECT_DOUBLE_EQ(options.PlayBackSpeed, 4);
    EXPECT_EQ(TIniFile(IniPath()).ReadString("Properties", "PlayBackSpeed", ""), "4");
}

// A comma-decimal user types "2,5"; a point reads the same everywhere. Both are stored as typed.
TEST_F(PropertiesTest, TypedPlayBackSpeedReadsWithAPointOrACommaInEveryLocale) {
    struct Case {
        const char* typed;
        double speed;
    };
    for (const Case& c : {Case{"2,5", 2.5}, Case{"2.5", 2.5}, Case{"0,25", 0.25}}) {
        SCOPED_TRACE(c.typed);
        auto d = dialog();
        whenModal([d = d.get(), typed = c.typed](QWidget*) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(d));
            d->pageControl->setCurrentWidget(pageOf(*d, d->edPlayBackSpeed));
            d->edPlayBackSpeed->setFocus();
            d->edPlayBackSpeed->selectAll();
            QTest::keyClicks(d->edPlayBackSpeed, typed);
            QTest::mouseClick(button(*d, "Ok"), Qt::LeftButton);
        });
        EXPECT_EQ(d->Execute(), QDialog::Accepted);
        EXPECT_DOUBLE_EQ(options.PlayBackSpeed, c.speed);
        EXPECT_EQ(TIniFile(IniPath()).ReadString("Properties", "PlayBackSpeed", ""), c.typed);
    }
}

TEST_F(PropertiesTest, EveryCommsControlSetsCommsChanged) {
    auto d = dialog();
    const std::function<void(TfProperties&)> changes[] = {
        [](TfProperties& p) { QTest::keyClick(p.cbData, Qt::Key_Up); },
        [](TfProperties& p) { QTest::keyClick(p.cbParity, Qt::Key_Up); },
        [](TfProperties& p) { QTest::keyClick(p.cbStop, Qt::Key_Down); },
        [](TfProperties& p) { p.cbRTS->click(); },
        [](TfProperties& p) { p.cbEcho->click(); },
        [](TfProperties& p) { QTest::keyClicks(p.edInBuffer, "1"); },
        [](TfProperties& p) { QTest::keyClicks(p.edOutBuffer, "1"); },
    };
    for (const auto& change : changes) {
        whenModal([&change, d = d.get()](QWidget*) {
            EXPECT_FALSE(d->CommsChanged());
            change(*d);
            button(*d, "Cancel")->click();
        });
        d->Execute();
        EXPECT_TRUE(d->CommsChanged());
    }
}

TEST_F(PropertiesTest, VehiclesOf160BaudGetTheirOwnLineWhateverTheCommsTabShows) {
    writeIni("[Comm]\nDataBits=7\nParity=Odd\nStopBits=2\nEcho=1\n");
    struct Case {
        const char* aldl;
        int baud, dataBits;
        const char* parity;
        int stopBits;
        bool echo;
        const char* shown;
    };
    const Case cases[] = {
        {"160-808", 1600, 8, "N", 1, false, "160"},
        {"160-C3", 2400, 8, "N", 1, false, "160"},
        {"8192", 8228, 7, "O", 2, true, "8192"},
        {"", 8228, 7, "O", 2, true, "8192"}, // no vehicle: the link keeps the Comms tab
    };
    auto d = dialog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.aldl);
        aldl = c.aldl;
        whenModal([d = d.get()](QWidget*) { button(*d, "Ok")->click(); });
        d->Execute();
        EXPECT_EQ(link.Baud(), c.baud);
        EXPECT_EQ(link.DataBits(), c.dataBits);
        EXPECT_EQ(link.Parity(), c.parity);
        EXPECT_EQ(link.StopBits(), c.stopBits);
        EXPECT_EQ(link.Echo, c.echo);
        EXPECT_EQ(d->edBaud->text(), c.shown);
        const bool detail = c.baud == 8228;
        for (QWidget* w : std::initializer_list<QWidget*>{
                 d->cbData, d->cbParity, d->cbStop, d->gbBuffers, d->gbCable, d->gbCaptureRate}) {
            EXPECT_EQ(w->isVisibleTo(pageOf(*d, w)), detail) << w->metaObject()->className();
        }
        EXPECT_TRUE(d->cbPort->isVisibleTo(pageOf(*d, d->cbPort)));
    }
}

TEST_F(PropertiesTest, ApplySettingsOntoAnotherLinkTakesTheGivenVehicle) {
    auto d = dialog();
    TRS232 other(timer);
    TMainOptions otherOptions;
    otherOptions.PopupRows = 99;
    d->edPopupRows->setText("12");
    d->ApplySettings(other, "160-C3", otherOptions);
    EXPECT_EQ(other.Baud(), 2400);
    EXPECT_FALSE(other.Echo);
    EXPECT_EQ(otherOptions.PopupRows, 12);
    EXPECT_EQ(link.Baud(), 8228); // the dialog's own link is left alone
}

TEST_F(PropertiesTest, SlidersAndTheirTextsFollowEachOther) {
    auto d = dialog();
    struct Case {
        QLineEdit* text;
        QSlider* slider;
        const char* typed;
        int position;
    };
    const Case cases[] = {
        {d->edCaptureRate, d->tbCaptureRate, "20", 20},
        {d->edCaptureRate, d->tbCaptureRate, "abc", 1},
        {d->edCaptureRate, d->tbCaptureRate, "50", 32},
        {d->edCaptureRate, d->tbCaptureRate, "$10", 16},
        {d->edPopupRows, d->tbPopupRows, "35", 35},
        {d->edPopupRows, d->tbPopupRows, "rows", 0},
        {d->edPopupRows, d->tbPopupRows, "500", 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        c.text->setText(c.typed);
        EXPECT_EQ(c.slider->value(), c.position);
        EXPECT_EQ(c.text->text(), c.typed); // the text stays as typed
    }
    d->tbCaptureRate->setValue(7);
    EXPECT_EQ(d->edCaptureRate->text(), "7");
    d->edPopupRows->setText("10");
    d->tbPopupRows->triggerAction(QSlider::SliderPageStepAdd);
    EXPECT_EQ(d->edPopupRows->text(), "15");
}

TEST_F(PropertiesTest, FolderPickerSetsTheFolderTextOrLeavesIt) {
    auto d = dialog();
    const std::string start = dir.File("start"), chosen = dir.File("start/chosen");
    std::filesystem::create_directories(chosen);
    d->edVehicleDir->setText(QString::fromStdString(start));
    QPushButton* browse = nullptr;
    for (QPushButton* b : d->findChildren<QPushButton*>()) {
        if (b->text() == "..." && !browse) {
            browse = b; // the first is the vehicle folder's
        }
    }
    ASSERT_TRUE(browse);

    QString title, shownFolder;
    whenModal([&](QWidget* w) {
        auto* picker = qobject_cast<QFileDialog*>(w);
        ASSERT_TRUE(picker);
        title = picker->windowTitle();
        shownFolder = picker->directory().absolutePath();
        picker->reject();
    });
    browse->click();
    EXPECT_EQ(title, "Select vehicle files' directory...");
    EXPECT_EQ(shownFolder.toStdString(), start);
    EXPECT_EQ(d->edVehicleDir->text().toStdString(), start);

    whenModal([&](QWidget* w) {
        auto* picker = qobject_cast<QFileDialog*>(w);
        ASSERT_TRUE(picker);
        // Typed into the name box and Return, as a user does; selecting in the list would wait
        // for the folder model to load in the background.
        auto* name = picker->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_TRUE(name);
        name->setText(QString::fromStdString(chosen));
        QTest::keyClick(name, Qt::Key_Return);
    });
    browse->click();
    EXPECT_EQ(d->edVehicleDir->text().toStdString(), chosen);

    // A start folder that does not exist is not offered.
    QString missing = QString::fromStdString(dir.File("gone"));
    whenModal([&](QWidget* w) {
        shownFolder = qobject_cast<QFileDialog*>(w)->directory().absolutePath();
        qobject_cast<QFileDialog*>(w)->reject();
    });
    EXPECT_FALSE(d->BrowseForFolder("Select data files' directory...", missing));
    EXPECT_EQ(missing.toStdString(), dir.File("gone"));
    EXPECT_NE(shownFolder.toStdString(), dir.File("gone"));
}

TEST_F(PropertiesTest, CheckHighFrequencyTimerSaysWhatItFound) {
    auto d = dialog();
    QString message;
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_TRUE(box);
        message = box->text();
        box->accept();
    });
    button(*d, "Check high frequency timer")->click();
    EXPECT_EQ(message, "High frequency timer found OK");
}

TEST_F(PropertiesTest, AnIniFileThatCannotBeWrittenKeepsTheDialogOpen) {
    // A file where the ini file's folder should be: no one can write there, not even root.
    dir.Write("blocker", "");
    setenv("QUORVIN_INI", dir.File("blocker/QuorvinV4.ini").c_str(), 1);
    InitFolders();
    auto d = dialog();
    QString message;
    bool stillOpen = false;
    whenModal([&, d = d.get()](QWidget*) {
        whenModal(
            [&, d](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                ASSERT_TRUE(box);
                message = box->text();
                box->accept();
                QTimer::singleShot(0, [&, d] {
                    stillOpen = d->isVisible();
                    button(*d, "Cancel")->click();
                });
            },
            d);
        button(*d, "Ok")->click();
    });
    EXPECT_EQ(d->Execute(), QDialog::Rejected);
    EXPECT_TRUE(stillOpen);
    EXPECT_NE(message.toStdString().find("blocker/QuorvinV4.ini"), std::string::npos)
        << message.toStdString();
    EXPECT_FALSE(d->Accepted());
}

TEST_F(PropertiesTest, SerialDevicesListsOnlyPresentPortsOfTheFourKinds) {
    for (const QString& path : TfProperties::SerialDevices()) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(std::filesystem::exists(path.toStdString()));
        EXPECT_TRUE(path.startsWith("/dev/serial/by-id/") || path.startsWith("/dev/ttyUSB") ||
                    path.startsWith("/dev/ttyACM") || path.startsWith("/dev/rfcomm") ||
                    path.startsWith("/dev/ttyS"));
    }
}
