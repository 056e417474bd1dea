#pragma once
// Reads a portable CSV or a log-viewer (.msl) file back: the column names and units, the cells
// of every row as texts and the marker lines. The exports are checked with it, and a user's file
// from the program reads back to the values it was written with.
#include "log/ExportColumns.h"

#include <string>
#include <vector>

struct TExportMark {
    int Row = 0; // the number of value rows before the marker line
    std::string Text;
};

struct TExportTable {
    TExportFormat Format = TExportFormat::Portable;
    std::vector<std::string> Info; // .msl: the texts of the quoted lines before the names
    std::vector<std::string> Names, Units;
    std::vector<std::vector<std::string>> Rows;
    std::vector<TExportMark> Marks;

    // The index of a column by name; -1 when there is none.
    int Column(const std::string& name) const;
};

// Tells the layout by its first line: a quoted line starts a .msl file. Raises "Can't open file
// %s. %s" and "File %s is not a portable CSV or .msl export: %s" (what is wrong, with the line).
TExportTable ReadExportFile(const std::string& path);
// The same from a text; the errors name the line only.
TExportTable ReadExportText(const std::string& text);
// A number as the exports write it ("-12.345", a point whatever the locale); false for any other
// text, an empty one included.
bool ReadExportNumber(const std::string& text, double& value);
