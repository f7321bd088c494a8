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
    if (bitmap_ && shownDecode_ && shownDecode_->path == path && StampOfFile(path) == shownDecode_->stamp &&
        (!shownDecode_->matte || *shownDecode_->matte == background_()) && SameProfile(shownDecode_->colours, screen)) {
        turnedAhead_.reset();
        if (shownDecode_->turn != 0.0) turnedAhead_ = TurnedAhead{shownDecode_->turn, shownDecode_->decodedSize};
        return {true, shownDecode_->decodedSize.cx, shownDecode_->decodedSize.cy, {}};
    }
    // Taken before the photo on screen goes back: that drops what is no longer wanted.
    std::optional<PrefetchedPhoto> ahead = prefetch_.take(path);
    // Laid over another background than this photo's: decoded anew.
    if (ahead && ahead->matte && *ahead->matte != background_()) ahead.reset();
    // Converted to colours the screen no longer has: decoded anew.
    if (ahead && !SameProfile(ahead->colours, screen)) ahead.reset();
    keepShownPhoto();
    turnedAhead_.reset();
    shownDecode_.reset();
    text_.clear();
    const std::optional<FileStamp> stamp = StampOfFile(path);
    // The first photo may have been decoded while the program started.
    if (std::unique_ptr<StartupDecode> early = std::move(startupDecode_)) {
        TraceStartup("waiting for the early decode");
        // The early decode gives sRGB, before the screen was known.
        auto showFirstPicture = [this, &screen](CBmp& coarse, Size photo) {
            earlyFirstPicture_ = true;
            if (preview_.PreviewSizeFor(photo.cx, photo.cy, true).cx > 0) {
                if (!screen->IsSrgb()) ConvertColours(coarse, *SrgbProfile(), *screen);
                preview_.ShowPreview(coarse);
            }
            earlyFirstPicture_ = false;
        };
        if (std::optional<EarlyPhoto> photo = early->take(path, showFirstPicture)) {
            TraceStartup("early decode taken");
            bitmap_ = std::move(photo->bitmap);
            text_ = std::move(photo->text);
            if (!screen->IsSrgb()) ConvertColours(*bitmap_, *SrgbProfile(), *screen);
            // Decoded before the settings were read: laid over the background now.
            std::optional<ColorRef> matte;
            if (ShowOverBackground(*bitmap_, background_())) matte = background_();
            if (stamp && path != startPicture_)
                shownDecode_ = ShownDecode{path, *stamp, bitmap_->GetSize(), 0.0, matte, screen};
            return {true, bitmap_->GetWidth(), bitmap_->GetHeight(), {}};
        }
    }
    if (ahead && ahead->screenCopyOnly()) {
        // Kept as what the screen needs: its display copy goes on screen at
        // once, then the file decodes (without a coarser first picture) for
        // everything else, zoom, rotation and the comment included.
        previewText_ = ahead->text;
        const bool shown = preview_.ShowScreenCopy(ahead->screenCopyKey, ahead->decodedSize);
        previewText_.clear();
        const std::uint64_t copyKey = ahead->screenCopyKey;
        const FileStamp aheadStamp = ahead->stamp;
        ahead.reset();
        DecodedPhoto decoded = decodeFile(path, stamp, !shown);
        // Unchanged since the copy was made: the same pixels, so the copy is the new bitmap's too.
        if (decoded.ok && bitmap_ && StampOfFile(path) == aheadStamp)
            prefetch_.screenCopyDecoded(copyKey, bitmap_->GetCacheKey());
        return decoded;
    }
    if (ahead) {
        bitmap_ = std::move(ahead->bitmap);
        text_ = std::move(ahead->text);
        if (ahead->turn != 0.0) turnedAhead_ = TurnedAhead{ahead->turn, ahead->decodedSize};
        shownDecode_ = ShownDecode{path, ahead->stamp, ahead->decodedSize, ahead->turn, ahead->matte, ahead->colours};
        return {true, ahead->decodedSize.cx, ahead->decodedSize.cy, {}};
    }
    return decodeFile(path, stamp, true);
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
        shownDecode_ = ShownDecode{path, *stamp, bitmap_->GetSize(), 0.0, matte, decoder_.GetColourTarget()};
    return {true, bitmap_->GetWidth(), bitmap_->GetHeight(), {}};
}

void PhotoLoader::keepShownPhoto() {
    if (!bitmap_ || !shownDecode_) return;
    PrefetchedPhoto photo;
    photo.path = shownDecode_->path;
    photo.stamp = shownDecode_->stamp;
    photo.bitmap = std::move(bitmap_);
    photo.text = text_;
    photo.decodedSize = shownDecode_->decodedSize;
    photo.turn = shownDecode_->turn;
    photo.matte = shownDecode_->matte;
    photo.colours = shownDecode_->colours;
    prefetch_.keep(std::move(photo));
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
        shownDecode_.reset();
        return;
    } catch (const std::bad_alloc&) {
        shownDecode_.reset();
        return;
    }
    bitmap_ = std::move(back);
    if (shownDecode_) shownDecode_->turn = 0.0;
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
    if (shownDecode_ && IsWholeQuarterTurn(radians)) shownDecode_->turn = radians;
    else shownDecode_.reset();
    return Size{bitmap_->GetWidth(), bitmap_->GetHeight()};
}

void PhotoLoader::presented() {
    // The comment did not turn the photo after all.
    if (turnedAhead_) undoTurnAhead();
}

Size PhotoLoader::macroSize() const {
    if (turnedAhead_) return turnedAhead_->decodedSize;
    return bitmap_ ? bitmap_->GetSize() : Size{};
}

void PhotoLoader::release() {
    bitmap_.reset();
    startupDecode_.reset();
}

}  // namespace vellumo
