#pragma once
// The body of the fuzz targets of one photo decoder each: the bytes decoded
// by that decoder alone (whatever their signature), at full size and, on
// every other input, with a size hint and a first-picture sink, as the
// thumbnails and the viewer ask; the picture is converted from its embedded
// colour profile to sRGB as the viewer converts it. A failure must carry a
// code and a text.
#include <cstddef>
#include <cstdint>
#include <new>

#include "imaging/AlphaMatte.h"
#include "imaging/ColourProfile.h"
#include "imaging/DataSource.h"
#include "imaging/PreviewSink.h"
#include "imaging/TextException.h"
#include "imaging/WinBmp.h"

namespace vellumo::fuzz {

struct DiscardingSink : PreviewSink {
    Size PreviewSizeFor(int width, int height, bool) override { return {width / 2 + 1, height / 2 + 1}; }
    void ShowPreview(const CBmp& coarse) override {
        if (coarse.GetWidth() <= 0 || coarse.GetHeight() <= 0) __builtin_trap();
    }
};

template <typename Decoder>
int DecodePhotoBytes(const std::uint8_t* data, std::size_t size) {
    static Decoder decoder;  // reused, as the viewer reuses its decoders
    static DiscardingSink sink;
    static bool hinted = false;
    hinted = !hinted;
    decoder.SetSizeHint(hinted ? 64 : 0);
    decoder.SetPreviewSink(hinted ? nullptr : &sink);
    decoder.SetColourTarget(SrgbProfile());
    CDrawDibBmp bmp;
    CMemorySource source;
    source.OpenBytes("fuzz", data, size);
    try {
        decoder.DecodeSource(source, bmp, 0);
    } catch (const CTextException& e) {
        if (e.GetCode() <= 0 || e.GetErrorText().empty()) __builtin_trap();
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (bmp.GetWidth() <= 0 || bmp.GetHeight() <= 0) __builtin_trap();
    if (!decoder.ColoursConverted() && decoder.GetColourProfile())
        ConvertColours(bmp, *decoder.GetColourProfile(), *SrgbProfile());
    ShowOverBackground(bmp, 0x203040);
    return 0;
}

}  // namespace vellumo::fuzz
