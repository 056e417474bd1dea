// The ecm-sim program: its help, its first line and a conversation over the pty it prints.
#include "ecm-sim/EcmSim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace {

const std::string program = std::string(QUORVIN_BIN_DIR) + "/ecm-sim";

// Runs the program with its stdout on a pipe.
struct Child {
    explicit Child(std::vector<std::string> args) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out = fds[0];
    }
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(out);
    }
    // Reads stdout up to a newline (or the end), within timeoutMs.
    std::string Line(int timeoutMs = 3000) {
        std::string line;
        char c;
        while (true) {
            pollfd p{out, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0 || read(out, &c, 1) != 1 || c == '\n')
                return line;
            line += c;
        }
    }
    int Wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    pid_t pid = -1;
    int out = -1;
};

} // namespace

TEST(EcmSimProgram, HelpNamesEveryOption) {
    Child child({"--help"});
    std::string text;
    for (int i = 0; i < 200 && text.find("echo-mode ") == std::string::npos; ++i)
        text += child.Line() + "\n";
    EXPECT_EQ(child.Wait(), 0);
    for (const char* option :
         {"--device", "--no-echo", "--no-pace", "--turnaround", "--chatter", "--silence",
          "--stream160", "--fault-no-echo", "--fault-wrong-echo", "--fault-no-reply",
          "--fault-bad-checksum", "--fault-truncate", "--fault-stray", "--fault-never-silent",
          "--fault-hang-up", "--modules", "--verbose", "reply 57 01 00", "echo-mode"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
    for (const char* option : {"--fault-frame-before-reply", "--fault-frame-before-echo",
                               "--fault-mode", "--fault-ignore-suspend"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
}

TEST(EcmSimProgram, BadOptionFails) {
    Child child({"--fault-no-reply", "2"});
    EXPECT_EQ(child.Wait(), 2);
}

TEST(EcmSimProgram, ListensOnThePtyItPrints) {
    Child child({"--no-pace"});
    const std::string first = child.Line();
    const std::string prefix = "ecm-sim: listening on ";
    ASSERT_EQ(first.rfind(prefix, 0), 0u) << first;
    const std::string path = first.substr(prefix.size());
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << path;
    const std::uint8_t request[] = {0xF4, 0x57, 0x01, 0x00, 0xB4};
    ASSERT_EQ(write(fd, request, sizeof request), 5);
    EcmBytes got;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (got.size() < 69 && std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        std::uint8_t b[128];
        if (poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = read(fd, b, sizeof b);
            if (n > 0)
                got.insert(got.end(), b, b + n);
        }
    }
    close(fd);
    ASSERT_EQ(got.size(), 69u);
    EXPECT_TRUE(EcmSimFrameOK(EcmBytes(got.begin() + 5, got.end())));
    kill(child.pid, SIGINT);
    EXPECT_EQ(child.Wait(), 0);
}
