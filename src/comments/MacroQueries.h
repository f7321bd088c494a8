#pragma once
// What the comment macros and tags ask of the rest of the program: the
// Navigator's folder, the running slideshow and the background music. Each
// subsystem answers through an implementation of this interface; the base
// class answers "no folder, no slideshow, no music".
#include <optional>
#include <string>

namespace vellumo {

// The place of the current photo in the running slideshow.
struct SlideshowPlace {
    int current = 0;  // 1-based
    int count = 0;
};

class MacroQueries {
public:
    virtual ~MacroQueries() = default;
    // The Navigator's current folder as %CURRENT_FOLDER% shows it ("Computer"
    // at the drive list).
    virtual std::string currentFolder() const { return {}; }
    // Whether a small or a total slideshow runs.
    virtual bool slideshowRunning() const { return false; }
    // The photo's place in the running slideshow (the total slideshow's when
    // both would apply); nothing when none runs.
    virtual std::optional<SlideshowPlace> slideshowPlace() const { return std::nullopt; }
    // Whether background music plays, and the path of the playing file.
    virtual bool musicPlaying() const { return false; }
    virtual std::string musicFile() const { return {}; }
};

}  // namespace vellumo
