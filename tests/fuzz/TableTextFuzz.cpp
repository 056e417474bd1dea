// Texts pasted into the definition editor and lookup table files it imports. An attribute paste
// is checked whole before it is applied; any lines paste into DTC and enumeration lists; a lookup
// file either reads or names its bad line, and what it read exports and imports again as the
// same rows.
#include "FuzzSupport.h"

#include "common/Common.h"
#include "definitions/TableText.h"
#include "definitions/XMLData.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

// A definition of one module, request and lookup attribute to paste into.
struct Definition {
    TVehicle v;
    explicit Definition(const FuzzScratch& scratch)
        : v(nullptr, scratch.File("Scales.xml"), scratch.File("fuzz.ini"),
            scratch.File("none.xml")) {
        v.SetErrorReporter([](const std::string&) {});
        add(*v.Vehicles, {{"VCode", "FUZZ"}});
        add(*v.Modules, {{"MCode", "ECM"}, {"ModeByte", "$01"}, {"ModuleID", "$F4"}});
        add(*v.Requests, {{"RCode", "R"}, {"Parameters", "$00"}});
        add(*v.Attrs, {{"ACode", "A"}, {"Start", "1"}, {"Bits", "8"}, {"AType", "1"}});
        add(*v.AScale, {{"SCode", "A"}, {"Factor", "1"}});
    }
    static void add(TTable& table, std::initializer_list<std::pair<const char*, const char*>> f) {
        table.Insert();
        for (const auto& [name, value] : f) {
            table.SetAsString(name, value);
        }
        table.Post();
    }
};

bool sameValue(double a, double b) {
    return std::fabs(a - b) <= 5e-7 * std::max(1.0, std::fabs(a));
}

void checkLookupRows(const std::vector<TLookupRow>& a, const std::vector<TLookupRow>& b,
                     const char* what) {
    FuzzCheck(a.size() == b.size(), what);
    for (size_t i = 0; i < a.size(); ++i) {
        FuzzCheck(a[i].RawByte == b[i].RawByte && sameValue(a[i].Value, b[i].Value), what);
    }
}

void lookupFile(const std::string& text, Definition& d) {
    std::vector<TLookupRow> rows;
    std::string error;
    if (!ReadLookupText(text, rows, error)) {
        FuzzCheck(rows.empty() && !error.empty(), "a refused lookup file names why, reads nothing");
        return;
    }
    std::vector<TLookupRow> again;
    FuzzCheck(ReadLookupText(LookupText(rows), again, error), "an exported lookup file imports");
    checkLookupRows(rows, again, "an exported lookup file imports as the same rows");

    ReplaceLookupRows(d.v.Table, rows);
    std::sort(rows.begin(), rows.end(),
              [](const TLookupRow& x, const TLookupRow& y) { return x.RawByte < y.RawByte; });
    checkLookupRows(rows, LookupRows(d.v.Table), "a lookup table holds the imported rows");
    LookupRange(d.v.Table);
}

void attributePaste(const std::vector<std::string>& lines, Definition& d) {
    std::vector<TAttrPasteLine> pasted;
    std::string error;
    if (!ParseAttrPaste(lines, pasted, error)) {
        FuzzCheck(pasted.empty() && !error.empty(), "a refused paste names why, pastes nothing");
        return;
    }
    for (const TAttrPasteLine& line : pasted) {
        const double factor = ReadNumber(line.Factor, 1), offset = ReadNumber(line.Offset, 0);
        for (int flags = 0; flags < 8; ++flags) {
            const TValueRange r = ScaledRange(ReadBits(line.Bits), flags & 1, flags & 2, flags & 4,
                                              offset, factor, true);
            FuzzCheck(!(r.Min > r.Max), "an ordered range starts at its smaller end");
        }
    }
    if (!pasted.empty()) {
        const TAttrPasteLine& first = pasted.front();
        OutputConversionRows(ReadNumber(first.Factor, 1), ReadNumber(first.Offset, 0), true, false,
                             true);
        InputConversionRows(ReadNumber(first.Factor, 1), ReadNumber(first.Offset, 0));
    }
    TTable& attrs = d.v.Attrs;
    ApplyAttrPaste(d.v, pasted, [&attrs] {
        attrs.Insert();
        attrs.SetAsString("ACode", "NEW");
        attrs.Post();
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzScratch scratch;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = SplitTextLines(text);
    for (const std::string& line : lines) {
        FuzzCheck(line.find_first_of("\r\n") == std::string::npos, "lines hold no line breaks");
        ProperCase(line);
        SplitCommaText(line);
    }
    Definition d(scratch);
    lookupFile(text, d);
    attributePaste(lines, d);
    PasteLines(d.v.DTCs, "Bit", "Desc", lines, size % 2 == 1);
    PasteLines(d.v.Enums, "Value", "Desc", lines, false);
    return 0;
}
