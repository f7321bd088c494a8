// Photos decoded ahead of the user's steps: what the viewer shows from them,
// when it must not use them, and the byte bound of what is kept.
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

#include "app/ViewerRig.h"
#include "fakes/FakeCanvas.h"
#include "fakes/FakeDisplayPreparer.h"
#include "fakes/FakeEventQueue.h"
#include "prefetch/PhotoPrefetcher.h"
#include "../../tools/photo-writers/TodayWriters.h"

using namespace vellumo;
using vellumo::testing::Bmp;
using vellumo::testing::TempFolder;
using vellumo::testing::Viewer;

namespace {

constexpr int kNextPhoto = 115;
constexpr int kPreviousPhoto = 114;

// A 24-bit BMP of 4 x 2 pixels: the left half red, the right half green.
std::string HalvesBmp() {
    std::string f = Bmp(4, 2, 255, 0, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x) {
            size_t at = static_cast<size_t>(54 + y * 12 + x * 3);
            f[at] = 0;
            f[at + 1] = static_cast<char>(255);
            f[at + 2] = 0;
        }
    return f;
}

// The pixels of the shown bitmap, row by row from the top: 'r', 'g', 'b', 'w' or '?'.
std::string Shown(Viewer& v) {
    const CBmp* bmp = v.viewer().bitmap();
    if (!bmp) return "none";
    std::string out;
    for (int y = 0; y < bmp->GetHeight(); ++y) {
        if (y) out += '/';
        for (int x = 0; x < bmp->GetWidth(); ++x) {
            const RGBAPixel p = bmp->GetPixel(x, y) & 0xFFFFFF;
            if (p == 0xFF0000) out += 'r';
            else if (p == 0x00FF00) out += 'g';
            else if (p == 0x0000FF) out += 'b';
            else if (p == 0xFFFFFF) out += 'w';
            else out += '?';
        }
    }
    return out;
}

void Step(Viewer& v, int command) {
    v.queue.post(&v.viewer(), command);
    v.queue.runPending();
}

// Lets the prefetcher look at the neighbours of the photo on screen.
void Rest(Viewer& v) { v.queue.advance(kPrefetchSettleMs + 10); }

}  // namespace

TEST(PrefetchViewer, NeighboursComeFromMemoryButAReplacedFileIsDecodedAnew) {
    TempFolder folder;
    const std::string a = folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    const std::string b = folder.write("b.bmp", Bmp(3, 2, 0, 255, 0));
    const std::string c = folder.write("c.bmp", Bmp(3, 2, 0, 0, 255));
    Viewer v(folder, {"a.bmp"});
    v.queue.runPending();
    EXPECT_FALSE(v.viewer().prefetcher().cache().holds(b));  // not before the shown photo rests
    Rest(v);
    EXPECT_TRUE(v.viewer().prefetcher().cache().holds(b));
    Step(v, kNextPhoto);
    EXPECT_EQ(Shown(v), "ggg/ggg");
    EXPECT_EQ(v.viewer().prefetcher().served(), 1u);
    // The photo just left is kept as it was shown, for a step back.
    EXPECT_TRUE(v.viewer().prefetcher().cache().holds(a));
    Rest(v);
    ASSERT_TRUE(v.viewer().prefetcher().cache().holds(c));

    // c is replaced by a file of the same size and modification time: only
    // the inode tells them apart.
    struct stat old {};
    ASSERT_EQ(stat(c.c_str(), &old), 0);
    const std::string fresh = folder.write("c.new", Bmp(3, 2, 255, 255, 255));
    const timespec times[2] = {old.st_atim, old.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, fresh.c_str(), times, 0), 0);
    ASSERT_EQ(std::rename(fresh.c_str(), c.c_str()), 0);
    Step(v, kNextPhoto);
    EXPECT_EQ(Shown(v), "www/www");
    EXPECT_EQ(v.viewer().prefetcher().served(), 1u);

    // Written over in place with the same size: the new content shows too.
    Rest(v);
    ASSERT_TRUE(v.viewer().prefetcher().cache().holds(b));
    folder.write("b.bmp", Bmp(3, 2, 0, 0, 255));
    const timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, b.c_str(), past, 0), 0);
    Step(v, kPreviousPhoto);
    EXPECT_EQ(Shown(v), "bbb/bbb");
    EXPECT_EQ(v.viewer().prefetcher().served(), 1u);
    EXPECT_TRUE(v.desktop.messages.empty());
}

TEST(PrefetchViewer, NeighboursKeptAsTheirDisplayCopyShowFromItWhileTheFileDecodesAnew) {
    TempFolder folder;
    const std::string b = folder.write("b.bmp", Bmp(3, 2, 0, 255, 0));
    folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    folder.write("c.bmp", Bmp(3, 2, 0, 0, 255));
    folder.write("descript.ion", "c.bmp turned by its description %ROTATE_LEFT%\r\n");
    Viewer v(folder, {"a.bmp"});
    FakeDisplayPreparer copies;
    v.viewer().prefetcher().setDisplayPreparer(&copies);
    v.queue.runPending();
    // What each paint drew: display copies made ahead, and bitmaps.
    struct Frame {
        std::vector<FakeCanvas::PreparedCopy> copies;
        std::vector<FakeCanvas::Image> bitmaps;
    };
    std::vector<Frame> frames;
    v.host.onUpdate = [&] {
        FakeCanvas canvas;
        for (const auto& made : copies.made) canvas.preparedKeys.insert(made.first);
        v.viewer().paint(canvas, v.desktop.screen);
        frames.push_back({canvas.preparedCopies, canvas.images});
    };
    v.host.onUpdate();  // the window is on screen
    const std::uint64_t leftKey = v.viewer().bitmap()->GetCacheKey();
    Rest(v);
    ASSERT_TRUE(v.viewer().prefetcher().cache().holds(b));
    EXPECT_EQ(v.viewer().prefetcher().cache().bytes(), 0u);  // no bitmap kept

    // The copy goes on screen first, in the photo's place; then the file's
    // own decode (a bitmap of its own) paints as every photo does.
    frames.clear();
    Step(v, kNextPhoto);
    EXPECT_EQ(Shown(v), "ggg/ggg");
    ASSERT_GE(frames.size(), 2u);
    ASSERT_EQ(frames[0].copies.size(), 1u);
    EXPECT_TRUE(frames[0].bitmaps.empty());
    const std::uint64_t copyKey = frames[0].copies[0].key;
    EXPECT_NE(copyKey, leftKey);
    ASSERT_EQ(frames.back().bitmaps.size(), 1u);
    EXPECT_TRUE(frames.back().copies.empty());
    EXPECT_EQ(frames.back().bitmaps[0].view.cacheKey, v.viewer().bitmap()->GetCacheKey());
    EXPECT_NE(frames.back().bitmaps[0].view.cacheKey, copyKey);
    EXPECT_EQ(frames[0].copies[0].placement, frames.back().bitmaps[0].destination);
    // The file unchanged, the copy serves the new bitmap (the window adopts it).
    EXPECT_FALSE(copies.made.count(copyKey));
    EXPECT_TRUE(copies.made.count(v.viewer().bitmap()->GetCacheKey()));

    // The photo left is kept as the window's copy of it, for a step back.
    Rest(v);
    frames.clear();
    Step(v, kPreviousPhoto);
    EXPECT_EQ(Shown(v), "rrr/rrr");
    ASSERT_GE(frames.size(), 2u);
    ASSERT_EQ(frames[0].copies.size(), 1u);
    EXPECT_EQ(frames[0].copies[0].key, leftKey);

    // A copy no longer there: the step decodes, with nothing painted before.
    Rest(v);
    copies.made.clear();
    frames.clear();
    Step(v, kNextPhoto);
    EXPECT_EQ(Shown(v), "ggg/ggg");
    for (const Frame& f : frames) EXPECT_TRUE(f.copies.empty());

    // A photo its description turns: the copy, unturned, is not shown.
    Rest(v);
    frames.clear();
    Step(v, kNextPhoto);
    EXPECT_EQ(Shown(v), "bb/bb/bb");
    EXPECT_EQ(v.viewer().prefetcher().served(), 4u);
    for (const Frame& f : frames) EXPECT_TRUE(f.copies.empty());

    // With transition effects the effect needs each photo whole at once: no
    // copy is shown, and the photo left keeps its bitmap.
    v.app->scopes().current().Effects = 'a';
    frames.clear();
    Step(v, kPreviousPhoto);
    v.queue.advance(5000);
    EXPECT_EQ(Shown(v), "ggg/ggg");
    for (const Frame& f : frames) EXPECT_TRUE(f.copies.empty());
    EXPECT_GT(v.viewer().prefetcher().cache().bytes(), 0u);
    v.host.onUpdate = nullptr;
    EXPECT_TRUE(v.desktop.messages.empty());
}

TEST(PrefetchViewer, ABrokenOrVanishedNeighbourCostsNothingUntilTheUserGoesThere) {
    TempFolder folder;
    folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    folder.write("b.jpg", "\xFF\xD8\xFF\xE0 not really a jpeg");
    const std::string c = folder.write("c.bmp", Bmp(3, 2, 0, 0, 255));
    Viewer v(folder, {"a.bmp"});
    v.queue.runPending();
    Rest(v);
    EXPECT_TRUE(v.desktop.messages.empty());
    EXPECT_FALSE(v.viewer().prefetcher().working());
    EXPECT_EQ(v.viewer().prefetcher().cache().count(), 0u);
    // The broken file is not tried again while it stays as it is.
    v.queue.advance(1000);
    EXPECT_FALSE(v.viewer().prefetcher().working());
    // The user's own step reports it, once.
    Step(v, kNextPhoto);
    ASSERT_EQ(v.desktop.messages.size(), 1u);
    EXPECT_TRUE(v.viewer().noPhoto());
    // c, decoded ahead, goes away before the user steps there.
    Rest(v);
    ASSERT_TRUE(v.viewer().prefetcher().cache().holds(c));
    std::remove(c.c_str());
    Step(v, kNextPhoto);
    EXPECT_EQ(v.desktop.messages.size(), 1u);
    EXPECT_EQ(v.viewer().bitmap(), nullptr);
}

TEST(PrefetchViewer, APhotoTurnedAheadShowsAsTheCommentTurnsIt) {
    TempFolder folder;
    folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    const std::string b = folder.write("b.bmp", HalvesBmp());
    folder.write("b.txt", "%ROTATE_LEFT%");
    // Turned left, the right (green) half is on top.
    const std::string turned = "gg/gg/rr/rr";
    {
        Viewer v(folder, {"a.bmp"});
        v.queue.runPending();
        Rest(v);
        ASSERT_TRUE(v.viewer().prefetcher().cache().holds(b));
        Step(v, kNextPhoto);
        EXPECT_EQ(Shown(v), turned);
        EXPECT_EQ(v.viewer().prefetcher().served(), 1u);
        EXPECT_EQ(v.viewer().display().view().photoRect().width() * 2, v.viewer().display().view().photoRect().height());
    }
    // The attached file is no comment source here: the photo shows as decoded.
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n"
                                "[Comment Settings]\r\nCommentsIncluded=e,d\r\n");
    {
        Viewer v(folder, {"a.bmp"});
        v.queue.runPending();
        Rest(v);
        ASSERT_TRUE(v.viewer().prefetcher().cache().holds(b));
        Step(v, kNextPhoto);
        EXPECT_EQ(Shown(v), "rrgg/rrgg");
        EXPECT_EQ(v.viewer().prefetcher().served(), 1u);
    }
    // Two more left turns from the descript.ion line: the comment turns it
    // three quarters, one of them done ahead.
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n");
    folder.write("descript.ion", "b.bmp %ROTATE_LEFT%%ROTATE_LEFT%\r\n");
    {
        Viewer v(folder, {"a.bmp"});
        v.queue.runPending();
        Rest(v);
        ASSERT_TRUE(v.viewer().prefetcher().cache().holds(b));
        Step(v, kNextPhoto);
        EXPECT_EQ(Shown(v), "rr/rr/gg/gg");
        EXPECT_EQ(v.viewer().prefetcher().served(), 1u);
    }
}

TEST(PrefetchViewer, ARunningSmallShowWantsItsNextEntryFirstWrappingAtTheEnd) {
    TempFolder folder;
    const std::string a = folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    const std::string b = folder.write("b.bmp", Bmp(3, 2, 0, 255, 0));
    const std::string c = folder.write("c.bmp", Bmp(3, 2, 0, 0, 255));
    Viewer v(folder, {"c.bmp"});
    v.queue.runPending();
    const auto upcoming = [&] { return v.app->navigator()->upcomingPhotos(); };
    EXPECT_EQ(upcoming(), (std::vector<std::string>{b}));
    Step(v, 116);  // the small slideshow starts on the last photo
    ASSERT_TRUE(v.app->navigator()->slideshows().smallRunning());
    EXPECT_EQ(upcoming(), (std::vector<std::string>{a, b}));
    Rest(v);
    EXPECT_TRUE(v.viewer().prefetcher().cache().holds(a));
    EXPECT_TRUE(v.viewer().prefetcher().cache().holds(b));
}

TEST(PrefetchViewer, AfterAStepBackThePreviousPhotoComesFirst) {
    TempFolder folder;
    const std::string a = folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    const std::string b = folder.write("b.bmp", Bmp(3, 2, 0, 255, 0));
    const std::string c = folder.write("c.bmp", Bmp(3, 2, 0, 0, 255));
    const std::string d = folder.write("d.bmp", Bmp(3, 2, 255, 255, 255));
    Viewer v(folder, {"b.bmp"});
    v.queue.runPending();
    const auto upcoming = [&] { return v.app->navigator()->upcomingPhotos(); };
    EXPECT_EQ(upcoming(), (std::vector<std::string>{c, a}));
    Step(v, kNextPhoto);
    EXPECT_EQ(upcoming(), (std::vector<std::string>{d, b}));
    Step(v, kPreviousPhoto);
    EXPECT_EQ(upcoming(), (std::vector<std::string>{a, c}));
}

TEST(PrefetchOwner, AUserLoadGetsThePhotoInProgressAndTheBoundKeepsTheMostWanted) {
    TempFolder folder;
    const std::string a = folder.write("a.bmp", Bmp(600, 400, 1, 2, 3));  // 960,000 pixel bytes
    const std::string b = folder.write("b.bmp", Bmp(500, 400, 4, 5, 6));  // 800,000
    const std::string c = folder.write("c.bmp", Bmp(400, 400, 7, 8, 9));  // 640,000
    FakeEventQueue queue;
    std::vector<std::string> upcoming{a};
    bool busy = false;
    PhotoPrefetcher prefetch(queue, 1700000);
    prefetch.setSources({[&] { return upcoming; }, [&] { return busy; }, {}, {}});

    // On a thread of its own: a load right after the decode started gets the
    // photo, waiting for the decode while it is still in hand.
    prefetch.onTimer(kPrefetchTimer);
    std::optional<PrefetchedPhoto> got = prefetch.take(a);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->bitmap->GetPixel(599, 399) & 0xFFFFFF, 0x010203u);
    EXPECT_FALSE(prefetch.working());

    // Nothing starts while the thumbnails of the rows on screen are made.
    prefetch.setRunInline(true);
    upcoming = {c, b, a};
    busy = true;
    prefetch.photoShown();
    queue.advance(kPrefetchSettleMs + 5 * kPrefetchYieldMs);
    EXPECT_EQ(prefetch.cache().count(), 0u);
    busy = false;
    queue.advance(kPrefetchYieldMs);
    // c and b fit the 1.7 MB; a does not beside them and is not tried again.
    EXPECT_TRUE(prefetch.cache().holds(c));
    EXPECT_TRUE(prefetch.cache().holds(b));
    EXPECT_FALSE(prefetch.cache().holds(a));
    EXPECT_FALSE(prefetch.working());
    // a becomes the most wanted: b, the least wanted, gives way to it.
    upcoming = {a, c, b};
    prefetch.photoShown();
    queue.advance(kPrefetchSettleMs);
    EXPECT_TRUE(prefetch.cache().holds(a));
    EXPECT_TRUE(prefetch.cache().holds(c));
    EXPECT_FALSE(prefetch.cache().holds(b));
    EXPECT_LE(prefetch.cache().bytes(), 1700000u);
    // A photo no longer wanted is dropped.
    upcoming = {c};
    prefetch.photoShown();
    queue.advance(kPrefetchSettleMs);
    EXPECT_EQ(prefetch.cache().count(), 1u);
}

// A picture whose alpha is shown is laid over the background colour of the
// photo's own settings: one decoded ahead over another colour is decoded anew.
TEST(PrefetchViewer, PicturesWithAlphaLieOverTheBackgroundTheirPhotoShowsThemOn) {
    TempFolder folder;
    writers::Rgba clear = writers::TestPicture(3, 2, true);
    for (std::size_t i = 3; i < clear.pixels.size(); i += 4) clear.pixels[i] = 0;
    const writers::Bytes png = writers::WritePng(clear, true);
    folder.write("a.png", std::string(png.begin(), png.end()));
    const std::string b = folder.write("b.png", std::string(png.begin(), png.end()));
    folder.write("vellumo.ini", "[General Settings]\r\nBackgroundColor=0,0,255\r\n");
    folder.write("b.ini", "[General Settings]\r\nBackgroundColor=0,255,0\r\n");
    Viewer v(folder, {"a.png"});
    v.queue.runPending();
    EXPECT_EQ(Shown(v), "bbb/bbb");
    Rest(v);
    ASSERT_TRUE(v.viewer().prefetcher().cache().holds(b));
    Step(v, kNextPhoto);
    EXPECT_EQ(Shown(v), "ggg/ggg");  // laid over blue ahead: decoded anew over green
    Step(v, kPreviousPhoto);
    EXPECT_EQ(Shown(v), "bbb/bbb");  // kept as shown, over its own colour
    EXPECT_EQ(v.viewer().prefetcher().served(), 2u);
}
