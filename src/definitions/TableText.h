#pragma once
// The text forms the definition editor reads and writes: clipboard lines pasted into attribute,
// DTC, flag and enumeration lists, lookup table files, the alarm and display range calculators,
// applying a scale code and the scale code conversion tables. No windows here: the editor pages
// call these and show the messages.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TTable;
class TVehicle;

// ---- clipboard lines ----
// Splits text at line breaks (LF, CR LF or CR). A last line break does not start an empty line,
// so a block copied from a spreadsheet gives exactly its rows; empty text gives no lines.
std::vector<std::string> SplitTextLines(const std::string& text);
// First character upper case, the others lower case ("ENGINE RUNNING" -> "Engine running").
std::string ProperCase(const std::string& text);

extern const char* const ClipboardEmptyText;   // "Clipboard does not contain any data."
extern const char* const AttrPasteFormatText;  // the 7 tab delimited fields explanation
extern const char* const ReversePasteQuestion; // Ctrl+A
extern const char* const PasteQuestion;        // Ctrl+B

// Pastes one text per line into the target field of a DTC, flag or enumeration table (keyField
// "Bit" or "Value"): the first lines overwrite the existing rows in key order, the rest append
// rows keyed by their line number where that key is free, else by the lowest free key, always
// below keyLimit (the attribute's bits for DTCs and flags, 2^bits for enumerations). Lines that
// cannot all get a key throw before anything changes (no limit given: any key from 0 up).
// reverse takes the lines from the last one up. Each row is posted; the cursor ends on the first
// row.
void PasteLines(TTable& table, const std::string& keyField, const std::string& targetField,
                const std::vector<std::string>& lines, bool reverse,
                int64_t keyLimit = int64_t{1} << 31);
// The keys an attribute's DTC, flag (its Bits) or enumeration (2^Bits values) rows may take.
int64_t ListKeyLimit(int atype, int bits);

// One line of an attribute paste: Start, Bits, Code, Description, Units, Factor, Offset.
struct TAttrPasteLine {
    std::string Start, Bits, Code, Desc, Units, Factor, Offset;
};
// Checks every line before any is used: exactly 7 tab delimited fields (else error is
// AttrPasteFormatText), and Start, Bits, Factor and Offset that the fields can hold (else error
// names the line). True with every line in out.
bool ParseAttrPaste(const std::vector<std::string>& lines, std::vector<TAttrPasteLine>& out,
                    std::string& error);
// AType of a pasted line: 2 (raw) when Factor reads exactly 1 and Offset exactly 0 (an empty
// Offset reads as 1 here, so Factor 1 with no Offset stays scaled), else 0.
int PastedAttrType(const TAttrPasteLine& line);
// Applies checked lines to the current request's attributes: each goes to the attribute with the
// same Start and Bits, or to a new one made by addSubitem (which must append an attribute and
// make it current). Scale records get the texts and the ranges of the attribute's type. Gives the
// AIDs of the attributes written, line by line.
std::vector<int32_t> ApplyAttrPaste(TVehicle& vehicle, const std::vector<TAttrPasteLine>& lines,
                                    const std::function<void()>& addSubitem);

// ---- ranges ----
struct TValueRange {
    double Min = 0;
    double Max = 0;
};
// Bits typed as text; 8 when it is not a whole number. Kept within 0..16, the widths that scale.
int ReadBits(const std::string& text);
// The scaled ends of the raw range (by Signed, exchanged when exactly one of Invert and Reverse
// is set). ordered puts the smaller first (attribute page); the scale editor keeps them as they
// come, so a negative factor gives a Min above the Max.
TValueRange ScaledRange(int bits, bool invert, bool reverse, bool isSigned, double offset,
                        double factor, bool ordered);
TValueRange RawRange(int bits); // 0 and 2^bits - 1
// The Value of the first and the last lookup row, ordered; the cursor is left on the first row.
TValueRange LookupRange(TTable& table);
// Puts the scale record into edit (when it is not already) and writes the two ends in the
// compact number format to AlarmMin/AlarmMax (prefix "Alarm") or DisplayMin/DisplayMax.
void WriteRange(TTable& scale, const std::string& prefix, const TValueRange& range);

// Copies all fields of the catalogue's current record into the Scale table's record (edited, or
// inserted when there is none). The record is left in edit for the editor to post.
void ApplyScaleCode(TTable& scale, const TTable& catalogue);
// Puts a new catalogue record's defaults in place: Units empty, Factor 1, Offset 0, the four
// boxes false.
void SetNewScaleDefaults(TTable& catalogue);

// ---- lookup table files ----
struct TLookupRow {
    int RawByte = 0;
    double Value = 0;
};
// Items of one line: commas or blanks separate, double quotes group.
std::vector<std::string> SplitCommaText(const std::string& line);
// Reads a whole import file. Lines are trimmed, empty ones skipped; "raw,value" or a lone value
// (its raw byte the running count, the number of rows read before it). Items are separated by
// semicolons when a line has any (a value may then have a decimal comma), else by commas or
// blanks; numbers otherwise use a point, or "$" hexadecimal. A line without any number (a header)
// is skipped; a raw byte that is not a number reads as bare hexadecimal, else 0; a value that is
// not a number takes the running count. notes (when given) tells in one text what was skipped or
// counted, empty when nothing was. A raw byte that repeats an earlier one, or a line that is not
// text, makes it fail with error naming the line; rows then holds nothing.
bool ReadLookupText(const std::string& text, std::vector<TLookupRow>& rows, std::string& error,
                    std::string* notes = nullptr);
// "raw,value" lines ("%d,%.6f" with a point), CR LF ended.
std::string LookupText(const std::vector<TLookupRow>& rows);
// The rows in RawByte order; the cursor is left on the first row.
std::vector<TLookupRow> LookupRows(TTable& table);
// Replaces every row of the lookup table by rows (checked by ReadLookupText).
void ReplaceLookupRows(TTable& table, const std::vector<TLookupRow>& rows);

// ---- scale code conversion tables ----
using TConversionRow = std::array<std::string, 3>;
// Raw 0..255 (8 bits), a "skip..." row, then 65280..65535 (16 bits): hex, decimal, converted.
std::vector<TConversionRow> OutputConversionRows(double factor, double offset, bool invert,
                                                 bool reverse, bool isSigned);
// Byte 0..255: hex, decimal and the input value (i - Offset) / Factor; "-" for Factor 0.
std::vector<TConversionRow> InputConversionRows(double factor, double offset);
