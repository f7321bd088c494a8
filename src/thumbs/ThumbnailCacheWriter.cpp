#include "thumbs/ThumbnailCacheWriter.h"

#include <thread>

#include "platform/Files.h"
#include "platform/ThreadPriority.h"
#include "thumbs/ThumbnailCachePlace.h"

namespace vellumo {

std::string WriteThumbnailCache(const CacheToWrite& cache) {
    // A folder that cannot take it after all keeps none: its thumbnails are
    // made again next time.
    std::string file = FolderCacheFile(cache.folder, cache.programName);
    return WriteFileAtomically(file, cache.storage.Serialize()) ? file : std::string();
}

struct ThumbnailCacheWriter::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<CacheToWrite> waiting;
    bool writing = false;  // the writer thread runs
    std::string lastWritten;

    // The writer thread: writes until nothing waits, then ends.
    void run() {
        std::unique_lock lock(mutex);
        while (!waiting.empty()) {
            CacheToWrite next = std::move(waiting.front());
            waiting.pop_front();
            lock.unlock();
            std::string file = WriteThumbnailCache(next);
            lock.lock();
            lastWritten = std::move(file);
            changed.notify_all();
        }
        writing = false;
        changed.notify_all();
    }
};

ThumbnailCacheWriter::ThumbnailCacheWriter() : state_(std::make_shared<State>()) {}

ThumbnailCacheWriter::~ThumbnailCacheWriter() {
    // Not for ever: a folder on a share that stopped answering keeps its writer.
    std::unique_lock lock(state_->mutex);
    state_->changed.wait_for(lock, std::chrono::seconds(10), [this] { return !state_->writing; });
}

void ThumbnailCacheWriter::write(CacheToWrite cache) {
    std::lock_guard lock(state_->mutex);
    state_->waiting.push_back(std::move(cache));
    if (state_->writing) return;
    state_->writing = true;
    std::thread([state = state_] {
        LowerThisThreadPriority();
        state->run();
    }).detach();
}

void ThumbnailCacheWriter::finish() {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [this] { return !state_->writing; });
}

std::string ThumbnailCacheWriter::lastWritten() const {
    std::lock_guard lock(state_->mutex);
    return state_->lastWritten;
}

}  // namespace vellumo
