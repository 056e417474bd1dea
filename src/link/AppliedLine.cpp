#include "link/AppliedLine.h"

#include "link/SerialLine.h"

#include <asm/termbits.h>
#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Closes the descriptor on every way out.
class TFd {
public:
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int dataBits(tcflag_t cflag) {
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

char parity(tcflag_t cflag) {
    if (!(cflag & PARENB))
        return 'N';
    if (cflag & CMSPAR)
        return (cflag & PARODD) ? 'M' : 'S';
    return (cflag & PARODD) ? 'O' : 'E';
}

} // namespace

TAppliedLine ReadAppliedLine(const std::string& device, const TLineSettings& asked) {
    const TFd fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        throw ESerialDeviceError(TSerialStep::Open, device, errno);
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        throw ESerialDeviceError(TSerialStep::Open, device, errno == EWOULDBLOCK ? EBUSY : errno);
    ConfigureSerialLine(fd.get(), device, asked);

    termios2 tio{};
    if (ioctl(fd.get(), TCGETS2, &tio) != 0)
        throw ESerialDeviceError(TSerialStep::GetState, device, errno);
    TAppliedLine applied;
    applied.Line.Baud = static_cast<int>(tio.c_ospeed);
    applied.Line.DataBits = dataBits(tio.c_cflag);
    applied.Line.Parity = parity(tio.c_cflag);
    applied.Line.StopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    serial_struct serial{};
    if (ioctl(fd.get(), TIOCGSERIAL, &serial) == 0) {
        applied.LowLatencyKnown = true;
        applied.LowLatency = (serial.flags & ASYNC_LOW_LATENCY) != 0;
    }
    return applied;
}
