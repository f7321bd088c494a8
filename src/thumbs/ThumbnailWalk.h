#pragma once
// The order in which the thumbnail worker visits the photo rows: from the
// first photo to the last, except that a published visible range narrower
// than the whole folder is done first; after its last row the walk goes on
// where the normal order had got to.
#include <atomic>
#include <cstdint>

namespace vellumo {

// A range of rows; first -1 means none. (A range whose first row is 0 is a
// real range: a folder listed without an up entry or subfolders starts with
// its photos.)
struct RowRange {
    int first = -1;
    int last = -1;
    bool none() const { return first < 0; }
    friend bool operator==(const RowRange&, const RowRange&) = default;
};

class ThumbnailWalk {
public:
    ThumbnailWalk(int firstPhoto, int lastPhoto) : first_(firstPhoto), last_(lastPhoto), row_(firstPhoto), next_(firstPhoto) {}

    // Before each row: takes a published range that is narrower than the
    // photos and differs at both ends from the range in use. Returns true
    // when it jumped there.
    bool consider(RowRange published);
    // The row to do now; past the last photo when the walk is over.
    int row() const { return row_; }
    bool done() const { return row_ > last_ || row_ < first_; }
    // After the row: the next row. Returns true when a jump ended (the range
    // in use is finished), so the caller may clear the published range if it
    // is still the one that was used.
    bool advance();
    bool jumped() const { return jumped_; }
    RowRange inUse() const { return inUse_; }

private:
    int first_;
    int last_;
    int row_;
    // The next row of the normal order (everything before it was visited).
    int next_;
    bool jumped_ = false;
    RowRange inUse_;
    // The range last finished: published again by a late repaint, it is
    // not walked a second time.
    RowRange finished_;
};

// The visible range as the user-interface thread publishes it: both ends in
// one atomic word, so a reader never sees the first of one range with the
// last of another.
class PublishedRange {
public:
    void publish(RowRange r) { word_.store(Pack(r)); }
    RowRange read() const { return Unpack(word_.load()); }
    void clear() { word_.store(Pack({})); }
    // Clears it only while it still holds r.
    void clearIf(RowRange r) {
        std::uint64_t expected = Pack(r);
        word_.compare_exchange_strong(expected, Pack({}));
    }

private:
    static std::uint64_t Pack(RowRange r) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(r.first)) << 32) |
               static_cast<std::uint32_t>(r.last);
    }
    static RowRange Unpack(std::uint64_t w) {
        return {static_cast<int>(static_cast<std::uint32_t>(w >> 32)), static_cast<int>(static_cast<std::uint32_t>(w))};
    }
    std::atomic<std::uint64_t> word_{Pack({})};
};

}  // namespace vellumo
