// The bus loops on their own thread: a run, play back and listening against the simulated module
// over a pseudo-terminal, with commands arriving from the test's thread as a window's would.
#include "engine/RunWorker.h"

#include "TestVehicle.h"
#include "ecm-sim/EcmSim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Kind = TRunEvent::TKind;

// The engine on a running simulator, and a worker with the queue it fills.
struct WorkerRig : EngineRig {
    EcmSim sim;
    TRunQueue queue;
    TRunWorker worker{queue};
    std::vector<TRunEvent> events;

    explicit WorkerRig(EcmSimOptions options = quiet(), TFields vehicle = {})
        : EngineRig(vehicle), sim(std::move(options)) {
        sim.Start();
        link.SetDevice(sim.SlavePath());
        link.Echo = true;
        link.Open();
    }
    static EcmSimOptions quiet() {
        EcmSimOptions o;
        o.turnaroundMs = 0;
        return o;
    }
    // Takes events until pred holds for one of them or the time is up; true when it held.
    template <class Pred> bool WaitFor(Pred pred, int ms = 5000) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        size_t seen = 0;
        while (Clock::now() < end) {
            queue.WaitTakeAll(events, 50);
            for (; seen < events.size(); ++seen) {
                if (pred(events[seen])) {
                    return true;
                }
            }
        }
        return false;
    }
    bool WaitForKind(Kind kind, int ms = 5000) {
        return WaitFor([kind](const TRunEvent& e) { return e.Kind == kind; }, ms);
    }
    int Count(Kind kind) const {
        return static_cast<int>(std::count_if(
            events.begin(), events.end(), [kind](const TRunEvent& e) { return e.Kind == kind; }));
    }
    bool HasLine(const std::string& text) const {
        return std::any_of(events.begin(), events.end(), [&](const TRunEvent& e) {
            return e.Kind == Kind::Line && e.Text == text;
        });
    }
    TRunEnd EndOf() const {
        for (const TRunEvent& e : events) {
            if (e.Kind == Kind::Ended) {
                return e.End;
            }
        }
        ADD_FAILURE() << "no end";
        return TRunEnd::Failed;
    }
};

TEST(RunWorkerTest, EveryFrameReadReachesTheQueueInOrderUntilStop) {
    WorkerRig rig;
    rig.Load(0);
    rig.worker.StartRun(rig.engine, {});
    ASSERT_TRUE(rig.WaitFor([&](const TRunEvent&) { return rig.Count(Kind::Frame) >= 10; }));
    rig.worker.Stop();
    ASSERT_TRUE(rig.WaitForKind(Kind::Ended));
    rig.worker.Join();
    EXPECT_EQ(rig.EndOf(), TRunEnd::Stopped);
    // Every answered request is one frame in the queue: none dropped, none doubled. A reply
    // the module began just as the stop came may be the one exception.
    const auto answered = rig.sim.Counters().answered;
    EXPECT_LE(static_cast<uint64_t>(rig.Count(Kind::Frame)), answered);
    EXPECT_GE(static_cast<uint64_t>(rig.Count(Kind::Frame)) + 1, answered);
    double last = 0;
    for (const TRunEvent& e : rig.events) {
        if (e.Kind == Kind::Frame) {
            ASSERT_TRUE(e.Frame);
            EXPECT_EQ(e.Frame->Header(), 0xF4);
            EXPECT_TRUE(e.Logged);
            EXPECT_GE(e.Frame->Time, last);
            last = e.Frame->Time;
        }
    }
    EXPECT_EQ(rig.events.back().Kind, Kind::Ended);
}

TEST(RunWorkerTest, LogDataSwitchedOffMidRunMarksTheFollowingFramesLive) {
    WorkerRig rig;
    rig.Load(0);
    rig.worker.StartRun(rig.engine, {});
    ASSERT_TRUE(rig.WaitFor([&](const TRunEvent&) { return rig.Count(Kind::Frame) >= 3; }));
    rig.worker.SetLogging(false);
    const int before = rig.Count(Kind::Frame);
    ASSERT_TRUE(
        rig.WaitFor([&](const TRunEvent&) { return rig.Count(Kind::Frame) >= before + 3; }));
    rig.worker.Stop();
    rig.worker.Join();
    // Once a live frame came, no logged one follows.
    bool live = false;
    for (const TRunEvent& e : rig.events) {
        if (e.Kind == Kind::Frame) {
            EXPECT_FALSE(live && e.Logged);
            live = live || !e.Logged;
        }
    }
    EXPECT_TRUE(live);
}

// Keeps what the worker hands it, or fails once full as a disk would.
struct RecordingJournal : TFrameJournal {
    std::vector<TPacket> frames;
    int ticks = 0, flushes = 0;
    size_t room = SIZE_MAX;
    void Append(const TPacket& frame) override {
        if (frames.size() >= room) {
            throw std::runtime_error("journal.alg: No space left on device");
        }
        frames.push_back(frame);
    }
    void Tick() override { ++ticks; }
    void Flush() override { ++flushes; }
};

TEST(RunWorkerTest, TheJournalGetsEveryLoggedFrameAndAFlushAtTheEnd) {
    WorkerRig rig;
    rig.Load(0);
    RecordingJournal journal;
    TRunSettings settings;
    settings.Journal = &journal;
    rig.worker.StartRun(rig.engine, settings);
    ASSERT_TRUE(rig.WaitFor([&](const TRunEvent&) { return rig.Count(Kind::Frame) >= 4; }));
    rig.worker.SetLogging(false);
    const int logged = rig.Count(Kind::Frame);
    ASSERT_TRUE(
        rig.WaitFor([&](const TRunEvent&) { return rig.Count(Kind::Frame) >= logged + 3; }));
    rig.worker.Stop();
    ASSERT_TRUE(rig.WaitForKind(Kind::Ended));
    rig.worker.Join();
    std::vector<TPacket> queued;
    for (const TRunEvent& e : rig.events) {
        if (e.Kind == Kind::Frame && e.Logged) {
            queued.push_back(*e.Frame);
        }
    }
    ASSERT_EQ(journal.frames.size(), queued.size());
    for (size_t i = 0; i < queued.size(); ++i) {
        EXPECT_EQ(journal.frames[i].HexText(), queued[i].HexText());
        EXPECT_EQ(journal.frames[i].Time, queued[i].Time);
    }
    EXPECT_GE(journal.ticks, rig.Count(Kind::Frame));
    EXPECT_EQ(journal.flushes, 1);
}

TEST(RunWorkerTest, AJournalThatCannotBeWrittenEndsTheRunWithItsMessage) {
    WorkerRig rig;
    rig.Load(0);
    RecordingJournal journal;
    journal.room = 2;
    TRunSettings settings;
    settings.Journal = &journal;
    rig.worker.StartRun(rig.engine, settings);
    ASSERT_TRUE(rig.WaitForKind(Kind::Ended));
    EXPECT_EQ(rig.EndOf(), TRunEnd::Failed);
    EXPECT_TRUE(rig.HasLine("journal.alg: No space left on device"));
    EXPECT_EQ(rig.Count(Kind::Frame), 2) << "what reached the journal reached the window";
}

TEST(RunWorkerTest, PauseStopsTheRequestsAndResumeCarriesOn) {
    WorkerRig rig;
    rig.Load(0);
    rig.worker.StartRun(rig.engine, {});
    ASSERT_TRUE(rig.WaitFor([&](const TRunEvent&) { return rig.Count(Kind::Frame) >= 2; }));
    rig.worker.Pause();
    ASSERT_TRUE(rig.WaitForKind(Kind::Paused));
    const uint64_t asked = rig.sim.Counters().requests;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(rig.sim.Counters().requests, asked) << "a paused worker keeps off the bus";
    const int before = rig.Count(Kind::Frame);
    rig.worker.Resume();
    ASSERT_TRUE(rig.WaitFor([&](const TRunEvent&) { return rig.Count(Kind::Frame) > before; }));
    rig.worker.Stop();
    ASSERT_TRUE(rig.WaitForKind(Kind::Ended));
    EXPECT_EQ(rig.EndOf(), TRunEnd::Stopped);
}

TEST(RunWorkerTest, StopDuringAPauseEndsWithoutAnotherRequest) {
    WorkerRig rig;
    rig.Load(0);
    rig.worker.StartRun(rig.engine, {});
    ASSERT_TRUE(rig.WaitFor([&](const TRunEvent&) { return rig.Count(Kind::Frame) >= 1; }));
    rig.worker.Pause();
    ASSERT_TRUE(rig.WaitForKind(Kind::Paused));
    const uint64_t asked = rig.sim.Counters().requests;
    rig.worker.Stop();
    ASSERT_TRUE(rig.WaitForKind(Kind::Ended));
    rig.worker.Join();
    EXPECT_EQ(rig.sim.Counters().requests, asked);
}

TEST(RunWorkerTest, ThreeStepsWithoutAFrameEndTheRun) {
    EcmSimOptions o = WorkerRig::quiet();
    o.faults.noReply = 1.0;
    WorkerRig rig(o, {{"T3", 50}});
    rig.Load(0);
    rig.worker.StartRun(rig.engine, {});
    ASSERT_TRUE(rig.WaitForKind(Kind::Ended));
    EXPECT_EQ(rig.EndOf(), TRunEnd::NoFrames);
    EXPECT_EQ(rig.Count(Kind::Frame), 0);
}

TEST(RunWorkerTest, StopCutsAReadThatWouldWaitForItsTimeOutShort) {
    EcmSimOptions o = WorkerRig::quiet();
    o.faults.noReply = 1.0;
    WorkerRig rig(o, {{"T3", 5000}}); // each reply is waited for five seconds
    rig.Load(0);
    rig.worker.StartRun(rig.engine, {});
    const auto heard = Clock::now() + std::chrono::seconds(3);
    while (rig.sim.Counters().requests < 1 && Clock::now() < heard) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // well inside the read
    const auto asked = Clock::now();
    rig.worker.Stop();
    ASSERT_TRUE(rig.WaitForKind(Kind::Ended, 5000));
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - asked).count();
    std::printf("[ figure ] the run ended %.1f ms after Stop, inside a 5 s read\n", ms);
    EXPECT_LT(ms, 1000.0);
    EXPECT_EQ(rig.EndOf(), TRunEnd::Stopped);
    EXPECT_FALSE(rig.HasLine("Com timeout: Expecting frame header byte"))
        << "the cut-short read is not reported as the bus's time-out";
    rig.worker.Join();

    // The link reads normally again afterwards.
    rig.sim.SetFaults({});
    rig.worker.StartRun(rig.engine, {});
    ASSERT_TRUE(rig.WaitFor([&](const TRunEvent& e) { return e.Kind == Kind::Frame; }));
    rig.worker.Stop();
}

TEST(RunWorkerTest, AnOverrideTypedDuringARunIsSentFromTheNextStep) {
    WorkerRig rig;
    rig.t.RequestScale(2, 0);
    rig.t.v.Requests->Edit();
    rig.t.v.Requests->SetValue("Parameters", S(":XX"));
    rig.t.v.Requests->SetValue("Reply", false); // the module only hears it
    rig.t.v.Requests->Post();
    rig.t.v.Modules->Edit();
    rig.t.v.Modules->SetValue("ModeByte", S("$04"));
    rig.t.v.Modules->Post();
    rig.Load(0);
    rig.worker.StartRun(rig.engine, {});
    const auto heard = Clock::now() + std::chrono::seconds(3);
    while (rig.sim.Counters().requests < 2 && Clock::now() < heard) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(rig.sim.Counters().requests, 2u);
    rig.worker.SetOverride(0, "12.5");
    const auto want = EcmBytes{0xF4, 0x57, 0x04, 0x19};
    const auto sent = [&] {
        for (const EcmBytes& r : rig.sim.Requests()) {
            if (r.size() >= 4 && EcmBytes(r.begin(), r.begin() + 4) == want) {
                return true;
            }
        }
        return false;
    };
    const auto end = Clock::now() + std::chrono::seconds(3);
    while (!sent() && Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    rig.worker.Stop();
    rig.worker.Join();
    EXPECT_TRUE(sent());
    EXPECT_EQ(rig.engine.Items[0].Request.Override, "12.5");
}

TEST(RunWorkerTest, PlayBackKeepsTheRecordedSpacingDividedByTheSpeed) {
    TRunQueue queue;
    TRunWorker worker(queue);
    const double ms = 1.0 / 86400000.0;
    std::vector<double> times;
    for (int i = 0; i < 6; ++i) {
        times.push_back(46000.5 + i * 100 * ms); // 100 ms apart
    }
    const auto start = Clock::now();
    worker.StartPlayBack(times, 0, 2.0);
    std::vector<TRunEvent> events;
    std::vector<Clock::time_point> at;
    while (events.empty() || events.back().Kind != Kind::Ended) {
        const size_t had = events.size();
        ASSERT_TRUE(queue.WaitTakeAll(events, 5000));
        for (size_t i = had; i < events.size(); ++i) {
            at.push_back(Clock::now());
        }
    }
    worker.Join();
    ASSERT_EQ(events.size(), 7u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(events[i].Kind, Kind::Played);
        EXPECT_EQ(events[i].Index, i);
    }
    EXPECT_EQ(events[6].End, TRunEnd::Finished);
    // Five gaps of 50 ms: never early.
    EXPECT_GE(at[5] - start, std::chrono::milliseconds(245));
}

TEST(RunWorkerTest, PlayBackStopCutsAWaitShort) {
    TRunQueue queue;
    TRunWorker worker(queue);
    const double second = 1.0 / 86400.0;
    // Gaps over a second play as short steps; 0.9 s at speed 0.1 is a 9 s wait.
    worker.StartPlayBack({46000.5, 46000.5 + 0.9 * second, 46000.5 + 1.8 * second}, 0, 0.1);
    std::vector<TRunEvent> events;
    ASSERT_TRUE(queue.WaitTakeAll(events, 5000));
    const auto asked = Clock::now();
    worker.Stop();
    worker.Join();
    EXPECT_LT(Clock::now() - asked, std::chrono::milliseconds(1000));
    queue.TakeAll(events);
    EXPECT_EQ(events.back().Kind, Kind::Ended);
    EXPECT_EQ(events.back().End, TRunEnd::Stopped);
}

TEST(RunWorkerTest, ListeningPrintsTheChatterUntilStopped) {
    EcmSimOptions o = WorkerRig::quiet();
    o.chatter = true;
    WorkerRig rig(o);
    rig.worker.StartListen(rig.link, rig.timer, false);
    ASSERT_TRUE(rig.WaitFor(
        [](const TRunEvent& e) { return e.Kind == Kind::Line && e.Level == clReceived; }));
    rig.worker.Pause();
    ASSERT_TRUE(rig.WaitForKind(Kind::Paused));
    rig.worker.Resume();
    rig.worker.Stop();
    ASSERT_TRUE(rig.WaitForKind(Kind::Ended, 8000));
    rig.worker.Join();
    EXPECT_EQ(rig.EndOf(), TRunEnd::Stopped);
}

} // namespace

// The status bar's figures: the rate, the replies and the round trip always, a fault count only
// once that fault happened; the whole text names every figure.
TEST(LinkStatsTest, TheShortTextNamesOnlyTheFaultsThatHappened) {
    struct Case {
        uint64_t timeOuts, checksumErrors, busFrames;
        const char* shortText;
    };
    const Case cases[] = {
        {0, 0, 0, "11.9 frames/s, replies 97%, round trip 84 ms"},
        {3, 0, 0, "11.9 frames/s, replies 97%, round trip 84 ms, time-outs 3"},
        {0, 1, 12,
         "11.9 frames/s, replies 97%, round trip 84 ms, checksum errors 1, bus frames 12"},
    };
    for (const Case& c : cases) {
        TLinkStats stats;
        stats.FramesPerSecond = 11.87;
        stats.Requests = 100;
        stats.Replies = 97;
        stats.TimeOuts = c.timeOuts;
        stats.ChecksumErrors = c.checksumErrors;
        stats.BusFrames = c.busFrames;
        stats.MedianRoundTripMs = 84.2;
        EXPECT_EQ(stats.ShortText(), c.shortText);
        EXPECT_EQ(stats.Text(), "11.9 frames/s, replies 97%, time-outs " +
                                    std::to_string(c.timeOuts) + ", checksum errors " +
                                    std::to_string(c.checksumErrors) + ", bus frames " +
                                    std::to_string(c.busFrames) + ", round trip 84 ms");
    }
}
