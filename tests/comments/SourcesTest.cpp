// Where the comment comes from: the photo-level sources, descript.ion and the
// combination by CommentsOrder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "comments/CommentSources.h"
#include "comments/DescriptIon.h"
#include "fakes/TempTree.h"

using namespace vellumo;
using vellumo::testing::TempTree;

namespace {

constexpr int kAll = 0x3F;

std::string Gather(const TempTree& t, int mask, int order, const std::string& embedded, const std::string& photo,
                   const DescriptIon* d = nullptr) {
    return GatherPhotoComment({mask, order, embedded, t.path(photo), d});
}

}  // namespace

TEST(PhotoComment, EmbeddedThenAttachedWithOrderOneIsSeaBeach) {
    TempTree t;
    t.file("trip/photo.jpg");
    t.file("trip/photo.txt", "Beach");
    EXPECT_EQ(Gather(t, kAll, 1, "Sea", "trip/photo.jpg"), "SeaBeach");
    EXPECT_EQ(Gather(t, kAll, 2, "Sea", "trip/photo.jpg"), "BeachSea");
    // Order 4: each later source replaces the earlier one.
    EXPECT_EQ(Gather(t, kAll, 4, "Sea", "trip/photo.jpg"), "Beach");
}

TEST(PhotoComment, OrderThreeSkipsTheAttachedFileButADescriptIonLineReplacesTheEmbeddedText) {
    TempTree t;
    t.file("trip/photo.jpg");
    t.file("trip/photo.txt", "Beach");
    t.file("trip/descript.ion", "photo.jpg Dunes\r\n");
    DescriptIon d;
    d.load(t.path("trip"));
    EXPECT_EQ(Gather(t, kAll & ~0x4, 3, "Sea", "trip/photo.jpg", &d), "Sea");
    EXPECT_EQ(Gather(t, kAll, 3, "Sea", "trip/photo.jpg", &d), "Dunes");
    // Without an embedded text the attached file is read.
    EXPECT_EQ(Gather(t, kAll & ~0x4, 3, "", "trip/photo.jpg", &d), "Beach");
}

TEST(PhotoComment, TheIncludedLettersChooseTheSources) {
    TempTree t;
    t.file("f/a.jpg");
    t.file("f/a.txt", "attached");
    t.file("f/descript.ion", "a.jpg described");
    DescriptIon d;
    d.load(t.path("f"));
    EXPECT_EQ(Gather(t, 0x4, 1, "embedded", "f/a.jpg", &d), "described");
    EXPECT_EQ(Gather(t, 0, 1, "embedded", "f/a.jpg", &d), "");
    EXPECT_EQ(Gather(t, 0x1 | 0x2, 1, "embedded", "f/a.jpg", &d), "embeddedattached");
}

TEST(PhotoComment, AttachedFilesOfAnyBytes) {
    TempTree t;
    t.file("f/a.jpg");
    // A NUL byte ends the text; CP1252 bytes are decoded.
    t.file("f/a.txt", std::string("caf\xE9\r\nline two\0hidden", 20));
    EXPECT_EQ(Gather(t, 0x2, 1, "", "f/a.jpg"), "caf\xC3\xA9\r\nline two");
    // The embedded text of the image file likewise.
    EXPECT_EQ(Gather(t, 0x1, 1, std::string("Z\xFCrich\0rest", 11), "f/a.jpg"), "Z\xC3\xBCrich");
    EXPECT_EQ(Gather(t, 0x1, 1, "Z\xC3\xBCrich", "f/a.jpg"), "Z\xC3\xBCrich");
    // An empty attached file adds nothing; a file named in another case is found.
    t.file("f/b.jpg");
    t.file("f/b.txt", "");
    EXPECT_EQ(Gather(t, kAll, 4, "kept", "f/b.jpg"), "kept");
    t.file("f/c.jpg");
    t.file("f/C.TXT", "upper");
    EXPECT_EQ(Gather(t, 0x2, 1, "", "f/c.jpg"), "upper");
    // Only the first 1023 bytes count.
    t.file("f/d.jpg");
    t.file("f/d.txt", std::string(1500, 'x'));
    EXPECT_EQ(Gather(t, 0x2, 1, "", "f/d.jpg").size(), 1023u);
    // Merged texts are cut to 1023 bytes as well, at a whole character.
    std::string merged = MergeComment(std::string(1022, 'a'), "\xC3\xA9z", 1);
    EXPECT_EQ(merged, std::string(1022, 'a'));
}

TEST(DescriptIonMatch, NamesCountOnlyAtLineStartsAndOneBlankIsSkipped) {
    EXPECT_EQ(FindDescription("IMG_1.JPG  two blanks\r\n", "img_1.jpg"), " two blanks");
    EXPECT_EQ(FindDescription("xa.jpg wrong\na.jpg right\n", "a.jpg"), "right");
    EXPECT_EQ(FindDescription("b.jpg one\ra.jpg after CR", "a.jpg"), "after CR");
    // A longer name with the same beginning matches; its rest is the description.
    EXPECT_EQ(FindDescription("a.jpg.bak old copy\r\n", "a.jpg"), ".bak old copy");
    // The name alone on its line, at the end of the data, or before a NUL: empty.
    EXPECT_EQ(FindDescription("a.jpg\r\na.jpg later", "a.jpg"), "");
    EXPECT_EQ(FindDescription("a.jpg", "a.jpg"), "");
    EXPECT_EQ(FindDescription(std::string("x\n\0a.jpg hidden", 15), "a.jpg"), "");
    // The last line needs no line end; no match gives nothing.
    EXPECT_EQ(FindDescription("z.jpg z\na.jpg last", "a.jpg"), "last");
    EXPECT_EQ(FindDescription("z.jpg z\n", "a.jpg"), "");
    EXPECT_EQ(FindDescription("", "a.jpg"), "");
    EXPECT_EQ(FindDescription("a", "a.jpg"), "");
    EXPECT_EQ(FindDescription("\n", ""), "");
    // Names with blanks in double quotes.
    EXPECT_EQ(FindDescription("\"Night Lake.jpg\" Moonrise\r\n", "night lake.jpg"), "Moonrise");
    EXPECT_EQ(FindDescription("\"Night Lake.jpg Moonrise\r\n", "Night Lake.jpg"), "");
    // At most 1023 bytes.
    EXPECT_EQ(FindDescription("a.jpg " + std::string(2000, 'd'), "a.jpg").size(), 1023u);
}

TEST(DescriptIonMatch, NamesMatchIgnoringCaseBeyondAscii) {
    EXPECT_EQ(FindDescription("\xC3\x9C.JPG Bild\r\n", "\xC3\xBC.jpg"), "Bild");  // Ü.JPG and ü.jpg
    EXPECT_EQ(FindDescription("\"\xC3\x89T\xC3\x89 \xC3\x80 PARIS.JPG\" Summer\r\n", "\xC3\xA9t\xC3\xA9 \xC3\xA0 paris.jpg"),
              "Summer");
    // A capital whose small letter takes fewer bytes: the description starts after the whole name.
    EXPECT_EQ(FindDescription("\xE1\xBA\x9E.jpg Strasse\n", "\xC3\x9F.jpg"), "Strasse");  // ẞ and ß
    EXPECT_EQ(FindDescription("\xC3\x9C.JPG Bild\r\n", "u.jpg"), "");
    // A file written on Windows in its code page reads the same once decoded.
    TempTree t;
    t.file("cp/descript.ion", "\xDC" "BER.JPG Hof\r\n");  // "ÜBER.JPG" in CP1252
    DescriptIon d;
    d.load(t.path("cp"));
    EXPECT_EQ(d.find("\xC3\xBC" "ber.jpg"), "Hof");
}

TEST(DescriptIonFile, EachFolderHasItsOwnDataAndBadFilesGiveNone) {
    TempTree t;
    t.file("one/DESCRIPT.ION", "a.jpg first folder\r\n");
    t.folder("two");
    DescriptIon d;
    d.load(t.path("one"));
    EXPECT_EQ(d.find("a.jpg"), "first folder");
    d.load(t.path("two"));
    EXPECT_FALSE(d.hasData());
    EXPECT_EQ(d.find("a.jpg"), "");
    // One byte; empty; a folder named descript.ion.
    t.file("three/descript.ion", "a");
    d.load(t.path("three"));
    EXPECT_TRUE(d.hasData());
    EXPECT_EQ(d.find("a.jpg"), "");
    t.file("four/descript.ion", "");
    d.load(t.path("four"));
    EXPECT_FALSE(d.hasData());
    t.folder("five/descript.ion");
    d.load(t.path("five"));
    EXPECT_FALSE(d.hasData());
    // The drive list is no folder: never the working folder's file.
    t.file("descript.ion", "a.jpg in the working folder");
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(t.root());
    d.load("");
    std::filesystem::current_path(before);
    EXPECT_FALSE(d.hasData());
}

TEST(DescriptIonFile, SixteenMegabytesAndOneByteAreReadOneMoreIsNot) {
    TempTree t;
    const std::string line = "a.jpg found at the end";
    std::string big(16777217 - line.size() - 1, 'x');
    big += '\n';
    big += line;
    ASSERT_EQ(big.size(), 16777217u);
    t.file("big/descript.ion", big);
    DescriptIon d;
    d.load(t.path("big"));
    EXPECT_EQ(d.find("a.jpg"), "found at the end");
    big.insert(0, "y");
    t.file("big/descript.ion", big);
    d.load(t.path("big"));
    EXPECT_FALSE(d.hasData());
}

TEST(ComposeOrder, PhotoAndScopeTextsCombineByTheOrder) {
    EXPECT_EQ(CombineComments("photo", "folder", 1), "photofolder");
    EXPECT_EQ(CombineComments("photo", "folder", 2), "folderphoto");
    EXPECT_EQ(CombineComments("photo", "folder", 3), "photo");
    EXPECT_EQ(CombineComments("", "folder", 3), "folder");
    // A folder comment file hides the photo's own comments with order 4.
    EXPECT_EQ(CombineComments("photo", "folder", 4), "folder");
    EXPECT_EQ(CombineComments("photo", "", 4), "photo");
    EXPECT_EQ(CombineComments("photo", "folder", 0), "");
    EXPECT_EQ(CombineComments(std::string(1000, 'p'), std::string(100, 's'), 1).size(), 1023u);
}
