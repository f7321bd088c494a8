// HEIC and AVIF pictures converted from the codec's own planes: each chroma
// kind, matrix and alpha as libheif's RGB conversion gives them, the
// rows split between two threads as on one, and a stop honoured.
#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "TestUtil.h"
#include "../../tools/photo-writers/TodayWriters.h"
#include "imaging/HeifHandles.h"
#include "imaging/HeifNativeForm.h"
#include "imaging/HeifPlanes.h"

namespace vellumo::test {
namespace {

// Rows of width * 4 bytes in one block.
struct Rows {
    int width, height;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t*> lines;
    Rows(int w, int h) : width(w), height(h), bytes(static_cast<std::size_t>(w) * h * 4, 0x5A) {
        for (int y = 0; y < h; ++y) lines.push_back(bytes.data() + static_cast<std::size_t>(y) * w * 4);
    }
};


struct Kind {
    const char* name;
    bool avif;
    const char* chroma;  // the encoder's setting, null for luma only
    heif_chroma stored;
    bool alpha;
    int matrix;  // -1: none declared (libheif writes none for HEVC)
};

TEST(HeifConversion, EveryChromaKindMatrixAndAlphaAsLibheifConvertsThem) {
    const Kind kinds[] = {
        {"HEIC 4:2:0", false, "420", heif_chroma_420, false, -1},
        {"HEIC 4:2:2 alpha", false, "422", heif_chroma_422, true, -1},
        {"HEIC 4:4:4", false, "444", heif_chroma_444, false, -1},
        {"HEIC luma only", false, nullptr, heif_chroma_monochrome, false, -1},
        {"AVIF 4:2:0 alpha", true, "420", heif_chroma_420, true, -1},
        {"AVIF 4:2:0 BT.709", true, "420", heif_chroma_420, false, 1},
        {"AVIF 4:2:2 BT.601 alpha", true, "422", heif_chroma_422, true, 6},
        {"AVIF 4:4:4 BT.2020", true, "444", heif_chroma_444, false, 9},
        {"AVIF luma only", true, nullptr, heif_chroma_monochrome, false, 6},
    };
    // Odd sides: the last chroma column and row cover one pixel.
    const writers::Rgba picture = writers::TestPicture(37, 29, true);
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        writers::HeifSpec spec;
        spec.avif = k.avif;
        spec.alpha = k.alpha;
        spec.chroma = k.chroma;
        spec.monochrome = !k.chroma;
        spec.matrix = k.matrix;
        spec.quality = 70;
        const Bytes file = writers::WriteHeif(picture, spec);
        ASSERT_FALSE(file.empty());


        HeifContextPtr context(heif_context_alloc());
        ASSERT_EQ(heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr).code,
                  heif_error_Ok);
        heif_image_handle* raw = nullptr;
        ASSERT_EQ(heif_context_get_primary_image_handle(context.get(), &raw).code, heif_error_Ok);
        HeifHandlePtr handle(raw);
        heif_item_id id = 0;
        ASSERT_EQ(heif_context_get_primary_image_ID(context.get(), &id).code, heif_error_Ok);
        const auto form = NativeFormOf(file.data(), file.size(), id);
        ASSERT_TRUE(form);
        EXPECT_EQ(form->chroma, k.stored);
        heif_image* native = nullptr;
        heif_image* library = nullptr;
        ASSERT_EQ(heif_decode_image(handle.get(), &native, form->space, form->chroma, nullptr).code, heif_error_Ok);
        HeifImagePtr nativeImage(native);
        ASSERT_EQ(heif_decode_image(handle.get(), &library, heif_colorspace_RGB,
                                    k.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr)
                      .code,
                  heif_error_Ok);
        HeifImagePtr libraryImage(library);

        const auto planes = PlanesOf(native, k.alpha);
        const auto matrix = MatrixOf(handle.get(), native);
        ASSERT_TRUE(planes && matrix);
        Rows ours(planes->width, planes->height);
        ASSERT_TRUE(ConvertToBgra(*planes, *matrix, ours.lines.data(), nullptr, 0));

        int stride = 0;
        const std::uint8_t* theirs = heif_image_get_plane_readonly(library, heif_channel_interleaved, &stride);
        const int channels = k.alpha ? 4 : 3;
        int worst = 0, beyondRounding = 0;
        for (int y = 0; y < ours.height; ++y)
            for (int x = 0; x < ours.width; ++x) {
                const std::uint8_t* t = theirs + static_cast<std::size_t>(y) * stride + x * channels;
                const std::uint8_t* o = ours.lines[static_cast<std::size_t>(y)] + x * 4;
                int d = 0;
                for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(o[2 - c] - t[c]));
                worst = std::max(worst, d);
                beyondRounding += d > 1;
                ASSERT_EQ(o[3], k.alpha ? t[3] : 255) << x << "," << y;
            }
        // libheif's own 4:2:0 conversion departs from its nearest sample at a
        // few pixels of strong colour edges (0.03 % of a 12 MP photo, none
        // by more than 8 levels): the rest is within a level.
        EXPECT_LE(worst, 8);
        EXPECT_LE(beyondRounding * 50, ours.width * ours.height);

        // The decoder gives those pixels.
        CDrawDibBmp bmp;
        ASSERT_TRUE(DecodeBytes(file, bmp).ok);
        ASSERT_EQ(bmp.GetSize(), (Size{ours.width, ours.height}));
        EXPECT_EQ(bmp.AlphaShown(), k.alpha);
        for (int y = 0; y < ours.height; ++y)
            ASSERT_TRUE(std::equal(ours.lines[static_cast<std::size_t>(y)],
                                   ours.lines[static_cast<std::size_t>(y)] + ours.width * 4, bmp.GetLineArray()[y]))
                << "row " << y;
    }
}

// 4:2:2 planes of random samples with alpha, the picture's size odd.
struct Planes422 {
    int w = 301, h = 203;
    std::vector<std::uint8_t> y, cb, cr, a;
    YcbcrPlanes planes;
    Planes422() {
        std::mt19937 random(7);
        auto fill = [&](std::vector<std::uint8_t>& v, std::size_t n) {
            v.resize(n);
            for (auto& s : v) s = static_cast<std::uint8_t>(random());
        };
        const int cw = (w + 1) / 2;
        fill(y, static_cast<std::size_t>(w) * h);
        fill(cb, static_cast<std::size_t>(cw) * h);
        fill(cr, static_cast<std::size_t>(cw) * h);
        fill(a, static_cast<std::size_t>(w) * h);
        planes = {w, h, y.data(), w, cb.data(), cr.data(), cw, cw, 1, 0, a.data(), w, false};
    }
};

TEST(HeifConversion, TwoThreadsGiveTheRowsOfOneAndAStopEndsTheWork) {
    Planes422 p;
    const YcbcrMatrix matrix = *MatrixForCode(1, false);
    Rows one(p.w, p.h), two(p.w, p.h);
    ASSERT_TRUE(ConvertToBgra(p.planes, matrix, one.lines.data(), nullptr, std::int64_t{1} << 40));
    ASSERT_TRUE(ConvertToBgra(p.planes, matrix, two.lines.data(), nullptr, 0));
    EXPECT_EQ(one.bytes, two.bytes);
    // Against the formula, limited range stretched: within a level.
    for (int y = 0; y < p.h; y += 17)
        for (int x = 0; x < p.w; ++x) {
            const std::size_t c = static_cast<std::size_t>(y) * ((p.w + 1) / 2) + x / 2;
            const double l = (p.y[static_cast<std::size_t>(y) * p.w + x] - 16) * 1.1689;
            const double cb = (p.cb[c] - 128) * 1.1429, cr = (p.cr[c] - 128) * 1.1429;
            const double red = l + 1.5748 * cr, blue = l + 1.8556 * cb, green = l - 0.18733 * cb - 0.46812 * cr;
            const std::uint8_t* o = one.lines[static_cast<std::size_t>(y)] + x * 4;
            auto level = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); };
            ASSERT_LE(std::abs(o[0] - level(blue)), 1) << x << "," << y;
            ASSERT_LE(std::abs(o[1] - level(green)), 1) << x << "," << y;
            ASSERT_LE(std::abs(o[2] - level(red)), 1) << x << "," << y;
            ASSERT_EQ(o[3], p.a[static_cast<std::size_t>(y) * p.w + x]);
        }
    // Premultiplied colour is divided by alpha.
    p.planes.premultiplied = true;
    ASSERT_TRUE(ConvertToBgra(p.planes, matrix, two.lines.data(), nullptr, 0));
    for (std::size_t i = 0; i < one.bytes.size(); i += 4) {
        const int a = one.bytes[i + 3];
        for (int k = 0; k < 3; ++k) {
            const int c = one.bytes[i + k];
            const int expected = a == 0 || a == 255 ? c : std::min(255, (c * 255 + a / 2) / a);
            ASSERT_EQ(two.bytes[i + k], expected) << i;
        }
    }
    // A stop set before the work leaves every row as it was.
    std::atomic<bool> stop{true};
    Rows stopped(p.w, p.h);
    EXPECT_FALSE(ConvertToBgra(p.planes, matrix, stopped.lines.data(), &stop, 0));
    EXPECT_TRUE(std::all_of(stopped.bytes.begin(), stopped.bytes.end(), [](std::uint8_t b) { return b == 0x5A; }));
}

TEST(HeifConversion, MatricesThatAreNoPlainKrKbGoTheLibrarysWay) {
    for (int code : {0, 8, 10, 11, 12, 13, 14}) EXPECT_FALSE(MatrixForCode(code, true)) << code;
    // Unspecified and reserved mean BT.601, as for libheif.
    for (int code : {2, 3, 5}) {
        const auto m = MatrixForCode(code, true);
        ASSERT_TRUE(m) << code;
        EXPECT_FLOAT_EQ(m->rCr, MatrixForCode(6, true)->rCr);
        EXPECT_FLOAT_EQ(m->bCb, MatrixForCode(6, true)->bCb);
    }
}

}  // namespace
}  // namespace vellumo::test
