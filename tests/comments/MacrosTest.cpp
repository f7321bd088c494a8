// Macro expansion: the photo, folder, slideshow and music values, rotation.
#include <gtest/gtest.h>

#include <filesystem>

#include "comments/Macros.h"
#include "fakes/TempTree.h"

using namespace vellumo;
using vellumo::testing::TempTree;

namespace {

struct FakeQueries : MacroQueries {
    std::optional<SlideshowPlace> place;
    std::string folder = "/archive/trip";
    std::string music;
    std::string currentFolder() const override { return folder; }
    bool slideshowRunning() const override { return place.has_value(); }
    std::optional<SlideshowPlace> slideshowPlace() const override { return place; }
    bool musicPlaying() const override { return !music.empty(); }
    std::string musicFile() const override { return music; }
};

}  // namespace

TEST(Macros, FileNamesAndFolders) {
    MacroContext c{"/d/trip/img.1.jpg", 800, 600, nullptr};
    EXPECT_EQ(ExpandMacros("%FILE_NAME%", c).text, "img.1.jpg");
    EXPECT_EQ(ExpandMacros("%SHORT_FILE_NAME%", c).text, "img");
    EXPECT_EQ(ExpandMacros("%FOLDER_NAME% in %PATH%", c).text, "trip in /d/trip");
    EXPECT_EQ(ExpandMacros("%IMAGE_WIDTH%x%IMAGE_HEIGHT%", c).text, "800x600");
    MacroExpansion e = ExpandMacros("%FILE_NAME% %FILE_NAME% %PATH%", c);
    EXPECT_EQ(e.text, "img.1.jpg img.1.jpg /d/trip");
    EXPECT_EQ(e.flags, 0x1u | 0x8u);
    EXPECT_FALSE(e.rotate);
}

TEST(Macros, FileSizesInKilobytesAndMegabytes) {
    TempTree t;
    std::string photo = t.file("p.jpg", "");
    std::filesystem::resize_file(photo, 2500000);
    MacroExpansion e = ExpandMacros("%IMAGE_SIZE_K% K, %IMAGE_SIZE_M% M", {photo, 1, 1, nullptr});
    EXPECT_EQ(e.text, "2441 K, 2 M");
    EXPECT_EQ(e.flags, 0x40u | 0x80u);
    // A file that cannot be read keeps both macros.
    EXPECT_EQ(ExpandMacros("%IMAGE_SIZE_K%/%IMAGE_SIZE_M%", {t.path("gone.jpg"), 1, 1, nullptr}).text,
              "%IMAGE_SIZE_K%/%IMAGE_SIZE_M%");
}

TEST(Macros, SlideshowPlaceAndCount) {
    FakeQueries q;
    q.place = SlideshowPlace{10, 250};
    MacroContext c{"/a/b.jpg", 1, 1, &q};
    MacroExpansion e = ExpandMacros("%SLIDESHOW_CURRENT%/%SLIDESHOW_COUNT%", c);
    EXPECT_EQ(e.text, "10/250");
    EXPECT_EQ(e.flags, 0x800u | 0x1000u);
    q.place.reset();
    EXPECT_EQ(ExpandMacros("%SLIDESHOW_CURRENT%/%SLIDESHOW_COUNT%", c).text, "/");
    // No queries at all: the same.
    EXPECT_EQ(ExpandMacros("%SLIDESHOW_CURRENT%/%SLIDESHOW_COUNT%", {"/a/b.jpg", 1, 1, nullptr}).text, "/");
}

TEST(Macros, MusicAndCurrentFolder) {
    FakeQueries q;
    q.music = "/music/01 Song.remix.mp3";
    MacroContext c{"/a/b.jpg", 1, 1, &q};
    EXPECT_EQ(ExpandMacros("[%MUSIC_FILE_NAME%|%MUSIC_SHORT_FILE_NAME%]", c).text, "[01 Song.remix.mp3|01 Song.remix]");
    q.music.clear();
    EXPECT_EQ(ExpandMacros("[%MUSIC_FILE_NAME%|%MUSIC_SHORT_FILE_NAME%]", c).text, "[|]");
    MacroExpansion e = ExpandMacros("in %CURRENT_FOLDER%", c);
    EXPECT_EQ(e.text, "in /archive/trip");
    EXPECT_EQ(e.flags, 0x400u);
}

TEST(Macros, WithoutAPhotoEveryMacroButTheCurrentFolderIsRemoved) {
    FakeQueries q;
    MacroExpansion e = ExpandMacros("%FILE_NAME%-%ROTATE_LEFT%-%CURRENT_FOLDER%-%IMAGE_WIDTH%", {"", 5, 5, &q});
    EXPECT_EQ(e.text, "--/archive/trip-");
    EXPECT_EQ(e.flags, 0x1u | 0x100u | 0x400u | 0x10u);
    EXPECT_FALSE(e.rotate);
}

TEST(Macros, RotationMacrosAreRemovedAndTurnThePhoto) {
    MacroContext c{"/a/b.jpg", 1, 1, nullptr};
    MacroExpansion e = ExpandMacros("x%ROTATE_LEFT%y%ROTATE_LEFT%%ROTATE_RIGHT%z", c);
    EXPECT_EQ(e.text, "xyz");
    EXPECT_TRUE(e.rotate);
    EXPECT_DOUBLE_EQ(e.rotationAngle, 1.5707963267948966);
    EXPECT_EQ(e.flags, 0x300u);
    e = ExpandMacros("%ROTATE_RIGHT%%ROTATE_RIGHT%", c);
    EXPECT_DOUBLE_EQ(e.rotationAngle, -3.141592653589793);
    // Left and right cancelling still counts as a rotation (angle 0).
    e = ExpandMacros("%ROTATE_LEFT%%ROTATE_RIGHT%", c);
    EXPECT_TRUE(e.rotate);
    EXPECT_DOUBLE_EQ(e.rotationAngle, 0.0);
}

TEST(Macros, BrokenMacrosStayAsText) {
    MacroContext c{"/a/b.jpg", 1, 1, nullptr};
    EXPECT_EQ(ExpandMacros("%FILE_NAME", c).text, "%FILE_NAME");
    EXPECT_EQ(ExpandMacros("100%% sure", c).text, "100%% sure");
    EXPECT_EQ(ExpandMacros("%UNKNOWN%", c).text, "%UNKNOWN%");
    EXPECT_EQ(ExpandMacros("%file_name%", c).text, "%file_name%");
    EXPECT_EQ(ExpandMacros("%%FILE_NAME%%", c).text, "%b.jpg%");
    EXPECT_EQ(ExpandMacros("%", c).text, "%");
    EXPECT_EQ(ExpandMacros("no macros", c).flags, 0u);
}

TEST(Macros, ValuesPutInAreNotExpandedAgain) {
    // A file name from a disc may hold a macro name: it is shown, it does not rotate.
    MacroExpansion e = ExpandMacros("%FILE_NAME%", {"/a/%ROTATE_LEFT%.jpg", 1, 1, nullptr});
    EXPECT_EQ(e.text, "%ROTATE_LEFT%.jpg");
    EXPECT_FALSE(e.rotate);
    // Many macros give a result in proportion to the text.
    std::string many;
    for (int i = 0; i < 300; ++i) many += "%PATH%";
    EXPECT_EQ(ExpandMacros(many, {"/" + std::string(200, 'p') + "/x.jpg", 1, 1, nullptr}).text.size(), 300u * 201u);
}

TEST(Macros, CopyListHoldsEveryMacroAndTag) {
    const std::string expected =
        "%FILE_NAME%\r\n%SHORT_FILE_NAME%\r\n%FOLDER_NAME%\r\n%PATH%\r\n%IMAGE_WIDTH%\r\n%IMAGE_HEIGHT%\r\n"
        "%IMAGE_SIZE_K%\r\n%IMAGE_SIZE_M%\r\n%ROTATE_LEFT%\r\n%ROTATE_RIGHT%\r\n%CURRENT_FOLDER%\r\n"
        "%SLIDESHOW_COUNT%\r\n%SLIDESHOW_CURRENT%\r\n%MUSIC_FILE_NAME%\r\n%MUSIC_SHORT_FILE_NAME%\r\n\r\n"
        "<REM>  </REM>\r\n<ENGLISH>  </ENGLISH>\r\n<SLIDESHOW>  </SLIDESHOW>\r\n<SOUND>  </SOUND>\r\n"
        "<MUSIC>  </MUSIC>";
    EXPECT_EQ(MacroAndTagList("ENGLISH"), expected);
}
