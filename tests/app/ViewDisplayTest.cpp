// Showing photos, the view commands, rotation state, mouse handling and the
// cursor rules, driven through a recording host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/PhotoDisplay.h"
#include "fakes/FakeCanvas.h"

namespace vellumo {
namespace {

const Rect kScreen{0, 0, 1024, 768};

class RecordingHost : public PhotoDisplayHost {
public:
    // Photo files that exist, with their decoded size; a size of (-1, -1) fails to decode.
    std::map<std::string, Size> files;
    char start = 'a';
    bool saving = false;
    ColorRef background = Rgb(1, 2, 3);
    bool paused = false;
    Point mouse{-1, -1};
    // What composing the comment sets: a macro angle (0 for none).
    double macroAngle = 0.0;
    PhotoDisplay* display = nullptr;

    std::vector<std::string> calls;
    std::vector<int> beeps;  // 0 default, 1 exclamation
    std::vector<CursorId> cursors;
    std::vector<CursorId> cursorsWhileDecoding;
    std::vector<double> rotations;
    std::vector<bool> macrosWritten;
    std::vector<std::string> failures;
    int redraws = 0;
    int presents = 0;

    char scaleStart() const override { return start; }
    bool scaleSavingMode() const override { return saving; }
    void setScaleSavingMode(bool on) override { saving = on; }
    ColorRef backgroundColor() const override { return background; }
    void hideComment() override { calls.push_back("hideComment"); }
    void hideNavigator() override { calls.push_back("hideNavigator"); }
    void redrawAll() override { ++redraws; }
    void setCursor(CursorId c) override { cursors.push_back(c); }
    Point mousePosition() const override { return mouse; }
    bool totalSlideshowPaused() const override { return paused; }
    void beep(BeepKind kind) override { beeps.push_back(kind == BeepKind::Default ? 0 : 1); }
    void runCommandsAfterZoom(bool in) override { calls.push_back(in ? "afterZoomIn" : "afterZoomOut"); }
    bool fileExists(const std::string& path) override { return files.count(path) != 0; }
    void enterPhotoScope(const std::string& path) override { calls.push_back("scope " + path); }
    DecodedPhoto decodePhoto(const std::string& path) override {
        calls.push_back("decode " + path);
        cursorsWhileDecoding.push_back(display->currentCursor());
        const Size s = files.at(path);
        if (s.cx < 0) return {false, 0, 0, "Decoding " + path + " failed"};
        decoded = s;
        return {true, s.cx, s.cy, ""};
    }
    void hurryPhoto() override { calls.push_back("hurry"); }
    void composeComment() override {
        calls.push_back("comment");
        display->setMacroRotationAngle(macroAngle);
        if (macroAngle != 0.0) display->setRotatePending();
    }
    std::optional<Size> rotatePhoto(double radians, ColorRef fill) override {
        EXPECT_EQ(fill, background);
        rotations.push_back(radians);
        // Quarter turns swap the sides; other angles are not needed here.
        const long turns = std::lround(radians / QuarterTurn);
        if (turns % 2 != 0) std::swap(decoded.cx, decoded.cy);
        return decoded;
    }
    void writeRotationMacro(bool left) override { macrosWritten.push_back(left); }
    void photoFailed(const std::string& text) override { failures.push_back(text); }
    void presentPhoto() override { ++presents; }

    Size decoded;
};

struct Fixture {
    RecordingHost host;
    PhotoDisplay display{host, kScreen, 'a'};
    Fixture() {
        host.display = &display;
        host.files["/p/a.jpg"] = {640, 480};
        host.files["/p/big.jpg"] = {3000, 2000};
        host.files["/p/wide.jpg"] = {30000, 200};
        host.files["/p/dot.jpg"] = {1, 1};
        host.files["/p/broken.jpg"] = {-1, -1};
    }
};

TEST(ViewDisplay, ShowingAPhotoRunsTheStepsInOrder) {
    Fixture f;
    f.display.showPhotoFresh("/p/a.jpg");
    EXPECT_FALSE(f.display.noPhoto());
    EXPECT_EQ(f.display.photoPath(), "/p/a.jpg");
    EXPECT_EQ(f.host.calls, (std::vector<std::string>{"scope /p/a.jpg", "decode /p/a.jpg", "comment"}));
    EXPECT_EQ(f.host.cursorsWhileDecoding, (std::vector<CursorId>{{ViewCursors::Busy}}));
    EXPECT_FALSE(f.display.busy());
    EXPECT_EQ(f.display.currentCursor(), (CursorId{CursorId::Arrow}));
    EXPECT_TRUE(f.host.rotations.empty());
    EXPECT_EQ(f.host.presents, 1);
    EXPECT_EQ(f.display.view().photoRect(), (Rect{192, 144, 832, 624}));
    // A missing file changes nothing.
    f.display.showPhotoFresh("/p/missing.jpg");
    f.display.showPhoto("/p/missing.jpg");
    EXPECT_EQ(f.display.photoPath(), "/p/a.jpg");
    EXPECT_EQ(f.host.presents, 1);
}

TEST(ViewDisplay, StartPictureIsRealScaleWithoutSettingsScope) {
    Fixture f;
    f.host.start = 'f';
    f.display.view().setScaleMode(ScaleMode::Fit);
    f.display.showStartPicture("/p/a.jpg");
    EXPECT_TRUE(f.display.noPhoto());
    EXPECT_EQ(f.display.view().photoRect(), (Rect{192, 144, 832, 624}));
    EXPECT_EQ(f.display.view().scaleMode(), ScaleMode::Fit);
    EXPECT_EQ(f.host.calls, (std::vector<std::string>{"decode /p/a.jpg", "comment"}));
    // Photo commands beep while the start picture is shown.
    f.display.runCommand(cmd::ZoomIn, 1);
    f.display.runCommand(cmd::MoveLeft, 1);
    f.display.runCommand(cmd::RotateLeft, 1);
    f.display.runCommand(cmd::RealScale, 1);
    EXPECT_EQ(f.host.beeps, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(f.host.redraws, 0);
}

TEST(ViewDisplay, BrokenFileShowsTheMessageAndLaterCommandsBeep) {
    Fixture f;
    f.display.showPhotoFresh("/p/big.jpg");
    f.display.showPhotoFresh("/p/broken.jpg");
    EXPECT_EQ(f.host.failures, (std::vector<std::string>{"Decoding /p/broken.jpg failed"}));
    EXPECT_TRUE(f.display.noPhoto());
    EXPECT_TRUE(f.display.photoPath().empty());
    EXPECT_FALSE(f.display.view().hasImage());
    EXPECT_EQ(f.display.view().backgroundCount(), 1);
    EXPECT_FALSE(f.display.busy());
    EXPECT_EQ(f.host.presents, 1);
    // The screen becomes background only.
    FakeCanvas c;
    f.display.paint(c, kScreen, nullptr);
    ASSERT_EQ(c.fills.size(), 1u);
    EXPECT_EQ(c.fills[0].rect, kScreen);
    EXPECT_EQ(c.fills[0].colour, f.host.background);
    // Until a photo loads, photo commands beep; refreshing an empty path changes nothing.
    f.display.refresh();
    EXPECT_TRUE(f.display.noPhoto());
    f.display.zoom(true, 1);
    f.display.pan(PanDirection::Right, 1);
    EXPECT_EQ(f.host.beeps, (std::vector<int>{0, 0}));
    f.display.showPhotoFresh("/p/a.jpg");
    EXPECT_FALSE(f.display.noPhoto());
    f.display.zoom(true, 1);
    EXPECT_EQ(f.host.beeps.size(), 2u);
}

TEST(ViewDisplay, ADecodedPictureWithoutPixelsCountsAsFailed) {
    Fixture f;
    f.host.files["/p/empty.jpg"] = {0, 0};
    f.display.showPhotoFresh("/p/a.jpg");
    f.display.showPhotoFresh("/p/empty.jpg");
    EXPECT_TRUE(f.display.noPhoto());
    EXPECT_FALSE(f.display.view().hasImage());
    EXPECT_EQ(f.host.failures.size(), 1u);
    EXPECT_EQ(f.host.presents, 1);
}

TEST(ViewDisplay, BrokenFileDuringASlideshowKeepsTheLockedCursor) {
    Fixture f;
    f.display.lockCursor(ViewCursors::SmallSlideshow);
    f.display.showPhotoFresh("/p/broken.jpg");
    EXPECT_TRUE(f.display.busy());
    EXPECT_EQ(f.display.currentCursor(), (CursorId{ViewCursors::SmallSlideshow}));
    f.display.showPhotoFresh("/p/a.jpg");
    EXPECT_EQ(f.host.cursorsWhileDecoding.back(), (CursorId{ViewCursors::Busy}));
    EXPECT_EQ(f.display.currentCursor(), (CursorId{ViewCursors::SmallSlideshow}));
    // The slideshow ends: the view's own cursor again.
    f.display.unlockCursor();
    EXPECT_FALSE(f.display.busy());
    EXPECT_EQ(f.display.currentCursor(), (CursorId{CursorId::Arrow}));
}

TEST(ViewDisplay, ZoomCommandRedrawsOnceAndRunsTheAfterList) {
    Fixture f;
    f.display.showPhotoFresh("/p/big.jpg");
    f.host.calls.clear();
    const int redraws = f.host.redraws;
    f.display.runCommand(cmd::ZoomIn, 5);
    EXPECT_EQ(f.display.view().zoomSteps(), (ZoomSteps{5, 5}));
    EXPECT_EQ(f.host.redraws, redraws + 1);
    EXPECT_EQ(f.host.calls, (std::vector<std::string>{"afterZoomIn"}));
    f.display.runCommand(cmd::ZoomOut, 2);
    EXPECT_EQ(f.display.view().zoomSteps(), (ZoomSteps{3, 3}));
    EXPECT_EQ(f.host.calls.back(), "afterZoomOut");
    // A zoom that cannot take a single step neither redraws nor runs the list.
    Fixture g;
    g.display.showPhotoFresh("/p/dot.jpg");
    for (int i = 0; i < 40; ++i) g.display.zoom(false, 5);
    g.host.calls.clear();
    const int before = g.host.redraws;
    g.display.zoom(false, 5);
    EXPECT_EQ(g.host.redraws, before);
    EXPECT_TRUE(g.host.calls.empty());
    EXPECT_TRUE(g.host.beeps.empty());
}

TEST(ViewDisplay, ScaleAndPanCommandsHideCommentAndNavigator) {
    Fixture f;
    f.display.showPhotoFresh("/p/big.jpg");
    f.host.calls.clear();
    f.display.runCommand(cmd::RealScale);
    EXPECT_EQ(f.display.view().photoRect(), (Rect{-988, -616, 2012, 1384}));
    EXPECT_EQ(f.host.calls, (std::vector<std::string>{"hideComment", "hideNavigator"}));
    f.host.calls.clear();
    f.display.runCommand(cmd::MoveRight, 3);
    EXPECT_EQ(f.display.view().photoRect().left, -988 - 153);
    EXPECT_EQ(f.host.calls, (std::vector<std::string>{"hideComment", "hideNavigator"}));
    f.display.runCommand(cmd::FitToScreen);
    EXPECT_EQ(f.display.view().photoRect(), (Rect{0, 43, 1024, 725}));
    // Nothing to pan: no redraw, no hiding.
    f.host.calls.clear();
    const int redraws = f.host.redraws;
    f.display.runCommand(cmd::MoveLeft, 5);
    EXPECT_EQ(f.host.redraws, redraws);
    EXPECT_TRUE(f.host.calls.empty());
}

TEST(ViewDisplay, RotationAccumulatesAndANewPhotoStartsUnrotated) {
    Fixture f;
    f.display.showPhotoFresh("/p/a.jpg");
    f.display.runCommand(cmd::RotateLeftFine);
    f.display.runCommand(cmd::RotateLeftFine);
    EXPECT_TRUE(f.display.rotatePending());
    EXPECT_DOUBLE_EQ(f.display.rotationAngle(), 2 * FineRotationStep);
    ASSERT_EQ(f.host.rotations.size(), 2u);
    EXPECT_DOUBLE_EQ(f.host.rotations[1], 10.0 * 3.14159265358979323846 / 180.0);
    // Each rotation decodes the file again.
    EXPECT_EQ(std::count(f.host.calls.begin(), f.host.calls.end(), "decode /p/a.jpg"), 3);

    f.display.runCommand(cmd::RotateRightFine);
    f.display.runCommand(cmd::RotateRightFine);
    f.display.runCommand(cmd::RotateLeft);
    EXPECT_NEAR(f.display.rotationAngle(), QuarterTurn, 1e-12);
    EXPECT_EQ(f.display.view().imageRect(), (Rect{0, 0, 480, 640}));
    f.display.runCommand(cmd::RotateRight);
    f.display.runCommand(cmd::RotateRight);
    EXPECT_NEAR(f.display.rotationAngle(), -QuarterTurn, 1e-12);
    EXPECT_EQ(f.display.view().imageRect(), (Rect{0, 0, 480, 640}));

    // Shown again, rotation stays; a fresh show is unrotated.
    f.display.showPhoto("/p/a.jpg");
    EXPECT_NEAR(f.host.rotations.back(), -QuarterTurn, 1e-12);
    const size_t rotations = f.host.rotations.size();
    f.display.showPhotoFresh("/p/big.jpg");
    EXPECT_EQ(f.host.rotations.size(), rotations);
    EXPECT_FALSE(f.display.rotatePending());
    EXPECT_EQ(f.display.rotationAngle(), 0.0);
    EXPECT_EQ(f.display.view().imageRect(), (Rect{0, 0, 3000, 2000}));
}

TEST(ViewDisplay, MacroRotationAddsToTheUsersAngle) {
    Fixture f;
    f.display.showPhotoFresh("/p/a.jpg");
    f.display.runCommand(cmd::RotateLeftFine);
    // The comment file now holds a left turn; composing reports it.
    f.host.macroAngle = QuarterTurn;
    f.display.runCommand(cmd::RotateLeftMacro);
    EXPECT_EQ(f.host.macrosWritten, (std::vector<bool>{true}));
    EXPECT_DOUBLE_EQ(f.host.rotations.back(), FineRotationStep + QuarterTurn);
    EXPECT_DOUBLE_EQ(f.display.macroRotationAngle(), QuarterTurn);
    EXPECT_DOUBLE_EQ(f.display.rotationAngle(), FineRotationStep);
    f.display.runCommand(cmd::RotateRightMacro);
    EXPECT_EQ(f.host.macrosWritten, (std::vector<bool>{true, false}));
    // A fresh show of a photo whose comment holds a macro is rotated by the macro alone.
    f.display.showPhotoFresh("/p/big.jpg");
    EXPECT_DOUBLE_EQ(f.host.rotations.back(), QuarterTurn);
    EXPECT_EQ(f.display.view().imageRect(), (Rect{0, 0, 2000, 3000}));
}

TEST(ViewDisplay, ScaleSavingModeKeepsTheZoomForTheNextPhoto) {
    Fixture f;
    f.display.showPhotoFresh("/p/big.jpg");
    const Rect fitted = f.display.view().photoRect();
    f.display.runCommand(cmd::SwitchScaleSaving);
    EXPECT_TRUE(f.host.saving);
    EXPECT_EQ(f.host.beeps, (std::vector<int>{1}));
    f.display.zoom(true, 3);
    const Rect zoomed = f.display.view().photoRect();
    EXPECT_EQ(ScaleLetterForSaving(f.display.view().scaleMode()), 'a');
    f.display.showPhotoFresh("/p/big.jpg");
    EXPECT_EQ(f.display.view().scaleMode(), ScaleMode::User);
    EXPECT_EQ(f.display.view().zoomSteps(), (ZoomSteps{3, 3}));
    EXPECT_EQ(f.display.view().photoRect(), zoomed);
    // Off again: the next photo starts from ScaleStart.
    f.display.runCommand(cmd::SwitchScaleSaving);
    EXPECT_FALSE(f.host.saving);
    f.display.showPhotoFresh("/p/big.jpg");
    EXPECT_EQ(f.display.view().scaleMode(), ScaleMode::Auto);
    EXPECT_EQ(f.display.view().zoomSteps(), (ZoomSteps{0, 0}));
    EXPECT_EQ(f.display.view().photoRect(), fitted);
}

TEST(ViewDisplay, DraggingPansAndShowsTheDirectionCursors) {
    Fixture f;
    f.display.showPhotoFresh("/p/big.jpg");
    f.display.runCommand(cmd::RealScale);
    f.host.mouse = {500, 400};
    f.display.updateCursor();
    EXPECT_EQ(f.display.currentCursor(), (CursorId{ViewCursors::AllDirections}));
    ASSERT_TRUE(f.display.leftButtonDown({500, 400}));
    EXPECT_EQ(f.display.currentCursor(), (CursorId{1111}));
    const int redraws = f.host.redraws;
    f.host.mouse = {1600, 400};
    f.display.mouseMove({1600, 400});
    EXPECT_EQ(f.host.redraws, redraws + 1);
    EXPECT_EQ(f.display.view().photoRect().left, 0);
    // Nothing more to the left: the cursor shows up, down and right only.
    EXPECT_EQ(f.display.currentCursor(), (CursorId{1110}));
    // With the comment tracker active the tracker chooses the cursor.
    const size_t cursorCalls = f.host.cursors.size();
    f.display.mouseMove({1500, 400}, true);
    EXPECT_EQ(f.host.cursors.size(), cursorCalls);
    f.display.leftButtonUp({1500, 400});
    EXPECT_FALSE(f.display.view().isDragging());
    f.host.mouse = {500, 400};
    f.display.updateCursor();
    EXPECT_EQ(f.display.currentCursor(), (CursorId{ViewCursors::AllDirections}));
    // Activation changes end a drag too.
    ASSERT_TRUE(f.display.leftButtonDown({500, 400}));
    f.display.activationChanged();
    EXPECT_FALSE(f.display.view().isDragging());
}

TEST(ViewDisplay, ScrollMessagesPanWithoutSnapping) {
    Fixture f;
    f.display.showPhotoFresh("/p/wide.jpg");
    f.display.runCommand(cmd::RealScale);
    const int redraws = f.host.redraws;
    f.display.scroll(Axis::Horizontal, ScrollCode::PageForward);
    EXPECT_EQ(f.display.view().photoRect().left, -14488 - 510);
    f.display.scroll(Axis::Vertical, ScrollCode::LineForward);  // lower than the screen: no move
    EXPECT_EQ(f.host.redraws, redraws + 1);
}

TEST(ViewCursor, ChoiceFollowsOverhangMousePositionAndSlideshowPause) {
    const Rect screen = kScreen;
    const Rect fitted{0, 43, 1024, 725};
    EXPECT_EQ(ChooseViewCursor(fitted, screen, false, {500, 400}, false), (CursorId{CursorId::Arrow}));
    EXPECT_EQ(ChooseViewCursor(fitted, screen, false, {500, 400}, true), (CursorId{ViewCursors::TotalPaused}));
    const Rect all{-988, -616, 2012, 1384};
    EXPECT_EQ(DirectionCode(all, screen), 1111);
    EXPECT_EQ(ChooseViewCursor(all, screen, false, {0, 0}, true), (CursorId{ViewCursors::AllDirections}));
    EXPECT_EQ(ChooseViewCursor(all, screen, true, {0, 0}, false), (CursorId{1111}));
    // A wide strip: left and right only, and only over the strip.
    const Rect strip{-14488, 284, 15512, 484};
    EXPECT_EQ(ChooseViewCursor(strip, screen, true, {10, 300}, false), (CursorId{1001}));
    EXPECT_EQ(ChooseViewCursor(strip, screen, true, {10, 10}, false), (CursorId{CursorId::Arrow}));
    EXPECT_EQ(ChooseViewCursor(strip, screen, false, {10, 10}, true), (CursorId{ViewCursors::TotalPaused}));
    // Each single edge and the bottom-right corner.
    EXPECT_EQ(DirectionCode({-1, 0, 1024, 768}, screen), 1);
    EXPECT_EQ(DirectionCode({0, -1, 1024, 768}, screen), 10);
    EXPECT_EQ(DirectionCode({0, 0, 1024, 769}, screen), 100);
    EXPECT_EQ(DirectionCode({0, 0, 1025, 768}, screen), 1000);
    EXPECT_EQ(DirectionCode({0, 0, 1025, 769}, screen), 1100);
    EXPECT_EQ(DirectionCode(fitted, screen), 0);
    // Every code that can occur has a direction cursor.
    std::set<int> codes(ViewCursors::Directions.begin(), ViewCursors::Directions.end());
    for (int mask = 1; mask < 16; ++mask) {
        const Rect r{(mask & 1) ? -5 : 0, (mask & 2) ? -5 : 0, (mask & 8) ? 1030 : 1024, (mask & 4) ? 770 : 768};
        EXPECT_EQ(codes.count(DirectionCode(r, screen)), 1u) << mask;
    }
}

TEST(ViewCursor, BusyPeriodsNestAndReturnToTheLockedOrViewCursor) {
    Fixture f;
    f.host.mouse = {10, 10};
    f.host.paused = true;
    f.display.updateCursor();
    EXPECT_EQ(f.display.currentCursor(), (CursorId{ViewCursors::TotalPaused}));
    f.display.setBusyCursor(ViewCursors::TotalCollecting);
    f.host.paused = false;
    f.display.updateCursor();  // nothing while busy
    EXPECT_EQ(f.display.currentCursor(), (CursorId{ViewCursors::TotalCollecting}));
    f.display.setBusyCursor(ViewCursors::Busy);
    f.display.restoreCursor();
    EXPECT_EQ(f.host.cursors.back(), (CursorId{ViewCursors::TotalCollecting}));
    f.display.restoreCursor();
    EXPECT_FALSE(f.display.busy());
    EXPECT_EQ(f.host.cursors.back(), (CursorId{CursorId::Arrow}));
    // Locks replace each other; a busy period over a lock returns to it.
    f.display.lockCursor(ViewCursors::TotalRunning);
    f.display.lockCursor(ViewCursors::TotalPaused);
    f.display.setBusyCursor(ViewCursors::Busy);
    f.display.lockCursor(ViewCursors::TotalRunning);
    EXPECT_EQ(f.display.currentCursor(), (CursorId{ViewCursors::Busy}));
    f.display.restoreCursor();
    EXPECT_EQ(f.display.currentCursor(), (CursorId{ViewCursors::TotalRunning}));
    f.display.unlockCursor();
    EXPECT_EQ(f.display.currentCursor(), (CursorId{CursorId::Arrow}));
    // A restore without a busy period does no harm.
    f.display.restoreCursor();
    EXPECT_FALSE(f.display.busy());
}

TEST(ViewDisplay, ExtremePhotosRotateZoomAndPanThroughCommands) {
    for (const char* path : {"/p/dot.jpg", "/p/wide.jpg"}) {
        Fixture f;
        f.display.showPhotoFresh(path);
        for (int round = 0; round < 4; ++round) {
            for (int i = 0; i < 25; ++i) f.display.runCommand(cmd::ZoomIn, 5);
            for (int cmd = cmd::MoveLeft; cmd <= cmd::MoveDown; ++cmd)
                f.display.runCommand(cmd, 5);
            f.display.runCommand(cmd::RotateLeft);
            for (int i = 0; i < 25; ++i) f.display.runCommand(cmd::ZoomOut, 5);
            const Rect& p = f.display.view().photoRect();
            EXPECT_GE(p.width(), 1);
            EXPECT_GE(p.height(), 1);
        }
        // Four quarter turns: back to the original orientation.
        EXPECT_EQ(f.display.view().imageRect(), (Rect{0, 0, f.host.files[path].cx, f.host.files[path].cy}));
        EXPECT_TRUE(f.host.beeps.empty());
    }
}

}  // namespace
}  // namespace vellumo
