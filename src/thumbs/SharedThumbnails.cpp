#include "thumbs/SharedThumbnails.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <optional>

#include "imaging/ResizeFilter.h"
#include "imaging/WinBmp.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "thumbs/Md5.h"
#include "thumbs/ThumbnailPng.h"

namespace vellumo {

namespace {

// An entry larger than this is no thumbnail.
constexpr std::uint64_t kEntryFileLimit = 8u << 20;
// Entries of other programs may be larger than the kinds we read (x-large).
constexpr int kLargestEntrySide = 1024;

// The characters a path keeps in a file URI, as GLib leaves them.
bool KeptInUri(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!$&'()*+,-./:=@_~").find(static_cast<char>(c)) != std::string_view::npos;
}

struct Stamp {
    std::int64_t modified = 0;  // seconds
    std::int64_t size = 0;
};

std::optional<Stamp> StampOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return Stamp{static_cast<std::int64_t>(st.st_mtime), static_cast<std::int64_t>(st.st_size)};
}

// A folder of the cache: only its owner may look inside.
bool MakePrivateFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return IsDirectory(path);
    return false;
}

// Written next to the entry and renamed over it, so that a reader never
// sees half a file; readable by the owner only.
bool WritePrivateFile(const std::string& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".vellumo-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const bool written = ::close(fd) == 0 && done == bytes.size();
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

SharedThumbnailCache::SharedThumbnailCache(std::string cacheHome)
    : root_(cacheHome.empty() ? std::string() : JoinPath(cacheHome, "thumbnails")) {}

std::string SharedThumbnailCache::FileUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (KeptInUri(c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    return uri;
}

std::string SharedThumbnailCache::entryFile(const std::string& path, Kind kind) const {
    if (root_.empty()) return {};
    return JoinPath(JoinPath(root_, kind == Kind::Normal ? "normal" : "large"), Md5Hex(FileUri(path)) + ".png");
}

bool SharedThumbnailCache::read(const std::string& photo, int cellSize, CBmp& picture) const {
    if (root_.empty()) return false;
    const std::optional<Stamp> stamp = StampOf(photo);
    if (!stamp) return false;
    const std::string uri = FileUri(photo);
    for (Kind kind : {Kind::Normal, Kind::Large}) {
        if (kind == Kind::Normal && cellSize > kNormalSize) continue;
        auto bytes = ReadFileNoLargerThan(entryFile(photo, kind), kEntryFileLimit);
        if (!bytes) continue;
        std::optional<PngPicture> png = ReadPng(*bytes, kLargestEntrySide);
        if (!png || png->text("Thumb::URI") != uri) continue;
        // The time is whole seconds; some write it with a fraction.
        const std::optional<std::string> mtime = png->text("Thumb::MTime");
        char* end = nullptr;
        const double seconds = mtime ? std::strtod(mtime->c_str(), &end) : -1.0;
        if (!mtime || end == mtime->c_str() || static_cast<std::int64_t>(std::floor(seconds)) != stamp->modified)
            continue;
        picture.Create(png->width, png->height, 32, false, false);
        std::uint8_t* const* lines = picture.GetLineArray();
        for (int y = 0; y < png->height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(lines[y]);
            std::copy_n(png->pixels.data() + static_cast<std::size_t>(y) * png->width, png->width, row);
        }
        return true;
    }
    return false;
}

bool SharedThumbnailCache::write(const std::string& photo, const CBmp& picture) const {
    if (root_.empty() || picture.GetWidth() < 1 || picture.GetHeight() < 1) return false;
    const std::optional<Stamp> stamp = StampOf(photo);
    if (!stamp) return false;
    // The picture fitted into the square, its proportions kept; a smaller one as it is.
    const int w = picture.GetWidth(), h = picture.GetHeight();
    const int longest = std::max(w, h);
    CDrawDibBmp fitted;
    if (longest > kNormalSize) {
        const int fw = std::max(1, static_cast<int>(std::lround(static_cast<double>(w) * kNormalSize / longest)));
        const int fh = std::max(1, static_cast<int>(std::lround(static_cast<double>(h) * kNormalSize / longest)));
        ResizeFilter(fw, fh).Apply(picture, fitted);
    } else {
        fitted.CopyFrom(picture, 32);
    }
    PngPicture png;
    png.width = fitted.GetWidth();
    png.height = fitted.GetHeight();
    png.pixels.resize(static_cast<std::size_t>(png.width) * static_cast<std::size_t>(png.height));
    const bool alpha = picture.HasAlpha();
    const std::uint8_t* const* lines = fitted.GetLineArray();
    for (int y = 0; y < png.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(lines[y]);
        for (int x = 0; x < png.width; ++x)
            png.pixels[static_cast<std::size_t>(y) * png.width + x] = alpha ? row[x] : (row[x] | 0xFF000000u);
    }
    png.texts = {{"Thumb::URI", FileUri(photo)},
                 {"Thumb::MTime", std::to_string(stamp->modified)},
                 {"Thumb::Size", std::to_string(stamp->size)},
                 {"Software", "Vellumo"}};
    std::optional<std::string> bytes = WritePng(png);
    if (!bytes) return false;
    const std::string file = entryFile(photo, Kind::Normal);
    const std::string folder = ParentPath(file);
    if (!IsDirectory(folder)) {
        MakeFolders(ParentPath(root_));
        if (!MakePrivateFolder(root_) || !MakePrivateFolder(folder)) return false;
    }
    return WritePrivateFile(file, *bytes);
}

}  // namespace vellumo
