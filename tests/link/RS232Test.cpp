#include "link/RS232.h"

#include "common/Errors.h"
#include "common/Format.h"
#include "ecm-sim/EcmSim.h"
#include "link/PosixSerial.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Line = std::pair<std::string, int>;
using Lines = std::vector<Line>;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Collects the console lines a link writes.
struct Console {
    Lines lines;
    TConsoleWriter Writer() {
        return [this](const std::string& text, int level) { lines.emplace_back(text, level); };
    }
    bool Has(const std::string& text, int level) const {
        for (const Line& l : lines)
            if (l == Line(text, level))
                return true;
        return false;
    }
    int Count(const std::string& text, int level) const {
        int n = 0;
        for (const Line& l : lines)
            n += l == Line(text, level);
        return n;
    }
};

TPacket frameOf(const std::string& text) {
    TPacket p;
    p.FromFrameText(text);
    return p;
}

const TPacket request = frameOf("$F4,$57,$01,$00,$B4"); // mode 1, message 0
const std::string requestText = "$F4,$57,$01,$00,$B4";

// A pseudo-terminal whose master side the test drives by hand.
class RawPty {
public:
    RawPty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master_, 0);
        grantpt(master_);
        unlockpt(master_);
        slave_ = ptsname(master_);
        termios t{};
        tcgetattr(master_, &t);
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
    }
    ~RawPty() { Close(); }
    const std::string& Slave() const { return slave_; }
    void Send(const std::vector<uint8_t>& bytes) const {
        EXPECT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void Close() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slave_;
};

// The link opened on a running simulator.
struct SimLink {
    explicit SimLink(EcmSimOptions options = {}) : sim(std::move(options)), link(timer) {
        sim.Start();
        link.SetDevice(sim.SlavePath());
        link.Echo = true;
        link.Open();
    }
    TRtime timer;
    EcmSim sim;
    TRS232 link;
    Console console;
};

EcmSimOptions withFaults(EcmSimFaults faults) {
    EcmSimOptions o;
    o.faults = faults;
    return o;
}

// ---- Settings ----

TEST(RS232Test, DefaultsAndClampedSettings) {
    TRtime timer;
    TRS232 link(timer);
    EXPECT_EQ(link.Port(), 1);
    EXPECT_EQ(link.PortName(), "Com1");
    EXPECT_EQ(link.Baud(), 8228);
    EXPECT_EQ(link.DataBits(), 8);
    EXPECT_EQ(link.Parity(), "N");
    EXPECT_EQ(link.StopBits(), 1);
    EXPECT_EQ(link.T3(), 200);
    EXPECT_EQ(link.T5(), 10);
    EXPECT_EQ(link.T6(), 50);
    EXPECT_FALSE(link.IsOpen());

    link.SetPort(0);
    EXPECT_EQ(link.PortName(), "Com1");
    link.SetPort(12);
    EXPECT_EQ(link.PortName(), "Com8");
    link.SetBaud(10);
    EXPECT_EQ(link.Baud(), 75);
    link.SetBaud(500000);
    EXPECT_EQ(link.Baud(), 128000);
    link.SetDataBits(2);
    EXPECT_EQ(link.DataBits(), 4);
    link.SetDataBits(9);
    EXPECT_EQ(link.DataBits(), 8);
    link.SetStopBits(3);
    EXPECT_EQ(link.StopBits(), 2);
    link.SetT1(5000);
    link.SetT2(-3);
    link.SetT3(1001);
    link.SetT4(101);
    link.SetT5(1000);
    link.SetT6(5);
    EXPECT_EQ(std::vector<int>({link.T1(), link.T2(), link.T3(), link.T4(), link.T5(), link.T6()}),
              std::vector<int>({1000, 0, 1000, 100, 100, 10}));
}

TEST(RS232Test, ParityTakesOnlyTheExactLetters) {
    TRtime timer;
    TRS232 link(timer);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"O", "O"}, {"Odd", "N"}, {"E", "E"}, {"M", "M"}, {"S", "S"},
        {"N", "N"}, {"e", "N"},   {"", "N"},  {"EO", "N"}};
    for (const auto& [text, parity] : cases) {
        link.SetParity(text);
        EXPECT_EQ(link.Parity(), parity) << text;
    }
}

TEST(RS232Test, ClosedPortDoesNothing) {
    TRtime timer;
    TRS232 link(timer);
    Console console;
    TPacket frame;
    uint8_t buffer[4] = {1, 2, 3, 4};
    EXPECT_FALSE(link.WriteFrame(request, true, false, console.Writer()));
    EXPECT_FALSE(link.ReadFrame(frame, true, console.Writer(), true));
    EXPECT_FALSE(link.Read160Frame(frame, 1, console.Writer(), true, 5));
    link.WaitForSilence(console.Writer());
    link.Purge();
    EXPECT_EQ(link.Write(buffer, 4), 0);
    EXPECT_EQ(link.Read(buffer, 4), 0);
    EXPECT_TRUE(console.lines.empty());
    EXPECT_TRUE(frame.IsEmpty());
}

// ---- Opening ----

TEST(RS232Test, DevicePathComesFromTheIniFileWithDefaults) {
    TempDir dir;
    EcmSim sim;
    sim.Start();
    const std::string ini = dir.Write("QuorvinV4.ini", "[Devices]\nCom3=" + sim.SlavePath() + "\n");
    setenv("QUORVIN_INI", ini.c_str(), 1);
    TRtime timer;
    TRS232 link(timer);
    link.SetPort(5);
    EXPECT_EQ(link.DevicePath(), "/dev/ttyUSB4");
    link.SetPort(3);
    EXPECT_EQ(link.DevicePath(), sim.SlavePath());
    link.Open();
    EXPECT_TRUE(link.IsOpen());
    link.SetDevice("/dev/null-port");
    EXPECT_EQ(link.DevicePath(), "/dev/null-port");
}

TEST(RS232Test, MissingDeviceRaisesWithTheSystemText) {
    TRtime timer;
    TRS232 link(timer);
    link.SetPort(2);
    link.SetDevice("/dev/quorvin-no-such-port");
    try {
        link.Open();
        FAIL() << "opened";
    } catch (const EQuorvinError& e) {
        EXPECT_STREQ(e.what(),
                     "Can't open Com2. /dev/quorvin-no-such-port: No such file or directory");
    }
    EXPECT_FALSE(link.IsOpen());
}

TEST(RS232Test, OpenIsExclusive) {
    SimLink a;
    TRS232 b(a.timer);
    b.SetDevice(a.sim.SlavePath());
    try {
        b.Open();
        FAIL() << "second open succeeded";
    } catch (const EQuorvinError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Can't open Com1. " + a.sim.SlavePath() + ": Device or resource busy");
    }
    EXPECT_FALSE(b.IsOpen());
    a.link.Close();
    EXPECT_NO_THROW(b.Open());
    EXPECT_TRUE(b.IsOpen());
}

TEST(RS232Test, LineSettingsOnAPseudoTerminal) {
    EcmSim sim;
    TRtime timer;
    TRS232 link(timer);
    link.SetDevice(sim.SlavePath());
    link.HoldDTR = true; // a pty has no modem lines: not an error
    link.HoldRTS = true;
    link.Open();
    for (int baud : {8228, 1600, 2400, 9600, 115200})
        EXPECT_NO_THROW(link.SetBaud(baud)) << baud;
    for (const char* parity : {"E", "O", "M", "S", "N"})
        EXPECT_NO_THROW(link.SetParity(parity)) << parity;
    EXPECT_NO_THROW(link.SetStopBits(2));
    EXPECT_NO_THROW(link.SetDataBits(7));
    try {
        link.SetDataBits(4); // no UART frames four data bits
        FAIL() << "accepted";
    } catch (const EQuorvinError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "BuildCommDCB() failed for Com1. " + sim.SlavePath() + ": Invalid argument");
    }
    EXPECT_TRUE(link.IsOpen());
}

// ---- Frames against the simulator ----

TEST(RS232Test, WriteWithEchoAndReadTheReply) {
    SimLink s;
    s.link.SetT5(10);
    ASSERT_TRUE(s.link.WriteFrame(request, true, false, s.console.Writer()));
    const Lines written = {
        {"Start writing frame", 3},         {"Send: " + requestText, 0},
        {"Finished writing frame", 3},      {"Wait 10 ms after writing, before reading...", 3},
        {"Start reading frame", 3},         {"Aldl frame header byte: $F4", 3},
        {"Aldl frame length byte: $57", 3}, {"Recv: " + requestText, 1},
        {"Finished reading frame", 3},      {"MAX232 echo: " + requestText, 3}};
    EXPECT_EQ(s.console.lines, written);
    EXPECT_EQ(s.link.EchoFrame.HexText(), requestText);

    s.console.lines.clear();
    TPacket reply;
    ASSERT_TRUE(s.link.ReadFrame(reply, true, s.console.Writer(), true));
    EXPECT_EQ(reply.Header(), 0xF4);
    EXPECT_EQ(reply.LengthByte(), 0x92);
    EXPECT_EQ(reply.Mode(), 1);
    EXPECT_EQ(reply.GetBits(2, 0, 16), 0x427E); // PROM ID
    EXPECT_TRUE(reply.ChecksumOK());
    double day = LocalNow();
    day -= static_cast<long>(day);
    EXPECT_NEAR(reply.Time, day, 2.0 / 86400); // stamped with the time of day
    ASSERT_EQ(s.console.lines.size(), 6u);
    EXPECT_EQ(s.console.lines[3], Line("Aldl frame length byte: $92", 3));
    EXPECT_EQ(s.console.lines[4], Line("Recv: " + reply.HexText(), 1));
    EXPECT_EQ(s.sim.Counters().requests, 1u);
}

TEST(RS232Test, WithoutDetailOnlyFailuresAreWritten) {
    SimLink s;
    TPacket reply;
    EXPECT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    EXPECT_TRUE(s.link.ReadFrame(reply, true, s.console.Writer(), false));
    EXPECT_TRUE(s.console.lines.empty());
    // No console writer at all is allowed.
    EXPECT_TRUE(s.link.WriteFrame(request, true, false, nullptr));
    EXPECT_TRUE(s.link.ReadFrame(reply, true, nullptr, true));
}

TEST(RS232Test, NoEchoInterface) {
    EcmSimOptions o;
    o.echo = false;
    SimLink s(o);
    s.link.Echo = false;
    TPacket reply;
    EXPECT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    EXPECT_TRUE(s.link.ReadFrame(reply, true, s.console.Writer(), false));
    EXPECT_EQ(reply.FrameLen(), 64);
    EXPECT_TRUE(s.console.lines.empty());
}

TEST(RS232Test, EchoExpectedButNothingComesBack) {
    EcmSimFaults f;
    f.noEcho = 1;
    f.noReply = 1;
    SimLink s(withFaults(f));
    s.link.SetT5(20);
    const auto start = Clock::now();
    EXPECT_FALSE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    const double took = msSince(start);
    const Lines expected = {{"Com timeout: Expecting frame header byte", 2},
                            {"Error: No echo received from MAX232", 4}};
    EXPECT_EQ(s.console.lines, expected);
    EXPECT_GE(took, 20 + 200 - 5); // T5 and the read time-out
    EXPECT_LT(took, 2000);
}

TEST(RS232Test, WrongEcho) {
    EcmSimFaults f;
    f.wrongEcho = 1;
    SimLink s(withFaults(f));
    EXPECT_FALSE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    ASSERT_EQ(s.console.lines.size(), 1u);
    EXPECT_EQ(s.console.lines[0], Line("Error: Max232 echo: " + s.link.EchoFrame.HexText() +
                                           " did not match command: " + requestText,
                                       4));
    EXPECT_NE(s.link.EchoFrame.HexText(), requestText);
}

const char* const echoHint = "Hint: the interface does not echo what is sent: \"Max232 echo\" "
                             "should be off (see Com port settings)";

// With Echo on and an interface that does not echo, every request fails on its missing echo
// (here the module's reply is read in its place); after three the console says what to change.
TEST(RS232Test, EchoOnWithAnInterfaceThatDoesNotEchoGivesAHint) {
    EcmSimOptions o;
    o.echo = false;
    SimLink s(o);
    s.link.SetT5(0);
    TPacket reply;
    for (int i = 1; i <= 5; ++i) {
        EXPECT_FALSE(s.link.WriteFrame(request, false, false, s.console.Writer())) << i;
        s.link.ReadFrame(reply, true, s.console.Writer(), false);
        EXPECT_EQ(s.console.Count(echoHint, clInfo), i < 3 ? 0 : 1) << i;
    }
    // As the hint says: Echo off, and the requests get their replies.
    s.link.Echo = false;
    s.console.lines.clear();
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer())) << i;
        EXPECT_TRUE(s.link.ReadFrame(reply, true, s.console.Writer(), false)) << i;
    }
    EXPECT_TRUE(s.console.lines.empty()) << testing::PrintToString(s.console.lines);
}

// An interface that has echoed is one that echoes: lost echoes later are faults, not a setting.
TEST(RS232Test, LostEchoesAfterAGoodOneGiveNoEchoHint) {
    SimLink s;
    s.link.SetT5(0);
    TPacket reply;
    ASSERT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    ASSERT_TRUE(s.link.ReadFrame(reply, true, s.console.Writer(), false));
    EcmSimFaults f;
    f.noEcho = 1;
    f.noReply = 1;
    s.sim.SetFaults(f);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(s.link.WriteFrame(request, false, false, s.console.Writer())) << i;
    EXPECT_EQ(s.console.Count("Error: No echo received from MAX232", clError), 4);
    EXPECT_EQ(s.console.Count(echoHint, clInfo), 0);
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Round trips at the line rate with the T5 waits: the link sleeps through the waits and the bytes
// on the wire instead of keeping a core busy, and still gets every frame.
TEST(RS232Test, RoundTripsAtTheLineRateUseLittleProcessorTime) {
    SimLink s;
    s.link.SetT5(20);
    TPacket reply;
    const double cpuStart = threadCpuMs();
    const auto start = Clock::now();
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer())) << i;
        EXPECT_TRUE(s.link.ReadFrame(reply, true, s.console.Writer(), false)) << i;
        EXPECT_EQ(reply.FrameLen(), 64) << i;
    }
    const double wall = msSince(start);
    const double cpu = threadCpuMs() - cpuStart;
    EXPECT_GE(wall, 8 * 64 * 10 * 1000.0 / 8192); // the replies' time on the wire
    EXPECT_LT(cpu, 0.15 * wall) << "processor " << cpu << " ms of " << wall << " ms";
    EXPECT_TRUE(s.console.lines.empty());
}

TEST(RS232Test, ChecksumFailure) {
    EcmSimFaults f;
    f.badChecksum = 1;
    SimLink s(withFaults(f));
    TPacket reply;
    ASSERT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    EXPECT_FALSE(s.link.ReadFrame(reply, true, s.console.Writer(), true));
    EXPECT_EQ(reply.FrameLen(), 64); // read whole
    EXPECT_TRUE(s.console.Has("Recv: " + reply.HexText(), 1));
    EXPECT_TRUE(s.console.Has("Error: Reply frame checksum failure", 4));
    EXPECT_EQ(s.console.lines.back(), Line("Finished reading frame", 3));
}

TEST(RS232Test, TruncatedReplyTimesOut) {
    EcmSimFaults f;
    f.truncatedReply = 1;
    SimLink s(withFaults(f));
    TPacket reply;
    ASSERT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    const auto start = Clock::now();
    EXPECT_FALSE(s.link.ReadFrame(reply, true, s.console.Writer(), false));
    EXPECT_LT(msSince(start), 2000);
    ASSERT_EQ(s.console.lines.size(), 1u);
    EXPECT_EQ(s.console.lines[0], Line("Com timeout: Data frame truncated: " + reply.HexText(), 2));
    EXPECT_EQ(reply.HexText().substr(0, 12), "$F4,$92,$01,");
}

TEST(RS232Test, NoReplyTimesOutOnTheHeader) {
    EcmSimFaults f;
    f.noReply = 1;
    SimLink s(withFaults(f));
    s.link.SetT3(300);
    s.link.SetTimeouts(-1, -1, -1);
    TPacket reply;
    ASSERT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    const auto start = Clock::now();
    EXPECT_FALSE(s.link.ReadFrame(reply, false, s.console.Writer(), false));
    const double took = msSince(start);
    EXPECT_GE(took, 295);
    EXPECT_LT(took, 1500);
    EXPECT_EQ(s.console.lines, Lines({{"Com timeout: Expecting frame header byte", 2}}));
    EXPECT_NE(reply.Time, 0); // stamped even when the read timed out
}

// A reply cut short by a time-out is still arriving when the next request goes out; read as
// that request's echo it would put every later echo and reply out of step with the module.
TEST(RS232Test, BrokenFrameDoesNotPutTheNextRequestsOutOfStep) {
    SimLink s;
    s.link.SetT5(0);
    TPacket reply;
    s.link.SetT3(30); // gives up in the middle of the 78 ms reply
    s.link.SetTimeouts(-1, -1, -1);
    ASSERT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    EXPECT_FALSE(s.link.ReadFrame(reply, true, s.console.Writer(), false));
    s.link.SetT3(200);
    s.link.SetTimeouts(-1, -1, -1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer())) << i;
        EXPECT_TRUE(s.link.ReadFrame(reply, true, s.console.Writer(), false)) << i;
    }
    ASSERT_EQ(s.console.lines.size(), 1u);
    EXPECT_EQ(s.console.lines[0].second, 2);
}

TEST(RS232Test, WrongEchoDoesNotPutTheNextRequestsOutOfStep) {
    EcmSimFaults f;
    f.wrongEcho = 1;
    SimLink s(withFaults(f));
    s.link.SetT5(0);
    EXPECT_FALSE(s.link.WriteFrame(request, false, false, s.console.Writer()));
    s.sim.SetFaults({}); // the reply to the request is on its way
    TPacket reply;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(s.link.WriteFrame(request, false, false, s.console.Writer())) << i;
        EXPECT_TRUE(s.link.ReadFrame(reply, true, s.console.Writer(), false)) << i;
    }
    EXPECT_EQ(s.console.lines.size(), 1u);
}

// ---- Reads and their time-outs on a hand-driven pseudo-terminal ----

struct PtyLink {
    PtyLink() : link(timer) {
        link.SetDevice(pty.Slave());
        link.Open();
    }
    RawPty pty;
    TRtime timer;
    TRS232 link;
    Console console;
};

TEST(RS232Test, LengthByteTimeOut) {
    PtyLink p;
    p.pty.Send({0xF4});
    TPacket reply;
    EXPECT_FALSE(p.link.ReadFrame(reply, false, p.console.Writer(), false));
    EXPECT_EQ(p.console.lines, Lines({{"Com timeout: Expecting frame length byte", 2}}));
}

TEST(RS232Test, LengthByte55ReadsExactlyTheChecksumMore) {
    PtyLink p;
    p.pty.Send({0xF4, 0x55, 0xB7, 0x99});
    TPacket reply;
    EXPECT_TRUE(p.link.ReadFrame(reply, false, p.console.Writer(), false));
    EXPECT_EQ(reply.HexText(), "$F4,$55,$B7");
    uint8_t next = 0;
    EXPECT_EQ(p.link.Read(&next, 1), 1);
    EXPECT_EQ(next, 0x99);
}

struct TimeoutCase {
    const char* name;
    int t1, t2, t3;
    int bytes;    // bytes asked for
    int sent;     // bytes the peer sends at once before falling silent
    int minMs;    // the read must not give up before this
    int maxMs;    // nor hang much beyond it
    int expected; // bytes read
};

class RS232TimeoutTest : public testing::TestWithParam<TimeoutCase> {};

TEST_P(RS232TimeoutTest, ReadGivesUp) {
    const TimeoutCase& c = GetParam();
    PtyLink p;
    p.link.SetT1(c.t1);
    p.link.SetT2(c.t2);
    p.link.SetT3(c.t3);
    p.link.SetTimeouts(-1, -1, -1);
    p.pty.Send(std::vector<uint8_t>(static_cast<size_t>(c.sent), 0x11));
    std::vector<uint8_t> buffer(static_cast<size_t>(c.bytes));
    const auto start = Clock::now();
    timespec cpuStart{}, cpuEnd{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuStart);
    EXPECT_EQ(p.link.Read(buffer.data(), c.bytes), c.expected);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuEnd);
    const double took = msSince(start);
    EXPECT_GE(took, c.minMs - 2);
    EXPECT_LT(took, c.maxMs);
    const double cpuMs =
        (cpuEnd.tv_sec - cpuStart.tv_sec) * 1e3 + (cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 50.0) << "the wait must not spin";
}

INSTANTIATE_TEST_SUITE_P(Table, RS232TimeoutTest,
                         testing::Values(
                             // total = T2 x bytes + T3
                             TimeoutCase{"Constant", 0, 0, 150, 1, 0, 150, 1000, 0},
                             TimeoutCase{"PerByte", 0, 10, 100, 20, 0, 300, 1200, 0},
                             TimeoutCase{"PartialThenTotal", 0, 0, 200, 10, 3, 200, 1100, 3},
                             // T1 between bytes ends the read long before the total
                             TimeoutCase{"Interval", 50, 0, 1000, 10, 2, 50, 700, 2},
                             // T1 does not apply before the first byte
                             TimeoutCase{"IntervalNeedsAByte", 50, 0, 300, 10, 0, 300, 1200, 0},
                             // no total limit: a silent bus gives up after 1000 ms instead of never
                             TimeoutCase{"NoTotalLimit", 50, 0, 0, 4, 0, 1000, 2500, 0},
                             TimeoutCase{"NoLimitAtAll", 0, 0, 0, 4, 0, 1000, 2500, 0},
                             TimeoutCase{"NoTotalLimitAfterBytes", 50, 0, 0, 4, 2, 50, 700, 2}),
                         [](const testing::TestParamInfo<TimeoutCase>& info) {
                             return info.param.name;
                         });

TEST(RS232Test, SetTimeoutsNegativeKeepsTheSettings) {
    PtyLink p;
    p.link.SetT1(40);
    p.link.SetT3(600);
    p.link.SetTimeouts(-1, -1, 250);
    p.pty.Send({1, 2});
    uint8_t buffer[8];
    auto start = Clock::now();
    EXPECT_EQ(p.link.Read(buffer, 8), 2); // T1 still in force
    EXPECT_LT(msSince(start), 200);
    start = Clock::now();
    EXPECT_EQ(p.link.Read(buffer, 1), 0); // 250 ms, not T3's 600
    const double took = msSince(start);
    EXPECT_GE(took, 248);
    EXPECT_LT(took, 590);
}

// ---- Bus silence ----

TEST(RS232Test, WaitForSilenceFindsTheGapAfterTheHeartbeat) {
    EcmSimOptions o;
    o.chatter = true;
    SimLink s(o);
    s.link.SetT6(50);
    const auto start = Clock::now();
    s.link.WaitForSilence(s.console.Writer());
    EXPECT_LT(msSince(start), 3000);
    EXPECT_EQ(s.console.lines, Lines({{"Waiting for Aldl bus silence of at least 50ms...", 3}}));
}

TEST(RS232Test, WaitForSilenceRestoresTheReadTimeouts) {
    PtyLink p;
    p.link.SetT6(20);
    p.link.SetT3(300);
    p.link.SetTimeouts(-1, -1, -1);
    auto start = Clock::now();
    p.link.WaitForSilence(p.console.Writer());
    EXPECT_LT(msSince(start), 250);
    uint8_t byte = 0;
    start = Clock::now();
    EXPECT_EQ(p.link.Read(&byte, 1), 0);
    EXPECT_GE(msSince(start), 295);
}

TEST(RS232Test, WaitForSilenceOnABusThatNeverPauses) {
    EcmSimFaults f;
    f.neverSilent = true;
    f.noiseMs = 1;
    SimLink s(withFaults(f));
    s.link.SetT6(100); // far above the noise spacing, even on a busy machine
    const auto start = Clock::now();
    s.link.WaitForSilence(s.console.Writer());
    EXPECT_LT(msSince(start), 10000);
    EXPECT_EQ(s.console.lines, Lines({{"Waiting for Aldl bus silence of at least 100ms...", 3},
                                      {"Can't find silence greater than 100ms", 4},
                                      {"Hint: try halving T6 from 100ms to 50ms", 3}}));
    EXPECT_GE(s.sim.Counters().bytesSent, 1025u);

    s.console.lines.clear();
    s.link.AdvisedT6 = 31;
    s.link.WaitForSilence(s.console.Writer());
    ASSERT_EQ(s.console.lines.size(), 3u);
    EXPECT_EQ(s.console.lines[2], Line("Hint: the value for T6 should be less than 15ms", 3));
}

// ---- Short writes ----

// A real tty whose writes always come up one byte short, as a stalled driver queue would.
class ShortWriteSerial : public TPosixSerial {
public:
    int opens = 0;
    void Open(const std::string& path) override {
        ++opens;
        TPosixSerial::Open(path);
    }
    int Write(const uint8_t* buffer, int count, int totalMs) override {
        return TPosixSerial::Write(buffer, count - 1, totalMs);
    }
};

TEST(RS232Test, ShortWriteRetriesTwiceAndReopensAfterEachAttempt) {
    EcmSim sim;
    sim.Start();
    TRtime timer;
    auto device = std::make_unique<ShortWriteSerial>();
    ShortWriteSerial& serial = *device;
    TRS232 link(timer, std::move(device));
    link.SetPort(4);
    link.SetDevice(sim.SlavePath());
    link.Echo = true;
    link.Open();
    Console console;
    const auto start = Clock::now();
    EXPECT_FALSE(link.WriteFrame(request, false, false, console.Writer()));
    EXPECT_GE(msSince(start), 300); // 100 ms before each reopen
    const Line timeout("Com4 timeout: Failed to send frame to aldl", 2);
    const Line retrying("Retrying...", 3);
    EXPECT_EQ(console.lines, Lines({timeout, retrying, timeout, retrying, timeout}));
    EXPECT_EQ(serial.opens, 4); // the first open and one after each attempt
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(sim.Counters().requests, 0u);
}

TEST(RS232Test, TestModeWritesNothing) {
    SimLink s;
    EXPECT_FALSE(s.link.WriteFrame(request, true, true, s.console.Writer()));
    EXPECT_EQ(s.console.lines, Lines({{"Start writing frame", 3},
                                      {"Send: " + requestText, 0},
                                      {"Finished writing frame", 3}}));
    EXPECT_EQ(s.sim.Counters().bytesReceived, 0u);
}

// ---- A device that goes away ----

TEST(RS232Test, VanishedDeviceRaisesInsteadOfHanging) {
    EcmSimFaults f;
    f.hangUpAfter = 1;
    f.noEcho = 1;
    SimLink s(withFaults(f));
    const auto start = Clock::now();
    try {
        s.link.WriteFrame(request, false, false, s.console.Writer());
        FAIL() << "no exception";
    } catch (const EQuorvinError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Can't read from Com1. " + s.sim.SlavePath() + ": Input/output error");
    }
    EXPECT_LT(msSince(start), 1500);
    EXPECT_TRUE(s.sim.HungUp());
    // The next request fails at its first step instead of pretending to work.
    try {
        s.link.WriteFrame(request, false, false, s.console.Writer());
        FAIL() << "no exception";
    } catch (const EQuorvinError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Can't purge Com1. " + s.sim.SlavePath() + ": Input/output error");
    }
    EXPECT_TRUE(s.console.lines.empty());
}

TEST(RS232Test, HangUpWhileIdle) {
    SimLink s;
    s.sim.HangUp();
    TPacket reply;
    EXPECT_THROW(s.link.ReadFrame(reply, false, s.console.Writer(), false), EQuorvinError);
}

// ---- 160 baud ----

TEST(RS232Test, OneBitRule) {
    EXPECT_FALSE(TRS232::IsOneBit(0x0F)); // four bits set
    EXPECT_TRUE(TRS232::IsOneBit(0x07));  // three
    EXPECT_TRUE(TRS232::IsOneBit(0x00));
    EXPECT_FALSE(TRS232::IsOneBit(0xFF));
    EXPECT_TRUE(TRS232::IsOneBit(0x81));
}

TEST(RS232Test, StartOfFrameNeedsNineOneBitsInARow) {
    PtyLink p;
    std::vector<uint8_t> samples(5, 0xFF);  // zero bits
    samples.insert(samples.end(), 8, 0x00); // eight one bits ...
    samples.push_back(0xFF);                // ... broken by a zero bit
    samples.insert(samples.end(), 9, 0x07); // nine one bits
    samples.push_back(0x42);                // not read
    p.pty.Send(samples);
    EXPECT_TRUE(p.link.FindStartOfFrame(true, p.console.Writer()));
    EXPECT_EQ(p.console.Count("start of frame mismatch", 3), 6);
    EXPECT_EQ(p.console.Count("start of frame bit 8 of 9", 3), 2);
    EXPECT_EQ(p.console.lines.back(), Line("start of frame detected OK", 1));
    EXPECT_TRUE(p.console.Has("Detected $07", 3));
    uint8_t next = 0;
    EXPECT_EQ(p.link.Read(&next, 1), 1);
    EXPECT_EQ(next, 0x42);
}

TEST(RS232Test, StartOfFrameOnASilentBus) {
    PtyLink p;
    TPacket frame;
    EXPECT_FALSE(p.link.Read160Frame(frame, 1, p.console.Writer(), false, 5));
    EXPECT_EQ(p.console.lines, Lines({{"No data on 160 baud data bus", 3},
                                      {"Com timeout: Expecting start of frame symbol", 2}}));
}

// The search for the symbol gives up after about two frame lengths, at most two seconds of the
// line, but never before the rest of a frame and the next symbol could have come by.
struct SearchCase {
    int baud;
    int count; // data bytes of the frame; 0 = the search alone, frame unknown
    int samples;
};

class StartOfFrameBound : public testing::TestWithParam<SearchCase> {};

TEST_P(StartOfFrameBound, GivesUpOnEndlessZeroBits) {
    const SearchCase& c = GetParam();
    PtyLink p;
    p.link.SetBaud(c.baud);
    EXPECT_EQ(p.link.StartSearchSamples(c.count * 9), c.samples);
    p.pty.Send(std::vector<uint8_t>(2100, 0xFF));
    TPacket frame;
    const bool found = c.count ? p.link.Read160Frame(frame, 1, p.console.Writer(), false, c.count)
                               : p.link.FindStartOfFrame(false, p.console.Writer());
    EXPECT_FALSE(found);
    Lines expected{
        {Format("Error: No start of frame symbol in %d samples of 160 baud data", c.samples), 4}};
    if (c.count)
        expected.push_back({"Com timeout: Expecting start of frame symbol", 2});
    EXPECT_EQ(p.console.lines, expected);
    std::vector<uint8_t> rest(2100);
    EXPECT_EQ(p.link.Read(rest.data(), 2100), 2100 - c.samples);
}

INSTANTIATE_TEST_SUITE_P(Table, StartOfFrameBound,
                         testing::Values(SearchCase{1600, 0, 320},    // two seconds
                                         SearchCase{1600, 20, 320},   // two frames exceed 2 s
                                         SearchCase{2400, 20, 378},   // two frames of 189
                                         SearchCase{2400, 5, 108},    // two frames of 54
                                         SearchCase{1600, 60, 567},   // a frame longer than 2 s
                                         SearchCase{8228, 0, 1645})); // two seconds

// A noisy line without a symbol holds a read for about two seconds, not for 2048 samples (12.8 s
// at 1600 baud); the module's frames are found again once it streams them.
TEST(RS232Test, NoisyLineWithoutSymbolGivesUpWithinTwoSeconds) {
    EcmSimOptions o;
    o.stream160 = true;
    o.sampleBaud = 1600;
    o.faults.noSync160 = true;
    SimLink s(o);
    s.link.SetBaud(1600);
    s.link.SetT2(10);
    s.link.SetTimeouts(-1, -1, -1);
    TPacket frame;
    const auto start = Clock::now();
    EXPECT_FALSE(s.link.Read160Frame(frame, 1, s.console.Writer(), false, 20));
    EXPECT_LT(msSince(start), 4000.0);
    EXPECT_EQ(s.console.lines,
              Lines({{"Error: No start of frame symbol in 320 samples of 160 baud data", 4},
                     {"Com timeout: Expecting start of frame symbol", 2}}));

    o.faults.noSync160 = false;
    s.sim.SetOptions(o);
    s.console.lines.clear();
    EXPECT_TRUE(s.link.Read160Frame(frame, 1, s.console.Writer(), false, 20));
    EXPECT_TRUE(s.console.lines.empty());
}

// A frame that takes longer than the two seconds is still found wherever the search begins.
TEST(RS232Test, LongFramesAreFoundInSpiteOfTheBound) {
    EcmSimOptions o;
    o.stream160 = true;
    o.sampleBaud = 2400;
    o.streamBytes = 60; // 550 samples a frame: 2.3 s
    SimLink s(o);
    s.link.SetBaud(2400);
    s.link.SetT2(10);
    s.link.SetTimeouts(-1, -1, -1);
    for (int i = 0; i < 2; ++i) {
        TPacket frame;
        EXPECT_TRUE(s.link.Read160Frame(frame, 1, s.console.Writer(), false, 60)) << i;
    }
    EXPECT_TRUE(s.console.lines.empty());
}

// Read time-outs too short for the sample rate fail every frame; the hint names time-outs that
// hold it, and with those the frames are read.
struct SlowSampleCase {
    int baud;
    int t1, t2, t3;
    const char* hint;
    int useT1, useT2, useT3;
};

void PrintTo(const SlowSampleCase& c, std::ostream* os) {
    *os << c.baud << " baud, T1 " << c.t1 << ", T2 " << c.t2 << ", T3 " << c.t3;
}

class SlowSamples : public testing::TestWithParam<SlowSampleCase> {};

TEST_P(SlowSamples, HintNamesTimeoutsThatWork) {
    const SlowSampleCase& c = GetParam();
    EcmSimOptions o;
    o.stream160 = true;
    o.sampleBaud = c.baud;
    o.streamBytes = 20;
    SimLink s(o);
    s.link.SetBaud(c.baud);
    s.link.SetT1(c.t1);
    s.link.SetT2(c.t2);
    s.link.SetT3(c.t3);
    s.link.SetTimeouts(-1, -1, -1);
    TPacket frame;
    EXPECT_FALSE(s.link.Read160Frame(frame, 1, s.console.Writer(), false, 20));
    EXPECT_EQ(s.console.Count(c.hint, clInfo), 1) << testing::PrintToString(s.console.lines);

    s.link.SetT1(c.useT1);
    s.link.SetT2(c.useT2);
    s.link.SetT3(c.useT3);
    s.link.SetTimeouts(-1, -1, -1);
    s.console.lines.clear();
    // Frames are read with them; a loaded machine that wakes the reader late may cost one
    // frame now and then, which is not the time-outs' doing.
    int read = 0;
    for (int i = 0; i < 4; ++i)
        read += s.link.Read160Frame(frame, 1, s.console.Writer(), false, 20);
    EXPECT_GE(read, 3) << testing::PrintToString(s.console.lines);
    EXPECT_EQ(s.console.Count(c.hint, clInfo), 0) << testing::PrintToString(s.console.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SlowSamples,
    testing::Values(
        SlowSampleCase{1600, 0, 2, 20,
                       "Hint: T2 2ms and T3 20ms are too short for 160 baud data at 1600 baud "
                       "(180 samples take 1125ms): use T2 7ms and T3 100ms",
                       0, 7, 100},
        SlowSampleCase{2400, 0, 3, 150,
                       "Hint: T2 3ms and T3 150ms are too short for 160 baud data at 2400 baud "
                       "(180 samples take 750ms): use T2 5ms and T3 150ms",
                       0, 5, 150},
        // Too short for a single sample: the symbol is never seen.
        SlowSampleCase{1600, 0, 0, 4,
                       "Hint: T2 0ms and T3 4ms are too short for 160 baud data at 1600 baud "
                       "(1 sample takes 7ms): use T2 7ms and T3 100ms",
                       0, 7, 100},
        // A gap limit shorter than one sample ends the read after its first sample.
        SlowSampleCase{1600, 3, 10, 200,
                       "Hint: T1 3ms, T2 10ms and T3 200ms are too short for 160 baud data at "
                       "1600 baud (180 samples take 1125ms): use T1 0ms, T2 10ms and T3 200ms",
                       0, 10, 200}));

TEST(RS232Test, Read160FrameDecodesTheStream) {
    EcmSimOptions o;
    o.stream160 = true;
    o.sampleBaud = 1600;
    o.oneSample = 0x07;
    o.zeroSample = 0x0F;
    o.streamData = {0x12, 0xA5, 0xFF, 0x00, 0x81};
    SimLink s(o);
    s.link.SetBaud(1600);
    s.link.SetT2(10);
    s.link.SetTimeouts(-1, -1, -1);
    TPacket frame;
    ASSERT_TRUE(s.link.Read160Frame(frame, 0x01, s.console.Writer(), true, 5));
    EXPECT_EQ(frame.HexText(), "$F4,$5B,$01,$12,$A5,$FF,$00,$81,$79");
    EXPECT_TRUE(frame.ChecksumOK());
    EXPECT_EQ(s.console.lines.back(), Line("Recv: " + frame.HexText(), 1));
    EXPECT_TRUE(s.console.Has("Attempting to read 160 baud data frame...", 3));
}

TEST(RS232Test, Read160FrameTooFewSamples) {
    PtyLink p;
    std::vector<uint8_t> samples(9, 0x00);
    samples.insert(samples.end(), 12, 0xFF); // 12 of the 18 samples of two bytes
    p.pty.Send(samples);
    TPacket frame;
    EXPECT_FALSE(p.link.Read160Frame(frame, 0x01, p.console.Writer(), false, 2));
    EXPECT_EQ(p.console.lines, Lines({{"Error: Reply frame invalid", 4}}));
    EXPECT_EQ(frame.Header(), 0xF4);
    EXPECT_EQ(frame.DataLen(), 3);
}

TEST(RS232Test, Read160FrameKeepsTheCountWithinAFrame) {
    PtyLink p;
    p.link.SetT2(1);
    p.link.SetTimeouts(-1, -1, -1);
    std::vector<uint8_t> samples(9, 0x00);
    samples.insert(samples.end(), 169 * 9, 0xFF); // 169 zero bytes
    p.pty.Send(samples);
    TPacket frame;
    EXPECT_TRUE(p.link.Read160Frame(frame, 0x01, p.console.Writer(), false, 500));
    EXPECT_EQ(frame.DataLen(), 170);
    EXPECT_TRUE(frame.ChecksumOK());
    EXPECT_TRUE(p.console.lines.empty());
}

} // namespace
