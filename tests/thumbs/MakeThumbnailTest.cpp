#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "fakes/TempTree.h"
#include "imaging/AnyBmp.h"
#include "thumbs/MakeThumbnail.h"
#include "thumbs/ThumbnailFrames.h"
#include "ThumbTestFiles.h"

namespace vellumo {
namespace {

using testing::Rgb8;
using testing::TempTree;

constexpr std::uint32_t kTransparent = 0;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;

ThumbnailOptions Options(int size, bool border) {
    ThumbnailOptions o;
    o.size = size;
    o.border = border;
    o.borderColor = Rgb(0, 0, 255);
    return o;
}

void Fill32(CBmp& bmp, int w, int h, std::uint32_t colour) {
    bmp.Create(w, h, 32, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bmp.SetPixel(x, y, colour);
}

TEST(ThumbnailGeometry, PictureIsFittedAndCentred) {
    EXPECT_EQ(ThumbnailPictureRect(48, 3000, 2000), (Rect{0, 8, 48, 40}));
    EXPECT_EQ(ThumbnailPictureRect(48, 2000, 3000), (Rect{8, 0, 40, 48}));
    EXPECT_EQ(ThumbnailPictureRect(48, 1, 1), (Rect{0, 0, 48, 48}));
    // 64 * 480 / 640 = 48, top (64 - 48) / 2; odd margins round down.
    EXPECT_EQ(ThumbnailPictureRect(64, 640, 480), (Rect{0, 8, 64, 56}));
    EXPECT_EQ(ThumbnailPictureRect(50, 100, 33), (Rect{0, 17, 50, 33}));
    // A panorama far wider than the square still shows as one line.
    EXPECT_EQ(ThumbnailPictureRect(48, 10000, 1), (Rect{0, 23, 48, 24}));
}

TEST(ThumbnailPicture, WidePhotoWithBorderAndMask) {
    CAnyBmp photo;
    Fill32(photo, 3000, 2000, kRed);
    ThumbImagePtr t = ThumbnailFromBitmap(photo, Options(48, true));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->size, 48);
    EXPECT_EQ(t->at(0, 0), kBlue);
    EXPECT_EQ(t->at(47, 47), kBlue);
    EXPECT_EQ(t->at(20, 0), kBlue);      // the border crosses the margin
    EXPECT_EQ(t->at(20, 4), kTransparent);  // margin above the picture
    EXPECT_EQ(t->at(20, 7), kTransparent);
    EXPECT_EQ(t->at(20, 8), kRed);       // first picture row
    EXPECT_EQ(t->at(20, 39), kRed);      // last picture row
    EXPECT_EQ(t->at(20, 40), kTransparent);
    EXPECT_EQ(t->at(0, 20), kBlue);      // the border covers the picture's outer pixels
    EXPECT_EQ(t->at(47, 20), kBlue);
    EXPECT_EQ(t->at(1, 20), kRed);
}

TEST(ThumbnailPicture, WithoutBorderOnlyThePictureIsOpaque) {
    CAnyBmp photo;
    Fill32(photo, 3000, 2000, kRed);
    ThumbImagePtr t = ThumbnailFromBitmap(photo, Options(48, false));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->at(0, 0), kTransparent);
    EXPECT_EQ(t->at(0, 8), kRed);
    EXPECT_EQ(t->at(47, 39), kRed);
    EXPECT_EQ(t->at(47, 40), kTransparent);
}

TEST(ThumbnailPicture, OnePixelPhotoFillsTheSquare) {
    CAnyBmp photo;
    Fill32(photo, 1, 1, kGreen);
    ThumbImagePtr t = ThumbnailFromBitmap(photo, Options(32, false));
    ASSERT_TRUE(t);
    for (std::uint32_t p : t->pixels) ASSERT_EQ(p, kGreen);
}

TEST(ThumbnailPicture, FineQualityResamplesWhereTheStretchPicksPixels) {
    // A checkerboard of black and white pixels halved: the stretch keeps
    // pure pixels, the resize filter averages them to grey.
    CAnyBmp photo;
    photo.Create(64, 64, 32, false);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) photo.SetPixel(x, y, ((x + y) & 1) ? 0xFFFFFFFFu : 0xFF000000u);
    ThumbnailOptions o = Options(32, false);
    ThumbImagePtr plain = ThumbnailFromBitmap(photo, o);
    o.fineQuality = true;
    ThumbImagePtr fine = ThumbnailFromBitmap(photo, o);
    ASSERT_TRUE(plain && fine);
    const std::uint32_t p = plain->at(10, 10);
    EXPECT_TRUE(p == 0xFFFFFFFFu || p == 0xFF000000u) << std::hex << p;
    const int grey = static_cast<int>(fine->at(10, 10) & 0xFF);
    EXPECT_NEAR(grey, 128, 20);
    EXPECT_EQ(fine->at(10, 10) >> 24, 0xFFu);
}

TEST(ThumbnailPicture, PaletteBitmapsAreStretchedThroughTheirPalette) {
    CAnyBmp photo;
    photo.Create(4, 2, 8, false);
    RGBAPixel palette[256] = {};
    palette[7] = MakePixel(10, 20, 30, 0);
    photo.SetPalette(palette);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) photo.SetPixel(x, y, 7);
    ThumbImagePtr t = ThumbnailFromBitmap(photo, Options(32, false));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->at(16, 16), MakePixel(10, 20, 30, 255));
    EXPECT_EQ(t->at(16, 2), kTransparent);
}

TEST(ThumbnailFrames, WaitingIsAnOutlineAndFailureAddsTheDiagonals) {
    ThumbImage w = WaitingFrame(5, Rgb(255, 0, 0));
    ThumbImage f = FailureFrame(5, Rgb(255, 0, 0));
    const char* waiting[5] = {"#####", "#...#", "#...#", "#...#", "#####"};
    const char* failed[5] = {"#####", "##.##", "#.#.#", "##.##", "#####"};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(w.at(x, y), waiting[y][x] == '#' ? kRed : kTransparent) << x << "," << y;
            EXPECT_EQ(f.at(x, y), failed[y][x] == '#' ? kRed : kTransparent) << x << "," << y;
        }
}

// ---- From files ------------------------------------------------------------------

struct Files {
    TempTree tree;
    CAnyPicDecoder decoder;
};

TEST(MakeThumbnailFile, RotationTurnsThePhotoBeforeFitting) {
    Files f;
    // Left half red, right half green, 40 by 20.
    std::string path = f.tree.file("p.bmp", testing::BmpBytes(40, 20, [](int x, int) {
                                       return x < 20 ? Rgb8{255, 0, 0} : Rgb8{0, 255, 0};
                                   }));
    ThumbnailOptions o = Options(40, false);
    std::vector<std::string> asked;
    auto turn = [&](double angle) {
        return [&asked, angle](const std::string& p) {
            asked.push_back(p);
            return angle;
        };
    };
    ThumbImagePtr plain = MakeThumbnail(f.decoder, path, o, turn(0.0));
    ASSERT_TRUE(plain);
    EXPECT_EQ(asked, std::vector<std::string>{path});
    EXPECT_EQ(plain->at(5, 20), kRed);
    EXPECT_EQ(plain->at(35, 20), kGreen);
    EXPECT_EQ(plain->at(5, 5), kTransparent);

    // Two left turns: upside down, red on the right.
    ThumbImagePtr half = MakeThumbnail(f.decoder, path, o, turn(std::numbers::pi));
    ASSERT_TRUE(half);
    EXPECT_EQ(half->at(5, 20), kGreen);
    EXPECT_EQ(half->at(35, 20), kRed);

    // One left turn: tall, the left half (red) at the bottom.
    ThumbImagePtr left = MakeThumbnail(f.decoder, path, o, turn(std::numbers::pi / 2));
    ASSERT_TRUE(left);
    EXPECT_EQ(left->at(20, 35), kRed);
    EXPECT_EQ(left->at(20, 5), kGreen);
    EXPECT_EQ(left->at(5, 20), kTransparent);
}

// On a screen the desktop scales by 2, a 40-pixel cell is 80 screen pixels:
// the thumbnail carries a copy that large, turned, framed and masked alike,
// while its own pixels stay those of a plain screen (the caches keep them).
TEST(MakeThumbnailFile, ADenseScreensCellGetsASharpCopyOfItsSize) {
    Files f;
    std::string path = f.tree.file("p.bmp", testing::BmpBytes(160, 80, [](int x, int) {
                                       return x < 80 ? Rgb8{255, 0, 0} : Rgb8{0, 255, 0};
                                   }));
    int turns = 0;
    auto halfTurn = [&turns](const std::string&) {
        ++turns;
        return std::numbers::pi;
    };
    ThumbnailOptions o = Options(40, true);
    ThumbImagePtr plain = MakeThumbnail(f.decoder, path, o, halfTurn);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->sharp);
    o.deviceSize = 80;
    turns = 0;
    ThumbImagePtr dense = MakeThumbnail(f.decoder, path, o, halfTurn);
    ASSERT_TRUE(dense);
    EXPECT_EQ(turns, 1);
    EXPECT_EQ(*dense, *plain);
    ASSERT_TRUE(dense->sharp);
    const ThumbImage& sharp = *dense->sharp;
    ASSERT_EQ(sharp.size, 80);
    EXPECT_EQ(sharp.at(10, 40), kGreen);  // turned half round: green on the left
    EXPECT_EQ(sharp.at(70, 40), kRed);
    EXPECT_EQ(sharp.at(40, 5), kTransparent);
    EXPECT_EQ(sharp.at(0, 40), kBlue);  // the border, two pixels wide as one is on the cell
    EXPECT_EQ(sharp.at(1, 40), kBlue);
    EXPECT_EQ(sharp.at(2, 40), kGreen);
    o.deviceSize = 40;
    EXPECT_FALSE(MakeThumbnail(f.decoder, path, o, halfTurn)->sharp);
}

TEST(MakeThumbnailFile, UndecodablePhotosGiveNothing) {
    Files f;
    std::string broken = f.tree.file("broken.jpg", "\xFF\xD8\xFF\xE0 not really a jpeg");
    EXPECT_FALSE(MakeThumbnail(f.decoder, broken, Options(48, true), {}));
    EXPECT_FALSE(MakeThumbnail(f.decoder, f.tree.path("missing.bmp"), Options(48, true), {}));
    std::string empty = f.tree.file("empty.bmp", "");
    EXPECT_FALSE(MakeThumbnail(f.decoder, empty, Options(48, true), {}));
    // The decoder still works afterwards.
    std::string good = f.tree.file("good.bmp", testing::SolidBmp(3, 3, {0, 0, 255}));
    ThumbImagePtr t = MakeThumbnail(f.decoder, good, Options(48, false), {});
    ASSERT_TRUE(t);
    EXPECT_EQ(t->at(24, 24), kBlue);
}

// A photograph-like picture: broad gradients, a soft-edged shape, mid-sized
// detail and a little sensor noise.
Rgb8 PhotoLike(int x, int y) {
    const unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
    const double noise = static_cast<double>((h >> 7) % 7) - 3;
    const double v = 128 + 80 * std::sin(x / 150.0) * std::cos(y / 110.0) + 30 * std::sin((x + 2 * y) / 40.0) + noise;
    const double d = std::hypot(x - 900.0, y - 500.0);
    const double disc = std::clamp((420.0 - d) / 12.0, 0.0, 1.0);
    const int r = static_cast<int>(std::clamp(v, 0.0, 255.0));
    const int g = static_cast<int>(std::clamp(200 - v / 2 + noise, 0.0, 255.0));
    const int b = static_cast<int>(60 + 140 * disc + noise);
    return {r, g, std::clamp(b, 0, 255)};
}

double MeanChannelDifference(const ThumbImage& a, const ThumbImage& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        for (int c = 0; c < 4; ++c)
            sum += std::abs(static_cast<int>((a.pixels[i] >> (8 * c)) & 0xFF) -
                            static_cast<int>((b.pixels[i] >> (8 * c)) & 0xFF));
    return sum / (static_cast<double>(a.pixels.size()) * 4);
}

TEST(MakeThumbnailFile, ScaledJpegDecodeStaysCloseToTheFullDecode) {
    Files f;
    std::string path = f.tree.file("photo.jpg", testing::JpegBytes(1600, 1200, PhotoLike));
    for (bool fine : {false, true}) {
        ThumbnailOptions o = Options(48, true);
        o.fineQuality = fine;
        ThumbImagePtr fast = MakeThumbnail(f.decoder, path, o, {});
        ThumbImagePtr full = MakeThumbnail(f.decoder, path, o, {}, true);
        ASSERT_TRUE(fast && full);
        EXPECT_LE(MeanChannelDifference(*fast, *full), 4.0) << "fine " << fine;
        EXPECT_EQ(ThumbnailPictureRect(48, 1600, 1200), (Rect{0, 6, 48, 42}));
        EXPECT_EQ(fast->at(20, 3), kTransparent);
    }
}

TEST(JpegSizeHint, SmallestEighthScaleStillTwiceTheThumbnail) {
    Files f;
    std::string path = f.tree.file("photo.jpg", testing::JpegBytes(1600, 1200, PhotoLike));
    CAnyBmp bmp;
    f.decoder.SetSizeHint(96);  // 1600 / 8 = 200 is enough
    f.decoder.DecodeFile(path, bmp);
    EXPECT_EQ(bmp.GetSize(), (Size{200, 150}));
    f.decoder.SetSizeHint(256);  // 2/8 gives 400
    f.decoder.DecodeFile(path, bmp);
    EXPECT_EQ(bmp.GetSize(), (Size{400, 300}));
    f.decoder.SetSizeHint(1500);  // nothing below full size reaches it
    f.decoder.DecodeFile(path, bmp);
    EXPECT_EQ(bmp.GetSize(), (Size{1600, 1200}));
    f.decoder.SetSizeHint(0);
    f.decoder.DecodeFile(path, bmp);
    EXPECT_EQ(bmp.GetSize(), (Size{1600, 1200}));
}

}  // namespace
}  // namespace vellumo
