#pragma once
// Background music: the files matching MusicSearchMask play one after the
// other, in sorted or random order, always or only during slideshows, through
// the audio engine. Also the owner of the sound comment player.
//
// Who calls what:
//   start-up finished          -> StartMusic()
//   a slideshow starts / ends  -> OnSlideshowStart() / OnSlideshowEnd()
//                                 (small and total alike, paused or not)
//   commands 137, 138, 139     -> ToggleMusic(), MusicOn(), MusicOff()
//   settings scopes            -> settingsChanged() -> ApplyMusicSettings(music word)
//   the engine                 -> OnPlayerState(), OnInputAdvanced() (through
//                                 the event queue)
//   the slideshow step         -> soundCommentHolds() / whenSoundCommentEnds(step):
//                                 a sound comment that must be heard to its end
//                                 holds the next step
//   music macros and menu      -> the const queries below
//
// Commands act only when there are music files; they never change the Music
// setting. The player state is the last one the engine reported.
//
// The file that follows the current one is chosen when the current one is
// opened and queued in the engine, which opens it ahead and goes on with it
// without a pause when the current one ends (OnInputAdvanced); only when it
// cannot (the next file is broken) does the end of a file come as the state
// "end of file", and the next file is opened then.
#include <functional>
#include <string>
#include <vector>

#include "audio/XaudioPlayer.h"
#include "config/ScopeStack.h"
#include "config/Settings.h"
#include "slideshow/ShuffleBag.h"
#include "sound/SoundCommentPlayer.h"

namespace vellumo {

struct MusicPlayerHooks {
    // The current settings record.
    std::function<const Settings&()> settings;
    // Runs CommandsAfterMusicFileEnd.
    std::function<void(const CommandList&)> runCommandList;
    // The player state changed: texts that may show the music macros are redrawn.
    std::function<void()> stateChanged;
};

// Where the music and the sound comments are heard (default: the desktop's output).
struct SoundOutputs {
    AudioOutputSpec music;
    AudioOutputSpec soundComments;
    AudioEngine::BlockWritten musicBlockWritten;  // see AudioEngine
};

// Lists the regular files matching the mask's last component (ignoring case)
// in the mask's folder, as full paths, sorted ignoring case.
std::vector<std::string> ListMusicFiles(const std::string& mask);

class MusicPlayer : public XaudioPlayer, public SettingsChangeListener {
public:
    MusicPlayer(EventQueue& queue, MusicPlayerHooks hooks, SoundOutputs outputs = {});
    ~MusicPlayer() override;

    void StartMusic();
    void OnSlideshowStart();
    void OnSlideshowEnd();
    void ToggleMusic();
    void MusicOn();
    void MusicOff();
    // The music word of a change set: 1 Music, 2 MusicPresent, 4 MusicSearchMask, 8 MusicRandom.
    void ApplyMusicSettings(std::uint32_t mask);
    void settingsChanged(const SettingsChangeSet& changes, int scopeKind) override;

    // ---- queries ----
    int playerState() const { return state_; }
    bool isPlaying() const { return state_ == 1; }
    bool inSlideshow() const { return inSlideshow_; }
    bool hasFiles() const { return !files_.empty(); }
    const std::vector<std::string>& files() const { return files_; }
    int currentIndex() const { return currentIndex_; }
    // Full path of the file last opened ("" before any).
    const std::string& currentFile() const { return currentFile_; }
    // The playing file's name, and that name without its last extension;
    // both empty unless music plays.
    std::string musicFileName() const;
    std::string musicShortFileName() const;

    // ---- sound comments ----
    SoundCommentPlayer& soundComments() { return soundComments_; }
    bool soundCommentHolds() const { return soundComments_.holds(); }
    void whenSoundCommentEnds(std::function<void()> step) { soundComments_.whenFinished(std::move(step)); }

protected:
    void OnPlayerState(int state) override;
    void OnInputAdvanced(int number) override;

private:
    const Settings& settings() const { return hooks_.settings(); }
    void ScanMusic(const std::string& mask);
    void ChooseAndOpen(int index);
    int firstIndex();
    // The index that follows the current file (drawn from the bag in random order).
    int followingIndex();
    // Chooses the file that follows the current one and queues it in the engine.
    void queueNext();

    MusicPlayerHooks hooks_;
    SoundCommentPlayer soundComments_;
    int state_ = 0;
    std::vector<std::string> files_;
    ShuffleBag bag_;
    int currentIndex_ = 0;
    bool inSlideshow_ = false;
    std::string currentFile_;
    // The index of the file last opened survives rescans of the folder.
    int lastIndex_ = 0;
    bool lastIndexValid_ = false;
    // The file queued to follow the current one (-1: none) and the number it
    // was queued with; an advance with another number is an old one.
    int queuedIndex_ = -1;
    std::int32_t queuedNumber_ = 0;
};

}  // namespace vellumo
