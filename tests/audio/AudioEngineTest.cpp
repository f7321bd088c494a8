// The engine heard through libout123's "wav" writer: what it writes is what a
// person would hear, sample for sample.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "audio/PlayerProtocol.h"
#include "audio/XaudioPlayer.h"
#include "fakes/FakeEventQueue.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempTree.h"

namespace vellumo {
namespace {

using testing::Capture;
using testing::EngineGate;
using testing::MakeToneMp3;
using testing::PitchSequence;
using testing::ReadCapture;
using testing::TempTree;

class RecordingPlayer : public XaudioPlayer {
public:
    using XaudioPlayer::XaudioPlayer;
    std::vector<int> states;
    std::vector<int> acknowledged;
    std::vector<std::pair<int, int>> refused;

protected:
    void OnPlayerState(int state) override { states.push_back(state); }
    void OnAcknowledge(int command) override { acknowledged.push_back(command); }
    void OnRefusal(int command, int error) override { refused.push_back({command, error}); }
};

int Rounded(int hertz) { return static_cast<int>(std::lround(hertz / 10.0)) * 10; }

// Three half-second tones: 441, 882 and 1323 Hz.
const std::vector<testing::Tone> kThreeTones = {{441, 22050}, {882, 22050}, {1323, 22050}};

class AudioEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeToneMp3(tree.path("tones.mp3"), kThreeTones)) << "lame must be installed (scripts/setup)";
    }
    std::unique_ptr<RecordingPlayer> makePlayer() {
        return std::make_unique<RecordingPlayer>(queue, AudioOutputSpec{"wav", capturePath()}, gate.callback());
    }
    std::string capturePath() const { return tree.path("heard.wav"); }
    bool pumpUntil(const std::function<bool()>& c) { return EngineGate::PumpUntil(queue, c); }
    static bool LastStateIs(const RecordingPlayer& p, int s) { return !p.states.empty() && p.states.back() == s; }

    TempTree tree;
    FakeEventQueue queue;
    EngineGate gate;
};

TEST_F(AudioEngineTest, CodesOutsideTheRangeAreRejectedAndNothingIsPosted) {
    auto player = makePlayer();
    EXPECT_EQ(player->SendCommand(0), -306);
    EXPECT_EQ(player->SendCommand(160), -306);
    EXPECT_EQ(player->SendCommand(audio::kPause), 0);
    // Only the pause reaches the engine: it is refused, nothing else is answered.
    ASSERT_TRUE(pumpUntil([&] { return !player->refused.empty(); }));
    player.reset();
    queue.runPending();
}

TEST_F(AudioEngineTest, PauseAndStopWithoutInputAreRefusedAndTheStateStays) {
    auto player = makePlayer();
    player->Pause();
    player->Stop();
    player->Play();  // nothing was ever opened
    ASSERT_TRUE(pumpUntil([&] { return player->refused.size() == 3; }));
    EXPECT_EQ(player->refused, (std::vector<std::pair<int, int>>{{5, -103}, {6, -103}, {4, -103}}));
    EXPECT_TRUE(player->states.empty());
}

TEST_F(AudioEngineTest, AWholeFileIsHeardInOrderAndEndsInStateThree) {
    auto player = makePlayer();
    player->OpenInput(tree.path("tones.mp3"));
    player->Play();
    ASSERT_TRUE(pumpUntil([&] { return LastStateIs(*player, audio::EndOfStream); }));
    EXPECT_EQ(player->states, (std::vector<int>{1, 3}));
    EXPECT_EQ(player->acknowledged, (std::vector<int>{8, 4}));
    player.reset();

    Capture heard = ReadCapture(capturePath());
    EXPECT_EQ(heard.rate, 44100);
    EXPECT_EQ(heard.channels, 2);
    // Exactly the encoded samples: no encoder delay, no padding, nothing twice.
    EXPECT_EQ(heard.frames(), 66150);
    EXPECT_EQ(PitchSequence(heard, 22050), (std::vector<int>{440, 880, 1320}));
}

TEST_F(AudioEngineTest, PauseHoldsThePlaceAndPlayGoesOnFromIt) {
    auto player = makePlayer();
    gate.holdAt(30000);  // inside the second tone
    player->OpenInput(tree.path("tones.mp3"));
    player->Play();
    ASSERT_TRUE(gate.waitHeld(queue));
    player->Pause();
    gate.release();
    ASSERT_TRUE(pumpUntil([&] { return LastStateIs(*player, audio::Paused); }));
    const std::int64_t atPause = gate.frames();
    EXPECT_LT(atPause, 66150);
    // Paused: nothing more is written while the engine waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(gate.frames(), atPause);

    player->Play();
    ASSERT_TRUE(pumpUntil([&] { return LastStateIs(*player, audio::EndOfStream); }));
    EXPECT_EQ(player->states, (std::vector<int>{1, 2, 1, 3}));
    player.reset();
    Capture heard = ReadCapture(capturePath());
    EXPECT_EQ(heard.frames(), 66150);
    EXPECT_EQ(PitchSequence(heard, 22050), (std::vector<int>{440, 880, 1320}));
}

TEST_F(AudioEngineTest, StopRewindsToTheBeginning) {
    auto player = makePlayer();
    gate.holdAt(30000);
    player->OpenInput(tree.path("tones.mp3"));
    player->Play();
    ASSERT_TRUE(gate.waitHeld(queue));
    player->Stop();
    gate.release();
    ASSERT_TRUE(pumpUntil([&] { return LastStateIs(*player, audio::Stopped); }));
    const std::int64_t atStop = gate.frames();
    player->Play();
    ASSERT_TRUE(pumpUntil([&] { return LastStateIs(*player, audio::EndOfStream); }));
    EXPECT_EQ(player->states, (std::vector<int>{1, 0, 1, 3}));
    player.reset();

    Capture heard = ReadCapture(capturePath());
    ASSERT_EQ(heard.frames(), atStop + 66150);
    // After the stop the whole file is heard again from its first tone.
    Capture after;
    after.rate = heard.rate;
    after.channels = heard.channels;
    after.samples.assign(heard.samples.begin() + atStop * 2, heard.samples.end());
    EXPECT_EQ(PitchSequence(after, 22050), (std::vector<int>{440, 880, 1320}));
}

TEST_F(AudioEngineTest, OpeningASecondFileWhilePlayingGoesOnWithIt) {
    ASSERT_TRUE(MakeToneMp3(tree.path("high.mp3"), {{1764, 44100}}));
    auto player = makePlayer();
    gate.holdAt(10000);  // inside the first tone
    player->OpenInput(tree.path("tones.mp3"));
    player->Play();
    ASSERT_TRUE(gate.waitHeld(queue));
    player->OpenInput(tree.path("high.mp3"));
    gate.release();
    ASSERT_TRUE(pumpUntil([&] { return LastStateIs(*player, audio::EndOfStream); }));
    EXPECT_EQ(player->states, (std::vector<int>{1, 3}));
    player.reset();

    Capture heard = ReadCapture(capturePath());
    ASSERT_GT(heard.frames(), 44100);
    const std::int64_t switchedAt = heard.frames() - 44100;
    // The first file was heard up to where the engine was held, then the second whole.
    EXPECT_GE(switchedAt, 10000);
    EXPECT_LT(switchedAt, 22050);
    EXPECT_EQ(Rounded(testing::PitchAt(heard, 1000, 8000)), 440);
    EXPECT_EQ(Rounded(testing::PitchAt(heard, switchedAt + 1000, 40000)), 1760);
}

TEST_F(AudioEngineTest, PlayAfterCloseInputOpensTheLastInputAgain) {
    auto player = makePlayer();
    player->OpenInput(tree.path("tones.mp3"));
    player->CloseInput();
    player->Play();
    ASSERT_TRUE(pumpUntil([&] { return LastStateIs(*player, audio::EndOfStream); }));
    EXPECT_EQ(player->states, (std::vector<int>{0, 1, 3}));
    player.reset();
    EXPECT_EQ(ReadCapture(capturePath()).frames(), 66150);
}

TEST_F(AudioEngineTest, FilesThatAreNoMusicAreRefusedWithoutASound) {
    std::string real;
    {
        std::ifstream in(tree.path("tones.mp3"), std::ios::binary);
        real.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(real.size(), 4000u);
    // An ID3 tag alone: header, then 100 bytes of tag data.
    std::string id3 = std::string("ID3\x03\x00\x00\x00\x00\x00\x64", 10) + std::string(100, '\0');
    const std::vector<std::string> bad = {
        tree.file("empty.mp3", ""),
        tree.file("tagonly.mp3", id3),
        tree.file("picture.mp3", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(5000, 'Q')),
        tree.folder("folder.mp3"),
        tree.path("missing.mp3"),
    };
    const std::string fifo = tree.path("fifo.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    auto player = makePlayer();
    for (const auto& path : bad) {
        player->OpenInput(path);
        player->Play();
    }
    player->OpenInput(fifo);
    player->Play();
    const size_t expected = 2 * (bad.size() + 1);
    ASSERT_TRUE(pumpUntil([&] { return player->refused.size() == expected; }));
    for (size_t i = 0; i < expected; i += 2) {
        EXPECT_EQ(player->refused[i], (std::pair<int, int>{8, audio::kErrCannotOpenInput}));
        EXPECT_EQ(player->refused[i + 1], (std::pair<int, int>{4, audio::kErrCannotOpenInput}));
    }
    EXPECT_TRUE(player->states.empty());
}

TEST_F(AudioEngineTest, AFileCutShortPlaysWhatItHasThenEnds) {
    std::string real;
    {
        std::ifstream in(tree.path("tones.mp3"), std::ios::binary);
        real.assign(std::istreambuf_iterator<char>(in), {});
    }
    tree.file("cut.mp3", real.substr(0, real.size() / 2));
    auto player = makePlayer();
    player->OpenInput(tree.path("cut.mp3"));
    player->Play();
    ASSERT_TRUE(pumpUntil([&] { return LastStateIs(*player, audio::EndOfStream); }));
    player.reset();
    Capture heard = ReadCapture(capturePath());
    // Roughly the first half: all of the first tone, then the file ends.
    EXPECT_GT(heard.frames(), 22050);
    EXPECT_LT(heard.frames(), 44100);
    EXPECT_EQ(PitchSequence(heard, 22050).front(), 440);
}

TEST_F(AudioEngineTest, WithoutAnOutputPlayIsRefusedAndNothingBlocks) {
    RecordingPlayer player(queue, AudioOutputSpec{"no-such-output", ""});
    player.OpenInput(tree.path("tones.mp3"));
    player.Play();
    ASSERT_TRUE(pumpUntil([&] { return player.refused.size() == 1; }));
    EXPECT_EQ(player.refused[0], (std::pair<int, int>{4, audio::kErrNoOutput}));
    EXPECT_TRUE(player.states.empty());
}

TEST_F(AudioEngineTest, NotificationsAfterThePlayerIsGoneAreNeverDelivered) {
    auto player = makePlayer();
    player->OpenInput(tree.path("tones.mp3"));
    player->Play();
    player.reset();  // while the engine may still be answering
    EXPECT_EQ(queue.runPending(), 0);
}

}  // namespace
}  // namespace vellumo
