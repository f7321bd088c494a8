#include <gtest/gtest.h>

#include "platform/Paths.h"

using namespace vellumo;

TEST(Paths, JoinAndParentKeepTheRootSpecial) {
    EXPECT_EQ(JoinPath("/", "x"), "/x");
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
    EXPECT_EQ(ParentPath("/x"), "/");
    EXPECT_EQ(ParentPath("/a/b"), "/a");
    EXPECT_EQ(ParentPath("/"), "");
    EXPECT_EQ(FileNameOf("/a/b.jpg"), "b.jpg");
    EXPECT_EQ(FileNameOf("/"), "");
}

TEST(Paths, ExtensionReplacementLooksOnlyAtTheFileName) {
    EXPECT_EQ(ReplaceExtension("/opt/v/vellumo", "ini"), "/opt/v/vellumo.ini");
    EXPECT_EQ(ReplaceExtension("/opt/v.d/vellumo", "bmp"), "/opt/v.d/vellumo.bmp");
    EXPECT_EQ(ReplaceExtension("/a/Summer.script.txt", "ini"), "/a/Summer.script.ini");
    EXPECT_EQ(ExtensionOf("/a.b/c"), "");
    EXPECT_EQ(ExtensionOf("/a/c.JPG"), "JPG");
}

TEST(Paths, ContainmentGoesByWholeComponents) {
    EXPECT_TRUE(PathContains("/photos", "/photos"));
    EXPECT_TRUE(PathContains("/photos", "/photos/2001"));
    EXPECT_FALSE(PathContains("/photos", "/photos2001"));
    EXPECT_FALSE(PathContains("/photos", "/Photos/x"));
    EXPECT_TRUE(PathContains("/", "/anything"));
    EXPECT_FALSE(PathContains("", "/x"));
}

TEST(Paths, NormalizeAndCommandLineResolution) {
    EXPECT_EQ(NormalizePath("/a//b/./c/../d/"), "/a/b/d");
    EXPECT_EQ(NormalizePath("/../.."), "/");
    EXPECT_EQ(AbsoluteFromWorkingFolder("pics/x.jpg", "/home/u"), "/home/u/pics/x.jpg");
    EXPECT_EQ(AbsoluteFromWorkingFolder("/abs", "/home/u"), "/abs");
    EXPECT_EQ(AbsoluteFromWorkingFolder("..", "/home/u"), "/home");
}

TEST(Paths, WindowsWrittenPathsAreReadAgainstTheProgramFolder) {
    const char* prog = "/media/cd/viewer";
    const char* drive = "/media/cd";
    EXPECT_EQ(ReadPathFromFile(".\\*.mp3", prog, drive), "/media/cd/viewer/*.mp3");
    EXPECT_EQ(ReadPathFromFile("..\\photos", prog, drive), "/media/cd/photos");
    EXPECT_EQ(ReadPathFromFile("\\photos", prog, drive), "/media/cd/viewer/photos");
    EXPECT_EQ(ReadPathFromFile("photos\\2001", prog, drive), "/media/cd/viewer/photos/2001");
    EXPECT_EQ(ReadPathFromFile("D:\\Trip", prog, drive), "/media/cd/Trip");
    EXPECT_EQ(ReadPathFromFile(":\\Trip", prog, drive), "/media/cd/Trip");
    EXPECT_EQ(ReadPathFromFile(":/Trip/a.jpg", prog, drive), "/media/cd/Trip/a.jpg");
    EXPECT_EQ(ReadPathFromFile("/home/u/x", prog, drive), "/home/u/x");
    EXPECT_EQ(ReadPathFromFile("/", prog, drive), "/");
    EXPECT_EQ(ReadPathFromFile("", prog, drive), "");
    EXPECT_EQ(ReadPathFromFile("..\\..\\..\\..", prog, drive), "/");
    // Dots inside names are not steps.
    EXPECT_EQ(ReadPathFromFile("...\\x", prog, drive), "/media/cd/viewer/.../x");
    EXPECT_EQ(ReadPathFromFile("photos\\", prog, drive), "/media/cd/viewer/photos");
}
