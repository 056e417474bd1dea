#pragma once
// Exports of logged frames in any of the three layouts: the spreadsheet CSV (CsvExport.h), the
// portable CSV (PortableCsv.h) and the log-viewer layout (MslExport.h). A writer turns frames
// decoded into the image into rows as they come (a run writes its file as it goes); ExportLog
// writes a range of the capture through a temporary file.
#include "log/ExportColumns.h"

#include <functional>
#include <string>
#include <vector>

class TDataLog;

// "spreadsheet", "portable", "msl"; the format of a name, false when there is none.
const char* ExportFormatName(TExportFormat format);
bool ExportFormatOf(const std::string& name, TExportFormat& format);
// The usual extension: ".csv", or ".msl" for the log-viewer layout.
const char* ExportExtension(TExportFormat format);

class TExportWriter {
public:
    TExportWriter(const TCartridge& engine, const std::vector<TExportColumn>& chosen,
                  const TExportOptions& options);

    const TExportOptions& Options() const { return options_; }
    // False when no chosen attribute can be written in this format.
    bool HasColumns() const;
    // The lines before the first row.
    std::string Header() const;
    // Appends the row of a frame the image has just decoded; number is the frame's number in
    // the capture (the spreadsheet layout's first column). The first row starts the time.
    void AppendRow(const TPacket& frame, int number, std::string& out);

private:
    const TCartridge& engine_;
    TExportOptions options_;
    std::vector<TExportColumn> columns_; // spreadsheet
    std::vector<TExportCell> cells_;     // the others
    TElapsedClock clock_;
    int marks_ = 0;
};

// Decodes the capture from frame 0 after ResetValues, without recording notes, and hands each
// frame of range.From .. range.To-1 (clamped to the capture's frames) to row with its index, so
// every row sees the values in force at its frame: a macro's messages arrive in turn.
void ForEachDecodedFrame(TCartridge& engine, TDataLog& log, TCsvRange range,
                         const std::function<void(const TPacket&, int)>& row);

// Writes frames range.From .. range.To-1 of the capture (clamped to its frames) in the chosen
// format through a temporary file, so a failure leaves an earlier file of that name whole. The
// frames are decoded in order from frame 0 after ResetValues, without recording notes, so every
// row holds the values in force at its frame. Raises "Please select an export filename",
// "Please select at least one attirbute to be exported" or "Can't save file %s. %s".
void ExportLog(const std::string& fileName, TCartridge& engine, TDataLog& log,
               const std::vector<TExportColumn>& chosen, const TExportOptions& options,
               TCsvRange range = TCsvRange::All());
