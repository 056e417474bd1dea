// quorvin-run against a chattering ecm-sim with one kind of fault on 30 % of its requests, for
// several seeds, and against one that never answers. Prints per case: the exit status, the run
// time, the frames logged, the bus frames skipped, the retries and failed suspends, and the
// logged frames that are not the engine module's genuine reply (there must be none).
//   FaultMatrixBench [seconds] [seeds]
#include "BenchPrograms.h"
#include "common/Common.h"
#include "log/DataLog.h"
#include "support/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using bench::ProgramRun;
using bench::runQuorvin;
using bench::SimProcess;

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

int numberAfter(const std::string& text, const std::string& what) {
    const auto at = text.find(what);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + what.size());
}

bool genuine(const TPacket& f) {
    return f.Header() == 0xF4 && f.FrameLen() == 64 && f.getData(0) == 0x01 && f.ChecksumOK() &&
           f.getData(1) == 0x42 && f.getData(2) == 0x7E;
}

// The frames of log name and of its numbered parts (name-1.alg, ...): (logged, not genuine).
std::pair<int, int> checkLogs(const TempDir& dir) {
    std::vector<std::string> files;
    if (std::filesystem::exists(dir.File("run.alg")))
        files.push_back(dir.File("run.alg"));
    for (int k = 1; std::filesystem::exists(dir.File("run-" + std::to_string(k) + ".alg")); ++k)
        files.push_back(dir.File("run-" + std::to_string(k) + ".alg"));
    int logged = 0, bad = 0;
    for (const std::string& file : files) {
        TDataLog log;
        log.LoadFromFile(file);
        for (int i = 0; i < log.Count(); ++i, ++logged)
            bad += !genuine(log.Frames(i));
        std::filesystem::remove(file);
    }
    return {logged, bad};
}

struct Case {
    const char* name;
    const char* option;
    const char* probability;
};

void runCase(const std::string& seconds, const Case& c, int seed) {
    TempDir dir;
    SimProcess sim({"--chatter", c.option, c.probability, "--seed", std::to_string(seed)});
    if (sim.Device().empty()) {
        std::printf("%-13s %4d  ecm-sim did not start\n", c.name, seed);
        return;
    }
    const std::string vehicle = BundledDataDir() + "/vehicles/SIM-V8.xml";
    const ProgramRun f =
        runQuorvin(dir, {"--vehicle", vehicle, "--macro", "Data stream", "--device", sim.Device(),
                         "--seconds", seconds, "--log", dir.File("run.alg")});
    const auto [logged, bad] = checkLogs(dir);
    const bool silent = f.output.find("The module does not answer") != std::string::npos;
    std::printf("%-13s %4d %5d %7.2f %7d %7d %7d %8d %8d %6d  %s\n", c.name, seed, f.status,
                f.wallMs / 1e3, numberAfter(f.output, "Frames: "), logged,
                numberAfter(f.output, "skipped bus frames: "),
                count(f.output, "Sending the request again"),
                count(f.output, "Suspending the chatter failed"), bad,
                silent ? "says: the module does not answer" : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    InitFolders();
    std::signal(SIGPIPE, SIG_IGN);
    const std::string seconds = argc > 1 ? argv[1] : "20";
    const int seeds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::printf("quorvin-run --seconds %s against ecm-sim --chatter with one fault kind\n",
                seconds.c_str());
    std::printf("%-13s %4s %5s %7s %7s %7s %7s %8s %8s %6s\n", "fault", "seed", "exit", "run s",
                "frames", "logged", "bus fr", "retries", "susp.f", "bad");
    const Case faults[] = {{"no echo", "--fault-no-echo", "0.3"},
                           {"wrong echo", "--fault-wrong-echo", "0.3"},
                           {"bad checksum", "--fault-bad-checksum", "0.3"},
                           {"truncate", "--fault-truncate", "0.3"},
                           {"stray byte", "--fault-stray", "0.3"}};
    for (const Case& c : faults)
        for (int seed = 1; seed <= seeds; ++seed)
            runCase(seconds, c, seed);
    for (int seed = 1; seed <= seeds; ++seed)
        runCase(seconds, {"no reply", "--fault-no-reply", "1"}, seed);
    return 0;
}
