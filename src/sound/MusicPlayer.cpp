#include "sound/MusicPlayer.h"

#include <algorithm>

#include "audio/PlayerProtocol.h"
#include "platform/FileMask.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

bool Random(const Settings& s) { return s.MusicRandom == 1; }

}  // namespace

std::vector<std::string> ListMusicFiles(const std::string& mask) {
    std::vector<std::string> files;
    const size_t slash = mask.rfind('/');
    if (slash == std::string::npos) return files;
    const std::string folder = slash == 0 ? std::string("/") : mask.substr(0, slash);
    const std::string pattern = mask.substr(slash + 1);
    if (pattern.empty()) return files;
    for (const std::string& name : ListFolderNames(folder)) {
        if (!MatchesFileMask(name, pattern)) continue;
        std::string path = JoinPath(folder, name);
        // Folders named like music are no music.
        if (IsRegularFile(path)) files.push_back(std::move(path));
    }
    std::sort(files.begin(), files.end(), LessNoCase());
    return files;
}

MusicPlayer::MusicPlayer(EventQueue& queue, MusicPlayerHooks hooks, SoundOutputs outputs)
    : XaudioPlayer(queue, std::move(outputs.music), std::move(outputs.musicBlockWritten)),
      hooks_(std::move(hooks)),
      soundComments_(queue, std::move(outputs.soundComments)) {}

// The engine drops its input and output as it ends, so a playing file
// simply falls silent.
MusicPlayer::~MusicPlayer() = default;

void MusicPlayer::ScanMusic(const std::string& mask) {
    files_ = ListMusicFiles(mask);
    bag_.Reset(static_cast<std::uint32_t>(files_.size()));
    queuedIndex_ = -1;
}

void MusicPlayer::ChooseAndOpen(int index) {
    if (files_.empty()) return;
    index = std::clamp(index, 0, static_cast<int>(files_.size()) - 1);
    lastIndex_ = index;
    lastIndexValid_ = true;
    currentIndex_ = index;
    currentFile_ = files_[static_cast<size_t>(index)];
    OpenInput(currentFile_);
    queueNext();
}

int MusicPlayer::followingIndex() {
    if (Random(settings())) return static_cast<int>(bag_.Draw());
    return currentIndex_ + 1 >= static_cast<int>(files_.size()) ? 0 : currentIndex_ + 1;
}

void MusicPlayer::queueNext() {
    if (files_.empty()) return;
    queuedIndex_ = followingIndex();
    QueueInput(files_[static_cast<size_t>(queuedIndex_)], ++queuedNumber_);
}

int MusicPlayer::firstIndex() { return Random(settings()) ? static_cast<int>(bag_.Draw()) : 0; }

void MusicPlayer::StartMusic() {
    ScanMusic(settings().MusicSearchMask);
    if (files_.empty()) return;
    ChooseAndOpen(firstIndex());
    if (settings().Music == 1 && settings().MusicPresent == 'a') Play();
}

void MusicPlayer::OnSlideshowStart() {
    inSlideshow_ = true;
    if (!files_.empty() && settings().MusicPresent == 's' && settings().Music == 1) Play();
}

void MusicPlayer::OnSlideshowEnd() {
    inSlideshow_ = false;
    // Stopping rewinds: the next slideshow starts the same file from its beginning.
    if (!files_.empty() && settings().MusicPresent == 's' && (state_ == audio::Playing || state_ == audio::Paused))
        Stop();
}

void MusicPlayer::ToggleMusic() {
    if (files_.empty()) return;
    if (state_ == audio::Playing) Pause();
    else Play();
}

void MusicPlayer::MusicOn() {
    if (!files_.empty() && state_ != audio::Playing) Play();
}

void MusicPlayer::MusicOff() {
    if (!files_.empty() && state_ == audio::Playing) Pause();
}

void MusicPlayer::ApplyMusicSettings(std::uint32_t mask) {
    const Settings& s = settings();
    const bool playing = state_ == audio::Playing;
    const bool sounding = playing || state_ == audio::Paused;
    // Music 0 means no music whatever else changed with it, and with
    // MusicPresent 's' music plays only during a slideshow.
    const bool musicOn = s.Music == 1;
    const bool present = s.MusicPresent == 'a' || inSlideshow_;
    bool act = false, play = false;
    if (mask & 0x1) {
        if (sounding && !musicOn) act = true, play = false;
        if (!playing && musicOn && present) act = true, play = true;
    }
    if (mask & 0x2) {
        if (present) {
            if (!playing && musicOn) act = true, play = true;
        } else if (sounding) {
            act = true, play = false;
        }
    }
    if (mask & 0x4) {
        if (playing && !act) {
            Stop();
            act = true, play = true;
        }
        ScanMusic(s.MusicSearchMask);
        if (!files_.empty()) {
            int index = Random(s) ? static_cast<int>(bag_.Draw()) : lastIndexValid_ ? lastIndex_ : 0;
            ChooseAndOpen(index);
        }
    }
    // Bit 8 (MusicRandom): the file queued to follow was chosen in the old order.
    if ((mask & 0x8) && !(mask & 0x4) && queuedIndex_ >= 0) queueNext();
    if (act) {
        if (!play) Stop();
        else if (!files_.empty()) Play();
    }
}

void MusicPlayer::settingsChanged(const SettingsChangeSet& changes, int) {
    const std::uint32_t word = changes.words[SectionMusic];
    if (word != 0) ApplyMusicSettings(word);
}

void MusicPlayer::OnPlayerState(int state) {
    state_ = state;
    if (state == audio::EndOfStream && !files_.empty()) {
        // The engine could not go on by itself (the queued file did not open).
        const int next = queuedIndex_ >= 0 ? queuedIndex_ : followingIndex();
        CloseInput();
        ChooseAndOpen(next);
        Play();
        if (hooks_.runCommandList) hooks_.runCommandList(settings().CommandsAfterMusicFileEnd);
    }
    if (hooks_.stateChanged) hooks_.stateChanged();
}

void MusicPlayer::OnInputAdvanced(int number) {
    if (number != queuedNumber_ || queuedIndex_ < 0 || files_.empty()) return;  // replaced since
    currentIndex_ = queuedIndex_;
    lastIndex_ = currentIndex_;
    lastIndexValid_ = true;
    currentFile_ = files_[static_cast<size_t>(currentIndex_)];
    queueNext();
    if (hooks_.runCommandList) hooks_.runCommandList(settings().CommandsAfterMusicFileEnd);
    if (hooks_.stateChanged) hooks_.stateChanged();
}

std::string MusicPlayer::musicFileName() const {
    if (state_ != audio::Playing) return {};
    return FileNameOf(currentFile_);
}

std::string MusicPlayer::musicShortFileName() const {
    std::string name = musicFileName();
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

}  // namespace vellumo
