#include "prefetch/PrefetchWorker.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace vellumo {

struct PrefetchWorker::Job {
    std::string path;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool open = true;  // the owner still hears of it
    std::optional<PrefetchedPhoto> photo;
    DisplayPreparer* preparer = nullptr;
    PrefetchWorker::Placement placement;
    ColorRef background = 0;
    ColourProfilePtr colours;
    EventQueue* queue = nullptr;
    CommandTarget* owner = nullptr;
    int doneCommand = 0;
};

namespace {

void RunJob(PrefetchWorker::Job& job) {
    CAnyPicDecoder decoder;
    std::optional<PrefetchedPhoto> photo = DecodeAhead(decoder, job.path, job.stop, job.background, job.colours);
    std::lock_guard<std::mutex> lock(job.mutex);
    // Under the lock: once abandon() returns, the preparer (the window's) is
    // never called again, so the window may go away.
    if (photo && job.preparer && job.placement && job.open && !job.stop)
        job.preparer->prepare(photo->bitmap->GetImageView(), job.placement(photo->bitmap->GetSize()));
    job.photo = std::move(photo);
    job.done = true;
    job.ended.notify_all();
    // Posted under the lock: once abandon() has closed the job, nothing reaches the owner.
    if (job.open) job.queue->post(job.owner, job.doneCommand);
}

}  // namespace

const std::string& PrefetchWorker::path() const {
    static const std::string none;
    return job_ ? job_->path : none;
}

void PrefetchWorker::start(const std::string& path, DisplayPreparer* preparer, Placement placement,
                           ColorRef background, ColourProfilePtr colours) {
    abandon();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->background = background;
    job->colours = std::move(colours);
    job->preparer = preparer;
    job->placement = std::move(placement);
    job->queue = &queue_;
    job->owner = owner_;
    job->doneCommand = doneCommand_;
    job_ = job;
    if (inline_) {
        RunJob(*job);
        return;
    }
    // The thread holds the job; it ends by itself, soon after a stop.
    std::thread([job] { RunJob(*job); }).detach();
}

bool PrefetchWorker::finished() const {
    if (!job_) return false;
    std::lock_guard<std::mutex> lock(job_->mutex);
    return job_->done;
}

std::optional<PrefetchedPhoto> PrefetchWorker::await() {
    if (!job_) return std::nullopt;
    std::shared_ptr<Job> job = std::move(job_);
    std::unique_lock<std::mutex> lock(job->mutex);
    job->open = false;
    job->ended.wait(lock, [&] { return job->done; });
    return std::move(job->photo);
}

void PrefetchWorker::abandon() {
    if (!job_) return;
    std::shared_ptr<Job> job = std::move(job_);
    job->stop = true;
    std::lock_guard<std::mutex> lock(job->mutex);
    job->open = false;
    job->photo.reset();
}

}  // namespace vellumo
