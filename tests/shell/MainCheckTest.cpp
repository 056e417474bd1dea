// Aldl > Check link in the main window: chosen from the menu with the keyboard, it tests the
// port's device against the simulator on a pseudo-terminal, reports in the console and leaves the
// port open as before; during a run it leaves the port alone.
#include "shell/Main.h"

#include "common/Common.h"
#include "ecm-sim/EcmSim.h"
#include "link/RS232.h"
#include "shell/ConsoleView.h"
#include "support/TempDir.h"
#include "views/ViewMacros.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

const std::string SampleVehicle = std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml";

class MainCheckTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        std::filesystem::create_directories(dir.File("data"));
    }
    void TearDown() override {
        if (HasFailure() && window)
            std::printf("Console:\n%s\n", texts().join("\n").toStdString().c_str());
        window.reset();
        unsetenv("QUORVIN_INI");
    }
    // The window on the simulator's device, with the sample vehicle and Max232 echo as given;
    // its engine data macro (node 3) is selected, which Start sends without a question.
    TfMain& open(EcmSim& sim, bool echo, const std::string& port = "Com1") {
        dir.Write("QuorvinV4.ini",
                  "[Devices]\r\nCom1=" + sim.SlavePath() + "\r\n[Comm]\r\nPort=" + port +
                      "\r\nEcho=" + (echo ? "1" : "0") +
                      "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle +
                      "\r\nmruMacro=3\r\n[Properties]\r\nDataDir=" + dir.File("data") + "\r\n");
        window = std::make_unique<TfMain>();
        window->MessageBoxHook = [](QMessageBox::Icon, const QString&,
                                    QMessageBox::StandardButtons) { return QMessageBox::Ok; };
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }
    // Console lines without their time stamps.
    QStringList texts() const {
        QStringList result;
        for (const QString& line : window->MacrosPage->console().Lines()) {
            const int at = line.indexOf(": ");
            result.append(at == 9 ? line.mid(11) : line);
        }
        return result;
    }
    // Aldl > Check link with the keyboard: Alt+A opens the menu, K picks the command.
    void checkLinkFromTheMenu() {
        QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
        QMenu* menu = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu != nullptr;
        }));
        EXPECT_EQ(menu->title(), "&Aldl");
        QTest::keyClick(menu, Qt::Key_K);
    }
    bool waitForText(const QString& text) {
        return QTest::qWaitFor([&] { return texts().contains(text); }, 10000);
    }

    TempDir dir;
    std::unique_ptr<TfMain> window;
};

TEST_F(MainCheckTest, CheckLinkReportsAUsableLinkAndReopensThePort) {
    EcmSim sim;
    sim.Start();
    TfMain& w = open(sim, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Link->IsOpen(); }, 10000));
    checkLinkFromTheMenu();
    ASSERT_TRUE(waitForText("The link is usable."));
    const QStringList lines = texts();
    const qsizetype from = lines.lastIndexOf("Check link...");
    ASSERT_GE(from, 0);
    EXPECT_EQ(lines[from + 1],
              QString::fromStdString("Checking the link on " + sim.SlavePath() + "."));
    EXPECT_TRUE(lines.contains("Max232 interface detected OK"));
    EXPECT_TRUE(lines.contains("Interface: the probe came back, as Max232 echo expects."));
    EXPECT_TRUE(w.Link->IsOpen()); // opened again, ready for Start
    EXPECT_EQ(sim.Counters().bytesReceived, 3u);
}

TEST_F(MainCheckTest, CheckLinkGivesTheReasonsWhenTheInterfaceDoesNotEcho) {
    EcmSim sim([] {
        EcmSimOptions o;
        o.echo = false;
        return o;
    }());
    sim.Start();
    TfMain& w = open(sim, true);
    checkLinkFromTheMenu();
    ASSERT_TRUE(waitForText("The link is NOT usable:"));
    EXPECT_TRUE(texts().contains(
        "- The interface did not echo the probe: check the cable, its power (Hold DTR or RTS "
        "high) and the ignition; an interface without echo needs Max232 echo in Edit > "
        "Properties, tab Comms off."));
    EXPECT_TRUE(w.Link->IsOpen());
}

TEST_F(MainCheckTest, CheckLinkLeavesARunAlone) {
    EcmSim sim;
    sim.Start();
    TfMain& w = open(sim, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.InRunState(rsMacroSelected); }, 10000));
    QTest::keyClick(window.get(), Qt::Key_F3); // Start
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.InRunState(rsAldlRunning); }, 10000));
    checkLinkFromTheMenu();
    ASSERT_TRUE(waitForText("Check link needs the port: stop first."));
    EXPECT_FALSE(texts().contains("Check link..."));
    EXPECT_TRUE(w.InRunState(rsAldlRunning));
    QTest::keyClick(window.get(), Qt::Key_F5); // Stop
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.InRunState(rsBusy); }, 10000));
}

// A port the settings name but the list does not offer is not checked through Com1's device.
TEST_F(MainCheckTest, CheckLinkOfAPortThatIsNotConfiguredSaysSoAndLeavesTheDevicesAlone) {
    EcmSim sim;
    sim.Start();
    TfMain& w = open(sim, true, "Com9");
    checkLinkFromTheMenu();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return texts().count("COM9 port is not configured...") >= 2; }, 10000));
    EXPECT_FALSE(texts().contains("Check link..."));
    EXPECT_FALSE(w.Link->IsOpen());
    QTest::qWait(200);
    EXPECT_EQ(sim.Counters().bytesReceived, 0u);
}

} // namespace
