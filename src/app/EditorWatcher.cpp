#include "app/EditorWatcher.h"

#include <chrono>

namespace vellumo {

EditorWatcher::EditorWatcher(EventQueue& queue, CommandTarget* viewer, int closedCommand)
    : queue_(queue), viewer_(viewer), closedCommand_(closedCommand) {}

EditorWatcher::~EditorWatcher() { stop(); }

void EditorWatcher::watch(std::unique_ptr<ChildProcess> editor) {
    if (!editor) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    // Workers whose editor has ended are gone; their threads are collected here.
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
    ++watching_;
    auto done = std::make_shared<std::atomic<bool>>(false);
    workers_.push_back({std::thread([this, child = std::move(editor), done]() mutable { run(std::move(child), *done); }),
                        done});
}

void EditorWatcher::run(std::unique_ptr<ChildProcess> editor, std::atomic<bool>& done) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        bool ended = editor->hasEnded();
        lock.lock();
        if (ended) {
            // Posted under the lock, so a stop that follows never sees a late post.
            if (!stopping_) queue_.post(viewer_, closedCommand_);
            break;
        }
        wake_.wait_for(lock, std::chrono::milliseconds(kCheckMilliseconds), [this] { return stopping_; });
    }
    --watching_;
    done = true;
}

void EditorWatcher::stop() {
    std::vector<Worker> workers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        workers.swap(workers_);
    }
    wake_.notify_all();
    for (auto& w : workers)
        if (w.thread.joinable()) w.thread.join();
}

}  // namespace vellumo
