#pragma once
// Display copies of photos not shown yet, made on the prefetch worker by the
// very code that makes them at the first paint (so they are the same pixels),
// and handed to the window's display copy cache when the photo is painted.
// Only the last few are kept: each is as large as the screen.
#include <QImage>

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/DisplayPreparer.h"

namespace vellumo {

class PreparedDisplayCopies : public DisplayPreparer {
public:
    static constexpr std::size_t kKept = 3;

    void prepare(const ImageView& image, Size shown) override;
    // Keeps a copy made elsewhere (the display copy of the photo just left).
    void keep(std::uint64_t key, QImage copy);
    // The copy made for the picture with this key at this size, removed from the store.
    std::optional<QImage> take(std::uint64_t key, int width, int height);
    std::size_t count() const;

private:
    struct Copy {
        std::uint64_t key = 0;
        QImage image;
    };
    mutable std::mutex mutex_;
    std::deque<Copy> copies_;
};

}  // namespace vellumo
