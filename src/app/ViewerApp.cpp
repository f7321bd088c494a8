#include "app/ViewerApp.h"

#include <chrono>

#include "app/PhotoView.h"
#include "config/KeyNames.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Random.h"
#include "platform/StartupTrace.h"

namespace vellumo {

ViewerApp::ViewerApp(EventQueue& queue, Desktop& desktop, WindowHost& viewerHost, NavigatorPanel& navigatorPanel,
                     ProgramLocation program)
    : queue_(queue),
      desktop_(desktop),
      viewerHost_(viewerHost),
      navigatorPanel_(navigatorPanel),
      program_(std::move(program)) {
    // The one pseudo-random generator of the process, seeded once from the
    // system tick count (milliseconds since the machine started).
    SeedProcessRandom(static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count()));
}

ViewerApp::~ViewerApp() { exit(); }

bool ViewerApp::start(const std::vector<std::string>& arguments, const std::string& workingFolder) {
    commandLine_ = CommandLine::Parse(arguments, workingFolder);

    // Settings: the start picture and icon strip beside the program, then the
    // archive scope (its language, its file written back, its hotkeys).
    startPicture_ = ResolveDerivedName(program_.sibling("bmp"));
    if (!IsRegularFile(startPicture_)) startPicture_.clear();
    iconStrip_ = ResolveDerivedName(program_.sibling("ni"));
    if (!IsRegularFile(iconStrip_)) iconStrip_.clear();

    ScopeHooks hooks;
    hooks.effectNumbers = [] { return AllEffectNumbers(); };
    hooks.rebuildEffectList = [this](Settings& s) { effectList_.build(s.EffectsIncluded, s.EffectsExcluded); };
    hooks.loadHotkeys = [this](const std::string& name) {
        hotkeys_ = LoadHotkeys(program_.folder, name, program_.userFolder);
    };
    // The archive file names no language at a first start: the user picks one.
    hooks.chooseLanguage = [this] { return selection_ ? selection_->chooseFirstLanguage() : std::string(); };
    hooks.languageLoaded = [](const Language& language) {
        CurrentKeyNames().setLanguageKeyTexts(language.keyDisplayTexts());
    };
    hooks.viewerScaleLetter = [this]() -> char {
        return viewer_ ? ScaleLetter(viewer_->display().view().scaleMode()) : 'a';
    };
    hooks.registerFontFile = [this](const std::string& path) {
        if (registerFontFile) registerFontFile(path);
    };
    hooks.folderChanges = [this](const std::string& folder) {
        if (viewer_) viewer_->folderChanges(folder);
    };
    hooks.unregisterFontFile = [this](const std::string& path) {
        if (unregisterFontFile) unregisterFontFile(path);
    };
    scopes_ = std::make_unique<ScopeStack>(program_, std::move(hooks));
    selection_ = std::make_unique<SelectionDialogs>(desktop_, *scopes_, program_, [this](const std::string& name) {
        hotkeys_ = LoadHotkeys(program_.folder, name, program_.userFolder);
        scopes_->current().CommandsHotkeys = hotkeys_.name;
    });
    scopes_->StartArchive(commandLine_.settingsFile);
    TraceStartup("settings read");

    MusicPlayerHooks musicHooks;
    musicHooks.settings = [this]() -> const Settings& { return scopes_->current(); };
    musicHooks.runCommandList = [this](const CommandList& list) {
        if (viewer_) viewer_->runCommandList(list);
    };
    musicHooks.stateChanged = [this] {
        if (viewer_) viewer_->musicStateChanged();
    };
    music_ = std::make_unique<MusicPlayer>(queue_, std::move(musicHooks), soundOutputs);
    TraceStartup("music player made");

    viewer_ = std::make_unique<ViewerWindow>(
        ViewerContext{queue_, viewerHost_, desktop_, *scopes_, hotkeys_, program_, startPicture_, &effectList_});
    TraceStartup("viewer window made");
    navigator_ = std::make_unique<NavigatorWindow>(queue_, navigatorPanel_, desktop_, *viewer_, *scopes_);
    TraceStartup("Navigator made");
    navigator_->thumbnails().setProgramName(program_.baseName);
    navigator_->setListingOnWorker(listFoldersOnWorker);
    if (listFoldersOnWorker) navigator_->archive().lister().setEarly(std::move(earlyListing));
    viewer_->setNavigator(navigator_.get());
    viewer_->setSlideshows(&navigator_->slideshows());
    viewer_->setMusicPlayer(music_.get());
    showLink_ = std::make_unique<ShowAndMusicLink>(&navigator_->slideshows(), music_.get(),
                                                   [viewer = viewer_.get()] { viewer->recomposeComment(); });
    navigator_->slideshows().addListener(showLink_.get());
    viewer_->setMacroQueries(showLink_.get());
    viewer_->setSelectionDialogs(selection_.get());
    // Settings changes reach the viewer, then the Navigator, then the music player.
    scopes_->addListener(viewer_.get());
    scopes_->addListener(navigator_.get());
    scopes_->addListener(music_.get());
    if (startupDecode) viewer_->setStartupDecode(std::move(startupDecode));
    viewer_->create(commandLine_.path, commandLine_.script);
    return true;
}

bool ViewerApp::preTranslateKeyDown(const KeyInput& key, FocusPlace focus) {
    return viewer_ ? viewer_->preTranslateKeyDown(key, focus) : false;
}

void ViewerApp::exit() {
    if (exited_) return;
    exited_ = true;
    if (showLink_) {
        if (navigator_) navigator_->slideshows().removeListener(showLink_.get());
        if (viewer_) viewer_->setMacroQueries(nullptr);
    }
    if (viewer_) viewer_->destroyed();
    if (scopes_) {
        if (viewer_) scopes_->removeListener(viewer_.get());
        if (navigator_) scopes_->removeListener(navigator_.get());
        if (music_) scopes_->removeListener(music_.get());
        scopes_->Shutdown();
    }
    if (viewer_) viewer_->setMusicPlayer(nullptr);
    music_.reset();
}

std::shared_ptr<FolderLister::Job> ViewerApp::StartEarlyListing(const std::vector<std::string>& arguments,
                                                                 const std::string& workingFolder) {
    CommandLine line = CommandLine::Parse(arguments, workingFolder);
    if (!line.script.empty() || line.path.empty()) return nullptr;
    return FolderLister::StartEarly(NormalizePath(line.path));
}

}  // namespace vellumo
