#include <gtest/gtest.h>

#include <cstdlib>

#include "fakes/TempTree.h"
#include "platform/Files.h"
#include "thumbs/ThumbnailCachePlace.h"

namespace vellumo {
namespace {

TEST(ThumbnailCachePlace, FolderFileIsNamedAfterTheProgramAndFoundInAnyCase) {
    testing::TempTree tree;
    std::string dir = tree.folder("Trip");
    EXPECT_EQ(FolderCacheFile(dir, "vellumo"), dir + "/vellumo.cache");
    // A cache burnt on a disc by the Windows program keeps its own spelling.
    tree.file("Trip/VELLUMO.CACHE", "x");
    EXPECT_EQ(FolderCacheFile(dir, "vellumo"), dir + "/VELLUMO.CACHE");
}

TEST(ThumbnailCachePlace, TheOldPerUserCacheFilesAreRemovedAndNothingElse) {
    testing::TempTree tree;
    tree.file("home/vellumo/65741f1409b0d28b.cache", "old");
    tree.file("home/vellumo/0123456789abcdef.cache", "old");
    tree.file("home/vellumo/notes.txt", "not ours");
    tree.file("home/vellumo/0123456789ABCDEF.cache", "not ours either");
    tree.file("home/thumbnails/normal/x.png", "the desktop's");
    RemoveOldUserCaches(tree.path("home"));
    EXPECT_FALSE(FileExists(tree.path("home/vellumo/65741f1409b0d28b.cache")));
    EXPECT_FALSE(FileExists(tree.path("home/vellumo/0123456789abcdef.cache")));
    EXPECT_TRUE(FileExists(tree.path("home/vellumo/notes.txt")));
    EXPECT_TRUE(FileExists(tree.path("home/vellumo/0123456789ABCDEF.cache")));
    EXPECT_TRUE(FileExists(tree.path("home/thumbnails/normal/x.png")));
    // A folder left empty goes too.
    RemoveFile(tree.path("home/vellumo/notes.txt"));
    RemoveFile(tree.path("home/vellumo/0123456789ABCDEF.cache"));
    tree.file("home/vellumo/fedcba9876543210.cache", "old");
    RemoveOldUserCaches(tree.path("home"));
    EXPECT_FALSE(FileExists(tree.path("home/vellumo")));
}

TEST(ThumbnailCachePlace, AFolderTakesItsCacheWhenItAndTheFileCanBeWritten) {
    testing::TempTree tree;
    std::string dir = tree.folder("Trip");
    EXPECT_TRUE(FolderCacheWritable(dir, "vellumo"));
    tree.folder("Trip/vellumo.cache");  // a folder in the way
    EXPECT_FALSE(FolderCacheWritable(dir, "vellumo"));
    EXPECT_FALSE(FolderCacheWritable(tree.path("missing"), "vellumo"));
    EXPECT_FALSE(FolderCacheWritable("", "vellumo"));
}

TEST(ThumbnailCachePlace, UserCacheHomeFollowsXdgThenHome) {
    const char* oldXdg = std::getenv("XDG_CACHE_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
    setenv("HOME", "/home/u", 1);
    setenv("XDG_CACHE_HOME", "/var/cache/u", 1);
    EXPECT_EQ(UserCacheHome(), "/var/cache/u");
    setenv("XDG_CACHE_HOME", "relative/cache", 1);  // not absolute: ignored
    EXPECT_EQ(UserCacheHome(), "/home/u/.cache");
    unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(UserCacheHome(), "/home/u/.cache");
    if (oldXdg) setenv("XDG_CACHE_HOME", savedXdg.c_str(), 1);
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
    else unsetenv("HOME");
}

}  // namespace
}  // namespace vellumo
