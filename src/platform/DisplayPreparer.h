#pragma once
// Makes ahead, on any thread, what painting a picture at the size it will be
// shown at needs (the Qt layer: its display copy), so that its first paint
// costs no more than a repaint. A copy made is also all a photo kept for later
// needs to be put on screen again (Canvas::drawPreparedCopy) while its file
// decodes anew.
#include "platform/Canvas.h"
#include "platform/Geometry.h"

namespace vellumo {

class DisplayPreparer {
public:
    virtual ~DisplayPreparer() = default;
    // The picture will likely be shown scaled to `shown` (the size of its
    // placement on the screen). Thread-safe; the pixels must stay unchanged
    // during the call. What is made is found by the image's cache key.
    virtual void prepare(const ImageView& image, Size shown) = 0;
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
