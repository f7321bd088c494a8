#pragma once
// The 32-bit pixel and palette entry: bytes in memory blue, green, red, alpha.
#include <bit>
#include <cstdint>

namespace vellumo {

static_assert(std::endian::native == std::endian::little, "pixel layout assumes a little-endian machine");

// Read as a little-endian 32-bit value: 0xAARRGGBB.
using RGBAPixel = std::uint32_t;

constexpr RGBAPixel MakePixel(int r, int g, int b, int a) {
    return static_cast<RGBAPixel>((b & 0xFF) | ((g & 0xFF) << 8) | ((r & 0xFF) << 16)) |
           (static_cast<RGBAPixel>(a & 0xFF) << 24);
}
constexpr int PixelBlue(RGBAPixel p) { return static_cast<int>(p & 0xFF); }
constexpr int PixelGreen(RGBAPixel p) { return static_cast<int>((p >> 8) & 0xFF); }
constexpr int PixelRed(RGBAPixel p) { return static_cast<int>((p >> 16) & 0xFF); }
constexpr int PixelAlpha(RGBAPixel p) { return static_cast<int>(p >> 24); }

}  // namespace vellumo
