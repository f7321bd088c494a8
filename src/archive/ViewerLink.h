#pragma once
// What the Navigator asks of the viewer window it floats over.
#include <cstdint>
#include <string>

#include "platform/EventQueue.h"
#include "platform/Geometry.h"

namespace vellumo {

class ViewerLink {
public:
    virtual ~ViewerLink() = default;

    // Shows a photo file full screen (the viewer's Show photo).
    virtual void showPhoto(const std::string& path) = 0;
    // The user opened something: the start screen is over.
    virtual void clearNoPhoto() = 0;
    // The busy cursor while a folder is listed; false restores the cursor.
    virtual void setBusyCursor(bool busy) = 0;
    // Locks a slideshow cursor (2001..2004) until unlocked with 0.
    virtual void lockCursor(int cursorId) = 0;
    virtual Rect screenRect() const = 0;
    // A transition effect is still drawing the last photo.
    virtual bool effectRunning() const = 0;
    // The Navigator caption changed: the viewer's title follows it.
    virtual void navigatorCaptionChanged(const std::string& caption) = 0;
    // The viewer as the target of posted commands (mouse-move trigger, 31849,
    // and commands the Navigator hands back).
    virtual CommandTarget* viewerTarget() = 0;
    // The keyboard focus goes back to the viewer (Tab).
    virtual void focusViewer() = 0;
    // The caption text of an ApplicationName: its macros and tags expanded;
    // flags receives the MacroFlags of the macros it holds.
    virtual std::string expandCaption(const std::string& name, std::uint32_t& flags) {
        flags = 0;
        return name;
    }
};

}  // namespace vellumo
