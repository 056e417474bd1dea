#include "log/LogExport.h"

#include "common/Errors.h"
#include "engine/Cartridge.h"
#include "log/DataLog.h"
#include "log/MslExport.h"
#include "log/PortableCsv.h"
#include "log/SafeFile.h"

#include <algorithm>

const char* ExportFormatName(TExportFormat format) {
    switch (format) {
    case TExportFormat::Portable:
        return "portable";
    case TExportFormat::Msl:
        return "msl";
    default:
        return "spreadsheet";
    }
}

bool ExportFormatOf(const std::string& name, TExportFormat& format) {
    for (TExportFormat f :
         {TExportFormat::Spreadsheet, TExportFormat::Portable, TExportFormat::Msl}) {
        if (name == ExportFormatName(f)) {
            format = f;
            return true;
        }
    }
    return false;
}

const char* ExportExtension(TExportFormat format) {
    return format == TExportFormat::Msl ? ".msl" : ".csv";
}

TExportWriter::TExportWriter(const TCartridge& engine, const std::vector<TExportColumn>& chosen,
                             const TExportOptions& options)
    : engine_(engine), options_(options) {
    if (options.Format == TExportFormat::Spreadsheet) {
        columns_ = CsvColumns(engine, chosen);
    } else {
        cells_ = ExportCells(engine, chosen, options);
    }
}

bool TExportWriter::HasColumns() const {
    return options_.Format == TExportFormat::Spreadsheet ? !columns_.empty()
                                                         : HasAttributeCells(cells_);
}

std::string TExportWriter::Header() const {
    switch (options_.Format) {
    case TExportFormat::Portable:
        return PortableCsvHeader(cells_);
    case TExportFormat::Msl:
        return MslHeader(engine_, cells_);
    default:
        return CsvHeader(engine_, columns_);
    }
}

void TExportWriter::AppendRow(const TPacket& frame, int number, std::string& out) {
    switch (options_.Format) {
    case TExportFormat::Portable:
        AppendPortableCsvRow(engine_, cells_, frame, clock_.Next(frame.Time), out);
        break;
    case TExportFormat::Msl:
        AppendMslRow(engine_, cells_, frame, clock_.Next(frame.Time), marks_, out);
        break;
    default:
        AppendCsvRow(engine_, number, columns_, out);
        break;
    }
}

void ForEachDecodedFrame(TCartridge& engine, TDataLog& log, TCsvRange range,
                         const std::function<void(const TPacket&, int)>& row) {
    // Only captured frames are written: no blank rows past the end, no index error before 0.
    const int from = std::clamp(range.From, 0, log.Count());
    const int to = std::clamp(range.To, from, log.Count());
    engine.ResetValues();
    TPacket frame;
    for (int f = 0; f < to; ++f) {
        log.ReadFrame(f, frame);
        engine.DecodeFrame(frame, false);
        if (f >= from)
            row(frame, f);
    }
}

void ExportLog(const std::string& fileName, TCartridge& engine, TDataLog& log,
               const std::vector<TExportColumn>& chosen, const TExportOptions& options,
               TCsvRange range) {
    if (fileName.empty()) {
        throw EQuorvinError("Please select an export filename");
    }
    TExportWriter writer(engine, chosen, options);
    if (!writer.HasColumns()) {
        throw EQuorvinError("Please select at least one attirbute to be exported");
    }
    TSafeFile file(fileName);
    file.Buffer() = writer.Header();
    ForEachDecodedFrame(engine, log, range, [&](const TPacket& frame, int f) {
        writer.AppendRow(frame, f, file.Buffer());
        file.WriteIfFull();
    });
    file.Commit();
}
