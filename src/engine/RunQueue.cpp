#include "engine/RunQueue.h"

#include <chrono>

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
