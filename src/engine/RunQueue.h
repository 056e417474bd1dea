#pragma once
// The hand-over from the thread that talks to the bus to the thread that shows and keeps what it
// read: frames, console lines and the worker's state changes, in the order they happened. The
// queue grows as needed (a deque of events), so a consumer held up for a while loses nothing.
#include "link/Packet.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Why the worker's activity ended.
enum class TRunEnd {
    Stopped,  // a stop was asked for
    NoFrames, // three steps in a row without a frame
    Finished, // the macro, the play back or the listening came to its end
    Failed,   // a port failure; the text went to the console before this event
};

// The quality of the link during a run: counts since the run started, the frame rate and the
// median round trip over the last report's second.
struct TLinkStats {
    double FramesPerSecond = 0;
    uint64_t Requests = 0; // steps that asked the bus for a reply
    uint64_t Replies = 0;
    uint64_t TimeOuts = 0;
    uint64_t ChecksumErrors = 0;
    uint64_t BusFrames = 0; // frames of other modules skipped while waiting for a reply
    double MedianRoundTripMs = 0;

    double ReplyPercent() const;
    // "9.8 frames/s, replies 100%, time-outs 0, checksum errors 0, bus frames 0, round trip 96 ms"
    std::string Text() const;
    // For a narrow panel: the rate, the replies and the round trip, and only those faults that
    // happened: "9.8 frames/s, replies 97%, round trip 96 ms, time-outs 3".
    std::string ShortText() const;
};

struct TRunEvent {
    enum class TKind {
        Line,   // a console line: Text, Level, Stamp
        Frame,  // a frame read from the bus: Frame, Logged
        Played, // play back reached capture frame Index
        Paused, // the worker has paused (chatter resumed)
        Ended,  // the worker's activity has ended: End
        Stats,  // link quality figures of the run, about once a second: Stats
    };
    TKind Kind = TKind::Line;
    std::unique_ptr<TPacket> Frame;
    bool Logged = false;
    int Index = 0;
    std::string Text;
    int Level = 0;
    double Stamp = 0; // local date-time in days when the line was written
    TRunEnd End = TRunEnd::Finished;
    TLinkStats Stats;
};

class TRunQueue {
public:
    // Called on the pushing thread whenever the queue turns from empty to not empty, so the
    // consumer is woken once per batch rather than once per event.
    using TNotify = std::function<void()>;

    void SetNotify(TNotify notify);
    void Push(TRunEvent event);
    // Moves every queued event into out (appended), oldest first.
    void TakeAll(std::vector<TRunEvent>& out);
    // As TakeAll, waiting up to ms milliseconds for the first event; false on a time-out.
    bool WaitTakeAll(std::vector<TRunEvent>& out, int ms);
    bool Empty() const;

private:
    mutable std::mutex Mutex;
    std::condition_variable Arrived;
    std::deque<TRunEvent> Events;
    TNotify Notify;
};
