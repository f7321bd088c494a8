#include "prefetch/PrefetchCache.h"

#include <algorithm>

namespace vellumo {

std::size_t PrefetchCache::bytes() const {
    std::size_t total = 0;
    for (const Entry& e : entries_) total += e.photo.bytes();
    return total;
}

bool PrefetchCache::store(PrefetchedPhoto photo, int rank) {
    take(photo.path);
    const std::size_t size = photo.bytes();
    if (size > budget_) return false;
    // What would have to go for it to fit: the highest ranks first, and only
    // ranks above its own.
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.rank < b.rank; });
    std::size_t kept = bytes();
    std::size_t cut = entries_.size();
    while (kept + size > budget_ && cut > 0 && entries_[cut - 1].rank > rank) {
        --cut;
        kept -= entries_[cut].photo.bytes();
    }
    if (kept + size > budget_) return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(cut), entries_.end());
    entries_.push_back({std::move(photo), rank});
    return true;
}

std::optional<PrefetchedPhoto> PrefetchCache::take(const std::string& path) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->photo.path != path) continue;
        PrefetchedPhoto photo = std::move(it->photo);
        entries_.erase(it);
        return photo;
    }
    return std::nullopt;
}

bool PrefetchCache::holds(const std::string& path) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.photo.path == path; });
}

void PrefetchCache::keepOnly(const std::vector<std::string>& wanted) {
    std::vector<Entry> kept;
    for (Entry& e : entries_) {
        auto at = std::find(wanted.begin(), wanted.end(), e.photo.path);
        if (at == wanted.end()) continue;
        e.rank = static_cast<int>(at - wanted.begin());
        kept.push_back(std::move(e));
    }
    entries_ = std::move(kept);
}

}  // namespace vellumo
