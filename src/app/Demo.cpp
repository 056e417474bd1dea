#include "app/Demo.h"

#include "common/Common.h"
#include "common/ConsoleBuffer.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "ecm-sim/EcmSim.h"
#include "shell/Main.h"
#include "views/ViewMacros.h"

#include <QApplication>
#include <QTreeWidget>

#include <cstdio>
#include <filesystem>

namespace {

std::string sampleVehicle() {
    const std::string own = VehicleDir() + "/" + SampleVehicleName;
    std::error_code error;
    return std::filesystem::is_regular_file(own, error)
               ? own
               : BundledDataDir() + "/vehicles/" + SampleVehicleName;
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

int RunDemo() {
    try {
        InitFolders();
        // The simulator echoes when the settings expect the interface's echo.
        EcmSimOptions options;
        options.chatter = true;
        options.echo = TIniFile(IniPath()).ReadString("Comm", "Echo", "1") != "0";
        EcmSim sim(options);
        sim.Start();

        TfMain window;
        window.DeviceOverride = sim.SlavePath();
        window.show();
        const std::string sample = sampleVehicle();
        if (FileBaseName(window.Vehicle->FileName) != FileBaseName(sample)) {
            window.LoadVehicle(sample);
            window.SelectMacro();
        }
        selectEngineMacro(window);
        window.Console->Add(Format("Demo: a simulated engine module answers on %s; press Start.",
                                   window.DeviceOverride.c_str()),
                            clInfo);
        window.Console->Flush();
        return QApplication::exec();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvin --demo: %s\n", e.what());
        return 1;
    }
}
