#include "imaging/YcbcrToBgra.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <system_error>
#include <thread>

namespace vellumo {

namespace {

// Rows between two looks at the stop flag.
constexpr int kStopCheckRows = 64;
// Limited range: luma 16..235 and chroma 16..240 stretched to full range
// with the factors libheif uses.
constexpr float kLumaStretch = 1.1689f;
constexpr float kChromaStretch = 1.1429f;

// Each sample's share of a colour, in 1/65536 of a level, so that a pixel
// costs table look-ups and additions.
struct Tables {
    std::array<std::int32_t, 256> y{}, rCr{}, gCb{}, gCr{}, bCb{};

    explicit Tables(const YcbcrMatrix& m) {
        const float stretch = m.fullRange ? 1.0f : kChromaStretch;
        auto fixed = [](float v) { return static_cast<std::int32_t>(std::lround(v * 65536.0f)); };
        for (int v = 0; v < 256; ++v) {
            y[v] = m.fullRange ? v << 16 : fixed(static_cast<float>(v - 16) * kLumaStretch);
            const float c = static_cast<float>(v - 128) * stretch;
            rCr[v] = fixed(m.rCr * c);
            gCb[v] = fixed(m.gCb * c);
            gCr[v] = fixed(m.gCr * c);
            bCb[v] = fixed(m.bCb * c);
        }
    }
};

inline std::uint8_t Level(std::int32_t fixed) {
    return static_cast<std::uint8_t>(std::clamp((fixed + 32768) >> 16, 0, 255));
}

// Colour stored premultiplied: divided by alpha again, as the RGB path does.
void Unpremultiply(std::uint8_t* px) {
    const int a = px[3];
    if (a == 0 || a == 255) return;
    for (int k = 0; k < 3; ++k) px[k] = static_cast<std::uint8_t>(std::min(255, (px[k] * 255 + a / 2) / a));
}

bool Stopped(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

// Rows [first, last).
bool ConvertRows(const YcbcrPlanes& p, const Tables& t, std::uint8_t* const* rows, int first, int last,
                 const std::atomic<bool>* stop) {
    for (int y = first; y < last; ++y) {
        if ((y - first) % kStopCheckRows == 0 && Stopped(stop)) return false;
        const std::uint8_t* luma = p.y + y * p.yStride;
        const std::uint8_t* alpha = p.alpha ? p.alpha + y * p.alphaStride : nullptr;
        std::uint8_t* out = rows[y];
        if (!p.cb) {
            for (int x = 0; x < p.width; ++x, out += 4) {
                out[0] = out[1] = out[2] = luma[x];
                out[3] = alpha ? alpha[x] : 0xFF;
            }
        } else {
            const std::uint8_t* cb = p.cb + (y >> p.shiftY) * p.cbStride;
            const std::uint8_t* cr = p.cr + (y >> p.shiftY) * p.crStride;
            for (int x = 0; x < p.width; ++x, out += 4) {
                const int c = x >> p.shiftX;
                const std::int32_t l = t.y[luma[x]];
                out[0] = Level(l + t.bCb[cb[c]]);
                out[1] = Level(l + t.gCb[cb[c]] + t.gCr[cr[c]]);
                out[2] = Level(l + t.rCr[cr[c]]);
                out[3] = alpha ? alpha[x] : 0xFF;
            }
        }
        if (alpha && p.premultiplied)
            for (int x = 0; x < p.width; ++x) Unpremultiply(rows[y] + 4 * x);
    }
    return true;
}

}  // namespace

std::optional<YcbcrMatrix> MatrixForCode(int matrixCoefficients, bool fullRange) {
    double kr = 0.299, kb = 0.114;  // BT.601, also for unspecified and reserved codes
    switch (matrixCoefficients) {
        case 0:   // identity (GBR)
        case 8:   // YCgCo
        case 10:  // BT.2020 constant luminance
        case 11:  // SMPTE ST 2085
        case 12:  // derived from the primaries
        case 13:
        case 14:  // ICtCp
            return std::nullopt;
        case 1: kr = 0.2126; kb = 0.0722; break;
        case 4: kr = 0.30; kb = 0.11; break;
        case 7: kr = 0.212; kb = 0.087; break;
        case 9: kr = 0.2627; kb = 0.0593; break;
        default: break;
    }
    const double kg = 1.0 - kr - kb;
    YcbcrMatrix m;
    m.rCr = static_cast<float>(2.0 * (1.0 - kr));
    m.gCb = static_cast<float>(-2.0 * kb * (1.0 - kb) / kg);
    m.gCr = static_cast<float>(-2.0 * kr * (1.0 - kr) / kg);
    m.bCb = static_cast<float>(2.0 * (1.0 - kb));
    m.fullRange = fullRange;
    return m;
}

bool ConvertToBgra(const YcbcrPlanes& planes, const YcbcrMatrix& matrix, std::uint8_t* const* rows,
                   const std::atomic<bool>* stop, std::int64_t minPixelsForTwoThreads) {
    const Tables tables(matrix);
    const int h = planes.height;
    if (static_cast<std::int64_t>(planes.width) * h < minPixelsForTwoThreads || h < 2 ||
        std::thread::hardware_concurrency() < 2)
        return ConvertRows(planes, tables, rows, 0, h, stop);
    // The same work per row: the second thread takes the upper half.
    const int middle = h / 2;
    bool upperDone = false;
    std::thread second;
    try {
        second = std::thread([&] { upperDone = ConvertRows(planes, tables, rows, 0, middle, stop); });
    } catch (const std::system_error&) {
        return ConvertRows(planes, tables, rows, 0, h, stop);
    }
    const bool lowerDone = ConvertRows(planes, tables, rows, middle, h, stop);
    second.join();
    return upperDone && lowerDone;
}

}  // namespace vellumo
