#include "archive/ArchiveNavigator.h"

#include <algorithm>
#include <utility>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

// Paths from settings and callers: absolute ones get their canonical form.
std::string CleanPath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return NormalizePath(path);
    return path;
}

}  // namespace

ArchiveNavigator::ArchiveNavigator(NavigatorList& list, EventQueue& queue, CommandTarget* target, ArchiveHooks hooks)
    : list_(list), queue_(queue), target_(target), hooks_(std::move(hooks)), lister_(queue, target) {}

void ArchiveNavigator::beep() {
    if (hooks_.beep) hooks_.beep();
}

void ArchiveNavigator::busy(bool on) {
    if (on == busyShown_) return;
    busyShown_ = on;
    if (hooks_.busyCursor) hooks_.busyCursor(on);
}

void ArchiveNavigator::refreshDrives() {
    places_.drives = hooks_.listDrives ? hooks_.listDrives() : ListDrives();
}

void ArchiveNavigator::setCurrentFolder(const std::string& folder) {
    current_ = folder;
    ownName_ = places_.ownNameOf(folder);
}

std::string ArchiveNavigator::locationText() const { return current_.empty() ? std::string(ComputerName) : current_; }

void ArchiveNavigator::open(const std::string& pathToStart, const std::string& pathHorizon) {
    refreshDrives();
    places_.horizon = CleanPath(pathHorizon);
    setCurrentFolder(CleanPath(pathToStart));
    // Read on a worker, the first folder is read while the window comes up.
    if (lister_.onWorker())
        listCurrentFolder();
    else
        queue_.post(target_, CmdRelist);
}

bool ArchiveNavigator::setPathHorizon(const std::string& pathHorizon) {
    places_.horizon = CleanPath(pathHorizon);
    return !places_.insideHorizon(current_);
}

bool ArchiveNavigator::handleCommand(int command) {
    if (command == CmdRelist) {
        listCurrentFolder();
        return true;
    }
    if (command == CmdGoUp) {
        goUp();
        return true;
    }
    if (command == CmdFolderListed) {
        takeListings();
        return true;
    }
    if (command == 143) {
        refresh();
        return true;
    }
    if (command >= CmdAncestorFirst && command <= CmdAncestorLast) {
        openAncestor(command - CmdAncestorFirst);
        return true;
    }
    return false;
}

void ArchiveNavigator::selectRow(int row, bool notify, bool scroll) {
    programRow_ = row;
    selectingRows_ = !notify;
    list_.select(row, notify);
    selectingRows_ = false;
    if (scroll) list_.scrollTo(row);
}

// ---- Listing ----------------------------------------------------------------------

void ArchiveNavigator::listCurrentFolder(ListMode mode) {
    beginListing(mode);
    if (!current_.empty()) startReading(current_, false);
}

void ArchiveNavigator::beginListing(ListMode mode) {
    lister_.abandon();
    relisting_ = true;
    busy(true);
    if (mode != ListMode::ModeSwitch) enterPending_ = true;
    if (mode == ListMode::Refresh) letThrough_ = true;
    if (hooks_.suspendThumbnails) hooks_.suspendThumbnails();
    list_.clear();
    if (mode != ListMode::ModeSwitch && hooks_.forgetThumbnailImages) hooks_.forgetThumbnailImages();
    first_ = last_ = pending_ = -1;
    goToFile_.clear();
    listing_ = false;
    headShown_ = false;
    refreshDrives();
    ownName_ = places_.ownNameOf(current_);
    relisting_ = false;
    if (!current_.empty()) return;

    // The drive list, in the system's order, at once: nothing to read.
    std::vector<ArchiveItem> rows;
    for (const auto& d : places_.drives) {
        ArchiveItem item;
        item.text = DriveRowText(d);
        item.image = ImageOfDriveType(d.type);
        item.flags = ItemFlags::Drive;
        item.fileName = d.path;
        if (item.text == nameToSelect_) currentIndex_ = static_cast<int>(rows.size());
        rows.push_back(std::move(item));
    }
    listing_ = true;
    applyRows(std::move(rows), Stage::Whole);
}

void ArchiveNavigator::startReading(const std::string& path, bool goTo) {
    listing_ = true;
    FolderListingRequest request;
    request.path = path;
    request.goTo = goTo;
    request.places = places_;
    lister_.start(std::move(request));
    if (!lister_.onWorker()) takeListings();
}

void ArchiveNavigator::takeListings() {
    for (auto& d : lister_.take()) {
        if (!listing_ && d.kind != ListingDelivery::Kind::EmptyFolders) continue;
        switch (d.kind) {
            case ListingDelivery::Kind::Part:
                adoptFolder(d);
                showPart(std::move(d.rows));
                break;
            case ListingDelivery::Kind::Head:
                adoptFolder(d);
                applyRows(std::move(d.rows), Stage::Head);
                break;
            case ListingDelivery::Kind::Complete:
                adoptFolder(d);
                applyRows(std::move(d.rows), Stage::Whole);
                break;
            case ListingDelivery::Kind::Unreadable:
                adoptFolder(d);
                applyRows(std::move(d.rows), Stage::Unreadable);
                break;
            case ListingDelivery::Kind::EmptyFolders:
                if (d.folder == current_) markEmptyFolders(d.emptyFolders);
                break;
        }
    }
}

void ArchiveNavigator::adoptFolder(const ListingDelivery& delivery) {
    if (delivery.folder != current_) setCurrentFolder(delivery.folder);
    if (!delivery.file.empty()) goToFile_ = delivery.file;
}

void ArchiveNavigator::setRows(std::vector<ArchiveItem> rows) {
    first_ = last_ = -1;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        if (rows[static_cast<size_t>(i)].isPhoto()) {
            if (first_ < 0) first_ = i;
            last_ = i;
        }
    }
    list_.setRows(std::move(rows));
}

int ArchiveNavigator::rowToSelect() const {
    int row = currentIndex_;
    if (row == -1) {
        row = 0;
        if (!nameToSelect_.empty()) {
            for (int i = 0; i < list_.count(); ++i) {
                const auto& r = list_.at(i);
                if (r.isPhoto()) break;
                if ((r.isDrive() || r.isFolder()) && r.text == nameToSelect_) {
                    row = i;
                    break;
                }
            }
        }
    }
    return std::min(row, list_.count() - 1);
}

std::optional<ArchiveItem> ArchiveNavigator::rowTheUserChose() const {
    const int row = list_.selection();
    if (!list_.valid(row) || row == programRow_) return std::nullopt;
    return list_.at(row);
}

bool ArchiveNavigator::keepUserChoice(const std::optional<ArchiveItem>& chosen, int oldRow) {
    if (!chosen) return false;
    for (int row = 0; row < list_.count(); ++row) {
        const ArchiveItem& r = list_.at(row);
        if (r.flags != chosen->flags || r.fileName != chosen->fileName || r.text != chosen->text) continue;
        // The photo waiting for its delayed display moves with its row.
        if (pending_ == oldRow) pending_ = row;
        selectingRows_ = true;
        list_.select(row, false);
        selectingRows_ = false;
        programRow_ = -2;  // still the user's
        return true;
    }
    return false;
}

void ArchiveNavigator::showPart(std::vector<ArchiveItem> rows) {
    // What was read so far, in order, selected as the whole will be, or
    // where the user went meanwhile; the folder's settings come with the
    // complete rows.
    const int oldRow = list_.selection();
    const std::optional<ArchiveItem> chosen = rowTheUserChose();
    setRows(std::move(rows));
    if (!keepUserChoice(chosen, oldRow)) selectRow(rowToSelect(), false, true);
}

void ArchiveNavigator::applyRows(std::vector<ArchiveItem> rows, Stage stage) {
    // A head leaves out a row to select further down: it waits for the whole.
    if (stage == Stage::Head && !headShown_) {
        const int wanted = currentIndex_ >= 0 ? currentIndex_ : -1;
        bool named = nameToSelect_.empty();
        for (const auto& r : rows) named = named || ((r.isDrive() || r.isFolder()) && r.text == nameToSelect_);
        if (wanted >= static_cast<int>(rows.size()) || (currentIndex_ == -1 && !named)) {
            showPart(std::move(rows));
            return;
        }
    }
    if (stage == Stage::Head && headShown_) return;
    const int oldRow = list_.selection();
    const std::optional<ArchiveItem> chosen = rowTheUserChose();
    // The rows in place are a head of these: every row keeps its index.
    const bool grown = headShown_;
    headShown_ = stage == Stage::Head;
    relisting_ = true;
    if (stage != Stage::Head) listing_ = false;
    if (!grown) {
        // The folder's scope is entered before its rows exist, as when the
        // folder is read at once.
        if (list_.count() > 0) list_.clear();
        first_ = last_ = -1;
        if (enterPending_) {
            enterPending_ = false;
            if (hooks_.enterFolder) hooks_.enterFolder(current_);
        }
    }
    const bool thumbnails = hooks_.thumbnailsMode && hooks_.thumbnailsMode();
    // In thumbnails mode every photo starts with the plain photo image.
    if (thumbnails) {
        for (auto& r : rows)
            if (r.isPhoto()) r.image = ItemImage::Photo;
    }
    setRows(std::move(rows));
    if (stage == Stage::Unreadable) {
        // Gone, unreadable or not a folder: go up (which ends at the drive
        // list, or beeps at the horizon).
        if (currentIndex_ >= list_.count()) currentIndex_ = list_.count() - 1;
        selectRow(currentIndex_, false, true);
        letThrough_ = false;
        goToFile_.clear();
        busy(false);
        relisting_ = false;
        queue_.post(target_, CmdGoUp);
        if (hooks_.rowsShown) hooks_.rowsShown();
        if (hooks_.listed) hooks_.listed();
        return;
    }
    // A head keeps its rows' places in the whole: the row selected stays.
    if (!grown) currentIndex_ = current_.empty() ? std::min(currentIndex_, list_.count() - 1) : rowToSelect();
    const bool notify = stage == Stage::Whole && letThrough_;
    if (stage == Stage::Whole) letThrough_ = false;
    if (notify) {
        selectRow(currentIndex_, true, true);
    } else if (keepUserChoice(chosen, oldRow)) {
        currentIndex_ = list_.selection();
    } else {
        selectRow(currentIndex_, false, true);
    }
    if (stage == Stage::Head) {
        relisting_ = false;
        // The photo gone to shows with the head that holds its row.
        if (!goToFile_.empty() && rowOfFile(goToFile_) >= 0) {
            const std::string file = std::move(goToFile_);
            goToFile_.clear();
            showFileRow(file);
        }
        if (hooks_.rowsShown) hooks_.rowsShown();
        return;
    }
    // The thumbnail worker reads the rows it works on: they must exist.
    if (thumbnails && first_ >= 0 && hooks_.resumeThumbnails) hooks_.resumeThumbnails();
    busy(false);
    relisting_ = false;
    if (notify && currentIndex_ >= 0 && hooks_.selectionLetThrough) hooks_.selectionLetThrough(currentIndex_);
    const std::string file = std::move(goToFile_);
    goToFile_.clear();
    if (!file.empty()) showFileRow(file);
    if (!grown && hooks_.rowsShown) hooks_.rowsShown();
    if (hooks_.listed) hooks_.listed();
}

void ArchiveNavigator::markEmptyFolders(const std::vector<std::string>& names) {
    const int end = first_ >= 0 ? first_ : list_.count();
    for (const auto& name : names) {
        for (int row = 0; row < end; ++row) {
            const ArchiveItem& item = list_.at(row);
            if (item.isFolder() && item.fileName == name) {
                list_.setRow(row, ItemFlags::Folder | ItemFlags::EmptyFolder, ItemImage::EmptyFolder);
                break;
            }
        }
    }
}

void ArchiveNavigator::goUp() {
    auto target = places_.upTarget(current_);
    if (!target) {
        beep();
        return;
    }
    currentIndex_ = -1;
    nameToSelect_ = target->empty() ? places_.ownNameOf(current_) : FileNameOf(current_);
    if (target->empty() && nameToSelect_.empty()) nameToSelect_ = "[" + current_ + "]";
    setCurrentFolder(*target);
    queue_.post(target_, CmdRelist);
}

void ArchiveNavigator::activateSelectedItem() {
    int row = list_.selection();
    if (!list_.valid(row)) return;
    const ArchiveItem item = list_.at(row);
    // Photos are shown by selection, not opened here.
    if (item.isPhoto()) return;
    ownName_ = item.text;
    nameToSelect_.clear();
    currentIndex_ = 0;
    if (item.isDrive()) {
        setCurrentFolder(item.fileName);
        queue_.post(target_, CmdRelist);
    } else if (item.isUpEntry()) {
        queue_.post(target_, CmdGoUp);
    } else if (item.isFolder()) {
        setCurrentFolder(JoinPath(current_, item.fileName));
        queue_.post(target_, CmdRelist);
    }
}

void ArchiveNavigator::goToPath(const std::string& rawPath, bool searchShortNames) {
    (void)searchShortNames;  // short names never match here
    const std::string path = CleanPath(rawPath);
    // Paths are compared exactly: on this file system case matters.
    if (path == current_) return;
    // A "." after the last "/" may name a file in its folder, unless the path
    // is a folder (whatever dots its name holds).
    std::string folder = path;
    std::string file;
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && path.find('.', slash + 1) != std::string::npos) {
        folder = slash == 0 ? std::string("/") : path.substr(0, slash);
        file = path.substr(slash + 1);
    }
    if (file.empty()) {
        setCurrentFolder(folder);
        listCurrentFolder();
        return;
    }
    if (folder == current_) {
        // The listed folder tells what the name is, without a look at the disc.
        if (listing_) {
            goToFile_ = file;
            return;
        }
        for (int row = 0; row < list_.count() && !list_.at(row).isPhoto(); ++row) {
            if (list_.at(row).isFolder() && list_.at(row).fileName == file) {
                setCurrentFolder(path);
                listCurrentFolder();
                return;
            }
        }
        showFileRow(file);
        return;
    }
    // Another folder: the listing finds out whether the path is a folder.
    setCurrentFolder(folder);
    beginListing(ListMode::Normal);
    startReading(path, true);
}

int ArchiveNavigator::rowOfFile(const std::string& file) const {
    const std::uint32_t bit = PhotoFormatBit(file);
    if (!bit || first_ < 0) return -1;
    for (int i = first_; i <= last_; ++i)
        if (list_.at(i).fileName == file) return i;
    const std::string stem = file.substr(0, file.rfind('.'));
    for (int i = first_; i <= last_; ++i) {
        const auto& r = list_.at(i);
        if ((r.flags & bit) && EqualsNoCase(r.text, stem)) return i;
    }
    return -1;
}

void ArchiveNavigator::showFileRow(const std::string& file) {
    const int found = rowOfFile(file);
    if (found < 0) return;
    currentIndex_ = found;
    bool scroll = !((hooks_.thumbnailsMode && hooks_.thumbnailsMode()) &&
                    (hooks_.totalSlideshowActive && hooks_.totalSlideshowActive()));
    selectRow(found, false, scroll);
    if (hooks_.showPhoto) hooks_.showPhoto(*photoPath(found));
}

void ArchiveNavigator::selectAndShow(int index) {
    if (!list_.valid(index)) {
        beep();
        return;
    }
    selectRow(index, false, true);
    currentIndex_ = index;
    auto path = photoPath(index);
    if (!path) return;
    pending_ = -1;
    if (hooks_.clearNoPhoto) hooks_.clearNoPhoto();
    if (hooks_.showPhoto) hooks_.showPhoto(*path);
    if (hooks_.photoSelected) hooks_.photoSelected(*path);
}

void ArchiveNavigator::activatePending() {
    int row = pending_;
    if (row < 0) return;
    pending_ = -1;
    selectAndShow(row);
}

void ArchiveNavigator::stepBackward(int repeatCount) {
    int n = std::max(1, repeatCount);
    if (first_ < 0 || currentIndex_ == first_) {
        beep();
        return;
    }
    int targetRow = currentIndex_ < 0 ? first_ : std::max(first_, currentIndex_ - n);
    selectAndShow(targetRow);
}

void ArchiveNavigator::stepForward(int repeatCount) {
    int n = std::max(1, repeatCount);
    if (last_ < 0 || currentIndex_ == last_) {
        beep();
        return;
    }
    int targetRow = currentIndex_ < 0 ? last_ : std::min(last_, currentIndex_ + n);
    selectAndShow(targetRow);
}

std::optional<std::string> ArchiveNavigator::photoPath(int index) const {
    if (first_ < 0 || index < first_ || index > last_ || !list_.valid(index)) return std::nullopt;
    const auto& item = list_.at(index);
    if (!item.isPhoto()) return std::nullopt;
    return JoinPath(current_, item.fileName);
}

void ArchiveNavigator::refresh() {
    if (hooks_.thumbnailsMode && hooks_.thumbnailsMode() && hooks_.refreshThumbnails) hooks_.refreshThumbnails();
    listCurrentFolder(ListMode::Refresh);
}

std::vector<AncestorItem> ArchiveNavigator::ancestorsMenu() {
    refreshDrives();
    ancestors_.clear();
    std::vector<AncestorItem> offered;
    if (current_.empty()) return offered;

    ancestors_.push_back({CmdAncestorFirst, ComputerName, ItemImage::Computer, std::string()});
    const Drive* drive = places_.driveOf(current_);
    std::string drivePath = drive ? drive->path : std::string("/");
    ancestors_.push_back({CmdAncestorFirst + 1, drivePath, drive ? ImageOfDriveType(drive->type) : ItemImage::FixedDrive,
                          drivePath});
    // Each folder between the drive and the current folder.
    std::string rest = current_.substr(std::min(current_.size(), drivePath.size()));
    std::string path = drivePath;
    size_t pos = 0;
    while (pos < rest.size()) {
        while (pos < rest.size() && rest[pos] == '/') ++pos;
        size_t end = rest.find('/', pos);
        if (end == std::string::npos) end = rest.size();
        if (end > pos) {
            std::string name = rest.substr(pos, end - pos);
            path = JoinPath(path, name);
            int k = static_cast<int>(ancestors_.size());
            if (CmdAncestorFirst + k > CmdAncestorLast) break;
            ancestors_.push_back({CmdAncestorFirst + k, name, ItemImage::OpenFolder, path});
        }
        pos = end;
    }
    for (const auto& a : ancestors_) {
        if (a.path == current_) continue;  // the current folder itself
        const std::string& horizon = places_.horizon;
        if (!horizon.empty() && (a.path.empty() || a.path == horizon || !PathContains(horizon, a.path))) continue;
        offered.push_back(a);
    }
    return offered;
}

void ArchiveNavigator::openAncestor(int k) {
    if (ancestors_.empty()) {
        beep();
        return;
    }
    if (k < 0 || k >= static_cast<int>(ancestors_.size())) return;
    const std::string path = ancestors_[static_cast<size_t>(k)].path;
    if (path == current_) return;
    const std::string& horizon = places_.horizon;
    if (!horizon.empty() && (path.empty() || path == horizon || !PathContains(horizon, path))) {
        beep();
        return;
    }
    // The current index stays: the row at the same position is selected.
    setCurrentFolder(path);
    queue_.post(target_, CmdRelist);
}

}  // namespace vellumo
