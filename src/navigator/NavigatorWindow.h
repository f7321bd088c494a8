#pragma once
// The Navigator: the floating panel over the viewer that lists the archive.
// This is its logic: it owns the rows, the archive model, the delayed display
// of the selected photo (timer 1000), the ancestors menu, docking while the
// panel is dragged, show and hide, the title and the reactions to settings
// changes. The real panel (NavigatorPanel) only reports input and carries out
// the requests.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "navigator/NavigatorControl.h"
#include "archive/ArchiveNavigator.h"
#include "navigator/NavigatorDocking.h"
#include "archive/NavigatorList.h"
#include "archive/NavigatorPanel.h"
#include "archive/ViewerLink.h"
#include "config/ScopeStack.h"
#include "config/Settings.h"
#include "platform/Desktop.h"
#include "platform/EventQueue.h"
#include "platform/PanelEvents.h"
#include "slideshow/Slideshows.h"
#include "thumbs/ThumbnailView.h"

namespace vellumo {

// Timer of the Navigator: the selected photo is shown once the selection has
// rested this long.
inline constexpr int kActivateTimer = 1000;
inline constexpr int kActivateDelayMs = 500;

// What the Navigator reads and writes of the settings: the current record and
// the scope chain's folder entry.
struct NavigatorSettingsAccess {
    std::function<Settings&()> current;
    std::function<void(const std::string& folder)> enterFolder;
    // The slideshows' script scope, script folder and name prefix.
    std::function<void(const std::string& script)> enterScript;
    std::function<void()> leaveScript;
    std::function<std::string()> scriptPrefix;
    std::string programFolder;
    std::string programDrive;
    std::string userFolder;

    static NavigatorSettingsAccess Of(ScopeStack& scopes);
};

class NavigatorWindow : public NavigatorControl,
                        public CommandTarget,
                        public PanelEvents,
                        public NavigatorListEvents,
                        public SettingsChangeListener {
public:
    // listDrives: the drive list (empty: the machine's).
    NavigatorWindow(EventQueue& queue, NavigatorPanel& panel, Desktop& desktop, ViewerLink& viewer,
                    NavigatorSettingsAccess settings, std::function<std::vector<Drive>()> listDrives = {});
    NavigatorWindow(EventQueue& queue, NavigatorPanel& panel, Desktop& desktop, ViewerLink& viewer,
                    ScopeStack& scopes);
    ~NavigatorWindow() override;
    NavigatorWindow(const NavigatorWindow&) = delete;
    NavigatorWindow& operator=(const NavigatorWindow&) = delete;

    // Opening: colours, start folder and horizon, the rectangle from
    // NavigatorRect on the viewer's screen, the title, and a posted relisting.
    // The panel stays hidden; the viewer shows it per the Navigator setting.
    void open() override;

    // ---- What the viewer asks (NavigatorControl) ---------------------------
    // The target the viewer forwards the Navigator's commands to (114, 115
    // with the repeat count as param, 125 to 127, 143 and 173 when the
    // Navigator has the focus).
    CommandTarget* commandTarget() override { return this; }
    // The command-line path: a folder is listed, a photo selected and shown.
    void goToPath(const std::string& path) override;
    bool isShown() const override;
    bool canStep(bool forward) const override;
    // Show or hide; the new state goes into the Navigator setting in memory.
    void setShown(bool shown) override;
    bool listHasFocus() const override { return panel_.listHasFocus(); }
    // The viewer's Tab gives the list the focus.
    void focusList() override { panel_.focusList(); }
    // The slideshow tick counter goes to 0 (after the start picture).
    void resetSlideshowTicks() override { slideshows_->resetTicks(); }
    // The start is over: the start folder's listing may finish.
    void startupOver() override {
        panel_.startupOver();
        archive_.lister().releaseRest();
    }
    // The folder being listed shows its first screenful in its order.
    void whenListed(std::function<void()> done) override;
    // Folders are read on a worker thread: the window answers while a large
    // folder or a slow share is listed.
    void setListingOnWorker(bool on) { archive_.setListingOnWorker(on); }
    std::string currentFolder() const override { return archive_.currentFolder(); }
    // The viewer is going away: timers and posts stop, the panel is disconnected.
    void destroy() override;

    // Queries for the viewer and, later, the comment macros.
    std::string locationText() const override { return archive_.locationText(); }
    // The caption is rebuilt when its macros show one of these MacroFlags bits.
    void captionSourcesChanged(std::uint32_t macroBits) override;
    void refreshPhotoEntry(const std::string& photoPath) override;
    std::vector<std::string> upcomingPhotos() const override;
    bool thumbnailsBusy() const override;
    int currentIndex() const { return archive_.currentIndex(); }
    int firstPhotoIndex() const { return archive_.firstPhotoIndex(); }
    int lastPhotoIndex() const { return archive_.lastPhotoIndex(); }
    const std::string& title() const { return title_; }

    ArchiveNavigator& archive() { return archive_; }
    // The small and the total slideshow, with their queries.
    Slideshows& slideshows() { return *slideshows_; }
    NavigatorList& list() { return list_; }
    ThumbnailView& thumbnails() { return thumbs_; }

    // ---- CommandTarget ----------------------------------------------------
    void onCommand(int command, std::intptr_t param) override;
    void onTimer(int timerId) override;

    // ---- PanelEvents ------------------------------------------------------
    Rect panelMoving(const Rect& proposed, Point cursor, const Rect& current) override;
    void panelMoveEnded(const Rect& rect) override;
    void panelCloseClicked() override;

    // ---- NavigatorListEvents ----------------------------------------------
    void listSelectionChangedByUser(int row) override;
    void listDoubleClicked(int row) override;
    bool listKeyDown(int virtualKey) override;
    void listRightClicked(Point at) override;
    void listMouseMoved(Point at) override;
    void listVisibleRows(int first, int last) override { thumbs_.visibleRows(first, last); }

    // ---- SettingsChangeListener -------------------------------------------
    void settingsChanged(const SettingsChangeSet& changes, int scopeKind) override;

private:
    ArchiveHooks makeHooks(std::function<std::vector<Drive>()> listDrives);
    SlideshowEnvironment makeSlideshowEnvironment(std::function<std::vector<Drive>()> listDrives);
    // The slideshow commands and posts; false for other commands.
    bool slideshowCommand(int command, int repeat);
    Settings& settings() { return settings_.current(); }
    void updateTitle();
    void applyColors();
    void moveToSettingsRect();
    void startActivateTimer(int row);
    void ancestorsMenu();
    // A listing took its rows: the commands that waited for them run.
    void listingDone();

    EventQueue& queue_;
    NavigatorPanel& panel_;
    Desktop& desktop_;
    ViewerLink& viewer_;
    NavigatorSettingsAccess settings_;
    NavigatorList list_;
    ArchiveNavigator archive_;
    ThumbnailView thumbs_;
    NavigatorDocking docking_;
    std::unique_ptr<Slideshows> slideshows_;
    std::string title_;
    std::uint32_t titleMacroFlags_ = 0;  // the macros the caption holds
    // The context menu was asked for by a right click at menuPoint_.
    bool menuFromMouse_ = false;
    Point menuPoint_;
    // The last mouse position over the panel; (-1, -1) until the first move.
    Point lastMouse_{-1, -1};
    bool destroyed_ = false;
    // The last step through the photos went back (command 114).
    bool steppedBack_ = false;
    // Commands that act on the rows, waiting for a folder's listing.
    struct Waiting {
        int command;
        std::intptr_t param;
        std::string folder;
    };
    std::vector<Waiting> waiting_;
    std::vector<std::function<void()>> whenListed_;
};

}  // namespace vellumo
