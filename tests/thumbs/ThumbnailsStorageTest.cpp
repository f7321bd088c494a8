#include <gtest/gtest.h>

#include <string>

#include "thumbs/ThumbnailsStorage.h"

namespace vellumo {
namespace {

std::string Hex(const std::string& bytes) {
    static const char* d = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(d[c >> 4]);
        out.push_back(d[c & 15]);
    }
    return out;
}

ThumbImagePtr Image2(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    auto img = std::make_shared<ThumbImage>(2);
    img->pixels = {a, b, c, d};
    return img;
}

CThumbnailsStorage Sample() {
    CThumbnailsStorage s;
    s.version = 1;
    s.photoCount = 3;
    s.thumbnailSize = 2;
    s.borderColor = 0x00FF0000;  // blue
    s.border = 1;
    s.names = {"a", "IMG_1"};
    s.images = {Image2(0xFF112233, 0, 0, 0xFF445566), Image2(1, 2, 3, 4)};
    return s;
}

const char* kSampleHex =
    "01000000"  // version
    "03000000"  // photo count
    "02000000"  // size
    "0000ff00"  // border colour
    "01000000"  // border
    "0200"      // two names
    "0161"      // "a"
    "05494d475f31"  // "IMG_1"
    "56544832"  // "VTH2"
    "02000000"  // two images
    "332211ff" "00000000" "00000000" "665544ff"
    "01000000" "02000000" "03000000" "04000000";

TEST(ThumbnailCacheFile, ByteLayoutAndReadingBack) {
    const std::string bytes = Sample().Serialize();
    EXPECT_EQ(Hex(bytes), kSampleHex);
    CThumbnailsStorage read;
    ASSERT_TRUE(read.Load(bytes));
    EXPECT_EQ(read.version, 1);
    EXPECT_EQ(read.photoCount, 3);
    EXPECT_EQ(read.thumbnailSize, 2);
    EXPECT_EQ(read.borderColor, 0x00FF0000u);
    EXPECT_EQ(read.border, 1);
    EXPECT_EQ(read.names, (std::vector<std::string>{"a", "IMG_1"}));
    ASSERT_EQ(read.images.size(), 2u);
    EXPECT_EQ(read.images[0]->pixels, (std::vector<std::uint32_t>{0xFF112233, 0, 0, 0xFF445566}));
    EXPECT_EQ(read.Serialize(), bytes);
}

TEST(ThumbnailCacheFile, TheOlderFormIsReadAndTold) {
    std::string bytes = Sample().Serialize();
    CThumbnailsStorage read;
    ASSERT_TRUE(read.Load(bytes));
    EXPECT_EQ(read.imageForm, 2);
    bytes[bytes.find("VTH2") + 3] = '1';
    ASSERT_TRUE(read.Load(bytes));
    EXPECT_EQ(read.imageForm, 1);
    EXPECT_EQ(read.images[1]->pixels, (std::vector<std::uint32_t>{1, 2, 3, 4}));
    // Written again, it takes the current form.
    EXPECT_EQ(Hex(read.Serialize()), kSampleHex);
    bytes[bytes.find("VTH1") + 3] = '3';
    EXPECT_FALSE(read.Load(bytes));
}

TEST(ThumbnailCacheFile, CountZeroHasOnlyTheFiveIntegersAndIsNeverApplied) {
    CThumbnailsStorage s = Sample();
    s.photoCount = 0;
    const std::string bytes = s.Serialize();
    EXPECT_EQ(Hex(bytes), "01000000" "00000000" "02000000" "0000ff00" "01000000");
    CThumbnailsStorage read;
    ASSERT_TRUE(read.Load(bytes));
    EXPECT_FALSE(read.Applicable({2, 0x00FF0000, 1}));
}

TEST(ThumbnailCacheFile, LongNamesUseTheLongLengthFormAndAreCut) {
    CThumbnailsStorage s = Sample();
    s.names = {std::string(300, 'x'), "two\r\nlines"};
    const std::string bytes = s.Serialize();
    // 259 bytes: 0xFF then the 16-bit length 0x0103.
    EXPECT_EQ(Hex(bytes.substr(22, 3)), "ff0301");
    CThumbnailsStorage read;
    ASSERT_TRUE(read.Load(bytes));
    EXPECT_EQ(read.names[0], std::string(259, 'x'));
    EXPECT_EQ(read.names[1], "two  lines");
}

TEST(ThumbnailCacheFile, CutNamesKeepWholeCharacters) {
    CThumbnailsStorage s = Sample();
    // 258 ASCII bytes then a two-byte character that would straddle the limit.
    s.names = {std::string(258, 'y') + "\xC3\xA9" + "z", "b"};
    CThumbnailsStorage read;
    ASSERT_TRUE(read.Load(s.Serialize()));
    EXPECT_EQ(read.names[0], std::string(258, 'y'));
}

TEST(ThumbnailCacheFile, EveryTruncationIsRefusedAndChangesNothing) {
    const std::string bytes = Sample().Serialize();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        CThumbnailsStorage s;
        s.names = {"kept"};
        EXPECT_FALSE(s.Load(bytes.substr(0, n))) << "cut at " << n;
        EXPECT_EQ(s.names, std::vector<std::string>{"kept"});
        EXPECT_TRUE(s.images.empty());
    }
}

TEST(ThumbnailCacheFile, MalformedFilesAreRefused) {
    const std::string good = Sample().Serialize();
    CThumbnailsStorage s;
    // Photo count -1.
    std::string b = good;
    b.replace(4, 4, "\xff\xff\xff\xff", 4);
    EXPECT_FALSE(s.Load(b));
    // Name count 0xFFFF followed by 32-bit counts of -1 and 2^31.
    for (const char* count : {"\xff\xff\xff\xff", "\x00\x00\x00\x80"}) {
        b = good.substr(0, 20) + std::string("\xff\xff", 2) + std::string(count, 4) + good.substr(22);
        EXPECT_FALSE(s.Load(b));
    }
    // A name whose length runs past the end of the file.
    b = good.substr(0, 22) + std::string("\xff\xfe\xff", 3);
    EXPECT_FALSE(s.Load(b));
    b = good.substr(0, 22) + std::string("\xff\xff\xff\x00\x00\x00\x10", 7) + "abc";
    EXPECT_FALSE(s.Load(b));
    // Images of the wrong size: one pixel short, one pixel too many.
    EXPECT_FALSE(s.Load(good.substr(0, good.size() - 4)));
    EXPECT_FALSE(s.Load(good + std::string(4, '\0')));
    // Image count not matching the names.
    b = good;
    b[good.find("VTH2") + 4] = 1;
    EXPECT_FALSE(s.Load(b));
    // Another program's file under the same name.
    EXPECT_FALSE(s.Load(std::string("BM\x36\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00(\x00\x00\x00\x01\x00\x00\x00"
                                    "\x01\x00\x00\x00\x01\x00\x18\x00",
                                    30)));
    EXPECT_FALSE(s.Load("[Thumbnails Settings]\r\nThumbnails=1\r\n"));
    EXPECT_TRUE(s.names.empty());
}

TEST(ThumbnailCacheFile, AppliedOnlyWithTheSameLook) {
    CThumbnailsStorage s = Sample();
    EXPECT_TRUE(s.Applicable({2, 0x00FF0000, 1}));
    EXPECT_FALSE(s.Applicable({4, 0x00FF0000, 1}));
    EXPECT_FALSE(s.Applicable({2, 0x000000FF, 1}));
    EXPECT_FALSE(s.Applicable({2, 0x00FF0000, 0}));
    s.version = 2;
    EXPECT_FALSE(s.Applicable({2, 0x00FF0000, 1}));
}

TEST(ThumbnailCacheFile, RowsFindTheirFirstNameIgnoringCase) {
    CThumbnailsStorage s;
    s.names = {"a", "IMG_1", "A", "Ärger"};
    // a.jpg and a.tif both show "a"; case does not matter, across Unicode too.
    EXPECT_EQ(s.Match({"a", "a", "img_1", "new", "ärger"}), (std::vector<int>{0, 0, 1, -1, 3}));
}

}  // namespace
}  // namespace vellumo
