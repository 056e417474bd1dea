#include "engine/RunQueue.h"

#include "common/Format.h"

#include <chrono>

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
