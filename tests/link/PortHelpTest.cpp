// The help for a port that would not open, over fake /dev, /sys and /proc folders and fake user
// and group data; and the link remembering why its last open failed.
#include "link/PortHelp.h"

#include "common/Errors.h"
#include "ecm-sim/EcmSim.h"
#include "link/PosixSerial.h"
#include "link/RS232.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

constexpr gid_t dialout = 20;
constexpr gid_t annGroup = 1000;

// A computer of the test's making: its devices, UART types, processes, users and groups.
class FakeComputer {
public:
    FakeComputer() {
        fs::create_directories(dir.Path() / "dev");
        fs::create_directories(dir.Path() / "sys/class/tty");
        fs::create_directories(dir.Path() / "proc");
        system.DevRoot = dir.File("dev");
        system.SysRoot = dir.File("sys");
        system.ProcRoot = dir.File("proc");
        system.Stat = [this](const std::string& path, struct stat& st) {
            if (::stat(path.c_str(), &st) != 0)
                return false;
            if (owners.count(path)) {
                st.st_gid = owners[path].first;
                st.st_mode = (st.st_mode & ~mode_t(0777)) | owners[path].second;
            }
            return true;
        };
        system.UserName = [] { return std::string("ann"); };
        system.Group = [this](gid_t gid) -> std::optional<TGroupEntry> {
            if (!groups.count(gid))
                return std::nullopt;
            return groups[gid];
        };
        system.PrimaryGroup = [this](const std::string& user) -> std::optional<gid_t> {
            return user == "ann" ? std::optional<gid_t>(primary) : std::nullopt;
        };
        system.SessionGroups = [this] { return session; };
        groups[0] = {"root", {}};
        groups[dialout] = {"dialout", {"bob"}};
        groups[annGroup] = {"ann", {}};
    }

    std::string Dev(const std::string& name) const { return dir.File("dev/" + name); }
    // A device node (a plain file will do); ttyS<n> gets its UART type.
    void AddDevice(const std::string& name, int uartType = 4) {
        dir.Write("dev/" + name, "");
        if (name.rfind("ttyS", 0) == 0) {
            fs::create_directories(dir.Path() / "sys/class/tty" / name);
            dir.Write("sys/class/tty/" + name + "/type", std::to_string(uartType) + "\n");
        }
    }
    void Own(const std::string& name, gid_t gid, mode_t mode) { owners[Dev(name)] = {gid, mode}; }
    // A process that holds the device open.
    void Hold(const std::string& name, int pid, const std::string& program) {
        const fs::path process = dir.Path() / "proc" / std::to_string(pid);
        fs::create_directories(process / "fd");
        dir.Write("proc/" + std::to_string(pid) + "/comm", program + "\n");
        fs::create_symlink(Dev(name), process / "fd/3");
    }

    TempDir dir;
    TPortHelpSystem system;
    std::map<std::string, std::pair<gid_t, mode_t>> owners;
    std::map<gid_t, TGroupEntry> groups;
    gid_t primary = annGroup;
    std::vector<gid_t> session{annGroup};
};

struct Case {
    const char* name;
    std::function<void(FakeComputer&)> arrange;
    const char* device; // below the fake /dev
    int error;
    TPortHelpFor reader;
    Lines expected; // "{dev}" stands for the fake /dev
};

// The devices a laptop with an adapter on Bluetooth and USB shows, and the nodes that are no ports.
void manyDevices(FakeComputer& c) {
    c.AddDevice("ttyS10");
    c.AddDevice("ttyS0");
    c.AddDevice("ttyS1", 0); // a node without a UART
    c.AddDevice("ttyUSB1");
    c.AddDevice("rfcomm0");
    c.AddDevice("ttyACM0");
    c.AddDevice("tty1");
    c.AddDevice("console");
    c.AddDevice("ttyUSBx");
}

void noDevices(FakeComputer& c) {
    c.AddDevice("ttyS0", 0);
    c.AddDevice("ttyS1", 0);
    c.AddDevice("tty0");
}

void adapterOfDialout(FakeComputer& c) {
    c.AddDevice("ttyUSB0");
    c.Own("ttyUSB0", dialout, 0660);
}

const Lines windowWithoutCar{
    "To try Quorvin without a car: quorvin --demo starts it with a simulated module.",
    "Or run ecm-sim --chatter and enter the path it prints as Device in Edit > Properties, tab "
    "Comms.",
    "Once a port is open, View > Macro test mode makes up data without asking the module."};

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

Lines join(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<Case> cases{
    {"PermissionDeniedAsNonMember",
     adapterOfDialout,
     "ttyUSB0",
     EACCES,
     TPortHelpFor::Window,
     {"You may not use {dev}/ttyUSB0: it belongs to the group \"dialout\" and user \"ann\" is "
      "not a member.",
      "Fix: sudo adduser ann dialout, then log out and log in again."}},
    {"MemberNotYetInTheSession",
     [](FakeComputer& c) {
         adapterOfDialout(c);
         c.groups[dialout].Members.push_back("ann");
     },
     "ttyUSB0",
     EACCES,
     TPortHelpFor::Window,
     {"You may not use {dev}/ttyUSB0 yet: user \"ann\" joined its group \"dialout\" after "
      "logging in.",
      "Fix: log out and log in again (or restart the computer)."}},
    {"PrimaryGroupNotYetInTheSession",
     [](FakeComputer& c) {
         adapterOfDialout(c);
         c.primary = dialout;
     },
     "ttyUSB0",
     EPERM,
     TPortHelpFor::Runner,
     {"You may not use {dev}/ttyUSB0 yet: user \"ann\" joined its group \"dialout\" after "
      "logging in.",
      "Fix: log out and log in again (or restart the computer)."}},
    {"DeniedAlthoughTheSessionHasTheGroup",
     [](FakeComputer& c) {
         adapterOfDialout(c);
         c.session.push_back(dialout);
     },
     "ttyUSB0",
     EACCES,
     TPortHelpFor::Window,
     {"You may not use {dev}/ttyUSB0, although user \"ann\" is in its group \"dialout\".",
      "Ask whoever looks after this computer to let the group \"dialout\" read and write it."}},
    {"GroupThatMayNotUseItEither",
     [](FakeComputer& c) {
         c.AddDevice("ttyUSB0");
         c.Own("ttyUSB0", dialout, 0600);
     },
     "ttyUSB0",
     EACCES,
     TPortHelpFor::Window,
     {"You may not use {dev}/ttyUSB0, and joining its group \"dialout\" would not help.",
      "Ask whoever looks after this computer to let user \"ann\" use it."}},
    {"RootsGroupIsNeverToJoin",
     [](FakeComputer& c) {
         c.AddDevice("ttyUSB0");
         c.Own("ttyUSB0", 0, 0660);
     },
     "ttyUSB0",
     EACCES,
     TPortHelpFor::Window,
     {"You may not use {dev}/ttyUSB0, and joining its group \"root\" would not help.",
      "Ask whoever looks after this computer to let user \"ann\" use it."}},
    {"GroupWithoutANameGoesByItsNumber",
     [](FakeComputer& c) {
         c.AddDevice("ttyACM0");
         c.Own("ttyACM0", 987, 0660);
     },
     "ttyACM0",
     EACCES,
     TPortHelpFor::Window,
     {"You may not use {dev}/ttyACM0: it belongs to the group \"987\" and user \"ann\" is not a "
      "member.",
      "Fix: sudo adduser ann 987, then log out and log in again."}},
    {"MissingDeviceWithNonePresent", noDevices, "ttyUSB0", ENOENT, TPortHelpFor::Window,
     join({"There is no serial device {dev}/ttyUSB0.",
           "No serial device was found on this computer.",
           "Plug in the USB-serial adapter, then pick it in Edit > Properties, tab Comms, Device."},
          windowWithoutCar)},
    {"MissingDeviceWithNonePresentStartedWithADevice",
     noDevices,
     "ttyUSB0",
     ENOENT,
     TPortHelpFor::WindowDeviceOption,
     {"There is no serial device {dev}/ttyUSB0.", "No serial device was found on this computer.",
      "Plug in the USB-serial adapter, then start Quorvin again.", windowWithoutCar[0],
      "Or run ecm-sim --chatter and start Quorvin with --device and the path it prints.",
      windowWithoutCar[2]}},
    {"MissingDeviceWithNonePresentInTheRunner",
     noDevices,
     "ttyUSB0",
     ENXIO,
     TPortHelpFor::Runner,
     {"There is no serial device {dev}/ttyUSB0.", "No serial device was found on this computer.",
      "Plug in the USB-serial adapter, then run again.",
      "To try without a car: --sim instead of --device talks to a simulated module.",
      "With a port open, --test-mode makes up data without asking the module."}},
    {"MissingDeviceWithOthersPresent",
     manyDevices,
     "ttyUSB0",
     ENOENT,
     TPortHelpFor::Window,
     {"There is no serial device {dev}/ttyUSB0.",
      "Serial devices found: {dev}/ttyUSB1, {dev}/ttyACM0, {dev}/rfcomm0, {dev}/ttyS0, "
      "{dev}/ttyS10.",
      "Pick one in Edit > Properties, tab Comms, Device."}},
    {"MissingDeviceWithOthersPresentInTheRunner",
     manyDevices,
     "ttyUSB0",
     ENODEV,
     TPortHelpFor::Runner,
     {"There is no serial device {dev}/ttyUSB0.",
      "Serial devices found: {dev}/ttyUSB1, {dev}/ttyACM0, {dev}/rfcomm0, {dev}/ttyS0, "
      "{dev}/ttyS10.",
      "Give one of them with --device."}},
    {"NodeWithoutAUartIsNoPort",
     manyDevices,
     "ttyS1",
     EIO,
     TPortHelpFor::Window,
     {"{dev}/ttyS1 has no serial port behind it.",
      "Serial devices found: {dev}/ttyUSB1, {dev}/ttyACM0, {dev}/rfcomm0, {dev}/ttyS0, "
      "{dev}/ttyS10.",
      "Pick one in Edit > Properties, tab Comms, Device."}},
    {"InputOutputErrorOfARealPortAddsNothing",
     manyDevices,
     "ttyUSB1",
     EIO,
     TPortHelpFor::Window,
     {}},
    {"BusyNamesTheProgramHoldingIt",
     [](FakeComputer& c) {
         c.AddDevice("ttyUSB0");
         c.Hold("ttyUSB0", 4321, "minicom");
     },
     "ttyUSB0",
     EBUSY,
     TPortHelpFor::Window,
     {"Another program is using {dev}/ttyUSB0: minicom (4321).",
      "Close that program, then pick the device again in Edit > Properties, tab Comms, Device."}},
    {"BusyWithTheHolderOutOfSight",
     [](FakeComputer& c) { c.AddDevice("ttyUSB0"); },
     "ttyUSB0",
     EBUSY,
     TPortHelpFor::Runner,
     {"Another program is using {dev}/ttyUSB0.", "Close that program, then try again."}},
    {"OtherFailuresAddNothing", adapterOfDialout, "ttyUSB0", EINVAL, TPortHelpFor::Window, {}},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// A list wrapped onto lines that start with spaces, as one line again: the fake folder's long
// name wraps lists that fit the console with the real /dev.
Lines unwrapped(const Lines& lines) {
    Lines result;
    for (const std::string& line : lines) {
        if (line.rfind("  ", 0) == 0 && !result.empty())
            result.back() += line.substr(1);
        else
            result.push_back(line);
    }
    return result;
}

class PortHelpTable : public testing::TestWithParam<Case> {};

TEST_P(PortHelpTable, Advice) {
    const Case& c = GetParam();
    FakeComputer computer;
    c.arrange(computer);
    const std::string dev = computer.system.DevRoot;
    Lines expected;
    for (const std::string& line : c.expected)
        expected.push_back(replaced(line, "{dev}", dev));

    const Lines lines = PortAdvice(computer.Dev(c.device), c.error, c.reader, computer.system);
    EXPECT_EQ(unwrapped(lines), expected);
    // The console's width, with the real /dev in place of the test's long folder.
    for (const std::string& line : unwrapped(lines)) {
        const std::string shown = replaced(line, dev, "/dev");
        EXPECT_LE(shown.size(), 100u) << shown;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PortHelpTable, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(PortHelpTest, ALongListOfDevicesIsWrapped) {
    FakeComputer computer;
    for (int i = 0; i < 12; ++i)
        computer.AddDevice("ttyUSB" + std::to_string(i + 1));
    const Lines lines = PortAdvice("/dev/ttyUSB0", ENOENT, TPortHelpFor::Window, computer.system);
    ASSERT_GE(lines.size(), 4u);
    std::string listed;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 100u) << lines[i];
        EXPECT_EQ(lines[i].rfind(i == 1 ? "Serial devices found: " : "  ", 0), 0u) << lines[i];
        listed += lines[i];
    }
    for (int i = 1; i <= 12; ++i)
        EXPECT_NE(listed.find(computer.Dev("ttyUSB" + std::to_string(i))), std::string::npos) << i;
    EXPECT_EQ(lines.back(), "Pick one in Edit > Properties, tab Comms, Device.");
}

// ---- The link remembers why its open failed ----

// A device that may not be used, as for a user outside its group.
class DeniedSerial : public TPosixSerial {
public:
    void Open(const std::string& path) override {
        throw ESerialDeviceError(TSerialStep::Open, path, EACCES);
    }
};

int openError(TRS232& link, const std::string& device) {
    link.SetDevice(device);
    try {
        link.Open();
    } catch (const EQuorvinError&) {
    }
    return link.LastOpenError();
}

TEST(PortHelpTest, LinkRemembersTheErrorOfItsLastOpen) {
    TempDir dir;
    EcmSim sim;
    sim.Start();
    TRtime timer;
    TRS232 holder(timer);
    TRS232 link(timer);

    EXPECT_EQ(openError(link, dir.File("no-such-device")), ENOENT);
    EXPECT_FALSE(link.IsOpen());

    EXPECT_EQ(openError(holder, sim.SlavePath()), 0);
    ASSERT_TRUE(holder.IsOpen());
    EXPECT_EQ(openError(link, sim.SlavePath()), EBUSY);
    EXPECT_FALSE(link.IsOpen());

    holder.Close();
    EXPECT_EQ(openError(link, sim.SlavePath()), 0);
    EXPECT_TRUE(link.IsOpen());

    TRS232 denied(timer, std::make_unique<DeniedSerial>());
    EXPECT_EQ(openError(denied, "/dev/ttyUSB0"), EACCES);
    EXPECT_FALSE(denied.IsOpen());
}

// Against the real system: the holder of a busy pseudo-terminal is found among the processes.
TEST(PortHelpTest, BusyDeviceNamesTheProgramThatHoldsIt) {
    EcmSim sim;
    sim.Start();
    TRtime timer;
    TRS232 holder(timer);
    ASSERT_EQ(openError(holder, sim.SlavePath()), 0);
    TRS232 link(timer);
    ASSERT_EQ(openError(link, sim.SlavePath()), EBUSY);
    const Lines lines = PortAdvice(sim.SlavePath(), link.LastOpenError());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Another program is using " + sim.SlavePath() + ": PortHelpTest (" +
                            std::to_string(getpid()) + ").");
}

// A file that opens but is no terminal used to leave the link counted as open after the error.
TEST(PortHelpTest, DeviceThatCannotBeSetUpDoesNotCountAsOpen) {
    TempDir dir;
    TRtime timer;
    TRS232 link(timer);
    EXPECT_EQ(openError(link, dir.Write("plain-file", "")), ENOTTY);
    EXPECT_FALSE(link.IsOpen());
    // Nothing is held: a second link opens the same file as far as it gets, too.
    TRS232 other(timer);
    EXPECT_EQ(openError(other, dir.File("plain-file")), ENOTTY);
}

} // namespace
