#pragma once
// Builds small vehicle definitions for the engine tests, row by row, in a temporary folder.
#include "definitions/XMLData.h"
#include "support/TempDir.h"

#include <initializer_list>
#include <string>
#include <utility>

using TFields = std::initializer_list<std::pair<const char*, TValue>>;

inline TValue S(const char* text) {
    return TValue(std::string(text));
}

// Inserts one posted row into the table (under the parents' current rows); it stays current.
inline void AddRow(TTable& table, TFields fields) {
    table.Insert();
    for (const auto& [name, value] : fields) {
        table.SetValue(name, value);
    }
    table.Post();
}

struct TestVehicle {
    TempDir dir;
    // No catalogue: the engine copies scales from the vehicle rows only.
    TVehicle v{nullptr, dir.File("Scales.xml"), dir.File("test.ini"), dir.File("none.xml")};

    // The vehicle row: 8192 baud, no chatter, short time-outs; fields override.
    void Vehicle(TFields fields = {}) {
        AddRow(*v.Vehicles, {{"VCode", S("TEST")},
                             {"ALDL", S("8192")},
                             {"Chatter", false},
                             {"T1", 0},
                             {"T2", 2},
                             {"T3", 300},
                             {"T4", 0},
                             {"T5", 0},
                             {"T6", 50}});
        if (fields.size()) {
            v.Vehicles->Edit();
            for (const auto& [name, value] : fields) {
                v.Vehicles->SetValue(name, value);
            }
            v.Vehicles->Post();
        }
    }
    void Module(const char* mcode, const char* modeByte, const char* moduleId = "$F4") {
        AddRow(*v.Modules,
               {{"MCode", S(mcode)}, {"ModeByte", S(modeByte)}, {"ModuleID", S(moduleId)}});
    }
    void Request(const char* rcode, const char* parameters, TFields fields = {}) {
        AddRow(*v.Requests, {{"RCode", S(rcode)},
                             {"Reply", true},
                             {"ProcReply", true},
                             {"Parameters", S(parameters)}});
        if (fields.size()) {
            v.Requests->Edit();
            for (const auto& [name, value] : fields) {
                v.Requests->SetValue(name, value);
            }
            v.Requests->Post();
        }
    }
    void RequestScale(double factor, double offset) {
        AddRow(*v.RScale, {{"SCode", S("R")}, {"Factor", factor}, {"Offset", offset}});
    }
    // An attribute with its Scale row (factor 1, offset 0 unless given in scale).
    void Attr(const char* acode, double start, int bits, int atype, TFields scale = {},
              bool visible = true) {
        AddRow(*v.Attrs, {{"ACode", S(acode)},
                          {"Start", start},
                          {"Bits", bits},
                          {"AType", atype},
                          {"Visible", visible}});
        AddRow(*v.AScale, {{"SCode", S(acode)}, {"Factor", 1.0}, {"Offset", 0.0}});
        if (scale.size()) {
            v.AScale->Edit();
            for (const auto& [name, value] : scale) {
                v.AScale->SetValue(name, value);
            }
            v.AScale->Post();
        }
    }
    int Macro(const char* code, bool restart = false) {
        AddRow(*v.Macros, {{"MacCode", S(code)}, {"MacDesc", S("Test")}, {"Restart", restart}});
        return v.Macros->AsInteger("MacID");
    }
    void Item(int seq, const char* mcode, const char* rcode, int iters) {
        AddRow(*v.Items,
               {{"Seq", seq}, {"MCode", S(mcode)}, {"RCode", S(rcode)}, {"Iters", iters}});
    }
};

#include "engine/Cartridge.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <vector>

// An engine on a definition of one module "ECM" (mode $01, header $F4) with one request "R"
// (message $00); tests add attributes, then Load() makes a one-item macro of it.
struct EngineRig {
    TestVehicle t;
    TRtime timer;
    TRS232 link{timer};
    TCartridge engine{t.v, link, timer};

    explicit EngineRig(TFields vehicle = {}) {
        t.Vehicle(vehicle);
        t.Module("ECM", "$01");
        t.Request("R", "$00");
    }
    void Load(int iters = 1, bool restart = false) {
        const int id = t.Macro("M", restart);
        t.Item(1, "ECM", "R", iters);
        engine.LoadMacro(id);
    }
    TAttr& Attr(int item, int attr) { return engine.Items[item].Request.Attrs[attr]; }
};

// A reply frame from module $F4 with these data bytes.
inline TPacket ReplyFrame(const std::vector<int>& data, int messageNo = 0) {
    TPacket p;
    p.SetHeader(0xF4);
    p.SetDataLen(static_cast<int>(data.size()));
    for (size_t i = 0; i < data.size(); ++i) {
        p.setData(static_cast<int>(i), data[i]);
    }
    p.UpdateChecksum();
    p.MessageNo = messageNo;
    return p;
}
