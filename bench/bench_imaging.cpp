// Imaging benchmarks: prints figures, checks nothing.
//   JPEG decode of a generated 24-megapixel photo beside djpeg -dct float -nosmooth
//   BMP, TGA and PCX decode speed (24-bit pictures), in MB/s of 32-bit output
//   quarter turn and thumbnail resize of a 6000 x 4000 32-bit bitmap
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "imaging/AnyBmp.h"
#include "imaging/AnyPicDecoder.h"
#include "imaging/ResizeFilter.h"
#include "imaging/RotateFilter.h"
#include "imaging/WinBmp.h"
#include "jpeg-writer/JpegWriter.h"

using namespace vellumo;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kW = 6000, kH = 4000;

// Best of n runs, in milliseconds.
double BestMs(int n, const std::function<void()>& f) {
    double best = 1e30;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return best;
}

// Smooth shapes with some grain, so the JPEG is as large as a photo's.
std::uint8_t PhotoSample(int x, int y, int c, std::uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    const double v = 128 + 60 * std::sin(x * 0.004 + c) * std::cos(y * 0.006 - c) + 30 * std::sin((x + y) * 0.05);
    return static_cast<std::uint8_t>(std::clamp(v + static_cast<int>(seed >> 28) - 8, 0.0, 255.0));
}

void WriteJpeg(const std::string& path) {
    jpegwriter::JpegSpec spec;
    spec.width = kW;
    spec.height = kH;
    spec.quality = 90;
    std::uint32_t seed = 1;
    spec.sample = [&seed](int x, int y, int c) { return PhotoSample(x, y, c, seed); };
    jpegwriter::WriteJpegFile(path, spec);
}

void Put16(std::vector<std::uint8_t>& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, static_cast<int>(v & 0xFFFF));
    Put16(b, static_cast<int>(v >> 16));
}

std::vector<std::uint8_t> MakeBmp() {
    std::vector<std::uint8_t> b = {'B', 'M'};
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, kW);
    Put32(b, kH);
    Put16(b, 1);
    Put16(b, 24);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    std::uint32_t seed = 2;
    for (std::size_t i = 0; i < std::size_t(kW) * kH * 3; ++i) b.push_back(PhotoSample(int(i % 7919), int(i / 7919 % 4000), 0, seed));
    return b;
}

std::vector<std::uint8_t> MakeTga() {
    std::vector<std::uint8_t> b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(b, kW);
    Put16(b, kH);
    b.push_back(24);
    b.push_back(0x20);
    std::uint32_t seed = 3;
    for (std::size_t i = 0; i < std::size_t(kW) * kH * 3; ++i) b.push_back(PhotoSample(int(i % 7919), int(i / 7919 % 4000), 1, seed));
    return b;
}

std::vector<std::uint8_t> MakePcx() {
    std::vector<std::uint8_t> b(128, 0);
    b[0] = 10;
    b[1] = 5;
    b[2] = 1;
    b[3] = 8;
    b[8] = (kW - 1) & 0xFF;
    b[9] = (kW - 1) >> 8;
    b[10] = (kH - 1) & 0xFF;
    b[11] = (kH - 1) >> 8;
    b[65] = 3;
    b[66] = kW & 0xFF;
    b[67] = kW >> 8;
    std::uint32_t seed = 4;
    for (int y = 0; y < kH; ++y)
        for (int p = 0; p < 3; ++p)
            for (int x = 0; x < kW; ++x) {
                const std::uint8_t v = PhotoSample(x, y, p, seed) & 0xBF;  // literal bytes, as in a photo
                b.push_back(v);
            }
    return b;
}

void BenchDecode(const char* name, const std::vector<std::uint8_t>& data) {
    CDrawDibBmp bmp;
    CAnyPicDecoder decoder;
    const double ms = BestMs(3, [&] {
        CMemorySource source;
        source.OpenBytes(name, data.data(), data.size());
        decoder.DecodeSource(source, bmp, 0);
    });
    const double mb = double(kW) * kH * 4 / 1e6;
    std::printf("%-4s 24-bit %dx%d decode: %7.1f ms  %7.0f MB/s of output pixels (target >= 500)\n", name, kW, kH, ms,
                mb / (ms / 1000));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string jpegPath = argc > 1 ? argv[1] : "/tmp/vellumo-bench-24mp.jpg";
    std::printf("Generating %dx%d JPEG at %s ...\n", kW, kH, jpegPath.c_str());
    WriteJpeg(jpegPath);

    const std::string djpeg = "djpeg -dct float -nosmooth -outfile /dev/null " + jpegPath;
    double djpegMs = BestMs(3, [&] {
        if (std::system(djpeg.c_str()) != 0) std::printf("djpeg failed\n");
    });
    CDrawDibBmp bmp;
    CAnyPicDecoder decoder;
    const double ourMs = BestMs(3, [&] { decoder.DecodeFile(jpegPath, bmp); });
    std::printf("JPEG 24 MP decode: djpeg %.1f ms, ours %.1f ms, ratio %.3f (target <= 1.05)\n", djpegMs, ourMs,
                ourMs / djpegMs);
    std::remove(jpegPath.c_str());

    BenchDecode("BMP", MakeBmp());
    BenchDecode("TGA", MakeTga());
    BenchDecode("PCX", MakePcx());

    CAnyBmp big;
    big.Create(kW, kH, 32, false);
    {
        std::uint8_t* const* lines = big.GetLineArray();
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW * 4; ++x) lines[y][x] = static_cast<std::uint8_t>(x * 3 + y);
    }
    CAnyBmp turned;
    const double rotMs = BestMs(3, [&] { RotateFilter(std::numbers::pi / 2, 0).Apply(big, turned); });
    std::printf("Quarter turn of %dx%d 32-bit: %.1f ms (target <= 60)\n", kW, kH, rotMs);
    CDrawDibBmp turnedDib;
    const double rotDibMs = BestMs(3, [&] { RotateFilter(-std::numbers::pi / 2, 0).Apply(bmp, turnedDib); });
    std::printf("Quarter turn of the decoded photo into a DIB bitmap: %.1f ms\n", rotDibMs);
    CAnyBmp thumb;
    const double resizeMs = BestMs(3, [&] { ResizeFilter(128, 85).Apply(big, thumb); });
    std::printf("Resize %dx%d 32-bit to 128x85: %.1f ms (target <= 150)\n", kW, kH, resizeMs);
    return 0;
}
