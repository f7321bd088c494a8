#pragma once
// PhotoPrefetcher: while a photo is shown, decodes the photos likely to be
// shown next (a running slideshow's next entry, the next and the previous
// photo of the Navigator) on a worker, one at a time, into a cache bounded by
// bytes, so stepping shows them from memory; with a display preparer the
// worker also makes each one's display copy. The photo the viewer leaves is
// kept too when it is wanted next.
//
// Where the window shows a stepped-to photo at once (no transition effect
// may be chosen), a photo whose display copy is made keeps only that copy:
// the viewer puts it on screen and has the file decoded again, so memory
// holds one decode, of the photo shown, however many photos wait. Lives on
// the user-interface thread beside the viewer window.
//
// The same worker decodes the photo the viewer shows when it has no decode
// of it (decodeShown), one decode at a time. A photo not on screen yet goes
// before every decode ahead. One on screen from its display copy is decoded
// only when something needs more than that copy (a zoom, real scale, a
// turn, a screen the copy no longer fits: hurryShown): a user stepping
// through large photos holds display copies, never a whole photo beside
// them. A decode ahead of that very photo in progress is taken over rather
// than started again; the user-interface thread never waits for a decode.
//
// It stands back for the rest of the program: it starts nothing while the
// thumbnail worker makes the thumbnails of the rows on screen. A file that
// is missing or does not decode is left alone (the viewer's own decode
// reports it when the user goes there). A photo is given out at once,
// without a look at its file: the file is looked at on a thread of its own
// after, and one whose file changed since its decode began is reported
// (fileChanged) and that decode never given out again.
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/EventQueue.h"
#include "prefetch/FileStampCheck.h"
#include "prefetch/PrefetchCache.h"
#include "prefetch/PrefetchWorker.h"

namespace vellumo {

// Posted by the worker when a decode ended, and when it gave a first
// picture; the prefetcher's timer.
inline constexpr int CmdPrefetchDone = 31870;
inline constexpr int CmdPrefetchFirstPicture = 31871;
// Posted when files of photos given out were looked at.
inline constexpr int CmdPrefetchStampsChecked = 31872;
inline constexpr int kPrefetchTimer = 3100;

// Two 24-megapixel photos at 4 bytes a pixel: the next and the previous photo
// of a current camera fit, while a 14-megapixel archive keeps its slideshow
// entry as well (three photos).
inline constexpr std::size_t kDefaultPrefetchBudget = std::size_t{2} * 24000000 * 4;

// After a photo is shown the prefetcher waits this long before it asks what
// comes next: the shown photo gets painted (and its start-up or slideshow
// command lists run) before a decode takes the second core, and a burst of
// steps does not start decodes that are dropped at once.
inline constexpr int kPrefetchSettleMs = 150;
// How often it looks again while the thumbnail worker is busy with the rows on screen.
inline constexpr int kPrefetchYieldMs = 100;

// The viewer's own decode of the photo it shows: how it is made.
struct ShownRequest {
    // The display copy is made as well (else it is there already).
    bool displayCopy = true;
    // The turn the viewer wants; none: the one the photo's comment file gives.
    std::optional<double> turn;
    // A first picture is shown on the way (none: no first picture).
    PrefetchWorker::FirstPictureRule firstPicture;
    // A picture whose alpha is shown is laid over this colour (BackgroundColor).
    ColorRef background = 0;
    // The colours the pixels are converted to (the screen's; none: sRGB).
    ColourProfilePtr colours;
    // The photo is on screen already (from its display copy): its decode
    // waits until something needs it (hurryShown).
    bool whenNeeded = false;
    // Its display copy may stand for it: a photo larger than it is shown
    // (and no progressive JPEG, whose first picture comes on the way) is
    // decoded at a reduced scale and comes back as that copy alone.
    bool copyMayStand = false;
};

// What the viewer's own decode of the photo it shows gave.
struct ShownDecode {
    std::string path;
    std::optional<PrefetchedPhoto> photo;  // nothing when it failed
    std::string errorText;                 // then the decoder's text
};

struct PrefetchSources {
    // The photos to have ready, most wanted first.
    std::function<std::vector<std::string>()> upcoming;
    // Another worker needs the processor for what the user sees now.
    std::function<bool()> othersBusy;
    // Where a photo would be shown, as the view stands now (a snapshot the
    // worker may call); empty: the display copies are made at the first paint.
    std::function<PrefetchWorker::Placement()> placement;
    // A photo stepped to now would be put on screen at once (no transition
    // effect may run): a display copy is then enough to keep.
    std::function<bool()> screenCopyShows;
    // The viewer's decode of the photo it shows ended (user-interface thread).
    std::function<void(ShownDecode)> shownDecoded;
    // ... and gave a first picture of the photo on the way.
    std::function<void(const std::string& path, PrefetchWorker::FirstPicture)> shownFirstPicture;
    // The colour a picture whose alpha is shown is laid over (BackgroundColor).
    std::function<ColorRef()> background;
    // The colours photos are shown in (the screen's profile); none: sRGB.
    std::function<ColourProfilePtr()> colours;
    // The file of a photo take() gave out had changed since its decode
    // began (or is gone): what was shown of it is stale.
    std::function<void(const std::string& path)> fileChanged;
};

class PhotoPrefetcher : public CommandTarget {
public:
    explicit PhotoPrefetcher(EventQueue& queue, std::size_t budgetBytes = kDefaultPrefetchBudget);
    ~PhotoPrefetcher() override;
    PhotoPrefetcher(const PhotoPrefetcher&) = delete;
    PhotoPrefetcher& operator=(const PhotoPrefetcher&) = delete;

    void setSources(PrefetchSources sources) { sources_ = std::move(sources); }
    // The window's maker of display copies (none: they are made at the first paint).
    void setDisplayPreparer(DisplayPreparer* preparer) { preparer_ = preparer; }
    // The preparer's copy maker (empty without one), and a copy it made of
    // a bitmap kept by its cache key.
    DisplayPreparer::Maker copyMaker() const { return preparer_ ? preparer_->maker() : nullptr; }
    void keepCopy(std::uint64_t key, DisplayPreparer::MadeCopy copy) {
        if (preparer_ && copy) preparer_->keepMade(key, std::move(copy));
    }
    // A photo decoded at a reduced scale elsewhere (at the start): its
    // display copy is made here and kept, and the photo comes back as that
    // copy alone. Nothing when no copy is made (no preparer or placement).
    std::optional<PrefetchedPhoto> adoptReduced(PrefetchedPhoto photo);
    // A photo was shown: what comes next is looked at after a short rest.
    void photoShown();
    // The viewer loads a photo: the one decoded ahead, else nothing (never
    // waits). Its file is looked at after, off this thread (fileChanged).
    std::optional<PrefetchedPhoto> take(const std::string& path);
    // The viewer shows the photo and needs its decode: it starts now (a
    // decode ahead of it in progress is taken over, with its display copy,
    // when it turns the photo as asked; any other is abandoned). The result
    // goes to shownDecoded, or is returned at once when the decode is over
    // already (one ahead that just ended, or run inline).
    std::optional<ShownDecode> decodeShown(const std::string& path, ShownRequest request = {});
    // The decode of the photo shown that waits until needed is needed now:
    // it starts at once, a decode ahead in hand giving way.
    void hurryShown();
    // The viewer no longer needs the photo it had decoded (it moved on): the
    // decode is stopped and nothing of it arrives.
    void dropShown();
    bool decodingShown() const { return shownJob_ || shownWaiting_; }
    // The viewer moves on from a photo it showed to another: kept when it is
    // wanted next (the one just left usually is, for a step back) and fits.
    // A photo kept as its display copy only may come back the same way.
    void keep(PrefetchedPhoto photo);
    // The display copy of a photo kept as its copy only is there to be drawn.
    bool screenCopyHeld(std::uint64_t key, Size shown) const { return preparer_ && preparer_->holds(key, shown); }
    // A photo kept as its display copy was decoded again, unchanged, into
    // the bitmap with key `decoded`: the copy serves it (no new one is made).
    void screenCopyDecoded(std::uint64_t copyKey, std::uint64_t decoded) {
        if (preparer_) preparer_->rekey(copyKey, decoded);
    }
    // Everything is dropped and nothing more is started (the window goes away).
    void stop();

    const PrefetchCache& cache() const { return cache_; }
    // The photo is held decoded ahead, or its decode ahead runs: its file
    // was there a moment ago.
    bool aheadOf(const std::string& path) const {
        return cache_.holds(path) || (!shownJob_ && worker_.busy() && worker_.path() == path);
    }
    // How many photos take() gave out.
    std::size_t served() const { return served_; }
    bool working() const { return worker_.busy(); }
    // Tests: decodes run on the calling thread, or when the test says.
    void setRunInline(bool on) {
        worker_.setRunInline(on);
        stampCheck_.setRunInline(on);
    }
    PrefetchWorker& worker() { return worker_; }

    void onCommand(int command, std::intptr_t param) override;
    void onTimer(int timerId) override;

private:
    // Drops what is no longer wanted and starts the next decode.
    void refill();
    // Starts the viewer's decode of the photo it shows.
    void startShown(const std::string& path, ShownRequest request);
    // Takes the ended decode of the photo shown; nothing when a decode ahead
    // it took over was given up on a file that changed (decoded anew then).
    std::optional<ShownDecode> finishShown();
    void jobEnded();
    // Takes what the file checks found about photos given out.
    void stampsChecked();
    int rankOf(const std::string& path) const;
    // Drops the bitmap of a photo whose display copy is all the screen needs.
    void reduceToScreenCopy(PrefetchedPhoto& photo) const;
    bool leftOutBefore(const std::string& path) const;

    EventQueue& queue_;
    PrefetchSources sources_;
    DisplayPreparer* preparer_ = nullptr;
    PrefetchCache cache_;
    PrefetchWorker worker_;
    FileStampCheck stampCheck_;
    std::vector<std::string> wanted_;
    // Files that did not decode or did not fit, with the stamp they had
    // then: tried again only once they change (or, for one that did not fit,
    // once it is wanted more than then).
    static constexpr int kNotDecoded = -1;
    struct LeftOut {
        std::string path;
        std::optional<FileStamp> stamp;
        int rank = kNotDecoded;  // the rank it did not fit at
    };
    std::vector<LeftOut> leftOut_;
    bool stopped_ = false;
    // The job in hand is the viewer's decode of the photo it shows.
    bool shownJob_ = false;
    bool shownTakenOver_ = false;  // it began as a decode ahead
    ColorRef shownBackground_ = 0;  // the background the viewer asked for
    ColourProfilePtr shownColours_;  // and the colours
    // The decode of the photo shown waiting until it is needed.
    struct WaitingShown {
        std::string path;
        ShownRequest request;
    };
    std::optional<WaitingShown> shownWaiting_;
    std::size_t served_ = 0;
    // The last decodes given out whose files were found changed: refused
    // when they come back (keep).
    struct Stale {
        std::string path;
        FileStamp stamp;
    };
    std::deque<Stale> stale_;
    static constexpr std::size_t kStaleKept = 8;
};

}  // namespace vellumo
