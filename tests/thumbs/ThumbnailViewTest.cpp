#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "fakes/TempTree.h"
#include "navigator/NavigatorRig.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "thumbs/SharedThumbnails.h"
#include "thumbs/ThumbnailCachePlace.h"
#include "thumbs/ThumbnailPng.h"
#include "ThumbTestFiles.h"
#include "ThumbnailSettings.h"
#include "../../tools/photo-writers/TodayWriters.h"

namespace vellumo {
namespace {

using testing::Rgb8;
using testing::TempTree;

constexpr int kCmdToggle = 131;
constexpr int kCmdOn = 132;
constexpr int kCmdOff = 133;
constexpr int kCmdRefresh = 143;

// One Navigator over a folder of the shared tree.
struct Nav : testing::NavigatorRig {
    // What entering a folder's settings scope does to the settings.
    std::function<void(const std::string& folder)> folderScope;

    Nav(const TempTree& tree, DriveType rootType = DriveType::Fixed, bool thumbnails = true) {
        testing::UseThumbnails(settings, 32);
        settings.Thumbnails = thumbnails ? 1 : 0;
        settings.NavigatorRect = {0, 0, 500, 500};
        drives = {{"/", DriveType::Fixed, "ext4"}, {tree.root(), rootType, "x"}};
        NavigatorSettingsAccess access;
        access.enterFolder = [this](const std::string& folder) {
            if (folderScope) folderScope(folder);
        };
        create(access);
        thumbs().setRunWorkersInline(true);
        thumbs().setUserCacheHome(tree.path("cachehome"));
        panel.window.visible = true;
    }
    ThumbnailView& thumbs() { return nav->thumbnails(); }
    int image(const std::string& text) {
        const int row = rowOf(text);
        return row < 0 ? -1 : list().at(row).image;
    }
    // The colour in the middle of a row's thumbnail.
    std::uint32_t centre(const std::string& text) {
        ThumbImagePtr t = thumbs().images().at(image(text));
        return t ? t->at(t->size / 2, t->size / 2) : 0u;
    }
};

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00;

std::int64_t ModifiedSeconds(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_mtime) : -1;
}

bool WriteTimeOf(const std::string& path, std::int64_t seconds) {
    timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777u) : 0u;
}

// The thumbnail a file manager leaves in the desktop's cache (made by
// ImageMagick, another writer than ours): a plain picture of one colour,
// with the photo's URI and modification time (shifted to make it stale).
bool DesktopThumbnail(const std::string& cacheHome, const std::string& kind, const std::string& photo, int w, int h,
                      const std::string& colour, std::int64_t shift = 0) {
    SharedThumbnailCache shared(cacheHome);
    const std::string file =
        shared.entryFile(photo, kind == "large" ? SharedThumbnailCache::Kind::Large : SharedThumbnailCache::Kind::Normal);
    MakeFolders(ParentPath(file));
    std::string uri;  // ImageMagick reads "%" as the start of an escape
    for (char c : SharedThumbnailCache::FileUri(photo)) uri += c == '%' ? std::string("%%") : std::string(1, c);
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    const std::string mtime = std::to_string(ModifiedSeconds(photo) + shift);
    pid_t pid = fork();
    if (pid == 0) {
        execlp("convert", "convert", "-size", size.c_str(), ("xc:" + colour).c_str(), "-set", "Thumb::URI", uri.c_str(),
               "-set", "Thumb::MTime", mtime.c_str(), ("png:" + file).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           IsRegularFile(file);
}

struct Folder {
    TempTree tree;
    std::string dir;
    Folder() {
        dir = tree.folder("Trip");
        tree.file("Trip/a.bmp", testing::SolidBmp(30, 20, {255, 0, 0}));
        tree.file("Trip/b.bmp", testing::SolidBmp(20, 30, {0, 255, 0}));
        tree.file("Trip/broken.jpg", "\xFF\xD8 cut short");
    }
    std::string cache() const { return dir + "/vellumo.cache"; }
    CThumbnailsStorage read(const std::string& file) const {
        CThumbnailsStorage s;
        auto bytes = ReadWholeFile(file);
        EXPECT_TRUE(bytes && s.Load(*bytes)) << file;
        return s;
    }
    void spoilPhotos() const {
        tree.file("Trip/a.bmp", "garbage");
        tree.file("Trip/b.bmp", "garbage");
    }
};

TEST(ThumbnailsMode, MadeThumbnailsAreShownAndCachedWithoutTheFailures) {
    Folder f;
    Nav n(f.tree);
    n.openAt(f.dir);
    EXPECT_TRUE(n.panel.thumbnailView.on);
    EXPECT_EQ(n.panel.thumbnailView.size, 32);
    EXPECT_EQ(n.image("a"), 11);
    EXPECT_EQ(n.image("b"), 12);
    EXPECT_EQ(n.image("broken"), 10);
    EXPECT_EQ(n.centre("a"), kRed);
    EXPECT_EQ(n.centre("b"), kGreen);
    EXPECT_EQ(n.thumbs().rememberedImage(n.nav->firstPhotoIndex()), 11);

    EXPECT_EQ(n.thumbs().lastSavedFile(), f.cache());
    CThumbnailsStorage s = f.read(f.cache());
    EXPECT_EQ(s.photoCount, 3);
    EXPECT_EQ(s.thumbnailSize, 32);
    EXPECT_EQ(s.borderColor, Rgb(0, 0, 255));
    EXPECT_EQ(s.border, 1);
    EXPECT_EQ(s.names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(s.images[0]->at(16, 16), kRed);
    EXPECT_EQ(s.images[1]->at(16, 16), kGreen);
}

// On a screen the desktop scales by 2 the 32-pixel cells are 64 screen
// pixels: each thumbnail made carries a 64-pixel copy; the cache file keeps
// 32-pixel images, and a folder shown from its cache draws them scaled.
TEST(ThumbnailsMode, OnADenseScreenCellsCarrySharpCopiesAndTheCacheKeepsItsSize) {
    Folder f;
    Nav n(f.tree);
    n.panel.ratio = 2.0;
    n.openAt(f.dir);
    ThumbImagePtr a = n.thumbs().images().at(n.image("a"));
    ASSERT_TRUE(a && a->sharp);
    EXPECT_EQ(a->size, 32);
    EXPECT_EQ(a->sharp->size, 64);
    EXPECT_EQ(a->sharp->at(32, 32), kRed);
    CThumbnailsStorage s = f.read(f.cache());
    EXPECT_EQ(s.thumbnailSize, 32);
    EXPECT_EQ(s.images[0]->size, 32);
    EXPECT_FALSE(s.images[0]->sharp);

    Nav again(f.tree);
    again.panel.ratio = 2.0;
    again.openAt(f.dir);
    EXPECT_EQ(again.centre("a"), kRed);
    EXPECT_FALSE(again.thumbs().images().at(again.image("a"))->sharp);
}

TEST(ThumbnailsMode, TheCacheIsAppliedBeforeAnythingIsMadeAndFailuresAreTriedAgain) {
    Folder f;
    { Nav(f.tree).openAt(f.dir); }
    const auto before = ReadWholeFile(f.cache());
    f.spoilPhotos();  // only the cache can give these thumbnails now
    f.tree.file("Trip/broken.jpg", testing::SolidBmp(4, 4, {0, 0, 255}));  // now decodes
    Nav n(f.tree);
    n.openAt(f.dir);
    EXPECT_EQ(n.centre("a"), kRed);
    EXPECT_EQ(n.centre("b"), kGreen);
    EXPECT_GE(n.image("broken"), 11);  // not in the cache: made by the worker
    // Something new was made, so the cache is written again with all three.
    EXPECT_EQ(f.read(f.cache()).names, (std::vector<std::string>{"a", "b", "broken"}));
    EXPECT_NE(ReadWholeFile(f.cache()), before);
}

// A cache of the older form holds the pictures as stored: it still serves
// the photos stored upright without a colour profile; a photo a camera
// stored turned is made anew, upright, and the file is written in the new form.
TEST(ThumbnailsMode, AnOlderCacheServesOnlyUprightPhotosAndIsWrittenAnew) {
    Folder f;
    writers::Rgba wide = writers::TestPicture(40, 20, false);
    f.tree.file("Trip/turned.jpg", [&] {
        const auto b = writers::WriteJpeg(wide, 6);
        return std::string(b.begin(), b.end());
    }());
    { Nav(f.tree).openAt(f.dir); }
    // The same file in the older form, with the stored (wide) thumbnail of the JPEG.
    CThumbnailsStorage old = f.read(f.cache());
    ASSERT_EQ(old.names, (std::vector<std::string>{"a", "b", "turned"}));
    EXPECT_EQ(old.imageForm, 2);
    auto wideThumb = std::make_shared<ThumbImage>(*old.images[2]);
    for (int x = 0; x < 32; ++x) wideThumb->at(x, 16) = 0xFF123456;
    old.images[2] = wideThumb;
    std::string bytes = old.Serialize();
    bytes[bytes.find("VTH2") + 3] = '1';
    ASSERT_TRUE(WriteFileAtomically(f.cache(), bytes));
    f.spoilPhotos();  // the upright ones can only come from the cache

    Nav n(f.tree);
    n.openAt(f.dir);
    EXPECT_EQ(n.centre("a"), kRed);
    EXPECT_EQ(n.centre("b"), kGreen);
    EXPECT_NE(n.centre("turned"), 0xFF123456u);  // made anew from the photo
    // Upright: a tall picture, transparent margins left and right.
    ThumbImagePtr made = n.thumbs().images().at(n.image("turned"));
    EXPECT_EQ(made->at(3, 16) >> 24, 0u);
    EXPECT_EQ(made->at(16, 3) >> 24, 0xFFu);
    CThumbnailsStorage rewritten = f.read(f.cache());
    EXPECT_EQ(rewritten.imageForm, 2);
    EXPECT_EQ(rewritten.names, (std::vector<std::string>{"a", "b", "turned"}));
    EXPECT_EQ(rewritten.images[0]->at(16, 16), kRed);

    // An older cache whose photos are all upright is written anew as well.
    bytes = rewritten.Serialize();
    bytes[bytes.find("VTH2") + 3] = '1';
    ASSERT_TRUE(WriteFileAtomically(f.cache(), bytes));
    f.tree.file("Trip/turned.jpg", "garbage");
    Nav again(f.tree);
    again.openAt(f.dir);
    EXPECT_EQ(again.centre("a"), kRed);
    EXPECT_EQ(again.thumbs().lastSavedFile(), f.cache());
    EXPECT_EQ(f.read(f.cache()).imageForm, 2);
}

TEST(ThumbnailsMode, AFolderWithAValidCacheMakesNothingAndWritesNothing) {
    Folder f;
    { Nav(f.tree).openAt(f.dir); }
    f.spoilPhotos();
    Nav n(f.tree);
    n.openAt(f.dir);
    EXPECT_EQ(n.centre("a"), kRed);
    EXPECT_EQ(n.image("broken"), 10);
    EXPECT_EQ(n.thumbs().lastSavedFile(), "");
    EXPECT_FALSE(n.thumbs().thumbnailsMade());
}

TEST(ThumbnailsMode, ASizeChangeInvalidatesTheCacheAndRewritesIt) {
    Folder f;
    { Nav(f.tree).openAt(f.dir); }
    Nav n(f.tree);
    n.settings.ThumbnailsSize = 64;
    f.tree.file("Trip/a.bmp", "garbage");  // a cannot come from the old cache
    n.openAt(f.dir);
    EXPECT_EQ(n.image("a"), 10);
    EXPECT_EQ(n.centre("b"), kGreen);
    EXPECT_EQ(n.thumbs().images().at(n.image("b"))->size, 64);
    CThumbnailsStorage s = f.read(f.cache());
    EXPECT_EQ(s.thumbnailSize, 64);
    EXPECT_EQ(s.names, std::vector<std::string>{"b"});
}

TEST(ThumbnailsMode, ABorderChangeInvalidatesTheCacheToo) {
    Folder f;
    { Nav(f.tree).openAt(f.dir); }
    f.spoilPhotos();
    for (int variant = 0; variant < 2; ++variant) {
        Nav n(f.tree);
        if (variant == 0) n.settings.ThumbnailsBorder = 0;
        else n.settings.ThumbnailsBorderColor = Rgb(255, 0, 0);
        n.openAt(f.dir);
        EXPECT_EQ(n.image("a"), 10) << variant;
    }
    // Fine quality is not part of what a cache must match.
    Nav n(f.tree);
    n.settings.ThumbnailsFineQuality = 1;
    n.openAt(f.dir);
    EXPECT_EQ(n.centre("a"), kRed);
}

TEST(ThumbnailsMode, APhotoAddedLaterIsMadeAndTheNextSaveStoresEveryName) {
    Folder f;
    { Nav(f.tree).openAt(f.dir); }
    f.tree.file("Trip/c.bmp", testing::SolidBmp(5, 5, {0, 0, 255}));
    Nav n(f.tree);
    n.openAt(f.dir);
    EXPECT_GE(n.image("c"), 11);
    CThumbnailsStorage s = f.read(f.cache());
    EXPECT_EQ(s.photoCount, 4);
    EXPECT_EQ(s.names, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(s.images[2]->at(16, 16), 0xFF0000FFu);
}

TEST(ThumbnailsMode, PhotosSharingANameBothTakeTheFirstStoredThumbnail) {
    TempTree tree;
    std::string dir = tree.folder("Two");
    tree.file("Two/a.jpg", "garbage");
    tree.file("Two/a.tif", "garbage");
    CThumbnailsStorage s;
    s.photoCount = 2;
    s.thumbnailSize = 32;
    s.borderColor = Rgb(0, 0, 255);
    s.border = 1;
    auto red = std::make_shared<ThumbImage>(32);
    red->pixels.assign(32 * 32, kRed);
    auto green = std::make_shared<ThumbImage>(32);
    green->pixels.assign(32 * 32, kGreen);
    s.names = {"A", "a"};
    s.images = {red, green};
    ASSERT_TRUE(WriteFileAtomically(dir + "/vellumo.cache", s.Serialize()));
    Nav n(tree);
    n.openAt(dir);
    const NavigatorList& list = n.nav->list();
    const int first = n.nav->firstPhotoIndex();
    ASSERT_EQ(n.nav->lastPhotoIndex(), first + 1);
    for (int row : {first, first + 1}) {
        ThumbImagePtr t = n.thumbs().images().at(list.at(row).image);
        ASSERT_TRUE(t) << row;
        EXPECT_EQ(t->at(3, 3), kRed) << row;
    }
}

TEST(ThumbnailsMode, WithCacheInFoldersOffTheFolderCacheIsReadAndTheSharedThumbnailsWritten) {
    Folder f;
    { Nav(f.tree).openAt(f.dir); }
    const auto before = ReadWholeFile(f.cache());
    f.tree.file("Trip/a.bmp", "garbage");
    f.tree.file("Trip/c.bmp", testing::SolidBmp(300, 200, {0, 0, 255}));
    {
        Nav n(f.tree);
        n.settings.ThumbnailsCacheInFolders = 0;
        n.openAt(f.dir);
        EXPECT_EQ(n.centre("a"), kRed);
        EXPECT_GE(n.image("c"), 11);
        EXPECT_EQ(ReadWholeFile(f.cache()), before);  // the folder's file is left alone
        EXPECT_EQ(n.thumbs().lastSavedFile(), "");
    }
    // c, the one decoded, is in the desktop's cache as a plain picture of it.
    SharedThumbnailCache shared(f.tree.path("cachehome"));
    const std::string entry = shared.entryFile(f.dir + "/c.bmp", SharedThumbnailCache::Kind::Normal);
    std::optional<PngPicture> png = ReadPng(ReadWholeFile(entry).value_or(""), 1024);
    ASSERT_TRUE(png) << entry;
    EXPECT_EQ(png->width, 128);
    EXPECT_EQ(png->height, 85);
    EXPECT_EQ(png->pixels[0], 0xFF0000FFu);  // no border, no mask
    EXPECT_EQ(png->text("Thumb::URI"), SharedThumbnailCache::FileUri(f.dir + "/c.bmp"));
    EXPECT_EQ(png->text("Thumb::MTime"), std::to_string(ModifiedSeconds(f.dir + "/c.bmp")));
    EXPECT_EQ(ModeOf(entry), 0600);
    EXPECT_EQ(ModeOf(ParentPath(entry)), 0700);
    EXPECT_FALSE(FileExists(f.tree.path("cachehome/vellumo")));
    // Next time c comes from there.
    f.tree.file("Trip/c.bmp", "garbage");
    ASSERT_TRUE(WriteTimeOf(f.dir + "/c.bmp", std::stoll(*png->text("Thumb::MTime"))));
    Nav n(f.tree);
    n.settings.ThumbnailsCacheInFolders = 0;
    n.openAt(f.dir);
    EXPECT_EQ(n.centre("c"), 0xFF0000FFu);
}

TEST(ThumbnailsMode, ThumbnailsAFileManagerLeftShowWithoutDecodingAPhoto) {
    Folder f;
    f.spoilPhotos();  // only the desktop's cache can give these thumbnails
    f.tree.file("Trip/odd name %1.bmp", "garbage");
    const std::string cacheHome = f.tree.path("cachehome");
    ASSERT_TRUE(DesktopThumbnail(cacheHome, "normal", f.dir + "/a.bmp", 128, 85, "#00ff00"));
    ASSERT_TRUE(DesktopThumbnail(cacheHome, "large", f.dir + "/b.bmp", 170, 256, "#0000ff"));
    ASSERT_TRUE(DesktopThumbnail(cacheHome, "normal", f.dir + "/odd name %1.bmp", 100, 100, "#ff0000"));
    // Stale: the photo changed after its thumbnail was made.
    ASSERT_TRUE(DesktopThumbnail(cacheHome, "normal", f.dir + "/broken.jpg", 64, 64, "#ff0000", -10));
    Nav n(f.tree);
    n.settings.ThumbnailsCacheInFolders = 0;
    n.openAt(f.dir);
    EXPECT_EQ(n.centre("a"), kGreen);
    EXPECT_EQ(n.centre("b"), 0xFF0000FFu);
    EXPECT_EQ(n.centre("odd name %1"), kRed);
    EXPECT_EQ(n.image("broken"), 10);
    // The cells are made from them: bordered, the margins masked.
    ThumbImagePtr a = n.thumbs().images().at(n.image("a"));
    EXPECT_EQ(a->at(0, 0), OpaquePixelOf(n.settings.ThumbnailsBorderColor));
    EXPECT_EQ(a->at(16, 3) >> 24, 0u);
    // Nothing of ours appears under the cache home but the desktop's thumbnails.
    EXPECT_FALSE(FileExists(cacheHome + "/vellumo"));
    EXPECT_EQ(n.thumbs().lastSavedFile(), "");
}

TEST(ThumbnailsMode, ACacheWithCountZeroIsNeverApplied) {
    Folder f;
    { Nav(f.tree).openAt(f.dir); }
    CThumbnailsStorage s = f.read(f.cache());
    s.photoCount = 0;
    ASSERT_TRUE(WriteFileAtomically(f.cache(), s.Serialize()));
    f.spoilPhotos();
    Nav n(f.tree);
    n.openAt(f.dir);
    EXPECT_EQ(n.image("a"), 10);
    EXPECT_EQ(n.image("b"), 10);
}

TEST(ThumbnailsMode, OnAnOpticalDiscAndInAFolderThatCannotTakeItTheSharedThumbnailsAreUsed) {
    Folder f;
    SharedThumbnailCache shared(f.tree.path("cachehome"));
    const std::string entry = shared.entryFile(f.dir + "/a.bmp", SharedThumbnailCache::Kind::Normal);
    {
        Nav n(f.tree, DriveType::CdRom);
        n.openAt(f.dir);
        EXPECT_EQ(n.thumbs().lastSavedFile(), "");
        EXPECT_FALSE(FileExists(f.cache()));
        EXPECT_TRUE(IsRegularFile(entry));
    }
    // A folder in the way of the cache file: writing it fails, even for root.
    RemoveFile(entry);
    f.tree.folder("Trip/vellumo.cache");
    {
        Nav n(f.tree);
        n.openAt(f.dir);
        EXPECT_EQ(n.thumbs().lastSavedFile(), "");
        EXPECT_TRUE(IsDirectory(f.cache()));
        EXPECT_TRUE(IsRegularFile(entry));
    }
    const std::int64_t made = ModifiedSeconds(f.dir + "/a.bmp");
    f.spoilPhotos();
    ASSERT_TRUE(WriteTimeOf(f.dir + "/a.bmp", made));
    ASSERT_TRUE(WriteTimeOf(f.dir + "/b.bmp", made - 100));  // changed since its thumbnail
    Nav n(f.tree, DriveType::CdRom);
    n.openAt(f.dir);
    EXPECT_EQ(n.centre("a"), kRed);
    EXPECT_EQ(n.image("b"), 10);
}

TEST(ThumbnailsMode, RefreshSkipsTheCacheOnce) {
    Folder f;
    { Nav(f.tree).openAt(f.dir); }
    f.spoilPhotos();
    Nav n(f.tree);
    n.openAt(f.dir);
    EXPECT_EQ(n.centre("a"), kRed);
    n.nav->onCommand(kCmdRefresh, 0);
    n.queue.runPending();
    EXPECT_EQ(n.image("a"), 10);  // made anew from the spoilt file
    n.nav->onCommand(CmdRelist, 0);
    n.queue.runPending();
    EXPECT_EQ(n.centre("a"), kRed);  // the next listing reads the cache again
}

TEST(ThumbnailsMode, RotationMacrosOfTheAttachedCommentTurnTheThumbnail) {
    TempTree tree;
    std::string dir = tree.folder("Turn");
    auto halves = [](int x, int) { return x < 20 ? Rgb8{255, 0, 0} : Rgb8{0, 255, 0}; };
    tree.file("Turn/down.bmp", testing::BmpBytes(40, 20, halves));
    tree.file("Turn/down.txt", "Upside down %ROTATE_LEFT% twice %ROTATE_LEFT%");
    tree.file("Turn/same.bmp", testing::BmpBytes(40, 20, halves));
    tree.file("Turn/same.txt", "%ROTATE_LEFT%%ROTATE_RIGHT%");
    Nav n(tree);
    n.openAt(dir);
    ThumbImagePtr down = n.thumbs().images().at(n.image("down"));
    ThumbImagePtr same = n.thumbs().images().at(n.image("same"));
    ASSERT_TRUE(down && same);
    EXPECT_EQ(down->at(4, 16), kGreen);
    EXPECT_EQ(down->at(27, 16), kRed);
    EXPECT_EQ(same->at(4, 16), kRed);
    EXPECT_EQ(same->at(27, 16), kGreen);
}

TEST(ThumbnailsMode, ModeCommandsNeedTheNavigatorAndSwitchTheView) {
    Folder f;
    Nav n(f.tree, DriveType::Fixed, false);
    n.openAt(f.dir);
    EXPECT_FALSE(n.panel.thumbnailView.on);
    EXPECT_EQ(n.image("a"), 9);  // the photo icon
    n.panel.window.visible = false;
    n.nav->onCommand(kCmdToggle, 0);
    EXPECT_EQ(n.desktop.beeps.size(), 1u);
    EXPECT_EQ(n.settings.Thumbnails, 0);
    n.panel.window.visible = true;
    n.nav->onCommand(kCmdOff, 0);  // already off
    EXPECT_EQ(n.settings.Thumbnails, 0);
    n.nav->onCommand(kCmdToggle, 0);
    n.queue.runPending();
    EXPECT_EQ(n.settings.Thumbnails, 1);
    EXPECT_TRUE(n.panel.thumbnailView.on);
    EXPECT_EQ(n.centre("a"), kRed);
    const int changes = n.panel.thumbnailViewChanges;
    n.nav->onCommand(kCmdOn, 0);  // already on
    EXPECT_EQ(n.panel.thumbnailViewChanges, changes);
    n.nav->onCommand(kCmdOff, 0);
    EXPECT_FALSE(n.panel.thumbnailView.on);
    EXPECT_EQ(n.image("a"), 9);
    EXPECT_EQ(n.desktop.beeps.size(), 1u);
}

TEST(ThumbnailsMode, SettingsChangesRemakeOrRespace) {
    Folder f;
    Nav n(f.tree);
    n.openAt(f.dir);
    SettingsChangeSet changes;
    changes.words[SectionThumbnails] = 0x4;  // spacing only
    n.settings.ThumbnailsSpaceX = 21;
    n.nav->settingsChanged(changes, 0);
    EXPECT_EQ(n.panel.thumbnailView.spaceX, 21);
    EXPECT_EQ(n.queue.pendingCount(), 0u);
    changes.words[SectionThumbnails] = 0x10;  // border colour: made anew
    n.settings.ThumbnailsBorderColor = Rgb(255, 0, 0);
    n.nav->settingsChanged(changes, 0);
    EXPECT_EQ(n.thumbs().images().at(ThumbIndex::Waiting)->at(0, 0), kRed);
    n.queue.runPending();
    ThumbImagePtr a = n.thumbs().images().at(n.image("a"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->at(0, 0), kRed);  // the new border
    EXPECT_EQ(f.read(f.cache()).borderColor, Rgb(255, 0, 0));
}

// ---- With a real worker thread --------------------------------------------------------

// Holds the worker inside its first thumbnail until released.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    int calls = 0;
    double wait() {
        std::unique_lock<std::mutex> lock(m);
        ++calls;
        cv.notify_all();
        cv.wait(lock, [this] { return open; });
        return 0.0;
    }
    void waitForCalls(int n) {
        std::unique_lock<std::mutex> lock(m);
        cv.wait_for(lock, std::chrono::seconds(60), [&] { return calls >= n; });
    }
    void release() {
        std::lock_guard<std::mutex> lock(m);
        open = true;
        cv.notify_all();
    }
};

void PumpUntil(FakeEventQueue& queue, const std::function<bool()>& done) {
    for (int i = 0; i < 60000 && !done(); ++i) {
        queue.runPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    queue.runPending();
}

TEST(ThumbnailWorkerThread, OffAndOnInTheSameFolderResumesTheSameWorker) {
    Folder f;
    for (int i = 0; i < 6; ++i) f.tree.file("Trip/p" + std::to_string(i) + ".bmp", testing::SolidBmp(8, 8, {0, 255, 0}));
    auto gate = std::make_shared<Gate>();
    Nav n(f.tree, DriveType::Fixed, false);
    n.settings.ThumbnailsCacheInFolders = 0;
    n.thumbs().setRunWorkersInline(false);
    n.thumbs().setTwoThreads(false);
    n.thumbs().setRotationSource([gate](const std::string&) { return gate->wait(); });
    n.openAt(f.dir);
    n.nav->onCommand(kCmdToggle, 0);
    ThumbnailWorker* worker = n.thumbs().worker();
    ASSERT_TRUE(worker);
    gate->waitForCalls(1);

    // The visible rows are published to the worker.
    const int first = n.nav->firstPhotoIndex();
    n.nav->listVisibleRows(0, first + 2);
    EXPECT_EQ(worker->visible(), (RowRange{first, first + 2}));

    n.nav->onCommand(kCmdToggle, 0);  // off: suspended
    EXPECT_TRUE(n.thumbs().workerSuspended());
    EXPECT_EQ(n.thumbs().worker(), worker);
    n.nav->listVisibleRows(0, first + 4);  // not published out of thumbnails mode
    EXPECT_EQ(worker->visible(), (RowRange{first, first + 2}));

    n.nav->onCommand(kCmdToggle, 0);  // on again: resumed, not restarted
    EXPECT_FALSE(n.thumbs().workerSuspended());
    EXPECT_EQ(n.thumbs().worker(), worker);
    gate->release();
    // The finished run asks for the save, which ends the worker.
    PumpUntil(n.queue, [&] { return n.thumbs().worker() == nullptr; });
    for (int i = 0; i < 6; ++i) EXPECT_GE(n.image("p" + std::to_string(i)), 11) << i;
    EXPECT_EQ(n.image("broken"), 10);
    // Every photo was decoded once: nothing started over.
    EXPECT_EQ(gate->calls, 8);
}

TEST(ThumbnailWorkerThread, LeavingAFolderEarlyKeepsWhatWasMadeInTheCache) {
    Folder f;
    for (int i = 0; i < 4; ++i) f.tree.file("Trip/p" + std::to_string(i) + ".bmp", testing::SolidBmp(8, 8, {0, 255, 0}));
    auto gate = std::make_shared<Gate>();
    Nav n(f.tree);
    n.thumbs().setRunWorkersInline(false);
    n.thumbs().setTwoThreads(false);
    // Two photos go through; the third holds the worker.
    n.thumbs().setRotationSource([gate](const std::string&) {
        {
            std::lock_guard<std::mutex> lock(gate->m);
            if (gate->calls < 2) {
                ++gate->calls;
                return 0.0;
            }
        }
        return gate->wait();
    });
    n.openAt(f.dir);
    gate->waitForCalls(3);
    PumpUntil(n.queue, [&] { return n.image("b") >= 11; });
    // The folder above has a look of its own, in force before the cache is written.
    n.folderScope = [&](const std::string& folder) {
        if (folder != f.dir) n.settings.ThumbnailsBorderColor = Rgb(255, 0, 0);
    };
    n.nav->onCommand(CmdGoUp, 0);
    n.queue.runPending();
    gate->release();
    EXPECT_EQ(n.thumbs().lastSavedFile(), f.cache());
    CThumbnailsStorage s = f.read(f.cache());
    EXPECT_EQ(s.names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(s.photoCount, 7);
    // Saved with the look the thumbnails were made with.
    EXPECT_EQ(s.borderColor, Rgb(0, 0, 255));
    EXPECT_EQ(s.images[0]->at(0, 0), 0xFF0000FFu);
}

TEST(ThumbnailWorkerThread, ASaveLeftOverFromTheFolderBeforeLeavesTheNewWorkerAlone) {
    Folder f;
    const std::string other = f.tree.folder("Other");
    f.tree.file("Other/x.bmp", testing::SolidBmp(8, 8, {0, 255, 0}));
    Nav n(f.tree);
    n.thumbs().setRunWorkersInline(false);
    n.thumbs().setTwoThreads(false);
    auto first = std::make_shared<Gate>();
    n.thumbs().setRotationSource([first](const std::string&) { return first->wait(); });
    n.openAt(f.dir);
    // Trip's worker finishes while nothing is handled: its results and its
    // save are taken and asked for only when the Navigator leaves the folder.
    first->release();
    for (int i = 0; i < 5000 && n.thumbs().worker()->running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    auto second = std::make_shared<Gate>();
    n.thumbs().setRotationSource([second](const std::string&) { return second->wait(); });
    n.nav->goToPath(other);
    ThumbnailWorker* worker = n.thumbs().worker();
    ASSERT_TRUE(worker);
    EXPECT_EQ(worker->folder(), other);
    n.queue.runPending();  // Trip's save arrives now
    EXPECT_EQ(n.thumbs().worker(), worker);
    second->release();
    PumpUntil(n.queue, [&] { return n.thumbs().worker() == nullptr; });
    EXPECT_EQ(n.centre("x"), kGreen);
    EXPECT_EQ(n.thumbs().lastSavedFile(), other + "/vellumo.cache");  // once the writes are done
    EXPECT_TRUE(IsRegularFile(other + "/vellumo.cache"));
    EXPECT_EQ(f.read(f.cache()).names, (std::vector<std::string>{"a", "b"}));
}

TEST(ThumbnailWorkerThread, AFolderThatVanishesCostsOnlyItsThumbnails) {
    Folder f;
    auto gate = std::make_shared<Gate>();
    Nav n(f.tree);
    n.thumbs().setRunWorkersInline(false);
    n.thumbs().setTwoThreads(false);
    n.thumbs().setRotationSource([gate](const std::string&) { return gate->wait(); });
    n.openAt(f.dir);
    gate->waitForCalls(1);
    std::filesystem::remove_all(f.dir);
    gate->release();
    PumpUntil(n.queue, [&] { return n.thumbs().worker() == nullptr; });
    EXPECT_EQ(n.centre("a"), kRed);  // made before the folder went
    EXPECT_EQ(n.image("b"), 10);
    EXPECT_EQ(n.image("broken"), 10);
    // The folder cannot take the cache any more, and nothing goes elsewhere.
    EXPECT_EQ(n.thumbs().lastSavedFile(), "");
    EXPECT_FALSE(FileExists(f.tree.path("cachehome/vellumo")));
}

TEST(ThumbnailWorkerThread, StoppingNeverWaitsAndDropsLateResults) {
    Folder f;
    auto gate = std::make_shared<Gate>();
    Nav n(f.tree);
    n.thumbs().setRunWorkersInline(false);
    n.thumbs().setRotationSource([gate](const std::string&) { return gate->wait(); });
    n.openAt(f.dir);
    gate->waitForCalls(1);
    // Going up stops the worker while it is inside a thumbnail.
    n.nav->onCommand(CmdGoUp, 0);
    n.queue.runPending();
    EXPECT_EQ(n.thumbs().worker(), nullptr);
    gate->release();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    n.queue.runPending();
    EXPECT_EQ(n.thumbs().images().count(), 11);
    EXPECT_FALSE(FileExists(f.cache()));
}

}  // namespace
}  // namespace vellumo
