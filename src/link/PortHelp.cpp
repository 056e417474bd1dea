#include "link/PortHelp.h"

#include "link/LinkCheck.h"
#include "link/SystemUsers.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

namespace fs = std::filesystem;

namespace {

constexpr size_t lineWidth = 100;

// ---- Texts ----

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string chooseIn(TPortHelpFor reader) {
    return reader == TPortHelpFor::Window ? "Edit > Properties, tab Comms, Device" : "--device";
}

std::vector<std::string> withoutCar(TPortHelpFor reader) {
    if (reader == TPortHelpFor::Runner)
        return {"To try without a car: --sim instead of --device talks to a simulated module.",
                "With a port open, --test-mode makes up data without asking the module."};
    std::vector<std::string> lines{
        "To try Quorvin without a car: quorvin --demo starts it with a simulated module."};
    lines.push_back(reader == TPortHelpFor::Window
                        ? "Or run ecm-sim --chatter and enter the path it prints as Device in "
                          "Edit > Properties, tab Comms."
                        : "Or run ecm-sim --chatter and start Quorvin with --device and the path "
                          "it prints.");
    lines.push_back(
        "Once a port is open, View > Macro test mode makes up data without asking the module.");
    return lines;
}

// "Serial devices found: a, b, c", wrapped into lines of about the console's width.
std::vector<std::string> deviceList(const std::vector<std::string>& devices) {
    std::vector<std::string> lines{"Serial devices found:"};
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::string item = " " + devices[i] + (i + 1 < devices.size() ? "," : ".");
        if (lines.back().size() + item.size() > lineWidth)
            lines.emplace_back(" ");
        lines.back() += item;
    }
    return lines;
}

// ---- Look-ups ----

std::string readFirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// A ttyS node exists for every possible UART; only those with a known type are ports.
bool isUart(const TPortHelpSystem& system, const std::string& name) {
    const std::string type = readFirstLine(fs::path(system.SysRoot) / "class/tty" / name / "type");
    return !type.empty() && std::strtol(type.c_str(), nullptr, 10) != 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return a == b || fs::equivalent(a, b, error);
}

// ---- The cases ----

std::vector<std::string> permissionAdvice(const std::string& device,
                                          const TPortHelpSystem& system) {
    const std::string user = system.UserName ? system.UserName() : RootUserName(system);
    const std::string askAdmin =
        "Ask whoever looks after this computer to let user " + quoted(user) + " use it.";
    struct stat st {};
    const bool known = system.Stat ? system.Stat(device, st) : ::stat(device.c_str(), &st) == 0;
    if (!known)
        return {"You may not use " + device + ".", askAdmin};

    const gid_t gid = st.st_gid;
    const std::optional<TGroupEntry> entry =
        system.Group ? system.Group(gid) : RootGroup(gid, system);
    const std::string name = entry ? entry->Name : std::to_string(gid);
    // Joining the group helps only when the group may read and write, and never for root's.
    const bool groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP) && gid != 0;
    if (!groupMayUse)
        return {"You may not use " + device + ", and joining its group " + quoted(name) +
                    " would not help.",
                askAdmin};

    const std::vector<gid_t> session =
        system.SessionGroups ? system.SessionGroups() : RootSessionGroups(system);
    if (std::find(session.begin(), session.end(), gid) != session.end())
        return {"You may not use " + device + ", although user " + quoted(user) +
                    " is in its group " + quoted(name) + ".",
                "Ask whoever looks after this computer to let the group " + quoted(name) +
                    " read and write it."};

    const bool listed =
        (entry &&
         std::find(entry->Members.begin(), entry->Members.end(), user) != entry->Members.end()) ||
        (system.PrimaryGroup ? system.PrimaryGroup(user) : RootPrimaryGroup(user, system)) ==
            std::optional<gid_t>(gid);
    if (listed)
        return {"You may not use " + device + " yet: user " + quoted(user) + " joined its group " +
                    quoted(name) + " after logging in.",
                "Fix: log out and log in again (or restart the computer)."};
    return {"You may not use " + device + ": it belongs to the group " + quoted(name) +
                " and user " + quoted(user) + " is not a member.",
            "Fix: sudo adduser " + user + " " + name + ", then log out and log in again."};
}

// The daemons known to take adapters that are running, with what to do about each.
void addDaemonAdvice(std::vector<std::string>& lines, const std::string& device,
                     const std::vector<std::string>& daemons, const TPortHelpSystem& system) {
    for (const std::string& daemon : daemons) {
        for (const std::string& line : AdapterDaemonAdvice(daemon, device, system))
            lines.push_back(line);
    }
}

std::vector<std::string> missingAdvice(const std::string& device, TPortHelpFor reader,
                                       const TPortHelpSystem& system) {
    std::error_code error;
    const bool exists = fs::exists(fs::symlink_status(device, error));
    std::vector<std::string> others;
    bool stableNames = false;
    for (const TSerialDeviceName& found : SerialDeviceNames(system)) {
        if (!sameFile(found.Path, device)) {
            others.push_back(found.Text());
            stableNames = stableNames || !found.Tty.empty();
        }
    }
    std::vector<std::string> lines{exists ? device + " has no serial port behind it."
                                          : "There is no serial device " + device + "."};
    // A braille daemon takes some adapters away as they are plugged in: they vanish.
    const std::vector<std::string> daemons = RunningAdapterDaemons(system);
    if (std::find(daemons.begin(), daemons.end(), "brltty") != daemons.end())
        addDaemonAdvice(lines, device, {"brltty"}, system);
    if (others.empty()) {
        lines.push_back("No serial device was found on this computer.");
        lines.push_back(reader == TPortHelpFor::Window
                            ? "Plug in the USB-serial adapter, then pick it in " +
                                  chooseIn(reader) + "."
                        : reader == TPortHelpFor::Runner
                            ? "Plug in the USB-serial adapter, then run again."
                            : "Plug in the USB-serial adapter, then start Quorvin again.");
        for (const std::string& line : withoutCar(reader))
            lines.push_back(line);
        return lines;
    }
    for (const std::string& line : deviceList(others))
        lines.push_back(line);
    if (stableNames)
        lines.push_back("A /dev/serial/by-id name stays the same when the adapter moves to "
                        "another USB socket.");
    lines.push_back(reader == TPortHelpFor::Window ? "Pick one in " + chooseIn(reader) + "."
                    : reader == TPortHelpFor::Runner
                        ? std::string("Give one of them with --device.")
                        : std::string("Start Quorvin with --device and one of them."));
    return lines;
}

std::vector<std::string> busyAdvice(const std::string& device, TPortHelpFor reader,
                                    const TPortHelpSystem& system) {
    const std::vector<TPortHolder> holders = PortHolders(device, THolderScan::All, system);
    const std::string list = HolderList(holders);
    std::vector<std::string> lines{
        "Another program is using " + device + (list.empty() ? "" : ": " + list) + ".",
        reader == TPortHelpFor::Window
            ? "Close that program, then pick the device again in " + chooseIn(reader) + "."
            : std::string("Close that program, then try again.")};
    std::vector<std::string> daemons;
    for (const TPortHolder& holder : holders) {
        if (std::find(daemons.begin(), daemons.end(), holder.Program) == daemons.end())
            daemons.push_back(holder.Program);
    }
    addDaemonAdvice(lines, device, daemons, system);
    return lines;
}

} // namespace

TPortHelpSystem::TPortHelpSystem() : TPortHelpSystem(EnvironmentRoot()) {}

TPortHelpSystem::TPortHelpSystem(const std::string& root)
    : DevRoot((fs::path(root) / "dev").string()), SysRoot((fs::path(root) / "sys").string()),
      ProcRoot((fs::path(root) / "proc").string()), EtcRoot((fs::path(root) / "etc").string()) {}

std::string TPortHelpSystem::EnvironmentRoot() {
    const char* root = std::getenv("QUORVIN_SYSROOT");
    return root && *root ? root : "/";
}

std::vector<std::string> SerialDevicesPresent(const TPortHelpSystem& system) {
    static const std::regex pattern("(ttyUSB|ttyACM|rfcomm|ttyS)([0-9]+)");
    static const std::vector<std::string> stems{"ttyUSB", "ttyACM", "rfcomm", "ttyS"};
    struct Found {
        size_t stem;
        long number;
        std::string name;
    };
    std::vector<Found> found;
    std::error_code error;
    for (fs::directory_iterator entry(system.DevRoot, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::smatch match;
        if (!std::regex_match(name, match, pattern))
            continue;
        if (match[1] == "ttyS" && !isUart(system, name))
            continue;
        const size_t stem = static_cast<size_t>(
            std::find(stems.begin(), stems.end(), match[1].str()) - stems.begin());
        found.push_back({stem, std::strtol(match[2].str().c_str(), nullptr, 10), name});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.stem != b.stem ? a.stem < b.stem : a.number < b.number;
    });
    std::vector<std::string> paths;
    for (const Found& f : found)
        paths.push_back((fs::path(system.DevRoot) / f.name).string());
    return paths;
}

std::vector<std::string> PortAdvice(const std::string& device, int error, TPortHelpFor reader,
                                    const TPortHelpSystem& system) {
    switch (error) {
    case EACCES:
    case EPERM:
        return permissionAdvice(device, system);
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return missingAdvice(device, reader, system);
    case EIO: {
        // A ttyS node without a UART behind it fails this way; a real port's EIO says nothing.
        const std::vector<std::string> present = SerialDevicesPresent(system);
        const bool isPort = std::any_of(present.begin(), present.end(),
                                        [&](const std::string& p) { return sameFile(p, device); });
        return isPort ? std::vector<std::string>() : missingAdvice(device, reader, system);
    }
    case EBUSY:
        return busyAdvice(device, reader, system);
    default:
        return {};
    }
}

std::string TSerialDeviceName::Text() const {
    return Tty.empty() ? Path : Path + " (" + fs::path(Tty).filename().string() + ")";
}

std::vector<TSerialDeviceName> SerialDeviceNames(const TPortHelpSystem& system) {
    std::vector<TSerialDeviceName> names;
    std::error_code error;
    const fs::path byId = fs::path(system.DevRoot) / "serial/by-id";
    for (fs::directory_iterator entry(byId, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string path = entry->path().string();
        const std::string tty = TtyBehind(path);
        if (tty != path) // a link whose device has gone is no name to pick
            names.push_back({path, tty});
    }
    std::sort(
        names.begin(), names.end(),
        [](const TSerialDeviceName& a, const TSerialDeviceName& b) { return a.Path < b.Path; });
    for (const std::string& path : SerialDevicesPresent(system))
        names.push_back({path, ""});
    return names;
}
