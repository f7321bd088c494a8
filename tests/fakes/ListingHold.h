#pragma once
// Holds the listing of one folder on its worker before a given entry, as a
// share that has not answered yet, until released (at the latest when the
// hold goes away). Give hook() to FolderLister::setEntryHook.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace vellumo::testing {

class ListingHold {
public:
    ListingHold(std::string folder, int atEntry) : state_(std::make_shared<State>()) {
        state_->folder = std::move(folder);
        state_->atEntry = atEntry;
    }
    ~ListingHold() { release(); }
    ListingHold(const ListingHold&) = delete;
    ListingHold& operator=(const ListingHold&) = delete;

    // The worker keeps the state alive while it waits.
    std::function<void(const std::string&, int)> hook() {
        return [state = state_](const std::string& folder, int entries) {
            std::unique_lock lock(state->m);
            if (folder != state->folder || entries != state->atEntry) return;
            state->reached = true;
            state->cv.notify_all();
            state->cv.wait(lock, [&] { return state->released; });
        };
    }
    void release() {
        std::lock_guard lock(state_->m);
        state_->released = true;
        state_->cv.notify_all();
    }
    // The listing got to the entry (false after ten seconds without).
    bool waitReached() {
        std::unique_lock lock(state_->m);
        return state_->cv.wait_for(lock, std::chrono::seconds(10), [&] { return state_->reached; });
    }

private:
    struct State {
        std::mutex m;
        std::condition_variable cv;
        std::string folder;
        int atEntry = -1;
        bool released = false;
        bool reached = false;
    };
    std::shared_ptr<State> state_;
};

}  // namespace vellumo::testing
