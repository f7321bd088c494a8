#include "prefetch/PrefetchWorker.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "imaging/PhotoHeaderProbe.h"
#include "platform/ThreadPriority.h"

namespace vellumo {

struct PrefetchWorker::Job {
    std::string path;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool open = true;  // the owner still hears of it
    std::optional<PrefetchedPhoto> photo;
    std::string error;  // the decoder's text when it failed
    DecodeOptions options;
    DisplayPreparer* preparer = nullptr;
    DisplayPreparer::Maker maker;  // the preparer's, needing nothing of it
    PrefetchWorker::Placement placement;
    bool copyOnly = false;
    EventQueue* queue = nullptr;
    CommandTarget* owner = nullptr;
    int doneCommand = 0;
    int firstPictureCommand = 0;
    PrefetchWorker::FirstPictureRule firstPictureRule;
    std::optional<PrefetchWorker::FirstPicture> firstPicture;  // not taken yet
};

namespace {

// The decoder's first picture, copied for the owner.
class FirstPictureSink : public PreviewSink {
public:
    explicit FirstPictureSink(PrefetchWorker::Job& job) : job_(job) {}
    Size PreviewSizeFor(int width, int height, bool progressive) override {
        photo_ = {width, height};
        return job_.firstPictureRule(width, height, progressive);
    }
    void ShowPreview(const CBmp& coarse) override {
        // The first scans in the photo's own bitmap would cost a copy of the
        // whole photo: only a smaller picture is passed on.
        if (coarse.GetSize() == photo_ || job_.stop) return;
        PrefetchWorker::FirstPicture picture;
        picture.photo = photo_;
        DisplayPreparer::MadeCopy made;
        const Size shown = job_.placement ? job_.placement(photo_) : Size{};
        if (job_.maker && shown.cx > 0 && (coarse.GetWidth() > shown.cx || coarse.GetHeight() > shown.cy)) {
            // Shrunk here, so that painting it costs the window a copy.
            made = job_.maker(coarse.GetImageView(), shown);
            if (!made) return;
            picture.copyKey = coarse.GetCacheKey();
        } else {
            picture.picture = std::make_unique<CDrawDibBmp>();
            picture.picture->CopyFrom(coarse);
        }
        std::lock_guard<std::mutex> lock(job_.mutex);
        if (!job_.open) return;
        if (made) job_.preparer->keepMade(picture.copyKey, std::move(made));
        job_.firstPicture = std::move(picture);
        job_.queue->post(job_.owner, job_.firstPictureCommand);
    }

private:
    PrefetchWorker::Job& job_;
    Size photo_;
};

void RunJob(PrefetchWorker::Job& job) {
    LowerThisThreadPriority();
    CAnyPicDecoder decoder;
    std::string error;
    FirstPictureSink sink(job);
    DecodeOptions options = job.options;
    if (job.firstPictureRule && job.firstPictureCommand != 0) options.firstPicture = &sink;
    // The photo shown now: a progressive JPEG shows its first picture on the
    // way to the whole photo instead (a reduced decode gives none and saves
    // little of its scans).
    if (options.shownNow && options.reducedFor && ProbePhotoHeader(job.path).progressiveJpeg) options.reducedFor = {};
    std::optional<PrefetchedPhoto> photo = DecodeAhead(decoder, job.path, job.stop, options, &error);
    // Made without the lock (which abandon() takes: the owner never waits
    // for the making), kept under it.
    auto makeCopy = [&job](const std::optional<PrefetchedPhoto>& made) -> DisplayPreparer::MadeCopy {
        if (!made || !job.maker || !job.placement || job.stop) return nullptr;
        // A bitmap decoded at a reduced scale is shown at the photo's place.
        const Size size = made->reduced ? made->decodedSize : made->bitmap->GetSize();
        return job.maker(made->bitmap->GetImageView(), job.placement(size));
    };
    DisplayPreparer::MadeCopy copy = makeCopy(photo);
    if (photo && photo->reduced && !copy && !job.stop) {
        // No display copy came of it (one would be too large): decoded whole.
        options.reducedFor = {};
        photo = DecodeAhead(decoder, job.path, job.stop, options, &error);
        copy = makeCopy(photo);
    }
    std::unique_ptr<CDrawDibBmp> spare;
    std::lock_guard<std::mutex> lock(job.mutex);
    // Under the lock: once abandon() returns, the preparer (the window's) is
    // never called again, so the window may go away.
    if (copy && job.open && !job.stop) {
        const std::uint64_t key = photo->bitmap->GetCacheKey();
        job.preparer->keepMade(key, std::move(copy));
        // The photo shown now keeps a whole decode (one its copy could not stand for).
        if (job.copyOnly && photo->turn == 0.0 && (!job.options.shownNow || photo->reduced)) {
            photo->screenCopyKey = key;
            spare = std::move(photo->bitmap);
        }
    }
    // A bitmap decoded for its copy alone is nothing without it.
    if (photo && photo->reduced && photo->bitmap) {
        spare = std::move(photo->bitmap);
        photo.reset();
    }
    job.photo = std::move(photo);
    job.error = std::move(error);
    job.done = true;
    job.ended.notify_all();
    // Posted under the lock: once abandon() has closed the job, nothing reaches the owner.
    if (job.open) job.queue->post(job.owner, job.doneCommand);
    // The bitmap's pages go back here, after the lock (spare is destroyed
    // after the guard is released: declared before it).
}

}  // namespace

const std::string& PrefetchWorker::path() const {
    static const std::string none;
    return job_ ? job_->path : none;
}

void PrefetchWorker::start(const std::string& path, DecodeOptions options, Extras extras) {
    abandon();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->options = std::move(options);
    job->firstPictureRule = std::move(extras.firstPicture);
    job->firstPictureCommand = firstPictureCommand_;
    job->preparer = extras.preparer;
    if (extras.preparer) job->maker = extras.preparer->maker();
    job->placement = std::move(extras.placement);
    job->copyOnly = extras.copyOnly;
    // A photo whose copy is all that is kept need not be decoded whole.
    if (job->copyOnly && job->maker && job->placement && !job->options.shownNow) {
        job->options.reducedFor = [placement = job->placement](Size photo) { return placement(photo); };
    }
    job->queue = &queue_;
    job->owner = owner_;
    job->doneCommand = doneCommand_;
    job_ = job;
    if (mode_ == RunMode::Inline) {
        RunJob(*job);
        return;
    }
    if (mode_ == RunMode::Held) {
        held_.push_back(job);
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

std::optional<PrefetchedPhoto> PrefetchWorker::await(std::string* error) {
    if (!job_) return std::nullopt;
    std::shared_ptr<Job> job = std::move(job_);
    // A held job runs now, on this thread.
    if (auto at = std::find(held_.begin(), held_.end(), job); at != held_.end()) {
        held_.erase(at);
        job->open = false;
        RunJob(*job);
    }
    std::unique_lock<std::mutex> lock(job->mutex);
    job->open = false;
    job->ended.wait(lock, [&] { return job->done; });
    if (error) *error = job->error;
    return std::move(job->photo);
}

ColorRef PrefetchWorker::background() const { return job_ ? job_->options.background : 0; }

ColourProfilePtr PrefetchWorker::colours() const { return job_ ? job_->options.colours : nullptr; }

bool PrefetchWorker::keepBitmap() {
    if (!job_ || job_->options.reducedFor) return false;
    std::lock_guard<std::mutex> lock(job_->mutex);
    job_->copyOnly = false;
    return !job_->done || !job_->photo || job_->photo->bitmap;
}

std::optional<PrefetchWorker::FirstPicture> PrefetchWorker::takeFirstPicture() {
    if (!job_) return std::nullopt;
    std::lock_guard<std::mutex> lock(job_->mutex);
    std::optional<FirstPicture> picture = std::move(job_->firstPicture);
    job_->firstPicture.reset();
    return picture;
}

int PrefetchWorker::runHeld() {
    std::vector<std::shared_ptr<Job>> jobs = std::move(held_);
    held_.clear();
    for (const std::shared_ptr<Job>& job : jobs) RunJob(*job);
    return static_cast<int>(jobs.size());
}

std::vector<std::pair<std::string, bool>> PrefetchWorker::held() const {
    std::vector<std::pair<std::string, bool>> out;
    for (const std::shared_ptr<Job>& job : held_) out.emplace_back(job->path, job->stop.load());
    return out;
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
