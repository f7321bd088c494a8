#include "app/PhotoLoader.h"

#include "imaging/AlphaMatte.h"
#include "imaging/RotateFilter.h"
#include "imaging/TextException.h"
#include "platform/StartupTrace.h"

namespace vellumo {

PhotoLoader::PhotoLoader(PhotoPrefetcher& prefetch, PhotoPreview& preview, std::string startPicture,
                         std::function<ColorRef()> background, std::function<ColourProfilePtr()> colours)
    : prefetch_(prefetch),
      preview_(preview),
      startPicture_(std::move(startPicture)),
      background_(std::move(background)),
      colours_(std::move(colours)) {}

ColourProfilePtr PhotoLoader::colours() const {
    ColourProfilePtr c = colours_ ? colours_() : nullptr;
    return c ? c : SrgbProfile();
}

DecodedPhoto PhotoLoader::load(const std::string& path) {
    const ColourProfilePtr screen = colours();
    // The photo shown again (turned, refreshed) while its file is unchanged:
    // its bitmap stands for the decode.
    if (bitmap_ && !copy_ && bitmapSource_ && bitmapSource_->path == path && StampOfFile(path) == bitmapSource_->stamp &&
        (!bitmapSource_->matte || *bitmapSource_->matte == background_()) && SameProfile(bitmapSource_->colours, screen)) {
        dropPending();
        turnedAhead_.reset();
        if (bitmapSource_->turn != 0.0) turnedAhead_ = TurnedAhead{bitmapSource_->turn, bitmapSource_->decodedSize};
        return {true, bitmapSource_->decodedSize.cx, bitmapSource_->decodedSize.cy, {}};
    }
    // The photo whose decode runs is asked for again, over the same
    // background: the decode goes on.
    if (pending_ && pending_->path == path && pending_->background == background_() &&
        SameProfile(pending_->colours, screen)) {
        if (!pending_->copyShown) return {false, 0, 0, {}, DecodedPhoto::Full::Later};
        return {true, copy_->decodedSize.cx, copy_->decodedSize.cy, {}, DecodedPhoto::Full::CopyShown};
    }
    dropPending();
    // Taken before the photo on screen goes back: that drops what is no longer wanted.
    std::optional<PrefetchedPhoto> ahead = prefetch_.take(path);
    // Laid over another background than this photo's: decoded anew.
    if (ahead && ahead->matte && *ahead->matte != background_()) ahead.reset();
    // Converted to colours the screen no longer has: decoded anew.
    if (ahead && !SameProfile(ahead->colours, screen)) ahead.reset();
    // The first photo may be decoding since the program started: the window
    // goes on answering until it is there (earlyNews), showing its first
    // pictures as they come.
    if (startupDecode_ && !ahead && !startupDecode_->finished() && startupDecode_->decodes(path)) {
        TraceStartup("waiting for the early decode");
        // A decode still waiting for where the photo is shown decodes it whole.
        startupDecode_->showAt({});
        startupDecode_->setCopyMaker(prefetch_.copyMaker());
        pending_ = Pending{path, false, background_(), screen};
        earlyAwaited_ = true;
        showEarlyFirstPicture(screen);
        return {false, 0, 0, {}, DecodedPhoto::Full::Later};
    }
    if (std::unique_ptr<StartupDecode> early = std::move(startupDecode_)) {
        const std::optional<FileStamp> stamp = StampOfFile(path);
        // The early decode gives sRGB, before the screen was known.
        auto showFirstPicture = [this, &screen](CBmp& coarse, Size photo) {
            earlyFirstPicture_ = true;
            if (preview_.PreviewSizeFor(photo.cx, photo.cy, true).cx > 0) {
                if (!screen->IsSrgb()) ConvertColours(coarse, *SrgbProfile(), *screen);
                preview_.ShowPreview(coarse);
            }
            earlyFirstPicture_ = false;
        };
        std::optional<EarlyPhoto> photo = early->take(path, showFirstPicture);
        if (photo && photo->reduced) {
            // Decoded for its display copy alone: it stands for the photo as
            // a photo decoded ahead does (below). Without a copy the photo
            // is decoded whole now.
            TraceStartup("early reduced decode taken");
            if (!ahead && stamp) ahead = adoptEarly(std::move(*photo), path, *stamp, screen);
        } else if (photo) {
            TraceStartup("early decode taken");
            keepShownPhoto();
            bitmap_ = std::move(photo->bitmap);
            text_ = std::move(photo->text);
            if (!screen->IsSrgb()) ConvertColours(*bitmap_, *SrgbProfile(), *screen);
            // Decoded before the settings were read: laid over the background now.
            std::optional<ColorRef> matte;
            if (ShowOverBackground(*bitmap_, background_())) matte = background_();
            // Its display copy shows the pixels as decoded.
            if (screen->IsSrgb() && !matte) prefetch_.keepCopy(bitmap_->GetCacheKey(), std::move(photo->copy));
            if (stamp && path != startPicture_)
                bitmapSource_ = BitmapSource{path, *stamp, bitmap_->GetSize(), 0.0, matte, screen};
            return {true, bitmap_->GetWidth(), bitmap_->GetHeight(), {}};
        }
    }
    if (ahead && ahead->screenCopyOnly()) {
        // Kept as what the screen needs: its display copy may stand for it.
        if (std::optional<DecodedPhoto> shown = showFromCopy(path, *ahead, background_(), screen)) return *shown;
        ahead.reset();
    }
    if (ahead) {
        keepShownPhoto();
        return install(std::move(*ahead));
    }
    // The start picture is small and shown at once.
    if (path == startPicture_) {
        keepShownPhoto();
        return decodeFile(path, StampOfFile(path), true);
    }
    // Decoded on the worker, with its display copy; the photo on screen
    // stays until it is there.
    pending_ = Pending{path, false, background_(), screen};
    ShownRequest request;
    request.firstPicture = preview_.ruleForWorker();
    request.background = pending_->background;
    request.colours = screen;
    request.copyMayStand = preview_.copiesMayStand();
    if (std::optional<ShownDecode> done = prefetch_.decodeShown(path, std::move(request)))
        return *arrived(std::move(*done));
    return {false, 0, 0, {}, DecodedPhoto::Full::Later};
}

std::optional<DecodedPhoto> PhotoLoader::arrived(ShownDecode decode) {
    if (!pending_ || decode.path != pending_->path) return std::nullopt;
    if (!pending_->copyShown && decode.photo && decode.photo->screenCopyOnly()) return standInCopy(std::move(decode));
    const bool copyShown = pending_->copyShown;
    pending_.reset();
    preview_.drop();
    if (copyShown) {
        // The copy stood for this photo: unchanged since it was made, its
        // pixels are the new bitmap's too.
        if (copy_ && decode.photo && decode.photo->bitmap && decode.photo->stamp == copy_->stamp)
            prefetch_.screenCopyDecoded(copy_->screenCopyKey, decode.photo->bitmap->GetCacheKey());
        copy_.reset();
    }
    // The photo on screen before this one goes back now (or the copy that
    // stood for another one).
    keepShownPhoto();
    if (!decode.photo) return DecodedPhoto{false, 0, 0, decode.errorText};
    return install(std::move(*decode.photo));
}

std::optional<PrefetchedPhoto> PhotoLoader::adoptEarly(EarlyPhoto early, const std::string& path,
                                                       const FileStamp& stamp, const ColourProfilePtr& screen) {
    PrefetchedPhoto photo;
    photo.path = path;
    photo.stamp = stamp;
    photo.text = std::move(early.text);
    photo.decodedSize = early.fullSize;
    photo.reduced = true;
    // The early decode gives sRGB, before the screen was known.
    if (!screen->IsSrgb()) ConvertColours(*early.bitmap, *SrgbProfile(), *screen);
    photo.colours = screen;
    if (ShowOverBackground(*early.bitmap, background_())) photo.matte = background_();
    photo.bitmap = std::move(early.bitmap);
    return prefetch_.adoptReduced(std::move(photo));
}

std::optional<DecodedPhoto> PhotoLoader::showFromCopy(const std::string& path, PrefetchedPhoto& copy,
                                                      ColorRef background, const ColourProfilePtr& colours) {
    previewText_ = copy.text;
    const bool fits = preview_.CopyMayStandFor(copy.screenCopyKey, copy.decodedSize);
    previewText_.clear();
    if (!fits) return std::nullopt;
    preview_.drop();
    keepShownPhoto();
    text_ = copy.text;
    copy_ = std::move(copy);
    pending_ = Pending{path, true, background, colours};
    // Unturned, as the copy shows it; once something needs more than the copy.
    ShownRequest request;
    request.displayCopy = false;
    request.turn = 0.0;
    request.background = background;
    request.colours = colours;
    request.whenNeeded = true;
    if (std::optional<ShownDecode> done = prefetch_.decodeShown(path, std::move(request)))
        return arrived(std::move(*done));
    return DecodedPhoto{true, copy_->decodedSize.cx, copy_->decodedSize.cy, {}, DecodedPhoto::Full::CopyShown};
}

std::optional<DecodedPhoto> PhotoLoader::standInCopy(ShownDecode decode) {
    const Pending was = *pending_;
    if (std::optional<DecodedPhoto> shown = showFromCopy(was.path, *decode.photo, was.background, was.colours))
        return shown;
    // Things changed while it decoded (a transition effect may run now): the
    // whole photo is decoded.
    ShownRequest request;
    request.background = was.background;
    request.colours = was.colours;
    if (std::optional<ShownDecode> done = prefetch_.decodeShown(was.path, std::move(request)))
        return arrived(std::move(*done));
    return std::nullopt;
}

DecodedPhoto PhotoLoader::install(PrefetchedPhoto photo) {
    turnedAhead_.reset();
    bitmap_ = std::move(photo.bitmap);
    text_ = std::move(photo.text);
    if (photo.turn != 0.0) turnedAhead_ = TurnedAhead{photo.turn, photo.decodedSize};
    if (bitmap_ && photo.stamp != FileStamp{})
        bitmapSource_ = BitmapSource{photo.path, photo.stamp, photo.decodedSize, photo.turn, photo.matte, photo.colours};
    return {true, photo.decodedSize.cx, photo.decodedSize.cy, {}};
}

std::optional<DecodedPhoto> PhotoLoader::earlyNews() {
    if (!earlyAwaited_ || !pending_ || !startupDecode_) return std::nullopt;
    showEarlyFirstPicture(colours());
    if (!startupDecode_->finished()) return std::nullopt;
    // Loaded again, the photo now takes the decode's bitmap at once; its
    // first picture stays on screen until the photo takes its place.
    const std::string path = pending_->path;
    pending_.reset();
    earlyAwaited_ = false;
    const DecodedPhoto decoded = load(path);
    if (decoded.full == DecodedPhoto::Full::Later) return std::nullopt;
    preview_.drop();
    return decoded;
}

void PhotoLoader::showEarlyFirstPicture(const ColourProfilePtr& screen) {
    std::optional<StartupDecode::FirstPicture> first = startupDecode_->takeFirstPicture();
    if (!first) return;
    // The early decode gives sRGB, before the screen was known.
    if (!screen->IsSrgb()) ConvertColours(*first->picture, *SrgbProfile(), *screen);
    earlyFirstPicture_ = true;
    preview_.hold({std::move(first->picture), 0, first->photo});
    earlyFirstPicture_ = false;
}

void PhotoLoader::dropPending() {
    earlyAwaited_ = false;
    if (!pending_) return;
    pending_.reset();
    preview_.drop();
    prefetch_.dropShown();
}

void PhotoLoader::fileChanged(const std::string& path) {
    // Its decode that waits until needed would be of the changed file, but
    // the copy on screen is not: the next load decodes the file anew.
    if (pending_ && pending_->path == path) dropPending();
    if (bitmapSource_ && bitmapSource_->path == path) bitmapSource_.reset();
}

void PhotoLoader::hurry() {
    if (pending_) prefetch_.hurryShown();
}

void PhotoLoader::firstPicture(const std::string& path, PrefetchWorker::FirstPicture picture) {
    if (pending_ && !pending_->copyShown && pending_->path == path) preview_.hold(std::move(picture));
}

DecodedPhoto PhotoLoader::decodeFile(const std::string& path, const std::optional<FileStamp>& stamp,
                                      bool firstPicture) {
    TraceStartup("decode begins");
    bitmap_ = std::make_unique<CDrawDibBmp>();
    // A first picture may be painted while the file decodes (PhotoPreview).
    decoder_.SetPreviewSink(firstPicture ? &preview_ : nullptr);
    decoder_.SetColourTarget(colours());
    try {
        decoder_.DecodeFile(path, *bitmap_);
        TraceStartup("decode ends");
    } catch (const CTextException& e) {
        decoder_.SetPreviewSink(nullptr);
        bitmap_.reset();
        return {false, 0, 0, e.GetErrorText()};
    } catch (const std::bad_alloc&) {
        decoder_.SetPreviewSink(nullptr);
        bitmap_.reset();
        return {false, 0, 0, "out of memory"};
    }
    decoder_.SetPreviewSink(nullptr);
    text_ = decoder_.GetText();
    // A picture whose alpha is shown: over the background, for the view, the
    // comment and the transition effects alike.
    std::optional<ColorRef> matte;
    if (ShowOverBackground(*bitmap_, background_())) matte = background_();
    if (stamp && path != startPicture_)
        bitmapSource_ = BitmapSource{path, *stamp, bitmap_->GetSize(), 0.0, matte, decoder_.GetColourTarget()};
    return {true, bitmap_->GetWidth(), bitmap_->GetHeight(), {}};
}

void PhotoLoader::keepShownPhoto() {
    // A display copy that stood for a photo whose decode never came.
    if (copy_) {
        prefetch_.keep(std::move(*copy_));
        copy_.reset();
    }
    if (bitmap_ && bitmapSource_) {
        PrefetchedPhoto photo;
        photo.path = bitmapSource_->path;
        photo.stamp = bitmapSource_->stamp;
        photo.bitmap = std::move(bitmap_);
        photo.text = text_;
        photo.decodedSize = bitmapSource_->decodedSize;
        photo.turn = bitmapSource_->turn;
        photo.matte = bitmapSource_->matte;
        photo.colours = bitmapSource_->colours;
        prefetch_.keep(std::move(photo));
    }
    bitmap_.reset();
    turnedAhead_.reset();
    bitmapSource_.reset();
    text_.clear();
}

void PhotoLoader::undoTurnAhead() {
    if (!turnedAhead_ || !bitmap_) return;
    const double turn = turnedAhead_->turn;
    turnedAhead_.reset();
    // Quarter turns move whole pixels: turning back gives the decode exactly.
    auto back = std::make_unique<CDrawDibBmp>();
    try {
        RotateFilter(-turn, 0).Apply(*bitmap_, *back);
    } catch (const CTextException&) {
        bitmapSource_.reset();
        return;
    } catch (const std::bad_alloc&) {
        bitmapSource_.reset();
        return;
    }
    bitmap_ = std::move(back);
    if (bitmapSource_) bitmapSource_->turn = 0.0;
}

std::optional<Size> PhotoLoader::rotate(double radians, ColorRef fill) {
    if (!bitmap_) return std::nullopt;
    if (turnedAhead_) {
        // Turned ahead as the comment turns it: nothing left to do.
        if (radians == turnedAhead_->turn) {
            turnedAhead_.reset();
            return bitmap_->GetSize();
        }
        undoTurnAhead();
    }
    auto rotated = std::make_unique<CDrawDibBmp>();
    try {
        RotateFilter(radians, fill).Apply(*bitmap_, *rotated);
    } catch (const CTextException&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    bitmap_ = std::move(rotated);
    // Only a turn by whole quarters can be turned back exactly.
    if (bitmapSource_ && IsWholeQuarterTurn(radians)) bitmapSource_->turn = radians;
    else bitmapSource_.reset();
    return Size{bitmap_->GetWidth(), bitmap_->GetHeight()};
}

void PhotoLoader::presented() {
    // The comment did not turn the photo after all.
    if (turnedAhead_) undoTurnAhead();
}

Size PhotoLoader::macroSize() const {
    if (turnedAhead_) return turnedAhead_->decodedSize;
    if (copy_) return copy_->decodedSize;
    return bitmap_ ? bitmap_->GetSize() : Size{};
}

void PhotoLoader::release() {
    dropPending();
    copy_.reset();
    bitmap_.reset();
    startupDecode_.reset();
}

}  // namespace vellumo
