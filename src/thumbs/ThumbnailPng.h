#pragma once
// The PNG files of the desktop's shared thumbnail cache, read and written
// with libpng: 8-bit pictures with text chunks ("Thumb::URI", "Thumb::MTime").
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellumo {

struct PngPicture {
    int width = 0;
    int height = 0;
    // width * height pixels, row 0 at the top, as 32-bit words 0xAARRGGBB
    // (blue, green, red, alpha bytes in memory, as the program's bitmaps).
    std::vector<std::uint32_t> pixels;
    std::vector<std::pair<std::string, std::string>> texts;

    // The first text of that key, if any.
    std::optional<std::string> text(std::string_view key) const;
};

// Any PNG (palette, gray, 16-bit, interlaced, with or without alpha) of at
// most maxSide pixels each way; nothing for anything else or a broken file.
std::optional<PngPicture> ReadPng(std::string_view bytes, int maxSide);
// The PNG bytes: RGB when every pixel is opaque, RGBA otherwise, with the
// texts as tEXt chunks before the picture. Nothing on failure.
std::optional<std::string> WritePng(const PngPicture& picture);

}  // namespace vellumo
