#pragma once
// A 24-bit BMP file of width x height in one colour, for tests that show photos.
#include <cstdint>
#include <string>

namespace vellumo::testing {

inline std::string Bmp(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    int stride = (width * 3 + 3) & ~3;
    int size = 54 + stride * height;
    std::string f(static_cast<size_t>(size), '\0');
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[static_cast<size_t>(at + i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            size_t at = static_cast<size_t>(54 + y * stride + x * 3);
            f[at] = static_cast<char>(b);
            f[at + 1] = static_cast<char>(g);
            f[at + 2] = static_cast<char>(r);
        }
    return f;
}

}  // namespace vellumo::testing
