#pragma once
// The small and the total slideshow: their state, the slide timer (timer 2000
// of the Navigator) and its tick counter, start, step, pause, continue, stop,
// speed, end actions, the slideshow cursors, the screen saver, the cursor
// moved out of the way, and the script a total show is written to or read
// from. Lives in the Navigator, which forwards it commands 116, 119 to 124,
// 167, CmdTotalFirst and CmdTotalWalkDone and the ticks of timer 2000.
//
// What it is not: the script menu of command 118 and the choice of script of
// commands 3000 to 3256 (ScriptChoice, on the viewer's side), the transition
// effects, and the photo display itself (shown through the ArchiveNavigator).
//
// Queries for the slideshow macros and the rest of the program are the const
// methods below ("is a small show running", "current", "count" ...).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveNavigator.h"
#include "archive/ArchiveWalker.h"
#include "archive/TotalList.h"
#include "archive/ViewerLink.h"
#include "config/Settings.h"
#include "platform/Desktop.h"
#include "platform/EventQueue.h"
#include "slideshow/ShuffleBag.h"
#include "slideshow/SlideshowListener.h"

namespace vellumo {

inline constexpr int kSlideTimer = 2000;

// The slideshow cursors locked on the viewer.
namespace SlideCursor {
constexpr int SmallRunning = 2001;
constexpr int TotalRunning = 2002;
constexpr int TotalCollecting = 2003;
constexpr int TotalPaused = 2004;
}  // namespace SlideCursor

// What the slideshows need beyond the archive model and the viewer link.
// Every member may be left empty.
struct SlideshowEnvironment {
    std::function<Settings&()> settings;
    // The settings scope of a script entered at the start and left at the stop.
    std::function<void(const std::string& script)> enterScript;
    std::function<void()> leaveScript;
    // Runs CommandsAfterSlideshowFinish (and the like) through the viewer.
    std::function<void(const CommandList& list)> runCommandList;
    // The viewer records where the cursor was moved, so the jump is not taken
    // as the user's movement.
    std::function<void(Point p)> setLastMousePosition;
    // The drive list (for writing drive-free paths and walking all drives);
    // empty: the machine's.
    std::function<std::vector<Drive>()> listDrives;
    // Where scripts are written and what their name starts with (the
    // language text "SlideShow"); the program's drive for reading them.
    std::string programFolder;
    std::string programDrive;
    // Where scripts are written instead when the program folder cannot be
    // written ("" when it can).
    std::string userFolder;
    std::function<std::string()> scriptPrefix;
};

class Slideshows {
public:
    // navigatorTarget receives the timer, the walker's posts and the commands
    // posted to the Navigator (122, 119).
    Slideshows(EventQueue& queue, CommandTarget* navigatorTarget, ArchiveNavigator& archive, ViewerLink& viewer,
               Desktop& desktop, SlideshowEnvironment environment);
    ~Slideshows();
    Slideshows(const Slideshows&) = delete;
    Slideshows& operator=(const Slideshows&) = delete;

    void addListener(SlideshowListener* listener);
    void removeListener(SlideshowListener* listener);

    // ---- Commands ----------------------------------------------------------
    // 116: stop the small show when it runs, else start it; after a start
    // attempt CommandsAfterSlideshowStart runs.
    void toggleSmall();
    // The small show starts (false when refused: the caller's beep was given).
    bool startSmall();
    void stopSmall();
    // 119: a running small show is stopped, else the total show (then
    // CommandsAfterSlideshowFinish runs when it was running).
    void stopCommand();
    // The total show over the archive below the current folder ("" script)
    // or from a script file (a full path that exists).
    void startTotal(const std::string& script);
    void stopTotal();
    void pauseOrContinue();  // 120
    void pause();            // 121
    void resume();           // 122
    void slower();           // 123 (the viewer has given the exclamation beep)
    void faster();           // 124
    // 114 and 115 while a total show runs: steps the total list by -n or +n.
    void stepTotal(int s);
    // 167: writes the running total show's list to a new script.
    void writeScript();
    // The walker's and the script reader's posts.
    void totalFirst();
    void totalWalkDone();
    // Timer 2000.
    void tick();
    // A photo was selected and shown by the Navigator: a paused total show
    // moves its position to that photo's entry.
    void photoSelected(const std::string& path);
    // SlideShowDelay changed in the settings: a running show takes the new pace.
    void delayChanged();
    // The start picture: the tick counter goes to 0, so a total show's first
    // entry comes with the first tick.
    void resetTicks() { ticks_ = 0; }
    // The Navigator goes away: both shows stop, the timer and the walker end.
    void destroy();

    // ---- Queries -------------------------------------------------------------
    bool smallRunning() const { return smallRunning_; }
    bool totalRunning() const { return totalRunning_; }
    bool totalPaused() const { return totalRunning_ && paused_; }
    // The walk or the script reading still adds entries.
    bool totalCollecting() const { return totalRunning_ && incomplete_; }
    bool playedFromScript() const { return fromScript_; }
    // The shows draw their steps at random (small, total).
    bool smallRandom() const { return smallRunning_ && smallRandom_; }
    bool totalRandom() const { return totalRunning_ && totalRandom_; }
    bool anyRunning() const { return smallRunning_ || totalRunning_; }
    // A show runs, or one is starting and shows its first photo: a photo
    // that fails is passed over without a message.
    bool showing() const { return anyRunning() || starting_; }
    // Command 116 would act: it stops a small show, or one can start here
    // (no total show runs and the folder has photos).
    bool smallCommandActs() const { return smallRunning_ || (!totalRunning_ && archive_.firstPhotoIndex() >= 0); }
    // "%SLIDESHOW_COUNT%": photos of the folder (small) or entries of the
    // total list (total); 0 when no show runs.
    int slideshowCount() const;
    // "%SLIDESHOW_CURRENT%": 1-based position of the current photo in the
    // folder (small) or the total position + 1 (total); 0 when no show runs.
    int slideshowCurrent() const;
    double delaySeconds() const;
    int tickCounter() const { return ticks_; }
    int totalPosition() const { return position_; }
    const TotalList& totalList() const { return list_; }
    // The small show ends when it comes back to this row.
    int smallStartRow() const { return startRow_; }
    // The total list was written as a script or read from one.
    bool listSaved() const { return saved_; }

private:
    Settings& settings() const { return env_.settings(); }
    void restartTimer();
    // The delay a speed command gives, or nothing (after the default beep)
    // when no show steps or the delay is at its limit.
    std::optional<double> newDelay(std::optional<double> (*change)(double));
    void smallStep();
    bool stepHeld() const;
    // The tick's step while a listener holds it: it comes when the hold ends.
    void waitForRelease();
    void releasedStep();
    void lockCursor(int id);
    void moveCursorAway();
    void moveCursorBack();
    void screenSaverOff();
    void screenSaverRestore();
    void notifyStarted(SlideshowKind kind);
    void notifyFinished(SlideshowKind kind);
    void playScript(const std::string& script);
    void postToViewer(int command);
    std::vector<Drive> drives() const;

    EventQueue& queue_;
    CommandTarget* target_;
    ArchiveNavigator& archive_;
    ViewerLink& viewer_;
    Desktop& desktop_;
    SlideshowEnvironment env_;
    std::vector<SlideshowListener*> listeners_;

    bool smallRunning_ = false;
    bool smallRandom_ = false;
    bool starting_ = false;
    int startRow_ = -1;

    bool totalRunning_ = false;
    bool paused_ = false;
    bool incomplete_ = false;
    bool fromScript_ = false;
    bool totalRandom_ = false;
    bool saved_ = false;
    bool firstPosted_ = false;
    int position_ = -1;
    std::string walkRoot_;
    TotalList list_;
    std::unique_ptr<ArchiveWalker> walker_;

    int ticks_ = -1;
    // A tick came while the step was held; the step is due at the release.
    bool stepDue_ = false;
    std::uint64_t releaseWait_ = 0;  // the wait a release answers
    // Lets a release that comes after this object went away do nothing.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    ShuffleBag bag_;
    bool screenSaverOff_ = false;
    bool cursorMoved_ = false;
    Point cursorSaved_;
    Point cursorTarget_;
    bool destroyed_ = false;
};

}  // namespace vellumo
