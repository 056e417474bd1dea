#pragma once
// The desktop program's command line: its options and the files a user or a file manager names
// (a log to open, a vehicle definition to select).
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

struct TCommandLine {
    QString Device;                 // --device PATH
    QString Screenshots;            // --screenshots FOLDER
    bool Demo = false;              // --demo
    std::vector<std::string> Files; // absolute paths of the logs (.alg) and vehicles (.xml)
    QString Error;                  // what is wrong with the arguments; empty when nothing is
};

// args as QApplication::arguments() gives them, the program first.
TCommandLine ParseCommandLine(const QStringList& args);
