// The desktop's shared thumbnail cache: entry names, the PNG files and
// which entries count.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fakes/TempTree.h"
#include "imaging/WinBmp.h"
#include "platform/Files.h"
#include "thumbs/Md5.h"
#include "thumbs/SharedThumbnails.h"
#include "thumbs/ThumbnailPng.h"

namespace vellumo {
namespace {

TEST(SharedThumbnails, EntriesAreNamedByTheMd5OfTheEscapedFileUri) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
    EXPECT_EQ(Md5Hex(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");  // the length needs a block of its own
    EXPECT_EQ(Md5Hex(std::string(1000, 'x')), "398533d48111e9f664b1f64cb10c4b63");
    EXPECT_EQ(SharedThumbnailCache::FileUri("/home/jens/photos/me.png"), "file:///home/jens/photos/me.png");
    EXPECT_EQ(SharedThumbnailCache::FileUri("/p/a b#c%d?.jpg"), "file:///p/a%20b%23c%25d%3F.jpg");
    EXPECT_EQ(SharedThumbnailCache::FileUri("/p/it's(1)+[2]~.jpg"), "file:///p/it's(1)+%5B2%5D~.jpg");
    EXPECT_EQ(SharedThumbnailCache::FileUri("/p/\xC3\xA9t\xC3\xA9.jpg"), "file:///p/%C3%A9t%C3%A9.jpg");
    // The entry a file manager makes for /home/jens/photos/me.png.
    SharedThumbnailCache cache("/home/jens/.cache");
    EXPECT_EQ(cache.entryFile("/home/jens/photos/me.png", SharedThumbnailCache::Kind::Normal),
              "/home/jens/.cache/thumbnails/normal/c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(SharedThumbnailCache("").entryFile("/a.jpg", SharedThumbnailCache::Kind::Large), "");
}

TEST(SharedThumbnails, PngPicturesAndTheirTextsGoThereAndBack) {
    PngPicture p;
    p.width = 3;
    p.height = 2;
    p.pixels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF000000u, 0xFFFFFFFFu, 0xFF123456u};
    p.texts = {{"Thumb::URI", "file:///a%20b.jpg"}, {"Thumb::MTime", "1700000000"}};
    std::optional<std::string> bytes = WritePng(p);
    ASSERT_TRUE(bytes);
    std::optional<PngPicture> back = ReadPng(*bytes, 128);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, p.pixels);
    EXPECT_EQ(back->text("Thumb::URI"), "file:///a%20b.jpg");
    EXPECT_EQ(back->text("Thumb::MTime"), "1700000000");
    EXPECT_EQ(back->text("Software"), std::nullopt);
    // With alpha it stays.
    p.pixels[0] = 0x80FF0000u;
    back = ReadPng(WritePng(p).value_or(""), 128);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels[0], 0x80FF0000u);
    // Too large for a thumbnail, cut short, or no PNG at all: nothing.
    EXPECT_FALSE(ReadPng(*bytes, 2));
    for (size_t cut : {bytes->size() - 20, size_t{40}, size_t{8}, size_t{0}})
        EXPECT_FALSE(ReadPng(bytes->substr(0, cut), 128)) << cut;
    std::string spoilt = *bytes;
    spoilt[spoilt.size() / 2] ^= 0x55;
    EXPECT_FALSE(ReadPng(spoilt, 128));  // a checksum no longer holds
    EXPECT_FALSE(ReadPng("GIF89a not a png at all", 128));
}

TEST(SharedThumbnails, AnEntryCountsOnlyForItsFileAndItsTime) {
    testing::TempTree t;
    const std::string photo = t.file("Trip/a.jpg", "the photo");
    SharedThumbnailCache cache(t.path("cache"));
    CDrawDibBmp picture;
    picture.Create(300, 100, 32, false);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 300; ++x) picture.SetPixel(x, y, 0xFF336699u);
    ASSERT_TRUE(cache.write(photo, picture));
    CDrawDibBmp read;
    ASSERT_TRUE(cache.read(photo, 48, read));
    EXPECT_EQ(read.GetWidth(), 128);  // fitted into the normal size, the proportions kept
    EXPECT_EQ(read.GetHeight(), 43);
    EXPECT_EQ(read.GetPixel(64, 20) & 0xFFFFFFu, 0x336699u);
    // A cell larger than the normal size wants the large entry, which is not there.
    EXPECT_FALSE(cache.read(photo, 200, read));
    // The photo changed: the entry is stale. Another file with the same bytes has none.
    const std::string entry = cache.entryFile(photo, SharedThumbnailCache::Kind::Normal);
    timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, photo.c_str(), old, 0), 0);
    EXPECT_FALSE(cache.read(photo, 48, read));
    EXPECT_FALSE(cache.read(t.file("Trip/b.jpg", "the photo"), 48, read));
    // An entry that is no PNG is passed over; a small picture is kept as it is.
    WriteFileAtomically(entry, "garbage");
    EXPECT_FALSE(cache.read(photo, 48, read));
    picture.Create(20, 10, 8, false);
    ASSERT_TRUE(cache.write(photo, picture));
    ASSERT_TRUE(cache.read(photo, 48, read));
    EXPECT_EQ(read.GetWidth(), 20);
    EXPECT_EQ(read.GetHeight(), 10);
}

}  // namespace
}  // namespace vellumo
