#include "app/EditorWatcher.h"

#include <optional>

#include "prefetch/FileStamp.h"

namespace vellumo {

// One watch as its worker sees it.
struct EditorWatcher::Run {
    std::unique_ptr<ChildProcess> child;
    ChildWatch what;
    std::chrono::steady_clock::time_point started;
    std::optional<FileStamp> stamp;  // the file as the editor got it
    std::shared_ptr<std::atomic<bool>> done;
    std::shared_ptr<std::atomic<bool>> replaced;
};

EditorWatcher::EditorWatcher(EventQueue& queue, CommandTarget* viewer, int closedCommand)
    : queue_(queue), viewer_(viewer), closedCommand_(closedCommand) {}

EditorWatcher::~EditorWatcher() { stop(); }

void EditorWatcher::watch(std::unique_ptr<ChildProcess> editor) {
    ChildWatch what;
    what.command = closedCommand_;
    watch(std::move(editor), std::move(what));
}

void EditorWatcher::watch(std::unique_ptr<ChildProcess> child, ChildWatch what) {
    if (!child) return;
    auto r = std::make_shared<Run>();
    r->child = std::move(child);
    r->started = std::chrono::steady_clock::now();
    if (!what.file.empty()) r->stamp = StampOfFile(what.file);
    r->what = std::move(what);
    r->done = std::make_shared<std::atomic<bool>>(false);
    r->replaced = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    // Workers whose child has ended are gone; their threads are collected
    // here. A file given to an editor again is followed by the new watch only.
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (!r->what.file.empty() && it->file == r->what.file) it->replaced->store(true);
        if (it->done->load()) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
    wake_.notify_all();
    ++watching_;
    workers_.push_back({std::thread([this, r] { run(*r); }), r->done, r->replaced, r->what.file});
}

void EditorWatcher::run(Run& r) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_ && !r.replaced->load()) {
        lock.unlock();
        const bool ended = r.child->hasEnded();
        const auto elapsed = std::chrono::steady_clock::now() - r.started;
        lock.lock();
        if (ended) {
            const int status = r.child->exitStatus();
            if (!r.what.file.empty() && status == 0 && elapsed < launcherTime_) {
                followFile(r, lock);
                break;
            }
            // Posted under the lock, so a stop that follows never sees a late post.
            if (!stopping_) queue_.post(viewer_, r.what.command, r.what.postExitStatus ? status : r.what.param);
            break;
        }
        // An opener still running after its time: whatever it started is on its way.
        if (r.what.timeLimit.count() > 0 && elapsed >= r.what.timeLimit) break;
        wake_.wait_for(lock, std::chrono::milliseconds(kCheckMilliseconds),
                       [this, &r] { return stopping_ || r.replaced->load(); });
    }
    --watching_;
    *r.done = true;
}

void EditorWatcher::followFile(Run& r, std::unique_lock<std::mutex>& lock) {
    // A change counts once the file has stayed as it is for one check: an
    // editor that saves in place truncates the file before it writes it,
    // and the empty file in between is not worth a refresh.
    std::optional<FileStamp> seen = r.stamp;
    while (!stopping_ && !r.replaced->load()) {
        lock.unlock();
        std::optional<FileStamp> now = StampOfFile(r.what.file);
        lock.lock();
        if (now != r.stamp && now == seen && !stopping_ && !r.replaced->load()) {
            r.stamp = now;
            queue_.post(viewer_, r.what.command, r.what.param);
        }
        seen = now;
        wake_.wait_for(lock, std::chrono::milliseconds(kCheckMilliseconds),
                       [this, &r] { return stopping_ || r.replaced->load(); });
    }
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
