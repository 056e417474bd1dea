#include "SimPeer.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"

// The simulator runs inside this process when its library is linked in (its headers are then on
// the include path); otherwise the ecm-sim program beside this one serves on its own pty.
#if __has_include("ecm-sim/EcmSim.h")
#include "ecm-sim/EcmSim.h"
#define QUORVIN_SIM_IN_PROCESS 1
#else
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#if QUORVIN_SIM_IN_PROCESS

struct TSimPeer::Impl {
    EcmSim sim;
    explicit Impl(const EcmSimOptions& o) : sim(o) {}
};

TSimPeer::TSimPeer(const TSimSettings& s) {
    EcmSimOptions o;
    o.echo = s.Echo;
    o.chatter = s.Chatter;
    if (!s.Heartbeat.empty())
        o.heartbeat = s.Heartbeat;
    if (s.Stream160) {
        o.stream160 = true;
        o.sampleBaud = s.Stream160;
    }
    impl_ = std::make_unique<Impl>(o);
    impl_->sim.Start();
    path_ = impl_->sim.SlavePath();
}

TSimPeer::~TSimPeer() {
    impl_->sim.Stop();
}

#else

namespace {

// Reads the simulator's first line ("ecm-sim: listening on PATH") within a few seconds.
std::string readFirstLine(int fd) {
    std::string line;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0)
            return line;
        char c = 0;
        if (read(fd, &c, 1) != 1 || c == '\n')
            return line;
        line += c;
    }
}

} // namespace

struct TSimPeer::Impl {
    pid_t pid = -1;
    int out = -1; // the simulator's standard output
    ~Impl() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status = 0;
            waitpid(pid, &status, 0);
        }
        if (out >= 0)
            close(out);
    }
};

TSimPeer::TSimPeer(const TSimSettings& s) : impl_(std::make_unique<Impl>()) {
    const std::string program = ProgramDir() + "/ecm-sim";
    std::vector<std::string> args{program, s.Echo ? "--echo" : "--no-echo"};
    if (s.Chatter)
        args.push_back("--chatter");
    if (s.Chatter && !s.Heartbeat.empty()) {
        std::string bytes;
        for (uint8_t b : s.Heartbeat)
            bytes += (bytes.empty() ? "" : ",") + Format("%.2X", b);
        args.insert(args.end(), {"--heartbeat", bytes});
    }
    if (s.Stream160)
        args.insert(args.end(), {"--stream160", Format("%d", s.Stream160)});

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw EQuorvinError("Can't start the simulator. " + SystemErrorText(errno));
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        const int code = errno;
        close(pipeFds[0]);
        close(pipeFds[1]);
        throw EQuorvinError("Can't start the simulator. " + SystemErrorText(code));
    }
    if (pid == 0) {
        // The simulator must not outlive the run, whichever way the run ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        dup2(pipeFds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    impl_->pid = pid;
    impl_->out = pipeFds[0];
    const std::string line = readFirstLine(impl_->out);
    const std::string marker = "listening on ";
    const auto at = line.find(marker);
    if (at == std::string::npos)
        throw EQuorvinError("Can't start the simulator " + program +
                            (line.empty() ? std::string(".") : ": " + line));
    path_ = line.substr(at + marker.size());
}

TSimPeer::~TSimPeer() = default;

#endif
