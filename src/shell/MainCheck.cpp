// Aldl > Check link: the self-test of the port's device with the settings in force.
#include "shell/Main.h"

#include "common/ConsoleBuffer.h"
#include "engine/Detect.h"
#include "link/LinkSelfTest.h"
#include "link/RS232.h"
#include "shell/Properties.h"

#include <QApplication>

namespace {

// The verdict's failing lines in the error colour, the findings as information.
int levelOf(const std::string& line) {
    return line.rfind("- ", 0) == 0 || line == "The link is NOT usable:" ? clError : clInfo;
}

} // namespace

// The port is closed for the check and opened again afterwards, as Start expects to find it.
void TfMain::actAldlCheckLinkExecute() {
    focusConsole();
    if (InRunState(rsBusy)) {
        Console->Add("Check link needs the port: stop first.", clError);
        Console->Flush();
        return;
    }
    if (DeviceOverride.empty() && !fProperties->PortConfigured()) {
        portNotConfigured(); // a port the list does not offer: Com1's device is no stand-in
        return;
    }
    Console->Add("Check link...", clInfo);
    Console->Flush();
    TSelfTestSetup setup;
    setup.Aldl8192 = vehicleAldl() == "8192";
    setup.Reader = DeviceOverride.empty() ? TPortHelpFor::Window : TPortHelpFor::WindowDeviceOption;
    setup.Probe = [this] { return Detect->DetectInterface(actViewIO->isChecked()); };
    setup.Say = [this](const std::string& line) { Console->Add(line, levelOf(line)); };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        RunLinkSelfTest(*Link, setup);
    } catch (const std::exception& e) {
        Console->Add(e.what(), clError);
    }
    QApplication::restoreOverrideCursor();
    Console->Add("", clInfo);
    OpenPort();
}
