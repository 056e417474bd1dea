#include "definitions/TableText.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "definitions/XMLData.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>

const char* const ClipboardEmptyText = "Clipboard does not contain any data.";
const char* const AttrPasteFormatText =
    "Clipboard data does not contain valid data.\r\n\r\nThe data to be pasted MUST contain one or "
    "more <CR><NL> delimted records.\r\nEach record MUST contain the following 7 tab delimited "
    "fields: \r\nStart Byte.Bit <tab> Number of bits <tab> Code <tab> Description <tab> Units "
    "<tab> Factor <tab> Offset <CR><NL>\r\n\r\nNOTE: Copying a block of 7 columns from Excel "
    "produces the required data format.";
const char* const ReversePasteQuestion =
    "You pressed CTRL-A\r\nDo you want to reverse-paste data from the clipboard?";
const char* const PasteQuestion =
    "You pressed CTRL-B\r\nDo you want to paste data from the clipboard?";

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (isBlank(s[b]) || s[b] == '\r' || s[b] == '\n')) {
        ++b;
    }
    while (e > b && (isBlank(s[e - 1]) || s[e - 1] == '\r' || s[e - 1] == '\n')) {
        --e;
    }
    return s.substr(b, e - b);
}

bool fits(const std::string& text, TFieldType type) {
    TFieldDef def;
    def.DataType = type;
    TValue out;
    return TTable::ConvertValue(TValue(text), def, out);
}

// A decimal fraction with a point whatever the locale, or hexadecimal after "$".
bool readPointNumber(const std::string& text, double& value) {
    if (!text.empty() && text[0] == '$') {
        int i = 0;
        if (!TryReadInt(text, i)) {
            return false;
        }
        value = i;
        return true;
    }
    const char* b = text.data();
    const char* e = b + text.size();
    if (b != e && *b == '+') {
        ++b;
    }
    auto [p, ec] = std::from_chars(b, e, value);
    return ec == std::errc() && p == e && b != e && std::isfinite(value);
}

// As a module ID: "$" or decimal, then the whole text as bare hexadecimal.
bool readRawByte(const std::string& text, int& value) {
    return TryReadInt(text, value) || TryReadInt("$" + text, value);
}

std::string lineError(size_t index, const std::string& text) {
    return Format("Line %d: %s", static_cast<int>(index + 1), text.c_str());
}

} // namespace

std::vector<std::string> SplitTextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false; // a line has started since the last break
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.push_back(line);
            line.clear();
            open = false;
        } else {
            line += c;
            open = true;
        }
    }
    if (open) {
        lines.push_back(line);
    }
    return lines;
}

std::string ProperCase(const std::string& text) {
    std::string s = text;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        s[i] = static_cast<char>(i == 0 ? std::toupper(c) : std::tolower(c));
    }
    return s;
}

void PasteLines(TTable& table, const std::string& keyField, const std::string& targetField,
                const std::vector<std::string>& lines, bool reverse, int64_t keyLimit) {
    table.CheckBrowseMode();
    std::set<int64_t> used;
    for (table.First(); !table.Eof(); table.Next()) {
        used.insert(table.AsInteger(keyField));
    }
    // Keys of the appended rows: the line's number where it is free, else the lowest free key;
    // all chosen before anything is written, so lines that cannot fit change nothing.
    const size_t count = lines.size();
    std::vector<int64_t> keys;
    int64_t lowest = 0;
    for (size_t i = static_cast<size_t>(table.RecordCount()); i < count; ++i) {
        int64_t key = static_cast<int64_t>(i);
        if (key >= keyLimit || used.count(key)) {
            while (used.count(lowest)) {
                ++lowest;
            }
            key = lowest;
        }
        if (key >= keyLimit) {
            throw EQuorvinError(Format(
                "The clipboard holds %d lines, but this attribute holds at most %d rows (%s 0 to "
                "%d). Nothing was pasted.",
                static_cast<int>(count), static_cast<int>(keyLimit), keyField.c_str(),
                static_cast<int>(keyLimit - 1)));
        }
        used.insert(key);
        keys.push_back(key);
    }
    // The first lines overwrite the rows that were there, in their key order.
    std::vector<TBookmark> existing;
    for (table.First(); !table.Eof(); table.Next()) {
        existing.push_back(table.Bookmark());
    }
    for (size_t i = 0; i < count; ++i) {
        if (i < existing.size()) {
            table.GotoBookmark(existing[i]);
            table.Edit();
        } else {
            table.Insert();
            table.SetAsInteger(keyField, static_cast<int32_t>(keys[i - existing.size()]));
        }
        table.SetAsString(targetField, ProperCase(lines[reverse ? count - 1 - i : i]));
        table.Post();
    }
    table.First();
}

int64_t ListKeyLimit(int atype, int bits) {
    const int b = bits > 0 ? std::min(bits, 32) : 8;
    return atype == atEnum ? (int64_t{1} << std::min(b, 31)) : b;
}

bool ParseAttrPaste(const std::vector<std::string>& lines, std::vector<TAttrPasteLine>& out,
                    std::string& error) {
    out.clear();
    std::vector<TAttrPasteLine> parsed;
    for (const std::string& line : lines) {
        std::vector<std::string> f = Split(line, "\t");
        if (f.size() != 7) {
            error = AttrPasteFormatText;
            return false;
        }
        parsed.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6]});
    }
    for (size_t i = 0; i < parsed.size(); ++i) {
        const TAttrPasteLine& p = parsed[i];
        const std::pair<const std::string*, const char*> numbers[] = {
            {&p.Start, "the start \"%s\" is not a number"},
            {&p.Bits, "the number of bits \"%s\" is not a whole number"},
            {&p.Factor, "the factor \"%s\" is not a number"},
            {&p.Offset, "the offset \"%s\" is not a number"}};
        for (const auto& [text, message] : numbers) {
            const TFieldType type = text == &p.Bits ? TFieldType::ftInteger : TFieldType::ftFloat;
            if (!fits(*text, type)) {
                error = lineError(i, Format(message, text->c_str()));
                return false;
            }
        }
    }
    out = std::move(parsed);
    return true;
}

int PastedAttrType(const TAttrPasteLine& line) {
    return ReadNumber(line.Factor, 1) == 1 && ReadNumber(line.Offset, 1) == 0 ? atRaw : atScaled;
}

namespace {

bool sameNumber(double a, double b) {
    return std::fabs(a - b) < 1e-6;
}

bool locateAttr(TTable& attrs, double start, int bits) {
    for (attrs.First(); !attrs.Eof(); attrs.Next()) {
        if (sameNumber(attrs.AsFloat("Start"), start) && attrs.AsInteger("Bits") == bits) {
            return true;
        }
    }
    return false;
}

bool equalNoCase(const std::string& a, const char* b) {
    std::string upper = a;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper == b;
}

} // namespace

std::vector<int32_t> ApplyAttrPaste(TVehicle& vehicle, const std::vector<TAttrPasteLine>& lines,
                                    const std::function<void()>& addSubitem) {
    TTable& attrs = vehicle.Attrs;
    TTable& scale = vehicle.AScale;
    std::vector<int32_t> pasted;
    for (const TAttrPasteLine& line : lines) {
        attrs.CheckBrowseMode();
        const double start = ReadNumber(line.Start, 0);
        const int bits = static_cast<int>(ReadNumber(line.Bits, 0));
        if (!locateAttr(attrs, start, bits)) {
            addSubitem();
        }
        const int atype = PastedAttrType(line);
        if (!attrs.Editing()) {
            attrs.Edit();
        }
        attrs.SetAsString("ACode", line.Code);
        attrs.SetAsString("ADesc", line.Desc);
        attrs.SetAsString("Start", line.Start);
        attrs.SetAsString("Bits", line.Bits);
        attrs.SetAsBool("Visible", !equalNoCase(line.Desc, "NOT USED"));
        attrs.SetAsInteger("AType", atype);
        attrs.Post();
        pasted.push_back(attrs.AsInteger("AID"));

        scale.First();
        if (scale.IsEmpty()) {
            scale.Insert();
        } else {
            scale.Edit();
        }
        scale.SetAsString("Units", line.Units);
        scale.SetAsString("Factor", line.Factor);
        scale.SetAsString("Offset", line.Offset);
        for (const char* box : {"Reverse", "Invert", "Hex", "Signed"}) {
            scale.SetAsBool(box, false);
        }
        const int b = ReadBits(line.Bits);
        TValueRange range = atype == atRaw
                                ? RawRange(b)
                                : ScaledRange(b, false, false, false, ReadNumber(line.Offset, 0),
                                              ReadNumber(line.Factor, 1), true);
        WriteRange(scale, "Alarm", range);
        WriteRange(scale, "Display", range);
        scale.Post();
    }
    return pasted;
}

int ReadBits(const std::string& text) {
    int bits = 0;
    if (!TryReadInt(text, bits)) {
        return 8;
    }
    return Clamp(bits, 0, 16);
}

TValueRange ScaledRange(int bits, bool invert, bool reverse, bool isSigned, double offset,
                        double factor, bool ordered) {
    TValueRange r;
    r.Min = ScaledMin(bits, invert, reverse, isSigned, offset, factor);
    r.Max = ScaledMax(bits, invert, reverse, isSigned, offset, factor);
    if (ordered && r.Min > r.Max) {
        std::swap(r.Min, r.Max);
    }
    return r;
}

TValueRange RawRange(int bits) {
    return {0, static_cast<double>((int64_t{1} << Clamp(bits, 0, 16)) - 1)};
}

TValueRange LookupRange(TTable& table) {
    table.CheckBrowseMode();
    TValueRange r;
    if (!table.IsEmpty()) {
        table.Last();
        const double last = table.AsFloat("Value");
        table.First();
        const double first = table.AsFloat("Value");
        r = {std::min(first, last), std::max(first, last)};
    }
    table.First();
    return r;
}

void WriteRange(TTable& scale, const std::string& prefix, const TValueRange& range) {
    if (!scale.Editing()) {
        if (scale.IsEmpty()) {
            scale.Insert();
        } else {
            scale.Edit();
        }
    }
    // The compact text is what the user sees; store the number it stands for.
    auto compact = [](double v) {
        double d = 0;
        std::string text = NumberText(static_cast<float>(v));
        std::replace(text.begin(), text.end(), DecimalSeparator, '.');
        return readPointNumber(text, d) ? d : v;
    };
    scale.SetAsFloat(prefix + "Min", compact(range.Min));
    scale.SetAsFloat(prefix + "Max", compact(range.Max));
}

void ApplyScaleCode(TTable& scale, const TTable& catalogue) {
    const TRecord* picked = catalogue.CurrentRecord();
    if (!picked) {
        return;
    }
    scale.First();
    if (scale.Editing()) {
        // already in edit or insert: keep it
    } else if (scale.IsEmpty()) {
        scale.Insert();
    } else {
        scale.Edit();
    }
    const int n = std::min(scale.FieldCount(), catalogue.FieldCount());
    for (int i = 0; i < n; ++i) {
        scale.SetAt(i, picked->Values[i]);
    }
}

void SetNewScaleDefaults(TTable& catalogue) {
    catalogue.SetAsString("Units", "");
    catalogue.SetAsFloat("Factor", 1);
    catalogue.SetAsFloat("Offset", 0);
    for (const char* box : {"Reverse", "Invert", "Hex", "Signed"}) {
        catalogue.SetAsBool(box, false);
    }
}

std::vector<std::string> SplitCommaText(const std::string& line) {
    std::vector<std::string> items;
    size_t i = 0;
    const size_t n = line.size();
    auto skipBlanks = [&] {
        while (i < n && isBlank(line[i])) {
            ++i;
        }
    };
    skipBlanks();
    while (i < n) {
        std::string item;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += line[i++];
            }
        } else {
            while (i < n && line[i] != ',' && !isBlank(line[i])) {
                item += line[i++];
            }
        }
        items.push_back(item);
        skipBlanks();
        if (i < n && line[i] == ',') {
            ++i;
            skipBlanks();
            if (i == n) {
                items.emplace_back(); // a trailing comma ends with an empty item
            }
        }
    }
    return items;
}

namespace {

// A value of an import line: a number with a point, "$" hexadecimal, or (in a line separated by
// semicolons) a number with a decimal comma.
bool readImportValue(const std::string& item, bool semicolons, double& value) {
    if (readPointNumber(item, value)) {
        return true;
    }
    std::string text = item;
    if (semicolons && std::count(text.begin(), text.end(), ',') == 1 &&
        text.find('.') == std::string::npos) {
        std::replace(text.begin(), text.end(), ',', '.');
        return readPointNumber(text, value);
    }
    return false;
}

// Items of an import line: semicolons separate when the line has any (spreadsheets under a
// comma-decimal locale write those), else commas or blanks.
std::vector<std::string> importItems(const std::string& line, bool& semicolons) {
    semicolons = line.find(';') != std::string::npos;
    if (!semicolons) {
        return SplitCommaText(line);
    }
    std::vector<std::string> items;
    for (const std::string& part : Split(line, ";")) {
        std::string item = trim(part);
        if (item.size() >= 2 && item.front() == '"' && item.back() == '"') {
            item = item.substr(1, item.size() - 2);
        }
        items.push_back(item);
    }
    while (!items.empty() && items.back().empty()) {
        items.pop_back();
    }
    return items;
}

std::string lineList(const std::vector<size_t>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        text += (i == 0                  ? ""
                 : i + 1 == lines.size() ? " and "
                                         : ", ") +
                std::to_string(lines[i] + 1);
    }
    return text;
}

} // namespace

bool ReadLookupText(const std::string& text, std::vector<TLookupRow>& rows, std::string& error,
                    std::string* notes) {
    rows.clear();
    std::vector<TLookupRow> read;
    std::set<int> seen;
    std::vector<size_t> skipped;
    std::string counted;
    const std::vector<std::string> lines = SplitTextLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = trim(lines[i]);
        if (line.empty()) {
            continue;
        }
        if (line.find('\0') != std::string::npos) {
            error = lineError(i, "not a text line");
            return false;
        }
        bool semicolons = false;
        const std::vector<std::string> items = importItems(line, semicolons);
        double number = 0;
        if (std::none_of(items.begin(), items.end(), [&](const std::string& item) {
                return readImportValue(item, semicolons, number);
            })) {
            skipped.push_back(i); // a header or a comment
            continue;
        }
        // The running count: the rows read before this one.
        const int running = static_cast<int>(read.size());
        TLookupRow row;
        std::string value;
        if (items.size() >= 2) {
            if (!readRawByte(items[0], row.RawByte)) {
                row.RawByte = 0;
            }
            value = items[1];
        } else {
            row.RawByte = running;
            value = items[0];
        }
        if (!readImportValue(value, semicolons, row.Value)) {
            row.Value = running;
            counted += Format(" Line %d: the value \"%s\" is not a number; it takes the running "
                              "count %d.",
                              static_cast<int>(i + 1), value.c_str(), running);
        }
        if (!seen.insert(row.RawByte).second) {
            error = lineError(i, Format("the raw byte %d is already in the table", row.RawByte));
            return false;
        }
        read.push_back(row);
    }
    if (notes) {
        notes->clear();
        if (!skipped.empty()) {
            *notes = (skipped.size() == 1 ? "Skipped line " : "Skipped lines ") +
                     lineList(skipped) + ": no numbers.";
        }
        *notes += counted;
        if (!notes->empty() && notes->front() == ' ') {
            notes->erase(0, 1);
        }
    }
    rows = std::move(read);
    return true;
}

std::string LookupText(const std::vector<TLookupRow>& rows) {
    std::string text;
    for (const TLookupRow& r : rows) {
        char buffer[400]; // the largest double in fixed notation with six decimals fits
        auto [p, ec] =
            std::to_chars(buffer, buffer + sizeof buffer, r.Value, std::chars_format::fixed, 6);
        std::string value = ec == std::errc() ? std::string(buffer, p) : "0.000000";
        if (value == "-0.000000") {
            value = "0.000000";
        }
        text += std::to_string(r.RawByte) + "," + value + "\r\n";
    }
    return text;
}

std::vector<TLookupRow> LookupRows(TTable& table) {
    table.CheckBrowseMode();
    std::vector<TLookupRow> rows;
    for (table.First(); !table.Eof(); table.Next()) {
        rows.push_back({table.AsInteger("RawByte"), table.AsFloat("Value")});
    }
    table.First();
    return rows;
}

void ReplaceLookupRows(TTable& table, const std::vector<TLookupRow>& rows) {
    table.DisableControls();
    try {
        table.Cancel();
        table.EmptyTable();
        for (const TLookupRow& r : rows) {
            table.Insert();
            table.SetAsInteger("RawByte", r.RawByte);
            table.SetAsFloat("Value", r.Value);
            table.Post();
        }
        table.First();
    } catch (...) {
        table.EnableControls();
        throw;
    }
    table.EnableControls();
}

std::vector<TConversionRow> OutputConversionRows(double factor, double offset, bool invert,
                                                 bool reverse, bool isSigned) {
    std::vector<TConversionRow> rows;
    rows.reserve(513);
    auto add = [&](int i, int bits) {
        rows.push_back({Format("$%4.4x", i), Format("%d", i),
                        Format("%7.3f", static_cast<double>(ScaleValue(i, bits, invert, isSigned,
                                                                       reverse, offset, factor)))});
    };
    for (int i = 0; i <= 255; ++i) {
        add(i, 8);
    }
    rows.push_back({"skip...", "...", "..."});
    for (int i = 65280; i <= 65535; ++i) {
        add(i, 16);
    }
    return rows;
}

std::vector<TConversionRow> InputConversionRows(double factor, double offset) {
    std::vector<TConversionRow> rows;
    rows.reserve(256);
    const float f = static_cast<float>(factor);
    for (int i = 0; i <= 255; ++i) {
        std::string input = "-"; // no byte stands for any input when the factor is 0
        if (f != 0.0f) {
            const float v = (static_cast<float>(i) - static_cast<float>(offset)) / f;
            input = Format("%5.1f", static_cast<double>(v));
        }
        rows.push_back({Format("$%2.2x", i), Format("%d", i), input});
    }
    return rows;
}
