#include "log/PortableCsv.h"

std::string PortableCsvHeader(const std::vector<TExportCell>& cells) {
    std::string text;
    for (const TExportCell& cell : cells) {
        if (!text.empty()) {
            text += ',';
        }
        text += CsvField(cell.Units.empty() ? cell.Name : cell.Name + " (" + cell.Units + ")");
    }
    return text + "\r\n";
}

void AppendPortableCsvRow(const TCartridge& engine, const std::vector<TExportCell>& cells,
                          const TPacket& frame, int64_t elapsedMs, std::string& out) {
    AppendCells(engine, cells, frame, elapsedMs, ',', out);
    out += "\r\n";
}
