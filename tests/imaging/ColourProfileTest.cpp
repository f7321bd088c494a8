// Colour profiles: the decoders hand over what the file says about its
// colours, and the pictures come out converted to the colours asked for.
#include <gtest/gtest.h>

#include <lcms2.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "imaging/AnyBmp.h"
#include "imaging/ColourProfile.h"
#include "imaging/ProfileBuilder.h"
#include "imaging/TestUtil.h"
#include "jpeg-writer/JpegWriter.h"
#include "photo-writers/TodayWriters.h"

namespace vellumo::test {
namespace {

Bytes Save(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// An RGB profile of the primaries (white, red, green, blue xy) and a gamma.
// padding: a description that long, so the profile needs several JPEG markers.
Bytes MakeProfile(const Chromaticities& c, double gamma, std::size_t padding = 0) {
    const cmsCIExyY white{c.whiteX, c.whiteY, 1.0};
    const cmsCIExyYTRIPLE primaries{{c.redX, c.redY, 1.0}, {c.greenX, c.greenY, 1.0}, {c.blueX, c.blueY, 1.0}};
    cmsToneCurve* tone = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {tone, tone, tone};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(tone);
    if (padding > 0) {
        cmsMLU* text = cmsMLUalloc(nullptr, 1);
        cmsMLUsetASCII(text, "en", "US", std::string(padding, 'p').c_str());
        cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
        cmsMLUfree(text);
    }
    return Save(profile);
}

// sRGB with red and green changed round: a value stored in the green
// channel is red light.
Bytes SwappedProfile(std::size_t padding = 0) {
    return MakeProfile({0.3127, 0.3290, 0.30, 0.60, 0.64, 0.33, 0.15, 0.06}, 2.2, padding);
}
Bytes ProPhotoProfile() { return MakeProfile({0.3457, 0.3585, 0.7347, 0.2653, 0.1596, 0.8404, 0.0366, 0.0001}, 1.8); }

Bytes SolidJpeg(int r, int g, int b, Bytes icc = {}, int size = 16) {
    jpegwriter::JpegSpec spec;
    spec.width = spec.height = size;
    spec.quality = 100;
    spec.iccProfile = std::move(icc);
    spec.sample = [=](int, int, int c) { return static_cast<std::uint8_t>(c == 0 ? r : c == 1 ? g : b); };
    return jpegwriter::EncodeJpeg(spec);
}

writers::PngSpec SolidPng(int r, int g, int b) {
    writers::PngSpec spec;
    spec.width = spec.height = 4;
    spec.rows.assign(4, Bytes{});
    for (Bytes& row : spec.rows)
        for (int x = 0; x < 4; ++x) row.insert(row.end(), {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)});
    return spec;
}

// A lossless WebP of one colour in the extended form, with an ICCP chunk.
Bytes SolidWebp(int r, int g, int b, const Bytes& icc) {
    writers::Rgba picture{4, 4, Bytes(64, 255)};
    for (int i = 0; i < 16; ++i) {
        picture.pixels[static_cast<std::size_t>(i) * 4] = static_cast<std::uint8_t>(r);
        picture.pixels[static_cast<std::size_t>(i) * 4 + 1] = static_cast<std::uint8_t>(g);
        picture.pixels[static_cast<std::size_t>(i) * 4 + 2] = static_cast<std::uint8_t>(b);
    }
    const Bytes still = writers::WriteWebp(picture, true);
    Bytes body = {'V', 'P', '8', 'X', 10, 0, 0, 0, 0x20, 0, 0, 0, 3, 0, 0, 3, 0, 0};
    body.insert(body.end(), {'I', 'C', 'C', 'P'});
    Put32(body, static_cast<std::uint32_t>(icc.size()));
    PutBytes(body, icc);
    if (icc.size() & 1) body.push_back(0);
    body.insert(body.end(), still.begin() + 12, still.end());
    Bytes file = {'R', 'I', 'F', 'F'};
    Put32(file, static_cast<std::uint32_t>(body.size() + 4));
    file.insert(file.end(), {'W', 'E', 'B', 'P'});
    PutBytes(file, body);
    return file;
}

// Decodes with the colours asked for (none: as the file gives them) and
// gives the profile the file was found to have.
ColourProfilePtr Decode(const Bytes& data, CBmp& bmp, ColourProfilePtr target, PreviewSink* preview = nullptr) {
    CAnyPicDecoder decoder;
    decoder.SetColourTarget(std::move(target));
    decoder.SetPreviewSink(preview);
    CMemorySource source;
    source.OpenBytes("memory", data.data(), data.size());
    decoder.DecodeSource(source, bmp, 0);
    return decoder.GetColourProfile();
}

RGBAPixel Colour(const CBmp& bmp, int x, int y) {
    RGBAPixel p = bmp.GetPixel(x, y);
    return bmp.GetBitsPerPixel() == 32 ? p : bmp.GetPalette()[p];
}

void ExpectNear(RGBAPixel p, int r, int g, int b, int levels) {
    EXPECT_NEAR(PixelRed(p), r, levels);
    EXPECT_NEAR(PixelGreen(p), g, levels);
    EXPECT_NEAR(PixelBlue(p), b, levels);
}

bool SamePixels(const CBmp& a, const CBmp& b) {
    if (a.GetSize().cx != b.GetSize().cx || a.GetSize().cy != b.GetSize().cy) return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if ((Colour(a, x, y) & 0xFFFFFF) != (Colour(b, x, y) & 0xFFFFFF)) return false;
    return true;
}

class FirstPicture : public PreviewSink {
public:
    Size PreviewSizeFor(int, int, bool) override { return {16, 16}; }
    void ShowPreview(const CBmp& coarse) override { colour = Colour(coarse, 0, 0); }
    RGBAPixel colour = 0;
};

TEST(ColourProfiles, EmbeddedProfilesThatSwapRedAndGreenShowTrueColours) {
    // Stored as green: with the profile it is red. The JPEG's profile spans
    // two APP2 markers, joined again in order.
    const Bytes swapped = SwappedProfile(40000);
    ASSERT_GT(swapped.size(), 65519u);
    // Large enough for its rows to be converted beside the decode.
    const Bytes jpeg = SolidJpeg(0, 200, 0, swapped, 768);
    CAnyBmp asStored, converted;
    ASSERT_TRUE(Decode(jpeg, asStored, nullptr));
    ExpectNear(Colour(asStored, 5, 5), 0, 200, 0, 2);
    const ColourProfilePtr found = Decode(jpeg, converted, SrgbProfile());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Icc(), swapped);
    ExpectNear(Colour(converted, 5, 5), 200, 0, 0, 3);
    // The first picture the viewer paints meanwhile is converted as well.
    FirstPicture first;
    Decode(jpeg, converted, SrgbProfile(), &first);
    ExpectNear(first.colour, 200, 0, 0, 3);

    // PNG: iCCP, in an RGB picture and in a palette picture; the cHRM
    // chunk of a picture without a profile. WebP: the ICCP chunk.
    writers::PngSpec rgb = SolidPng(0, 200, 0);
    rgb.icc = SwappedProfile();
    writers::PngSpec palette = SolidPng(0, 0, 0);
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {0, 200, 0};
    palette.rows.assign(4, Bytes(4, 0));
    palette.icc = rgb.icc;
    writers::PngSpec chunks = SolidPng(0, 200, 0);
    chunks.gamma = 1 / 2.2;
    chunks.chromaticities = {0.3127, 0.3290, 0.30, 0.60, 0.64, 0.33, 0.15, 0.06};
    for (const Bytes& file : {writers::WritePng(rgb), writers::WritePng(palette), writers::WritePng(chunks),
                              SolidWebp(0, 200, 0, SwappedProfile())}) {
        CAnyBmp bmp;
        EXPECT_TRUE(Decode(file, bmp, SrgbProfile()));
        ExpectNear(Colour(bmp, 1, 1), 200, 0, 0, 3);
    }
}

TEST(ColourProfiles, AProPhotoPhotoOfBrickRedShowsWhatLittleCmsGives) {
    // Brick red, sRGB (200, 60, 40), as ProPhoto values.
    const Bytes prophoto = ProPhotoProfile();
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE wide = cmsOpenProfileFromMem(prophoto.data(), static_cast<cmsUInt32Number>(prophoto.size()));
    cmsHTRANSFORM toWide = cmsCreateTransform(srgb, TYPE_RGB_8, wide, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    cmsHTRANSFORM toSrgb = cmsCreateTransform(wide, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    const std::uint8_t brick[3] = {200, 60, 40};
    std::uint8_t stored[3];
    cmsDoTransform(toWide, brick, stored, 1);
    CAnyBmp asStored, converted;
    const Bytes jpeg = SolidJpeg(stored[0], stored[1], stored[2], prophoto);
    Decode(jpeg, asStored, nullptr);
    Decode(jpeg, converted, SrgbProfile());
    ExpectNear(Colour(converted, 8, 8), 200, 60, 40, 4);
    const RGBAPixel s = Colour(asStored, 8, 8);
    const std::uint8_t decoded[3] = {std::uint8_t(PixelRed(s)), std::uint8_t(PixelGreen(s)), std::uint8_t(PixelBlue(s))};
    std::uint8_t expected[3];
    cmsDoTransform(toSrgb, decoded, expected, 1);
    ExpectNear(Colour(converted, 8, 8), expected[0], expected[1], expected[2], 1);

    // Every colour of a 32-level grid, in a picture large enough to be
    // converted on several threads, as Little CMS converts it.
    CAnyBmp grid;
    grid.Create(1024, 768, 32, false);
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const int i = (y * 1024 + x) % 32768;
            grid.SetPixel(x, y, MakePixel((i >> 10) * 255 / 31, ((i >> 5) & 31) * 255 / 31, (i & 31) * 255 / 31, 255));
        }
    CAnyBmp original;
    original.CopyFrom(grid);
    ASSERT_TRUE(ConvertColours(grid, ColourProfile(prophoto), *SrgbProfile()));
    int worst = 0;
    for (int y = 0; y < 768; y += 7)
        for (int x = 0; x < 1024; ++x) {
            const RGBAPixel p = original.GetPixel(x, y);
            const std::uint8_t in[3] = {std::uint8_t(PixelRed(p)), std::uint8_t(PixelGreen(p)), std::uint8_t(PixelBlue(p))};
            std::uint8_t out[3];
            cmsDoTransform(toSrgb, in, out, 1);
            const RGBAPixel q = grid.GetPixel(x, y);
            worst = std::max({worst, std::abs(PixelRed(q) - out[0]), std::abs(PixelGreen(q) - out[1]),
                              std::abs(PixelBlue(q) - out[2])});
        }
    EXPECT_LE(worst, 2);
    cmsDeleteTransform(toWide);
    cmsDeleteTransform(toSrgb);
    cmsCloseProfile(wide);
    cmsCloseProfile(srgb);
}

TEST(ColourProfiles, DamagedProfilesLeaveThePicturePlainWithoutAnError) {
    Bytes cut = SwappedProfile();
    cut.resize(200);
    Bytes garbage(600, 0x5A);
    for (const Bytes& icc : {cut, garbage}) {
        const Bytes jpeg = SolidJpeg(0, 200, 0, icc);
        CAnyBmp plain, converted;
        Decode(jpeg, plain, nullptr);
        ASSERT_NO_THROW(Decode(jpeg, converted, SrgbProfile()));
        EXPECT_TRUE(SamePixels(plain, converted));
    }
    // A profile header without tags (libpng may drop it, Little CMS cannot use it).
    writers::PngSpec png = SolidPng(0, 200, 0);
    png.iccProfile = true;
    CAnyBmp plain, converted;
    Decode(writers::WritePng(png), plain, nullptr);
    ASSERT_NO_THROW(Decode(writers::WritePng(png), converted, SrgbProfile()));
    EXPECT_TRUE(SamePixels(plain, converted));
    // A decode stopped while its rows are being converted beside it ends
    // as any stopped decode.
    std::atomic<bool> stop{true};
    CAnyPicDecoder decoder;
    decoder.SetStopFlag(&stop);
    decoder.SetColourTarget(SrgbProfile());
    const Bytes large = SolidJpeg(0, 200, 0, SwappedProfile(), 768);
    CMemorySource source;
    source.OpenBytes("memory", large.data(), large.size());
    EXPECT_THROW(decoder.DecodeSource(source, converted, 0), CTextException);
    // A damaged profile on a screen of another profile: taken as sRGB.
    const auto screen = std::make_shared<const ColourProfile>(SwappedProfile());
    Decode(SolidJpeg(200, 0, 0, garbage), converted, screen);
    ExpectNear(Colour(converted, 1, 1), 0, 200, 0, 3);
}

TEST(ColourProfiles, PhotosWithoutAProfileOrWithAnSrgbOneAreUntouched) {
    writers::Rgba picture = writers::TestPicture(64, 48, false);
    CAnyBmp plain, converted;
    const Bytes jpeg = writers::WriteJpeg(picture, 0);
    Decode(jpeg, plain, nullptr);
    EXPECT_FALSE(Decode(jpeg, converted, SrgbProfile()));
    EXPECT_EQ(0, std::memcmp(plain.GetLineArray()[0], converted.GetLineArray()[0], 64 * 48 * 4));
    // An embedded sRGB profile changes no colour: the pixels stay as they are.
    const Bytes srgb = Save(cmsCreate_sRGBProfile());
    jpegwriter::JpegSpec spec;
    spec.width = 64;
    spec.height = 48;
    spec.iccProfile = srgb;
    spec.sample = [&](int x, int y, int c) { return picture.at(x, y)[c]; };
    const Bytes tagged = jpegwriter::EncodeJpeg(spec);
    spec.iccProfile.clear();
    Decode(jpegwriter::EncodeJpeg(spec), plain, nullptr);
    EXPECT_TRUE(Decode(tagged, converted, SrgbProfile()));
    EXPECT_EQ(0, std::memcmp(plain.GetLineArray()[0], converted.GetLineArray()[0], 64 * 48 * 4));
    // On a screen of another profile they are sRGB, converted to it.
    const auto screen = std::make_shared<const ColourProfile>(SwappedProfile());
    Decode(SolidJpeg(200, 0, 0), converted, screen);
    ExpectNear(Colour(converted, 1, 1), 0, 200, 0, 3);
}

TEST(ColourProfiles, ColourDescriptionsWithoutAProfileMakeOneOnlyWhenNotSrgb) {
    EXPECT_TRUE(ProfileOfPngChunks(0.45455, std::nullopt).empty());
    EXPECT_TRUE(ProfileOfPngChunks(std::nullopt, Chromaticities{}).empty());
    EXPECT_TRUE(ProfileOfNclx(1, 13).empty());
    EXPECT_TRUE(ProfileOfNclx(2, 2).empty());
    EXPECT_TRUE(ProfileOfNclx(9, 16).empty());  // PQ: not taken on
    // A file gamma of 1: the values are linear light, mid gray is sRGB 188.
    CAnyBmp gray;
    gray.Create(1, 1, 32, false);
    gray.SetPixel(0, 0, MakePixel(128, 128, 128, 255));
    ASSERT_TRUE(ConvertColours(gray, ColourProfile(ProfileOfPngChunks(1.0, std::nullopt)), *SrgbProfile()));
    ExpectNear(gray.GetPixel(0, 0), 188, 188, 188, 2);
    // Display P3's red is redder than sRGB's: out of its gamut, clipped.
    CAnyBmp red;
    red.Create(1, 1, 32, false);
    red.SetPixel(0, 0, MakePixel(200, 60, 40, 255));
    ASSERT_TRUE(ConvertColours(red, ColourProfile(ProfileOfNclx(12, 13)), *SrgbProfile()));
    EXPECT_GT(PixelRed(red.GetPixel(0, 0)), 210);
    EXPECT_LT(PixelGreen(red.GetPixel(0, 0)), 60);
}

}  // namespace
}  // namespace vellumo::test
