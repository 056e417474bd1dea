#include "log/MslExport.h"

#include "common/Format.h"
#include "engine/Cartridge.h"

namespace {

// A line in double quotes: a double quote inside would end it early, so it becomes a single one.
std::string quotedLine(std::string text) {
    for (char& c : text) {
        if (c == '"') {
            c = '\'';
        } else if (c == '\r' || c == '\n' || c == '\t') {
            c = ' ';
        }
    }
    return "\"" + text + "\"\r\n";
}

} // namespace

std::string MslHeader(const TCartridge& engine, const std::vector<TExportCell>& cells) {
    std::string text = quotedLine(ExportSource(engine));
    if (!engine.MacroTitle.empty()) {
        text += quotedLine("Macro: " + engine.MacroTitle);
    }
    std::string names, units;
    for (const TExportCell& cell : cells) {
        if (&cell != &cells.front()) {
            names += '\t';
            units += '\t';
        }
        names += SeparatedField(cell.Name, '\t');
        units += SeparatedField(cell.Units, '\t');
    }
    return text + names + "\r\n" + units + "\r\n";
}

std::string MslMark(int number, const std::string& text, int64_t timeOfDayMs) {
    return Format("MARK %03d - ", number) + SeparatedField(text, '\t') + " - " +
           ClockText(timeOfDayMs);
}

void AppendMslRow(const TCartridge& engine, const std::vector<TExportCell>& cells,
                  const TPacket& frame, int64_t elapsedMs, int& marks, std::string& out) {
    AppendCells(engine, cells, frame, elapsedMs, '\t', out);
    out += "\r\n";
    for (int n = 0; n < NoteCount && frame.Notes != 0; ++n) {
        if (frame.Notes & (1u << n)) {
            out += MslMark(++marks, NoteNamesText(engine, 1u << n), TimeOfDayMs(frame.Time));
            out += "\r\n";
        }
    }
}
