#include "archive/FolderLister.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>

#include "platform/Drives.h"
#include "platform/Mailbox.h"
#include "platform/Paths.h"
#include "platform/ThreadPriority.h"

namespace vellumo {

struct FolderLister::Job {
    Job(EventQueue* queue, CommandTarget* owner) : mailbox(queue, owner, CmdFolderListed) {}
    FolderListingRequest request;
    ListingPace pace;
    std::function<void(const std::string&, int)> hook;
    std::atomic<bool> stop{false};
    Mailbox<ListingDelivery> mailbox;
    // After its head, the listing waits until the window's start is over
    // (or kLongestHold has passed, or it is stopped).
    bool holdRest = false;
    std::mutex holdMutex;
    std::condition_variable holdWake;

    // On the listing's own thread.
    void run() {
        ListFolder(request, pace, stop,
                   [this](ListingDelivery d) {
                       const bool head = d.kind == ListingDelivery::Kind::Head;
                       // The first screenful is shown: sorting the rest
                       // yields to the window and the display server.
                       if (head) LowerThisThreadPriority(5);
                       mailbox.deliver(std::move(d));
                       if (head) waitWhileHeld();
                   },
                   hook);
    }
    void waitWhileHeld() {
        std::unique_lock lock(holdMutex);
        holdWake.wait_for(lock, kLongestHold, [this] { return !holdRest || stop; });
    }
    // On the user-interface thread.
    void release() {
        {
            std::lock_guard lock(holdMutex);
            holdRest = false;
        }
        holdWake.notify_all();
    }
    void halt() {
        stop = true;
        mailbox.close();
        release();
    }

    static constexpr std::chrono::milliseconds kLongestHold{1000};
};

namespace {

// The rows of the two folders a path can name (itself, or the folder of the
// file it names) begin alike for both places.
bool SameUpEntries(const std::string& path, const ArchivePlaces& a, const ArchivePlaces& b) {
    for (const std::string& folder : {path, ParentPath(path)}) {
        const auto x = a.upEntry(folder), y = b.upEntry(folder);
        if (x.has_value() != y.has_value()) return false;
        if (x && (x->text != y->text || x->image != y->image)) return false;
    }
    return true;
}

}  // namespace

FolderLister::FolderLister(EventQueue& queue, CommandTarget* owner) : queue_(queue), owner_(owner) {}

FolderLister::~FolderLister() {
    abandon();
    if (early_) early_->halt();
}

std::shared_ptr<FolderLister::Job> FolderLister::StartEarly(const std::string& path) {
    auto job = std::make_shared<Job>(nullptr, nullptr);
    // Sorting the rest of a large folder would compete with the window's
    // first paint for the processor: it waits for releaseRest().
    job->holdRest = true;
    job->request.path = path;
    job->request.goTo = true;
    job->request.places.drives = ListDrives();
    std::thread([job] {
        // Read while the window is being made: its first screenful is out
        // well before the window wants it, so the making goes first.
        LowerThisThreadPriority(5);
        job->run();
    }).detach();
    return job;
}

void FolderLister::start(FolderListingRequest request) {
    abandon();
    if (early_ && onWorker_ && early_->request.path == request.path &&
        SameUpEntries(request.path, early_->request.places, request.places)) {
        // Whether the path names a folder or a file, the early listing of it
        // found out as this one would.
        job_ = std::move(early_);
        job_->mailbox.attach(queue_, owner_);
        return;
    }
    job_ = std::make_shared<Job>(&queue_, onWorker_ ? owner_ : nullptr);
    job_->request = std::move(request);
    job_->pace = pace_;
    if (!onWorker_) {
        // Read at once: the rows come whole, empty folders known.
        job_->pace.firstPartMs = job_->pace.emptinessMs = job_->pace.headRows = std::numeric_limits<int>::max();
    }
    job_->hook = hook_;
    if (!onWorker_) {
        job_->run();
        return;
    }
    // The thread keeps its job alive and is never joined.
    std::thread([job = job_] { job->run(); }).detach();
}

void FolderLister::abandon() {
    if (!job_) return;
    job_->halt();
    job_.reset();
}

void FolderLister::releaseRest() {
    if (job_) job_->release();
    if (early_) early_->release();
}

std::deque<ListingDelivery> FolderLister::take() {
    if (!job_) return {};
    return job_->mailbox.take();
}

}  // namespace vellumo
