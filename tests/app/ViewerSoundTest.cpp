// The viewer's sound: background music started at the end of start-up,
// commands 134 to 139, and the sound comment of a shown photo, heard through
// libout123's "wav" writer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <thread>

#include "app/ViewerApp.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeEventQueue.h"
#include "fakes/FakeNavigatorPanel.h"
#include "fakes/FakeWindowHost.h"
#include "fakes/SoundFiles.h"
#include "fakes/TempTree.h"
#include "platform/Drives.h"
#include "platform/Paths.h"

using namespace vellumo;
using vellumo::testing::EngineGate;
using vellumo::testing::ReadCapture;
using vellumo::testing::TempTree;

namespace {

// A 4 x 2 pixel 24-bit BMP.
std::string TinyBmp() {
    std::string f(54 + 2 * 12, '\0');
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 4);
    put32(22, 2);
    f[26] = 1;
    f[28] = 24;
    return f;
}

struct SoundViewer {
    TempTree folder;
    FakeEventQueue queue;
    FakeDesktop desktop;
    FakeWindowHost host;
    FakeNavigatorPanel panel;
    EngineGate gate;
    std::unique_ptr<ViewerApp> app;

    void start(const std::string& ini, std::vector<std::string> args = {}) {
        folder.file("vellumo.ini", ini);
        app = std::make_unique<ViewerApp>(queue, desktop, host, panel,
                                          ProgramLocation::FromExecutable(folder.path("vellumo"), ListDrives()));
        app->soundOutputs.music = {"wav", folder.path("music-heard.wav")};
        app->soundOutputs.soundComments = {"wav", folder.path("comment-heard.wav")};
        app->soundOutputs.musicBlockWritten = gate.callback();
        ASSERT_TRUE(app->start(args, folder.root()));
        app->viewer()->prefetcher().setRunInline(true);
        queue.runPending();
    }
    ~SoundViewer() {
        gate.release();
        if (app) app->exit();
        app.reset();
    }
    Settings& settings() { return app->scopes().current(); }
    void command(int c) {
        queue.post(app->viewer(), c);
        queue.runPending();
    }
    bool pumpUntil(const std::function<bool()>& c) { return EngineGate::PumpUntil(queue, c); }
};

TEST(ViewerSound, MusicStartsAtTheEndOfStartUpAndTheCommandsPauseAndResumeIt) {
    SoundViewer v;
    ASSERT_TRUE(vellumo::testing::MakeToneMp3(v.folder.path("Tune.MP3"), {{441, 88200}}));
    v.gate.holdAt(11025);
    v.start("[Music Settings]\r\nMusic=1\r\nMusicPresent=a\r\n");
    MusicPlayer& music = *v.app->musicPlayer();
    ASSERT_TRUE(music.hasFiles());
    EXPECT_EQ(music.currentFile(), v.folder.path("Tune.MP3"));
    ASSERT_TRUE(v.gate.waitHeld(v.queue));
    EXPECT_TRUE(music.isPlaying());
    EXPECT_EQ(music.musicFileName(), "Tune.MP3");

    v.command(139);  // music off: pause
    v.gate.release();
    ASSERT_TRUE(v.pumpUntil([&] { return music.playerState() == 2; }));
    EXPECT_EQ(music.musicFileName(), "");
    const std::int64_t paused = v.gate.frames();
    v.gate.holdAt(paused + 11025);
    v.command(137);  // toggle: resume
    ASSERT_TRUE(v.gate.waitHeld(v.queue));
    EXPECT_EQ(music.playerState(), 1);
}

TEST(ViewerSound, MusicOffInTheSettingsLeavesItSilentUntilACommand) {
    SoundViewer v;
    ASSERT_TRUE(vellumo::testing::MakeToneMp3(v.folder.path("a.mp3"), {{441, 44100}}));
    v.gate.holdAt(1);
    v.start("[Music Settings]\r\nMusic=0\r\n");
    MusicPlayer& music = *v.app->musicPlayer();
    ASSERT_TRUE(music.hasFiles());
    EXPECT_EQ(music.playerState(), 0);
    v.command(138);  // music on
    ASSERT_TRUE(v.gate.waitHeld(v.queue));
    EXPECT_EQ(music.playerState(), 1);
}

TEST(ViewerSound, SoundCommentCommandsSwitchTheSettingAndStopTheSound) {
    SoundViewer v;
    v.start("");
    EXPECT_EQ(v.settings().PlaySoundCommentToPhoto, 1);
    v.command(135);
    EXPECT_EQ(v.settings().PlaySoundCommentToPhoto, 1);
    v.command(134);
    EXPECT_EQ(v.settings().PlaySoundCommentToPhoto, 0);
    v.command(136);
    EXPECT_EQ(v.settings().PlaySoundCommentToPhoto, 0);
    v.command(135);
    EXPECT_EQ(v.settings().PlaySoundCommentToPhoto, 1);
    v.command(136);
    EXPECT_EQ(v.settings().PlaySoundCommentToPhoto, 0);
    // None of them beeps.
    EXPECT_TRUE(v.desktop.beeps.empty());
}

TEST(ViewerSound, AShownPhotoPlaysItsSoundCommentUnlessCtrlIsHeld) {
    SoundViewer v;
    v.folder.file("photos/one.bmp", TinyBmp());
    v.folder.file("photos/two.bmp", TinyBmp());
    std::vector<short> samples = vellumo::testing::ToneSamples({{441, 8820}}, 22050, 1);
    ASSERT_TRUE(vellumo::testing::WriteWav(v.folder.path("photos/ONE.WAV"), samples, 22050, 1));
    v.start("");
    SoundCommentPlayer& sounds = v.app->musicPlayer()->soundComments();

    v.desktop.keysDown.insert(0x11);
    v.app->viewer()->showPhoto(v.folder.path("photos/one.bmp"));
    EXPECT_FALSE(sounds.playing());
    v.desktop.keysDown.clear();

    v.app->viewer()->showPhoto(v.folder.path("photos/one.bmp"));
    EXPECT_TRUE(sounds.playing());
    EXPECT_FALSE(sounds.holds());  // no slideshow: the viewer does not wait
    ASSERT_TRUE(v.pumpUntil([&] { return !sounds.playing(); }));
    EXPECT_EQ(ReadCapture(v.folder.path("comment-heard.wav")).samples, samples);

    // Switched off: the next photo's sound stays silent.
    v.command(136);
    v.app->viewer()->showPhoto(v.folder.path("photos/one.bmp"));
    EXPECT_FALSE(sounds.playing());
}

TEST(ViewerSound, InARunningSlideshowTheSoundCommentHoldsTheNextStep) {
    SoundViewer v;
    v.folder.file("photos/one.bmp", TinyBmp());
    ASSERT_TRUE(vellumo::testing::WriteWav(v.folder.path("photos/one.wav"),
                                           vellumo::testing::ToneSamples({{441, 4410}}, 22050, 1), 22050, 1));
    v.start("");
    MusicPlayer& music = *v.app->musicPlayer();
    music.OnSlideshowStart();
    v.app->viewer()->showPhoto(v.folder.path("photos/one.bmp"));
    EXPECT_TRUE(music.soundCommentHolds());
    bool stepped = false;
    music.whenSoundCommentEnds([&] { stepped = true; });
    EXPECT_FALSE(stepped);
    ASSERT_TRUE(v.pumpUntil([&] { return stepped; }));
    EXPECT_FALSE(music.soundCommentHolds());
}

}  // namespace

TEST(ViewerSound, TheStartPicturesSoundIsHeardBeforeTheMusicStarts) {
    SoundViewer v;
    v.folder.file("vellumo.bmp", TinyBmp());
    ASSERT_TRUE(vellumo::testing::WriteWav(v.folder.path("vellumo.wav"),
                                           vellumo::testing::ToneSamples({{441, 4410}}, 22050, 1), 22050, 1));
    ASSERT_TRUE(vellumo::testing::MakeToneMp3(v.folder.path("tune.mp3"), {{882, 11025}}));
    // The sound comment output is a pipe nobody reads yet: the start picture's
    // sound cannot end before the test reads it.
    ASSERT_EQ(mkfifo(v.folder.path("comment-heard.wav").c_str(), 0600), 0);
    v.gate.holdAt(1);
    v.start("[General Settings]\r\nPlaySoundCommentToPhoto=0\r\n[Music Settings]\r\nMusic=1\r\n");
    MusicPlayer& music = *v.app->musicPlayer();
    EXPECT_TRUE(music.soundCommentHolds());
    EXPECT_FALSE(music.hasFiles());  // the music has not been started

    std::thread reader([&] {
        std::ifstream pipe(v.folder.path("comment-heard.wav"), std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(pipe)), {});
    });
    reader.join();  // the whole sound went through the pipe
    ASSERT_TRUE(v.gate.waitHeld(v.queue));
    EXPECT_FALSE(music.soundCommentHolds());
    EXPECT_TRUE(music.hasFiles());
    EXPECT_EQ(music.playerState(), 1);
}
