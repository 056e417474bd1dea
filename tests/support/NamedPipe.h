#pragma once
#include <chrono>
#include <functional>
#include <string>

// A real named pipe (mkfifo) for tests that a reader never waits on one. No writer ever
// opens it unless a call hangs: then the guard opens and closes it, which ends the waiting
// open or read, so a regression fails the test instead of hanging the run.
class NamedPipe {
public:
    explicit NamedPipe(std::string path); // throws std::runtime_error when mkfifo fails
    ~NamedPipe();
    NamedPipe(const NamedPipe&) = delete;
    NamedPipe& operator=(const NamedPipe&) = delete;
    const std::string& Path() const { return path_; }

    // Runs call on a thread of its own; false when it had not returned within limit (it is
    // then released as above and waited for). Exceptions of call reach the caller.
    bool ReturnsWithin(std::chrono::milliseconds limit, const std::function<void()>& call) const;

private:
    std::string path_;
};
