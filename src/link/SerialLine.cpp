#include "link/SerialLine.h"

#include <asm/termbits.h>
#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <utility>

namespace {

[[noreturn]] void fail(TSerialStep step, const std::string& device, int error) {
    throw ESerialDeviceError(step, device, error);
}

// Character size bits, or 0 when the device cannot frame that many data bits.
tcflag_t sizeFlag(int dataBits) {
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    case 8:
        return CS8;
    default:
        return 0;
    }
}

bool parityFlags(char parity, tcflag_t& flags) {
    switch (parity) {
    case 'N':
        flags = 0;
        return true;
    case 'E':
        flags = PARENB;
        return true;
    case 'O':
        flags = PARENB | PARODD;
        return true;
    case 'M':
        flags = PARENB | CMSPAR | PARODD;
        return true;
    case 'S':
        flags = PARENB | CMSPAR;
        return true;
    default:
        return false;
    }
}

// Low latency hands received bytes on at once instead of after the driver's batching delay.
void askLowLatency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return;
    if (serial.flags & ASYNC_LOW_LATENCY)
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    (void)ioctl(fd, TIOCSSERIAL, &serial);
}

} // namespace

void ConfigureSerialLine(int fd, const std::string& device, const TLineSettings& line) {
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        fail(TSerialStep::GetState, device, errno);

    const tcflag_t size = sizeFlag(line.DataBits);
    tcflag_t parity = 0;
    if (!size || !parityFlags(line.Parity, parity) || line.Baud <= 0 ||
        (line.StopBits != 1 && line.StopBits != 2))
        fail(TSerialStep::BuildState, device, EINVAL);

    tio.c_iflag = IGNBRK; // no parity checking, no translation, no XON/XOFF
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CREAD | CLOCAL | size | parity | (line.StopBits == 2 ? CSTOPB : 0) | BOTHER |
                  (BOTHER << IBSHIFT);
    tio.c_ispeed = static_cast<speed_t>(line.Baud);
    tio.c_ospeed = static_cast<speed_t>(line.Baud);
    // One byte satisfies a read, so a read of 0 bytes means a hang-up; waits use poll().
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (ioctl(fd, TCSETS2, &tio) != 0)
        fail(TSerialStep::SetState, device, errno);
    askLowLatency(fd);
}

void SetSerialModemLines(int fd, const std::string& device, bool dtr, bool rts) {
    const int high = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    const int low = (dtr ? 0 : TIOCM_DTR) | (rts ? 0 : TIOCM_RTS);
    for (auto [request, bits] : {std::pair{TIOCMBIS, high}, std::pair{TIOCMBIC, low}}) {
        if (!bits || ioctl(fd, request, &bits) == 0)
            continue;
        if (errno == ENOTTY || errno == EINVAL)
            return; // no modem lines
        fail(TSerialStep::SetState, device, errno);
    }
}

void FlushSerialLine(int fd, const std::string& device) {
    if (ioctl(fd, TCFLSH, TCIOFLUSH) != 0)
        fail(TSerialStep::Purge, device, errno);
}

void SetSerialExclusive(int fd, bool exclusive) {
    (void)ioctl(fd, exclusive ? TIOCEXCL : TIOCNXCL);
}
