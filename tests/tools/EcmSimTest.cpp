// The simulated engine module, talked to through a plain raw fd on its pseudo-terminal.
#include "ecm-sim/EcmSim.h"

#include "common/Errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const EcmBytes mode1Request{0xF4, 0x57, 0x01, 0x00, 0xB4};
const EcmBytes suspendRequest{0xF4, 0x56, 0x08, 0xAE};
const EcmBytes resumeRequest{0xF4, 0x56, 0x09, 0xAD};

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct TimedByte {
    std::uint8_t value;
    double ms; // since the read began
};

// The PC's side: the slave opened raw, read with time limits.
class Port {
public:
    explicit Port(const std::string& path) {
        fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0) << path;
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    ~Port() { Close(); }
    void Close() {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    void Write(const EcmBytes& bytes) {
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until n bytes arrived or timeoutMs passed.
    EcmBytes Read(std::size_t n, int timeoutMs) {
        EcmBytes got;
        const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < n && Clock::now() < until) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 5) > 0 && (p.revents & POLLIN)) {
                std::uint8_t b[256];
                const ssize_t r = read(fd, b, std::min(sizeof b, n - got.size()));
                if (r > 0)
                    got.insert(got.end(), b, b + r);
            }
        }
        return got;
    }
    // Everything that arrives within ms, each byte with its arrival time.
    std::vector<TimedByte> ReadTimed(int ms) {
        std::vector<TimedByte> got;
        const auto start = Clock::now();
        while (msSince(start) < ms) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 1) > 0 && (p.revents & POLLIN)) {
                std::uint8_t b[256];
                const ssize_t r = read(fd, b, sizeof b);
                const double at = msSince(start);
                for (ssize_t i = 0; i < r; ++i)
                    got.push_back({b[i], at});
            }
        }
        return got;
    }
    EcmBytes ReadFor(int ms) {
        EcmBytes bytes;
        for (const TimedByte& t : ReadTimed(ms))
            bytes.push_back(t.value);
        return bytes;
    }
    int fd = -1;
};

EcmSimOptions quick() {
    EcmSimOptions o;
    o.pace = false;
    o.turnaroundMs = 0;
    return o;
}

EcmBytes concat(const EcmBytes& a, const EcmBytes& b) {
    EcmBytes c = a;
    c.insert(c.end(), b.begin(), b.end());
    return c;
}

// Position of pattern in bytes from index from on, or -1.
long find(const EcmBytes& bytes, const EcmBytes& pattern, std::size_t from = 0) {
    for (std::size_t i = from; i + pattern.size() <= bytes.size(); ++i)
        if (std::equal(pattern.begin(), pattern.end(), bytes.begin() + static_cast<long>(i)))
            return static_cast<long>(i);
    return -1;
}

} // namespace

TEST(EcmSimFrames, FrameAndChecksum) {
    EXPECT_EQ(EcmSimFrame(0xF4, {0x01, 0x00}), mode1Request);
    EXPECT_EQ(EcmSimFrame(0xF4, {0x08}), suspendRequest);
    EXPECT_TRUE(EcmSimFrameOK(mode1Request));
    EXPECT_FALSE(EcmSimFrameOK({0xF4, 0x57, 0x01, 0x00, 0xB5}));
    EXPECT_FALSE(EcmSimFrameOK({0xF4, 0x58, 0x01, 0x00, 0xB3})); // length byte says 3 data bytes
    EXPECT_TRUE(EcmSimFrameOK({0xFF, 0x00, 0xAC})); // a length byte below $55 reads as $55
}

TEST(EcmSimEngine, MessageStaysInRangeAndMoves) {
    int rpmLow = 0, rpmHigh = 0, o2Rich = 0, o2Lean = 0;
    for (double t = 0; t < 600; t += 0.37) {
        const EcmBytes m = EcmSimEngineMessage(t);
        ASSERT_EQ(m.size(), 60u);
        auto data = [&m](int i) { return m[i - 1]; }; // data[i] of the reply
        SCOPED_TRACE(t);
        EXPECT_EQ(data(1) * 256 + data(2), 0x427E);
        const double coolant = 0.75 * data(8) - 40;
        EXPECT_GE(coolant, 19);
        EXPECT_LE(coolant, 91);
        const int rpm = data(12) * 256 + data(13);
        EXPECT_GE(rpm, 700);
        EXPECT_LE(rpm, 3050);
        EXPECT_NEAR(data(14) * 25, rpm, 25);
        rpmLow += rpm < 800;
        rpmHigh += rpm > 2800;
        const double o2 = 4.44 * data(16);
        o2Rich += o2 > 700;
        o2Lean += o2 < 200;
        EXPECT_NEAR(data(18) / 10.0, 14.1, 0.25);
        EXPECT_LE(data(28), 6);
        EXPECT_EQ(data(31) * 256 + data(32), static_cast<int>(t));
        const bool dtc42 = data(6) & 0x08;
        EXPECT_EQ(dtc42, static_cast<int>(t / 20) % 2 == 1);
        EXPECT_EQ(static_cast<bool>(data(4) & 0x10), dtc42); // check engine lamp
        for (int i = 34; i <= 60; ++i)
            EXPECT_EQ(data(i), 0) << i;
    }
    EXPECT_GT(rpmLow, 0);
    EXPECT_GT(rpmHigh, 0);
    EXPECT_GT(o2Rich, 0);
    EXPECT_GT(o2Lean, 0);
    EXPECT_LT(EcmSimEngineMessage(0)[7], EcmSimEngineMessage(600)[7]); // the coolant warms up
}

TEST(EcmSim, Mode1ReplyIsTheModuleFrameAfterTheEcho) {
    EcmSim sim(quick());
    sim.Start();
    Port port(sim.SlavePath());
    port.Write(mode1Request);
    const EcmBytes got = port.Read(5 + 64, 2000);
    ASSERT_EQ(got.size(), 69u);
    EXPECT_EQ(EcmBytes(got.begin(), got.begin() + 5), mode1Request);
    const EcmBytes reply(got.begin() + 5, got.end());
    EXPECT_EQ(reply[0], 0xF4);
    EXPECT_EQ(reply[1], 0x92);
    EXPECT_EQ(reply[2], 0x01);
    EXPECT_TRUE(EcmSimFrameOK(reply));
    EXPECT_EQ(reply[3] * 256 + reply[4], 0x427E);
    EXPECT_EQ(port.ReadFor(50).size(), 0u); // nothing more
}

TEST(EcmSim, CountersAndRequestLog) {
    EcmSim sim(quick());
    sim.Start();
    Port port(sim.SlavePath());
    port.Write(mode1Request);
    ASSERT_EQ(port.Read(69, 2000).size(), 69u);
    port.Write({0xF4, 0x56, 0x7E, 0x38}); // valid frame, unknown mode: no reply
    EXPECT_EQ(port.Read(4, 1000).size(), 4u);
    ASSERT_TRUE(sim.WaitForRequests(2, 1000));
    const EcmSimCounters c = sim.Counters();
    EXPECT_EQ(c.requests, 2u);
    EXPECT_EQ(c.answered, 1u);
    EXPECT_EQ(c.ignored, 1u);
    EXPECT_EQ(c.bytesReceived, 9u);
    EXPECT_EQ(c.echoBytes, 9u);
    EXPECT_EQ(c.bytesSent, 9u + 64u);
    EXPECT_EQ(sim.Requests(), (std::vector<EcmBytes>{mode1Request, {0xF4, 0x56, 0x7E, 0x38}}));
    sim.ClearLog();
    EXPECT_TRUE(sim.Requests().empty());
    EXPECT_EQ(sim.Counters().requests, 0u);
}

TEST(EcmSim, EchoOnAndOff) {
    EcmSim sim(quick());
    sim.Start();
    Port port(sim.SlavePath());
    sim.SetEcho(false);
    port.Write(suspendRequest);
    EXPECT_EQ(port.Read(8, 500), suspendRequest); // the reply only
    EXPECT_TRUE(port.ReadFor(50).empty());
    sim.SetEcho(true);
    port.Write({0x12, 0x34}); // garbage is echoed too, just as written
    EXPECT_EQ(port.Read(2, 500), (EcmBytes{0x12, 0x34}));
}

TEST(EcmSim, ModeFramesAreAnsweredWithThemselves) {
    EcmSim sim(quick());
    sim.Start();
    Port port(sim.SlavePath());
    for (const EcmBytes& request :
         {suspendRequest, resumeRequest, EcmBytes{0xF4, 0x56, 0x0A, 0xAC}}) {
        port.Write(request);
        EXPECT_EQ(port.Read(2 * request.size(), 1000), concat(request, request));
    }
    EXPECT_TRUE(port.ReadFor(50).empty());
}

TEST(EcmSim, BadOrUnknownRequestsGetNoReplyAndTheReaderResynchronises) {
    EcmSim sim(quick());
    sim.Start();
    Port port(sim.SlavePath());
    const EcmBytes silent[] = {
        {0xF4, 0x57, 0x01, 0x00, 0xB5}, // bad checksum
        {0xF4, 0x57, 0x01, 0x01, 0xB3}, // message 1: unknown
        {0xE4, 0x57, 0x01, 0x00, 0xC4}, // another module
        {0xFF, 0x00, 0xAC},             // the interface probe
    };
    for (const EcmBytes& request : silent) {
        port.Write(request);
        EXPECT_EQ(port.ReadFor(300), request); // the echo only (a loaded machine may be slow)
    }
    // Garbage that begins like a long frame, then a good request: answered once it is stale.
    port.Write(concat({0x00, 0xF4, 0x13}, mode1Request));
    const EcmBytes got = port.Read(8 + 64, 2000);
    ASSERT_EQ(got.size(), 72u);
    EXPECT_TRUE(EcmSimFrameOK(EcmBytes(got.begin() + 8, got.end())));
    EXPECT_GE(sim.Counters().garbage, 3u);
}

TEST(EcmSim, RandomGarbageNeverStopsTheNextRequest) {
    EcmSimOptions o = quick();
    o.echo = false;
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    std::uint32_t x = 12345;
    for (int round = 0; round < 5; ++round) {
        EcmBytes garbage(300);
        for (std::uint8_t& b : garbage) {
            x = x * 1103515245u + 12345u;
            b = static_cast<std::uint8_t>(x >> 16);
        }
        port.Write(garbage);
        port.ReadFor(80); // whatever the garbage happened to frame
        port.Write(mode1Request);
        const EcmBytes got = port.Read(64, 1000);
        ASSERT_EQ(got.size(), 64u) << round;
        EXPECT_TRUE(EcmSimFrameOK(got));
    }
}

TEST(EcmSim, PacingAndTurnaround) {
    EcmSimOptions o;
    o.turnaroundMs = 60;
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    const auto start = Clock::now();
    port.Write(mode1Request);
    const auto bytes = port.ReadTimed(600);
    ASSERT_EQ(bytes.size(), 69u);
    // 69 bytes at 1.22 ms each plus the turnaround.
    EXPECT_GE(bytes.back().ms, 69 * 1.2 * 0.8 + 60);
    // The turnaround sits between echo and reply; a late wake-up of the reader on a loaded
    // machine shortens the measured gap by a few milliseconds.
    EXPECT_GE(bytes[5].ms - bytes[4].ms, 45);
    EXPECT_LT(msSince(start), 2000);
}

TEST(EcmSim, ClientMayCloseAndReopenThePort) {
    EcmSim sim(quick());
    sim.Start();
    for (int round = 0; round < 3; ++round) {
        Port port(sim.SlavePath());
        port.Write(suspendRequest);
        EXPECT_EQ(port.Read(8, 1000).size(), 8u) << round;
    }
}

struct FaultCase {
    const char* name;
    EcmSimFaults faults;
    std::function<void(const EcmBytes& echo, const EcmBytes& rest)> check;
};

TEST(EcmSim, EachFault) {
    auto with = [](auto set) {
        EcmSimFaults f;
        set(f);
        return f;
    };
    const FaultCase cases[] = {
        {"no echo", with([](EcmSimFaults& f) { f.noEcho = 1; }),
         [](const EcmBytes& all, const EcmBytes&) {
             ASSERT_EQ(all.size(), 64u);
             EXPECT_TRUE(EcmSimFrameOK(all));
         }},
        {"wrong echo", with([](EcmSimFaults& f) { f.wrongEcho = 1; }),
         [](const EcmBytes& echo, const EcmBytes& rest) {
             EXPECT_NE(echo, mode1Request);
             EXPECT_TRUE(EcmSimFrameOK(echo));
             EXPECT_EQ(rest.size(), 64u);
         }},
        {"no reply", with([](EcmSimFaults& f) { f.noReply = 1; }),
         [](const EcmBytes& echo, const EcmBytes& rest) {
             EXPECT_EQ(echo, mode1Request);
             EXPECT_TRUE(rest.empty());
         }},
        {"bad checksum", with([](EcmSimFaults& f) { f.badChecksum = 1; }),
         [](const EcmBytes&, const EcmBytes& rest) {
             ASSERT_EQ(rest.size(), 64u);
             EXPECT_FALSE(EcmSimFrameOK(rest));
             EXPECT_EQ(rest[1], 0x92);
         }},
        {"truncated", with([](EcmSimFaults& f) { f.truncatedReply = 1; }),
         [](const EcmBytes&, const EcmBytes& rest) {
             EXPECT_EQ(rest.size(), 32u);
             EXPECT_EQ(rest[0], 0xF4);
         }},
        {"stray byte", with([](EcmSimFaults& f) { f.strayByte = 1; }),
         [](const EcmBytes&, const EcmBytes& rest) {
             ASSERT_EQ(rest.size(), 65u);
             EXPECT_EQ(rest[0], 0x5A);
             EXPECT_TRUE(EcmSimFrameOK(EcmBytes(rest.begin() + 1, rest.end())));
         }},
    };
    EcmSim sim(quick());
    sim.Start();
    Port port(sim.SlavePath());
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim.SetFaults(c.faults);
        port.Write(mode1Request);
        const EcmBytes got = port.ReadFor(250);
        const std::size_t echoLength = std::min<std::size_t>(got.size(), 5);
        c.check(c.faults.noEcho ? got : EcmBytes(got.begin(), got.begin() + echoLength),
                EcmBytes(got.begin() + echoLength, got.end()));
    }
}

// Another module's frame (the heartbeat, then the chatter frames in turn) before the reply or
// before the echo.
TEST(EcmSim, BusFramesGoOutBeforeTheReplyOrTheEcho) {
    const EcmSimOptions o = quick();
    const EcmBytes& reply0A = o.chatterFrames.at(0);
    struct Case {
        const char* name;
        double EcmSimFaults::*fault;
        std::vector<EcmBytes> first, second; // the parts of two answers in order
    };
    const Case cases[] = {
        {"before the reply",
         &EcmSimFaults::frameBeforeReply,
         {mode1Request, o.heartbeat},
         {mode1Request, reply0A}},
        {"before the echo",
         &EcmSimFaults::frameBeforeEcho,
         {o.heartbeat, mode1Request},
         {reply0A, mode1Request}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EcmSim sim(o);
        EcmSimFaults f;
        f.*c.fault = 1;
        sim.SetFaults(f);
        sim.Start();
        Port port(sim.SlavePath());
        for (const auto* parts : {&c.first, &c.second}) {
            port.Write(mode1Request);
            const EcmBytes head = concat((*parts)[0], (*parts)[1]);
            const EcmBytes got = port.Read(head.size() + 64, 1000);
            ASSERT_EQ(got.size(), head.size() + 64);
            EXPECT_EQ(EcmBytes(got.begin(), got.begin() + static_cast<long>(head.size())), head);
            EXPECT_TRUE(
                EcmSimFrameOK(EcmBytes(got.begin() + static_cast<long>(head.size()), got.end())));
        }
        EXPECT_EQ(sim.Counters().busFrames, 2u);
    }
}

TEST(EcmSim, FaultsAimedAtOneModeSpareTheOthers) {
    EcmSimOptions o = quick();
    o.faults.noReply = 1;
    o.faults.noEcho = 1;
    o.faults.onlyMode = 0x08;
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    port.Write(mode1Request);
    EXPECT_EQ(port.Read(5 + 64, 1000).size(), 5u + 64u);
    port.Write(suspendRequest);
    EXPECT_TRUE(port.ReadFor(100).empty());
    EXPECT_FALSE(sim.Suspended());
    port.Write(resumeRequest);
    EXPECT_EQ(port.Read(8, 1000), concat(resumeRequest, resumeRequest));
}

TEST(EcmSim, FaultProbabilityHitsSomeRequests) {
    EcmSimOptions o = quick();
    o.echo = false;
    o.faults.noReply = 0.5;
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    for (int i = 0; i < 40; ++i) {
        port.Write(suspendRequest);
        port.ReadFor(15);
    }
    ASSERT_TRUE(sim.WaitForRequests(40, 1000));
    const EcmSimCounters c = sim.Counters();
    EXPECT_GT(c.answered, 0u);
    EXPECT_GT(c.ignored, 0u);
    EXPECT_EQ(c.answered + c.ignored, 40u);
}

TEST(EcmSim, NeverSilentBusKeepsSending) {
    EcmSimOptions o;
    o.faults.neverSilent = true;
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    const auto bytes = port.ReadTimed(300);
    ASSERT_GT(bytes.size(), 20u);
    double longest = bytes.front().ms;
    for (std::size_t i = 1; i < bytes.size(); ++i)
        longest = std::max(longest, bytes[i].ms - bytes[i - 1].ms);
    EXPECT_LT(longest, 40); // never a gap a silence detector could take
    EXPECT_EQ(bytes.front().value, 0xAA);
}

namespace {

// True once the PC's side of the port reports the hang-up.
bool seesHangUp(Port& port, int timeoutMs) {
    const auto start = Clock::now();
    while (msSince(start) < timeoutMs) {
        pollfd p{port.fd, POLLIN, 0};
        if (poll(&p, 1, 10) > 0) {
            if (p.revents & (POLLHUP | POLLERR))
                return true;
            std::uint8_t b[256];
            const ssize_t r = read(port.fd, b, sizeof b);
            if (r == 0 || (r < 0 && errno == EIO))
                return true;
        }
    }
    return false;
}

} // namespace

TEST(EcmSim, HangUpOnDemandAndAfterRequests) {
    {
        EcmSim sim(quick());
        sim.Start();
        Port port(sim.SlavePath());
        sim.HangUp();
        EXPECT_TRUE(sim.HungUp());
        EXPECT_TRUE(seesHangUp(port, 1000));
    }
    EcmSimOptions o = quick();
    o.faults.hangUpAfter = 2;
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    port.Write(suspendRequest);
    EXPECT_EQ(port.Read(8, 1000).size(), 8u);
    EXPECT_FALSE(sim.HungUp());
    port.Write(suspendRequest);
    EXPECT_TRUE(seesHangUp(port, 1000));
    EXPECT_TRUE(sim.HungUp());
}

TEST(EcmSim, StopIsPrompt) {
    EcmSim sim;
    sim.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto start = Clock::now();
    sim.Stop();
    EXPECT_LT(msSince(start), 500);
    EXPECT_FALSE(sim.Running());
}

// ---- chatter ----

namespace {

EcmSimOptions chattering() {
    EcmSimOptions o;
    o.chatter = true;
    o.turnaroundMs = 2;
    return o;
}

// Arrival time of the last byte of the first heartbeat at or after index from, or -1.
long heartbeatEnd(const std::vector<TimedByte>& bytes, std::size_t from = 0) {
    for (std::size_t i = from; i + 3 <= bytes.size(); ++i)
        if (bytes[i].value == 0x08 && bytes[i + 1].value == 0x55 && bytes[i + 2].value == 0xA3)
            return static_cast<long>(i + 2);
    return -1;
}

// Reads until the end of a heartbeat has arrived.
bool waitForHeartbeat(Port& port, int timeoutMs) {
    EcmBytes seen;
    const auto start = Clock::now();
    while (msSince(start) < timeoutMs) {
        const EcmBytes b = port.Read(1, 20);
        seen.insert(seen.end(), b.begin(), b.end());
        if (seen.size() >= 3 && find(seen, {0x08, 0x55, 0xA3}, seen.size() - 3) >= 0)
            return true;
    }
    return false;
}

} // namespace

TEST(EcmSimChatter, HeartbeatSilenceThenFrames) {
    EcmSim sim(chattering());
    sim.Start();
    Port port(sim.SlavePath());
    const auto bytes = port.ReadTimed(900);
    const long hb = heartbeatEnd(bytes);
    ASSERT_GE(hb, 0);
    ASSERT_LT(static_cast<std::size_t>(hb + 1), bytes.size());
    const double silence = bytes[hb + 1].ms - bytes[hb].ms;
    EXPECT_GE(silence, 120);
    EXPECT_LE(silence, 300);
    // After the silence the other frames, then the next heartbeat.
    EcmBytes after;
    for (std::size_t i = hb + 1; i < bytes.size(); ++i)
        after.push_back(bytes[i].value);
    const EcmSimOptions o = chattering();
    std::size_t at = 0;
    for (const EcmBytes& frame : o.chatterFrames) {
        ASSERT_EQ(find(after, frame, at), static_cast<long>(at));
        at += frame.size();
    }
    EXPECT_EQ(find(after, o.heartbeat, at), static_cast<long>(at));
    // The frames are spaced, not sent back to back.
    const double cycle = bytes[hb + 1 + at].ms - bytes[hb + 1].ms;
    EXPECT_GE(cycle, 2 * 12);
    EXPECT_GE(sim.Counters().chatterCycles, 2u);
}

TEST(EcmSimChatter, RequestAnsweredOnlyInTheSilence) {
    EcmSimOptions o = chattering();
    o.echo = false;
    o.chatterGapMs = 50; // the next heartbeat is at least 100 ms after the first chatter frame
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());

    // Just after the heartbeat: in the silence.
    ASSERT_TRUE(waitForHeartbeat(port, 2000));
    port.Write(mode1Request);
    const EcmBytes got = port.Read(64, 1000);
    ASSERT_EQ(got.size(), 64u);
    EXPECT_TRUE(EcmSimFrameOK(got));

    // Just after the first chatter frame: not answered.
    const EcmBytes last = o.chatterFrames.front();
    EcmBytes seen;
    const auto start = Clock::now();
    while (msSince(start) < 2000 &&
           (seen.size() < last.size() || find(seen, last, seen.size() - last.size()) < 0)) {
        const EcmBytes b = port.Read(1, 20);
        seen.insert(seen.end(), b.begin(), b.end());
    }
    const std::uint64_t answered = sim.Counters().answered;
    port.Write(mode1Request);
    ASSERT_TRUE(sim.WaitForRequests(2, 1000));
    EXPECT_EQ(sim.Counters().answered, answered);
    EXPECT_EQ(sim.Counters().ignored, 1u);
}

TEST(EcmSimChatter, SuspendStopsChatterUntilResume) {
    EcmSimOptions o = chattering();
    o.echo = false;
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    ASSERT_TRUE(waitForHeartbeat(port, 2000));
    port.Write(suspendRequest);
    EXPECT_EQ(port.Read(4, 500), suspendRequest);
    EXPECT_TRUE(sim.Suspended());
    EXPECT_TRUE(port.ReadFor(400).empty()); // quiet now
    port.Write(mode1Request);               // answered at once while suspended
    EXPECT_EQ(port.Read(64, 1000).size(), 64u);
    port.Write(resumeRequest);
    EXPECT_EQ(port.Read(4, 500), resumeRequest);
    EXPECT_FALSE(sim.Suspended());
    EXPECT_TRUE(waitForHeartbeat(port, 1000));
}

// A body module that ignores the suspend: the frame is answered, the chatter goes on.
TEST(EcmSimChatter, IgnoredSuspendIsAnsweredButTheChatterGoesOn) {
    EcmSimOptions o = chattering();
    o.echo = false;
    o.faults.ignoreSuspend = true;
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    ASSERT_TRUE(waitForHeartbeat(port, 2000));
    port.Write(suspendRequest);
    EXPECT_EQ(port.Read(4, 500), suspendRequest);
    EXPECT_FALSE(sim.Suspended());
    EXPECT_TRUE(waitForHeartbeat(port, 1000));
}

// ---- 160 baud ----

namespace {

bool isOne(std::uint8_t sample) {
    return __builtin_popcount(sample) < 4;
}

// Decodes the first complete frame of count data bytes after a sync symbol.
EcmBytes decode160(const EcmBytes& samples, std::size_t count) {
    int run = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        run = isOne(samples[i]) ? run + 1 : 0;
        if (run < 9)
            continue;
        if (i + 1 + 9 * count > samples.size())
            return {};
        EcmBytes data;
        for (std::size_t g = 0; g < count; ++g) {
            const std::size_t first = i + 1 + 9 * g;
            EXPECT_FALSE(isOne(samples[first])) << "start bit of byte " << g;
            std::uint8_t b = 0;
            for (std::size_t k = 1; k <= 8; ++k)
                b = static_cast<std::uint8_t>(b << 1 | isOne(samples[first + k]));
            data.push_back(b);
        }
        return data;
    }
    return {};
}

} // namespace

TEST(EcmSim160, EncodingOfOneFrame) {
    const EcmBytes samples = EcmSimEncode160({0x80, 0x01}, 0x07, 0x0F);
    const EcmBytes expected{0x07, 0x07, 0x07, 0x07, 0x07, 0x07, 0x07, 0x07, 0x07,  // sync
                            0x0F, 0x07, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F,  // $80
                            0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x07}; // $01
    EXPECT_EQ(samples, expected);
    EXPECT_EQ(decode160(samples, 2), (EcmBytes{0x80, 0x01}));
}

TEST(EcmSim160, StreamsFramesThatDecodeBack) {
    struct Case {
        const char* name;
        EcmBytes data;     // configured, or empty for the engine's message
        EcmBytes expected; // the first data bytes expected
    };
    const Case cases[] = {
        {"configured bytes", {0xFF, 0x00, 0xA5, 0xFF}, {0xFF, 0x00, 0xA5, 0xFF}},
        {"engine message", {}, {0x42, 0x7E}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EcmSimOptions o;
        o.echo = false;
        o.stream160 = true;
        o.pace = false;
        o.streamData = c.data;
        o.streamBytes = 4;
        EcmSim sim(o);
        sim.Start();
        Port port(sim.SlavePath());
        const EcmBytes samples = port.Read(400, 2000);
        ASSERT_EQ(samples.size(), 400u);
        const EcmBytes decoded = decode160(samples, 4);
        ASSERT_EQ(decoded.size(), 4u);
        EXPECT_EQ(EcmBytes(decoded.begin(), decoded.begin() + c.expected.size()), c.expected);
        EXPECT_GE(sim.Counters().frames160, 1u);
    }
}

TEST(EcmSim160, PacedAtTheSampleRate) {
    EcmSimOptions o;
    o.echo = false;
    o.stream160 = true;
    o.sampleBaud = 2400; // 240 samples a second
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    const std::size_t n = port.ReadFor(500).size();
    EXPECT_GT(n, 40u);
    EXPECT_LT(n, 240u);
}

// ---- modules file ----

TEST(EcmSimModules, FileModulesAnswerBeforeTheBuiltIn) {
    const auto modules = ParseEcmSimModules("# a body module\n"
                                            "module $E4\n"
                                            "reply 57 01 00 = 01 12 34   # mode 1 message 0\n"
                                            "reply 56,02 = frame E4 56 02 00\n"
                                            "echo-mode 08 0x09\n"
                                            "module F4\n"
                                            "reply 56 0A = 0A 99\n",
                                            "test");
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(modules[0].replies.at({0x57, 0x01, 0x00}), EcmSimFrame(0xE4, {0x01, 0x12, 0x34}));
    EXPECT_EQ(modules[0].replies.at({0x56, 0x02}), (EcmBytes{0xE4, 0x56, 0x02, 0x00}));
    EXPECT_EQ(modules[0].echoModes, (std::set<std::uint8_t>{0x08, 0x09}));

    EcmSimOptions o = quick();
    o.echo = false;
    o.modules = modules;
    EcmSim sim(o);
    sim.Start();
    Port port(sim.SlavePath());
    const EcmBytes e4mode1{0xE4, 0x57, 0x01, 0x00, 0xC4};
    const EcmBytes e4suspend = EcmSimFrame(0xE4, {0x08});
    const EcmBytes f4ten{0xF4, 0x56, 0x0A, 0xAC};
    struct Exchange {
        EcmBytes request, reply;
    } exchanges[] = {
        {e4mode1, EcmSimFrame(0xE4, {0x01, 0x12, 0x34})},
        {e4suspend, e4suspend},
        {f4ten, EcmSimFrame(0xF4, {0x0A, 0x99})}, // the file's reply wins over the built-in
        {EcmSimFrame(0xE4, {0x0A}), {}},          // not in the file: no reply
    };
    for (const Exchange& x : exchanges) {
        port.Write(x.request);
        EXPECT_EQ(port.ReadFor(100), x.reply);
    }
    port.Write(mode1Request); // the built-in module still answers the rest
    EXPECT_EQ(port.Read(64, 1000).size(), 64u);
}

TEST(EcmSimModules, BadLinesNameFileAndLine) {
    const char* bad[] = {
        "reply 57 01 00 = 01",          // before any module
        "module F4\nreply 57 01 = 01",  // length byte says two data bytes
        "module F4\nreply 57 01 00 01", // no "="
        "module F4\nreply 56 01 = 1G",  // not hexadecimal
        "module F4\nanswer 56 01 = 01", // unknown statement
        "module\n",                     // no header
        "module F4\necho-mode\n",       // no modes
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        try {
            ParseEcmSimModules(text, "my.modules");
            ADD_FAILURE() << "accepted";
        } catch (const EQuorvinError& e) {
            EXPECT_NE(std::string(e.what()).find("my.modules, line "), std::string::npos)
                << e.what();
        }
    }
    EXPECT_THROW(LoadEcmSimModules("/nonexistent/dir/x.modules"), EQuorvinError);
}
