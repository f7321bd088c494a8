// Photos decoded ahead of the user's steps: what the viewer shows from them,
// when it must not use them, and the byte bound of what is kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <sys/stat.h>

#include "app/ViewerRig.h"
#include "fakes/FakeCanvas.h"
#include "fakes/FakeDisplayPreparer.h"
#include "fakes/FakeEventQueue.h"
#include "prefetch/PhotoPrefetcher.h"
#include "../../tools/photo-writers/TodayWriters.h"
#include "thumbs/ThumbTestFiles.h"

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

// From now on the worker's decodes wait until Finish runs them.
void HoldDecodes(Viewer& v) { v.viewer().prefetcher().worker().setRunMode(PrefetchWorker::RunMode::Held); }
// Lets time pass and runs the decodes held, and those they lead to, until
// none is left.
void Finish(Viewer& v) {
    PrefetchWorker& worker = v.viewer().prefetcher().worker();
    for (int round = 0; round < 10; ++round) {
        v.queue.advance(kPrefetchSettleMs + 10);
        if (worker.runHeld() == 0) return;
        v.queue.runPending();
    }
}

// What each paint drew: display copies made ahead, and bitmaps.
struct Frame {
    std::vector<FakeCanvas::PreparedCopy> copies;
    std::vector<FakeCanvas::Image> bitmaps;
};

// A viewer whose window is on screen, with display copies made ahead and
// every paint recorded.
struct CopyViewer {
    FakeDisplayPreparer copies;
    Viewer v;
    std::vector<Frame> frames;
    CopyViewer(const TempFolder& folder, std::vector<std::string> args) : v(folder, std::move(args)) {
        v.viewer().prefetcher().setDisplayPreparer(&copies);
        v.queue.runPending();
        v.host.onUpdate = [this] { paint(); };
        paint();  // the window is on screen
    }
    ~CopyViewer() { v.host.onUpdate = nullptr; }
    void paint() {
        FakeCanvas canvas;
        for (const auto& made : copies.made) canvas.preparedKeys.insert(made.first);
        v.viewer().paint(canvas, v.desktop.screen);
        frames.push_back({canvas.preparedCopies, canvas.images});
    }
};

// From a.bmp on screen, once b is decoded ahead as its display copy, a
// step to b with the worker's decodes held: b shows from its copy.
void StepOntoCopy(CopyViewer& cv, const std::string& b) {
    Rest(cv.v);
    ASSERT_TRUE(cv.v.viewer().prefetcher().cache().holds(b));
    HoldDecodes(cv.v);
    Step(cv.v, kNextPhoto);
}

}  // namespace

// Stepping through photos kept as their display copies holds those copies
// alone: the photo itself decodes only once something needs more than its
// copy, here a paint the copy can no longer serve.
TEST(PrefetchViewer, APhotoShownFromItsCopyDecodesOnlyOnceTheCopyCannotServe) {
    using Held = std::vector<std::pair<std::string, bool>>;
    TempFolder folder;
    folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    const std::string b = folder.write("b.bmp", Bmp(3, 2, 0, 255, 0));
    CopyViewer cv(folder, {"a.bmp"});
    Viewer& v = cv.v;
    StepOntoCopy(cv, b);
    Finish(v);
    EXPECT_EQ(v.viewer().bitmap(), nullptr);
    EXPECT_TRUE(v.viewer().prefetcher().worker().held().empty());
    EXPECT_EQ(cv.frames.back().copies.size(), 1u);
    // The copy gone from the window's cache: the paint fills the photo's
    // place and asks for the photo, which is painted once it is there.
    cv.copies.made.clear();
    cv.paint();
    EXPECT_TRUE(cv.frames.back().copies.empty());
    EXPECT_EQ(v.viewer().prefetcher().worker().held(), (Held{{b, false}}));
    Finish(v);
    EXPECT_EQ(Shown(v), "ggg/ggg");
    EXPECT_EQ(cv.frames.back().bitmaps.size(), 1u);
}

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
    // The step shows the decode ahead at once; its file, looked at after
    // (off the user-interface thread), has changed: decoded anew.
    Step(v, kNextPhoto);
    EXPECT_EQ(Shown(v), "www/www");
    EXPECT_EQ(v.viewer().prefetcher().served(), 2u);
    // The stale decode is not kept for a step back.
    EXPECT_FALSE(v.viewer().prefetcher().cache().holds(c));

    // Written over in place with the same size: the new content shows too.
    Rest(v);
    ASSERT_TRUE(v.viewer().prefetcher().cache().holds(b));
    folder.write("b.bmp", Bmp(3, 2, 0, 0, 255));
    const timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, b.c_str(), past, 0), 0);
    Step(v, kPreviousPhoto);
    EXPECT_EQ(Shown(v), "bbb/bbb");
    EXPECT_EQ(v.viewer().prefetcher().served(), 3u);
    EXPECT_TRUE(v.desktop.messages.empty());
    // Unchanged files go on coming from memory.
    Step(v, kNextPhoto);
    Rest(v);
    Step(v, kPreviousPhoto);
    EXPECT_EQ(Shown(v), "bbb/bbb");
    EXPECT_EQ(v.viewer().prefetcher().served(), 5u);
}

TEST(PrefetchViewer, NeighboursKeptAsTheirDisplayCopyShowFromItWhileTheFileDecodesAnew) {
    TempFolder folder;
    const std::string b = folder.write("b.bmp", Bmp(3, 2, 0, 255, 0));
    folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    folder.write("c.bmp", Bmp(3, 2, 0, 0, 255));
    folder.write("descript.ion", "c.bmp turned by its description %ROTATE_LEFT%\r\n");
    CopyViewer cv(folder, {"a.bmp"});
    Viewer& v = cv.v;
    std::vector<Frame>& frames = cv.frames;
    FakeDisplayPreparer& copies = cv.copies;
    const std::uint64_t leftKey = v.viewer().bitmap()->GetCacheKey();
    Rest(v);
    ASSERT_TRUE(v.viewer().prefetcher().cache().holds(b));
    EXPECT_EQ(v.viewer().prefetcher().cache().bytes(), 0u);  // no bitmap kept

    // The copy goes on screen at once, in the photo's place; the file
    // decodes on the worker once something needs more than the copy, and the
    // window then paints the file's own decode (a bitmap of its own) as every
    // photo, in the same place.
    HoldDecodes(v);
    frames.clear();
    Step(v, kNextPhoto);
    EXPECT_EQ(v.viewer().bitmap(), nullptr);
    EXPECT_EQ(v.viewer().display().photoPath(), b);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].copies.size(), 1u);
    EXPECT_TRUE(frames[0].bitmaps.empty());
    const std::uint64_t copyKey = frames[0].copies[0].key;
    EXPECT_NE(copyKey, leftKey);
    Finish(v);
    EXPECT_EQ(v.viewer().bitmap(), nullptr);  // nothing needs the photo yet
    v.viewer().hurryPhoto();
    Finish(v);
    EXPECT_EQ(Shown(v), "ggg/ggg");
    EXPECT_EQ(frames.size(), 1u);  // the same pixels: nothing to repaint
    cv.paint();
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
    Finish(v);
    frames.clear();
    Step(v, kPreviousPhoto);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].copies.size(), 1u);
    EXPECT_EQ(frames[0].copies[0].key, leftKey);
    v.viewer().hurryPhoto();
    Finish(v);
    EXPECT_EQ(Shown(v), "rrr/rrr");

    // A copy no longer there: the photo decodes on the worker with nothing
    // painted before it is there.
    Rest(v);
    Finish(v);
    copies.made.clear();
    frames.clear();
    Step(v, kNextPhoto);
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(Shown(v), "rrr/rrr");  // the photo before stays meanwhile
    Finish(v);
    EXPECT_EQ(Shown(v), "ggg/ggg");
    for (const Frame& f : frames) EXPECT_TRUE(f.copies.empty());

    // A photo its description turns: the copy, unturned, is not shown.
    Rest(v);
    Finish(v);
    frames.clear();
    Step(v, kNextPhoto);
    Finish(v);
    EXPECT_EQ(Shown(v), "bb/bb/bb");
    EXPECT_EQ(v.viewer().prefetcher().served(), 4u);
    for (const Frame& f : frames) EXPECT_TRUE(f.copies.empty());

    // With transition effects the effect needs each photo whole at once: no
    // copy is shown, and the photo left keeps its bitmap.
    v.app->scopes().current().Effects = 'a';
    frames.clear();
    Step(v, kPreviousPhoto);
    Finish(v);
    v.queue.advance(5000);
    EXPECT_EQ(Shown(v), "ggg/ggg");
    for (const Frame& f : frames) EXPECT_TRUE(f.copies.empty());
    EXPECT_GT(v.viewer().prefetcher().cache().bytes(), 0u);
    EXPECT_TRUE(v.desktop.messages.empty());
}

TEST(PrefetchViewer, AZoomDuringTheDecodeAfterAStepActsOnTheFullPhotoOnceItIsThere) {
    TempFolder folder;
    folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    const std::string b = folder.write("b.bmp", Bmp(3000, 2000, 0, 255, 0));
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n"
                                "[Navigator Settings]\r\nNavigator=0\r\n");
    CopyViewer cv(folder, {"a.bmp"});
    Viewer& v = cv.v;
    StepOntoCopy(cv, b);
    // b on screen from its copy, fitted; the zoom waits for the full photo,
    // while a command that does not act on the view acts at once.
    const PhotoView& view = v.viewer().display().view();
    const Rect fitted = view.photoRect();
    ASSERT_FALSE(cv.frames.back().copies.empty());
    EXPECT_EQ(cv.frames.back().copies[0].placement, fitted);
    Step(v, cmd::ZoomIn);
    Step(v, cmd::MoveLeft);
    ASSERT_FALSE(v.app->navigator()->isShown());
    Step(v, cmd::ToggleNavigator);
    EXPECT_TRUE(v.app->navigator()->isShown());
    EXPECT_EQ(view.photoRect(), fitted);
    EXPECT_EQ(view.zoomSteps().target, 0);
    ASSERT_EQ(v.viewer().display().waitingCommands().size(), 2u);
    EXPECT_EQ(v.viewer().bitmap(), nullptr);

    // The photo is there: the zoom, then the pan, act on it, in that order.
    cv.frames.clear();
    Finish(v);
    ASSERT_NE(v.viewer().bitmap(), nullptr);
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 3000);
    EXPECT_FALSE(v.viewer().display().waitingForPhoto());
    EXPECT_TRUE(v.viewer().display().waitingCommands().empty());
    EXPECT_EQ(view.zoomSteps().target, 1);
    EXPECT_GT(view.photoRect().width(), fitted.width());
    // Zoomed about the centre, it reaches past the left edge; the pan then
    // brings that edge to the screen's (before the zoom it could not move).
    EXPECT_EQ(view.photoRect().left, 0);
    // Panning hides the Navigator; the zoomed photo is painted from its bitmap.
    EXPECT_FALSE(v.app->navigator()->isShown());
    ASSERT_FALSE(cv.frames.empty());
    ASSERT_EQ(cv.frames.back().bitmaps.size(), 1u);
    EXPECT_EQ(cv.frames.back().bitmaps[0].view.cacheKey, v.viewer().bitmap()->GetCacheKey());
    EXPECT_TRUE(cv.frames.back().copies.empty());
    EXPECT_TRUE(v.desktop.messages.empty());
}

// A step to a photo not decoded ahead: one larger than it is shown is
// decoded at a reduced scale for its display copy, which stands for it
// until a zoom needs the whole photo; a progressive JPEG is decoded whole
// (its first picture comes on the way).
TEST(PrefetchViewer, AStepToAPhotoNotDecodedAheadShowsItsReducedCopyUntilTheWholeIsNeeded) {
    using vellumo::testing::JpegBytes;
    using vellumo::testing::Rgb8;
    auto pattern = [](int x, int y) {
        return Rgb8{static_cast<std::uint8_t>(x & 0xFF), static_cast<std::uint8_t>(y & 0xFF), 90};
    };
    const std::string settings = "[General Settings]\r\nApplicationLanguage=English\r\n"
                                 "[Navigator Settings]\r\nNavigator=0\r\n";
    {
        TempFolder folder;
        folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
        folder.write("b.jpg", JpegBytes(4000, 3000, pattern));
        folder.write("vellumo.ini", settings);
        CopyViewer cv(folder, {"a.bmp"});
        Viewer& v = cv.v;
        Step(v, kNextPhoto);  // at once: nothing is decoded ahead yet
        EXPECT_FALSE(v.viewer().noPhoto());
        EXPECT_EQ(v.viewer().bitmap(), nullptr);
        // Its copy, made at the size it is shown at (beside the one of a.bmp left).
        const Rect fitted = v.viewer().display().view().photoRect();
        EXPECT_LT(fitted.width(), 4000);
        EXPECT_EQ(std::count_if(cv.copies.made.begin(), cv.copies.made.end(),
                                [&](const auto& m) { return m.second == Size{fitted.width(), fitted.height()}; }),
                  1);
        ASSERT_FALSE(cv.frames.empty());
        EXPECT_EQ(cv.frames.back().copies.size(), 1u);
        // The zoom needs the whole photo, decoded now, and acts on it.
        Step(v, cmd::ZoomIn);
        Finish(v);
        ASSERT_NE(v.viewer().bitmap(), nullptr);
        EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 4000);
        EXPECT_EQ(v.viewer().display().view().zoomSteps().target, 1);
        EXPECT_TRUE(v.desktop.messages.empty());
    }
    TempFolder folder;
    folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    folder.write("c.jpg", JpegBytes(2000, 1500, pattern, true));
    folder.write("vellumo.ini", settings);
    CopyViewer cv(folder, {"a.bmp"});
    Step(cv.v, kNextPhoto);
    Finish(cv.v);
    ASSERT_NE(cv.v.viewer().bitmap(), nullptr);
    EXPECT_EQ(cv.v.viewer().bitmap()->GetWidth(), 2000);
}

TEST(PrefetchViewer, ASecondStepCancelsTheFirstOnesDecodeAndWhatWaitedForIt) {
    TempFolder folder;
    folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    const std::string b = folder.write("b.bmp", Bmp(300, 200, 0, 255, 0));
    const std::string c = folder.write("c.bmp", Bmp(3, 2, 0, 0, 255));
    CopyViewer cv(folder, {"a.bmp"});
    Viewer& v = cv.v;
    Rest(v);
    HoldDecodes(v);
    Step(v, kNextPhoto);
    Step(v, cmd::ZoomIn);
    ASSERT_EQ(v.viewer().display().waitingCommands().size(), 1u);
    using Held = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(v.viewer().prefetcher().worker().held(), (Held{{b, false}}));

    // On to c, which was not decoded ahead: b's decode is told to stop, the
    // zoom meant for b is dropped, and b's copy stays on screen until c is there.
    cv.frames.clear();
    Step(v, kNextPhoto);
    EXPECT_EQ(v.viewer().prefetcher().worker().held(), (Held{{b, true}, {c, false}}));
    EXPECT_TRUE(v.viewer().display().waitingCommands().empty());
    EXPECT_TRUE(cv.frames.empty());
    EXPECT_EQ(v.viewer().display().photoPath(), c);
    cv.paint();  // a repaint meanwhile (the Navigator hidden) shows b's copy still
    ASSERT_EQ(cv.frames.back().copies.size(), 1u);
    Finish(v);
    EXPECT_EQ(Shown(v), "bbb/bbb");
    EXPECT_EQ(v.viewer().display().view().zoomSteps().target, 0);
    // b goes back as the copy it came as, for a step back.
    EXPECT_TRUE(v.viewer().prefetcher().cache().holds(b));
    EXPECT_EQ(v.viewer().prefetcher().cache().bytes(), 0u);
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
    // c, decoded ahead, goes away before the user steps there: shown as it
    // was a moment ago (as a photo deleted while shown stays), without a
    // message, and not kept once left.
    Rest(v);
    ASSERT_TRUE(v.viewer().prefetcher().cache().holds(c));
    std::remove(c.c_str());
    Step(v, kNextPhoto);
    EXPECT_EQ(v.desktop.messages.size(), 1u);
    EXPECT_EQ(Shown(v), "bbb/bbb");
    Step(v, kPreviousPhoto);
    EXPECT_FALSE(v.viewer().prefetcher().cache().holds(c));
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
    std::optional<ShownDecode> arrived;
    prefetch.setSources({[&] { return upcoming; }, [&] { return busy; }, {}, {},
                         [&](ShownDecode d) { arrived = std::move(d); }, {}, {}, {}, {}});

    // On a thread of its own: the viewer asking for the photo right after
    // its decode ahead started takes that decode over, without waiting; the
    // photo arrives when it is done (or at once when it is done already).
    prefetch.onTimer(kPrefetchTimer);
    ASSERT_TRUE(prefetch.working());
    EXPECT_FALSE(prefetch.take(a).has_value());
    arrived = prefetch.decodeShown(a);
    EXPECT_TRUE(prefetch.decodingShown() != arrived.has_value());
    for (int waited = 0; !arrived && waited < 20000; waited += 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        queue.runPending();
    }
    ASSERT_TRUE(arrived && arrived->photo);
    EXPECT_EQ(arrived->path, a);
    EXPECT_EQ(arrived->photo->bitmap->GetPixel(599, 399) & 0xFFFFFF, 0x010203u);
    EXPECT_EQ(prefetch.served(), 1u);
    EXPECT_FALSE(prefetch.working());
    EXPECT_FALSE(prefetch.decodingShown());
    // A file that does not decode: the viewer's decode says why.
    const std::string broken = folder.write("broken.jpg", "\xFF\xD8\xFF\xE0 not really a jpeg");
    prefetch.setRunInline(true);
    std::optional<ShownDecode> failed = prefetch.decodeShown(broken);
    ASSERT_TRUE(failed.has_value());
    EXPECT_FALSE(failed->photo.has_value());
    EXPECT_FALSE(failed->errorText.empty());

    // Nothing starts while the thumbnails of the rows on screen are made.
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

// The step's own decode takes over a decode ahead of the photo still running
// only when that one lays the photo over the background the photo is shown
// on; else the photo decodes anew, over its own colour, on the worker.
TEST(PrefetchViewer, ADecodeAheadInProgressIsTakenOverOnlyOverTheSameBackground) {
    writers::Rgba clear = writers::TestPicture(3, 2, true);
    for (std::size_t i = 3; i < clear.pixels.size(); i += 4) clear.pixels[i] = 0;
    const writers::Bytes png = writers::WritePng(clear, true);
    using Held = std::vector<std::pair<std::string, bool>>;
    for (const bool ownColour : {true, false}) {
        SCOPED_TRACE(ownColour ? "b over its own colour" : "b over the folder's colour");
        TempFolder folder;
        folder.write("a.png", std::string(png.begin(), png.end()));
        const std::string b = folder.write("b.png", std::string(png.begin(), png.end()));
        folder.write("vellumo.ini", "[General Settings]\r\nBackgroundColor=0,0,255\r\n");
        if (ownColour) folder.write("b.ini", "[General Settings]\r\nBackgroundColor=0,255,0\r\n");
        Viewer v(folder, {"a.png"});
        v.queue.runPending();
        HoldDecodes(v);
        Rest(v);
        ASSERT_EQ(v.viewer().prefetcher().worker().held(), (Held{{b, false}}));  // over a's blue
        Step(v, kNextPhoto);
        if (ownColour) EXPECT_EQ(v.viewer().prefetcher().worker().held(), (Held{{b, true}, {b, false}}));
        else EXPECT_EQ(v.viewer().prefetcher().worker().held(), (Held{{b, false}}));
        Finish(v);
        EXPECT_EQ(Shown(v), ownColour ? "ggg/ggg" : "bbb/bbb");
        EXPECT_EQ(v.viewer().prefetcher().served(), ownColour ? 0u : 1u);
        EXPECT_TRUE(v.desktop.messages.empty());
    }
}

TEST(PrefetchDecode, APhotoWantedForItsDisplayCopyAloneDecodesAtAReducedScale) {
    TempFolder folder;
    auto grey = [](int x, int y) {
        const auto v = static_cast<std::uint8_t>((x + y) & 0xFF);
        return vellumo::testing::Rgb8{v, v, v};
    };
    const std::string jpeg = folder.write("a.jpg", vellumo::testing::JpegBytes(1600, 1200, grey));
    const std::string bmp = folder.write("b.bmp", Bmp(160, 120, 1, 2, 3));
    const std::string turned = folder.write("c.jpg", vellumo::testing::JpegBytes(1600, 1200, grey));
    folder.write("c.txt", "%ROTATE_LEFT%");
    std::atomic<bool> stop{false};
    DecodeOptions options;
    options.reducedFor = [](Size photo) { return Size{photo.cx / 4, photo.cy / 4}; };
    CAnyPicDecoder decoder;
    // Shown at 400 x 300: the least eighth scale larger than that is 3/8.
    std::optional<PrefetchedPhoto> a = DecodeAhead(decoder, jpeg, stop, options);
    ASSERT_TRUE(a && a->bitmap);
    EXPECT_TRUE(a->reduced);
    EXPECT_EQ(a->bitmap->GetSize(), (Size{600, 450}));
    EXPECT_EQ(a->decodedSize, (Size{1600, 1200}));
    // Only JPEG has reduced scales; a photo turned by its comment file is
    // decoded whole (it is kept as its bitmap).
    std::optional<PrefetchedPhoto> b = DecodeAhead(decoder, bmp, stop, options);
    ASSERT_TRUE(b && b->bitmap);
    EXPECT_FALSE(b->reduced);
    EXPECT_EQ(b->decodedSize, (Size{160, 120}));
    std::optional<PrefetchedPhoto> c = DecodeAhead(decoder, turned, stop, options);
    ASSERT_TRUE(c && c->bitmap);
    EXPECT_FALSE(c->reduced);
    EXPECT_EQ(c->bitmap->GetSize(), (Size{1200, 1600}));
    // A phone's portrait photo (stored sideways, EXIF orientation 6) is
    // fitted by its upright size: into 800 x 300 at 225 x 300, decoded at
    // 2/8 and upright.
    const writers::Bytes sideways = writers::WriteJpeg(writers::TestPicture(1600, 1200, false), 6);
    const std::string portrait = folder.write("d.jpg", std::string(sideways.begin(), sideways.end()));
    DecodeOptions fitted;
    fitted.reducedFor = [](Size photo) {
        const double scale = std::min(800.0 / photo.cx, 300.0 / photo.cy);
        return Size{static_cast<int>(photo.cx * scale), static_cast<int>(photo.cy * scale)};
    };
    std::optional<PrefetchedPhoto> d = DecodeAhead(decoder, portrait, stop, fitted);
    ASSERT_TRUE(d && d->bitmap);
    EXPECT_TRUE(d->reduced);
    EXPECT_EQ(d->bitmap->GetSize(), (Size{300, 400}));
    EXPECT_EQ(d->decodedSize, (Size{1200, 1600}));
    // The same decoder afterwards decodes at full scale again.
    std::optional<PrefetchedPhoto> whole = DecodeAhead(decoder, jpeg, stop);
    ASSERT_TRUE(whole && whole->bitmap);
    EXPECT_EQ(whole->bitmap->GetSize(), (Size{1600, 1200}));
}

// The looks at files behind photos given out run on a thread of their own
// and come back in the order asked; once closed, nothing more comes.
TEST(FileStampCheck, LooksOffTheCallingThreadInOrderAndReportsNothingOnceClosed) {
    TempFolder folder;
    const std::string a = folder.write("a.bmp", Bmp(3, 2, 255, 0, 0));
    const std::string b = folder.write("b.bmp", Bmp(3, 2, 0, 255, 0));
    struct Owner : CommandTarget {
        int told = 0;
        void onCommand(int, std::intptr_t) override { ++told; }
        void onTimer(int) override {}
    } owner;
    FakeEventQueue queue;
    FileStampCheck check(queue, &owner, 7);
    std::deque<FileStampCheck::Result> results;
    check.check(a, StampOfFile(a));
    check.check(b, StampOfFile(a));                  // another file's stamp
    check.check(folder.path + "/gone.bmp", std::nullopt);  // had none, has none
    check.check(a, std::nullopt);                    // had none, has one now
    for (int waited = 0; results.size() < 4 && waited < 20000; waited += 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        queue.runPending();
        for (auto& r : check.take()) results.push_back(std::move(r));
    }
    ASSERT_EQ(results.size(), 4u);
    EXPECT_GE(owner.told, 1);
    const std::vector<std::pair<std::string, bool>> expected{
        {a, false}, {b, true}, {folder.path + "/gone.bmp", false}, {a, true}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(results[i].path, expected[i].first);
        EXPECT_EQ(results[i].changed, expected[i].second);
    }
    check.close();
    const int told = owner.told;
    check.check(b, std::nullopt);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    queue.runPending();
    EXPECT_EQ(owner.told, told);
    EXPECT_TRUE(check.take().empty());
}
