#pragma once
// A small read-only file system served from memory through the kernel's FUSE
// device and mounted on a folder: a disc or memory card a test can pull out.
// After pull(), every request the kernel passes on fails with EIO, as it does
// for a medium taken out of its drive while still mounted: listing, stat,
// open and reads in the middle of a file. Nothing is cached by the kernel, so
// the pull takes effect at once. Mounting needs root and /dev/fuse.
//
// It can also answer like a share on a slow network: every answer waits a
// delay by the kind of request (a look-up or stat, a listing call, a read),
// one request after the other; and it can stop answering altogether, as a
// share whose server went away, until told to answer again.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace vellumo::testing {

class PullableDisc {
public:
    PullableDisc();
    ~PullableDisc();  // unmounts (lazily, in case something is still open)
    PullableDisc(const PullableDisc&) = delete;
    PullableDisc& operator=(const PullableDisc&) = delete;

    // A file at a "/"-separated path under the root; its folders are made.
    // Only before mount.
    void addFile(const std::string& path, std::string bytes);
    // Mounts on an existing empty folder. False, with the reason, where this
    // machine does not allow it.
    bool mount(const std::string& mountPoint, std::string* why);
    void pull() { pulled_ = true; }
    // Delays of every later answer: per look-up, stat or open, per listing
    // call (a few dozen entries each), per read.
    void setDelays(std::chrono::microseconds stat, std::chrono::microseconds listing, std::chrono::microseconds read) {
        statDelay_ = stat.count();
        listingDelay_ = listing.count();
        readDelay_ = read.count();
    }
    // Requests wait unanswered (their callers hang) until answerAgain(); the
    // requests already waiting are answered then. Unmounting ends the wait
    // with errors.
    void stopAnswering() { silent_ = true; }
    void answerAgain() { silent_ = false; }
    // Pulls the disc when the n-th read of a file, or the n-th listing of a
    // folder, comes in (which then fails already): in the middle of the work.
    void pullAtRead(int n) { pullAtRead_ = n; }
    void pullAtListing(int n) { pullAtListing_ = n; }
    // Requests answered so far (to see that the disc was really used).
    std::uint64_t requests() const { return requests_; }
    int reads() const { return reads_; }
    int listings() const { return listings_; }

private:
    struct Node {
        std::string name;
        bool folder = false;
        std::string bytes;
        std::vector<std::uint64_t> children;
    };
    std::uint64_t childOf(std::uint64_t folder, const std::string& name, bool makeFolder);
    const Node* node(std::uint64_t id) const;
    void serve();
    void handle(const char* request, std::size_t size);
    void reply(std::uint64_t unique, int error, const void* data = nullptr, std::size_t size = 0);

    std::vector<Node> nodes_;  // node id = index + 1; 1 is the root
    std::string mountPoint_;
    int fd_ = -1;
    std::thread server_;
    std::atomic<bool> pulled_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> silent_{false};
    std::atomic<std::int64_t> statDelay_{0}, listingDelay_{0}, readDelay_{0};
    std::atomic<std::uint64_t> requests_{0};
    std::atomic<int> reads_{0}, listings_{0};
    std::atomic<int> pullAtRead_{0}, pullAtListing_{0};
};

}  // namespace vellumo::testing
