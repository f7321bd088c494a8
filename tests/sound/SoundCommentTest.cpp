// Sound comments: when they play, whether the slideshow waits for them, and
// what is heard through libout123's "wav" writer, broken files included.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "fakes/FakeEventQueue.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempTree.h"
#include "sound/SoundComment.h"

namespace vellumo {
namespace {

using testing::Capture;
using testing::EngineGate;
using testing::ReadCapture;
using testing::TempTree;
using Kind = SoundCommentAction::Kind;

SoundCommentAction Decide(const std::string& photo, SoundCommentSituation s, bool exists = true) {
    return DecideSoundComment(photo, s, [exists](const std::string&) { return exists; });
}

TEST(SoundCommentDecision, PlaysTheWavBesideThePhotoWaitingOnlyInARunningSlideshowOrForTheStartPicture) {
    SoundCommentSituation browsing;
    auto a = Decide("/disc/trip/img_1.jpg", browsing);
    EXPECT_EQ(a.kind, Kind::Play);
    EXPECT_EQ(a.path, "/disc/trip/img_1.wav");
    EXPECT_FALSE(a.waitForEnd);

    SoundCommentSituation show;
    show.slideshowStepping = true;
    EXPECT_TRUE(Decide("/disc/a.b.tif", show).waitForEnd);
    EXPECT_EQ(Decide("/disc/a.b.tif", show).path, "/disc/a.b.wav");

    SoundCommentSituation start;
    start.noPhoto = true;
    start.commentsOn = false;  // the start picture's sound plays even with sound comments off
    a = Decide("/opt/vellumo/vellumo.bmp", start);
    EXPECT_EQ(a.kind, Kind::Play);
    EXPECT_EQ(a.path, "/opt/vellumo/vellumo.wav");
    EXPECT_TRUE(a.waitForEnd);
}

TEST(SoundCommentDecision, OffCtrlAndMissingFiles) {
    SoundCommentSituation off;
    off.commentsOn = false;
    EXPECT_EQ(Decide("/d/x.jpg", off).kind, Kind::Nothing);

    // Ctrl held: nothing plays and a sound still playing goes on.
    SoundCommentSituation ctrl;
    ctrl.ctrlDown = true;
    EXPECT_EQ(Decide("/d/x.jpg", ctrl).kind, Kind::Nothing);
    EXPECT_EQ(Decide("/d/x.jpg", ctrl, false).kind, Kind::Nothing);

    // No sound of its own: the one still playing stops.
    EXPECT_EQ(Decide("/d/x.jpg", {}, false).kind, Kind::StopPlaying);
    EXPECT_EQ(Decide("", {}).kind, Kind::Nothing);
}

TEST(SoundCommentDecision, ASoundNamedOnWindowsIsFoundInAnyCase) {
    TempTree tree;
    tree.file("IMG_1.WAV");
    EXPECT_EQ(SoundCommentPath(tree.path("img_1.jpg")), tree.path("IMG_1.WAV"));
    EXPECT_EQ(SoundCommentPath(tree.path("noext")), tree.path("noext.wav"));
}

class SoundCommentPlayerTest : public ::testing::Test {
protected:
    std::string capture() const { return tree.path("heard.wav"); }
    bool pumpUntil(const std::function<bool()>& c) { return EngineGate::PumpUntil(queue, c); }
    TempTree tree;
    FakeEventQueue queue;
};

TEST_F(SoundCommentPlayerTest, AHoldingSoundIsHeardWholeBeforeTheWaitingStepRuns) {
    // Mono, 22050 Hz: 0.2 s at 441 Hz then 0.2 s at 1102.5 Hz.
    std::vector<short> samples = testing::ToneSamples({{441, 4410}, {1102, 4410}}, 22050, 1);
    ASSERT_TRUE(testing::WriteWav(tree.path("img.wav"), samples, 22050, 1));
    SoundCommentPlayer player(queue, {"wav", capture()});
    player.play(tree.path("img.wav"), true);
    EXPECT_TRUE(player.holds());
    bool stepped = false;
    player.whenFinished([&] { stepped = true; });
    EXPECT_FALSE(stepped);
    ASSERT_TRUE(pumpUntil([&] { return stepped; }));
    EXPECT_FALSE(player.holds());
    EXPECT_FALSE(player.playing());

    Capture heard = ReadCapture(capture());
    EXPECT_EQ(heard.rate, 22050);
    EXPECT_EQ(heard.channels, 1);
    EXPECT_EQ(heard.samples, samples);  // every sample, in order
}

TEST_F(SoundCommentPlayerTest, AnAsynchronousSoundHoldsNothing) {
    ASSERT_TRUE(testing::WriteWav(tree.path("a.wav"), testing::ToneSamples({{441, 44100}})));
    SoundCommentPlayer player(queue, {"wav", capture()});
    player.play(tree.path("a.wav"), false);
    EXPECT_TRUE(player.playing());
    EXPECT_FALSE(player.holds());
    bool stepped = false;
    player.whenFinished([&] { stepped = true; });
    EXPECT_TRUE(stepped);
    ASSERT_TRUE(pumpUntil([&] { return !player.playing(); }));
    EXPECT_EQ(ReadCapture(capture()).frames(), 44100);
}

TEST_F(SoundCommentPlayerTest, StoppingReleasesTheWaitingStep) {
    // Ten seconds, so the stop comes while it plays.
    ASSERT_TRUE(testing::WriteWav(tree.path("long.wav"), testing::ToneSamples({{441, 441000}})));
    SoundCommentPlayer player(queue, {"wav", capture()});
    player.play(tree.path("long.wav"), true);
    bool stepped = false;
    player.whenFinished([&] { stepped = true; });
    player.stop();
    EXPECT_FALSE(player.holds());
    ASSERT_TRUE(pumpUntil([&] { return stepped; }));
}

TEST_F(SoundCommentPlayerTest, BrokenAndForeignFilesEndAtOnceInSilence) {
    // A RIFF header with 0 channels, one claiming 10 GB of data, one cut
    // inside its header, text named .wav, a folder and a missing file.
    auto header = [](std::uint16_t channels, std::uint32_t dataBytes) {
        std::string h = "RIFF";
        auto u32 = [&h](std::uint32_t v) { for (int i = 0; i < 4; ++i) h += static_cast<char>((v >> (8 * i)) & 0xFF); };
        auto u16 = [&h](std::uint16_t v) { h += static_cast<char>(v & 0xFF); h += static_cast<char>(v >> 8); };
        u32(36 + dataBytes);
        h += "WAVEfmt ";
        u32(16);
        u16(1);
        u16(channels);
        u32(44100);
        u32(44100u * 2u * channels);
        u16(static_cast<std::uint16_t>(2 * channels));
        u16(16);
        h += "data";
        u32(dataBytes);
        return h;
    };
    std::string fourSamples(8, '\x10');
    const std::vector<std::string> files = {
        tree.file("zero.wav", header(0, 8) + fourSamples),
        tree.file("huge.wav", header(2, 0xFFFFFFF0u) + fourSamples),
        tree.file("cut.wav", header(2, 8).substr(0, 20)),
        tree.file("text.wav", "just some text, no sound"),
        tree.folder("folder.wav"),
        tree.path("missing.wav"),
    };
    SoundCommentPlayer player(queue, {"wav", capture()});
    for (const auto& f : files) {
        player.play(f, true);
        bool stepped = false;
        player.whenFinished([&] { stepped = true; });
        ASSERT_TRUE(pumpUntil([&] { return stepped; })) << f;
    }
    // The huge one holds two stereo frames, and they are all there is to hear.
    player.play(files[1], true);
    ASSERT_TRUE(pumpUntil([&] { return !player.playing(); }));
    EXPECT_LE(ReadCapture(capture()).frames(), 2);
}

TEST_F(SoundCommentPlayerTest, WithoutADeviceNothingHoldsForLong) {
    ASSERT_TRUE(testing::WriteWav(tree.path("a.wav"), testing::ToneSamples({{441, 4410}})));
    SoundCommentPlayer player(queue, {"no-such-output", ""});
    player.play(tree.path("a.wav"), true);
    bool stepped = false;
    player.whenFinished([&] { stepped = true; });
    ASSERT_TRUE(pumpUntil([&] { return stepped; }));
}

TEST_F(SoundCommentPlayerTest, PlaySoundCommentStopsTheLastSoundWhenTheNextPhotoHasNone) {
    ASSERT_TRUE(testing::WriteWav(tree.path("p1.wav"), testing::ToneSamples({{441, 441000}})));
    tree.file("p1.jpg");
    tree.file("p2.jpg");
    SoundCommentPlayer player(queue, {"wav", capture()});
    SoundCommentSituation browsing;
    PlaySoundComment(tree.path("p1.jpg"), browsing, player);
    EXPECT_TRUE(player.playing());
    SoundCommentSituation ctrl;
    ctrl.ctrlDown = true;
    PlaySoundComment(tree.path("p2.jpg"), ctrl, player);
    EXPECT_TRUE(player.playing());  // Ctrl: the sound goes on
    PlaySoundComment(tree.path("p2.jpg"), browsing, player);
    EXPECT_FALSE(player.playing());
}

}  // namespace
}  // namespace vellumo
