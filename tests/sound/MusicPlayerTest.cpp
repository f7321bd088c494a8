// Background music heard through libout123's "wav" writer: which files play,
// in which order, and when.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "fakes/FakeEventQueue.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempTree.h"
#include "platform/Random.h"
#include "sound/MusicPlayer.h"

namespace vellumo {
namespace {

using testing::Capture;
using testing::EngineGate;
using testing::MakeToneMp3;
using testing::PitchAt;
using testing::PitchSequence;
using testing::ReadCapture;
using testing::TempTree;

constexpr std::int64_t kQuarter = 11025;  // a quarter second at 44100 Hz

int Rounded(int hertz) { return static_cast<int>(std::lround(hertz / 10.0)) * 10; }

class MusicPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.Music = 1;
        settings.MusicPresent = 'a';
        settings.MusicRandom = 0;
        settings.MusicSearchMask = tree.folder("music") + "/*.mp3";
    }
    void TearDown() override {
        gate.release();
        player.reset();
    }
    void makeFile(const std::string& rel, std::vector<testing::Tone> tones) {
        tree.folder("music");
        ASSERT_TRUE(MakeToneMp3(tree.path(rel), tones)) << "lame must be installed (scripts/setup)";
    }
    void makePlayer() {
        MusicPlayerHooks hooks;
        hooks.settings = [this]() -> const Settings& { return settings; };
        hooks.runCommandList = [this](const CommandList& list) { commandLists.push_back(list); };
        hooks.stateChanged = [this] { states.push_back(player->playerState()); };
        SoundOutputs outputs;
        outputs.music = {"wav", tree.path("heard.wav")};
        outputs.soundComments = {"wav", tree.path("comment.wav")};
        outputs.musicBlockWritten = gate.callback();
        player = std::make_unique<MusicPlayer>(queue, std::move(hooks), outputs);
    }
    bool pumpUntil(const std::function<bool()>& c) { return EngineGate::PumpUntil(queue, c); }
    bool waitState(int state) {
        return pumpUntil([&] { return !states.empty() && states.back() == state; });
    }
    // Pauses the music where the engine is held and returns what was heard.
    Capture finish() {
        player->MusicOff();
        gate.release();
        waitState(2);
        player.reset();
        return ReadCapture(tree.path("heard.wav"));
    }

    TempTree tree;
    FakeEventQueue queue;
    EngineGate gate;
    Settings settings;
    std::vector<int> states;
    std::vector<CommandList> commandLists;
    std::unique_ptr<MusicPlayer> player;
};

TEST_F(MusicPlayerTest, SortedModePlaysTheFilesInNameOrderAndStartsOverAfterTheLast) {
    makeFile("music/c.mp3", {{1323, kQuarter}});
    makeFile("music/a.mp3", {{441, kQuarter}});
    makeFile("music/B.MP3", {{882, kQuarter}});
    settings.CommandsAfterMusicFileEnd = {115};
    makePlayer();
    gate.holdAt(4 * kQuarter);
    player->StartMusic();
    ASSERT_TRUE(gate.waitHeld(queue));
    EXPECT_EQ(player->currentFile(), tree.path("music/a.mp3"));
    EXPECT_EQ(player->musicFileName(), "a.mp3");
    EXPECT_EQ(player->musicShortFileName(), "a");
    // Each ended file ran the command list once.
    EXPECT_EQ(commandLists.size(), 3u);
    Capture heard = finish();
    EXPECT_EQ(heard.frames(), 4 * kQuarter);
    EXPECT_EQ(PitchSequence(heard, kQuarter), (std::vector<int>{440, 880, 1320, 440}));
}

TEST_F(MusicPlayerTest, TheNextFileFollowsWithoutWaitingForTheUserInterfaceThread) {
    makeFile("music/a.mp3", {{441, kQuarter}});
    makeFile("music/b.mp3", {{882, kQuarter}});
    settings.CommandsAfterMusicFileEnd = {115};
    makePlayer();
    gate.holdAt(2 * kQuarter);
    player->StartMusic();
    // Nothing the engine posts is handled meanwhile: it goes from a into b by itself.
    for (int i = 0; i < 10000 && gate.frames() < 2 * kQuarter; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(gate.frames(), 2 * kQuarter);
    ASSERT_TRUE(gate.waitHeld(queue));
    EXPECT_EQ(player->currentFile(), tree.path("music/b.mp3"));
    EXPECT_EQ(player->currentIndex(), 1);
    EXPECT_EQ(commandLists.size(), 1u);
    EXPECT_EQ(states, (std::vector<int>{1, 1}));  // never stopped between the two
    Capture heard = finish();
    // Both whole, one right after the other.
    EXPECT_EQ(heard.frames(), 2 * kQuarter);
    EXPECT_EQ(PitchSequence(heard, kQuarter), (std::vector<int>{440, 880}));
}

TEST_F(MusicPlayerTest, RandomModePlaysEveryFileOncePerPass) {
    makeFile("music/1.mp3", {{441, kQuarter}});
    makeFile("music/2.mp3", {{882, kQuarter}});
    makeFile("music/3.mp3", {{1323, kQuarter}});
    settings.MusicRandom = 1;
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        SeedProcessRandom(seed);
        states.clear();
        makePlayer();
        gate.holdAt(9 * kQuarter);
        player->StartMusic();
        ASSERT_TRUE(gate.waitHeld(queue));
        Capture heard = finish();
        std::vector<int> order = PitchSequence(heard, kQuarter);
        ASSERT_EQ(order.size(), 9u);
        for (int pass = 0; pass < 3; ++pass) {
            std::vector<int> one(order.begin() + pass * 3, order.begin() + pass * 3 + 3);
            std::sort(one.begin(), one.end());
            EXPECT_EQ(one, (std::vector<int>{440, 880, 1320})) << "seed " << seed << " pass " << pass;
        }
        gate.holdAt(std::numeric_limits<std::int64_t>::max());
    }
}

TEST_F(MusicPlayerTest, OnlyInSlideshowsMusicStopsAtTheEndAndStartsTheSameFileAgain) {
    makeFile("music/song.mp3", {{441, 2 * kQuarter}, {1323, 2 * kQuarter}});
    settings.MusicPresent = 's';
    makePlayer();
    player->StartMusic();
    EXPECT_TRUE(player->hasFiles());
    // Outside a slideshow nothing plays: the engine only opened the file.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    queue.runPending();
    EXPECT_TRUE(states.empty());
    EXPECT_EQ(gate.frames(), 0);
    const std::int64_t beforeShow = 0;

    gate.holdAt(beforeShow + kQuarter);
    player->OnSlideshowStart();
    EXPECT_TRUE(player->inSlideshow());
    ASSERT_TRUE(gate.waitHeld(queue));
    EXPECT_EQ(player->playerState(), 1);
    player->OnSlideshowEnd();
    gate.release();
    ASSERT_TRUE(waitState(0));
    const std::int64_t atEnd = gate.frames();

    // The next slideshow starts the file from its beginning: it ends after
    // exactly its whole length.
    gate.holdAt(atEnd + 4 * kQuarter);
    player->OnSlideshowStart();
    ASSERT_TRUE(gate.waitHeld(queue));
    EXPECT_EQ(gate.frames(), atEnd + 4 * kQuarter);
    Capture heard = finish();
    EXPECT_EQ(Rounded(PitchAt(heard, atEnd + 1000, 8000)), 440);
    EXPECT_EQ(Rounded(PitchAt(heard, atEnd + 3 * kQuarter, 8000)), 1320);
}

TEST_F(MusicPlayerTest, MusicOffWhilePausedDoesNothingAndToggleResumes) {
    makeFile("music/long.mp3", {{441, 8 * kQuarter}});
    makePlayer();
    gate.holdAt(kQuarter);
    player->StartMusic();
    ASSERT_TRUE(gate.waitHeld(queue));
    player->MusicOff();  // 139 while playing: pause
    gate.holdAt(2 * kQuarter);
    ASSERT_TRUE(waitState(2));
    player->MusicOff();     // 139 while paused: nothing
    player->ToggleMusic();  // 137 while paused: play
    ASSERT_TRUE(gate.waitHeld(queue));
    EXPECT_EQ(player->playerState(), 1);
    player->MusicOn();  // 138 while playing: nothing
    player->ToggleMusic();  // 137 while playing: pause
    gate.release();
    ASSERT_TRUE(waitState(2));
    EXPECT_EQ(states, (std::vector<int>{1, 2, 1, 2}));
}

TEST_F(MusicPlayerTest, ANewSearchMaskStopsAndPlaysTheRememberedIndexOfTheNewList) {
    makeFile("music/a.mp3", {{441, kQuarter}});
    makeFile("music/b.mp3", {{882, 8 * kQuarter}});
    tree.folder("other");
    ASSERT_TRUE(MakeToneMp3(tree.path("other/x.mp3"), {{1323, kQuarter}}));
    ASSERT_TRUE(MakeToneMp3(tree.path("other/Y.Mp3"), {{1764, 2 * kQuarter}}));
    makePlayer();
    gate.holdAt(2 * kQuarter);  // inside b, the second file
    player->StartMusic();
    ASSERT_TRUE(gate.waitHeld(queue));
    EXPECT_EQ(player->currentIndex(), 1);

    settings.MusicSearchMask = tree.path("other") + "/*.MP3";
    player->ApplyMusicSettings(0x4);
    EXPECT_EQ(player->currentFile(), tree.path("other/Y.Mp3"));
    // The engine goes on with the queued commands and is held again at the end of Y.
    const std::int64_t atChange = gate.frames();
    gate.holdAt(atChange + 2 * kQuarter);
    ASSERT_TRUE(gate.waitHeld(queue));
    // a went on into b without stopping (1); the new mask: stop (0), play (1).
    EXPECT_EQ(states, (std::vector<int>{1, 1, 0, 1}));
    Capture heard = finish();
    EXPECT_EQ(heard.frames(), atChange + 2 * kQuarter);
    EXPECT_EQ(Rounded(PitchAt(heard, atChange + 1000, 8000)), 1760);
}

TEST_F(MusicPlayerTest, SwitchingMusicOffStopsAndOnPlaysOnlyWhereItMay) {
    makeFile("music/long.mp3", {{441, 8 * kQuarter}});
    makePlayer();
    gate.holdAt(kQuarter);
    player->StartMusic();
    ASSERT_TRUE(gate.waitHeld(queue));
    settings.Music = 0;
    player->ApplyMusicSettings(0x1);
    gate.release();
    ASSERT_TRUE(waitState(0));

    // Music on again with "only in slideshows" outside a slideshow, and a
    // change of MusicPresent with Music off: both stay silent.
    settings.Music = 1;
    settings.MusicPresent = 's';
    player->ApplyMusicSettings(0x1);
    settings.Music = 0;
    settings.MusicPresent = 'a';
    player->ApplyMusicSettings(0x2);
    // Music on with "always": it plays.
    settings.Music = 1;
    gate.holdAt(gate.frames() + kQuarter);
    player->ApplyMusicSettings(0x1 | 0x8);
    ASSERT_TRUE(gate.waitHeld(queue));
    EXPECT_EQ(states, (std::vector<int>{1, 0, 1}));
}

TEST_F(MusicPlayerTest, WithoutMusicFilesEveryOperationDoesNothing) {
    makePlayer();
    player->StartMusic();
    player->ToggleMusic();
    player->MusicOn();
    player->OnSlideshowStart();
    player->OnSlideshowEnd();
    player->ApplyMusicSettings(0xF);
    EXPECT_FALSE(player->hasFiles());
    EXPECT_EQ(player->musicFileName(), "");
    player.reset();
    EXPECT_EQ(queue.runPending(), 0);
    EXPECT_TRUE(states.empty());
}

TEST_F(MusicPlayerTest, ABrokenFileInTheListKeepsTheMusicSilentOnIt) {
    tree.file("music/a.mp3", "not music at all");
    makeFile("music/b.mp3", {{441, kQuarter}});
    makePlayer();
    player->StartMusic();
    player->MusicOn();
    // Both Play commands are refused; the player stays on the first file.
    queue.runPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    queue.runPending();
    EXPECT_EQ(player->currentIndex(), 0);
    EXPECT_NE(player->playerState(), 1);
    EXPECT_EQ(gate.frames(), 0);
}

// ---- the list of music files ----

TEST(MusicFileList, MatchesIgnoringCaseSortsIgnoringCaseAndSkipsFolders) {
    TempTree tree;
    for (const char* name : {"c.mp3", "TRACK01.MP3", "a.Mp3", "b.mp3.txt", "d.wav", "Bx.mp3"}) tree.file(std::string("m/") + name);
    tree.folder("m/folder.mp3");
    EXPECT_EQ(ListMusicFiles(tree.path("m") + "/*.mp3"),
              (std::vector<std::string>{tree.path("m/a.Mp3"), tree.path("m/Bx.mp3"), tree.path("m/c.mp3"),
                                        tree.path("m/TRACK01.MP3")}));
    EXPECT_EQ(ListMusicFiles(tree.path("m") + "/track??.mp3"), (std::vector<std::string>{tree.path("m/TRACK01.MP3")}));
    EXPECT_TRUE(ListMusicFiles(tree.path("none") + "/*.mp3").empty());
    EXPECT_TRUE(ListMusicFiles("").empty());
}

TEST(MusicFileList, TenThousandFilesAreAllListedInOrder) {
    TempTree tree;
    tree.folder("big");
    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "big/%05d.mp3", 9999 - i);
        std::ofstream(tree.path(name));
    }
    auto files = ListMusicFiles(tree.path("big") + "/*.mp3");
    ASSERT_EQ(files.size(), 10000u);
    EXPECT_EQ(files.front(), tree.path("big/00000.mp3"));
    EXPECT_EQ(files[1234], tree.path("big/01234.mp3"));
    EXPECT_EQ(files.back(), tree.path("big/09999.mp3"));
}

}  // namespace
}  // namespace vellumo
