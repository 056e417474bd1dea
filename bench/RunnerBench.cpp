// quorvin-run against the simulator: frames per second for 10 seconds at several requested
// rates, against the wire limit of the 8192 baud bus (a 5-byte request and its 64-byte reply,
// 10 bits a byte: 84.2 ms, 11.87 frames/s); then the processor time quorvin-run takes against
// ecm-sim running as a process of its own, at the wire rate and at 10 frames/s; then how fast
// the run loop goes without a bus (test mode, no pacing), and how much memory runs of two
// lengths take, writing their log and CSV as they go (target: a 10-minute run grows by at most
// 1 MB).
//   RunnerBench [seconds]
#include "BenchPrograms.h"
#include "common/Common.h"
#include "log/DataLog.h"
#include "support/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr double WireLimit = 8192.0 / 10 / (5 + 64);
constexpr double CpuTarget = 3.0; // per cent of the wall time

using bench::SimProcess;

// The machine's load average over the last minute, to read the figures by.
std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one.empty() ? "?" : one;
}

struct RunFigures : bench::ProgramRun {
    std::string summary; // quorvin-run's "Frames: ..." line
};

// Runs quorvin-run and returns its summary line and what it cost.
RunFigures runOnce(const TempDir& dir, const std::vector<std::string>& args) {
    RunFigures f{bench::runQuorvin(dir, args), {}};
    const auto at = f.output.find("Frames: ");
    f.summary =
        at == std::string::npos ? f.output : f.output.substr(at, f.output.find('\n', at) - at);
    return f;
}

void rates(const TempDir& dir, const std::string& vehicle, const std::string& seconds) {
    std::printf("quorvin-run --sim --seconds %s, wire limit %.2f frames/s\n", seconds.c_str(),
                WireLimit);
    for (const char* rate : {"10", "12", "0"}) {
        const RunFigures f =
            runOnce(dir, {"--vehicle", vehicle, "--macro", "Data stream", "--sim", "--seconds",
                          seconds, "--rate", rate, "--log", dir.File("bench.alg")});
        double frames = 0, secs = 0, fps = 0;
        std::sscanf(f.summary.c_str(), "Frames: %lf in %lf s, %lf", &frames, &secs, &fps);
        // The steady rate, from the first logged frame to the last (no start-up, no stop).
        TDataLog log;
        log.LoadFromFile(dir.File("bench.alg"));
        const int n = log.Count();
        const double span = n > 1 ? (log.Frames(n - 1).TimeMs - log.Frames(0).TimeMs) / 1000.0 : 0;
        const double steady = span > 0 ? (n - 1) / span : 0;
        std::printf(
            "--rate %-3s exit %d  %s\n"
            "           whole run %.0f%% of the wire limit; steady %.2f frames/s (%.0f%%)\n",
            rate, f.status, f.summary.c_str(), 100 * fps / WireLimit, steady,
            100 * steady / WireLimit);
    }
}

// Processor time against wall time: the waits (T5, pacing) sleep rather than spin.
void processorTime(const TempDir& dir, const std::string& vehicle, const std::string& seconds) {
    std::printf("\nquorvin-run --device (ecm-sim --chatter in its own process) --seconds %s, "
                "precise timing, load average %s\n",
                seconds.c_str(), loadAverage().c_str());
    for (const char* rate : {"0", "10"}) {
        const SimProcess sim({"--chatter"});
        if (sim.Device().empty()) {
            std::printf("ecm-sim did not start\n");
            return;
        }
        const RunFigures f =
            runOnce(dir, {"--vehicle", vehicle, "--macro", "Data stream", "--device", sim.Device(),
                          "--seconds", seconds, "--rate", rate});
        const double share = f.wallMs > 0 ? 100 * f.cpuMs / f.wallMs : 0;
        std::printf("--rate %-3s exit %d  %s\n"
                    "           processor time %.0f ms of %.0f ms wall: %.2f %% (target at most "
                    "%.0f %%: %s)\n",
                    rate, f.status, f.summary.c_str(), f.cpuMs, f.wallMs, share, CpuTarget,
                    share <= CpuTarget ? "met" : "NOT met");
    }
}

// Frames per second of the loop alone: generated replies, no pacing, log and CSV written.
void loopSpeed(const TempDir& dir, const std::string& vehicle, const std::string& seconds) {
    std::printf("\nquorvin-run --sim --test-mode --rate 0 --seconds %s --log --csv, load average "
                "%s\n",
                seconds.c_str(), loadAverage().c_str());
    const RunFigures f = runOnce(dir, {"--vehicle", vehicle, "--macro", "Data stream", "--sim",
                                       "--test-mode", "--rate", "0", "--seconds", seconds, "--log",
                                       dir.File("loop.alg"), "--csv", dir.File("loop.csv")});
    std::printf("exit %d  %s\n", f.status, f.summary.c_str());
}

// Peak memory of a run and of one three times as long, against the simulator at the wire
// limit: what a run adds as it goes. (Generated replies without pacing would outrun the thread
// that writes them and wait in the queue: that is not a run's growth.)
void memoryGrowth(const TempDir& dir, const std::string& vehicle, const std::string& seconds) {
    std::printf("\nmemory: quorvin-run --sim --rate 0 --log --csv, peak resident\n");
    struct Point {
        double seconds;
        long kb;
    };
    std::vector<Point> points;
    for (const double s : {std::atof(seconds.c_str()), 3 * std::atof(seconds.c_str())}) {
        const std::string text = std::to_string(static_cast<int>(s));
        const RunFigures f = runOnce(dir, {"--vehicle", vehicle, "--macro", "Data stream", "--sim",
                                           "--rate", "0", "--seconds", text, "--log",
                                           dir.File("mem.alg"), "--csv", dir.File("mem.csv")});
        points.push_back({s, f.maxRssKb});
        std::printf("--seconds %-4s exit %d  %s, peak %ld kB\n", text.c_str(), f.status,
                    f.summary.c_str(), f.maxRssKb);
    }
    const double perSecond =
        static_cast<double>(points[1].kb - points[0].kb) / (points[1].seconds - points[0].seconds);
    std::printf("growth %.2f kB per second: a 10-minute run adds %.2f MB (target at most 1 MB: "
                "%s)\n",
                perSecond, perSecond * 600 / 1024, perSecond * 600 / 1024 <= 1 ? "met" : "NOT met");
}

} // namespace

int main(int argc, char** argv) {
    InitFolders();
    const std::string seconds = argc > 1 ? argv[1] : "10";
    const std::string vehicle = BundledDataDir() + "/vehicles/SIM-V8.xml";
    TempDir dir;
    rates(dir, vehicle, seconds);
    processorTime(dir, vehicle, seconds);
    loopSpeed(dir, vehicle, seconds);
    memoryGrowth(dir, vehicle, seconds);
    return 0;
}
