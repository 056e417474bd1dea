#pragma once
// The headless runner behind quorvin-run.
#include "log/ExportColumns.h"

#include <string>

class TIniFile;
class TRS232;

enum TExitCode : int {
    ExitOK = 0,
    ExitFailed = 1, // a file, the vehicle, the macro, the device or the module failed
    ExitUsage = 2,  // the command line is wrong
};

struct TRunOptions {
    bool Help = false;
    bool Version = false;
    std::string Vehicle;
    std::string Macro; // MacCode or MacID
    int Port = 0;      // 1..8; 0 = not given
    std::string Device;
    bool Sim = false;
    std::string Replay;
    int Frames = 0;     // stop after this many frames; 0 = no limit
    double Seconds = 0; // stop after this long; 0 = no limit
    int Rate = -1;      // requests per second; -1 = the ini file's
    std::string Log;    // .alg file (or .BIN data dump)
    int Split = 0;      // frames per log file; 0 = one file
    std::string Csv;
    TExportFormat CsvFormat = TExportFormat::Spreadsheet; // spreadsheet or portable
    std::string Msl;                                      // the log-viewer layout
    bool TestMode = false;
    bool Detail = false;
    bool Check = false; // test the link of the device instead of running
};

// Throws std::invalid_argument with the reason.
TRunOptions ParseRunOptions(int argc, char** argv);
const char* RunUsage();
// Runs the options; the exit status. Failures that stop the run throw EQuorvinError.
int Run(const TRunOptions& options);
// The link's settings from the ini file, as the properties dialog applies them for a vehicle
// whose ALDL field is aldl.
void ApplySettings(TRS232& link, const TIniFile& ini, const std::string& aldl);
