#include "imaging/BmpDecoder.h"

#include <algorithm>
#include <bit>
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

constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

BmpFields::Channel ChannelOf(std::uint32_t mask) {
    BmpFields::Channel c;
    if (mask == 0) return c;
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    c.top = mask >> c.shift;
    return c;
}

// 16-bit pixels without bit fields: five bits each of red, green, blue.
BmpFields DefaultMasks16() { return {ChannelOf(0x7C00), ChannelOf(0x03E0), ChannelOf(0x001F), {}}; }

// The masks of a header's extension (red, green, blue, then alpha when the
// header holds it); without bit fields the depth's usual layout, 32-bit
// pixels keeping the alpha mask the header gives.
BmpFields MasksOf(const std::uint8_t* m, bool withAlpha, bool fields, int bits) {
    const std::uint32_t alpha = withAlpha ? Le32(m + 12) : 0;
    if (!fields) {
        if (bits == 16) return DefaultMasks16();
        return {ChannelOf(0x00FF0000), ChannelOf(0x0000FF00), ChannelOf(0x000000FF), ChannelOf(alpha)};
    }
    return {ChannelOf(Le32(m)), ChannelOf(Le32(m + 4)), ChannelOf(Le32(m + 8)), ChannelOf(alpha)};
}

// A field's value in 8 bits: a narrower field's bits repeated (5 bits abcde
// give abcdeabc, as other readers of these files do), a wider one's top 8.
int Scaled(std::uint32_t v, const BmpFields::Channel& c) {
    if (c.top == 0) return 0;
    const std::uint32_t value = (v & c.mask) >> c.shift;
    const int bits = std::bit_width(c.top);
    if (bits >= 8) return static_cast<int>(value >> (bits - 8));
    std::uint32_t out = 0;
    int filled = 0;
    for (; filled < 8; filled += bits) out = (out << bits) | value;
    return static_cast<int>(out >> (filled - 8));
}

}  // namespace

// 16- and 32-bit pixels through bit fields into a 32-bit bitmap. A picture
// with an alpha mask shows its alpha, unless every pixel's alpha is 0 (a
// writer that left the byte empty): it is then opaque.
void CBmpDecoder::DecodeFields(CBmp& bmp, const BmpFields& m, int bits, std::int64_t width, std::int64_t height,
                               bool topDown, int& destBpp, CDataSource& source) {
    const std::uint64_t rowBytes = ((static_cast<std::uint64_t>(std::max<std::int64_t>(width, 0)) * bits + 31) / 32) * 4;
    if (width > 0 && height > 0 &&
        rowBytes * static_cast<std::uint64_t>(height) > static_cast<std::uint64_t>(source.GetRemaining()))
        source.ReadBytes(static_cast<std::size_t>(source.GetRemaining()) + 1);
    destBpp = 32;
    const bool alpha = m.alpha.mask != 0;
    CreateBitmap(bmp, width, height, 32, alpha, false);
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    std::uint8_t* const* lines = bmp.GetLineArray();
    int anyAlpha = 0;
    for (int i = 0; i < h; ++i) {
        CheckStop();
        std::uint8_t* row = lines[topDown ? i : h - 1 - i];
        const std::uint8_t* data = source.ReadBytes(static_cast<std::size_t>(rowBytes));
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = bits == 16 ? Le16(data + 2 * x) : Le32(data + 4 * x);
            const int a = alpha ? Scaled(v, m.alpha) : 255;
            anyAlpha |= a;
            PutPixel(row, x, MakePixel(Scaled(v, m.red), Scaled(v, m.green), Scaled(v, m.blue), a));
        }
    }
    if (alpha && anyAlpha == 0) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) lines[y][4 * x + 3] = 255;
        bmp.SetHasAlpha(false);
    }
    bmp.SetAlphaShown(bmp.HasAlpha());
}

void CBmpDecoder::DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& palette, int& destBpp, CDataSource& source) {
    const std::uint8_t* fileHeader = source.ReadBytes(14);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') RaiseError(ErrWrongSignature, "Bitmap decoder: This isn't a bitmap.");
    const std::uint32_t dataOffset = Le32(fileHeader + 10);
    const std::uint8_t* info = source.ReadBytes(40);
    const std::uint32_t headerSize = Le32(info);
    // The 40-byte header of old, and the later ones that extend it with
    // bit fields, alpha and colour space (V2 52, V3 56, V4 108, V5 124 bytes).
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        RaiseError(ErrUnsupported, "Bitmap decoder: BITMAPINFOHEADER has wrong size.");
    const std::int64_t width = static_cast<std::int32_t>(Le32(info + 4));
    const std::int64_t rawHeight = static_cast<std::int32_t>(Le32(info + 8));
    const int bits = Le16(info + 14);
    const std::uint32_t compression = Le32(info + 16);
    const std::uint32_t colorsUsed = Le32(info + 32);
    // A negative height marks rows stored top-down.
    const bool topDown = rawHeight < 0;
    const std::int64_t height = topDown ? -rawHeight : rawHeight;
    const bool fields = compression == kBitFields || compression == kAlphaBitFields;
    std::optional<BmpFields> masks;
    if (headerSize > 40) {
        const std::uint8_t* more = source.ReadBytes(headerSize - 40);
        if (bits == 16 || bits == 32) masks = MasksOf(more, headerSize >= 56, fields, bits);
    } else if ((bits == 16 || bits == 32) && fields) {
        // Bit fields after the 40-byte header: three masks, or four with alpha.
        masks = MasksOf(source.ReadBytes(compression == kAlphaBitFields ? 16 : 12), compression == kAlphaBitFields, true, bits);
    } else if (bits == 16) {
        masks = DefaultMasks16();
    }

    palette.assign(256, kBlack);
    if (bits <= 8) {
        const std::uint64_t count = colorsUsed ? colorsUsed : (std::uint64_t{1} << bits);
        const std::uint8_t* entries = source.ReadBytes(static_cast<std::size_t>(count * 4));
        // Entries past 256 are read over but cannot be addressed by any pixel.
        for (std::uint64_t i = 0; i < std::min<std::uint64_t>(count, 256); ++i)
            palette[i] = (Le32(entries + 4 * i) & 0x00FFFFFFu) | 0xFF000000u;
    }
    // The later headers' pixels start where the file header says (the
    // 40-byte header's right after the palette, as always).
    if (headerSize > 40 && dataOffset > source.GetConsumed()) source.ReadBytes(dataOffset - static_cast<std::size_t>(source.GetConsumed()));
    if (masks) {
        DecodeFields(bmp, *masks, bits, width, height, topDown, destBpp, source);
        return;
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
