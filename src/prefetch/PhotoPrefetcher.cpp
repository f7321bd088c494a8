#include "prefetch/PhotoPrefetcher.h"

#include <algorithm>

namespace vellumo {

PhotoPrefetcher::PhotoPrefetcher(EventQueue& queue, std::size_t budgetBytes)
    : queue_(queue),
      cache_(budgetBytes),
      worker_(queue, this, CmdPrefetchDone, CmdPrefetchFirstPicture),
      stampCheck_(queue, this, CmdPrefetchStampsChecked) {}

PhotoPrefetcher::~PhotoPrefetcher() {
    worker_.abandon();
    queue_.forget(this);
}

void PhotoPrefetcher::photoShown() {
    if (stopped_) return;
    queue_.setTimer(this, kPrefetchTimer, kPrefetchSettleMs);
}

void PhotoPrefetcher::stop() {
    stopped_ = true;
    shownJob_ = false;
    shownWaiting_.reset();
    worker_.abandon();
    stampCheck_.close();
    cache_.clear();
    queue_.killTimer(this, kPrefetchTimer);
    queue_.forget(this);
}

void PhotoPrefetcher::keep(PrefetchedPhoto photo) {
    if (stopped_ || !(photo.bitmap || photo.screenCopyOnly())) return;
    // A decode of a file found changed since is never given out again.
    for (const Stale& stale : stale_)
        if (stale.path == photo.path && stale.stamp == photo.stamp) return;
    if (photo.bitmap) {
        // The window's copy of it joins the prepared ones.
        if (preparer_) preparer_->keepShownCopy(photo.bitmap->GetCacheKey());
        reduceToScreenCopy(photo);
    }
    // The Navigator has moved on already: what is no longer wanted goes
    // first, so the photo does not stand beside them.
    if (sources_.upcoming) wanted_ = sources_.upcoming();
    cache_.keepOnly(wanted_);
    const int rank = rankOf(photo.path);
    if (rank >= 0) cache_.store(std::move(photo), rank);
}

std::optional<PrefetchedPhoto> PhotoPrefetcher::take(const std::string& path) {
    std::optional<PrefetchedPhoto> photo = cache_.take(path);
    if (!photo) return std::nullopt;
    // The file may have been replaced or written to since it was read: it
    // is looked at once the photo is on screen.
    stampCheck_.check(path, photo->stamp);
    ++served_;
    return photo;
}

std::optional<ShownDecode> PhotoPrefetcher::decodeShown(const std::string& path, ShownRequest request) {
    if (stopped_) return ShownDecode{path, std::nullopt, {}};
    if (!request.colours) request.colours = SrgbProfile();
    shownBackground_ = request.background;
    shownColours_ = request.colours;
    shownWaiting_.reset();
    if (request.whenNeeded) {
        // Started by hurryShown.
        if (shownJob_) dropShown();
        shownWaiting_ = WaitingShown{path, std::move(request)};
        return std::nullopt;
    }
    // A decode ahead of this photo, turned as its comment file says and laid
    // over the same background, is what the viewer asks for: what is left of
    // it takes less than a whole decode.
    if (!request.turn && !shownJob_ && worker_.busy() && worker_.path() == path &&
        worker_.background() == request.background && SameProfile(worker_.colours(), request.colours) &&
        worker_.keepBitmap()) {
        shownJob_ = true;
        shownTakenOver_ = true;
        ++served_;
    } else {
        startShown(path, std::move(request));
    }
    if (!worker_.finished()) return std::nullopt;
    return finishShown();
}

void PhotoPrefetcher::startShown(const std::string& path, ShownRequest request) {
    DecodeOptions options;
    options.turn = request.turn;
    options.shownNow = true;
    options.background = request.background;
    options.colours = std::move(request.colours);
    shownJob_ = true;
    shownTakenOver_ = false;
    PrefetchWorker::Extras extras;
    if (request.displayCopy && preparer_ && sources_.placement) {
        extras.preparer = preparer_;
        extras.placement = sources_.placement();
        if (request.copyMayStand && !request.turn && extras.placement) {
            extras.copyOnly = true;
            options.reducedFor = [placement = extras.placement](Size photo) { return placement(photo); };
        }
    }
    extras.firstPicture = std::move(request.firstPicture);
    worker_.start(path, options, std::move(extras));
}

std::optional<ShownDecode> PhotoPrefetcher::finishShown() {
    ShownDecode result;
    result.path = worker_.path();
    result.photo = worker_.await(&result.errorText);
    if (!result.photo && result.errorText.empty() && shownTakenOver_) {
        // The file changed while it was read ahead: the viewer's own decode
        // takes what is there now.
        ShownRequest again;
        again.background = shownBackground_;
        again.colours = shownColours_;
        startShown(result.path, std::move(again));
        if (!worker_.finished()) return std::nullopt;
        return finishShown();
    }
    shownJob_ = false;
    shownTakenOver_ = false;
    return result;
}

void PhotoPrefetcher::hurryShown() {
    if (stopped_ || !shownWaiting_) return;
    WaitingShown waiting = std::move(*shownWaiting_);
    shownWaiting_.reset();
    startShown(waiting.path, std::move(waiting.request));
}

void PhotoPrefetcher::dropShown() {
    shownWaiting_.reset();
    if (!shownJob_) return;
    shownJob_ = false;
    shownTakenOver_ = false;
    worker_.abandon();
}

void PhotoPrefetcher::onCommand(int command, std::intptr_t) {
    if (command == CmdPrefetchDone) jobEnded();
    if (command == CmdPrefetchStampsChecked) stampsChecked();
    if (command == CmdPrefetchFirstPicture && shownJob_ && !stopped_) {
        std::optional<PrefetchWorker::FirstPicture> picture = worker_.takeFirstPicture();
        if (picture && sources_.shownFirstPicture) sources_.shownFirstPicture(worker_.path(), std::move(*picture));
    }
}

void PhotoPrefetcher::stampsChecked() {
    for (FileStampCheck::Result& result : stampCheck_.take()) {
        if (!result.changed || stopped_ || !result.expected) continue;
        stale_.push_back({result.path, *result.expected});
        if (stale_.size() > kStaleKept) stale_.pop_front();
        if (sources_.fileChanged) sources_.fileChanged(result.path);
    }
}

void PhotoPrefetcher::onTimer(int timerId) {
    if (timerId != kPrefetchTimer) return;
    queue_.killTimer(this, kPrefetchTimer);
    if (sources_.upcoming) wanted_ = sources_.upcoming();
    refill();
}

std::optional<PrefetchedPhoto> PhotoPrefetcher::adoptReduced(PrefetchedPhoto photo) {
    if (stopped_ || !photo.bitmap || !photo.reduced || !preparer_ || !sources_.placement) return std::nullopt;
    const PrefetchWorker::Placement placement = sources_.placement();
    if (!placement) return std::nullopt;
    // Shown at the photo's place, as a copy made ahead is.
    DisplayPreparer::MadeCopy copy = preparer_->maker()(photo.bitmap->GetImageView(), placement(photo.decodedSize));
    if (!copy) return std::nullopt;
    const std::uint64_t key = photo.bitmap->GetCacheKey();
    preparer_->keepMade(key, std::move(copy));
    photo.screenCopyKey = key;
    FreeApart(std::move(photo.bitmap));
    return photo;
}

void PhotoPrefetcher::reduceToScreenCopy(PrefetchedPhoto& photo) const {
    // A photo turned ahead is shown turned only once its comment agrees: it
    // keeps its bitmap, as does one shown over a transition effect.
    if (!photo.bitmap || photo.turn != 0.0 || !preparer_ || !sources_.placement || !sources_.screenCopyShows ||
        !sources_.screenCopyShows())
        return;
    const std::uint64_t key = photo.bitmap->GetCacheKey();
    if (!preparer_->holds(key, sources_.placement()(photo.bitmap->GetSize()))) return;
    FreeApart(std::move(photo.bitmap));
    photo.screenCopyKey = key;
}

int PhotoPrefetcher::rankOf(const std::string& path) const {
    auto at = std::find(wanted_.begin(), wanted_.end(), path);
    return at == wanted_.end() ? -1 : static_cast<int>(at - wanted_.begin());
}

bool PhotoPrefetcher::leftOutBefore(const std::string& path) const {
    for (const LeftOut& left : leftOut_) {
        if (left.path != path) continue;
        // A photo that did not fit gets another chance once it is wanted more.
        if (left.rank != kNotDecoded && rankOf(path) < left.rank) return false;
        return StampOfFile(path) == left.stamp;
    }
    return false;
}

void PhotoPrefetcher::jobEnded() {
    if (stopped_ || !worker_.finished()) return;
    if (shownJob_) {
        std::optional<ShownDecode> result = finishShown();
        if (!result) return;
        // What comes next is looked at after a rest, as after every photo shown.
        queue_.setTimer(this, kPrefetchTimer, kPrefetchSettleMs);
        if (sources_.shownDecoded) sources_.shownDecoded(std::move(*result));
        return;
    }
    const std::string path = worker_.path();
    std::optional<PrefetchedPhoto> photo = worker_.await();
    const int rank = rankOf(path);
    // A file that does not decode, or whose photo does not fit, is not tried
    // again until it changes.
    const bool decoded = photo.has_value();
    if (decoded) reduceToScreenCopy(*photo);
    if (!decoded || (rank >= 0 && !cache_.store(std::move(*photo), rank))) {
        std::erase_if(leftOut_, [&](const LeftOut& left) { return left.path == path; });
        leftOut_.push_back({path, StampOfFile(path), decoded ? rank : kNotDecoded});
    }
    refill();
}

void PhotoPrefetcher::refill() {
    // Nothing is decoded ahead while the photo shown is decoded.
    if (stopped_ || shownJob_) return;
    cache_.keepOnly(wanted_);
    std::erase_if(leftOut_, [&](const LeftOut& left) { return rankOf(left.path) < 0; });
    if (worker_.busy()) {
        // A decode nobody wants any more gives way to one that is wanted.
        if (rankOf(worker_.path()) >= 0) return;
        worker_.abandon();
    }
    for (const std::string& path : wanted_) {
        if (cache_.holds(path) || leftOutBefore(path)) continue;
        if (sources_.othersBusy && sources_.othersBusy()) {
            queue_.setTimer(this, kPrefetchTimer, kPrefetchYieldMs);
            return;
        }
        PrefetchWorker::Extras extras;
        if (preparer_ && sources_.placement) {
            extras.preparer = preparer_;
            extras.placement = sources_.placement();
            // Its display copy is all a step needs of it (see reduceToScreenCopy).
            extras.copyOnly = sources_.screenCopyShows && sources_.screenCopyShows();
        }
        DecodeOptions options;
        options.background = sources_.background ? sources_.background() : 0;
        options.colours = sources_.colours ? sources_.colours() : SrgbProfile();
        worker_.start(path, std::move(options), std::move(extras));
        return;
    }
}

}  // namespace vellumo
