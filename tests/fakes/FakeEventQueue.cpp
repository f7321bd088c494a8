#include "fakes/FakeEventQueue.h"

#include <stdexcept>

namespace vellumo {

void FakeEventQueue::post(CommandTarget* target, int command, std::intptr_t param) {
    std::lock_guard lock(mutex_);
    posted_.push_back({target, command, param});
}

void FakeEventQueue::setTimer(CommandTarget* target, int timerId, int milliseconds) {
    std::lock_guard lock(mutex_);
    timers_[{target, timerId}] = Timer{milliseconds, now_ + static_cast<std::uint64_t>(milliseconds)};
}

void FakeEventQueue::killTimer(CommandTarget* target, int timerId) {
    std::lock_guard lock(mutex_);
    timers_.erase({target, timerId});
}

void FakeEventQueue::forget(CommandTarget* target) {
    std::lock_guard lock(mutex_);
    for (auto it = posted_.begin(); it != posted_.end();) it = it->target == target ? posted_.erase(it) : it + 1;
    for (auto it = timers_.begin(); it != timers_.end();) it = it->first.first == target ? timers_.erase(it) : std::next(it);
}

int FakeEventQueue::runPending() {
    int delivered = 0;
    for (;;) {
        Posted p;
        {
            std::lock_guard lock(mutex_);
            if (posted_.empty()) return delivered;
            p = posted_.front();
            posted_.pop_front();
        }
        p.target->onCommand(p.command, p.param);
        if (++delivered > 1000000) throw std::runtime_error("posted commands never stop");
    }
}

void FakeEventQueue::advance(std::uint64_t milliseconds) {
    std::uint64_t end = now_ + milliseconds;
    runPending();
    for (;;) {
        CommandTarget* target = nullptr;
        int id = 0;
        {
            std::lock_guard lock(mutex_);
            std::uint64_t best = UINT64_MAX;
            for (auto& [key, timer] : timers_) {
                if (timer.due <= end && timer.due < best) {
                    best = timer.due;
                    target = key.first;
                    id = key.second;
                }
            }
            if (!target) break;
            now_ = best;
            auto& timer = timers_[{target, id}];
            timer.due = now_ + static_cast<std::uint64_t>(timer.interval > 0 ? timer.interval : 1);
        }
        target->onTimer(id);
        runPending();
    }
    now_ = end;
}

bool FakeEventQueue::hasTimer(CommandTarget* target, int timerId) const {
    std::lock_guard lock(mutex_);
    return timers_.count({target, timerId}) != 0;
}

size_t FakeEventQueue::pendingCount() const {
    std::lock_guard lock(mutex_);
    return posted_.size();
}

}  // namespace vellumo
