#include "slideshow/SlideshowCommands.h"

#include "commands/Commands.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "slideshow/ScriptFiles.h"
#include "slideshow/Slideshows.h"

namespace vellumo {

std::string ScriptForCommand(int command, const std::vector<std::string>& listed, const std::string& autoExecScript,
                             const std::string& programFolder, const std::string& programDrive) {
    std::string script;
    if (command == cmd::AutoExecSlideshow) {
        if (autoExecScript.empty()) return {};
        script = ReadPathFromFile(autoExecScript, programFolder, programDrive);
    } else if (command >= cmd::SlideshowScriptFirst && command <= cmd::SlideshowScriptLast) {
        size_t i = static_cast<size_t>(command - cmd::SlideshowScriptFirst);
        if (i >= listed.size()) return {};
        script = listed[i];
    }
    return !script.empty() && IsRegularFile(script) ? script : std::string();
}

bool SlideshowCommands::handle(int command, int repeat) {
    Slideshows* shows = c_.slideshows ? c_.slideshows() : nullptr;
    switch (command) {
        case cmd::TotalSlideshowStartStop:
            c_.queue->post(c_.viewer, shows && shows->totalRunning() ? cmd::SlideshowStop : cmd::TotalSlideshowStart);
            return true;
        case cmd::TotalSlideshowStart:
            if (shows) shows->stopSmall();
            if (shows && shows->totalRunning()) {
                if (shows->totalPaused()) forward(cmd::SlideshowContinue, 1);
                return true;
            }
            startMenu();
            return true;
        case cmd::SlideshowStop:
        case cmd::SlideshowPauseContinue:
        case cmd::SlideshowPause:
            if (c_.endEffect) c_.endEffect();
            forward(command, repeat);
            return true;
        case cmd::SlideshowSlower:
        case cmd::SlideshowFaster:
            c_.desktop->beep(BeepKind::Exclamation);
            forward(command, repeat);
            return true;
        case cmd::SmallSlideshow:
        case cmd::SlideshowContinue:
        case cmd::WriteScript:
            forward(command, repeat);
            return true;
        default: break;
    }
    if (command >= cmd::AutoExecSlideshow && command <= cmd::SlideshowScriptLast) {
        startWithCommand(command);
        return true;
    }
    return false;
}

void SlideshowCommands::forward(int command, int repeat) {
    CommandTarget* navigator = c_.navigator ? c_.navigator() : nullptr;
    if (!navigator) {
        c_.desktop->beep(BeepKind::Default);
        return;
    }
    c_.queue->post(navigator, command, repeat);
}

void SlideshowCommands::startMenu() {
    listed_ = ListScriptPaths(c_.programFolder, c_.userFolder);
    if (listed_.empty()) {
        startWithCommand(cmd::SlideshowWithoutScript);
        return;
    }
    std::vector<MenuItem> items;
    MenuItem whole;
    whole.id = cmd::SlideshowWithoutScript;
    whole.text = c_.wholeArchiveText ? c_.wholeArchiveText() : std::string("SlideShow");
    whole.isDefault = true;
    items.push_back(whole);
    MenuItem separator;
    separator.separator = true;
    items.push_back(separator);
    for (size_t i = 0; i < listed_.size() && cmd::SlideshowScriptFirst + static_cast<int>(i) <= cmd::SlideshowScriptLast; ++i) {
        MenuItem item;
        item.id = cmd::SlideshowScriptFirst + static_cast<int>(i);
        item.text = ScriptMenuText(FileNameOf(listed_[i]));
        items.push_back(item);
    }
    Point centre{(c_.screen.left + c_.screen.right) / 2, (c_.screen.top + c_.screen.bottom) / 2};
    int chosen = c_.desktop->popupMenu(items, centre, MenuAlign::Centered);
    if (chosen != 0) startWithCommand(chosen);
}

void SlideshowCommands::startWithCommand(int command) {
    Slideshows* shows = c_.slideshows ? c_.slideshows() : nullptr;
    if (!shows) {
        c_.desktop->beep(BeepKind::Default);
        return;
    }
    // Commands of script numbers posted from elsewhere find the list as the folder has it now.
    if (command >= cmd::SlideshowScriptFirst && listed_.empty()) listed_ = ListScriptPaths(c_.programFolder, c_.userFolder);
    // A number beyond the list names no script: it is ignored.
    if (command >= cmd::SlideshowScriptFirst && static_cast<size_t>(command - cmd::SlideshowScriptFirst) >= listed_.size()) return;
    const std::string script = ScriptForCommand(command, listed_, c_.settings().SlideShowAutoExecScript,
                                                c_.programFolder, c_.programDrive);
    shows->startTotal(script);
    if (c_.runCommandList) c_.runCommandList(c_.settings().CommandsAfterSlideshowStart);
}

}  // namespace vellumo
