#pragma once
// CAnyPicDecoder: recognises the format by the first bytes of the file and
// hands the source to the matching decoder.
#include <memory>
#include <string>

#include "imaging/BmpDecoder.h"
#include "imaging/HeifDecoder.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PcxDecoder.h"
#include "imaging/PicDecoder.h"
#include "imaging/PngDecoder.h"
#include "imaging/TgaDecoder.h"
#include "imaging/TiffDecoder.h"
#include "imaging/WebpDecoder.h"

namespace vellumo {

enum FormatId : int {
    FormatUnknown = 0,
    FormatBmp = 1,
    FormatPict = 2,
    FormatTga = 3,
    FormatTiff = 4,
    FormatJpeg = 5,
    FormatPng = 6,
    FormatEpsTiff = 7,
    FormatPcx = 10,
    FormatWebp = 11,
    FormatHeif = 12,  // HEIC, HEIF and AVIF
};

// bytes must hold at least 526 readable bytes (those past the file's end zero).
FormatId DetectFormat(const std::uint8_t* bytes, std::int64_t fileSize);

class CAnyPicDecoder : public CPicDecoder {
public:
    CAnyPicDecoder();
    ~CAnyPicDecoder() override;

    void DecodeSource(CDataSource& source, CBmp& bmp, int wantedBpp) override;
    void SetStopFlag(const std::atomic<bool>* stop) override;
    void SetSizeHint(int longSide) override;
    void SetSizeRule(SizeRule rule) override;
    void SetPreviewSink(PreviewSink* sink) override;

    // First pictures on the way are converted as well. GetColourProfile
    // tells the file's profile either way.
    void SetColourTarget(ColourProfilePtr target) override;

    // The embedded text of the last decoded file (JPEG, TIFF and EPS only),
    // at most 1023 bytes; empty after a failure.
    const std::string& GetText() const { return text_; }

private:
    class ConvertingPreview;

    // The format decoder the first bytes name, at work on the source.
    void DecodeDetected(CDataSource& source, CBmp& bmp, int wantedBpp);

    std::string text_;
    // The format decoder at work, and the first pictures it shows, converted.
    const CPicDecoder* current_ = nullptr;
    std::unique_ptr<ConvertingPreview> convertingPreview_;
    std::unique_ptr<CBmpDecoder> bmpDecoder_;
    std::unique_ptr<CTGADecoder> tgaDecoder_;
    std::unique_ptr<CTIFFDecoder> tiffDecoder_;
    std::unique_ptr<CJPEGDecoder> jpegDecoder_;
    std::unique_ptr<CPCXDecoder> pcxDecoder_;
    std::unique_ptr<CPNGDecoder> pngDecoder_;
    std::unique_ptr<CWebPDecoder> webpDecoder_;
    std::unique_ptr<CHEIFDecoder> heifDecoder_;
};

}  // namespace vellumo
