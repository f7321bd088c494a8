#pragma once
// Who hears that a slideshow starts or ends (the background music, the
// viewer's slideshow-dependent state), and who may hold the next step back.
namespace vellumo {

enum class SlideshowKind { Small, Total };

class SlideshowListener {
public:
    virtual ~SlideshowListener() = default;
    virtual void slideshowStarted(SlideshowKind kind) = 0;
    virtual void slideshowFinished(SlideshowKind kind) = 0;
    // True while the next slideshow step must wait, such as while the sound
    // comment of the photo just shown still plays (it follows EffectFinished).
    // A held step is tried again at the next tick.
    virtual bool holdsNextStep() const { return false; }
};

}  // namespace vellumo
