// The desktop program: the main window first, then the message loop; the main window creates
// the other windows in their fixed order.
//   quorvin [--device PATH]     PATH: the serial device the port talks through
//   quorvin --screenshots DIR   renders the windows to PNG files in DIR and exits
#include "shell/Main.h"
#include "app/Screenshots.h"
#include "common/Format.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quorvin V4");
    DecimalSeparator = QLocale().decimalPoint().at(0).toLatin1();

    QString device, screenshots;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if ((args[i] == "--device" || args[i] == "--screenshots") && i + 1 < args.size()) {
            (args[i] == "--device" ? device : screenshots) = args[i + 1];
            ++i;
        } else {
            std::fprintf(stderr, "quorvin: unknown argument %s\nUsage: quorvin [--device PATH]\n",
                         qPrintable(args[i]));
            return 2;
        }
    }
    if (!screenshots.isEmpty()) {
        return RenderScreenshots(screenshots);
    }
    TfMain window;
    window.DeviceOverride = device.toStdString();
    window.show();
    return app.exec();
}
