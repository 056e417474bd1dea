#pragma once
// The columns and cell texts that the exports for other programs share (the portable CSV and the
// tab-separated log-viewer layout): "Time" in seconds from the first exported frame, optionally
// "Clock" (time of day), the chosen attributes in image order (a bit flag attribute as a 0/1
// column per named flag), optionally the frame's notes and the trouble codes set. Titles have no
// blanks; numbers carry "." and the attribute's own decimals whatever the user's locale.
#include "log/CsvExport.h"

#include <cstdint>
#include <string>
#include <vector>

struct TAttr;
class TPacket;

enum class TExportFormat { Spreadsheet = 0, Portable = 1, Msl = 2 };

struct TExportOptions {
    TExportFormat Format = TExportFormat::Spreadsheet;
    bool Clock = false; // a "Clock" column: the frame's time of day
    bool Notes = false; // a "Notes" column: the names of the frame's notes
    bool Codes = false; // a "Codes" column: the trouble codes set
};

struct TExportCell {
    enum class TKind { Time, Clock, Value, Flag, Notes, Codes };
    TKind Kind = TKind::Value;
    int Item = -1, Attr = -1;
    int Bit = 0;      // Flag: the bit of the attribute's raw value
    int Decimals = 0; // Value: digits after the point
    std::string Name; // no blanks, unique in the file
    std::string Units;
};

// The attributes a format can hold, in image order: every attribute but DTC tables and bit
// flags for the spreadsheet layout, bit flags too for the others.
std::vector<TExportColumn> ExportChoices(const TCartridge& engine, TExportFormat format);
// The columns of a portable CSV or .msl file for the chosen attributes (entries that the format
// cannot hold are left out).
std::vector<TExportCell> ExportCells(const TCartridge& engine,
                                     const std::vector<TExportColumn>& chosen,
                                     const TExportOptions& options);
// True when the cells hold an attribute of the image (the time and note columns alone are not
// worth a file).
bool HasAttributeCells(const std::vector<TExportCell>& cells);

// Digits after the point for an attribute's values: what its scale or lookup table needs to
// show every step (at most 4), or more when its gauge format asks for more ("9.99" gives 2).
int ExportDecimals(const TAttr& attr);
// A title without blanks or separators: runs of them become "_"; empty gives "_".
std::string ExportName(const std::string& text);
// Appends a number with this many decimals and a point, halves rounded away from zero; no "-0".
// Nothing for NaN or infinity.
void AppendExportNumber(std::string& out, double value, int decimals);
// The same, halves to the even neighbour and a negative zero kept with halfToEven: printf's
// "%.*f" digits, which the spreadsheet layout shows.
void AppendFixed(std::string& out, double value, int decimals, bool halfToEven);
// Appends milliseconds as seconds with three decimals ("12.345").
void AppendSeconds(std::string& out, int64_t ms);
// "hh:mm:ss.zzz" of a time of day in milliseconds.
std::string ClockText(int64_t ms);
// The time of day of a frame (days) in whole milliseconds, 0 .. 86399999.
int64_t TimeOfDayMs(double days);

// Elapsed time of frames since the first one: a time of day that goes back by more than half
// a day is taken as the next day (a drive past midnight); a smaller step back (a clock set
// back) counts as no time, so the times never decrease.
class TElapsedClock {
public:
    int64_t Next(double timeOfDay);
    void Restart() { started_ = false; }

private:
    bool started_ = false;
    int64_t last_ = 0;
    int64_t elapsed_ = 0;
};

// The names of the notes in a set, lowest first, joined by "; " (an unnamed note is
// "Note: n", as the charts show it).
std::string NoteNamesText(const TCartridge& engine, uint32_t notes);
// The DTC texts of the trouble codes set in the image, in image order, joined by blanks.
std::string CodesText(const TCartridge& engine);
// Appends the cells of one row, separated by separator (',' or a tab): the frame decoded into
// the image, its time elapsed since the first exported frame. Texts that hold the separator are
// quoted (CSV) or have it replaced by a blank (tab-separated); numbers are never quoted.
void AppendCells(const TCartridge& engine, const std::vector<TExportCell>& cells,
                 const TPacket& frame, int64_t elapsedMs, char separator, std::string& out);
// A text field for a separated line: CSV quoting for ',', tabs and line breaks made blanks for
// a tab.
std::string SeparatedField(const std::string& text, char separator);

// "<VCode> <VDesc> - Quorvin V4 <version>": where an export came from.
std::string ExportSource(const TCartridge& engine);
