#pragma once
// The photos decoded ahead, bounded by the bytes their bitmaps take. Each
// photo has a rank, its place in the list of photos wanted next (0 most
// wanted); a photo that does not fit pushes out photos of a higher rank, never
// one of a lower rank.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "prefetch/PrefetchedPhoto.h"

namespace vellumo {

class PrefetchCache {
public:
    explicit PrefetchCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

    // Keeps the photo (replacing one of the same path) unless it cannot fit;
    // true when kept.
    bool store(PrefetchedPhoto photo, int rank);
    // Removes the photo of that path and gives it.
    std::optional<PrefetchedPhoto> take(const std::string& path);
    bool holds(const std::string& path) const;
    // The wanted photos changed: their ranks follow the list, the rest are dropped.
    void keepOnly(const std::vector<std::string>& wanted);
    void clear() { entries_.clear(); }

    std::size_t bytes() const;
    std::size_t budget() const { return budget_; }
    std::size_t count() const { return entries_.size(); }

private:
    struct Entry {
        PrefetchedPhoto photo;
        int rank = 0;
    };
    std::size_t budget_;
    std::vector<Entry> entries_;
};

}  // namespace vellumo
