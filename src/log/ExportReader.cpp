#include "log/ExportReader.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>

namespace {

class EBadExport : public EQuorvinError {
public:
    using EQuorvinError::EQuorvinError;
};

[[noreturn]] void bad(int line, const std::string& what) {
    throw EBadExport(Format("line %d: %s", line, what.c_str()));
}

// The lines of a tab-separated file, without their CR LF or LF.
std::vector<std::string> plainLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

// CSV records as RFC 4180 has them: fields in double quotes may hold commas, doubled quotes
// and line breaks. line counts the lines read, for the messages.
bool nextRecord(const std::string& text, size_t& at, int& line, std::vector<std::string>& out) {
    out.clear();
    if (at >= text.size()) {
        return false;
    }
    const int first = ++line;
    std::string field;
    bool quoted = false, wasQuoted = false;
    while (at < text.size()) {
        const char c = text[at++];
        if (quoted) {
            if (c == '"') {
                if (at < text.size() && text[at] == '"') {
                    field += '"';
                    ++at;
                } else {
                    quoted = false;
                }
            } else {
                line += c == '\n';
                field += c;
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            out.push_back(std::move(field));
            field.clear();
            wasQuoted = false;
        } else if (c == '\r' && at < text.size() && text[at] == '\n') {
            continue;
        } else if (c == '\n') {
            break;
        } else if (wasQuoted) {
            bad(line, "text after a closing double quote");
        } else {
            field += c;
        }
    }
    if (quoted) {
        bad(first, "a double quote is not closed");
    }
    out.push_back(std::move(field));
    return true;
}

// "RPM (rpm)" is the name RPM with the unit rpm.
void splitTitle(const std::string& title, std::string& name, std::string& units) {
    const size_t open = title.find(" (");
    if (open != std::string::npos && !title.empty() && title.back() == ')') {
        name = title.substr(0, open);
        units = title.substr(open + 2, title.size() - open - 3);
    } else {
        name = title;
        units.clear();
    }
}

TExportTable readCsv(const std::string& text) {
    TExportTable table;
    table.Format = TExportFormat::Portable;
    size_t at = 0;
    int line = 0;
    std::vector<std::string> record;
    if (!nextRecord(text, at, line, record) || record.empty() || record[0].empty()) {
        bad(1, "no title line");
    }
    for (const std::string& title : record) {
        std::string name, units;
        splitTitle(title, name, units);
        table.Names.push_back(name);
        table.Units.push_back(units);
    }
    while (nextRecord(text, at, line, record)) {
        if (record.size() == 1 && record[0].empty() && at >= text.size()) {
            break; // the end of the last line
        }
        if (record.size() != table.Names.size()) {
            bad(line,
                Format("%d fields where the title line has %d", static_cast<int>(record.size()),
                       static_cast<int>(table.Names.size())));
        }
        table.Rows.push_back(record);
    }
    return table;
}

TExportTable readMsl(const std::string& text) {
    TExportTable table;
    table.Format = TExportFormat::Msl;
    const std::vector<std::string> lines = plainLines(text);
    size_t i = 0;
    for (; i < lines.size() && !lines[i].empty() && lines[i].front() == '"'; ++i) {
        const std::string& l = lines[i];
        if (l.size() < 2 || l.back() != '"') {
            bad(static_cast<int>(i) + 1, "a quoted line without its closing double quote");
        }
        table.Info.push_back(l.substr(1, l.size() - 2));
    }
    if (i + 1 >= lines.size()) {
        bad(static_cast<int>(i) + 1, "no line of channel names and units");
    }
    table.Names = Split(lines[i], "\t");
    table.Units = Split(lines[i + 1], "\t");
    if (table.Units.size() != table.Names.size()) {
        bad(static_cast<int>(i) + 2, "the units do not match the channel names");
    }
    for (i += 2; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.empty()) {
            continue;
        }
        if (l.rfind("MARK ", 0) == 0) {
            table.Marks.push_back({static_cast<int>(table.Rows.size()), l});
            continue;
        }
        std::vector<std::string> cells = Split(l, "\t");
        if (cells.size() != table.Names.size()) {
            bad(static_cast<int>(i) + 1,
                Format("%d values for %d channels", static_cast<int>(cells.size()),
                       static_cast<int>(table.Names.size())));
        }
        table.Rows.push_back(std::move(cells));
    }
    return table;
}

} // namespace

int TExportTable::Column(const std::string& name) const {
    for (size_t c = 0; c < Names.size(); ++c) {
        if (Names[c] == name) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

TExportTable ReadExportText(const std::string& text) {
    return !text.empty() && text.front() == '"' ? readMsl(text) : readCsv(text);
}

TExportTable ReadExportFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw EQuorvinError(
            Format("Can't open file %s. %s", path.c_str(), SystemErrorText(errno).c_str()));
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return ReadExportText(text.str());
    } catch (const EBadExport& e) {
        throw EQuorvinError(
            Format("File %s is not a portable CSV or .msl export: %s", path.c_str(), e.what()));
    }
}

bool ReadExportNumber(const std::string& text, double& value) {
    if (text.empty() || text.front() == '+') {
        return false;
    }
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    return r.ec == std::errc() && r.ptr == end;
}
