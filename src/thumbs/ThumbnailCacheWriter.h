#pragma once
// Writing a folder's thumbnail cache file: one file holds every thumbnail of
// the folder (ten thousand photos make some 90 MB), so it is serialized and
// written on a thread of its own, one file after the other, while the
// window answers. The owner on the user-interface thread hands over what to
// write; the file a save wrote is known once it is done.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "thumbs/ThumbnailsStorage.h"

namespace vellumo {

struct CacheToWrite {
    CThumbnailsStorage storage;
    // The photos' folder, which takes the file.
    std::string folder;
    std::string programName;
};

// Writes on the calling thread; returns the file written ("" for none).
std::string WriteThumbnailCache(const CacheToWrite& cache);

class ThumbnailCacheWriter {
public:
    ThumbnailCacheWriter();
    // Waits for the writes handed over (the program ends: they are wanted),
    // at most ten seconds.
    ~ThumbnailCacheWriter();
    ThumbnailCacheWriter(const ThumbnailCacheWriter&) = delete;
    ThumbnailCacheWriter& operator=(const ThumbnailCacheWriter&) = delete;

    // Writes on the writer thread, after the writes before it.
    void write(CacheToWrite cache);
    // Waits until every write handed over is done.
    void finish();
    // The file the last finished write wrote ("" when it wrote nothing).
    std::string lastWritten() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace vellumo
