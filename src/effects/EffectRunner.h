#pragma once
// Runs one transition effect at a time on the user-interface thread's timer:
// each tick (every 10 ms) invalidates the next step's rectangles, clipped to
// the screen, and has the window repaint them at once from its display copy
// of the new photo; the rest of the screen keeps the old picture. Input is
// handled between the ticks, so an effect never blocks it. At the end the
// runner posts EffectFinished to the viewer.
//
// It is not a thread: stopping is immediate (the timer is killed), and the
// caller then redraws the whole window.
#include <memory>
#include <vector>

#include "effects/EffectSteps.h"
#include "platform/EventQueue.h"
#include "platform/WindowHost.h"

namespace vellumo {

inline constexpr int kEffectTimer = 5100;

class EffectRunner : public CommandTarget {
public:
    // finished receives finishedCommand (EffectFinished) when an effect ends by itself.
    EffectRunner(EventQueue& queue, WindowHost& host, CommandTarget* finished, int finishedCommand);
    ~EffectRunner() override;
    EffectRunner(const EffectRunner&) = delete;
    EffectRunner& operator=(const EffectRunner&) = delete;

    bool running() const { return steps_ != nullptr; }
    // Starts the effect over the screen and paints its first step. False (and
    // nothing started) while another effect runs or for an unknown number:
    // the caller redraws at once instead.
    bool start(int effectNumber, const Rect& screen);
    // Ends a running effect without posting EffectFinished; true when one ran.
    bool stop();

    void onCommand(int, std::intptr_t) override {}
    void onTimer(int timerId) override;

private:
    void step();
    void finish();

    EventQueue& queue_;
    WindowHost& host_;
    CommandTarget* finished_;
    int finishedCommand_;
    Rect screen_;
    std::unique_ptr<EffectSteps> steps_;
    std::vector<Rect> rects_;
};

}  // namespace vellumo
