#include "imaging/PngDecoder.h"

#include <csetjmp>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include <png.h>

#include "imaging/PngChunks.h"
#include "imaging/ProfileBuilder.h"

namespace vellumo {

// One decode: the library's structures, the data and what went wrong. It
// outlives the frames the library may leave by longjmp, which therefore
// hold nothing that needs a destructor.
struct CPNGDecoder::Reading {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    bool endOfData = false;
    bool outOfMemory = false;
    std::string message;

    ~Reading() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

namespace {

void OnError(png_structp png, png_const_charp message) {
    auto* r = static_cast<CPNGDecoder::Reading*>(png_get_error_ptr(png));
    r->message = message ? message : "PNG error";
    if (r->message.find("memory") != std::string::npos) r->outOfMemory = true;
    png_longjmp(png, 1);
}

// Warnings (a damaged ancillary chunk, say) leave the picture as it is.
void OnWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<CPNGDecoder::Reading*>(png_get_io_ptr(png));
    if (n > r->size - r->position) {
        r->endOfData = true;
        png_error(png, "end of file");
    }
    std::memcpy(out, r->data + r->position, n);
    r->position += n;
}

// The iCCP profile; without one, unless the sRGB chunk says the picture is
// sRGB, a profile made of the gAMA and cHRM chunks.
ColourProfilePtr ColoursOf(png_structp png, png_infop info) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep icc = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &icc, &length) && icc && length > 0)
        return ProfileOf(std::vector<std::uint8_t>(icc, icc + length));
    if (png_get_valid(png, info, PNG_INFO_sRGB)) return nullptr;
    std::optional<double> gamma;
    double g = 0;
    if (png_get_valid(png, info, PNG_INFO_gAMA) && png_get_gAMA(png, info, &g)) gamma = g;
    std::optional<Chromaticities> primaries;
    Chromaticities c;
    if (png_get_valid(png, info, PNG_INFO_cHRM) &&
        png_get_cHRM(png, info, &c.whiteX, &c.whiteY, &c.redX, &c.redY, &c.greenX, &c.greenY, &c.blueX, &c.blueY))
        primaries = c;
    if (!gamma && !primaries) return nullptr;
    return ProfileOf(ProfileOfPngChunks(gamma, primaries));
}

}  // namespace

CPNGDecoder::CPNGDecoder() = default;
CPNGDecoder::~CPNGDecoder() = default;

void CPNGDecoder::DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>&, int& destBpp, CDataSource& source) {
    Reading r;
    r.data = source.ReadRemainder();
    r.size = PngUsableLength(r.data, static_cast<std::size_t>(source.GetRemaining()));
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, OnError, OnWarning);
    if (!r.png) throw std::bad_alloc();
    r.info = png_create_info_struct(r.png);
    if (!r.info) throw std::bad_alloc();
    if (DecodeGuarded(r, bmp, destBpp)) return;
    if (r.endOfData) throw CTextException(ErrEndOfFile, "End of file reached while decoding.\n");
    if (r.outOfMemory) RaiseError(ErrOutOfMemory, "out of memory");
    RaiseError(ErrFormatNotSupported, r.message);
}

bool CPNGDecoder::DecodeGuarded(Reading& r, CBmp& bmp, int& destBpp) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    DecodeBody(r, bmp, destBpp);
    return true;
}

void CPNGDecoder::DecodeBody(Reading& r, CBmp& bmp, int& destBpp) {
    png_structp png = r.png;
    png_infop info = r.info;
    png_set_read_fn(png, &r, ReadData);
    // The picture is refused by size below; ancillary chunks stay small.
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(png, 16u << 20);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (static_cast<std::int64_t>(width) * height > kPixelCap) RaiseError(ErrOutOfMemory, "out of memory");
    colourProfile_ = ColoursOf(png, info);

    const bool transparentColour = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || transparentColour;
    const bool palette = colourType == PNG_COLOR_TYPE_PALETTE;
    const bool gray = (colourType & PNG_COLOR_MASK_COLOR) == 0;
    // Gray and palette pictures without transparency keep one byte a pixel.
    const bool indexed = !alpha && (gray || palette);
    if (bitDepth == 16) png_set_scale_16(png);
    if (indexed) {
        if (bitDepth < 8) {
            if (palette)
                png_set_packing(png);
            else
                png_set_expand_gray_1_2_4_to_8(png);
        }
    } else {
        png_set_expand(png);  // palette to RGB, gray to 8 bits, tRNS to alpha
        if (gray) png_set_gray_to_rgb(png);
        if (!alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_set_bgr(png);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const int depth = indexed ? 8 : 32;
    destBpp = depth;
    // Interlaced pictures fill their rows pass by pass: they start from 0.
    CreateBitmap(bmp, width, height, depth, alpha, passes > 1);
    bmp.SetAlphaShown(alpha);
    if (indexed && palette) {
        png_colorp entries = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &entries, &count) && entries) {
            RGBAPixel* target = bmp.GetPalette();
            for (int i = 0; i < count && i < 256; ++i)
                target[i] = MakePixel(entries[i].red, entries[i].green, entries[i].blue, 255);
        }
    }
    std::uint8_t* const* lines = bmp.GetLineArray();
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            if ((y & 63) == 0) CheckStop();
            png_read_row(png, lines[y], nullptr);
        }
    }
    // The chunks after the picture are not needed.
}

}  // namespace vellumo
