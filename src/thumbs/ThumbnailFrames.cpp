#include "thumbs/ThumbnailFrames.h"

namespace vellumo {

ThumbImage WaitingFrame(int size, std::uint32_t borderColor) {
    ThumbImage image(size);
    const std::uint32_t ink = OpaquePixelOf(borderColor);
    for (int i = 0; i < size; ++i) {
        image.at(i, 0) = ink;
        image.at(i, size - 1) = ink;
        image.at(0, i) = ink;
        image.at(size - 1, i) = ink;
    }
    return image;
}

ThumbImage FailureFrame(int size, std::uint32_t borderColor) {
    ThumbImage image = WaitingFrame(size, borderColor);
    const std::uint32_t ink = OpaquePixelOf(borderColor);
    for (int i = 0; i < size; ++i) {
        image.at(i, i) = ink;
        image.at(size - 1 - i, i) = ink;
    }
    return image;
}

}  // namespace vellumo
