#include "link/PosixSerial.h"

#include "link/SerialLine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
// Bytes this close together belong to one frame (or a reply right after its echo).
constexpr int frameGapMs = 20;
constexpr Clock::time_point never = Clock::time_point::max();

Clock::time_point after(Clock::time_point start, int ms) {
    return start + std::chrono::milliseconds(ms);
}

} // namespace

TPosixSerial::~TPosixSerial() {
    Close();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

TPosixSerial::TWait TPosixSerial::waitFor(short events, Clock::time_point deadline, int& error) {
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline)
            return TWait::TimedOut;
        // An interrupt ends a wait on a quiet line at once; bytes that came moments ago show a
        // frame under way, which is read to its end (a few bytes at most take a gap that long).
        const bool stopping = interrupted_;
        const auto quietFrom = lastByte_ + std::chrono::milliseconds(frameGapMs);
        if (stopping && now >= quietFrom)
            return TWait::TimedOut;
        const auto until = stopping ? std::min(deadline, quietFrom) : deadline;
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now);
        timespec timeout{static_cast<time_t>(left.count() / 1000000000),
                         static_cast<long>(left.count() % 1000000000)};
        pollfd p[2]{{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
        const nfds_t watched = stopping || wakeFd_ < 0 ? 1 : 2;
        const int r = ppoll(p, watched, &timeout, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return TWait::HungUp;
        }
        if (r == 0 || p[0].revents == 0)
            continue; // the loop's clock and interrupt checks decide
        if (p[0].revents & events)
            return TWait::Ready;
        error = EIO; // POLLHUP, POLLERR or POLLNVAL without data: the device has gone
        return TWait::HungUp;
    }
}

void TPosixSerial::Interrupt(bool on) {
    interrupted_ = on;
    if (wakeFd_ < 0)
        return;
    if (on) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t w = ::write(wakeFd_, &one, sizeof one);
    } else {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t r = ::read(wakeFd_, &count, sizeof count);
    }
}

void TPosixSerial::Open(const std::string& path) {
    Close();
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw ESerialDeviceError(TSerialStep::Open, path, errno);
    // TIOCEXCL does not hold against root; the lock does, for every process that uses it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        throw ESerialDeviceError(TSerialStep::Open, path, error);
    }
    SetSerialExclusive(fd, true);
    if (wakeFd_ < 0)
        wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    fd_ = fd;
    path_ = path;
}

void TPosixSerial::Close() {
    if (fd_ < 0)
        return;
    // The exclusive flag belongs to the tty and would outlive this descriptor while another one
    // (the simulator's own slave) stays open.
    SetSerialExclusive(fd_, false);
    ::close(fd_);
    fd_ = -1;
}

void TPosixSerial::Configure(const TLineSettings& line) {
    ConfigureSerialLine(fd_, path_, line);
    const int bits = 1 + line.DataBits + line.StopBits + (line.Parity == 'N' ? 0 : 1);
    byteTime_ = std::chrono::nanoseconds(int64_t{bits} * 1000000000 / std::max(line.Baud, 1));
}

void TPosixSerial::SetModemLines(bool dtr, bool rts) {
    SetSerialModemLines(fd_, path_, dtr, rts);
}

void TPosixSerial::Purge() {
    FlushSerialLine(fd_, path_);
}

int TPosixSerial::Read(uint8_t* buffer, int count, const TReadLimits& limits) {
    const auto start = Clock::now();
    const auto totalEnd = limits.TotalMs > 0 ? after(start, limits.TotalMs) : never;
    auto lastByte = start;
    int got = 0;
    bool wait = false; // the first read takes what is already there
    while (got < count) {
        if (wait) {
            auto deadline = totalEnd;
            if (got == 0 && limits.FirstByteMs > 0)
                deadline = std::min(deadline, after(start, limits.FirstByteMs));
            if (got > 0 && limits.IntervalMs > 0)
                deadline = std::min(deadline, after(lastByte, limits.IntervalMs));
            int error = 0;
            const TWait w = waitFor(POLLIN, deadline, error);
            if (w == TWait::TimedOut)
                break;
            if (w == TWait::HungUp)
                throw ESerialDeviceError(TSerialStep::Read, path_, error);
        }
        const ssize_t r = ::read(fd_, buffer + got, static_cast<size_t>(count - got));
        if (r > 0) {
            got += static_cast<int>(r);
            lastByte = Clock::now();
            lastByte_ = lastByte;
            wait = true; // the rest is not there yet: poll rather than read in vain
            if (count - got > 1 && byteTime_.count() > 0) {
                // The rest needs its time on the wire: sleep through all but its last byte rather
                // than wake for every byte, then take what came and poll for the last.
                auto until = lastByte + byteTime_ * (count - got - 1);
                until = std::min(until, totalEnd);
                if (limits.IntervalMs > 0)
                    until = std::min(until, after(lastByte, limits.IntervalMs));
                std::this_thread::sleep_until(until);
                wait = false;
            }
            continue;
        }
        if (r == 0) // a hung-up tty reads as end of file
            throw ESerialDeviceError(TSerialStep::Read, path_, EIO);
        if (errno != EINTR && errno != EAGAIN)
            throw ESerialDeviceError(TSerialStep::Read, path_, errno);
        wait = errno == EAGAIN;
    }
    return got;
}

int TPosixSerial::Write(const uint8_t* buffer, int count, int totalMs) {
    const auto deadline = after(Clock::now(), totalMs);
    int written = 0;
    while (written < count) {
        const ssize_t r = ::write(fd_, buffer + written, static_cast<size_t>(count - written));
        if (r > 0) {
            written += static_cast<int>(r);
            continue;
        }
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 && errno != EAGAIN)
            throw ESerialDeviceError(TSerialStep::Write, path_, errno);
        int error = 0;
        const TWait w = waitFor(POLLOUT, deadline, error);
        if (w == TWait::TimedOut)
            break;
        if (w == TWait::HungUp)
            throw ESerialDeviceError(TSerialStep::Write, path_, error);
    }
    return written;
}
