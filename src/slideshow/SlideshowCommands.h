#pragma once
// The viewer's side of the slideshow commands: 117 chooses between start and
// stop, 118 offers the scripts of the program folder in a menu, 3000 to 3256
// start the total show with the script they name (or over the archive), 119
// to 121 end a running transition first, 123 and 124 confirm with the
// exclamation beep; the rest goes on to the Navigator, where the Slideshows
// live.
#include <functional>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "platform/Desktop.h"
#include "platform/EventQueue.h"

namespace vellumo {

class Slideshows;

struct SlideshowCommandContext {
    EventQueue* queue = nullptr;
    CommandTarget* viewer = nullptr;
    Desktop* desktop = nullptr;
    // The Navigator's slideshows and command target (null before they exist).
    std::function<Slideshows*()> slideshows;
    std::function<CommandTarget*()> navigator;
    // Ends a running transition effect and redraws the whole window.
    std::function<void()> endEffect;
    std::function<const Settings&()> settings;
    std::function<void(const CommandList&)> runCommandList;
    // The text of the script menu's first item (language key "SlideShow").
    std::function<std::string()> wholeArchiveText;
    std::string programFolder;
    std::string programDrive;
    std::string userFolder;  // "" when the program folder can be written
    Rect screen;
};

// The script a command 3000 to 3256 names, or "" for the archive walk.
// 3000 takes SlideShowAutoExecScript (read by the rules for paths in files);
// 3002 + i the i-th of the listed script paths. A script that does not exist
// (any more) means the archive.
std::string ScriptForCommand(int command, const std::vector<std::string>& listed, const std::string& autoExecScript,
                             const std::string& programFolder, const std::string& programDrive);

class SlideshowCommands {
public:
    explicit SlideshowCommands(SlideshowCommandContext context) : c_(std::move(context)) {}
    void setScreen(const Rect& screen) { c_.screen = screen; }

    // Handles 116 to 124, 167 and 3000 to 3256; false for other commands.
    bool handle(int command, int repeat);

private:
    void startMenu();
    void startWithCommand(int command);
    void forward(int command, int repeat);

    SlideshowCommandContext c_;
    // The scripts of the last menu (full paths), in menu order.
    std::vector<std::string> listed_;
};

}  // namespace vellumo
