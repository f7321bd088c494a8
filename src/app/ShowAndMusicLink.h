#pragma once
// Ties the slideshows, the background music and the comment together: the
// comment's slideshow and music macros ask the running show and the player,
// and a show that starts or ends tells the music player and has the comment
// composed again. A slideshow step waits while a sound comment still plays.
#include <functional>
#include <optional>
#include <string>

#include "comments/MacroQueries.h"
#include "slideshow/SlideshowListener.h"

namespace vellumo {

class MusicPlayer;
class Slideshows;

class ShowAndMusicLink : public MacroQueries, public SlideshowListener {
public:
    // Any of the three may be missing (nullptr or empty): that part stays silent.
    ShowAndMusicLink(const Slideshows* shows, MusicPlayer* music, std::function<void()> recomposeComment)
        : shows_(shows), music_(music), recompose_(std::move(recomposeComment)) {}

    // MacroQueries
    bool slideshowRunning() const override;
    std::optional<SlideshowPlace> slideshowPlace() const override;
    bool musicPlaying() const override;
    std::string musicFile() const override;

    // SlideshowListener
    void slideshowStarted(SlideshowKind kind) override;
    void slideshowFinished(SlideshowKind kind) override;
    bool holdsNextStep() const override;
    void whenReleased(std::function<void()> step) override;

private:
    const Slideshows* shows_;
    MusicPlayer* music_;
    std::function<void()> recompose_;
};

}  // namespace vellumo
