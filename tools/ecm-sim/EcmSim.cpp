// The simulated engine module's port and conversation: one thread reads what the PC writes,
// frames requests, and sends echo, replies, chatter and 160 baud samples at the line rate.
#include "ecm-sim/EcmSim.h"

#include "common/Errors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <termios.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

namespace {

// A request whose bytes stop arriving for this long is stale: resynchronise on what is left.
constexpr milliseconds requestGap{30};
constexpr std::size_t requestLogLimit = 100000;
// The longest the thread sleeps, so that Stop, HangUp and new options take effect promptly.
constexpr milliseconds longestSleep{10};

std::string systemError(const std::string& what) {
    return what + ". " + std::strerror(errno);
}

void makeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return; // not a terminal (a pipe or a file in tests): nothing to set
    cfmakeraw(&t);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
}

std::string hexText(const EcmBytes& bytes) {
    std::string text;
    char item[8];
    for (std::uint8_t b : bytes) {
        std::snprintf(item, sizeof item, "%s$%02X", text.empty() ? "" : ",", b);
        text += item;
    }
    return text;
}

Clock::duration byteTime(int baud) {
    return nanoseconds(10'000'000'000LL / std::max(baud, 1));
}

// Random 160 baud line samples in which nine one bits never follow each other; a sample is a one
// bit when fewer than four of its bits are set. The last sample is a zero bit, so batches join.
EcmBytes noSyncSamples(std::mt19937& random) {
    EcmBytes samples(32);
    int ones = 0;
    for (std::uint8_t& s : samples) {
        s = static_cast<std::uint8_t>(random() & 0xFF);
        if (ones == 8 || &s == &samples.back())
            s |= 0xF0;
        ones = __builtin_popcount(s) < 4 ? ones + 1 : 0;
    }
    return samples;
}

} // namespace

// The state of one run of the simulator thread.
struct EcmSim::Impl {
    enum class Kind { Echo, Reply, Heartbeat, Chatter, Noise, Sample };
    struct Out {
        std::uint8_t value;
        Kind kind;
        Clock::duration gap{}; // quiet time on the wire before this byte
        bool last = false;     // the last byte of its frame
    };
    // The echo faults are decided once the request's mode byte is in (its third byte).
    enum class EchoMode { Undecided, Normal, None, Wrong };

    explicit Impl(EcmSim& owner) : sim(owner), start(Clock::now()) {
        wireFree = lastSent = chatterAt = start;
    }

    EcmSim& sim;
    EcmSimOptions o;
    std::uint64_t version = ~0ULL;
    bool suspended = false;
    std::mt19937 random;
    Clock::time_point start;

    std::deque<Out> out;
    Clock::time_point wireFree; // when the last byte written has left the wire
    Clock::time_point lastSent;
    bool writeBlocked = false;

    EcmBytes in;   // request bytes not yet framed
    EcmBytes held; // their echo, while undecided or while a wrong echo is being prepared
    EchoMode echoMode = EchoMode::Undecided;
    Clock::time_point lastIn;

    bool chattering = false;
    bool heartbeatNext = true;
    std::size_t nextFrame = 0;
    Clock::time_point chatterAt;
    bool haveSilence = false;
    Clock::time_point silenceFrom, silenceUntil;
    std::size_t nextBusFrame = 0;

    void run();
    void refresh();
    void generate(Clock::time_point now);
    void send(Clock::time_point now);
    void sent(const Out& b);
    void receive(Clock::time_point now);
    void frameInput(Clock::time_point now, bool stale);
    void decideEcho();
    void consume(std::size_t count, bool valid);
    bool faultHits(int mode) const;
    void queueBusFrame(Clock::duration gap);
    void suspendOrResume(int mode);
    void request(const EcmBytes& frame, Clock::time_point now);
    EcmBytes findReply(const EcmBytes& frame) const;
    void ignore(const EcmBytes& frame, const char* why);
    void queueFrame(const EcmBytes& bytes, Kind kind, Clock::duration gap);
    Clock::duration lineTime(Kind kind) const;
    Clock::time_point earliest(const Out& b) const;
    Clock::time_point wakeTime(Clock::time_point now) const;
    bool chance(double p);
    double seconds(Clock::time_point t) const {
        return std::chrono::duration<double>(t - start).count();
    }
    void say(const std::string& line);
    template <class F> void count(F change) {
        std::lock_guard lock(sim.mutex);
        change(sim.counters);
    }
};

void EcmSim::Impl::run() {
    while (!sim.stopping) {
        refresh();
        if (sim.hangUpRequested) {
            sim.CloseFds();
            return;
        }
        const int fd = sim.masterFd;
        if (fd < 0)
            return;
        Clock::time_point now = Clock::now();
        if (!in.empty() && now - lastIn > requestGap)
            frameInput(now, true);
        generate(now);
        send(now);
        if (sim.hungUp)
            return;

        now = Clock::now();
        const auto wait =
            std::clamp<Clock::duration>(wakeTime(now) - now, Clock::duration::zero(), longestSleep);
        const auto ns = std::chrono::duration_cast<nanoseconds>(wait).count();
        timespec timeout{static_cast<time_t>(ns / 1'000'000'000),
                         static_cast<long>(ns % 1'000'000'000)};
        pollfd p{fd, static_cast<short>(POLLIN | (writeBlocked ? POLLOUT : 0)), 0};
        const int ready = ppoll(&p, 1, &timeout, nullptr);
        refresh(); // options changed while asleep apply to what has just arrived
        if (ready > 0 && (p.revents & POLLOUT))
            writeBlocked = false;
        if (ready > 0 && (p.revents & POLLIN))
            receive(Clock::now());
        else if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            std::this_thread::sleep_for(milliseconds(2)); // a device gone away: don't spin
    }
}

void EcmSim::Impl::refresh() {
    std::lock_guard lock(sim.mutex);
    if (version == sim.optionsVersion)
        return;
    const bool first = version == ~0ULL;
    version = sim.optionsVersion;
    o = sim.opts;
    suspended = sim.suspended;
    if (first)
        random.seed(o.seed);
}

bool EcmSim::Impl::chance(double p) {
    if (p <= 0)
        return false;
    if (p >= 1)
        return true;
    return std::uniform_real_distribution<double>(0, 1)(random) < p;
}

void EcmSim::Impl::say(const std::string& line) {
    if (!o.verbose)
        return;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%9.3f] ", seconds(Clock::now()));
    o.verbose(stamp + line);
}

Clock::duration EcmSim::Impl::lineTime(Kind kind) const {
    if (!o.pace)
        return Clock::duration::zero();
    return byteTime(kind == Kind::Sample ? o.sampleBaud : o.baud);
}

Clock::time_point EcmSim::Impl::earliest(const Out& b) const {
    return (o.pace ? wireFree : lastSent) + b.gap;
}

Clock::time_point EcmSim::Impl::wakeTime(Clock::time_point now) const {
    Clock::time_point wake = now + longestSleep;
    if (!out.empty() && !writeBlocked)
        wake = std::min(wake, earliest(out.front()));
    if (out.empty() && chattering)
        wake = std::min(wake, chatterAt);
    if (out.empty() && o.faults.neverSilent)
        wake = std::min(wake, lastSent + milliseconds(std::max(o.faults.noiseMs, 1)));
    if (!in.empty())
        wake = std::min(wake, lastIn + requestGap + milliseconds(1));
    return wake;
}

void EcmSim::Impl::queueFrame(const EcmBytes& bytes, Kind kind, Clock::duration gap) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out.push_back(
            {bytes[i], kind, i == 0 ? gap : Clock::duration::zero(), i + 1 == bytes.size()});
}

// Chatter, 160 baud frames and noise start only on a quiet wire, so they never split a frame.
void EcmSim::Impl::generate(Clock::time_point now) {
    const bool chatterOn = o.chatter && !suspended && !o.stream160;
    if (chatterOn && !chattering) {
        heartbeatNext = true;
        chatterAt = now;
        haveSilence = false;
    }
    chattering = chatterOn;
    if (!out.empty())
        return;
    if (o.stream160 && o.faults.noSync160) {
        for (std::uint8_t s : noSyncSamples(random)) // no frame, so none is counted
            out.push_back({s, Kind::Sample, Clock::duration::zero(), false});
        return;
    }
    if (o.stream160) {
        EcmBytes data = o.streamData;
        if (data.empty()) {
            const EcmBytes message = EcmSimEngineMessage(seconds(now));
            data.assign(message.begin(),
                        message.begin() +
                            std::clamp(o.streamBytes, 1, static_cast<int>(message.size())));
        }
        EcmBytes samples = EcmSimEncode160(data, o.oneSample, o.zeroSample);
        samples.push_back(o.zeroSample);
        queueFrame(samples, Kind::Sample, Clock::duration::zero());
        return;
    }
    if (chattering && now >= chatterAt) {
        if (heartbeatNext || o.chatterFrames.empty()) {
            queueFrame(o.heartbeat, Kind::Heartbeat, Clock::duration::zero());
        } else {
            queueFrame(o.chatterFrames[nextFrame % o.chatterFrames.size()], Kind::Chatter,
                       Clock::duration::zero());
        }
        if (!out.empty())
            return;
    }
    if (o.faults.neverSilent && now - lastSent >= milliseconds(std::max(o.faults.noiseMs, 1)))
        out.push_back({o.faults.noiseValue, Kind::Noise, Clock::duration::zero(), true});
}

void EcmSim::Impl::send(Clock::time_point now) {
    if (writeBlocked || out.empty())
        return;
    EcmBytes batch;
    std::vector<Clock::time_point> freeAfter;
    Clock::time_point free = wireFree;
    Clock::time_point last = lastSent;
    for (const Out& b : out) {
        const Clock::time_point at = (o.pace ? free : last) + b.gap;
        if (at > now)
            break;
        // Late by more than a little (a busy machine): restart the schedule from now.
        const Clock::time_point begin = std::max(at, now - milliseconds(2));
        free = begin + lineTime(b.kind);
        last = now;
        batch.push_back(b.value);
        freeAfter.push_back(free);
    }
    if (batch.empty())
        return;
    // The counters change under the same lock as the write, so a client that has the bytes
    // never reads counters that miss them.
    std::unique_lock lock(sim.mutex);
    const ssize_t n = write(sim.masterFd, batch.data(), batch.size());
    if (n > 0) {
        sim.counters.bytesSent += static_cast<std::uint64_t>(n);
        for (ssize_t i = 0; i < n; ++i)
            sim.counters.echoBytes += out[static_cast<std::size_t>(i)].kind == Kind::Echo;
    }
    lock.unlock();
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            writeBlocked = true;
        else if (errno != EINTR)
            std::this_thread::sleep_for(milliseconds(2));
        return;
    }
    if (static_cast<std::size_t>(n) < batch.size())
        writeBlocked = true;
    if (n == 0)
        return;
    wireFree = freeAfter[n - 1];
    lastSent = now;
    for (ssize_t i = 0; i < n; ++i) {
        const Out b = out.front();
        out.pop_front();
        sent(b);
    }
}

// Bookkeeping when the last byte of a frame has gone out.
void EcmSim::Impl::sent(const Out& b) {
    if (!b.last)
        return;
    const auto gap = milliseconds(o.chatterGapMs);
    switch (b.kind) {
    case Kind::Heartbeat:
        // The PC has the heartbeat as soon as it is written; its answer may come back at once.
        haveSilence = true;
        silenceFrom = lastSent;
        silenceUntil = wireFree + milliseconds(o.silenceMs);
        chatterAt = silenceUntil;
        heartbeatNext = o.chatterFrames.empty();
        nextFrame = 0;
        count([](EcmSimCounters& c) { ++c.chatterCycles; });
        break;
    case Kind::Chatter:
        chatterAt = wireFree + gap;
        heartbeatNext = ++nextFrame >= o.chatterFrames.size();
        break;
    case Kind::Reply:
        chatterAt = std::max(chatterAt, wireFree + gap);
        break;
    case Kind::Sample:
        count([](EcmSimCounters& c) { ++c.frames160; });
        break;
    default:
        break;
    }
}

void EcmSim::Impl::receive(Clock::time_point now) {
    std::uint8_t buffer[512];
    const ssize_t n = read(sim.masterFd, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            std::this_thread::sleep_for(milliseconds(2)); // EIO while no one holds the port
        return;
    }
    count([n](EcmSimCounters& c) { c.bytesReceived += static_cast<std::uint64_t>(n); });
    for (ssize_t i = 0; i < n; ++i) {
        const std::uint8_t b = buffer[i];
        if (echoMode == EchoMode::Normal)
            out.push_back({b, Kind::Echo, Clock::duration::zero(), false});
        else if (echoMode != EchoMode::None)
            held.push_back(b);
        in.push_back(b);
        lastIn = now;
        if (echoMode == EchoMode::Undecided && in.size() >= 3)
            decideEcho();
        frameInput(now, false);
    }
}

bool EcmSim::Impl::faultHits(int mode) const {
    return o.faults.onlyMode < 0 || mode == o.faults.onlyMode;
}

// A new request: its echo faults are decided now, by its mode byte.
void EcmSim::Impl::decideEcho() {
    const int mode = in[1] > 0x55 ? in[2] : -1;
    const bool hit = faultHits(mode);
    echoMode = !o.echo                             ? EchoMode::None
               : hit && chance(o.faults.noEcho)    ? EchoMode::None
               : hit && chance(o.faults.wrongEcho) ? EchoMode::Wrong
                                                   : EchoMode::Normal;
    if (hit && chance(o.faults.frameBeforeEcho))
        queueBusFrame(Clock::duration::zero());
    if (echoMode == EchoMode::Normal)
        for (std::uint8_t b : held)
            out.push_back({b, Kind::Echo, Clock::duration::zero(), false});
    if (echoMode != EchoMode::Wrong)
        held.clear();
}

// The heartbeat and the chatter frames in turn, as if another module had taken the bus.
void EcmSim::Impl::queueBusFrame(Clock::duration gap) {
    const std::size_t k = nextBusFrame++ % (o.chatterFrames.size() + 1);
    queueFrame(k == 0 ? o.heartbeat : o.chatterFrames[k - 1], Kind::Noise, gap);
    count([](EcmSimCounters& c) { ++c.busFrames; });
}

// Frames requests by header and length byte; a bad checksum drops one byte to resynchronise, and a
// stale remainder (stale = no byte for a while) is resynchronised the same way until it is used up.
void EcmSim::Impl::frameInput(Clock::time_point now, bool stale) {
    while (!in.empty()) {
        if (in.size() >= 2) {
            const std::size_t need = (in[1] >= 0x55 ? in[1] - 0x55 : 0) + 3u;
            if (in.size() >= need) {
                const EcmBytes frame(in.begin(), in.begin() + static_cast<long>(need));
                if (EcmSimFrameOK(frame)) {
                    consume(need, true);
                    request(frame, now);
                } else {
                    consume(1, false);
                }
                continue;
            }
        }
        if (!stale)
            return;
        consume(1, false);
    }
}

void EcmSim::Impl::consume(std::size_t n, bool valid) {
    in.erase(in.begin(), in.begin() + static_cast<long>(n));
    if (!valid)
        count([n](EcmSimCounters& c) { c.garbage += n; });
    // A wrong echo goes out frame by frame; undecided bytes (a stale start) as they came.
    const bool wrong = echoMode == EchoMode::Wrong;
    if ((wrong || echoMode == EchoMode::Undecided) && !held.empty()) {
        const auto end = held.begin() + static_cast<long>(std::min(n, held.size()));
        EcmBytes echo(held.begin(), end);
        held.erase(held.begin(), end);
        if (wrong && valid && echo.size() == n) {
            // a different frame that still reads as valid: one byte up, checksum down
            echo[echo.size() > 3 ? echo.size() - 2 : 0] += 1;
            echo.back() -= 1;
        }
        for (std::uint8_t b : echo)
            out.push_back({b, Kind::Echo, Clock::duration::zero(), false});
    }
    if (in.empty()) {
        held.clear();
        echoMode = EchoMode::Undecided;
    }
}

void EcmSim::Impl::ignore(const EcmBytes& frame, const char* why) {
    count([](EcmSimCounters& c) { ++c.ignored; });
    say("no reply to " + hexText(frame) + " (" + why + ")");
}

EcmBytes EcmSim::Impl::findReply(const EcmBytes& frame) const {
    const EcmBytes key(frame.begin() + 1, frame.end() - 1);
    const bool hasMode = frame.size() > 3;
    for (const EcmSimModule& m : o.modules) {
        if (m.header != frame[0])
            continue;
        if (auto it = m.replies.find(key); it != m.replies.end())
            return it->second;
        if (hasMode && m.echoModes.count(frame[2]))
            return frame;
    }
    if (!o.builtinModule || frame[0] != 0xF4)
        return {};
    if (key == EcmBytes{0x57, 0x01, 0x00}) {
        EcmBytes data{0x01};
        const EcmBytes message = EcmSimEngineMessage(seconds(Clock::now()));
        data.insert(data.end(), message.begin(), message.end());
        return EcmSimFrame(0xF4, data);
    }
    if (key.size() == 2 && key[0] == 0x56 && (key[1] == 0x08 || key[1] == 0x09 || key[1] == 0x0A))
        return frame;
    return {};
}

void EcmSim::Impl::request(const EcmBytes& frame, Clock::time_point now) {
    std::uint64_t received = 0;
    {
        std::lock_guard lock(sim.mutex);
        if (sim.log.size() >= requestLogLimit) // bounded: a long session keeps the latest
            sim.log.erase(sim.log.begin(), sim.log.begin() + requestLogLimit / 10);
        sim.log.push_back(frame);
        received = ++sim.counters.requests;
    }
    say("request " + hexText(frame));
    if (o.faults.hangUpAfter > 0 && received >= static_cast<std::uint64_t>(o.faults.hangUpAfter)) {
        say("hanging up");
        sim.CloseFds();
        return;
    }
    if (o.stream160)
        return ignore(frame, "streaming at 160 baud");
    if (chattering && !(haveSilence && now >= silenceFrom && now < silenceUntil))
        return ignore(frame, "outside the silence after the heartbeat");
    EcmBytes reply = findReply(frame);
    if (reply.empty())
        return ignore(frame, "unknown request");
    const int mode = frame.size() > 3 ? frame[2] : -1;
    const bool hit = faultHits(mode);
    if (hit && chance(o.faults.noReply))
        return ignore(frame, "no-reply fault");

    suspendOrResume(mode);
    if (hit && chance(o.faults.badChecksum))
        reply.back() += 1;
    if (hit && chance(o.faults.truncatedReply))
        reply.resize(std::max<std::size_t>(2, reply.size() / 2));
    Clock::duration gap = milliseconds(std::max(o.turnaroundMs, 0));
    if (hit && chance(o.faults.frameBeforeReply)) {
        queueBusFrame(gap);
        gap = Clock::duration::zero();
    }
    if (hit && chance(o.faults.strayByte)) {
        out.push_back({o.faults.strayValue, Kind::Noise, gap, true});
        gap = Clock::duration::zero();
    }
    queueFrame(reply, Kind::Reply, gap);
    count([](EcmSimCounters& c) { ++c.answered; });
    say("reply   " + hexText(reply));
}

// A suspend or resume takes effect as its reply is sent; an ignored suspend is answered only.
void EcmSim::Impl::suspendOrResume(int mode) {
    if (mode != 0x08 && mode != 0x09)
        return;
    if (mode == 0x08 && o.faults.ignoreSuspend) {
        say("suspend ignored: the chatter goes on");
        return;
    }
    suspended = mode == 0x08;
    std::lock_guard lock(sim.mutex);
    sim.suspended = suspended;
}

// ---- EcmSim ----

EcmSim::EcmSim(EcmSimOptions options) : opts(std::move(options)) {
    if (!opts.modulesFile.empty()) {
        std::vector<EcmSimModule> more = LoadEcmSimModules(opts.modulesFile);
        opts.modules.insert(opts.modules.end(), more.begin(), more.end());
    }
    if (opts.device.empty())
        OpenPty();
    else
        OpenDevice();
}

EcmSim::~EcmSim() {
    Stop();
    CloseFds();
}

void EcmSim::OpenPty() {
    masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd < 0)
        throw EQuorvinError(systemError("Can't create a pseudo-terminal"));
    char name[256] = {};
    if (grantpt(masterFd) != 0 || unlockpt(masterFd) != 0 ||
        ptsname_r(masterFd, name, sizeof name) != 0) {
        const std::string message = systemError("Can't set up the pseudo-terminal");
        CloseFds();
        throw EQuorvinError(message);
    }
    slavePath = name;
    makeRaw(masterFd);
    // Our own slave fd: the port is raw before the PC configures it, and the master sees no
    // hang-up while the PC closes and reopens it.
    slaveFd = open(name, O_RDWR | O_NOCTTY);
    if (slaveFd < 0) {
        const std::string message = systemError("Can't open " + slavePath);
        CloseFds();
        throw EQuorvinError(message);
    }
    makeRaw(slaveFd);
    fcntl(masterFd, F_SETFL, fcntl(masterFd, F_GETFL) | O_NONBLOCK);
}

void EcmSim::OpenDevice() {
    slavePath = opts.device;
    masterFd = open(opts.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (masterFd < 0)
        throw EQuorvinError(systemError("Can't open " + opts.device));
    makeRaw(masterFd);
}

void EcmSim::CloseFds() {
    std::lock_guard lock(mutex);
    if (masterFd < 0)
        return;
    hungUp = true; // first, so that whoever sees the hang-up also sees HungUp()
    close(masterFd);
    if (slaveFd >= 0)
        close(slaveFd);
    masterFd = slaveFd = -1;
}

void EcmSim::Start() {
    if (running || hungUp)
        return;
    stopping = false;
    running = true;
    thread = std::thread([this] {
        Impl impl(*this);
        impl.run();
        running = false;
    });
}

void EcmSim::Stop() {
    stopping = true;
    if (thread.joinable())
        thread.join();
    running = false;
    stopping = false;
}

void EcmSim::HangUp() {
    if (running && thread.joinable() && std::this_thread::get_id() != thread.get_id()) {
        hangUpRequested = true;
        for (int i = 0; i < 1000 && running && !hungUp; ++i)
            std::this_thread::sleep_for(milliseconds(1));
    }
    CloseFds();
}

void EcmSim::SetOptions(const EcmSimOptions& options) {
    std::lock_guard lock(mutex);
    const std::string device = opts.device;
    const std::string modulesFile = opts.modulesFile;
    std::vector<EcmSimModule> modules = std::move(opts.modules);
    opts = options;
    opts.device = device;
    opts.modulesFile = modulesFile;
    opts.modules = std::move(modules);
    ++optionsVersion;
}

EcmSimOptions EcmSim::Options() const {
    std::lock_guard lock(mutex);
    return opts;
}

template <class F> void EcmSim::Change(F change) {
    std::lock_guard lock(mutex);
    change(opts);
    ++optionsVersion;
}

void EcmSim::SetFaults(const EcmSimFaults& faults) {
    Change([&](EcmSimOptions& o) { o.faults = faults; });
}
void EcmSim::SetEcho(bool on) {
    Change([on](EcmSimOptions& o) { o.echo = on; });
}
void EcmSim::SetPace(bool on) {
    Change([on](EcmSimOptions& o) { o.pace = on; });
}
void EcmSim::SetTurnaround(int ms) {
    Change([ms](EcmSimOptions& o) { o.turnaroundMs = ms; });
}
void EcmSim::SetChatter(bool on) {
    Change([this, on](EcmSimOptions& o) {
        o.chatter = on;
        suspended = false;
    });
}

bool EcmSim::Suspended() const {
    std::lock_guard lock(mutex);
    return suspended;
}

EcmSimCounters EcmSim::Counters() const {
    std::lock_guard lock(mutex);
    return counters;
}

std::vector<EcmBytes> EcmSim::Requests() const {
    std::lock_guard lock(mutex);
    return log;
}

void EcmSim::ClearLog() {
    std::lock_guard lock(mutex);
    log.clear();
    counters = {};
}

bool EcmSim::WaitForRequests(std::uint64_t n, int timeoutMs) const {
    const auto until = Clock::now() + milliseconds(timeoutMs);
    while (Counters().requests < n) {
        if (Clock::now() >= until)
            return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}
