#pragma once
// CPNGDecoder: PNG through libpng over the bytes in memory. Gray pictures
// (of 1 to 16 bits) become 8-bit bitmaps with the gray ramp, palette
// pictures 8-bit bitmaps with their palette; everything else, and any
// picture with an alpha channel or a transparent colour (tRNS), a 32-bit
// bitmap whose alpha is shown. 16-bit samples are scaled to 8 bits, rounded.
// Interlaced pictures are read pass by pass. No gamma is applied.
#include <memory>

#include "imaging/PicDecoder.h"

namespace vellumo {

class CPNGDecoder : public CPicDecoder {
public:
    CPNGDecoder();
    ~CPNGDecoder() override;

    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;

    struct Reading;

private:
    bool DecodeGuarded(Reading& r, CBmp& bmp, int& destBpp);
    void DecodeBody(Reading& r, CBmp& bmp, int& destBpp);
};

}  // namespace vellumo
