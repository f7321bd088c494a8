// The orientation a camera records turns the picture once, in the decoder:
// JPEG EXIF orientations 1 to 8 (baseline, progressive and with a first
// picture on the way), the TIFF tag on both paths, and what the header
// probe reads without decoding.
#include <algorithm>

#include "TestUtil.h"
#include "../../tools/photo-writers/TodayWriters.h"
#include "imaging/AnyBmp.h"
#include "imaging/ExifOrientation.h"
#include "imaging/Orientation.h"
#include "imaging/PhotoHeaderProbe.h"

namespace vellumo::test {
namespace {

// One edge of a picture, read in one direction.
enum class Edge { TopLR, TopRL, BottomLR, BottomRL, LeftTB, LeftBT, RightTB, RightBT };

std::vector<RGBAPixel> Read(const CBmp& b, Edge e) {
    std::vector<RGBAPixel> out;
    const int w = b.GetWidth(), h = b.GetHeight();
    switch (e) {
        case Edge::TopLR: for (int x = 0; x < w; ++x) out.push_back(b.GetPixel(x, 0)); break;
        case Edge::TopRL: for (int x = w - 1; x >= 0; --x) out.push_back(b.GetPixel(x, 0)); break;
        case Edge::BottomLR: for (int x = 0; x < w; ++x) out.push_back(b.GetPixel(x, h - 1)); break;
        case Edge::BottomRL: for (int x = w - 1; x >= 0; --x) out.push_back(b.GetPixel(x, h - 1)); break;
        case Edge::LeftTB: for (int y = 0; y < h; ++y) out.push_back(b.GetPixel(0, y)); break;
        case Edge::LeftBT: for (int y = h - 1; y >= 0; --y) out.push_back(b.GetPixel(0, y)); break;
        case Edge::RightTB: for (int y = 0; y < h; ++y) out.push_back(b.GetPixel(w - 1, y)); break;
        case Edge::RightBT: for (int y = h - 1; y >= 0; --y) out.push_back(b.GetPixel(w - 1, y)); break;
    }
    return out;
}

// As EXIF defines the orientations: which edge of the stored picture is the
// seen picture's top row (left to right) and its left column (top to bottom).
struct Seen {
    Edge top, left;
};
const Seen kSeen[9] = {{},
                       {Edge::TopLR, Edge::LeftTB},    {Edge::TopRL, Edge::RightTB},
                       {Edge::BottomRL, Edge::RightBT}, {Edge::BottomLR, Edge::LeftBT},
                       {Edge::LeftTB, Edge::TopLR},    {Edge::LeftBT, Edge::BottomLR},
                       {Edge::RightBT, Edge::BottomRL}, {Edge::RightTB, Edge::TopRL}};

void ExpectSeenAs(const CBmp& stored, const CBmp& seen, int orientation) {
    SCOPED_TRACE(testing::Message() << "orientation " << orientation);
    const bool swap = orientation >= 5;
    ASSERT_EQ(seen.GetWidth(), swap ? stored.GetHeight() : stored.GetWidth());
    ASSERT_EQ(seen.GetHeight(), swap ? stored.GetWidth() : stored.GetHeight());
    EXPECT_EQ(Read(seen, Edge::TopLR), Read(stored, kSeen[orientation].top));
    EXPECT_EQ(Read(seen, Edge::LeftTB), Read(stored, kSeen[orientation].left));
}

// Records what a first picture's sink is asked and given.
struct RecordingSink : PreviewSink {
    Size asked, shown;
    Size PreviewSizeFor(int width, int height, bool) override {
        asked = {width, height};
        return {width / 4, height / 4};
    }
    void ShowPreview(const CBmp& coarse) override { shown = coarse.GetSize(); }
};

TEST(Orientation, ExifBlocksAreReadInBothByteOrdersAndBadOnesMeanUpright) {
    const writers::Bytes jpeg = writers::WriteJpeg(writers::TestPicture(8, 8, false), 6);
    const auto exif = std::search(jpeg.begin(), jpeg.end(), std::begin("Exif"), std::end("Exif") - 1);
    ASSERT_NE(exif, jpeg.end());
    EXPECT_EQ(ExifOrientation(&*exif, 32), 6);
    EXPECT_EQ(ExifOrientation(&*exif, 20), 1);  // cut before the entry's value
    const std::uint8_t motorola[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2, 1, 0, 0, 3, 0, 0, 0, 1, 0, 9, 0, 0,
                                     1, 0x12, 0, 3, 0, 0, 0, 1, 0, 8, 0, 0};
    EXPECT_EQ(TiffOrientation(motorola, sizeof motorola), 8);
    EXPECT_EQ(TiffOrientation(motorola, sizeof motorola - 4), 1);  // the entry cut off
    std::uint8_t outside[sizeof motorola];
    std::memcpy(outside, motorola, sizeof motorola);
    outside[31] = 9;
    EXPECT_EQ(TiffOrientation(outside, sizeof outside), 1);
    EXPECT_EQ(ExifOrientation(reinterpret_cast<const std::uint8_t*>("http://ns.adobe.com/xap/1.0/"), 28), 1);
}

TEST(Orientation, JpegsOfEveryOrientationAreTurnedUpright) {
    const writers::Rgba picture = writers::TestPicture(24, 16, false);
    CDrawDibBmp stored;
    ASSERT_TRUE(DecodeBytes(writers::WriteJpeg(picture, 0), stored).ok);
    for (int o = 1; o <= 8; ++o) {
        CDrawDibBmp seen;
        ASSERT_TRUE(DecodeBytes(writers::WriteJpeg(picture, o), seen).ok);
        ExpectSeenAs(stored, seen, o);
    }
}

TEST(Orientation, LargeJpegsOnEveryPathAndTheirFirstPicturesAreUpright) {
    const writers::Rgba picture = writers::TestPicture(1280, 960, false);
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        writers::Bytes plain = writers::WriteJpeg(picture, 0), turned = writers::WriteJpeg(picture, 6);
        if (progressive) {
            plain = writers::MakeProgressive(plain);
            turned = writers::MakeProgressive(turned);
        }
        CDrawDibBmp stored, seen, hinted;
        ASSERT_TRUE(DecodeBytes(plain, stored).ok);
        RecordingSink sink;
        ASSERT_TRUE(DecodeBytes(turned, seen, 0, 0, &sink).ok);
        ExpectSeenAs(stored, seen, 6);
        EXPECT_EQ(sink.asked, (Size{960, 1280}));
        EXPECT_GT(sink.shown.cy, sink.shown.cx);  // the first picture stands upright too
        ASSERT_TRUE(DecodeBytes(turned, hinted, 0, 96).ok);
        EXPECT_GT(hinted.GetHeight(), hinted.GetWidth());
    }
}

TEST(Orientation, EightAndOneBitPicturesTurnWithTheirPalette) {
    CAnyBmp gray, bits, out;
    gray.Create(3, 2, 8, false);
    bits.Create(9, 2, 1, false);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 9; ++x) {
            if (x < 3) gray.SetPixel(x, y, static_cast<RGBAPixel>(x + 3 * y));
            bits.SetPixel(x, y, (x * 3 + y) % 4 == 0 ? 1u : 0u);
        }
    gray.GetPalette()[5] = MakePixel(1, 2, 3, 255);
    for (int o = 1; o <= 8; ++o) {
        TurnUpright(gray, out, o);
        ExpectSeenAs(gray, out, o);
        EXPECT_EQ(out.GetPalette()[5], MakePixel(1, 2, 3, 255));
        TurnUpright(bits, out, o);
        ExpectSeenAs(bits, out, o);
        CAnyBmp inPlace;
        inPlace.CopyFrom(gray);
        TurnUprightInPlace(inPlace, o);
        ExpectSeenAs(gray, inPlace, o);
    }
}

TEST(Orientation, TheHeaderProbeReadsOrientationAndProfilesWithoutDecoding) {
    TempDir dir;
    const writers::Rgba picture = writers::TestPicture(16, 16, true);
    auto probe = [&](const std::string& name, const writers::Bytes& bytes) {
        return ProbePhotoHeader(dir.Write(name, bytes));
    };
    EXPECT_EQ(probe("a.jpg", writers::WriteJpeg(picture, 6)).orientation, 6);
    writers::Bytes profiled = writers::WriteJpeg(picture, 0);
    const std::uint8_t app2[] = {0xFF, 0xE2, 0, 16, 'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
    profiled.insert(profiled.begin() + 2, app2, app2 + sizeof app2);
    const PhotoHeaderFacts jpeg = probe("b.jpg", profiled);
    EXPECT_EQ(jpeg.orientation, 1);
    EXPECT_TRUE(jpeg.colourProfile);
    writers::PngSpec png;
    png.width = png.height = 1;
    png.colourType = PNG_COLOR_TYPE_GRAY;
    png.rows = {{0}};
    EXPECT_FALSE(probe("c.png", writers::WritePng(png)).colourProfile);
    png.iccProfile = true;
    EXPECT_TRUE(probe("d.png", writers::WritePng(png)).colourProfile);
    // A WebP's extended header: the ICC flag.
    writers::Bytes webp = {'R', 'I', 'F', 'F', 30, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X', 10, 0, 0, 0, 0x20};
    webp.resize(40, 0);
    EXPECT_TRUE(probe("e.webp", webp).colourProfile);
    EXPECT_FALSE(probe("f.webp", writers::WriteWebp(picture, true)).colourProfile);
    // libheif describes its pictures by an nclx colr box: no profile.
    const PhotoHeaderFacts heic = probe("g.heic", writers::WriteHeif(picture, {}));
    EXPECT_EQ(heic.orientation, 1);
    EXPECT_FALSE(heic.colourProfile);
    writers::Bytes turned = writers::WriteHeif(picture, {});
    const auto at = std::search(turned.begin(), turned.end(), std::begin("pixi"), std::end("pixi") - 1);
    ASSERT_NE(at, turned.end());
    std::copy_n("irot", 4, at);
    at[4] = 3;
    EXPECT_NE(probe("i.heic", turned).orientation, 1);
    EXPECT_EQ(probe("h.jpg", {0xFF, 0xD8, 0xFF}).orientation, 1);  // cut short
    EXPECT_EQ(ProbePhotoHeader(dir.File("missing.jpg")).orientation, 1);
}

}  // namespace
}  // namespace vellumo::test
