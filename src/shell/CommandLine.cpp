#include "shell/CommandLine.h"

#include <QFileInfo>

TCommandLine ParseCommandLine(const QStringList& args) {
    TCommandLine line;
    for (int i = 1; i < args.size() && line.Error.isEmpty(); ++i) {
        const QString& arg = args[i];
        if (arg == "--device" || arg == "--screenshots") {
            if (i + 1 >= args.size()) {
                line.Error = arg + " needs a path";
                break;
            }
            (arg == "--device" ? line.Device : line.Screenshots) = args[++i];
        } else if (arg == "--demo") {
            line.Demo = true;
        } else if (arg.startsWith('-')) {
            line.Error = "unknown argument " + arg;
        } else {
            const QFileInfo file(arg);
            const QString suffix = file.suffix().toLower();
            if (suffix != "alg" && suffix != "xml") {
                line.Error = arg + ": not a log (.alg) or a vehicle definition (.xml)";
            } else if (!file.exists()) {
                line.Error = arg + ": No such file or directory";
            } else if (!file.isFile()) {
                line.Error = arg + ": not a file";
            } else {
                line.Files.push_back(file.absoluteFilePath().toStdString());
            }
        }
    }
    return line;
}
