// PNG, WebP, HEIC and AVIF: every PNG kind to its exact pixels, the lossy
// formats within rounding of what was encoded, alpha, scaled decodes, and
// the framework's codes for files cut short or damaged.
#include <algorithm>
#include <array>
#include <cmath>

#include "TestUtil.h"
#include "../../tools/photo-writers/TodayWriters.h"
#include "imaging/AlphaMatte.h"
#include "imaging/AnyBmp.h"
#include "imaging/PngChunks.h"
#include "thumbs/ThumbnailPng.h"

namespace vellumo::test {
namespace {

using writers::PngSpec;
using writers::Rgba;

// The colour of a pixel of any depth as red, green, blue, alpha bytes.
std::array<int, 4> Colour(const CBmp& bmp, int x, int y) {
    RGBAPixel p = bmp.GetPixel(x, y);
    if (bmp.GetBitsPerPixel() <= 8) p = bmp.GetPalette()[p];
    return {PixelRed(p), PixelGreen(p), PixelBlue(p), bmp.HasAlpha() ? PixelAlpha(p) : 255};
}

// Largest difference of any channel between the bitmap and the picture.
int MaxDifference(const CBmp& bmp, const Rgba& p, bool alpha) {
    int worst = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const auto c = Colour(bmp, x, y);
            for (int k = 0; k < (alpha ? 4 : 3); ++k) worst = std::max(worst, std::abs(c[k] - p.at(x, y)[k]));
        }
    return worst;
}

// Mean difference per channel: lossy formats blur the picture's sharp corner.
double MeanDifference(const CBmp& bmp, const Rgba& p, bool alpha) {
    double sum = 0;
    const int channels = alpha ? 4 : 3;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const auto c = Colour(bmp, x, y);
            for (int k = 0; k < channels; ++k) sum += std::abs(c[k] - p.at(x, y)[k]);
        }
    return sum / (static_cast<double>(p.width) * p.height * channels);
}

// ---- PNG ---------------------------------------------------------------------

// The CRC of a PNG chunk (type and data).
std::uint32_t ChunkCrc(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

struct PngKind {
    int colourType, bitDepth;
    bool interlaced, transparency;
};

// A PNG of the kind with varied samples, and the picture it must decode to.
std::pair<Bytes, Rgba> MakePng(const PngKind& k, int w = 13, int h = 9) {
    PngSpec s;
    s.width = w;
    s.height = h;
    s.bitDepth = k.bitDepth;
    s.colourType = k.colourType;
    s.interlaced = k.interlaced;
    const int channels = k.colourType == PNG_COLOR_TYPE_GRAY ? 1 : k.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : k.colourType == PNG_COLOR_TYPE_RGB ? 3 : k.colourType == PNG_COLOR_TYPE_RGBA ? 4 : 1;
    const int top = (1 << k.bitDepth) - 1;
    auto sample = [&](int x, int y, int c) { return (x * 37 + y * 101 + c * 59 + x * y * 7) % (top + 1); };
    auto to8 = [&](int v) {
        return k.bitDepth == 16 ? static_cast<int>(std::lround(v / 257.0)) : v * 255 / top;
    };
    if (k.colourType == PNG_COLOR_TYPE_PALETTE)
        for (int i = 0; i <= top; ++i) s.palette.insert(s.palette.end(), {std::uint8_t(i * 3), std::uint8_t(255 - i), std::uint8_t(i * 7)});
    const int keyed = sample(2, 1, 0);  // the sample value tRNS makes transparent
    if (k.transparency) {
        if (k.colourType == PNG_COLOR_TYPE_PALETTE)
            for (int i = 0; i <= top; ++i) s.transparency.push_back(static_cast<std::uint8_t>(255 - i * 255 / top));
        else
            for (int c = 0; c < channels; ++c) s.transparency.insert(s.transparency.end(), {std::uint8_t(keyed >> 8), std::uint8_t(keyed & 0xFF)});
    }
    Rgba expected{w, h, Bytes(static_cast<std::size_t>(w) * h * 4)};
    for (int y = 0; y < h; ++y) {
        Bytes row((static_cast<std::size_t>(w) * channels * k.bitDepth + 7) / 8, 0);
        for (int x = 0; x < w; ++x) {
            int v[4];
            for (int c = 0; c < channels; ++c) {
                // With a transparent colour all channels share the sample, so the key can match.
                v[c] = k.transparency ? sample(x, y, 0) : sample(x, y, c);
                const std::size_t bit = (static_cast<std::size_t>(x) * channels + c) * k.bitDepth;
                if (k.bitDepth == 16) {
                    row[bit / 8] = static_cast<std::uint8_t>(v[c] >> 8);
                    row[bit / 8 + 1] = static_cast<std::uint8_t>(v[c] & 0xFF);
                } else {
                    row[bit / 8] |= static_cast<std::uint8_t>(v[c] << (8 - k.bitDepth - bit % 8));
                }
            }
            std::uint8_t* e = expected.at(x, y);
            if (k.colourType == PNG_COLOR_TYPE_PALETTE) {
                for (int c = 0; c < 3; ++c) e[c] = s.palette[static_cast<std::size_t>(v[0]) * 3 + c];
                e[3] = k.transparency ? s.transparency[static_cast<std::size_t>(v[0])] : 255;
            } else {
                const bool colour = channels >= 3;
                for (int c = 0; c < 3; ++c) e[c] = static_cast<std::uint8_t>(to8(v[colour ? c : 0]));
                e[3] = channels == 2 || channels == 4 ? static_cast<std::uint8_t>(to8(v[channels - 1]))
                       : (k.transparency && v[0] == keyed) ? 0 : 255;
            }
        }
        s.rows.push_back(std::move(row));
    }
    return {writers::WritePng(s), expected};
}

TEST(Png, EveryKindDecodesToItsExactPixels) {
    const PngKind kinds[] = {
        {PNG_COLOR_TYPE_GRAY, 1, false, false},   {PNG_COLOR_TYPE_GRAY, 2, true, false},
        {PNG_COLOR_TYPE_GRAY, 4, false, false},   {PNG_COLOR_TYPE_GRAY, 8, false, false},
        {PNG_COLOR_TYPE_GRAY, 16, true, false},   {PNG_COLOR_TYPE_GRAY, 8, false, true},
        {PNG_COLOR_TYPE_GRAY, 16, false, true},   {PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
        {PNG_COLOR_TYPE_GRAY_ALPHA, 16, true, false}, {PNG_COLOR_TYPE_PALETTE, 1, false, false},
        {PNG_COLOR_TYPE_PALETTE, 2, false, true}, {PNG_COLOR_TYPE_PALETTE, 4, true, false},
        {PNG_COLOR_TYPE_PALETTE, 8, false, true}, {PNG_COLOR_TYPE_RGB, 8, false, false},
        {PNG_COLOR_TYPE_RGB, 16, true, false},    {PNG_COLOR_TYPE_RGB, 8, true, true},
        {PNG_COLOR_TYPE_RGBA, 8, false, false},   {PNG_COLOR_TYPE_RGBA, 16, true, false},
    };
    for (const PngKind& k : kinds) {
        SCOPED_TRACE(testing::Message() << "colour type " << k.colourType << ", " << k.bitDepth << " bits"
                                        << (k.interlaced ? ", interlaced" : "") << (k.transparency ? ", tRNS" : ""));
        auto [file, expected] = MakePng(k);
        ASSERT_FALSE(file.empty());
        CDrawDibBmp bmp;
        ASSERT_TRUE(DecodeBytes(file, bmp).ok);
        const bool alpha = (k.colourType & PNG_COLOR_MASK_ALPHA) || k.transparency;
        const bool small = !alpha && (k.colourType == PNG_COLOR_TYPE_GRAY || k.colourType == PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(bmp.GetBitsPerPixel(), small ? 8 : 32);
        EXPECT_EQ(bmp.AlphaShown(), alpha);
        EXPECT_EQ(MaxDifference(bmp, expected, true), 0);
    }
}

TEST(Png, CutShortDamagedOrTooLargeGiveTheFrameworksCodes) {
    const Bytes good = MakePng({PNG_COLOR_TYPE_RGB, 8, false, false}, 40, 30).first;
    EXPECT_EQ(DecodeBytes(Bytes(good.begin(), good.end() - 30)).code, ErrEndOfFile);
    EXPECT_EQ(DecodeBytes(Bytes(good.begin(), good.begin() + 20)).code, ErrEndOfFile);
    Bytes damaged = good;
    damaged[good.size() - 40] ^= 0x55;  // inside the image data: its CRC no longer holds
    EXPECT_EQ(DecodeBytes(damaged).code, ErrFormatNotSupported);
    // 40000 x 40000 declared (the IHDR's CRC made right): refused before any row.
    Bytes huge = good;
    for (int i : {16, 20}) {
        huge[i] = 0;
        huge[i + 1] = 0;
        huge[i + 2] = 0x9C;
        huge[i + 3] = 0x40;
    }
    const std::uint32_t crc = ChunkCrc(huge.data() + 12, 17);
    for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    EXPECT_EQ(DecodeBytes(huge).code, ErrOutOfMemory);
    ExpectRobust(good, 7);
}

// A side chunk whose damaged length claims 1.9 GB ends the file where it
// starts: before the picture, a file cut short; after it, the picture whole.
TEST(Png, AChunkLongerThanTheFileEndsTheFileThere) {
    const Bytes good = MakePng({PNG_COLOR_TYPE_RGB, 8, false, false}, 40, 30).first;
    EXPECT_EQ(PngUsableLength(good.data(), good.size()), good.size());
    const Bytes claim = {0x74, 0x65, 0x3a, 0x63, 't', 'E', 'X', 't', 'd', 'a', 't', 'e'};
    Bytes early = good;
    early.insert(early.begin() + 33, claim.begin(), claim.end());  // right after IHDR
    EXPECT_EQ(PngUsableLength(early.data(), early.size()), 33u);
    EXPECT_EQ(DecodeBytes(early).code, ErrEndOfFile);
    Bytes late = good;
    late.insert(late.end() - 12, claim.begin(), claim.end());  // before IEND
    EXPECT_EQ(PngUsableLength(late.data(), late.size()), good.size() - 12);
    EXPECT_TRUE(DecodeBytes(late).ok);
    EXPECT_FALSE(ReadPng(std::string_view(reinterpret_cast<const char*>(late.data()), late.size()), 64));
    // Picture data cut short is read as far as it goes.
    EXPECT_EQ(PngUsableLength(good.data(), good.size() - 30), good.size() - 30);
}

// ---- WebP --------------------------------------------------------------------

TEST(Webp, LosslessIsExactLossyIsCloseAlphaIsShown) {
    const Rgba p = writers::TestPicture(31, 17, true);
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(writers::WriteWebp(p, true), bmp).ok);
    EXPECT_TRUE(bmp.AlphaShown());
    EXPECT_EQ(MaxDifference(bmp, p, true), 0);

    const Rgba opaque = writers::TestPicture(64, 48, false);
    ASSERT_TRUE(DecodeBytes(writers::WriteWebp(opaque, false, 100), bmp).ok);
    EXPECT_FALSE(bmp.AlphaShown());
    EXPECT_LT(MeanDifference(bmp, opaque, false), 4.0);
}

TEST(Webp, SizeHintScalesAndAnimationGivesTheFirstFrame) {
    const Rgba p = writers::TestPicture(400, 200, false);
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(writers::WriteWebp(p, true), bmp, 0, 96).ok);
    EXPECT_EQ(bmp.GetWidth(), 96);
    EXPECT_EQ(bmp.GetHeight(), 48);

    Rgba second = writers::TestPicture(20, 10, false);
    for (auto& b : second.pixels) b = static_cast<std::uint8_t>(255 - b);
    const Rgba first = writers::TestPicture(20, 10, true);
    const Bytes animated = writers::WriteAnimatedWebp({first, second});
    ASSERT_TRUE(DecodeBytes(animated, bmp).ok);
    EXPECT_EQ(MaxDifference(bmp, first, true), 0);
    EXPECT_EQ(DecodeBytes(Bytes(animated.begin(), animated.end() - 10)).code, ErrEndOfFile);
}

TEST(Webp, CutShortOrDamagedGiveTheFrameworksCodes) {
    const Bytes good = writers::WriteWebp(writers::TestPicture(40, 30, false), false);
    EXPECT_EQ(DecodeBytes(Bytes(good.begin(), good.end() - 20)).code, ErrEndOfFile);
    Bytes damaged = good;
    damaged[12] = 'X';  // no known chunk after the RIFF header
    EXPECT_NE(DecodeBytes(damaged).code, 0);
    EXPECT_NE(DecodeBytes(damaged).code, ErrEndOfFile);
    ExpectRobust(good, 5);
}

// ---- HEIC and AVIF ---------------------------------------------------------------

TEST(Heif, HeicAndAvifDecodeCloseToWhatWasEncoded) {
    const Rgba p = writers::TestPicture(64, 48, false);
    for (bool avif : {false, true}) {
        SCOPED_TRACE(avif ? "AVIF" : "HEIC");
        writers::HeifSpec s;
        s.avif = avif;
        s.quality = 95;
        const Bytes file = writers::WriteHeif(p, s);
        ASSERT_FALSE(file.empty());
        CDrawDibBmp bmp;
        ASSERT_TRUE(DecodeBytes(file, bmp).ok);
        EXPECT_EQ(bmp.GetSize(), (Size{64, 48}));
        EXPECT_FALSE(bmp.AlphaShown());
        EXPECT_LT(MeanDifference(bmp, p, false), 4.0);
    }
}

TEST(Heif, AlphaTenBitsAndTheThumbnailForASizeHint) {
    const Rgba p = writers::TestPicture(64, 48, true);
    writers::HeifSpec s;
    s.alpha = true;
    s.bitDepth = 10;
    s.thumbnail = 32;
    s.quality = 95;
    const Bytes file = writers::WriteHeif(p, s);
    ASSERT_FALSE(file.empty());
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(file, bmp).ok);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    EXPECT_TRUE(bmp.AlphaShown());
    EXPECT_LT(MeanDifference(bmp, p, true), 4.0);
    // A hint the thumbnail meets: the thumbnail; a larger one: the picture.
    ASSERT_TRUE(DecodeBytes(file, bmp, 0, 32).ok);
    EXPECT_EQ(bmp.GetWidth(), 32);
    ASSERT_TRUE(DecodeBytes(file, bmp, 0, 33).ok);
    EXPECT_EQ(bmp.GetWidth(), 64);
}

// A large picture is interleaved on several threads: every row, each part's
// first and last included, holds exactly what libheif's own interleaved
// output holds, with and without alpha.
TEST(Heif, ALargePictureHoldsTheLibrarysOwnPixelsInEveryRow) {
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "alpha" : "no alpha");
        writers::HeifSpec s;
        s.alpha = alpha;
        const Bytes file = writers::WriteHeif(writers::TestPicture(1024, 600, alpha), s);
        ASSERT_FALSE(file.empty());
        CDrawDibBmp bmp;
        ASSERT_TRUE(DecodeBytes(file, bmp).ok);
        ASSERT_EQ(bmp.GetSize(), (Size{1024, 600}));

        heif_context* ctx = heif_context_alloc();
        ASSERT_EQ(heif_context_read_from_memory_without_copy(ctx, file.data(), file.size(), nullptr).code, heif_error_Ok);
        heif_image_handle* handle = nullptr;
        ASSERT_EQ(heif_context_get_primary_image_handle(ctx, &handle).code, heif_error_Ok);
        heif_image* image = nullptr;
        ASSERT_EQ(heif_decode_image(handle, &image, heif_colorspace_RGB,
                                    alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr)
                      .code,
                  heif_error_Ok);
        int stride = 0;
        const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
        int differing = 0;
        const int channels = alpha ? 4 : 3;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 1024; ++x) {
                const auto c = Colour(bmp, x, y);
                const std::uint8_t* q = plane + static_cast<std::size_t>(y) * stride + x * channels;
                for (int k = 0; k < channels; ++k) differing += c[k] != q[k];
            }
        EXPECT_EQ(differing, 0);
        heif_image_release(image);
        heif_image_handle_release(handle);
        heif_context_free(ctx);
    }
}

// The file's own transformations turn the picture (a rotation property put
// in place of the pixel-information one, which only describes the samples);
// an EXIF orientation inside a HEIF file is not applied on top.
TEST(Heif, TheDeclaredRotationTurnsThePictureAndExifDoesNot) {
    writers::HeifSpec s;
    s.exifOrientation = 6;
    const Bytes plain = writers::WriteHeif(writers::TestPicture(24, 16, false), s);
    Bytes turned = plain;
    const auto at = std::search(turned.begin(), turned.end(), std::begin("pixi"), std::end("pixi") - 1);
    ASSERT_NE(at, turned.end());
    std::copy_n("irot", 4, at);
    at[4] = 1;  // a quarter turn counter-clockwise
    CDrawDibBmp stored, seen;
    ASSERT_TRUE(DecodeBytes(plain, stored).ok);
    ASSERT_EQ(stored.GetSize(), (Size{24, 16}));
    ASSERT_TRUE(DecodeBytes(turned, seen).ok);
    ASSERT_EQ(seen.GetSize(), (Size{16, 24}));
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(seen.GetPixel(x, y), stored.GetPixel(23 - y, x)) << x << "," << y;
}

TEST(Heif, DamagedFilesGiveTheFrameworksCodes) {
    writers::HeifSpec s;
    const Bytes good = writers::WriteHeif(writers::TestPicture(64, 48, false), s);
    ASSERT_FALSE(good.empty());
    const int cut = DecodeBytes(Bytes(good.begin(), good.begin() + 40)).code;
    EXPECT_TRUE(cut == ErrEndOfFile || cut == ErrFormatNotSupported) << cut;
    EXPECT_NE(DecodeBytes(Bytes(good.begin(), good.end() - 100)).code, 0);
    ExpectRobust(good, 61);
}

// The codec decodes at its stream's size and libheif 1.15 believes a grid's
// canvas: a picture coded (or a canvas declared) larger than the file says
// is refused before anything is decoded. Padding a codec adds is allowed.
TEST(Heif, APictureLargerThanItsDeclaredSizeIsRefusedBeforeDecoding) {
    for (const bool avif : {false, true}) {
        SCOPED_TRACE(avif ? "AVIF" : "HEIC");
        writers::HeifSpec s;
        s.avif = avif;
        const Bytes good = writers::WriteHeif(writers::TestPicture(200, 150, false), s);
        const char ispe[] = {'i', 's', 'p', 'e'};
        const auto at = std::search(good.begin(), good.end(), std::begin(ispe), std::end(ispe));
        ASSERT_NE(at, good.end());
        const std::size_t sizeAt = static_cast<std::size_t>(at - good.begin()) + 8;  // after version and flags
        auto declaring = [&](std::uint32_t w, std::uint32_t h) {
            Bytes b = good;
            for (int i = 0; i < 4; ++i) {
                b[sizeAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
                b[sizeAt + 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(h >> (24 - 8 * i));
            }
            return b;
        };
        EXPECT_TRUE(DecodeBytes(declaring(200, 150)).ok);
        const DecodeResult small = DecodeBytes(declaring(100, 150));
        EXPECT_EQ(small.code, ErrFormatNotSupported);
        EXPECT_EQ(small.error, Err("HEIF image coded larger than its declared size."));
        EXPECT_EQ(DecodeBytes(declaring(200, 80)).code, ErrFormatNotSupported);
        EXPECT_NE(DecodeBytes(declaring(150, 100)).code, ErrFormatNotSupported);  // within the padding
    }
    // Grids whose canvas libheif read past the grid's own data, from the
    // next box: 14441 x 27759 and 30326 x 25393 pixels for a picture of
    // 24 x 16 (found by fuzzing; they took gigabytes). The boxes show the
    // first two; the third (an iloc read differently) meets libheif's own
    // limit on the canvas, set to the declared size.
    for (const char* name : {"grid-canvas-past-its-data-1", "grid-canvas-past-its-data-2"}) {
        const Bytes file = ReadFile(std::string(VELLUMO_SOURCE_DIR) + "/fuzz/regressions/heif/" + name);
        ASSERT_FALSE(file.empty()) << name;
        EXPECT_EQ(DecodeBytes(file).code, ErrFormatNotSupported) << name;
    }
    const Bytes third = ReadFile(std::string(VELLUMO_SOURCE_DIR) + "/fuzz/regressions/heif/grid-canvas-past-its-data-3");
    ASSERT_FALSE(third.empty());
    EXPECT_EQ(DecodeBytes(third).code, ErrOutOfMemory);
    // A thumbnail derived from an item that is no picture: libheif 1.15
    // asserted (the program ended) decoding it as a first picture.
    const Bytes derived = ReadFile(std::string(VELLUMO_SOURCE_DIR) + "/fuzz/regressions/heif/derived-from-no-picture");
    ASSERT_FALSE(derived.empty());
    EXPECT_EQ(DecodeBytes(derived).code, ErrFormatNotSupported);
}

// ---- Detection and the background under alpha -------------------------------------

TEST(TodayFormats, DetectedByContentAfterTheFormatsOfOld) {
    auto detect = [](Bytes b) {
        b.resize(600, 0);
        return DetectFormat(b.data(), 600);
    };
    EXPECT_EQ(detect({0x89, 'P', 'N', 'G'}), FormatPng);
    EXPECT_EQ(detect({'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'E', 'B', 'P'}), FormatWebp);
    EXPECT_EQ(detect({'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'A', 'V', 'E'}), FormatUnknown);
    // The brand decides, major or compatible, within the ftyp box.
    EXPECT_EQ(detect({0, 0, 0, 16, 'f', 't', 'y', 'p', 'a', 'v', 'i', 'f', 0, 0, 0, 0}), FormatHeif);
    EXPECT_EQ(detect({0, 0, 0, 24, 'f', 't', 'y', 'p', 'x', 'x', 'x', 'x', 0, 0, 0, 0, 'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'}),
              FormatHeif);
    EXPECT_EQ(detect({0, 0, 0, 20, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm', 0, 0, 0, 0, 'm', 'p', '4', '1', 'h', 'e', 'i', 'c'}),
              FormatUnknown);  // "heic" lies past the box
    EXPECT_EQ(DecodeBytes({0, 0, 0, 16, 'f', 't', 'y', 'p', 'm', 'p', '4', '2', 0, 0, 0, 0}).code, ErrUnknownFileType);
    // A TGA-looking header still wins over a later test.
    EXPECT_EQ(detect({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 24, 'f', 't', 'y', 'p'}), FormatTga);
}

TEST(TodayFormats, ShownAlphaIsLaidOverTheBackgroundOnlyForThoseFormats) {
    CAnyBmp bmp;
    bmp.Create(3, 1, 32, true);
    bmp.SetPixel(0, 0, MakePixel(200, 100, 0, 0));
    bmp.SetPixel(1, 0, MakePixel(200, 100, 0, 255));
    bmp.SetPixel(2, 0, MakePixel(200, 100, 0, 128));
    EXPECT_FALSE(ShowOverBackground(bmp, Rgb(10, 20, 30)));  // a TGA's alpha: left alone
    EXPECT_EQ(PixelAlpha(bmp.GetPixel(0, 0)), 0);
    bmp.SetAlphaShown(true);
    EXPECT_TRUE(ShowOverBackground(bmp, Rgb(10, 20, 30)));
    EXPECT_EQ(bmp.GetPixel(0, 0), MakePixel(10, 20, 30, 255));
    EXPECT_EQ(bmp.GetPixel(1, 0), MakePixel(200, 100, 0, 255));
    EXPECT_EQ(bmp.GetPixel(2, 0), MakePixel(105, 60, 15, 255));  // (200*128 + 10*127) / 255, rounded
    EXPECT_FALSE(bmp.HasAlpha());
    EXPECT_FALSE(bmp.AlphaShown());
}

}  // namespace
}  // namespace vellumo::test
