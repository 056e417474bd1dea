#include "link/RS232.h"

#include "common/Common.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "link/PosixSerial.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr int writeAttempts = 3;
constexpr int silenceReads = 1025;
constexpr int startBits = 9;
// A read without a total limit would wait for ever on a silent bus; it gives up after this.
constexpr int unlimitedReadMs = 1000;
// After a broken frame the bus counts as quiet again after this many byte times without a byte.
constexpr int quietBytes = 10;
// Writes in a row without any echo since the port opened before the echo setting is doubted.
constexpr int echoHintMisses = 3;
// The read time-out constant advised for 160 baud data: room for an adapter's own latency.
constexpr int slowSampleT3 = 100;

void say(const TConsoleWriter& console, const std::string& text, int level) {
    if (console)
        console(text, level);
}

} // namespace

TRS232::TRS232(TRtime& timer, std::unique_ptr<TSerialDevice> device)
    : timer_(timer), handle_(device ? std::move(device) : std::make_unique<TPosixSerial>()) {}

TRS232::~TRS232() {
    Close();
}

// ---- Settings ----

void TRS232::SetPort(int n) {
    port_ = Clamp(n, 1, 8);
    portName_ = Format("Com%d", port_);
}

std::string TRS232::DevicePath() const {
    if (!device_.empty())
        return device_;
    const TIniFile ini(IniPath());
    return ini.ReadString("Devices", portName_, Format("/dev/ttyUSB%d", port_ - 1));
}

void TRS232::SetBaud(int v) {
    line_.Baud = Clamp(v, 75, 128000);
    applyLine();
}

void TRS232::SetDataBits(int v) {
    line_.DataBits = Clamp(v, 4, 8);
    applyLine();
}

void TRS232::SetStopBits(int v) {
    line_.StopBits = Clamp(v, 1, 2);
    applyLine();
}

void TRS232::SetParity(const std::string& text) {
    const bool known = text.size() == 1 && std::string("EONMS").find(text[0]) != std::string::npos;
    line_.Parity = known ? text[0] : 'N';
    applyLine();
}

void TRS232::SetT1(int v) {
    t1_ = Clamp(v, 0, 1000);
}
void TRS232::SetT2(int v) {
    t2_ = Clamp(v, 0, 100);
}
void TRS232::SetT3(int v) {
    t3_ = Clamp(v, 0, 1000);
}
void TRS232::SetT4(int v) {
    t4_ = Clamp(v, 0, 100);
}
void TRS232::SetT5(int v) {
    t5_ = Clamp(v, 0, 100);
}
void TRS232::SetT6(int v) {
    t6_ = Clamp(v, 10, 1000);
}

// ---- Port ----

void TRS232::raise(const ESerialDeviceError& e) const {
    const char* name = portName_.c_str();
    switch (e.Step) {
    case TSerialStep::Open:
        throw EQuorvinError(Format("Can't open %s. %s", name, e.what()));
    case TSerialStep::GetState:
        throw EQuorvinError(Format("GetCommState() failed for %s. %s", name, e.what()));
    case TSerialStep::BuildState:
        throw EQuorvinError(Format("BuildCommDCB() failed for %s. %s", name, e.what()));
    case TSerialStep::SetState:
        throw EQuorvinError(Format("setCommState() failed for %s. %s", name, e.what()));
    case TSerialStep::Purge:
        throw EQuorvinError(Format("Can't purge %s. %s", name, e.what()));
    case TSerialStep::Read:
        throw EQuorvinError(Format("Can't read from %s. %s", name, e.what()));
    case TSerialStep::Write:
        throw EQuorvinError(Format("Can't write to %s. %s", name, e.what()));
    }
    throw EQuorvinError(Format("%s. %s", name, e.what()));
}

void TRS232::applyLine() {
    if (!open_)
        return;
    try {
        handle_->Configure(line_);
    } catch (const ESerialDeviceError& e) {
        raise(e);
    }
}

void TRS232::Open() {
    if (open_)
        Close();
    lastOpenError_ = 0;
    echoSeen_ = false;
    echoMisses_ = 0;
    try {
        handle_->Open(DevicePath());
        open_ = true;
        handle_->Configure(line_); // raw mode without flow control, as the cleared flags ask
        handle_->SetModemLines(HoldDTR, HoldRTS);
    } catch (const ESerialDeviceError& e) {
        // A device that opened but cannot be set up is of no use: it must not count as open.
        lastOpenError_ = e.Error;
        handle_->Close();
        open_ = false;
        raise(e);
    }
    // The driver's queues need no sizing here (InBufferSize, OutBufferSize).
    SetTimeouts(-1, -1, -1);
}

void TRS232::Close() {
    if (open_)
        handle_->Close();
    open_ = false;
}

void TRS232::Purge() {
    if (!open_)
        return;
    try {
        handle_->Purge();
    } catch (const ESerialDeviceError& e) {
        raise(e);
    }
}

void TRS232::SetTimeouts(int interval, int perByte, int constant) {
    if (!open_)
        return;
    timeouts_.interval = Clamp(interval < 0 ? t1_ : interval, 0, 1000);
    timeouts_.perByte = Clamp(perByte < 0 ? t2_ : perByte, 0, 100);
    timeouts_.constant = Clamp(constant < 0 ? t3_ : constant, 0, 1000);
}

int TRS232::Write(const uint8_t* buffer, int n) {
    if (!open_ || n <= 0)
        return 0;
    try {
        return handle_->Write(buffer, n, 10 * n + 1000);
    } catch (const ESerialDeviceError& e) {
        raise(e);
    }
}

int TRS232::Read(uint8_t* buffer, int n) {
    if (!open_ || n <= 0)
        return 0;
    TReadLimits limits;
    limits.TotalMs = timeouts_.perByte * n + timeouts_.constant;
    limits.IntervalMs = timeouts_.interval;
    if (limits.TotalMs == 0) {
        limits.FirstByteMs = unlimitedReadMs;
        if (limits.IntervalMs == 0)
            limits.IntervalMs = unlimitedReadMs;
    }
    try {
        const int got = handle_->Read(buffer, n, limits);
        bytesRead_ += static_cast<uint64_t>(std::max(got, 0));
        return got;
    } catch (const ESerialDeviceError& e) {
        raise(e);
    }
}

// ---- Frames ----

bool TRS232::WriteFrame(const TPacket& frame, bool detail, bool noWrite,
                        const TConsoleWriter& console) {
    if (!open_)
        return false;
    if (busDirty_ && !noWrite)
        drainBus();
    const int length = frame.FrameLen();
    int written = 0;
    for (int attempt = 1; attempt <= writeAttempts; ++attempt) {
        Purge();
        if (detail) {
            say(console, "Start writing frame", clInfo);
            say(console, "Send: " + frame.HexText(), clSent);
        }
        if (noWrite)
            break;
        written = Write(frame.Bytes, length);
        if (written == length)
            break;
        say(console, Format("%s timeout: Failed to send frame to aldl", portName_.c_str()),
            clTimeout);
        if (attempt < writeAttempts)
            say(console, "Retrying...", clInfo);
        Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Open();
    }
    if (detail)
        say(console, "Finished writing frame", clInfo);
    if (noWrite || written < length)
        return false;
    if (!Echo)
        return true;

    if (!ReadFrame(EchoFrame, true, console, detail)) {
        say(console, "Error: No echo received from MAX232", clError);
        noteEcho(false, console);
        return false;
    }
    if (frame.SameBytes(EchoFrame, 0)) {
        noteEcho(true, console);
        if (detail)
            say(console, Format("MAX232 echo: %s", EchoFrame.HexText().c_str()), clInfo);
        return true;
    }
    say(console,
        Format("Error: Max232 echo: %s did not match command: %s", EchoFrame.HexText().c_str(),
               frame.HexText().c_str()),
        clError);
    busDirty_ = true;
    noteEcho(false, console);
    return false;
}

// With Echo on, an interface that does not echo (not a MAX232 one) fails every request; once a
// few writes in a row found no echo, and none ever came back on this port, say what to change.
void TRS232::noteEcho(bool matched, const TConsoleWriter& console) {
    if (matched) {
        echoSeen_ = true;
        echoMisses_ = 0;
        return;
    }
    if (++echoMisses_ == echoHintMisses && !echoSeen_)
        say(console,
            "Hint: the interface does not echo what is sent: \"Max232 echo\" should be off (see "
            "Com port settings)",
            clInfo);
}

// Lets the rest of a broken frame (a reply still arriving after a time-out, an echo that ran
// into the reply) go by before the next request, so that one bad frame does not put every
// following echo and reply out of step with the module.
void TRS232::drainBus() {
    busDirty_ = false;
    TReadLimits quiet;
    quiet.TotalMs = std::max(5, (quietBytes * 10 * 1000 + line_.Baud - 1) / line_.Baud);
    for (int i = 0; i < silenceReads; ++i) {
        uint8_t byte = 0;
        try {
            if (handle_->Read(&byte, 1, quiet) == 0)
                return;
        } catch (const ESerialDeviceError& e) {
            raise(e);
        }
    }
}

bool TRS232::ReadFrame(TPacket& frame, bool waitT5, const TConsoleWriter& console, bool detail) {
    if (!open_)
        return false;
    if (waitT5 && t5_ > 0) {
        if (detail)
            say(console, Format("Wait %d ms after writing, before reading...", t5_), clInfo);
        // Whatever arrives meanwhile waits in the driver's queue, so ending a little late costs
        // nothing: a plain sleep, without the timer's spin for the last millisecond.
        std::this_thread::sleep_for(std::chrono::milliseconds(t5_));
    }
    if (detail)
        say(console, "Start reading frame", clInfo);

    const int header = Read(&frame.Bytes[0], 1);
    timer_.Sample();
    frame.SetTime(timer_.Now()); // the arrival of the header byte
    if (header < 1) {
        say(console, "Com timeout: Expecting frame header byte", clTimeout);
        return false;
    }
    if (detail)
        say(console, Format("Aldl frame header byte: $%02x", frame.Bytes[0]), clInfo);

    if (Read(&frame.Bytes[1], 1) < 1) {
        say(console, "Com timeout: Expecting frame length byte", clTimeout);
        busDirty_ = true;
        return false;
    }
    if (detail)
        say(console, Format("Aldl frame length byte: $%02x", frame.Bytes[1]), clInfo);

    const int rest = frame.DataLen() + 1;
    if (Read(&frame.Bytes[2], rest) < rest) {
        say(console, Format("Com timeout: Data frame truncated: %s", frame.HexText().c_str()),
            clTimeout);
        busDirty_ = true;
        return false;
    }
    if (detail)
        say(console, "Recv: " + frame.HexText(), clReceived);

    const bool ok = frame.ChecksumOK();
    if (!ok) {
        say(console, "Error: Reply frame checksum failure", clError);
        busDirty_ = true;
    }
    if (detail)
        say(console, "Finished reading frame", clInfo);
    return ok;
}

void TRS232::WaitForSilence(const TConsoleWriter& console) {
    if (!open_)
        return;
    say(console, Format("Waiting for Aldl bus silence of at least %dms...", t6_), clInfo);
    SetTimeouts(0, 0, t6_);
    try {
        Purge();
        for (int i = 0; i < silenceReads; ++i) {
            uint8_t byte = 0;
            if (Read(&byte, 1) == 0) {
                SetTimeouts(-1, -1, -1);
                return;
            }
        }
    } catch (...) {
        SetTimeouts(-1, -1, -1);
        throw;
    }
    SetTimeouts(-1, -1, -1);
    say(console, Format("Can't find silence greater than %dms", t6_), clError);
    if (AdvisedT6 > 0)
        say(console, Format("Hint: the value for T6 should be less than %dms", AdvisedT6 / 2),
            clInfo);
    else
        say(console, Format("Hint: try halving T6 from %dms to %dms", t6_, t6_ / 2), clInfo);
}

bool TRS232::IsOneBit(uint8_t sample) {
    return __builtin_popcount(sample) < 4;
}

int TRS232::sampleBits() const {
    return 1 + line_.DataBits + line_.StopBits + (line_.Parity == 'N' ? 0 : 1);
}

int TRS232::StartSearchSamples(int dataSamples) const {
    const int twoSeconds = std::max(2 * line_.Baud / sampleBits(), 2 * startBits);
    if (dataSamples <= 0)
        return twoSeconds;
    // The search may begin just after a symbol: the rest of that frame and the next symbol must
    // still fit, however long the frame.
    const int frame = startBits + dataSamples;
    return std::max(std::min(2 * frame, twoSeconds), frame + 2 * startBits);
}

// 160 baud samples trickle in at the line rate: read time-outs shorter than that fail every frame
// without another sign, so name the time-outs that would hold the read.
void TRS232::hintSlowSamples(int samples, const TConsoleWriter& console) const {
    const int64_t bitMs = int64_t{sampleBits()} * 1000; // a sample's time is bitMs / Baud
    const int64_t baud = line_.Baud;
    const int64_t total = int64_t{timeouts_.perByte} * samples + timeouts_.constant;
    const bool totalShort = total > 0 && total * baud < samples * bitMs;
    const bool gapShort = timeouts_.interval > 0 && timeouts_.interval * baud < bitMs;
    if (!totalShort && !gapShort)
        return;
    const int t2 = std::max(timeouts_.perByte, static_cast<int>(bitMs / baud) + 1);
    const int t3 = std::max(timeouts_.constant, slowSampleT3);
    const int needMs = static_cast<int>((samples * bitMs + baud - 1) / baud);
    const std::string now =
        gapShort ? Format("T1 %dms, T2 %dms and T3 %dms", timeouts_.interval, timeouts_.perByte,
                          timeouts_.constant)
                 : Format("T2 %dms and T3 %dms", timeouts_.perByte, timeouts_.constant);
    const std::string use = Format("%sT2 %dms and T3 %dms", gapShort ? "T1 0ms, " : "", t2, t3);
    say(console,
        Format("Hint: %s are too short for 160 baud data at %d baud (%d %s %dms): use %s",
               now.c_str(), line_.Baud, samples, samples == 1 ? "sample takes" : "samples take",
               needMs, use.c_str()),
        clInfo);
}

bool TRS232::FindStartOfFrame(bool detail, const TConsoleWriter& console, int dataSamples) {
    if (detail) {
        say(console, "Analysing 160 baud data capture...", clInfo);
        say(console, "Scanning for start of frame symbol...", clInfo);
    }
    const int limit = StartSearchSamples(dataSamples);
    int run = 0;
    for (int samples = 0; samples < limit; ++samples) {
        uint8_t sample = 0;
        int got = 0;
        bool failed = false;
        try {
            got = Read(&sample, 1);
        } catch (const std::exception& e) {
            say(console, Format("Exception: %s", e.what()), clError);
            failed = true;
        }
        if (got < 1) {
            say(console, "No data on 160 baud data bus", clInfo);
            if (!failed)
                hintSlowSamples(1, console);
            return false;
        }
        if (detail)
            say(console, Format("Detected $%2.2x", sample), clInfo);
        if (!IsOneBit(sample)) {
            if (detail)
                say(console, "start of frame mismatch", clInfo);
            run = 0;
            continue;
        }
        ++run;
        if (detail)
            say(console, Format("start of frame bit %d of %d", run, startBits), clInfo);
        if (run == startBits) {
            if (detail)
                say(console, "start of frame detected OK", clReceived);
            return true;
        }
    }
    // Noise or the wrong interface must not hold the program.
    say(console, Format("Error: No start of frame symbol in %d samples of 160 baud data", limit),
        clError);
    return false;
}

bool TRS232::Read160Frame(TPacket& frame, int first, const TConsoleWriter& console, bool detail,
                          int count) {
    if (!open_)
        return false;
    if (detail)
        say(console, "Start reading frame", clInfo);
    count = Clamp(count, 0, MaxData160); // what the frame's length byte can hold
    const int wanted = count * 9;
    if (!FindStartOfFrame(detail, console, wanted)) {
        say(console, "Com timeout: Expecting start of frame symbol", clTimeout);
        return false;
    }
    if (detail)
        say(console, "Attempting to read 160 baud data frame...", clInfo);

    std::string samples(static_cast<size_t>(wanted), '\0');
    const int got = Read(reinterpret_cast<uint8_t*>(samples.data()), wanted);
    if (detail) {
        std::string items;
        for (int i = 0; i < got; ++i)
            items += (i ? "," : "") + HexByteText(static_cast<uint8_t>(samples[i]));
        say(console, Format("Read %d bytes [%s]", got, items.c_str()), clInfo);
    }

    frame.Bytes[0] = 0xF4;
    frame.SetDataLen(count + 1);
    frame.setData(0, first);
    if (got < wanted) {
        say(console, "Error: Reply frame invalid", clError);
        hintSlowSamples(wanted, console);
        return false;
    }
    for (int g = 0; g < count; ++g) {
        int byte = 0;
        for (int bit = 1; bit <= 8; ++bit) // the first sample of a group is the start bit
            byte = byte << 1 | (IsOneBit(static_cast<uint8_t>(samples[g * 9 + bit])) ? 1 : 0);
        frame.setData(g + 1, byte);
    }
    frame.UpdateChecksum();
    if (detail)
        say(console, "Recv: " + frame.HexText(), clReceived);
    return true;
}
