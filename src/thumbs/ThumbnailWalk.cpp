#include "thumbs/ThumbnailWalk.h"

#include <algorithm>

namespace vellumo {

bool ThumbnailWalk::consider(RowRange published) {
    if (published.none()) return false;
    if (published.last - published.first >= last_ - first_) return false;
    if (published.first == inUse_.first || published.last == inUse_.last) return false;
    if (published == finished_) return false;
    inUse_ = published;
    jumped_ = true;
    row_ = std::clamp(published.first, first_, last_);
    return true;
}

bool ThumbnailWalk::advance() {
    if (!jumped_) {
        next_ = std::max(next_, row_ + 1);
        row_ = next_;
        return false;
    }
    if (row_ >= inUse_.last || row_ >= last_) {
        // The visible rows are done: back to the normal order.
        jumped_ = false;
        finished_ = inUse_;
        inUse_ = {};
        row_ = next_;
        return true;
    }
    ++row_;
    return false;
}

}  // namespace vellumo
