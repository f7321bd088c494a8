#include "archive/FolderListing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <numeric>
#include <optional>
#include <unordered_set>

#include "archive/FolderReader.h"
#include "platform/Files.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

using Clock = std::chrono::steady_clock;

// Parts come while a folder is read slowly; each is sorted anew.
constexpr int kMostRowsInAPart = 10000;

int MsSince(Clock::time_point start) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

enum class Emptiness : std::uint8_t { Unknown, Empty, NotEmpty };

// What the folder held so far.
struct Found {
    std::vector<std::string> folders;
    std::vector<Emptiness> emptiness;
    std::vector<std::string> files;
};

std::vector<ArchiveItem> UnsortedRows(const std::optional<ArchiveItem>& up, const Found& found) {
    std::vector<ArchiveItem> rows;
    rows.reserve((up ? 1 : 0) + found.folders.size() + found.files.size());
    if (up) rows.push_back(*up);
    for (std::size_t i = 0; i < found.folders.size(); ++i) {
        ArchiveItem item;
        item.text = found.folders[i];
        item.fileName = found.folders[i];
        if (found.emptiness[i] == Emptiness::Empty) {
            item.flags = ItemFlags::Folder | ItemFlags::EmptyFolder;
            item.image = ItemImage::EmptyFolder;
        } else {
            item.flags = ItemFlags::Folder;
            item.image = ItemImage::Folder;
        }
        rows.push_back(std::move(item));
    }
    // Comment and sound files beside the photos, by their lower-cased names
    // (a name written on Windows may differ in case).
    std::unordered_set<std::string> companions;
    for (const auto& name : found.files) {
        if (name.size() > 4) {
            std::string ext = ToLowerAscii(std::string_view(name).substr(name.size() - 4));
            if (ext == ".txt" || ext == ".wav") companions.insert(ToLowerAscii(name));
        }
    }
    for (const auto& name : found.files) {
        std::uint32_t bit = PhotoFormatBit(name);
        if (!bit) continue;
        ArchiveItem item;
        item.text = name.substr(0, name.rfind('.'));
        item.flags = ItemFlags::Photo | bit;
        item.image = ItemImage::Photo;
        if (!companions.empty()) {
            std::string stem = ToLowerAscii(item.text);
            if (companions.count(stem + ".txt")) item.image += 1;
            if (companions.count(stem + ".wav")) item.image += 2;
        }
        item.fileName = name;
        rows.push_back(std::move(item));
    }
    return rows;
}

// Sorts rows by keys made once; the first rows can be had in their order
// before the rest is sorted. Each row's place is first compared by eight
// bytes of its key packed into a number, taken after the prefix all keys
// share (IMG_000001, IMG_000002 ... differ only there), and by the whole
// key only when those are equal.
class RowSorter {
public:
    explicit RowSorter(std::vector<ArchiveItem> rows) : rows_(std::move(rows)), keys_(rows_.size()) {
        for (std::size_t i = 0; i < rows_.size(); ++i) keys_[i] = FoldedSortKey(rows_[i].text);
        // The prefix shared by the keys of each kind (rows of two kinds are
        // never compared by their keys).
        std::size_t sharedOf[16] = {};
        const std::string* firstOf[16] = {};
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const std::uint32_t kind = rows_[i].kind();
            const std::string& k = keys_[i];
            if (!firstOf[kind]) {
                firstOf[kind] = &k;
                sharedOf[kind] = k.size();
                continue;
            }
            std::size_t n = 0;
            while (n < sharedOf[kind] && n < k.size() && k[n] == (*firstOf[kind])[n]) ++n;
            sharedOf[kind] = n;
        }
        order_.resize(rows_.size());
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            std::uint64_t packed = 0;
            const std::string& k = keys_[i];
            const std::size_t shared = sharedOf[rows_[i].kind()];
            // Key bytes are never 0: a shorter key packs below a longer one.
            for (std::size_t b = 0; b < 8; ++b)
                packed = (packed << 8) | (shared + b < k.size() ? static_cast<unsigned char>(k[shared + b]) : 0u);
            order_[i] = {packed, static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(rows_[i].kind())};
        }
    }
    // Kind, then the folded name; equal names by format, then by bytes.
    auto less() const {
        return [this](const Place& x, const Place& y) {
            if (x.kind != y.kind) return x.kind < y.kind;
            if (x.packed != y.packed) return x.packed < y.packed;
            if (int c = keys_[x.row].compare(keys_[y.row]); c != 0) return c < 0;
            const ArchiveItem& a = rows_[x.row];
            const ArchiveItem& b = rows_[y.row];
            const int fa = PhotoFormatOrder(a.flags), fb = PhotoFormatOrder(b.flags);
            if (fa != fb) return fa < fb;
            return a.text < b.text;
        };
    }
    // The first n rows in their order (copies); the rest stays to be sorted.
    std::vector<ArchiveItem> head(std::size_t n) {
        n = std::min(n, rows_.size());
        std::nth_element(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(n), order_.end(), less());
        std::sort(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(n), less());
        headSorted_ = n;
        std::vector<ArchiveItem> first;
        first.reserve(n);
        for (std::size_t i = 0; i < n; ++i) first.push_back(rows_[order_[i].row]);
        return first;
    }
    std::vector<ArchiveItem> all() {
        std::sort(order_.begin() + static_cast<std::ptrdiff_t>(headSorted_), order_.end(), less());
        std::vector<ArchiveItem> sorted;
        sorted.reserve(rows_.size());
        for (const Place& p : order_) sorted.push_back(std::move(rows_[p.row]));
        return sorted;
    }

private:
    struct Place {
        std::uint64_t packed;
        std::uint32_t row;
        std::uint8_t kind;
    };
    std::vector<ArchiveItem> rows_;
    std::vector<std::string> keys_;
    std::vector<Place> order_;
    std::size_t headSorted_ = 0;
};

std::vector<ArchiveItem> BuildRows(const std::optional<ArchiveItem>& up, const Found& found) {
    return RowSorter(UnsortedRows(up, found)).all();
}

}  // namespace

void SortRows(std::vector<ArchiveItem>& rows) { rows = RowSorter(std::move(rows)).all(); }

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
    int nextPartMs = pace.firstPartMs;
    for (;;) {
        if (onEntry) onEntry(folder, entries);
        if (stop) return;
        if (!reader.next(name, isFolder)) break;
        ++entries;
        if (names) names->add(name, reader.lastKind());
        if (isFolder) {
            if (name.front() == '.') continue;
            found.folders.push_back(name);
            found.emptiness.push_back(Emptiness::Unknown);
        } else {
            found.files.push_back(name);
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
    RowSorter sorter(UnsortedRows(up, found));
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
