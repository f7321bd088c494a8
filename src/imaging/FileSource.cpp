#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "imaging/DataSource.h"
#include "imaging/TextException.h"

namespace vellumo {

namespace {

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// ENOENT covers both a missing file and a missing folder on the way to it.
int MissingCode(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return 4;
    struct stat st {};
    const std::string parent = path.substr(0, slash);
    if (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return 4;
    return 3;
}

int OpenFailureCode(int error, const std::string& path) {
    switch (error) {
        case ENOENT: return MissingCode(path);
        case ENOTDIR: return 3;
        case EACCES:
        case EPERM:
        case EBUSY:
        case ETXTBSY:
        case ENXIO:  // a socket or a device without a driver: there, but no file
            return 5;
        default: return 4;  // a link loop among them
    }
}

}  // namespace

int CFileSource::OpenFile(const std::string& path) {
    // What is no regular file is refused before it is opened: opening a
    // device can act on it, opening a FIFO wakes its writer.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return OpenFailureCode(errno, path);
    if (!S_ISREG(st.st_mode) || st.st_size <= 0) return 5;
    if (static_cast<std::uint64_t>(st.st_size) > kMaxPhotoFileBytes) return ErrOutOfMemory;
    Fd file;
    // Non-blocking and checked again, should it have been replaced meanwhile.
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0) return OpenFailureCode(errno, path);
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return 5;
    // No photo is this large: refused before a byte is read (a 5 GB sparse
    // file named .jpg would otherwise be read whole).
    if (static_cast<std::uint64_t>(st.st_size) > kMaxPhotoFileBytes) return ErrOutOfMemory;
    const auto size = static_cast<std::size_t>(st.st_size);
    std::uint8_t* data = Reserve(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(file.fd, data + done, size - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            data_.reset();
            return 5;
        }
        if (got == 0) break;  // cut short while reading
        done += static_cast<std::size_t>(got);
    }
    if (done != size) {
        data_.reset();
        return 5;
    }
    Open(path, static_cast<std::int64_t>(size));
    return 0;
}

}  // namespace vellumo
