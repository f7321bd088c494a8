// picdump: decodes a picture as the viewer does and reports what came out.
//
//   picdump [--preview WxH] [--srgb | --to-profile ICC] [--rotate RADIANS] [--resize WxH] FILE [OUT.pam]
//
// --preview WxH decodes as the viewer does for a photo shown fitted on a
// WxH screen: a first picture (a progressive file's first scans, or a
// baseline file scaled down to at least WxH) comes before the full decode;
// its size and the time it took are printed first.
// The pixels are those of the file; --srgb converts them from the file's
// colour profile to sRGB as the viewer does for an sRGB screen, --to-profile
// to the ICC profile in the file given, as for a screen of that profile.
// Prints "WIDTHxHEIGHT BPP bpp" (of the bitmap after the filters, which run
// in the order given), then "colour profile: N bytes" when the file has one,
// then the embedded text. On failure prints the error
// code and text and exits with status 1. OUT.pam receives the pixels as a
// PAM file (RGB_ALPHA, 8 bits per sample).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imaging/AnyBmp.h"
#include "imaging/AnyPicDecoder.h"
#include "imaging/ResizeFilter.h"
#include "imaging/RotateFilter.h"
#include "imaging/WinBmp.h"

using namespace vellumo;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: picdump [--preview WxH] [--srgb | --to-profile ICC] [--rotate RADIANS] [--resize WxH] FILE "
                 "[OUT.pam]\n");
    return 2;
}

// Asks for a first picture of a photo larger than the screen, as the viewer
// does for one it shows fitted, and reports it.
class PreviewReport : public PreviewSink {
public:
    PreviewReport(int width, int height) : screen_{width, height} {}
    Size PreviewSizeFor(int width, int height, bool) override {
        if (width <= screen_.cx && height <= screen_.cy) return {};
        const double ratio = std::max(double(width) / screen_.cx, double(height) / screen_.cy);
        return {static_cast<int>(width / ratio), static_cast<int>(height / ratio)};
    }
    void ShowPreview(const CBmp& coarse) override {
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
        std::printf("preview %dx%d after %.0f ms\n", coarse.GetWidth(), coarse.GetHeight(), ms);
    }

private:
    Size screen_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

bool WritePam(const CBmp& bmp, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const int w = bmp.GetWidth(), h = bmp.GetHeight();
    std::fprintf(f, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", w, h);
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * 4);
    const RGBAPixel* palette = bmp.GetPalette();
    const std::uint8_t* const* lines = bmp.GetLineArray();
    for (int y = 0; y < h; ++y) {
        if (bmp.GetBitsPerPixel() == 32) {
            // Straight from the row: blue, green, red, alpha bytes.
            const std::uint8_t* in = lines[y];
            for (int x = 0; x < w; ++x, in += 4) {
                row[4 * x] = in[2];
                row[4 * x + 1] = in[1];
                row[4 * x + 2] = in[0];
                row[4 * x + 3] = bmp.HasAlpha() ? in[3] : 255;
            }
            std::fwrite(row.data(), 1, row.size(), f);
            continue;
        }
        for (int x = 0; x < w; ++x) {
            RGBAPixel p = bmp.GetPixel(x, y);
            if (bmp.GetBitsPerPixel() <= 8) p = palette ? palette[p] : MakePixel(p * 255, p * 255, p * 255, 255);
            row[4 * x] = static_cast<unsigned char>(PixelRed(p));
            row[4 * x + 1] = static_cast<unsigned char>(PixelGreen(p));
            row[4 * x + 2] = static_cast<unsigned char>(PixelBlue(p));
            row[4 * x + 3] = static_cast<unsigned char>(bmp.HasAlpha() ? PixelAlpha(p) : 255);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    struct Step {
        bool rotate;
        double angle;
        int width, height;
    };
    std::vector<Step> steps;
    std::vector<std::string> paths;
    int previewWidth = 0, previewHeight = 0;
    ColourProfilePtr target;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--preview" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &previewWidth, &previewHeight) != 2 || previewWidth <= 0 ||
                previewHeight <= 0)
                return Usage();
        } else if (a == "--srgb") {
            target = SrgbProfile();
        } else if (a == "--to-profile" && i + 1 < argc) {
            std::ifstream in(argv[++i], std::ios::binary);
            std::vector<std::uint8_t> icc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in || icc.empty()) {
                std::fprintf(stderr, "picdump: cannot read %s\n", argv[i]);
                return 2;
            }
            target = std::make_shared<const ColourProfile>(std::move(icc));
        } else if (a == "--rotate" && i + 1 < argc) {
            steps.push_back({true, std::strtod(argv[++i], nullptr), 0, 0});
        } else if (a == "--resize" && i + 1 < argc) {
            int w = 0, h = 0;
            if (std::sscanf(argv[++i], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) return Usage();
            steps.push_back({false, 0, w, h});
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            return Usage();
        } else {
            paths.push_back(a);
        }
    }
    if (paths.empty() || paths.size() > 2) return Usage();

    CDrawDibBmp bmp;
    CAnyPicDecoder decoder;
    PreviewReport preview(previewWidth, previewHeight);
    if (previewWidth > 0) decoder.SetPreviewSink(&preview);
    decoder.SetColourTarget(target);
    try {
        decoder.DecodeFile(paths[0], bmp);
    } catch (const CTextException& e) {
        std::printf("error %d: %s", e.GetCode(), e.GetErrorText().c_str());
        return 1;
    } catch (const std::bad_alloc&) {
        std::printf("error: out of memory\n");
        return 1;
    }
    for (const Step& s : steps) {
        CAnyBmp result;
        if (s.rotate)
            RotateFilter(s.angle, 0).Apply(bmp, result);
        else
            ResizeFilter(s.width, s.height).Apply(bmp, result);
        bmp.CopyFrom(result);
    }
    std::printf("%dx%d %d bpp\n", bmp.GetWidth(), bmp.GetHeight(), bmp.GetBitsPerPixel());
    if (decoder.GetColourProfile())
        std::printf("colour profile: %zu bytes\n", decoder.GetColourProfile()->Icc().size());
    if (!decoder.GetText().empty()) std::printf("%s\n", decoder.GetText().c_str());
    if (paths.size() == 2 && !WritePam(bmp, paths[1])) {
        std::fprintf(stderr, "picdump: cannot write %s\n", paths[1].c_str());
        return 1;
    }
    return 0;
}
