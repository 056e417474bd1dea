#include "log/CsvExport.h"

#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "log/DataLog.h"

#include <algorithm>

namespace {

const char* const LineEnd = "\r\n";

bool Exportable(const TAttr& attr) {
    return attr.AType != atDTC && attr.AType != atFlags;
}

const TAttr& AttrOf(const TCartridge& engine, const TExportColumn& c) {
    return engine.Items[c.Item].Request.Attrs[c.Attr];
}

} // namespace

std::vector<TExportColumn> ExportableAttributes(const TCartridge& engine) {
    std::vector<TExportColumn> list;
    for (int i = 0; i < static_cast<int>(engine.Items.size()); ++i) {
        const auto& attrs = engine.Items[i].Request.Attrs;
        for (int a = 0; a < static_cast<int>(attrs.size()); ++a)
            if (Exportable(attrs[a]))
                list.push_back({i, a});
    }
    return list;
}

std::vector<TExportColumn> CsvColumns(const TCartridge& engine,
                                      const std::vector<TExportColumn>& chosen) {
    std::vector<TExportColumn> columns;
    for (const TExportColumn& c : ExportableAttributes(engine))
        if (std::find(chosen.begin(), chosen.end(), c) != chosen.end())
            columns.push_back(c);
    return columns;
}

std::string CsvHeader(const TCartridge& engine, const std::vector<TExportColumn>& columns) {
    std::string text = "FRAME";
    for (const TExportColumn& c : columns) {
        const TAttr& attr = AttrOf(engine, c);
        text += "," + CsvField(attr.ACode + " " + attr.Scale.Units);
    }
    return text + LineEnd;
}

std::string CsvRow(const TCartridge& engine, int frame, const std::vector<TExportColumn>& columns) {
    std::string text = Format("%d", frame);
    for (const TExportColumn& c : columns)
        text += "," + CsvField(ValueText(AttrOf(engine, c), true));
    return text + LineEnd;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

std::string CsvText(TCartridge& engine, TDataLog& log, const std::vector<TExportColumn>& chosen,
                    TCsvRange range) {
    const std::vector<TExportColumn> columns = CsvColumns(engine, chosen);
    std::string text = CsvHeader(engine, columns);

    // Only captured frames are written: no blank rows past the end, no index error before 0.
    const int from = std::clamp(range.From, 0, log.Count());
    const int to = std::clamp(range.To, from, log.Count());
    // A macro's messages arrive in turn, so a row's values depend on every frame before it:
    // decode from the first frame on, and write the rows of the range.
    engine.ResetValues();
    TPacket frame;
    for (int f = 0; f < to; ++f) {
        log.ReadFrame(f, frame);
        engine.DecodeFrame(frame, false);
        if (f >= from)
            text += CsvRow(engine, f, columns);
    }
    return text;
}

void ExportCsv(const std::string& fileName, TCartridge& engine, TDataLog& log,
               const std::vector<TExportColumn>& chosen, TCsvRange range) {
    if (fileName.empty())
        throw EQuorvinError("Please select an export filename");
    if (CsvColumns(engine, chosen).empty())
        throw EQuorvinError("Please select at least one attirbute to be exported");
    WriteCsvFile(fileName, CsvText(engine, log, chosen, range));
}

void WriteCsvFile(const std::string& fileName, const std::string& text) {
    try {
        WriteFileSafely(fileName, text);
    } catch (const EQuorvinError& e) {
        // WriteFileSafely says "<path>: <system text>"; the system's message names the file.
        std::string reason = e.what();
        const std::string prefix = fileName + ": ";
        if (reason.compare(0, prefix.size(), prefix) == 0)
            reason.erase(0, prefix.size());
        throw EQuorvinError(Format("Can't save file %s. %s", fileName.c_str(), reason.c_str()));
    }
}
