#pragma once
// CBmpDecoder: Windows bitmaps with a 40-byte information header: 1, 4, 8,
// 24 and 32 bits per pixel, RLE4 and RLE8.
#include "imaging/PicDecoder.h"

namespace vellumo {

class CBmpDecoder : public CPicDecoder {
public:
    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;

private:
    void DecodeRle(CBmp& bmp, const std::vector<RGBAPixel>& palette, int destBpp, bool rle4, bool topDown,
                   CDataSource& source);
};

}  // namespace vellumo
