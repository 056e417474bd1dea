#pragma once
// The portable CSV: what plotting tools and log viewers read without settings. A title line
// "Time,<Name> (<unit>),...", then one line per frame; "," between fields, "." in numbers
// whatever the locale, numbers never quoted, texts quoted only when they hold a comma, a
// double quote or a line break; CR LF line ends.
#include "log/ExportColumns.h"

#include <string>
#include <vector>

std::string PortableCsvHeader(const std::vector<TExportCell>& cells);
// Appends the row of a frame decoded into the image.
void AppendPortableCsvRow(const TCartridge& engine, const std::vector<TExportCell>& cells,
                          const TPacket& frame, int64_t elapsedMs, std::string& out);
