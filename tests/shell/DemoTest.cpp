// quorvin --demo: the window against the simulated engine module in the process, with the
// sample vehicle and its engine data macro, run for real on the offscreen platform.
#include "shell/Demo.h"

#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "link/RS232.h"
#include "log/DataLog.h"
#include "shell/ConsoleView.h"
#include "shell/Main.h"
#include "support/TempDir.h"
#include "views/ViewMacros.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

class DemoTest : public testing::Test {
protected:
    void SetUp() override { setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1); }
    void TearDown() override { unsetenv("QUORVIN_INI"); }

    // Shows the demo, runs the macro for about a second and returns the frames logged.
    int runDemo(const std::string& settings) {
        if (!settings.empty()) {
            dir.Write("QuorvinV4.ini", settings);
        }
        TDemoModule demo;
        TfMain window;
        window.MessageBoxHook = [](QMessageBox::Icon, const QString&,
                                   QMessageBox::StandardButtons) { return QMessageBox::Ok; };
        demo.Show(window);
        EXPECT_TRUE(window.Link->IsOpen());
        EXPECT_EQ(window.Link->DevicePath(), demo.Device());
        EXPECT_EQ(std::filesystem::path(window.Vehicle->FileName).filename(), "SIM-V8.xml");
        EXPECT_EQ(window.Engine->MacroTitle.rfind("Engine data, repeating", 0), 0u)
            << window.Engine->MacroTitle;
        const QStringList lines = window.MacrosPage->console().Lines();
        EXPECT_TRUE(!lines.isEmpty() && lines.last().endsWith(QString::fromStdString(
                                            "Demo: a simulated engine module answers on " +
                                            demo.Device() + "; press Start.")))
            << lines.join("\n").toStdString();

        window.actAldlStart->trigger(); // the worker runs; the window stays responsive
        EXPECT_TRUE(QTest::qWaitFor([&window] { return window.Log->Count() > 3; }, 10000));
        window.actAldlStop->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&window] { return window.ActiveLoops() == 0; }, 5000));
        const int frames = window.Log->Count();
        window.Options.SaveData = 2;
        window.close();
        return frames;
    }

    TempDir dir;
};

TEST_F(DemoTest, RunsTheSampleVehicleAgainstTheSimulatedModuleWithoutAnySettings) {
    EXPECT_GT(runDemo(""), 3);
}

TEST_F(DemoTest, TheSimulatedModuleFollowsAnInterfaceWithoutEcho) {
    // A user whose interface does not echo: the simulator leaves the echo out too.
    EXPECT_GT(runDemo("[Comm]\r\nEcho=0\r\n"), 3);
}

TEST_F(DemoTest, ReplacesAnotherVehicleTheUserHadOpen) {
    const std::string other = dir.File("Other.xml");
    std::filesystem::copy_file(std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml",
                               other);
    EXPECT_GT(runDemo("[fMain]\r\nmruVehicle=" + other + "\r\n"), 3);
}

} // namespace
