#include "imaging/BmpDecoder.h"

#include <algorithm>
#include <cstring>

#include "imaging/Endian.h"

namespace vellumo {

namespace {

constexpr RGBAPixel kWhite = 0xFFFFFFFFu;
constexpr RGBAPixel kBlack = 0xFF000000u;

inline void PutPixel(std::uint8_t* row, int x, RGBAPixel v) { std::memcpy(row + std::size_t(x) * 4, &v, 4); }

// Writes a row of palette indices into a bitmap row of the destination depth.
void EmitIndices(std::uint8_t* row, const std::uint8_t* indices, int width, int destBpp,
                 const std::vector<RGBAPixel>& palette) {
    if (destBpp == 8) {
        std::memcpy(row, indices, static_cast<std::size_t>(width));
    } else {
        for (int x = 0; x < width; ++x) PutPixel(row, x, palette[indices[x]]);
    }
}

// Reads one RLE row into indices (pixels the row does not reach stay 0).
// Returns false when the data ends the picture. Runs reaching past the row's
// end are read but not written.
bool ReadRleRow(CDataSource& source, std::uint8_t* indices, int width, bool rle4) {
    std::fill(indices, indices + width, 0);
    long x = 0;
    for (;;) {
        const std::uint8_t* p = source.ReadBytes(2);
        const int n = p[0];
        const int v = p[1];
        if (n > 0) {
            for (int k = 0; k < n; ++k, ++x) {
                if (x < width) indices[x] = static_cast<std::uint8_t>(rle4 ? ((k & 1) ? (v & 15) : (v >> 4)) : v);
            }
            continue;
        }
        const int c = v;
        if (c == 0) return true;
        if (c == 1) return false;
        if (c == 2) CPicDecoder::RaiseError(ErrFormatNotSupported, "Encountered delta escape.");
        if (!rle4) {
            const std::uint8_t* d = source.ReadBytes(static_cast<std::size_t>(c + (c & 1)));
            for (int k = 0; k < c; ++k, ++x)
                if (x < width) indices[x] = d[k];
        } else {
            const int bytes = (c + 1) / 2;
            const std::uint8_t* d = source.ReadBytes(static_cast<std::size_t>(bytes));
            for (int k = 0; k < c; ++k, ++x) {
                const int b = d[k / 2];
                if (x < width) indices[x] = static_cast<std::uint8_t>((k & 1) ? (b & 15) : (b >> 4));
            }
            if (bytes & 1) source.ReadBytes(1);
        }
    }
}

}  // namespace

void CBmpDecoder::DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& palette, int& destBpp, CDataSource& source) {
    const std::uint8_t* fileHeader = source.ReadBytes(14);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') RaiseError(ErrWrongSignature, "Bitmap decoder: This isn't a bitmap.");
    const std::uint8_t* info = source.ReadBytes(40);
    if (Le32(info) != 40) RaiseError(ErrUnsupported, "Bitmap decoder: BITMAPINFOHEADER has wrong size.");
    const std::int64_t width = static_cast<std::int32_t>(Le32(info + 4));
    const std::int64_t rawHeight = static_cast<std::int32_t>(Le32(info + 8));
    const int bits = Le16(info + 14);
    const std::uint32_t compression = Le32(info + 16);
    const std::uint32_t colorsUsed = Le32(info + 32);
    // A negative height marks rows stored top-down.
    const bool topDown = rawHeight < 0;
    const std::int64_t height = topDown ? -rawHeight : rawHeight;

    palette.assign(256, kBlack);
    if (bits <= 8) {
        const std::uint64_t count = colorsUsed ? colorsUsed : (std::uint64_t{1} << bits);
        const std::uint8_t* entries = source.ReadBytes(static_cast<std::size_t>(count * 4));
        // Entries past 256 are read over but cannot be addressed by any pixel.
        for (std::uint64_t i = 0; i < std::min<std::uint64_t>(count, 256); ++i)
            palette[i] = (Le32(entries + 4 * i) & 0x00FFFFFFu) | 0xFF000000u;
    }

    const bool rle = (bits == 4 || bits == 8) && compression != 0;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        RaiseError(ErrUnsupported, "Decoding bmp: Illegal bpp value.");

    destBpp = ChooseDestBpp(bits, destBpp);
    // Uncompressed rows have a known size: a file too short for them ends
    // here, before a large bitmap is made for it.
    std::uint64_t rowBytes = bits == 32 ? static_cast<std::uint64_t>(width) * 4
                                        : ((static_cast<std::uint64_t>(std::max<std::int64_t>(width, 0)) * bits + 31) / 32) * 4;
    if (!rle && width > 0 && height > 0 &&
        rowBytes * static_cast<std::uint64_t>(height) > static_cast<std::uint64_t>(source.GetRemaining()))
        source.ReadBytes(static_cast<std::size_t>(source.GetRemaining()) + 1);
    CreateBitmap(bmp, width, height, destBpp, false, !rle);
    if (destBpp == 8) bmp.SetPalette(palette.data());

    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    if (rle) {
        DecodeRle(bmp, palette, destBpp, bits == 4, topDown, source);
        return;
    }
    std::uint8_t* const* lines = bmp.GetLineArray();
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(w));
    for (int i = 0; i < h; ++i) {
        CheckStop();
        std::uint8_t* row = lines[topDown ? i : h - 1 - i];
        const std::uint8_t* data = source.ReadBytes(static_cast<std::size_t>(rowBytes));
        switch (bits) {
            case 1:
                if (destBpp == 8) {
                    for (int x = 0; x < w; ++x) row[x] = (data[x / 8] >> (7 - x % 8)) & 1;
                } else {
                    for (int x = 0; x < w; ++x) PutPixel(row, x, ((data[x / 8] >> (7 - x % 8)) & 1) ? kWhite : kBlack);
                }
                break;
            case 4:
                for (int x = 0; x < w; ++x) indices[x] = (x & 1) ? (data[x / 2] & 15) : (data[x / 2] >> 4);
                EmitIndices(row, indices.data(), w, destBpp, palette);
                break;
            case 8:
                EmitIndices(row, data, w, destBpp, palette);
                break;
            case 24:
                if (destBpp == 32) {
                    for (int x = 0; x < w; ++x) {
                        row[4 * x] = data[3 * x];
                        row[4 * x + 1] = data[3 * x + 1];
                        row[4 * x + 2] = data[3 * x + 2];
                        row[4 * x + 3] = 255;
                    }
                } else {  // an 8-bit bitmap asked for: the nearest gray
                    for (int x = 0; x < w; ++x)
                        row[x] = static_cast<std::uint8_t>(
                            bmp.FindNearestColor(MakePixel(data[3 * x + 2], data[3 * x + 1], data[3 * x], 255)));
                }
                break;
            case 32:
                if (destBpp == 32) {
                    std::memcpy(row, data, static_cast<std::size_t>(w) * 4);
                } else {
                    for (int x = 0; x < w; ++x)
                        row[x] = static_cast<std::uint8_t>(
                            bmp.FindNearestColor(MakePixel(data[4 * x + 2], data[4 * x + 1], data[4 * x], 255)));
                }
                break;
        }
    }
}

void CBmpDecoder::DecodeRle(CBmp& bmp, const std::vector<RGBAPixel>& palette, int destBpp, bool rle4, bool topDown,
                            CDataSource& source) {
    const int w = bmp.GetWidth();
    const int h = bmp.GetHeight();
    std::uint8_t* const* lines = bmp.GetLineArray();
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(w));
    for (int i = 0; i < h; ++i) {
        CheckStop();
        const bool more = ReadRleRow(source, indices.data(), w, rle4);
        EmitIndices(lines[topDown ? i : h - 1 - i], indices.data(), w, destBpp, palette);
        if (!more) break;
    }
}

}  // namespace vellumo
