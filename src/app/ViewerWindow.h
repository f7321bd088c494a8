#pragma once
// The full-screen viewer window's logic: start-up sequence, the photo view,
// commands from keys, mouse, menus and command lists, the reaction to
// settings changes, and shutdown. The real window (Qt) only forwards events
// here and carries out the drawing and window requests.
//
// It routes each user command by the command table to one handler: the photo
// display, the slideshow commands, the file actions, the comment view, the
// sound commands, the Navigator, or itself. The photo's pixels are the
// PhotoLoader's. Its code is split by concern: ViewerWindow.cpp (start-up,
// routing, settings, shutdown), ViewerWindowCommands.cpp (its own commands,
// menus and sound), ViewerWindowInput.cpp (keys and mouse) and
// ViewerWindowPhoto.cpp (its side of showing a photo).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandQueue.h"
#include "commands/Commands.h"
#include "app/FileActions.h"
#include "app/KeyDispatch.h"
#include "navigator/NavigatorControl.h"
#include "app/PhotoDisplay.h"
#include "app/PhotoLoader.h"
#include "app/PhotoPreview.h"
#include "app/SelectionDialogs.h"
#include "app/StartupDecode.h"
#include "app/ViewerMenu.h"
#include "archive/ViewerLink.h"
#include "comments/CommentView.h"
#include "comments/ViewerMacroQueries.h"
#include "config/Hotkeys.h"
#include "config/ProgramLocation.h"
#include "config/ScopeStack.h"
#include "effects/EffectList.h"
#include "effects/EffectRunner.h"
#include "imaging/AnyPicDecoder.h"
#include "imaging/WinBmp.h"
#include "platform/Desktop.h"
#include "platform/EventQueue.h"
#include "platform/WindowEvents.h"
#include "platform/WindowHost.h"
#include "prefetch/PhotoPrefetcher.h"
#include "slideshow/SlideshowCommands.h"
#include "slideshow/Slideshows.h"

namespace vellumo {

class MusicPlayer;

// The start waits this long at most for the window to be exposed.
constexpr int kStartupExposureTimer = 5001;

// What the window needs of the rest of the program.
struct ViewerContext {
    EventQueue& queue;
    WindowHost& host;
    Desktop& desktop;
    ScopeStack& scopes;
    const HotkeySet& hotkeys;
    const ProgramLocation& program;
    // The start picture ("" when there is none).
    std::string startPicture;
    // The transition effects in use (none when null).
    EffectList* effects = nullptr;
};

class ViewerWindow : public CommandTarget,
                     public WindowEvents,
                     public PhotoDisplayHost,
                     public SettingsChangeListener,
                     public ViewerLink,
                     public FileActionsHost,
                     public PhotoPreviewHost {
public:
    explicit ViewerWindow(ViewerContext context);
    ~ViewerWindow() override;

    // Creation: sizes the window to the screen, shows it and posts StartupBegin.
    // pathToOpen is the command line's path ("" for none); script the
    // command line's slideshow script ("" for none).
    void create(const std::string& pathToOpen, const std::string& script);
    void setNavigator(NavigatorControl* navigator) { navigator_ = navigator; }
    // The Navigator's slideshows: their state decides effects, messages and cursors.
    void setSlideshows(Slideshows* slideshows) { slideshows_ = slideshows; }
    // The background music and sound comments (none: the viewer stays silent).
    void setMusicPlayer(MusicPlayer* music) { music_ = music; }
    // The music player's state changed: texts with the music macros are redrawn.
    void musicStateChanged();
    void setSelectionDialogs(SelectionDialogs* selection) { selection_ = selection; }
    // The command-line photo's decode, running since the process started: the
    // first photo decoded takes its bitmap when it is the same file; it is
    // dropped when start-up ends unused.
    void setStartupDecode(std::unique_ptr<StartupDecode> early);
    // A language or hotkeys selection dialog is open: no key becomes a command, no command list runs.
    bool selectionDialogOpen() const { return selection_ && selection_->isOpen(); }
    FileActions& fileActions() { return fileActions_; }

    // Key pre-translation of every key-down of the program (any window).
    bool preTranslateKeyDown(const KeyInput& key, FocusPlace focus);

    // CommandTarget
    void onCommand(int command, std::intptr_t param) override;
    void onTimer(int timerId) override;

    // WindowEvents
    void paint(Canvas& canvas, const Rect& dirty) override;
    bool keyDown(const KeyEvent& key) override;
    void mouseDown(MouseButton button, Point p, const KeyEvent& modifiers) override;
    void mouseUp(MouseButton button, Point p) override;
    void mouseDoubleClick(MouseButton button, Point p) override;
    void mouseMove(Point p, bool leftDown) override;
    void wheel(int delta, Point p) override;
    bool closeRequested() override { return true; }
    void destroyed() override;
    void displayChanged() override;
    // The screen's colour profile changed: the photo on screen is shown
    // again in its colours, turned as it was.
    void screenColoursChanged();
    void focusChanged(bool hasFocus) override;
    void activationChanged(bool active) override;
    void scrollStep(int axis, bool forward) override;

    // SettingsChangeListener
    void settingsChanged(const SettingsChangeSet& changes, int scopeKind) override;

    // PhotoDisplayHost
    char scaleStart() const override;
    bool scaleSavingMode() const override;
    void setScaleSavingMode(bool on) override;
    ColorRef backgroundColor() const override;
    void hideComment() override;
    void hideNavigator() override;
    void redrawAll() override;
    void setCursor(CursorId cursor) override;
    Point mousePosition() const override;
    bool totalSlideshowPaused() const override { return slideshows_ && slideshows_->totalPaused(); }
    void beep(BeepKind kind) override;
    void runCommandsAfterZoom(bool zoomedIn) override;
    bool fileExists(const std::string& path) override;
    void enterPhotoScope(const std::string& path) override;
    DecodedPhoto decodePhoto(const std::string& path) override;
    void hurryPhoto() override { loader_.hurry(); }
    void composeComment() override;
    std::optional<Size> rotatePhoto(double radians, ColorRef fill) override;
    void writeRotationMacro(bool left) override;
    void photoFailed(const std::string& errorText) override;
    void presentPhoto() override;

    // PhotoPreviewHost
    bool previewAllowed() override;
    PhotoView previewView(int width, int height) override { return display_.viewForNewPhoto(width, height); }
    std::function<PhotoView(int, int)> previewViews() override { return display_.newPhotoViews(); }
    void paintPreviewNow() override;
    bool screenCopyHeld(std::uint64_t key, Size shown) override { return prefetch_.screenCopyHeld(key, shown); }

    // FileActionsHost
    std::string currentPhoto() const override;
    std::string currentFolder() const override { return navigator_ ? navigator_->currentFolder() : std::string(); }
    bool navigatorListsNames() const override;
    void refreshPhotoEntry(const std::string& photo) override;
    void refreshNavigatorList() override;
    void showPhotoFresh(const std::string& photo) override { display_.showPhotoFresh(photo); }

    // The Navigator caption became the window title.
    void setTitleFromCaption(const std::string& caption);
    // ViewerLink: what the Navigator asks of the viewer.
    void showPhoto(const std::string& path) override { display_.showPhotoFresh(path); }
    void clearNoPhoto() override { display_.setNoPhoto(false); }
    void setBusyCursor(bool busy) override;
    void lockCursor(int cursorId) override;
    Rect screenRect() const override { return screenRect_; }
    bool effectRunning() const override { return effectRunner_.running(); }
    void navigatorCaptionChanged(const std::string& caption) override { setTitleFromCaption(caption); }
    CommandTarget* viewerTarget() override { return this; }
    void focusViewer() override { host_.setFocus(); }
    std::string expandCaption(const std::string& name, std::uint32_t& flags) override;

    // The slideshow and music states the comment macros and tags show
    // (nullptr: no slideshow, no music).
    void setMacroQueries(const MacroQueries* queries) { macroQueries_.others = queries; }
    // Recompose and redraw: the comment is composed again from the texts
    // gathered for the photo (sound comments, language, music or slideshow
    // state changed), and the Navigator caption follows.
    void recomposeComment();
    // The Navigator enters a folder (before the settings scopes change).
    void folderChanges(const std::string& folder) { comments_.folderChanged(folder); }
    CommentView& comments() { return comments_; }
    void setLastMousePosition(Point p) override { commandQueue_.mouseMoved(p); }

    bool noPhoto() const { return display_.noPhoto(); }
    PhotoDisplay& display() { return display_; }
    const CBmp* bitmap() const { return loader_.bitmap(); }
    // The photos decoded ahead of the user's steps.
    PhotoPrefetcher& prefetcher() { return prefetch_; }
    // Runs a command list (CommandsAfter...) through the routing of posted commands.
    void runCommandList(const CommandList& list);
    // The application title shown in message boxes and the window title.
    std::string programTitle() const;

private:
    // Where a photo of a given size would be shown, as the view stands now
    // (a snapshot a worker may call).
    PrefetchWorker::Placement photoPlacement() const;
    Settings& settings() { return context_.scopes.current(); }
    const Settings& settings() const { return context_.scopes.current(); }
    void startupBegin();
    void startupFinish();
    void finishStartupWhenListed();
    // Runs a command with the repeat count of the queue (or 1 for posted ones):
    // one look-up in the command table names the handler.
    void execute(int command, int repeat, bool fromMouse);
    // The commands the viewer window carries out itself: exit, the menus,
    // the selection dialogs, the IntelliMouse switch.
    void viewerCommand(int command, bool fromMouse);
    void forwardToNavigator(int command, int repeat);
    void showViewerMenu(bool fromMouse);
    // Ends a running transition effect and redraws the whole window.
    void endEffect();
    SlideshowCommandContext slideshowCommandContext();
    bool viewerHasFocus() const;
    // Commands 170 and 171: the dialog, then the repaint and the focus back where it was.
    void runSelection(SelectionUse use);
    // Ends a drag whose button release this window will not see.
    void endDragSilently();
    // The worker's decode of the photo being loaded ended.
    void photoDecoded(ShownDecode decoded);
    // The photo being loaded is there (or failed): placed, the waiting commands run.
    void photoArrived(const DecodedPhoto& photo);
    // A photo was placed or failed: a start that waited for it ends.
    void photoSettled();
    // The file of a photo shown from its decode ahead changed meanwhile.
    void photoFileChanged(const std::string& path);
    // Sound comments and background music on and off.
    void soundCommand(int command);
    // The sound comment of the photo just presented (or of the start picture).
    void playSoundComment(const std::string& photoPath);

    ViewerContext context_;
    EventQueue& queue_;
    WindowHost& host_;
    Desktop& desktop_;
    Rect screenRect_;
    PhotoDisplay display_;
    CommandQueue commandQueue_;
    PhotoPreview preview_{*this};
    bool paintedOnce_ = false;  // the window has been on screen
    bool photoOfAShow_ = false;  // the photo on its way (or shown) was a slideshow's
    bool copyFellShort_ = false;  // a paint could not draw the display copy standing for the photo
    // The start waits once for the window to be exposed, so that the
    // command-line photo's first picture can be seen (see startupBegin).
    enum class ExposureWait { NotYet, Waiting, Over };
    ExposureWait exposureWait_ = ExposureWait::NotYet;
    // The start waits for its photo to be on screen before it is over.
    bool finishStartupWithPhoto_ = false;
    void exposureWaitEnds();
    NavigatorControl* navigator_ = nullptr;
    Slideshows* slideshows_ = nullptr;
    EffectRunner effectRunner_;
    SlideshowCommands slideshowCommands_;
    MusicPlayer* music_ = nullptr;
    SelectionDialogs* selection_ = nullptr;
    std::string pathToOpen_;
    std::string script_;
    bool destroyed_ = false;
    ViewerMacroQueries macroQueries_;
    CommentView comments_;
    FileActions fileActions_;
    ShownPhoto shownPhoto() const;
    // A transition effect runs or may be chosen for the next photo shown.
    bool effectMayRun() const;
    // The screen's colour profile as the desktop gives it now (the same
    // object while its bytes stay the same).
    ColourProfilePtr screenColours();
    ColourProfilePtr screenColours_;
    PhotoPrefetcher prefetch_;
    PhotoLoader loader_;
};

}  // namespace vellumo
