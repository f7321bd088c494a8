#include "navigator/NavigatorWindow.h"

#include <algorithm>
#include <utility>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "prefetch/UpcomingPhotos.h"

namespace vellumo {

namespace {

constexpr int kVkBackspace = 0x08;
constexpr int kVkTab = 0x09;
constexpr int kVkEnter = 0x0D;
constexpr int kVkEscape = 0x1B;

// Commands the viewer forwards and the Navigator's own.
constexpr int kCmdPreviousPhoto = 114;
constexpr int kCmdNextPhoto = 115;
constexpr int kCmdToggleNavigator = 125;
constexpr int kCmdShowNavigator = 126;
constexpr int kCmdHideNavigator = 127;
constexpr int kCmdExit = 142;
constexpr int kCmdRefresh = 143;
constexpr int kCmdContextMenu = 173;
constexpr int kCmdMouseMoveTrigger = 31849;

// Change bits of the keys the Navigator reacts to (General and Navigator sections).
constexpr std::uint32_t kBitApplicationName = 0x2;
constexpr std::uint32_t kBitPathHorizon = 0x8;
constexpr std::uint32_t kBitNavigatorRect = 0x2;
constexpr std::uint32_t kBitNavigatorBackgroundColor = 0x8;
constexpr std::uint32_t kBitNavigatorTextColor = 0x10;

}  // namespace

NavigatorSettingsAccess NavigatorSettingsAccess::Of(ScopeStack& scopes) {
    NavigatorSettingsAccess a;
    a.current = [&scopes]() -> Settings& { return scopes.current(); };
    a.enterFolder = [&scopes](const std::string& folder) { scopes.EnterFolder(folder); };
    a.enterScript = [&scopes](const std::string& script) { scopes.EnterScript(script); };
    a.leaveScript = [&scopes] { scopes.LeaveScript(); };
    a.scriptPrefix = [&scopes] { return scopes.language().text(LanguageKey::SlideShow); };
    a.programFolder = scopes.program().folder;
    a.programDrive = scopes.program().drive;
    a.userFolder = scopes.program().userFolder;
    return a;
}


NavigatorWindow::NavigatorWindow(EventQueue& queue, NavigatorPanel& panel, Desktop& desktop, ViewerLink& viewer,
                                 NavigatorSettingsAccess settings, std::function<std::vector<Drive>()> listDrives)
    : queue_(queue),
      panel_(panel),
      desktop_(desktop),
      viewer_(viewer),
      settings_(std::move(settings)),
      archive_(list_, queue, this, makeHooks(listDrives)),
      thumbs_(list_, archive_, panel_, queue_, this, [this]() -> Settings& { return settings_.current(); }) {
    thumbs_.setBeep([this] { desktop_.beep(BeepKind::Default); });
    slideshows_ = std::make_unique<Slideshows>(queue_, this, archive_, viewer_, desktop_,
                                               makeSlideshowEnvironment(std::move(listDrives)));
    panel_.bind(&list_, this, this);
}

NavigatorWindow::NavigatorWindow(EventQueue& queue, NavigatorPanel& panel, Desktop& desktop, ViewerLink& viewer,
                                 ScopeStack& scopes)
    : NavigatorWindow(queue, panel, desktop, viewer, NavigatorSettingsAccess::Of(scopes)) {}

NavigatorWindow::~NavigatorWindow() { destroy(); }

ArchiveHooks NavigatorWindow::makeHooks(std::function<std::vector<Drive>()> listDrives) {
    ArchiveHooks h;
    h.beep = [this] { desktop_.beep(BeepKind::Default); };
    h.busyCursor = [this](bool busy) { viewer_.setBusyCursor(busy); };
    h.enterFolder = [this](const std::string& folder) {
        if (settings_.enterFolder) settings_.enterFolder(folder);
        captionSourcesChanged(0x400);  // %CURRENT_FOLDER%
    };
    h.showPhoto = [this](const std::string& path) { viewer_.showPhoto(path); };
    h.clearNoPhoto = [this] { viewer_.clearNoPhoto(); };
    // After a refresh the row the listing selected is shown again, as if the
    // user had selected it.
    h.selectionLetThrough = [this](int row) { startActivateTimer(row); };
    h.listDrives = std::move(listDrives);
    h.totalSlideshowActive = [this] { return slideshows_ && slideshows_->totalRunning(); };
    h.photoSelected = [this](const std::string& path) {
        if (slideshows_) slideshows_->photoSelected(path);
    };
    h.suspendThumbnails = [this] { thumbs_.suspendOrStop(); };
    h.forgetThumbnailImages = [this] { thumbs_.forgetImages(); };
    h.resumeThumbnails = [this] { thumbs_.startOrResume(); };
    h.refreshThumbnails = [this] { thumbs_.refresh(); };
    h.thumbnailsMode = [this] { return thumbs_.mode(); };
    return h;
}

SlideshowEnvironment NavigatorWindow::makeSlideshowEnvironment(std::function<std::vector<Drive>()> listDrives) {
    SlideshowEnvironment e;
    e.settings = [this]() -> Settings& { return settings(); };
    e.enterScript = settings_.enterScript;
    e.leaveScript = settings_.leaveScript;
    e.scriptPrefix = settings_.scriptPrefix;
    e.programFolder = settings_.programFolder;
    e.programDrive = settings_.programDrive;
    e.userFolder = settings_.userFolder;
    e.listDrives = std::move(listDrives);
    // Command lists run through the viewer, which routes each command.
    e.runCommandList = [this](const CommandList& list) {
        CommandTarget* viewer = viewer_.viewerTarget();
        if (!viewer) return;
        for (std::uint8_t c : list)
            if (c != 0) queue_.post(viewer, c);
    };
    e.setLastMousePosition = [this](Point p) { viewer_.setLastMousePosition(p); };
    return e;
}

bool NavigatorWindow::slideshowCommand(int command, int repeat) {
    Slideshows& shows = *slideshows_;
    switch (command) {
        case kCmdPreviousPhoto:
        case kCmdNextPhoto:
            // Inside a total slideshow the steps go through its list.
            if (!shows.totalRunning()) return false;
            shows.stepTotal(command == kCmdNextPhoto ? repeat : -repeat);
            return true;
        case 116: shows.toggleSmall(); return true;
        case 119: shows.stopCommand(); return true;
        case 120: shows.pauseOrContinue(); return true;
        case 121: shows.pause(); return true;
        case 122: shows.resume(); return true;
        case 123: shows.slower(); return true;
        case 124: shows.faster(); return true;
        case 167: shows.writeScript(); return true;
        case CmdTotalFirst: shows.totalFirst(); return true;
        case CmdTotalWalkDone: shows.totalWalkDone(); return true;
        default: return false;
    }
}

void NavigatorWindow::open() {
    applyColors();
    thumbs_.open();
    const Settings& s = settings();
    archive_.open(s.PathToStart, s.PathHorizon);
    moveToSettingsRect();
    updateTitle();
}

void NavigatorWindow::destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    slideshows_->destroy();
    thumbs_.destroy();
    queue_.killTimer(this, kActivateTimer);
    queue_.forget(this);
    panel_.bind(nullptr, nullptr, nullptr);
}

void NavigatorWindow::moveToSettingsRect() {
    panel_.host().move(ThousandthsToPixels(settings().NavigatorRect, viewer_.screenRect()));
}

void NavigatorWindow::applyColors() {
    const Settings& s = settings();
    std::optional<ColorRef> background, text;
    if (s.NavigatorBackgroundColorGiven) background = s.NavigatorBackgroundColor;
    if (s.NavigatorTextColorGiven) text = s.NavigatorTextColor;
    panel_.setListColors(background, text);
}

void NavigatorWindow::updateTitle() {
    title_ = viewer_.expandCaption(settings().ApplicationName, titleMacroFlags_);
    panel_.host().setTitle(title_);
    viewer_.navigatorCaptionChanged(title_);
}

void NavigatorWindow::captionSourcesChanged(std::uint32_t macroBits) {
    const bool tags = (macroBits & kCaptionTagStates) && settings().ApplicationName.find('<') != std::string::npos;
    if (!destroyed_ && ((titleMacroFlags_ & macroBits) != 0 || tags)) updateTitle();
}

void NavigatorWindow::refreshPhotoEntry(const std::string& photoPath) {
    if (destroyed_ || settings().Thumbnails == 1 || ParentPath(photoPath) != archive_.currentFolder()) return;
    const std::string name = FileNameOf(photoPath);
    for (int row = 0; row < list_.count(); ++row) {
        const ArchiveItem& item = list_.at(row);
        if (item.fileName != name || !item.isPhoto()) continue;
        int image = ItemImage::Photo;
        if (IsRegularFile(ResolveDerivedName(ReplaceExtension(photoPath, "txt")))) image += 1;
        if (IsRegularFile(ResolveDerivedName(ReplaceExtension(photoPath, "wav")))) image += 2;
        if (image != item.image) list_.setImage(row, image);
        return;
    }
}

std::vector<std::string> NavigatorWindow::upcomingPhotos() const {
    if (destroyed_) return {};
    return UpcomingPhotos(archive_, *slideshows_, steppedBack_);
}

bool NavigatorWindow::thumbnailsBusy() const {
    if (destroyed_ || !thumbs_.mode()) return false;
    const ThumbnailWorker* worker = thumbs_.worker();
    return worker && worker->running() && !thumbs_.workerSuspended() && !worker->visible().none();
}

void NavigatorWindow::goToPath(const std::string& path) {
    if (destroyed_) return;
    archive_.goToPath(path);
}

bool NavigatorWindow::canStep(bool forward) const {
    // The same conditions under which stepping beeps instead of moving.
    int limit = forward ? archive_.lastPhotoIndex() : archive_.firstPhotoIndex();
    return limit >= 0 && archive_.currentIndex() != limit;
}

bool NavigatorWindow::isShown() const { return panel_.host().isVisible(); }

void NavigatorWindow::setShown(bool shown) {
    if (destroyed_) return;
    panel_.host().setVisible(shown);
    settings().Navigator = shown ? 1 : 0;
}

void NavigatorWindow::startActivateTimer(int row) {
    archive_.setPendingActivation(row);
    queue_.setTimer(this, kActivateTimer, kActivateDelayMs);
}

void NavigatorWindow::onTimer(int timerId) {
    if (timerId == kSlideTimer) {
        slideshows_->tick();
        return;
    }
    if (timerId != kActivateTimer) return;
    // A transition still drawing the last photo is not cut short: the
    // selected row waits for the next tick.
    if (archive_.pendingActivation() >= 0 && viewer_.effectRunning()) return;
    // Nothing else is pending after this: the timer need not keep ticking.
    queue_.killTimer(this, kActivateTimer);
    archive_.activatePending();
}

void NavigatorWindow::onCommand(int command, std::intptr_t param) {
    if (destroyed_) return;
    const int repeat = param > 0 ? static_cast<int>(param) : 1;
    if (command == kCmdPreviousPhoto || command == kCmdNextPhoto) steppedBack_ = command == kCmdPreviousPhoto;
    if (slideshowCommand(command, repeat)) return;
    switch (command) {
        case kCmdPreviousPhoto: archive_.stepBackward(repeat); return;
        case kCmdNextPhoto: archive_.stepForward(repeat); return;
        case kCmdToggleNavigator: setShown(!isShown()); return;
        case kCmdShowNavigator:
            if (!isShown()) setShown(true);
            return;
        case kCmdHideNavigator:
            if (isShown()) setShown(false);
            return;
        case kCmdRefresh: archive_.refresh(); return;
        case kCmdContextMenu: ancestorsMenu(); return;
        case CmdThumbnailsArrived: thumbs_.takeResults(); return;
        case CmdSaveThumbCache: thumbs_.saveCache(param); return;
        default: break;
    }
    if (thumbs_.modeCommand(command, isShown())) return;
    if (archive_.handleCommand(command)) return;
}

void NavigatorWindow::ancestorsMenu() {
    const bool fromMouse = menuFromMouse_;
    menuFromMouse_ = false;
    std::vector<AncestorItem> ancestors = archive_.ancestorsMenu();
    if (ancestors.empty()) {
        desktop_.beep(BeepKind::Default);
        return;
    }
    std::vector<MenuItem> items;
    items.reserve(ancestors.size());
    for (const auto& a : ancestors) {
        MenuItem item;
        item.id = a.commandId;
        item.text = a.text;
        item.icon = a.image;
        items.push_back(std::move(item));
    }
    int chosen;
    if (fromMouse) {
        chosen = desktop_.popupMenu(items, menuPoint_, MenuAlign::RightVerticalCenter);
    } else {
        Point at = panel_.listTopLeft();
        at.x = std::max(0, at.x);
        at.y = std::max(0, at.y);
        chosen = desktop_.popupMenu(items, at, MenuAlign::TopLeft);
    }
    if (destroyed_) return;  // the menu ran a nested event loop
    if (chosen >= CmdAncestorFirst && chosen <= CmdAncestorLast) archive_.openAncestor(chosen - CmdAncestorFirst);
}

// ---- Panel frame ------------------------------------------------------------

Rect NavigatorWindow::panelMoving(const Rect& proposed, Point cursor, const Rect& current) {
    const Rect screen = viewer_.screenRect();
    const int space = settings().NavigatorDockingSpace;
    if (!docking_.dragging()) {
        // The first move of a drag already carries the cursor's first travel:
        // the drag starts where the cursor was when the panel was still at
        // its current place, so the panel stays under the cursor exactly.
        Point start{cursor.x - (proposed.left - current.left), cursor.y - (proposed.top - current.top)};
        docking_.onMoving(current, start, current, screen, space);
    }
    return docking_.onMoving(proposed, cursor, current, screen, space);
}

void NavigatorWindow::panelMoveEnded(const Rect& rect) {
    docking_.onMoveEnd();
    settings().NavigatorRect = PixelsToThousandths(rect, viewer_.screenRect());
}

void NavigatorWindow::panelCloseClicked() {
    // Closing the Navigator closes the program.
    if (CommandTarget* target = viewer_.viewerTarget()) queue_.post(target, kCmdExit);
}

// ---- List control -------------------------------------------------------------

void NavigatorWindow::listSelectionChangedByUser(int row) {
    list_.setSelectionFromUser(row);
    if (archive_.selectingRows() || !list_.valid(row)) return;
    // A running, unpaused total slideshow chooses the photos itself.
    if (slideshows_->totalRunning() && !slideshows_->totalPaused()) return;
    // While a transition draws, the row waits for it (see onTimer) instead
    // of being dropped: the list and the screen must not disagree.
    startActivateTimer(row);
}

void NavigatorWindow::listDoubleClicked(int row) {
    if (!list_.valid(row)) return;
    if (list_.selection() != row) list_.setSelectionFromUser(row);
    archive_.activateSelectedItem();
}

bool NavigatorWindow::listKeyDown(int virtualKey) {
    switch (virtualKey) {
        case kVkEnter: archive_.activateSelectedItem(); return true;
        case kVkBackspace: queue_.post(this, CmdGoUp); return true;
        case kVkEscape: return true;  // the panel has no cancel action
        case kVkTab: viewer_.focusViewer(); return true;
        default: return false;
    }
}

void NavigatorWindow::listRightClicked(Point at) {
    menuFromMouse_ = true;
    menuPoint_ = at;
    queue_.post(this, kCmdContextMenu);
}

void NavigatorWindow::listMouseMoved(Point at) {
    if (at == lastMouse_) return;
    if (lastMouse_ != Point{-1, -1}) {
        if (CommandTarget* target = viewer_.viewerTarget()) queue_.post(target, kCmdMouseMoveTrigger);
    }
    lastMouse_ = at;
}

// ---- Settings changes -----------------------------------------------------------

void NavigatorWindow::settingsChanged(const SettingsChangeSet& changes, int /*scopeKind*/) {
    if (destroyed_) return;
    const Settings& s = settings();
    if (changes.has(SectionGeneral, kBitApplicationName)) updateTitle();
    if (changes.has(SectionNavigator, kBitNavigatorRect)) moveToSettingsRect();
    bool repaint = false;
    if (changes.has(SectionNavigator, kBitNavigatorBackgroundColor | kBitNavigatorTextColor)) {
        applyColors();
        repaint = true;
    }
    bool relist = false;
    if (changes.has(SectionGeneral, kBitPathHorizon)) relist = archive_.setPathHorizon(s.PathHorizon);
    // SlideShowDelay: a running slideshow takes the new pace.
    if (changes.has(SectionSlideshow, 0x4)) slideshows_->delayChanged();
    const bool remake = thumbs_.settingsChanged(changes);
    if (remake) {
        if (!archive_.isRelisting()) queue_.post(this, kCmdRefresh);
    } else if (relist) {
        if (!archive_.isRelisting()) queue_.post(this, CmdRelist);
    } else if (repaint) {
        panel_.repaintList();
    }
}

}  // namespace vellumo
