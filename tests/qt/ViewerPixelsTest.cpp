#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "app/ViewerWindow.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtEventQueue.h"
#include "platform/qt/ViewerWidget.h"
#include "qt/QtTestMain.h"

using namespace vellumo;

TEST(ViewerPixels, StartScreenIsFilledWithTheBackgroundColour) {
    TestApplication();
    QtEventQueue queue;
    QtDesktop desktop;
    ViewerWidget widget;
    ViewerWindow viewer(queue, widget.host(), desktop);
    queue.registerTarget(&viewer);
    widget.setEvents(&viewer);
    viewer.setBackgroundColor(Rgb(10, 120, 200));
    viewer.create();
    QImage shot = widget.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.width(), desktop.screenRect().width());
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(10, 120, 200));
    EXPECT_EQ(shot.pixelColor(shot.width() - 1, shot.height() - 1), QColor(10, 120, 200));
    widget.setEvents(nullptr);
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
