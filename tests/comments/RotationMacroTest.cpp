// Commands 110 and 113 keep the quarter turns in the attached comment file.
#include <gtest/gtest.h>

#include "comments/RotationMacro.h"
#include "fakes/TempTree.h"
#include "platform/Files.h"

using namespace vellumo;
using vellumo::testing::TempTree;

namespace {

std::string Read(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }

}  // namespace

TEST(RotationMacroFile, ThreeLeftTurnsAreOneRightTurnAndFourAreNone) {
    TempTree t;
    std::string photo = t.file("p.jpg");
    std::string txt = t.file("p.txt", "word");
    EXPECT_TRUE(WriteRotationMacro(photo, true));
    EXPECT_EQ(Read(txt), "word%ROTATE_LEFT%");
    EXPECT_TRUE(WriteRotationMacro(photo, true));
    EXPECT_EQ(Read(txt), "word%ROTATE_LEFT%%ROTATE_LEFT%");
    EXPECT_TRUE(WriteRotationMacro(photo, true));
    EXPECT_EQ(Read(txt), "word%ROTATE_RIGHT%");
    EXPECT_TRUE(WriteRotationMacro(photo, true));
    EXPECT_EQ(Read(txt), "word");
}

TEST(RotationMacroFile, LeftThenRightCreatesTheFileAndDeletesItAgain) {
    TempTree t;
    std::string photo = t.file("p.jpg");
    EXPECT_TRUE(WriteRotationMacro(photo, true));
    EXPECT_EQ(Read(t.path("p.txt")), "%ROTATE_LEFT%");
    EXPECT_TRUE(WriteRotationMacro(photo, false));
    EXPECT_FALSE(FileExists(t.path("p.txt")));
    // Two right turns are written as two macros of the direction turned.
    WriteRotationMacro(photo, false);
    WriteRotationMacro(photo, false);
    EXPECT_EQ(Read(t.path("p.txt")), "%ROTATE_RIGHT%%ROTATE_RIGHT%");
}

TEST(RotationMacroText, MacrosAnywhereInTheTextMoveToItsEnd) {
    EXPECT_EQ(RewriteRotationMacros("a%ROTATE_RIGHT%b%ROTATE_RIGHT%c", "", true), "abc%ROTATE_RIGHT%");
    EXPECT_EQ(RewriteRotationMacros("%ROTATE_LEFT%%ROTATE_LEFT%%ROTATE_LEFT%x", "", true), "x");
    EXPECT_EQ(RewriteRotationMacros("x", "", false), "x%ROTATE_RIGHT%");
}

TEST(RotationMacroFile, WhatLiesBeyondTheReadPartIsKept) {
    TempTree t;
    std::string photo = t.file("p.jpg");
    std::string head(1000, 'h');
    std::string tail = "TAIL beyond the first 1023 bytes %ROTATE_LEFT% stays";
    std::string body = head + std::string(23, 'm') + tail;
    std::string txt = t.file("p.txt", body);
    WriteRotationMacro(photo, false);
    // The read part is full: the macro goes first, so that it is read.
    EXPECT_EQ(Read(txt), "%ROTATE_RIGHT%" + body);
    EXPECT_DOUBLE_EQ(RotationMacroAngleOfFile(photo), -1.5707963267948966);
    WriteRotationMacro(photo, true);
    EXPECT_EQ(Read(txt), body);
    // Macros removed from the read part leave room: the new one follows the text there.
    std::string text(997, 's');
    t.file("p.txt", text + "%ROTATE_LEFT%%ROTATE_LEFT%" + tail);
    WriteRotationMacro(photo, true);
    EXPECT_EQ(Read(txt), text + "%ROTATE_RIGHT%" + tail);
}

TEST(RotationMacroFile, AngleOfTheAttachedFileForTheThumbnails) {
    TempTree t;
    std::string photo = t.file("q.tif");
    EXPECT_DOUBLE_EQ(RotationMacroAngleOfFile(photo), 0.0);
    t.file("Q.TXT", "caption %ROTATE_LEFT% %ROTATE_LEFT%");
    EXPECT_DOUBLE_EQ(RotationMacroAngleOfFile(photo), 3.141592653589793);
    // After a NUL byte nothing counts.
    t.file("Q.TXT", std::string("x\0%ROTATE_LEFT%", 15));
    EXPECT_DOUBLE_EQ(RotationMacroAngleOfFile(photo), 0.0);
    EXPECT_DOUBLE_EQ(RotationMacroAngleOfFile(""), 0.0);
}
