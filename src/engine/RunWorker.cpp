#include "engine/RunWorker.h"

#include "engine/Cartridge.h"
#include "engine/Detect.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>

namespace {

constexpr int missedStepsToEnd = 3;
constexpr double secondsPerDay = 86400.0;

} // namespace

TRunWorker::TRunWorker(TRunQueue& queue) : Queue(queue) {}

TRunWorker::~TRunWorker() {
    Stop();
    Join();
}

void TRunWorker::launch(std::function<void()> body) {
    Join();
    {
        std::lock_guard lock(Mutex);
        PauseAsked = StopAsked = false;
        Overrides.clear();
    }
    Abort = false;
    Done = false;
    Thread = std::thread([this, body = std::move(body)] {
        body();
        Done = true;
    });
}

void TRunWorker::Join() {
    if (Thread.joinable()) {
        Thread.join();
    }
}

void TRunWorker::Pause() {
    std::lock_guard lock(Mutex);
    PauseAsked = true;
    Changed.notify_all();
}

void TRunWorker::Resume() {
    std::lock_guard lock(Mutex);
    PauseAsked = false;
    Changed.notify_all();
}

void TRunWorker::Stop() {
    std::lock_guard lock(Mutex);
    StopAsked = true;
    Abort = true;
    if (TRS232* link = ActiveLink.load()) {
        link->Interrupt(true);
    }
    Changed.notify_all();
}

void TRunWorker::setActiveLink(TRS232* link, TRtime* timer) {
    if (timer) {
        timer->SetAbort(link ? &Abort : nullptr);
    }
    std::lock_guard lock(Mutex);
    ActiveLink = link;
    if (link && StopAsked) {
        link->Interrupt(true);
    }
}

void TRunWorker::endInterrupt() {
    std::lock_guard lock(Mutex);
    Abort = false;
    if (TRS232* link = ActiveLink.load()) {
        link->Interrupt(false);
    }
}

void TRunWorker::SetOverride(int item, std::string text) {
    std::lock_guard lock(Mutex);
    Overrides[item] = std::move(text);
}

TConsoleWriter TRunWorker::Writer() {
    return [this](const std::string& text, int level) { say(text, level); };
}

void TRunWorker::say(const std::string& text, int level) {
    // A stop cuts the read in progress short: the time-out and error lines that follows from
    // that are not the bus's doing.
    if (Abort && (level == clTimeout || level == clError)) {
        return;
    }
    if (level == clTimeout) {
        ++Stats.TimeOuts;
    } else if (level == clError && text.find("checksum") != std::string::npos) {
        ++Stats.ChecksumErrors;
    }
    TRunEvent e;
    e.Kind = TRunEvent::TKind::Line;
    e.Text = text;
    e.Level = level;
    e.Stamp = LocalNow();
    Queue.Push(std::move(e));
}

void TRunWorker::end(TRunEnd why) {
    TRunEvent e;
    e.Kind = TRunEvent::TKind::Ended;
    e.End = why;
    Queue.Push(std::move(e));
}

TRunWorker::TCommand TRunWorker::command() {
    std::lock_guard lock(Mutex);
    if (StopAsked) {
        return TCommand::Stop;
    }
    return PauseAsked ? TCommand::Pause : TCommand::None;
}

bool TRunWorker::waitWhilePaused() {
    TRunEvent paused;
    paused.Kind = TRunEvent::TKind::Paused;
    Queue.Push(std::move(paused));
    std::unique_lock lock(Mutex);
    Changed.wait(lock, [this] { return StopAsked || !PauseAsked; });
    return !StopAsked;
}

bool TRunWorker::sleepUntil(std::chrono::steady_clock::time_point due) {
    std::unique_lock lock(Mutex);
    return !Changed.wait_until(lock, due, [this] { return StopAsked || PauseAsked; });
}

void TRunWorker::StartRun(TCartridge& engine, const TRunSettings& settings) {
    Logging = settings.Logging;
    ShowFrames = settings.ShowFrames;
    Detail = settings.Detail;
    launch([this, &engine, settings] { runMacro(engine, settings); });
}

void TRunWorker::applyOverrides(TCartridge& engine) {
    std::lock_guard lock(Mutex);
    for (auto& [item, text] : Overrides) {
        if (item >= 0 && item < static_cast<int>(engine.Items.size())) {
            engine.Items[item].Request.Override = std::move(text);
        }
    }
    Overrides.clear();
}

void TRunWorker::resumeChatter(TCartridge& engine) {
    // A pulled adapter makes the resume frame fail; the run must still come to its end.
    try {
        engine.ResumeChatter();
    } catch (const std::exception& e) {
        say(e.what(), clError);
    }
}

void TRunWorker::countStep(const TCartridge& engine, bool asked, bool answered, bool final) {
    using Clock = std::chrono::steady_clock;
    Stats.Requests += asked;
    Stats.Replies += answered;
    if (answered && engine.LastRoundTripMs() > 0) {
        RoundTrips.push_back(engine.LastRoundTripMs());
    }
    const auto now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - LastReport).count();
    if (!final && seconds < 1.0) {
        return;
    }
    Stats.BusFrames = static_cast<uint64_t>(std::max(engine.BusFrames(), 0));
    if (seconds > 0) {
        Stats.FramesPerSecond = static_cast<double>(Stats.Replies - RepliesAtReport) / seconds;
    }
    if (!RoundTrips.empty()) {
        auto middle = RoundTrips.begin() + static_cast<std::ptrdiff_t>(RoundTrips.size() / 2);
        std::nth_element(RoundTrips.begin(), middle, RoundTrips.end());
        Stats.MedianRoundTripMs = *middle;
        RoundTrips.clear();
    }
    RepliesAtReport = Stats.Replies;
    LastReport = now;
    TRunEvent e;
    e.Kind = TRunEvent::TKind::Stats;
    e.Stats = Stats;
    Queue.Push(std::move(e));
}

void TRunWorker::runMacro(TCartridge& engine, TRunSettings settings) {
    Stats = {};
    RoundTrips.clear();
    RepliesAtReport = 0;
    LastReport = std::chrono::steady_clock::now();
    const TConsoleWriter ownWriter = engine.ConsoleWriter;
    engine.SetConsoleWriter(Writer());
    setActiveLink(&engine.Link, &engine.Timer);
    TRunEnd why = TRunEnd::Stopped;
    try {
        engine.BeginRun();
        for (int missed = 0;;) {
            const TCommand asked = command();
            if (asked == TCommand::Stop) {
                endInterrupt(); // the resume frame must go out in full
                resumeChatter(engine);
                break;
            }
            if (asked == TCommand::Pause) {
                resumeChatter(engine);
                if (!waitWhilePaused()) {
                    break;
                }
                engine.BeginRun();
                missed = 0;
                continue;
            }
            applyOverrides(engine);
            engine.ConsoleDetail = Detail;
            std::unique_ptr<TPacket> frame =
                engine.ExecuteStep(ShowFrames, settings.TestMode, settings.PreciseTiming);
            countStep(engine, !settings.TestMode && (!frame || frame->Header() != 0),
                      !settings.TestMode && frame && frame->Header() != 0, false);
            if (!frame) {
                if (++missed >= missedStepsToEnd && command() == TCommand::None) {
                    resumeChatter(engine);
                    why = TRunEnd::NoFrames;
                    break;
                }
                continue;
            }
            missed = 0;
            if (frame->Header() != 0) {
                TRunEvent e;
                e.Kind = TRunEvent::TKind::Frame;
                e.Logged = Logging;
                if (e.Logged && settings.Journal) {
                    settings.Journal->Append(*frame);
                }
                e.Frame = std::move(frame);
                Queue.Push(std::move(e));
            }
            if (settings.Journal) {
                settings.Journal->Tick();
            }
        }
    } catch (const std::exception& e) {
        endInterrupt();
        say(e.what(), clError);
        resumeChatter(engine);
        why = TRunEnd::Failed;
    }
    if (settings.Journal) {
        try {
            settings.Journal->Flush();
        } catch (const std::exception& e) {
            say(e.what(), clError);
            why = TRunEnd::Failed;
        }
    }
    endInterrupt();
    setActiveLink(nullptr, &engine.Timer);
    engine.SetConsoleWriter(ownWriter);
    if (!settings.TestMode) {
        countStep(engine, false, false, true);
    }
    end(why);
}

void TRunWorker::StartPlayBack(std::vector<double> frameTimes, int from, double speed) {
    Speed = speed;
    launch([this, times = std::move(frameTimes), from] { playBack(times, from); });
}

void TRunWorker::playBack(const std::vector<double>& times, int from) {
    using Clock = std::chrono::steady_clock;
    auto due = Clock::now();
    const int count = static_cast<int>(times.size());
    for (int i = std::max(from, 0); i < count; ++i) {
        const TCommand asked = command();
        if (asked == TCommand::Stop) {
            end(TRunEnd::Stopped);
            return;
        }
        if (asked == TCommand::Pause) {
            if (!waitWhilePaused()) {
                end(TRunEnd::Stopped);
                return;
            }
            due = Clock::now();
            --i; // play the frame that was due when the pause came
            continue;
        }
        TRunEvent e;
        e.Kind = TRunEvent::TKind::Played;
        e.Index = i;
        Queue.Push(std::move(e));
        if (i + 1 < count) {
            double dt = (times[i + 1] - times[i]) * secondsPerDay;
            if (dt > 1.0) {
                dt = 0.01; // a gap in the log (a pause) plays as a short step
            }
            // Passing midnight gives a negative spacing: no wait, and the frames after it
            // keep their spacing instead of all playing at once.
            dt = std::max(dt, 0.0);
            double speed = Speed;
            if (!std::isfinite(speed) || speed <= 0) {
                speed = 1;
            }
            due += std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(dt / speed));
            sleepUntil(due); // a command cutting it short is taken at the top
        }
    }
    end(TRunEnd::Finished);
}

void TRunWorker::StartListen(TRS232& link, TRtime& timer, bool detail) {
    Detail = detail;
    launch([this, &link, &timer] { listen(link, timer); });
}

void TRunWorker::listen(TRS232& link, TRtime& timer) {
    // The end is told only once the link is left: the window may close the port at once.
    end(listenUntilAsked(link, timer));
}

TRunEnd TRunWorker::listenUntilAsked(TRS232& link, TRtime& timer) {
    TDetect detect(link, timer, Writer());
    setActiveLink(&link, &timer);
    struct Done {
        TRunWorker& worker;
        TRtime& timer;
        ~Done() {
            worker.endInterrupt();
            worker.setActiveLink(nullptr, &timer);
        }
    } done{*this, timer};
    try {
        for (;;) {
            detect.ListenToChatter(Detail, [this, &detect] {
                if (command() != TCommand::None) {
                    detect.SetListening(false);
                }
            });
            const TCommand asked = command();
            if (asked == TCommand::Pause) {
                if (waitWhilePaused()) {
                    continue;
                }
            }
            break;
        }
    } catch (const std::exception& e) {
        say(e.what(), clError);
        return TRunEnd::Failed;
    }
    return TRunEnd::Stopped;
}
