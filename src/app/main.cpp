// The desktop program: the main window first, then the message loop; the main window creates
// the other windows in their fixed order.
#include "shell/Main.h"
#include "app/Screenshots.h"
#include "common/Common.h"
#include "common/Format.h"
#include "shell/Demo.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char* const Usage =
    "Usage: quorvin [--device PATH | --demo]\n"
    "Quorvin V4: data logger and scan tool for engine control modules on the ALDL link.\n"
    "\n"
    "Options:\n"
    "  --device PATH   the serial port talks through this device (/dev/ttyUSB0, a\n"
    "                  pseudo-terminal ...) instead of the one in the settings\n"
    "  --demo          a simulated engine module in the program and the sample vehicle:\n"
    "                  try everything without a car\n"
    "  --help          this text\n"
    "  --version       the version\n"
    "\n"
    "Without a car, View > Macro test mode makes up replies instead of asking the module.\n"
    "To use a serial device, your user must be in the group that owns it (usually dialout):\n"
    "sudo adduser $USER dialout, then log out and log in again.\n"
    "Settings live in QuorvinV4.ini beside the program, or in the user's config folder\n"
    "(~/.config/Quorvin/QuorvinV4.ini) when the program is installed; QUORVIN_INI names\n"
    "another file. Window settings are in ~/.config/Quorvin/V4.conf.\n";

// Answers --help and --version before the toolkit starts, so they work without a display.
bool answeredAtOnce(int argc, char** argv, int& code) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            code = 0;
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quorvin (Quorvin V4) %s\n", QUORVIN_VERSION);
            code = 0;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    int code = 0;
    if (answeredAtOnce(argc, argv, code)) {
        return code;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quorvin V4");
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/logo.png")));
    // Ties the windows to the menu entry (and its icon) on Wayland desktops.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvin"));
    DecimalSeparator = QLocale().decimalPoint().at(0).toLatin1();

    QString device, screenshots;
    bool demo = false;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if ((args[i] == "--device" || args[i] == "--screenshots") && i + 1 < args.size()) {
            (args[i] == "--device" ? device : screenshots) = args[i + 1];
            ++i;
        } else if (args[i] == "--demo") {
            demo = true;
        } else {
            std::fprintf(stderr, "quorvin: unknown argument %s\n%s", qPrintable(args[i]), Usage);
            return 2;
        }
    }
    if (!screenshots.isEmpty()) {
        return RenderScreenshots(screenshots);
    }
    try {
        std::unique_ptr<TDemoModule> module = demo ? std::make_unique<TDemoModule>() : nullptr;
        TfMain window;
        if (module) {
            module->Show(window);
        } else {
            window.DeviceOverride = device.toStdString();
            window.show();
        }
        return app.exec();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvin: %s\n", e.what());
        return 1;
    }
}
