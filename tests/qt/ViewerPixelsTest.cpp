#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include <cstdlib>
#include <fstream>

#include "app/ViewerApp.h"
#include "platform/Drives.h"
#include "qt/QtCanvas.h"
#include "qt/QtDesktop.h"
#include "qt/QtEventQueue.h"
#include "qt/NavigatorPanelWidget.h"
#include "qt/ViewerWidget.h"
#include "qt/QtTestMain.h"

using namespace vellumo;

TEST(ViewerPixels, StartScreenIsFilledWithTheBackgroundColourOfTheArchiveFile) {
    TestApplication();
    char tmpl[] = "/tmp/vellumo-qt-XXXXXX";
    std::string folder = mkdtemp(tmpl);
    {
        std::ofstream ini(folder + "/vellumo.ini", std::ios::binary);
        ini << "[General Settings]\r\nApplicationLanguage=English\r\nBackgroundColor=10,120,200\r\n[Navigator Settings]\r\nNavigator=0\r\n";
    }
    QtEventQueue queue;
    QtDesktop desktop;
    ViewerWidget widget;
    {
        NavigatorPanelWidget panel(&widget);
        ViewerApp app(queue, desktop, widget.host(), panel,
                      ProgramLocation::FromExecutable(folder + "/vellumo", ListDrives()));
        ASSERT_TRUE(app.start({}, folder));
        queue.registerTarget(app.viewer());
        queue.registerTarget(app.navigator());
        widget.setEvents(app.viewer());
        QApplication::processEvents();
        QImage shot = widget.grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(shot.width(), desktop.screenRect().width());
        EXPECT_EQ(shot.pixelColor(5, 5), QColor(10, 120, 200));
        EXPECT_EQ(shot.pixelColor(shot.width() - 1, shot.height() - 1), QColor(10, 120, 200));
        widget.setEvents(nullptr);
        app.exit();
    }
    // The archive file was completed with every key.
    std::ifstream in(folder + "/vellumo.ini", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("BackgroundColor=10,120,200   ;RGB"), std::string::npos);
    EXPECT_NE(text.find("[Commands Settings]"), std::string::npos);
    std::system(("rm -rf '" + folder + "'").c_str());
}

TEST(ViewerPixels, CanvasDrawsPalettedAndScaledImages) {
    TestApplication();
    // A 2x2 8-bit picture: red, green / blue, white through a palette.
    const std::uint8_t bits[8] = {0, 1, 0, 0, 2, 3, 0, 0};
    const std::uint32_t palette[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
    ImageView view{bits, 2, 2, 4, 8, palette, 4, 77};
    QImage target(40, 40, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        DisplayCopyCache cache;
        QtCanvas canvas(painter, &cache);
        canvas.drawImage(view, {0, 0, 2, 2}, {0, 0, 20, 20}, ScaleQuality::Nearest);
        canvas.fillRect({20, 20, 40, 40}, Rgb(1, 2, 3));
    }
    EXPECT_EQ(target.pixelColor(2, 2), QColor(255, 0, 0));
    EXPECT_EQ(target.pixelColor(17, 2), QColor(0, 255, 0));
    EXPECT_EQ(target.pixelColor(2, 17), QColor(0, 0, 255));
    EXPECT_EQ(target.pixelColor(17, 17), QColor(255, 255, 255));
    EXPECT_EQ(target.pixelColor(30, 30), QColor(1, 2, 3));
    EXPECT_EQ(target.pixelColor(30, 5), QColor(0, 0, 0));
}

TEST(ViewerPixels, ShrinkingDrawsPartsOfOneSmoothCopy) {
    TestApplication();
    // 400x400 picture, left half black, right half white, shown at 100x100.
    std::vector<std::uint32_t> pixels(400 * 400);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) pixels[y * 400 + x] = x < 200 ? 0xFF000000u : 0xFFFFFFFFu;
    ImageView view{reinterpret_cast<const std::uint8_t*>(pixels.data()), 400, 400, 1600, 32, nullptr, 0, 5};
    QImage target(100, 100, QImage::Format_RGB32);
    target.fill(Qt::red);
    DisplayCopyCache cache;
    {
        QPainter painter(&target);
        QtCanvas canvas(painter, &cache);
        // Two halves drawn separately, as two dirty rectangles would be.
        canvas.drawImage(view, {0, 0, 200, 400}, {0, 0, 50, 100}, ScaleQuality::Smooth);
        canvas.drawImage(view, {200, 0, 400, 400}, {50, 0, 100, 100}, ScaleQuality::Smooth);
    }
    EXPECT_EQ(target.pixelColor(10, 50), QColor(0, 0, 0));
    EXPECT_EQ(target.pixelColor(90, 50), QColor(255, 255, 255));
    EXPECT_EQ(target.pixelColor(49, 99), QColor(0, 0, 0));
}

TEST(ViewerPixels, BottomUpBitmapsAreDrawnUprightBothWays) {
    TestApplication();
    // Rows stored bottom-up, as a DIB keeps them: row 0 (top, red) last in memory.
    std::vector<std::uint32_t> memory(4 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) memory[(3 - y) * 4 + x] = y < 2 ? 0xFFFF0000u : 0xFF0000FFu;
    const std::uint8_t* top = reinterpret_cast<const std::uint8_t*>(memory.data() + 12);
    ImageView view{top, 4, 4, -16, 32, nullptr, 0, 9};
    for (auto quality : {ScaleQuality::Nearest, ScaleQuality::Smooth}) {
        QImage target(8, 8, QImage::Format_RGB32);
        target.fill(Qt::black);
        DisplayCopyCache cache;
        {
            QPainter painter(&target);
            QtCanvas canvas(painter, &cache);
            if (quality == ScaleQuality::Nearest) canvas.drawImage(view, {0, 0, 4, 4}, {0, 0, 8, 8}, quality);
            else canvas.drawImagePart(view, {0, 0, 2, 2}, {0, 0, 4, 4}, {0, 0, 2, 2}, quality);
        }
        EXPECT_EQ(target.pixelColor(0, 0), QColor(255, 0, 0));
        int bottom = quality == ScaleQuality::Nearest ? 7 : 1;
        EXPECT_EQ(target.pixelColor(0, bottom), QColor(0, 0, 255));
    }
}

TEST(ViewerPixels, HalvingAveragesBoxesAndTurnsUpsideDownPicturesUpright) {
    TestApplication();
    QImage src(4, 2, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(0, 0, 0));
    src.setPixel(1, 0, qRgb(255, 255, 255));
    src.setPixel(0, 1, qRgb(255, 0, 0));
    src.setPixel(1, 1, qRgb(1, 2, 3));
    for (int x = 2; x < 4; ++x)
        for (int y = 0; y < 2; ++y) src.setPixel(x, y, qRgb(10, 20, 30 + y));
    QImage half = HalveImage(src);
    ASSERT_EQ(half.size(), QSize(2, 1));
    // The box mean, rounded either way.
    auto near = [](QColor c, int r, int g, int b) {
        return std::abs(c.red() - r) <= 1 && std::abs(c.green() - g) <= 1 && std::abs(c.blue() - b) <= 1;
    };
    EXPECT_TRUE(near(half.pixelColor(0, 0), 128, 64, 65)) << half.pixelColor(0, 0).name().toStdString();
    EXPECT_TRUE(near(half.pixelColor(1, 0), 10, 20, 31));
    // Wide rows take the four-pixels-at-a-time path: every output pixel stays within 1 of the mean.
    QImage wide(22, 2, QImage::Format_RGB32);
    for (int x = 0; x < 22; ++x) {
        wide.setPixel(x, 0, qRgb(x * 11, 255 - x * 7, x % 2 ? 255 : 0));
        wide.setPixel(x, 1, qRgb(x * 3, x * 5, 17));
    }
    QImage wideHalf = HalveImage(wide);
    for (int x = 0; x < 11; ++x) {
        QColor c[4] = {wide.pixelColor(2 * x, 0), wide.pixelColor(2 * x + 1, 0), wide.pixelColor(2 * x, 1),
                       wide.pixelColor(2 * x + 1, 1)};
        int r = (c[0].red() + c[1].red() + c[2].red() + c[3].red() + 2) / 4;
        int g = (c[0].green() + c[1].green() + c[2].green() + c[3].green() + 2) / 4;
        int b = (c[0].blue() + c[1].blue() + c[2].blue() + c[3].blue() + 2) / 4;
        EXPECT_TRUE(near(wideHalf.pixelColor(x, 0), r, g, b)) << x;
        EXPECT_EQ(qAlpha(wideHalf.pixel(x, 0)), 255);
    }
    // A big picture (two threads) stored upside down comes out upright.
    QImage tall(1200, 1000, QImage::Format_RGB32);
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 1200; ++x) tall.setPixel(x, y, y < 500 ? qRgb(200, 0, 0) : qRgb(0, 0, 200));
    QImage upright = HalveImage(tall, true);
    EXPECT_EQ(upright.pixelColor(10, 10), QColor(0, 0, 200));
    EXPECT_EQ(upright.pixelColor(10, 490), QColor(200, 0, 0));
}

TEST(ViewerPixels, ZoomedInPartsOfUpsideDownPicturesAreDrawnUpright) {
    TestApplication();
    // 3000 x 2000, top half red, bottom half blue, stored bottom-up; shown at
    // 2800 x 1866 (shrunk, beyond the whole-copy limit) with only the top-left visible.
    const int w = 3000, h = 2000;
    std::vector<std::uint32_t> memory(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) memory[static_cast<size_t>(h - 1 - y) * w + x] = y < h / 2 ? 0xFFFF0000u : 0xFF0000FFu;
    const std::uint8_t* top = reinterpret_cast<const std::uint8_t*>(memory.data() + static_cast<size_t>(h - 1) * w);
    ImageView view{top, w, h, -static_cast<std::ptrdiff_t>(w) * 4, 32, nullptr, 0, 31};
    QImage target(400, 1500, QImage::Format_RGB32);
    target.fill(Qt::black);
    DisplayCopyCache cache;
    {
        QPainter painter(&target);
        QtCanvas canvas(painter, &cache);
        canvas.drawImagePart(view, {0, 0, 2800, 1866}, {0, 0, 428, 1607}, {0, 0, 400, 1500}, ScaleQuality::Smooth);
    }
    EXPECT_EQ(target.pixelColor(100, 100), QColor(255, 0, 0));
    EXPECT_EQ(target.pixelColor(100, 1450), QColor(0, 0, 255));
}

TEST(ViewerPixels, PreparedMemoryServesPhotosOfChangingSizes) {
    TestApplication();
    DisplayCopyCache cache;
    cache.prepareMemory(64 * 64);
    // A small photo, a larger one (its first level outgrows the prepared
    // memory), then a small one again: each is drawn in its own colour.
    struct Photo {
        int w, h;
        std::uint32_t colour;
    };
    std::uint64_t key = 100;
    for (Photo p : {Photo{200, 100, 0xFFFF0000u}, Photo{1000, 600, 0xFF00FF00u}, Photo{400, 200, 0xFF0000FFu},
                    Photo{1000, 600, 0xFFFFFFFFu}}) {
        std::vector<std::uint32_t> pixels(static_cast<size_t>(p.w) * p.h, p.colour);
        ImageView view{reinterpret_cast<const std::uint8_t*>(pixels.data()), p.w, p.h, p.w * 4, 32, nullptr, 0, ++key};
        QImage target(60, 40, QImage::Format_RGB32);
        target.fill(Qt::black);
        {
            QPainter painter(&target);
            QtCanvas canvas(painter, &cache);
            canvas.drawImagePart(view, {0, 0, 60, 40}, {0, 0, p.w, p.h}, {0, 0, 60, 40}, ScaleQuality::Smooth);
        }
        EXPECT_EQ(target.pixel(30, 20) | 0xFF000000u, p.colour) << p.w;
    }
}
