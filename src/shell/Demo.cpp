#include "shell/Demo.h"

#include "common/Common.h"
#include "common/ConsoleBuffer.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "ecm-sim/EcmSim.h"
#include "shell/Main.h"
#include "views/ViewMacros.h"

#include <QTreeWidget>

#include <filesystem>

namespace {

// The user's copy of the sample when installed, else the bundled one.
std::string sampleVehicle() {
    const std::string firstStart = FirstStartVehicle();
    return firstStart.empty() ? BundledDataDir() + "/vehicles/" + SampleVehicleName : firstStart;
}

void selectEngineMacro(TfMain& window) {
    QTreeWidget& tree = window.MacrosPage->tree();
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        if (tree.topLevelItem(i)->text(0).startsWith("Engine data, repeating")) {
            tree.setCurrentItem(tree.topLevelItem(i));
            tree.expandAll();
            return;
        }
    }
}

} // namespace

TDemoModule::TDemoModule() {
    EcmSimOptions options;
    options.chatter = true;
    options.echo = TIniFile(IniPath()).ReadString("Comm", "Echo", "1") != "0";
    sim_ = std::make_unique<EcmSim>(options);
    sim_->Start();
}

TDemoModule::~TDemoModule() = default;

std::string TDemoModule::Device() const {
    return sim_->SlavePath();
}

void TDemoModule::Show(TfMain& window) {
    window.DeviceOverride = Device();
    window.show();
    const std::string sample = sampleVehicle();
    if (std::filesystem::path(window.Vehicle->FileName).filename() !=
        std::filesystem::path(sample).filename()) {
        window.LoadVehicle(sample);
        window.SelectMacro();
    }
    selectEngineMacro(window);
    window.Console->Add(
        Format("Demo: a simulated engine module answers on %s; press Start.", Device().c_str()),
        clInfo);
    window.Console->Flush();
}
