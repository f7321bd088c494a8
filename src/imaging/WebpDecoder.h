#pragma once
// CWebPDecoder: WebP through libwebp, lossy and lossless, with or without
// alpha, into a 32-bit bitmap (alpha shown when the file has it). An
// animated WebP gives its first frame on the canvas. With a size hint the
// library scales while decoding. Both cores decode where the library can.
#include "imaging/PicDecoder.h"

namespace vellumo {

class CWebPDecoder : public CPicDecoder {
public:
    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;

private:
    void DecodeStill(const std::uint8_t* data, std::size_t size, CBmp& bmp, int width, int height, bool alpha);
    void DecodeFirstFrame(const std::uint8_t* data, std::size_t size, CBmp& bmp);
};

}  // namespace vellumo
