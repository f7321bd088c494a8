#pragma once
// One thumbnail picture: a square of 32-bit pixels (blue, green, red, alpha
// bytes; as little-endian words 0xAARRGGBB), alpha 0 where the mask is
// transparent and 255 where it is opaque.
#include <cstdint>
#include <memory>
#include <vector>

namespace vellumo {

struct ThumbImage {
    int size = 0;
    std::vector<std::uint32_t> pixels;  // size * size, row 0 at the top
    // The same thumbnail at the screen's own resolution, for a screen the
    // desktop scales (a 48-pixel cell is 96 pixels at scale 2); none where
    // the cell is no larger, or the thumbnail came from a cache file. Caches
    // keep only the pixels above.
    std::shared_ptr<const ThumbImage> sharp;

    ThumbImage() = default;
    explicit ThumbImage(int s) : size(s), pixels(static_cast<std::size_t>(s) * static_cast<std::size_t>(s), 0u) {}
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * size + x]; }
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * size + x]; }
    friend bool operator==(const ThumbImage& a, const ThumbImage& b) { return a.size == b.size && a.pixels == b.pixels; }
};

using ThumbImagePtr = std::shared_ptr<const ThumbImage>;

// An opaque pixel of a colour reference (red in the low byte).
inline std::uint32_t OpaquePixelOf(std::uint32_t colorRef) {
    return 0xFF000000u | ((colorRef & 0xFFu) << 16) | (colorRef & 0xFF00u) | ((colorRef >> 16) & 0xFFu);
}

}  // namespace vellumo
