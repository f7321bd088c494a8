#pragma once
// ThumbnailWorker: makes the thumbnails of one folder off the user-interface
// thread. It first reads the folder's cache file, then walks the photo rows
// (the published visible rows first) and makes each missing thumbnail; a
// second thread makes the next row of the walk at the same time, and its
// results still reach the user-interface thread in the walk's order. Results
// travel through a mailbox: the worker never touches the list or the images.
// Suspend, resume and stop are flags: stopping never waits for the thumbnail
// in progress, and once stopped the run delivers nothing more.
//
// A photo without a thumbnail from the folder's cache is looked up in the
// desktop's shared thumbnail cache first (what a file manager left there
// saves decoding it); a photo decoded instead leaves its picture there when
// the folder's own cache is not written into the folder.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/EventQueue.h"
#include "thumbs/MakeThumbnail.h"
#include "thumbs/ThumbnailWalk.h"
#include "thumbs/ThumbnailsStorage.h"

namespace vellumo {

// Posted to the owner when results wait in its mailbox.
inline constexpr int CmdThumbnailsArrived = 31860;

// What one run works on, copied when it starts.
struct ThumbnailJob {
    std::string folder;
    int firstPhoto = -1;
    int lastPhoto = -1;
    // Per photo row (index row - firstPhoto): the file ("" when the row has
    // no path), its text, and whether it has a thumbnail already.
    std::vector<std::string> paths;
    std::vector<std::string> texts;
    std::vector<char> hasThumbnail;
    // Cache files to read, in order, until one applies; empty: no cache.
    std::vector<std::string> cacheFiles;
    ThumbnailLook look;
    ThumbnailOptions options;
    RotationSource rotation;
    // Make thumbnails on a second thread as well.
    bool twoThreads = true;
    // The user's cache home of the desktop's shared thumbnails ("" for none),
    // and whether the photos decoded are written there.
    std::string sharedCacheHome;
    bool writeShared = false;
};

// One message of a run.
struct ThumbnailDelivery {
    enum class Kind { Cache, Made, Finished };
    Kind kind = Kind::Made;
    // Rows and their images; a null image is a failure.
    std::vector<std::pair<int, ThumbImagePtr>> rows;
    // Finished: how many thumbnails the run made.
    int made = 0;
    // Finished: a cache of the older form served, and none of the current
    // one: the cache is to be written anew.
    bool staleCache = false;
};

class ThumbnailMailbox {
public:
    ThumbnailMailbox(EventQueue& queue, CommandTarget* owner) : queue_(queue), owner_(owner) {}
    // From the worker: queued unless the mailbox is closed; the owner hears of
    // it by CmdThumbnailsArrived when the box was empty.
    void deliver(ThumbnailDelivery delivery);
    // From the owner: everything waiting, in order.
    std::deque<ThumbnailDelivery> take();
    // No delivery gets through after this returns.
    void close();
    bool closed() const;

private:
    EventQueue& queue_;
    CommandTarget* owner_;
    mutable std::mutex mutex_;
    std::deque<ThumbnailDelivery> waiting_;
    bool open_ = true;
};

class ThumbnailWorker {
public:
    ThumbnailWorker(ThumbnailJob job, std::shared_ptr<ThumbnailMailbox> mailbox);
    ~ThumbnailWorker();
    ThumbnailWorker(const ThumbnailWorker&) = delete;
    ThumbnailWorker& operator=(const ThumbnailWorker&) = delete;

    void start();
    // Runs the whole job on the calling thread instead (tests).
    void runHere();
    // Holds the walk before its next row until resumed.
    void suspend();
    void resume();
    // Ends the run: nothing more is delivered; the thread ends at its next
    // step by itself (it is never waited for).
    void stop();
    // The visible range the user-interface thread publishes.
    void publishVisible(RowRange range);
    RowRange visible() const;
    bool running() const;
    const std::string& folder() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace vellumo
