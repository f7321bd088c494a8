#pragma once
// A small read-only file system served from memory through the kernel's FUSE
// device and mounted on a folder: a disc or memory card a test can pull out.
// After pull(), every request the kernel passes on fails with EIO, as it does
// for a medium taken out of its drive while still mounted: listing, stat,
// open and reads in the middle of a file. Nothing is cached by the kernel, so
// the pull takes effect at once. Mounting needs root and /dev/fuse.
#include <atomic>
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
    std::atomic<std::uint64_t> requests_{0};
    std::atomic<int> reads_{0}, listings_{0};
    std::atomic<int> pullAtRead_{0}, pullAtListing_{0};
};

}  // namespace vellumo::testing
