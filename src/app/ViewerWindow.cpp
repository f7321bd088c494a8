#include "app/ViewerWindow.h"

#include "config/SettingsScope.h"
#include "platform/Files.h"
#include "platform/StartupTrace.h"
#include "platform/TextCompare.h"
#include "sound/MusicPlayer.h"

namespace vellumo {

// Start-up, command routing, settings changes and shutdown; the window's own
// commands, its input and its side of showing a photo are in the
// ViewerWindow*.cpp files beside this one.

ViewerWindow::ViewerWindow(ViewerContext context)
    : context_(std::move(context)),
      queue_(context_.queue),
      host_(context_.host),
      desktop_(context_.desktop),
      screenRect_(desktop_.screenRect()),
      display_(*this, screenRect_, context_.scopes.current().ScaleStart),
      commandQueue_(queue_, this, [this](const QueuedCommand& c) { execute(c.command, c.repeatCount, c.fromMouse); }),
      effectRunner_(queue_, host_, this, cmd::EffectFinished),
      slideshowCommands_(slideshowCommandContext()),
      comments_(host_, desktop_, context_.scopes),
      fileActions_(desktop_, queue_, this, context_.scopes, context_.program, *this),
      prefetch_(queue_),
      loader_(prefetch_, preview_, context_.startPicture, [this] { return backgroundColor(); },
              [this] { return screenColours(); }) {
    prefetch_.setSources({[this] { return navigator_ ? navigator_->upcomingPhotos() : std::vector<std::string>(); },
                          [this] { return navigator_ && navigator_->thumbnailsBusy(); },
                          [this] { return photoPlacement(); },
                          [this] { return !effectMayRun(); },
                          [this](ShownDecode decoded) { photoDecoded(std::move(decoded)); },
                          [this](const std::string& path, PrefetchWorker::FirstPicture picture) {
                              loader_.firstPicture(path, std::move(picture));
                          },
                          [this] { return backgroundColor(); },
                          [this] { return screenColours(); },
                          [this](const std::string& path) { photoFileChanged(path); }});
    fileActions_.setTitle(programTitle());
    macroQueries_.folder = [this] { return navigator_ ? navigator_->locationText() : std::string(); };
    comments_.setQueries(&macroQueries_);
}

SlideshowCommandContext ViewerWindow::slideshowCommandContext() {
    SlideshowCommandContext c;
    c.queue = &queue_;
    c.viewer = this;
    c.desktop = &desktop_;
    c.slideshows = [this] { return slideshows_; };
    c.navigator = [this]() -> CommandTarget* { return navigator_ ? navigator_->commandTarget() : nullptr; };
    c.endEffect = [this] { endEffect(); };
    c.settings = [this]() -> const Settings& { return settings(); };
    c.runCommandList = [this](const CommandList& list) { runCommandList(list); };
    c.wholeArchiveText = [this] { return context_.scopes.language().text(LanguageKey::SlideShow); };
    c.programFolder = context_.program.folder;
    c.programDrive = context_.program.drive;
    c.userFolder = context_.program.userFolder;
    c.screen = screenRect_;
    return c;
}

PrefetchWorker::Placement ViewerWindow::photoPlacement() const {
    // As PhotoDisplay places a photo it loads.
    return [views = display_.newPhotoViews()](Size bitmap) {
        const Rect shown = views(bitmap.cx, bitmap.cy).photoRect();
        return Size{shown.width(), shown.height()};
    };
}

void ViewerWindow::setStartupDecode(std::unique_ptr<StartupDecode> early) {
    // Where the photo will be shown, as the settings stand now: a photo
    // decoded for its display copy at that size is decoded whole instead
    // should its folder's settings place it otherwise.
    if (early) {
        early->showAt(photoPlacement());
        early->setNotify([this] { queue_.post(this, cmd::StartupDecodeNews); });
    }
    loader_.setStartupDecode(std::move(early));
}

void ViewerWindow::endEffect() {
    if (effectRunner_.stop()) redrawAll();
}

ViewerWindow::~ViewerWindow() {
    // The start-up decode posts no note after this.
    loader_.release();
    queue_.forget(this);
}

std::string ViewerWindow::programTitle() const {
    const std::string& base = context_.program.baseName;
    return EqualsNoCase(base, "Vellumo") || base.empty() ? std::string("Vellumo") : base;
}

void ViewerWindow::create(const std::string& pathToOpen, const std::string& script) {
    pathToOpen_ = pathToOpen;
    script_ = script;
    screenRect_ = desktop_.screenRect();
    host_.setTitle("Vellumo");
    host_.setIcon(settings().ApplicationIcon);
    host_.move(screenRect_);
    host_.setVisible(true);
    TraceStartup("window shown");
    // The Navigator is created with the window, hidden until StartupBegin.
    if (navigator_) navigator_->open();
    // Until a photo is shown the whole screen is background.
    display_.setScreenRect(screenRect_);
    comments_.layout(screenRect_);
    queue_.post(this, cmd::StartupBegin);
}

void ViewerWindow::startupBegin() {
    // The command-line photo is being decoded and may give a first picture:
    // the start waits (briefly) for the window to be exposed, since a first
    // picture painted before that is never seen.
    if (exposureWait_ == ExposureWait::NotYet && loader_.startupDecodeMayGiveFirstPicture() &&
        !host_.isExposed()) {
        exposureWait_ = ExposureWait::Waiting;
        queue_.setTimer(this, kStartupExposureTimer, 100);
        return;
    }
    TraceStartup("startup begins");
    host_.setFocus();
    if (!script_.empty()) {
        // A script on the command line runs as an automatic total slideshow.
        settings().SlideShowAutoExec = 1;
        settings().SlideShowAutoExecScript = script_;
    } else if (!pathToOpen_.empty()) {
        display_.setNoPhoto(false);
        if (navigator_) navigator_->goToPath(pathToOpen_);
        else if (IsRegularFile(pathToOpen_)) display_.showPhotoFresh(pathToOpen_);
        host_.invalidateAll();
        host_.update();
        if (navigator_) navigator_->setShown(settings().Navigator == 1);
        finishStartupWhenListed();
        return;
    }
    if (!context_.startPicture.empty() && IsRegularFile(context_.startPicture)) {
        display_.showStartPicture(context_.startPicture);
        if (navigator_) navigator_->resetSlideshowTicks();
    } else {
        host_.invalidateAll();
        host_.update();
    }
    if (navigator_) navigator_->setShown(settings().Navigator == 1);
    if (settings().KeysHelpRunCount != 0) execute(cmd::HotkeysHelp, 1, false);
    finishStartupWhenListed();
}

// The start is over once the Navigator shows its folder: the commands after
// the start find its rows, as when the folder was read at once.
void ViewerWindow::finishStartupWhenListed() {
    if (!navigator_) {
        queue_.post(this, cmd::StartupFinish);
        return;
    }
    navigator_->whenListed([this] { queue_.post(this, cmd::StartupFinish); });
}

void ViewerWindow::startupFinish() {
    // The start is over once its photo is on screen: the commands after the
    // start act on it, as when it was decoded before the window went on.
    if (display_.photoOnItsWay()) {
        finishStartupWithPhoto_ = true;
        return;
    }
    TraceStartup("startup finishes");
    // A command-line photo the start-up did not show needs no decode.
    loader_.dropStartupDecode();
    // The start picture's sound is heard to its end first.
    if (music_ && music_->soundCommentHolds()) {
        music_->whenSoundCommentEnds([this] { startupFinish(); });
        return;
    }
    if (music_) music_->StartMusic();
    if (settings().SlideShowAutoExec == 1) queue_.post(this, cmd::AutoExecSlideshow);
    else if (settings().SlideShowAutoExec == 2) queue_.post(this, cmd::SmallSlideshow);
    runCommandList(settings().CommandsAfterProgramStart);
    // Behind the start-up commands: when one of them closes the program, the
    // rest of a large folder's listing is never sorted.
    queue_.post(this, cmd::StartupOver);
}

void ViewerWindow::runCommandList(const CommandList& list) {
    CommandTarget* navigator = navigator_ ? navigator_->commandTarget() : this;
    RunCommandList(list, queue_, this, navigator, viewerHasFocus(), selectionDialogOpen());
}

bool ViewerWindow::viewerHasFocus() const { return !(navigator_ && navigator_->listHasFocus()); }

void ViewerWindow::onCommand(int command, std::intptr_t param) {
    switch (command) {
        case cmd::StartupBegin: startupBegin(); return;
        case cmd::StartupFinish: startupFinish(); return;
        case cmd::StartupOver:
            if (navigator_) navigator_->startupOver();
            return;
        case cmd::StartupDecodeNews:
            if (std::optional<DecodedPhoto> photo = loader_.earlyNews()) photoArrived(*photo);
            return;
        case cmd::KeyDownTrigger: runCommandList(settings().CommandsAfterKeyDown); return;
        case cmd::MouseMoveTrigger: runCommandList(settings().CommandsAfterMouseMove); return;
        // The transition is over: the photo's sound comment plays now, and a
        // slideshow's next step waits for it.
        case cmd::EffectFinished: playSoundComment(display_.photoPath()); return;
        case cmd::EditorClosed: fileActions_.editorClosed(param != 0); return;
        case cmd::EditorChosen: fileActions_.editorChosen(param); return;
        case cmd::OpenerEnded: fileActions_.openerEnded(static_cast<int>(param)); return;
        default: break;
    }
    if (FindCommand(command) || (command >= cmd::AutoExecSlideshow && command <= cmd::SettingsTemplateLast)) {
        // Posted commands (menus, command lists, the wheel) run once.
        execute(command, param > 1 ? static_cast<int>(param) : 1, false);
    }
}

void ViewerWindow::onTimer(int timerId) {
    if (timerId == kStartupExposureTimer) {
        exposureWaitEnds();
        return;
    }
    commandQueue_.onTimer(timerId);
}

// The wait for the window's exposure at the start ends (a paint, or the
// timer): the start goes on.
void ViewerWindow::exposureWaitEnds() {
    if (exposureWait_ != ExposureWait::Waiting) return;
    exposureWait_ = ExposureWait::Over;
    queue_.killTimer(this, kStartupExposureTimer);
    queue_.post(this, cmd::StartupBegin);
}

void ViewerWindow::forwardToNavigator(int command, int repeat) {
    if (!navigator_) {
        beep(BeepKind::Default);
        return;
    }
    queue_.post(navigator_->commandTarget(), command, repeat);
}

void ViewerWindow::execute(int command, int repeat, bool fromMouse) {
    const CommandInfo* info = FindCommand(command);
    if (!info) {
        // The numbered items of the script and template menus.
        if (!slideshowCommands_.handle(command, repeat)) fileActions_.runMenuItem(command);
        return;
    }
    if (RouteCommand(command, viewerHasFocus()) == WindowId::Navigator) {
        forwardToNavigator(command, 1);
        return;
    }
    switch (info->handler) {
        case CommandHandler::PhotoDisplay: display_.runCommand(command, repeat); return;
        case CommandHandler::Slideshows: slideshowCommands_.handle(command, repeat); return;
        case CommandHandler::FileActions: fileActions_.run(command); return;
        case CommandHandler::Comments: comments_.runCommand(command); return;
        case CommandHandler::Sound: soundCommand(command); return;
        case CommandHandler::Navigator: forwardToNavigator(command, repeat); return;
        case CommandHandler::Viewer: viewerCommand(command, fromMouse); return;
    }
}
std::string ViewerWindow::currentPhoto() const {
    return display_.noPhoto() ? std::string() : display_.photoPath();
}

bool ViewerWindow::navigatorListsNames() const {
    return navigator_ && navigator_->isShown() && settings().Thumbnails == 0;
}

void ViewerWindow::refreshPhotoEntry(const std::string& photo) {
    if (navigator_) navigator_->refreshPhotoEntry(photo);
}

void ViewerWindow::refreshNavigatorList() { forwardToNavigator(cmd::Refresh, 1); }
void ViewerWindow::destroyed() {
    if (destroyed_) return;
    destroyed_ = true;
    comments_.destroy();
    // Free what the window owns, in order: the Navigator, the bitmap and the
    // decoder's state, the command timer.
    effectRunner_.stop();
    fileActions_.stop();
    prefetch_.stop();
    if (navigator_) navigator_->destroy();
    navigator_ = nullptr;
    slideshows_ = nullptr;
    loader_.release();
    commandQueue_.clear();
    queue_.killTimer(this, kCommandQueueTimer);
    queue_.killTimer(this, kStartupExposureTimer);
    queue_.forget(this);
}

void ViewerWindow::displayChanged() {
    screenRect_ = desktop_.screenRect();
    display_.setScreenRect(screenRect_);
    slideshowCommands_.setScreen(screenRect_);
    comments_.layout(screenRect_);
    host_.move(screenRect_);
    host_.invalidateAll();
}

void ViewerWindow::screenColoursChanged() {
    if (display_.noPhoto() || display_.photoPath().empty()) return;
    display_.showPhoto(display_.photoPath());
}

void ViewerWindow::settingsChanged(const SettingsChangeSet& changes, int scopeKind) {
    if (changes.has(SectionGeneral, 0x4)) host_.setIcon(settings().ApplicationIcon);
    if (changes.has(SectionGeneral, 0x200)) display_.scaleStartChanged(settings().ScaleStart);
    if (changes.has(SectionNavigator, 0x1) && navigator_) queue_.post(navigator_->commandTarget(), cmd::ToggleNavigator);
    if (scopeKind == ChangeByPhoto) return;  // the photo load repaints anyway
    // Rectangle, text and drawing rectangle again; old and new places repainted.
    comments_.recompose(shownPhoto());
    comments_.layout(screenRect_);
    // The language tag of the caption.
    if (changes.has(SectionGeneral, 0x1) && navigator_) navigator_->captionSourcesChanged(kCaptionTagStates);
    bool invalidated = false;
    if (changes.has(SectionGeneral, 0x20)) {
        host_.invalidateAll();
        invalidated = true;
    }
    if (invalidated) host_.update();
}

void ViewerWindow::setBusyCursor(bool busy) {
    if (busy) display_.setBusyCursor(ViewCursors::TotalCollecting);
    else display_.restoreCursor();
}

void ViewerWindow::lockCursor(int cursorId) {
    if (cursorId != 0) display_.lockCursor(cursorId);
    else display_.unlockCursor();
}

void ViewerWindow::setTitleFromCaption(const std::string& caption) {
    host_.setTitle(caption + " - " + programTitle());
}
}  // namespace vellumo
