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

// Where the help looks. By default every folder lies below the system root, which the
// environment variable QUORVIN_SYSROOT moves (a fake computer in a test folder); the look-ups
// left empty read that root's files: etc/group, etc/passwd and proc/self/status. Tests may also
// replace a look-up with fake data.
struct TPortHelpSystem {
    TPortHelpSystem(); // below QUORVIN_SYSROOT, else the running system
    explicit TPortHelpSystem(const std::string& root);

    std::string DevRoot = "/dev";   // the serial devices; serial/by-id holds the stable names
    std::string SysRoot = "/sys";   // class/tty/<name>: the UART type, the driver, its latency
    std::string ProcRoot = "/proc"; // <pid>/fd, <pid>/comm: who holds a device; self/status
    std::string EtcRoot = "/etc";   // group and passwd

    std::function<bool(const std::string&, struct stat&)> Stat; // a device's owner and mode
    std::function<std::string()> UserName;                      // the user running the program
    std::function<std::optional<TGroupEntry>(gid_t)> Group;     // a group by number
    std::function<std::optional<gid_t>(const std::string&)> PrimaryGroup; // the user's own
    std::function<std::vector<gid_t>()> SessionGroups; // the groups this process has

    // The environment's root: QUORVIN_SYSROOT when set, else "/".
    static std::string EnvironmentRoot();
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

// A name to open a serial device by, and the tty it reaches ("" for a tty itself).
struct TSerialDeviceName {
    std::string Path; // /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0
    std::string Tty;  // /dev/ttyUSB0
    // "Path (ttyUSB0)" for a stable name, the path alone for a tty.
    std::string Text() const;
};

// The stable names of /dev/serial/by-id first (by name, each with its tty), then the devices
// present. A stable name keeps working when the adapter moves to another USB socket.
std::vector<TSerialDeviceName> SerialDeviceNames(const TPortHelpSystem& system = TPortHelpSystem());
