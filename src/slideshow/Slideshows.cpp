#include "slideshow/Slideshows.h"

#include <algorithm>

#include "commands/Commands.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"
#include "slideshow/ScriptFile.h"
#include "slideshow/ScriptFiles.h"
#include "slideshow/SlideDelay.h"

namespace vellumo {

namespace {

// A script prefix becomes part of a file name: no folder separators, line
// breaks or NULs (language files come from anywhere).
std::string FileNameSafe(std::string prefix) {
    for (char& c : prefix)
        if (c == '/' || c == '\\' || c == '\r' || c == '\n' || c == '\0') c = '_';
    return prefix;
}
}  // namespace

Slideshows::Slideshows(EventQueue& queue, CommandTarget* navigatorTarget, ArchiveNavigator& archive, ViewerLink& viewer,
                       Desktop& desktop, SlideshowEnvironment environment)
    : queue_(queue),
      target_(navigatorTarget),
      archive_(archive),
      viewer_(viewer),
      desktop_(desktop),
      env_(std::move(environment)),
      walker_(std::make_unique<ArchiveWalker>(queue, navigatorTarget, list_, env_.listDrives)) {}

Slideshows::~Slideshows() { destroy(); }

void Slideshows::addListener(SlideshowListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void Slideshows::removeListener(SlideshowListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

// ---- Timer -------------------------------------------------------------------

void Slideshows::restartTimer() {
    queue_.killTimer(target_, kSlideTimer);
    queue_.setTimer(target_, kSlideTimer, SlideTimerMs(settings().SlideShowDelay));
    ticks_ = 0;
    stepDue_ = false;
}

void Slideshows::tick() {
    if (destroyed_ || ticks_ < 0) return;
    const bool stepping = smallRunning_ || (totalRunning_ && !paused_);
    if (stepping && stepHeld()) {
        waitForRelease();
    } else {
        stepDue_ = false;
        if (smallRunning_) smallStep();
        if (totalRunning_ && !paused_) stepTotal(+1);
    }
    if (ticks_ >= 0) ticks_ = ticks_ >= 1000 ? 1 : ticks_ + 1;
}

void Slideshows::waitForRelease() {
    if (stepDue_) return;  // already waiting
    stepDue_ = true;
    const std::uint64_t wait = ++releaseWait_;
    for (auto* l : listeners_) {
        if (!l->holdsNextStep()) continue;
        l->whenReleased([this, alive = std::weak_ptr<int>(alive_), wait] {
            if (alive.lock() && wait == releaseWait_) releasedStep();
        });
        return;
    }
}

// The step a held tick was due: it comes when the sound that held it has been
// heard to its end (as the show waited for a sound played to its end), and
// the photo it shows gets the whole delay from there.
void Slideshows::releasedStep() {
    if (!stepDue_) return;
    stepDue_ = false;
    if (destroyed_ || ticks_ < 0) return;
    if (stepHeld()) {
        waitForRelease();  // another listener still holds it
        return;
    }
    if (smallRunning_) smallStep();
    if (totalRunning_ && !paused_) stepTotal(+1);
    if (smallRunning_ || (totalRunning_ && !paused_)) restartTimer();
}

bool Slideshows::stepHeld() const {
    for (auto* l : listeners_)
        if (l->holdsNextStep()) return true;
    return false;
}

double Slideshows::delaySeconds() const { return settings().SlideShowDelay; }

void Slideshows::delayChanged() {
    if (smallRunning_ || totalRunning_) restartTimer();
}

// ---- Small slideshow ---------------------------------------------------------

void Slideshows::toggleSmall() {
    if (smallRunning_) {
        stopSmall();
        return;
    }
    startSmall();
    if (!destroyed_ && env_.runCommandList) env_.runCommandList(settings().CommandsAfterSlideshowStart);
}

bool Slideshows::startSmall() {
    if (destroyed_) return false;
    const int first = archive_.firstPhotoIndex();
    const int last = archive_.lastPhotoIndex();
    if (totalRunning_ || smallRunning_ || first < 0) {
        desktop_.beep(BeepKind::Default);
        if (settings().SlideShowSmallEndAction == 'q') postToViewer(cmd::Exit);
        return false;
    }
    if (settings().SlideShowMoveDownCursor != 0) moveCursorAway();
    smallRandom_ = settings().SlideShowSmallRandom == 1;
    if (smallRandom_) bag_.Reset(static_cast<std::uint32_t>(last - first + 1));
    const int current = archive_.currentIndex();
    if (current < first) {
        // Shown as part of the show: a photo that cannot be shown is passed
        // over quietly, as in the running show.
        starting_ = true;
        archive_.selectAndShow(first + (smallRandom_ ? static_cast<int>(bag_.Draw()) : 0));
        starting_ = false;
    } else if (smallRandom_) {
        bag_.Remove(static_cast<std::uint32_t>(current - first));
    }
    startRow_ = archive_.currentIndex();
    restartTimer();
    lockCursor(SlideCursor::SmallRunning);
    smallRunning_ = true;
    screenSaverOff();
    notifyStarted(SlideshowKind::Small);
    return true;
}

void Slideshows::smallStep() {
    if (archive_.selectingRows() || viewer_.effectRunning() || stepHeld()) return;
    const int first = archive_.firstPhotoIndex();
    const int last = archive_.lastPhotoIndex();
    if (first < 0) return;  // a folder without photos: nothing to show until it has some
    int next;
    bool end;
    if (smallRandom_) {
        next = first + static_cast<int>(bag_.Draw());
        end = bag_.PassComplete();
    } else {
        next = archive_.currentIndex() + 1;
        if (next < first || next > last) next = first;
        end = next == startRow_;
    }
    if (next > last) next = first;  // the folder shrank since the start
    const char action = settings().SlideShowSmallEndAction;
    if (end && action == 'q') {
        postToViewer(cmd::Exit);
        return;
    }
    archive_.selectAndShow(next);
    if (end && action == 's') stopSmall();
}

void Slideshows::stopSmall() {
    if (!smallRunning_) return;
    ticks_ = -1;
    lockCursor(0);
    moveCursorBack();
    smallRunning_ = false;
    if (smallRandom_) bag_.Reset(0);
    screenSaverRestore();
    notifyFinished(SlideshowKind::Small);
    if (!destroyed_ && env_.runCommandList) env_.runCommandList(settings().CommandsAfterSlideshowFinish);
}

void Slideshows::stopCommand() {
    if (smallRunning_) {
        stopSmall();
        return;
    }
    const bool wasRunning = totalRunning_;
    stopTotal();
    if (wasRunning && !destroyed_ && env_.runCommandList) env_.runCommandList(settings().CommandsAfterSlideshowFinish);
}

// ---- Total slideshow ---------------------------------------------------------

void Slideshows::startTotal(const std::string& script) {
    if (destroyed_) return;
    stopSmall();
    // A show that runs keeps its list and its script scope: a paused one continues.
    if (totalRunning_) {
        if (paused_) queue_.post(target_, cmd::SlideshowContinue);
        return;
    }
    fromScript_ = !script.empty();
    if (fromScript_ && env_.enterScript) env_.enterScript(script);
    list_.clear();
    saved_ = false;
    firstPosted_ = false;
    bag_.Reset(0);
    totalRandom_ = settings().SlideShowTotalRandom == 1;
    walkRoot_ = archive_.currentFolder();
    position_ = -1;
    paused_ = false;
    incomplete_ = true;
    totalRunning_ = true;
    if (fromScript_) {
        playScript(script);
        if (totalRandom_) bag_.Reset(static_cast<std::uint32_t>(list_.size()));
    } else {
        lockCursor(SlideCursor::TotalCollecting);
        walker_->start(walkRoot_);
    }
    if (settings().SlideShowMoveDownCursor != 0) moveCursorAway();
    screenSaverOff();
    notifyStarted(SlideshowKind::Total);
}

void Slideshows::playScript(const std::string& script) {
    auto bytes = ReadWholeFile(script, kScriptReadLimit);
    if (bytes) {
        const std::string text = DecodeText(*bytes);
        const std::vector<std::string_view> lines = ScriptPathLines(text);
        // A script made here names photos by the bytes of their names, which
        // need not be UTF-8, so such a script reads as a legacy file: a line
        // whose decoded path names no photo is tried as it stands.
        std::vector<std::string_view> rawLines;
        if (text != *bytes) rawLines = ScriptPathLines(*bytes);
        for (size_t i = 0; i < lines.size(); ++i) {
            auto path = ScriptLinePath(lines[i], env_.programFolder, env_.programDrive);
            if ((!path || !IsRegularFile(*path)) && rawLines.size() == lines.size())
                path = ScriptLinePath(rawLines[i], env_.programFolder, env_.programDrive);
            if (!path || !IsRegularFile(*path)) continue;
            if (list_.append({*path}) == 0 && !firstPosted_) {
                firstPosted_ = true;
                lockCursor(SlideCursor::TotalCollecting);
                queue_.post(target_, CmdTotalFirst);
            }
        }
    }
    saved_ = true;
    if (totalRunning_) queue_.post(target_, CmdTotalWalkDone);
}

void Slideshows::totalFirst() {
    if (!totalRunning_) return;
    position_ = -1;
    if (ticks_ == -1) stepTotal(+1);
    if (totalRunning_) restartTimer();
}

void Slideshows::totalWalkDone() {
    if (!totalRunning_) return;
    if (list_.empty()) {
        stopTotal();
        return;
    }
    incomplete_ = false;
    lockCursor(paused_ ? SlideCursor::TotalPaused : SlideCursor::TotalRunning);
}

void Slideshows::stepTotal(int s) {
    if (!totalRunning_ || archive_.selectingRows() || viewer_.effectRunning()) return;
    const long n = static_cast<long>(list_.size());
    if (n == 0) return;
    const bool random = totalRandom_ && !paused_;
    long p = position_ + static_cast<long>(s);
    bool end;
    if (random) {
        // The walk may have added entries since the last draw.
        if (bag_.Total() < static_cast<std::uint32_t>(n)) bag_.Add(static_cast<std::uint32_t>(n) - bag_.Total());
        p = static_cast<long>(bag_.Draw());
        end = bag_.PassComplete();
    } else {
        end = p > n - 1;
    }
    position_ = static_cast<int>(p < 0 ? n - 1 : p > n - 1 ? 0 : p);
    if (end) {
        const char action = settings().SlideShowTotalEndAction;
        if (action == 'q') {
            postToViewer(cmd::Exit);
            return;
        }
        if (action == 's') {
            postToViewer(cmd::SlideshowStop);
            return;
        }
    }
    if (auto entry = list_.at(static_cast<size_t>(position_))) archive_.goToPath(*entry);
}

void Slideshows::pauseOrContinue() {
    if (!totalRunning_) return;
    if (paused_) resume();
    else pause();
}

void Slideshows::pause() {
    if (!totalRunning_ || paused_) return;
    paused_ = true;
    lockCursor(SlideCursor::TotalPaused);
}

void Slideshows::resume() {
    if (!totalRunning_ || !paused_) return;
    paused_ = false;
    lockCursor(incomplete_ ? SlideCursor::TotalCollecting : SlideCursor::TotalRunning);
    restartTimer();
    stepTotal(+1);
}

void Slideshows::photoSelected(const std::string& path) {
    if (!totalRunning_ || !paused_) return;
    const auto entries = list_.snapshot();
    const long n = static_cast<long>(entries.size());
    // Nearest first: one below the position, the position, two below, one above ...
    long down = position_ < 0 ? -1 : position_ - 1;
    long up = position_ < 0 ? 0 : position_;
    while (down >= 0 || up < n) {
        if (down >= 0 && EqualsNoCase(entries[static_cast<size_t>(down)], path)) {
            position_ = static_cast<int>(down);
            return;
        }
        if (up < n && EqualsNoCase(entries[static_cast<size_t>(up)], path)) {
            position_ = static_cast<int>(up);
            return;
        }
        --down;
        ++up;
    }
}

void Slideshows::stopTotal() {
    if (fromScript_) {
        fromScript_ = false;
        if (env_.leaveScript) env_.leaveScript();
    }
    if (!totalRunning_) return;
    totalRunning_ = false;
    paused_ = false;
    incomplete_ = false;
    ticks_ = -1;
    walker_->stop();
    if (!destroyed_) archive_.goToPath(walkRoot_);
    walkRoot_.clear();
    list_.clear();
    saved_ = false;
    position_ = -1;
    bag_.Reset(0);
    lockCursor(0);
    moveCursorBack();
    screenSaverRestore();
    notifyFinished(SlideshowKind::Total);
}

// ---- Speed ---------------------------------------------------------------------

std::optional<double> Slideshows::newDelay(std::optional<double> (*change)(double)) {
    // Only a show that steps has a pace to change.
    std::optional<double> delay;
    if (smallRunning_ || (totalRunning_ && !paused_)) delay = change(settings().SlideShowDelay);
    if (!delay) desktop_.beep(BeepKind::Default);
    return delay;
}

void Slideshows::slower() {
    auto delay = newDelay(SlowerDelay);
    if (!delay) return;
    settings().SlideShowDelay = *delay;
    restartTimer();
}

void Slideshows::faster() {
    auto delay = newDelay(FasterDelay);
    if (!delay) return;
    if (smallRunning_) smallStep();
    else stepTotal(+1);
    settings().SlideShowDelay = *delay;
    if (smallRunning_ || totalRunning_) restartTimer();
}

// ---- Scripts -------------------------------------------------------------------

void Slideshows::writeScript() {
    if (!totalRunning_ || fromScript_ || saved_) return;
    std::string prefix = env_.scriptPrefix ? env_.scriptPrefix() : std::string("SlideShow");
    // A program folder that cannot be written (a disc, an installed copy)
    // has the user's folder instead; without either nothing is written, and
    // nothing is said.
    const std::string& folder = env_.userFolder.empty() ? env_.programFolder : env_.userFolder;
    if (folder.empty()) return;
    // The number is free in both folders, as the menu shows them together.
    std::vector<std::string> folders{folder};
    if (folder != env_.programFolder && !env_.programFolder.empty()) folders.push_back(env_.programFolder);
    const std::string name = NextScriptName(folders, FileNameSafe(prefix));
    const std::string text = ScriptText(list_.snapshot(), settings().SlideShowAbsolutePathes == 1, drives());
    if (!MakeFolders(folder)) return;
    if (WriteFileAtomically(JoinPath(folder, name), text)) saved_ = true;
}

std::vector<Drive> Slideshows::drives() const { return env_.listDrives ? env_.listDrives() : ListDrives(); }

// ---- Queries ---------------------------------------------------------------------

int Slideshows::slideshowCount() const {
    if (totalRunning_) return static_cast<int>(list_.size());
    if (smallRunning_ && archive_.firstPhotoIndex() >= 0)
        return archive_.lastPhotoIndex() - archive_.firstPhotoIndex() + 1;
    return 0;
}

int Slideshows::slideshowCurrent() const {
    if (totalRunning_) return position_ + 1;
    if (smallRunning_ && archive_.firstPhotoIndex() >= 0) return archive_.currentIndex() - archive_.firstPhotoIndex() + 1;
    return 0;
}

// ---- Cursor, screen saver, listeners --------------------------------------------

void Slideshows::lockCursor(int id) {
    if (!destroyed_) viewer_.lockCursor(id);
}

void Slideshows::moveCursorAway() {
    const int mode = settings().SlideShowMoveDownCursor;
    if (mode == 0 || cursorMoved_) return;
    const Rect screen = viewer_.screenRect();
    cursorSaved_ = desktop_.cursorPosition();
    cursorTarget_ = mode == 1 ? Point{screen.width() / 2, screen.height() - 1}
                              : Point{screen.width() - 1, screen.height() / 2};
    if (env_.setLastMousePosition) env_.setLastMousePosition(cursorTarget_);
    desktop_.moveCursor(cursorTarget_);
    cursorMoved_ = true;
}

void Slideshows::moveCursorBack() {
    if (!cursorMoved_) return;
    cursorMoved_ = false;
    // The user moved it meanwhile: it stays where the user put it.
    if (!(desktop_.cursorPosition() == cursorTarget_)) return;
    if (env_.setLastMousePosition) env_.setLastMousePosition(cursorSaved_);
    desktop_.moveCursor(cursorSaved_);
}

void Slideshows::screenSaverOff() {
    if (screenSaverOff_ || settings().SlideShowStopScreenSaver != 1) return;
    desktop_.setScreenSaverInhibited(true);
    screenSaverOff_ = true;
}

void Slideshows::screenSaverRestore() {
    if (!screenSaverOff_) return;
    desktop_.setScreenSaverInhibited(false);
    screenSaverOff_ = false;
}

void Slideshows::notifyStarted(SlideshowKind kind) {
    for (auto* l : std::vector<SlideshowListener*>(listeners_)) l->slideshowStarted(kind);
}

void Slideshows::notifyFinished(SlideshowKind kind) {
    for (auto* l : std::vector<SlideshowListener*>(listeners_)) l->slideshowFinished(kind);
}

void Slideshows::postToViewer(int command) {
    if (destroyed_) return;
    if (CommandTarget* viewer = viewer_.viewerTarget()) queue_.post(viewer, command);
}

void Slideshows::destroy() {
    if (destroyed_) return;
    // Both shows end without running command lists or posting anything.
    destroyed_ = true;
    if (smallRunning_) {
        smallRunning_ = false;
        moveCursorBack();
        screenSaverRestore();
        notifyFinished(SlideshowKind::Small);
    }
    if (totalRunning_ || fromScript_) {
        walker_->stop();
        if (fromScript_ && env_.leaveScript) env_.leaveScript();
        fromScript_ = false;
        if (totalRunning_) {
            totalRunning_ = false;
            paused_ = false;
            moveCursorBack();
            screenSaverRestore();
            notifyFinished(SlideshowKind::Total);
        }
    }
    walker_->stop();
    ticks_ = -1;
    queue_.killTimer(target_, kSlideTimer);
}

}  // namespace vellumo
