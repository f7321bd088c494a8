#include "effects/EffectSteps.h"

namespace vellumo {

namespace {
constexpr int N = kEffectStepCount;
}

EffectSteps::EffectSteps(int effectNumber, int width, int height)
    : family_(effectNumber / 10), variant_(effectNumber % 10), w_(width), h_(height) {
    if (!valid() || w_ <= 0 || h_ <= 0) {
        family_ = 0;
        done_ = true;
        return;
    }
    if (family_ == 3) {
        q_ = variant_ == 7 ? 10 : 30;
        columns_ = w_ / q_ + 1;
        int squares = columns_ * (h_ / q_ + 1);
        perStep_ = squares / N + 1;
        bag_.Reset(static_cast<std::uint32_t>(squares));
    } else if (family_ == 4) {
        sx_ = w_ / (2 * N);
        sy_ = h_ / (2 * N);
        degenerate_ = sx_ == 0 || sy_ == 0;
        if (variant_ == 5) {
            box_ = {N * sx_, N * sy_, w_ - N * sx_, h_ - N * sy_};
        } else {
            box_ = {0, 0, w_, h_};
        }
    }
}

bool EffectSteps::next(std::vector<Rect>& out) {
    if (done_) return false;
    out.clear();
    switch (family_) {
        case 1: wipe(out); break;
        case 2: blinds(out); break;
        case 3: squares(out); break;
        case 4: box(out); break;
        default: done_ = true; return false;
    }
    ++k_;
    if (k_ >= N) done_ = true;
    return true;
}

void EffectSteps::wipe(std::vector<Rect>& out) {
    const int sw = w_ / N + 1;
    const int sh = h_ / N + 1;
    switch (variant_) {
        case 1: out.push_back({k_ * sw, 0, k_ * sw + sw, h_}); break;
        case 2: {
            int x = w_ - sw - k_ * sw;
            out.push_back({x, 0, x + sw, h_});
            break;
        }
        case 3: out.push_back({0, k_ * sh, w_, k_ * sh + sh}); break;
        default: {
            int y = h_ - sh - k_ * sh;
            out.push_back({0, y, w_, y + sh});
            break;
        }
    }
}

void EffectSteps::blinds(std::vector<Rect>& out) {
    const int bw = w_ / 10 + 1;
    const int bh = h_ / 10 + 1;
    const int s = bw / N + 1;
    const int t = bh / N + 1;
    for (int j = 0; j < 10; ++j) {
        switch (variant_) {
            case 1: out.push_back({j * bw + k_ * s, 0, j * bw + k_ * s + s, h_}); break;
            case 2: {
                int x = j * bw + bw - (k_ + 1) * s;
                out.push_back({x, 0, x + s, h_});
                break;
            }
            case 3: out.push_back({0, j * bh + k_ * t, w_, j * bh + k_ * t + t}); break;
            default: {
                int y = j * bh + bh - (k_ + 1) * t;
                out.push_back({0, y, w_, y + t});
                break;
            }
        }
    }
    // The bands are full once a step has passed their width (height).
    bool full = (variant_ == 1 || variant_ == 2) ? k_ * s > bw : k_ * t > bh;
    if (full) done_ = true;
}

void EffectSteps::squares(std::vector<Rect>& out) {
    for (int i = 0; i < perStep_; ++i) {
        int g = static_cast<int>(bag_.Draw());
        int x = g % columns_ * q_;
        int y = g / columns_ * q_;
        out.push_back({x, y, x + q_, y + q_});
        // Every square has been revealed once: this step ends here.
        if (bag_.Wrapped() && bag_.RemainingCount() == bag_.Total()) break;
    }
}

void EffectSteps::box(std::vector<Rect>& out) {
    auto borders = [&](const Rect& r) {
        out.push_back({r.left, r.top, r.right, r.top + sy_});
        out.push_back({r.left, r.bottom - sy_, r.right, r.bottom});
        out.push_back({r.left, r.top + sy_, r.left + sx_, r.bottom - sy_});
        out.push_back({r.right - sx_, r.top + sy_, r.right, r.bottom - sy_});
    };
    if (variant_ == 5) {
        box_ = {box_.left - sx_, box_.top - sy_, box_.right + sx_, box_.bottom + sy_};
        if (k_ == 0) out.push_back(box_);
        borders(box_);
    } else {
        borders(box_);
        box_ = {box_.left + sx_, box_.top + sy_, box_.right - sx_, box_.bottom - sy_};
        if (k_ == N - 1) out.push_back(box_);
    }
}

}  // namespace vellumo
