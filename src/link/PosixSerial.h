#pragma once
#include "link/SerialDevice.h"

#include <atomic>
#include <chrono>
#include <string>

// A serial device on a POSIX tty (a UART, a USB adapter or a pseudo-terminal): opened
// non-blocking and exclusive (TIOCEXCL and an flock, which also holds against root), with every
// wait a poll() against a deadline on the monotonic clock.
class TPosixSerial : public TSerialDevice {
public:
    TPosixSerial() = default;
    ~TPosixSerial() override;
    TPosixSerial(const TPosixSerial&) = delete;
    TPosixSerial& operator=(const TPosixSerial&) = delete;

    void Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    void Configure(const TLineSettings& line) override;
    void SetModemLines(bool dtr, bool rts) override;
    void Purge() override;
    int Read(uint8_t* buffer, int count, const TReadLimits& limits) override;
    int Write(const uint8_t* buffer, int count, int totalMs) override;
    void Interrupt(bool on) override;

private:
    enum class TWait { Ready, TimedOut, HungUp };
    // Waits for the descriptor to become readable or writable until the deadline; an interrupt
    // ends the wait as a time-out.
    TWait waitFor(short events, std::chrono::steady_clock::time_point deadline, int& error);

    int fd_ = -1;
    int wakeFd_ = -1; // an eventfd that an interrupt makes readable
    std::atomic<bool> interrupted_{false};
    std::chrono::steady_clock::time_point lastByte_{}; // when a read last got bytes
    std::string path_;
    std::chrono::nanoseconds byteTime_{0}; // one character on the line; 0 = not configured
};
