#include "thumbs/ThumbnailImageList.h"

namespace vellumo {

void ThumbnailImageList::reset(int size, ColorRef borderColor) {
    size_ = size;
    thumbs_.clear();
    ++generation_;
    setFrames(borderColor);
}

void ThumbnailImageList::setFrames(ColorRef borderColor) {
    waiting_ = std::make_shared<ThumbImage>(WaitingFrame(size_, borderColor));
    failed_ = std::make_shared<ThumbImage>(FailureFrame(size_, borderColor));
    ++generation_;
}

int ThumbnailImageList::append(ThumbImagePtr image) {
    if (!image || image->size != size_) return ThumbIndex::Failed;
    thumbs_.push_back(std::move(image));
    return count() - 1;
}

ThumbImagePtr ThumbnailImageList::at(int index) const {
    if (index == ThumbIndex::Waiting) return waiting_;
    if (index == ThumbIndex::Failed) return failed_;
    if (index >= ThumbIndex::FirstThumbnail && index < count())
        return thumbs_[static_cast<std::size_t>(index - ThumbIndex::FirstThumbnail)];
    return nullptr;
}

}  // namespace vellumo
