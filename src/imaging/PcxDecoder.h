#pragma once
// CPCXDecoder: ZSoft PCX, run-length encoded, 1 to 4 planes of 1 bit, one
// plane of 2, 4 or 8 bits, three planes of 8 bits. Always a 32-bit bitmap.
#include "imaging/PicDecoder.h"

namespace vellumo {

class CPCXDecoder : public CPicDecoder {
public:
    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;
};

}  // namespace vellumo
