#include "imaging/Bmp.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <cstring>
#include <new>
#include <stdexcept>

namespace vellumo {

namespace {

std::atomic<std::uint64_t> g_nextCacheKey{1};

inline int Median3(int a, int b, int c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

inline bool IsDark(RGBAPixel p) {
    return PixelRed(p) < 128 && PixelGreen(p) < 128 && PixelBlue(p) < 128;
}

constexpr RGBAPixel kOpaqueWhite = 0xFFFFFFFFu;
constexpr RGBAPixel kOpaqueBlack = 0xFF000000u;

}  // namespace

std::size_t CBmp::UnpaddedBytesPerLine(int width, int bpp) {
    std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp) / 8;
    if (bpp == 1 && width % 8 != 0) bytes += 1;
    return bytes;
}

void CBmp::Create(int width, int height, int bpp, bool hasAlpha, bool zeroFill) {
    if (width < 0 || height < 0) throw std::invalid_argument("bitmap size is negative");
    if (bpp != 1 && bpp != 8 && bpp != 32) throw std::invalid_argument("bitmap depth must be 1, 8 or 32");
    FreeStorage();
    width_ = 0;
    height_ = 0;
    palette_ = nullptr;
    pixels_ = nullptr;
    lines_.clear();
    zeroFill_ = zeroFill;
    alphaShown_ = false;
    AllocStorage(width, height, bpp, hasAlpha);
    zeroFill_ = true;
    MarkChanged();
}

void CBmp::SetDefaultPalette() {
    if (!palette_) return;
    const int n = 1 << bpp_;
    const int step = 255 / (n - 1);
    for (int i = 0; i < n; ++i) palette_[i] = MakePixel(step * i, step * i, step * i, 255);
}

void CBmp::MarkChanged() { cacheKey_ = g_nextCacheKey.fetch_add(1, std::memory_order_relaxed); }

std::uint8_t* const* CBmp::GetLineArray() {
    MarkChanged();
    return lines_.data();
}

RGBAPixel* CBmp::GetPalette() {
    MarkChanged();
    return palette_;
}

void CBmp::SetPalette(const RGBAPixel* entries) {
    if (!palette_ || !entries) return;
    std::memcpy(palette_, entries, sizeof(RGBAPixel) * (std::size_t{1} << bpp_));
    MarkChanged();
}

RGBAPixel CBmp::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const std::uint8_t* row = lines_[y];
    switch (bpp_) {
        case 32: {
            RGBAPixel v;
            std::memcpy(&v, row + std::size_t(x) * 4, 4);
            return v;
        }
        case 8:
            return row[x];
        default:
            return (row[x / 8] >> (7 - x % 8)) & 1u;
    }
}

void CBmp::SetPixel(int x, int y, RGBAPixel value) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* row = lines_[y];
    switch (bpp_) {
        case 32:
            std::memcpy(row + std::size_t(x) * 4, &value, 4);
            break;
        case 8:
            row[x] = static_cast<std::uint8_t>(value);
            break;
        default: {
            const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (x % 8));
            if (value & 1u)
                row[x / 8] |= mask;
            else
                row[x / 8] &= static_cast<std::uint8_t>(~mask);
        }
    }
    MarkChanged();
}

RGBAPixel CBmp::FindNearestColor(RGBAPixel colour) const {
    if (bpp_ == 32) return colour;
    const int r = PixelRed(colour), g = PixelGreen(colour), b = PixelBlue(colour);
    if (!palette_) return (r + g + b > 765 - (r + g + b)) ? 1 : 0;
    int best = 1000;
    RGBAPixel bestIndex = 0;
    const int n = 1 << bpp_;
    for (int i = 0; i < n; ++i) {
        const RGBAPixel e = palette_[i];
        const int d = std::abs(PixelRed(e) - r) + std::abs(PixelGreen(e) - g) + std::abs(PixelBlue(e) - b);
        if (d < best) {
            best = d;
            bestIndex = static_cast<RGBAPixel>(i);
        }
    }
    return bestIndex;
}

void CBmp::CopyFrom(const CBmp& source, int bpp) {
    if (&source == this) return;
    const int w = source.width_, h = source.height_, sbpp = source.bpp_;
    if (bpp == 0 || bpp == sbpp) {
        Create(w, h, sbpp, source.hasAlpha_);
        alphaShown_ = source.alphaShown_;
        const std::size_t bytes = std::min(GetBytesPerLine(), source.GetBytesPerLine());
        for (int y = 0; y < h; ++y) std::memcpy(lines_[y], source.lines_[y], bytes);
        if (palette_ && source.palette_) std::memcpy(palette_, source.palette_, sizeof(RGBAPixel) << sbpp);
        return;
    }
    Create(w, h, bpp, source.hasAlpha_ && bpp != 1);
    const RGBAPixel* spal = source.palette_;
    if (bpp == 32) {
        RGBAPixel lut[256];
        if (sbpp == 1) {
            lut[0] = spal ? spal[0] : kOpaqueWhite;
            lut[1] = spal ? spal[1] : kOpaqueBlack;
        } else {
            for (int i = 0; i < 256; ++i) lut[i] = spal ? spal[i] : MakePixel(i, i, i, 255);
        }
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* s = source.lines_[y];
            std::uint8_t* d = lines_[y];
            for (int x = 0; x < w; ++x) {
                const int idx = (sbpp == 8) ? s[x] : ((s[x / 8] >> (7 - x % 8)) & 1);
                std::memcpy(d + std::size_t(x) * 4, &lut[idx], 4);
            }
        }
    } else if (bpp == 8) {
        if (sbpp == 1) {
            palette_[0] = spal ? spal[0] : kOpaqueWhite;
            palette_[1] = spal ? spal[1] : kOpaqueBlack;
            for (int y = 0; y < h; ++y) {
                const std::uint8_t* s = source.lines_[y];
                std::uint8_t* d = lines_[y];
                for (int x = 0; x < w; ++x) d[x] = (s[x / 8] >> (7 - x % 8)) & 1;
            }
        } else {
            // 32 to 8 bits: the nearest gray of the ramp (the median of the
            // three channels is the entry with the least summed difference).
            for (int y = 0; y < h; ++y) {
                const std::uint8_t* s = source.lines_[y];
                std::uint8_t* d = lines_[y];
                for (int x = 0; x < w; ++x)
                    d[x] = static_cast<std::uint8_t>(Median3(s[4 * x], s[4 * x + 1], s[4 * x + 2]));
            }
        }
    } else {  // to 1 bit
        palette_[0] = kOpaqueWhite;
        palette_[1] = kOpaqueBlack;
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* s = source.lines_[y];
            std::uint8_t* d = lines_[y];
            std::memset(d, 0, UnpaddedBytesPerLine(w, 1));
            for (int x = 0; x < w; ++x) {
                RGBAPixel p;
                if (sbpp == 8)
                    p = spal ? spal[s[x]] : MakePixel(s[x], s[x], s[x], 255);
                else
                    std::memcpy(&p, s + std::size_t(x) * 4, 4);
                if (IsDark(p)) d[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
            }
        }
    }
    MarkChanged();
}

ImageView CBmp::GetImageView() const {
    ImageView v;
    v.width = width_;
    v.height = height_;
    v.bitsPerPixel = bpp_;
    v.palette = palette_;
    v.paletteSize = GetPaletteSize();
    v.cacheKey = cacheKey_;
    if (!lines_.empty()) {
        v.bits = lines_[0];
        v.stride = lines_.size() > 1 ? (lines_[1] - lines_[0]) : static_cast<std::ptrdiff_t>(GetBytesPerLine());
    }
    return v;
}

}  // namespace vellumo
