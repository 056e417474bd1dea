// quorvin-run end to end: the built program against the simulator, its files and its exits.
#include "common/Common.h"
#include "ecm-sim/EcmSim.h"
#include "link/Rtime.h"
#include "log/DataLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <ostream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string Program = std::string(QUORVIN_BIN_DIR) + "/quorvin-run";
const std::string Vehicle = std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml";

struct Result {
    int status = -1;
    std::string out, err;
};

// Runs the program with its own ini file in dir; returns its exit status and output.
class Runner {
public:
    TempDir dir;

    pid_t Start(const std::vector<std::string>& args) {
        const std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
        const std::string ini = dir.File("QuorvinV4.ini");
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QUORVIN_INI", ini.c_str(), 1);
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(o, STDOUT_FILENO);
            dup2(e, STDERR_FILENO);
            std::vector<std::string> all{Program};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& a : all)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(Program.c_str(), argv.data());
            _exit(127);
        }
        return pid;
    }
    Result Wait(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        Result r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = TempDir::Read(dir.File("stdout.txt"));
        r.err = TempDir::Read(dir.File("stderr.txt"));
        return r;
    }
    Result Run(const std::vector<std::string>& args) { return Wait(Start(args)); }
};

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines = Split(text, "\r\n");
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

TEST(QuorvinRun, LogsLiveFramesFromTheSimulator) {
    Runner r;
    const std::string log = r.dir.File("x.alg"), csv = r.dir.File("x.csv");
    const Result res = r.Run({"--vehicle", Vehicle, "--macro", "data stream", "--sim", "--frames",
                              "12", "--log", log, "--csv", csv, "--detail"});
    ASSERT_EQ(res.status, 0) << res.out << res.err;
    EXPECT_NE(res.out.find("Start macro: "), std::string::npos);
    EXPECT_NE(res.out.find("Frames: 12 in "), std::string::npos) << res.out;
    EXPECT_NE(res.out.find("frames/s; time-outs: "), std::string::npos) << res.out;
    // The chattering module is suspended and, at the stop, resumed once.
    EXPECT_GE(Count(res.out, "Send suspend command: $F4,$56,$08,$AE"), 1) << res.out;
    EXPECT_EQ(Count(res.out, "Send resume command: $F4,$56,$09,$AD"), 1) << res.out;
    EXPECT_LT(res.out.find("Send resume command"), res.out.find("Stop macro: "));

    TDataLog frames;
    frames.LoadFromFile(log);
    ASSERT_EQ(frames.Count(), 12);
    for (int i = 0; i < frames.Count(); ++i) {
        EXPECT_EQ(frames.Frames(i).Header(), 0xF4);
        EXPECT_EQ(frames.Frames(i).FrameLen(), 64);
        EXPECT_TRUE(frames.Frames(i).ChecksumOK());
    }
    const std::vector<std::string> lines = Lines(TempDir::Read(csv));
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0].substr(0, 15), "FRAME,PROMID ,C");
    EXPECT_EQ(lines[1].substr(0, 8), "0,17022,"); // PROM ID $427E
    EXPECT_EQ(lines[12].substr(0, 3), "11,");
}

// The batch export of an old log matches the rows written live, for both log formats.
TEST(QuorvinRun, ReplayWritesTheSameCsvAsTheRun) {
    Runner r;
    const std::string log = r.dir.File("run.alg"), live = r.dir.File("live.csv");
    ASSERT_EQ(r.Run({"--vehicle", Vehicle, "--macro", "1", "--sim", "--frames", "6", "--log", log,
                     "--csv", live})
                  .status,
              0);
    // The same frames as a text log.
    TDataLog frames;
    frames.LoadFromFile(log);
    std::string text;
    for (int i = 0; i < frames.Count(); ++i)
        text += FormatDateTime("hh:mm:ss.zzz", frames.Frames(i).Time) + ",T00," +
                frames.Frames(i).HexText() + "\r\n";
    const std::string textLog = r.dir.Write("run-text.alg", text);

    for (const std::string& source : {log, textLog}) {
        const std::string csv = r.dir.File("replay.csv");
        const Result res = r.Run(
            {"--vehicle", Vehicle, "--macro", "Data stream", "--replay", source, "--csv", csv});
        ASSERT_EQ(res.status, 0) << res.out << res.err;
        EXPECT_NE(res.out.find("Replayed 6 frames"), std::string::npos) << res.out;
        EXPECT_EQ(TempDir::Read(csv), TempDir::Read(live)) << source;
    }
}

TEST(QuorvinRun, LongRunsGoToConsecutiveLogFiles) {
    Runner r;
    const std::string csv = r.dir.File("long.csv");
    const Result res =
        r.Run({"--vehicle", Vehicle, "--macro", "Data stream", "--sim", "--test-mode", "--rate",
               "0", "--frames", "650", "--log", r.dir.File("long"), "--csv", csv});
    ASSERT_EQ(res.status, 0) << res.out << res.err;
    EXPECT_FALSE(std::filesystem::exists(r.dir.File("long.alg")));
    const std::vector<std::pair<std::string, int>> files{
        {"long-1.alg", 300}, {"long-2.alg", 300}, {"long-3.alg", 50}};
    for (const auto& [name, count] : files) {
        TDataLog frames;
        frames.LoadFromFile(r.dir.File(name));
        EXPECT_EQ(frames.Count(), count) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(r.dir.File("long-4.alg")));
    const std::vector<std::string> lines = Lines(TempDir::Read(csv));
    ASSERT_EQ(lines.size(), 651u);
    EXPECT_EQ(lines[650].substr(0, 4), "649,");
}

TEST(QuorvinRun, MacroThatEndsIsACleanRun) {
    Runner r;
    const Result res = r.Run({"--vehicle", Vehicle, "--macro", "Snapshot", "--sim"});
    EXPECT_EQ(res.status, 0) << res.out << res.err;
    EXPECT_NE(res.out.find("Frames: 5 in "), std::string::npos) << res.out;
}

TEST(QuorvinRun, InterruptStopsCleanlyAndKeepsTheFrames) {
    Runner r;
    const std::string log = r.dir.File("cut.alg");
    const pid_t pid =
        r.Start({"--vehicle", Vehicle, "--macro", "Data stream", "--sim", "--log", log});
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(pid, SIGINT);
    const Result res = r.Wait(pid);
    EXPECT_EQ(res.status, 0) << res.out << res.err;
    TDataLog frames;
    frames.LoadFromFile(log);
    EXPECT_GT(frames.Count(), 0);
    EXPECT_NE(res.out.find("Stop macro: "), std::string::npos);
}

// A module that hangs up mid-run: the run fails, yet the frames logged so far are written.
TEST(QuorvinRun, PortFailureKeepsWhatWasLogged) {
    Runner r;
    EcmSimOptions o;
    o.chatter = true;
    o.faults.hangUpAfter = 6; // the suspend frame and five requests
    EcmSim sim(o);
    sim.Start();
    const std::string log = r.dir.File("cut.alg"), csv = r.dir.File("cut.csv");
    const Result res = r.Run({"--vehicle", Vehicle, "--macro", "Data stream", "--device",
                              sim.SlavePath(), "--log", log, "--csv", csv});
    EXPECT_EQ(res.status, 1) << res.out << res.err;
    EXPECT_NE(res.err.find("three steps in a row"), std::string::npos) << res.err;
    TDataLog frames;
    frames.LoadFromFile(log);
    EXPECT_GE(frames.Count(), 1);
    EXPECT_LE(frames.Count(), 5);
    EXPECT_EQ(static_cast<int>(Lines(TempDir::Read(csv)).size()), frames.Count() + 1);
}

// The number after "what" in text, or -1.
int NumberAfter(const std::string& text, const std::string& what) {
    const size_t at = text.find(what);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + what.size());
}

// A body module answers the suspend frame yet keeps chattering: only the engine module's replies
// are logged, and the summary counts the bus frames that were skipped.
TEST(QuorvinRun, LogsOnlyTheModulesRepliesAmongChatter) {
    Runner r;
    EcmSimOptions o;
    o.chatter = true;
    o.faults.ignoreSuspend = true;
    EcmSim sim(o);
    sim.Start();
    const std::string log = r.dir.File("chatter.alg");
    const Result res = r.Run({"--vehicle", Vehicle, "--macro", "Data stream", "--device",
                              sim.SlavePath(), "--frames", "8", "--rate", "0", "--log", log});
    ASSERT_EQ(res.status, 0) << res.out << res.err;
    TDataLog frames;
    frames.LoadFromFile(log);
    ASSERT_EQ(frames.Count(), 8);
    for (int i = 0; i < frames.Count(); ++i) {
        const TPacket& f = frames.Frames(i);
        EXPECT_TRUE(f.Header() == 0xF4 && f.FrameLen() == 64 && f.getData(0) == 0x01 &&
                    f.ChecksumOK())
            << i << ": " << f.HexText();
    }
    EXPECT_GT(NumberAfter(res.out, "; skipped bus frames: "), 0) << res.out;
}

// Every reply missing, the suspend's too: the run ends at once and says why.
TEST(QuorvinRun, ModuleThatNeverAnswersEndsTheRunAndSaysSo) {
    Runner r;
    EcmSimOptions o;
    o.chatter = true;
    o.faults.noReply = 1;
    EcmSim sim(o);
    sim.Start();
    const std::string log = r.dir.File("none.alg");
    const auto start = std::chrono::steady_clock::now();
    const Result res = r.Run({"--vehicle", Vehicle, "--macro", "Data stream", "--device",
                              sim.SlavePath(), "--seconds", "20", "--log", log});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(res.status, 1) << res.out << res.err;
    EXPECT_NE(res.err.find("The module does not answer"), std::string::npos) << res.err;
    EXPECT_NE(res.out.find("Frames: 0 in "), std::string::npos) << res.out;
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_LT(seconds, 10.0); // about 2 s; the machine may be busy
}

struct FailureCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* message;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class QuorvinRunFails : public testing::TestWithParam<FailureCase> {};

TEST_P(QuorvinRunFails, WithAClearMessage) {
    Runner r;
    // A pseudo-terminal that nobody answers: a module that stays silent.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    std::vector<std::string> args = GetParam().args;
    for (std::string& a : args)
        if (a == "VEHICLE")
            a = Vehicle;
        else if (a == "PTY")
            a = ptsname(master);
        else if (a.rfind("DIR/", 0) == 0)
            a = r.dir.File(a.substr(4));
    const Result res = r.Run(args);
    close(master);
    EXPECT_EQ(res.status, GetParam().status) << res.out << res.err;
    EXPECT_NE(res.err.find(GetParam().message), std::string::npos) << res.err;
}

INSTANTIATE_TEST_SUITE_P(
    Exits, QuorvinRunFails,
    testing::Values(FailureCase{"NoArguments", {}, 2, "--vehicle FILE is missing"},
                    FailureCase{"UnknownOption",
                                {"--vehicle", "VEHICLE", "--macro", "1", "--sim", "--fast"},
                                2,
                                "unknown option --fast"},
                    FailureCase{"TwoSources",
                                {"--vehicle", "VEHICLE", "--macro", "1", "--sim", "--port", "2"},
                                2,
                                "give exactly one of --port, --device, --sim and --replay"},
                    FailureCase{"BadNumber",
                                {"--vehicle", "VEHICLE", "--macro", "1", "--sim", "--frames", "x"},
                                2,
                                "--frames takes a whole number"},
                    FailureCase{"MissingVehicle",
                                {"--vehicle", "DIR/none.xml", "--macro", "1", "--sim"},
                                1,
                                "none.xml not found"},
                    FailureCase{"UnknownMacro",
                                {"--vehicle", "VEHICLE", "--macro", "Warp", "--sim"},
                                1,
                                "Macro \"Warp\" is not in"},
                    FailureCase{"NoDevice",
                                {"--vehicle", "VEHICLE", "--macro", "1", "--device", "DIR/ttyNone"},
                                1,
                                "Can't open Com1."},
                    FailureCase{"SilentModule",
                                {"--vehicle", "VEHICLE", "--macro", "1", "--device", "PTY"},
                                1,
                                "three steps in a row"},
                    FailureCase{"MissingReplay",
                                {"--vehicle", "VEHICLE", "--macro", "1", "--replay", "DIR/old.alg"},
                                1,
                                "Can't open file"},
                    FailureCase{"UnwritableCsv",
                                {"--vehicle", "VEHICLE", "--macro", "Snapshot", "--sim", "--csv",
                                 "DIR/no/x.csv"},
                                1,
                                "Can't save file"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(QuorvinRun, HelpDocumentsTheCommandLine) {
    Runner r;
    const Result res = r.Run({"--help"});
    EXPECT_EQ(res.status, 0);
    for (const char* option :
         {"--vehicle", "--macro", "--port", "--device", "--sim", "--replay", "--frames",
          "--seconds", "--rate", "--log", "--csv", "--test-mode", "--detail", "FrameCaptureRate"})
        EXPECT_NE(res.out.find(option), std::string::npos) << option;
}

} // namespace
