#include "definitions/DataPacket.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/IniFile.h"
#include "common/RegularFile.h"
#include "common/Utf8.h"

#include <pugixml.hpp>

#include <cerrno>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Larger files are refused rather than read into memory: no real definition comes near this.
constexpr off_t maxFileSize = 256LL * 1024 * 1024;

const char* fieldTypeName(TFieldType t) {
    switch (t) {
    case TFieldType::ftAutoInc:
    case TFieldType::ftInteger:
        return "i4";
    case TFieldType::ftString:
        return "string";
    case TFieldType::ftFloat:
        return "r8";
    case TFieldType::ftBoolean:
        return "boolean";
    case TFieldType::ftDate:
        return "date";
    case TFieldType::ftMemo:
        return "bin.hex";
    case TFieldType::ftNested:
        return "nested";
    }
    return "string";
}

void writeFields(pugi::xml_node fields, const TTableDef& def) {
    for (const TFieldDef& f : def.Fields) {
        pugi::xml_node n = fields.append_child("FIELD");
        n.append_attribute("attrname") = f.Name.c_str();
        n.append_attribute("fieldtype") = fieldTypeName(f.DataType);
        if (f.DataType == TFieldType::ftAutoInc) {
            n.append_attribute("SUBTYPE") = "Autoinc";
        } else if (f.DataType == TFieldType::ftMemo) {
            n.append_attribute("SUBTYPE") = "Text";
        } else if (f.DataType == TFieldType::ftString) {
            n.append_attribute("WIDTH") = f.Size;
        } else if (f.DataType == TFieldType::ftNested) {
            writeFields(n.append_child("FIELDS"), *f.Child);
            n.append_child("PARAMS");
        }
    }
}

void writeRows(pugi::xml_node parent, const TRecordList& records, const TTableDef& def,
               const std::string& rowName);

void writeRecord(pugi::xml_node row, const TRecord& rec, const TTableDef& def) {
    for (size_t i = 0; i < def.Fields.size(); ++i) {
        const TFieldDef& f = def.Fields[i];
        if (f.DataType == TFieldType::ftNested) {
            const TRecordList& children = rec.Children[f.NestedSlot];
            if (!children.empty()) {
                writeRows(row.append_child(f.Name.c_str()), children, *f.Child, "ROW" + f.Name);
            }
        } else if (rec.Values[i].index() != 0) {
            row.append_attribute(f.Name.c_str()) =
                TTable::ValueText(rec.Values[i], f.DataType).c_str();
        }
    }
}

void writeRows(pugi::xml_node parent, const TRecordList& records, const TTableDef& def,
               const std::string& rowName) {
    for (const auto& rec : records) {
        writeRecord(parent.append_child(rowName.c_str()), *rec, def);
    }
}

// One row into the table's inserted record: fields by exact name, the first of a name only;
// a value the field cannot take leaves the load default.
void readRow(pugi::xml_node row, TTable& dest) {
    const TTableDef& def = dest.Def();
    std::vector<bool> seen(def.Fields.size(), false);
    for (pugi::xml_attribute a : row.attributes()) {
        int i = def.FieldIndex(a.name());
        if (i < 0 || seen[i] || def.Fields[i].DataType == TFieldType::ftNested) {
            continue;
        }
        seen[i] = true;
        try {
            dest.SetAt(i, TValue(Utf8OrWindows1252(a.value())));
        } catch (const EQuorvinError&) {
            // a value the field cannot take, or an ID already used: the field keeps its default
        }
    }
    for (pugi::xml_node child : row.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        int i = def.FieldIndex(child.name());
        if (i < 0 || seen[i] || def.Fields[i].DataType != TFieldType::ftNested) {
            continue;
        }
        seen[i] = true;
        TTable& nested = dest.NestedAt(i);
        for (pugi::xml_node r : child.children()) {
            if (r.type() == pugi::node_element && std::string_view(r.name()).starts_with("ROW")) {
                nested.Append();
                for (const auto& [field, value] : nested.Def().LoadDefaults) {
                    nested.SetAt(field, value);
                }
                readRow(r, nested);
                nested.Post();
            }
        }
    }
}

std::string withoutFinalStop(std::string s) {
    while (!s.empty() && (s.back() == '.' || s.back() == ' ')) {
        s.pop_back();
    }
    return s;
}

// Whitespace in attribute values is kept as it is: line breaks of memos are part of them.
constexpr unsigned parseFlags = pugi::parse_escapes | pugi::parse_eol;

void checkParse(const pugi::xml_parse_result& result) {
    if (!result) {
        throw EQuorvinError("The file is not valid XML (" + withoutFinalStop(result.description()) +
                            " at offset " + std::to_string(result.offset) + ")");
    }
}

TDataPacketShape shapeOf(pugi::xml_node packet, pugi::xml_node rows) {
    TDataPacketShape shape;
    const auto rowRange = rows.children("ROW");
    shape.Rows = static_cast<int>(std::distance(rowRange.begin(), rowRange.end()));
    pugi::xml_node fields = packet.child("METADATA").child("FIELDS");
    for (pugi::xml_node f : fields.children("FIELD")) {
        shape.Fields.emplace_back(f.attribute("attrname").value());
    }
    if (shape.Fields.empty()) {
        pugi::xml_node first = rows.child("ROW");
        for (pugi::xml_attribute a : first.attributes()) {
            shape.Fields.emplace_back(a.name());
        }
        for (pugi::xml_node child : first.children()) {
            if (child.type() == pugi::node_element) {
                shape.Fields.emplace_back(child.name());
            }
        }
    }
    return shape;
}

void readDocument(const pugi::xml_document& doc, TTable& dest, int maxRows,
                  const TDataPacketCheck& check) {
    pugi::xml_node packet = doc.document_element();
    if (std::string_view(packet.name()) != "DATAPACKET") {
        throw EQuorvinError(std::string("The file is not a data packet (its root element is <") +
                            packet.name() + ">)");
    }
    pugi::xml_node rows = packet.child("ROWDATA");
    if (!rows) {
        throw EQuorvinError("The file is not a data packet (it has no ROWDATA)");
    }
    if (check) {
        check(shapeOf(packet, rows));
    }
    int count = 0;
    for (pugi::xml_node r : rows.children("ROW")) {
        if (maxRows >= 0 && count >= maxRows) {
            break;
        }
        dest.Append();
        for (const auto& [field, value] : dest.Def().LoadDefaults) {
            dest.SetAt(field, value);
        }
        readRow(r, dest);
        dest.Post();
        ++count;
    }
    dest.First();
}

// The whole of a regular file; a folder, a pipe or a device is refused without waiting on it.
std::string readRegularFile(const std::string& path) {
    std::string reason;
    const int fd = OpenRegularFile(path, reason);
    if (fd < 0) {
        throw EQuorvinError(reason);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throw EQuorvinError(SystemErrorText(errno));
    }
    if (info.st_size > maxFileSize) {
        throw EQuorvinError("The file is too large (" + std::to_string(info.st_size) + " bytes)");
    }
    std::string data;
    data.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw EQuorvinError(SystemErrorText(errno));
        }
        if (n == 0) {
            return data;
        }
        data.append(buffer, static_cast<size_t>(n));
        if (static_cast<off_t>(data.size()) > maxFileSize) {
            throw EQuorvinError("The file is too large (more than " + std::to_string(maxFileSize) +
                                " bytes)");
        }
    }
}

} // namespace

void ReadDataPacket(const char* data, size_t size, TTable& dest, int maxRows,
                    const TDataPacketCheck& check) {
    pugi::xml_document doc;
    checkParse(doc.load_buffer(data, size, parseFlags));
    readDocument(doc, dest, maxRows, check);
}

void LoadDataPacket(const std::string& path, TTable& dest, int maxRows,
                    const TDataPacketCheck& check) {
    std::string data = readRegularFile(path);
    pugi::xml_document doc;
    checkParse(doc.load_buffer_inplace(data.data(), data.size(), parseFlags));
    readDocument(doc, dest, maxRows, check);
}

std::string WriteDataPacket(const TTable& source) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("standalone") = "yes";
    pugi::xml_node packet = doc.append_child("DATAPACKET");
    packet.append_attribute("Version") = "2.0";
    pugi::xml_node meta = packet.append_child("METADATA");
    writeFields(meta.append_child("FIELDS"), source.Def());
    meta.append_child("PARAMS");
    pugi::xml_node rows = packet.append_child("ROWDATA");
    for (int i = 0; const TRecord* rec = source.RecordAt(i); ++i) {
        writeRecord(rows.append_child("ROW"), *rec, source.Def());
    }
    struct StringWriter : pugi::xml_writer {
        std::string text;
        void write(const void* data, size_t size) override {
            text.append(static_cast<const char*>(data), size);
        }
    } writer;
    doc.save(writer, " ", pugi::format_indent, pugi::encoding_utf8);
    return std::move(writer.text);
}

void SaveDataPacket(const TTable& source, const std::string& path) {
    std::string text = WriteDataPacket(source);
    try {
        WriteFileSafely(path, text);
    } catch (const EQuorvinError& e) {
        // WriteFileSafely names the file; callers name it themselves.
        std::string message = e.what();
        std::string prefix = path + ": ";
        if (message.rfind(prefix, 0) == 0) {
            message = message.substr(prefix.size());
        }
        throw EQuorvinError(message);
    }
}
