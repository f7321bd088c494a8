#include "slideshow/ShuffleBag.h"

#include <algorithm>

#include "platform/Random.h"

namespace vellumo {

void ShuffleBag::Reset(std::uint32_t n) {
    total_ = n;
    remaining_.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) remaining_[i] = i;
    wrapped_ = false;
}

void ShuffleBag::Add(std::uint32_t k) {
    for (std::uint32_t i = 0; i < k; ++i) remaining_.push_back(total_ + i);
    total_ += k;
}

std::uint32_t ShuffleBag::Draw() {
    if (total_ == 0) return 0;
    if (remaining_.empty()) Reset(total_);  // only after Remove took every index
    std::uint32_t p = NextProcessRandom() % static_cast<std::uint32_t>(remaining_.size());
    std::uint32_t index = remaining_[p];
    // The order of the remaining indices does not matter: the last one takes
    // the drawn one's place, so a draw costs the same in a bag of any size.
    remaining_[p] = remaining_.back();
    remaining_.pop_back();
    if (remaining_.empty()) {
        Reset(total_);
        wrapped_ = true;
    }
    return index;
}

void ShuffleBag::Remove(std::uint32_t i) {
    auto it = std::find(remaining_.begin(), remaining_.end(), i);
    if (it != remaining_.end()) remaining_.erase(it);
}

}  // namespace vellumo
