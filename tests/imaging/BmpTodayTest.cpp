// BMPs of today's editors: V4 and V5 headers with bit fields and alpha,
// 16-bit pixels, bit fields after a 40-byte header.
#include "TestUtil.h"

namespace vellumo::test {
namespace {

struct Masks {
    std::uint32_t r, g, b, a;
};

// A BMP with a header of headerSize bytes (40, 108 or 124), the given
// compression and masks, rows bottom-up padded to 4 bytes, the pixel data
// `gap` bytes after the headers (the file header's offset says where).
Bytes MakeBmp(int headerSize, int bits, int compression, Masks m, int w, int h,
              const std::vector<std::uint32_t>& pixels, int gap = 0, bool masksAfterHeader = false) {
    Bytes b;
    const int rowBytes = ((w * bits + 31) / 32) * 4;
    const int masksBytes = masksAfterHeader ? (compression == 6 ? 16 : 12) : 0;
    const int offset = 14 + headerSize + masksBytes + gap;
    Put8(b, 'B'); Put8(b, 'M'); Put32(b, static_cast<std::uint32_t>(offset + rowBytes * h)); Put32(b, 0); Put32(b, static_cast<std::uint32_t>(offset));
    Put32(b, static_cast<std::uint32_t>(headerSize)); Put32(b, static_cast<std::uint32_t>(w)); Put32(b, static_cast<std::uint32_t>(h));
    Put16(b, 1); Put16(b, bits); Put32(b, static_cast<std::uint32_t>(compression));
    Put32(b, 0); Put32(b, 2835); Put32(b, 2835); Put32(b, 0); Put32(b, 0);
    if (headerSize > 40) {
        Put32(b, m.r); Put32(b, m.g); Put32(b, m.b); Put32(b, m.a);
        Put32(b, 0x73524742);  // "sRGB"
        b.resize(14 + static_cast<std::size_t>(headerSize), 0);
    } else if (masksAfterHeader) {
        Put32(b, m.r); Put32(b, m.g); Put32(b, m.b);
        if (compression == 6) Put32(b, m.a);
    }
    b.resize(static_cast<std::size_t>(offset), 0xEE);
    for (int y = h - 1; y >= 0; --y) {
        const std::size_t start = b.size();
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = pixels[static_cast<std::size_t>(y * w + x)];
            if (bits == 16) Put16(b, static_cast<int>(v)); else Put32(b, v);
        }
        b.resize(start + static_cast<std::size_t>(rowBytes), 0);
    }
    return b;
}

TEST(BmpToday, V5BitFieldsWithAlphaAreShownOverTheBackground) {
    // Masks in an unusual order: alpha in the low byte.
    const Masks m{0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
    const Bytes f = MakeBmp(124, 32, 3, m, 2, 2, {0x11223380, 0xFFFFFF00, 0x000000FF, 0x445566FF}, 7);
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_TRUE(bmp.AlphaShown());
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(0x11, 0x22, 0x33, 0x80));
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(0xFF, 0xFF, 0xFF, 0));
    EXPECT_EQ(Px(bmp, 1, 1), MakePixel(0x44, 0x55, 0x66, 0xFF));
    // A writer that left every alpha 0: an opaque picture.
    const Bytes empty = MakeBmp(108, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 2, 1, {0x00102030, 0x00405060});
    ASSERT_TRUE(DecodeBytes(empty, bmp).ok);
    EXPECT_FALSE(bmp.AlphaShown());
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(0x40, 0x50, 0x60, 255));
}

TEST(BmpToday, SixteenBitPixelsScaleEachFieldToEightBits) {
    // 5-6-5 in a V4 header, 5-5-5 by default after a 40-byte one.
    const Bytes v4 = MakeBmp(108, 16, 3, {0xF800, 0x07E0, 0x001F, 0}, 3, 1, {0xF800, 0x07E0, 0x0841});
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(v4, bmp).ok);
    EXPECT_FALSE(bmp.AlphaShown());
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(255, 0, 0, 255));
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(0, 255, 0, 255));
    EXPECT_EQ(Px(bmp, 2, 0), MakePixel(8, 8, 8, 255));  // 1 of 31 and 2 of 63, rounded
    const Bytes plain = MakeBmp(40, 16, 0, {}, 3, 1, {0x7C00, 0x8000 | 0x03E0, 0x001F});
    ASSERT_TRUE(DecodeBytes(plain, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(255, 0, 0, 255));
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(0, 255, 0, 255));  // the top bit is no alpha
    EXPECT_EQ(Px(bmp, 2, 0), MakePixel(0, 0, 255, 255));
    // 1-5-5-5 with alpha through ALPHABITFIELDS after a 40-byte header.
    const Bytes alpha = MakeBmp(40, 16, 6, {0x7C00, 0x03E0, 0x001F, 0x8000}, 2, 1, {0x7C00, 0x8000 | 0x001F}, 0, true);
    ASSERT_TRUE(DecodeBytes(alpha, bmp).ok);
    EXPECT_TRUE(bmp.AlphaShown());
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(255, 0, 0, 0));
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(0, 0, 255, 255));
}

TEST(BmpToday, LaterHeadersKeepThePixelKindsOfOldAndCutFilesEndEarly) {
    // 24 bits under a V5 header, pixels after a gap the offset skips.
    const Bytes f = MakeBmp(124, 32, 0, {}, 1, 1, {0x00A0B0C0}, 20);
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0) & 0xFFFFFF, 0xA0B0C0u);
    EXPECT_FALSE(bmp.AlphaShown());
    // A 40-byte 32-bit file without bit fields is copied as it always was.
    const Bytes old = MakeBmp(40, 32, 0, {}, 1, 1, {0x12345678});
    ASSERT_TRUE(DecodeBytes(old, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0), 0x12345678u);
    EXPECT_FALSE(bmp.AlphaShown());
    Bytes cut = MakeBmp(124, 16, 3, {0xF800, 0x07E0, 0x001F, 0}, 30, 20, std::vector<std::uint32_t>(600, 0x1234));
    cut.resize(cut.size() - 100);
    EXPECT_EQ(DecodeBytes(cut).code, ErrEndOfFile);
    // A header size of no known kind is still refused.
    Bytes odd = old;
    odd[14] = 64;
    EXPECT_EQ(DecodeBytes(odd).code, ErrUnsupported);
    ExpectRobust(MakeBmp(124, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 3, 2, std::vector<std::uint32_t>(6, 0x80402010)), 3);
}

}  // namespace
}  // namespace vellumo::test
