#include "imaging/PhotoHeaderProbe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/AnyPicDecoder.h"
#include "imaging/Endian.h"
#include "imaging/ExifOrientation.h"

namespace vellumo {

namespace {

constexpr std::uint32_t kIccTiffTag = 34675;

// Reads parts of a file by offset.
class FileBytes {
public:
    explicit FileBytes(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat st;
        if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ >= 0) size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~FileBytes() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    bool ok() const { return fd_ >= 0; }
    std::uint64_t size() const { return size_; }
    // n bytes from offset (fewer at the end of the file).
    std::vector<std::uint8_t> At(std::uint64_t offset, std::size_t n) const {
        std::vector<std::uint8_t> out;
        if (fd_ < 0 || offset >= size_) return out;
        if (n > size_ - offset) n = static_cast<std::size_t>(size_ - offset);
        out.resize(n);
        std::size_t got = 0;
        while (got < n) {
            const ssize_t r = ::pread(fd_, out.data() + got, n - got, static_cast<off_t>(offset + got));
            if (r <= 0) break;
            got += static_cast<std::size_t>(r);
        }
        out.resize(got);
        return out;
    }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

std::uint32_t Be32At(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void ProbeJpeg(const FileBytes& file, PhotoHeaderFacts& facts) {
    std::uint64_t at = 2;
    bool exifSeen = false;
    for (int markers = 0; markers < 256; ++markers) {
        const auto head = file.At(at, 4);
        if (head.size() < 4 || head[0] != 0xFF) return;
        const int marker = head[1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return;  // the scans start: no more headers
        const unsigned length = Be16(head.data() + 2);
        if (length < 2) return;
        // SOF2, SOF6, SOF10, SOF14: the progressive frames.
        if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE) facts.progressiveJpeg = true;
        if (marker == 0xE1 && !exifSeen) {
            const auto data = file.At(at + 4, length - 2);
            if (data.size() >= 6 && std::memcmp(data.data(), "Exif\0", 6) == 0) {
                exifSeen = true;
                facts.orientation = ExifOrientation(data.data(), data.size());
            }
        } else if (marker == 0xE2) {
            const auto data = file.At(at + 4, 12);
            if (data.size() == 12 && std::memcmp(data.data(), "ICC_PROFILE\0", 12) == 0) facts.colourProfile = true;
        }
        at += 2 + length;
    }
}

void ProbeTiff(const FileBytes& file, std::uint64_t start, PhotoHeaderFacts& facts) {
    const auto head = file.At(start, 8);
    if (head.size() < 8) return;
    const bool little = head[0] == 'I';
    auto u16 = [little](const std::uint8_t* p) { return little ? Le16(p) : Be16(p); };
    auto u32 = [little](const std::uint8_t* p) { return little ? Le32(p) : Be32At(p); };
    const std::uint64_t ifd = start + u32(head.data() + 4);
    const auto countBytes = file.At(ifd, 2);
    if (countBytes.size() < 2) return;
    const unsigned count = u16(countBytes.data());
    const auto entries = file.At(ifd + 2, std::size_t{count} * 12);
    for (std::size_t e = 0; e + 12 <= entries.size(); e += 12) {
        const std::uint8_t* entry = entries.data() + e;
        const unsigned tag = u16(entry);
        if (tag == 0x0112 && u16(entry + 2) == 3) {
            const unsigned value = u16(entry + 8);
            if (value >= 1 && value <= 8) facts.orientation = static_cast<int>(value);
        } else if (tag == kIccTiffTag && u32(entry + 4) > 0) {
            facts.colourProfile = true;
        }
    }
}

void ProbePng(const FileBytes& file, PhotoHeaderFacts& facts) {
    std::uint64_t at = 8;
    for (int chunks = 0; chunks < 1024; ++chunks) {
        const auto head = file.At(at, 8);
        if (head.size() < 8) return;
        if (std::memcmp(head.data() + 4, "iCCP", 4) == 0) {
            facts.colourProfile = true;
            return;
        }
        if (std::memcmp(head.data() + 4, "IDAT", 4) == 0) return;
        at += 12 + std::uint64_t{Be32At(head.data())};
    }
}

void ProbeWebp(const FileBytes& file, PhotoHeaderFacts& facts) {
    const auto head = file.At(12, 9);
    // The extended format's flags: bit 5 says an ICCP chunk follows.
    if (head.size() == 9 && std::memcmp(head.data(), "VP8X", 4) == 0 && (head[8] & 0x20) != 0)
        facts.colourProfile = true;
}

// The boxes of a HEIF file that matter here: meta > iprp > ipco > colr,
// irot, imir. Any rotation or mirror among the properties counts.
void ProbeBoxes(const FileBytes& file, std::uint64_t at, std::uint64_t end, int depth, PhotoHeaderFacts& facts) {
    for (int boxes = 0; boxes < 4096 && at + 8 <= end; ++boxes) {
        const auto head = file.At(at, 16);
        if (head.size() < 8) return;
        std::uint64_t size = Be32At(head.data());
        std::uint64_t headerSize = 8;
        if (size == 1 && head.size() == 16) {
            size = (std::uint64_t{Be32At(head.data() + 8)} << 32) | Be32At(head.data() + 12);
            headerSize = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < headerSize || size > end - at) return;
        const char* type = reinterpret_cast<const char*>(head.data() + 4);
        if (depth == 0 && std::memcmp(type, "meta", 4) == 0) {
            ProbeBoxes(file, at + headerSize + 4, at + size, 1, facts);  // a full box
            return;
        }
        if ((depth == 1 && std::memcmp(type, "iprp", 4) == 0) || (depth == 2 && std::memcmp(type, "ipco", 4) == 0))
            ProbeBoxes(file, at + headerSize, at + size, depth + 1, facts);
        if (depth == 3) {
            if (std::memcmp(type, "colr", 4) == 0) {
                const auto kind = file.At(at + headerSize, 4);
                if (kind.size() == 4 && (std::memcmp(kind.data(), "prof", 4) == 0 || std::memcmp(kind.data(), "rICC", 4) == 0))
                    facts.colourProfile = true;
            } else if (std::memcmp(type, "irot", 4) == 0) {
                const auto angle = file.At(at + headerSize, 1);
                if (angle.size() == 1 && (angle[0] & 3) != 0) facts.orientation = 2;
            } else if (std::memcmp(type, "imir", 4) == 0) {
                facts.orientation = 2;
            }
        }
        at += size;
    }
}

void ProbeBmp(const FileBytes& file, PhotoHeaderFacts& facts) {
    const auto head = file.At(14, 124);
    // A V5 header whose colour space is an embedded profile ("MBED").
    if (head.size() == 124 && Le32(head.data()) == 124 && std::memcmp(head.data() + 56, "DEBM", 4) == 0)
        facts.colourProfile = true;
}

}  // namespace

PhotoHeaderFacts ProbePhotoHeader(const std::string& path) {
    PhotoHeaderFacts facts;
    FileBytes file(path);
    if (!file.ok()) return facts;
    std::vector<std::uint8_t> first = file.At(0, 530);
    first.resize(530 + 16, 0);  // what lies past a short file reads as 0
    switch (DetectFormat(first.data(), static_cast<std::int64_t>(file.size()))) {
        case FormatJpeg: ProbeJpeg(file, facts); break;
        case FormatTiff: ProbeTiff(file, 0, facts); break;
        case FormatEpsTiff: ProbeTiff(file, Le32(first.data() + 20), facts); break;
        case FormatPng: ProbePng(file, facts); break;
        case FormatWebp: ProbeWebp(file, facts); break;
        case FormatHeif: ProbeBoxes(file, 0, file.size(), 0, facts); break;
        case FormatBmp: ProbeBmp(file, facts); break;
        default: break;
    }
    return facts;
}

}  // namespace vellumo
