#include "PullableDisc.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fuse.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace vellumo::testing {

namespace {

constexpr std::uint64_t kRoot = FUSE_ROOT_ID;

template <typename T>
const T& ArgumentOf(const char* request) {
    return *reinterpret_cast<const T*>(request + sizeof(fuse_in_header));
}

}  // namespace

PullableDisc::PullableDisc() { nodes_.push_back(Node{"", true, {}, {}}); }

PullableDisc::~PullableDisc() {
    if (fd_ < 0) return;
    if (!mountPoint_.empty()) umount2(mountPoint_.c_str(), MNT_DETACH);
    stopping_ = true;
    if (server_.joinable()) server_.join();
    // Closing the device ends the connection: whatever still holds the
    // detached mount gets errors, not a wait.
    close(fd_);
}

std::uint64_t PullableDisc::childOf(std::uint64_t folder, const std::string& name, bool makeFolder) {
    for (std::uint64_t child : nodes_[folder - 1].children)
        if (nodes_[child - 1].name == name) return child;
    nodes_.push_back(Node{name, makeFolder, {}, {}});
    const std::uint64_t id = nodes_.size();
    nodes_[folder - 1].children.push_back(id);
    return id;
}

void PullableDisc::addFile(const std::string& path, std::string bytes) {
    std::uint64_t folder = kRoot;
    std::size_t start = 0;
    for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
        folder = childOf(folder, path.substr(start, slash - start), true);
    nodes_[childOf(folder, path.substr(start), false) - 1].bytes = std::move(bytes);
}

const PullableDisc::Node* PullableDisc::node(std::uint64_t id) const {
    return id >= 1 && id <= nodes_.size() ? &nodes_[id - 1] : nullptr;
}

bool PullableDisc::mount(const std::string& mountPoint, std::string* why) {
    if (geteuid() != 0) {
        *why = "mounting needs root";
        return false;
    }
    fd_ = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd_ < 0) {
        *why = std::string("/dev/fuse: ") + std::strerror(errno);
        return false;
    }
    const std::string options =
        "fd=" + std::to_string(fd_) + ",rootmode=40000,user_id=0,group_id=0,allow_other";
    if (::mount("vellumo-disc", mountPoint.c_str(), "fuse.vellumo-disc", MS_NOSUID | MS_NODEV | MS_RDONLY,
                options.c_str()) != 0) {
        *why = std::string("mount: ") + std::strerror(errno);
        close(fd_);
        fd_ = -1;
        return false;
    }
    mountPoint_ = mountPoint;
    server_ = std::thread([this] { serve(); });
    return true;
}

void PullableDisc::serve() {
    // Large enough for any request the kernel sends with the max_write below.
    std::vector<char> buffer(FUSE_MIN_READ_BUFFER + (1 << 17));
    while (!stopping_) {
        if (silent_) {
            // Requests stay in the kernel's queue: their callers wait.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = read(fd_, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == ENOENT) continue;  // ENOENT: interrupted request
            return;                                                          // ENODEV: unmounted
        }
        if (static_cast<std::size_t>(n) >= sizeof(fuse_in_header)) handle(buffer.data(), static_cast<std::size_t>(n));
    }
}

void PullableDisc::reply(std::uint64_t unique, int error, const void* data, std::size_t size) {
    fuse_out_header out{};
    out.len = static_cast<std::uint32_t>(sizeof out + size);
    out.error = -error;
    out.unique = unique;
    iovec parts[2] = {{&out, sizeof out}, {const_cast<void*>(data), size}};
    (void)!writev(fd_, parts, size ? 2 : 1);
}

void PullableDisc::handle(const char* request, std::size_t size) {
    const auto& in = *reinterpret_cast<const fuse_in_header*>(request);
    ++requests_;
    switch (in.opcode) {
        case FUSE_FORGET:
        case FUSE_BATCH_FORGET:
        case FUSE_INTERRUPT:
            return;  // no answer expected
        case FUSE_RELEASE:
        case FUSE_RELEASEDIR:
        case FUSE_FLUSH:
            reply(in.unique, 0);  // closing succeeds, pulled or not
            return;
        default:
            break;
    }
    if (in.opcode == FUSE_READ && ++reads_ == pullAtRead_) pulled_ = true;
    if (in.opcode == FUSE_READDIR && ++listings_ == pullAtListing_) pulled_ = true;
    if (pulled_ && in.opcode != FUSE_INIT) {
        reply(in.unique, EIO);
        return;
    }
    std::int64_t delay = 0;
    switch (in.opcode) {
        case FUSE_LOOKUP:
        case FUSE_GETATTR:
        case FUSE_OPEN:
        case FUSE_OPENDIR: delay = statDelay_; break;
        case FUSE_READDIR: delay = listingDelay_; break;
        case FUSE_READ: delay = readDelay_; break;
        default: break;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::microseconds(delay));
    const Node* n = node(in.nodeid);
    auto fillAttr = [this](std::uint64_t id, fuse_attr& a) {
        const Node& f = nodes_[id - 1];
        a = fuse_attr{};
        a.ino = id;
        a.size = f.bytes.size();
        a.blocks = (a.size + 511) / 512;
        a.mode = f.folder ? (S_IFDIR | 0555) : (S_IFREG | 0444);
        a.nlink = f.folder ? 2 : 1;
        a.blksize = 4096;
        a.atime = a.mtime = a.ctime = 1'700'000'000;
    };
    switch (in.opcode) {
        case FUSE_INIT: {
            const auto& init = ArgumentOf<fuse_init_in>(request);
            fuse_init_out out{};
            out.major = FUSE_KERNEL_VERSION;
            out.minor = std::min<std::uint32_t>(init.minor, FUSE_KERNEL_MINOR_VERSION);
            out.max_readahead = init.max_readahead;
            out.max_background = 16;
            out.congestion_threshold = 12;
            out.max_write = 4096;
            out.time_gran = 1;
            reply(in.unique, 0, &out, sizeof out);
            return;
        }
        case FUSE_LOOKUP: {
            if (!n || !n->folder) return reply(in.unique, ENOTDIR);
            const std::string name(request + sizeof(fuse_in_header),
                                   strnlen(request + sizeof(fuse_in_header), size - sizeof(fuse_in_header)));
            for (std::uint64_t child : n->children) {
                if (nodes_[child - 1].name != name) continue;
                fuse_entry_out out{};  // valid for no time: every look-up comes here
                out.nodeid = child;
                out.generation = 1;
                fillAttr(child, out.attr);
                return reply(in.unique, 0, &out, sizeof out);
            }
            return reply(in.unique, ENOENT);
        }
        case FUSE_GETATTR: {
            if (!n) return reply(in.unique, ENOENT);
            fuse_attr_out out{};
            fillAttr(in.nodeid, out.attr);
            return reply(in.unique, 0, &out, sizeof out);
        }
        case FUSE_OPENDIR:
        case FUSE_OPEN: {
            if (!n) return reply(in.unique, ENOENT);
            if (n->folder != (in.opcode == FUSE_OPENDIR)) return reply(in.unique, n->folder ? EISDIR : ENOTDIR);
            fuse_open_out out{};
            out.fh = in.nodeid;
            if (in.opcode == FUSE_OPEN) out.open_flags = FOPEN_DIRECT_IO;  // every read comes here
            return reply(in.unique, 0, &out, sizeof out);
        }
        case FUSE_READ: {
            const auto& read = ArgumentOf<fuse_read_in>(request);
            if (!n || n->folder) return reply(in.unique, EBADF);
            const std::size_t at = std::min<std::size_t>(read.offset, n->bytes.size());
            const std::size_t count = std::min<std::size_t>(read.size, n->bytes.size() - at);
            return reply(in.unique, 0, n->bytes.data() + at, count);
        }
        case FUSE_READDIR: {
            const auto& read = ArgumentOf<fuse_read_in>(request);
            if (!n || !n->folder) return reply(in.unique, ENOTDIR);
            std::vector<char> out;
            // Entries ".", ".." and the children; an entry's offset is the index of the next.
            for (std::size_t i = read.offset; i < n->children.size() + 2; ++i) {
                const std::uint64_t id = i < 2 ? in.nodeid : n->children[i - 2];
                const std::string name = i == 0 ? "." : i == 1 ? ".." : nodes_[id - 1].name;
                fuse_dirent entry{};
                entry.ino = id;
                entry.off = i + 1;
                entry.namelen = static_cast<std::uint32_t>(name.size());
                entry.type = nodes_[id - 1].folder ? DT_DIR : DT_REG;
                const std::size_t whole = FUSE_DIRENT_SIZE(&entry);
                if (out.size() + whole > read.size) break;
                const std::size_t start = out.size();
                out.resize(start + whole, '\0');
                std::memcpy(out.data() + start, &entry, FUSE_NAME_OFFSET);
                std::memcpy(out.data() + start + FUSE_NAME_OFFSET, name.data(), name.size());
            }
            return reply(in.unique, 0, out.data(), out.size());
        }
        case FUSE_STATFS: {
            fuse_statfs_out out{};
            out.st.bsize = out.st.frsize = 4096;
            out.st.namelen = 255;
            return reply(in.unique, 0, &out, sizeof out);
        }
        default:
            return reply(in.unique, ENOSYS);
    }
}

}  // namespace vellumo::testing
