#pragma once
// The self-test of a serial link: is the device there and free, what did its driver make of the
// line settings, does the interface answer the probe, and how long does the driver hold back
// received bytes. It sends nothing to the module beyond the interface probe.
#include "link/PortHelp.h"
#include "link/SerialDevice.h"

#include <functional>
#include <string>
#include <vector>

class TRS232;

struct TSelfTestSetup {
    bool Aldl8192 = true; // an 8192 baud interface, which echoes; else a 160 baud one
    TPortHelpFor Reader = TPortHelpFor::Runner;
    // The interface probe on the opened link (the echo check of the interface detection): true
    // when the probe came back as sent.
    std::function<bool()> Probe;
    std::function<void(const std::string&)> Say; // one line of the report
};

struct TLinkSelfTest {
    bool Usable = false;
    std::vector<std::string> Reasons; // why not, one line each
};

// Tests the link's device with the link's settings (line, Max232 echo, DTR and RTS) and reports
// each finding through setup.Say, then the verdict with its reasons. Closes the link first and
// leaves it closed.
TLinkSelfTest RunLinkSelfTest(TRS232& link, const TSelfTestSetup& setup,
                              const TPortHelpSystem& system = TPortHelpSystem());

// What is wrong with the line a driver applied for the one asked: a rate more than 2.5 % off
// the bus's (8192 for the 8228 asked; the module would not understand it) or other framing.
// Empty when it will do.
std::vector<std::string> AppliedLineFaults(const TLineSettings& asked,
                                           const TLineSettings& applied);
