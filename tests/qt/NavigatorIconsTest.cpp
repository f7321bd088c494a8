#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "qt/NavigatorIcons.h"
#include "qt/QtTestMain.h"

using namespace vellumo;

TEST(NavigatorIcons, ThirteenIconsAtTheAskedSize) {
    TestApplication();
    auto icons = NavigatorIcons(16);
    ASSERT_EQ(icons.size(), 13);
    for (const auto& pm : icons) EXPECT_FALSE(pm.isNull());
    // Photo icons are ours and differ from each other.
    EXPECT_NE(icons[9].toImage(), icons[10].toImage());
    EXPECT_NE(icons[11].toImage(), icons[12].toImage());
    EXPECT_EQ(NavigatorIcons(48)[12].width(), 48);
}

TEST(NavigatorIcons, AnIconStripReplacesTheLastIconsWithMagentaTransparent) {
    TestApplication();
    QImage strip(16 * 5, 16, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));
    for (int i = 0; i < 5; ++i) strip.setPixelColor(i * 16 + 8, 8, QColor(i * 40, 10, 20));
    auto icons = NavigatorIcons(16, QPixmap::fromImage(strip));
    ASSERT_EQ(icons.size(), 13);
    QImage last = icons[12].toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(last.pixel(0, 0)), 0);
    EXPECT_EQ(last.pixelColor(8, 8), QColor(160, 10, 20));
    QImage first = icons[8].toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(first.pixelColor(8, 8), QColor(0, 10, 20));
}

TEST(NavigatorIcons, StripsOfTheWrongShapeAreIgnored) {
    TestApplication();
    QImage bad(16 * 3, 16, QImage::Format_RGB32);  // fewer than four images
    bad.fill(Qt::red);
    auto icons = NavigatorIcons(16, QPixmap::fromImage(bad));
    ASSERT_EQ(icons.size(), 13);
    EXPECT_EQ(icons[12].toImage(), DrawnNavigatorIcon(12, 16).toImage());
    QImage tall(64, 17, QImage::Format_RGB32);
    tall.fill(Qt::red);
    EXPECT_EQ(NavigatorIcons(16, QPixmap::fromImage(tall)).size(), 13);
}

#include "fakes/SpecialFiles.h"
#include "fakes/TempTree.h"

TEST(NavigatorIcons, TheStripFileIsReadOnlyWhenItIsARegularFile) {
    TestApplication();
    vellumo::testing::TempTree tree;
    QImage strip(16 * 4, 16, QImage::Format_RGB32);
    strip.fill(Qt::blue);
    const QString bmp = QString::fromStdString(tree.path("vellumo.ni"));
    ASSERT_TRUE(strip.save(bmp, "BMP"));
    EXPECT_EQ(LoadIconStrip(bmp).size(), QSize(64, 16));
    // A FIFO in its place would block the start: it is never opened.
    vellumo::testing::WatchedFifo fifo(tree.path("fifo.ni"));
    ASSERT_TRUE(fifo.made());
    EXPECT_TRUE(LoadIconStrip(QString::fromStdString(fifo.path())).isNull());
    EXPECT_FALSE(fifo.openedForReading());
    EXPECT_TRUE(LoadIconStrip(QString::fromStdString(tree.path("missing.ni"))).isNull());
}

#include "qt/QtCursors.h"

TEST(ViewerCursors, OwnCursorsComeFromTheCompiledPicturesWithTheirHotspots) {
    TestApplication();
    for (int id : {1, 11, 1111, 1112, 2001, 2002, 2003, 2004, 2005}) {
        QCursor c = CursorFor(CursorId{id});
        EXPECT_EQ(c.shape(), Qt::BitmapCursor) << id;
        EXPECT_EQ(c.pixmap().width(), 32) << id;
    }
    EXPECT_EQ(CursorFor(CursorId{2001}).hotSpot(), QPoint(1, 1));
    EXPECT_EQ(CursorFor(CursorId{1112}).hotSpot(), QPoint(16, 16));
    EXPECT_EQ(CursorFor(CursorId{CursorId::Wait}).shape(), Qt::WaitCursor);
    EXPECT_EQ(CursorFor(CursorId{424242}).shape(), Qt::ArrowCursor);
}
