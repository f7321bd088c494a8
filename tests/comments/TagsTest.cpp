// Tags: conditions, negation, closing rules and broken tags.
#include <gtest/gtest.h>

#include "comments/Tags.h"

using namespace vellumo;

namespace {

TagState State(bool sound = false, bool slideshow = false, bool music = false) {
    TagState s;
    s.languageName = "English";
    s.soundCommentsOn = sound;
    s.slideshowRunning = slideshow;
    s.musicPlaying = music;
    return s;
}

}  // namespace

TEST(Tags, SoundTagsFollowTheSoundCommentSetting) {
    const std::string text = "a<SOUND>on</SOUND>b<!SOUND>off</!SOUND>c";
    EXPECT_EQ(ApplyTags(text, State(true)), "aonbc");
    EXPECT_EQ(ApplyTags(text, State(false)), "aboffc");
    // A plain closing tag does not close a negated opening one (it is dropped).
    EXPECT_EQ(ApplyTags("<!SOUND>off</SOUND>still</!SOUND>after", State(false)), "offstillafter");
    EXPECT_EQ(ApplyTags("<!SOUND>off</SOUND>still</!SOUND>after", State(true)), "after");
}

TEST(Tags, LanguageSlideshowMusicAndRemarks) {
    EXPECT_EQ(ApplyTags("<english>Hello</ENGLISH><GERMAN>Hallo</GERMAN>", State()), "Hello");
    EXPECT_EQ(ApplyTags("<REM>note</REM>text<!REM>shown</!REM>", State()), "textshown");
    EXPECT_EQ(ApplyTags("<SLIDESHOW>running</SLIDESHOW>", State(false, true)), "running");
    EXPECT_EQ(ApplyTags("<SLIDESHOW>running</SLIDESHOW>", State()), "");
    EXPECT_EQ(ApplyTags("<MUSIC>m</MUSIC><!MUSIC>quiet</!MUSIC>", State(false, false, true)), "m");
    // Unknown names hide their content, negated or not.
    EXPECT_EQ(ApplyTags("<OTHER>x</OTHER><!OTHER>y</!OTHER>z", State()), "z");
    // A name that only begins like a known one is another name.
    EXPECT_EQ(ApplyTags("<SOUNDS>x</SOUNDS>z", State(true)), "z");
}

TEST(Tags, LanguageNamesOfOtherScriptsAndTheFifteenCharacterWindow) {
    TagState s = State();
    s.languageName = "\xD0\xA3\xD0\xBA\xD1\x80\xD0\xB0\xD1\x97\xD0\xBD\xD1\x81\xD1\x8C\xD0\xBA\xD0\xB0";  // 10 letters, 20 bytes
    EXPECT_EQ(ApplyTags("<" + s.languageName + ">yes</" + s.languageName + ">", s), "yes");
    // A name longer than 15 characters never matches.
    s.languageName = "ABCDEFGHIJKLMNOP";
    EXPECT_EQ(ApplyTags("<ABCDEFGHIJKLMNOP>no</ABCDEFGHIJKLMNOP>", s), "");
}

TEST(Tags, NestingClosesInnermostFirst) {
    EXPECT_EQ(ApplyTags("<SOUND>a<MUSIC>b</MUSIC>c</SOUND>d", State(true, false, false)), "acd");
    EXPECT_EQ(ApplyTags("<REM>a<SOUND>b</SOUND>c</REM>d", State(true)), "d");
    // A closing tag that is not the innermost one is dropped.
    EXPECT_EQ(ApplyTags("<SOUND>a</MUSIC>b</SOUND>c", State(true)), "abc");
}

TEST(Tags, BrokenTagsAreTextOrDropped) {
    EXPECT_EQ(ApplyTags("a < b", State()), "a < b");
    EXPECT_EQ(ApplyTags("<", State()), "<");
    EXPECT_EQ(ApplyTags("x<SOUND", State()), "x<SOUND");
    EXPECT_EQ(ApplyTags("1<2 and 3>2", State()), "1<2 and 3>2");
    EXPECT_EQ(ApplyTags("a</>b", State()), "ab");
    EXPECT_EQ(ApplyTags("stray</SOUND>closing", State(true)), "strayclosing");
    // A tag never closed runs to the end of the text.
    EXPECT_EQ(ApplyTags("shown<!SOUND>hidden to the end", State(true)), "shown");
    // "<" then "<SOUND>" up to the ">" is one tag of an unknown name.
    EXPECT_EQ(ApplyTags("<<SOUND>x", State(true)), "");
}

TEST(Tags, TenThousandUnclosedTags) {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "<SOUND>";
    text += "end";
    EXPECT_EQ(ApplyTags(text, State(true)), "end");
    EXPECT_EQ(ApplyTags(text, State(false)), "");
    std::string lts(20000, '<');
    EXPECT_EQ(ApplyTags(lts, State()), lts);
}
