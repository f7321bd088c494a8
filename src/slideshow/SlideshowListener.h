#pragma once
// Who hears that a slideshow starts or ends (the background music, the
// viewer's slideshow-dependent state), and who may hold the next step back.
#include <functional>

namespace vellumo {

enum class SlideshowKind { Small, Total };

class SlideshowListener {
public:
    virtual ~SlideshowListener() = default;
    virtual void slideshowStarted(SlideshowKind kind) = 0;
    virtual void slideshowFinished(SlideshowKind kind) = 0;
    // True while the next slideshow step must wait, such as while the sound
    // comment of the photo just shown still plays (it follows EffectFinished).
    // A step held at a tick comes as soon as the hold ends (whenReleased).
    virtual bool holdsNextStep() const { return false; }
    // Runs the step once this listener holds nothing any more: later, from
    // the user-interface thread, or at once when it holds nothing now.
    virtual void whenReleased(std::function<void()> step) { step(); }
};

}  // namespace vellumo
