#include "imaging/PcxDecoder.h"

#include <algorithm>
#include <cstring>

#include "imaging/Endian.h"

namespace vellumo {

namespace {

// The run-length stream of the whole picture, read one line at a time; a run
// may continue from one line into the next.
class PcxRunReader {
public:
    PcxRunReader(CDataSource& source, std::int64_t total) : source_(source), left_(total) {}

    // The codes are parsed straight from the data and consumed once per line;
    // running out of data consumes past the end, which raises the end-of-file error.
    void ReadLine(std::uint8_t* out, std::size_t n) {
        const std::uint8_t* in = source_.ReadRemainder();
        const std::size_t available = static_cast<std::size_t>(source_.GetRemaining());
        std::size_t used = 0;
        std::size_t done = 0;
        auto next = [&]() -> std::uint8_t {
            if (used >= available) {
                source_.ReadBytes(used);
                source_.ReadBytes(1);  // throws: the data ends here
            }
            return in[used++];
        };
        while (done < n) {
            if (run_ > 0) {
                const std::size_t k = std::min<std::size_t>(run_, n - done);
                std::memset(out + done, runValue_, k);
                run_ -= static_cast<int>(k);
                done += k;
                continue;
            }
            // A stretch of literal bytes at once.
            const std::size_t start = done;
            while (done < n && used < available && in[used] < 0xC0) out[done++] = in[used++];
            left_ -= static_cast<std::int64_t>(done - start);
            if (done == n) break;
            const std::uint8_t b = next();
            if (b >= 0xC0) {
                const int count = b & 0x3F;
                runValue_ = next();
                if (count > left_) {
                    source_.ReadBytes(used);
                    CPicDecoder::RaiseError(ErrInternal, "repeat count spans end of image.");
                }
                run_ = count;
                left_ -= count;
            } else {
                out[done++] = b;
                --left_;
            }
        }
        source_.ReadBytes(used);
    }

private:
    CDataSource& source_;
    std::int64_t left_;  // bytes of the picture not yet produced by a code
    int run_ = 0;
    std::uint8_t runValue_ = 0;
};

}  // namespace

void CPCXDecoder::DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& palette, int& destBpp, CDataSource& source) {
    const std::uint8_t* header = source.ReadBytes(128);
    if (header[0] != 10) RaiseError(ErrWrongSignature, "Error decoding pcx: Not a PCX file.");
    if (header[2] != 1) RaiseError(ErrWrongSignature, "File has unknown encoding scheme.");
    const int bits = header[3];
    const int width = Le16(header + 8) - Le16(header + 4) + 1;
    const int height = Le16(header + 10) - Le16(header + 6) + 1;
    const int planes = header[65];
    const int bytesPerLine = Le16(header + 66);
    palette.assign(256, 0xFF000000u);
    for (int i = 0; i < 16; ++i)
        palette[i] = MakePixel(header[16 + 3 * i], header[17 + 3 * i], header[18 + 3 * i], 255);

    if (bits == 1) {
        if (planes > 4) RaiseError(ErrUnsupported, "Can't handle image with more than 4 planes.");
    } else if (!((bits == 2 || bits == 4 || bits == 8) && (planes == 1 || planes == 3))) {
        RaiseError(ErrUnsupported, "Can't handle bits per pixel image with planes.");
    }
    destBpp = 32;
    CreateBitmap(bmp, width, height, 32, false, false);

    const bool rgb = bits == 8 && planes == 3;
    const bool packedPlanes = !rgb && bits > 1 && planes > 1;  // not decodable, found out after the data
    const bool vgaPalette = bits == 8 && planes == 1;
    const std::size_t lineBytes = static_cast<std::size_t>(planes) * bytesPerLine;
    const std::size_t bpl = static_cast<std::size_t>(bytesPerLine);
    std::vector<std::uint8_t> line(lineBytes + 1);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width));
    PcxRunReader reader(source, static_cast<std::int64_t>(lineBytes) * height);
    std::uint8_t* const* lines = bmp.GetLineArray();

    for (int y = 0; y < height; ++y) {
        CheckStop();
        reader.ReadLine(line.data(), lineBytes);
        if (packedPlanes) continue;
        std::uint8_t* row = lines[y];
        if (rgb) {
            const std::size_t n = std::min<std::size_t>(width, bpl);
            for (std::size_t x = 0; x < n; ++x) {
                row[4 * x] = line[2 * bpl + x];
                row[4 * x + 1] = line[bpl + x];
                row[4 * x + 2] = line[x];
                row[4 * x + 3] = 255;
            }
            for (std::size_t x = n; x < static_cast<std::size_t>(width); ++x) {
                row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = 0;
                row[4 * x + 3] = 255;
            }
            continue;
        }
        std::fill(indices.begin(), indices.end(), 0);
        if (planes <= 1) {
            const std::size_t perByte = 8 / static_cast<std::size_t>(bits);
            const std::size_t n = std::min<std::size_t>(width, planes == 1 ? bpl * perByte : 0);
            const int mask = (1 << bits) - 1;
            for (std::size_t x = 0; x < n; ++x) {
                const int shift = 8 - bits * static_cast<int>(x % perByte + 1);
                indices[x] = static_cast<std::uint8_t>((line[x / perByte] >> shift) & mask);
            }
        } else {
            const std::size_t n = std::min<std::size_t>(width, bpl * 8);
            for (int p = 0; p < planes; ++p) {
                const std::uint8_t* plane = line.data() + p * bpl;
                for (std::size_t x = 0; x < n; ++x)
                    if ((plane[x / 8] >> (7 - x % 8)) & 1) indices[x] |= static_cast<std::uint8_t>(1 << p);
            }
        }
        if (vgaPalette) {
            // The palette follows the picture: keep the indices for now.
            for (int x = 0; x < width; ++x) {
                const RGBAPixel v = indices[x];
                std::memcpy(row + std::size_t(x) * 4, &v, 4);
            }
        } else {
            for (int x = 0; x < width; ++x) std::memcpy(row + std::size_t(x) * 4, &palette[indices[x]], 4);
        }
    }

    if (vgaPalette) {
        if (*source.ReadBytes(1) != 12) RaiseError(ErrInternal, "bad color map signature.");
        const std::uint8_t* map = source.ReadBytes(768);
        for (int i = 0; i < 256; ++i) palette[i] = MakePixel(map[3 * i], map[3 * i + 1], map[3 * i + 2], 255);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = lines[y];
            for (int x = 0; x < width; ++x) std::memcpy(row + std::size_t(x) * 4, &palette[row[4 * x]], 4);
        }
    }
    if (packedPlanes) RaiseError(ErrInternal, "Can't handle packed pixels with more than 1 plane.");
}

}  // namespace vellumo
