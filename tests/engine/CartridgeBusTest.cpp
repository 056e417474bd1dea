// Only the module's own replies are taken as replies, and a failed suspend exchange never strands
// the module: the engine and the link over a pseudo-terminal against the simulated module.
#include "engine/Cartridge.h"

#include "SimRig.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

const EcmBytes suspend{0xF4, 0x56, 0x08, 0xAE}, resume{0xF4, 0x56, 0x09, 0xAD};

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

struct BusCase {
    const char* name;
    double EcmSimFaults::*fault;
    std::vector<EcmBytes> busFrames; // the simulator's chatter frames (the heartbeat goes first)
};

void PrintTo(const BusCase& c, std::ostream* os) {
    *os << c.name;
}

class BusFrames : public testing::TestWithParam<BusCase> {};

// Frames of other modules, the module's own frames of another mode and the request's own late
// echo are counted and skipped; the step hands back the reply that follows them.
TEST_P(BusFrames, AreSkippedAndCountedNeverReturnedAsTheReply) {
    EcmSimOptions o = quietSim();
    o.faults.*GetParam().fault = 1;
    if (!GetParam().busFrames.empty())
        o.chatterFrames = GetParam().busFrames;
    SimRig rig(o);
    rig.Load(0);
    rig.engine.ConsoleDetail = true;
    rig.engine.BeginRun();
    for (int i = 0; i < 4; ++i) {
        auto frame = rig.Step();
        ASSERT_TRUE(frame) << i;
        EXPECT_TRUE(GenuineReply(*frame)) << i << ": " << frame->HexText();
    }
    EXPECT_EQ(rig.engine.BusFrames(), 4);
    EXPECT_TRUE(rig.Has("Bus frame, not the reply: $08,$55,$A3", clReceived) ||
                rig.Has("Bus frame, not the reply: $F4,$57,$01,$00,$B4", clReceived));
    EXPECT_EQ(rig.sim.Requests(), std::vector<EcmBytes>(4, mode1Message0));
}

INSTANTIATE_TEST_SUITE_P(
    Engine, BusFrames,
    testing::Values(
        BusCase{"OtherModulesBeforeTheReply", &EcmSimFaults::frameBeforeReply, {}},
        BusCase{"SameModuleOtherModeBeforeTheReply",
                &EcmSimFaults::frameBeforeReply,
                {EcmSimFrame(0xF4, {0x02, 0x11, 0x22})}},
        // The echo check reads the bus frame; the real echo then comes where the reply should.
        BusCase{"LateEchoAfterABusFrame", &EcmSimFaults::frameBeforeEcho, {}}),
    [](const testing::TestParamInfo<BusCase>& info) { return info.param.name; });

TEST(CartridgeBusTest, BusFramesAreShownOnlyInTheDetailedTrace) {
    EcmSimOptions o = quietSim();
    o.faults.frameBeforeReply = 1;
    SimRig rig(o);
    rig.Load(0);
    rig.engine.BeginRun();
    auto frame = rig.Step(true);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(GenuineReply(*frame));
    EXPECT_EQ(rig.engine.BusFrames(), 1);
    for (const Line& l : rig.lines)
        EXPECT_EQ(l.text.find("Bus frame"), std::string::npos) << l.text;
}

// Without a mode byte the header alone makes the reply, whatever its first data byte.
TEST(CartridgeBusTest, RequestWithoutModeIsAnsweredByItsModuleHeader) {
    EcmSimOptions o = quietSim();
    o.faults.frameBeforeReply = 1;
    EcmSimModule m;
    const EcmBytes reply = EcmSimFrame(0xF4, {0x07, 0x01});
    m.replies[{0x55}] = reply;
    o.modules = {m};
    SimRig rig(o);
    rig.t.Module("BARE", "");
    rig.t.Request("NONE", "");
    const int id = rig.t.Macro("M");
    rig.t.Item(1, "BARE", "NONE", 0);
    rig.engine.LoadMacro(id);
    rig.engine.BeginRun();
    for (int i = 0; i < 3; ++i) {
        auto frame = rig.Step();
        ASSERT_TRUE(frame) << i;
        EXPECT_EQ(frame->HexText(), "$F4,$57,$07,$01,$AD") << i;
    }
    EXPECT_EQ(rig.engine.BusFrames(), 3);
}

// A module that keeps talking but never answers: the wait ends at the reply's time-out.
TEST(CartridgeBusTest, EndlessBusTrafficEndsTheWaitAtTheTimeOut) {
    EcmSimOptions o;
    o.chatter = true;
    o.pace = false; // whole frames only: a purge never leaves half a frame behind
    o.silenceMs = 20;
    o.chatterGapMs = 2;
    o.faults.noReply = 1;
    SimRig rig(o, {{"T3", 150}});
    rig.Load(0);
    rig.engine.BeginRun();
    const auto start = Clock::now();
    EXPECT_FALSE(rig.Step());
    EXPECT_LT(secondsSince(start), 2.0);
    EXPECT_GT(rig.engine.BusFrames(), 0);
    EXPECT_EQ(rig.engine.IterCount, 1);
}

// The sample vehicle against a body module that answers the suspend frame, yet keeps chattering:
// its chatter frames never come back as engine data.
TEST(CartridgeBusTest, ChatterOfAModuleThatIgnoresTheSuspendIsNeverAReply) {
    EcmSimOptions o;
    o.chatter = true;
    o.faults.ignoreSuspend = true;
    SimRig rig(o);
    rig.LoadSample();
    rig.engine.BeginRun();
    int replies = 0;
    for (int i = 0; i < 10; ++i) {
        auto frame = rig.Step();
        if (!frame)
            continue;
        ++replies;
        EXPECT_TRUE(GenuineReply(*frame)) << i << ": " << frame->HexText();
    }
    EXPECT_GE(replies, 5);
    EXPECT_GT(rig.engine.BusFrames(), 0);
    EXPECT_FALSE(rig.sim.Suspended());
}

struct SuspendCase {
    const char* name;
    double EcmSimFaults::*fault;
};

void PrintTo(const SuspendCase& c, std::ostream* os) {
    *os << c.name;
}

class SuspendFault : public testing::TestWithParam<SuspendCase> {};

// One bad suspend exchange costs one step: the module is told to resume, the next step
// synchronises and suspends again, and the run goes on.
TEST_P(SuspendFault, CostsOneStepAndNeverStrandsTheModule) {
    EcmSimOptions o;
    o.chatter = true;
    o.faults.*GetParam().fault = 1;
    o.faults.onlyMode = 0x08;
    SimRig rig(o);
    rig.LoadSample();
    rig.engine.BeginRun();
    EXPECT_FALSE(rig.Step());
    EXPECT_TRUE(rig.engine.ChatterActive);
    EXPECT_FALSE(rig.engine.Suspended);
    EXPECT_EQ(rig.engine.IterCount, 0); // the same request is sent at the next step
    ASSERT_TRUE(rig.sim.WaitForRequests(2, 1000));
    const std::vector<EcmBytes> first = rig.sim.Requests();
    EXPECT_EQ(first, (std::vector<EcmBytes>{suspend, resume}));
    EXPECT_TRUE(
        rig.Has("Suspending the chatter failed - resuming and synchronising again", clError));

    rig.sim.SetFaults({});
    for (int i = 0; i < 3; ++i) {
        auto frame = rig.Step();
        ASSERT_TRUE(frame) << i;
        EXPECT_TRUE(GenuineReply(*frame)) << i << ": " << frame->HexText();
    }
    EXPECT_TRUE(rig.engine.Suspended);
    EXPECT_TRUE(rig.sim.Suspended());
    const std::vector<EcmBytes> all = rig.sim.Requests();
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[2], suspend);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, SuspendFault,
    testing::Values(SuspendCase{"NoEcho", &EcmSimFaults::noEcho},
                    SuspendCase{"WrongEcho", &EcmSimFaults::wrongEcho},
                    SuspendCase{"NoReply", &EcmSimFaults::noReply},
                    SuspendCase{"BadChecksum", &EcmSimFaults::badChecksum},
                    SuspendCase{"TruncatedReply", &EcmSimFaults::truncatedReply},
                    SuspendCase{"StrayByte", &EcmSimFaults::strayByte}),
    [](const testing::TestParamInfo<SuspendCase>& info) { return info.param.name; });

// Every reply missing: three steps without a frame, each ending with the resume frame, quickly.
TEST(CartridgeBusTest, ModuleThatNeverAnswersGivesThreeEmptyStepsAndIsResumed) {
    EcmSimOptions o;
    o.chatter = true;
    o.faults.noReply = 1;
    SimRig rig(o);
    rig.LoadSample();
    rig.engine.BeginRun();
    const auto start = Clock::now();
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(rig.Step()) << i;
    EXPECT_LT(secondsSince(start), 4.0);
    ASSERT_TRUE(rig.sim.WaitForRequests(6, 1000));
    EXPECT_EQ(rig.sim.Requests(),
              (std::vector<EcmBytes>{suspend, resume, suspend, resume, suspend, resume}));
    EXPECT_TRUE(rig.engine.ChatterActive);
    EXPECT_GT(rig.engine.BusFrames(), 0);
}

// Once the module has answered, a garbled reply is asked for again within the step; a module
// that has not answered yet is not (see FailedRepliesReturnNoFrameAndGoOnWithTheNextIteration).
TEST(CartridgeBusTest, GarbledReplyIsAskedForAgainOnceTheModuleHasAnswered) {
    SimRig rig(quietSim());
    rig.Load(0);
    rig.engine.BeginRun();
    ASSERT_TRUE(rig.Step());
    EcmSimFaults garbled;
    garbled.badChecksum = 1;
    rig.sim.SetFaults(garbled);
    EXPECT_FALSE(rig.Step());
    EXPECT_EQ(rig.sim.Requests(), std::vector<EcmBytes>(6, mode1Message0)); // 1 + 1 + 4 retries
    EXPECT_EQ(rig.Count("Sending the request again"), 4);
    EXPECT_EQ(rig.engine.IterCount, 2);
    rig.sim.SetFaults({});
    auto frame = rig.Step();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(GenuineReply(*frame));

    // Silence is not garbled: a module that stops answering is not asked again.
    EcmSimFaults silent;
    silent.noReply = 1;
    rig.sim.SetFaults(silent);
    EXPECT_FALSE(rig.Step());
    EXPECT_EQ(rig.sim.Requests().size(), 8u);
    EXPECT_EQ(rig.Count("Sending the request again"), 4);
}

// An interface that loses the echo lets the reply arrive where the echo is read: the reply is
// taken from there, rather than failing the step and waiting for a reply already read.
TEST(CartridgeBusTest, AReplyThatArrivesInPlaceOfALostEchoIsTaken) {
    EcmSimOptions o = quietSim();
    o.faults.noEcho = 1;
    SimRig rig(o);
    rig.Load(0);
    rig.engine.BeginRun();
    for (int i = 0; i < 3; ++i) {
        auto frame = rig.Step();
        ASSERT_TRUE(frame) << i;
        EXPECT_TRUE(GenuineReply(*frame)) << frame->HexText();
        EXPECT_GT(frame->Time, 0);
    }
    EXPECT_EQ(rig.sim.Requests(), std::vector<EcmBytes>(3, mode1Message0));
}

} // namespace
