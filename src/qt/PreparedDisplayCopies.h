#pragma once
// Display copies of photos not shown yet, made on the prefetch worker by the
// very code that makes them at the first paint (so they are the same pixels),
// and handed to the window's display copy cache when the photo is painted.
// Only the last few are kept: each is as large as the screen.
// A photo the prefetcher keeps only as its display copy is drawn from here
// (peek) while its file decodes again; the copy of the photo the window
// leaves joins them (keepShownCopy).
#include <QImage>

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/DisplayPreparer.h"

namespace vellumo {

class DisplayCopyCache;

class PreparedDisplayCopies : public DisplayPreparer {
public:
    // The next, the previous and a slideshow's next photo, and the one left.
    static constexpr std::size_t kKept = 4;

    Maker maker() const override;
    void keepMade(std::uint64_t key, MadeCopy copy) override;
    bool holds(std::uint64_t key, Size shown) const override;
    void keepShownCopy(std::uint64_t key) override;
    void rekey(std::uint64_t from, std::uint64_t to) override;
    // The window's cache, whose copy of the photo on screen keepShownCopy
    // takes (user-interface thread only).
    void setShownCopies(DisplayCopyCache* cache) { shown_ = cache; }
    // Keeps a copy made elsewhere (the display copy of the photo just left).
    void keep(std::uint64_t key, QImage copy);
    // The copy made for the picture with this key at this size, removed from the store.
    std::optional<QImage> take(std::uint64_t key, int width, int height);
    // The same copy, left in the store.
    std::optional<QImage> peek(std::uint64_t key, int width, int height) const;
    std::size_t count() const;

private:
    struct Copy {
        std::uint64_t key = 0;
        QImage image;
    };
    mutable std::mutex mutex_;
    std::deque<Copy> copies_;
    DisplayCopyCache* shown_ = nullptr;
};

}  // namespace vellumo
