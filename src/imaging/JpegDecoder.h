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

    struct Impl;

private:
    bool DecodeGuarded(CBmp& bmp, int& destBpp, CDataSource& source);
    void DecodeBody(CBmp& bmp, int& destBpp, CDataSource& source);
    void BuildText();
    bool ChooseOutput();
    bool SkipUnusedScans();

    std::unique_ptr<Impl> impl_;
    std::string text_;
    bool fast_ = true;
    const std::uint8_t* fileData_ = nullptr;  // the file being decoded, whole in memory
    std::size_t fileSize_ = 0;
};

}  // namespace vellumo
