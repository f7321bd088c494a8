#include "app/ViewerWindow.h"

#include <cstring>

#include "comments/RotationMacro.h"
#include "config/SettingsScope.h"
#include "imaging/AlphaMatte.h"
#include "imaging/RotateFilter.h"
#include "imaging/TextException.h"
#include "platform/Files.h"
#include "platform/StartupTrace.h"
#include "platform/TextCompare.h"
#include "slideshow/ScriptFiles.h"
#include "sound/MusicPlayer.h"
#include "sound/SoundComment.h"

namespace vellumo {

namespace {

// The language text of a key name ("ZoomIn"); "" for unknown names.
std::string LanguageTextOfKey(const Language& language, std::string_view key) {
    const auto& entries = LanguageEntries();
    for (size_t i = 0; i < entries.size(); ++i)
        if (key == entries[i].key) return language.text(static_cast<LanguageKey>(i));
    return {};
}

std::vector<MenuItem> ToMenuItems(const std::vector<ViewerMenuEntry>& entries) {
    std::vector<MenuItem> items;
    for (const auto& e : entries) {
        MenuItem item;
        item.id = e.command;
        item.text = e.text;
        item.enabled = e.enabled;
        item.checked = e.checked;
        item.separator = e.separator;
        item.children = ToMenuItems(e.submenu);
        items.push_back(std::move(item));
    }
    return items;
}


}  // namespace

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
      prefetch_(queue_) {
    prefetch_.setSources({[this] { return navigator_ ? navigator_->upcomingPhotos() : std::vector<std::string>(); },
                          [this] { return navigator_ && navigator_->thumbnailsBusy(); },
                          [this] {
                              // As PhotoDisplay places a photo it loads.
                              PhotoView view = display_.view();
                              if (!scaleSavingMode()) view.setScaleMode(ScaleModeFromLetter(scaleStart()));
                              return [view](Size bitmap) mutable {
                                  view.setImageSize(bitmap.cx, bitmap.cy);
                                  view.applyScaleMode();
                                  return Size{view.photoRect().width(), view.photoRect().height()};
                              };
                          },
                          [this] { return !effectMayRun(); },
                          [this] { return backgroundColor(); }});
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

void ViewerWindow::endEffect() {
    if (effectRunner_.stop()) redrawAll();
}

ViewerWindow::~ViewerWindow() { queue_.forget(this); }

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
    if (exposureWait_ == ExposureWait::NotYet && startupDecode_ && startupDecode_->mayGiveFirstPicture() &&
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
        queue_.post(this, cmd::StartupFinish);
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
    queue_.post(this, cmd::StartupFinish);
}

void ViewerWindow::startupFinish() {
    TraceStartup("startup finishes");
    // A command-line photo the start-up did not show needs no decode.
    startupDecode_.reset();
    // The start picture's sound is heard to its end first.
    if (music_ && music_->soundCommentHolds()) {
        music_->whenSoundCommentEnds([this] { startupFinish(); });
        return;
    }
    if (music_) music_->StartMusic();
    if (settings().SlideShowAutoExec == 1) queue_.post(this, cmd::AutoExecSlideshow);
    else if (settings().SlideShowAutoExec == 2) queue_.post(this, cmd::SmallSlideshow);
    runCommandList(settings().CommandsAfterProgramStart);
    // After the start-up commands: they may close the program at once.
    if (navigator_) navigator_->startupOver();
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
        case cmd::KeyDownTrigger: runCommandList(settings().CommandsAfterKeyDown); return;
        case cmd::MouseMoveTrigger: runCommandList(settings().CommandsAfterMouseMove); return;
        // The transition is over: the photo's sound comment plays now, and a
        // slideshow's next step waits for it.
        case cmd::EffectFinished: playSoundComment(display_.photoPath()); return;
        case cmd::EditorClosed: fileActions_.editorClosed(); return;
        default: break;
    }
    if (IsUserCommand(command) || (command >= cmd::AutoExecSlideshow && command <= cmd::SettingsTemplateLast)) {
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
    if (command >= cmd::ZoomIn && command <= cmd::RotateRightMacro) {
        display_.runCommand(command, repeat);
        return;
    }
    if (slideshowCommands_.handle(command, repeat)) return;
    if (FileActions::Handles(command)) {
        fileActions_.run(command);
        return;
    }
    const CommandInfo* info = FindCommand(command);
    if (info && info->owner == CommandOwner::Navigator) {
        forwardToNavigator(command, repeat);
        return;
    }
    switch (command) {
        case cmd::Refresh:
            if (RouteCommand(command, viewerHasFocus()) == WindowId::Navigator) forwardToNavigator(command, 1);
            else display_.runCommand(command, 1);
            return;
        case cmd::ContextMenu:
            if (RouteCommand(command, viewerHasFocus()) == WindowId::Navigator) {
                forwardToNavigator(command, 1);
                return;
            }
            showViewerMenu(fromMouse);
            return;
        case cmd::ViewerMenu: showViewerMenu(fromMouse); return;
        case cmd::SwitchScaleSaving: display_.runCommand(command, 1); return;
        case cmd::Exit:
            TraceStartup("exit command");
            host_.close();
            return;
        case cmd::SwitchIntelliMouse:
            beep(BeepKind::Exclamation);
            settings().IntelliMouseMode = ToggledIntelliMouseMode(settings().IntelliMouseMode);
            return;
        case cmd::SelectLanguage: runSelection(SelectionUse::Language); return;
        case cmd::SelectHotkeys: runSelection(SelectionUse::Hotkeys); return;
        case cmd::ToggleComment:
        case cmd::CommentOn:
        case cmd::CommentOff:
        case cmd::CommentFont:
        case cmd::FontSmaller:
        case cmd::FontLarger:
        case cmd::ToggleBold:
        case cmd::ToggleItalic:
        case cmd::ToggleUnderline:
        case cmd::CommentRectangle:
        case cmd::CommentColour:
        case cmd::BackgroundColour:
        case cmd::ShadowColour:
        case cmd::CopyComment:
        case cmd::CopyMacros:
            comments_.runCommand(command);
            return;
        case cmd::ToggleSoundComments:
        case cmd::SoundCommentsOn:
        case cmd::SoundCommentsOff:
        case cmd::ToggleMusic:
        case cmd::MusicOn:
        case cmd::MusicOff: soundCommand(command); return;
        default: return;  // a number no command of the viewer has
    }
}

void ViewerWindow::soundCommand(int command) {
    if (command >= cmd::ToggleSoundComments && command <= cmd::SoundCommentsOff) {
        const bool on = settings().PlaySoundCommentToPhoto == 1;
        const bool now = SwitchedSoundComments(command, on);
        if (now == on) return;
        settings().PlaySoundCommentToPhoto = now ? 1 : 0;
        musicStateChanged();  // the SOUND tags show the switch
        if (!now && music_) music_->soundComments().stop();
        return;
    }
    if (!music_) return;
    switch (command) {
        case cmd::ToggleMusic: music_->ToggleMusic(); return;
        case cmd::MusicOn: music_->MusicOn(); return;
        case cmd::MusicOff: music_->MusicOff(); return;
        default: return;
    }
}

void ViewerWindow::playSoundComment(const std::string& photoPath) {
    if (!music_) return;
    SoundCommentSituation situation;
    situation.commentsOn = settings().PlaySoundCommentToPhoto == 1;
    situation.noPhoto = display_.noPhoto();
    situation.slideshowStepping = music_->inSlideshow() && !totalSlideshowPaused();
    situation.ctrlDown = desktop_.isKeyDown(0x11);
    PlaySoundComment(photoPath, situation, music_->soundComments());
}

void ViewerWindow::musicStateChanged() {
    // The comment (and its music macros and tags) is composed again and redrawn.
    recomposeComment();
}

void ViewerWindow::runSelection(SelectionUse use) {
    if (!selection_ || selection_->isOpen()) return;
    const bool navigatorHadFocus = navigator_ && navigator_->listHasFocus();
    const bool loaded = selection_->run(use);
    // A new language changes the texts the comment may show.
    if (loaded && use == SelectionUse::Language && !display_.noPhoto()) composeComment();
    redrawAll();
    if (navigatorHadFocus && navigator_) navigator_->focusList();
    else host_.setFocus();
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

void ViewerWindow::showViewerMenu(bool fromMouse) {
    const Settings& s = settings();
    const PhotoView& view = display_.view();
    ViewerMenuState state;
    state.noPhoto = display_.noPhoto();
    state.canZoomIn = view.canZoomIn();
    state.canZoomOut = view.canZoomOut();
    const Rect& photo = view.photoRect();
    state.photoLeftOfScreen = photo.left < screenRect_.left;
    state.photoRightOfScreen = photo.right > screenRect_.right;
    state.photoAboveScreen = photo.top < screenRect_.top;
    state.photoBelowScreen = photo.bottom > screenRect_.bottom;
    state.hasPreviousPhoto = navigator_ && navigator_->canStep(false);
    state.hasNextPhoto = navigator_ && navigator_->canStep(true);
    state.smallSlideshowCanStart = slideshows_ && slideshows_->smallCommandActs();
    state.totalSlideshowRuns = slideshows_ && slideshows_->totalRunning();
    state.totalSlideshowPaused = totalSlideshowPaused();
    state.navigatorVisible = navigator_ && navigator_->isShown();
    state.commentOn = s.Comment == 1;
    state.thumbnailsOn = s.Thumbnails == 1;
    state.soundCommentsOn = s.PlaySoundCommentToPhoto == 1;
    state.musicPresent = s.MusicPresent;
    state.musicListEmpty = !music_ || !music_->hasFiles();
    state.musicPlays = music_ && music_->isPlaying();
    state.zoomTargetZero = view.zoomSteps().target == 0;
    state.scaleMode = ScaleLetter(view.scaleMode());
    const Language& language = context_.scopes.language();
    auto entries = ComposeViewerMenu(
        state, [&](std::string_view key) { return LanguageTextOfKey(language, key); },
        [&](int command) { return HotkeyText(context_.hotkeys.keys, command); });
    MenuPlacement placement = ViewerMenuPlacement(fromMouse, commandQueue_.lastMousePosition(), screenRect_);
    int chosen = desktop_.popupMenu(ToMenuItems(entries), placement.point,
                                     placement.alignment == MenuPlacement::RightEdgeAtPoint
                                         ? MenuAlign::RightVerticalCenter
                                         : MenuAlign::Centered);
    if (chosen != 0) execute(chosen, 1, false);
}

bool ViewerWindow::preTranslateKeyDown(const KeyInput& key, FocusPlace focus) {
    KeyContext context;
    context.focus = focus;
    context.navigatorVisible = navigator_ && navigator_->isShown();
    context.smallSlideshowRuns = slideshows_ && slideshows_->smallRunning();
    context.selectionDialogOpen = selectionDialogOpen();
    KeyOutcome outcome = PreTranslateKeyDown(key, context, context_.hotkeys.keys);
    if (outcome.stopSmallSlideshow && slideshows_) slideshows_->stopSmall();
    if (outcome.postKeyDownTrigger) queue_.post(this, cmd::KeyDownTrigger);
    switch (outcome.focusChange) {
        case KeyOutcome::FocusChange::ToNavigator:
            if (navigator_) navigator_->focusList();
            break;
        case KeyOutcome::FocusChange::ToViewer: host_.setFocus(); break;
        case KeyOutcome::FocusChange::ShowNavigator:
            if (navigator_) navigator_->setShown(true);
            break;
        case KeyOutcome::FocusChange::None: break;
    }
    if (outcome.command != 0) {
        if (outcome.delivery == KeyOutcome::Delivery::QueueToViewer) commandQueue_.queue(outcome.command);
        else if (outcome.delivery == KeyOutcome::Delivery::PostToNavigator) forwardToNavigator(outcome.command, 1);
    }
    return outcome.consumed;
}

bool ViewerWindow::keyDown(const KeyEvent&) {
    // Keys were handled by the pre-translation before the window saw them.
    return false;
}

void ViewerWindow::mouseDown(MouseButton button, Point p, const KeyEvent&) {
    if (button == MouseButton::Left) {
        if (comments_.mouseDown(p) || display_.leftButtonDown(p)) host_.captureMouse(true);
    } else if (button == MouseButton::Right) {
        commandQueue_.mouseButton(p, CommandForMouse(MouseAction::RightClick, context_.hotkeys.mouse));
    }
}

void ViewerWindow::mouseUp(MouseButton button, Point p) {
    if (button == MouseButton::Left) {
        if (!comments_.mouseUp(p)) display_.leftButtonUp(p);
        host_.captureMouse(false);
    }
}

void ViewerWindow::mouseDoubleClick(MouseButton button, Point p) {
    if (button == MouseButton::Left)
        commandQueue_.mouseButton(p, CommandForMouse(MouseAction::LeftDoubleClick, context_.hotkeys.mouse));
    else if (button == MouseButton::Middle)
        commandQueue_.mouseButton(p, CommandForMouse(MouseAction::MiddleDoubleClick, context_.hotkeys.mouse));
    else
        mouseDown(button, p, {});
}

void ViewerWindow::mouseMove(Point p, bool leftDown) {
    if (commandQueue_.mouseMoved(p)) queue_.post(this, cmd::MouseMoveTrigger);
    if (!leftDown && (display_.dragging() || comments_.tracker().dragging())) {
        // The release went elsewhere (a menu, another window): the drag is over.
        mouseUp(MouseButton::Left, p);
        return;
    }
    const bool trackerTook = comments_.mouseMove(p);
    if (!comments_.tracker().dragging()) display_.mouseMove(p, trackerTook);
}

void ViewerWindow::focusChanged(bool hasFocus) {
    if (!hasFocus) endDragSilently();
}

void ViewerWindow::activationChanged(bool) { endDragSilently(); }

void ViewerWindow::endDragSilently() {
    if (comments_.mouseUp({})) host_.captureMouse(false);
    if (!display_.dragging()) return;
    display_.activationChanged();
    host_.captureMouse(false);
}

void ViewerWindow::scrollStep(int axis, bool forward) {
    display_.scroll(axis == 0 ? Axis::Horizontal : Axis::Vertical,
                    forward ? ScrollCode::LineForward : ScrollCode::LineBack);
}

void ViewerWindow::wheel(int delta, Point) {
    int command = CommandForWheel(delta, settings().IntelliMouseMode);
    if (command != 0) queue_.post(this, command);
}

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
    bitmap_.reset();
    startupDecode_.reset();
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

// ---- PhotoDisplayHost ----

char ViewerWindow::scaleStart() const { return settings().ScaleStart; }
bool ViewerWindow::scaleSavingMode() const { return settings().ScaleSavingMode == 1; }
void ViewerWindow::setScaleSavingMode(bool on) { settings().ScaleSavingMode = on ? 1 : 0; }
ColorRef ViewerWindow::backgroundColor() const { return settings().BackgroundColor; }
void ViewerWindow::hideComment() { settings().Comment = 0; }
void ViewerWindow::hideNavigator() {
    if (navigator_ && navigator_->isShown()) navigator_->setShown(false);
}
void ViewerWindow::redrawAll() {
    host_.invalidateAll();
    host_.update();
}
void ViewerWindow::setCursor(CursorId cursor) { host_.setCursor(cursor); }
Point ViewerWindow::mousePosition() const { return commandQueue_.lastMousePosition(); }
void ViewerWindow::beep(BeepKind kind) { desktop_.beep(kind); }
void ViewerWindow::runCommandsAfterZoom(bool zoomedIn) {
    runCommandList(zoomedIn ? settings().CommandsAfterZoomIn : settings().CommandsAfterZoomOut);
}
// Any entry counts: a FIFO, socket or device named like a photo is refused by
// the decoder (without being opened) with its message, like any bad file.
bool ViewerWindow::fileExists(const std::string& path) { return FileExists(path); }
void ViewerWindow::enterPhotoScope(const std::string& path) { context_.scopes.EnterPhoto(path); }

DecodedPhoto ViewerWindow::decodePhoto(const std::string& path) {
    // The photo shown again (turned, refreshed) while its file is unchanged:
    // its bitmap stands for the decode.
    if (bitmap_ && shownDecode_ && shownDecode_->path == path && StampOfFile(path) == shownDecode_->stamp &&
        (!shownDecode_->matte || *shownDecode_->matte == backgroundColor())) {
        turnedAhead_.reset();
        if (shownDecode_->turn != 0.0) turnedAhead_ = TurnedAhead{shownDecode_->turn, shownDecode_->decodedSize};
        return {true, shownDecode_->decodedSize.cx, shownDecode_->decodedSize.cy, {}};
    }
    // Taken before the photo on screen goes back: that drops what is no longer wanted.
    std::optional<PrefetchedPhoto> ahead = prefetch_.take(path);
    // Laid over another background than this photo's: decoded anew.
    if (ahead && ahead->matte && *ahead->matte != backgroundColor()) ahead.reset();
    keepShownPhoto();
    turnedAhead_.reset();
    shownDecode_.reset();
    photoText_.clear();
    const std::optional<FileStamp> stamp = StampOfFile(path);
    // The first photo may have been decoded while the program started.
    if (std::unique_ptr<StartupDecode> early = std::move(startupDecode_)) {
        TraceStartup("waiting for the early decode");
        auto showFirstPicture = [this](const CBmp& coarse, Size photo) {
            earlyFirstPicture_ = true;
            if (preview_.PreviewSizeFor(photo.cx, photo.cy, true).cx > 0) preview_.ShowPreview(coarse);
            earlyFirstPicture_ = false;
        };
        if (std::optional<EarlyPhoto> photo = early->take(path, showFirstPicture)) {
            TraceStartup("early decode taken");
            bitmap_ = std::move(photo->bitmap);
            photoText_ = std::move(photo->text);
            // Decoded before the settings were read: laid over the background now.
            std::optional<ColorRef> matte;
            if (ShowOverBackground(*bitmap_, backgroundColor())) matte = backgroundColor();
            if (stamp && path != context_.startPicture)
                shownDecode_ = ShownDecode{path, *stamp, bitmap_->GetSize(), 0.0, matte};
            return {true, bitmap_->GetWidth(), bitmap_->GetHeight(), {}};
        }
    }
    if (ahead && ahead->screenCopyOnly()) {
        // Kept as what the screen needs: its display copy goes on screen at
        // once, then the file decodes (without a coarser first picture) for
        // everything else, zoom, rotation and the comment included.
        previewText_ = ahead->text;
        const bool shown = preview_.ShowScreenCopy(ahead->screenCopyKey, ahead->decodedSize);
        previewText_.clear();
        const std::uint64_t copyKey = ahead->screenCopyKey;
        const FileStamp aheadStamp = ahead->stamp;
        ahead.reset();
        DecodedPhoto decoded = decodeFile(path, stamp, !shown);
        // Unchanged since the copy was made: the same pixels, so the copy is the new bitmap's too.
        if (decoded.ok && bitmap_ && StampOfFile(path) == aheadStamp)
            prefetch_.screenCopyDecoded(copyKey, bitmap_->GetCacheKey());
        return decoded;
    }
    if (ahead) {
        bitmap_ = std::move(ahead->bitmap);
        photoText_ = std::move(ahead->text);
        if (ahead->turn != 0.0) turnedAhead_ = TurnedAhead{ahead->turn, ahead->decodedSize};
        shownDecode_ = ShownDecode{path, ahead->stamp, ahead->decodedSize, ahead->turn, ahead->matte};
        return {true, ahead->decodedSize.cx, ahead->decodedSize.cy, {}};
    }
    return decodeFile(path, stamp, true);
}

DecodedPhoto ViewerWindow::decodeFile(const std::string& path, const std::optional<FileStamp>& stamp,
                                      bool firstPicture) {
    TraceStartup("decode begins");
    bitmap_ = std::make_unique<CDrawDibBmp>();
    // A first picture may be painted while the file decodes (PhotoPreview).
    decoder_.SetPreviewSink(firstPicture ? &preview_ : nullptr);
    try {
        decoder_.DecodeFile(path, *bitmap_);
        TraceStartup("decode ends");
    } catch (const CTextException& e) {
        decoder_.SetPreviewSink(nullptr);
        bitmap_.reset();
        return {false, 0, 0, e.GetErrorText()};
    } catch (const std::bad_alloc&) {
        decoder_.SetPreviewSink(nullptr);
        bitmap_.reset();
        return {false, 0, 0, "out of memory"};
    }
    decoder_.SetPreviewSink(nullptr);
    photoText_ = decoder_.GetText();
    // A picture whose alpha is shown: over the background, for the view, the
    // comment and the transition effects alike.
    std::optional<ColorRef> matte;
    if (ShowOverBackground(*bitmap_, backgroundColor())) matte = backgroundColor();
    if (stamp && path != context_.startPicture)
        shownDecode_ = ShownDecode{path, *stamp, bitmap_->GetSize(), 0.0, matte};
    return {true, bitmap_->GetWidth(), bitmap_->GetHeight(), {}};
}

bool ViewerWindow::previewAllowed() {
    // Only on a window already on screen: a paint before the window is first
    // exposed is lost. At start-up it may be exposed without a paint yet.
    if (!paintedOnce_ && !(earlyFirstPicture_ && host_.isExposed())) return false;
    // Never for the start picture, nor for a photo that will be turned (by the
    // commands or by the rotation macros of its comment file).
    if (display_.noPhoto() || display_.rotatePending() ||
        comments_.rotationAngleFor(display_.photoPath(), previewText_) != 0.0)
        return false;
    // A transition effect shows the full picture, never the first one.
    return !effectMayRun();
}

bool ViewerWindow::effectMayRun() const {
    if (effectRunner_.running()) return true;
    ShowState shows;
    shows.smallRuns = slideshows_ && slideshows_->smallRunning();
    shows.totalRuns = slideshows_ && slideshows_->totalRunning();
    return context_.effects && context_.effects->mayChoose(settings().Effects, shows);
}

void ViewerWindow::paintPreviewNow() {
    host_.invalidateAll();
    host_.update();
}

void ViewerWindow::keepShownPhoto() {
    if (!bitmap_ || !shownDecode_) return;
    PrefetchedPhoto photo;
    photo.path = shownDecode_->path;
    photo.stamp = shownDecode_->stamp;
    photo.bitmap = std::move(bitmap_);
    photo.text = photoText_;
    photo.decodedSize = shownDecode_->decodedSize;
    photo.turn = shownDecode_->turn;
    photo.matte = shownDecode_->matte;
    prefetch_.keep(std::move(photo));
}

void ViewerWindow::undoTurnAhead() {
    if (!turnedAhead_ || !bitmap_) return;
    const double turn = turnedAhead_->turn;
    turnedAhead_.reset();
    // Quarter turns move whole pixels: turning back gives the decode exactly.
    auto back = std::make_unique<CDrawDibBmp>();
    try {
        RotateFilter(-turn, 0).Apply(*bitmap_, *back);
    } catch (const CTextException&) {
        shownDecode_.reset();
        return;
    } catch (const std::bad_alloc&) {
        shownDecode_.reset();
        return;
    }
    bitmap_ = std::move(back);
    if (shownDecode_) shownDecode_->turn = 0.0;
}

ShownPhoto ViewerWindow::shownPhoto() const {
    ShownPhoto photo;
    if (!display_.noPhoto()) photo.path = display_.photoPath();
    if (turnedAhead_) {
        photo.width = turnedAhead_->decodedSize.cx;
        photo.height = turnedAhead_->decodedSize.cy;
    } else if (bitmap_) {
        photo.width = bitmap_->GetWidth();
        photo.height = bitmap_->GetHeight();
    }
    return photo;
}

void ViewerWindow::composeComment() {
    MacroExpansion expanded = comments_.showPhoto(shownPhoto(), bitmap_ ? photoText_ : std::string());
    display_.setMacroRotationAngle(expanded.rotationAngle);
    if (expanded.rotate) display_.setRotatePending();
    if (navigator_) navigator_->captionSourcesChanged(kPhotoMacroBits);
}

void ViewerWindow::recomposeComment() {
    comments_.recompose(shownPhoto());
    if (navigator_) navigator_->captionSourcesChanged(~std::uint32_t{0});
}

std::string ViewerWindow::expandCaption(const std::string& name, std::uint32_t& flags) {
    return comments_.expandCaption(name, shownPhoto(), flags);
}

std::optional<Size> ViewerWindow::rotatePhoto(double radians, ColorRef fill) {
    if (!bitmap_) return std::nullopt;
    if (turnedAhead_) {
        // Turned ahead as the comment turns it: nothing left to do.
        if (radians == turnedAhead_->turn) {
            turnedAhead_.reset();
            return bitmap_->GetSize();
        }
        undoTurnAhead();
    }
    auto rotated = std::make_unique<CDrawDibBmp>();
    try {
        RotateFilter(radians, fill).Apply(*bitmap_, *rotated);
    } catch (const CTextException&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    bitmap_ = std::move(rotated);
    // Only a turn by whole quarters can be turned back exactly.
    if (shownDecode_ && IsWholeQuarterTurn(radians)) shownDecode_->turn = radians;
    else shownDecode_.reset();
    return Size{bitmap_->GetWidth(), bitmap_->GetHeight()};
}

void ViewerWindow::writeRotationMacro(bool left) {
    // The Navigator's entry of the photo shows whether it has a comment file.
    if (WriteRotationMacro(display_.photoPath(), left) && navigator_) navigator_->refreshPhotoEntry(display_.photoPath());
}

void ViewerWindow::photoFailed(const std::string& errorText) {
    comments_.photoFailed();
    // The user is at this photo all the same: its neighbours are still wanted.
    prefetch_.photoShown();
    // A slideshow skips a photo it cannot show, without a message.
    if (slideshows_ && slideshows_->anyRunning()) return;
    desktop_.messageBox(errorText, programTitle(), MessageBoxKind::Information);
}

void ViewerWindow::presentPhoto() {
    // The comment did not turn the photo after all.
    if (turnedAhead_) undoTurnAhead();
    prefetch_.photoShown();
    // The size macros show the bitmap as turned.
    if ((comments_.macroFlags() & (MacroImageWidth | MacroImageHeight)) && display_.rotatePending())
        comments_.recompose(shownPhoto());
    // The effect is chosen for every photo (the choice moves on even when the
    // photo is drawn at once); a second effect never starts while one runs.
    int effect = 0;
    if (context_.effects) {
        ShowState shows;
        shows.smallRuns = slideshows_ && slideshows_->smallRunning();
        shows.totalRuns = slideshows_ && slideshows_->totalRunning();
        effect = context_.effects->choose(settings().Effects, settings().EffectsRandom == 1, shows);
    }
    // With an effect the photo's sound plays when the effect has finished.
    if (effect > 0 && !effectRunner_.running() && effectRunner_.start(effect, screenRect_)) return;
    redrawAll();
    playSoundComment(display_.photoPath());
}

void ViewerWindow::paint(Canvas& canvas, const Rect& dirty) {
    paintedOnce_ = true;
    // Exposed at last: the start goes on after this paint.
    exposureWaitEnds();
    TraceStartup(bitmap_ ? "paint with photo" : "paint");
    if (preview_.painting()) {
        preview_.paint(canvas, dirty, settings().BackgroundColor);
        return;
    }
    if (bitmap_) {
        ImageView view = bitmap_->GetImageView();
        display_.paint(canvas, dirty, &view);
    } else {
        display_.paint(canvas, dirty, nullptr);
    }
    comments_.paint(canvas, dirty, bitmap_ != nullptr);
}

}  // namespace vellumo
