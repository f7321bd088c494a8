#include "imaging/TgaDecoder.h"

#include <cstring>
#include <new>

#include "imaging/Endian.h"

namespace vellumo {

namespace {

int BytesPerColour(int depth) {
    switch (depth) {
        case 8: return 1;
        case 15:
        case 16: return 2;
        case 24: return 3;
        case 32: return 4;
        default: return 0;
    }
}

// One colour of the given depth at p, as a 32-bit pixel.
inline RGBAPixel ReadColour(const std::uint8_t* p, int depth, const RGBAPixel* lookup) {
    switch (depth) {
        case 8:
            return lookup[p[0]];
        case 15:
        case 16: {
            const int v = p[0] | (p[1] << 8);
            const int alpha = depth == 15 ? 255 : ((v & 0x8000) ? 0x80 : 0);
            return MakePixel(((v >> 10) & 31) << 3, ((v >> 5) & 31) << 3, (v & 31) << 3, alpha);
        }
        case 24:
            return MakePixel(p[2], p[1], p[0], 255);
        default: {
            RGBAPixel v;
            std::memcpy(&v, p, 4);
            return v;
        }
    }
}

}  // namespace

void CTGADecoder::DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& palette, int& destBpp, CDataSource& source) {
    const std::uint8_t* header = source.ReadBytes(18);
    const int idLength = header[0];
    const int colourMapType = header[1];
    const int imageType = header[2];
    const int mapFirst = Le16(header + 3);
    const int mapLength = Le16(header + 5);
    const int mapEntrySize = header[7];
    const int width = Le16(header + 12);
    const int height = Le16(header + 14);
    const int depth = header[16];
    const int descriptor = header[17];
    source.ReadBytes(static_cast<std::size_t>(idLength));

    const int pixelBytesFromDepth = BytesPerColour(depth);
    if (pixelBytesFromDepth == 0) RaiseError(ErrUnsupported, "Unknown TGA pixel depth.");
    destBpp = ChooseDestBpp(depth, destBpp);
    const int pixelBytes = destBpp == 8 ? 1 : pixelBytesFromDepth;
    const bool uncompressed = imageType >= 1 && imageType <= 3;
    if (uncompressed && width > 0 && height > 0 &&
        static_cast<std::int64_t>(width) * height * pixelBytes > source.GetRemaining())
        source.ReadBytes(static_cast<std::size_t>(source.GetRemaining()) + 1);
    CreateBitmap(bmp, width, height, destBpp, depth == 16 || depth == 32, false);

    // The palette pixels are looked up in; the gray ramp until the file gives one.
    try {
        palette.resize(256);
    } catch (const std::bad_alloc&) {
        RaiseError(ErrOutOfMemory, "Out of memory for palette.");
    }
    for (int i = 0; i < 256; ++i) palette[i] = MakePixel(i, i, i, 255);
    if (colourMapType != 0) {
        const int entryBytes = BytesPerColour(mapEntrySize);
        if (mapLength > 0 && entryBytes == 0) RaiseError(ErrUnsupported, "Unknown TGA colour map entry size.");
        const std::uint8_t* entries = source.ReadBytes(static_cast<std::size_t>(mapLength) * entryBytes);
        // Indices from 256 on cannot be addressed by an 8-bit pixel; they are read over.
        for (int k = 0; k < mapLength; ++k) {
            const int index = mapFirst + k;
            const RGBAPixel c = ReadColour(entries + k * entryBytes, mapEntrySize, palette.data());
            if (index < 256) palette[index] = c;
        }
        if (destBpp == 8) bmp.SetPalette(palette.data());
    }
    if (imageType == 3 || imageType == 11)
        for (int i = 0; i < 256; ++i) palette[i] = MakePixel(i, i, i, 255);
    if (!uncompressed && !(imageType >= 9 && imageType <= 11)) RaiseError(ErrUnsupported, "Unknown TGA image type.");

    std::uint8_t* const* lines = bmp.GetLineArray();
    const bool topDown = (descriptor & 0x20) != 0;
    const RGBAPixel* lookup = palette.data();
    auto store = [&](std::uint8_t* row, int x, const std::uint8_t* p) {
        if (destBpp == 8) {
            row[x] = p[0];
        } else {
            const RGBAPixel v = ReadColour(p, depth, lookup);
            std::memcpy(row + std::size_t(x) * 4, &v, 4);
        }
    };

    if (uncompressed) {
        for (int i = 0; i < height; ++i) {
            CheckStop();
            std::uint8_t* row = lines[topDown ? i : height - 1 - i];
            const std::uint8_t* data = source.ReadBytes(static_cast<std::size_t>(width) * pixelBytes);
            if (destBpp == 32 && depth == 24) {
                for (int x = 0; x < width; ++x) {
                    row[4 * x] = data[3 * x];
                    row[4 * x + 1] = data[3 * x + 1];
                    row[4 * x + 2] = data[3 * x + 2];
                    row[4 * x + 3] = 255;
                }
            } else if (destBpp == 32 && depth == 32) {
                std::memcpy(row, data, static_cast<std::size_t>(width) * 4);
            } else {
                for (int x = 0; x < width; ++x) store(row, x, data + x * pixelBytes);
            }
        }
        return;
    }

    // Run-length packets may continue from one row into the next.
    int left = 0;        // pixels still due from the current packet
    bool run = false;
    std::uint8_t runPixel[4] = {0, 0, 0, 0};
    for (int i = 0; i < height; ++i) {
        CheckStop();
        std::uint8_t* row = lines[topDown ? i : height - 1 - i];
        int x = 0;
        while (x < width) {
            if (left == 0) {
                const int h = *source.ReadBytes(1);
                run = h >= 128;
                left = run ? h - 127 : h + 1;
                if (run) std::memcpy(runPixel, source.ReadBytes(static_cast<std::size_t>(pixelBytes)), pixelBytes);
            }
            const int n = left < width - x ? left : width - x;
            if (run) {
                for (int k = 0; k < n; ++k) store(row, x + k, runPixel);
            } else {
                const std::uint8_t* data = source.ReadBytes(static_cast<std::size_t>(n) * pixelBytes);
                for (int k = 0; k < n; ++k) store(row, x + k, data + k * pixelBytes);
            }
            x += n;
            left -= n;
        }
    }
}

}  // namespace vellumo
