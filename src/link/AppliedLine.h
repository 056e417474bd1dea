#pragma once
// The line settings a serial driver really applied: drivers round a rate they cannot make
// exactly (8228 baud may come out as 8230, or as a standard rate on an old driver), and some
// ignore the low-latency request. Kept apart because it needs the kernel's termios2 header.
#include "link/SerialDevice.h"

#include <string>

struct TAppliedLine {
    TLineSettings Line;           // as the driver reports it
    bool LowLatencyKnown = false; // the driver shows its serial flags
    bool LowLatency = false;      // and low latency is among them
};

// Opens the device as the link does (exclusive, without waiting), sets the line as the link
// sets it, reads back what the driver applied and closes the device again. Throws
// ESerialDeviceError: Open when it cannot be opened, GetState when it is no terminal at all.
TAppliedLine ReadAppliedLine(const std::string& device, const TLineSettings& asked);
