#include "archive/ArchiveNavigator.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "archive/FolderReader.h"
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

int ImageOfDriveType(DriveType type) {
    switch (type) {
        case DriveType::Removable: return ItemImage::RemovableDrive;
        case DriveType::Remote: return ItemImage::NetworkDrive;
        case DriveType::CdRom: return ItemImage::CdRomDrive;
        case DriveType::RamDisk: return ItemImage::RamDisk;
        case DriveType::Fixed: break;
    }
    return ItemImage::FixedDrive;
}

// Row order: kind, then the name ignoring case; names equal ignoring case keep
// a fixed order (photos by format table position, then by their bytes).
bool RowLess(const ArchiveItem& a, const ArchiveItem& b) {
    if (a.kind() != b.kind()) return a.kind() < b.kind();
    int c = CompareNoCase(a.text, b.text);
    if (c != 0) return c < 0;
    int fa = PhotoFormatOrder(a.flags), fb = PhotoFormatOrder(b.flags);
    if (fa != fb) return fa < fb;
    return a.text < b.text;
}

}  // namespace

ArchiveNavigator::ArchiveNavigator(NavigatorList& list, EventQueue& queue, CommandTarget* target, ArchiveHooks hooks)
    : list_(list), queue_(queue), target_(target), hooks_(std::move(hooks)) {}

void ArchiveNavigator::beep() {
    if (hooks_.beep) hooks_.beep();
}

void ArchiveNavigator::busy(bool on) {
    if (hooks_.busyCursor) hooks_.busyCursor(on);
}

void ArchiveNavigator::refreshDrives() {
    drives_ = hooks_.listDrives ? hooks_.listDrives() : ListDrives();
}

const Drive* ArchiveNavigator::driveOf(const std::string& path) const {
    std::string root = DriveOfPath(drives_, path);
    for (const auto& d : drives_) {
        if (d.path == root) return &d;
    }
    return nullptr;
}

int ArchiveNavigator::driveImage(const std::string& drivePath) const {
    for (const auto& d : drives_) {
        if (d.path == drivePath) return ImageOfDriveType(d.type);
    }
    return ItemImage::FixedDrive;
}

bool ArchiveNavigator::isDriveRoot(const std::string& folder) const {
    if (folder.empty()) return false;
    return std::any_of(drives_.begin(), drives_.end(), [&](const Drive& d) { return d.path == folder; });
}

std::string ArchiveNavigator::ownNameOf(const std::string& folder) const {
    if (folder.empty()) return {};
    if (isDriveRoot(folder)) return "[" + folder + "]";
    return FileNameOf(folder);
}

bool ArchiveNavigator::insideHorizon(const std::string& path) const {
    return horizon_.empty() || PathContains(horizon_, path);
}

bool ArchiveNavigator::atHorizon() const { return !horizon_.empty() && current_ == horizon_; }

std::optional<std::string> ArchiveNavigator::upTarget(const std::string& folder) const {
    if (folder.empty()) return std::nullopt;
    if (!horizon_.empty()) {
        // Only folders inside the horizon can be reached; the drive list never.
        if (folder == horizon_ || !PathContains(horizon_, folder)) return std::nullopt;
        return ParentPath(folder);
    }
    if (isDriveRoot(folder)) return std::string();
    std::string parent = ParentPath(folder);
    return parent;  // "" for a path without a parent: the drive list
}

void ArchiveNavigator::setCurrentFolder(const std::string& folder) {
    current_ = folder;
    ownName_ = ownNameOf(folder);
}

std::string ArchiveNavigator::locationText() const { return current_.empty() ? std::string(ComputerName) : current_; }

void ArchiveNavigator::open(const std::string& pathToStart, const std::string& pathHorizon) {
    refreshDrives();
    horizon_ = CleanPath(pathHorizon);
    setCurrentFolder(CleanPath(pathToStart));
    queue_.post(target_, CmdRelist);
}

bool ArchiveNavigator::setPathHorizon(const std::string& pathHorizon) {
    horizon_ = CleanPath(pathHorizon);
    return !insideHorizon(current_);
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
    selectingRows_ = !notify;
    list_.select(row, notify);
    selectingRows_ = false;
    if (scroll) list_.scrollTo(row);
}

void ArchiveNavigator::listCurrentFolder(ListMode mode) {
    relisting_ = true;
    busy(true);
    if (mode != ListMode::ModeSwitch && hooks_.enterFolder) hooks_.enterFolder(current_);
    if (hooks_.suspendThumbnails) hooks_.suspendThumbnails();
    list_.clear();
    if (mode != ListMode::ModeSwitch && hooks_.forgetThumbnailImages) hooks_.forgetThumbnailImages();
    first_ = last_ = pending_ = -1;
    refreshDrives();
    ownName_ = ownNameOf(current_);

    std::vector<ArchiveItem> rows;
    bool startThumbnails = false;
    auto finish = [&](bool notify) {
        if (currentIndex_ >= static_cast<int>(rows.size())) currentIndex_ = static_cast<int>(rows.size()) - 1;
        list_.setRows(std::move(rows));
        // The thumbnail worker reads the rows it works on: they must exist.
        if (startThumbnails && hooks_.resumeThumbnails) hooks_.resumeThumbnails();
        selectRow(currentIndex_, notify, true);
        busy(false);
        relisting_ = false;
    };

    if (current_.empty()) {
        // The drive list, in the system's order.
        for (const auto& d : drives_) {
            ArchiveItem item;
            item.text = DriveRowText(d);
            item.image = ImageOfDriveType(d.type);
            item.flags = ItemFlags::Drive;
            item.fileName = d.path;
            if (item.text == nameToSelect_) currentIndex_ = static_cast<int>(rows.size());
            rows.push_back(std::move(item));
        }
        finish(false);
        return;
    }

    // The up entry, unless going up is not allowed here (the horizon folder).
    const bool driveRoot = isDriveRoot(current_);
    if (upTarget(current_)) {
        ArchiveItem up;
        up.text = ownName_;
        up.image = driveRoot ? driveImage(current_) : ItemImage::OpenFolder;
        up.flags = ItemFlags::UpEntry;
        rows.push_back(std::move(up));
    }

    FolderEntries entries;
    if (!ReadFolder(current_, entries)) {
        // Gone, unreadable or not a folder: go up (which ends at the drive
        // list, or beeps at the horizon).
        finish(false);
        queue_.post(target_, CmdGoUp);
        return;
    }

    rows.reserve(rows.size() + entries.folders.size() + entries.files.size());
    for (size_t i = 0; i < entries.folders.size(); ++i) {
        const std::string& name = entries.folders[i];
        if (name.front() == '.') continue;
        ArchiveItem item;
        item.text = name;
        item.fileName = name;
        if (entries.folderEmpty[i]) {
            item.flags = ItemFlags::Folder | ItemFlags::EmptyFolder;
            item.image = ItemImage::EmptyFolder;
        } else {
            item.flags = ItemFlags::Folder;
            item.image = ItemImage::Folder;
        }
        rows.push_back(std::move(item));
    }

    const bool thumbnails = hooks_.thumbnailsMode && hooks_.thumbnailsMode();
    // Comment and sound files beside the photos, by their lower-cased names
    // (a name written on Windows may differ in case).
    std::unordered_set<std::string> companions;
    if (!thumbnails) {
        for (const auto& name : entries.files) {
            if (name.size() > 4) {
                std::string ext = ToLowerAscii(std::string_view(name).substr(name.size() - 4));
                if (ext == ".txt" || ext == ".wav") companions.insert(ToLowerAscii(name));
            }
        }
    }
    for (auto& name : entries.files) {
        std::uint32_t bit = PhotoFormatBit(name);
        if (!bit) continue;
        ArchiveItem item;
        item.text = name.substr(0, name.rfind('.'));
        item.flags = ItemFlags::Photo | bit;
        item.image = ItemImage::Photo;
        if (!thumbnails) {
            std::string stem = ToLowerAscii(item.text);
            if (companions.count(stem + ".txt")) item.image += 1;
            if (companions.count(stem + ".wav")) item.image += 2;
        }
        item.fileName = std::move(name);
        rows.push_back(std::move(item));
    }

    std::sort(rows.begin(), rows.end(), RowLess);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        if (rows[static_cast<size_t>(i)].isPhoto()) {
            if (first_ < 0) first_ = i;
            last_ = i;
        }
    }
    startThumbnails = thumbnails && first_ >= 0;

    if (currentIndex_ == -1) {
        currentIndex_ = 0;
        if (!nameToSelect_.empty()) {
            for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
                const auto& r = rows[static_cast<size_t>(i)];
                if (r.isPhoto()) break;
                if ((r.isDrive() || r.isFolder()) && r.text == nameToSelect_) {
                    currentIndex_ = i;
                    break;
                }
            }
        }
    }
    const bool notify = mode == ListMode::Refresh;
    finish(notify);
    if (notify && currentIndex_ >= 0 && hooks_.selectionLetThrough) hooks_.selectionLetThrough(currentIndex_);
}

void ArchiveNavigator::goUp() {
    auto target = upTarget(current_);
    if (!target) {
        beep();
        return;
    }
    currentIndex_ = -1;
    nameToSelect_ = target->empty() ? ownNameOf(current_) : FileNameOf(current_);
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
    std::string path = CleanPath(rawPath);
    std::string folder = path;
    std::string file;
    if (!path.empty() && !IsDirectory(path)) {
        auto slash = path.rfind('/');
        if (slash != std::string::npos && path.find('.', slash + 1) != std::string::npos) {
            folder = slash == 0 ? std::string("/") : path.substr(0, slash);
            file = path.substr(slash + 1);
        }
    }
    // Paths are compared exactly: on this file system case matters.
    if (folder != current_) {
        refreshDrives();
        setCurrentFolder(folder);
        listCurrentFolder();
    }
    if (file.empty()) return;
    std::uint32_t bit = PhotoFormatBit(file);
    if (!bit) return;

    // The row of this very file, else one whose name matches ignoring case
    // with the same format (short names never match here).
    (void)searchShortNames;
    int found = -1;
    if (first_ >= 0) {
        for (int i = first_; i <= last_; ++i) {
            if (list_.at(i).fileName == file) {
                found = i;
                break;
            }
        }
        if (found < 0) {
            std::string stem = file.substr(0, file.rfind('.'));
            for (int i = first_; i <= last_; ++i) {
                const auto& r = list_.at(i);
                if ((r.flags & bit) && EqualsNoCase(r.text, stem)) {
                    found = i;
                    break;
                }
            }
        }
    }
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
    const Drive* drive = driveOf(current_);
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
        if (!horizon_.empty() && (a.path.empty() || a.path == horizon_ || !PathContains(horizon_, a.path))) continue;
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
    if (!horizon_.empty() && (path.empty() || path == horizon_ || !PathContains(horizon_, path))) {
        beep();
        return;
    }
    // The current index stays: the row at the same position is selected.
    setCurrentFolder(path);
    queue_.post(target_, CmdRelist);
}

}  // namespace vellumo
