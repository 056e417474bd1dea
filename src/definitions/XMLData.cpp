#include "definitions/XMLData.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/DataPacket.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <strings.h>

namespace {

using FT = TFieldType;

const TColDefs vehiclesCols[] = {
    {"VID", FT::ftAutoInc, 0},          {"VCode", FT::ftString, 20},
    {"VDesc", FT::ftString, 50},        {"Year", FT::ftString, 20},
    {"Body", FT::ftString, 20},         {"Engine", FT::ftString, 10},
    {"Litres", FT::ftString, 20},       {"Country", FT::ftString, 50},
    {"Transmission", FT::ftString, 20}, {"Injection", FT::ftString, 20},
    {"EpromID", FT::ftString, 20},      {"VIN", FT::ftString, 20},
    {"ALDL", FT::ftString, 8},          {"Chatter", FT::ftBoolean, 0},
    {"HeartBeat", FT::ftString, 250},   {"Suspend", FT::ftString, 250},
    {"Resume", FT::ftString, 250},      {"SuspendReply", FT::ftBoolean, 0},
    {"ResumeReply", FT::ftBoolean, 0},  {"T1", FT::ftInteger, 0},
    {"T2", FT::ftInteger, 0},           {"T3", FT::ftInteger, 0},
    {"T4", FT::ftInteger, 0},           {"T5", FT::ftInteger, 0},
    {"T6", FT::ftInteger, 0},           {"Author", FT::ftString, 50},
    {"Company", FT::ftString, 50},      {"Date", FT::ftDate, 0},
    {"Email", FT::ftString, 250},       {"URL", FT::ftString, 250},
    {"Comments", FT::ftMemo, 0},        {"Modules", FT::ftNested, 0},
    {"Macros", FT::ftNested, 0},
};

const TColDefs modulesCols[] = {
    {"MID", FT::ftAutoInc, 0},   {"MCode", FT::ftString, 20},   {"ModeByte", FT::ftString, 3},
    {"MDesc", FT::ftString, 50}, {"ModuleID", FT::ftString, 3}, {"Listen", FT::ftBoolean, 0},
    {"Comments", FT::ftMemo, 0}, {"Requests", FT::ftNested, 0},
};

const TColDefs requestsCols[] = {
    {"RID", FT::ftAutoInc, 0},         {"RCode", FT::ftString, 20},
    {"RDesc", FT::ftString, 50},       {"Reply", FT::ftBoolean, 0},
    {"ProcReply", FT::ftBoolean, 0},   {"LengthByte", FT::ftString, 3},
    {"Parameters", FT::ftString, 200}, {"Prompt", FT::ftString, 50},
    {"Override", FT::ftString, 20},    {"Comments", FT::ftMemo, 0},
    {"Scale", FT::ftNested, 0},        {"Attrs", FT::ftNested, 0},
};

const TColDefs scaleCols[] = {
    {"SCode", FT::ftString, 20},    {"SDesc", FT::ftString, 50},   {"Factor", FT::ftFloat, 0},
    {"Offset", FT::ftFloat, 0},     {"Invert", FT::ftBoolean, 0},  {"Reverse", FT::ftBoolean, 0},
    {"Units", FT::ftString, 20},    {"Signed", FT::ftBoolean, 0},  {"Hex", FT::ftBoolean, 0},
    {"AlarmMin", FT::ftFloat, 0},   {"AlarmMax", FT::ftFloat, 0},  {"DisplayMin", FT::ftFloat, 0},
    {"DisplayMax", FT::ftFloat, 0}, {"DescMin", FT::ftString, 20}, {"DescOk", FT::ftString, 20},
    {"DescMax", FT::ftString, 20},  {"Comments", FT::ftMemo, 0},
};

const TColDefs attrsCols[] = {
    {"AID", FT::ftAutoInc, 0},    {"ACode", FT::ftString, 20},   {"ADesc", FT::ftString, 50},
    {"TCode", FT::ftString, 20},  {"Start", FT::ftFloat, 0},     {"Bits", FT::ftInteger, 0},
    {"AType", FT::ftInteger, 0},  {"Visible", FT::ftBoolean, 0}, {"Chart", FT::ftInteger, 0},
    {"Series", FT::ftInteger, 0}, {"Dash", FT::ftInteger, 0},    {"DashFmt", FT::ftString, 10},
    {"Comments", FT::ftMemo, 0},  {"Scale", FT::ftNested, 0},    {"Table", FT::ftNested, 0},
    {"DTCs", FT::ftNested, 0},    {"Flags", FT::ftNested, 0},    {"Enums", FT::ftNested, 0},
};

const TColDefs tableCols[] = {
    {"RawByte", FT::ftInteger, 0},
    {"Value", FT::ftFloat, 0},
};

const TColDefs dtcsCols[] = {
    {"Bit", FT::ftInteger, 0},   {"Desc", FT::ftString, 50}, {"Dash", FT::ftInteger, 0},
    {"TCode", FT::ftString, 20}, {"Note", FT::ftInteger, 0}, {"NoteName", FT::ftString, 20},
    {"DTC", FT::ftString, 20},   {"CEL", FT::ftBoolean, 0},  {"Reference", FT::ftString, 20},
    {"Comments", FT::ftMemo, 0},
};

const TColDefs flagsCols[] = {
    {"Bit", FT::ftInteger, 0},       {"Desc", FT::ftString, 50},      {"Dash", FT::ftInteger, 0},
    {"B0", FT::ftString, 50},        {"TCode0", FT::ftString, 20},    {"Note0", FT::ftInteger, 0},
    {"NoteName0", FT::ftString, 20}, {"B1", FT::ftString, 50},        {"TCode1", FT::ftString, 20},
    {"Note1", FT::ftInteger, 0},     {"NoteName1", FT::ftString, 20}, {"Comments", FT::ftMemo, 0},
};

const TColDefs enumsCols[] = {
    {"Value", FT::ftInteger, 0}, {"Desc", FT::ftString, 50},     {"TCode", FT::ftString, 20},
    {"Note", FT::ftInteger, 0},  {"NoteName", FT::ftString, 20}, {"Comments", FT::ftMemo, 0},
};

const TColDefs macrosCols[] = {
    {"MacID", FT::ftAutoInc, 0},   {"MacCode", FT::ftString, 20}, {"MacDesc", FT::ftString, 50},
    {"Restart", FT::ftBoolean, 0}, {"Comments", FT::ftMemo, 0},   {"Items", FT::ftNested, 0},
};

const TColDefs itemsCols[] = {
    {"IID", FT::ftAutoInc, 0},   {"Seq", FT::ftInteger, 0},   {"MCode", FT::ftString, 20},
    {"RCode", FT::ftString, 20}, {"Iters", FT::ftInteger, 0}, {"Comments", FT::ftMemo, 0},
};

const TColDefs modeByteCols[] = {
    {"ModeByte", FT::ftString, 3},
    {"ModeDesc", FT::ftString, 50},
};

struct LayoutPlan {
    const TColDefs* cols;
    size_t count;
    const char* keys;
    std::vector<std::pair<const char*, TValue>> defaults;
};

template <size_t N>
LayoutPlan layoutOf(const TColDefs (&cols)[N], const char* keys,
                    std::vector<std::pair<const char*, TValue>> defaults = {}) {
    return LayoutPlan{cols, N, keys, std::move(defaults)};
}

std::vector<std::pair<const char*, TValue>> scaleDefaults() {
    return {{"Signed", false},
            {"Hex", false},
            {"DescMin", std::string("LOW")},
            {"DescOk", std::string("OK")},
            {"DescMax", std::string("HIGH")}};
}

// The child table of each nested field name (the two Scale tables share one layout).
const std::map<std::string, LayoutPlan>& nestedSpecs() {
    static const std::map<std::string, LayoutPlan> layouts = {
        {"Modules", layoutOf(modulesCols, "MCode;ModeByte;MID")},
        {"Requests", layoutOf(requestsCols, "RCode;RID", {{"Reply", true}, {"ProcReply", true}})},
        {"Scale", layoutOf(scaleCols, "SCode", scaleDefaults())},
        {"Attrs", layoutOf(attrsCols, "Start;ACode;AID")},
        {"Table", layoutOf(tableCols, "RawByte")},
        {"DTCs", layoutOf(dtcsCols, "Bit")},
        {"Flags", layoutOf(flagsCols, "Bit")},
        {"Enums", layoutOf(enumsCols, "Value")},
        {"Macros", layoutOf(macrosCols, "MacCode;MacID")},
        {"Items", layoutOf(itemsCols, "Seq;IID")},
    };
    return layouts;
}

std::shared_ptr<const TTableDef> buildLayout(const std::string& name, const LayoutPlan& s) {
    auto def = std::make_shared<TTableDef>();
    def->Name = name;
    for (size_t i = 0; i < s.count; ++i) {
        TFieldDef f;
        f.Name = s.cols[i].Name;
        f.DataType = s.cols[i].DataType;
        f.Size = s.cols[i].Size;
        if (f.DataType == FT::ftNested) {
            f.Child = buildLayout(f.Name, nestedSpecs().at(f.Name));
            f.NestedSlot = def->NestedCount++;
        }
        def->Fields.push_back(std::move(f));
    }
    for (const std::string& key : Split(s.keys, ";")) {
        if (!key.empty()) {
            def->KeyFields.push_back(def->FieldIndex(key));
        }
    }
    for (const auto& [field, value] : s.defaults) {
        def->LoadDefaults.emplace_back(def->FieldIndex(field), value);
    }
    return def;
}

std::shared_ptr<const TTableDef> modeBytesLayout() {
    static const auto def = buildLayout("ModeBytes", layoutOf(modeByteCols, ""));
    return def;
}

std::string folderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// A name for the default vehicle file that stays inside the vehicle folder.
std::string safeFileBase(std::string code) {
    for (char& c : code) {
        if (c == '/' || c == '\\') {
            c = '-';
        }
    }
    if (code.empty() || code == "." || code == "..") {
        code = "Vehicle";
    }
    return code;
}

bool declares(const TDataPacketShape& shape, const std::string& field) {
    return std::find(shape.Fields.begin(), shape.Fields.end(), field) != shape.Fields.end();
}

std::string someFields(const TDataPacketShape& shape) {
    std::string list;
    for (size_t i = 0; i < shape.Fields.size() && i < 4; ++i) {
        list += (i ? ", " : "") + shape.Fields[i];
    }
    return shape.Fields.size() > 4 ? list + ", ..." : list;
}

// A vehicle file declares fields of a vehicle ("Comments" alone is in every table). The scale
// codes catalogue lies in the same kind of file, often beside the vehicles, so it is named.
void checkVehicleShape(const TDataPacketShape& shape) {
    const TTableDef& def = *VehiclesLayout();
    const bool vehicleFields =
        std::any_of(shape.Fields.begin(), shape.Fields.end(), [&def](const std::string& f) {
            return f != "Comments" && def.FieldIndex(f) >= 0;
        });
    if (!shape.Fields.empty() && !vehicleFields) {
        if (declares(shape, "SCode")) {
            throw EQuorvinError("The file is a scale codes catalogue, not a vehicle definition");
        }
        throw EQuorvinError("The file is not a vehicle definition (its records hold " +
                            someFields(shape) + ")");
    }
    if (shape.Rows == 0) {
        throw EQuorvinError("The file holds no vehicle");
    }
}

// Anything else in the catalogue's place is left alone, so it is not overwritten at exit.
void checkScalesShape(const TDataPacketShape& shape) {
    if (!shape.Fields.empty() && !declares(shape, "SCode")) {
        throw EQuorvinError("The file is not a scale codes catalogue (its records hold " +
                            someFields(shape) + ")");
    }
}

std::string reason(const std::exception& e) {
    std::string s = e.what();
    while (!s.empty() && (s.back() == '.' || s.back() == ' ')) {
        s.pop_back();
    }
    return s;
}

} // namespace

std::shared_ptr<const TTableDef> VehiclesLayout() {
    static const auto def = buildLayout(
        "Vehicles",
        layoutOf(vehiclesCols, "VID",
                 {{"SuspendReply", true}, {"ResumeReply", true}, {"ALDL", std::string("8192")}}));
    return def;
}

std::shared_ptr<const TTableDef> ScaleCodesLayout() {
    static const auto def =
        buildLayout("Scales", layoutOf(scaleCols, "", {{"Signed", true}, {"Hex", true}}));
    return def;
}

const char* ATypeText(int atype) {
    static const char* const texts[] = {"Scaled value", "Lookup table", "Raw byte",
                                        "DTCunction",   "Bit flag",     "Enumeration"};
    return atype >= 0 && atype <= 5 ? texts[atype] : "";
}

// ---- TCds ----

TCds::TCds(TTable& parent, const std::string& nestedFieldName, const std::string& keyFields)
    : table_(nestedFieldName.empty() ? &parent : &parent.Nested(nestedFieldName)) {
    table_->AddIndex("Sorted", keyFields);
}

// ---- TVehicle ----

TVehicle::TVehicle(void* owner, std::string scalesFile, std::string iniFile,
                   std::string seedScalesFile)
    : vehicles_(std::make_unique<TTable>(VehiclesLayout())), Owner(owner),
      ModeBytes(modeBytesLayout()), ScaleCodes(ScaleCodesLayout()), Vehicles(*vehicles_, "", "VID"),
      Modules(*Vehicles, "Modules", "MCode;ModeByte;MID"),
      Macros(*Vehicles, "Macros", "MacCode;MacID"), Items(*Macros, "Items", "Seq;IID"),
      Requests(*Modules, "Requests", "RCode;RID"), RScale(*Requests, "Scale", "SCode"),
      Attrs(*Requests, "Attrs", "Start;ACode;AID"), AScale(*Attrs, "Scale", "SCode"),
      Table(*Attrs, "Table", "RawByte"), DTCs(*Attrs, "DTCs", "Bit"), Flags(*Attrs, "Flags", "Bit"),
      Enums(*Attrs, "Enums", "Value") {
    for (TCds* cds : {&Vehicles, &Modules, &Macros, &Items, &Requests, &RScale, &Attrs, &AScale,
                      &Table, &DTCs, &Flags, &Enums}) {
        setHooks(**cds);
    }
    scalesFile_ = scalesFile.empty() ? folderOf(IniPath()) + "/Scales.xml" : scalesFile;
    seedScalesFile_ = seedScalesFile.empty() ? BundledDataDir() + "/Scales.xml" : seedScalesFile;
    loadScaleCodes();
    loadModeBytes(iniFile.empty() ? IniPath() : iniFile);
}

TVehicle::~TVehicle() {
    try {
        SaveScaleCodes();
    } catch (const std::exception& e) {
        std::cerr << "Can't save the scale codes to " << scalesFile_ << ": " << e.what() << "\n";
    }
}

void TVehicle::setHooks(TTable& table) {
    table.SetAfterPost([this](TTable&) { MarkChanged(); });
    table.SetBeforeDelete([this](TTable& t) { DeleteChildren(t); });
}

void TVehicle::SetErrorReporter(TErrorReporter reporter) {
    reporter_ = std::move(reporter);
}

void TVehicle::ReportError(const std::string& message) const {
    if (reporter_) {
        reporter_(message);
    } else {
        std::cerr << message << "\n";
    }
}

void TVehicle::fireDirtyChanged() {
    if (OnDirtyChanged) {
        OnDirtyChanged();
    }
}

void TVehicle::MarkChanged() {
    Dirty = true;
    Changed = true;
    fireDirtyChanged();
}

void TVehicle::DeleteChildren(TTable& table) {
    const TTableDef& def = table.Def();
    for (size_t i = 0; i < def.Fields.size(); ++i) {
        if (def.Fields[i].DataType != FT::ftNested) {
            continue;
        }
        TTable& child = table.NestedAt(static_cast<int>(i));
        child.Cancel();
        // Each delete runs the child's own before-delete hook first: depth first.
        while (!child.IsEmpty()) {
            child.First();
            child.Delete();
        }
    }
    MarkChanged();
}

std::string TVehicle::NormaliseFileName(const std::string& fileName) {
    std::filesystem::path p(fileName);
    // ".xml" in any letter case stays as written: here "VT.XML" and "VT.xml" are two files. A
    // name that is only ".xml" is that extension, not a hidden file without one.
    if (strcasecmp(p.extension().c_str(), ".xml") == 0 ||
        strcasecmp(p.filename().c_str(), ".xml") == 0) {
        return fileName;
    }
    if (p.has_extension()) {
        p.replace_extension(".xml");
        return p.string();
    }
    return fileName + ".xml";
}

void TVehicle::CopyRecords(TTable& dest, TTable& source) {
    const TTableDef& dd = dest.Def();
    const TTableDef& sd = source.Def();
    for (source.First(); !source.Eof(); source.Next()) {
        dest.Append();
        for (const auto& [field, value] : dd.LoadDefaults) {
            dest.SetAt(field, value);
        }
        std::vector<bool> seen(dd.Fields.size(), false);
        for (size_t s = 0; s < sd.Fields.size(); ++s) {
            int d = dd.FieldIndex(sd.Fields[s].Name);
            if (d < 0 || seen[d]) {
                continue;
            }
            seen[d] = true;
            bool srcNested = sd.Fields[s].DataType == FT::ftNested;
            bool dstNested = dd.Fields[d].DataType == FT::ftNested;
            if (srcNested && dstNested) {
                TTable& dn = dest.NestedAt(d);
                CopyRecords(dn, source.NestedAt(static_cast<int>(s)));
                dn.CheckBrowseMode();
            } else if (!srcNested && !dstNested) {
                try {
                    dest.SetAt(d, source.ValueAt(static_cast<int>(s)));
                } catch (const EQuorvinError&) {
                    // the destination refuses the value: it keeps its load default
                }
            }
        }
        if (source.RecNo() + 1 < source.RecordCount()) {
            dest.Post();
        }
    }
}

bool TVehicle::LoadFromFile(const std::string& fileName,
                            const std::function<bool()>& beforeReplace) {
    std::string name = NormaliseFileName(fileName);
    try {
        // Built aside: the current definition is replaced only once the whole file has loaded.
        TTable loaded(VehiclesLayout());
        LoadDataPacket(name, loaded, 1, checkVehicleShape);
        if (beforeReplace && !beforeReplace()) {
            return false;
        }
        vehicles_->SwapData(loaded);
    } catch (const std::exception& e) {
        ReportError(
            Format("Can't load vehicle from file: %s. %s.", name.c_str(), reason(e).c_str()));
        return false;
    }
    FileName = name;
    Dirty = false;
    Changed = false;
    fireDirtyChanged();
    return true;
}

bool TVehicle::SaveToFile(const std::string& fileName) {
    std::string name;
    if (!fileName.empty()) {
        name = NormaliseFileName(fileName);
    } else {
        name = VehicleDir() + "/" + safeFileBase(Vehicles->AsString("VCode")) + ".xml";
    }
    FileName = name;
    try {
        TTable& v = *Vehicles;
        v.CheckBrowseMode();
        while (v.RecordCount() > 1) {
            v.Last();
            v.Delete();
        }
        v.First();
        SaveDataPacket(v, name);
    } catch (const std::exception& e) {
        ReportError(Format("Can't save vehicle: %s. %s", name.c_str(), reason(e).c_str()));
        return false;
    }
    Dirty = false;
    Changed = false;
    fireDirtyChanged();
    return true;
}

void TVehicle::ClearAssignments(int chart, int series, int gauge) {
    TTable& modules = *Modules;
    TTable& requests = *Requests;
    TTable& attrs = *Attrs;
    TTable& items = *Items;
    TBookmark mm = modules.Bookmark();
    TBookmark rm = requests.Bookmark();
    TBookmark am = attrs.Bookmark();
    TBookmark im = items.Bookmark();
    attrs.DisableControls();
    auto restore = [&] {
        modules.GotoBookmark(mm);
        requests.GotoBookmark(rm);
        attrs.GotoBookmark(am);
        items.GotoBookmark(im);
        attrs.EnableControls();
    };
    auto clearDash = [gauge](TTable& rows) {
        for (rows.First(); !rows.Eof(); rows.Next()) {
            if (rows.AsInteger("Dash") == gauge) {
                rows.Edit();
                rows.SetAsInteger("Dash", 0);
                rows.Post();
            }
        }
    };
    try {
        for (modules.First(); !modules.Eof(); modules.Next()) {
            for (requests.First(); !requests.Eof(); requests.Next()) {
                for (attrs.First(); !attrs.Eof(); attrs.Next()) {
                    if (chart >= 0 && series >= 0 && attrs.AsInteger("Chart") == chart &&
                        attrs.AsInteger("Series") == series) {
                        attrs.Edit();
                        attrs.SetAsInteger("Chart", 0);
                        attrs.SetAsInteger("Series", 0);
                        attrs.Post();
                    }
                    if (gauge < 0) {
                        continue;
                    }
                    int atype = attrs.AsInteger("AType");
                    if (atype == atDTC) {
                        clearDash(*DTCs);
                    } else if (atype == atFlags) {
                        clearDash(*Flags);
                    } else if (attrs.AsInteger("Dash") == gauge) {
                        attrs.Edit();
                        attrs.SetAsInteger("Dash", 0);
                        attrs.Post();
                    }
                }
            }
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TVehicle::loadScaleCodes() {
    std::error_code error;
    bool exists = std::filesystem::exists(scalesFile_, error);
    std::string source = exists ? scalesFile_ : seedScalesFile_;
    if (!exists && !std::filesystem::exists(source, error)) {
        return; // no catalogue anywhere: it starts empty
    }
    try {
        TTable loaded(ScaleCodesLayout());
        LoadDataPacket(source, loaded, -1, checkScalesShape);
        ScaleCodes.SwapData(loaded);
    } catch (const std::exception& e) {
        if (exists) {
            // Keep the user's file: writing the empty catalogue over it at exit would lose it.
            scalesUnreadable_ = true;
            std::cerr << "Can't read the scale codes from " << scalesFile_ << ": " << reason(e)
                      << ". The file will not be overwritten.\n";
        }
    }
}

void TVehicle::SaveScaleCodes() {
    if (scalesUnreadable_) {
        return;
    }
    ScaleCodes.CheckBrowseMode();
    std::error_code error; // a folder that cannot be made fails the save below, with its reason
    std::filesystem::create_directories(folderOf(scalesFile_), error);
    SaveDataPacket(ScaleCodes, scalesFile_);
}

void TVehicle::loadModeBytes(const std::string& iniFile) {
    static const char* const defaults[19] = {"No mode byte",
                                             "($00) Normal communications",
                                             "($01) Request ALDL data frame",
                                             "($02) Memory dump (64/2 byte addr)",
                                             "($03) Examine memory (2 byte addr)",
                                             "($04) Device control",
                                             "($05) Download",
                                             "($06) Download and execute",
                                             "($07) Command message",
                                             "($08) Suspend chatter",
                                             "($09) Resume chatter",
                                             "($0A) Clear diagnostic trouble codes",
                                             "($0B) Normal communication",
                                             "($0C) Modify memory",
                                             "($0D) Security access mode",
                                             "($0E) Memory dump (64/3 byte addr)",
                                             "($0F) Examine memory (3 byte addr)",
                                             "($10) Download and execute (3 byte addr)",
                                             "($11) Write program data"};
    TIniFile ini(iniFile);
    for (int i = 0; i < 19; ++i) {
        std::string mode = i == 0 ? std::string() : Format("$%02X", i - 1);
        std::string key = i == 0 ? std::string("Mode$--") : "Mode" + mode;
        ModeBytes.Append();
        ModeBytes.SetAsString("ModeByte", mode);
        ModeBytes.SetAsString("ModeDesc", ini.ReadString("ModeByte", key, defaults[i]));
        ModeBytes.Post();
    }
    ModeBytes.First();
}
