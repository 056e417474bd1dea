// The look-ups of the serial-link doctor over a fake computer in a real temporary folder:
// stable names, the driver's latency, programs holding a device, daemons that take adapters,
// users and groups from the root's own files, and the root moved by QUORVIN_SYSROOT.
#include "link/LinkCheck.h"

#include "ecm-sim/EcmSim.h"
#include "link/FakeRoot.h"
#include "link/PortHelp.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "link/SystemUsers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

const std::string ftdiName = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string prolificName = "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0";

std::string canonical(const std::string& path) {
    return fs::canonical(path).string();
}

Lines latencyAdvice(const std::string& tty, int ms, const std::string& driver) {
    return {"Driver latency: " + tty + " passes received bytes on only every " +
                std::to_string(ms) + " ms, which slows every reply.",
            "Fix now: echo 1 | sudo tee /sys/bus/usb-serial/devices/" + tty + "/latency_timer",
            "Fix for good: this line in /etc/udev/rules.d/99-usb-serial-latency.rules, then "
            "replug:",
            "ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"" + driver +
                "\", ATTR{latency_timer}=\"1\""};
}

const Lines modemManagerRunning{
    "ModemManager is running: it tries modem commands on serial adapters as they are plugged in.",
    "Without a modem: sudo systemctl disable --now ModemManager"};

Lines modemManagerWithRule(const std::string& vendor, const std::string& product) {
    Lines lines = modemManagerRunning;
    lines.push_back(
        "Or keep it off this adapter with a line in /etc/udev/rules.d/75-quorvin-no-modem.rules:");
    lines.push_back("ATTRS{idVendor}==\"" + vendor + "\", ATTRS{idProduct}==\"" + product +
                    "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"");
    return lines;
}

Lines join(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- Stable names ----

TEST(LinkCheckTest, StableNamesComeFirstWithTheirTty) {
    FakeRoot root;
    root.AddDevice("ttyUSB0");
    root.AddDevice("ttyUSB1");
    root.AddDevice("ttyS0");
    root.dir.Write("sys/class/tty/ttyS0/type", "4\n");
    root.AddById(prolificName, "ttyUSB0");
    root.AddById(ftdiName, "ttyUSB1");
    root.AddById("usb-unplugged-if00-port0", "ttyUSB9"); // a link whose device has gone

    const std::vector<TSerialDeviceName> names = SerialDeviceNames(TPortHelpSystem(root.Root()));
    ASSERT_EQ(names.size(), 5u);
    const std::string byId = root.Dev("serial/by-id/");
    EXPECT_EQ(names[0].Path, byId + ftdiName);
    EXPECT_EQ(names[0].Tty, canonical(root.Dev("ttyUSB1")));
    EXPECT_EQ(names[0].Text(), byId + ftdiName + " (ttyUSB1)");
    EXPECT_EQ(names[1].Text(), byId + prolificName + " (ttyUSB0)");
    EXPECT_EQ(names[2].Text(), root.Dev("ttyUSB0"));
    EXPECT_EQ(names[3].Text(), root.Dev("ttyUSB1"));
    EXPECT_EQ(names[4].Text(), root.Dev("ttyS0"));
    EXPECT_TRUE(names[4].Tty.empty());
}

TEST(LinkCheckTest, MissingDeviceAdviceOffersTheStableNames) {
    FakeRoot root;
    root.AddDevice("ttyUSB1");
    root.AddById(ftdiName, "ttyUSB1");
    const Lines lines =
        PortAdvice(root.Dev("ttyUSB0"), ENOENT, TPortHelpFor::Runner, TPortHelpSystem(root.Root()));
    // The list as one line again: the test folder's long name wraps it differently from /dev.
    std::string all;
    for (const std::string& line : lines)
        all += (line.rfind("  ", 0) == 0 ? line.substr(1) : "\n" + line);
    EXPECT_EQ(all, "\nThere is no serial device " + root.Dev("ttyUSB0") +
                       ".\nSerial devices found: " + root.Dev("serial/by-id/" + ftdiName) +
                       " (ttyUSB1), " + root.Dev("ttyUSB1") +
                       ".\nA /dev/serial/by-id name stays the same when the adapter moves to "
                       "another USB socket.\nGive one of them with --device.");
}

TEST(LinkCheckTest, TtyBehindFollowsLinksAndLeavesOtherPathsAlone) {
    FakeRoot root;
    root.AddDevice("ttyUSB0");
    const std::string byId = root.AddById(ftdiName, "ttyUSB0");
    fs::create_symlink(byId, root.Dev("aldl")); // a link to a link
    EXPECT_EQ(TtyBehind(byId), canonical(root.Dev("ttyUSB0")));
    EXPECT_EQ(TtyBehind(root.Dev("aldl")), canonical(root.Dev("ttyUSB0")));
    EXPECT_EQ(TtyBehind(root.Dev("ttyUSB0")), root.Dev("ttyUSB0"));
    EXPECT_EQ(TtyBehind(root.Dev("ttyUSB7")), root.Dev("ttyUSB7"));
    EXPECT_EQ(TtyBehind(root.AddById("usb-gone", "ttyUSB9")), root.Dev("serial/by-id/usb-gone"));
}

// The request comes back as its echo: the link reaches a simulator behind the name.
bool talks(TRS232& link) {
    const uint8_t request[] = {0xF4, 0x57, 0x01, 0x00, 0xB4};
    uint8_t echo[5] = {};
    return link.Write(request, 5) == 5 && link.Read(echo, 5) == 5 &&
           std::equal(echo, echo + 5, request);
}

// The link opens the stable name itself, so the name still reaches the adapter after it moved to
// another socket and came back under another tty.
TEST(LinkCheckTest, TheLinkKeepsTheStableNameAcrossAMove) {
    FakeRoot root;
    fs::create_directories(root.Dev("serial/by-id"));
    const std::string byId = root.Dev("serial/by-id/" + ftdiName);
    EcmSim first, moved; // the adapter, and the same one plugged in elsewhere
    first.Start();
    moved.Start();
    ASSERT_NE(first.SlavePath(), moved.SlavePath());
    TRtime timer;
    TRS232 link(timer);
    link.SetDevice(byId);
    fs::create_symlink(first.SlavePath(), byId);
    link.Open();
    EXPECT_EQ(link.DevicePath(), byId);
    EXPECT_TRUE(talks(link));
    link.Close();

    fs::remove(byId);
    fs::create_symlink(moved.SlavePath(), byId);
    link.Open();
    EXPECT_EQ(link.DevicePath(), byId);
    EXPECT_TRUE(talks(link));
    EXPECT_EQ(first.Counters().bytesReceived, 5u);
    EXPECT_EQ(moved.Counters().bytesReceived, 5u);
}

// ---- Latency ----

struct LatencyCase {
    const char* name;
    const char* file; // latency_timer's text; nullptr: no such file
    bool known;
    int ms;
    bool advice;
};

class LatencyTable : public testing::TestWithParam<LatencyCase> {};

TEST_P(LatencyTable, ReadThroughTheStableName) {
    const LatencyCase& c = GetParam();
    FakeRoot root;
    root.AddDevice("ttyUSB0");
    const std::string byId = root.AddById(ftdiName, "ttyUSB0");
    root.AddUsbTty("ttyUSB0", "ftdi_sio", c.file ? c.file : "");
    if (c.file && std::string(c.file).empty())
        root.dir.Write("sys/devices/pci0000:00/usb1/1-2/1-2:1.0/ttyUSB0/latency_timer", "");

    const TDriverLatency latency = DriverLatency(byId, TPortHelpSystem(root.Root()));
    EXPECT_EQ(latency.Known, c.known);
    EXPECT_EQ(latency.Tty, "ttyUSB0");
    if (c.known) {
        EXPECT_EQ(latency.Ms, c.ms);
        EXPECT_EQ(latency.Driver, "ftdi_sio");
    }
    EXPECT_EQ(LatencyAdvice(latency),
              c.advice ? latencyAdvice("ttyUSB0", c.ms, "ftdi_sio") : Lines{});
}

INSTANTIATE_TEST_SUITE_P(Cases, LatencyTable,
                         testing::Values(LatencyCase{"FtdiDefault", "16", true, 16, true},
                                         LatencyCase{"LowLatencyTaken", "1", true, 1, false},
                                         LatencyCase{"AtTheLimit", "2", true, 2, false},
                                         LatencyCase{"JustAbove", "3", true, 3, true},
                                         LatencyCase{"NoTimerFile", nullptr, false, 0, false},
                                         LatencyCase{"EmptyFile", "", false, 0, false},
                                         LatencyCase{"NotANumber", "fast", false, 0, false}),
                         [](const testing::TestParamInfo<LatencyCase>& info) {
                             return info.param.name;
                         });

TEST(LinkCheckTest, LatencyOfAnotherDriverNamesThatDriverInTheRule) {
    FakeRoot root;
    root.AddDevice("ttyUSB3");
    root.AddUsbTty("ttyUSB3", "some_usb_serial", "8");
    const TDriverLatency latency = DriverLatency(root.Dev("ttyUSB3"), TPortHelpSystem(root.Root()));
    EXPECT_EQ(LatencyAdvice(latency), latencyAdvice("ttyUSB3", 8, "some_usb_serial"));
}

TEST(LinkCheckTest, ADeviceWithoutSysfsEntryHasNoKnownLatency) {
    FakeRoot root;
    const TDriverLatency latency = DriverLatency("/dev/pts/3", TPortHelpSystem(root.Root()));
    EXPECT_FALSE(latency.Known);
    EXPECT_TRUE(LatencyAdvice(latency).empty());
}

// ---- Programs holding the device ----

class HoldersTest : public testing::Test {
protected:
    void SetUp() override {
        root.AddDevice("ttyUSB0");
        root.AddDevice("ttyUSB1");
        byId = root.AddById(ftdiName, "ttyUSB0");
        root.AddProcess(4321, "minicom");
        root.Open(4321, 3, root.Dev("ttyUSB0"));
        root.AddProcess(777, "ModemManager");
        root.Open(777, 7, root.Dev("ttyUSB0"));
        root.AddProcess(55, "bash");
        root.Open(55, 0, root.Dev("ttyUSB1"));
        root.AddProcess(getpid(), "LinkCheckTest");
        root.Open(getpid(), 9, root.Dev("ttyUSB0"));
    }
    std::vector<int> pids(const std::vector<TPortHolder>& holders) {
        std::vector<int> found;
        for (const TPortHolder& h : holders)
            found.push_back(h.Pid);
        return found;
    }
    FakeRoot root;
    std::string byId;
};

TEST_F(HoldersTest, OthersLeaveOutThisProcess) {
    const std::vector<TPortHolder> others =
        PortHolders(byId, THolderScan::Others, TPortHelpSystem(root.Root()));
    EXPECT_EQ(pids(others), (std::vector<int>{777, 4321}));
    EXPECT_EQ(HolderList(others), "ModemManager (777), minicom (4321)");
    const std::vector<TPortHolder> all =
        PortHolders(root.Dev("ttyUSB0"), THolderScan::All, TPortHelpSystem(root.Root()));
    EXPECT_EQ(all.size(), 3u);
    EXPECT_NE(std::find(pids(all).begin(), pids(all).end(), getpid()), pids(all).end());
}

TEST_F(HoldersTest, AtMostThreeAreNamed) {
    root.AddProcess(9001, "screen");
    root.Open(9001, 4, root.Dev("ttyUSB0"));
    root.AddProcess(9002, "cat");
    root.Open(9002, 4, root.Dev("ttyUSB0"));
    const std::vector<TPortHolder> others =
        PortHolders(byId, THolderScan::Others, TPortHelpSystem(root.Root()));
    EXPECT_EQ(others.size(), 4u);
    EXPECT_EQ(HolderList(others), "ModemManager (777), minicom (4321), screen (9001)");
}

TEST_F(HoldersTest, BusyAdviceSaysWhatToDoAboutAModemManagerHolder) {
    root.AddUsbTty("ttyUSB0", "ftdi_sio", "1", "1a86", "7523");
    const Lines lines =
        PortAdvice(root.Dev("ttyUSB0"), EBUSY, TPortHelpFor::Runner, TPortHelpSystem(root.Root()));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Close that program, then try again.");
    EXPECT_EQ(Lines(lines.begin() + 2, lines.end()), modemManagerWithRule("1a86", "7523"));
}

TEST(LinkCheckTest, ThePseudoTerminalsOwnMasterIsNoThief) {
    FakeRoot root;
    const std::string pty = root.AddDevice("pts/5");
    root.AddProcess(900, "ecm-sim"); // holds the master of pts/5 and the slave
    root.Open(900, 3, "/dev/ptmx", "tty-index:\t5\n");
    root.Open(900, 4, pty);
    root.AddProcess(901, "screen"); // holds another pty's master, and pts/5
    root.Open(901, 3, "/dev/ptmx", "tty-index:\t6\n");
    root.Open(901, 4, pty);
    const TPortHelpSystem system(root.Root());
    const std::vector<TPortHolder> others = PortHolders(pty, THolderScan::Others, system);
    ASSERT_EQ(others.size(), 1u);
    EXPECT_EQ(others[0].Pid, 901);
    EXPECT_EQ(PortHolders(pty, THolderScan::All, system).size(), 2u);
}

// ---- Daemons that take adapters ----

TEST(LinkCheckTest, RunningDaemonsAreFoundByName) {
    FakeRoot root;
    root.AddProcess(10, "ModemManager");
    root.AddProcess(20, "brltty");
    root.AddProcess(30, "bash");
    root.AddProcess(40, "brltty"); // a second instance is no second daemon
    EXPECT_EQ(RunningAdapterDaemons(TPortHelpSystem(root.Root())),
              (Lines{"brltty", "ModemManager"}));
    FakeRoot quiet;
    quiet.AddProcess(30, "bash");
    EXPECT_TRUE(RunningAdapterDaemons(TPortHelpSystem(quiet.Root())).empty());
}

TEST(LinkCheckTest, DaemonAdviceNamesTheAdapterWhenItsUsbIdsAreKnown) {
    FakeRoot root;
    root.AddDevice("ttyUSB0");
    const std::string byId = root.AddById(ftdiName, "ttyUSB0");
    root.AddUsbTty("ttyUSB0", "ftdi_sio", "16");
    const TPortHelpSystem system(root.Root());
    EXPECT_EQ(AdapterDaemonAdvice("ModemManager", byId, system),
              modemManagerWithRule("0403", "6001"));
    EXPECT_EQ(AdapterDaemonAdvice("ModemManager", "/dev/pts/2", system), modemManagerRunning);
    EXPECT_EQ(AdapterDaemonAdvice("brltty", byId, system),
              (Lines{"brltty (a braille display daemon) is running: it takes some USB-serial "
                     "adapters for itself.",
                     "Without a braille display: sudo apt remove brltty, then plug the adapter "
                     "in again."}));
    EXPECT_TRUE(AdapterDaemonAdvice("minicom", byId, system).empty());
}

TEST(LinkCheckTest, AVanishedAdapterWithBrlttyRunningNamesIt) {
    FakeRoot root;
    root.AddProcess(20, "brltty");
    const Lines lines =
        PortAdvice(root.Dev("ttyUSB0"), ENOENT, TPortHelpFor::Runner, TPortHelpSystem(root.Root()));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "There is no serial device " + root.Dev("ttyUSB0") + ".");
    EXPECT_EQ(lines[1].rfind("brltty (a braille display daemon) is running", 0), 0u) << lines[1];
    EXPECT_EQ(lines[3], "No serial device was found on this computer.");
}

// ---- The advice once a device is open ----

TEST(LinkCheckTest, OpenedPortAdviceNamesOtherHoldersAndTheLatency) {
    FakeRoot root;
    root.AddDevice("ttyUSB0");
    const std::string byId = root.AddById(ftdiName, "ttyUSB0");
    root.AddUsbTty("ttyUSB0", "ftdi_sio", "16");
    root.AddProcess(4321, "minicom");
    root.Open(4321, 3, root.Dev("ttyUSB0"));
    root.AddProcess(getpid(), "quorvin");
    root.Open(getpid(), 12, root.Dev("ttyUSB0"));
    const TPortHelpSystem system(root.Root());
    EXPECT_EQ(OpenedPortAdvice(byId, system),
              join({"Another program has " + byId +
                    " open too: minicom (4321). It takes bytes meant for Quorvin: close it."},
                   latencyAdvice("ttyUSB0", 16, "ftdi_sio")));

    root.AddProcess(777, "ModemManager");
    root.Open(777, 7, root.Dev("ttyUSB0"));
    root.AddProcess(778, "ModemManager");
    root.Open(778, 7, root.Dev("ttyUSB0"));
    EXPECT_EQ(OpenedPortAdvice(byId, system),
              join(join({"Another program has " + byId +
                         " open too: ModemManager (777), ModemManager (778), minicom (4321). It "
                         "takes bytes meant for Quorvin: close it."},
                        modemManagerWithRule("0403", "6001")),
                   latencyAdvice("ttyUSB0", 16, "ftdi_sio")));
}

TEST(LinkCheckTest, OpenedPortAdviceIsEmptyWhenAllIsWell) {
    FakeRoot root;
    root.AddDevice("ttyUSB0");
    root.AddUsbTty("ttyUSB0", "ftdi_sio", "1");
    root.AddProcess(getpid(), "quorvin");
    root.Open(getpid(), 12, root.Dev("ttyUSB0"));
    EXPECT_TRUE(OpenedPortAdvice(root.Dev("ttyUSB0"), TPortHelpSystem(root.Root())).empty());
}

// ---- Users and groups from the root's files ----

class GroupsTest : public testing::Test {
protected:
    void SetUp() override {
        root.AddDevice("ttyUSB0");
        root.SetEtc("passwd", "root:x:0:0:root:/root:/bin/bash\n"
                              "ann:x:1000:1000:Ann,,,:/home/ann:/bin/bash\n");
        root.SetEtc("group", "root:x:0:\n# local groups\ndialout:x:20:bob,ann\n"
                             "ann:x:1000:\nplugdev:x:46:ann,\n");
        root.SetSelf(1000, 1000, {1000});
        system = TPortHelpSystem(root.Root());
        // The owner alone is faked: a test cannot give its files to another group.
        system.Stat = [](const std::string& path, struct stat& st) {
            if (::stat(path.c_str(), &st) != 0)
                return false;
            st.st_gid = 20;
            st.st_mode = (st.st_mode & ~mode_t(0777)) | 0660;
            return true;
        };
    }
    Lines advice() { return PortAdvice(root.Dev("ttyUSB0"), EACCES, TPortHelpFor::Window, system); }

    FakeRoot root;
    TPortHelpSystem system;
};

TEST_F(GroupsTest, TheFilesGiveUserGroupsAndSession) {
    EXPECT_EQ(RootUserName(system), "ann");
    const std::optional<TGroupEntry> dialout = RootGroup(20, system);
    ASSERT_TRUE(dialout);
    EXPECT_EQ(dialout->Name, "dialout");
    EXPECT_EQ(dialout->Members, (Lines{"bob", "ann"}));
    EXPECT_EQ(RootGroup(46, system)->Members, (Lines{"ann"}));
    EXPECT_FALSE(RootGroup(4242, system));
    EXPECT_EQ(RootPrimaryGroup("ann", system), std::optional<gid_t>(1000));
    EXPECT_FALSE(RootPrimaryGroup("zed", system));
    EXPECT_EQ(RootSessionGroups(system), (std::vector<gid_t>{1000, 1000}));
}

TEST_F(GroupsTest, ListedButNotInThisLoginSaysLogOutAndIn) {
    EXPECT_EQ(advice(), (Lines{"You may not use " + root.Dev("ttyUSB0") +
                                   " yet: user \"ann\" joined its group \"dialout\" after "
                                   "logging in.",
                               "Fix: log out and log in again (or restart the computer)."}));
}

TEST_F(GroupsTest, PrimaryGroupNotInThisLoginSaysLogOutAndIn) {
    root.SetEtc("group", "dialout:x:20:bob\n");
    root.SetEtc("passwd", "ann:x:1000:20::/home/ann:/bin/sh\n");
    EXPECT_EQ(advice()[1], "Fix: log out and log in again (or restart the computer).");
}

TEST_F(GroupsTest, InTheGroupAndInThisLogin) {
    root.SetSelf(1000, 1000, {1000, 20});
    EXPECT_EQ(advice()[0], "You may not use " + root.Dev("ttyUSB0") +
                               ", although user \"ann\" is in its group \"dialout\".");
}

TEST_F(GroupsTest, NotListedSaysHowToJoin) {
    root.SetEtc("group", "dialout:x:20:bob\n");
    EXPECT_EQ(advice()[1], "Fix: sudo adduser ann dialout, then log out and log in again.");
}

// ---- The root moved by the environment ----

class SysrootVariable {
public:
    explicit SysrootVariable(const std::string& root) {
        setenv("QUORVIN_SYSROOT", root.c_str(), 1);
    }
    ~SysrootVariable() { unsetenv("QUORVIN_SYSROOT"); }
};

TEST(LinkCheckTest, TheEnvironmentMovesEveryLookUp) {
    FakeRoot root;
    root.AddDevice("ttyUSB0");
    root.AddById(ftdiName, "ttyUSB0");
    root.AddProcess(4321, "minicom");
    root.Open(4321, 3, root.Dev("ttyUSB0"));
    {
        SysrootVariable moved(root.Root());
        const TPortHelpSystem system;
        EXPECT_EQ(system.DevRoot, root.Root() + "/dev");
        EXPECT_EQ(system.SysRoot, root.Root() + "/sys");
        EXPECT_EQ(system.ProcRoot, root.Root() + "/proc");
        EXPECT_EQ(system.EtcRoot, root.Root() + "/etc");
        EXPECT_EQ(SerialDeviceNames().size(), 2u);
        EXPECT_EQ(PortHolders(root.Dev("ttyUSB0"), THolderScan::Others).size(), 1u);
    }
    const TPortHelpSystem real;
    EXPECT_EQ(real.DevRoot, "/dev");
    EXPECT_EQ(real.ProcRoot, "/proc");
}

TEST(LinkCheckTest, TheRealSystemAnswersToo) {
    const TPortHelpSystem real;
    EXPECT_FALSE(RootUserName(real).empty());
    const std::vector<gid_t> session = RootSessionGroups(real);
    EXPECT_NE(std::find(session.begin(), session.end(), getegid()), session.end());
    EXPECT_TRUE(RootGroup(getegid(), real));
}

} // namespace
