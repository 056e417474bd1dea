#pragma once
// A computer of a test's making below a real temporary folder: devices and their stable names,
// the sysfs entries of USB adapters, processes with their open files, users and groups. Point
// TPortHelpSystem(Root()) or QUORVIN_SYSROOT at it.
#include "support/TempDir.h"

#include <filesystem>
#include <string>
#include <vector>

class FakeRoot {
public:
    FakeRoot() {
        for (const char* folder : {"dev", "sys/class/tty", "proc", "etc"})
            std::filesystem::create_directories(dir.Path() / folder);
    }
    std::string Root() const { return dir.Path().string(); }
    std::string Dev(const std::string& name) const { return dir.File("dev/" + name); }

    // A device node (a plain file does for the look-ups).
    std::string AddDevice(const std::string& name) { return dir.Write("dev/" + name, ""); }
    // A stable name in dev/serial/by-id for a device, as udev makes it (a relative link).
    std::string AddById(const std::string& name, const std::string& device) {
        std::filesystem::create_directories(dir.Path() / "dev/serial/by-id");
        const std::filesystem::path link = dir.Path() / "dev/serial/by-id" / name;
        std::filesystem::create_symlink("../../" + device, link);
        return link.string();
    }
    // A USB adapter's tty in sysfs: the device link into the USB tree, the driver, the latency
    // timer (none when empty) and the USB ids.
    void AddUsbTty(const std::string& tty, const std::string& driver, const std::string& latency,
                   const std::string& vendor = "0403", const std::string& product = "6001") {
        const std::string usb = "sys/devices/pci0000:00/usb1/1-2";
        const std::string port = usb + "/1-2:1.0/" + tty;
        std::filesystem::create_directories(dir.Path() / port);
        std::filesystem::create_directories(dir.Path() / "sys/bus/usb-serial/drivers" / driver);
        std::filesystem::create_symlink("../../../../../../bus/usb-serial/drivers/" + driver,
                                        dir.Path() / port / "driver");
        if (!latency.empty())
            dir.Write(port + "/latency_timer", latency + "\n");
        dir.Write(usb + "/idVendor", vendor + "\n");
        dir.Write(usb + "/idProduct", product + "\n");
        std::filesystem::create_directories(dir.Path() / "sys/class/tty" / tty);
        std::filesystem::create_symlink("../../../devices/pci0000:00/usb1/1-2/1-2:1.0/" + tty,
                                        dir.Path() / "sys/class/tty" / tty / "device");
    }
    // A process with its command name; Open gives it open files.
    void AddProcess(int pid, const std::string& comm) {
        std::filesystem::create_directories(process(pid) / "fd");
        std::filesystem::create_directories(process(pid) / "fdinfo");
        dir.Write("proc/" + std::to_string(pid) + "/comm", comm + "\n");
    }
    // The process has target open as fd; info is its fdinfo text.
    void Open(int pid, int fd, const std::string& target, const std::string& info = "") {
        std::filesystem::create_symlink(target, process(pid) / "fd" / std::to_string(fd));
        dir.Write("proc/" + std::to_string(pid) + "/fdinfo/" + std::to_string(fd),
                  "pos:\t0\nflags:\t02\n" + info);
    }
    // This process's status: effective user and group, and its supplementary groups.
    void SetSelf(int uid, int gid, const std::vector<int>& groups) {
        std::string list;
        for (int g : groups)
            list += std::to_string(g) + " ";
        dir.Write("proc/self/status", "Name:\ttest\nUid:\t" + std::to_string(uid) + "\t" +
                                          std::to_string(uid) + "\t" + std::to_string(uid) + "\t" +
                                          std::to_string(uid) + "\nGid:\t" + std::to_string(gid) +
                                          "\t" + std::to_string(gid) + "\t0\t0\nGroups:\t" + list +
                                          "\n");
    }
    void SetEtc(const std::string& name, const std::string& contents) {
        dir.Write("etc/" + name, contents);
    }

    TempDir dir;

private:
    std::filesystem::path process(int pid) const {
        return dir.Path() / "proc" / std::to_string(pid);
    }
};
