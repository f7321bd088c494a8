#pragma once
// CJPEGDecoder: JPEG through libjpeg (6b API), float DCT, no fancy
// upsampling; builds the embedded text from the APP1, APP12 and APP13 markers.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/PicDecoder.h"

namespace vellumo {

class CJPEGDecoder : public CPicDecoder {
public:
    CJPEGDecoder();
    ~CJPEGDecoder() override;

    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;

    // The caption and date of the last decoded file.
    const std::string& GetText() const { return text_; }
    // The EXIF orientation of the last decoded file (1 to 8); the picture
    // handed back is already turned upright.
    int GetOrientation() const { return orientation_; }

    struct Impl;

private:
    bool DecodeGuarded(CBmp& bmp, int& destBpp, CDataSource& source);
    void DecodeBody(CBmp& bmp, int& destBpp, CDataSource& source);
    bool ReadHeader();
    unsigned ScaleFor(std::int64_t width, std::int64_t height) const;
    void CreateOutput(CBmp& bmp, bool gray, int& destBpp);
    void ReadRows(CBmp& bmp, bool gray, int destBpp, bool lastPass);
    bool DecodeOnTwoThreads(CBmp& bmp, int& destBpp, bool* firstPictureShown);
    void DecodeScaledPreview(unsigned n, bool gray);
    void DropPreview();
    void ConsumeInputUntil(bool firstScansOnly);
    void DecodeWithFirstScans(CBmp& bmp, bool gray, int& destBpp, Size wanted);
    void ReadRowsShrunk(int factor, int channels, int bpp);
    void BuildText();
    int MarkerOrientation() const;
    unsigned ScaleForHint() const;
    bool SkipUnusedScans();

    std::unique_ptr<Impl> impl_;
    std::string text_;
    int orientation_ = 1;
    int hint_ = 0;  // the size hint of the decode in hand (from the rule, if any)
    bool fast_ = true;
};

}  // namespace vellumo
