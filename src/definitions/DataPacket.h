#pragma once
// The XML data packet file format of vehicle files and the scale codes catalogue:
//
//   <?xml version="1.0" standalone="yes"?>
//   <DATAPACKET Version="2.0"><METADATA><FIELDS>
//     <FIELD attrname="VID" fieldtype="i4" SUBTYPE="Autoinc"/> ...
//     <FIELD attrname="Modules" fieldtype="nested"><FIELDS>...</FIELDS><PARAMS/></FIELD>
//   </FIELDS><PARAMS/></METADATA>
//   <ROWDATA><ROW VID="1" ...><Modules><ROWModules MID="1" .../></Modules></ROW></ROWDATA>
//   </DATAPACKET>
//
// An empty field is left out of its row; booleans are TRUE/FALSE, dates yyyymmdd, floats with a
// point and enough digits to read back the same double. Reading matches the attributes of a row
// to the destination's fields by exact name, ignores unknown ones, and converts each value to the
// destination field's type; a value that does not fit leaves the field's load default. A text
// that is not valid UTF-8 is read as Windows-1252, as older tools wrote it.
#include "definitions/Table.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// What a packet holds: the names of its top-level fields (as its METADATA declares them, else
// as its first row carries them) and the number of its rows.
struct TDataPacketShape {
    std::vector<std::string> Fields;
    int Rows = 0;
};
// Looks at the shape before any row is read; throws EQuorvinError to refuse the packet.
using TDataPacketCheck = std::function<void(const TDataPacketShape&)>;

// Appends the rows of the packet (the first maxRows of them; -1 = all) to dest, a root table
// that is not cleared first, and posts them. Throws EQuorvinError with a plain reason (the file
// name is the caller's to add) for text that is not a data packet, for a file that cannot be
// read (a folder or a named pipe says what it is; nothing waits on it), for a shape the check
// refuses, and with the key violation's text when rows break a unique key.
void ReadDataPacket(const char* data, size_t size, TTable& dest, int maxRows = -1,
                    const TDataPacketCheck& check = {});
void LoadDataPacket(const std::string& path, TTable& dest, int maxRows = -1,
                    const TDataPacketCheck& check = {});

// The whole table (every record, nested tables inline) as a data packet.
std::string WriteDataPacket(const TTable& source);
// Writes it through a temporary file in the same folder and a rename; throws EQuorvinError
// with the system's reason.
void SaveDataPacket(const TTable& source, const std::string& path);
