#pragma once
// The termios2 side of the POSIX serial device. Its source needs <asm/termbits.h>, which clashes
// with <termios.h>, so nothing else includes the kernel's headers.
#include "link/SerialDevice.h"

#include <string>

// Sets raw mode and the line of line (any rate through BOTHER); asks the driver for low latency
// where it offers it. Throws ESerialDeviceError with GetState, BuildState or SetState.
void ConfigureSerialLine(int fd, const std::string& device, const TLineSettings& line);
// DTR and RTS high or low; ENOTTY/EINVAL (no modem lines, e.g. a pseudo-terminal) are ignored.
void SetSerialModemLines(int fd, const std::string& device, bool dtr, bool rts);
// Discards input and output queues; throws ESerialDeviceError with Purge.
void FlushSerialLine(int fd, const std::string& device);
// Exclusive use of the tty against further opens (TIOCEXCL) and its release before closing.
void SetSerialExclusive(int fd, bool exclusive);
