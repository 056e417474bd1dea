#include "engine/RunQueue.h"

#include "common/Format.h"

#include <chrono>
#include <utility>

double TLinkStats::ReplyPercent() const {
    return Requests ? 100.0 * static_cast<double>(Replies) / static_cast<double>(Requests) : 0.0;
}

std::string TLinkStats::Text() const {
    return Format("%.1f frames/s, replies %.0f%%, time-outs %llu, checksum errors %llu, "
                  "bus frames %llu, round trip %.0f ms",
                  FramesPerSecond, ReplyPercent(), static_cast<unsigned long long>(TimeOuts),
                  static_cast<unsigned long long>(ChecksumErrors),
                  static_cast<unsigned long long>(BusFrames), MedianRoundTripMs);
}

std::string TLinkStats::ShortText() const {
    std::string text = Format("%.1f frames/s, replies %.0f%%, round trip %.0f ms", FramesPerSecond,
                              ReplyPercent(), MedianRoundTripMs);
    const std::pair<const char*, uint64_t> faults[] = {
        {"time-outs", TimeOuts}, {"checksum errors", ChecksumErrors}, {"bus frames", BusFrames}};
    for (const auto& [name, count] : faults) {
        if (count > 0) {
            text += Format(", %s %llu", name, static_cast<unsigned long long>(count));
        }
    }
    return text;
}

void TRunQueue::SetNotify(TNotify notify) {
    std::lock_guard lock(Mutex);
    Notify = std::move(notify);
}

void TRunQueue::Push(TRunEvent event) {
    TNotify notify;
    {
        std::lock_guard lock(Mutex);
        const bool wasEmpty = Events.empty();
        Events.push_back(std::move(event));
        if (wasEmpty) {
            notify = Notify;
        }
    }
    Arrived.notify_all();
    if (notify) {
        notify();
    }
}

void TRunQueue::TakeAll(std::vector<TRunEvent>& out) {
    std::lock_guard lock(Mutex);
    for (TRunEvent& e : Events) {
        out.push_back(std::move(e));
    }
    Events.clear();
}

bool TRunQueue::WaitTakeAll(std::vector<TRunEvent>& out, int ms) {
    std::unique_lock lock(Mutex);
    if (!Arrived.wait_for(lock, std::chrono::milliseconds(ms),
                          [this] { return !Events.empty(); })) {
        return false;
    }
    for (TRunEvent& e : Events) {
        out.push_back(std::move(e));
    }
    Events.clear();
    return true;
}

bool TRunQueue::Empty() const {
    std::lock_guard lock(Mutex);
    return Events.empty();
}
