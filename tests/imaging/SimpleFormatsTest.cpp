#include <cstring>

#include "TestUtil.h"
#include "imaging/AnyBmp.h"

namespace vellumo::test {
namespace {

// ---- BMP ----------------------------------------------------------------

Bytes BmpHeader(int width, int height, int bits, int compression, const std::vector<RGBAPixel>& palette,
                std::uint32_t colorsUsed = 0) {
    Bytes b = {'B', 'M'};
    Put32(b, 0);  // file size, unused
    Put32(b, 0);
    Put32(b, 12345);  // data offset, unused
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(width));
    Put32(b, static_cast<std::uint32_t>(height));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, static_cast<std::uint32_t>(compression));
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, colorsUsed);
    Put32(b, 0);
    for (RGBAPixel p : palette) Put32(b, p & 0x00FFFFFFu);  // reserved byte 0 in the file
    return b;
}

std::vector<RGBAPixel> TestPalette(int n) {
    std::vector<RGBAPixel> p;
    for (int i = 0; i < n; ++i) p.push_back(MakePixel(i * 7 % 256, 255 - i, i * 13 % 256, 255));
    return p;
}

TEST(Bmp, EightBitWithPaletteAndPadding) {
    const auto pal = TestPalette(256);
    Bytes f = BmpHeader(3, 2, 8, 0, pal);
    // Bottom row first, rows padded to 4 bytes.
    PutBytes(f, {10, 11, 12, 0xEE});
    PutBytes(f, {20, 21, 22, 0xEE});
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    EXPECT_EQ(Px(bmp, 0, 0), 20u);
    EXPECT_EQ(Px(bmp, 2, 1), 12u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(bmp.GetPalette()[i], pal[i]);
    CAnyBmp as32;
    ASSERT_TRUE(DecodeBytes(f, as32, 32).ok);
    EXPECT_EQ(as32.GetBitsPerPixel(), 32);
    EXPECT_EQ(Px(as32, 1, 0), pal[21]);
    EXPECT_EQ(DecodeBytes(f).text, "");
}

TEST(Bmp, OneBitAndFourBit) {
    Bytes f = BmpHeader(10, 2, 1, 0, {MakePixel(1, 2, 3, 255), MakePixel(4, 5, 6, 255)});
    PutBytes(f, {0b10000000, 0b01000000, 0, 0});  // bottom row: pixels 0 and 9
    PutBytes(f, {0b01010101, 0b11000000, 0, 0});
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    EXPECT_EQ(Px(bmp, 0, 1), 1u);
    EXPECT_EQ(Px(bmp, 9, 1), 1u);
    EXPECT_EQ(Px(bmp, 8, 1), 0u);
    EXPECT_EQ(Px(bmp, 1, 0), 1u);
    EXPECT_EQ(Px(bmp, 8, 0), 1u);
    EXPECT_EQ(bmp.GetPalette()[1], MakePixel(4, 5, 6, 255));
    CAnyBmp as32;  // white and black, not the palette
    ASSERT_TRUE(DecodeBytes(f, as32, 32).ok);
    EXPECT_EQ(Px(as32, 0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(Px(as32, 1, 1), 0xFF000000u);

    // 4 bits, odd width, colours used 3.
    Bytes g = BmpHeader(3, 1, 4, 0, TestPalette(3), 3);
    PutBytes(g, {0x12, 0x05, 0, 0});
    ASSERT_TRUE(DecodeBytes(g, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0), 1u);
    EXPECT_EQ(Px(bmp, 1, 0), 2u);
    EXPECT_EQ(Px(bmp, 2, 0), 0u);
    EXPECT_EQ(bmp.GetPalette()[2], TestPalette(3)[2]);
}

TEST(Bmp, TwentyFourAndThirtyTwoBit) {
    Bytes f = BmpHeader(1, 2, 24, 0, {});
    PutBytes(f, {1, 2, 3, 0xAA});  // width 1: one padding byte per row
    PutBytes(f, {4, 5, 6, 0xAA});
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(6, 5, 4, 255));
    EXPECT_EQ(Px(bmp, 0, 1), MakePixel(3, 2, 1, 255));
    Bytes g = BmpHeader(2, 1, 32, 0, {});
    PutBytes(g, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(DecodeBytes(g, bmp).ok);
    EXPECT_EQ(Px(bmp, 1, 0), 0x08070605u);
    EXPECT_FALSE(bmp.HasAlpha());
}

TEST(Bmp, ExtraBytesAfterPaletteAreRows) {
    Bytes f = BmpHeader(2, 1, 8, 0, TestPalette(2), 2);
    PutBytes(f, {1, 0, 9, 9});  // the data offset field is ignored
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0), 1u);
}

TEST(Bmp, TopDownWhenHeightNegative) {
    Bytes f = BmpHeader(1, -2, 8, 0, TestPalette(256));
    PutBytes(f, {7, 0, 0, 0, 8, 0, 0, 0});
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(bmp.GetHeight(), 2);
    EXPECT_EQ(Px(bmp, 0, 0), 7u);
    EXPECT_EQ(Px(bmp, 0, 1), 8u);
}

TEST(Bmp, Rle8AndRle4) {
    Bytes f = BmpHeader(6, 3, 8, 1, TestPalette(256));
    PutBytes(f, {3, 9, 0, 3, 1, 2, 3, 0, 0, 0});  // bottom: 9 9 9 1 2 3 (odd literal padded)
    PutBytes(f, {200, 5, 0, 0});                   // a run longer than the row is cut there
    PutBytes(f, {2, 4, 0, 1});                     // end of picture mid row
    CDrawDibBmp bmp;
    DecodeResult r = DecodeBytes(f, bmp);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(Px(bmp, 0, 2), 9u);
    EXPECT_EQ(Px(bmp, 3, 2), 1u);
    EXPECT_EQ(Px(bmp, 5, 2), 3u);
    EXPECT_EQ(Px(bmp, 5, 1), 5u);
    EXPECT_EQ(Px(bmp, 1, 0), 4u);
    EXPECT_EQ(Px(bmp, 2, 0), 0u);

    Bytes g = BmpHeader(7, 2, 4, 2, TestPalette(16));
    PutBytes(g, {5, 0x12, 0, 0});                 // 1 2 1 2 1
    PutBytes(g, {0, 5, 0x34, 0x56, 0x70, 0, 0, 0});  // literal 5 nibbles: 3 bytes, one skipped
    CDrawDibBmp b4;
    r = DecodeBytes(g, b4);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(Px(b4, 0, 1), 1u);
    EXPECT_EQ(Px(b4, 1, 1), 2u);
    EXPECT_EQ(Px(b4, 4, 1), 1u);
    EXPECT_EQ(Px(b4, 5, 1), 0u);
    EXPECT_EQ(Px(b4, 0, 0), 3u);
    EXPECT_EQ(Px(b4, 4, 0), 7u);

    Bytes delta = BmpHeader(4, 2, 8, 1, TestPalette(256));
    PutBytes(delta, {0, 2, 1, 1});
    r = DecodeBytes(delta);
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.error, Err("Encountered delta escape."));
}

TEST(Bmp, Errors) {
    Bytes f = BmpHeader(2, 2, 2, 0, {});
    f.resize(f.size() + 16, 0);
    DecodeResult r = DecodeBytes(f);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.error, Err("Decoding bmp: Illegal bpp value."));
    Bytes os2 = BmpHeader(2, 2, 24, 0, {});
    os2[14] = 64;  // the OS/2 header is not read
    os2.resize(200, 0);
    r = DecodeBytes(os2);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.error, Err("Bitmap decoder: BITMAPINFOHEADER has wrong size."));
    Bytes cut = BmpHeader(100, 100, 24, 0, {});
    cut.resize(cut.size() + 500, 0);
    r = DecodeBytes(cut);
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(r.error, "End of file reached while decoding.\n");
    Bytes zero = BmpHeader(0, 5, 24, 0, {});
    r = DecodeBytes(zero);
    EXPECT_EQ(r.code, 2);
    // A palette claiming 2^32-1 entries runs into the end of the file.
    Bytes huge = BmpHeader(2, 2, 8, 0, {}, 0xFFFFFFFFu);
    huge.resize(2000, 0);
    r = DecodeBytes(huge);
    EXPECT_EQ(r.code, 11);
    // More than 256 entries: read over, rows follow them.
    Bytes many = BmpHeader(1, 1, 8, 0, TestPalette(300), 300);
    PutBytes(many, {255, 0, 0, 0});
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(many, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0), 255u);
    EXPECT_EQ(bmp.GetPalette()[255], TestPalette(256)[255]);
    CDrawDibBmp wrong;  // a decoder called on the wrong data
    CBmpDecoder direct;
    CMemorySource src;
    Bytes notBmp(60, 0);
    src.OpenBytes("x", notBmp.data(), notBmp.size());
    try {
        direct.DecodeSource(src, wrong, 0);
        FAIL();
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), 1);
        EXPECT_EQ(e.GetErrorText(), Err("Bitmap decoder: This isn't a bitmap."));
    }
}

TEST(Bmp, TruncatedAndCorrupted) {
    Bytes f = BmpHeader(5, 4, 8, 1, TestPalette(256));
    for (int i = 0; i < 4; ++i) PutBytes(f, {3, 1, 0, 3, 1, 2, 3, 0, 0, 0});
    PutBytes(f, {0, 1});
    ExpectRobust(f, 7);
    Bytes g = BmpHeader(5, 3, 24, 0, {});
    g.resize(g.size() + 16 * 3, 0x40);
    ExpectRobust(g, 5);
}

// ---- TGA ----------------------------------------------------------------

Bytes TgaHeader(int imageType, int width, int height, int depth, int descriptor, int mapType = 0, int mapFirst = 0,
                int mapLength = 0, int mapEntry = 0, int idLength = 0) {
    Bytes b;
    Put8(b, idLength);
    Put8(b, mapType);
    Put8(b, imageType);
    Put16(b, mapFirst);
    Put16(b, mapLength);
    Put8(b, mapEntry);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, width);
    Put16(b, height);
    Put8(b, depth);
    Put8(b, descriptor);
    for (int i = 0; i < idLength; ++i) Put8(b, 'I');
    return b;
}

TEST(Tga, TrueColourDepthsAndOrientation) {
    Bytes f = TgaHeader(2, 2, 2, 24, 0x20, 0, 0, 0, 0, 3);
    PutBytes(f, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(3, 2, 1, 255));  // top-down
    EXPECT_EQ(Px(bmp, 1, 1), MakePixel(12, 11, 10, 255));
    EXPECT_FALSE(bmp.HasAlpha());
    f[17] = 0;  // bottom-up
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 1), MakePixel(3, 2, 1, 255));

    Bytes g = TgaHeader(2, 2, 1, 16, 0);
    Put16(g, 0x7FFF);
    Put16(g, 0xFFFF);
    ASSERT_TRUE(DecodeBytes(g, bmp).ok);
    EXPECT_TRUE(bmp.HasAlpha());
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(248, 248, 248, 0));
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(248, 248, 248, 0x80));
    g[16] = 15;
    ASSERT_TRUE(DecodeBytes(g, bmp).ok);
    EXPECT_FALSE(bmp.HasAlpha());
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(248, 248, 248, 255));

    Bytes h = TgaHeader(2, 1, 1, 32, 0x28);
    PutBytes(h, {1, 2, 3, 4});
    ASSERT_TRUE(DecodeBytes(h, bmp).ok);
    EXPECT_TRUE(bmp.HasAlpha());
    EXPECT_EQ(Px(bmp, 0, 0), 0x04030201u);
}

TEST(Tga, ColourMappedAndGray) {
    Bytes f = TgaHeader(1, 3, 1, 8, 0x20, 1, 1, 2, 24);
    PutBytes(f, {10, 20, 30, 40, 50, 60});  // entries 1 and 2
    PutBytes(f, {1, 2, 0});
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    EXPECT_EQ(Px(bmp, 1, 0), 2u);
    EXPECT_EQ(bmp.GetPalette()[1], MakePixel(30, 20, 10, 255));
    EXPECT_EQ(bmp.GetPalette()[2], MakePixel(60, 50, 40, 255));
    CAnyBmp as32;
    ASSERT_TRUE(DecodeBytes(f, as32, 32).ok);
    EXPECT_EQ(Px(as32, 0, 0), MakePixel(30, 20, 10, 255));

    // A 16-bit colour map with entries beyond 255: read over, not stored.
    Bytes m = TgaHeader(1, 1, 1, 8, 0, 1, 250, 10, 16);
    for (int i = 0; i < 10; ++i) Put16(m, 0x7C00);
    Put8(m, 251);
    ASSERT_TRUE(DecodeBytes(m, as32, 32).ok);
    EXPECT_EQ(Px(as32, 0, 0), MakePixel(248, 0, 0, 0));

    Bytes g = TgaHeader(3, 2, 1, 8, 0);
    PutBytes(g, {0, 200});
    ASSERT_TRUE(DecodeBytes(g, as32, 32).ok);
    EXPECT_EQ(Px(as32, 1, 0), MakePixel(200, 200, 200, 255));
    ASSERT_TRUE(DecodeBytes(g, bmp).ok);
    EXPECT_EQ(bmp.GetPalette()[200], MakePixel(200, 200, 200, 255));
}

TEST(Tga, RunLengthPacketsAcrossRows) {
    Bytes f = TgaHeader(10, 3, 2, 24, 0x20);
    PutBytes(f, {0x83, 1, 2, 3});          // run of 4: row 0 and one pixel of row 1
    PutBytes(f, {0x01, 4, 5, 6, 7, 8, 9});  // 2 literal pixels
    CDrawDibBmp bmp;
    DecodeResult r = DecodeBytes(f, bmp);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(Px(bmp, 2, 0), MakePixel(3, 2, 1, 255));
    EXPECT_EQ(Px(bmp, 0, 1), MakePixel(3, 2, 1, 255));
    EXPECT_EQ(Px(bmp, 1, 1), MakePixel(6, 5, 4, 255));
    EXPECT_EQ(Px(bmp, 2, 1), MakePixel(9, 8, 7, 255));

    Bytes g = TgaHeader(11, 2, 1, 8, 0);
    PutBytes(g, {0x81, 77});
    CAnyBmp as32;
    ASSERT_TRUE(DecodeBytes(g, as32, 32).ok);
    EXPECT_EQ(Px(as32, 1, 0), MakePixel(77, 77, 77, 255));
}

TEST(Tga, Errors) {
    Bytes f = TgaHeader(3, 2, 2, 8, 0);
    f[2] = 9;  // RLE colour mapped: fine
    f[2] = 1;
    f.resize(f.size() + 4, 0);
    EXPECT_TRUE(DecodeBytes(f).ok);
    Bytes cut = TgaHeader(2, 50, 50, 24, 0);
    cut.resize(cut.size() + 100, 0);
    DecodeResult r = DecodeBytes(cut);
    EXPECT_EQ(r.code, 11);
    Bytes zero = TgaHeader(2, 0, 5, 24, 0);
    EXPECT_EQ(DecodeBytes(zero).code, 2);
    // Image type 0 passes detection but is no image.
    Bytes none = TgaHeader(0, 1, 1, 24, 0);
    none.resize(30, 0);
    r = DecodeBytes(none);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.error, Err("Unknown TGA image type."));
}

TEST(Tga, TruncatedAndCorrupted) {
    Bytes f = TgaHeader(10, 4, 3, 24, 0, 0, 0, 0, 0, 2);
    for (int i = 0; i < 3; ++i) PutBytes(f, {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9});
    ExpectRobust(f, 3);
    Bytes g = TgaHeader(9, 4, 3, 8, 0, 1, 0, 4, 24);
    for (int i = 0; i < 12; ++i) Put8(g, i);
    for (int i = 0; i < 3; ++i) PutBytes(g, {0x83, 2});
    ExpectRobust(g, 3);
}

// ---- PCX ----------------------------------------------------------------

Bytes PcxHeader(int bits, int planes, int width, int height, int bytesPerLine) {
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = 5;
    b[2] = 1;
    b[3] = static_cast<std::uint8_t>(bits);
    b[4] = 3;  // xmin 3
    b[6] = 1;  // ymin 1
    const int xmax = 3 + width - 1, ymax = 1 + height - 1;
    b[8] = static_cast<std::uint8_t>(xmax & 0xFF);
    b[9] = static_cast<std::uint8_t>(xmax >> 8);
    b[10] = static_cast<std::uint8_t>(ymax & 0xFF);
    b[11] = static_cast<std::uint8_t>(ymax >> 8);
    for (int i = 0; i < 16; ++i) {
        b[16 + 3 * i] = static_cast<std::uint8_t>(i * 16);
        b[17 + 3 * i] = static_cast<std::uint8_t>(i);
        b[18 + 3 * i] = static_cast<std::uint8_t>(255 - i);
    }
    b[65] = static_cast<std::uint8_t>(planes);
    b[66] = static_cast<std::uint8_t>(bytesPerLine & 0xFF);
    b[67] = static_cast<std::uint8_t>(bytesPerLine >> 8);
    return b;
}

// Encodes bytes the way PCX writers do: runs of 2 or more, and bytes >= 0xC0, as runs.
Bytes PcxEncode(const Bytes& raw) {
    Bytes out;
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t n = 1;
        while (i + n < raw.size() && raw[i + n] == raw[i] && n < 63) ++n;
        if (n > 1 || raw[i] >= 0xC0) {
            Put8(out, 0xC0 | static_cast<int>(n));
            Put8(out, raw[i]);
        } else {
            Put8(out, raw[i]);
        }
        i += n;
    }
    return out;
}

TEST(Pcx, RgbOddWidthUsesBytesPerLine) {
    // width 3, bytes per line 4: planes at 0, 4 and 8 of each line.
    Bytes raw = {1, 2, 3, 0, 11, 12, 13, 0, 21, 22, 23, 0, 4, 5, 6, 0, 14, 15, 16, 0, 24, 25, 26, 0};
    Bytes f = PcxHeader(8, 3, 3, 2, 4);
    PutBytes(f, PcxEncode(raw));
    CDrawDibBmp bmp;
    DecodeResult r = DecodeBytes(f, bmp);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    EXPECT_EQ(bmp.GetSize(), (Size{3, 2}));
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(1, 11, 21, 255));
    EXPECT_EQ(Px(bmp, 2, 1), MakePixel(6, 16, 26, 255));
}

TEST(Pcx, EightBitVgaPalette) {
    Bytes raw = {0, 1, 200, 200, 200, 5};
    Bytes f = PcxHeader(8, 1, 3, 2, 3);
    PutBytes(f, PcxEncode(raw));
    Put8(f, 12);
    for (int i = 0; i < 256; ++i) PutBytes(f, {static_cast<std::uint8_t>(i), 7, static_cast<std::uint8_t>(255 - i)});
    CDrawDibBmp bmp;
    DecodeResult r = DecodeBytes(f, bmp);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(1, 7, 254, 255));
    EXPECT_EQ(Px(bmp, 0, 1), MakePixel(200, 7, 55, 255));
    EXPECT_EQ(Px(bmp, 2, 1), MakePixel(5, 7, 250, 255));
    f[f.size() - 769] = 13;
    r = DecodeBytes(f);
    EXPECT_EQ(r.code, 7);
    EXPECT_EQ(r.error, Err("bad color map signature."));
}

TEST(Pcx, PackedAndPlanarBits) {
    // 1 bit, 1 plane, width 16, 2 bytes per line: all 16 pixels.
    Bytes f = PcxHeader(1, 1, 16, 1, 2);
    PutBytes(f, PcxEncode({0x80, 0x01}));
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(16, 1, 254, 255));
    EXPECT_EQ(Px(bmp, 15, 0), MakePixel(16, 1, 254, 255));
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(0, 0, 255, 255));
    // 4 bits packed, and 2 bits packed.
    Bytes g = PcxHeader(4, 1, 3, 1, 2);
    PutBytes(g, PcxEncode({0x3A, 0xF0}));
    ASSERT_TRUE(DecodeBytes(g, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(48, 3, 252, 255));
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(160, 10, 245, 255));
    EXPECT_EQ(Px(bmp, 2, 0), MakePixel(240, 15, 240, 255));
    Bytes h = PcxHeader(2, 1, 5, 1, 2);
    PutBytes(h, PcxEncode({0b00011011, 0b10000000}));
    ASSERT_TRUE(DecodeBytes(h, bmp).ok);
    EXPECT_EQ(Px(bmp, 3, 0), MakePixel(48, 3, 252, 255));
    EXPECT_EQ(Px(bmp, 4, 0), MakePixel(32, 2, 253, 255));
    // 4 planes of 1 bit: plane p gives bit p.
    Bytes p = PcxHeader(1, 4, 2, 1, 1);
    PutBytes(p, PcxEncode({0x80, 0x40, 0xC0, 0x80}));
    ASSERT_TRUE(DecodeBytes(p, bmp).ok);
    EXPECT_EQ(Px(bmp, 0, 0), MakePixel(13 * 16, 13, 255 - 13, 255));
    EXPECT_EQ(Px(bmp, 1, 0), MakePixel(6 * 16, 6, 255 - 6, 255));
}

TEST(Pcx, Errors) {
    Bytes f = PcxHeader(1, 5, 2, 1, 1);
    f.resize(200, 0);
    DecodeResult r = DecodeBytes(f);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.error, Err("Can't handle image with more than 4 planes."));
    Bytes g = PcxHeader(8, 2, 2, 1, 2);
    g.resize(200, 0);
    r = DecodeBytes(g);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.error, Err("Can't handle bits per pixel image with planes."));
    Bytes h = PcxHeader(4, 3, 2, 1, 1);
    PutBytes(h, {1, 2, 3});
    r = DecodeBytes(h);
    EXPECT_EQ(r.code, 7);
    EXPECT_EQ(r.error, Err("Can't handle packed pixels with more than 1 plane."));
    Bytes run = PcxHeader(8, 3, 2, 1, 2);
    PutBytes(run, {0xC5, 1, 0xC5, 1});  // 10 bytes where 6 remain
    r = DecodeBytes(run);
    EXPECT_EQ(r.code, 7);
    EXPECT_EQ(r.error, Err("repeat count spans end of image."));
    Bytes enc = PcxHeader(8, 3, 2, 1, 2);
    enc[2] = 0;
    enc[0] = 10;
    CPCXDecoder direct;
    CMemorySource src;
    src.OpenBytes("x", enc.data(), enc.size());
    CDrawDibBmp bmp;
    try {
        direct.DecodeSource(src, bmp, 0);
        FAIL();
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), 1);
        EXPECT_EQ(e.GetErrorText(), Err("File has unknown encoding scheme."));
    }
    Bytes cut = PcxHeader(8, 3, 20, 20, 20);
    PutBytes(cut, {1, 2, 3});
    EXPECT_EQ(DecodeBytes(cut).code, 11);
}

TEST(Pcx, TruncatedAndCorrupted) {
    Bytes raw;
    for (int i = 0; i < 4 * 12; ++i) raw.push_back(static_cast<std::uint8_t>(i / 5 * 40));
    Bytes f = PcxHeader(8, 3, 4, 4, 4);
    PutBytes(f, PcxEncode(raw));
    ExpectRobust(f, 3);
}

}  // namespace
}  // namespace vellumo::test
