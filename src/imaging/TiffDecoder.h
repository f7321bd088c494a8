#pragma once
// CTIFFDecoder: TIFF through libtiff over the bytes in memory, and so the
// TIFF previews of EPS files. One sample of up to 8 bits in strips becomes a
// 1- or 8-bit bitmap; everything else goes through libtiff's RGBA reader.
#include <string>

#include "imaging/PicDecoder.h"

struct tiff;

namespace vellumo {

class CTIFFDecoder : public CPicDecoder {
public:
    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;

    // The image description, else the date and time tag, of the last file.
    const std::string& GetText() const { return text_; }
    // The last message libtiff gave while this decoder worked.
    const std::string& GetLastError() const { return lastError_; }

    // Used by the libtiff message handlers.
    void SetLastError(std::string message) { lastError_ = std::move(message); }

private:
    void DoLoColor(tiff* tif, CBmp& bmp, int& destBpp);
    void DoRgba(tiff* tif, CBmp& bmp, int& destBpp);
    [[noreturn]] void RaiseTiffError(int code, const char* fallback = nullptr);

    std::string text_;
    std::string lastError_;
};

}  // namespace vellumo
