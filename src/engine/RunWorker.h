#pragma once
// The bus loops on a thread of their own: a macro run, a play back and listening to chatter.
// While one goes, the worker alone uses the engine's execution side, the serial link and the
// shared timer; everything it reads or writes to the console reaches the owner through a
// TRunQueue, in order. Commands (pause, resume, stop, log data, ...) are requests the worker takes
// between steps, so nothing the owner does (a dialog, a menu, a slow paint) holds up the bus.
#include "common/ConsoleLevels.h"
#include "engine/RunQueue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TCartridge;
class TRS232;
class TRtime;

// Where a run's logged frames go on disk as they are read (the log module's journal). The
// worker calls it on its own thread: Append for every logged frame, Tick after every step (a
// chance to flush what waited long enough) and Flush when the run ends. A failure throws; the
// run then ends with the message.
class TFrameJournal {
public:
    virtual ~TFrameJournal() = default;
    virtual void Append(const TPacket& frame) = 0;
    virtual void Tick() = 0;
    virtual void Flush() = 0;
};

struct TRunSettings {
    bool ShowFrames = false; // "Send:" and "Recv:" lines
    bool TestMode = false;   // generated replies, nothing on the bus
    bool PreciseTiming = false;
    bool Logging = true; // frames are marked to be captured as logged frames
    bool Detail = false; // the link's byte-level console lines
    // Receives the logged frames as they are read; belongs to the caller, who keeps it until
    // the run has ended. May be null.
    TFrameJournal* Journal = nullptr;
};

class TRunWorker {
public:
    explicit TRunWorker(TRunQueue& queue);
    ~TRunWorker(); // stops and waits for the thread
    TRunWorker(const TRunWorker&) = delete;
    TRunWorker& operator=(const TRunWorker&) = delete;

    // Each Start waits for an earlier activity's thread first. The objects passed belong to the
    // worker until its Ended event has been queued.
    void StartRun(TCartridge& engine, const TRunSettings& settings);
    // Plays frames whose local date-times (days) are frameTimes, from index from on.
    void StartPlayBack(std::vector<double> frameTimes, int from, double speed);
    void StartListen(TRS232& link, TRtime& timer, bool detail);

    void Pause();
    void Resume();
    // Ends the activity at its next step; a wait or a read in progress is cut short.
    void Stop();
    // Waits for the thread to end (after Stop, or after its Ended event).
    void Join();
    // A thread is going (its Ended event may not have been queued yet).
    bool Running() const { return Thread.joinable() && !Done.load(); }

    void SetLogging(bool on) { Logging = on; }
    void SetShowFrames(bool on) { ShowFrames = on; }
    void SetDetail(bool on) { Detail = on; }
    void SetSpeed(double speed) { Speed = speed; }
    // A new override text of macro item k, taken over between steps.
    void SetOverride(int item, std::string text);

    // Writes console lines of the worker's thread into the queue, stamped when written.
    TConsoleWriter Writer();

private:
    enum class TCommand { None, Pause, Stop };

    void launch(std::function<void()> body);
    void say(const std::string& text, int level);
    void end(TRunEnd why);
    TCommand command();
    // Waits while paused; true when resumed, false when stopped meanwhile.
    bool waitWhilePaused();
    // Sleeps until due (steady clock), cut short by a command; true when due was reached.
    bool sleepUntil(std::chrono::steady_clock::time_point due);

    // The link an activity reads from, so that Stop can cut its read short; null between them.
    void setActiveLink(TRS232* link, TRtime* timer);
    void endInterrupt(); // the link waits normally again (for the resume frame)

    void runMacro(TCartridge& engine, TRunSettings settings);
    // Counts one step of a run; reports the link's figures once a second (and when final).
    void countStep(const TCartridge& engine, bool asked, bool answered, bool final);
    void applyOverrides(TCartridge& engine);
    void resumeChatter(TCartridge& engine);
    void playBack(const std::vector<double>& times, int from);
    void listen(TRS232& link, TRtime& timer);
    TRunEnd listenUntilAsked(TRS232& link, TRtime& timer);

    TRunQueue& Queue;
    std::thread Thread;
    std::atomic<bool> Done{true};

    std::mutex Mutex; // guards the fields below it
    std::condition_variable Changed;
    bool PauseAsked = false;
    bool StopAsked = false;
    std::map<int, std::string> Overrides;

    std::atomic<bool> Logging{true};
    std::atomic<bool> ShowFrames{false};
    std::atomic<bool> Detail{false};
    std::atomic<double> Speed{1.0};
    std::atomic<bool> Abort{false}; // cuts waits and reads of the link short
    std::atomic<TRS232*> ActiveLink{nullptr};

    // Link figures of the run going on; the worker's thread alone uses them.
    TLinkStats Stats;
    std::vector<double> RoundTrips; // of the replies since the last report
    uint64_t RepliesAtReport = 0;
    std::chrono::steady_clock::time_point LastReport{};
};
