#pragma once
// Random order without repetition over 0..n-1: every index is drawn once
// before any repeats, and the bag refills itself after the last draw.
#include <cstdint>
#include <vector>

namespace vellumo {

class ShuffleBag {
public:
    // n indices 0..n-1 remain; the wrapped flag is cleared. Reset(0) empties the bag.
    void Reset(std::uint32_t n);
    // Appends the indices n..n+k-1.
    void Add(std::uint32_t k);
    // A random remaining index, removed from the bag; 0 for an empty bag.
    // Drawing the last remaining index refills the bag and sets the wrapped flag.
    std::uint32_t Draw();
    // Removes index i from the remaining ones if it is there.
    void Remove(std::uint32_t i);
    // True right after the first draw of a refilled bag.
    bool PassComplete() const { return wrapped_ && total_ > 0 && remaining_.size() == total_ - 1; }

    std::uint32_t Total() const { return total_; }
    std::uint32_t RemainingCount() const { return static_cast<std::uint32_t>(remaining_.size()); }
    bool Wrapped() const { return wrapped_; }

private:
    std::uint32_t total_ = 0;
    std::vector<std::uint32_t> remaining_;
    bool wrapped_ = false;
};

}  // namespace vellumo
