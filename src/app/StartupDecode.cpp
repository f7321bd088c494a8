#include "app/StartupDecode.h"

#include <sys/stat.h>

#include "app/CommandLine.h"
#include "archive/ArchiveItem.h"
#include "comments/RotationMacro.h"
#include "imaging/AnyPicDecoder.h"
#include "imaging/PhotoHeaderProbe.h"
#include "platform/Files.h"
#include "platform/StartupTrace.h"
#include "platform/ThreadPriority.h"
#include "prefetch/PrefetchedPhoto.h"

namespace vellumo {

void StartupDecode::start() {
    if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
}

StartupDecode::~StartupDecode() { stopAndJoin(); }

void StartupDecode::stopAndJoin() {
    {
        // Under the lock: a worker waiting for showAt sees it.
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
        notify_ = nullptr;
        changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
}

void StartupDecode::setNotify(std::function<void()> notify) {
    std::lock_guard<std::mutex> hold(lock_);
    notify_ = std::move(notify);
}

void StartupDecode::setCopyMaker(DisplayPreparer::Maker maker) {
    std::lock_guard<std::mutex> hold(lock_);
    copyMaker_ = std::move(maker);
}

bool StartupDecode::finished() {
    std::lock_guard<std::mutex> hold(lock_);
    return finished_ || !worker_.joinable();
}

bool StartupDecode::decodes(const std::string& path) {
    // Asked again once the decode is over (the window loads the photo
    // again): the file was looked at then, and take() looks at it after.
    if (!confirmed_.empty() && path == confirmed_) return true;
    std::optional<Stamp> wanted = StampOf(path);
    std::optional<Stamp> started = StampOf(path_);
    if (wanted && started && wanted->device == started->device && wanted->inode == started->inode) {
        confirmed_ = path;
        return true;
    }
    stopAndJoin();
    return false;
}

std::optional<StartupDecode::FirstPicture> StartupDecode::takeFirstPicture() {
    std::lock_guard<std::mutex> hold(lock_);
    if (!firstPicture_ || finished_) return std::nullopt;
    return FirstPicture{std::move(firstPicture_), firstPictureOf_};
}

std::unique_ptr<StartupDecode> StartupDecode::ForCommandLine(const std::vector<std::string>& arguments,
                                                             const std::string& workingFolder) {
    CommandLine line = CommandLine::Parse(arguments, workingFolder);
    if (!line.script.empty() || line.path.empty()) return nullptr;
    // Only a file the Navigator shows as a photo is shown at the start.
    const auto slash = line.path.rfind('/');
    if (!IsPhotoName(slash == std::string::npos ? line.path : line.path.substr(slash + 1))) return nullptr;
    if (!IsRegularFile(line.path)) return nullptr;
    auto decode = std::make_unique<StartupDecode>(line.path);
    decode->start();
    return decode;
}

std::optional<StartupDecode::Stamp> StartupDecode::StampOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    Stamp s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

// A first picture only from progressive files: a baseline one would cost a
// decode at a reduced scale before the full one.
Size StartupDecode::FirstPictureSink::PreviewSizeFor(int width, int height, bool progressive) {
    photo_ = {width, height};
    if (!progressive) owner_.noFirstPicture_ = true;
    return progressive ? Size{1, 1} : Size{};
}

void StartupDecode::FirstPictureSink::ShowPreview(const CBmp& coarse) {
    auto copy = std::make_unique<CDrawDibBmp>();
    copy->CopyFrom(coarse);
    TraceStartup("early first picture");
    std::lock_guard<std::mutex> hold(owner_.lock_);
    owner_.firstPicture_ = std::move(copy);
    owner_.firstPictureOf_ = photo_;
    owner_.changed_.notify_all();
    if (owner_.notify_) owner_.notify_();
}

void StartupDecode::showAt(Placement placement) {
    std::lock_guard<std::mutex> hold(lock_);
    if (placementSettled_) return;
    placement_ = std::move(placement);
    placementSettled_ = true;
    changed_.notify_all();
}

StartupDecode::Placement StartupDecode::awaitPlacement() {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return placementSettled_ || stop_; });
    return placementSettled_ ? placement_ : Placement{};
}

void StartupDecode::finish() {
    noFirstPicture_ = true;
    std::lock_guard<std::mutex> hold(lock_);
    finished_ = true;
    changed_.notify_all();
    if (notify_) notify_();
}

void StartupDecode::run() {
    TraceStartup("early decode begins");
    // Behind the window: its first paint and the first picture reach the
    // screen sooner (the second decode thread inherits this).
    LowerThisThreadPriority();
    std::optional<Stamp> before = StampOf(path_);
    if (!before) return finish();
    CAnyPicDecoder decoder;
    decoder.SetStopFlag(&stop_);
    decoder.SetColourTarget(SrgbProfile());
    FirstPictureSink sink(*this);
    decoder.SetPreviewSink(&sink);
    // Turned by its comment file, a photo is shown otherwise than its copy.
    const bool mayReduce = !ProbePhotoHeader(path_).progressiveJpeg && RotationMacroAngleOfFile(path_) == 0.0;
    if (mayReduce) {
        decoder.SetSizeRule([this](int width, int height) {
            const Placement shown = awaitPlacement();
            return shown ? ReducedDecodeSide(shown, width, height) : 0;
        });
    }
    auto bitmap = std::make_unique<CDrawDibBmp>();
    try {
        decoder.DecodeFile(path_, *bitmap);
    } catch (...) {
        // Failures (and a stop) are left to the window's own decode, which
        // reports them as always.
        TraceStartup("early decode failed");
        return finish();
    }
    // A file written to while it was read is no photo to keep.
    if (StampOf(path_) != before) return finish();
    stamp_ = before;
    photo_.fullSize = bitmap->GetSize();
    if (mayReduce && decoder.GetFullSize() != bitmap->GetSize() && decoder.GetFullSize().cx > 0) {
        photo_.reduced = true;
        photo_.fullSize = decoder.GetFullSize();
    }
    photo_.bitmap = std::move(bitmap);
    photo_.text = decoder.GetText();
    // The display copy, here rather than in the window's first paint.
    DisplayPreparer::Maker maker;
    Placement placement;
    {
        std::lock_guard<std::mutex> hold(lock_);
        maker = copyMaker_;
        placement = placement_;
    }
    if (maker && placement && !photo_.reduced && !stop_)
        photo_.copy = maker(photo_.bitmap->GetImageView(), placement(photo_.bitmap->GetSize()));
    ok_ = true;
    TraceStartup("early decode ends");
    finish();
}

std::optional<EarlyPhoto> StartupDecode::take(const std::string& path, const FirstPictureHandler& onFirstPicture) {
    // Another file than the one being decoded: the decode is of no use.
    if (!decodes(path)) return std::nullopt;
    // A decode still waiting for where the photo is shown decodes it whole.
    showAt({});
    for (;;) {
        std::unique_ptr<CDrawDibBmp> first;
        Size photo;
        {
            std::unique_lock<std::mutex> hold(lock_);
            if (!worker_.joinable()) break;
            changed_.wait(hold, [&] { return finished_ || firstPicture_; });
            // Once the photo is there its first picture is of no use.
            if (finished_) break;
            first = std::move(firstPicture_);
            photo = firstPictureOf_;
        }
        if (onFirstPicture) onFirstPicture(*first, photo);
    }
    if (worker_.joinable()) worker_.join();
    if (!ok_) return std::nullopt;
    ok_ = false;
    // The file changed after the decode: decoded anew by the caller.
    if (StampOf(path) != stamp_) {
        photo_ = {};
        return std::nullopt;
    }
    return std::move(photo_);
}

}  // namespace vellumo
