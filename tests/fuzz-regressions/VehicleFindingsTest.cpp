// Vehicle files the fuzz targets found faults with, cut down to the fault.
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A vehicle of one module, request and macro; heartBeat is the vehicle row's HeartBeat text.
std::string vehicleFile(const std::string& heartBeat) {
    return R"(<?xml version="1.0" standalone="yes"?>
<DATAPACKET Version="2.0"><ROWDATA>
<ROW VID="1" VCode="V" ALDL="8192" Chatter="TRUE" HeartBeat=")" +
           heartBeat + R"(" T2="2" T3="300" T6="50"><Modules>
<ROWModules MID="1" MCode="ECM" ModeByte="$01" ModuleID="$F4"><Requests>
<ROWRequests RID="1" RCode="DATA" Reply="TRUE" ProcReply="TRUE" Parameters="$00"/>
</Requests></ROWModules></Modules><Macros>
<ROWMacros MacID="1" MacCode="M" MacDesc="M"><Items>
<ROWItems IID="1" Seq="1" MCode="ECM" RCode="DATA" Iters="1"/>
</Items></ROWMacros></Macros></ROW>
</ROWDATA></DATAPACKET>
)";
}

} // namespace

// A heartbeat text of more byte list items than a frame record holds (250 commas are 251 empty
// items, within the field's 250 characters) made LoadMacro throw "Index: 203 out of range 0-202
// in TPacket.setByte" and left the macro without its items.
TEST(VehicleFindings, AHeartbeatLongerThanAFrameRecordStillLoadsTheMacro) {
    TempDir dir;
    TVehicle vehicle(nullptr, dir.File("Scales.xml"), dir.File("test.ini"), dir.File("none.xml"));
    ASSERT_TRUE(vehicle.LoadFromFile(dir.Write("v.xml", vehicleFile(std::string(250, ',')))));
    TRtime timer;
    TRS232 link(timer);
    TCartridge engine(vehicle, link, timer);
    EXPECT_NO_THROW(engine.LoadMacro(1));
    EXPECT_EQ(engine.ItemCount, 1);
    EXPECT_LE(engine.HeartbeatLen, TPacket::Size);
}
