#pragma once
// The photo named on the command line, decoded on a worker thread from the
// first moment of the process, while Qt, the settings and the window come
// up. When the window then shows that photo it takes this bitmap instead of
// decoding the file again.
//
// The decode needs nothing the settings decide, so it may start before they
// are read. The result is handed over only for the very file it was made
// from, unchanged since (same device, inode, size and modification time
// before and after the decode); in every other case, a failed decode
// included, the window decodes as it always does, so a photo that cannot
// be shown reports exactly as before.
//
// A progressive photo gives a first picture on the way (its DC
// coefficients, one pixel per 8 x 8 block); the window may paint it while it
// waits for the photo. The window need not wait: told of each first picture
// and of the end (setNotify), it takes them as they come and answers
// meanwhile.
//
// The screen's colours are not known yet: the photo and its first picture
// come converted from the file's colour profile to sRGB.
//
// A photo without a first picture (anything but a progressive JPEG), not
// turned by its comment file, waits after its header for the window to say
// where it will be shown (showAt): larger than that, it is decoded at a
// reduced scale for its display copy alone, as a photo decoded ahead is, and
// the window decodes it whole only when something needs more. That saves
// the whole photo's memory and most of its decode at the start.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "imaging/PreviewSink.h"
#include "imaging/WinBmp.h"
#include "platform/DisplayPreparer.h"

namespace vellumo {

// The decoded photo: its bitmap (in sRGB) and its embedded text.
struct EarlyPhoto {
    std::unique_ptr<CDrawDibBmp> bitmap;
    std::string text;
    // Decoded at a reduced scale for its display copy: the bitmap is
    // smaller than the photo's size.
    bool reduced = false;
    Size fullSize;
    // The display copy of the whole bitmap as decoded, at the size the
    // window places it at, when a copy maker was set in time (null otherwise).
    DisplayPreparer::MadeCopy copy;
};

class StartupDecode {
public:
    // The decode of path (a regular file); start() runs it on a worker thread.
    explicit StartupDecode(std::string path) : path_(std::move(path)) {}
    // Stops the worker (the decoder ends at its next row) and waits for it.
    ~StartupDecode();
    StartupDecode(const StartupDecode&) = delete;
    StartupDecode& operator=(const StartupDecode&) = delete;

    // The worker for the program's arguments, started: when they name a photo
    // file to open (and no slideshow script, which would show other photos
    // first); null otherwise.
    static std::unique_ptr<StartupDecode> ForCommandLine(const std::vector<std::string>& arguments,
                                                         const std::string& workingFolder);

    void start();
    // The size a photo of a given size is shown at on the screen; empty:
    // the photo is decoded whole.
    using Placement = std::function<Size(Size photo)>;
    // From the window's thread, once it knows (any time; only the first call counts).
    void showAt(Placement placement);
    // Decodes on the calling thread instead (tests): at the placement given
    // before, if any.
    void runHere() {
        showAt({});
        run();
    }
    const std::string& path() const { return path_; }

    // The photo when path names the decoded file, unchanged, and the decode
    // succeeded; waits for the worker to finish. Hands the bitmap over once:
    // later calls return nothing. While it waits, the first picture of that
    // file, when one comes, goes to onFirstPicture on the calling thread with
    // the photo's full size.
    // The first picture is the handler's to change (convert) during the call.
    using FirstPictureHandler = std::function<void(CBmp& coarse, Size photo)>;
    // False once it is known that no first picture will come (the file is
    // no progressive JPEG, or the decode is over).
    bool mayGiveFirstPicture() const { return !noFirstPicture_; }
    std::optional<EarlyPhoto> take(const std::string& path, const FirstPictureHandler& onFirstPicture = {});

    // Called on the worker when a first picture waits and when the decode is
    // over (the window posts itself a note); never after the destructor or
    // a take() that stopped the decode. Set before start() or at any time.
    void setNotify(std::function<void()> notify);
    // The decode is over: take() would not wait.
    bool finished();
    // The display copy of a photo decoded whole is made on the worker when
    // the decode ends after this: the window's first paint of the photo then
    // costs no more than a repaint.
    void setCopyMaker(DisplayPreparer::Maker maker);
    // Whether path names the file being decoded; when not, the decode stops.
    bool decodes(const std::string& path);
    // The first picture that waits, if any, with its photo's size; never waits.
    struct FirstPicture {
        std::unique_ptr<CDrawDibBmp> picture;
        Size photo;
    };
    std::optional<FirstPicture> takeFirstPicture();

    // Identity of a file's content as far as stat tells it.
    struct Stamp {
        unsigned long long device = 0, inode = 0;
        long long size = -1, modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    static std::optional<Stamp> StampOf(const std::string& path);

private:
    // Keeps the decoder's first picture for the window's thread.
    class FirstPictureSink : public PreviewSink {
    public:
        explicit FirstPictureSink(StartupDecode& owner) : owner_(owner) {}
        Size PreviewSizeFor(int width, int height, bool progressive) override;
        void ShowPreview(const CBmp& coarse) override;

    private:
        StartupDecode& owner_;
        Size photo_;
    };

    void run();
    void finish();
    void stopAndJoin();
    // The worker, after a photo's header: waits for showAt (or take(), or a stop).
    Placement awaitPlacement();

    std::string path_;
    std::string confirmed_;  // a path decodes() found to name the file (window's thread)
    std::atomic<bool> stop_{false};
    std::atomic<bool> noFirstPicture_{false};
    // Written by the worker, read after the join.
    std::optional<Stamp> stamp_;
    EarlyPhoto photo_;
    bool ok_ = false;
    std::mutex lock_;
    std::condition_variable changed_;
    bool finished_ = false;                     // the worker is done
    bool placementSettled_ = false;             // showAt or take() came
    Placement placement_;
    std::unique_ptr<CDrawDibBmp> firstPicture_;  // not yet handed to the window
    Size firstPictureOf_;
    std::function<void()> notify_;  // under lock_
    DisplayPreparer::Maker copyMaker_;  // under lock_
    std::thread worker_;
};

}  // namespace vellumo
