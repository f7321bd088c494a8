#pragma once
// The archive model behind the Navigator: the current folder, its listing into
// a NavigatorList, going up and down, going to a path, stepping through the
// photos and the ancestors menu. Runs on the user-interface thread. Everything
// it needs from other subsystems (settings scopes, the viewer, thumbnails,
// slideshows, beeps, the busy cursor) goes through ArchiveHooks; deferred work
// is posted to the owning window through the EventQueue.
//
// A folder is read by a FolderLister, on a worker thread in the program (the
// window answers meanwhile; a slow folder shows its rows in parts) or at once
// where no worker is asked for. The folder's settings scope is entered when
// its rows are complete, just before they take their place, so the folder's
// files are looked up in what the listing read.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveItem.h"
#include "archive/ArchivePlaces.h"
#include "archive/FolderLister.h"
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
    // A listing shows its first screenful of rows in their order (its head,
    // or all of them), or failed.
    std::function<void()> rowsShown;
    // A listing took its complete rows (or failed, or listed the drives).
    std::function<void()> listed;
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

    // Handles CmdRelist, CmdGoUp, CmdFolderListed, 143 and the ancestors
    // menu ids; false for any other command.
    bool handleCommand(int command);
    // Folders are read on a worker thread (off: inside the call that lists).
    void setListingOnWorker(bool on) { lister_.setOnWorker(on); }
    FolderLister& lister() { return lister_; }
    // A folder's listing was started and its rows are not complete yet.
    bool listingPending() const { return listing_; }
    // The rows shown begin as they will (a head, or all of them).
    bool firstRowsShown() const { return !listing_ || headShown_; }

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
    const std::string& pathHorizon() const { return places_.horizon; }
    int currentIndex() const { return currentIndex_; }
    int firstPhotoIndex() const { return first_; }
    int lastPhotoIndex() const { return last_; }
    int itemCount() const { return list_.count(); }
    bool isDriveList() const { return current_.empty(); }
    bool isDriveRoot(const std::string& folder) const { return places_.isDriveRoot(folder); }
    // The current folder is the horizon folder.
    bool atHorizon() const { return places_.atHorizon(current_); }
    bool isRelisting() const { return relisting_; }
    // True while the model itself selects rows: the list's item-change
    // notifications are then not the user's.
    bool selectingRows() const { return selectingRows_; }
    // The current folder path, or the computer's name at the drive list.
    std::string locationText() const;
    const std::vector<Drive>& drives() const { return places_.drives; }
    NavigatorList& list() { return list_; }

private:
    void refreshDrives();
    void setCurrentFolder(const std::string& folder);
    void selectRow(int row, bool notify, bool scroll);
    void beep();
    void busy(bool on);
    // Listing: the part done at once (rows cleared, thumbnails held, the
    // drive list made), then the folder read by the lister.
    void beginListing(ListMode mode);
    void startReading(const std::string& path, bool goTo);
    void takeListings();
    // The folder the listing found (a go to path names it only then).
    void adoptFolder(const ListingDelivery& delivery);
    void showPart(std::vector<ArchiveItem> rows);
    // Rows in their final order: the first ones (a head), all of them, or
    // the up entry of a folder that could not be read.
    enum class Stage { Head, Whole, Unreadable };
    void applyRows(std::vector<ArchiveItem> rows, Stage stage);
    void markEmptyFolders(const std::vector<std::string>& names);
    // Rows take their place with their photo range.
    void setRows(std::vector<ArchiveItem> rows);
    // The row a listing selects: the current index, or the row of the name
    // to select.
    int rowToSelect() const;
    // The row of a file of the listed folder, by its name as given, else
    // ignoring case with the same format; -1 when there is none.
    int rowOfFile(const std::string& file) const;
    void showFileRow(const std::string& file);
    // The row the user moved the selection to while the rows came in parts,
    // found again in the new rows.
    std::optional<ArchiveItem> rowTheUserChose() const;
    bool keepUserChoice(const std::optional<ArchiveItem>& chosen, int oldRow);

    NavigatorList& list_;
    EventQueue& queue_;
    CommandTarget* target_;
    ArchiveHooks hooks_;
    FolderLister lister_;
    ArchivePlaces places_;

    std::string current_;
    std::string ownName_;
    std::string nameToSelect_;
    int currentIndex_ = -1;
    int first_ = -1;
    int last_ = -1;
    int pending_ = -1;
    bool relisting_ = false;
    bool selectingRows_ = false;
    bool busyShown_ = false;
    int programRow_ = -1;  // the row the model selected last
    // A folder listing runs; what its completion must do.
    bool listing_ = false;
    bool headShown_ = false;  // the rows in place are the head of the final rows
    bool enterPending_ = false;
    bool letThrough_ = false;
    // Go to path: the file to select and show once the rows are complete.
    std::string goToFile_;
    std::vector<AncestorItem> ancestors_;
};

}  // namespace vellumo
