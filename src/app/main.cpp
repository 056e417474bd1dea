// The desktop program: the main window first, then the message loop; the main window creates
// the other windows in their fixed order.
#include "shell/Main.h"
#include "app/Screenshots.h"
#include "common/Common.h"
#include "common/Format.h"
#include "shell/CommandLine.h"
#include "shell/Demo.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char* const Usage =
    "Usage: quorvin [--device PATH | --demo] [FILE.alg | FILE.xml]...\n"
    "Quorvin V4: data logger and scan tool for engine control modules on the ALDL link.\n"
    "A log file (.alg) named is opened, a vehicle definition (.xml) selected.\n"
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
    // A file-size limit makes the write that passes it fail, with a message and the earlier file
    // whole, instead of closing the window and the run at once.
    std::signal(SIGXFSZ, SIG_IGN);
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

    const TCommandLine line = ParseCommandLine(QApplication::arguments());
    if (!line.Error.isEmpty()) {
        std::fprintf(stderr, "quorvin: %s\n%s", qPrintable(line.Error), Usage);
        return 2;
    }
    if (!line.Screenshots.isEmpty()) {
        return RenderScreenshots(line.Screenshots);
    }
    try {
        std::unique_ptr<TDemoModule> module = line.Demo ? std::make_unique<TDemoModule>() : nullptr;
        TfMain window;
        if (module) {
            module->Show(window);
        } else {
            window.DeviceOverride = line.Device.toStdString();
            window.show();
        }
        if (!line.Files.empty()) {
            // Once the window is up and painted, as when the user opens them by hand.
            QTimer::singleShot(0, &window,
                               [&window, files = line.Files] { window.OpenFiles(files); });
        }
        return app.exec();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvin: %s\n", e.what());
        return 1;
    }
}
