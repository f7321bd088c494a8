#include "effects/EffectRunner.h"

namespace vellumo {

EffectRunner::EffectRunner(EventQueue& queue, WindowHost& host, CommandTarget* finished, int finishedCommand)
    : queue_(queue), host_(host), finished_(finished), finishedCommand_(finishedCommand) {}

EffectRunner::~EffectRunner() {
    queue_.killTimer(this, kEffectTimer);
    queue_.forget(this);
}

bool EffectRunner::start(int effectNumber, const Rect& screen) {
    if (running()) return false;
    auto steps = std::make_unique<EffectSteps>(effectNumber, screen.width(), screen.height());
    if (!steps->valid()) return false;
    screen_ = screen;
    steps_ = std::move(steps);
    queue_.setTimer(this, kEffectTimer, kEffectStepPauseMs);
    step();
    return true;
}

bool EffectRunner::stop() {
    if (!running()) return false;
    queue_.killTimer(this, kEffectTimer);
    steps_.reset();
    return true;
}

void EffectRunner::onTimer(int timerId) {
    if (timerId == kEffectTimer) step();
}

void EffectRunner::step() {
    if (!steps_) {
        queue_.killTimer(this, kEffectTimer);
        return;
    }
    if (!steps_->next(rects_)) {
        finish();
        return;
    }
    bool any = false;
    for (const Rect& r : rects_) {
        Rect clipped = r.offset(screen_.left, screen_.top).intersected(screen_);
        if (clipped.isEmpty()) continue;
        host_.invalidate(clipped);
        any = true;
    }
    if (any) host_.update();
    if (steps_->finished()) finish();
}

void EffectRunner::finish() {
    bool wholeScreen = steps_ && steps_->degenerate();
    queue_.killTimer(this, kEffectTimer);
    steps_.reset();
    if (wholeScreen) {
        host_.invalidateAll();
        host_.update();
    }
    if (finished_) queue_.post(finished_, finishedCommand_);
}

}  // namespace vellumo
