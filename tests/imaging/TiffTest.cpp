#include <tiffio.h>

#include <cstring>

#include "TestUtil.h"
#include "imaging/AnyBmp.h"

namespace vellumo::test {
namespace {

struct TiffSpec {
    int width = 7;
    int height = 5;
    int bits = 8;
    int samples = 1;
    int photometric = PHOTOMETRIC_MINISBLACK;
    int rowsPerStrip = 2;
    int compression = COMPRESSION_NONE;
    bool tiled = false;
    bool alpha = false;
    std::vector<std::uint16_t> red, green, blue;
    std::string description, dateTime;
    int orientation = 0;  // the tag, when not 0
};

// The sample bytes of row y, packed as TIFF stores them.
Bytes RowBytes(const TiffSpec& s, int y) {
    const std::size_t bitsPerRow = static_cast<std::size_t>(s.width) * s.bits * s.samples;
    Bytes row((bitsPerRow + 7) / 8, 0);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>((i * 37 + y * 91 + 5) & 0xFF);
    if (bitsPerRow % 8) row.back() &= static_cast<std::uint8_t>(0xFF00 >> (bitsPerRow % 8));
    return row;
}

Bytes WriteTiff(const TempDir& dir, const TiffSpec& s) {
    const std::string path = dir.File("t.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
    if (s.alpha) {
        std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (!s.red.empty())
        TIFFSetField(tif, TIFFTAG_COLORMAP, s.red.data(), s.green.data(), s.blue.data());
    if (!s.description.empty()) TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, s.description.c_str());
    if (!s.dateTime.empty()) TIFFSetField(tif, TIFFTAG_DATETIME, s.dateTime.c_str());
    if (s.orientation) TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
    if (s.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
        const int bytesPerPixel = s.bits * s.samples / 8;
        Bytes tile(static_cast<std::size_t>(16 * 16 * bytesPerPixel));
        for (int ty = 0; ty < s.height; ty += 16)
            for (int tx = 0; tx < s.width; tx += 16) {
                std::fill(tile.begin(), tile.end(), 0);
                for (int y = 0; y < 16 && ty + y < s.height; ++y) {
                    const Bytes row = RowBytes(s, ty + y);
                    for (int x = 0; x < 16 && tx + x < s.width; ++x)
                        std::memcpy(&tile[static_cast<std::size_t>((y * 16 + x) * bytesPerPixel)],
                                    &row[static_cast<std::size_t>((tx + x) * bytesPerPixel)], bytesPerPixel);
                }
                TIFFWriteTile(tif, tile.data(), static_cast<std::uint32_t>(tx), static_cast<std::uint32_t>(ty), 0, 0);
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, s.rowsPerStrip);
        for (int y = 0; y < s.height; ++y) {
            Bytes row = RowBytes(s, y);
            TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0);
        }
    }
    TIFFClose(tif);
    return ReadFile(path);
}

// libtiff's own RGBA reading of the file, top row first, as 0xAABBGGRR values.
std::vector<std::uint32_t> ReferenceRgba(const TempDir& dir, const Bytes& file, int& w, int& h) {
    const std::string path = dir.Write("ref.tif", file);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    std::uint32_t uw = 0, uh = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &uw);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &uh);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(uw) * uh);
    EXPECT_TRUE(TIFFReadRGBAImageOriented(tif, uw, uh, raster.data(), ORIENTATION_TOPLEFT, 0));
    TIFFClose(tif);
    w = static_cast<int>(uw);
    h = static_cast<int>(uh);
    return raster;
}

void ExpectRgbaMatch(const TempDir& dir, const Bytes& file, bool alpha) {
    int w = 0, h = 0;
    const auto ref = ReferenceRgba(dir, file, w, h);
    CDrawDibBmp bmp;
    DecodeResult r = DecodeBytes(file, bmp);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(bmp.GetBitsPerPixel(), 32);
    EXPECT_EQ(bmp.HasAlpha(), alpha);
    ASSERT_EQ(bmp.GetSize(), (Size{w, h}));
    int mismatches = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = ref[static_cast<std::size_t>(y * w + x)];
            mismatches += bmp.GetPixel(x, y) != MakePixel(TIFFGetR(v), TIFFGetG(v), TIFFGetB(v), TIFFGetA(v));
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(Tiff, BilevelKeepsOneBitRows) {
    TempDir dir;
    TiffSpec s;
    s.bits = 1;
    s.width = 13;
    const Bytes f = WriteTiff(dir, s);
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 1);
    EXPECT_EQ(bmp.GetPalette()[0], MakePixel(0, 0, 0, 255));
    EXPECT_EQ(bmp.GetPalette()[1], MakePixel(255, 255, 255, 255));
    for (int y = 0; y < s.height; ++y) {
        const Bytes row = RowBytes(s, y);
        EXPECT_EQ(0, std::memcmp(std::as_const(bmp).GetLineArray()[y], row.data(), row.size()));
    }
    s.photometric = PHOTOMETRIC_MINISWHITE;
    ASSERT_TRUE(DecodeBytes(WriteTiff(dir, s), bmp).ok);
    EXPECT_EQ(bmp.GetPalette()[0], MakePixel(255, 255, 255, 255));
    EXPECT_EQ(bmp.GetPalette()[1], MakePixel(0, 0, 0, 255));
}

TEST(Tiff, GrayFourAndEightBit) {
    TempDir dir;
    TiffSpec s;
    s.bits = 4;
    s.width = 7;  // odd: the last high nibble alone
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(WriteTiff(dir, s), bmp).ok);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    for (int y = 0; y < s.height; ++y) {
        const Bytes row = RowBytes(s, y);
        for (int x = 0; x < s.width; ++x) {
            const int v = (x & 1) ? (row[x / 2] & 15) : (row[x / 2] >> 4);
            ASSERT_EQ(bmp.GetPixel(x, y), static_cast<RGBAPixel>(v)) << x << "," << y;
        }
    }
    EXPECT_EQ(bmp.GetPalette()[15], MakePixel(255, 255, 255, 255));
    EXPECT_EQ(bmp.GetPalette()[1], MakePixel(17, 17, 17, 255));
    s.photometric = PHOTOMETRIC_MINISWHITE;
    ASSERT_TRUE(DecodeBytes(WriteTiff(dir, s), bmp).ok);
    EXPECT_EQ(bmp.GetPalette()[0], MakePixel(255, 255, 255, 255));
    EXPECT_EQ(bmp.GetPalette()[14], MakePixel(17, 17, 17, 255));

    s = TiffSpec{};
    s.compression = COMPRESSION_LZW;
    ASSERT_TRUE(DecodeBytes(WriteTiff(dir, s), bmp).ok);
    for (int y = 0; y < s.height; ++y) {
        const Bytes row = RowBytes(s, y);
        for (int x = 0; x < s.width; ++x) ASSERT_EQ(bmp.GetPixel(x, y), row[x]);
    }
}

TEST(Tiff, PaletteMapsEightAndSixteenBit) {
    TempDir dir;
    TiffSpec s;
    s.photometric = PHOTOMETRIC_PALETTE;
    for (int i = 0; i < 256; ++i) {
        s.red.push_back(static_cast<std::uint16_t>(i));
        s.green.push_back(static_cast<std::uint16_t>(255 - i));
        s.blue.push_back(static_cast<std::uint16_t>(i / 2));
    }
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(WriteTiff(dir, s), bmp).ok);
    EXPECT_EQ(bmp.GetPalette()[10], MakePixel(10, 245, 5, 255));  // below 256: taken as they are
    s.red[0] = 256;  // one wide value scales the whole map
    ASSERT_TRUE(DecodeBytes(WriteTiff(dir, s), bmp).ok);
    EXPECT_EQ(bmp.GetPalette()[0], MakePixel(256 * 255 / 65535, 255 * 255 / 65535, 0, 255));
    EXPECT_EQ(bmp.GetPalette()[10], MakePixel(0, 0, 0, 255));
    for (int i = 0; i < 256; ++i) s.red[i] = s.green[i] = s.blue[i] = static_cast<std::uint16_t>(i * 257);
    ASSERT_TRUE(DecodeBytes(WriteTiff(dir, s), bmp).ok);
    EXPECT_EQ(bmp.GetPalette()[200], MakePixel(200, 200, 200, 255));
    const Bytes row = RowBytes(s, 3);
    EXPECT_EQ(bmp.GetPixel(4, 3), row[4]);
}

TEST(Tiff, RgbaPathForColourSixteenBitAndTiles) {
    TempDir dir;
    TiffSpec s;
    s.samples = 3;
    s.photometric = PHOTOMETRIC_RGB;
    const Bytes rgb = WriteTiff(dir, s);
    ExpectRgbaMatch(dir, rgb, false);
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(rgb, bmp).ok);
    const Bytes row = RowBytes(s, 2);
    EXPECT_EQ(bmp.GetPixel(1, 2), MakePixel(row[3], row[4], row[5], 255));

    s.samples = 4;
    s.alpha = true;
    ExpectRgbaMatch(dir, WriteTiff(dir, s), true);

    s = TiffSpec{};
    s.bits = 16;
    ExpectRgbaMatch(dir, WriteTiff(dir, s), false);

    s = TiffSpec{};
    s.tiled = true;
    s.width = 40;
    s.height = 35;
    ExpectRgbaMatch(dir, WriteTiff(dir, s), false);  // tiled gray goes through RGBA too
    s.samples = 3;
    s.photometric = PHOTOMETRIC_RGB;
    ExpectRgbaMatch(dir, WriteTiff(dir, s), false);

    // Many small strips are read in bands.
    s = TiffSpec{};
    s.samples = 3;
    s.photometric = PHOTOMETRIC_RGB;
    s.width = 9;
    s.height = 150;
    s.rowsPerStrip = 5;
    s.compression = COMPRESSION_ADOBE_DEFLATE;
    ExpectRgbaMatch(dir, WriteTiff(dir, s), false);

    // An 8-bit gray picture asked for as 32 bits goes through RGBA.
    s = TiffSpec{};
    CAnyBmp as32;
    ASSERT_TRUE(DecodeBytes(WriteTiff(dir, s), as32, 32).ok);
    EXPECT_EQ(as32.GetBitsPerPixel(), 32);
    const Bytes grayRow = RowBytes(s, 1);
    EXPECT_EQ(as32.GetPixel(2, 1), MakePixel(grayRow[2], grayRow[2], grayRow[2], 255));
}

TEST(Tiff, DescriptionOrDateText) {
    TempDir dir;
    TiffSpec s;
    s.description = "Grandma's garden";
    s.dateTime = "2003:04:05 06:07:08";
    EXPECT_EQ(DecodeBytes(WriteTiff(dir, s)).text, "Grandma's garden");
    s.description.clear();
    EXPECT_EQ(DecodeBytes(WriteTiff(dir, s)).text, "2003:04:05 06:07:08");
    s.dateTime.clear();
    EXPECT_EQ(DecodeBytes(WriteTiff(dir, s)).text, "");
    s.description = std::string(3000, 'd');
    EXPECT_EQ(DecodeBytes(WriteTiff(dir, s)).text.size(), 1023u);
}

Bytes WrapInEps(const Bytes& tiff) {
    Bytes eps = {0xC5, 0xD0, 0xD3, 0xC6};
    Put32(eps, 60);  // PostScript section
    Put32(eps, 10);
    Put32(eps, 0);
    Put32(eps, 0);
    Put32(eps, 70);  // TIFF section
    Put32(eps, static_cast<std::uint32_t>(tiff.size()));
    Put16(eps, 0xFFFF);
    eps.resize(60, 0);
    PutBytes(eps, Bytes{'%', '!', 'P', 'S', '-', 'A', 'd', 'o', 'b', 'e'});
    PutBytes(eps, tiff);
    return eps;
}

TEST(Tiff, EpsPreviewDecodesAsTheTiffAlone) {
    TempDir dir;
    TiffSpec s;
    s.samples = 3;
    s.photometric = PHOTOMETRIC_RGB;
    s.description = "preview";
    const Bytes tiff = WriteTiff(dir, s);
    CDrawDibBmp a, b;
    DecodeResult ra = DecodeBytes(tiff, a);
    DecodeResult rb = DecodeBytes(WrapInEps(tiff), b);
    ASSERT_TRUE(rb.ok) << rb.error;
    EXPECT_EQ(rb.text, "preview");
    ASSERT_EQ(a.GetSize(), b.GetSize());
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x) ASSERT_EQ(a.GetPixel(x, y), b.GetPixel(x, y));
    // Through a real file as well.
    const std::string path = dir.Write("x.eps", WrapInEps(tiff));
    CAnyPicDecoder decoder;
    decoder.DecodeFile(path, b);
    EXPECT_EQ(decoder.GetText(), "preview");
}

// Points the value of a one-count tag of a little-endian classic TIFF elsewhere.
void PatchTag(Bytes& f, int tag, std::uint32_t value) {
    const std::uint32_t ifd = f[4] | (f[5] << 8) | (f[6] << 16) | (std::uint32_t(f[7]) << 24);
    const int n = f[ifd] | (f[ifd + 1] << 8);
    for (int i = 0; i < n; ++i) {
        std::uint8_t* e = &f[ifd + 2 + 12 * i];
        if ((e[0] | (e[1] << 8)) == tag) std::memcpy(e + 8, &value, 4);
    }
}

TEST(Tiff, ErrorsCarryTheLibraryText) {
    TempDir dir;
    DecodeResult r = DecodeBytes(Bytes{0x49, 0x49, 0x2A, 0, 0xFF, 0xFF, 0, 0});
    EXPECT_EQ(r.code, 1);
    EXPECT_GT(r.error.size(), Err("").size());  // libtiff said why

    // A single strip beyond the end of the data: the first row fails.
    TiffSpec s;
    s.rowsPerStrip = 5;
    Bytes f = WriteTiff(dir, s);
    PatchTag(f, TIFFTAG_STRIPOFFSETS, 100000);
    r = DecodeBytes(f);
    EXPECT_EQ(r.code, 7);
    EXPECT_NE(r.error, Err(""));

    // Failures below the first third leave those rows as they were.
    s = TiffSpec{};
    s.height = 9;
    s.rowsPerStrip = 9;
    f = WriteTiff(dir, s);
    PatchTag(f, TIFFTAG_STRIPBYTECOUNTS, 7 * 5);  // the strip ends after row 5
    CDrawDibBmp bmp;
    r = DecodeBytes(f, bmp);
    EXPECT_TRUE(r.ok) << r.error;
}

TEST(Tiff, TruncatedAndCorrupted) {
    TempDir dir;
    TiffSpec s;
    s.width = 6;
    s.height = 4;
    s.description = "d";
    ExpectRobust(WriteTiff(dir, s), 5);
    s.samples = 3;
    s.photometric = PHOTOMETRIC_RGB;
    s.compression = COMPRESSION_LZW;
    ExpectRobust(WriteTiff(dir, s), 5);
    s = TiffSpec{};
    s.bits = 1;
    s.compression = COMPRESSION_CCITTFAX4;
    s.photometric = PHOTOMETRIC_MINISWHITE;
    ExpectRobust(WrapInEps(WriteTiff(dir, s)), 7);
}

// The orientation tag turns the picture once, on the RGBA path (strips and
// tiles) and on the palette and gray path alike: the seen picture's top row
// and left column are the stored edges the tag names.
TEST(Tiff, EveryOrientationIsTurnedUprightOnEveryPath) {
    TempDir dir;
    TiffSpec rgb;
    rgb.samples = 3;
    rgb.photometric = PHOTOMETRIC_RGB;
    TiffSpec tiled = rgb;
    tiled.tiled = true;
    tiled.width = 19;
    TiffSpec gray;
    TiffSpec bilevel;
    bilevel.bits = 1;
    bilevel.width = 11;
    for (TiffSpec spec : {rgb, tiled, gray, bilevel}) {
        CDrawDibBmp stored;
        ASSERT_TRUE(DecodeBytes(WriteTiff(dir, spec), stored).ok);
        const int w = stored.GetWidth(), h = stored.GetHeight();
        for (int o = 1; o <= 8; ++o) {
            SCOPED_TRACE(testing::Message() << spec.samples << " samples of " << spec.bits << " bits"
                                            << (spec.tiled ? ", tiled" : "") << ", orientation " << o);
            spec.orientation = o;
            CDrawDibBmp seen;
            ASSERT_TRUE(DecodeBytes(WriteTiff(dir, spec), seen).ok);
            const bool swap = o >= 5;
            ASSERT_EQ(seen.GetSize(), (Size{swap ? h : w, swap ? w : h}));
            // Where the seen pixel (x, y) lies in the stored picture (px, py).
            for (int y = 0; y < seen.GetHeight(); ++y)
                for (int x = 0; x < seen.GetWidth(); ++x) {
                    // From the tag's words: 6 = stored row 0 on the right, column 0 on top.
                    int px = 0, py = 0;
                    switch (o) {
                        case 1: px = x; py = y; break;
                        case 2: px = w - 1 - x; py = y; break;
                        case 3: px = w - 1 - x; py = h - 1 - y; break;
                        case 4: px = x; py = h - 1 - y; break;
                        case 5: px = y; py = x; break;
                        case 6: px = y; py = h - 1 - x; break;
                        case 7: px = w - 1 - y; py = h - 1 - x; break;
                        case 8: px = w - 1 - y; py = x; break;
                    }
                    ASSERT_EQ(seen.GetPixel(x, y), stored.GetPixel(px, py)) << x << "," << y;
                }
        }
    }
}

}  // namespace
}  // namespace vellumo::test
