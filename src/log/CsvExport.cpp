#include "log/CsvExport.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "log/DataLog.h"
#include "log/LogExport.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

const char* const LineEnd = "\r\n";

bool Exportable(const TAttr& attr) {
    return attr.AType != atDTC && attr.AType != atFlags;
}

const TAttr& AttrOf(const TCartridge& engine, const TExportColumn& c) {
    return engine.Items[c.Item].Request.Attrs[c.Attr];
}

void appendInt(std::string& out, int64_t v) {
    char text[24];
    const auto r = std::to_chars(text, text + sizeof text, v);
    out.append(text, r.ptr);
}

// NumberText's digits ("%1.0f" whole, "%1.2f" below 10, "%1.1f" below 100, else "%.0f") from
// the exact conversion printf also makes, with the user's decimal separator.
void appendNumberText(float x, std::string& out) {
    const double v = x;
    if (!std::isfinite(v)) {
        out += NumberText(x);
        return;
    }
    const double magnitude = std::fabs(v);
    const int decimals = std::trunc(v) == v ? 0 : magnitude < 10 ? 2 : magnitude < 100 ? 1 : 0;
    const size_t start = out.size();
    AppendFixed(out, v, decimals, true);
    if (decimals > 0 && DecimalSeparator != '.') {
        std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '.',
                     DecimalSeparator);
    }
}

// HexValueText: "$%.2X" for values below 255 in magnitude, else "$%.4X".
void appendHexValueText(float x, std::string& out) {
    double t = std::trunc(static_cast<double>(x));
    if (!(t > -2147483648.0 && t < 4294967296.0)) {
        t = 0;
    }
    const auto v = static_cast<int64_t>(t);
    const auto bits = static_cast<uint32_t>(v);
    const int digits = std::llabs(v) < 255 ? 2 : 4;
    char text[16];
    const auto r = std::to_chars(text, text + sizeof text, bits, 16);
    const auto length = static_cast<int>(r.ptr - text);
    out += '$';
    out.append(static_cast<size_t>(std::max(0, digits - length)), '0');
    for (const char* p = text; p < r.ptr; ++p) {
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    }
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
    std::string text;
    AppendCsvRow(engine, frame, columns, text);
    return text;
}

void AppendCsvRow(const TCartridge& engine, int frame, const std::vector<TExportColumn>& columns,
                  std::string& out) {
    appendInt(out, frame);
    for (const TExportColumn& c : columns) {
        out += ',';
        AppendCsvValueText(AttrOf(engine, c), out);
    }
    out += LineEnd;
}

void AppendCsvValueText(const TAttr& attr, std::string& out) {
    const size_t start = out.size();
    switch (attr.AType) {
    case atScaled:
        if (attr.Scale.Hex) {
            appendHexValueText(attr.Value, out);
        } else {
            appendNumberText(attr.Value, out);
        }
        break;
    case atLookup:
        appendNumberText(attr.Table[static_cast<uint32_t>(attr.RawValue) & 0xFFu].Value, out);
        break;
    case atRaw:
        appendInt(out, attr.RawValue);
        break;
    case atEnum:
        if (std::none_of(attr.Enums.begin(), attr.Enums.end(),
                         [&](const TEnums& e) { return e.Value == attr.RawValue; })) {
            out += '?';
            appendInt(out, attr.RawValue);
            out += '?';
            return;
        }
        out += CsvField(ValueText(attr, true));
        return;
    default:
        out += CsvField(ValueText(attr, true));
        return;
    }
    // A comma as the decimal separator puts the number in double quotes.
    if (out.find(',', start) != std::string::npos) {
        out.insert(start, 1, '"');
        out += '"';
    }
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

    ForEachDecodedFrame(engine, log, range,
                        [&](const TPacket&, int f) { AppendCsvRow(engine, f, columns, text); });
    return text;
}

void ExportCsv(const std::string& fileName, TCartridge& engine, TDataLog& log,
               const std::vector<TExportColumn>& chosen, TCsvRange range) {
    ExportLog(fileName, engine, log, chosen, TExportOptions{}, range);
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
