#include "archive/FolderListing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <numeric>
#include <optional>
#include <unordered_set>

#include "archive/FolderReader.h"
#include "platform/Files.h"
#include "platform/PagePopulation.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

using Clock = std::chrono::steady_clock;

// Parts come while a folder is read slowly; each is sorted anew.
constexpr int kMostRowsInAPart = 10000;
// A local folder gives its first entry well within this, a share after a
// request over the network.
constexpr int kSlowFirstEntryMs = 20;

int MsSince(Clock::time_point start) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

enum class Emptiness : std::uint8_t { Unknown, Empty, NotEmpty };

// Texts back to back in one buffer (a folder's file names, their sort
// keys): 100,000 names take two growing blocks rather than a block of
// strings and a heap block for every long name, and their pages fault in a
// few calls.
class NameList {
public:
    void add(std::string_view name) {
        ReservePopulated(bytes_, bytes_.size() + name.size());
        bytes_.append(name);
        endEntry();
    }
    // The sort key of text (FoldedSortKey).
    void addSortKey(std::string_view text) {
        ReservePopulated(bytes_, bytes_.size() + text.size());
        AppendFoldedSortKey(bytes_, text);
        endEntry();
    }
    void reserve(std::size_t bytes, std::size_t entries) {
        ReservePopulated(bytes_, bytes);
        ReservePopulated(ends_, entries);
    }
    std::size_t size() const { return ends_.size(); }
    std::size_t bytes() const { return bytes_.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t from = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(bytes_).substr(from, ends_[i] - from);
    }

private:
    void endEntry() {
        ReservePopulated(ends_, ends_.size() + 1);
        ends_.push_back(bytes_.size());
    }
    std::string bytes_;
    std::vector<std::size_t> ends_;
};

// A comment or sound file's name: ".txt" or ".wav" at its end, in any case
// (photos are turned away by the letter after the dot).
bool IsCompanionName(std::string_view name) {
    if (name.size() <= 4 || name[name.size() - 4] != '.') return false;
    const std::string_view ext = name.substr(name.size() - 3);
    const char first = AsciiLower(ext[0]);
    return (first == 't' || first == 'w') && EqualsAsciiNoCase(ext, first == 't' ? "txt" : "wav");
}

// What the folder held so far.
struct Found {
    std::vector<std::string> folders;
    std::vector<Emptiness> emptiness;
    NameList files;
};

// The rows a folder's names make, the up entry aside: subfolders, then
// photos. A row becomes an ArchiveItem only when it is given out.
class FolderRows {
public:
    explicit FolderRows(const Found& found) : found_(found) {
        // Comment and sound files beside the photos, by their lower-cased
        // names (a name written on Windows may differ in case).
        for (std::size_t i = 0; i < found.files.size(); ++i) {
            const std::string_view name = found.files[i];
            if (IsCompanionName(name)) companions_.insert(ToLowerAscii(name));
        }
        ReservePopulated(photos_, found.files.size());
        for (std::size_t i = 0; i < found.files.size(); ++i)
            if (const std::uint32_t bit = PhotoFormatBit(found.files[i]))
                photos_.push_back({static_cast<std::uint32_t>(i), bit,
                                   static_cast<std::uint32_t>(found.files[i].rfind('.'))});
    }
    std::size_t size() const { return found_.folders.size() + photos_.size(); }
    // An upper bound of the bytes of all rows' texts (a photo's text is its
    // name without the extension).
    std::size_t textBytesAtMost() const {
        std::size_t bytes = found_.files.bytes();
        for (const std::string& folder : found_.folders) bytes += folder.size();
        return bytes;
    }
    std::uint32_t flags(std::size_t row) const {
        if (row < found_.folders.size())
            return found_.emptiness[row] == Emptiness::Empty ? ItemFlags::Folder | ItemFlags::EmptyFolder
                                                              : ItemFlags::Folder;
        return ItemFlags::Photo | photos_[row - found_.folders.size()].formatBit;
    }
    // A folder's name; a photo's name without its extension.
    std::string_view text(std::size_t row) const {
        if (row < found_.folders.size()) return found_.folders[row];
        const Photo& photo = photos_[row - found_.folders.size()];
        return found_.files[photo.file].substr(0, photo.textLength);
    }
    ArchiveItem item(std::size_t row) const {
        ArchiveItem item;
        item.flags = flags(row);
        item.text = std::string(text(row));
        if (row < found_.folders.size()) {
            item.image = item.flags & ItemFlags::EmptyFolder ? ItemImage::EmptyFolder : ItemImage::Folder;
            item.fileName = item.text;
            return item;
        }
        item.image = ItemImage::Photo;
        if (!companions_.empty()) {
            const std::string stem = ToLowerAscii(item.text);
            if (companions_.count(stem + ".txt")) item.image += 1;
            if (companions_.count(stem + ".wav")) item.image += 2;
        }
        item.fileName = std::string(found_.files[photos_[row - found_.folders.size()].file]);
        return item;
    }

private:
    struct Photo {
        std::uint32_t file;
        std::uint32_t formatBit;
        std::uint32_t textLength;  // the name before its extension
    };
    const Found& found_;
    std::vector<Photo> photos_;
    std::unordered_set<std::string> companions_;
};

// Sorts a folder's rows by keys made once, the up entry first; the first
// rows can be had in their order before the rest is sorted. Each row's
// place is first compared by eight bytes of its key packed into a number,
// taken after the prefix all keys share (IMG_000001, IMG_000002 ... differ
// only there), and by the whole key only when those are equal.
class RowSorter {
public:
    RowSorter(const std::optional<ArchiveItem>& up, const FolderRows& rows) : up_(up), rows_(rows) {
        const std::size_t n = rows.size();
        keys_.reserve(rows.textBytesAtMost(), n);
        for (std::size_t i = 0; i < n; ++i) keys_.addSortKey(rows.text(i));
        // The prefix shared by the keys of each kind (rows of two kinds are
        // never compared by their keys).
        std::size_t sharedOf[16] = {};
        bool seen[16] = {};
        std::string_view firstOf[16];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t kind = rows.flags(i) & ItemFlags::KindMask;
            const std::string_view k = key(i);
            if (!seen[kind]) {
                seen[kind] = true;
                firstOf[kind] = k;
                sharedOf[kind] = k.size();
                continue;
            }
            std::size_t s = 0;
            while (s < sharedOf[kind] && s < k.size() && k[s] == firstOf[kind][s]) ++s;
            sharedOf[kind] = s;
        }
        ReservePopulated(order_, n);
        for (std::size_t i = 0; i < n; ++i) {
            std::uint64_t packed = 0;
            const std::string_view k = key(i);
            const std::uint32_t kind = rows.flags(i) & ItemFlags::KindMask;
            const std::size_t shared = sharedOf[kind];
            // Key bytes are never 0: a shorter key packs below a longer one.
            for (std::size_t b = 0; b < 8; ++b)
                packed = (packed << 8) | (shared + b < k.size() ? static_cast<unsigned char>(k[shared + b]) : 0u);
            order_.push_back({packed, static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(kind)});
        }
    }

private:
    struct Place {
        std::uint64_t packed;
        std::uint32_t row;
        std::uint8_t kind;
    };
    std::string_view key(std::size_t row) const { return keys_[row]; }
    // Kind (folders before photos), then the folded name; equal names by
    // format, then by bytes.
    auto less() const {
        return [this](const Place& x, const Place& y) {
            if (x.kind != y.kind) return x.kind < y.kind;
            if (x.packed != y.packed) return x.packed < y.packed;
            if (int c = key(x.row).compare(key(y.row)); c != 0) return c < 0;
            const int fa = PhotoFormatOrder(rows_.flags(x.row)), fb = PhotoFormatOrder(rows_.flags(y.row));
            if (fa != fb) return fa < fb;
            return rows_.text(x.row) < rows_.text(y.row);
        };
    }

public:
    // The first n rows in their order, the up entry counted; the rest stays
    // to be sorted.
    std::vector<ArchiveItem> head(std::size_t n) {
        if (up_ && n > 0) --n;
        n = std::min(n, order_.size());
        std::nth_element(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(n), order_.end(), less());
        std::sort(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(n), less());
        headSorted_ = n;
        return items(n);
    }
    std::vector<ArchiveItem> all() {
        std::sort(order_.begin() + static_cast<std::ptrdiff_t>(headSorted_), order_.end(), less());
        return items(order_.size());
    }

private:
    std::vector<ArchiveItem> items(std::size_t n) const {
        std::vector<ArchiveItem> out;
        ReservePopulated(out, n + (up_ ? 1 : 0));
        if (up_) out.push_back(*up_);
        for (std::size_t i = 0; i < n; ++i) out.push_back(rows_.item(order_[i].row));
        return out;
    }

    const std::optional<ArchiveItem>& up_;
    const FolderRows& rows_;
    NameList keys_;
    std::vector<Place> order_;
    std::size_t headSorted_ = 0;
};

std::vector<ArchiveItem> BuildRows(const std::optional<ArchiveItem>& up, const Found& found) {
    const FolderRows rows(found);
    return RowSorter(up, rows).all();
}

}  // namespace

void ListFolder(const FolderListingRequest& request, const ListingPace& pace, const std::atomic<bool>& stop,
                const std::function<void(ListingDelivery)>& deliver,
                const std::function<void(const std::string& folder, int entries)>& onEntry) {
    const Clock::time_point start = Clock::now();
    std::string folder = request.path;
    std::string file;
    if (request.goTo && !folder.empty() && !IsDirectory(folder)) {
        const auto slash = folder.rfind('/');
        if (slash != std::string::npos && folder.find('.', slash + 1) != std::string::npos) {
            file = folder.substr(slash + 1);
            folder = slash == 0 ? std::string("/") : folder.substr(0, slash);
        }
    }
    const std::optional<ArchiveItem> up = request.places.upEntry(folder);
    auto send = [&](ListingDelivery::Kind kind, std::vector<ArchiveItem> rows) {
        ListingDelivery d;
        d.kind = kind;
        d.folder = folder;
        d.file = file;
        d.rows = std::move(rows);
        deliver(std::move(d));
    };

    if (onEntry) onEntry(folder, 0);
    if (stop) return;
    FolderEntryReader reader(folder);
    if (!reader.opened()) {
        // Gone, unreadable or not a folder: the up entry alone.
        std::vector<ArchiveItem> rows;
        if (up) rows.push_back(*up);
        send(ListingDelivery::Kind::Unreadable, std::move(rows));
        return;
    }
    std::optional<FolderNamesRecord> names;
    if (reader.stamp()) names.emplace(folder, *reader.stamp());

    Found found;
    std::string name;
    bool isFolder = false;
    int entries = 0;
    // A folder whose first entry comes late is a share: its files are kept
    // with its names, so that showing one asks the share nothing more.
    bool slowStart = false;
    int nextPartMs = pace.firstPartMs;
    for (;;) {
        if (onEntry) onEntry(folder, entries);
        if (stop) return;
        if (!reader.next(name, isFolder)) break;
        if (++entries == 1) slowStart = MsSince(start) >= kSlowFirstEntryMs;
        if (names) {
            names->add(name, reader.lastKind());
            if (slowStart && reader.lastKind() == EntryKind::Regular) names->addFile(name);
        }
        if (isFolder) {
            if (name.front() == '.') continue;
            found.folders.push_back(name);
            found.emptiness.push_back(Emptiness::Unknown);
        } else {
            found.files.add(name);
        }
        // The clock is read every few entries, unless parts are wanted often.
        // A folder that gives more entries than a part could show before it
        // is due reads quickly: its rows come whole.
        const bool look = entries <= kMostRowsInAPart && (pace.partEveryMs < 16 || (entries & 15) == 0);
        if (look && MsSince(start) >= nextPartMs) {
            send(ListingDelivery::Kind::Part, BuildRows(up, found));
            nextPartMs = MsSince(start) + pace.partEveryMs;
        }
    }
    // A folder that gave its entries slowly is a share that costs a request
    // for every look: what it held is trusted for a moment.
    if (names) {
        const int ms = MsSince(start);
        names->keep(ms >= 100 && entries < ms * 20);
    }

    // Empty subfolders get their own image: tested with the rows while that
    // is quick, after them otherwise.
    std::size_t tested = 0;
    for (; tested < found.folders.size() && MsSince(start) < pace.emptinessMs; ++tested) {
        if (stop) return;
        found.emptiness[tested] = reader.subfolderLooksEmpty(found.folders[tested]) ? Emptiness::Empty : Emptiness::NotEmpty;
    }
    if (stop) return;
    const FolderRows rows(found);
    RowSorter sorter(up, rows);
    // A large folder shows its first screenful before the rest is sorted.
    if (entries / 4 > pace.headRows) {
        send(ListingDelivery::Kind::Head, sorter.head(static_cast<std::size_t>(pace.headRows)));
        if (onEntry) onEntry(folder, -1);
        if (stop) return;
    }
    send(ListingDelivery::Kind::Complete, sorter.all());

    ListingDelivery empty;
    empty.kind = ListingDelivery::Kind::EmptyFolders;
    empty.folder = folder;
    Clock::time_point batchStart = Clock::now();
    for (; tested < found.folders.size(); ++tested) {
        if (stop) return;
        if (reader.subfolderLooksEmpty(found.folders[tested])) empty.emptyFolders.push_back(found.folders[tested]);
        if (!empty.emptyFolders.empty() && MsSince(batchStart) >= pace.partEveryMs) {
            deliver(empty);
            empty.emptyFolders.clear();
            batchStart = Clock::now();
        }
    }
    if (!empty.emptyFolders.empty() && !stop) deliver(std::move(empty));
}

}  // namespace vellumo
