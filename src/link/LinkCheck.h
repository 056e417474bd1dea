#pragma once
// The look-ups behind the serial-link doctor: the tty behind a stable device name, the programs
// that hold a device open, daemons known to take USB-serial adapters, the driver's latency, and
// the users and groups of the system root. Everything reads the folders of a TPortHelpSystem,
// so a test points them at a fake computer.
#include "link/PortHelp.h"

#include <string>
#include <vector>

// The device a path reaches through its symbolic links (a by-id name, a link of one's own); the
// path itself when it leads nowhere.
std::string TtyBehind(const std::string& device);

// A process that has a device open.
struct TPortHolder {
    int Pid = 0;
    std::string Program; // its command name; "a program" when it cannot be read
};

enum class THolderScan {
    All,    // every holder: the device would not open, whoever has it is named
    Others, // not this process, nor the one holding the pseudo-terminal's master side (its peer)
};

// The processes that have the device open, as far as this user may see, by process number.
std::vector<TPortHolder> PortHolders(const std::string& device, THolderScan scan,
                                     const TPortHelpSystem& system = TPortHelpSystem());
// "minicom (4321), screen (77)": at most the first three.
std::string HolderList(const std::vector<TPortHolder>& holders);

// Daemons known to claim USB-serial adapters ("brltty", "ModemManager") that are running.
std::vector<std::string> RunningAdapterDaemons(const TPortHelpSystem& system = TPortHelpSystem());
// What to do about one of them; device names the adapter for a rule that spares it. Empty for a
// program that is not such a daemon.
std::vector<std::string> AdapterDaemonAdvice(const std::string& daemon, const std::string& device,
                                             const TPortHelpSystem& system = TPortHelpSystem());

// The latency timer of a USB adapter's driver (FTDI): received bytes wait up to this long.
struct TDriverLatency {
    bool Known = false; // the driver shows one
    int Ms = 0;
    std::string Tty;    // ttyUSB0
    std::string Driver; // ftdi_sio
};
constexpr int GoodLatencyMs = 2; // above this a request/reply logger loses rate

TDriverLatency DriverLatency(const std::string& device,
                             const TPortHelpSystem& system = TPortHelpSystem());
// The console advice when the latency is above GoodLatencyMs: the command that fixes it now and
// the udev rule that fixes it for good. Empty otherwise.
std::vector<std::string> LatencyAdvice(const TDriverLatency& latency);

// The advice for a device just opened: other programs that hold it too (and would take the
// module's replies), and a driver latency that costs rate. Empty when all is well.
std::vector<std::string> OpenedPortAdvice(const std::string& device,
                                          const TPortHelpSystem& system = TPortHelpSystem());
