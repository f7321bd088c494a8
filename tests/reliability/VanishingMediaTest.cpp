// Photo trees that are renamed, deleted or made unreadable while the viewer
// lists, walks, shows, slides through or makes thumbnails of them: the
// Navigator goes up, the shows go on quietly to their end, nothing hangs, and
// only a photo the user asked for outside a slideshow gets a message.
#include <sys/stat.h>

#include <cstdio>
#include <atomic>
#include <filesystem>
#include <thread>

#include "ReliabilityRig.h"
#include "fakes/Unprivileged.h"

namespace vellumo {
namespace {

using namespace testing;

TEST(VanishingMedia, TheShownFolderRenamedThenDeletedGoesUpQuietly) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings());
    MakePhotos(t, "Trip/Day", 3);
    MediaViewer v(t, {t.TempTree::path("Trip/Day/p1.bmp")});
    ASSERT_EQ(v.viewer().display().photoPath(), t.TempTree::path("Trip/Day/p1.bmp"));

    // Renamed under the viewer: the next photo is gone. A photo that does not
    // exist is not shown, and nothing is said.
    std::filesystem::rename(t.TempTree::path("Trip/Day"), t.TempTree::path("Trip/Later"));
    v.press(kNextPhotoKey);
    EXPECT_TRUE(v.desktop.messages.empty());
    EXPECT_EQ(v.viewer().display().photoPath(), t.TempTree::path("Trip/Day/p1.bmp"));

    // Listing the folder again goes up to where it still exists.
    v.nav().onCommand(kRefresh, 0);
    v.queue.advance(1000);
    EXPECT_EQ(v.nav().archive().currentFolder(), t.TempTree::path("Trip"));
    EXPECT_GE(v.rowOf("Later"), 0);
    EXPECT_EQ(v.rowOf("Day"), -1);

    // The whole tree goes: up again, to the temporary folder that holds it.
    std::filesystem::remove_all(t.TempTree::path("Trip"));
    v.nav().onCommand(kRefresh, 0);
    v.queue.advance(1000);
    EXPECT_EQ(v.nav().archive().currentFolder(), t.path);
    EXPECT_EQ(v.rowOf("Trip"), -1);
    EXPECT_TRUE(v.desktop.messages.empty());
    EXPECT_NE(v.host.cursor.id, 2003);  // no busy cursor left behind
}

// At the horizon there is no going up: the listing of the vanished horizon
// folder beeps and stays empty, and so does Backspace's going up.
TEST(VanishingMedia, TheHorizonFolderDeletedBeepsAndStaysEmpty) {
    TempFolder t;
    t.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\nPathHorizon=Trip\r\n"
                           "[Effects Settings]\r\nEffects=n\r\n");
    MakePhotos(t, "Trip", 2);
    MediaViewer v(t, {t.TempTree::path("Trip/p1.bmp")});
    ASSERT_EQ(v.nav().archive().currentFolder(), t.TempTree::path("Trip"));
    std::filesystem::remove_all(t.TempTree::path("Trip"));
    size_t beeps = v.desktop.beeps.size();
    v.nav().onCommand(kRefresh, 0);
    v.queue.advance(1000);
    EXPECT_EQ(v.nav().archive().currentFolder(), t.TempTree::path("Trip"));
    EXPECT_EQ(v.nav().list().count(), 0);
    ASSERT_EQ(v.desktop.beeps.size(), beeps + 1);
    EXPECT_EQ(v.desktop.beeps.back(), BeepKind::Default);
    v.nav().onCommand(CmdGoUp, 0);
    EXPECT_EQ(v.desktop.beeps.size(), beeps + 2);
    // Stepping finds no photo: a beep, no message.
    v.press(kNextPhotoKey);
    EXPECT_EQ(v.desktop.beeps.size(), beeps + 3);
    EXPECT_TRUE(v.desktop.messages.empty());
}

TEST(VanishingMedia, ASmallShowWhoseFolderGoesRunsToItsEndWithoutAMessage) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings());
    MakePhotos(t, "Trip", 4);
    MediaViewer v(t, {t.TempTree::path("Trip/p1.bmp")});
    v.press(kSmallShowKey);
    ASSERT_TRUE(v.shows().smallRunning());
    v.queue.advance(3000);
    EXPECT_EQ(v.viewer().display().photoPath(), t.TempTree::path("Trip/p2.bmp"));
    std::filesystem::remove_all(t.TempTree::path("Trip"));
    // Three more steps find nothing, then the show is back at its start and stops.
    EXPECT_TRUE(v.runShowToItsEnd(10));
    EXPECT_TRUE(v.desktop.messages.empty());
    // The list still names the photos; the next listing goes up.
    v.nav().onCommand(kRefresh, 0);
    v.queue.advance(1000);
    EXPECT_EQ(v.nav().archive().currentFolder(), t.path);
}

// The walk and the show of a total slideshow while the tree is deleted, and
// while it is renamed: whatever the walk had found is tried quietly, the show
// ends, and the Navigator lands where the tree's folders still exist.
TEST(VanishingMedia, ATotalShowWhoseTreeGoesWhileWalkedAndShownEndsQuietly) {
    for (bool rename : {false, true}) {
        TempFolder t;
        t.write("vellumo.ini", MediaSettings());
        for (int f = 0; f < 60; ++f) MakePhotos(t, "Archive/F" + std::to_string(100 + f), 2);
        MediaViewer v(t, {t.TempTree::path("Archive")});
        v.press(kTotalShowKey);
        ASSERT_TRUE(v.shows().totalRunning());
        // Gone while the walker thread reads it.
        if (rename) std::filesystem::rename(t.TempTree::path("Archive"), t.TempTree::path("Moved"));
        else std::filesystem::remove_all(t.TempTree::path("Archive"));
        ASSERT_TRUE(v.pumpUntil([&] { return !v.shows().totalCollecting(); })) << "the walk never ended";
        EXPECT_LE(v.shows().totalList().size(), 120u);
        EXPECT_TRUE(v.runShowToItsEnd(130)) << rename;
        EXPECT_TRUE(v.desktop.messages.empty()) << rename;
        // Back at the walk root, which is gone: listing it goes up.
        v.nav().onCommand(kRefresh, 0);
        v.queue.advance(1000);
        EXPECT_EQ(v.nav().archive().currentFolder(), t.path) << rename;
    }
}

// Thumbnails of a folder whose photos are deleted while the worker makes
// them: what was made stays, the rest get the failure frame, no message.
TEST(VanishingMedia, ThumbnailsOfPhotosDeletedWhileMadeFailQuietly) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings("Thumbnails=1\r\n"));
    for (int i = 1; i <= 40; ++i) t.write("Trip/p" + std::to_string(100 + i) + ".bmp", Bmp(400, 300, 200, 0, 0));
    MediaViewer v(t, {t.TempTree::path("Trip")});
    std::filesystem::remove_all(t.TempTree::path("Trip"));
    ASSERT_TRUE(v.pumpUntil([&] { return v.thumbnailsDone(); }));
    v.queue.runPending();
    const auto [made, failed] = v.thumbnailOutcomes("p", 40);
    EXPECT_EQ(made + failed, 40);
    EXPECT_TRUE(v.desktop.messages.empty());
}

// A photo file cut short while it is read (another program rewriting it):
// a failed read, never a crash or a picture from stale bytes. In a slideshow
// the show goes on quietly.
TEST(VanishingMedia, APhotoCutShortWhileReadFailsAndTheShowGoesOn) {
    TempFolder t;
    // A show that goes round and round.
    std::string settings = MediaSettings("Thumbnails=1\r\n");
    settings.replace(settings.find("SlideShowSmallEndAction=s"), 25, "SlideShowSmallEndAction=b");
    t.write("vellumo.ini", settings);
    const std::string big = Bmp(500, 400, 0, 200, 0);
    t.write("Trip/a.bmp", big);
    t.write("Trip/b.bmp", big);
    MediaViewer v(t, {t.TempTree::path("Trip/a.bmp")});
    v.press(kSmallShowKey);
    std::atomic<bool> done{false};
    std::thread cutter([&] {
        // Cuts the files short and writes them whole again, over and over.
        for (int i = 0; !done; ++i) {
            const std::string name = t.TempTree::path(i % 2 ? "Trip/a.bmp" : "Trip/b.bmp");
            truncate(name.c_str(), 1000);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            t.write(i % 2 ? "Trip/a.bmp" : "Trip/b.bmp", big);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    for (int i = 0; i < 20; ++i) {
        v.queue.advance(3000);
        v.nav().onCommand(kRefresh, 0);  // thumbnails made anew each time
        v.pumpUntil([&] { return v.thumbnailsDone(); });
    }
    done = true;
    cutter.join();
    v.pumpUntil([&] { return v.thumbnailsDone(); });
    EXPECT_TRUE(v.desktop.messages.empty());
    EXPECT_TRUE(v.shows().smallRunning());
}

// Made unreadable rather than deleted: root reads anything, so this runs as
// an ordinary user in a child process.
TEST(VanishingMedia, AFolderMadeUnreadableWhileListedShownAndWalked) {
    int result = RunAsUnprivilegedUser([] {
        TempFolder t;
        t.write("vellumo.ini", MediaSettings("Thumbnails=1\r\n"));
        MakePhotos(t, "Archive/Open", 2);
        MakePhotos(t, "Archive/Trip", 3);
        const std::string trip = t.TempTree::path("Archive/Trip");
        {
            MediaViewer v(t, {trip + "/p1.bmp"});
            v.pumpUntil([&] { return v.thumbnailsDone(); });
            v.press(kSmallShowKey);
            chmod(trip.c_str(), 0);
            EXPECT_TRUE(v.runShowToItsEnd(10));
            EXPECT_TRUE(v.desktop.messages.empty());
            // Listing it again goes up; its row shows an empty folder.
            v.nav().onCommand(kRefresh, 0);
            v.queue.advance(1000);
            EXPECT_EQ(v.nav().archive().currentFolder(), t.TempTree::path("Archive"));
            EXPECT_EQ(v.nav().list().at(v.rowOf("Trip")).flags, ItemFlags::Folder | ItemFlags::EmptyFolder);
            // The total show walks past it.
            v.press(kTotalShowKey);
            EXPECT_TRUE(v.pumpUntil([&] { return !v.shows().totalCollecting(); }));
            EXPECT_EQ(v.shows().totalList().size(), 2u);
            EXPECT_TRUE(v.runShowToItsEnd(5));
            for (const auto& m : v.desktop.messages) ADD_FAILURE() << m.text;
        }
        {
            // Thumbnails of a folder whose photos cannot be read any more.
            chmod(trip.c_str(), 0755);
            MediaViewer v(t, {trip});
            for (int i = 1; i <= 3; ++i) chmod(t.TempTree::path("Archive/Trip/p" + std::to_string(i) + ".bmp").c_str(), 0);
            v.nav().onCommand(kRefresh, 0);
            v.queue.runPending();
            EXPECT_TRUE(v.pumpUntil([&] { return v.thumbnailsDone(); }));
            v.queue.runPending();
            for (int i = 1; i <= 3; ++i) EXPECT_EQ(v.imageOf("p" + std::to_string(i)), 10) << i;
            // Shown by the user (decoded on the worker): one message.
            v.press(kNextPhotoKey);
            v.pumpUntil([&] { return !v.desktop.messages.empty(); });
            EXPECT_EQ(v.desktop.messages.size(), 1u);
        }
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    if (result == kNoUnprivilegedUser) GTEST_SKIP() << "cannot run as an ordinary user here";
    EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace vellumo
