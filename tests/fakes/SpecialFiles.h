#pragma once
// Entries that are not regular files, made where a test wants a photo,
// settings or folder: a FIFO that tells whether anyone opened it for reading,
// a socket, a device reached through a link, a link loop and a large sparse
// file. None needs special privileges.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace vellumo::testing {

// A FIFO with a writer waiting to open it: a blocking open for writing
// returns exactly when someone opens the FIFO for reading, so openedForReading
// tells whether the code under test did (even a non-blocking open counts).
// The writer closes at once, so a reader that did open sees the end of the
// file instead of hanging.
class WatchedFifo {
public:
    explicit WatchedFifo(std::string path) : path_(std::move(path)) {
        made_ = mkfifo(path_.c_str(), 0644) == 0;
        if (!made_) return;
        writer_ = std::thread([this] {
            int fd = open(path_.c_str(), O_WRONLY | O_CLOEXEC);
            if (!released_) opened_ = true;
            if (fd >= 0) close(fd);
        });
        // Give the writer time to block in its open, so no reader goes unseen.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    ~WatchedFifo() { release(); }
    WatchedFifo(const WatchedFifo&) = delete;
    WatchedFifo& operator=(const WatchedFifo&) = delete;

    bool made() const { return made_; }
    const std::string& path() const { return path_; }
    // Whether a reader opened the FIFO since it was made.
    bool openedForReading() {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));  // a woken writer records it
        return opened_;
    }
    // Lets the waiting writer go (the test's own reader is not counted).
    void release() {
        if (!writer_.joinable()) return;
        released_ = true;
        int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        writer_.join();
        if (fd >= 0) close(fd);
    }

private:
    std::string path_;
    bool made_ = false;
    std::atomic<bool> opened_{false};
    std::atomic<bool> released_{false};
    std::thread writer_;
};

// A listening Unix socket bound at path; closed (the entry stays) with the object.
class SocketFile {
public:
    explicit SocketFile(const std::string& path) {
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd_ < 0 || path.size() >= sizeof address.sun_path) return;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        made_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd_, 1) == 0;
    }
    ~SocketFile() {
        if (fd_ >= 0) close(fd_);
    }
    SocketFile(const SocketFile&) = delete;
    SocketFile& operator=(const SocketFile&) = delete;
    bool made() const { return made_; }

private:
    int fd_ = -1;
    bool made_ = false;
};

// A device where a file should be: a character device made with mknod when
// that is allowed (as root), else a link to /dev/null.
inline bool MakeDeviceFile(const std::string& path) {
    if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) return true;
    return symlink("/dev/null", path.c_str()) == 0;
}

// Two links pointing at each other; path is one of them.
inline bool MakeLinkLoop(const std::string& path) {
    const std::string other = path + ".loop";
    return symlink(other.c_str(), path.c_str()) == 0 && symlink(path.c_str(), other.c_str()) == 0;
}

// A file of `bytes` size that holds only `head` and takes no disc space beyond it.
inline bool MakeSparseFile(const std::string& path, const std::string& head, unsigned long long bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size()) &&
              ftruncate(fd, static_cast<off_t>(bytes)) == 0;
    close(fd);
    return ok;
}

}  // namespace vellumo::testing
