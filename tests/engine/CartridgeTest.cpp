// The runtime image: building it from the definition, its accessors and display assignments.
#include "engine/Cartridge.h"

#include "TestVehicle.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct Image {
    TestVehicle t;
    TRtime timer;
    TRS232 link{timer};
    TCartridge engine{t.v, link, timer};
};

TEST(CartridgeTest, LookupTableIsExpandedToEveryRawByte) {
    Image m;
    m.t.Vehicle();
    m.t.Module("ECM", "$01");
    m.t.Request("R", "$00");
    m.t.Attr("TAB", 1, 8, 1);
    AddRow(*m.t.v.Table, {{"RawByte", 10}, {"Value", 1.5}});
    AddRow(*m.t.v.Table, {{"RawByte", 20}, {"Value", 2.5}});
    AddRow(*m.t.v.Table, {{"RawByte", 300}, {"Value", 9.0}}); // beyond a byte: ignored
    int id = m.t.Macro("M");
    m.t.Item(1, "ECM", "R", 1);
    m.engine.LoadMacro(id);
    ASSERT_EQ(m.engine.ItemCount, 1);
    const TAttr& a = m.engine.Items[0].Request.Attrs[0];
    EXPECT_EQ(a.TableCount, 256);
    for (int i = 0; i <= 255; ++i) {
        const TTableEntry want = i <= 10 ? TTableEntry{10, 1.5f} : TTableEntry{20, 2.5f};
        EXPECT_EQ(a.Table[i].RawByte, want.RawByte) << i;
        EXPECT_EQ(a.Table[i].Value, want.Value) << i;
    }
}

TEST(CartridgeTest, TableRowsOutOfOrderOrBeyondAByteChangeNothing) {
    EngineRig rig;
    rig.t.Attr("TAB", 1, 8, atLookup);
    rig.Load();
    EXPECT_EQ(rig.Attr(0, 0).Table[0].Value, 0); // no rows: everything 0
    EXPECT_EQ(rig.Attr(0, 0).Table[255].RawByte, 0);
}

TEST(CartridgeTest, LinkSettingsAndChatterFramesComeFromTheVehicle) {
    EngineRig rig({{"Chatter", true},
                   {"HeartBeat", S("$08,$55,$A3")},
                   {"Suspend", S("$F4,$56,$08,$00")}, // a wrong checksum is replaced
                   {"Resume", S("$F4,$56,$09,$AD")},
                   {"SuspendReply", true},
                   {"T1", 0},
                   {"T2", 0},
                   {"T3", 0},
                   {"T4", 200},
                   {"T5", 7},
                   {"T6", 5}});
    rig.Load();
    TCartridge& e = rig.engine;
    EXPECT_TRUE(e.Chatter);
    EXPECT_EQ(e.HeartbeatLen, 3);
    EXPECT_EQ(e.SuspendFrame.HexText(), "$F4,$56,$08,$AE");
    EXPECT_EQ(e.ResumeFrame.HexText(), "$F4,$56,$09,$AD");
    EXPECT_TRUE(e.SuspendReply);
    EXPECT_EQ(e.T3, 1); // all three read time-outs 0: a constant of 1 ms
    EXPECT_EQ(rig.link.T3(), 1);
    EXPECT_EQ(rig.link.T4(), 100);
    EXPECT_EQ(rig.link.T5(), 7);
    EXPECT_EQ(rig.link.T6(), 10);
    EXPECT_EQ(e.MacroTitle, "Test: M");
}

TEST(CartridgeTest, VehicleAt160BaudHasNoChatterHandling) {
    EngineRig rig({{"ALDL", S("160-808")},
                   {"Chatter", true},
                   {"HeartBeat", S("$08,$55,$A3")},
                   {"Suspend", S("$F4,$56,$08,$AE")},
                   {"SuspendReply", true}});
    rig.Load();
    EXPECT_FALSE(rig.engine.Aldl8192);
    EXPECT_FALSE(rig.engine.Chatter);
    EXPECT_TRUE(rig.engine.HeartBeat.empty());
    EXPECT_TRUE(rig.engine.Suspend.empty());
    EXPECT_EQ(rig.engine.HeartbeatLen, 0);
    EXPECT_FALSE(rig.engine.SuspendReply);
}

TEST(CartridgeTest, ItemsAttributesAndRowsLeftOutOfTheImage) {
    EngineRig rig;
    rig.t.Attr("SHOWN", 1, 8, atDTC);
    AddRow(*rig.t.v.DTCs, {{"Bit", 0}, {"Desc", S("unused")}, {"Note", 3}});
    AddRow(*rig.t.v.DTCs, {{"Bit", 1}, {"Desc", S("Code 13")}, {"Note", 4}, {"NoteName", S("O2")}});
    rig.t.Attr("HIDDEN", 2, 8, atRaw, {}, false);
    rig.t.Module("OTHER", "$02");
    rig.t.Request("R", "$07"); // the same RCode under a module not in any item
    const int id = rig.t.Macro("M");
    rig.t.Item(1, "ECM", "R", 1);
    rig.t.Item(2, "NOPE", "R", 1);   // module missing
    rig.t.Item(3, "ECM", "NOPE", 1); // request missing
    rig.t.Item(4, "OTHER", "R", 2);
    rig.engine.LoadMacro(id);
    ASSERT_EQ(rig.engine.ItemCount, 2);
    const TRequest& r = rig.engine.Items[0].Request;
    EXPECT_EQ(r.AttrCount, 1);
    EXPECT_EQ(r.Attrs[0].ACode, "SHOWN");
    ASSERT_EQ(r.Attrs[0].DTCCount, 1);
    EXPECT_EQ(r.Attrs[0].DTCs[0].Desc, "Code 13");
    EXPECT_EQ(rig.engine.GetNoteName(3), "O2");
    EXPECT_EQ(r.MessageNo, 0);
    EXPECT_EQ(rig.engine.Items[0].ModuleID, 0xF4);
    const TMacroItem& other = rig.engine.Items[1];
    EXPECT_EQ(other.ModeValue, 2);
    EXPECT_EQ(other.Request.MessageNo, 0); // only mode 1 requests carry a message number
    EXPECT_EQ(other.Iters, 2);
}

TEST(CartridgeTest, MacroWithoutItemsAndMacroNotFound) {
    EngineRig rig;
    int loaded = 0;
    rig.engine.SetOnLoaded([&] { ++loaded; });
    const int id = rig.t.Macro("Empty");
    rig.engine.LoadMacro(id);
    EXPECT_EQ(rig.engine.ItemCount, 0);
    EXPECT_EQ(rig.engine.Items.size(), 1u);
    EXPECT_EQ(rig.engine.Items[0].ModuleID, 0);
    EXPECT_FALSE(rig.engine.Items[0].Request.Reply);
    rig.engine.LoadMacro(id + 100);
    EXPECT_EQ(rig.engine.ItemCount, 0);
    EXPECT_TRUE(rig.engine.Items.empty());
    EXPECT_EQ(loaded, 2);
}

TEST(CartridgeTest, NoteNamesAndAttributeValues) {
    EngineRig rig;
    rig.t.Attr("A", 1, 8, atFlags);
    rig.Load();
    rig.engine.SetNoteName(31, "last");
    rig.engine.SetNoteName(32, "ignored");
    EXPECT_EQ(rig.engine.GetNoteName(31), "last");
    EXPECT_EQ(rig.engine.GetNoteName(32), "?32?");
    EXPECT_EQ(rig.engine.GetNoteName(-1), "?-1?");

    rig.Attr(0, 0).RawValue = 0x05;
    rig.Attr(0, 0).Value = 5;
    EXPECT_EQ(rig.engine.GetAttrValue(0, 0, -1), 5);
    EXPECT_EQ(rig.engine.GetAttrValue(0, 0, 2), 1);
    EXPECT_EQ(rig.engine.GetAttrValue(0, 0, 1), 0);
    EXPECT_EQ(rig.engine.GetAttrValue(-1, 0, -1), MissingValue);
    EXPECT_EQ(rig.engine.GetAttrValue(0, -1, -1), MissingValue);
    EXPECT_EQ(rig.engine.GetAttrValue(0, 0, 40), 0);
    rig.engine.ResetValues();
    EXPECT_EQ(rig.Attr(0, 0).RawValue, 0);
}

TEST(CartridgeTest, PickListEntries) {
    EngineRig rig;
    TPickListItem item;
    item.Name = "RPM";
    item.Sub = item.Bit = -1;
    rig.engine.SetPickListItem(511, item);
    rig.engine.SetPickListItem(512, item); // outside: ignored
    EXPECT_EQ(rig.engine.GetPickListItem(511).Name, "RPM");
    EXPECT_EQ(rig.engine.GetPickListItem(512).Name, "");
    rig.engine.ClearPickList();
    EXPECT_EQ(rig.engine.GetPickListItem(511).Name, "");
    EXPECT_EQ(rig.engine.GetPickListItem(511).Bit, 0);
}

TEST(CartridgeTest, AssignDisplayWritesTablesAndImage) {
    EngineRig rig;
    rig.t.Attr("A", 1, 8, atScaled);
    rig.t.Attr("B", 2, 8, atScaled);
    rig.t.v.Attrs->Edit();
    rig.t.v.Attrs->SetAsInteger("Chart", 2);
    rig.t.v.Attrs->SetAsInteger("Series", 3);
    rig.t.v.Attrs->SetAsInteger("Dash", 5);
    rig.t.v.Attrs->Post();
    rig.t.Attr("F", 3, 8, atFlags);
    AddRow(*rig.t.v.Flags, {{"Bit", 0}, {"Desc", S("F0")}});
    AddRow(*rig.t.v.Flags, {{"Bit", 4}, {"Desc", S("F4")}});
    rig.Load();
    ASSERT_EQ(rig.Attr(0, 1).Chart, 2);

    rig.engine.AssignDisplay(2, 3, -1, -1, 0, 0, 5); // A takes B's series and gauge
    EXPECT_EQ(rig.Attr(0, 0).Chart, 2);
    EXPECT_EQ(rig.Attr(0, 0).Series, 3);
    EXPECT_EQ(rig.Attr(0, 0).Dash, 5);
    EXPECT_EQ(rig.Attr(0, 1).Chart, 0);
    EXPECT_EQ(rig.Attr(0, 1).Dash, 0);
    rig.engine.AssignDisplay(-1, -1, 4, 1, 0, 2, 5); // flag bit 4 takes the gauge
    EXPECT_EQ(rig.Attr(0, 0).Dash, 0);
    EXPECT_EQ(rig.Attr(0, 2).Flags[1].Dash, 5);

    // The tables say the same: a reload gives the same image.
    rig.engine.LoadMacro(rig.t.v.Macros->AsInteger("MacID"));
    EXPECT_EQ(rig.Attr(0, 0).Chart, 2);
    EXPECT_EQ(rig.Attr(0, 0).Dash, 0);
    EXPECT_EQ(rig.Attr(0, 1).Series, 0);
    EXPECT_EQ(rig.Attr(0, 2).Flags[1].Dash, 5);
    EXPECT_EQ(rig.Attr(0, 2).Flags[0].Dash, 0);
    EXPECT_TRUE(rig.t.v.Dirty);
}

TEST(CartridgeTest, BundledSampleVehicleMacrosLoad) {
    EngineRig rig;
    ASSERT_TRUE(rig.t.v.LoadFromFile(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml"));
    TTable& macros = *rig.t.v.Macros;
    ASSERT_TRUE(macros.Locate("MacCode", S("Data stream")));
    rig.engine.LoadMacro(macros.AsInteger("MacID"));
    TCartridge& e = rig.engine;
    EXPECT_TRUE(e.Restart);
    EXPECT_TRUE(e.Chatter);
    EXPECT_EQ(e.SuspendFrame.HexText(), "$F4,$56,$08,$AE");
    ASSERT_EQ(e.ItemCount, 1);
    const TMacroItem& item = e.Items[0];
    EXPECT_EQ(item.ModuleID, 0xF4);
    EXPECT_EQ(item.ModeValue, 1);
    EXPECT_EQ(item.Request.MessageNo, 0);
    EXPECT_EQ(item.Request.AttrCount, 32); // RES34 is not visible
    std::map<std::string, const TAttr*> byCode;
    for (const TAttr& a : item.Request.Attrs) {
        byCode[a.ACode] = &a;
    }
    EXPECT_EQ(byCode.count("RES34"), 0u);
    ASSERT_TRUE(byCode.count("RPM") && byCode.count("GEAR") && byCode.count("DTC2"));
    EXPECT_EQ(byCode["RPM"]->StartByte, 13);
    EXPECT_EQ(byCode["RPM"]->Bits, 16);
    EXPECT_EQ(byCode["GEAR"]->EnumCount, 7);
    EXPECT_EQ(byCode["DTC2"]->AType, atDTC);
    EXPECT_GT(byCode["DTC2"]->DTCCount, 0);
    EXPECT_EQ(byCode["CTSTAB"]->TableCount, 256);

    ASSERT_TRUE(macros.Locate("MacCode", S("Snapshot")));
    e.LoadMacro(macros.AsInteger("MacID"));
    ASSERT_EQ(e.ItemCount, 1);
    EXPECT_EQ(e.Items[0].Iters, 5);
    EXPECT_FALSE(e.Restart);
    ASSERT_TRUE(macros.Locate("MacCode", S("Clear codes")));
    e.LoadMacro(macros.AsInteger("MacID"));
    ASSERT_EQ(e.ItemCount, 2);
    EXPECT_EQ(e.Items[0].RCode, "CLEAR");
    EXPECT_FALSE(e.Items[0].Request.ProcReply);
    EXPECT_EQ(e.Items[1].RCode, "ALDL-0");
}

} // namespace
