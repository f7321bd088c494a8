#pragma once
// The archive model behind the Navigator: the current folder, its listing into
// a NavigatorList, going up and down, going to a path, stepping through the
// photos and the ancestors menu. Runs on the user-interface thread. Everything
// it needs from other subsystems (settings scopes, the viewer, thumbnails,
// slideshows, beeps, the busy cursor) goes through ArchiveHooks; deferred work
// is posted to the owning window through the EventQueue.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveItem.h"
#include "archive/NavigatorList.h"
#include "platform/Drives.h"
#include "platform/EventQueue.h"

namespace vellumo {

// The computer's display name: top of the ancestors menu and the location
// text of the drive list.
inline constexpr const char* ComputerName = "Computer";

// Calls out of the model. Every hook may be left empty (it is then skipped;
// a query then answers false).
struct ArchiveHooks {
    // The default beep (MessageBeep(0)): invalid actions.
    std::function<void()> beep;
    // true: show the busy cursor on the viewer; false: restore the cursor.
    std::function<void(bool busy)> busyCursor;
    // The current folder changed ("" is the drive list): the settings scopes
    // enter and leave folder scopes, the viewer updates its folder comment state.
    std::function<void(const std::string& folder)> enterFolder;
    // Thumbnails: before a listing the worker is suspended or stopped; unless
    // the listing is a mode switch the per-photo image memory is cleared and
    // the large image list goes back to its standard images; after a listing
    // in thumbnails mode with at least one photo the worker starts or resumes.
    std::function<void()> suspendThumbnails;
    std::function<void()> forgetThumbnailImages;
    std::function<void()> resumeThumbnails;
    // Refresh in thumbnails mode: forget the thumbnail folder and skip the cache once.
    std::function<void()> refreshThumbnails;
    std::function<bool()> thumbnailsMode;
    // A total slideshow runs (paused or not).
    std::function<bool()> totalSlideshowActive;
    // The viewer shows a photo file.
    std::function<void(const std::string& path)> showPhoto;
    // Select and show of a photo: clear the viewer's NoPhoto flag.
    std::function<void()> clearNoPhoto;
    // Select and show of a photo: a paused total slideshow moves its position
    // to the entry of this path.
    std::function<void(const std::string& path)> photoSelected;
    // After a Refresh the listing's selection is let through as if the user
    // had made it (the Navigator starts its delayed activation on it).
    std::function<void(int row)> selectionLetThrough;
    // The drive list; empty means the machine's (ListDrives).
    std::function<std::vector<Drive>()> listDrives;
};

// One item of the ancestors menu.
struct AncestorItem {
    int commandId = 0;  // CmdAncestorFirst + k
    std::string text;   // "Computer", the drive's path, or a folder name
    int image = 0;      // small icon: computer, the drive's type, open folder
    std::string path;   // what choosing it opens ("" for the drive list)
};

class ArchiveNavigator {
public:
    enum class ListMode {
        Normal,      // a new folder or a relisting
        ModeSwitch,  // only a switch between list and thumbnails mode
        Refresh,     // command 143: the selection is let through
    };

    ArchiveNavigator(NavigatorList& list, EventQueue& queue, CommandTarget* target, ArchiveHooks hooks);

    // Window opening: the start folder and the horizon (both as the settings
    // give them; "" for none), then a posted CmdRelist.
    void open(const std::string& pathToStart, const std::string& pathHorizon);
    // A new PathHorizon from the settings. Returns true when the current
    // folder lies outside it and must be relisted (the caller posts CmdRelist
    // unless a listing is in progress); the folder stays current.
    bool setPathHorizon(const std::string& pathHorizon);

    // Handles CmdRelist, CmdGoUp, 143 and the ancestors menu ids; false for
    // any other command.
    bool handleCommand(int command);

    void listCurrentFolder(ListMode mode = ListMode::Normal);
    void goUp();
    void activateSelectedItem();
    // Selects and shows one photo, changing folder when needed. A path that is
    // an existing folder is a folder whatever dots its name holds.
    void goToPath(const std::string& path, bool searchShortNames = false);
    void selectAndShow(int index);
    // Steps through the photos of the current folder (outside a total slideshow).
    void stepBackward(int repeatCount = 1);
    void stepForward(int repeatCount = 1);
    // The full path of a photo row; nothing for other rows and indices
    // outside first..last.
    std::optional<std::string> photoPath(int index) const;
    void refresh();

    // Rebuilds the ancestors list and returns the items to offer (empty: the
    // caller beeps and shows no menu).
    std::vector<AncestorItem> ancestorsMenu();
    // Opens ancestor k of the list last built (menu id CmdAncestorFirst + k).
    void openAncestor(int k);

    // The delayed activation of a row the user selected (the Navigator's timer).
    void setPendingActivation(int row) { pending_ = row; }
    int pendingActivation() const { return pending_; }
    // Runs Select and show on the pending row, if any, and clears it.
    void activatePending();

    const std::string& currentFolder() const { return current_; }
    const std::string& ownName() const { return ownName_; }
    const std::string& nameToSelect() const { return nameToSelect_; }
    const std::string& pathHorizon() const { return horizon_; }
    int currentIndex() const { return currentIndex_; }
    int firstPhotoIndex() const { return first_; }
    int lastPhotoIndex() const { return last_; }
    int itemCount() const { return list_.count(); }
    bool isDriveList() const { return current_.empty(); }
    bool isDriveRoot(const std::string& folder) const;
    // The current folder is the horizon folder.
    bool atHorizon() const;
    bool isRelisting() const { return relisting_; }
    // True while the model itself selects rows: the list's item-change
    // notifications are then not the user's.
    bool selectingRows() const { return selectingRows_; }
    // The current folder path, or the computer's name at the drive list.
    std::string locationText() const;
    const std::vector<Drive>& drives() const { return drives_; }
    NavigatorList& list() { return list_; }

private:
    void refreshDrives();
    const Drive* driveOf(const std::string& path) const;
    int driveImage(const std::string& drivePath) const;
    std::string ownNameOf(const std::string& folder) const;
    // Where going up from a folder leads ("" the drive list); nothing when
    // going up is not allowed there (drive list, horizon).
    std::optional<std::string> upTarget(const std::string& folder) const;
    bool insideHorizon(const std::string& path) const;
    void setCurrentFolder(const std::string& folder);
    void selectRow(int row, bool notify, bool scroll);
    void beep();
    void busy(bool on);

    NavigatorList& list_;
    EventQueue& queue_;
    CommandTarget* target_;
    ArchiveHooks hooks_;

    std::string current_;
    std::string ownName_;
    std::string nameToSelect_;
    std::string horizon_;
    int currentIndex_ = -1;
    int first_ = -1;
    int last_ = -1;
    int pending_ = -1;
    bool relisting_ = false;
    bool selectingRows_ = false;
    std::vector<Drive> drives_;
    std::vector<AncestorItem> ancestors_;
};

}  // namespace vellumo
