#include "thumbs/ThumbnailWorker.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <optional>
#include <thread>

#include "imaging/PhotoHeaderProbe.h"
#include "imaging/WinBmp.h"
#include "platform/Files.h"
#include "platform/ThreadPriority.h"
#include "thumbs/SharedThumbnails.h"

namespace vellumo {

// A cache file larger than this is no cache of ours (128-pixel thumbnails of
// some 16,000 photos).
constexpr std::uint64_t kCacheFileLimit = 1ull << 30;

struct ThumbnailWorker::State {
    ThumbnailJob job;
    std::shared_ptr<ThumbnailMailbox> mailbox;
    std::atomic<bool> stop{false};
    std::atomic<bool> running{false};
    std::mutex mutex;
    std::condition_variable wake;
    bool suspended = false;
    PublishedRange visible;
};

// ---- Mailbox ------------------------------------------------------------------

void ThumbnailMailbox::deliver(ThumbnailDelivery delivery) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return;
    const bool wasEmpty = waiting_.empty();
    waiting_.push_back(std::move(delivery));
    // Posted under the lock: once close() returns, nothing reaches the owner.
    if (wasEmpty) queue_.post(owner_, CmdThumbnailsArrived);
}

std::deque<ThumbnailDelivery> ThumbnailMailbox::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::deque<ThumbnailDelivery> out;
    out.swap(waiting_);
    return out;
}

void ThumbnailMailbox::close() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    waiting_.clear();
}

bool ThumbnailMailbox::closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !open_;
}

// ---- The second thread ------------------------------------------------------------

namespace {

// One photo's thumbnail: from the desktop's shared cache when it holds a
// valid picture of it, else decoded (and then left there when asked).
ThumbImagePtr MakeCell(CAnyPicDecoder& decoder, const std::string& path, const ThumbnailJob& job) {
    SharedThumbnailCache shared(job.sharedCacheHome);
    if (!job.sharedCacheHome.empty()) {
        try {
            CDrawDibBmp picture;
            if (shared.read(path, std::max(job.options.size, job.options.deviceSize), picture))
                if (ThumbImagePtr cell = ThumbnailFromPicture(picture, path, job.options, job.rotation)) return cell;
        } catch (const std::exception&) {
            // No memory for it: the photo itself is tried.
        }
    }
    if (!job.writeShared || job.sharedCacheHome.empty())
        return MakeThumbnail(decoder, path, job.options, job.rotation);
    ThumbnailOptions options = job.options;
    options.decodeAtLeast = 2 * SharedThumbnailCache::kNormalSize;
    return MakeThumbnail(decoder, path, options, job.rotation, false,
                         [&](const CBmp& picture) {
                             try {
                                 shared.write(path, picture);
                             } catch (const std::exception&) {
                                 // Not written: the thumbnail is made all the same.
                             }
                         });
}

// Makes one thumbnail at a time for the worker, with its own decoder.
class Helper {
public:
    Helper(const ThumbnailJob& job, const std::atomic<bool>& stop) : job_(job) {
        decoder_.SetStopFlag(&stop);
        thread_ = std::thread([this] { loop(); });
    }
    ~Helper() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    bool idle() {
        std::lock_guard<std::mutex> lock(mutex_);
        return row_ < 0;
    }
    int row() {
        std::lock_guard<std::mutex> lock(mutex_);
        return row_;
    }
    void submit(int row, std::string path) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            row_ = row;
            path_ = std::move(path);
            ready_ = false;
        }
        wake_.notify_all();
    }
    // The result of the row in hand, waiting for it; the helper is then idle.
    ThumbImagePtr wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return ready_; });
        row_ = -1;
        ready_ = false;
        return std::move(result_);
    }
    // A finished row and its result, without waiting.
    std::optional<std::pair<int, ThumbImagePtr>> takeIfReady() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (row_ < 0 || !ready_) return std::nullopt;
        std::pair<int, ThumbImagePtr> r{row_, std::move(result_)};
        row_ = -1;
        ready_ = false;
        return r;
    }

private:
    void loop() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || (row_ >= 0 && !ready_ && !busy_); });
            if (quit_) return;
            busy_ = true;
            std::string path = path_;
            lock.unlock();
            ThumbImagePtr made = MakeCell(decoder_, path, job_);
            lock.lock();
            busy_ = false;
            result_ = std::move(made);
            ready_ = true;
            done_.notify_all();
        }
    }

    const ThumbnailJob& job_;
    CAnyPicDecoder decoder_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    int row_ = -1;
    std::string path_;
    bool ready_ = false;
    bool busy_ = false;
    bool quit_ = false;
    ThumbImagePtr result_;
    std::thread thread_;
};

// Whether a thumbnail of the older cache form (made of the picture as
// stored) shows the photo as it is seen now: stored upright, no profile.
bool OldFormServes(const std::string& path) {
    const PhotoHeaderFacts facts = ProbePhotoHeader(path);
    return facts.orientation == 1 && !facts.colourProfile;
}

// Applies every cache file that matches the current look, in order, each to
// the rows still without a thumbnail (the folder's own file first, then the
// user's, which may know photos added since). True when one applied.
// *stale: an old-form file applied and no file of the current form.
bool LoadCache(ThumbnailWorker::State& state, bool* stale) {
    ThumbnailJob& job = state.job;
    bool applied = false;
    bool oldForm = false, currentForm = false;
    for (const auto& file : job.cacheFiles) {
        if (state.stop) return applied;
        auto bytes = ReadWholeFile(file, kCacheFileLimit);
        if (!bytes) continue;
        CThumbnailsStorage storage;
        if (!storage.Load(*bytes) || !storage.Applicable(job.look)) continue;
        std::vector<int> match = storage.Match(job.texts);
        ThumbnailDelivery delivery;
        delivery.kind = ThumbnailDelivery::Kind::Cache;
        for (std::size_t i = 0; i < match.size(); ++i) {
            if (match[i] < 0 || job.hasThumbnail[i]) continue;
            if (storage.imageForm < 2 && !OldFormServes(job.paths[i])) continue;
            delivery.rows.emplace_back(job.firstPhoto + static_cast<int>(i), storage.images[static_cast<size_t>(match[i])]);
            job.hasThumbnail[i] = 1;
        }
        state.mailbox->deliver(std::move(delivery));
        applied = true;
        (storage.imageForm < 2 ? oldForm : currentForm) = true;
    }
    *stale = oldForm && !currentForm;
    return applied;
}

void RunThumbnailJob(ThumbnailWorker::State& state) {
    ThumbnailJob& job = state.job;
    const int first = job.firstPhoto, last = job.lastPhoto;
    if (first < 0 || last < first) {
        state.mailbox->deliver({ThumbnailDelivery::Kind::Finished, {}, 0});
        return;
    }
    bool staleCache = false;
    LoadCache(state, &staleCache);

    CAnyPicDecoder decoder;
    decoder.SetStopFlag(&state.stop);
    std::optional<Helper> helper;
    if (job.twoThreads) helper.emplace(job, state.stop);
    // Results of the second thread for rows the walk has not reached yet.
    std::map<int, ThumbImagePtr> ready;

    auto index = [&](int row) { return static_cast<std::size_t>(row - first); };
    auto needsWork = [&](int row) {
        return row >= first && row <= last && !job.hasThumbnail[index(row)] && !job.paths[index(row)].empty();
    };
    auto collectHelper = [&] {
        if (!helper) return;
        if (auto r = helper->takeIfReady()) ready[r->first] = std::move(r->second);
    };
    // Hands the second thread a row the walk will need after the current
    // one: the first such row, or, when the worker does that one itself next,
    // the one after it.
    auto feedHelper = [&](const ThumbnailWalk& walk, int skip) {
        if (!helper || !helper->idle()) return;
        ThumbnailWalk ahead = walk;
        for (int steps = 0; steps < 256; ++steps) {
            ahead.advance();
            if (ahead.done()) return;
            const int r = ahead.row();
            if (r == walk.row() || !needsWork(r) || ready.count(r)) continue;
            if (skip-- > 0) continue;
            helper->submit(r, job.paths[index(r)]);
            return;
        }
    };

    int made = 0;
    ThumbnailWalk walk(first, last);
    while (!walk.done()) {
        {
            std::unique_lock<std::mutex> lock(state.mutex);
            state.wake.wait(lock, [&] { return !state.suspended || state.stop; });
        }
        if (state.stop) return;
        walk.consider(state.visible.read());
        const int row = walk.row();
        collectHelper();
        if (needsWork(row)) {
            ThumbImagePtr image;
            auto it = ready.find(row);
            if (it != ready.end()) {
                image = std::move(it->second);
                ready.erase(it);
            } else if (helper && helper->row() == row) {
                image = helper->wait();
                feedHelper(walk, 1);
            } else {
                feedHelper(walk, 0);
                image = MakeCell(decoder, job.paths[index(row)], job);
            }
            if (state.stop) return;
            if (image) {
                job.hasThumbnail[index(row)] = 1;
                ++made;
            }
            state.mailbox->deliver({ThumbnailDelivery::Kind::Made, {{row, std::move(image)}}, 0});
        }
        const RowRange used = walk.inUse();
        if (walk.advance()) state.visible.clearIf(used);
    }
    helper.reset();
    if (state.stop) return;
    state.mailbox->deliver({ThumbnailDelivery::Kind::Finished, {}, made, staleCache});
}

}  // namespace

// ---- Handle -------------------------------------------------------------------------

ThumbnailWorker::ThumbnailWorker(ThumbnailJob job, std::shared_ptr<ThumbnailMailbox> mailbox)
    : state_(std::make_shared<State>()) {
    state_->job = std::move(job);
    state_->mailbox = std::move(mailbox);
}

ThumbnailWorker::~ThumbnailWorker() { stop(); }

void ThumbnailWorker::start() {
    state_->running = true;
    std::shared_ptr<State> state = state_;
    // The thread keeps its state alive; it is never joined, so stopping
    // never waits for a decode in progress.
    std::thread([state] {
        LowerThisThreadPriority();
        RunThumbnailJob(*state);
        state->running = false;
    }).detach();
}

void ThumbnailWorker::runHere() {
    state_->running = true;
    RunThumbnailJob(*state_);
    state_->running = false;
}

void ThumbnailWorker::suspend() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->suspended = true;
}

void ThumbnailWorker::resume() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->suspended = false;
    }
    state_->wake.notify_all();
}

void ThumbnailWorker::stop() {
    state_->mailbox->close();
    state_->stop = true;
    state_->wake.notify_all();
}

void ThumbnailWorker::publishVisible(RowRange range) { state_->visible.publish(range); }
RowRange ThumbnailWorker::visible() const { return state_->visible.read(); }
bool ThumbnailWorker::running() const { return state_->running; }
const std::string& ThumbnailWorker::folder() const { return state_->job.folder; }

}  // namespace vellumo
