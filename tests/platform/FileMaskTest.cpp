#include <gtest/gtest.h>

#include "platform/FileMask.h"

namespace vellumo {
namespace {

TEST(FileMask, WildcardsMatchIgnoringCase) {
    EXPECT_TRUE(MatchesFileMask("TRACK01.MP3", "*.mp3"));
    EXPECT_TRUE(MatchesFileMask("a.Mp3", "*.MP3"));
    EXPECT_TRUE(MatchesFileMask(".mp3", "*.mp3"));
    EXPECT_FALSE(MatchesFileMask("a.mp3.txt", "*.mp3"));
    EXPECT_FALSE(MatchesFileMask("a.mp", "*.mp3"));
    EXPECT_TRUE(MatchesFileMask("song.mp3.mp3", "*.mp3"));
    EXPECT_TRUE(MatchesFileMask("track07.mp3", "track??.mp3"));
    EXPECT_FALSE(MatchesFileMask("track7.mp3", "track??.mp3"));
    EXPECT_FALSE(MatchesFileMask("track107.mp3", "track??.mp3"));
    EXPECT_TRUE(MatchesFileMask("a-b-c", "*-*-*"));
    EXPECT_FALSE(MatchesFileMask("a-b", "*-*-*"));
    EXPECT_TRUE(MatchesFileMask("exact.wav", "EXACT.WAV"));
    EXPECT_FALSE(MatchesFileMask("exact.wav", "exact.wa"));
    EXPECT_TRUE(MatchesFileMask("anything", "*"));
    EXPECT_FALSE(MatchesFileMask("", "?"));
}

TEST(FileMask, CharactersBeyondAsciiFoldAndCountAsOne) {
    EXPECT_TRUE(MatchesFileMask("ÄRGER.MP3", "ärger.mp3"));
    EXPECT_TRUE(MatchesFileMask("Ölbild.mp3", "?lbild.mp3"));
    EXPECT_FALSE(MatchesFileMask("Ölbild.mp3", "??lbild.mp3"));
}

TEST(FileMask, StarDotStarTakesNamesWithoutADot) {
    EXPECT_TRUE(MatchesFileMask("README", "*.*"));
    EXPECT_TRUE(MatchesFileMask("a.b", "*.*"));
    EXPECT_TRUE(MatchesFileMask("track", "tr*.*"));
    EXPECT_FALSE(MatchesFileMask("x", "tr*.*"));
}

}  // namespace
}  // namespace vellumo
