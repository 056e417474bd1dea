#include "engine/Detect.h"

#include "common/Format.h"
#include "link/Packet.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <algorithm>

namespace {

constexpr int ProbeAttempts = 3;
constexpr int ScanFrames = 32;
constexpr int LongestHeartbeat = 64; // longer frames are never taken for the heartbeat
const char* const ProbeText = "$FF,$55,$AC";

// Puts the link's Echo setting back on every way out.
class EchoGuard {
public:
    explicit EchoGuard(TRS232& link) : link_(link), saved_(link.Echo) {}
    ~EchoGuard() { link_.Echo = saved_; }
    EchoGuard(const EchoGuard&) = delete;
    EchoGuard& operator=(const EchoGuard&) = delete;

private:
    TRS232& link_;
    bool saved_;
};

std::string TimeText(const TPacket& frame) {
    return FormatDateTime("nn:ss.zzz", frame.Time);
}

} // namespace

TDetect::TDetect(TRS232& link, TRtime& timer, TConsoleWriter console, std::function<void()> flush)
    : Link(link), Timer(timer), Console(std::move(console)), Flush(std::move(flush)) {}

void TDetect::say(const std::string& text, int level) const {
    if (Console)
        Console(text, level);
}

void TDetect::flush() const {
    if (Flush)
        Flush();
}

bool TDetect::DetectInterface(bool detail) {
    // A port failure is the reason the interface cannot be detected: the user must see it.
    if (!Link.IsOpen()) {
        say(Link.PortName() + " is not open", clError);
        return false;
    }
    EchoGuard guard(Link);
    Link.Echo = false; // the probe compares the echo itself
    try {
        return probe(detail);
    } catch (const std::exception& e) {
        say(e.what(), clError);
        return false;
    }
}

bool TDetect::probe(bool detail) {
    TPacket frame;
    for (int attempt = 0; attempt < ProbeAttempts; ++attempt) {
        Link.WaitForSilence(Console);
        Link.SetTimeouts(-1, -1, -1);
        // A failed read leaves its bytes in the record; start every attempt from a clean probe,
        // or a retry would send whatever length byte the last read left behind.
        frame.Clear();
        frame.SetHeader(0xFF);
        frame.UpdateChecksum();
        say("Requesting Max232 interface to acknowlege: " + frame.HexText() + "...", clInfo);
        if (!Link.WriteFrame(frame, detail, false, Console))
            return false;
        frame.Clear();
        if (Link.ReadFrame(frame, true, Console, detail)) {
            if (frame.HexText() == ProbeText) {
                say("Max232 interface detected OK", clReceived);
                say("", clInfo);
                return true;
            }
            say(Format("Max232 echo was incorrect:\" %s", frame.HexText().c_str()), clError);
        }
        say("No response from Max232", clInfo);
        say("Retrying Max232 detection...", clInfo);
        say("", clInfo);
    }
    return false;
}

bool TDetect::ScanChatter(bool detail) {
    Scan = {};
    say("Scanning for heartbeat and chatter frames...", clInfo);
    Link.WaitForSilence(Console);
    Link.SetTimeouts(-1, -1, -1);

    // The scan's own frames, gone with the scan (a plain array: the engine sits below the
    // capture buffer's library).
    std::vector<TPacket> frames;
    frames.reserve(ScanFrames);
    for (int i = 0; i < ScanFrames; ++i) {
        TPacket frame;
        if (!Link.ReadFrame(frame, false, Console, detail))
            break;
        Timer.Sample(); // the stamp marks the end of the frame
        frame.SetTime(Timer.Now());
        Scan.Frames.push_back(frame.HexText());
        frames.push_back(frame);
    }
    const int count = static_cast<int>(frames.size());
    if (count == 0) {
        say("No chatter found", clInfo);
        return false;
    }

    // The heartbeat is the shortest frame with the longest silence after it; the last frame
    // read has no measured gap and is never a candidate.
    int shortest = LongestHeartbeat;
    for (int i = 0; i + 1 < count; ++i)
        shortest = std::min(shortest, frames.at(i).FrameLen());
    int heartbeat = -1;
    int gap = 0;
    for (int i = 0; i + 1 < count; ++i) {
        if (frames.at(i).FrameLen() != shortest)
            continue;
        const int g = frames.at(i + 1).TimeMs - frames.at(i).TimeMs;
        if (g > gap) {
            gap = g;
            heartbeat = i;
        }
    }
    if (heartbeat < 0)
        return true;

    const TPacket& beat = frames.at(heartbeat);
    const std::string beatText = beat.HexText();
    Scan.Heartbeat = heartbeat;
    Scan.Gap = gap;
    say("Heartbeat frame:", clInfo);
    say(Format("%s: %s", TimeText(beat).c_str(), beatText.c_str()), clReceived);
    say(Format("Heartbeat frame is followed by %dms of silence", gap), clInfo);
    Link.AdvisedT6 = gap;
    say(Format("Advisable value for T6 is %dms", gap / 2), clInfo);
    say("", clInfo);
    say("Chatter frame(s):", clInfo);
    for (int i = heartbeat + 1; i < count; ++i) {
        const TPacket& frame = frames.at(i);
        const std::string text = frame.HexText();
        if (text == beatText)
            break;
        Scan.Cycle.push_back(text);
        say(Format("%s: %s", TimeText(frame).c_str(), text.c_str()), clReceived);
    }
    return true;
}

TVehicleLinkCheck TDetect::CheckVehicleLink(bool detail, const std::string& aldl, bool chatter) {
    TVehicleLinkCheck check;
    if (Link.Echo) {
        if (DetectInterface(detail)) {
            check.Interface = {true, "Interface detected OK"};
        } else {
            say("Interface cannot be detected", clError);
            say("", clError);
            check.Interface = {false, "Interface NOT detected"};
        }
    } else {
        if (aldl != "8192")
            say("Interface not checked because 160-baud interface is selected", clInfo);
        else
            say("Interface not checked because \"Max232 echo\" is not set. (see Com port settings)",
                clInfo);
        say("", clInfo);
        check.Interface = {true, "Interface assumed OK"};
    }

    const bool seen = ScanChatter(detail);
    if (seen)
        check.Chatter = chatter ? TLinkVerdict{true, "Chatter detected"}
                                : TLinkVerdict{false, "Unexpected chatter detected"};
    else
        check.Chatter = chatter ? TLinkVerdict{false, "Chatter NOT detected"}
                                : TLinkVerdict{true, "Chatter NOT expected"};
    say("", clInfo);
    flush();
    return check;
}

void TDetect::ListenToChatter(bool detail, const std::function<void()>& processEvents) {
    Link.WaitForSilence(Console);
    Link.SetTimeouts(-1, -1, -1);
    Listening = true;
    TPacket frame;
    try {
        while (Listening) {
            if (Link.ReadFrame(frame, false, Console, detail))
                say("(" + TimeText(frame) + ")" + frame.HexText(), clReceived);
            else
                say("No chatter found", clInfo);
            flush();
            if (processEvents)
                processEvents();
        }
    } catch (...) {
        Listening = false;
        throw;
    }
}
