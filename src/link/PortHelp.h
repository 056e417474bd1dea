#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Plain-words help for a serial port that would not open: who may use the device and how to join
// its group, which serial devices this computer has, how to try the program without a car, and
// what to do when another program holds the device.

// A group of the group database.
struct TGroupEntry {
    std::string Name;
    std::vector<std::string> Members; // the users listed as members (not those with it as primary)
};

// Where the help looks. The defaults are the running system; tests point the folders at temporary
// ones and replace the look-ups with fake data.
struct TPortHelpSystem {
    TPortHelpSystem(); // the real system

    std::string DevRoot = "/dev";   // the serial devices
    std::string SysRoot = "/sys";   // class/tty/ttyS<n>/type: the UART type, 0 = none
    std::string ProcRoot = "/proc"; // <pid>/fd and <pid>/comm: who holds a device

    std::function<bool(const std::string&, struct stat&)> Stat; // a device's owner and mode
    std::function<std::string()> UserName;                      // the user running the program
    std::function<std::optional<TGroupEntry>(gid_t)> Group;     // getgrgid
    std::function<std::optional<gid_t>(const std::string&)> PrimaryGroup; // the user's, getpwnam
    std::function<std::vector<gid_t>()> SessionGroups; // the groups this process has, getgroups
};

// Who reads the help: it names the place where a device is chosen.
enum class TPortHelpFor {
    Window,             // the device comes from Edit > Properties
    WindowDeviceOption, // the window was started with --device PATH
    Runner,             // the headless runner (quorvin-run)
};

// The advice lines for a device whose opening failed with the errno error; empty when there is
// nothing useful to add.
std::vector<std::string> PortAdvice(const std::string& device, int error,
                                    TPortHelpFor reader = TPortHelpFor::Window,
                                    const TPortHelpSystem& system = TPortHelpSystem());

// The serial devices present: ttyUSB*, ttyACM*, rfcomm* and the ttyS* that are real UARTs, in
// that order and by number.
std::vector<std::string> SerialDevicesPresent(const TPortHelpSystem& system = TPortHelpSystem());
