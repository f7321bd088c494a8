#pragma once
// The pixels behind the viewer's photo: the bitmap of the photo shown, with
// its embedded text, and where it came from. A photo asked for is taken from
// the start-up decode of the command-line photo or from the photos decoded
// ahead (whole), or decoded on the prefetcher's worker; meanwhile the window
// shows the photo's display copy when one was made ahead (the photo is then
// shown, its comment composed from the text kept with the copy), or else
// what it showed before. The user-interface thread never decodes a photo
// (only the small start picture). The bitmap of the photo left goes back to
// the prefetcher so that a step back finds it. It also turns the bitmap for
// the view (a photo decoded ahead may come turned as its comment file turns
// it).
//
// It is not the view (PhotoDisplay places and paints the bitmap), nor the
// comment (the viewer composes it from text()).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/PhotoDisplay.h"
#include "app/PhotoPreview.h"
#include "app/StartupDecode.h"
#include "imaging/AnyPicDecoder.h"
#include "imaging/WinBmp.h"
#include "prefetch/FileStamp.h"
#include "prefetch/PhotoPrefetcher.h"

namespace vellumo {

class PhotoLoader {
public:
    // startPicture: the program's start picture, never kept for a step back;
    // background: the BackgroundColor a picture whose alpha is shown is laid over;
    // colours: the screen's colours, which photos are converted to (none: sRGB).
    PhotoLoader(PhotoPrefetcher& prefetch, PhotoPreview& preview, std::string startPicture,
                std::function<ColorRef()> background, std::function<ColourProfilePtr()> colours = {});

    // The command-line photo's decode, running since the process started:
    // the first photo decoded takes its bitmap when it is the same file.
    void setStartupDecode(std::unique_ptr<StartupDecode> early) { startupDecode_ = std::move(early); }
    bool startupDecodeMayGiveFirstPicture() const {
        return startupDecode_ && startupDecode_->mayGiveFirstPicture();
    }
    // Start-up is over: an early decode nobody took is dropped (not the one
    // the photo being loaded waits for).
    void dropStartupDecode() {
        if (!earlyAwaited_) startupDecode_.reset();
    }
    // The start-up decode gave a first picture or is over: a first picture
    // is shown; the photo being loaded, when it waited for that decode, as
    // load() would have given it; nothing while it still waits.
    std::optional<DecodedPhoto> earlyNews();

    // Makes the photo at path the bitmap: its size, or the decoder's error;
    // or says that its decode runs on the worker (shown from its display copy
    // meanwhile, or not yet). A decode of another photo still running is
    // stopped.
    DecodedPhoto load(const std::string& path);
    // The worker's decode of the photo being loaded ended: the bitmap, as
    // load() would have given it; nothing when it is not the decode the
    // loader waits for.
    std::optional<DecodedPhoto> arrived(ShownDecode decode);
    // The decode of the photo being loaded runs on the worker (or, for a
    // photo shown from its display copy, waits until needed: see hurry).
    bool decoding() const { return pending_.has_value(); }
    // Something needs more than the display copy: the photo's decode starts
    // (nothing when it runs or is done already).
    void hurry();
    // That decode gave a first picture: shown until the photo is there.
    void firstPicture(const std::string& path, PrefetchWorker::FirstPicture picture);
    // The file of a photo shown from its decode ahead turned out changed
    // since: nothing of that decode serves the next load of it.
    void fileChanged(const std::string& path);
    // Turns the bitmap by radians (positive is left), filling the corners;
    // the new size, or nothing when it could not be turned.
    std::optional<Size> rotate(double radians, ColorRef fill);
    // The photo is on screen: a turn made ahead that its comment did not ask
    // for is undone.
    void presented();
    // The bitmap's size as the comment's size macros show it: as decoded,
    // while a turn made ahead waits for the comment to confirm it.
    Size macroSize() const;

    const CDrawDibBmp* bitmap() const { return bitmap_.get(); }
    // A photo is there to be painted: its bitmap, or the display copy that
    // stands for it while it decodes.
    bool hasPhoto() const { return bitmap_ || copy_; }
    // The cache key of the display copy standing for the photo (0: none).
    std::uint64_t copyKey() const { return copy_ ? copy_->screenCopyKey : 0; }
    // The embedded text of the photo in the bitmap.
    const std::string& text() const { return text_; }
    // The embedded text of the photo being loaded when it is known before
    // its decode (a photo decoded ahead): its comment may turn it.
    const std::string& previewText() const { return previewText_; }
    // The start-up decode's first picture is being painted.
    bool paintingEarlyFirstPicture() const { return earlyFirstPicture_; }

    // The window goes away: the bitmap and the early decode are freed.
    void release();

private:
    // Decodes the file into the bitmap; firstPicture: a coarse first picture
    // may be painted meanwhile.
    DecodedPhoto decodeFile(const std::string& path, const std::optional<FileStamp>& stamp, bool firstPicture);
    // Hands the bitmap to the prefetcher when it is the photo's decode,
    // turned by whole quarter turns at most; a display copy that stood for a
    // photo goes back to it too.
    void keepShownPhoto();
    // The decode the loader waited for is given up.
    void dropPending();
    // A display copy (kept ahead, or decoded for it alone) stands for the
    // photo when it may: the photo shows from it at once, its comment from
    // the text kept with it, and decodes whole only once something needs
    // more. Nothing (the copy untouched) when it may not.
    std::optional<DecodedPhoto> showFromCopy(const std::string& path, PrefetchedPhoto& copy, ColorRef background,
                                             const ColourProfilePtr& colours);
    // The photo shown now came back as its display copy alone: it stands in
    // for the photo, or the photo is decoded whole.
    std::optional<DecodedPhoto> standInCopy(ShownDecode decode);
    // Makes a photo decoded ahead (or on the worker) the bitmap.
    DecodedPhoto install(PrefetchedPhoto photo);
    // The start-up decode's photo decoded at a reduced scale, as its display copy alone.
    std::optional<PrefetchedPhoto> adoptEarly(EarlyPhoto early, const std::string& path, const FileStamp& stamp,
                                              const ColourProfilePtr& screen);
    // A first picture the start-up decode left is held and painted.
    void showEarlyFirstPicture(const ColourProfilePtr& screen);
    // Turns a bitmap decoded ahead back to the photo as decoded.
    void undoTurnAhead();
    // The colours photos are shown in now.
    ColourProfilePtr colours() const;

    PhotoPrefetcher& prefetch_;
    PhotoPreview& preview_;
    std::string startPicture_;
    std::function<ColorRef()> background_;
    std::function<ColourProfilePtr()> colours_;
    CAnyPicDecoder decoder_;
    std::unique_ptr<CDrawDibBmp> bitmap_;
    std::string text_;
    std::string previewText_;
    std::unique_ptr<StartupDecode> startupDecode_;
    // The photo being loaded (pending_) waits for the start-up decode.
    bool earlyAwaited_ = false;
    bool earlyFirstPicture_ = false;
    // A photo decoded ahead: it came turned as its attached comment file
    // turns it; until the comment confirms that turn the bitmap stands for
    // the photo as decoded (of decodedSize).
    struct TurnedAhead {
        double turn = 0.0;
        Size decodedSize;
    };
    std::optional<TurnedAhead> turnedAhead_;
    // The photo kept ahead as its display copy only, standing for the photo
    // on screen while the photo's file decodes on the worker.
    std::optional<PrefetchedPhoto> copy_;
    // The decode on the worker the loader waits for: of this path, with the
    // copy on screen or not (the photo before stays on screen then), laid
    // over this background when its alpha is shown.
    struct Pending {
        std::string path;
        bool copyShown = false;
        ColorRef background = 0;
        ColourProfilePtr colours;
    };
    std::optional<Pending> pending_;
    // The photo in the bitmap as a photo decoded ahead would describe it (the
    // stamp its file had when the decode began, its turn); none for the start
    // picture and for a bitmap turned by another angle.
    struct BitmapSource {
        std::string path;
        FileStamp stamp;
        Size decodedSize;
        double turn = 0.0;
        // The background a picture whose alpha is shown was laid over.
        std::optional<ColorRef> matte;
        // The colours the pixels were converted to.
        ColourProfilePtr colours;
    };
    std::optional<BitmapSource> bitmapSource_;
};

}  // namespace vellumo
