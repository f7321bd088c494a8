#pragma once
// CPicDecoder: the base of every format decoder. DecodeFile opens the file,
// DecodeSource runs the format's DecodeFormat. Failures throw CTextException.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/Bmp.h"
#include "imaging/ColourProfile.h"
#include "imaging/DataSource.h"
#include "imaging/PreviewSink.h"
#include "imaging/TextException.h"

#ifndef VELLUMO_PIXEL_CAP
#define VELLUMO_PIXEL_CAP 1000000000LL
#endif

namespace vellumo {

// Pictures with more pixels than this are refused with code 10.
constexpr std::int64_t kPixelCap = VELLUMO_PIXEL_CAP;

class CPicDecoder {
public:
    CPicDecoder() = default;
    virtual ~CPicDecoder() = default;
    CPicDecoder(const CPicDecoder&) = delete;
    CPicDecoder& operator=(const CPicDecoder&) = delete;

    // Decodes the file at path into bmp. wantedBpp 0 lets the decoder choose.
    virtual void DecodeFile(const std::string& path, CBmp& bmp, int wantedBpp = 0, ProgressSink* sink = nullptr);
    virtual void DecodeSource(CDataSource& source, CBmp& bmp, int wantedBpp);
    // The format's own work. paletteOut may receive a palette the decoder
    // built; destBpp is the depth asked for on entry and chosen on return.
    virtual void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source);

    // While decoding, the decoder looks at *stop between rows; once it is set
    // the decode ends with CTextException(ErrStopped, "Decoder error: Decoding stopped.\n").
    virtual void SetStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }
    // A decoder that can decode at a reduced scale may return a smaller
    // picture whose longer side is still at least longSide pixels (JPEG's DCT
    // scaling); 0 asks for the full size.
    virtual void SetSizeHint(int longSide) { sizeHint_ = longSide; }
    // The same, with the longer side chosen by rule(width, height) once the
    // picture's own size is known; an empty rule ends it.
    using SizeRule = std::function<int(int width, int height)>;
    virtual void SetSizeRule(SizeRule rule) { sizeRule_ = std::move(rule); }
    // The size of the last picture decoded at full scale: its bitmap's, or,
    // when it was decoded at a reduced scale, the size it would have had.
    Size GetFullSize() const { return fullSize_; }
    // A decoder that can show a first picture early (JPEG) asks the sink
    // whether it wants one and hands it over; null for none. Only full-size
    // decodes (no size hint) show one.
    virtual void SetPreviewSink(PreviewSink* sink) { previewSink_ = sink; }

    // The colour profile the last decoded file embeds (or its format's
    // colour chunks describe), null for none: its pixels as decoded are in
    // that profile's colours. Known once the header is read, before any
    // first picture is shown.
    const ColourProfilePtr& GetColourProfile() const { return colourProfile_; }
    // The colours pictures are converted to from their file's profile (the
    // screen's, or sRGB); null (the default) leaves the pixels as the file
    // gives them. A format decoder may convert on the way
    // (ColoursConverted); CAnyPicDecoder converts what was not.
    virtual void SetColourTarget(ColourProfilePtr target) { colourTarget_ = std::move(target); }
    const ColourProfilePtr& GetColourTarget() const { return colourTarget_; }
    bool ColoursConverted() const { return coloursConverted_; }

    // Throws CTextException(code, "Decoder error: <message>\n").
    [[noreturn]] static void RaiseError(int code, const std::string& message);
    // 0 asked: 8 for sources of 8 or fewer bits per pixel, else 32. Any other
    // request becomes 8 (up to 8) or 32.
    static int ChooseDestBpp(int sourceBpp, int destBpp);

protected:
    void CheckStop() const;
    // Create with the checks every decoder needs: a positive size (else code
    // 2) and at most kPixelCap pixels (else code 10).
    // zeroFill false: the decoder writes every pixel of every row.
    static void CreateBitmap(CBmp& bmp, std::int64_t width, std::int64_t height, int bpp, bool hasAlpha,
                             bool zeroFill = true);

    const std::atomic<bool>* stop_ = nullptr;
    int sizeHint_ = 0;
    SizeRule sizeRule_;
    Size fullSize_;
    PreviewSink* previewSink_ = nullptr;
    ColourProfilePtr colourProfile_;
    ColourProfilePtr colourTarget_;
    bool coloursConverted_ = false;
};

// A profile of the bytes; null for none.
inline ColourProfilePtr ProfileOf(std::vector<std::uint8_t> icc) {
    if (icc.empty()) return nullptr;
    return std::make_shared<const ColourProfile>(std::move(icc));
}

}  // namespace vellumo
