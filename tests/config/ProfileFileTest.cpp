#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "config/ProfileFile.h"
#include "fakes/TempTree.h"
#include "platform/Files.h"
#include "platform/Paths.h"

using namespace vellumo;

namespace {
struct TempFolder : vellumo::testing::TempTree {
    std::string path = root();
};
}  // namespace

TEST(ProfileFile, ReadsValuesLikeTheWindowsProfileFunctions) {
    TempFolder t;
    ProfileFile f(t.file("a.ini",
                         "junk before\r\n[General Settings]\r\n  ApplicationIcon = 3   ;(1-5)\r\n"
                         "applicationicon=4\r\nQuoted=\"  spaced  \"\r\nHalf=\"x\r\nEmpty=\r\n"
                         "[general settings]\r\nOther=1\r\n[Broken\nX=1\r[Next]\rY = 2"));
    EXPECT_TRUE(f.existed());
    EXPECT_EQ(f.get("GENERAL SETTINGS", "applicationIcon"), "3   ;(1-5)");  // first of duplicates
    EXPECT_EQ(f.get("General Settings", "Quoted"), "  spaced  ");
    EXPECT_EQ(f.get("General Settings", "Half"), "\"x");
    EXPECT_EQ(f.get("General Settings", "Empty"), "");
    EXPECT_FALSE(f.get("General Settings", "Other").has_value());  // duplicate section is ignored
    EXPECT_EQ(f.get("Broken", "X"), "1");                           // a missing "]" still names the section
    EXPECT_EQ(f.get("Next", "Y"), "2");                             // CR-only line ends
    EXPECT_FALSE(f.get("Missing", "X").has_value());
}

TEST(ProfileFile, WritesInPlaceAfterTheLastKeyOrInANewSection) {
    TempFolder t;
    std::string p = t.file("a.ini", "; my notes\n[A]\nk1=1\n\n; comment in A\n[B]\nz=9");
    ProfileFile f(p);
    f.set("a", "K1", "2");
    f.set("A", "k2", "new");
    f.set("C", "c", "3");
    f.set("B", "y", "8");
    ASSERT_TRUE(f.save());
    EXPECT_EQ(*ReadWholeFile(p),
              "; my notes\n[A]\nK1=2\nk2=new\r\n\n; comment in A\n[B]\nz=9\r\ny=8\r\n\r\n[C]\r\nc=3\r\n");
    ProfileFile again(p);
    EXPECT_FALSE(again.modified());
    again.set("A", "k2", "new");
    EXPECT_FALSE(again.modified());  // same value: nothing to write
}

TEST(ProfileFile, LookUpsAfterEditsSeeTheLinesAsTheyNowStand) {
    TempFolder t;
    std::string p = t.file("a.ini", "[A]\r\nx=1\r\n[b]\r\ny=2\r\n[B]\r\nq=0\r\ny=3\r\nz=4\r\n[C]\r\nw=5");
    ProfileFile f(p);
    EXPECT_EQ(f.get("B", "y"), "2");
    EXPECT_FALSE(f.get("b", "z").has_value());  // only in the second [B]
    // Inserting moves every later line; the keys below must still be found.
    f.set("a", "New", "n");
    f.set("A", "new", "N");  // the same key, other case: replaced, not added
    EXPECT_EQ(f.get("b", "Y"), "2");
    EXPECT_EQ(f.get("C", "w"), "5");
    f.set("B", "z", "6");  // added to the first [B], not found in the second
    EXPECT_EQ(f.get("B", "z"), "6");
    f.set("D", "v", "7");
    EXPECT_EQ(f.get("d", "V"), "7");
    f.set(" C ", "n", "9");  // a section of its own, named like [C] once trimmed
    EXPECT_FALSE(f.get("C", "n").has_value());
    f.remove("A", "x");
    EXPECT_EQ(f.get("A", "new"), "N");
    EXPECT_EQ(f.get("C", "w"), "5");
    f.removeSection("b");  // both sections of the name go
    EXPECT_FALSE(f.get("B", "y").has_value());
    EXPECT_EQ(f.get("C", "w"), "5");
    f.appendRawText("[E]\r\nu=8\r\n");
    EXPECT_EQ(f.get("E", "u"), "8");
    ASSERT_TRUE(f.save());
    EXPECT_EQ(*ReadWholeFile(p),
              "[A]\r\nnew=N\r\n[C]\r\nw=5\r\n\r\n[D]\r\nv=7\r\n\r\n[ C ]\r\nn=9\r\n"
              "[E]\r\nu=8\r\n");
}

TEST(ProfileFile, CreatesTheFileAndDeletesKeysAndSections) {
    TempFolder t;
    std::string p = JoinPath(t.path, "new.ini");
    ProfileFile f(p);
    EXPECT_FALSE(f.existed());
    f.set("S", "a", "1");
    f.set("S", "b", "2");
    f.set("T", "c", "3");
    f.remove("S", "a");
    f.removeSection("T");
    ASSERT_TRUE(f.save());
    EXPECT_EQ(*ReadWholeFile(p), "[S]\r\nb=2\r\n\r\n");
}

TEST(ProfileFile, KeepsUnknownBytesAndTheLegacyEncoding) {
    TempFolder t;
    // CP1252 text with a byte CP1252 leaves undefined, and binary garbage.
    std::string original = std::string("[S]\r\nName=M\xfcller\r\nraw=\x81\x00\xff\r\n", 27) + "\x01\x02 junk";
    std::string p = t.file("a.ini", original);
    ProfileFile f(p);
    EXPECT_EQ(f.encoding().name, "CP1252");
    EXPECT_EQ(f.get("S", "Name"), "M\xc3\xbcller");
    f.set("S", "City", "K\xc3\xb6ln");
    ASSERT_TRUE(f.save());
    std::string written = *ReadWholeFile(p);
    EXPECT_NE(written.find("City=K\xf6ln\r\n"), std::string::npos);
    EXPECT_NE(written.find(std::string("raw=\x81\x00\xff\r\n", 9)), std::string::npos);
    EXPECT_NE(written.find("\x01\x02 junk"), std::string::npos);
}

TEST(ProfileFile, HugeLinesAndNoLineEndsAreHandled) {
    TempFolder t;
    std::string longValue(100000, 'v');
    std::string p = t.file("a.ini", "[S]\nk=" + longValue);
    ProfileFile f(p);
    EXPECT_EQ(f.get("S", "k")->size(), 100000u);
    f.set("S", "j", "1");
    ASSERT_TRUE(f.save());
    EXPECT_EQ(*ReadWholeFile(p), "[S]\nk=" + longValue + "\r\nj=1\r\n");
}

TEST(ProfileFile, HeaderTextAndSectionLines) {
    TempFolder t;
    std::string p = JoinPath(t.path, "x.lang.txt");
    ProfileFile f(p);
    f.appendRawText("; Vellumo language file\r\n; Author:");
    f.appendRawText("\r\n\r\n[General]");
    f.set("General", "Photoarchive", "Photoarchive   ; default archive name");
    ASSERT_TRUE(f.save());
    EXPECT_EQ(*ReadWholeFile(p),
              "; Vellumo language file\r\n; Author:\r\n\r\n[General]\r\nPhotoarchive=Photoarchive   ; default archive "
              "name\r\n");
    ProfileFile g(p);
    EXPECT_EQ(g.sectionLines("General"), (std::vector<std::string>{"Photoarchive=Photoarchive   ; default archive name"}));
    EXPECT_EQ(g.keys("General"), (std::vector<std::string>{"Photoarchive"}));
}

TEST(ProfileFile, NonAsciiNamesOfALegacyFileAreFoundInItsOwnEncoding) {
    TempFolder t;
    ProfileFile file(t.file("a.ini", "[Se\xe7\xe3o]\r\nK\xe9y=1\r\n"));  // CP1252: "Seção", "Kéy"
    EXPECT_EQ(file.keys("Se\xc3\xa7\xc3\xa3o"), std::vector<std::string>{"K\xc3\xa9y"});
    EXPECT_EQ(file.get("Se\xc3\xa7\xc3\xa3o", "K\xc3\xa9y"), "1");
    EXPECT_TRUE(file.set("Se\xc3\xa7\xc3\xa3o", "K\xc3\xa9y", "2"));
    EXPECT_EQ(file.bytes(), "[Se\xe7\xe3o]\r\nK\xe9y=2\r\n");
}

TEST(ProfileFile, EveryLineOfALegacyFileIsReadInItsCodePage) {
    TempFolder t;
    // Not UTF-8 as a whole (\xe9), so CP1252; "\xc3\xa9" alone would be valid UTF-8.
    ProfileFile file(t.file("a.ini", "[S]\r\nA=\xc3\xa9\r\nB=\xe9\r\n\xef\xbb\xbf=1\r\n"));
    EXPECT_EQ(file.get("S", "A"), "\xc3\x83\xc2\xa9");  // "Ã©", as Windows shows it
    EXPECT_EQ(file.get("S", "B"), "\xc3\xa9");          // "é"
    EXPECT_EQ(file.keys("S"), (std::vector<std::string>{"A", "B", "\xc3\xaf\xc2\xbb\xc2\xbf"}));
    EXPECT_TRUE(file.set("S", "\xc3\xaf\xc2\xbb\xc2\xbf", "2"));
    EXPECT_EQ(file.bytes(), "[S]\r\nA=\xc3\xa9\r\nB=\xe9\r\n\xef\xbb\xbf=2\r\n");
}

TEST(ProfileFile, AByteOrderMarkBeforeLegacyTextIsNotPartOfTheFirstLine) {
    TempFolder t;
    // A UTF-8 file with its mark, added to in CP1252 (\xe9) in the section the
    // edit below removes.
    const std::string original = "\xEF\xBB\xBF[Keys]\r\nA=1\r\n[Notes]\r\nB=caf\xe9\r\n";
    std::string p = t.file("a.ini", original);
    ProfileFile file(p);
    EXPECT_EQ(file.encoding().name, "CP1252");
    EXPECT_EQ(file.get("Keys", "A"), "1");  // the first line is the section, mark or no mark
    EXPECT_EQ(file.get("Notes", "B"), "caf\xc3\xa9");
    EXPECT_EQ(file.bytes(), original);  // the mark is written back, every byte kept

    // Without its legacy section the file is UTF-8: it reads the same.
    file.removeSection("Notes");
    ASSERT_TRUE(file.save());
    EXPECT_EQ(*ReadWholeFile(p), "\xEF\xBB\xBF[Keys]\r\nA=1\r\n");
    ProfileFile again(p);
    EXPECT_EQ(again.encoding().name, "UTF-8");
    EXPECT_EQ(again.get("Keys", "A"), "1");
}
