#include "imaging/RotateFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vellumo {

namespace {

constexpr double kSnap = 1e-12;

double Snap(double v) {
    if (std::fabs(v) < kSnap) return 0.0;
    if (std::fabs(v - 1.0) < kSnap) return 1.0;
    if (std::fabs(v + 1.0) < kSnap) return -1.0;
    return v;
}

struct Frame {
    int minX, minY, width, height;
};

Frame RotatedFrame(int w, int h, double cs, double sn) {
    const int xs[4] = {0, w - 1, 0, w - 1};
    const int ys[4] = {0, 0, h - 1, h - 1};
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int k = 0; k < 4; ++k) {
        const int x = static_cast<int>(std::trunc(xs[k] * cs - ys[k] * sn));
        const int y = static_cast<int>(std::trunc(xs[k] * sn + ys[k] * cs));
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    return {minX, minY, maxX - minX + 1, maxY - minY + 1};
}

RGBAPixel FillValue(const CBmp& source, ColorRef colour) {
    return source.FindNearestColor(MakePixel(RedOf(colour), GreenOf(colour), BlueOf(colour), 0));
}

// Destination (c, i) takes source (sx, sy) = (ax*c + bx*i + cx, ay*c + by*i + cy);
// quarter turns only, so every destination pixel has a source pixel.
template <typename T>
void QuarterTurn(const CBmp& source, CBmp& destination, int ax, int bx, int cx, int ay, int by, int cy) {
    const std::uint8_t* const* in = source.GetLineArray();
    std::uint8_t* const* out = destination.GetLineArray();
    const int dw = destination.GetWidth();
    const int dh = destination.GetHeight();
    const std::ptrdiff_t stride = source.GetHeight() > 1 ? in[1] - in[0] : 0;
    constexpr int kBlock = 64;
    for (int i0 = 0; i0 < dh; i0 += kBlock) {
        const int i1 = std::min(dh, i0 + kBlock);
        for (int c0 = 0; c0 < dw; c0 += kBlock) {
            const int c1 = std::min(dw, c0 + kBlock);
            for (int i = i0; i < i1; ++i) {
                T* row = reinterpret_cast<T*>(out[i]);
                if (ay == 0) {
                    // The source row is fixed along a destination row.
                    const T* srcRow = reinterpret_cast<const T*>(in[by * i + cy]);
                    for (int c = c0; c < c1; ++c) row[c] = srcRow[ax * c + bx * i + cx];
                } else {
                    // Down a source column: the line pointers step by a fixed stride.
                    const std::ptrdiff_t step = ay * stride;
                    const std::uint8_t* p = in[ay * c0 + cy] + static_cast<std::ptrdiff_t>(bx * i + cx) * sizeof(T);
                    for (int c = c0; c < c1; ++c, p += step) row[c] = *reinterpret_cast<const T*>(p);
                }
            }
        }
    }
}

}  // namespace

void RotateFilter::SineCosine(double angle, double& cs, double& sn) {
    const double phi = -angle;
    cs = Snap(std::cos(phi));
    sn = Snap(std::sin(phi));
}

void RotateFilter::ApplyGeneral(const CBmp& source, CBmp& destination) const {
    double cs, sn;
    SineCosine(angle_, cs, sn);
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    const Frame f = RotatedFrame(w, h, cs, sn);
    destination.Create(f.width, f.height, source.GetBitsPerPixel(), source.HasAlpha());
    const RGBAPixel fill = FillValue(source, fill_);
    const int bpp = source.GetBitsPerPixel();
    const std::uint8_t* const* in = source.GetLineArray();
    std::uint8_t* const* out = destination.GetLineArray();
    for (int i = 0; i < f.height; ++i) {
        const double yp = f.minY + i;
        std::uint8_t* row = out[i];
        for (int c = 0; c < f.width; ++c) {
            const double xp = f.minX + c;
            const double fx = std::trunc(cs * xp + sn * yp);
            const double fy = std::trunc(cs * yp - sn * xp);
            RGBAPixel v = fill;
            if (fx >= 0 && fy >= 0 && fx < w && fy < h) {
                const int sx = static_cast<int>(fx), sy = static_cast<int>(fy);
                if (bpp == 32)
                    std::memcpy(&v, in[sy] + std::size_t(sx) * 4, 4);
                else if (bpp == 8)
                    v = in[sy][sx];
                else
                    v = (in[sy][sx / 8] >> (7 - sx % 8)) & 1u;
            }
            if (bpp == 32) {
                std::memcpy(row + std::size_t(c) * 4, &v, 4);
            } else if (bpp == 8) {
                row[c] = static_cast<std::uint8_t>(v);
            } else {
                const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (c % 8));
                if (v & 1u)
                    row[c / 8] |= mask;
                else
                    row[c / 8] &= static_cast<std::uint8_t>(~mask);
            }
        }
    }
    if (bpp < 16 && source.GetPalette()) destination.SetPalette(source.GetPalette());
}

void RotateFilter::Apply(const CBmp& source, CBmp& destination) const {
    double cs, sn;
    SineCosine(angle_, cs, sn);
    const int bpp = source.GetBitsPerPixel();
    const bool quarter = (cs == 0.0 || sn == 0.0) && bpp != 1 && source.GetWidth() > 0 && source.GetHeight() > 0;
    if (!quarter) {
        ApplyGeneral(source, destination);
        return;
    }
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    const Frame f = RotatedFrame(w, h, cs, sn);
    destination.Create(f.width, f.height, bpp, source.HasAlpha(), false);
    // With cs and sn in {0, 1, -1}: sx = cs*x' + sn*y', sy = cs*y' - sn*x',
    // x' = minX + c, y' = minY + i.
    const int ics = static_cast<int>(cs), isn = static_cast<int>(sn);
    const int ax = ics, bx = isn, cx = ics * f.minX + isn * f.minY;
    const int ay = -isn, by = ics, cy = ics * f.minY - isn * f.minX;
    if (bpp == 32)
        QuarterTurn<std::uint32_t>(source, destination, ax, bx, cx, ay, by, cy);
    else
        QuarterTurn<std::uint8_t>(source, destination, ax, bx, cx, ay, by, cy);
    if (source.GetPalette()) destination.SetPalette(source.GetPalette());
}

}  // namespace vellumo
