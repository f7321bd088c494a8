#include "app/ShowAndMusicLink.h"

#include "slideshow/Slideshows.h"
#include "sound/MusicPlayer.h"

namespace vellumo {

bool ShowAndMusicLink::slideshowRunning() const { return shows_ && shows_->anyRunning(); }

std::optional<SlideshowPlace> ShowAndMusicLink::slideshowPlace() const {
    if (!slideshowRunning()) return std::nullopt;
    return SlideshowPlace{shows_->slideshowCurrent(), shows_->slideshowCount()};
}

bool ShowAndMusicLink::musicPlaying() const { return music_ && music_->isPlaying(); }

std::string ShowAndMusicLink::musicFile() const { return musicPlaying() ? music_->currentFile() : std::string(); }

void ShowAndMusicLink::slideshowStarted(SlideshowKind) {
    if (music_) music_->OnSlideshowStart();
    if (recompose_) recompose_();
}

void ShowAndMusicLink::slideshowFinished(SlideshowKind) {
    if (music_) music_->OnSlideshowEnd();
    if (recompose_) recompose_();
}

bool ShowAndMusicLink::holdsNextStep() const { return music_ && music_->soundCommentHolds(); }

void ShowAndMusicLink::whenReleased(std::function<void()> step) {
    if (music_) music_->whenSoundCommentEnds(std::move(step));
    else step();
}

}  // namespace vellumo
