#pragma once
// What the viewer window asks of the Navigator: opening a path, its
// visibility and focus, and the target its commands are forwarded to.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/EventQueue.h"

namespace vellumo {

// With captionSourcesChanged: the states that tags show changed (language,
// sound comments, slideshow, music).
inline constexpr std::uint32_t kCaptionTagStates = 0x80000000u;

class NavigatorControl {
public:
    virtual ~NavigatorControl() = default;
    // Commands owned by the Navigator are posted here with the repeat count as parameter.
    virtual CommandTarget* commandTarget() = 0;
    // Opening as a child of the viewer window: rectangle, title, first listing.
    virtual void open() = 0;
    // The command-line path: a folder is listed, a photo selected and shown.
    virtual void goToPath(const std::string& path) = 0;
    virtual bool isShown() const = 0;
    // Whether stepping to the previous (next) photo of the folder would move.
    virtual bool canStep(bool forward) const = 0;
    virtual void setShown(bool shown) = 0;
    // Whether the Navigator list has the keyboard focus; giving it the focus.
    virtual bool listHasFocus() const = 0;
    virtual void focusList() = 0;
    // The slideshow tick counter goes back to 0 (after the start picture).
    virtual void resetSlideshowTicks() = 0;
    // The folder listed ("" at the drive list).
    virtual std::string currentFolder() const = 0;
    // The start-up is over: the first photo is on screen at full quality.
    virtual void startupOver() {}
    // Calls done once the folder being listed shows its first screenful of
    // rows in their order (at once when no listing runs).
    virtual void whenListed(std::function<void()> done) { done(); }
    // Window is going away.
    virtual void destroy() = 0;
    // The current folder as the %CURRENT_FOLDER% macro shows it.
    virtual std::string locationText() const { return {}; }
    // What macros of the caption show changed (MacroFlags bits, and
    // kCaptionTagStates): the caption is rebuilt when it holds one of them.
    virtual void captionSourcesChanged(std::uint32_t macroBits) { (void)macroBits; }
    // A photo's attached comment file was written or deleted: its entry shows
    // whether it has a comment again.
    virtual void refreshPhotoEntry(const std::string& photoPath) { (void)photoPath; }
    // The photos likely to be shown next, most likely first (decoded ahead).
    virtual std::vector<std::string> upcomingPhotos() const { return {}; }
    // The thumbnail worker is making the thumbnails of the rows on screen.
    virtual bool thumbnailsBusy() const { return false; }
};

}  // namespace vellumo
