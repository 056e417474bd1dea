// quorvin-run against the simulator: frames per second for 10 seconds at several requested
// rates, against the wire limit of the 8192 baud bus (a 5-byte request and its 64-byte reply,
// 10 bits a byte: 84.2 ms, 11.87 frames/s).
//   RunnerBench [seconds]
#include "common/Common.h"
#include "log/DataLog.h"
#include "support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr double WireLimit = 8192.0 / 10 / (5 + 64);

// Runs quorvin-run and returns its summary line ("Frames: ...").
std::string runOnce(const TempDir& dir, const std::vector<std::string>& args, int& status) {
    const std::string out = dir.File("out.txt");
    const std::string program = ProgramDir() + "/quorvin-run";
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const std::string text = TempDir::Read(out);
    const auto at = text.find("Frames: ");
    return at == std::string::npos ? text : text.substr(at, text.find('\n', at) - at);
}

} // namespace

int main(int argc, char** argv) {
    InitFolders();
    const std::string seconds = argc > 1 ? argv[1] : "10";
    const std::string vehicle = BundledDataDir() + "/vehicles/SIM-V8.xml";
    TempDir dir;
    std::printf("quorvin-run --sim --seconds %s, wire limit %.2f frames/s\n", seconds.c_str(),
                WireLimit);
    for (const char* rate : {"10", "12", "0"}) {
        int status = 0;
        const std::string summary =
            runOnce(dir,
                    {"--vehicle", vehicle, "--macro", "Data stream", "--sim", "--seconds", seconds,
                     "--rate", rate, "--log", dir.File("bench.alg")},
                    status);
        double frames = 0, secs = 0, fps = 0;
        std::sscanf(summary.c_str(), "Frames: %lf in %lf s, %lf", &frames, &secs, &fps);
        // The steady rate, from the first logged frame to the last (no start-up, no stop).
        TDataLog log;
        log.LoadFromFile(dir.File("bench.alg"));
        const int n = log.Count();
        const double span = n > 1 ? (log.Frames(n - 1).TimeMs - log.Frames(0).TimeMs) / 1000.0 : 0;
        const double steady = span > 0 ? (n - 1) / span : 0;
        std::printf(
            "--rate %-3s exit %d  %s\n"
            "           whole run %.0f%% of the wire limit; steady %.2f frames/s (%.0f%%)\n",
            rate, status, summary.c_str(), 100 * fps / WireLimit, steady, 100 * steady / WireLimit);
    }
    return 0;
}
