#pragma once
// The slideshow's answers to the comment macros and tags ("%SLIDESHOW_COUNT%",
// "%SLIDESHOW_CURRENT%", <SLIDESHOW>); the music's answers come from the
// queries set as music (none: no music).
#include <functional>

#include "comments/MacroQueries.h"
#include "slideshow/Slideshows.h"
#include "slideshow/SlideshowListener.h"

namespace vellumo {

class SlideshowMacroQueries : public MacroQueries {
public:
    Slideshows* shows = nullptr;
    const MacroQueries* music = nullptr;

    bool slideshowRunning() const override { return shows && shows->anyRunning(); }
    std::optional<SlideshowPlace> slideshowPlace() const override {
        if (!slideshowRunning()) return std::nullopt;
        return SlideshowPlace{shows->slideshowCurrent(), shows->slideshowCount()};
    }
    bool musicPlaying() const override { return music && music->musicPlaying(); }
    std::string musicFile() const override { return music ? music->musicFile() : std::string(); }
};

// A slideshow listener made of a function: called when either show starts or stops.
class SlideshowStateCallback : public SlideshowListener {
public:
    std::function<void()> changed;
    void slideshowStarted(SlideshowKind) override {
        if (changed) changed();
    }
    void slideshowFinished(SlideshowKind) override {
        if (changed) changed();
    }
};

}  // namespace vellumo
