// The link self-test over a real pseudo-terminal against the simulator, with echo on and off,
// and against devices that are no serial port; the line its driver applied read back; the
// programs, daemons and latency of a fake computer around the real device.
#include "link/LinkSelfTest.h"

#include "common/Format.h"
#include "ecm-sim/EcmSim.h"
#include "link/AppliedLine.h"
#include "link/FakeRoot.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <utility>

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        text.replace(at, what.size(), with);
    return text;
}

bool has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A link to the simulator and a self-test whose probe sends $FF,$00,$AC and expects it back,
// around a fake computer with nothing in it.
class SelfTestRig {
public:
    explicit SelfTestRig(bool simEcho) : sim(options(simEcho)), link(timer), system(root.Root()) {
        sim.Start();
        link.SetDevice(sim.SlavePath());
        setup.Say = [this](const std::string& line) { said.push_back(line); };
        setup.Probe = [this] {
            ++probes;
            const uint8_t probe[] = {0xFF, 0x00, 0xAC};
            if (link.Write(probe, 3) != 3)
                return false;
            uint8_t back[3] = {};
            return link.Read(back, 3) == 3 && std::equal(back, back + 3, probe);
        };
    }
    TLinkSelfTest Run() { return RunLinkSelfTest(link, setup, system); }
    // The pty's name in sysfs terms: pts/5 is "5".
    std::string Tty() const { return fs::path(sim.SlavePath()).filename().string(); }

    FakeRoot root;
    EcmSim sim;
    TRtime timer;
    TRS232 link;
    TPortHelpSystem system;
    TSelfTestSetup setup;
    Lines said;
    int probes = 0;

private:
    static EcmSimOptions options(bool echo) {
        EcmSimOptions o;
        o.echo = echo;
        return o;
    }
};

TEST(LinkSelfTest, AnEchoingInterfaceWithEchoOnIsUsable) {
    SelfTestRig rig(true);
    rig.link.Echo = true;
    const TLinkSelfTest result = rig.Run();
    EXPECT_TRUE(result.Usable);
    EXPECT_TRUE(result.Reasons.empty());
    EXPECT_EQ(rig.said,
              (Lines{"Checking the link on " + rig.sim.SlavePath() + ".",
                     "Line: 8228 baud asked for the 8192 baud bus, 8228 applied by the driver (0.4 "
                     "% off); 8 data bits, parity N, 1 stop bit.",
                     "No other program has it open.",
                     "Interface: the probe came back, as Max232 echo expects.",
                     "Driver latency: not shown by this driver.", "The link is usable."}));
    // Nothing but the probe went to the module, and the link is left closed.
    EXPECT_EQ(rig.sim.Counters().bytesReceived, 3u);
    EXPECT_FALSE(rig.link.IsOpen());
}

struct EchoCase {
    const char* name;
    bool simEcho;
    bool echoSetting;
    bool usable;
    const char* finding; // the report's line on the probe, or the reason
};

class EchoTable : public testing::TestWithParam<EchoCase> {};

TEST_P(EchoTable, ProbeAgainstTheSetting) {
    const EchoCase& c = GetParam();
    SelfTestRig rig(c.simEcho);
    rig.link.Echo = c.echoSetting;
    const TLinkSelfTest result = rig.Run();
    EXPECT_EQ(result.Usable, c.usable);
    EXPECT_EQ(rig.probes, 1);
    if (c.usable) {
        EXPECT_TRUE(has(rig.said, c.finding));
        EXPECT_EQ(rig.said.back(), "The link is usable.");
    } else {
        EXPECT_EQ(result.Reasons, Lines{c.finding});
        EXPECT_EQ(Lines(rig.said.end() - 2, rig.said.end()),
                  (Lines{"The link is NOT usable:", std::string("- ") + c.finding}));
    }
    EXPECT_EQ(rig.link.Echo, c.echoSetting);
    EXPECT_FALSE(rig.link.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EchoTable,
    testing::Values(
        EchoCase{"EchoExpectedAndGiven", true, true, true,
                 "Interface: the probe came back, as Max232 echo expects."},
        EchoCase{"EchoExpectedButMissing", false, true, false,
                 "The interface did not echo the probe: check the cable, its power (Hold DTR or "
                 "RTS high) and the ignition; an interface without echo needs Echo in [Comm] of "
                 "the ini file off."},
        EchoCase{"EchoGivenButNotExpected", true, false, false,
                 "The interface echoes what is sent, but Max232 echo is off: turn on Echo in "
                 "[Comm] of the ini file."},
        EchoCase{"NoEchoAndNoneExpected", false, false, true,
                 "Interface: no echo, as Max232 echo off expects."}),
    [](const testing::TestParamInfo<EchoCase>& info) { return info.param.name; });

TEST(LinkSelfTest, TheWindowNamesItsOwnEchoSetting) {
    SelfTestRig rig(false);
    rig.link.Echo = true;
    rig.setup.Reader = TPortHelpFor::Window;
    EXPECT_EQ(rig.Run().Reasons,
              Lines{"The interface did not echo the probe: check the cable, its power (Hold DTR "
                    "or RTS high) and the ignition; an interface without echo needs Max232 echo "
                    "in Edit > Properties, tab Comms off."});
}

TEST(LinkSelfTest, AFramingTheDriverWouldNotApplyMakesItUnusable) {
    SelfTestRig rig(true);
    rig.link.Echo = true;
    rig.link.SetDataBits(7);
    rig.link.SetParity("E");
    const TLinkSelfTest result = rig.Run();
    EXPECT_FALSE(result.Usable);
    EXPECT_EQ(result.Reasons, Lines{"The driver applied 8N1 instead of the 7E1 asked."});
    EXPECT_EQ(rig.link.DataBits(), 7);
}

// A German desktop reads the deviation with its decimal comma.
TEST(LinkSelfTest, TheDeviationTakesTheUsersDecimalSeparator) {
    SelfTestRig rig(true);
    rig.link.Echo = true;
    const char separator = DecimalSeparator;
    DecimalSeparator = ',';
    rig.Run();
    DecimalSeparator = separator;
    EXPECT_TRUE(has(rig.said, "Line: 8228 baud asked for the 8192 baud bus, 8228 applied by the "
                              "driver (0,4 % off); 8 data bits, parity N, 1 stop bit."));
}

TEST(LinkSelfTest, A160BaudInterfaceIsNotProbedAndSentNothing) {
    SelfTestRig rig(true);
    rig.link.SetBaud(1600);
    rig.setup.Aldl8192 = false;
    const TLinkSelfTest result = rig.Run();
    EXPECT_TRUE(result.Usable);
    EXPECT_EQ(rig.probes, 0);
    EXPECT_TRUE(has(rig.said, "Line: 1600 baud asked, 1600 applied by the driver (0.0 % off); 8 "
                              "data bits, "
                              "parity N, 1 stop bit."));
    EXPECT_TRUE(has(rig.said, "Interface not probed: a 160 baud interface only listens."));
    EXPECT_EQ(rig.sim.Counters().bytesReceived, 0u);
}

TEST(LinkSelfTest, AnotherHolderMakesItUnusableAndLatencyIsReported) {
    SelfTestRig rig(true);
    rig.link.Echo = true;
    rig.root.AddProcess(4321, "minicom");
    rig.root.Open(4321, 3, rig.sim.SlavePath());
    rig.root.AddProcess(10, "ModemManager");
    rig.root.dir.Write("sys/class/tty/" + rig.Tty() + "/device/latency_timer", "16\n");
    const TLinkSelfTest result = rig.Run();
    EXPECT_FALSE(result.Usable);
    EXPECT_EQ(result.Reasons, Lines{"Another program has " + rig.sim.SlavePath() +
                                    " open: minicom (4321); it would take the module's replies. "
                                    "Close it."});
    EXPECT_TRUE(has(rig.said, "ModemManager is running: it tries modem commands on serial "
                              "adapters as they are plugged in."));
    EXPECT_TRUE(has(rig.said, "Driver latency: 16 ms (latency_timer of " + rig.Tty() + ")."));
    EXPECT_TRUE(has(rig.said, "Fix now: echo 1 | sudo tee /sys/bus/usb-serial/devices/" +
                                  rig.Tty() + "/latency_timer"));
}

TEST(LinkSelfTest, HighLatencyAloneLeavesTheLinkUsable) {
    SelfTestRig rig(true);
    rig.link.Echo = true;
    rig.root.dir.Write("sys/class/tty/" + rig.Tty() + "/device/latency_timer", "16\n");
    EXPECT_TRUE(rig.Run().Usable);
    EXPECT_EQ(rig.said.end()[-2],
              "ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
              "ATTR{latency_timer}=\"1\"");
}

struct NoPortCase {
    const char* name;
    std::function<std::string(FakeRoot&)> device;
    std::string reason; // "{dev}" is the device
};

class NoPortTable : public testing::TestWithParam<NoPortCase> {};

TEST_P(NoPortTable, IsNotUsableAndNothingIsProbed) {
    const NoPortCase& c = GetParam();
    SelfTestRig rig(true);
    const std::string device = c.device(rig.root);
    rig.link.SetDevice(device);
    const TLinkSelfTest result = rig.Run();
    EXPECT_FALSE(result.Usable);
    EXPECT_EQ(result.Reasons, Lines{replaced(c.reason, "{dev}", device)});
    EXPECT_EQ(rig.probes, 0);
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_EQ(rig.said.back(), "- " + result.Reasons[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NoPortTable,
    testing::Values(
        NoPortCase{"RegularFile", [](FakeRoot& r) { return r.dir.Write("capture.txt", "data"); },
                   "{dev} is not a serial port ({dev}: Inappropriate ioctl for device)."},
        NoPortCase{"DevNull", [](FakeRoot&) { return std::string("/dev/null"); },
                   "{dev} is not a serial port ({dev}: Inappropriate ioctl for device)."},
        NoPortCase{"Missing", [](FakeRoot& r) { return r.Dev("ttyUSB0"); },
                   "Can't open {dev}: No such file or directory."}),
    [](const testing::TestParamInfo<NoPortCase>& info) { return info.param.name; });

TEST(LinkSelfTest, AMissingDeviceGetsThePortAdvice) {
    SelfTestRig rig(true);
    rig.root.AddDevice("ttyUSB1");
    rig.link.SetDevice(rig.root.Dev("ttyUSB0"));
    rig.Run();
    EXPECT_TRUE(has(rig.said, "There is no serial device " + rig.root.Dev("ttyUSB0") + "."));
    EXPECT_TRUE(has(rig.said, "Give one of them with --device."));
}

TEST(LinkSelfTest, ADeviceInUseByAnotherLinkIsBusy) {
    SelfTestRig rig(true);
    TRS232 other(rig.timer);
    other.SetDevice(rig.sim.SlavePath());
    other.Open();
    const TLinkSelfTest result = rig.Run();
    EXPECT_EQ(result.Reasons,
              Lines{"Can't open " + rig.sim.SlavePath() + ": Device or resource busy."});
    EXPECT_EQ(rig.probes, 0);
    EXPECT_TRUE(other.IsOpen());
}

// ---- The line the driver applied ----

struct LineCase {
    TLineSettings asked, applied;
    Lines faults;
};

TEST(AppliedLineTest, RatesWithinTwoAndAHalfPercentOfTheBusWillDo) {
    auto off = [](int baud, const char* percent, int bus) {
        return "The driver runs the line at " + std::to_string(baud) + " baud, " + percent +
               " % off the bus's " + std::to_string(bus) +
               ": use an adapter whose driver makes any rate (FTDI chips do).";
    };
    const LineCase cases[] = {
        {{8228, 8, 'N', 1}, {8228, 8, 'N', 1}, {}},
        {{8228, 8, 'N', 1}, {8230, 8, 'N', 1}, {}},                       // FTDI's nearest divisor
        {{8228, 8, 'N', 1}, {8395, 8, 'N', 1}, {}},                       // 2.48 % fast of 8192
        {{8228, 8, 'N', 1}, {8000, 8, 'N', 1}, {}},                       // 2.34 % slow of 8192
        {{8228, 8, 'N', 1}, {7985, 8, 'N', 1}, {off(7985, "2.5", 8192)}}, // 2.53 %
        {{8228, 8, 'N', 1}, {8433, 8, 'N', 1}, {off(8433, "2.9", 8192)}},
        {{8228, 8, 'N', 1}, {9600, 8, 'N', 1}, {off(9600, "17.2", 8192)}}, // standard rates only
        {{8228, 8, 'N', 1}, {19200, 8, 'N', 1}, {off(19200, "134.4", 8192)}},
        {{2400, 8, 'N', 1}, {2460, 8, 'N', 1}, {}}, // a 160 baud bus sampled at 2400
        {{2400, 8, 'N', 1}, {2470, 8, 'N', 1}, {off(2470, "2.9", 2400)}},
        {{8228, 7, 'E', 1},
         {8228, 8, 'N', 1},
         {"The driver applied 8N1 instead of the 7E1 asked."}},
        {{8228, 8, 'N', 2},
         {9600, 8, 'N', 1},
         {off(9600, "17.2", 8192), "The driver applied 8N1 instead of the 8N2 asked."}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.applied.Baud);
        EXPECT_EQ(AppliedLineFaults(c.asked, c.applied), c.faults);
    }
}

// The pty driver keeps any rate and the stop bits but makes every line 8 bits without parity:
// what it reports back is what it applied, not what was asked.
TEST(AppliedLineTest, ThePseudoTerminalReportsWhatItsDriverApplied) {
    EcmSim sim;
    const std::pair<TLineSettings, TLineSettings> cases[] = {
        {{8228, 8, 'N', 1}, {8228, 8, 'N', 1}},
        {{8192, 7, 'E', 2}, {8192, 8, 'N', 2}},
        {{2400, 8, 'O', 1}, {2400, 8, 'N', 1}},
        {{1600, 6, 'M', 1}, {1600, 8, 'N', 1}},
    };
    for (const auto& [asked, expected] : cases) {
        const TAppliedLine applied = ReadAppliedLine(sim.SlavePath(), asked);
        SCOPED_TRACE(asked.Baud);
        EXPECT_EQ(applied.Line.Baud, expected.Baud);
        EXPECT_EQ(applied.Line.DataBits, expected.DataBits);
        EXPECT_EQ(applied.Line.Parity, expected.Parity);
        EXPECT_EQ(applied.Line.StopBits, expected.StopBits);
    }
    // It is closed again: the link opens it at once.
    TRtime timer;
    TRS232 link(timer);
    link.SetDevice(sim.SlavePath());
    link.Open();
    EXPECT_TRUE(link.IsOpen());
}

TEST(AppliedLineTest, FailuresSayWhichStep) {
    FakeRoot root;
    const std::pair<std::string, std::pair<TSerialStep, int>> cases[] = {
        {root.dir.Write("file", ""), {TSerialStep::GetState, ENOTTY}},
        {root.Dev("ttyUSB0"), {TSerialStep::Open, ENOENT}},
    };
    for (const auto& [device, expected] : cases) {
        try {
            ReadAppliedLine(device, TLineSettings{});
            ADD_FAILURE() << device;
        } catch (const ESerialDeviceError& e) {
            EXPECT_EQ(e.Step, expected.first) << device;
            EXPECT_EQ(e.Error, expected.second) << device;
        }
    }
}

} // namespace
