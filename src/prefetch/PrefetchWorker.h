#pragma once
// PrefetchWorker: decodes one photo at a time off the user-interface thread.
// Each job runs on a thread of its own that is never waited for on the way
// out: abandoning a job sets its stop flag (the decoder looks at it between
// rows) and closes its mailbox, so nothing of it reaches the owner any more.
// Only a display copy being made is waited for (a few milliseconds), since it
// is made into the window's store.
// A finished job posts the done command to the owner, which takes the photo.
// With a display preparer the job also makes what the first paint of the
// photo needs, at the size the placement function gives for its bitmap.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/DisplayPreparer.h"
#include "platform/EventQueue.h"
#include "prefetch/PrefetchedPhoto.h"

namespace vellumo {

class PrefetchWorker {
public:
    PrefetchWorker(EventQueue& queue, CommandTarget* owner, int doneCommand)
        : queue_(queue), owner_(owner), doneCommand_(doneCommand) {}
    ~PrefetchWorker() { abandon(); }
    PrefetchWorker(const PrefetchWorker&) = delete;
    PrefetchWorker& operator=(const PrefetchWorker&) = delete;

    // Gives the size a bitmap of the given size is shown at; called on the
    // worker, so it must hold its own copy of what it needs.
    using Placement = std::function<Size(Size bitmap)>;

    // Starts decoding the photo; a job in hand is abandoned first.
    // A picture whose alpha is shown is laid over the background colour;
    // the pixels are converted to the colours given (sRGB when none are).
    void start(const std::string& path, DisplayPreparer* preparer = nullptr, Placement placement = {},
               ColorRef background = 0, ColourProfilePtr colours = nullptr);
    // A job was started and its photo not taken yet.
    bool busy() const { return job_ != nullptr; }
    // The path of the job in hand ("" when idle).
    const std::string& path() const;
    // The job in hand ended (the done command may still be on its way).
    bool finished() const;
    // Waits for the job in hand and takes its photo (nothing when it failed);
    // the worker is idle afterwards.
    std::optional<PrefetchedPhoto> await();
    // Stops the job in hand without waiting; nothing of it arrives.
    void abandon();
    // Tests: jobs run on the calling thread when started.
    void setRunInline(bool on) { inline_ = on; }

    struct Job;

private:
    EventQueue& queue_;
    CommandTarget* owner_;
    int doneCommand_;
    bool inline_ = false;
    std::shared_ptr<Job> job_;
};

}  // namespace vellumo
