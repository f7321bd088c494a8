// The comment drawn through the Qt canvas: the font found for "Arial", its
// cell height, the shadow beside the text and the tracker's hatched border.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include "comments/CommentLayout.h"
#include "comments/CommentTracker.h"
#include "qt/QtCanvas.h"
#include "qt/QtTestMain.h"

using namespace vellumo;

namespace {

FontSpec CommentFont(int height) {
    FontSpec f;
    f.face = "Arial";
    f.height = height;
    f.cellHeight = true;
    return f;
}

// The bounding box of the pixels of one colour.
QRect PixelsOf(const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour) box = box.united(QRect(x, y, 1, 1));
    return box;
}

}  // namespace

TEST(CommentPixels, ArialIsFoundThroughFontconfigWithTheCellHeightAsked) {
    TestApplication();
    QFontInfo info(ToQFont(CommentFont(24)));
    EXPECT_EQ(info.family(), "Liberation Sans");
    // One line of text is the cell height high; two lines twice that.
    Size one = QtCanvas::Measure("Hg", 1000, CommentFont(24), CommentTextFlags('c'));
    EXPECT_NEAR(one.cy, 24, 1);
    Size two = QtCanvas::Measure("Hg\r\nHg", 1000, CommentFont(24), CommentTextFlags('c'));
    EXPECT_NEAR(two.cy, 48, 2);
    // Word breaking: a narrow box takes more lines.
    Size narrow = QtCanvas::Measure("one two three four", 60, CommentFont(24), CommentTextFlags('c'));
    EXPECT_LE(narrow.cx, 60);
    EXPECT_GE(narrow.cy, 3 * 23);
}

TEST(CommentPixels, ALoneCarriageReturnBreaksTheLineLikeLfAndCrLf) {
    TestApplication();
    const unsigned flags = CommentTextFlags('l');
    // Three lines whichever way they end; a lone CR is no blank between words.
    for (const char* text : {"one\rtwo\r\nthree", "one\ntwo\nthree", "one\r\rthree"}) {
        Size size = QtCanvas::Measure(text, 1000, CommentFont(24), flags);
        EXPECT_NEAR(size.cy, 72, 3) << text;
        EXPECT_LT(size.cx, QtCanvas::Measure("one two", 1000, CommentFont(24), flags).cx) << text;
    }
    // Drawn: the second line's ink lies a line below the first's.
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 0));
    {
        QPainter painter(&image);
        QtCanvas canvas(painter, nullptr);
        canvas.drawText("I\rI", Rect{0, 0, 200, 100}, CommentFont(24), Rgb(255, 255, 255), flags);
    }
    QRect ink = PixelsOf(image, qRgb(255, 255, 255));
    EXPECT_GE(ink.height(), 24 + 10);
    EXPECT_LT(ink.width(), 12);
}

TEST(CommentPixels, RightAlignedTextWithItsShadowTwoPixelsRightAndDown) {
    TestApplication();
    QImage image(300, 80, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 255));
    const Rect box{20, 10, 280, 70};
    {
        QPainter painter(&image);
        QtCanvas canvas(painter, nullptr);
        const unsigned flags = CommentTextFlags('r');
        canvas.drawText("IIII", box.offset(2, 2), CommentFont(30), Rgb(0, 0, 0), flags);
        canvas.drawText("IIII", box, CommentFont(30), Rgb(255, 255, 255), flags);
    }
    QRect text = PixelsOf(image, qRgb(255, 255, 255));
    QRect shadow = PixelsOf(image, qRgb(0, 0, 0));
    ASSERT_FALSE(text.isEmpty());
    ASSERT_FALSE(shadow.isEmpty());
    // Right aligned: the text ends near the right edge, far from the left one.
    EXPECT_GE(text.right(), 270);
    EXPECT_LE(text.right(), 279);
    EXPECT_GT(text.left(), 150);
    // Text from the top of the box.
    EXPECT_LT(text.top(), 25);
    // The shadow shows right of and below the text.
    EXPECT_EQ(shadow.right(), text.right() + 2);
    EXPECT_EQ(shadow.bottom(), text.bottom() + 2);
}

TEST(CommentPixels, TheTrackerIsAHatchedBorderWithBlackHandlesOutsideTheRectangle) {
    TestApplication();
    QImage image(200, 120, QImage::Format_RGB32);
    image.fill(QColor(0, 128, 0));
    CommentTracker tracker;
    tracker.start({50, 40, 150, 80});
    {
        QPainter painter(&image);
        QtCanvas canvas(painter, nullptr);
        tracker.paint(canvas);
    }
    // Inside the rectangle nothing is drawn.
    EXPECT_EQ(PixelsOf(image.copy(50, 40, 100, 40), qRgb(0, 128, 0)), QRect(0, 0, 100, 40));
    // The border band holds white and black; the top-left handle is black.
    QImage band = image.copy(60, 33, 30, 7);
    EXPECT_FALSE(PixelsOf(band, qRgb(255, 255, 255)).isEmpty());
    EXPECT_FALSE(PixelsOf(band, qRgb(0, 0, 0)).isEmpty());
    EXPECT_EQ(PixelsOf(image.copy(43, 33, 7, 7), qRgb(0, 0, 0)), QRect(0, 0, 7, 7));
    // Nothing beyond the handles.
    EXPECT_EQ(image.pixel(100, 32), qRgb(0, 128, 0));
    EXPECT_EQ(image.pixel(156, 60), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(157, 60), qRgb(0, 128, 0));
    EXPECT_EQ(image.pixel(42, 32), qRgb(0, 128, 0));
    EXPECT_EQ(image.pixel(157, 87), qRgb(0, 128, 0));
}
