#pragma once
// The two frames of the large image list that stand in for a thumbnail: the
// waiting frame (a 1-pixel outline of the square, transparent inside) and the
// failure frame (the outline with both diagonals), in the border colour
// whatever the border setting says.
#include "thumbs/ThumbImage.h"

namespace vellumo {

// Image indices of the large image list.
namespace ThumbIndex {
inline constexpr int Waiting = 9;
inline constexpr int Failed = 10;
inline constexpr int FirstThumbnail = 11;
}  // namespace ThumbIndex

ThumbImage WaitingFrame(int size, std::uint32_t borderColor);
ThumbImage FailureFrame(int size, std::uint32_t borderColor);

}  // namespace vellumo
