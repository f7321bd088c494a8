#pragma once
// The application object: start-up in its fixed order, key pre-translation
// for every window, and exit.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/SelectionDialogs.h"
#include "app/StartupDecode.h"
#include "app/ViewerWindow.h"
#include "archive/NavigatorPanel.h"
#include "navigator/NavigatorWindow.h"
#include "config/Hotkeys.h"
#include "config/ProgramLocation.h"
#include "config/ScopeStack.h"
#include "effects/EffectList.h"
#include "app/ShowAndMusicLink.h"
#include "sound/MusicPlayer.h"

namespace vellumo {

class ViewerApp {
public:
    ViewerApp(EventQueue& queue, Desktop& desktop, WindowHost& viewerHost, NavigatorPanel& navigatorPanel,
              ProgramLocation program);
    ~ViewerApp();

    // Reads the command line, opens the archive settings (language and hotkeys
    // with them), creates the viewer window and posts its start-up.
    bool start(const std::vector<std::string>& arguments, const std::string& workingFolder);
    // Every scope writes back its changed keys.
    void exit();

    // The key pre-translation of the whole program: true when the key was used.
    bool preTranslateKeyDown(const KeyInput& key, FocusPlace focus);

    ViewerWindow* viewer() { return viewer_.get(); }
    // The one music player (null before start and after exit).
    MusicPlayer* musicPlayer() { return music_.get(); }
    // Where music and sound comments are heard; set before start (default: the desktop's output).
    SoundOutputs soundOutputs;
    NavigatorWindow* navigator() { return navigator_.get(); }
    ScopeStack& scopes() { return *scopes_; }
    const ProgramLocation& program() const { return program_; }
    const CommandLine& commandLine() const { return commandLine_; }
    const HotkeySet& hotkeys() const { return hotkeys_; }
    const EffectList& effectList() const { return effectList_; }
    SelectionDialogs* selection() { return selection_.get(); }
    // The start picture and the Navigator icon strip beside the program ("" when missing).
    const std::string& startPicture() const { return startPicture_; }
    const std::string& iconStrip() const { return iconStrip_; }

    // The command-line photo's decode, started before the application (null
    // for none); handed to the viewer window, which takes its bitmap.
    std::unique_ptr<StartupDecode> startupDecode;

    // The Navigator reads folders on a worker thread (the program); without,
    // a folder is read at once where it is listed.
    bool listFoldersOnWorker = false;
    // The listing of the path to open, started before the application
    // (null for none); the Navigator's first listing of that path takes it.
    std::shared_ptr<FolderLister::Job> earlyListing;
    // That listing for the program's arguments, started: when they name a
    // path to open and no slideshow script; null otherwise.
    static std::shared_ptr<FolderLister::Job> StartEarlyListing(const std::vector<std::string>& arguments,
                                                                const std::string& workingFolder);

    // Font files named by CommentFontFile are registered through these (the Qt layer sets them).
    std::function<void(const std::string&)> registerFontFile;
    std::function<void(const std::string&)> unregisterFontFile;

private:
    EventQueue& queue_;
    Desktop& desktop_;
    WindowHost& viewerHost_;
    NavigatorPanel& navigatorPanel_;
    ProgramLocation program_;
    CommandLine commandLine_;
    std::string startPicture_;
    std::string iconStrip_;
    HotkeySet hotkeys_;
    EffectList effectList_;
    std::unique_ptr<ScopeStack> scopes_;
    std::unique_ptr<SelectionDialogs> selection_;
    std::unique_ptr<ViewerWindow> viewer_;
    std::unique_ptr<NavigatorWindow> navigator_;
    // Slideshows and music for the comment's macros and for each other.
    std::unique_ptr<ShowAndMusicLink> showLink_;
    // Declared last: it goes first, before the windows its hooks reach.
    std::unique_ptr<MusicPlayer> music_;
    bool exited_ = false;
};

}  // namespace vellumo
