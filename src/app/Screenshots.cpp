// The hidden --screenshots switch: a short run of the demo (the sample vehicle against the
// simulated engine module in this process), then every page of the main window, the properties
// dialog and the macro dialogs rendered to PNG files.
#include "app/Screenshots.h"

#include "common/Common.h"
#include "engine/Cartridge.h"
#include "shell/Demo.h"
#include "shell/Main.h"
#include "shell/Properties.h"
#include "views/Export.h"
#include "views/InfoMacro.h"
#include "views/InfoMacroItem.h"
#include "views/ViewMacros.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

bool save(QWidget& widget, const QString& file) {
    widget.adjustSize();
    QApplication::processEvents();
    const bool ok = widget.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

} // namespace

int RenderScreenshots(const QString& folder) {
    QDir().mkpath(folder);
    const QString dir = QDir(folder).absolutePath();
    try {
        // A settings file of the screenshots' own with the sample vehicle; the demo's simulated
        // module answers on the port.
        const std::string ini = (dir + "/QuorvinV4.ini").toStdString();
        std::ofstream(ini) << "[fMain]\r\nmruVehicle=" << BundledDataDir()
                           << "/vehicles/SIM-V8.xml\r\n";
        setenv("QUORVIN_INI", ini.c_str(), 1);

        TDemoModule demo;
        TfMain window;
        window.MessageBoxHook = [](QMessageBox::Icon, const QString&,
                                   QMessageBox::StandardButtons) { return QMessageBox::Ok; };
        window.resize(900, 640);
        demo.Show(window);
        QTimer::singleShot(2500, &window, [&window] { window.actAldlStop->trigger(); });
        window.actAldlStart->trigger();
        // The run goes on in the background: let it log, stop and hand over its last frames.
        QEventLoop run;
        QTimer::singleShot(3500, &run, &QEventLoop::quit);
        run.exec();

        bool ok = true;
        static const char* const pages[6] = {"macros", "aldl", "dashboard",
                                             "charts", "dtc",  "flags"};
        for (int i = 0; i < 6; ++i) {
            window.PageControl->setCurrentIndex(i);
            QApplication::processEvents();
            ok &= window.grab().save(dir + "/main-" + pages[i] + ".png");
        }
        window.PageControl->setCurrentIndex(0);

        TfProperties& properties = *window.fProperties;
        for (int i = 0; i < properties.pageControl->count(); ++i) {
            properties.pageControl->setCurrentIndex(i);
            properties.show();
            ok &= save(properties, dir + "/properties-" + QString::number(i + 1) + ".png");
        }
        properties.hide();

        TfInfoMacro& macro = window.MacrosPage->infoMacro();
        macro.Fill(*window.Engine);
        macro.show();
        ok &= save(macro, dir + "/macro.png");
        macro.hide();
        TfInfoMacroItem& item = window.MacrosPage->infoMacroItem();
        if (item.Fill(*window.Engine, 0)) {
            item.show();
            ok &= save(item, dir + "/macro-item.png");
            item.hide();
        }
        window.fExport->FormShow();
        window.fExport->SelectAllClick();
        window.fExport->show();
        ok &= save(*window.fExport, dir + "/export.png");
        window.fExport->hide();
        window.Options.SaveData = 2;
        window.Options.SaveVehicle = 2;
        window.close();
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvin --screenshots: %s\n", e.what());
        return 1;
    }
}
