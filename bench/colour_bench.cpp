// A photo with a colour profile against the same photo without one: the
// decode as the viewer does it for an sRGB screen (the pixels converted from
// the profile), baseline and progressive, 5120 x 2880 (14.7 megapixels).
// Prints the medians of the wall-clock time and of the processor time of
// the process (both cores; the steadier figure on a busy machine) and their
// ratios; never fails on time.
//
//   build/bench_colour [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "imaging/AnyPicDecoder.h"
#include "imaging/ColourProfile.h"
#include "imaging/DataSource.h"
#include "imaging/ProfileBuilder.h"
#include "imaging/WinBmp.h"
#include "jpeg-writer/JpegWriter.h"

using namespace vellumo;

namespace {

constexpr int kWidth = 5120, kHeight = 2880;

// Smooth shapes with a grain, so the entropy decoding has photo-like work.
std::uint8_t Sample(int x, int y, int c) {
    const double wave = std::sin(x / (180.0 + 40 * c)) * std::cos(y / (150.0 + 30 * c));
    const unsigned grain = (static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u) >> 27;
    return static_cast<std::uint8_t>(std::clamp(128.0 + 100.0 * wave + grain - 16, 0.0, 255.0));
}

jpegwriter::Bytes Photo(bool progressive, const std::vector<std::uint8_t>& icc) {
    jpegwriter::JpegSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.quality = 90;
    spec.progressive = progressive;
    spec.iccProfile = icc;
    spec.sample = Sample;
    return jpegwriter::EncodeJpeg(spec);
}

double ProcessorMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Times {
    double wall = 0, processor = 0;
};

Times Decode(CAnyPicDecoder& decoder, const jpegwriter::Bytes& file) {
    CDrawDibBmp bmp;
    CMemorySource source;
    source.OpenBytes("photo", file.data(), file.size());
    const double cpu = ProcessorMs();
    const auto start = std::chrono::steady_clock::now();
    decoder.DecodeSource(source, bmp, 0);
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            ProcessorMs() - cpu};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::vector<std::uint8_t> p3 = ProfileOfNclx(12, 13);
    CAnyPicDecoder decoder;
    decoder.SetColourTarget(SrgbProfile());
    std::printf("%d x %d (%.1f MP), Display P3 profile of %zu bytes, %d rounds, medians\n", kWidth, kHeight,
                kWidth * double(kHeight) / 1e6, p3.size(), rounds);
    for (bool progressive : {false, true}) {
        const jpegwriter::Bytes plain = Photo(progressive, {});
        const jpegwriter::Bytes tagged = Photo(progressive, p3);
        std::vector<double> without, with, withoutCpu, withCpu;
        Decode(decoder, tagged);  // the conversion made once, as for the first photo of a profile
        for (int i = 0; i < rounds; ++i) {
            const Times a = Decode(decoder, plain), b = Decode(decoder, tagged);
            without.push_back(a.wall);
            withoutCpu.push_back(a.processor);
            with.push_back(b.wall);
            withCpu.push_back(b.processor);
        }
        const double a = Median(without), b = Median(with), ac = Median(withoutCpu), bc = Median(withCpu);
        std::printf("%-11s  without profile %7.1f ms  with Display P3 %7.1f ms  ratio %.3f"
                    "  (processor %6.1f against %6.1f ms, %.3f)\n",
                    progressive ? "progressive" : "baseline", a, b, b / a, bc, ac, bc / ac);
    }
    // The conversion alone, on a bitmap of the same size.
    CDrawDibBmp bmp;
    bmp.Create(kWidth, kHeight, 32, false);
    std::uint8_t* const* lines = bmp.GetLineArray();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth * 4; ++x) lines[y][x] = Sample(x / 4, y, x % 4);
    const ColourProfile source(p3);
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ConvertColours(bmp, source, *SrgbProfile());
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("conversion alone (Display P3 to sRGB, %.1f MP): %.1f ms\n", kWidth * double(kHeight) / 1e6, Median(times));
    return 0;
}
