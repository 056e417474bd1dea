// quorvin-run end to end: the built program against the simulator, its files and its exits.
#include "common/Common.h"
#include "ecm-sim/EcmSim.h"
#include "link/Rtime.h"
#include "log/DataLog.h"
#include "log/ExportReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <sys/resource.h>
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

    // stdoutFd: where standard output goes instead of stdout.txt.
    // inChild runs in the child before the program starts.
    pid_t Start(const std::vector<std::string>& args, int stdoutFd = -1,
                const std::function<void()>& inChild = {}) {
        const std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
        const std::string ini = dir.File("QuorvinV4.ini");
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QUORVIN_INI", ini.c_str(), 1);
            if (inChild)
                inChild();
            const int o =
                stdoutFd >= 0 ? stdoutFd : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
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

int NumberAfter(const std::string& text, const std::string& what);

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

// The formats for other programs are written as the frames come, and a replay of the run's log
// writes the same files: values, fired notes and their marks included.
TEST(QuorvinRun, PortableCsvAndMslAsTheFramesComeAndFromAReplay) {
    Runner r;
    const std::string log = r.dir.File("run.alg"), csv = r.dir.File("live.csv"),
                      msl = r.dir.File("live.msl");
    const Result live =
        r.Run({"--vehicle", Vehicle, "--macro", "Data stream", "--sim", "--frames", "15", "--log",
               log, "--csv", csv, "--csv-format", "portable", "--msl", msl});
    ASSERT_EQ(live.status, 0) << live.out << live.err;
    EXPECT_NE(live.out.find("CSV: " + csv), std::string::npos) << live.out;
    EXPECT_NE(live.out.find("MSL: " + msl), std::string::npos) << live.out;
    for (const std::string& file : {csv, msl}) {
        const TExportTable table = ReadExportFile(file);
        ASSERT_EQ(table.Rows.size(), 15u) << file;
        ASSERT_GE(table.Names.size(), 30u);
        EXPECT_EQ(table.Names[0], "Time");
        EXPECT_EQ(table.Names[1], "Clock");
        EXPECT_EQ(table.Names.back(), "Codes");
        double previous = -1;
        for (const auto& row : table.Rows) {
            double seconds = 0;
            ASSERT_TRUE(ReadExportNumber(row[0], seconds)) << row[0];
            EXPECT_GE(seconds, previous);
            previous = seconds;
        }
        EXPECT_EQ(table.Rows[0][0], "0.000");
        EXPECT_GT(previous, 0.2); // 15 frames at 10 a second
    }
    const std::string replayCsv = r.dir.File("replay.csv"), replayMsl = r.dir.File("replay.msl");
    const Result replay = r.Run({"--vehicle", Vehicle, "--macro", "1", "--replay", log, "--csv",
                                 replayCsv, "--csv-format", "portable", "--msl", replayMsl});
    ASSERT_EQ(replay.status, 0) << replay.out << replay.err;
    EXPECT_EQ(TempDir::Read(replayCsv), TempDir::Read(csv));
    EXPECT_EQ(TempDir::Read(replayMsl), TempDir::Read(msl));
}

TEST(QuorvinRun, LongRunsGoToOneLogFile) {
    Runner r;
    const std::string csv = r.dir.File("long.csv");
    const Result res =
        r.Run({"--vehicle", Vehicle, "--macro", "Data stream", "--sim", "--test-mode", "--rate",
               "0", "--frames", "2500", "--log", r.dir.File("long"), "--csv", csv});
    ASSERT_EQ(res.status, 0) << res.out << res.err;
    EXPECT_NE(res.out.find("Log: " + r.dir.File("long.alg")), std::string::npos) << res.out;
    TDataLog frames;
    frames.LoadFromFile(r.dir.File("long.alg"));
    EXPECT_EQ(frames.Count(), 2500);
    EXPECT_FALSE(frames.LastLoadTruncated());
    EXPECT_FALSE(std::filesystem::exists(r.dir.File("long-1.alg")));
    const std::vector<std::string> lines = Lines(TempDir::Read(csv));
    ASSERT_EQ(lines.size(), 2501u);
    EXPECT_EQ(lines[2500].substr(0, 5), "2499,");
}

TEST(QuorvinRun, SplitWritesConsecutiveLogFiles) {
    Runner r;
    const std::string csv = r.dir.File("long.csv");
    const Result res = r.Run({"--vehicle", Vehicle, "--macro", "Data stream", "--sim",
                              "--test-mode", "--rate", "0", "--frames", "650", "--split", "300",
                              "--log", r.dir.File("long"), "--csv", csv});
    ASSERT_EQ(res.status, 0) << res.out << res.err;
    EXPECT_FALSE(std::filesystem::exists(r.dir.File("long.alg")));
    EXPECT_NE(res.out.find("Log saved to " + r.dir.File("long-2.alg")), std::string::npos);
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

// Waits until the file has at least bytes bytes; false after ten seconds.
bool WaitForBytes(const std::string& path, std::uintmax_t bytes) {
    for (int i = 0; i < 1000; ++i) {
        std::error_code error;
        if (std::filesystem::file_size(path, error) >= bytes && !error)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(QuorvinRun, StopSignalsEndTheRunWithCompleteFiles) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        Runner r;
        const std::string log = r.dir.File("cut.alg"), csv = r.dir.File("cut.csv");
        const pid_t pid = r.Start(
            {"--vehicle", Vehicle, "--macro", "Data stream", "--sim", "--log", log, "--csv", csv});
        ASSERT_TRUE(WaitForBytes(log, 1));
        kill(pid, signal);
        if (signal == SIGINT)
            kill(pid, SIGINT); // a second Ctrl+C during the final writes cuts nothing short
        const Result res = r.Wait(pid);
        EXPECT_EQ(res.status, 0) << res.out << res.err;
        TDataLog frames;
        frames.LoadFromFile(log);
        EXPECT_GT(frames.Count(), 0);
        EXPECT_FALSE(frames.LastLoadTruncated());
        EXPECT_EQ(NumberAfter(res.out, "Frames: "), frames.Count()) << res.out;
        EXPECT_EQ(static_cast<int>(Lines(TempDir::Read(csv)).size()), frames.Count() + 1);
        EXPECT_NE(res.out.find("Stop macro: "), std::string::npos);
    }
}

// The time of day of now in seconds, and of a frame.
double SecondsOfDay(double dateTime) {
    return (dateTime - std::floor(dateTime)) * 86400.0;
}

// kill -9 at any moment: the log and the CSV on disk hold every frame but the last second's.
TEST(QuorvinRun, KilledRunLosesAtMostTheLastSecond) {
    for (const int wait : {2300, 3700}) {
        Runner r;
        const std::string log = r.dir.File("killed.alg"), csv = r.dir.File("killed.csv");
        const pid_t pid = r.Start(
            {"--vehicle", Vehicle, "--macro", "Data stream", "--sim", "--log", log, "--csv", csv});
        ASSERT_TRUE(WaitForBytes(log, 1));
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        const double killedAt = SecondsOfDay(LocalNow());
        kill(pid, SIGKILL);
        EXPECT_EQ(r.Wait(pid).status, 128 + SIGKILL);

        TDataLog frames;
        frames.LoadFromFile(log); // whatever reached the disk is a valid log
        ASSERT_GT(frames.Count(), 0);
        const double lastFrame = SecondsOfDay(frames.Frames(frames.Count() - 1).Time);
        const int rows = static_cast<int>(Lines(TempDir::Read(csv)).size()) - 1;
        std::printf("killed after %d ms: %d frames in the log, %d CSV rows, last frame %.3f s "
                    "before the kill\n",
                    wait, frames.Count(), rows, killedAt - lastFrame);
        EXPECT_LE(killedAt - lastFrame, 1.0);
        ASSERT_GT(rows, 0);
        if (rows < frames.Count()) { // the CSV's last row is as recent
            EXPECT_LE(killedAt - SecondsOfDay(frames.Frames(rows - 1).Time), 1.0);
        }
    }
}

// A full disk: the run stops with the system's message, and what reached the disk is a log.
TEST(QuorvinRun, AFileThatCannotBeWrittenStopsTheRunAndKeepsWhatReachedTheDisk) {
    Runner r;
    const std::string log = r.dir.File("full.alg");
    const pid_t pid = r.Start({"--vehicle", Vehicle, "--macro", "Data stream", "--sim",
                               "--test-mode", "--rate", "0", "--seconds", "20", "--log", log},
                              -1, [] {
                                  rlimit small{20000, 20000};
                                  setrlimit(RLIMIT_FSIZE, &small);
                              });
    const Result res = r.Wait(pid);
    EXPECT_EQ(res.status, 1) << res.out << res.err;
    EXPECT_NE(res.err.find("Can't save file " + log + ". File too large"), std::string::npos)
        << res.err;
    EXPECT_EQ(Count(res.out, "Can't save file"), 1) << res.out;
    EXPECT_NE(res.out.find("Frames: "), std::string::npos) << res.out;
    TDataLog frames;
    frames.LoadFromFile(log);
    EXPECT_GT(frames.Count(), 100); // records up to the limit
    EXPECT_LE(std::filesystem::file_size(log), 20000u);
}

// Output piped into a program that ends early (head): the run goes on and its files are whole.
TEST(QuorvinRun, AClosedStandardOutputLosesNothing) {
    Runner r;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]); // nobody reads
    const std::string log = r.dir.File("piped.alg"), csv = r.dir.File("piped.csv");
    const pid_t pid =
        r.Start({"--vehicle", Vehicle, "--macro", "Data stream", "--sim", "--test-mode", "--rate",
                 "0", "--frames", "40", "--log", log, "--csv", csv, "--detail"},
                pipeEnds[1]);
    close(pipeEnds[1]);
    const Result res = r.Wait(pid);
    EXPECT_EQ(res.status, 0) << res.err;
    TDataLog frames;
    frames.LoadFromFile(log);
    EXPECT_EQ(frames.Count(), 40);
    EXPECT_EQ(Lines(TempDir::Read(csv)).size(), 41u);
}

// A long log damaged after its 600th frame: the frames before the damage are replayed.
TEST(QuorvinRun, ReplayOfADamagedLongLogKeepsTheFramesBeforeTheDamage) {
    Runner r;
    TDataLog log;
    TPacket frame;
    frame.FromFrameText("$F4,$57,$01,$00,$B4"); // a record of 19 bytes
    for (int i = 0; i < 1000; ++i)
        log.Add(frame, true);
    const std::string file = r.dir.File("long.alg"), csv = r.dir.File("long.csv");
    log.SaveToFile(file);
    std::string bytes = TempDir::Read(file);
    bytes[19 * 600 + 15] = 0x20; // the 601st record's length byte
    r.dir.Write("long.alg", bytes);
    const Result res =
        r.Run({"--vehicle", Vehicle, "--macro", "Data stream", "--replay", file, "--csv", csv});
    EXPECT_EQ(res.status, 0) << res.out << res.err;
    EXPECT_NE(res.out.find("File " + file + " is damaged after frame 600; 600 frames loaded."),
              std::string::npos)
        << res.out;
    EXPECT_NE(res.out.find("Replayed 600 frames of " + file), std::string::npos) << res.out;
    EXPECT_EQ(Lines(TempDir::Read(csv)).size(), 601u);
}

TEST(QuorvinRun, ReplayCountsFramesWithABadChecksum) {
    Runner r;
    TDataLog log;
    for (int i = 0; i < 197; ++i) {
        TPacket frame;
        frame.FromFrameText(i % 15 == 3 ? "$F4,$57,$01,$00,$00" : "$F4,$57,$01,$00,$B4");
        log.Add(frame, true);
    }
    const std::string file = r.dir.File("sums.alg");
    log.SaveToFile(file);
    const Result res = r.Run({"--vehicle", Vehicle, "--macro", "Data stream", "--replay", file});
    EXPECT_EQ(res.status, 0) << res.out << res.err;
    EXPECT_NE(res.out.find("Replayed 197 frames of " + file), std::string::npos) << res.out;
    EXPECT_NE(res.out.find("13 of 197 frames have a bad checksum"), std::string::npos) << res.out;
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
    testing::Values(
        FailureCase{"NoArguments", {}, 2, "--vehicle FILE is missing"},
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
        FailureCase{
            "UnwritableCsv",
            {"--vehicle", "VEHICLE", "--macro", "Snapshot", "--sim", "--csv", "DIR/no/x.csv"},
            1,
            "Can't save file"},
        FailureCase{"UnwritableMsl",
                    {"--vehicle", "VEHICLE", "--macro", "1", "--sim", "--msl", "DIR/no/x.msl"},
                    1,
                    "Can't save file"},
        FailureCase{"UnknownCsvFormat",
                    {"--vehicle", "VEHICLE", "--macro", "1", "--sim", "--csv", "DIR/x.csv",
                     "--csv-format", "msl"},
                    2,
                    "--csv-format takes spreadsheet or portable, not \"msl\""},
        FailureCase{"LogOverTheVehicle",
                    {"--vehicle", "DIR/v.xml", "--macro", "1", "--sim", "--log", "DIR/v.xml"},
                    2,
                    "--vehicle and --log name the same file"},
        FailureCase{
            "LogOverTheReplayedLog",
            {"--vehicle", "VEHICLE", "--macro", "1", "--replay", "DIR/old.alg", "--log", "DIR/old"},
            2,
            "--replay and --log name the same file"},
        FailureCase{"CsvOverTheLog",
                    {"--vehicle", "VEHICLE", "--macro", "1", "--sim", "--log", "DIR/same.alg",
                     "--csv", "DIR/same.alg"},
                    2,
                    "--log and --csv name the same file"},
        FailureCase{"CsvFormatWithoutCsv",
                    {"--vehicle", "VEHICLE", "--macro", "1", "--sim", "--csv-format", "portable"},
                    2,
                    "--csv-format needs --csv FILE"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(QuorvinRun, HelpDocumentsTheCommandLine) {
    Runner r;
    const Result res = r.Run({"--help"});
    EXPECT_EQ(res.status, 0);
    for (const char* option : {"--vehicle", "--macro", "--port", "--device", "--sim", "--replay",
                               "--frames", "--seconds", "--rate", "--log", "--csv", "--csv-format",
                               "--msl", "--test-mode", "--detail", "FrameCaptureRate"})
        EXPECT_NE(res.out.find(option), std::string::npos) << option;
}

} // namespace
