#pragma once
// Writing decoded log frames as comma-separated text: one line per frame, one column per chosen
// attribute, for a spreadsheet. The export dialog gathers the choices; this writes the file.
#include <climits>
#include <string>
#include <vector>

class TCartridge;
class TDataLog;
struct TAttr;

// An attribute of the runtime image: item index and attribute index within its request.
struct TExportColumn {
    int Item = 0;
    int Attr = 0;
    bool operator==(const TExportColumn&) const = default;
};

// Frames From .. To-1 of the capture; clamped to the captured frames when written.
struct TCsvRange {
    int From = 0;
    int To = INT_MAX;
    static TCsvRange All() { return {}; }
};

// The attributes an export can hold: every attribute of the image that is neither a DTC table
// nor bit flags, in image order (items in order, attributes of each request in order).
std::vector<TExportColumn> ExportableAttributes(const TCartridge& engine);

// The chosen entries that exist and are exportable, in list order: the columns of the file.
std::vector<TExportColumn> CsvColumns(const TCartridge& engine,
                                      const std::vector<TExportColumn>& chosen);
// The header line "FRAME" and "<ACode> <Units>" per column, with its CR LF.
std::string CsvHeader(const TCartridge& engine, const std::vector<TExportColumn>& columns);
// One row: the frame number and the value texts of the image as it stands, with its CR LF.
std::string CsvRow(const TCartridge& engine, int frame, const std::vector<TExportColumn>& columns);
// The same row appended to out, without a call of the formatter per value (a million frames
// are written in seconds).
void AppendCsvRow(const TCartridge& engine, int frame, const std::vector<TExportColumn>& columns,
                  std::string& out);
// ValueText with quoted enumeration texts, byte for byte, in the user's decimal separator.
void AppendCsvValueText(const TAttr& attr, std::string& out);
// Writes a finished text through a temporary file; raises "Can't save file %s. %s".
void WriteCsvFile(const std::string& fileName, const std::string& text);

// Encloses a field in double quotes (doubling the quotes in it) when it holds a comma, a double
// quote or a line break, so that the columns line up whatever the texts and the locale are.
std::string CsvField(const std::string& text);

// The whole file: the header "FRAME" and "<ACode> <Units>" per chosen column, then a line per
// frame of the range with the frame number and the value texts, CR LF line ends. Columns come
// in list order whatever the order of chosen; chosen entries that are not exportable are left
// out. The frames are decoded in order from frame 0 after ResetValues, without recording notes,
// so every row holds the values in force at its frame; afterwards the image holds the values of
// the range's last frame.
std::string CsvText(TCartridge& engine, TDataLog& log, const std::vector<TExportColumn>& chosen,
                    TCsvRange range = TCsvRange::All());

// Writes CsvText to the file through a temporary file, so a failed write leaves an earlier file
// whole. Raises "Please select an export filename", "Please select at least one attirbute to be
// exported" or "Can't save file %s. %s".
void ExportCsv(const std::string& fileName, TCartridge& engine, TDataLog& log,
               const std::vector<TExportColumn>& chosen, TCsvRange range = TCsvRange::All());
