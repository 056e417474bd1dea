#include "log/ExportColumns.h"

#include "common/Format.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <set>

namespace {

constexpr int MaxDecimals = 4;
constexpr int64_t DayMs = 86400000;

bool bitOf(int32_t raw, int bit) {
    return ((static_cast<uint32_t>(raw) >> (bit & 31)) & 1U) != 0;
}

// The fewest decimals (0..4) that show x exactly as the float it came from; -1 when none do.
int fittingDecimals(double x) {
    double scaled = std::fabs(x);
    for (int d = 0; d <= MaxDecimals; ++d, scaled *= 10) {
        const double whole = std::round(scaled);
        // A float carries about seven digits: closer than that is the same number.
        if ((whole > 0 || x == 0) && std::fabs(scaled - whole) <= 1e-6 * scaled) {
            return d;
        }
    }
    return -1;
}

// Decimals that tell one step of the scale from the next.
int stepDecimals(double step) {
    const int fit = fittingDecimals(step);
    if (fit >= 0) {
        return fit;
    }
    const int d = static_cast<int>(std::ceil(-std::log10(std::fabs(step)))) + 1;
    return std::clamp(d, 0, MaxDecimals);
}

int gaugeDecimals(const std::string& format) {
    static const char* const Formats[] = {"9", "9.9", "9.99", "9.999"};
    for (int d = 0; d < 4; ++d) {
        if (format == Formats[d]) {
            return d;
        }
    }
    return -1;
}

const TAttr& attrOf(const TCartridge& engine, int item, int attr) {
    return engine.Items[static_cast<size_t>(item)].Request.Attrs[static_cast<size_t>(attr)];
}

bool exists(const TCartridge& engine, const TExportColumn& c) {
    return c.Item >= 0 && c.Item < static_cast<int>(engine.Items.size()) && c.Attr >= 0 &&
           c.Attr <
               static_cast<int>(engine.Items[static_cast<size_t>(c.Item)].Request.Attrs.size());
}

// Makes names unique without regard to case (a viewer may not tell RPM from rpm): "_2", "_3" ...
class TNames {
public:
    std::string Take(const std::string& wanted) {
        std::string name = wanted;
        for (int n = 2; !used_.insert(lower(name)).second; ++n) {
            name = wanted + "_" + std::to_string(n);
        }
        return name;
    }

private:
    static std::string lower(std::string s) {
        for (char& c : s) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return s;
    }
    std::set<std::string> used_;
};

void appendInt(std::string& out, int64_t v) {
    char text[24];
    const auto r = std::to_chars(text, text + sizeof text, v);
    out.append(text, r.ptr);
}

void appendTwo(std::string& out, int64_t v) {
    out += static_cast<char>('0' + v / 10 % 10);
    out += static_cast<char>('0' + v % 10);
}

// ValueText of an enumeration (its entry's text, else "?raw?") without a formatter call.
void appendEnumText(const TAttr& attr, char separator, std::string& out) {
    for (const TEnums& e : attr.Enums) {
        if (e.Value == attr.RawValue) {
            out += SeparatedField(e.Desc, separator);
            return;
        }
    }
    out += '?';
    appendInt(out, attr.RawValue);
    out += '?';
}

} // namespace

std::vector<TExportColumn> ExportChoices(const TCartridge& engine, TExportFormat format) {
    if (format == TExportFormat::Spreadsheet) {
        return ExportableAttributes(engine);
    }
    std::vector<TExportColumn> list;
    for (int i = 0; i < static_cast<int>(engine.Items.size()); ++i) {
        const auto& attrs = engine.Items[static_cast<size_t>(i)].Request.Attrs;
        for (int a = 0; a < static_cast<int>(attrs.size()); ++a) {
            if (attrs[static_cast<size_t>(a)].AType != atDTC) {
                list.push_back({i, a});
            }
        }
    }
    return list;
}

std::vector<TExportCell> ExportCells(const TCartridge& engine,
                                     const std::vector<TExportColumn>& chosen,
                                     const TExportOptions& options) {
    using K = TExportCell::TKind;
    std::vector<TExportCell> cells;
    TNames names;
    cells.push_back({K::Time, -1, -1, 0, 3, names.Take("Time"), "s"});
    if (options.Clock) {
        cells.push_back({K::Clock, -1, -1, 0, 0, names.Take("Clock"), ""});
    }
    for (const TExportColumn& c : ExportChoices(engine, options.Format)) {
        if (!exists(engine, c) || std::find(chosen.begin(), chosen.end(), c) == chosen.end()) {
            continue;
        }
        const TAttr& attr = attrOf(engine, c.Item, c.Attr);
        if (attr.AType == atFlags) {
            for (const TFlags& flag : attr.Flags) {
                if (!flag.Desc.empty()) {
                    cells.push_back({K::Flag, c.Item, c.Attr, flag.Bit, 0,
                                     names.Take(ExportName(flag.Desc)), ""});
                }
            }
            continue;
        }
        cells.push_back({K::Value, c.Item, c.Attr, 0, ExportDecimals(attr),
                         names.Take(ExportName(attr.ACode)), attr.Scale.Units});
    }
    if (options.Notes) {
        cells.push_back({K::Notes, -1, -1, 0, 0, names.Take("Notes"), ""});
    }
    if (options.Codes) {
        cells.push_back({K::Codes, -1, -1, 0, 0, names.Take("Codes"), ""});
    }
    return cells;
}

bool HasAttributeCells(const std::vector<TExportCell>& cells) {
    return std::any_of(cells.begin(), cells.end(), [](const TExportCell& c) {
        return c.Kind == TExportCell::TKind::Value || c.Kind == TExportCell::TKind::Flag;
    });
}

namespace {

// The decimals the values can carry: the scale's step and offset, or the lookup's values.
int resolutionDecimals(const TAttr& attr) {
    if (attr.AType == atScaled) {
        const int factor = attr.Scale.Factor == 0 ? 0 : stepDecimals(attr.Scale.Factor);
        const int offset = fittingDecimals(attr.Scale.Offset);
        return std::max(factor, offset < 0 ? MaxDecimals - 1 : offset);
    }
    if (attr.AType == atLookup) {
        int decimals = 0;
        for (const TTableEntry& e : attr.Table) {
            const int fit = fittingDecimals(e.Value);
            decimals = std::max(decimals, fit < 0 ? MaxDecimals - 1 : fit);
        }
        return decimals;
    }
    return 0;
}

} // namespace

int ExportDecimals(const TAttr& attr) {
    // A gauge's format rounds for the eye; an export keeps every step the module reports, and
    // more decimals only where the gauge asks for them.
    const int resolution = resolutionDecimals(attr);
    if (attr.AType == atScaled || attr.AType == atLookup) {
        return std::max(resolution, gaugeDecimals(attr.DashFmt));
    }
    return resolution;
}

std::string ExportName(const std::string& text) {
    std::string name;
    bool gap = false;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || c == ',' || c == '"' || c == ';' || u == 0x7F) {
            gap = !name.empty();
            continue;
        }
        if (gap) {
            name += '_';
            gap = false;
        }
        name += c;
    }
    return name.empty() ? "_" : name;
}

void AppendFixed(std::string& out, double value, int decimals, bool halfToEven) {
    if (!std::isfinite(value)) {
        return;
    }
    decimals = std::clamp(decimals, 0, 17);
    static constexpr int64_t Powers[] = {1,      10,      100,      1000,      10000,
                                         100000, 1000000, 10000000, 100000000, 1000000000};
    if (decimals < 10 && std::fabs(value) * static_cast<double>(Powers[decimals]) < 1e15) {
        // Whole units of the last decimal. The product is rounded to a double, which can only
        // move the exact value onto a half, never across one; there its exact error decides.
        const int64_t power = Powers[decimals];
        const double scaled = value * static_cast<double>(power);
        int64_t units = std::llround(scaled);
        if (std::fabs(scaled - std::trunc(scaled)) == 0.5) {
            const double error = std::fma(value, static_cast<double>(power), -scaled);
            const auto below = static_cast<int64_t>(std::floor(scaled));
            if (error < 0) {
                units = below;
            } else if (error > 0) {
                units = below + 1;
            } else if (halfToEven) {
                units = below % 2 == 0 ? below : below + 1;
            }
        }
        if (units < 0 || (units == 0 && std::signbit(value) && halfToEven)) {
            out += '-'; // printf keeps the sign of a negative value rounded to zero
        }
        const int64_t magnitude = units < 0 ? -units : units;
        appendInt(out, magnitude / power);
        if (decimals > 0) {
            out += '.';
            char digits[16];
            int64_t rest = magnitude % power;
            for (int d = decimals - 1; d >= 0; --d, rest /= 10) {
                digits[d] = static_cast<char>('0' + rest % 10);
            }
            out.append(digits, static_cast<size_t>(decimals));
        }
        return;
    }
    char text[400];
    const auto r =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        return;
    }
    const char* begin = text;
    const char* end = r.ptr;
    // A small negative value rounded to zero is written "0.00", not "-0.00".
    if (!halfToEven && *begin == '-' &&
        std::all_of(begin + 1, end, [](char c) { return c == '0' || c == '.'; })) {
        ++begin;
    }
    out.append(begin, end);
}

void AppendExportNumber(std::string& out, double value, int decimals) {
    AppendFixed(out, value, decimals, false);
}

void AppendSeconds(std::string& out, int64_t ms) {
    if (ms < 0) {
        out += '-';
        ms = -ms;
    }
    appendInt(out, ms / 1000);
    out += '.';
    const int64_t rest = ms % 1000;
    out += static_cast<char>('0' + rest / 100);
    appendTwo(out, rest % 100);
}

std::string ClockText(int64_t ms) {
    ms = ((ms % DayMs) + DayMs) % DayMs;
    std::string text;
    appendTwo(text, ms / 3600000);
    text += ':';
    appendTwo(text, ms / 60000 % 60);
    text += ':';
    appendTwo(text, ms / 1000 % 60);
    text += '.';
    text += static_cast<char>('0' + ms % 1000 / 100);
    appendTwo(text, ms % 100);
    return text;
}

int64_t TimeOfDayMs(double days) {
    if (!std::isfinite(days)) {
        return 0;
    }
    const double fraction = days - std::floor(days);
    return std::llround(fraction * static_cast<double>(DayMs)) % DayMs;
}

int64_t TElapsedClock::Next(double timeOfDay) {
    const int64_t now = TimeOfDayMs(timeOfDay);
    if (!started_) {
        started_ = true;
        elapsed_ = 0;
    } else {
        int64_t step = now - last_;
        if (step < -DayMs / 2) {
            step += DayMs; // past midnight
        }
        elapsed_ += std::max<int64_t>(step, 0);
    }
    last_ = now;
    return elapsed_;
}

std::string NoteNamesText(const TCartridge& engine, uint32_t notes) {
    std::string text;
    for (int n = 0; n < NoteCount; ++n) {
        if (notes & (1u << n)) {
            if (!text.empty()) {
                text += "; ";
            }
            const std::string name = engine.GetNoteName(n);
            text += name.empty() ? Format("Note: %d", n + 1) : name;
        }
    }
    return text;
}

std::string CodesText(const TCartridge& engine) {
    std::string text;
    for (int i = 0; i < engine.ItemCount && i < static_cast<int>(engine.Items.size()); ++i) {
        const TRequest& request = engine.Items[static_cast<size_t>(i)].Request;
        for (const TAttr& attr : request.Attrs) {
            if (attr.AType != atDTC || attr.RawValue == 0) {
                continue;
            }
            for (const TDTCs& code : attr.DTCs) {
                if (bitOf(attr.RawValue, code.Bit)) {
                    if (!text.empty()) {
                        text += ' ';
                    }
                    text += ExportName(code.DTC.empty() ? code.Desc : code.DTC);
                }
            }
        }
    }
    return text;
}

std::string SeparatedField(const std::string& text, char separator) {
    if (separator == ',') {
        return CsvField(text);
    }
    if (text.find_first_of("\t\r\n") == std::string::npos) {
        return text;
    }
    std::string plain = text;
    for (char& c : plain) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return plain;
}

void AppendCells(const TCartridge& engine, const std::vector<TExportCell>& cells,
                 const TPacket& frame, int64_t elapsedMs, char separator, std::string& out) {
    using K = TExportCell::TKind;
    bool first = true;
    for (const TExportCell& cell : cells) {
        if (!first) {
            out += separator;
        }
        first = false;
        switch (cell.Kind) {
        case K::Time:
            AppendSeconds(out, elapsedMs);
            break;
        case K::Clock:
            out += ClockText(TimeOfDayMs(frame.Time));
            break;
        case K::Value: {
            const TAttr& attr = attrOf(engine, cell.Item, cell.Attr);
            if (attr.AType == atEnum) {
                appendEnumText(attr, separator, out);
            } else if (attr.AType == atRaw) {
                appendInt(out, attr.RawValue);
            } else {
                AppendExportNumber(out, attr.Value, cell.Decimals);
            }
            break;
        }
        case K::Flag:
            out += bitOf(attrOf(engine, cell.Item, cell.Attr).RawValue, cell.Bit) ? '1' : '0';
            break;
        case K::Notes:
            out += SeparatedField(NoteNamesText(engine, frame.Notes), separator);
            break;
        case K::Codes:
            out += SeparatedField(CodesText(engine), separator);
            break;
        }
    }
}

std::string ExportSource(const TCartridge& engine) {
    std::string vehicle;
    const TTable& v = *engine.Vehicle.Vehicles;
    for (const char* field : {"VCode", "VDesc"}) {
        const std::string text = v.IsEmpty() || v.Eof() ? std::string() : v.AsString(field);
        if (!text.empty()) {
            vehicle += (vehicle.empty() ? "" : " ") + text;
        }
    }
    return (vehicle.empty() ? std::string() : vehicle + " - ") + "Quorvin V4 " + QUORVIN_VERSION;
}
