// A large photo shows a first picture while it decodes on the worker:
// painted before the full picture, which then paints as every photo does.
#include <gtest/gtest.h>

#include "ViewerRig.h"
#include "fakes/FakeCanvas.h"
#include "thumbs/ThumbTestFiles.h"

namespace vellumo::testing {
namespace {

// A sharp pattern, so a picture of the first scans differs from the photo.
std::string Jpeg(int width, int height, bool progressive) {
    return JpegBytes(
        width, height,
        [](int x, int y) {
            return Rgb8{static_cast<std::uint8_t>((x * 7 + y * 13) & 0xFF), static_cast<std::uint8_t>((x * 7 + y * 13 + 50) & 0xFF),
                        static_cast<std::uint8_t>((x * 7 + y * 13 + 100) & 0xFF)};
        },
        progressive);
}

// What one paint of the whole window drew, with a sum of the pixels each
// picture had at that moment.
struct Frame {
    std::vector<FakeCanvas::Fill> fills;
    std::vector<FakeCanvas::Image> images;
    std::vector<std::uint64_t> sums;
};

std::uint64_t PixelSum(const ImageView& v) {
    std::uint64_t sum = 0;
    for (int y = 0; y < v.height; ++y) {
        const std::uint8_t* row = v.bits + y * v.stride;
        for (int x = 0; x < v.width * 4; ++x) sum += row[x];
    }
    return sum;
}

Frame Paint(Viewer& v) {
    FakeCanvas canvas;
    v.viewer().paint(canvas, v.desktop.screen);
    Frame f{canvas.fills, canvas.images, {}};
    for (const auto& image : canvas.images) f.sums.push_back(PixelSum(image.view));
    return f;
}

// Frames painted by the window's updates that drew a picture, while the
// action runs and the decodes it started on the worker end.
std::vector<Frame> Record(Viewer& v, const std::function<void()>& action) {
    std::vector<Frame> frames;
    v.host.onUpdate = [&] {
        Frame f = Paint(v);
        if (!f.images.empty()) frames.push_back(f);
    };
    PrefetchWorker& worker = v.viewer().prefetcher().worker();
    worker.setRunMode(PrefetchWorker::RunMode::Held);
    action();
    worker.runHeld();
    v.queue.runPending();
    worker.setRunMode(PrefetchWorker::RunMode::Inline);
    v.host.onUpdate = nullptr;
    return frames;
}

void ExpectSameScreen(const Frame& a, const Frame& b) {
    ASSERT_EQ(a.fills.size(), b.fills.size());
    for (std::size_t i = 0; i < a.fills.size(); ++i) {
        EXPECT_EQ(a.fills[i].rect, b.fills[i].rect);
        EXPECT_EQ(a.fills[i].colour, b.fills[i].colour);
    }
    ASSERT_EQ(a.images.size(), b.images.size());
    for (std::size_t i = 0; i < a.images.size(); ++i) {
        EXPECT_EQ(a.images[i].source, b.images[i].source);
        EXPECT_EQ(a.images[i].destination, b.images[i].destination);
        EXPECT_EQ(a.images[i].view.cacheKey, b.images[i].view.cacheKey);
        EXPECT_EQ(a.sums[i], b.sums[i]);
    }
}

TEST(PhotoPreview, FirstPicturesPaintBeforeTheFullPhotoWhichPaintsAsAlways) {
    TempFolder folder;
    folder.write("progressive.jpg", Jpeg(1280, 960, true));
    folder.write("progressive2.jpg", Jpeg(1280, 960, true));
    folder.write("baseline.jpg", Jpeg(2048, 1536, false));
    folder.write("small.jpg", Jpeg(800, 600, false));
    Viewer v(folder);
    v.queue.runPending();
    const Rect screen{0, 0, 1024, 768};
    // Not before the window has been on screen (at start-up, before its
    // first paint, the first picture would not be seen).
    std::vector<Frame> frames = Record(v, [&] { v.viewer().showPhoto(JoinPath(folder.path, "progressive.jpg")); });
    EXPECT_EQ(frames.size(), 1u);

    // Progressive: the picture of the first scans' DC coefficients (one pixel
    // per 8 x 8 block) over the whole screen, then the photo (another file:
    // the photo on screen shown again is not decoded again).
    frames = Record(v, [&] { v.viewer().showPhoto(JoinPath(folder.path, "progressive2.jpg")); });
    ASSERT_EQ(frames.size(), 2u);
    const CBmp* photo = v.viewer().bitmap();
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(frames[0].images[0].view.width, 160);
    EXPECT_EQ(frames[0].images[0].destination, screen);
    EXPECT_NE(frames[0].images[0].view.cacheKey, photo->GetCacheKey());
    EXPECT_NE(frames[0].sums[0], frames[1].sums[0]);
    ExpectSameScreen(frames[1], Paint(v));
    EXPECT_EQ(frames[1].images[0].view.cacheKey, photo->GetCacheKey());

    // Baseline larger than the screen and fitted: decoded at 4/8 first.
    frames = Record(v, [&] { v.viewer().showPhoto(JoinPath(folder.path, "baseline.jpg")); });
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].images[0].view.width, 1024);
    EXPECT_EQ(frames[0].images[0].view.height, 768);
    EXPECT_EQ(frames[0].images[0].source, screen);
    EXPECT_EQ(frames[0].images[0].destination, screen);
    EXPECT_EQ(frames[1].images[0].view.width, 2048);
    ExpectSameScreen(frames[1], Paint(v));

    // Real scale (a photo smaller than the screen): only the photo.
    frames = Record(v, [&] { v.viewer().showPhoto(JoinPath(folder.path, "small.jpg")); });
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].images[0].view.width, 800);
}

TEST(PhotoPreview, NoFirstPictureBeforeARotationOrATransitionEffect) {
    TempFolder folder;
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n");
    folder.write("a.jpg", Jpeg(1280, 960, true));
    folder.write("b.jpg", Jpeg(1280, 960, true));
    folder.write("b.txt", "%ROTATE_LEFT%");
    folder.write("c.jpg", Jpeg(1280, 960, true));
    folder.write("descript.ion", "c.jpg %ROTATE_RIGHT%\r\n");
    Viewer v(folder, {"a.jpg"});  // the Navigator in the folder: its descript.ion read
    v.queue.runPending();
    Paint(v);  // the window is on screen
    Record(v, [&] { v.viewer().showPhoto(JoinPath(folder.path, "a.jpg")); });
    auto onlyTheFinalPhoto = [&](const std::vector<Frame>& frames) {
        for (const Frame& f : frames)
            for (const auto& image : f.images) EXPECT_EQ(image.view.cacheKey, v.viewer().bitmap()->GetCacheKey());
    };
    // Rotated by a command, and by the rotation macro of its comment file.
    onlyTheFinalPhoto(Record(v, [&] { v.viewer().display().runCommand(cmd::RotateLeft); }));
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 960);
    onlyTheFinalPhoto(Record(v, [&] { v.viewer().showPhoto(JoinPath(folder.path, "b.jpg")); }));
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 960);
    // And by the macro of its line in descript.ion.
    onlyTheFinalPhoto(Record(v, [&] { v.viewer().showPhoto(JoinPath(folder.path, "c.jpg")); }));
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 960);
    // Effects at every photo change: the effect shows the full photo.
    v.app->scopes().current().Effects = 'a';
    onlyTheFinalPhoto(Record(v, [&] {
        v.viewer().showPhoto(JoinPath(folder.path, "a.jpg"));
        v.queue.runPending();
    }));
}

}  // namespace
}  // namespace vellumo::testing
