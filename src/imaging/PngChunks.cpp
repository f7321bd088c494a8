#include "imaging/PngChunks.h"

#include <cstring>

namespace vellumo {

std::size_t PngUsableLength(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 8;  // after the signature
    while (at <= size && size - at >= 8) {
        const std::uint64_t length = (std::uint64_t{data[at]} << 24) | (std::uint64_t{data[at + 1]} << 16) |
                                     (std::uint64_t{data[at + 2]} << 8) | data[at + 3];
        const bool pictureData = std::memcmp(data + at + 4, "IDAT", 4) == 0;
        const std::uint64_t whole = length + 12;  // length, type, data, CRC
        if (whole > size - at) return pictureData ? size : at;
        at += static_cast<std::size_t>(whole);
    }
    return size;
}

}  // namespace vellumo
