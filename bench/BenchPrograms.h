// The project's own programs (quorvin-run, ecm-sim) as child processes of a benchmark.
#pragma once
#include "common/Common.h"
#include "support/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

inline std::vector<char*> argvOf(std::vector<std::string>& all) {
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

struct ProgramRun {
    int status = -1;
    double wallMs = 0;
    double cpuMs = 0; // user and system time of the program alone
    long maxRssKb = 0;
    std::string output; // standard output and error together
};

inline double ms(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

// Runs quorvin-run with its settings in dir and waits for it to end.
inline ProgramRun runQuorvin(const TempDir& dir, const std::vector<std::string>& args) {
    const std::string out = dir.File("out.txt");
    std::vector<std::string> all{ProgramDir() + "/quorvin-run"};
    all.insert(all.end(), args.begin(), args.end());
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        execv(all[0].c_str(), argvOf(all).data());
        _exit(127);
    }
    ProgramRun r;
    int raw = 0;
    rusage usage{};
    wait4(pid, &raw, 0, &usage);
    r.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    r.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    r.maxRssKb = usage.ru_maxrss;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.output = TempDir::Read(out);
    return r;
}

// ecm-sim as a process of its own, so that its processor time is not the measured program's;
// its first line names the pseudo-terminal.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0)
            return;
        std::vector<std::string> all{ProgramDir() + "/ecm-sim"};
        all.insert(all.end(), args.begin(), args.end());
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execv(all[0].c_str(), argvOf(all).data());
            _exit(127);
        }
        close(out[1]);
        std::string line; // "ecm-sim: listening on /dev/pts/N"
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]); // the simulator's later lines go nowhere
        const auto at = line.find("/dev/");
        if (at != std::string::npos)
            device_ = line.substr(at);
    }
    ~SimProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    const std::string& Device() const { return device_; }

private:
    pid_t pid_ = -1;
    std::string device_;
};

} // namespace bench
