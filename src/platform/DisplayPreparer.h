#pragma once
// Makes ahead, on any thread, what painting a picture at the size it will be
// shown at needs (the Qt layer: its display copy), so that its first paint
// costs no more than a repaint. A copy made is also all a photo kept for later
// needs to be put on screen again (Canvas::drawPreparedCopy) while its file
// decodes anew.
#include <functional>
#include <memory>

#include "platform/Canvas.h"
#include "platform/Geometry.h"

namespace vellumo {

class DisplayPreparer {
public:
    virtual ~DisplayPreparer() = default;
    // A copy made and not kept yet (what it is is the implementation's).
    using MadeCopy = std::shared_ptr<void>;
    // Makes the copy of a picture that will likely be shown scaled to
    // `shown` (the size of its placement on the screen); null when none is
    // needed. Runs on any thread and uses nothing of the preparer, so a
    // worker may run it while the window goes away; the pixels must stay
    // unchanged during the call.
    using Maker = std::function<MadeCopy(const ImageView& image, Size shown)>;
    virtual Maker maker() const = 0;
    // Keeps a copy made for the picture with this cache key, to be found by
    // it. Thread-safe and quick.
    virtual void keepMade(std::uint64_t key, MadeCopy copy) = 0;
    // Both at once.
    void prepare(const ImageView& image, Size shown) { keepMade(image.cacheKey, maker()(image, shown)); }
    // A copy of the picture with this key at this size waits to be drawn.
    // Thread-safe.
    virtual bool holds(std::uint64_t key, Size shown) const = 0;
    // The photo on screen with this key is being left (user-interface
    // thread): the copy the window made of it, if any, waits with the
    // prepared ones from now on.
    virtual void keepShownCopy(std::uint64_t key) = 0;
    // The picture with key `from` was decoded again, to the same pixels,
    // into the one with key `to`: its copy is the new picture's. Thread-safe.
    virtual void rekey(std::uint64_t from, std::uint64_t to) = 0;
};

}  // namespace vellumo
