#pragma once
// The rectangles a transition effect reveals, step by step, on a screen of
// W x H pixels. Each step's rectangles are repainted with the new photo while
// the rest of the screen keeps the old picture. Four families:
//   wipe    11 left to right, 12 right to left, 13 top down, 14 bottom up;
//   blinds  21..24: ten bands, each filled from its left, right, top, bottom;
//   squares 37 (10-pixel squares), 38 (30-pixel squares), in random order;
//   box     45 a rectangle growing from the centre, 46 a frame closing to it.
// Rectangles are given as the effect defines them; they may reach past the
// screen edges (the painter clips them).
#include <vector>

#include "platform/Geometry.h"
#include "slideshow/ShuffleBag.h"

namespace vellumo {

inline constexpr int kEffectStepCount = 100;
inline constexpr int kEffectStepPauseMs = 10;

class EffectSteps {
public:
    EffectSteps(int effectNumber, int width, int height);

    // False for numbers outside the four families: the window is then redrawn at once.
    bool valid() const { return family_ >= 1 && family_ <= 4; }
    // The rectangles of the next step; false (out untouched) when the effect has ended.
    bool next(std::vector<Rect>& out);
    bool finished() const { return done_; }
    int stepsMade() const { return k_; }
    // True when the step sizes are 0 (a screen narrower than the step count):
    // the steps cannot cover the screen, so the caller repaints it whole at the end.
    bool degenerate() const { return degenerate_; }

private:
    void wipe(std::vector<Rect>& out);
    void blinds(std::vector<Rect>& out);
    void squares(std::vector<Rect>& out);
    void box(std::vector<Rect>& out);

    int family_ = 0;
    int variant_ = 0;
    int w_ = 0;
    int h_ = 0;
    int k_ = 0;  // steps made
    bool done_ = false;
    bool degenerate_ = false;
    // squares
    int q_ = 0, columns_ = 0, perStep_ = 0;
    ShuffleBag bag_;
    // box
    int sx_ = 0, sy_ = 0;
    Rect box_;
};

}  // namespace vellumo
