#pragma once
// Makes ahead, on any thread, what painting a picture at the size it will be
// shown at needs (the Qt layer: its display copy), so that its first paint
// costs no more than a repaint.
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
};

}  // namespace vellumo
