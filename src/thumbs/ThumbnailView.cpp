#include "thumbs/ThumbnailView.h"

#include <algorithm>
#include <cmath>

#include "commands/Commands.h"
#include "comments/RotationMacro.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "thumbs/ThumbnailCachePlace.h"
#include "thumbs/ThumbnailCacheWriter.h"

namespace vellumo {

namespace {

// Change bits of the Thumbnails Settings section.
constexpr std::uint32_t kBitThumbnails = 0x1;
constexpr std::uint32_t kBitSize = 0x2;
constexpr std::uint32_t kBitSpaceX = 0x4;
constexpr std::uint32_t kBitSpaceY = 0x8;
constexpr std::uint32_t kBitBorderColor = 0x10;
constexpr std::uint32_t kBitBorder = 0x20;
constexpr std::uint32_t kBitFineQuality = 0x80;
constexpr std::uint32_t kBitSelection = 0x100;

}  // namespace

ThumbnailView::ThumbnailView(NavigatorList& list, ArchiveNavigator& archive, NavigatorPanel& panel, EventQueue& queue,
                             CommandTarget* navigator, std::function<Settings&()> settings)
    : list_(list),
      archive_(archive),
      panel_(panel),
      queue_(queue),
      navigator_(navigator),
      settings_(std::move(settings)),
      cacheHome_(UserCacheHome()),
      rotation_(RotationMacroAngleOfFile) {}

ThumbnailView::~ThumbnailView() { destroy(); }

void ThumbnailView::destroy() { stopWorker(); }

ThumbnailLook ThumbnailView::look() {
    const Settings& s = settings();
    return {s.ThumbnailsSize, s.ThumbnailsBorderColor, s.ThumbnailsBorder};
}

ThumbnailOptions ThumbnailView::options() {
    const Settings& s = settings();
    ThumbnailOptions o;
    o.size = s.ThumbnailsSize;
    o.borderColor = s.ThumbnailsBorderColor;
    o.border = s.ThumbnailsBorder != 0;
    o.fineQuality = s.ThumbnailsFineQuality != 0;
    o.backgroundColor = s.BackgroundColor;
    o.deviceSize = static_cast<int>(std::lround(s.ThumbnailsSize * panel_.devicePixelRatio()));
    return o;
}

void ThumbnailView::open() {
    // Thumbnails outside the folders went to files of our own once; they go
    // to the desktop's shared cache now.
    RemoveOldUserCaches(cacheHome_);
    const Settings& s = settings();
    images_.reset(s.ThumbnailsSize, s.ThumbnailsBorderColor);
    mode_ = s.Thumbnails != 0;
    applyView();
}

void ThumbnailView::applyView() {
    const Settings& s = settings();
    ThumbnailViewSpec spec;
    spec.on = mode_;
    spec.size = s.ThumbnailsSize;
    spec.spaceX = s.ThumbnailsSpaceX;
    spec.spaceY = s.ThumbnailsSpaceY;
    spec.selection = s.ThumbnailsSelection;
    spec.images = &images_;
    panel_.setThumbnailView(spec);
}

int ThumbnailView::rememberedImage(int row) const {
    const int first = archive_.firstPhotoIndex();
    if (first < 0 || row < first) return ThumbIndex::Waiting;
    const auto i = static_cast<std::size_t>(row - first);
    return i < memory_.size() ? memory_[i] : ThumbIndex::Waiting;
}

void ThumbnailView::clearMemory() { memory_.clear(); }

void ThumbnailView::giveRow(int row, int image) {
    const int first = archive_.firstPhotoIndex();
    if (first < 0 || row < first || row > archive_.lastPhotoIndex()) return;
    const auto i = static_cast<std::size_t>(row - first);
    if (memory_.size() <= i) memory_.resize(i + 1, ThumbIndex::Waiting);
    memory_[i] = image;
    if (mode_) {
        updating_ = true;
        list_.setImage(row, image);
        updating_ = false;
    }
}

// ---- Worker lifecycle ------------------------------------------------------------

void ThumbnailView::stopWorker() {
    if (worker_) worker_->stop();
    worker_.reset();
    mailbox_.reset();
    suspended_ = false;
}

std::vector<std::string> ThumbnailView::cacheFilesToRead() {
    std::vector<std::string> files;
    const bool skip = skipCache_;
    skipCache_ = false;
    if (skip) return files;
    std::string inFolder = FolderCacheFile(workerFolder_, programName_);
    if (IsRegularFile(inFolder)) files.push_back(inFolder);
    return files;
}

void ThumbnailView::startWorker() {
    stopWorker();
    workerFolder_ = archive_.currentFolder();
    const int first = archive_.firstPhotoIndex(), last = archive_.lastPhotoIndex();
    workerFirst_ = first;
    ThumbnailJob job;
    job.folder = workerFolder_;
    job.firstPhoto = first;
    job.lastPhoto = last;
    if (first >= 0) {
        const auto n = static_cast<std::size_t>(last - first + 1);
        job.paths.resize(n);
        job.texts.resize(n);
        job.hasThumbnail.assign(n, 0);
        for (int row = first; row <= last; ++row) {
            const auto i = static_cast<std::size_t>(row - first);
            job.paths[i] = archive_.photoPath(row).value_or(std::string());
            job.texts[i] = list_.at(row).text;
            // Thumbnails this folder already has (made before a mode switch)
            // are shown again, not made again.
            const int kept = rememberedImage(row);
            if (kept >= ThumbIndex::FirstThumbnail && kept < images_.count()) {
                job.hasThumbnail[i] = 1;
                if (list_.at(row).image != kept) giveRow(row, kept);
            }
        }
    }
    job.cacheFiles = cacheFilesToRead();
    job.look = look();
    job.options = options();
    job.rotation = rotation_;
    job.twoThreads = twoThreads_;
    // Into the folder only when the settings allow it, the folder can take it
    // and it is no optical disc; everything else uses the desktop's shared
    // thumbnails, which the run reads in any case.
    const Settings& s = settings();
    workerCacheInFolder_ = s.ThumbnailsCacheInFolders && !OnOpticalDisc(archive_.drives(), workerFolder_) &&
                           FolderCacheWritable(workerFolder_, programName_);
    workerLook_ = job.look;
    ++run_;
    job.sharedCacheHome = cacheHome_;
    job.writeShared = !workerCacheInFolder_;
    mailbox_ = std::make_shared<ThumbnailMailbox>(queue_, navigator_);
    madeInRun_ = 0;
    worker_ = std::make_unique<ThumbnailWorker>(std::move(job), mailbox_);
    suspended_ = false;
    if (inline_)
        worker_->runHere();
    else
        worker_->start();
}

void ThumbnailView::suspendOrStop() {
    if (!worker_) return;
    if (workerFolder_ != archive_.currentFolder()) {
        // Leaving a folder before its worker finished: what was made so far
        // is kept in the cache (the rows are still the old folder's here).
        takeResults();
        const std::string folder = workerFolder_;
        const bool keep = madeInRun_ > 0 && !folder.empty() && worker_;
        stopWorker();
        if (keep) {
            lastSaved_.clear();
            savedBehind_ = false;
            writeCache(folder);
        }
        return;
    }
    if (suspended_) return;
    if (mode_) {
        stopWorker();
    } else {
        worker_->suspend();
        suspended_ = true;
    }
}

void ThumbnailView::forgetImages() {
    // A worker suspended in this folder keeps its thumbnails for its resumption.
    if (worker_ && suspended_ && workerFolder_ == archive_.currentFolder()) return;
    clearMemory();
    const Settings& s = settings();
    images_.reset(s.ThumbnailsSize, s.ThumbnailsBorderColor);
}

void ThumbnailView::startOrResume() {
    if (!worker_ || !suspended_ || workerFolder_ != archive_.currentFolder() ||
        workerFirst_ != archive_.firstPhotoIndex()) {
        startWorker();
        return;
    }
    for (int row = archive_.firstPhotoIndex(); row >= 0 && row <= archive_.lastPhotoIndex(); ++row) {
        const int kept = rememberedImage(row);
        if (list_.at(row).image != kept) giveRow(row, kept);
    }
    worker_->resume();
    suspended_ = false;
}

void ThumbnailView::refresh() {
    workerFolder_.clear();
    skipCache_ = true;
}

// ---- Commands -----------------------------------------------------------------------

bool ThumbnailView::modeCommand(int command, bool navigatorShown) {
    if (command != cmd::ToggleThumbnails && command != cmd::ThumbnailsOn && command != cmd::ThumbnailsOff) return false;
    if (!navigatorShown) {
        if (beep_) beep_();
        return true;
    }
    if (command == cmd::ThumbnailsOn && mode_) return true;
    if (command == cmd::ThumbnailsOff && !mode_) return true;
    settings().Thumbnails = mode_ ? 0 : 1;
    switchMode(true);
    return true;
}

void ThumbnailView::switchMode(bool relist) {
    switching_ = true;
    mode_ = settings().Thumbnails != 0;
    applyView();
    if (relist) archive_.listCurrentFolder(ArchiveNavigator::ListMode::ModeSwitch);
    switching_ = false;
}

void ThumbnailView::takeResults() {
    if (!mailbox_) return;
    for (auto& delivery : mailbox_->take()) {
        if (delivery.kind == ThumbnailDelivery::Kind::Finished) {
            // New thumbnails, or a cache of the older form: the file is written (anew).
            if (delivery.made > 0 || delivery.staleCache) {
                made_ = true;
                queue_.post(navigator_, CmdSaveThumbCache, run_);
            }
            continue;
        }
        if (delivery.kind == ThumbnailDelivery::Kind::Cache) made_ = false;
        for (auto& [row, image] : delivery.rows) {
            if (image && delivery.kind == ThumbnailDelivery::Kind::Made) ++madeInRun_;
            const int index = image ? images_.append(std::move(image)) : ThumbIndex::Failed;
            giveRow(row, index);
        }
    }
}

void ThumbnailView::visibleRows(int first, int last) {
    if (!mode_ || updating_ || !worker_) return;
    const int firstPhoto = archive_.firstPhotoIndex();
    if (firstPhoto < 0 || first < 0 || last < firstPhoto) return;
    worker_->publishVisible({std::max(first, firstPhoto), last});
}

void ThumbnailView::saveCache(std::intptr_t run) {
    if (run != run_) return;  // the run it belongs to was stopped or replaced
    const std::string folder = workerFolder_;
    stopWorker();
    lastSaved_.clear();
    savedBehind_ = false;
    if (!made_ || folder.empty() || folder != archive_.currentFolder()) return;
    writeCache(folder);
}

void ThumbnailView::writeCache(const std::string& folder) {
    const int first = archive_.firstPhotoIndex(), last = archive_.lastPhotoIndex();
    if (first < 0 || last < 0 || !workerCacheInFolder_) return;

    CThumbnailsStorage storage;
    storage.version = 1;
    storage.photoCount = last - first + 1;
    storage.thumbnailSize = workerLook_.size;
    storage.borderColor = workerLook_.borderColor;
    storage.border = workerLook_.border;
    for (int row = first; row <= last; ++row) {
        const int index = rememberedImage(row);
        ThumbImagePtr image = index >= ThumbIndex::FirstThumbnail ? images_.at(index) : nullptr;
        if (!image) continue;
        storage.names.push_back(list_.at(row).text);
        storage.images.push_back(std::move(image));
    }
    CacheToWrite cache{std::move(storage), folder, programName_};
    if (inline_) {
        lastSaved_ = WriteThumbnailCache(cache);
        return;
    }
    writer_.write(std::move(cache));
    savedBehind_ = true;
}

std::string ThumbnailView::lastSavedFile() {
    if (!savedBehind_) return lastSaved_;
    writer_.finish();
    return writer_.lastWritten();
}

// ---- Settings ----------------------------------------------------------------------------

bool ThumbnailView::settingsChanged(const SettingsChangeSet& changes) {
    const Settings& s = settings();
    bool remake = false;
    if (changes.has(SectionThumbnails, kBitThumbnails) && (s.Thumbnails != 0) != mode_) {
        switchMode(false);
        remake = true;
    }
    if (changes.has(SectionThumbnails, kBitSize) && s.ThumbnailsSize != images_.size()) {
        // New image lists at the new size: what was made at the old size is gone.
        stopWorker();
        clearMemory();
        images_.reset(s.ThumbnailsSize, s.ThumbnailsBorderColor);
        if (mode_) {
            for (int row = archive_.firstPhotoIndex(); row >= 0 && row <= archive_.lastPhotoIndex(); ++row)
                if (list_.at(row).image >= ThumbIndex::FirstThumbnail) giveRow(row, ThumbIndex::Waiting);
            if (!archive_.isRelisting()) remake = true;
        }
    }
    if (changes.has(SectionThumbnails, kBitBorderColor)) images_.setFrames(s.ThumbnailsBorderColor);
    if (changes.has(SectionThumbnails, kBitBorderColor | kBitBorder | kBitFineQuality)) {
        if (mode_) {
            remake = true;
        } else if (worker_ && suspended_) {
            // Its thumbnails have the old look: the next start makes them anew.
            stopWorker();
            clearMemory();
        }
    }
    if (changes.has(SectionThumbnails, kBitSize | kBitSpaceX | kBitSpaceY | kBitSelection | kBitBorderColor))
        applyView();
    return remake;
}

}  // namespace vellumo
