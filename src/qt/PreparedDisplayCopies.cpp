#include "qt/PreparedDisplayCopies.h"

#include "qt/QtCanvas.h"

namespace vellumo {

DisplayPreparer::Maker PreparedDisplayCopies::maker() const {
    return [](const ImageView& image, Size shown) -> MadeCopy {
        // The conditions under which a paint draws from a whole display copy.
        const long long pixels = static_cast<long long>(shown.cx) * shown.cy;
        const bool shrinking = shown.cx < image.width || shown.cy < image.height;
        if (image.cacheKey == 0 || shown.cx <= 0 || shown.cy <= 0 || !shrinking ||
            pixels > DisplayCopyCache::kWholeCopyLimit)
            return nullptr;
        bool flipped = false;
        QImage source = QtCanvas::Wrap(image, &flipped);
        if (source.isNull()) return nullptr;
        DisplayCopyCache cache;
        return std::make_shared<QImage>(cache.scaled(source, image.cacheKey, shown.cx, shown.cy, flipped).copy());
    };
}

void PreparedDisplayCopies::keepMade(std::uint64_t key, MadeCopy copy) {
    if (copy) keep(key, std::move(*std::static_pointer_cast<QImage>(copy)));
}

void PreparedDisplayCopies::keep(std::uint64_t key, QImage copy) {
    if (key == 0 || copy.isNull()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(copies_, [&](const Copy& c) { return c.key == key; });
    copies_.push_back({key, std::move(copy)});
    while (copies_.size() > kKept) copies_.pop_front();
}

std::optional<QImage> PreparedDisplayCopies::take(std::uint64_t key, int width, int height) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = copies_.begin(); it != copies_.end(); ++it) {
        if (it->key != key) continue;
        QImage image = std::move(it->image);
        copies_.erase(it);
        if (image.width() != width || image.height() != height) return std::nullopt;
        return image;
    }
    return std::nullopt;
}

std::optional<QImage> PreparedDisplayCopies::peek(std::uint64_t key, int width, int height) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Copy& c : copies_)
        if (c.key == key) {
            if (c.image.width() != width || c.image.height() != height) return std::nullopt;
            return c.image;  // shared, not copied
        }
    return std::nullopt;
}

bool PreparedDisplayCopies::holds(std::uint64_t key, Size shown) const {
    return key != 0 && peek(key, shown.cx, shown.cy).has_value();
}

void PreparedDisplayCopies::rekey(std::uint64_t from, std::uint64_t to) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (from == 0 || to == 0) return;
    std::erase_if(copies_, [&](const Copy& c) { return c.key == to; });
    for (Copy& c : copies_)
        if (c.key == from) c.key = to;
}

void PreparedDisplayCopies::keepShownCopy(std::uint64_t key) {
    if (shown_) shown_->leave(key);
}

std::size_t PreparedDisplayCopies::count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return copies_.size();
}

}  // namespace vellumo
