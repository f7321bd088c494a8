#include "imaging/TiffDecoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include <tiffio.h>

#include "imaging/AnyBmp.h"
#include "imaging/Orientation.h"

namespace vellumo {

namespace {

#if TIFFLIB_VERSION >= 20221213
#define VELLUMO_TIFF_OPEN_EXT 1
#else
#define VELLUMO_TIFF_OPEN_EXT 0
#endif

// The TIFF data as libtiff sees it: the rest of the data source.
struct MemoryTiff {
    const std::uint8_t* base = nullptr;
    toff_t position = 0;
    toff_t size = 0;
    char mode = 'r';
};

tmsize_t MemRead(thandle_t handle, void* buffer, tmsize_t n) {
    auto* m = static_cast<MemoryTiff*>(handle);
    if (n <= 0 || m->position >= m->size) return 0;
    const toff_t k = std::min<toff_t>(static_cast<toff_t>(n), m->size - m->position);
    std::memcpy(buffer, m->base + m->position, static_cast<std::size_t>(k));
    m->position += k;
    return static_cast<tmsize_t>(k);
}

tmsize_t MemWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t MemSeek(thandle_t handle, toff_t offset, int whence) {
    auto* m = static_cast<MemoryTiff*>(handle);
    switch (whence) {
        case SEEK_SET: m->position = offset; break;
        case SEEK_CUR: m->position += offset; break;
        case SEEK_END: m->position = m->size + offset; break;
        default: return static_cast<toff_t>(-1);
    }
    return m->position;
}

int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t handle) { return static_cast<MemoryTiff*>(handle)->size; }
// The data is in memory already, so it is offered as the mapping: libtiff then
// reads strips and tiles in place. (libtiff 4.5.0 also refuses uncompressed
// tiles on its unmapped path.)
int MemMap(thandle_t handle, void** base, toff_t* size) {
    auto* m = static_cast<MemoryTiff*>(handle);
    *base = const_cast<std::uint8_t*>(m->base);
    *size = m->size;
    return 1;
}
void MemUnmap(thandle_t, void*, toff_t) {}

std::string FormatMessage(const char* module, const char* fmt, va_list ap) {
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, fmt, ap);
    std::string text;
    if (module && *module) text = std::string(module) + ": ";
    return text + buffer;
}

#if VELLUMO_TIFF_OPEN_EXT
int OnTiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    static_cast<CTIFFDecoder*>(user)->SetLastError(FormatMessage(module, fmt, ap));
    return 1;
}
int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }
#else
// Older libtiff has process-wide handlers only: each thread keeps its own text.
thread_local CTIFFDecoder* t_current = nullptr;
void OnTiffError(const char* module, const char* fmt, va_list ap) {
    if (t_current) t_current->SetLastError(FormatMessage(module, fmt, ap));
}
void OnTiffWarning(const char*, const char*, va_list) {}
#endif

struct TiffCloser {
    TIFF* tif;
    ~TiffCloser() {
        if (tif) TIFFClose(tif);
    }
};

struct RgbaImageEnder {
    TIFFRGBAImage* img;
    ~RgbaImageEnder() { TIFFRGBAImageEnd(img); }
};

}  // namespace

void CTIFFDecoder::RaiseTiffError(int code, const char* fallback) {
    if (lastError_.empty() && fallback) RaiseError(code, fallback);
    RaiseError(code, lastError_);
}

void CTIFFDecoder::DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>&, int& destBpp, CDataSource& source) {
    text_.clear();
    lastError_.clear();
    MemoryTiff memory;
    memory.base = source.ReadRemainder();
    memory.size = static_cast<toff_t>(source.GetRemaining());

#if VELLUMO_TIFF_OPEN_EXT
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) throw std::bad_alloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffWarning, this);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kPixelCap * 8));
    TIFF* opened = TIFFClientOpenExt("MemSource", "r", &memory, MemRead, MemWrite, MemSeek, MemClose, MemSize,
                                     MemMap, MemUnmap, options);
    TIFFOpenOptionsFree(options);
#else
    t_current = this;
    TIFFSetErrorHandler(OnTiffError);
    TIFFSetWarningHandler(OnTiffWarning);
    TIFF* opened = TIFFClientOpen("MemSource", "r", &memory, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap,
                                  MemUnmap);
#endif
    if (!opened) RaiseTiffError(ErrWrongSignature, "Cannot open the TIFF data.");
    TiffCloser closer{opened};
    TIFF* tif = opened;

    std::uint16_t bitsPerSample = 1, samplesPerPixel = 1, orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    if (orientation < 1 || orientation > 8) orientation = ORIENTATION_TOPLEFT;
    // Both paths read the rows as stored; the orientation tag then turns the
    // picture once, so everything after the decoder sees it upright.
    CAnyBmp stored;
    CBmp& rows = OrientationSwapsSides(orientation) ? static_cast<CBmp&>(stored) : bmp;
    if (samplesPerPixel != 1 || bitsPerSample > 8 || destBpp > 31 || TIFFIsTiled(tif))
        DoRgba(tif, rows, destBpp);
    else
        DoLoColor(tif, rows, destBpp);
    if (&rows == &stored) {
        TurnUpright(stored, bmp, orientation);
        stored.Create(1, 1, 8, false);
    } else {
        TurnUprightInPlace(bmp, orientation);
    }

    std::uint32_t iccSize = 0;
    const std::uint8_t* icc = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc && iccSize > 0)
        colourProfile_ = ProfileOf(std::vector<std::uint8_t>(icc, icc + iccSize));

    const char* value = nullptr;
    if (TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &value) && value && *value) {
        text_.assign(value, strnlen(value, 1023));
    } else {
        value = nullptr;
        if (TIFFGetField(tif, TIFFTAG_DATETIME, &value) && value) text_.assign(value, strnlen(value, 1023));
    }
}

void CTIFFDecoder::DoLoColor(TIFF* tif, CBmp& bmp, int& destBpp) {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetFieldDefaulted(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (bits == 0) RaiseError(ErrUnsupported, "Unsupported TIFF bits per sample.");

    const int depth = bits == 1 ? 1 : 8;
    if (destBpp == 0) destBpp = depth;
    CreateBitmap(bmp, width, height, depth, false, false);

    const int n = 1 << bits;
    std::vector<RGBAPixel> palette;
    std::vector<std::uint8_t> buffer;
    const tmsize_t scanline = TIFFScanlineSize(tif);
    if (scanline <= 0) RaiseTiffError(ErrInternal, "Illegal TIFF scanline size.");
    try {
        palette.resize(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        RaiseError(ErrOutOfMemory, "Out of memory allocating TIFF palette.");
    }
    try {
        buffer.resize(static_cast<std::size_t>(scanline));
    } catch (const std::bad_alloc&) {
        RaiseError(ErrOutOfMemory, "Out of memory allocating TIFF buffer.");
    }

    const int step = 255 / (n - 1);
    auto gray = [](int v) { return MakePixel(v, v, v, 255); };
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (photometric == PHOTOMETRIC_MINISWHITE) {
        for (int i = 0; i < n; ++i) palette[n - 1 - i] = gray(step * i);
    } else if (photometric == PHOTOMETRIC_PALETTE && TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) &&
               red && green && blue) {
        bool wide = false;
        for (int i = 0; i < n; ++i)
            if (red[i] >= 256 || green[i] >= 256 || blue[i] >= 256) wide = true;
        auto scale = [wide](std::uint16_t v) { return wide ? static_cast<int>(v * 255u / 65535u) : int(v); };
        for (int i = 0; i < n; ++i) palette[i] = MakePixel(scale(red[i]), scale(green[i]), scale(blue[i]), 255);
    } else {
        // Min-is-black, and the gray ramp for any other interpretation.
        for (int i = 0; i < n; ++i) palette[i] = gray(step * i);
    }

    std::uint8_t* const* lines = bmp.GetLineArray();
    const std::size_t rowBytes = CBmp::UnpaddedBytesPerLine(static_cast<int>(width), depth);
    for (std::uint32_t y = 0; y < height; ++y) {
        CheckStop();
        if (TIFFReadScanline(tif, buffer.data(), y, 0) < 0 && y < height / 3)
            RaiseTiffError(ErrInternal, "Error reading TIFF scanline.");
        std::uint8_t* row = lines[y];
        if (bits == 1 || bits == 8) {
            std::memcpy(row, buffer.data(), std::min<std::size_t>(rowBytes, buffer.size()));
        } else {
            // 2 to 7 bits: one palette index per pixel, first sample in the high bits.
            const std::size_t available = buffer.size() * 8 / bits;
            const std::size_t count = std::min<std::size_t>(width, available);
            const unsigned mask = (1u << bits) - 1;
            for (std::size_t x = 0; x < count; ++x) {
                const std::size_t bit = x * bits;
                const unsigned word = (unsigned(buffer[bit / 8]) << 8) | (bit / 8 + 1 < buffer.size() ? buffer[bit / 8 + 1] : 0);
                row[x] = static_cast<std::uint8_t>((word >> (16 - bits - bit % 8)) & mask);
            }
        }
    }
    RGBAPixel* target = bmp.GetPalette();
    std::copy_n(palette.begin(), std::min(n, bmp.GetPaletteSize()), target);
}

void CTIFFDecoder::DoRgba(TIFF* tif, CBmp& bmp, int& destBpp) {
    destBpp = ChooseDestBpp(32, destBpp);
    TIFFRGBAImage img;
    std::memset(&img, 0, sizeof img);
    char message[1024] = "";
    if (!TIFFRGBAImageBegin(&img, tif, 0, message)) RaiseTiffError(ErrWrongSignature, message);
    RgbaImageEnder ender{&img};

    const std::uint32_t width = img.width;
    const std::uint32_t height = img.height;
    CreateBitmap(bmp, width, height, 32, img.alpha != 0, false);

    // The raster as stored, row 0 first (libtiff's own flips would turn
    // some orientations and only mirror others). A band of rows at a time (a
    // strip or a row of tiles), so a stop is noticed between bands.
    img.req_orientation = img.orientation;
    std::uint32_t band = height;
    std::uint32_t rowsPerBand = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &rowsPerBand);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerBand);
    if (rowsPerBand > 0 && rowsPerBand < height) band = rowsPerBand;
    // Small strips are grouped to bands of some 64 rows.
    if (band < 64) band = std::min<std::uint32_t>(height, (64 / band) * band);
    std::vector<std::uint32_t> raster;
    try {
        raster.resize(static_cast<std::size_t>(width) * band);
    } catch (const std::bad_alloc&) {
        RaiseError(ErrOutOfMemory, "Out of memory allocating TIFF buffer.");
    }

    std::uint8_t* const* lines = bmp.GetLineArray();
    for (std::uint32_t top = 0; top < height; top += band) {
        CheckStop();
        const std::uint32_t rows = std::min(band, height - top);
        img.row_offset = static_cast<int>(top);
        img.col_offset = 0;
        if (!TIFFRGBAImageGet(&img, raster.data(), width, rows))
            RaiseTiffError(ErrWrongSignature, "Error reading TIFF image.");
        for (std::uint32_t j = 0; j < rows; ++j) {
            const std::uint32_t* in = raster.data() + static_cast<std::size_t>(j) * width;
            auto* out = reinterpret_cast<std::uint32_t*>(lines[top + j]);
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint32_t v = in[x];
                out[x] = (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
            }
        }
    }
}

}  // namespace vellumo
