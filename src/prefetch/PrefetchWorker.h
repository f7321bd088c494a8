#pragma once
// PrefetchWorker: decodes one photo at a time off the user-interface thread.
// Each job runs on a thread of its own that is never waited for on the way
// out: abandoning a job sets its stop flag (the decoder looks at it between
// rows) and closes its mailbox, so nothing of it reaches the owner any more.
// A display copy is made apart from the window's store and only kept into it
// under the job's lock, so abandoning never waits for the making.
// A finished job posts the done command to the owner, which takes the photo.
// With a display preparer the job also makes what the first paint of the
// photo needs, at the size the placement function gives for its bitmap.
// A job may give a first picture of its photo on the way (a JPEG's coarse
// picture, smaller than the photo): it is copied, or shrunk to its display
// copy when it is larger than the photo is shown, and the first-picture
// command posted, for the owner to take.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/DisplayPreparer.h"
#include "platform/EventQueue.h"
#include "prefetch/PrefetchedPhoto.h"

namespace vellumo {

class PrefetchWorker {
public:
    PrefetchWorker(EventQueue& queue, CommandTarget* owner, int doneCommand, int firstPictureCommand = 0)
        : queue_(queue), owner_(owner), doneCommand_(doneCommand), firstPictureCommand_(firstPictureCommand) {}
    ~PrefetchWorker() { abandon(); }
    PrefetchWorker(const PrefetchWorker&) = delete;
    PrefetchWorker& operator=(const PrefetchWorker&) = delete;

    // Gives the size a bitmap of the given size is shown at; called on the
    // worker, so it must hold its own copy of what it needs.
    using Placement = std::function<Size(Size bitmap)>;
    // The least size a first picture of a photo of width x height must have
    // to be shown (as PreviewSink::PreviewSizeFor), or an empty size for none;
    // called on the worker, so it must hold its own copy of what it needs.
    using FirstPictureRule = std::function<Size(int width, int height, bool progressive)>;

    // What a job makes besides the decode.
    struct Extras {
        // The display copy, made by the preparer at the placement's size.
        DisplayPreparer* preparer = nullptr;
        Placement placement;
        // Once the copy is kept the bitmap is dropped (on the worker, where
        // giving back its pages costs the window nothing): the photo comes
        // as its display copy only (unless the decode turned it).
        bool copyOnly = false;
        // A first picture is passed on by this rule (none: no first picture).
        FirstPictureRule firstPicture;
    };
    // Starts decoding the photo; a job in hand is abandoned first.
    void start(const std::string& path, DecodeOptions options, Extras extras);
    // The job in hand is to keep its bitmap after all (a decode ahead the
    // viewer takes over): false when it has dropped it already.
    bool keepBitmap();
    // The first picture the job in hand gave (and the size of its photo), once.
    struct FirstPicture {
        std::unique_ptr<CDrawDibBmp> picture;  // or, made and kept by the preparer:
        std::uint64_t copyKey = 0;             // the key of its display copy
        Size photo;
    };
    std::optional<FirstPicture> takeFirstPicture();
    // A job was started and its photo not taken yet.
    bool busy() const { return job_ != nullptr; }
    // The path of the job in hand ("" when idle).
    const std::string& path() const;
    // The background the job in hand lays a picture whose alpha is shown over.
    ColorRef background() const;
    // The colours the job in hand converts the pixels to.
    ColourProfilePtr colours() const;
    // The job in hand ended (the done command may still be on its way).
    bool finished() const;
    // Waits for the job in hand and takes its photo (nothing when it failed,
    // with the decoder's text in *error when given); the worker is idle afterwards.
    std::optional<PrefetchedPhoto> await(std::string* error = nullptr);
    // Stops the job in hand without waiting; nothing of it arrives.
    void abandon();

    // Where jobs run: on a thread of their own; for tests, on the calling
    // thread when started (Inline), or when the test says (Held: runHeld).
    enum class RunMode { Thread, Inline, Held };
    void setRunMode(RunMode mode) { mode_ = mode; }
    void setRunInline(bool on) { mode_ = on ? RunMode::Inline : RunMode::Thread; }
    // Runs the jobs held so far, in the order they were started, on the
    // calling thread (one abandoned meanwhile stops at its first row);
    // returns how many ran.
    int runHeld();
    // The jobs held, each with whether it was told to stop.
    std::vector<std::pair<std::string, bool>> held() const;

    struct Job;

private:
    EventQueue& queue_;
    CommandTarget* owner_;
    int doneCommand_;
    int firstPictureCommand_;
    RunMode mode_ = RunMode::Thread;
    std::shared_ptr<Job> job_;
    std::vector<std::shared_ptr<Job>> held_;
};

}  // namespace vellumo
