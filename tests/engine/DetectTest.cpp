#include "engine/Detect.h"

#include "common/Format.h"
#include "ecm-sim/EcmSim.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Line = std::pair<std::string, int>;

struct Console {
    std::vector<Line> lines;
    int flushes = 0;
    TConsoleWriter Writer() {
        return [this](const std::string& text, int level) { lines.emplace_back(text, level); };
    }
    int Count(const std::string& text, int level) const {
        int n = 0;
        for (const Line& l : lines)
            n += l == Line(text, level);
        return n;
    }
};

std::string Hex(const EcmBytes& bytes) {
    std::string s;
    for (auto b : bytes)
        s += (s.empty() ? "" : ",") + Format("$%.2X", b);
    return s;
}

// The simulator on a pseudo-terminal and a link opened on it.
struct Bench {
    EcmSim sim;
    TRtime timer;
    TRS232 link{timer};
    Console console;
    TDetect detect{link, timer, console.Writer(), [this] { ++console.flushes; }};

    explicit Bench(EcmSimOptions options) : sim(std::move(options)) {
        sim.Start();
        link.SetDevice(sim.SlavePath());
        link.SetT3(200);
        link.SetT5(5);
        link.SetT6(50);
        link.Open();
    }
};

EcmSimOptions Quiet(bool echo) {
    EcmSimOptions o;
    o.echo = echo;
    return o;
}

EcmSimOptions Chattering() {
    EcmSimOptions o;
    o.chatter = true;
    return o;
}

TEST(DetectInterface, LoopBackPassesAndEchoSettingIsKept) {
    Bench b(Quiet(true));
    b.link.Echo = true;
    EXPECT_TRUE(b.detect.DetectInterface(false));
    EXPECT_TRUE(b.link.Echo);
    EXPECT_EQ(b.console.Count("Requesting Max232 interface to acknowlege: $FF,$55,$AC...", clInfo),
              1);
    EXPECT_EQ(b.console.Count("Max232 interface detected OK", clReceived), 1);
    EXPECT_EQ(b.console.Count("No response from Max232", clInfo), 0);
}

TEST(DetectInterface, NoInterfaceFailsAfterThreeAttempts) {
    Bench b(Quiet(false));
    b.link.Echo = true;
    const TVehicleLinkCheck check = b.detect.CheckVehicleLink(false, "8192", false);
    EXPECT_TRUE(b.link.Echo);
    EXPECT_EQ(b.console.Count("Requesting Max232 interface to acknowlege: $FF,$55,$AC...", clInfo),
              3);
    EXPECT_EQ(b.console.Count("No response from Max232", clInfo), 3);
    EXPECT_EQ(b.console.Count("Retrying Max232 detection...", clInfo), 3);
    EXPECT_EQ(b.console.Count("Interface cannot be detected", clError), 1);
    EXPECT_FALSE(check.Interface.OK);
    EXPECT_EQ(check.Interface.Text, "Interface NOT detected");
    EXPECT_TRUE(check.Chatter.OK);
    EXPECT_EQ(check.Chatter.Text, "Chatter NOT expected");
    EXPECT_EQ(b.console.Count("No chatter found", clInfo), 1);
    EXPECT_GE(b.console.flushes, 1);
}

TEST(DetectInterface, WrongEchoFails) {
    EcmSimOptions o = Quiet(true);
    o.faults.wrongEcho = 1;
    Bench b(o);
    EXPECT_FALSE(b.detect.DetectInterface(false));
    int wrong = 0;
    for (const Line& l : b.console.lines)
        wrong += l.second == clError && l.first.rfind("Max232 echo was incorrect:\" $", 0) == 0;
    EXPECT_EQ(wrong, 3);
    EXPECT_EQ(b.console.Count("Requesting Max232 interface to acknowlege: $FF,$55,$AC...", clInfo),
              3);
    EXPECT_EQ(b.console.Count("No response from Max232", clInfo), 3);
}

// An interface that answers every probe with a longer frame: every retry still sends the probe,
// not the length the last read left in the record.
TEST(DetectInterface, RetriesSendTheProbeAfterALongerAnswer) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    termios t{};
    tcgetattr(master, &t);
    cfmakeraw(&t);
    tcsetattr(master, TCSANOW, &t);
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        int got = 0;
        while (!stop) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN))
                continue;
            uint8_t byte = 0;
            if (read(master, &byte, 1) != 1)
                continue;
            if (++got % 3 == 0) {
                const EcmBytes answer = EcmSimFrame(0xFF, {0x01, 0x02});
                EXPECT_EQ(write(master, answer.data(), answer.size()),
                          static_cast<ssize_t>(answer.size()));
            }
        }
    });
    {
        TRtime timer;
        TRS232 link(timer);
        Console console;
        TDetect detect(link, timer, console.Writer());
        link.SetDevice(ptsname(master));
        link.SetT5(0);
        link.Open();
        EXPECT_FALSE(detect.DetectInterface(false));
        EXPECT_EQ(console.Count("Max232 echo was incorrect:\" $FF,$57,$01,$02,$A7", clError), 3);
        EXPECT_EQ(
            console.Count("Requesting Max232 interface to acknowlege: $FF,$55,$AC...", clInfo), 3);
    }
    stop = true;
    peer.join();
    close(master);
}

TEST(DetectInterface, ClosedPortFails) {
    TRtime timer;
    TRS232 link(timer);
    TDetect detect(link, timer, {});
    EXPECT_FALSE(detect.DetectInterface(true));
}

// The check names why the port failed, before its verdict, instead of the verdict alone.
TEST(DetectInterface, PortFailureShowsItsReason) {
    {
        TRtime timer;
        TRS232 link(timer);
        link.SetPort(3);
        Console console;
        TDetect detect(link, timer, console.Writer());
        link.Echo = true;
        const TVehicleLinkCheck check = detect.CheckVehicleLink(false, "8192", false);
        EXPECT_FALSE(check.Interface.OK);
        ASSERT_GE(console.lines.size(), 2u);
        EXPECT_EQ(console.lines[0], Line("Com3 is not open", clError));
        EXPECT_EQ(console.lines[1], Line("Interface cannot be detected", clError));
    }
    EcmSimOptions o = Quiet(true);
    o.faults.hangUpAfter = 1; // the device goes away when the probe arrives
    Bench b(o);
    b.link.Echo = true;
    EXPECT_FALSE(b.detect.DetectInterface(false));
    EXPECT_EQ(b.console.Count("Can't read from Com1. " + b.sim.SlavePath() + ": Input/output error",
                              clError),
              1)
        << testing::PrintToString(b.console.lines);
    EXPECT_TRUE(b.link.Echo);
}

struct ChatterCase {
    const char* name;
    EcmBytes heartbeat;
    std::vector<EcmBytes> chatter;
};

void PrintTo(const ChatterCase& c, std::ostream* os) {
    *os << c.name;
}

class ScanChatter : public testing::TestWithParam<ChatterCase> {};

TEST_P(ScanChatter, FindsHeartbeatCycleAndAdvisedT6) {
    const ChatterCase& c = GetParam();
    EcmSimOptions o = Chattering();
    o.heartbeat = c.heartbeat;
    o.chatterFrames = c.chatter;
    o.silenceMs = 131;
    Bench b(o);

    EXPECT_TRUE(b.detect.ScanChatter(false));
    const TChatterScan& scan = b.detect.LastScan();
    ASSERT_GE(scan.Heartbeat, 0);
    EXPECT_EQ(scan.Frames[scan.Heartbeat], Hex(c.heartbeat));
    std::vector<std::string> cycle;
    for (const auto& f : c.chatter)
        cycle.push_back(Hex(f));
    if (scan.Cycle.size() == cycle.size()) {
        EXPECT_EQ(scan.Cycle, cycle); // a whole cycle followed the heartbeat
    } else {                          // the 32 frames ran out within the cycle
        ASSERT_LT(scan.Cycle.size(), cycle.size());
        EXPECT_EQ(scan.Cycle,
                  std::vector<std::string>(cycle.begin(), cycle.begin() + scan.Cycle.size()));
    }
    // The gap runs from the heartbeat's end to the next frame's end: the silence and one frame.
    EXPECT_GE(b.link.AdvisedT6, 125);
    EXPECT_LE(b.link.AdvisedT6, 131 + 80);
    EXPECT_EQ(scan.Gap, b.link.AdvisedT6);
    EXPECT_EQ(b.console.Count("Heartbeat frame:", clInfo), 1);
    EXPECT_EQ(
        b.console.Count(Format("Heartbeat frame is followed by %dms of silence", scan.Gap), clInfo),
        1);
    EXPECT_EQ(b.console.Count(Format("Advisable value for T6 is %dms", scan.Gap / 2), clInfo), 1);
    EXPECT_EQ(b.console.Count("Chatter frame(s):", clInfo), 1);
    int shown = 0;
    for (const Line& l : b.console.lines)
        shown += l.second == clReceived && l.first.size() > 11 && l.first[2] == ':' &&
                 l.first.substr(9, 2) == ": ";
    EXPECT_EQ(shown, 1 + static_cast<int>(scan.Cycle.size()));
}

EcmBytes Block(uint8_t header, uint8_t fill) {
    return EcmSimFrame(header, EcmBytes(17, fill)); // 20 bytes in all
}

INSTANTIATE_TEST_SUITE_P(
    Buses, ScanChatter,
    testing::Values(
        ChatterCase{"SimulatorDefault", {0x08, 0x55, 0xA3}, EcmSimOptions{}.chatterFrames},
        // A (4 bytes) with the long pause, then B and C (20 bytes each).
        ChatterCase{"ShortHeartbeatBeforeTwoLongFrames",
                    EcmSimFrame(0x10, {0x01}),
                    {Block(0x20, 0x11), Block(0x30, 0x22)}}),
    [](const testing::TestParamInfo<ChatterCase>& info) { return info.param.name; });

TEST(ScanChatterSilentBus, NoChatterFound) {
    Bench b(Quiet(true));
    b.link.AdvisedT6 = 77;
    EXPECT_FALSE(b.detect.ScanChatter(false));
    EXPECT_EQ(b.console.Count("No chatter found", clInfo), 1);
    EXPECT_EQ(b.link.AdvisedT6, 77);
    EXPECT_TRUE(b.detect.LastScan().Frames.empty());
}

struct VerdictCase {
    bool busChatters;
    bool vehicleChatters;
    bool ok;
    const char* text;
};

void PrintTo(const VerdictCase& c, std::ostream* os) {
    *os << c.text;
}

class ChatterVerdict : public testing::TestWithParam<VerdictCase> {};

TEST_P(ChatterVerdict, FromScanAndVehicle) {
    const VerdictCase& c = GetParam();
    Bench b(c.busChatters ? Chattering() : Quiet(true));
    b.link.Echo = false;
    const TVehicleLinkCheck check = b.detect.CheckVehicleLink(false, "8192", c.vehicleChatters);
    EXPECT_TRUE(check.Interface.OK);
    EXPECT_EQ(check.Interface.Text, "Interface assumed OK");
    EXPECT_EQ(b.console.Count("Interface not checked because \"Max232 echo\" is not set. (see Com "
                              "port settings)",
                              clInfo),
              1);
    EXPECT_EQ(check.Chatter.OK, c.ok);
    EXPECT_EQ(check.Chatter.Text, c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChatterVerdict,
                         testing::Values(VerdictCase{true, true, true, "Chatter detected"},
                                         VerdictCase{true, false, false,
                                                     "Unexpected chatter detected"},
                                         VerdictCase{false, true, false, "Chatter NOT detected"},
                                         VerdictCase{false, false, true, "Chatter NOT expected"}));

TEST(CheckVehicleLink, SlowInterfaceIsNotProbed) {
    Bench b(Quiet(false));
    b.link.Echo = false;
    const TVehicleLinkCheck check = b.detect.CheckVehicleLink(false, "160-808", false);
    EXPECT_EQ(
        b.console.Count("Interface not checked because 160-baud interface is selected", clInfo), 1);
    EXPECT_EQ(b.console.Count("Requesting Max232 interface to acknowlege: $FF,$55,$AC...", clInfo),
              0);
    EXPECT_TRUE(check.Interface.OK);
}

TEST(ListenToChatter, PrintsFramesUntilStopped) {
    Bench b(Chattering());
    int passes = 0;
    b.detect.ListenToChatter(false, [&] {
        if (++passes == 8)
            b.detect.SetListening(false);
    });
    EXPECT_EQ(passes, 8);
    EXPECT_FALSE(b.detect.IsListening());
    EXPECT_GE(b.console.flushes, 8);
    int frames = 0, heartbeats = 0;
    for (const Line& l : b.console.lines) {
        if (l.second != clReceived)
            continue;
        ++frames;
        // "(nn:ss.zzz)" directly followed by the frame
        ASSERT_GE(l.first.size(), 12u);
        EXPECT_EQ(l.first[0], '(');
        EXPECT_EQ(l.first[10], ')');
        heartbeats += l.first.substr(11) == "$08,$55,$A3";
    }
    EXPECT_EQ(frames, 8);
    EXPECT_GE(heartbeats, 1);
}

TEST(ListenToChatter, SilentBusSaysSoOnEveryPass) {
    Bench b(Quiet(true));
    int passes = 0;
    b.detect.ListenToChatter(false, [&] {
        if (++passes == 2)
            b.detect.SetListening(false);
    });
    EXPECT_EQ(b.console.Count("No chatter found", clInfo), 2);
}

} // namespace
