#include "imaging/ExifOrientation.h"

#include <cstring>

namespace vellumo {

namespace {

struct TiffBytes {
    const std::uint8_t* p;
    std::size_t size;
    bool little;
    bool Has(std::size_t offset, std::size_t n) const { return offset <= size && n <= size - offset; }
    unsigned U16(std::size_t o) const {
        return little ? (p[o] | (p[o + 1] << 8)) : ((p[o] << 8) | p[o + 1]);
    }
    std::uint32_t U32(std::size_t o) const {
        return little ? (std::uint32_t(U16(o)) | (std::uint32_t(U16(o + 2)) << 16))
                      : ((std::uint32_t(U16(o)) << 16) | std::uint32_t(U16(o + 2)));
    }
};

constexpr unsigned kOrientationTag = 0x0112;
constexpr unsigned kTypeShort = 3;

}  // namespace

int TiffOrientation(const std::uint8_t* tiff, std::size_t size) {
    if (!tiff || size < 8) return 1;
    TiffBytes t{tiff, size, false};
    if (tiff[0] == 'I' && tiff[1] == 'I')
        t.little = true;
    else if (!(tiff[0] == 'M' && tiff[1] == 'M'))
        return 1;
    if (t.U16(2) != 42) return 1;
    const std::uint32_t ifd = t.U32(4);
    if (!t.Has(ifd, 2)) return 1;
    const unsigned count = t.U16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t{i} * 12;
        if (!t.Has(entry, 12)) return 1;
        if (t.U16(entry) != kOrientationTag) continue;
        if (t.U16(entry + 2) != kTypeShort || t.U32(entry + 4) < 1) return 1;
        const unsigned value = t.U16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

int ExifOrientation(const std::uint8_t* app1, std::size_t size) {
    static const std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (!app1 || size < sizeof kExif || std::memcmp(app1, kExif, sizeof kExif) != 0) return 1;
    return TiffOrientation(app1 + sizeof kExif, size - sizeof kExif);
}

}  // namespace vellumo
