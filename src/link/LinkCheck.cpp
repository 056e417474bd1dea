#include "link/LinkCheck.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr size_t maxNamedHolders = 3;
const std::vector<std::string> adapterDaemons{"brltty", "ModemManager"};

std::string readFirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool allDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// The process folders of the proc root, by number.
std::vector<std::pair<int, fs::path>> processes(const TPortHelpSystem& system) {
    std::vector<std::pair<int, fs::path>> found;
    std::error_code error;
    for (fs::directory_iterator p(system.ProcRoot, error), end; !error && p != end;
         p.increment(error)) {
        const std::string name = p->path().filename().string();
        if (allDigits(name) && name.size() < 10)
            found.emplace_back(std::stoi(name), p->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The kernel shows open devices by their canonical path; the name is compared first, so that
// only a likely match costs a look at the file itself.
bool sameDevice(const fs::path& target, const std::string& device) {
    if (target == device)
        return true;
    if (target.filename() != fs::path(device).filename())
        return false;
    std::error_code error;
    return fs::equivalent(target, device, error);
}

// The number of a pseudo-terminal's slave (/dev/pts/N); -1 for other devices.
int ptyIndex(const std::string& device) {
    const fs::path path(device);
    const std::string name = path.filename().string();
    return path.parent_path().filename() == "pts" && allDigits(name) && name.size() < 10
               ? std::stoi(name)
               : -1;
}

// Whether the open file fd of a process is the master side of pseudo-terminal index.
bool isPtyMaster(const fs::path& fd, const fs::path& target, int index) {
    if (target.filename() != "ptmx")
        return false;
    std::ifstream info(fd.parent_path().parent_path() / "fdinfo" / fd.filename());
    const std::string key = "tty-index:";
    for (std::string line; std::getline(info, line);) {
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10) == index;
    }
    return false;
}

// Whether the process holds the device (holds) and the pseudo-terminal's other side (peer).
void scanFds(const fs::path& process, const std::string& device, int index, bool& holds,
             bool& peer) {
    std::error_code error;
    for (fs::directory_iterator fd(process / "fd", error), end; !error && fd != end;
         fd.increment(error)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(fd->path(), linkError);
        if (linkError)
            continue;
        holds = holds || sameDevice(target, device);
        peer = peer || (index >= 0 && isPtyMaster(fd->path(), target, index));
    }
}

// The USB vendor and product of the adapter behind a tty, from the USB device above it.
std::pair<std::string, std::string> usbIds(const std::string& tty, const TPortHelpSystem& system) {
    std::error_code error;
    fs::path at = fs::canonical(fs::path(system.SysRoot) / "class/tty" / tty / "device", error);
    for (int up = 0; !error && up < 4 && !at.empty(); ++up, at = at.parent_path()) {
        const std::string vendor = readFirstLine(at / "idVendor");
        const std::string product = readFirstLine(at / "idProduct");
        if (!vendor.empty() && !product.empty())
            return {vendor, product};
    }
    return {};
}

std::vector<std::string> modemManagerAdvice(const std::string& device,
                                            const TPortHelpSystem& system) {
    std::vector<std::string> lines{
        "ModemManager is running: it tries modem commands on serial adapters as they are plugged "
        "in.",
        "Without a modem: sudo systemctl disable --now ModemManager"};
    const auto [vendor, product] = usbIds(fs::path(TtyBehind(device)).filename().string(), system);
    if (!vendor.empty()) {
        lines.push_back("Or keep it off this adapter with a line in "
                        "/etc/udev/rules.d/75-quorvin-no-modem.rules:");
        lines.push_back("ATTRS{idVendor}==\"" + vendor + "\", ATTRS{idProduct}==\"" + product +
                        "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"");
    }
    return lines;
}

} // namespace

std::string TtyBehind(const std::string& device) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(device, error)))
        return device;
    const fs::path target = fs::canonical(device, error);
    return error ? device : target.string();
}

std::vector<TPortHolder> PortHolders(const std::string& device, THolderScan scan,
                                     const TPortHelpSystem& system) {
    const std::string tty = TtyBehind(device);
    const int index = scan == THolderScan::Others ? ptyIndex(tty) : -1;
    std::vector<TPortHolder> found;
    for (const auto& [pid, folder] : processes(system)) {
        if (scan == THolderScan::Others && pid == getpid())
            continue;
        bool holds = false, peer = false;
        scanFds(folder, tty, index, holds, peer);
        if (!holds || peer)
            continue;
        const std::string name = readFirstLine(folder / "comm");
        found.push_back({pid, name.empty() ? std::string("a program") : name});
    }
    return found;
}

std::string HolderList(const std::vector<TPortHolder>& holders) {
    std::string list;
    for (size_t i = 0; i < holders.size() && i < maxNamedHolders; ++i)
        list +=
            (i == 0 ? "" : ", ") + holders[i].Program + " (" + std::to_string(holders[i].Pid) + ")";
    return list;
}

std::vector<std::string> RunningAdapterDaemons(const TPortHelpSystem& system) {
    std::vector<std::string> running;
    for (const auto& process : processes(system)) {
        const std::string name = readFirstLine(process.second / "comm");
        if (std::find(adapterDaemons.begin(), adapterDaemons.end(), name) != adapterDaemons.end() &&
            std::find(running.begin(), running.end(), name) == running.end())
            running.push_back(name);
    }
    // In a fixed order, whatever the process numbers.
    std::sort(running.begin(), running.end(), [](const std::string& a, const std::string& b) {
        return std::find(adapterDaemons.begin(), adapterDaemons.end(), a) <
               std::find(adapterDaemons.begin(), adapterDaemons.end(), b);
    });
    return running;
}

std::vector<std::string> AdapterDaemonAdvice(const std::string& daemon, const std::string& device,
                                             const TPortHelpSystem& system) {
    if (daemon == "brltty")
        return {"brltty (a braille display daemon) is running: it takes some USB-serial adapters "
                "for itself.",
                "Without a braille display: sudo apt remove brltty, then plug the adapter in "
                "again."};
    if (daemon == "ModemManager")
        return modemManagerAdvice(device, system);
    return {};
}

TDriverLatency DriverLatency(const std::string& device, const TPortHelpSystem& system) {
    TDriverLatency latency;
    latency.Tty = fs::path(TtyBehind(device)).filename().string();
    const fs::path port = fs::path(system.SysRoot) / "class/tty" / latency.Tty / "device";
    const std::string text = readFirstLine(port / "latency_timer");
    char* end = nullptr;
    const long ms = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || ms < 0)
        return latency;
    latency.Known = true;
    latency.Ms = static_cast<int>(std::min(ms, 1000L));
    std::error_code error;
    latency.Driver = fs::read_symlink(port / "driver", error).filename().string();
    return latency;
}

std::vector<std::string> LatencyAdvice(const TDriverLatency& latency) {
    if (!latency.Known || latency.Ms <= GoodLatencyMs)
        return {};
    const std::string driver = latency.Driver.empty() ? "ftdi_sio" : latency.Driver;
    return {
        "Driver latency: " + latency.Tty + " passes received bytes on only every " +
            std::to_string(latency.Ms) + " ms, which slows every reply.",
        "Fix now: echo 1 | sudo tee /sys/bus/usb-serial/devices/" + latency.Tty + "/latency_timer",
        "Fix for good: this line in /etc/udev/rules.d/99-usb-serial-latency.rules, then replug:",
        "ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"" + driver +
            "\", ATTR{latency_timer}=\"1\""};
}

std::vector<std::string> OpenedPortAdvice(const std::string& device,
                                          const TPortHelpSystem& system) {
    std::vector<std::string> lines;
    const std::vector<TPortHolder> holders = PortHolders(device, THolderScan::Others, system);
    if (!holders.empty()) {
        lines.push_back("Another program has " + device + " open too: " + HolderList(holders) +
                        ". It takes bytes meant for Quorvin: close it.");
        std::vector<std::string> named;
        for (const TPortHolder& holder : holders) {
            if (std::find(named.begin(), named.end(), holder.Program) != named.end())
                continue;
            named.push_back(holder.Program);
            for (const std::string& line : AdapterDaemonAdvice(holder.Program, device, system))
                lines.push_back(line);
        }
    }
    for (const std::string& line : LatencyAdvice(DriverLatency(device, system)))
        lines.push_back(line);
    return lines;
}
