#include <cmath>
#include <numbers>

#include "TestUtil.h"
#include "imaging/AnyBmp.h"
#include "imaging/ResizeFilter.h"
#include "imaging/RotateFilter.h"

namespace vellumo::test {
namespace {

constexpr double kPi = std::numbers::pi;

void Fill(CBmp& b, int w, int h, int bpp) {
    b.Create(w, h, bpp, bpp == 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, bpp == 32 ? MakePixel(x * 9 + 1, y * 5 + 2, x * y + 3, 200 + x % 7) : RGBAPixel((x * 31 + y * 17) % 251));
}

bool SameBitmap(const CBmp& a, const CBmp& b) {
    if (a.GetSize() != b.GetSize() || a.GetBitsPerPixel() != b.GetBitsPerPixel()) return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
    return true;
}

TEST(Rotate, QuarterTurnLeftShowsTheRightColumnOnTop) {
    CDrawDibBmp src;
    Fill(src, 5, 3, 32);
    CAnyBmp out;
    RotateFilter(kPi / 2, Rgb(0, 0, 0)).Apply(src, out);
    ASSERT_EQ(out.GetSize(), (Size{3, 5}));
    EXPECT_TRUE(out.HasAlpha());
    for (int c = 0; c < 3; ++c) EXPECT_EQ(out.GetPixel(c, 0), src.GetPixel(4, c));
    for (int i = 0; i < 5; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(out.GetPixel(c, i), src.GetPixel(4 - i, c));
    RotateFilter(-kPi / 2, 0).Apply(src, out);  // right: the left column on top, bottom to top
    ASSERT_EQ(out.GetSize(), (Size{3, 5}));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(out.GetPixel(c, 0), src.GetPixel(0, 2 - c));
    RotateFilter(kPi, 0).Apply(src, out);
    ASSERT_EQ(out.GetSize(), (Size{5, 3}));
    EXPECT_EQ(out.GetPixel(0, 0), src.GetPixel(4, 2));
    EXPECT_EQ(out.GetPixel(4, 1), src.GetPixel(0, 1));
    RotateFilter(0, 0).Apply(src, out);
    EXPECT_TRUE(SameBitmap(src, out));
    // Turns that add up to whole turns, as the viewer sums them.
    RotateFilter(kPi / 2 + kPi / 2 + kPi / 2 + kPi / 2, 0).Apply(src, out);
    EXPECT_TRUE(SameBitmap(src, out));
}

TEST(Rotate, FastPathMatchesTheGeneralMapping) {
    const double angles[] = {0, kPi / 2, -kPi / 2, kPi, -kPi, 3 * kPi / 2, 2 * kPi, kPi / 2 + kPi / 2 + kPi / 2,
                             -7 * kPi / 2, 5 * kPi};
    const Size sizes[] = {{1, 1}, {1, 7}, {9, 1}, {5, 3}, {70, 131}, {130, 66}};
    for (int bpp : {8, 32}) {
        for (Size sz : sizes) {
            CDrawDibBmp src;
            Fill(src, sz.cx, sz.cy, bpp);
            for (double a : angles) {
                CAnyBmp fast, general;
                RotateFilter f(a, Rgb(10, 20, 30));
                f.Apply(src, fast);
                f.ApplyGeneral(src, general);
                EXPECT_TRUE(SameBitmap(fast, general)) << "bpp " << bpp << " size " << sz.cx << "x" << sz.cy << " angle " << a;
                // A quarter turn leaves nothing to fill: all source pixels are kept.
                EXPECT_EQ(static_cast<std::int64_t>(fast.GetWidth()) * fast.GetHeight(),
                          static_cast<std::int64_t>(sz.cx) * sz.cy);
            }
        }
    }
}

TEST(Rotate, OddAnglesFillWithTheNearestColour) {
    CDrawDibBmp src;
    Fill(src, 20, 10, 8);
    RGBAPixel pal[256];
    for (int i = 0; i < 256; ++i) pal[i] = MakePixel(i, 0, 0, 255);
    pal[77] = MakePixel(0, 200, 0, 255);
    src.SetPalette(pal);
    CAnyBmp out;
    RotateFilter(0.3, Rgb(10, 190, 5)).Apply(src, out);
    EXPECT_EQ(out.GetBitsPerPixel(), 8);
    EXPECT_GT(out.GetWidth(), 20);
    EXPECT_EQ(out.GetPixel(0, 0), 77u);  // a corner outside the turned picture
    EXPECT_EQ(out.GetPalette()[77], pal[77]);

    CDrawDibBmp c32;
    Fill(c32, 20, 10, 32);
    RotateFilter(-0.7, Rgb(1, 2, 3)).Apply(c32, out);
    EXPECT_EQ(out.GetPixel(0, 0), MakePixel(1, 2, 3, 0));

    CDrawDibBmp bits;  // 1 bit per pixel, through the general mapping
    bits.Create(11, 4, 1, false);
    bits.SetPixel(10, 0, 1);
    RotateFilter(kPi / 2, Rgb(255, 255, 255)).Apply(bits, out);
    ASSERT_EQ(out.GetSize(), (Size{4, 11}));
    EXPECT_EQ(out.GetPixel(0, 0), 1u);
    EXPECT_EQ(out.GetPixel(1, 0), 0u);
    RotateFilter(0.5, Rgb(255, 255, 255)).Apply(bits, out);
    EXPECT_EQ(out.GetPixel(0, 0), 1u);  // white is entry 1 of the default palette
}

TEST(Rotate, ApplyInPlace) {
    CDrawDibBmp b;
    Fill(b, 4, 2, 32);
    const RGBAPixel topRight = b.GetPixel(3, 0);
    RotateFilter(kPi / 2, 0).ApplyInPlace(b);
    EXPECT_EQ(b.GetSize(), (Size{2, 4}));
    EXPECT_EQ(b.GetPixel(0, 0), topRight);
}

TEST(Resize, Contributions) {
    const Contributions shrink = ComputeContributions(100, 1000, 0.1);
    EXPECT_EQ(shrink.windowSize, 21);
    for (const Contribution& c : shrink.entries) {
        EXPECT_LE(c.last - c.first + 1, 21);
        double sum = 0;
        for (double w : c.weights) sum += w;
        EXPECT_NEAR(sum, 1.0, 1e-12);
    }
    EXPECT_EQ(shrink.entries[50].first, 490);
    EXPECT_EQ(shrink.entries[50].last, 510);
    const Contributions same = ComputeContributions(5, 5, 1.0);
    EXPECT_EQ(same.windowSize, 3);
    EXPECT_DOUBLE_EQ(same.entries[2].weights[2 - same.entries[2].first], 1.0);
}

TEST(Resize, SameSizeKeepsEveryPixel) {
    CDrawDibBmp src;
    Fill(src, 13, 7, 32);
    CAnyBmp out;
    ResizeFilter(13, 7).Apply(src, out);
    EXPECT_TRUE(SameBitmap(src, out));
    EXPECT_TRUE(out.HasAlpha());
}

TEST(Resize, ShrinkAndEnlargeWeights) {
    CAnyBmp src;
    src.Create(4, 1, 32, false);
    src.SetPixel(2, 0, MakePixel(200, 200, 200, 200));
    src.SetPixel(3, 0, MakePixel(200, 200, 200, 200));
    CAnyBmp out;
    ResizeFilter(2, 1).Apply(src, out);
    EXPECT_EQ(out.GetPixel(0, 0), 0u);
    EXPECT_EQ(out.GetPixel(1, 0), MakePixel(150, 150, 150, 150));

    src.Create(2, 1, 32, false);
    src.SetPixel(0, 0, MakePixel(100, 100, 100, 100));
    src.SetPixel(1, 0, MakePixel(200, 200, 200, 200));
    ResizeFilter(4, 2).Apply(src, out);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(PixelRed(out.GetPixel(0, y)), 100);
        EXPECT_EQ(PixelRed(out.GetPixel(1, y)), 150);
        EXPECT_EQ(PixelRed(out.GetPixel(2, y)), 200);
        EXPECT_EQ(PixelRed(out.GetPixel(3, y)), 200);
    }
}

TEST(Resize, PaletteBitmapsAreExpandedFirst) {
    CDrawDibBmp src;
    Fill(src, 10, 10, 8);
    CAnyBmp out;
    ResizeFilter(10, 10).Apply(src, out);
    EXPECT_EQ(out.GetBitsPerPixel(), 32);
    const int v = static_cast<int>(src.GetPixel(3, 4));
    EXPECT_EQ(out.GetPixel(3, 4), MakePixel(v, v, v, 255));
    ResizeFilter(0, -3).Apply(src, out);  // sizes below 1 count as 1
    EXPECT_EQ(out.GetSize(), (Size{1, 1}));
}

}  // namespace
}  // namespace vellumo::test
