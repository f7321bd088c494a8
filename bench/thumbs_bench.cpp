// Thumbnail benchmarks: a folder of 500 photos with a valid cache, from the
// start of the listing to the last thumbnail in the large image list (folder
// read, cache read and matched on the worker, results taken on the
// user-interface side); and the making of thumbnails from JPEGs on one and on
// two threads. Prints figures; never fails on time.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "CachedPhotoFolder.h"
#include "archive/ArchiveItem.h"
#include "archive/FolderReader.h"
#include "platform/Files.h"
#include "thumbs/ThumbnailImageList.h"
#include "thumbs/ThumbnailWorker.h"
#include "thumbs/ThumbTestFiles.h"

namespace {

using namespace vellumo;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Wakes the waiting thread when the worker posts.
class SignalQueue : public EventQueue {
public:
    void post(CommandTarget*, int, std::intptr_t) override {
        std::lock_guard<std::mutex> lock(m);
        ++posts;
        cv.notify_all();
    }
    void setTimer(CommandTarget*, int, int) override {}
    void killTimer(CommandTarget*, int) override {}
    void forget(CommandTarget*) override {}
    std::uint64_t tickCount() const override { return 0; }
    std::mutex m;
    std::condition_variable cv;
    int posts = 0;
};

// A camera-like picture: gradients with a little noise.
std::string Jpeg(int w, int h) {
    return testing::JpegBytes(w, h, [w, h](int x, int y) {
        const unsigned hash = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
        return testing::Rgb8{x * 255 / w + static_cast<int>((hash >> 9) % 9), y * 255 / h + static_cast<int>((hash >> 13) % 9),
                             (x + y) % 256};
    });
}

// Runs one job to its end on a worker thread, taking the results as the
// user-interface thread would; returns the milliseconds and the thumbnails.
double RunJob(ThumbnailJob job, int& thumbnails) {
    SignalQueue queue;
    ThumbnailImageList images;
    images.reset(job.options.size, job.options.borderColor);
    auto mailbox = std::make_shared<ThumbnailMailbox>(queue, nullptr);
    const int rows = job.lastPhoto - job.firstPhoto + 1;
    const auto start = Clock::now();
    ThumbnailWorker worker(std::move(job), mailbox);
    worker.start();
    int done = 0;
    bool finished = false;
    while (!finished) {
        {
            std::unique_lock<std::mutex> lock(queue.m);
            queue.cv.wait_for(lock, std::chrono::milliseconds(5), [&] { return queue.posts > 0; });
            queue.posts = 0;
        }
        for (auto& d : mailbox->take()) {
            if (d.kind == ThumbnailDelivery::Kind::Finished) finished = true;
            for (auto& [row, image] : d.rows) {
                if (image) images.append(image);
                ++done;
            }
        }
        // With a cache that covers every row, the last thumbnail is the end.
        if (done == rows) break;
    }
    const double ms = Ms(Clock::now() - start);
    worker.stop();
    thumbnails = images.count() - 11;
    return ms;
}

ThumbnailJob JobFor(const std::string& dir, const FolderEntries& entries) {
    ThumbnailJob job;
    job.folder = dir;
    std::vector<std::string> names;
    for (const auto& n : entries.files)
        if (IsPhotoName(n)) names.push_back(n);
    job.firstPhoto = 0;
    job.lastPhoto = static_cast<int>(names.size()) - 1;
    for (const auto& n : names) {
        job.paths.push_back(dir + "/" + n);
        job.texts.push_back(n.substr(0, n.rfind('.')));
    }
    job.hasThumbnail.assign(names.size(), 0);
    job.options.size = 48;
    job.options.borderColor = 0xFF0000;
    job.look = {48, 0xFF0000, 1};
    return job;
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("vellumo-thumbs-bench-" + std::to_string(getpid()));
    fs::create_directories(root / "cached");
    fs::create_directories(root / "jpegs");

    // 500 photos and their cache (48-pixel thumbnails).
    const std::string cached = (root / "cached").string();
    MakeCachedPhotoFolder(cached, 0xFF0000);

    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        FolderEntries entries;
        ReadFolder(cached, entries);
        ThumbnailJob job = JobFor(cached, entries);
        job.cacheFiles = {cached + "/vellumo.cache"};
        int made = 0;
        RunJob(std::move(job), made);
        times.push_back(Ms(Clock::now() - start));
        if (made != 500) std::printf("  (round %d: only %d thumbnails)\n", round, made);
    }
    std::sort(times.begin(), times.end());
    std::printf("500 photos with a valid cache: all thumbnails in %.1f ms (median of 5; target 300 ms)\n", times[2]);

    // Making thumbnails: 24 JPEGs of 3000 x 2000 on one and on two threads.
    const std::string jpegs = (root / "jpegs").string();
    const std::string bytes = Jpeg(3000, 2000);
    for (int i = 0; i < 24; ++i) WriteFileAtomically(jpegs + "/p" + std::to_string(i) + ".jpg", bytes);
    for (bool two : {false, true}) {
        FolderEntries entries;
        ReadFolder(jpegs, entries);
        ThumbnailJob job = JobFor(jpegs, entries);
        job.twoThreads = two;
        int made = 0;
        const double ms = RunJob(std::move(job), made);
        std::printf("24 JPEGs of 6 MP, %s: %.0f ms (%.1f ms a photo, %d made)\n", two ? "two threads" : "one thread", ms,
                    ms / 24, made);
    }
    fs::remove_all(root);
    return 0;
}
