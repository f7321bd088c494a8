#pragma once
// Results a worker thread hands to an owner on the user-interface thread: the
// worker delivers, the owner hears of it through one posted command and takes
// everything waiting, in order. Once closed, nothing more gets through and
// nothing more is posted, so a worker that is no longer waited for may finish
// on its own time.
#include <deque>
#include <mutex>
#include <utility>

#include "platform/EventQueue.h"

namespace vellumo {

template <typename T>
class Mailbox {
public:
    // A null owner is told nothing: it takes the deliveries when it likes.
    Mailbox(EventQueue* queue, CommandTarget* owner, int command) : queue_(queue), owner_(owner), command_(command) {}

    // An owner takes over a mailbox that had none: told at once when
    // deliveries wait.
    void attach(EventQueue& queue, CommandTarget* owner) {
        std::lock_guard lock(mutex_);
        queue_ = &queue;
        owner_ = owner;
        if (open_ && !waiting_.empty()) queue_->post(owner_, command_);
    }

    // From the worker: queued unless the box is closed; the owner is told
    // when the box was empty.
    void deliver(T item) {
        std::lock_guard lock(mutex_);
        if (!open_) return;
        const bool wasEmpty = waiting_.empty();
        waiting_.push_back(std::move(item));
        // Posted under the lock: once close() returns, nothing reaches the owner.
        if (wasEmpty && owner_ && queue_) queue_->post(owner_, command_);
    }
    std::deque<T> take() {
        std::lock_guard lock(mutex_);
        std::deque<T> out;
        out.swap(waiting_);
        return out;
    }
    void close() {
        std::lock_guard lock(mutex_);
        open_ = false;
        waiting_.clear();
    }
    bool closed() const {
        std::lock_guard lock(mutex_);
        return !open_;
    }

private:
    EventQueue* queue_;
    CommandTarget* owner_;
    int command_;
    mutable std::mutex mutex_;
    std::deque<T> waiting_;
    bool open_ = true;
};

}  // namespace vellumo
