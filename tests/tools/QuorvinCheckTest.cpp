// quorvin-run --check end to end: the built program tests the link to the simulator over a real
// pseudo-terminal with echo on and off, and devices that are no serial port, with its exits.
#include "ecm-sim/EcmSim.h"
#include "link/FakeRoot.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string Program = std::string(QUORVIN_BIN_DIR) + "/quorvin-run";
const std::string Vehicle = std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml";

struct Result {
    int status = -1;
    std::string out, err;
    bool Says(const std::string& line) const { return out.find(line + "\n") != std::string::npos; }
};

// Runs quorvin-run with its own ini file in dir and, when given, a system root of its own.
class CheckRunner {
public:
    TempDir dir;
    std::string sysroot;

    void Ini(const std::string& contents) { dir.Write("QuorvinV4.ini", contents); }

    Result Run(std::vector<std::string> args) {
        const std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
        const std::string ini = dir.File("QuorvinV4.ini");
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QUORVIN_INI", ini.c_str(), 1);
            if (!sysroot.empty())
                setenv("QUORVIN_SYSROOT", sysroot.c_str(), 1);
            dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
            dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
            args.insert(args.begin(), Program);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(Program.c_str(), argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        Result r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = TempDir::Read(out);
        r.err = TempDir::Read(err);
        return r;
    }
};

EcmSimOptions simWithEcho(bool echo) {
    EcmSimOptions o;
    o.echo = echo;
    return o;
}

TEST(QuorvinCheck, EchoingInterfaceIsUsable) {
    EcmSim sim(simWithEcho(true));
    sim.Start();
    CheckRunner r;
    const Result res = r.Run({"--check", "--device", sim.SlavePath()});
    EXPECT_EQ(res.status, 0) << res.out << res.err;
    EXPECT_TRUE(res.Says("Checking the link on " + sim.SlavePath() + ".")) << res.out;
    EXPECT_TRUE(res.Says("Line: 8228 baud asked for the 8192 baud bus, 8228 applied by the "
                         "driver (0.4 % off); 8 data bits, parity N, 1 stop bit."))
        << res.out;
    EXPECT_TRUE(res.Says("No other program has it open.")) << res.out;
    EXPECT_TRUE(res.Says("  Max232 interface detected OK")) << res.out;
    EXPECT_TRUE(res.Says("The link is usable.")) << res.out;
    EXPECT_EQ(res.err, "");
    // The probe was the only frame sent.
    EXPECT_EQ(sim.Counters().bytesReceived, 3u);
}

TEST(QuorvinCheck, SilentInterfaceWithEchoExpectedIsNotUsable) {
    EcmSim sim(simWithEcho(false));
    sim.Start();
    CheckRunner r;
    const Result res = r.Run({"--check", "--device", sim.SlavePath()});
    EXPECT_EQ(res.status, 1);
    EXPECT_TRUE(res.Says("The link is NOT usable:")) << res.out;
    EXPECT_TRUE(res.Says("- The interface did not echo the probe: check the cable, its power (Hold "
                         "DTR or RTS high) and the ignition; an interface without echo needs Echo "
                         "in [Comm] of the ini file off."))
        << res.out;
    EXPECT_EQ(res.err, "quorvin-run: the link on " + sim.SlavePath() + " is not usable\n");
    // Three probes, nothing else.
    EXPECT_EQ(sim.Counters().bytesReceived, 9u);
}

TEST(QuorvinCheck, SilentInterfaceWithEchoOffIsUsable) {
    EcmSim sim(simWithEcho(false));
    sim.Start();
    CheckRunner r;
    r.Ini("[Comm]\nEcho=0\n");
    const Result res = r.Run({"--check", "--device", sim.SlavePath()});
    EXPECT_EQ(res.status, 0) << res.out;
    EXPECT_TRUE(res.Says("Interface: no echo, as Max232 echo off expects.")) << res.out;
}

TEST(QuorvinCheck, EchoingInterfaceWithEchoOffIsNotUsable) {
    EcmSim sim(simWithEcho(true));
    sim.Start();
    CheckRunner r;
    r.Ini("[Comm]\nEcho=0\n");
    const Result res = r.Run({"--check", "--device", sim.SlavePath()});
    EXPECT_EQ(res.status, 1);
    EXPECT_TRUE(res.Says("- The interface echoes what is sent, but Max232 echo is off: turn on "
                         "Echo in [Comm] of the ini file."))
        << res.out;
}

TEST(QuorvinCheck, PortFromTheIniFile) {
    EcmSim sim;
    sim.Start();
    CheckRunner r;
    r.Ini("[Devices]\nCom3=" + sim.SlavePath() + "\n");
    const Result res = r.Run({"--check", "--port", "3"});
    EXPECT_EQ(res.status, 0) << res.out;
    EXPECT_TRUE(res.Says("Checking the link on " + sim.SlavePath() + ".")) << res.out;
}

TEST(QuorvinCheck, A160BaudVehicleIsCheckedWithoutSendingAnything) {
    EcmSim sim;
    sim.Start();
    CheckRunner r;
    std::string xml = TempDir::Read(Vehicle);
    const size_t at = xml.find("ALDL=\"8192\"");
    ASSERT_NE(at, std::string::npos);
    xml.replace(at, 11, "ALDL=\"160-808\"");
    const std::string vehicle = r.dir.Write("slow.xml", xml);
    const Result res = r.Run({"--check", "--device", sim.SlavePath(), "--vehicle", vehicle});
    EXPECT_EQ(res.status, 0) << res.out << res.err;
    EXPECT_TRUE(res.Says("Line: 1600 baud asked, 1600 applied by the driver (0.0 % off); 8 data "
                         "bits, parity N, 1 stop bit."))
        << res.out;
    EXPECT_TRUE(res.Says("Interface not probed: a 160 baud interface only listens.")) << res.out;
    EXPECT_EQ(sim.Counters().bytesReceived, 0u);
}

// The fake computer around the real pseudo-terminal: a terminal program holds it too, and the
// driver shows a latency timer of 16 ms.
TEST(QuorvinCheck, TheSystemRootGivesHoldersAndLatency) {
    EcmSim sim;
    sim.Start();
    FakeRoot root;
    const std::string tty = std::filesystem::path(sim.SlavePath()).filename().string();
    root.dir.Write("sys/class/tty/" + tty + "/device/latency_timer", "16\n");
    root.AddProcess(4321, "minicom");
    root.Open(4321, 3, sim.SlavePath());
    CheckRunner r;
    r.sysroot = root.Root();
    const Result res = r.Run({"--check", "--device", sim.SlavePath()});
    EXPECT_EQ(res.status, 1);
    EXPECT_TRUE(res.Says("- Another program has " + sim.SlavePath() +
                         " open: minicom (4321); it would take the module's replies. Close it."))
        << res.out;
    EXPECT_TRUE(res.Says("Driver latency: 16 ms (latency_timer of " + tty + ").")) << res.out;
    EXPECT_TRUE(res.Says("ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
                         "ATTR{latency_timer}=\"1\""))
        << res.out;
}

struct NoPortCase {
    const char* name;
    std::string device; // "DIR/" is the runner's folder
    std::string reason; // "{dev}" is the device
};

std::string withDevice(std::string text, const std::string& device) {
    for (size_t at = text.find("{dev}"); at != std::string::npos; at = text.find("{dev}"))
        text.replace(at, 5, device);
    return text;
}

class QuorvinCheckNoPort : public testing::TestWithParam<NoPortCase> {};

TEST_P(QuorvinCheckNoPort, FailsWithTheReason) {
    CheckRunner r;
    r.dir.Write("capture.txt", "not a port");
    std::string device = GetParam().device;
    if (device.rfind("DIR/", 0) == 0)
        device = r.dir.File(device.substr(4));
    const Result res = r.Run({"--check", "--device", device});
    EXPECT_EQ(res.status, 1);
    EXPECT_TRUE(res.Says("- " + withDevice(GetParam().reason, device))) << res.out;
    EXPECT_EQ(res.out.find("Requesting Max232"), std::string::npos) << res.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuorvinCheckNoPort,
    testing::Values(
        NoPortCase{"DevNull", "/dev/null",
                   "{dev} is not a serial port ({dev}: Inappropriate ioctl for device)."},
        NoPortCase{"RegularFile", "DIR/capture.txt",
                   "{dev} is not a serial port ({dev}: Inappropriate ioctl for device)."},
        NoPortCase{"Missing", "DIR/ttyUSB0", "Can't open {dev}: No such file or directory."}),
    [](const testing::TestParamInfo<NoPortCase>& info) { return info.param.name; });

TEST(QuorvinCheck, CommandLineMistakes) {
    CheckRunner r;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--check"},
          {"--check", "--sim"},
          {"--check", "--device", "/dev/null", "--port", "2"},
          {"--check", "--replay", "x.alg"}}) {
        const Result res = r.Run(args);
        EXPECT_EQ(res.status, 2) << args.size();
        EXPECT_NE(res.err.find("--check takes --device PATH or --port N"), std::string::npos)
            << res.err;
    }
    const Result help = r.Run({"--help"});
    EXPECT_NE(help.out.find("quorvin-run --check --device PATH"), std::string::npos);
    EXPECT_NE(help.out.find("  --check "), std::string::npos);
}

} // namespace
