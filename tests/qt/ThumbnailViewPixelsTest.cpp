#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

#include "archive/NavigatorList.h"
#include "imaging/ProfileBuilder.h"
#include "qt/NavigatorIcons.h"
#include "qt/NavigatorListView.h"
#include "qt/QtTestMain.h"
#include "thumbs/ThumbnailImageList.h"

using namespace vellumo;

namespace {

struct Events : NavigatorListEvents {
    std::vector<std::pair<int, int>> visible;
    void listSelectionChangedByUser(int) override {}
    void listDoubleClicked(int) override {}
    bool listKeyDown(int) override { return false; }
    void listRightClicked(Point) override {}
    void listMouseMoved(Point) override {}
    void listVisibleRows(int first, int last) override { visible.emplace_back(first, last); }
};

ThumbImagePtr Solid(int size, std::uint32_t colour, int transparentRows = 0) {
    auto t = std::make_shared<ThumbImage>(size);
    for (int y = transparentRows; y < size; ++y)
        for (int x = 0; x < size; ++x) t->at(x, y) = colour;
    return t;
}

int Count(const QImage& image, const QRect& r, QRgb colour) {
    int n = 0;
    for (int y = std::max(0, r.top()); y <= std::min(image.height() - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(image.width() - 1, r.right()); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
    return n;
}

struct IconView {
    struct AppFirst {
        AppFirst() { TestApplication(); }
    } app;
    NavigatorList list;
    ThumbnailImageList images;
    Events events;
    NavigatorListView view{NavigatorIcons(16)};

    explicit IconView(int selection) {
        images.reset(32, Rgb(0, 0, 255));
        images.append(Solid(32, 0xFFFF0000));      // 11: red
        images.append(Solid(32, 0xFF00FF00, 8));   // 12: green, top 8 rows transparent
        std::vector<ArchiveItem> rows;
        for (int image : {11, 12, 10}) {
            ArchiveItem item;
            item.text = "p" + std::to_string(image);
            item.flags = ItemFlags::Photo | 0x2000;
            item.image = image;
            rows.push_back(item);
        }
        list.setRows(rows);
        view.resize(400, 300);
        view.bind(&list, &events);
        ThumbnailViewSpec spec;
        spec.on = true;
        spec.size = 32;
        spec.selection = selection;
        spec.images = &images;
        view.setThumbnailView(spec);
        view.show();
        QCoreApplication::processEvents();
    }
    QImage shot() { return view.viewport()->grab().toImage(); }
    QRect rowRect(int row) { return view.visualRect(view.listModel().index(row)); }
};

TEST(ThumbnailIconView, RowsShowTheirThumbnailsAndFramesOnTheGrid) {
    IconView s(1);
    QImage shot = s.shot();
    EXPECT_GT(Count(shot, s.rowRect(0), qRgb(255, 0, 0)), 900);
    EXPECT_GT(Count(shot, s.rowRect(1), qRgb(0, 255, 0)), 700);
    // The failure frame: outline and diagonals in the border colour.
    EXPECT_GT(Count(shot, s.rowRect(2), qRgb(0, 0, 255)), 150);
    // Items are spaced by the thumbnail plus the spacing.
    EXPECT_EQ(s.rowRect(1).left() - s.rowRect(0).left(), 32 + 13);
    ASSERT_FALSE(s.events.visible.empty());
    EXPECT_EQ(s.events.visible.back(), (std::pair<int, int>{0, 2}));
}

TEST(ThumbnailIconView, ExtendedSelectionPutsTheThumbnailOnASquare) {
    IconView s(2);
    s.list.select(1, false);
    const QRgb face = s.view.palette().color(QPalette::Button).rgb();
    const QRgb high = s.view.palette().color(QPalette::Highlight).rgb();
    // The transparent top rows of the selected thumbnail show the square:
    // the highlight colour while the list has the focus...
    s.view.setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(s.view.hasFocus());
    QImage shot = s.shot();
    EXPECT_GE(Count(shot, s.rowRect(1), high), 32 * 8);
    EXPECT_GT(Count(shot, s.rowRect(1), qRgb(0, 255, 0)), 700);
    EXPECT_LT(Count(shot, s.rowRect(0), high), 32 * 8);  // not selected
    // ...and the button face when the focus is elsewhere.
    s.view.clearFocus();
    QCoreApplication::processEvents();
    shot = s.shot();
    EXPECT_GE(Count(shot, s.rowRect(1), face), 32 * 8);
}

// On a screen the desktop scales, a thumbnail's sharp copy fills its cell
// with the screen's own pixels: twice as many at scale 2, in the same room.
TEST(ThumbnailViewPixels, ASharpCopyFillsTheCellAtTheScreensResolution) {
    TestApplication();
    ThumbnailImageList images;
    images.reset(8, 0);
    auto cell = std::make_shared<ThumbImage>(*Solid(8, 0xFFFF0000));
    cell->sharp = Solid(16, 0xFF00FF00);
    images.append(cell);
    images.append(Solid(8, 0xFF0000FF));
    NavigatorListModel model;
    model.setThumbnails(true, &images, {});
    const QPixmap sharp = model.largeImage(ThumbIndex::FirstThumbnail);
    EXPECT_EQ(sharp.width(), 16);
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(8, 8));
    EXPECT_EQ(sharp.toImage().pixel(12, 12) & 0xFFFFFFu, 0x00FF00u);
    const QPixmap plain = model.largeImage(ThumbIndex::FirstThumbnail + 1);
    EXPECT_EQ(plain.width(), 8);
    EXPECT_DOUBLE_EQ(plain.devicePixelRatio(), 1.0);
}

// Thumbnails are kept in sRGB; the screen's profile applies where they are drawn.
TEST(ThumbnailViewPixels, ThumbnailsAreDrawnInTheColoursOfTheScreensProfile) {
    TestApplication();
    ThumbnailImageList images;
    images.reset(8, 0);
    images.append(Solid(8, 0xFFC80000));  // sRGB (200, 0, 0)
    NavigatorListModel model;
    model.setThumbnails(true, &images, {});
    // A screen whose red and green channels are changed round.
    model.setScreenColours(BuildRgbProfile({0.3127, 0.3290, 0.30, 0.60, 0.64, 0.33, 0.15, 0.06}, TransferCurve::Srgb));
    QImage shown = model.largeImage(ThumbIndex::FirstThumbnail).toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_NEAR(qRed(shown.pixel(4, 4)), 0, 2);
    EXPECT_NEAR(qGreen(shown.pixel(4, 4)), 200, 2);
    model.setScreenColours({});
    shown = model.largeImage(ThumbIndex::FirstThumbnail).toImage();
    EXPECT_EQ(shown.pixel(4, 4), 0xFFC80000u);
}

}  // namespace
