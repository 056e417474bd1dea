#pragma once
// A simulated engine control module on the ALDL bus: the independent peer for the link, engine and
// detection tests, and the way a user tries the program without a car. It talks on a new
// pseudo-terminal (or a given device) and computes its frames itself, sharing no code with the
// link it is meant to test.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using EcmBytes = std::vector<std::uint8_t>;

/// A complete frame: header, length byte $55 + n, the n data bytes, checksum (byte sum 0 mod 256).
EcmBytes EcmSimFrame(std::uint8_t header, const EcmBytes& data);

/// True when bytes holds header, length byte, data and checksum that agree (the length byte must
/// match the size; a length byte below $55 counts as $55, as the link reads it).
bool EcmSimFrameOK(const EcmBytes& frame);

/// The 60 message bytes (data[1] .. data[60], without the mode byte) of the built-in engine
/// module's mode 1 reply at the given time since start, laid out as tools/ecm-sim/MODULE.md says.
EcmBytes EcmSimEngineMessage(double seconds);

/// 160 baud line samples of one frame: the sync symbol (nine one bits), then for every data byte a
/// zero bit and its 8 bits, most significant first; one sample byte per bit.
EcmBytes EcmSimEncode160(const EcmBytes& data, std::uint8_t oneSample = 0x00,
                         std::uint8_t zeroSample = 0xFF);

/// One simulated module: fixed replies keyed by the request bytes after the header without the
/// checksum (length byte and data, e.g. 57 01 00), and modes answered with the identical frame.
struct EcmSimModule {
    std::uint8_t header = 0xF4;
    std::map<EcmBytes, EcmBytes> replies; // key: length byte + data; value: complete reply frame
    std::set<std::uint8_t> echoModes;     // requests of these modes are answered with themselves
};

/// Reads a modules file (format in EcmSimModulesFormat()); throws EQuorvinError naming the file
/// and line for anything it cannot read.
std::vector<EcmSimModule> LoadEcmSimModules(const std::string& path);
/// The same from text; origin names the source in error messages.
std::vector<EcmSimModule> ParseEcmSimModules(const std::string& text, const std::string& origin);
/// The modules file format as help text (used by ecm-sim --help).
const char* EcmSimModulesFormat();

/// Faults. Each double is a probability 0..1 per request (1 = always, 0 = never).
struct EcmSimFaults {
    double noEcho = 0;         // the request's echo is left out
    double wrongEcho = 0;      // the echo comes back as a different frame with a valid checksum
    double noReply = 0;        // a request that would be answered is not
    double badChecksum = 0;    // the reply's checksum byte is off by one
    double truncatedReply = 0; // only the first half of the reply's bytes is sent
    double strayByte = 0;      // one extra byte (strayValue) goes out just before the reply
    std::uint8_t strayValue = 0x5A;
    // 160 baud streaming sends random line samples instead of frames, in which the sync symbol
    // (nine one bits in a row) never appears: a noisy line that never synchronises.
    bool noSync160 = false;
    bool neverSilent = false; // the bus never falls silent: noiseValue at least every noiseMs
    std::uint8_t noiseValue = 0xAA;
    int noiseMs = 3;
    int hangUpAfter = 0; // close the master side once this many requests were received; 0 = never
    // Bus traffic: a frame of another module (the heartbeat and the chatter frames in turn) goes
    // out just before the reply, or just before the echo of the request.
    double frameBeforeReply = 0;
    double frameBeforeEcho = 0;
    // A body module that ignores the suspend: mode $08 is answered, but the chatter goes on.
    bool ignoreSuspend = false;
    // The per-request faults above hit only requests with this mode byte (e.g. $08, the
    // suspend); -1 = every request.
    int onlyMode = -1;
};

struct EcmSimOptions {
    std::string device;        // empty: a new pseudo-terminal; else this device is opened raw
    bool echo = true;          // MAX232 echo: every byte the PC writes comes back as written
    bool pace = true;          // send at the line rate (10 bits per byte at baud)
    int baud = 8192;           // line rate for pacing (8192 baud: 1.2207 ms a byte)
    int turnaroundMs = 2;      // delay between the end of a request and its reply
    bool builtinModule = true; // the $F4 engine module of MODULE.md
    std::string modulesFile;   // extra modules (LoadEcmSimModules), read by the constructor
    std::vector<EcmSimModule> modules; // extra modules given directly; they take precedence

    // Chatter: heartbeat, silence, then the other frames chatterGapMs apart, repeating. While
    // chattering a request is answered only when it arrives in the silence after the heartbeat.
    // Mode $08 suspends the chatter until mode $09 resumes it.
    bool chatter = false;
    EcmBytes heartbeat{0x08, 0x55, 0xA3}; // sent exactly as given
    int silenceMs = 131;
    std::vector<EcmBytes> chatterFrames{EcmSimFrame(0x0A, {0x01, 0x20, 0x00}),
                                        EcmSimFrame(0xF0, {0x01, 0x00, 0x11, 0x22, 0x33}),
                                        EcmSimFrame(0x40, {0x02, 0x7F})};
    int chatterGapMs = 15;

    // 160 baud streaming: frames of line samples (EcmSimEncode160), continuously, one sample byte
    // every 10 bits at sampleBaud. The data bytes are streamData when it is not empty, else the
    // first streamBytes message bytes (data[1] ..) of the built-in module's mode 1 reply at that
    // moment. One zero bit follows each frame, so that a last byte ending in one bits cannot run
    // into the next sync symbol. Requests are neither answered nor framed while streaming.
    bool stream160 = false;
    int sampleBaud = 1600; // 1600 or 2400
    std::uint8_t oneSample = 0x00;
    std::uint8_t zeroSample = 0xFF;
    int streamBytes = 20;
    EcmBytes streamData;

    EcmSimFaults faults;
    unsigned seed = 1; // for the fault probabilities

    /// Called (on the simulator's thread) with a line for every request, reply and event.
    std::function<void(const std::string&)> verbose;
};

struct EcmSimCounters {
    std::uint64_t requests = 0; // request frames received with a valid checksum
    std::uint64_t answered = 0; // replies sent (echo-mode replies included)
    std::uint64_t ignored = 0;  // valid requests not answered (unknown, outside silence, fault)
    std::uint64_t garbage = 0;  // bytes dropped while resynchronising on bad input
    std::uint64_t bytesReceived = 0; // every byte read from the PC
    std::uint64_t bytesSent = 0;     // every byte written: echo, replies, chatter, samples, noise
    std::uint64_t echoBytes = 0;     // echo bytes sent
    std::uint64_t chatterCycles = 0; // heartbeats sent
    std::uint64_t frames160 = 0;     // 160 baud frames streamed completely
    std::uint64_t busFrames = 0;     // frames of other modules sent by the bus traffic faults
};

class EcmSim {
public:
    /// Opens the pseudo-terminal (master raw, slave raw and kept open) or the device, and loads
    /// the modules file. Throws EQuorvinError on failure.
    explicit EcmSim(EcmSimOptions options = {});
    ~EcmSim(); // stops and closes
    EcmSim(const EcmSim&) = delete;
    EcmSim& operator=(const EcmSim&) = delete;

    /// The path the PC opens: the pty slave (/dev/pts/N) or the given device.
    std::string SlavePath() const { return slavePath; }

    void Start(); // runs the simulator on its own thread
    void Stop();  // prompt (within a few ms); the port stays open until destruction or HangUp
    bool Running() const { return running; }

    /// Changes take effect at once on the running simulator (device and modules excepted).
    void SetOptions(const EcmSimOptions& options);
    EcmSimOptions Options() const;
    void SetFaults(const EcmSimFaults& faults);
    void SetEcho(bool on);
    void SetPace(bool on);
    void SetTurnaround(int ms);
    void SetChatter(bool on); // also clears a suspension
    bool Suspended() const;   // chatter suspended by mode $08

    EcmSimCounters Counters() const;
    /// The request frames received with a valid checksum, in order, as received (the latest
    /// 100000 at most).
    std::vector<EcmBytes> Requests() const;
    void ClearLog(); // forgets the request log and zeroes the counters
    /// Waits until at least n requests were received; false after timeoutMs.
    bool WaitForRequests(std::uint64_t n, int timeoutMs) const;

    /// Closes the master side and the simulator's own slave fd now: the PC sees a hang-up.
    void HangUp();
    bool HungUp() const { return hungUp; }

private:
    struct Impl;
    void OpenPty();
    void OpenDevice();
    void CloseFds();
    template <class F> void Change(F change);

    std::string slavePath;
    int masterFd = -1;
    int slaveFd = -1;
    mutable std::mutex mutex; // guards options, counters, the log and the fds' closing
    EcmSimOptions opts;
    std::uint64_t optionsVersion = 0;
    EcmSimCounters counters;
    std::vector<EcmBytes> log;
    bool suspended = false;
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};
    std::atomic<bool> hungUp{false};
    std::atomic<bool> hangUpRequested{false};
    std::thread thread;
};
