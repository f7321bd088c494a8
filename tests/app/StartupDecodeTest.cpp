// The command-line photo decoded while the program starts: handed to the
// window only for that very file, unchanged; everything else is decoded anew.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include <thread>

#include "app/StartupDecode.h"
#include "app/ViewerRig.h"
#include "fakes/FakeCanvas.h"
#include "fakes/FakeDisplayPreparer.h"
#include "imaging/Pixel.h"
#include "thumbs/ThumbTestFiles.h"

using namespace vellumo;
using vellumo::testing::Bmp;
using vellumo::testing::Prefetch;
using vellumo::testing::TempFolder;
using vellumo::testing::Viewer;

namespace {

std::unique_ptr<StartupDecode> DecodedNow(const std::string& path) {
    auto decode = std::make_unique<StartupDecode>(path);
    decode->runHere();
    return decode;
}

// The start-up decode tells the window through its queue from its worker:
// runs the queue until done() holds (at most ten seconds).
bool RunUntil(Viewer& v, const std::function<bool()>& done) {
    for (int i = 0; i < 5000 && !done(); ++i) {
        v.queue.runPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

// The viewer on the fakes with a start-up decode handed to it before its start.
struct EarlyViewer : Viewer {
    // A photo the early decode does not give is decoded on this thread.
    EarlyViewer(const TempFolder& folder, const std::string& photo, std::unique_ptr<StartupDecode> early)
        : Viewer(folder, {photo}, [&early](Viewer& v) { v.app->startupDecode = std::move(early); }, Prefetch::Inline) {
        queue.runPending();
    }
};

}  // namespace

TEST(StartupDecode, ThePhotoIsHandedOverOnceAndOnlyForTheFileItWasDecodedFrom) {
    TempFolder folder;
    const std::string photo = folder.write("photo.bmp", Bmp(5, 3, 200, 10, 30));
    const std::string other = folder.write("other.bmp", Bmp(5, 3, 200, 10, 30));
    folder.link(photo, "alias.bmp");

    auto decode = DecodedNow(photo);
    // A copy with the same content is another file.
    EXPECT_FALSE(decode->take(other));
    // The same file under another name is the same photo.
    std::optional<EarlyPhoto> taken = decode->take(folder.path + "/alias.bmp");
    ASSERT_TRUE(taken);
    ASSERT_TRUE(taken->bitmap);
    EXPECT_EQ(taken->bitmap->GetWidth(), 5);
    EXPECT_EQ(taken->bitmap->GetHeight(), 3);
    RGBAPixel corner = taken->bitmap->GetPixel(4, 2);
    EXPECT_EQ(PixelRed(corner), 200);
    EXPECT_EQ(PixelGreen(corner), 10);
    EXPECT_EQ(PixelBlue(corner), 30);
    EXPECT_FALSE(decode->take(photo));
}

TEST(StartupDecode, AChangedBrokenOrMissingFileIsLeftToTheWindowsOwnDecode) {
    TempFolder folder;
    const std::string photo = folder.path + "/photo.bmp";
    // Rewritten in place after the decode.
    folder.write("photo.bmp", Bmp(5, 3, 0, 0, 255));
    auto rewritten = DecodedNow(photo);
    folder.write("photo.bmp", Bmp(6, 3, 0, 0, 255));
    EXPECT_FALSE(rewritten->take(photo));
    // Replaced by another file of the same size.
    auto replaced = DecodedNow(photo);
    const std::string next = folder.write("next.bmp", Bmp(6, 3, 255, 0, 0));
    ASSERT_EQ(std::rename(next.c_str(), photo.c_str()), 0);
    EXPECT_FALSE(replaced->take(photo));
    // Broken, and gone.
    const std::string broken = folder.write("broken.jpg", "\xFF\xD8\xFF\xE0 not really a jpeg");
    EXPECT_FALSE(DecodedNow(broken)->take(broken));
    EXPECT_FALSE(DecodedNow(folder.path + "/gone.bmp")->take(folder.path + "/gone.bmp"));
}

TEST(StartupDecode, OnlyAPhotoFileNamedWithoutAScriptStartsADecode) {
    TempFolder folder;
    folder.write("photo.JPG", "x");
    folder.write("notes.txt", "x");
    folder.write("show.script.txt", "x");
    folder.folder("album");
    auto decode = StartupDecode::ForCommandLine({"photo.JPG"}, folder.path);
    ASSERT_TRUE(decode);
    EXPECT_EQ(decode->path(), folder.path + "/photo.JPG");
    EXPECT_TRUE(StartupDecode::ForCommandLine({"settings.ini", "photo.JPG"}, folder.path));
    EXPECT_FALSE(StartupDecode::ForCommandLine({"show.script.txt", "photo.JPG"}, folder.path));
    EXPECT_FALSE(StartupDecode::ForCommandLine({"notes.txt"}, folder.path));
    EXPECT_FALSE(StartupDecode::ForCommandLine({"album"}, folder.path));
    EXPECT_FALSE(StartupDecode::ForCommandLine({"missing.jpg"}, folder.path));
    EXPECT_FALSE(StartupDecode::ForCommandLine({}, folder.path));
}

TEST(ViewerStartup, TheEarlyDecodeShowsItsPhotoAChangedFileAnewAndABrokenOneReportsAsEver) {
    TempFolder folder;
    const std::string photo = folder.write("photo.bmp", Bmp(40, 30, 0, 255, 0));
    {
        EarlyViewer v(folder, photo, DecodedNow(photo));
        ASSERT_NE(v.app->viewer()->bitmap(), nullptr);
        EXPECT_EQ(v.app->viewer()->bitmap()->GetWidth(), 40);
        EXPECT_FALSE(v.app->viewer()->noPhoto());
        EXPECT_TRUE(v.desktop.messages.empty());
    }
    {
        auto early = DecodedNow(photo);
        folder.write("photo.bmp", Bmp(64, 48, 0, 255, 0));
        EarlyViewer v(folder, photo, std::move(early));
        ASSERT_NE(v.app->viewer()->bitmap(), nullptr);
        EXPECT_EQ(v.app->viewer()->bitmap()->GetWidth(), 64);
    }
    const std::string broken = folder.write("broken.jpg", "\xFF\xD8\xFF\xE0 not really a jpeg");
    std::string usual;
    {
        EarlyViewer v(folder, broken, nullptr);
        ASSERT_EQ(v.desktop.messages.size(), 1u);
        usual = v.desktop.messages[0].text;
    }
    EarlyViewer v(folder, broken, DecodedNow(broken));
    ASSERT_EQ(v.desktop.messages.size(), 1u);
    EXPECT_EQ(v.desktop.messages[0].text, usual);
    EXPECT_TRUE(v.app->viewer()->noPhoto());
}

namespace {

std::string ProgressiveJpeg(int width, int height) {
    return vellumo::testing::JpegBytes(
        width, height,
        [](int x, int y) {
            return vellumo::testing::Rgb8{static_cast<std::uint8_t>((x * 7 + y * 13) & 0xFF),
                                          static_cast<std::uint8_t>(x & 0xFF), static_cast<std::uint8_t>(y & 0xFF)};
        },
        true);
}

}  // namespace

// A progressive photo's first picture (one pixel per 8 x 8 block) reaches
// the thread that waits for the photo, before the photo. The photos are
// large enough that the waiting starts long before the decode ends.
TEST(StartupDecode, AProgressivePhotosFirstPictureReachesTheWaitingThread) {
    TempFolder folder;
    const std::string photo = folder.write("photo.jpg", ProgressiveJpeg(2048, 1536));
    StartupDecode early(photo);
    early.start();
    std::vector<Size> seen;
    bool onThisThread = true;
    const auto caller = std::this_thread::get_id();
    std::optional<EarlyPhoto> taken = early.take(photo, [&](CBmp& coarse, Size full) {
        seen.push_back(coarse.GetSize());
        seen.push_back(full);
        onThisThread = onThisThread && std::this_thread::get_id() == caller;
    });
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->bitmap->GetWidth(), 2048);
    EXPECT_EQ(seen, (std::vector<Size>{{256, 192}, {2048, 1536}}));
    EXPECT_TRUE(onThisThread);
}

// The start waits for the window to be exposed (at most 100 ms), then paints
// the first picture over the screen while the photo decodes, then the photo.
// Never exposed, no first picture is painted before the window's own first
// paint (it would be lost); the window answers all the while.
TEST(ViewerStartup, TheFirstPictureIsPaintedOnceTheWindowIsExposed) {
    TempFolder folder;
    const std::string photo = folder.write("photo.jpg", ProgressiveJpeg(2048, 1536));
    for (const bool exposed : {true, false}) {
        SCOPED_TRACE(exposed ? "exposed" : "never exposed");
        StartupDecode* decode = nullptr;
        std::vector<int> widths;  // of the pictures each update painted; -1: none
        Viewer v(folder, {photo}, [&](Viewer& r) {
            r.host.exposed = false;
            r.app->startupDecode = std::make_unique<StartupDecode>(photo);
            decode = r.app->startupDecode.get();
            r.host.onUpdate = [&widths, &rig = r] {
                FakeCanvas canvas;
                rig.viewer().paint(canvas, rig.desktop.screen);
                for (const auto& image : canvas.images) widths.push_back(image.view.width);
                if (canvas.images.empty()) widths.push_back(-1);
            };
        }, Prefetch::OnWorker);
        v.queue.runPending();
        EXPECT_EQ(v.viewer().bitmap(), nullptr);  // waiting
        decode->start();
        if (exposed) {
            v.host.exposed = true;
            FakeCanvas canvas;
            v.viewer().paint(canvas, v.desktop.screen);
            v.queue.runPending();
        } else {
            v.queue.advance(99);
            EXPECT_EQ(v.viewer().bitmap(), nullptr);
            v.queue.advance(1);
        }
        ASSERT_TRUE(RunUntil(v, [&] { return v.viewer().bitmap() != nullptr; }));
        EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 2048);
        ASSERT_FALSE(widths.empty());
        EXPECT_EQ(widths.back(), 2048);
        const auto firstPicture = std::find_if(widths.begin(), widths.end(), [](int w) { return w != -1; });
        if (exposed)
            EXPECT_EQ(*firstPicture, 256);
        else
            EXPECT_NE(widths.front(), 256);
    }
}

namespace {

std::string BaselineJpeg(int width, int height) {
    return vellumo::testing::JpegBytes(width, height, [](int x, int y) {
        return vellumo::testing::Rgb8{static_cast<std::uint8_t>(x & 0xFF), static_cast<std::uint8_t>(y & 0xFF), 90};
    });
}

// The decode of path started on its worker, told where a photo is shown.
std::optional<EarlyPhoto> DecodedFor(const std::string& path, Size shown) {
    StartupDecode early(path);
    early.showAt([shown](Size) { return shown; });
    early.start();
    return early.take(path);
}

}  // namespace

// A photo without a first picture waits after its header for where it is
// shown: larger than that, it is decoded at a reduced scale for its display
// copy; a progressive one, one its comment file turns, and one whose window
// never says, are decoded whole (and none of them waits forever).
TEST(StartupDecode, APhotoLargerThanItIsShownDecodesReducedUnlessItHasAFirstPictureOrTurns) {
    TempFolder folder;
    const std::string large = folder.write("large.jpg", BaselineJpeg(1600, 1200));
    std::optional<EarlyPhoto> reduced = DecodedFor(large, {400, 300});
    ASSERT_TRUE(reduced);
    EXPECT_TRUE(reduced->reduced);
    EXPECT_EQ(reduced->fullSize, (Size{1600, 1200}));
    EXPECT_GT(reduced->bitmap->GetWidth(), 400);
    EXPECT_LT(reduced->bitmap->GetWidth(), 1600);

    std::optional<EarlyPhoto> fits = DecodedFor(large, {1600, 1200});
    ASSERT_TRUE(fits);
    EXPECT_FALSE(fits->reduced);
    EXPECT_EQ(fits->bitmap->GetWidth(), 1600);

    const std::string progressive = folder.write("progressive.jpg", ProgressiveJpeg(1600, 1200));
    std::optional<EarlyPhoto> whole = DecodedFor(progressive, {400, 300});
    ASSERT_TRUE(whole);
    EXPECT_FALSE(whole->reduced);
    EXPECT_EQ(whole->bitmap->GetWidth(), 1600);

    const std::string turned = folder.write("turned.jpg", BaselineJpeg(1600, 1200));
    folder.write("turned.txt", "%ROTATE_LEFT%");
    std::optional<EarlyPhoto> turnedWhole = DecodedFor(turned, {400, 300});
    ASSERT_TRUE(turnedWhole);
    EXPECT_FALSE(turnedWhole->reduced);

    StartupDecode unplaced(large);
    unplaced.start();
    std::optional<EarlyPhoto> unplacedWhole = unplaced.take(large);
    ASSERT_TRUE(unplacedWhole);
    EXPECT_FALSE(unplacedWhole->reduced);
    EXPECT_EQ(unplacedWhole->bitmap->GetWidth(), 1600);
    // Stopped while it waits: the destructor returns.
    StartupDecode(large).start();
}

// Started on a photo much larger than the screen, the window shows it from
// the display copy of the reduced decode and keeps no bitmap; real scale
// then decodes the photo whole and acts on it.
TEST(ViewerStartup, ALargePhotoStartsFromItsDisplayCopyAndDecodesWholeWhenNeeded) {
    TempFolder folder;
    const std::string photo = folder.write("photo.jpg", BaselineJpeg(4000, 3000));
    FakeDisplayPreparer copies;
    StartupDecode* decode = nullptr;
    Viewer v(folder, {photo}, [&](Viewer& r) {
        r.app->startupDecode = std::make_unique<StartupDecode>(photo);
        decode = r.app->startupDecode.get();
    });
    v.viewer().prefetcher().setDisplayPreparer(&copies);
    decode->start();
    {
        FakeCanvas first;  // the window is on screen, as it is once exposed
        v.viewer().paint(first, v.desktop.screen);
    }
    ASSERT_TRUE(RunUntil(v, [&] { return !copies.made.empty(); }));
    EXPECT_FALSE(v.viewer().noPhoto());
    EXPECT_EQ(v.viewer().bitmap(), nullptr);
    const Rect fitted = v.viewer().display().view().photoRect();
    ASSERT_EQ(copies.made.size(), 1u);
    EXPECT_EQ(copies.made.begin()->second, (Size{fitted.width(), fitted.height()}));
    EXPECT_LT(fitted.width(), 4000);
    FakeCanvas canvas;
    canvas.preparedKeys.insert(copies.made.begin()->first);
    v.viewer().paint(canvas, v.desktop.screen);
    ASSERT_EQ(canvas.preparedCopies.size(), 1u);
    EXPECT_EQ(canvas.preparedCopies[0].placement, fitted);

    v.queue.post(&v.viewer(), cmd::RealScale);
    v.queue.runPending();
    ASSERT_NE(v.viewer().bitmap(), nullptr);
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 4000);
    EXPECT_EQ(v.viewer().display().view().photoRect().width(), 4000);
    EXPECT_TRUE(v.desktop.messages.empty());
}

// While the start-up decode of a large progressive photo runs the window
// answers: a command on the comment acts at once, real scale waits for the
// photo and then acts on it. The start is over (its commands run) once the
// photo is on screen; its display copy was made on the decode's worker.
TEST(ViewerStartup, TheWindowAnswersWhileTheStartupDecodeRuns) {
    TempFolder folder;
    // 169 toggles ScaleSavingMode.
    folder.write("vellumo.ini", "[Commands Settings]\r\nCommandsAfterProgramStart=169\r\n");
    const std::string photo = folder.write("photo.jpg", ProgressiveJpeg(3000, 2000));
    StartupDecode* decode = nullptr;
    Viewer v(folder, {photo}, [&](Viewer& r) {
        r.host.exposed = false;
        r.app->startupDecode = std::make_unique<StartupDecode>(photo);
        decode = r.app->startupDecode.get();
    }, Prefetch::OnWorker);
    FakeDisplayPreparer copies;
    v.viewer().prefetcher().setDisplayPreparer(&copies);
    const Rect fitted = v.viewer().display().newPhotoViews()(3000, 2000).photoRect();
    v.queue.runPending();
    decode->start();
    v.host.exposed = true;
    {
        FakeCanvas canvas;
        v.viewer().paint(canvas, v.desktop.screen);
    }
    v.queue.runPending();
    // Decoding for a good while yet (it began a moment ago).
    EXPECT_EQ(v.viewer().bitmap(), nullptr);
    ASSERT_EQ(v.settings().Comment, 1);
    v.queue.post(&v.viewer(), cmd::RealScale);
    v.queue.post(&v.viewer(), cmd::CommentOff);
    v.queue.runPending();
    EXPECT_EQ(v.settings().Comment, 0);
    EXPECT_EQ(v.viewer().bitmap(), nullptr);
    EXPECT_EQ(v.settings().ScaleSavingMode, 0);
    ASSERT_TRUE(RunUntil(v, [&] { return v.viewer().bitmap() != nullptr; }));
    EXPECT_TRUE(RunUntil(v, [&] { return v.settings().ScaleSavingMode == 1; }));
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 3000);
    EXPECT_EQ(v.viewer().display().view().photoRect().width(), 3000);
    EXPECT_TRUE(v.desktop.messages.empty());
    const auto copy = copies.made.find(v.viewer().bitmap()->GetCacheKey());
    ASSERT_NE(copy, copies.made.end());
    EXPECT_EQ(copy->second, (Size{fitted.width(), fitted.height()}));
    EXPECT_LT(fitted.width(), 3000);
}
