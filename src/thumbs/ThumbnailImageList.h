#pragma once
// The Navigator's large image list as far as the thumbnails go: indices 0 to
// 8 are the shell icons at thumbnail size (drawn by the panel), 9 the waiting
// frame, 10 the failure frame, and from 11 on the thumbnails in the order
// they were added. Used on the user-interface thread only.
#include <cstdint>
#include <vector>

#include "platform/Geometry.h"
#include "thumbs/ThumbImage.h"
#include "thumbs/ThumbnailFrames.h"

namespace vellumo {

class ThumbnailImageList {
public:
    // Back to the 11 standard images at this size and border colour.
    void reset(int size, ColorRef borderColor);
    // New frames in another border colour; the thumbnails stay.
    void setFrames(ColorRef borderColor);
    // Appends a thumbnail; returns its index.
    int append(ThumbImagePtr image);
    // The frame or thumbnail at an index; null for the icons and unknown indices.
    ThumbImagePtr at(int index) const;
    int count() const { return ThumbIndex::FirstThumbnail + static_cast<int>(thumbs_.size()); }
    int size() const { return size_; }
    // Changes with every reset: a viewer may keep converted copies per generation.
    std::uint64_t generation() const { return generation_; }

private:
    int size_ = 0;
    std::uint64_t generation_ = 0;
    ThumbImagePtr waiting_, failed_;
    std::vector<ThumbImagePtr> thumbs_;
};

}  // namespace vellumo
