#pragma once
// Picture files for the thumbnail tests: small 24-bit BMPs and JPEGs.
#include <cstdint>
#include <functional>
#include <string>

#include "jpeg-writer/JpegWriter.h"

namespace vellumo::testing {

// An RGB colour as the tests write it.
struct Rgb8 {
    int r = 0, g = 0, b = 0;
};

inline void PutLe(std::string& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A bottom-up 24-bit BMP whose pixel (x, y) (y = 0 at the top) is colour(x, y).
inline std::string BmpBytes(int w, int h, const std::function<Rgb8(int, int)>& colour) {
    const int stride = (w * 3 + 3) / 4 * 4;
    std::string out = "BM";
    PutLe(out, static_cast<std::uint32_t>(54 + stride * h), 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(w), 4);
    PutLe(out, static_cast<std::uint32_t>(h), 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4);
    PutLe(out, static_cast<std::uint32_t>(stride * h), 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            Rgb8 c = colour(x, y);
            row.push_back(static_cast<char>(c.b));
            row.push_back(static_cast<char>(c.g));
            row.push_back(static_cast<char>(c.r));
        }
        row.resize(static_cast<std::size_t>(stride), '\0');
        out += row;
    }
    return out;
}

inline std::string SolidBmp(int w, int h, Rgb8 c) {
    return BmpBytes(w, h, [c](int, int) { return c; });
}

// A JPEG (quality 90, 4:2:0, baseline or progressive) of colour(x, y).
inline std::string JpegBytes(int w, int h, const std::function<Rgb8(int, int)>& colour, bool progressive = false) {
    jpegwriter::JpegSpec spec;
    spec.width = w;
    spec.height = h;
    spec.quality = 90;
    spec.progressive = progressive;
    Rgb8 pixel;
    spec.sample = [&](int x, int y, int c) {
        if (c == 0) pixel = colour(x, y);
        return static_cast<std::uint8_t>(c == 0 ? pixel.r : c == 1 ? pixel.g : pixel.b);
    };
    const jpegwriter::Bytes bytes = jpegwriter::EncodeJpeg(spec);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace vellumo::testing
