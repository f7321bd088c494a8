// Decodes arbitrary bytes as a photo file, converted to the colours of an
// sRGB screen and, on every other input, of a Display P3 one; turns small
// results a quarter and an odd angle, and resizes them, to exercise the
// filters on odd bitmaps.
#include <cstddef>
#include <cstdint>
#include <new>

#include "imaging/AnyBmp.h"
#include "imaging/AnyPicDecoder.h"
#include "imaging/ProfileBuilder.h"
#include "imaging/ResizeFilter.h"
#include "imaging/RotateFilter.h"
#include "imaging/WinBmp.h"

using namespace vellumo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CAnyPicDecoder decoder;  // reused, as the viewer reuses its decoder
    static const ColourProfilePtr wide = ProfileOf(
        BuildRgbProfile({0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060}, TransferCurve::Srgb));
    static bool toWide = false;
    toWide = !toWide;
    decoder.SetColourTarget(toWide ? wide : SrgbProfile());
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
    if (decoder.GetText().size() > 1023) __builtin_trap();
    if (static_cast<std::int64_t>(bmp.GetWidth()) * bmp.GetHeight() <= 4096) {
        CAnyBmp turned;
        RotateFilter(1.5707963267948966, 0x123456).Apply(bmp, turned);
        RotateFilter(0.4, 0x654321).Apply(bmp, turned);
        ResizeFilter(7, 5).Apply(bmp, turned);
    }
    return 0;
}
