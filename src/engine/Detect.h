#pragma once
// Interface and chatter detection: probes the interface cable for its MAX232 echo, scans the bus
// for the module's own chatter (heartbeat, the silence after it, the chatter cycle) and listens
// to the chatter until told to stop. Everything it finds goes to the console; the verdicts of the
// vehicle link check come back as data for the macros page to show.
#include "common/ConsoleLevels.h"

#include <functional>
#include <string>
#include <vector>

class TRS232;
class TRtime;

// One verdict of the vehicle link check: OK (green) or failed (red), and its text.
struct TLinkVerdict {
    bool OK = false;
    std::string Text;
};

struct TVehicleLinkCheck {
    TLinkVerdict Interface;
    TLinkVerdict Chatter;
};

// What the last chatter scan read and found.
struct TChatterScan {
    std::vector<std::string> Frames; // HexText of every frame read, in order
    int Heartbeat = -1;              // index in Frames; -1 when none was found
    int Gap = 0;                     // ms from the heartbeat's end to the next frame's end
    std::vector<std::string> Cycle;  // HexText of the chatter frames after the heartbeat
};

class TDetect {
public:
    // flush writes the pending console lines out (the console buffer's Flush); may be empty.
    TDetect(TRS232& link, TRtime& timer, TConsoleWriter console, std::function<void()> flush = {});

    // Sends the probe $FF,$00,$AC and expects it back (a MAX232 echoes it, so does a loop-back
    // plug); three attempts. The link's Echo setting is left as it was.
    bool DetectInterface(bool detail);
    // Reads up to 32 frames of chatter and reports the heartbeat, the silence after it (stored
    // in the link's AdvisedT6) and the chatter cycle. True when at least one frame was read.
    bool ScanChatter(bool detail);
    // Both checks, with the vehicle's ALDL field ("8192", "160-808", ...) and Chatter flag.
    TVehicleLinkCheck CheckVehicleLink(bool detail, const std::string& aldl, bool chatter);
    // Prints every frame on the bus until SetListening(false); processEvents runs after every
    // read so the user interface can breathe (and call SetListening). Port failures propagate.
    void ListenToChatter(bool detail, const std::function<void()>& processEvents);
    void SetListening(bool on) { Listening = on; }
    bool IsListening() const { return Listening; }

    const TChatterScan& LastScan() const { return Scan; }

private:
    void say(const std::string& text, int level) const;
    void flush() const;
    bool probe(bool detail);

    TRS232& Link;
    TRtime& Timer;
    TConsoleWriter Console;
    std::function<void()> Flush;
    bool Listening = false;
    TChatterScan Scan;
};
