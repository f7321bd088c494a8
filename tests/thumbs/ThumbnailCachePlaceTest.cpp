#include <gtest/gtest.h>

#include <cstdlib>

#include "fakes/TempTree.h"
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

TEST(ThumbnailCachePlace, UserFileIsKeyedByTheFolderPath) {
    EXPECT_EQ(UserCacheFile("/photos/Trip", "/home/u/.cache"), "/home/u/.cache/vellumo/65741f1409b0d28b.cache");
    EXPECT_NE(UserCacheFile("/photos/trip", "/c"), UserCacheFile("/photos/Trip", "/c"));
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
