#include "imaging/ResizeFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/AnyBmp.h"

namespace vellumo {

namespace {

constexpr double kRadius = 1.0;

inline double Tent(double x) {
    x = std::fabs(x);
    return x < kRadius ? kRadius - x : 0.0;
}

inline std::uint8_t ToByte(double v) {
    // Truncation; weights are normalised, so v stays within 0..255 up to rounding.
    if (v <= 0.0) return 0;
    if (v >= 255.0) return 255;
    return static_cast<std::uint8_t>(v);
}

}  // namespace

Contributions ComputeContributions(int n, int m, double scale) {
    double radius = kRadius;
    double factor = 1.0;
    if (scale < 1.0) {
        radius = kRadius / scale;
        factor = scale;
    }
    Contributions result;
    result.windowSize = 2 * static_cast<int>(std::ceil(radius)) + 1;
    result.entries.resize(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i) {
        const double centre = i / scale;
        int first = std::max(0, static_cast<int>(std::floor(centre - radius)));
        int last = std::min(m - 1, static_cast<int>(std::ceil(centre + radius)));
        if (last - first + 1 > result.windowSize) {
            if (first < m)
                ++first;
            else
                --last;
        }
        Contribution& c = result.entries[i];
        c.first = first;
        c.last = last;
        c.weights.assign(static_cast<std::size_t>(std::max(0, last - first + 1)), 0.0);
        double sum = 0.0;
        for (int k = first; k <= last; ++k) {
            const double w = factor * Tent((centre - k) * factor);
            c.weights[k - first] = w;
            sum += w;
        }
        if (sum > 0.0)
            for (double& w : c.weights) w /= sum;
    }
    return result;
}

void ResizeFilter::Apply(const CBmp& source, CBmp& destination) const {
    if (source.GetBitsPerPixel() != 32) {
        CAnyBmp expanded;
        expanded.CopyFrom(source, 32);
        Apply(expanded, destination);
        return;
    }
    const int sw = source.GetWidth();
    const int sh = source.GetHeight();
    const int nw = std::max(1, newWidth_);
    const int nh = std::max(1, newHeight_);
    const bool empty = sw <= 0 || sh <= 0;
    destination.Create(nw, nh, 32, source.HasAlpha(), empty);
    if (empty) return;

    const Contributions horizontal = ComputeContributions(nw, sw, static_cast<double>(nw) / sw);
    const Contributions vertical = ComputeContributions(nh, sh, static_cast<double>(nh) / sh);

    // Rows first: nw x sh four-byte pixels.
    std::vector<std::uint8_t> middle(static_cast<std::size_t>(nw) * sh * 4);
    const std::uint8_t* const* in = source.GetLineArray();
    std::vector<double> row(static_cast<std::size_t>(sw) * 4);
    for (int y = 0; y < sh; ++y) {
        const std::uint8_t* bytes = in[y];
        for (std::size_t k = 0; k < row.size(); ++k) row[k] = bytes[k];
        std::uint8_t* out = middle.data() + static_cast<std::size_t>(y) * nw * 4;
        for (int i = 0; i < nw; ++i) {
            const Contribution& c = horizontal.entries[i];
            double b = 0, g = 0, r = 0, a = 0;
            const double* p = row.data() + static_cast<std::size_t>(c.first) * 4;
            const double* w = c.weights.data();
            for (int k = 0, count = c.last - c.first + 1; k < count; ++k, p += 4) {
                b += w[k] * p[0];
                g += w[k] * p[1];
                r += w[k] * p[2];
                a += w[k] * p[3];
            }
            out[4 * i] = ToByte(b);
            out[4 * i + 1] = ToByte(g);
            out[4 * i + 2] = ToByte(r);
            out[4 * i + 3] = ToByte(a);
        }
    }

    // Then columns, a whole destination row at a time.
    std::uint8_t* const* lines = destination.GetLineArray();
    std::vector<double> sums(static_cast<std::size_t>(nw) * 4);
    const std::size_t middleStride = static_cast<std::size_t>(nw) * 4;
    for (int j = 0; j < nh; ++j) {
        const Contribution& c = vertical.entries[j];
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int k = c.first; k <= c.last; ++k) {
            const double w = c.weights[k - c.first];
            const std::uint8_t* p = middle.data() + static_cast<std::size_t>(k) * middleStride;
            for (std::size_t x = 0; x < middleStride; ++x) sums[x] += w * p[x];
        }
        std::uint8_t* out = lines[j];
        for (std::size_t x = 0; x < middleStride; ++x) out[x] = ToByte(sums[x]);
    }
}

}  // namespace vellumo
