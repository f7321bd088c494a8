#include "prefetch/UpcomingPhotos.h"

#include <algorithm>

namespace vellumo {

namespace {

void Add(std::vector<std::string>& out, std::optional<std::string> path) {
    if (path && !path->empty() && std::find(out.begin(), out.end(), *path) == out.end()) out.push_back(std::move(*path));
}

}  // namespace

std::vector<std::string> UpcomingPhotos(const ArchiveNavigator& archive, const Slideshows& shows, bool steppingBack) {
    std::vector<std::string> out;
    if (shows.totalRunning()) {
        // A paused show steps in order even when it plays at random.
        if (shows.totalRandom() && !shows.totalPaused()) return out;
        const TotalList& list = shows.totalList();
        const long n = static_cast<long>(list.size());
        const long p = shows.totalPosition();
        if (n == 0 || p < 0) return out;
        std::optional<std::string> next = list.at(static_cast<size_t>(p + 1 > n - 1 ? 0 : p + 1));
        std::optional<std::string> previous = list.at(static_cast<size_t>(p - 1 < 0 ? n - 1 : p - 1));
        if (steppingBack) std::swap(next, previous);
        Add(out, std::move(next));
        Add(out, std::move(previous));
        return out;
    }
    const int current = archive.currentIndex();
    const int first = archive.firstPhotoIndex(), last = archive.lastPhotoIndex();
    if (first < 0 || current < first || current > last) return out;
    if (shows.smallRunning() && !shows.smallRandom()) Add(out, archive.photoPath(current + 1 > last ? first : current + 1));
    std::optional<std::string> next, previous;
    if (current < last) next = archive.photoPath(current + 1);
    if (current > first) previous = archive.photoPath(current - 1);
    if (steppingBack) std::swap(next, previous);
    Add(out, std::move(next));
    Add(out, std::move(previous));
    return out;
}

}  // namespace vellumo
