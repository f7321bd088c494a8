#include "slideshow/SlideshowCommands.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "slideshow/ScriptFiles.h"
#include "slideshow/Slideshows.h"

namespace vellumo {

namespace {
constexpr int kSmall = 116;
constexpr int kStartStop = 117;
constexpr int kStart = 118;
constexpr int kStop = 119;
constexpr int kPauseContinue = 120;
constexpr int kPause = 121;
constexpr int kContinue = 122;
constexpr int kSlower = 123;
constexpr int kFaster = 124;
constexpr int kWriteScript = 167;
constexpr int kAutoExec = 3000;
constexpr int kWholeArchive = 3001;
constexpr int kScriptFirst = 3002;
constexpr int kScriptLast = 3256;
}  // namespace

std::string ScriptForCommand(int command, const std::vector<std::string>& listed, const std::string& autoExecScript,
                             const std::string& programFolder, const std::string& programDrive) {
    std::string script;
    if (command == kAutoExec) {
        if (autoExecScript.empty()) return {};
        script = ReadPathFromFile(autoExecScript, programFolder, programDrive);
    } else if (command >= kScriptFirst && command <= kScriptLast) {
        size_t i = static_cast<size_t>(command - kScriptFirst);
        if (i >= listed.size()) return {};
        script = listed[i];
    }
    return !script.empty() && IsRegularFile(script) ? script : std::string();
}

bool SlideshowCommands::handle(int command, int repeat) {
    Slideshows* shows = c_.slideshows ? c_.slideshows() : nullptr;
    switch (command) {
        case kStartStop:
            c_.queue->post(c_.viewer, shows && shows->totalRunning() ? kStop : kStart);
            return true;
        case kStart:
            if (shows) shows->stopSmall();
            if (shows && shows->totalRunning()) {
                if (shows->totalPaused()) forward(kContinue, 1);
                return true;
            }
            startMenu();
            return true;
        case kStop:
        case kPauseContinue:
        case kPause:
            if (c_.endEffect) c_.endEffect();
            forward(command, repeat);
            return true;
        case kSlower:
        case kFaster:
            c_.desktop->beep(BeepKind::Exclamation);
            forward(command, repeat);
            return true;
        case kSmall:
        case kContinue:
        case kWriteScript:
            forward(command, repeat);
            return true;
        default: break;
    }
    if (command >= kAutoExec && command <= kScriptLast) {
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
        startWithCommand(kWholeArchive);
        return;
    }
    std::vector<MenuItem> items;
    MenuItem whole;
    whole.id = kWholeArchive;
    whole.text = c_.wholeArchiveText ? c_.wholeArchiveText() : std::string("SlideShow");
    items.push_back(whole);
    MenuItem separator;
    separator.separator = true;
    items.push_back(separator);
    for (size_t i = 0; i < listed_.size() && kScriptFirst + static_cast<int>(i) <= kScriptLast; ++i) {
        MenuItem item;
        item.id = kScriptFirst + static_cast<int>(i);
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
    if (command >= kScriptFirst && listed_.empty()) listed_ = ListScriptPaths(c_.programFolder, c_.userFolder);
    // A number beyond the list names no script: it is ignored.
    if (command >= kScriptFirst && static_cast<size_t>(command - kScriptFirst) >= listed_.size()) return;
    const std::string script = ScriptForCommand(command, listed_, c_.settings().SlideShowAutoExecScript,
                                                c_.programFolder, c_.programDrive);
    shows->startTotal(script);
    if (c_.runCommandList) c_.runCommandList(c_.settings().CommandsAfterSlideshowStart);
}

}  // namespace vellumo
