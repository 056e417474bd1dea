// Macro execution end to end: the engine and the link over a pseudo-terminal against the
// simulated engine module.
#include "engine/Cartridge.h"

#include "SimRig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>

namespace {

TEST(CartridgeRunTest, VehicleWithoutChatterGetsItsRequestsAnswered) {
    SimRig rig(quietSim());
    rig.t.Attr("PROMID", 2, 16, atRaw);
    rig.Load(0); // Iters 0: without end
    rig.engine.BeginRun();
    EXPECT_FALSE(rig.engine.ChatterActive);
    EXPECT_TRUE(rig.engine.Suspended);
    for (int i = 0; i < 3; ++i) {
        auto frame = rig.Step(true);
        ASSERT_TRUE(frame) << i;
        EXPECT_EQ(frame->Header(), 0xF4);
        EXPECT_EQ(frame->FrameLen(), 64);
        EXPECT_TRUE(frame->ChecksumOK());
        EXPECT_EQ(frame->MessageNo, 0);
        EXPECT_GT(frame->Time, 0);
        rig.engine.DecodeFrame(*frame, true);
        EXPECT_EQ(rig.Attr(0, 0).RawValue, 0x427E);
    }
    EXPECT_EQ(rig.sim.Requests(), std::vector<EcmBytes>(3, mode1Message0));
    EXPECT_EQ(rig.engine.ItemIndex, 0);
    EXPECT_EQ(rig.engine.IterCount, 3);
    EXPECT_TRUE(rig.Has("Send: $F4,$57,$01,$00,$B4", clSent));
    EXPECT_TRUE(std::any_of(rig.lines.begin(), rig.lines.end(), [](const Line& l) {
        return l.text.rfind("Recv: $F4,$92,$01,$42,$7E,", 0) == 0 && l.level == clReceived;
    }));
    EXPECT_EQ(rig.Count("Synchronising ALDL communications..."), 0);
}

// The bundled sample vehicle chatters and has suspend and resume frames.
TEST(CartridgeRunTest, ChatteringVehicleIsSynchronisedSuspendedAndResumedOnce) {
    EcmSimOptions o;
    o.chatter = true;
    SimRig rig(o);
    ASSERT_TRUE(rig.t.v.LoadFromFile(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml"));
    ASSERT_TRUE(rig.t.v.Macros->Locate("MacCode", S("Data stream")));
    rig.engine.LoadMacro(rig.t.v.Macros->AsInteger("MacID"));
    ASSERT_EQ(rig.engine.ItemCount, 1);
    rig.engine.ResetValues();
    rig.engine.BeginRun();
    EXPECT_TRUE(rig.engine.ChatterActive);

    auto first = rig.Step();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->FrameLen(), 64);
    EXPECT_TRUE(rig.Has("Synchronising ALDL communications...", clInfo));
    EXPECT_TRUE(rig.Has("Waiting for heartbeat: $08,$55,$A3", clInfo));
    EXPECT_TRUE(rig.engine.Suspended);
    EXPECT_FALSE(rig.engine.ChatterActive);
    EXPECT_TRUE(rig.sim.Suspended());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(rig.Step());
    }
    EXPECT_EQ(rig.Count("Synchronising ALDL communications..."), 1);

    rig.engine.ResumeChatter();
    rig.engine.ResumeChatter(); // already resumed: nothing more goes out
    const EcmBytes suspend{0xF4, 0x56, 0x08, 0xAE}, resume{0xF4, 0x56, 0x09, 0xAD};
    EXPECT_EQ(rig.sim.Requests(), (std::vector<EcmBytes>{suspend, mode1Message0, mode1Message0,
                                                         mode1Message0, resume}));
    EXPECT_EQ(rig.Count("Resuming normal ALDL communications..."), 1);
    EXPECT_FALSE(rig.engine.Suspended);
    EXPECT_TRUE(rig.engine.ChatterActive);
    EXPECT_FALSE(rig.sim.Suspended());
}

TEST(CartridgeRunTest, ChatterWithoutSuspendFrameSynchronisesBeforeEveryRequest) {
    EcmSimOptions o;
    o.chatter = true;
    SimRig rig(o, {{"Chatter", true}, {"HeartBeat", S("$08,$55,$A3")}, {"T4", 1}});
    rig.Load(0);
    rig.engine.ConsoleDetail = true;
    rig.engine.BeginRun();
    for (int i = 0; i < 3; ++i) {
        auto frame = rig.Step();
        ASSERT_TRUE(frame) << i;
        EXPECT_EQ(frame->FrameLen(), 64);
    }
    EXPECT_EQ(rig.Count("Synchronising ALDL communications..."), 3);
    EXPECT_EQ(rig.Count("Found heartbeat: $08,$55,$A3 - ALDL synchronised"), 3);
    EXPECT_TRUE(rig.Has("Waiting 1 milliseconds after heartbeat", clInfo));
    // Silence falls after the heartbeat, so the frames before the next heartbeat come first.
    EXPECT_TRUE(std::any_of(rig.lines.begin(), rig.lines.end(), [](const Line& l) {
        return l.text.rfind("Frame: 0", 0) == 0 && l.text.ends_with(" = $08,$55,$A3") &&
               l.level == clReceived;
    }));
    EXPECT_EQ(rig.sim.Requests(), std::vector<EcmBytes>(3, mode1Message0));
    EXPECT_TRUE(rig.engine.ChatterActive);
}

TEST(CartridgeRunTest, StreamAt160BaudIsReadWithoutWritingRequests) {
    EcmSimOptions o;
    o.stream160 = true;
    o.sampleBaud = 1600;
    o.streamData = {0x12, 0x34, 0x56, 0x78, 0x9A};
    SimRig rig(o, {{"ALDL", S("160-808")}, {"T2", 10}, {"T3", 600}}, false);
    rig.link.SetBaud(1600);
    rig.t.v.Requests->Edit();
    rig.t.v.Requests->SetAsString("LengthByte", "5");
    rig.t.v.Requests->Post();
    rig.t.Attr("B2", 2, 8, atRaw);
    rig.Load(0);
    rig.link.FrameCaptureRate = 50; // no pacing applies at 160 baud
    rig.engine.BeginRun();
    for (int i = 0; i < 2; ++i) {
        auto frame = rig.Step();
        ASSERT_TRUE(frame) << i;
        EXPECT_EQ(frame->DataLen(), 6);
        EXPECT_EQ(frame->HexText(), "$F4,$5B,$00,$12,$34,$56,$78,$9A,$03");
        rig.engine.DecodeFrame(*frame, true);
        EXPECT_EQ(rig.Attr(0, 0).RawValue, 0x34);
    }
    EXPECT_EQ(rig.sim.Counters().bytesReceived, 0u);
}

EcmSimOptions echoing(std::set<std::uint8_t> modes) {
    EcmSimOptions o = quietSim();
    EcmSimModule echo;
    echo.echoModes = std::move(modes);
    o.modules = {echo};
    return o;
}

// Item A (mode 1 message 0) three times, then item B (mode $0A, answered with itself) once.
struct TwoItems : SimRig {
    explicit TwoItems(bool restart) : SimRig(echoing({0x0A})) {
        t.Module("CLR", "$0A");
        t.Request("B", "", {{"ProcReply", false}});
        const int id = t.Macro("M", restart);
        t.Item(1, "ECM", "R", 3);
        t.Item(2, "CLR", "B", 1);
        engine.LoadMacro(id);
        engine.BeginRun();
    }
};

TEST(CartridgeRunTest, ItemsRunTheirIterationsThenEndOrRestart) {
    const EcmBytes b{0xF4, 0x57, 0x0A, 0x00, 0xAB}; // the mode byte's comma adds an empty item
    for (bool restart : {false, true}) {
        TwoItems rig(restart);
        std::vector<int> headers;
        for (int i = 0; i < 5; ++i) {
            auto frame = rig.Step();
            headers.push_back(frame ? frame->Header() : -1);
        }
        if (restart) {
            EXPECT_EQ(headers, (std::vector<int>{0xF4, 0xF4, 0xF4, 0, 0xF4}));
            EXPECT_EQ(rig.sim.Requests(), (std::vector<EcmBytes>{mode1Message0, mode1Message0,
                                                                 mode1Message0, b, mode1Message0}));
        } else {
            EXPECT_EQ(headers, (std::vector<int>{0xF4, 0xF4, 0xF4, 0, -1})); // B: not logged
            EXPECT_EQ(rig.sim.Requests(),
                      (std::vector<EcmBytes>{mode1Message0, mode1Message0, mode1Message0, b}));
        }
    }
}

TEST(CartridgeRunTest, RepliesCarryTheMessageNumberOfTheirMode1Request) {
    EcmSimOptions o = quietSim();
    EcmSimModule m;
    m.replies[{0x57, 0x01, 0x02}] = EcmSimFrame(0xF4, {0x01, 0xAA, 0xBB});
    m.replies[{0x57, 0x01, 0x00}] = EcmSimFrame(0xF4, {0x01, 0x11, 0x22});
    o.modules = {m};
    SimRig rig(o);
    rig.t.Attr("M0", 1, 8, atRaw);
    rig.t.Request("R2", "$02");
    rig.t.Attr("M2", 1, 8, atRaw);
    const int id = rig.t.Macro("M", true);
    rig.t.Item(1, "ECM", "R", 1);
    rig.t.Item(2, "ECM", "R2", 1);
    rig.engine.LoadMacro(id);
    rig.engine.BeginRun();
    auto m0 = rig.Step();
    auto m2 = rig.Step();
    ASSERT_TRUE(m0 && m2);
    EXPECT_EQ(m0->MessageNo, 0);
    EXPECT_EQ(m2->MessageNo, 2);
    rig.engine.DecodeFrame(*m0, true);
    rig.engine.DecodeFrame(*m2, true);
    EXPECT_EQ(rig.Attr(0, 0).RawValue, 0x11);
    EXPECT_EQ(rig.Attr(1, 0).RawValue, 0xAA);
}

TEST(CartridgeRunTest, PlaceholdersWalkAnAddressThroughTheIterations) {
    SimRig rig(echoing({0x02}));
    rig.t.Module("MEM", "$02");
    rig.t.Request("DUMP", ":B2,:b1");
    rig.t.RequestScale(16, 4096);
    const int id = rig.t.Macro("M");
    rig.t.Item(1, "MEM", "DUMP", 2);
    rig.engine.LoadMacro(id);
    rig.engine.BeginRun();
    ASSERT_TRUE(rig.Step());
    ASSERT_TRUE(rig.Step());
    EXPECT_EQ(rig.sim.Requests(), (std::vector<EcmBytes>{EcmSimFrame(0xF4, {0x02, 0x10, 0x00}),
                                                         EcmSimFrame(0xF4, {0x02, 0x10, 0x10})}));
}

TEST(CartridgeRunTest, PrecisePacingSpacesRequestsByTheCaptureRate) {
    EcmSimOptions o = quietSim();
    o.pace = false; // replies come back much faster than the rate
    SimRig rig(o);
    rig.Load(0);
    rig.link.FrameCaptureRate = 10;
    rig.engine.BeginRun();
    std::vector<double> ms;
    for (int i = 0; i < 8; ++i) {
        auto frame = rig.Step();
        ASSERT_TRUE(frame) << i;
        ms.push_back(frame->Time * 86400000.0);
    }
    std::vector<double> gaps;
    for (size_t i = 1; i < ms.size(); ++i) {
        gaps.push_back(ms[i] - ms[i - 1]);
    }
    const double mean = std::accumulate(gaps.begin(), gaps.end(), 0.0) / gaps.size();
    EXPECT_NEAR(mean, 100, 8);
    // The pacing keeps a schedule: a request that a busy machine sent late is followed by one
    // sooner, so single gaps vary, but no request goes out before its time.
    for (size_t i = 1; i < ms.size(); ++i) {
        EXPECT_GT(ms[i] - ms[0], 100.0 * i - 20) << i;
        EXPECT_LT(gaps[i - 1], 250) << i;
    }
}

TEST(CartridgeRunTest, PlainPacingSleepsAWholePeriodWhenEarly) {
    EcmSimOptions o = quietSim();
    o.pace = false;
    SimRig rig(o);
    rig.Load(0);
    rig.link.FrameCaptureRate = 10;
    rig.engine.BeginRun();
    std::vector<double> ms;
    for (int i = 0; i < 4; ++i) {
        auto frame = rig.engine.ExecuteStep(false, false, false);
        ASSERT_TRUE(frame) << i;
        ms.push_back(frame->Time * 86400000.0);
    }
    for (size_t i = 1; i < ms.size(); ++i) {
        EXPECT_GT(ms[i] - ms[i - 1], 90) << i;
        EXPECT_LT(ms[i] - ms[i - 1], 300) << i;
    }
}

TEST(CartridgeRunTest, PacingAfterAPauseDoesNotBurstTheMissedRequests) {
    EcmSimOptions o = quietSim();
    o.pace = false;
    SimRig rig(o);
    rig.Load(0);
    rig.link.FrameCaptureRate = 10;
    rig.engine.BeginRun();
    ASSERT_TRUE(rig.Step());
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // a pause of five periods
    auto a = rig.Step();
    auto b = rig.Step();
    ASSERT_TRUE(a && b);
    EXPECT_GT((b->Time - a->Time) * 86400000.0, 80);
}

TEST(CartridgeRunTest, HeartbeatNotFoundLeavesTheIterationToTryAgain) {
    EcmSimOptions o;
    o.chatter = true;
    o.heartbeat = {0x09, 0x55, 0xA2}; // not the vehicle's pattern
    SimRig rig(
        o, {{"Chatter", true}, {"HeartBeat", S("$08,$55,$A3")}, {"Suspend", S("$F4,$56,$08,$AE")}});
    rig.Load(0);
    rig.engine.BeginRun();
    EXPECT_FALSE(rig.Step());
    EXPECT_TRUE(rig.Has(
        "Heartbeat not found in previous 32 chatter frames - giving up looking for heartbeat",
        clError));
    EXPECT_EQ(rig.engine.IterCount, 0);
    EXPECT_TRUE(rig.engine.ChatterActive);
    EXPECT_TRUE(rig.sim.Requests().empty());
}

TEST(CartridgeRunTest, SilentBusGivesNoHeartbeat) {
    SimRig rig(quietSim(), {{"Chatter", true}, {"HeartBeat", S("$08,$55,$A3")}});
    rig.Load(0);
    rig.engine.ConsoleDetail = true;
    rig.engine.BeginRun();
    EXPECT_FALSE(rig.Step());
    EXPECT_TRUE(rig.Has("Com timeout: Expecting frame header byte", clTimeout));
    EXPECT_TRUE(rig.Has("No heartbeat found - ALDL not synchronised yet", clInfo));
    EXPECT_EQ(rig.engine.IterCount, 0);
    EXPECT_TRUE(rig.sim.Requests().empty());
}

struct FaultCase {
    const char* name;
    EcmSimFaults faults;
    std::vector<Line> expected;
};

TEST(CartridgeRunTest, FailedRepliesReturnNoFrameAndGoOnWithTheNextIteration) {
    EcmSimFaults noReply, badChecksum, noEcho;
    noReply.noReply = 1;
    badChecksum.badChecksum = 1;
    noEcho.noEcho = 1;
    noEcho.noReply = 1;
    const FaultCase cases[] = {
        {"reply time-out", noReply, {{"Com timeout: Expecting frame header byte", clTimeout}}},
        {"checksum", badChecksum, {{"Error: Reply frame checksum failure", clError}}},
        {"no echo",
         noEcho,
         {{"Error: No echo received from MAX232", clError},
          {"Com timeout: Expecting frame header byte", clTimeout}}},
    };
    for (const FaultCase& c : cases) {
        EcmSimOptions o = quietSim();
        o.faults = c.faults;
        SimRig rig(o, {{"T3", 150}});
        rig.Load(2);
        rig.engine.ConsoleDetail = true;
        rig.engine.BeginRun();
        EXPECT_FALSE(rig.Step()) << c.name;
        for (const Line& l : c.expected) {
            EXPECT_TRUE(rig.Has(l.text, l.level)) << c.name << ": " << l.text;
        }
        EXPECT_TRUE(rig.Has("Aborting request due to previous error", clError)) << c.name;
        EXPECT_EQ(rig.engine.IterCount, 1) << c.name;
        // A module that has not answered yet is not asked again.
        EXPECT_EQ(rig.sim.Requests().size(), 1u) << c.name;
    }
}

TEST(CartridgeRunTest, TestModeNeverTouchesThePort) {
    EcmSimOptions o;
    o.chatter = true;
    SimRig rig(
        o, {{"Chatter", true}, {"HeartBeat", S("$08,$55,$A3")}, {"Suspend", S("$F4,$56,$08,$AE")}});
    rig.Load(0);
    rig.engine.BeginRun();
    for (int i = 0; i < 3; ++i) {
        auto frame = rig.engine.ExecuteStep(true, true, true);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->Header(), 0xF4);
        EXPECT_EQ(frame->DataLen(), 56);
        EXPECT_EQ(frame->LengthByte(), 0x8D);
        EXPECT_EQ(frame->getData(0), 0x01);
        EXPECT_TRUE(frame->ChecksumOK());
    }
    EXPECT_EQ(rig.sim.Counters().bytesReceived, 0u);
    EXPECT_EQ(rig.Count("Send: $F4,$57,$01,$00,$B4"), 3);
    EXPECT_TRUE(std::any_of(rig.lines.begin(), rig.lines.end(), [](const Line& l) {
        return l.text.rfind("Test data: $F4,$8D,$01,", 0) == 0 && l.level == clReceived;
    }));
    EXPECT_EQ(rig.Count("Synchronising ALDL communications..."), 0);
    EXPECT_TRUE(rig.engine.ChatterActive);
}

TEST(CartridgeRunTest, RequestWithoutReplyReturnsAFrameWithHeaderZero) {
    SimRig rig(quietSim());
    rig.t.v.Requests->Edit();
    rig.t.v.Requests->SetAsBool("Reply", false);
    rig.t.v.Requests->Post();
    rig.Load(0);
    rig.engine.BeginRun();
    auto frame = rig.Step();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Header(), 0);
    EXPECT_TRUE(rig.sim.WaitForRequests(1, 1000));
}

TEST(CartridgeRunTest, AnImageWithoutItemsReturnsNoFrameEvenWithRestart) {
    SimRig rig(quietSim());
    rig.Load(1, true);
    ASSERT_TRUE(rig.engine.Restart);
    rig.engine.LoadMacro(12345); // not found: no items at all, Restart left from before
    EXPECT_TRUE(rig.engine.Items.empty());
    rig.engine.BeginRun();
    EXPECT_FALSE(rig.Step());
    const int empty = rig.t.Macro("Empty", true);
    rig.engine.LoadMacro(empty); // found, without items: one blank entry
    EXPECT_EQ(rig.engine.ItemCount, 0);
    EXPECT_EQ(rig.engine.Items.size(), 1u);
    EXPECT_FALSE(rig.Step());
    EXPECT_TRUE(rig.sim.Requests().empty());
}

TEST(CartridgeRunTest, BuildRequestFramesAndPlaceholders) {
    EngineRig rig;
    rig.t.Module("NONE", "");
    rig.t.Request("EMPTY", "");
    rig.t.Module("OVR", "$04", "$F1");
    rig.t.Request("SET", "$01,:xx", {{"Override", S("$10")}});
    rig.t.RequestScale(2, 1);
    rig.t.Request("DOLLAR", "$XX,:B4,:B3", {{"Override", S("2.5")}});
    rig.t.RequestScale(256, 65536);
    const int id = rig.t.Macro("M");
    rig.t.Item(1, "ECM", "R", 1);
    rig.t.Item(2, "NONE", "EMPTY", 1);
    rig.t.Item(3, "OVR", "SET", 1);
    rig.t.Item(4, "OVR", "DOLLAR", 1);
    rig.engine.LoadMacro(id);
    ASSERT_EQ(rig.engine.ItemCount, 4);
    const char* expected[] = {"$F4,$57,$01,$00,$B4", "$F4,$55,$B7", "$F1,$58,$04,$01,$21,$91",
                              // $XX: low byte of Round(256 x 2.5 + 65536) = $80; :B4, :B3 of 65536
                              "$F1,$59,$04,$80,$00,$01,$31"};
    for (int i = 0; i < 4; ++i) {
        rig.engine.ItemIndex = i;
        rig.engine.IterCount = 0;
        rig.engine.BuildRequest();
        EXPECT_EQ(rig.engine.RequestFrame.HexText(), expected[i]) << i;
        EXPECT_TRUE(rig.engine.RequestFrame.ChecksumOK());
    }
}

} // namespace
