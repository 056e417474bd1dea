// The desktop program: the main window first, then the message loop; the main window creates
// the other windows in their fixed order.
#include "shell/Main.h"
#include "common/Format.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quorvin V4");
    QApplication::setOrganizationName("Quorvin");
    DecimalSeparator = QLocale().decimalPoint().at(0).toLatin1();
    TfMain window;
    window.show();
    return app.exec();
}
