// Display copies made ahead on another thread: a paint that adopts one shows
// the very pixels it would have made itself, and only a copy of the size it
// paints at is adopted.
#include <gtest/gtest.h>

#include <QPainter>

#include <thread>
#include <vector>

#include "qt/PreparedDisplayCopies.h"
#include "qt/QtCanvas.h"
#include "qt/QtTestMain.h"

using namespace vellumo;

namespace {

// Paints the picture scaled into placement, as the viewer paints a fitted photo.
QImage Paint(const ImageView& view, const Rect& placement, PreparedDisplayCopies* prepared) {
    QImage target(placement.width(), placement.height(), QImage::Format_RGB32);
    target.fill(Qt::red);
    DisplayCopyCache cache;
    cache.setPrepared(prepared);
    QPainter painter(&target);
    QtCanvas canvas(painter, &cache);
    canvas.drawImagePart(view, placement, {0, 0, view.width, view.height}, placement, ScaleQuality::Smooth);
    return target;
}

// 1001 x 703, stored bottom-up as the decoders store it, with detail at every scale.
struct DetailedPicture {
    static constexpr int w = 1001, h = 703;
    std::vector<std::uint32_t> memory = std::vector<std::uint32_t>(static_cast<size_t>(w) * h);
    DetailedPicture() {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                memory[static_cast<size_t>(h - 1 - y) * w + x] =
                    0xFF000000u | static_cast<std::uint32_t>((x * 7 ^ y * 13) & 0xFF) << 16 |
                    static_cast<std::uint32_t>((x + y) & 0xFF) << 8 | static_cast<std::uint32_t>(x * y & 0xFF);
    }
    ImageView view(std::uint64_t key) const {
        const auto* top = reinterpret_cast<const std::uint8_t*>(memory.data() + static_cast<size_t>(h - 1) * w);
        return ImageView{top, w, h, -static_cast<std::ptrdiff_t>(w) * 4, 32, nullptr, 0, key};
    }
};

}  // namespace

TEST(PreparedDisplayCopies, AnAdoptedCopyHasThePixelsOfOneMadeAtThePaint) {
    TestApplication();
    const DetailedPicture picture;
    const int w = DetailedPicture::w, h = DetailedPicture::h;
    const ImageView view = picture.view(41);
    const Rect placement{0, 0, 333, 234};
    const QImage made = Paint(view, placement, nullptr);

    PreparedDisplayCopies prepared;
    std::thread([&] { prepared.prepare(view, {333, 234}); }).join();
    ASSERT_EQ(prepared.count(), 1u);
    EXPECT_EQ(Paint(view, placement, &prepared), made);
    EXPECT_EQ(prepared.count(), 0u);

    // Prepared for another size: not adopted, and the paint is still right.
    prepared.prepare(view, {500, 351});
    EXPECT_EQ(Paint(view, placement, &prepared), made);

    // A picture shown larger than it is needs no copy: none is made.
    prepared.prepare(view, {2002, 1406});
    EXPECT_EQ(prepared.count(), 0u);

    // The copy of a photo left for another waits there for a step back.
    std::vector<std::uint32_t> other(64 * 64, 0xFF00FF00u);
    const ImageView next{reinterpret_cast<const std::uint8_t*>(other.data()), 64, 64, 256, 32, nullptr, 0, 42};
    QImage target(333, 234, QImage::Format_RGB32);
    {
        DisplayCopyCache cache;
        cache.setPrepared(&prepared);
        QPainter painter(&target);
        QtCanvas canvas(painter, &cache);
        canvas.drawImagePart(view, placement, {0, 0, w, h}, placement, ScaleQuality::Smooth);
        canvas.drawImagePart(next, {0, 0, 16, 16}, {0, 0, 64, 64}, {0, 0, 16, 16}, ScaleQuality::Smooth);
    }
    EXPECT_EQ(prepared.count(), 1u);
    EXPECT_EQ(Paint(view, placement, &prepared), made);
    EXPECT_EQ(prepared.count(), 0u);
}

TEST(PreparedDisplayCopies, TheCopyFoundByTheKeyIsTheOneShownAndOnlyTheLastFewAreKept) {
    TestApplication();
    // Two pictures under one key: the paint shows what was prepared for the key.
    std::vector<std::uint32_t> blue(64 * 64, 0xFF0000FFu), green(64 * 64, 0xFF00FF00u);
    auto viewOf = [](std::vector<std::uint32_t>& pixels, std::uint64_t key) {
        return ImageView{reinterpret_cast<const std::uint8_t*>(pixels.data()), 64, 64, 256, 32, nullptr, 0, key};
    };
    PreparedDisplayCopies copies;
    copies.prepare(viewOf(blue, 77), {16, 16});
    EXPECT_EQ(Paint(viewOf(green, 77), {0, 0, 16, 16}, &copies).pixelColor(8, 8), QColor(0, 0, 255));
    for (std::uint64_t key = 100; key < 105; ++key) copies.prepare(viewOf(green, key), {16, 16});
    EXPECT_EQ(copies.count(), PreparedDisplayCopies::kKept);
    EXPECT_EQ(Paint(viewOf(blue, 104), {0, 0, 16, 16}, &copies).pixelColor(8, 8), QColor(0, 255, 0));
    EXPECT_EQ(Paint(viewOf(blue, 100), {0, 0, 16, 16}, &copies).pixelColor(8, 8), QColor(0, 0, 255));
}

TEST(PreparedDisplayCopies, APhotoKeptAsItsCopyIsDrawnFromItWithThePhotosPixels) {
    TestApplication();
    const DetailedPicture picture;
    const ImageView view = picture.view(41);
    // Placed off the corner, and only its left part visible (the Navigator
    // may cover the rest).
    const Rect placement{10, 20, 343, 254}, visible{10, 20, 200, 254};
    auto draw = [&](PreparedDisplayCopies* prepared, bool fromCopy) {
        QImage target(400, 300, QImage::Format_RGB32);
        target.fill(Qt::red);
        DisplayCopyCache cache;
        cache.setPrepared(prepared);
        QPainter painter(&target);
        QtCanvas canvas(painter, &cache);
        if (fromCopy) EXPECT_TRUE(canvas.drawPreparedCopy(41, placement, visible));
        else canvas.drawImagePart(view, placement, {0, 0, view.width, view.height}, visible, ScaleQuality::Smooth);
        return target;
    };
    const QImage made = draw(nullptr, false);

    PreparedDisplayCopies prepared;
    std::thread([&] { prepared.prepare(view, {333, 234}); }).join();
    EXPECT_TRUE(prepared.holds(41, {333, 234}));
    EXPECT_FALSE(prepared.holds(41, {334, 234}));
    EXPECT_FALSE(prepared.holds(40, {333, 234}));
    EXPECT_EQ(draw(&prepared, true), made);
    EXPECT_EQ(draw(&prepared, true), made);  // drawn from, not taken
    // None for another size: nothing drawn.
    {
        QImage target(400, 300, QImage::Format_RGB32);
        DisplayCopyCache cache;
        cache.setPrepared(&prepared);
        QPainter painter(&target);
        QtCanvas canvas(painter, &cache);
        EXPECT_FALSE(canvas.drawPreparedCopy(41, {10, 20, 344, 254}, visible));
    }

    // The window's own copy of the photo it leaves joins the prepared ones.
    PreparedDisplayCopies left;
    {
        DisplayCopyCache window;
        window.setPrepared(&left);
        left.setShownCopies(&window);
        QImage screen(400, 300, QImage::Format_RGB32);
        QPainter painter(&screen);
        QtCanvas canvas(painter, &window);
        canvas.drawImagePart(view, placement, {0, 0, view.width, view.height}, placement, ScaleQuality::Smooth);
        left.keepShownCopy(42);  // not the photo on screen: nothing moves
        EXPECT_EQ(left.count(), 0u);
        left.keepShownCopy(41);
        EXPECT_TRUE(left.holds(41, {333, 234}));
        left.setShownCopies(nullptr);
    }
    EXPECT_EQ(draw(&left, true), made);
    // Decoded again into a bitmap of another key: the copy goes with it.
    left.rekey(41, 43);
    EXPECT_FALSE(left.holds(41, {333, 234}));
    EXPECT_TRUE(left.holds(43, {333, 234}));
}
