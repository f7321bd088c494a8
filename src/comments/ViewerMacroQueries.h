#pragma once
// The macro queries the viewer window hands to its comment: the Navigator's
// folder from the Navigator, everything else from the queries the slideshow
// and music subsystems offer (none until they are set).
#include <functional>
#include <string>

#include "comments/MacroQueries.h"

namespace vellumo {

class ViewerMacroQueries : public MacroQueries {
public:
    std::function<std::string()> folder;  // the Navigator's location text
    const MacroQueries* others = nullptr;

    std::string currentFolder() const override { return folder ? folder() : std::string(); }
    bool slideshowRunning() const override { return others && others->slideshowRunning(); }
    std::optional<SlideshowPlace> slideshowPlace() const override {
        return others ? others->slideshowPlace() : std::nullopt;
    }
    bool musicPlaying() const override { return others && others->musicPlaying(); }
    std::string musicFile() const override { return others ? others->musicFile() : std::string(); }
};

}  // namespace vellumo
