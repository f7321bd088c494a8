// The viewer's sound: background music started at the end of start-up,
// commands 134 to 139, and the sound comment of a shown photo, heard through
// libout123's "wav" writer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <thread>

#include "app/ViewerRig.h"
#include "fakes/SoundFiles.h"

using namespace vellumo;
using vellumo::testing::EngineGate;
using vellumo::testing::ReadCapture;
using vellumo::testing::TempTree;
using vellumo::testing::Viewer;

namespace {

// A 4 x 2 pixel photo.
std::string TinyBmp() { return vellumo::testing::Bmp(4, 2, 0, 0, 0); }

// The viewer started on an archive file holding ini, its music and sound
// comments heard in files of the folder, the music held at the gate.
struct SoundViewer : Viewer {
    EngineGate& gate;
    SoundViewer(const TempTree& folder, EngineGate& g, const std::string& ini, std::vector<std::string> args = {})
        : Viewer(folder, std::move(args),
                 [&](Viewer& v) {
                     folder.file("vellumo.ini", ini);
                     v.app->soundOutputs.music = {"wav", folder.path("music-heard.wav")};
                     v.app->soundOutputs.soundComments = {"wav", folder.path("comment-heard.wav")};
                     v.app->soundOutputs.musicBlockWritten = g.callback();
                 }),
          gate(g) {
        queue.runPending();
    }
    // The music's worker may wait at the gate: it goes on to its end.
    ~SoundViewer() { gate.release(); }
    void command(int c) {
        queue.post(app->viewer(), c);
        queue.runPending();
    }
    bool pumpUntil(const std::function<bool()>& c) { return EngineGate::PumpUntil(queue, c); }
};

TEST(ViewerSound, MusicStartsAtTheEndOfStartUpAndTheCommandsPauseAndResumeIt) {
    TempTree folder;
    EngineGate gate;
    ASSERT_TRUE(vellumo::testing::MakeToneMp3(folder.path("Tune.MP3"), {{441, 88200}}));
    gate.holdAt(11025);
    SoundViewer v(folder, gate, "[Music Settings]\r\nMusic=1\r\nMusicPresent=a\r\n");
    MusicPlayer& music = *v.app->musicPlayer();
    ASSERT_TRUE(music.hasFiles());
    EXPECT_EQ(music.currentFile(), folder.path("Tune.MP3"));
    ASSERT_TRUE(gate.waitHeld(v.queue));
    EXPECT_TRUE(music.isPlaying());
    EXPECT_EQ(music.musicFileName(), "Tune.MP3");

    v.command(139);  // music off: pause
    gate.release();
    ASSERT_TRUE(v.pumpUntil([&] { return music.playerState() == 2; }));
    EXPECT_EQ(music.musicFileName(), "");
    const std::int64_t paused = gate.frames();
    gate.holdAt(paused + 11025);
    v.command(137);  // toggle: resume
    ASSERT_TRUE(gate.waitHeld(v.queue));
    EXPECT_EQ(music.playerState(), 1);
}

TEST(ViewerSound, MusicOffInTheSettingsLeavesItSilentUntilACommand) {
    TempTree folder;
    EngineGate gate;
    ASSERT_TRUE(vellumo::testing::MakeToneMp3(folder.path("a.mp3"), {{441, 44100}}));
    gate.holdAt(1);
    SoundViewer v(folder, gate, "[Music Settings]\r\nMusic=0\r\n");
    MusicPlayer& music = *v.app->musicPlayer();
    ASSERT_TRUE(music.hasFiles());
    EXPECT_EQ(music.playerState(), 0);
    v.command(138);  // music on
    ASSERT_TRUE(gate.waitHeld(v.queue));
    EXPECT_EQ(music.playerState(), 1);
}

// 134 toggles, 135 switches on, 136 off, each from either position: the
// setting, the SOUND tags of the shown comment, and the sound of the photo,
// which ends when the switch goes off and plays on otherwise.
TEST(ViewerSound, SoundCommentCommandsSwitchTheSettingTheTagsAndStopTheSound) {
    TempTree folder;
    EngineGate gate;
    folder.file("photos/one.bmp", TinyBmp());
    folder.file("photos/vellumo.txt", "<SOUND>on</SOUND><!SOUND>off</!SOUND>");
    // Ten seconds: it plays through the commands.
    ASSERT_TRUE(vellumo::testing::WriteWav(folder.path("photos/one.wav"), vellumo::testing::ToneSamples({{441, 441000}})));
    const std::string photo = folder.path("photos/one.bmp");
    SoundViewer v(folder, gate, "", {photo});
    ViewerWindow& viewer = v.viewer();
    SoundCommentPlayer& sounds = v.app->musicPlayer()->soundComments();
    viewer.showPhoto(photo);  // its sound anew: the start-up has run the queue
    ASSERT_TRUE(sounds.playing());
    struct Step {
        int command;
        int on;          // the setting afterwards
        bool replay;     // the photo shown again (its sound playing) before the command
    };
    for (const Step& step : {Step{135, 1, false}, Step{134, 0, false}, Step{136, 0, false}, Step{134, 1, false},
                             Step{136, 0, true}, Step{135, 1, false}}) {
        SCOPED_TRACE(step.command);
        if (step.replay) {
            viewer.showPhoto(photo);
            ASSERT_TRUE(sounds.playing());
        }
        // Run at once, not through the queue: a sound's end is reported
        // through the queue, so nothing but the command ends it here.
        const bool wasPlaying = sounds.playing();
        viewer.onCommand(step.command, 1);
        EXPECT_EQ(v.settings().PlaySoundCommentToPhoto, step.on);
        EXPECT_EQ(viewer.comments().shownComment(), step.on ? "on" : "off");
        EXPECT_EQ(sounds.playing(), wasPlaying && step.on == 1);
    }
    EXPECT_TRUE(v.desktop.beeps.empty());
}

TEST(ViewerSound, AShownPhotoPlaysItsSoundCommentUnlessCtrlIsHeld) {
    TempTree folder;
    EngineGate gate;
    folder.file("photos/one.bmp", TinyBmp());
    folder.file("photos/two.bmp", TinyBmp());
    std::vector<short> samples = vellumo::testing::ToneSamples({{441, 8820}}, 22050, 1);
    ASSERT_TRUE(vellumo::testing::WriteWav(folder.path("photos/ONE.WAV"), samples, 22050, 1));
    SoundViewer v(folder, gate, "");
    SoundCommentPlayer& sounds = v.app->musicPlayer()->soundComments();

    v.desktop.keysDown.insert(0x11);
    v.app->viewer()->showPhoto(folder.path("photos/one.bmp"));
    EXPECT_FALSE(sounds.playing());
    v.desktop.keysDown.clear();

    v.app->viewer()->showPhoto(folder.path("photos/one.bmp"));
    EXPECT_TRUE(sounds.playing());
    EXPECT_FALSE(sounds.holds());  // no slideshow: the viewer does not wait
    ASSERT_TRUE(v.pumpUntil([&] { return !sounds.playing(); }));
    EXPECT_EQ(ReadCapture(folder.path("comment-heard.wav")).samples, samples);

    // Switched off: the next photo's sound stays silent.
    v.command(136);
    v.app->viewer()->showPhoto(folder.path("photos/one.bmp"));
    EXPECT_FALSE(sounds.playing());
}

TEST(ViewerSound, InARunningSlideshowTheSoundCommentHoldsTheNextStep) {
    TempTree folder;
    EngineGate gate;
    folder.file("photos/one.bmp", TinyBmp());
    ASSERT_TRUE(vellumo::testing::WriteWav(folder.path("photos/one.wav"),
                                           vellumo::testing::ToneSamples({{441, 4410}}, 22050, 1), 22050, 1));
    SoundViewer v(folder, gate, "");
    MusicPlayer& music = *v.app->musicPlayer();
    music.OnSlideshowStart();
    v.app->viewer()->showPhoto(folder.path("photos/one.bmp"));
    EXPECT_TRUE(music.soundCommentHolds());
    bool stepped = false;
    music.whenSoundCommentEnds([&] { stepped = true; });
    EXPECT_FALSE(stepped);
    ASSERT_TRUE(v.pumpUntil([&] { return stepped; }));
    EXPECT_FALSE(music.soundCommentHolds());
}

}  // namespace

TEST(ViewerSound, TheStartPicturesSoundIsHeardBeforeTheMusicStarts) {
    TempTree folder;
    EngineGate gate;
    folder.file("vellumo.bmp", TinyBmp());
    ASSERT_TRUE(vellumo::testing::WriteWav(folder.path("vellumo.wav"),
                                           vellumo::testing::ToneSamples({{441, 4410}}, 22050, 1), 22050, 1));
    ASSERT_TRUE(vellumo::testing::MakeToneMp3(folder.path("tune.mp3"), {{882, 11025}}));
    // The sound comment output is a pipe nobody reads yet: the start picture's
    // sound cannot end before the test reads it.
    ASSERT_EQ(mkfifo(folder.path("comment-heard.wav").c_str(), 0600), 0);
    gate.holdAt(1);
    SoundViewer v(folder, gate, "[General Settings]\r\nPlaySoundCommentToPhoto=0\r\n[Music Settings]\r\nMusic=1\r\n");
    MusicPlayer& music = *v.app->musicPlayer();
    EXPECT_TRUE(music.soundCommentHolds());
    EXPECT_FALSE(music.hasFiles());  // the music has not been started

    std::thread reader([&] {
        std::ifstream pipe(folder.path("comment-heard.wav"), std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(pipe)), {});
    });
    reader.join();  // the whole sound went through the pipe
    ASSERT_TRUE(gate.waitHeld(v.queue));
    EXPECT_FALSE(music.soundCommentHolds());
    EXPECT_TRUE(music.hasFiles());
    EXPECT_EQ(music.playerState(), 1);
}
