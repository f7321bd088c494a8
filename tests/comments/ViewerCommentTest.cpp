// The comment in the whole viewer, on the fakes: gathering on Show photo,
// painting, the comment commands and the tracker.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/ViewerRig.h"
#include "fakes/FakeCanvas.h"

using namespace vellumo;
using vellumo::testing::TempTree;

namespace {

// An uncompressed 24-bit TGA of one grey level.
std::string Tga(int width, int height) {
    std::string f(18, '\0');
    f[2] = 2;
    f[12] = static_cast<char>(width & 0xFF);
    f[13] = static_cast<char>(width >> 8);
    f[14] = static_cast<char>(height & 0xFF);
    f[15] = static_cast<char>(height >> 8);
    f[16] = 24;
    f.append(static_cast<size_t>(width * height * 3), '\x80');
    return f;
}

struct SlideshowAt : MacroQueries {
    bool slideshowRunning() const override { return true; }
    std::optional<SlideshowPlace> slideshowPlace() const override { return SlideshowPlace{10, 250}; }
};

// The viewer with the start-up run.
struct CommentViewer : vellumo::testing::Viewer {
    CommentViewer(const TempTree& folder, std::vector<std::string> args) : Viewer(folder, std::move(args)) {
        queue.runPending();
    }
    void run(int command) { viewer().onCommand(command, 1); }
    std::vector<FakeCanvas::Text> paint() {
        FakeCanvas canvas;
        viewer().paint(canvas, desktop.screen);
        return canvas.texts;
    }
};

}  // namespace

TEST(ViewerComment, APhotoShowsItsEmbeddedAttachedAndFolderCommentsWithShadow) {
    TempTree folder;
    folder.file("trip/p.tga", Tga(64, 48));
    folder.file("trip/p.txt", "Beach %IMAGE_WIDTH%x%IMAGE_HEIGHT%");
    folder.file("trip/vellumo.txt", " <SOUND>[sound]</SOUND><!SOUND>[quiet]</!SOUND>");
    CommentViewer v(folder, {"trip/p.tga"});
    ASSERT_FALSE(v.viewer().noPhoto());
    EXPECT_EQ(v.viewer().comments().shownComment(), "Beach 64x48 [sound]");
    // The default rectangle on 1024 x 768, bottom clamped to 10 pixels from the edge.
    EXPECT_EQ(v.viewer().comments().drawRect(), (Rect{256, 691, 768, 758}));
    auto texts = v.paint();
    ASSERT_EQ(texts.size(), 2u);
    // The shadow first, moved by the offset (1), then the text.
    EXPECT_EQ(texts[0].rect, (Rect{257, 692, 769, 759}));
    EXPECT_EQ(texts[0].colour, Rgb(0, 0, 0));
    EXPECT_EQ(texts[1].rect, (Rect{256, 691, 768, 758}));
    EXPECT_EQ(texts[1].colour, Rgb(255, 255, 255));
    EXPECT_EQ(texts[1].flags, unsigned(TextCenter | TextWordBreak));
    EXPECT_EQ(texts[1].font.face, "Arial");
    EXPECT_EQ(texts[1].font.height, 24);

    // Right aligned with an offset of 2.
    v.settings().CommentAlign = 'r';
    v.settings().CommentShadowOffset = 2;
    texts = v.paint();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rect, (Rect{258, 693, 770, 760}));
    EXPECT_EQ(texts[0].flags, unsigned(TextRight | TextWordBreak));

    // Hidden: nothing drawn; Space again shows it.
    v.run(128);
    EXPECT_EQ(v.settings().Comment, 0);
    EXPECT_TRUE(v.paint().empty());
    v.run(128);
    EXPECT_EQ(v.paint().size(), 2u);
}

TEST(ViewerComment, SlideshowMacrosAndCopyingTheComment) {
    TempTree folder;
    folder.file("p.tga", Tga(8, 8));
    folder.file("p.txt", "%SLIDESHOW_CURRENT%/%SLIDESHOW_COUNT%<SLIDESHOW> running</SLIDESHOW>");
    CommentViewer v(folder, {"p.tga"});
    EXPECT_EQ(v.viewer().comments().shownComment(), "/");
    SlideshowAt slideshow;
    v.viewer().setMacroQueries(&slideshow);
    v.viewer().recomposeComment();
    EXPECT_EQ(v.viewer().comments().shownComment(), "10/250 running");
    v.run(154);
    EXPECT_EQ(v.desktop.clipboard, "10/250 running");
    v.run(155);
    EXPECT_EQ(v.desktop.clipboard.substr(0, 13), "%FILE_NAME%\r\n");
    EXPECT_NE(v.desktop.clipboard.find("<ENGLISH>  </ENGLISH>"), std::string::npos);
    EXPECT_TRUE(v.desktop.beeps.empty());
    v.viewer().setMacroQueries(nullptr);
}

TEST(ViewerComment, CopyingAnEmptyCommentBeeps) {
    TempTree folder;
    folder.file("p.tga", Tga(8, 8));
    CommentViewer v(folder, {"p.tga"});
    EXPECT_EQ(v.viewer().comments().shownComment(), "");
    v.desktop.clipboard = "before";
    v.run(154);
    EXPECT_EQ(v.desktop.clipboard, "before");
    EXPECT_EQ(v.desktop.beeps.size(), 1u);
    EXPECT_TRUE(v.paint().empty());
}

TEST(ViewerComment, FontHeightLimits) {
    TempTree folder;
    folder.file("p.tga", Tga(8, 8));
    CommentViewer v(folder, {"p.tga"});
    auto& font = v.settings().CommentFont;
    font.height = 8;
    v.run(145);
    EXPECT_EQ(font.height, 8);
    font.height = 9;
    v.run(145);
    EXPECT_EQ(font.height, 7);
    font.height = 72;
    v.run(146);
    EXPECT_EQ(font.height, 72);
    font.height = 71;
    v.run(146);
    EXPECT_EQ(font.height, 73);
    v.run(147);
    EXPECT_EQ(font.weight, 700);
    v.run(147);
    EXPECT_EQ(font.weight, 400);
    v.run(148);
    v.run(149);
    EXPECT_EQ(font.italic, 1);
    EXPECT_EQ(font.underline, 1);
    EXPECT_TRUE(v.desktop.beeps.empty());
}

TEST(ViewerComment, FontAndColourCommandsNeedAShownComment) {
    TempTree folder;
    folder.file("p.tga", Tga(8, 8));
    CommentViewer v(folder, {"p.tga"});
    v.run(130);
    const FontDescription before = v.settings().CommentFont;
    v.desktop.chosenFontFace = "DejaVu Serif";
    v.desktop.chosenColour = Rgb(1, 2, 3);
    for (int command : {144, 145, 146, 147, 148, 149, 150, 151, 153}) v.run(command);
    EXPECT_EQ(v.desktop.beeps.size(), 9u);
    EXPECT_EQ(v.settings().CommentFont, before);
    EXPECT_TRUE(v.desktop.chooserCaptions.empty());
    // The background colour works without a comment.
    int all = v.host.invalidateAllCount;
    v.run(152);
    EXPECT_EQ(v.settings().BackgroundColor, Rgb(1, 2, 3));
    EXPECT_GT(v.host.invalidateAllCount, all);
    EXPECT_EQ(v.desktop.chooserCaptions, (std::vector<std::string>{"Background colour"}));

    v.run(129);
    v.run(144);
    EXPECT_EQ(v.settings().CommentFont.faceName, "DejaVu Serif");
    v.desktop.chosenFontFace = std::string(40, 'F');
    v.run(144);
    EXPECT_EQ(v.settings().CommentFont.faceName, std::string(31, 'F'));
    v.run(151);
    v.desktop.chosenColour = Rgb(9, 8, 7);
    v.run(153);
    EXPECT_EQ(v.settings().CommentColor, Rgb(1, 2, 3));
    EXPECT_EQ(v.settings().CommentShadowColor, Rgb(9, 8, 7));
    // Cancel changes nothing.
    v.desktop.chosenColour.reset();
    v.run(151);
    EXPECT_EQ(v.settings().CommentColor, Rgb(1, 2, 3));
    EXPECT_EQ(v.desktop.chooserCaptions.back(), "Comment colour");
}

// On a screen the desktop scales by 2 the handles and the border are as
// large to the eye as on a plain screen: twice as many screen pixels.
TEST(ViewerComment, OnADenseScreenTheTrackersHandlesGrowWithTheScale) {
    TempTree folder;
    folder.file("p.tga", Tga(8, 8));
    folder.file("p.txt", "text");
    CommentViewer v(folder, {"p.tga"});
    v.desktop.ratio = 2.0;
    v.run(150);
    const CommentTracker& tracker = v.viewer().comments().tracker();
    ASSERT_TRUE(tracker.active());
    EXPECT_EQ(tracker.outerRect(), (Rect{242, 677, 782, 782}));
    FakeCanvas canvas;
    v.viewer().paint(canvas, v.desktop.screen);
    bool handle = false;
    for (auto& f : canvas.fills) handle = handle || (f.rect == Rect{242, 677, 256, 691} && f.colour == Rgb(0, 0, 0));
    EXPECT_TRUE(handle);
    // The right handle is pressed where it now lies, 10 pixels out.
    v.viewer().mouseDown(MouseButton::Left, {778, 726}, {});
    v.viewer().mouseMove({878, 726}, true);
    v.viewer().mouseUp(MouseButton::Left, {878, 726});
    EXPECT_EQ(v.viewer().comments().rectPx(), (Rect{256, 691, 868, 768}));
}

TEST(ViewerComment, TheTrackerMovesTheRectangleAndFinishingStoresIt) {
    TempTree folder;
    folder.file("p.tga", Tga(8, 8));
    folder.file("p.txt", "text");
    CommentViewer v(folder, {"p.tga"});
    v.run(150);
    ASSERT_TRUE(v.viewer().comments().tracker().active());
    // The tracker starts from the pixel rectangle, not the grown one.
    EXPECT_EQ(v.viewer().comments().tracker().rect(), (Rect{256, 691, 768, 768}));
    {
        FakeCanvas canvas;
        v.viewer().paint(canvas, v.desktop.screen);
        ASSERT_FALSE(canvas.fills.empty());
        // Black handles outside the rectangle: the top-left one.
        bool handle = false;
        for (auto& f : canvas.fills) handle = handle || (f.rect == Rect{249, 684, 256, 691} && f.colour == Rgb(0, 0, 0));
        EXPECT_TRUE(handle);
    }
    // Drag the inside up by 100 and left by 56 pixels.
    v.viewer().mouseDown(MouseButton::Left, {300, 700}, {});
    EXPECT_TRUE(v.host.captured);
    v.viewer().mouseMove({244, 600}, true);
    v.viewer().mouseUp(MouseButton::Left, {244, 600});
    EXPECT_EQ(v.viewer().comments().rectPx(), (Rect{200, 591, 712, 668}));
    // Pressing the right handle widens it.
    v.viewer().mouseDown(MouseButton::Left, {715, 626}, {});
    v.viewer().mouseMove({815, 626}, true);
    v.viewer().mouseUp(MouseButton::Left, {815, 626});
    EXPECT_EQ(v.viewer().comments().rectPx(), (Rect{200, 591, 812, 668}));
    v.run(150);
    EXPECT_FALSE(v.viewer().comments().tracker().active());
    // In thousandths: 200/1024, 591/768, 812/1024, 668/768.
    EXPECT_EQ(v.settings().CommentRect, (Rect{195, 769, 792, 869}));
    EXPECT_TRUE(v.desktop.beeps.empty());
}

TEST(ViewerComment, HidingFinishesTheTrackerAndAHiddenCommentCannotBeTracked) {
    TempTree folder;
    folder.file("p.tga", Tga(8, 8));
    CommentViewer v(folder, {"p.tga"});
    v.run(150);
    v.viewer().mouseDown(MouseButton::Left, {300, 700}, {});
    v.viewer().mouseMove({250, 650}, true);
    v.viewer().mouseUp(MouseButton::Left, {250, 650});
    v.run(130);
    EXPECT_FALSE(v.viewer().comments().tracker().active());
    EXPECT_EQ(v.settings().CommentRect, (Rect{201, 834, 701, 934}));
    // With the comment hidden the tracker cannot start.
    v.run(150);
    EXPECT_FALSE(v.viewer().comments().tracker().active());
    EXPECT_EQ(v.desktop.beeps.size(), 1u);
}

TEST(ViewerComment, RotationMacroCommandsWriteTheAttachedFileAndTurnThePhoto) {
    TempTree folder;
    std::string photo = folder.file("p.tga", Tga(40, 20));
    folder.file("p.txt", "word");
    CommentViewer v(folder, {"p.tga"});
    v.run(110);
    EXPECT_EQ(ReadWholeFile(folder.path("p.txt")).value_or(""), "word%ROTATE_LEFT%");
    EXPECT_DOUBLE_EQ(v.viewer().display().macroRotationAngle(), 1.5707963267948966);
    ASSERT_NE(v.viewer().bitmap(), nullptr);
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 20);
    EXPECT_EQ(v.viewer().comments().shownComment(), "word");
    v.run(113);
    EXPECT_EQ(ReadWholeFile(folder.path("p.txt")).value_or(""), "word");
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 40);
    // Without a comment file the entry turns from "photo with text" to "photo" and back.
    std::remove(folder.path("p.txt").c_str());
    NavigatorList& list = v.app->navigator()->list();
    int row = list.selection();
    ASSERT_GE(row, 0);
    EXPECT_EQ(list.at(row).image, ItemImage::PhotoWithText);
    v.run(113);
    EXPECT_EQ(ReadWholeFile(folder.path("p.txt")).value_or(""), "%ROTATE_RIGHT%");
    EXPECT_EQ(list.at(row).image, ItemImage::PhotoWithText);
    v.run(110);
    EXPECT_FALSE(FileExists(folder.path("p.txt")));
    EXPECT_EQ(list.at(row).image, ItemImage::Photo);
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 40);
    EXPECT_TRUE(v.desktop.beeps.empty());
}

TEST(ViewerComment, DescriptIonOfTheFolderAndAFolderWithoutOne) {
    TempTree folder;
    folder.file("a/x.tga", Tga(8, 8));
    folder.file("a/descript.ion", "X.TGA  from descript.ion\r\n");
    folder.file("b/x.tga", Tga(8, 8));
    CommentViewer v(folder, {"a/x.tga"});
    EXPECT_EQ(v.viewer().comments().shownComment(), " from descript.ion");
    v.app->navigator()->goToPath(folder.path("b/x.tga"));
    v.queue.runPending();
    EXPECT_EQ(v.viewer().display().photoPath(), folder.path("b/x.tga"));
    EXPECT_EQ(v.viewer().comments().shownComment(), "");
}

TEST(ViewerComment, TheNavigatorCaptionExpandsMacrosAndTagsAndFollowsThePhotoAndFolder) {
    TempTree folder;
    folder.file("vellumo.ini", "[General Settings]\r\nApplicationName=%FILE_NAME% in %CURRENT_FOLDER%<REM> x</REM>\r\n");
    folder.file("a/one.tga", Tga(8, 8));
    folder.file("b/two.tga", Tga(8, 8));
    CommentViewer v(folder, {"a/one.tga"});
    EXPECT_EQ(v.app->navigator()->title(), "one.tga in " + folder.path("a"));
    EXPECT_EQ(v.host.title, "one.tga in " + folder.path("a") + " - Vellumo");
    v.app->navigator()->goToPath(folder.path("b/two.tga"));
    v.queue.runPending();
    EXPECT_EQ(v.app->navigator()->title(), "two.tga in " + folder.path("b"));
}

TEST(ViewerComment, ACaptionWithTagsFollowsTheStatesTheyShow) {
    TempTree folder;
    folder.file("vellumo.ini", "[General Settings]\r\nApplicationName=Archive<SLIDESHOW> (slideshow)</SLIDESHOW>\r\n");
    folder.file("p.tga", Tga(8, 8));
    CommentViewer v(folder, {"p.tga"});
    EXPECT_EQ(v.app->navigator()->title(), "Archive");
    SlideshowAt slideshow;
    v.viewer().setMacroQueries(&slideshow);
    v.viewer().recomposeComment();
    EXPECT_EQ(v.app->navigator()->title(), "Archive (slideshow)");
    v.viewer().setMacroQueries(nullptr);
    v.viewer().recomposeComment();
    EXPECT_EQ(v.app->navigator()->title(), "Archive");
}
