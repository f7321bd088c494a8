#pragma once
// CTGADecoder: Truevision TGA, colour-mapped, true-colour and gray, plain
// and run-length encoded, 8, 15, 16, 24 and 32 bits per pixel.
#include "imaging/PicDecoder.h"

namespace vellumo {

class CTGADecoder : public CPicDecoder {
public:
    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;
};

}  // namespace vellumo
