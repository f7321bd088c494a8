#pragma once
// CBmpDecoder: Windows bitmaps with a 40-byte information header: 1, 4, 8,
// 24 and 32 bits per pixel, RLE4 and RLE8; and those of today's editors:
// the V2 to V5 headers and 16-bit pixels, with bit fields and alpha.
#include <optional>

#include "imaging/PicDecoder.h"

namespace vellumo {

// Where red, green, blue and alpha lie in a 16- or 32-bit pixel.
struct BmpFields {
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        std::uint32_t top = 0;  // the largest value, mask >> shift
    };
    Channel red, green, blue, alpha;
};

class CBmpDecoder : public CPicDecoder {
public:
    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;

private:
    void DecodeFields(CBmp& bmp, const BmpFields& masks, int bits, std::int64_t width, std::int64_t height,
                      bool topDown, int& destBpp, CDataSource& source);
    void DecodeRle(CBmp& bmp, const std::vector<RGBAPixel>& palette, int destBpp, bool rle4, bool topDown,
                   CDataSource& source);
};

}  // namespace vellumo
