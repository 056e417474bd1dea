#pragma once
// The tab-separated log layout that many engine log viewers read (".msl"):
//   "<source>"                 the vehicle and the program, in double quotes
//   "<information>"            further lines in double quotes (the macro)
//   Time<TAB>RPM<TAB>...       the channel names
//   s<TAB>rpm<TAB>...          their units
//   0.000<TAB>812<TAB>...      one line of values per frame
//   MARK 001 - <note> - <time of day>   after the line of a frame, one per note it carries
// Numbers carry "." whatever the locale; a tab or line break inside a text becomes a blank.
// CR LF line ends.
#include "log/ExportColumns.h"

#include <string>
#include <vector>

std::string MslHeader(const TCartridge& engine, const std::vector<TExportCell>& cells);
// Appends the line of a frame decoded into the image, and a marker line for each of its notes,
// numbered on from marks (the marks written so far).
void AppendMslRow(const TCartridge& engine, const std::vector<TExportCell>& cells,
                  const TPacket& frame, int64_t elapsedMs, int& marks, std::string& out);
// "MARK nnn - text - hh:mm:ss.zzz"
std::string MslMark(int number, const std::string& text, int64_t timeOfDayMs);
