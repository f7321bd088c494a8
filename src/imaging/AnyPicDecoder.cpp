#include "imaging/AnyPicDecoder.h"

#include <algorithm>
#include <cstring>

#include "imaging/WinBmp.h"

namespace vellumo {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

bool Starts(const std::uint8_t* b, std::initializer_list<std::uint8_t> sig) {
    std::size_t i = 0;
    for (auto c : sig)
        if (b[i++] != c) return false;
    return true;
}

std::string Limit1023(const std::string& s) { return s.size() > 1023 ? s.substr(0, 1023) : s; }

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}

// An ISO base media file ("ftyp" box first) whose major or a compatible
// brand is one of HEIF's or AVIF's. The box is looked at within the first
// 526 bytes.
bool IsHeif(const std::uint8_t* b, std::int64_t fileSize) {
    if (!Starts(b + 4, {'f', 't', 'y', 'p'})) return false;
    static const char* const kBrands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis",
                                          "mif1", "msf1", "avif", "avis"};
    auto known = [](const std::uint8_t* brand) {
        for (const char* k : kBrands)
            if (std::memcmp(brand, k, 4) == 0) return true;
        return false;
    };
    const std::int64_t boxEnd = std::min<std::int64_t>({Be32(b), fileSize, 526});
    if (boxEnd >= 12 && known(b + 8)) return true;
    for (std::int64_t at = 16; at + 4 <= boxEnd; at += 4)
        if (known(b + at)) return true;
    return false;
}

}  // namespace

FormatId DetectFormat(const std::uint8_t* b, std::int64_t fileSize) {
    if (b[0] == 0x42 && b[1] == 0x4D) return FormatBmp;
    auto in = [](int v, std::initializer_list<int> set) {
        for (int s : set)
            if (v == s) return true;
        return false;
    };
    if (b[1] <= 1 && (b[2] <= 3 || (b[2] >= 9 && b[2] <= 11)) && in(b[7], {0, 8, 15, 16, 24, 32}) &&
        in(b[16], {8, 15, 16, 24, 32}))
        return FormatTga;
    if (Starts(b, {0x49, 0x49, 0x2A, 0x00}) || Starts(b, {0x4D, 0x4D, 0x00, 0x2A})) return FormatTiff;
    if (fileSize > 540 && (Starts(b + 522, {0x00, 0x11, 0x02, 0xFF}) || Starts(b + 522, {0x00, 0x11, 0x01}) ||
                           Starts(b + 522, {0x11, 0x01, 0x01, 0x00})))
        return FormatPict;
    if (Starts(b, {0xFF, 0xD8, 0xFF})) return FormatJpeg;
    if (Starts(b, {0x89, 0x50, 0x4E, 0x47})) return FormatPng;
    if ((Starts(b, {0xC5, 0xD0, 0xD3, 0xC6}) || Starts(b, {0xC6, 0xD3, 0xD0, 0xC5})) && Le32(b + 20) != 0 &&
        Le32(b + 24) != 0)
        return FormatEpsTiff;
    if (b[0] == 0x0A && b[2] == 0x01) return FormatPcx;
    // Photos of today, after the nine formats of old.
    if (Starts(b, {'R', 'I', 'F', 'F'}) && Starts(b + 8, {'W', 'E', 'B', 'P'})) return FormatWebp;
    if (IsHeif(b, fileSize)) return FormatHeif;
    return FormatUnknown;
}

// Hands the first pictures of a decode to the caller's sink in the colours
// the picture will have.
class CAnyPicDecoder::ConvertingPreview : public PreviewSink {
public:
    explicit ConvertingPreview(const CAnyPicDecoder& owner) : owner_(owner) {}
    void SetSink(PreviewSink* sink) { sink_ = sink; }

    Size PreviewSizeFor(int width, int height, bool progressive) override {
        return sink_->PreviewSizeFor(width, height, progressive);
    }
    void ShowPreview(const CBmp& coarse) override {
        const ColourProfilePtr& target = owner_.colourTarget_;
        const ColourProfilePtr none;
        const ColourProfilePtr& source = owner_.current_ ? owner_.current_->GetColourProfile() : none;
        if (!target || (!source && target->IsSrgb())) {
            sink_->ShowPreview(coarse);
            return;
        }
        CDrawDibBmp converted;
        converted.CopyFrom(coarse);
        ConvertColours(converted, source ? *source : *SrgbProfile(), *target);
        sink_->ShowPreview(converted);
    }

private:
    const CAnyPicDecoder& owner_;
    PreviewSink* sink_ = nullptr;
};

CAnyPicDecoder::CAnyPicDecoder()
    : convertingPreview_(std::make_unique<ConvertingPreview>(*this)),
      bmpDecoder_(std::make_unique<CBmpDecoder>()),
      tgaDecoder_(std::make_unique<CTGADecoder>()),
      tiffDecoder_(std::make_unique<CTIFFDecoder>()),
      jpegDecoder_(std::make_unique<CJPEGDecoder>()),
      pcxDecoder_(std::make_unique<CPCXDecoder>()),
      pngDecoder_(std::make_unique<CPNGDecoder>()),
      webpDecoder_(std::make_unique<CWebPDecoder>()),
      heifDecoder_(std::make_unique<CHEIFDecoder>()) {}

CAnyPicDecoder::~CAnyPicDecoder() = default;

void CAnyPicDecoder::SetStopFlag(const std::atomic<bool>* stop) {
    CPicDecoder::SetStopFlag(stop);
    bmpDecoder_->SetStopFlag(stop);
    tgaDecoder_->SetStopFlag(stop);
    tiffDecoder_->SetStopFlag(stop);
    jpegDecoder_->SetStopFlag(stop);
    pcxDecoder_->SetStopFlag(stop);
    pngDecoder_->SetStopFlag(stop);
    webpDecoder_->SetStopFlag(stop);
    heifDecoder_->SetStopFlag(stop);
}

void CAnyPicDecoder::SetSizeHint(int longSide) {
    CPicDecoder::SetSizeHint(longSide);
    jpegDecoder_->SetSizeHint(longSide);
    webpDecoder_->SetSizeHint(longSide);
    heifDecoder_->SetSizeHint(longSide);
}

void CAnyPicDecoder::SetColourTarget(ColourProfilePtr target) {
    jpegDecoder_->SetColourTarget(target);
    CPicDecoder::SetColourTarget(std::move(target));
}

void CAnyPicDecoder::SetSizeRule(SizeRule rule) {
    CPicDecoder::SetSizeRule(rule);
    jpegDecoder_->SetSizeRule(std::move(rule));
}

void CAnyPicDecoder::SetPreviewSink(PreviewSink* sink) {
    CPicDecoder::SetPreviewSink(sink);
    convertingPreview_->SetSink(sink);
    PreviewSink* const given = sink ? convertingPreview_.get() : nullptr;
    jpegDecoder_->SetPreviewSink(given);
    heifDecoder_->SetPreviewSink(given);
}

void CAnyPicDecoder::DecodeSource(CDataSource& source, CBmp& bmp, int wantedBpp) {
    text_.clear();
    colourProfile_.reset();
    current_ = nullptr;
    DecodeDetected(source, bmp, wantedBpp);
    colourProfile_ = current_ ? current_->GetColourProfile() : nullptr;
    const bool converted = current_ && current_->ColoursConverted();
    current_ = nullptr;
    // Photos without a profile are sRGB: untouched unless the target is another.
    if (colourTarget_ && !converted && (colourProfile_ || !colourTarget_->IsSrgb()))
        ConvertColours(bmp, colourProfile_ ? *colourProfile_ : *SrgbProfile(), *colourTarget_);
}

void CAnyPicDecoder::DecodeDetected(CDataSource& source, CBmp& bmp, int wantedBpp) {
    switch (DetectFormat(source.PeekBytes(530), source.GetFileSize())) {
        case FormatUnknown:
            RaiseError(ErrUnknownFileType, "Unknown file type.");
        case FormatBmp:
            current_ = bmpDecoder_.get();
            bmpDecoder_->DecodeSource(source, bmp, wantedBpp);
            break;
        case FormatTga:
            current_ = tgaDecoder_.get();
            tgaDecoder_->DecodeSource(source, bmp, wantedBpp);
            break;
        case FormatTiff:
            current_ = tiffDecoder_.get();
            tiffDecoder_->DecodeSource(source, bmp, wantedBpp);
            text_ = Limit1023(tiffDecoder_->GetText());
            break;
        case FormatJpeg:
            current_ = jpegDecoder_.get();
            jpegDecoder_->DecodeSource(source, bmp, wantedBpp);
            text_ = Limit1023(jpegDecoder_->GetText());
            // The only format decoded at a reduced scale.
            fullSize_ = jpegDecoder_->GetFullSize();
            return;
        case FormatEpsTiff: {
            const std::uint32_t offset = Le32(source.PeekBytes(30) + 20);
            source.ReadBytes(offset);
            current_ = tiffDecoder_.get();
            tiffDecoder_->DecodeSource(source, bmp, wantedBpp);
            text_ = Limit1023(tiffDecoder_->GetText());
            break;
        }
        case FormatPcx:
            current_ = pcxDecoder_.get();
            pcxDecoder_->DecodeSource(source, bmp, wantedBpp);
            break;
        case FormatPng:
            current_ = pngDecoder_.get();
            pngDecoder_->DecodeSource(source, bmp, wantedBpp);
            break;
        case FormatWebp:
            current_ = webpDecoder_.get();
            webpDecoder_->DecodeSource(source, bmp, wantedBpp);
            break;
        case FormatHeif:
            current_ = heifDecoder_.get();
            heifDecoder_->DecodeSource(source, bmp, wantedBpp);
            break;
        default:
            RaiseError(ErrFormatNotSupported, "Library not compiled for this file type.");
    }
    fullSize_ = bmp.GetSize();
}

}  // namespace vellumo
