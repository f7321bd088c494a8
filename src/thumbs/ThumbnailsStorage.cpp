#include "thumbs/ThumbnailsStorage.h"

#include <cstring>
#include <unordered_map>

#include "platform/TextCompare.h"

namespace vellumo {

namespace {

constexpr char kImagesTag[4] = {'V', 'T', 'H', '2'};
constexpr char kStoredImagesTag[4] = {'V', 'T', 'H', '1'};
// The largest thumbnail a file may hold; the settings allow up to 128.
constexpr std::int32_t kMaxThumbSize = 1024;

void PutU8(std::string& out, std::uint8_t v) { out.push_back(static_cast<char>(v)); }
void PutU16(std::string& out, std::uint16_t v) {
    PutU8(out, static_cast<std::uint8_t>(v & 0xFF));
    PutU8(out, static_cast<std::uint8_t>(v >> 8));
}
void PutU32(std::string& out, std::uint32_t v) {
    PutU16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    PutU16(out, static_cast<std::uint16_t>(v >> 16));
}

// Cuts a name to the limit without splitting a UTF-8 character, and keeps
// line breaks and NULs out of the file.
std::string CleanName(std::string_view name) {
    std::string n(name.substr(0, kThumbNameLimit));
    if (name.size() > kThumbNameLimit) {
        // Step back over continuation bytes of a character cut in two.
        std::size_t end = n.size();
        std::size_t start = end;
        while (start > 0 && (static_cast<unsigned char>(n[start - 1]) & 0xC0) == 0x80) --start;
        if (start > 0) {
            unsigned char lead = static_cast<unsigned char>(n[start - 1]);
            std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            if (lead >= 0xC0 && end - (start - 1) < need) n.resize(start - 1);
        }
    }
    for (char& c : n) {
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    return n;
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool u8(std::uint8_t& v) {
        if (remaining() < 1) return false;
        v = static_cast<std::uint8_t>(bytes_[pos_++]);
        return true;
    }
    bool u16(std::uint16_t& v) {
        std::uint8_t a, b;
        if (!u8(a) || !u8(b)) return false;
        v = static_cast<std::uint16_t>(a | (b << 8));
        return true;
    }
    bool u32(std::uint32_t& v) {
        std::uint16_t a, b;
        if (!u16(a) || !u16(b)) return false;
        v = static_cast<std::uint32_t>(a) | (static_cast<std::uint32_t>(b) << 16);
        return true;
    }
    bool i32(std::int32_t& v) {
        std::uint32_t u;
        if (!u32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool bytes(std::size_t n, std::string_view& out) {
        if (remaining() < n) return false;
        out = bytes_.substr(pos_, n);
        pos_ += n;
        return true;
    }
    std::size_t remaining() const { return bytes_.size() - pos_; }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string CThumbnailsStorage::Serialize() const {
    std::string out;
    PutU32(out, static_cast<std::uint32_t>(version));
    PutU32(out, static_cast<std::uint32_t>(photoCount));
    PutU32(out, static_cast<std::uint32_t>(thumbnailSize));
    PutU32(out, borderColor);
    PutU32(out, static_cast<std::uint32_t>(border));
    if (photoCount == 0) return out;

    const std::size_t count = names.size();
    if (count < 0xFFFF) {
        PutU16(out, static_cast<std::uint16_t>(count));
    } else {
        PutU16(out, 0xFFFF);
        PutU32(out, static_cast<std::uint32_t>(count));
    }
    for (const auto& raw : names) {
        std::string name = CleanName(raw);
        const std::size_t len = name.size();
        if (len < 0xFF) {
            PutU8(out, static_cast<std::uint8_t>(len));
        } else if (len < 0xFFFE) {
            PutU8(out, 0xFF);
            PutU16(out, static_cast<std::uint16_t>(len));
        } else {
            PutU8(out, 0xFF);
            PutU16(out, 0xFFFF);
            PutU32(out, static_cast<std::uint32_t>(len));
        }
        out += name;
    }

    out.append(kImagesTag, sizeof kImagesTag);
    PutU32(out, static_cast<std::uint32_t>(images.size()));
    const std::size_t pixelsPerImage = static_cast<std::size_t>(thumbnailSize) * static_cast<std::size_t>(thumbnailSize);
    out.reserve(out.size() + images.size() * pixelsPerImage * 4);
    for (const auto& image : images) {
        for (std::size_t i = 0; i < pixelsPerImage; ++i) {
            std::uint32_t p = image && i < image->pixels.size() ? image->pixels[i] : 0u;
            PutU32(out, p);
        }
    }
    return out;
}

bool CThumbnailsStorage::Load(std::string_view bytes) {
    Reader r(bytes);
    CThumbnailsStorage s;
    std::uint32_t colour = 0;
    if (!r.i32(s.version) || !r.i32(s.photoCount) || !r.i32(s.thumbnailSize) || !r.u32(colour) || !r.i32(s.border))
        return false;
    s.borderColor = colour;
    // A negative count or size is no file this program wrote.
    if (s.photoCount < 0 || s.thumbnailSize < 0) return false;
    if (s.photoCount == 0) {
        if (r.remaining() != 0) return false;
        *this = std::move(s);
        return true;
    }
    if (s.thumbnailSize < 1 || s.thumbnailSize > kMaxThumbSize) return false;

    std::uint16_t count16 = 0;
    if (!r.u16(count16)) return false;
    std::uint32_t count = count16;
    if (count16 == 0xFFFF && !r.u32(count)) return false;
    // Every name takes at least its length byte.
    if (count > r.remaining()) return false;
    s.names.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t len8 = 0;
        if (!r.u8(len8)) return false;
        std::uint32_t len = len8;
        if (len8 == 0xFF) {
            std::uint16_t len16 = 0;
            if (!r.u16(len16)) return false;
            len = len16;
            if (len16 == 0xFFFF && !r.u32(len)) return false;
        }
        std::string_view name;
        if (!r.bytes(len, name)) return false;
        s.names.emplace_back(name);
    }

    std::string_view tag;
    if (!r.bytes(sizeof kImagesTag, tag)) return false;
    if (std::memcmp(tag.data(), kImagesTag, sizeof kImagesTag) == 0)
        s.imageForm = 2;
    else if (std::memcmp(tag.data(), kStoredImagesTag, sizeof kStoredImagesTag) == 0)
        s.imageForm = 1;
    else
        return false;
    std::uint32_t imageCount = 0;
    if (!r.u32(imageCount) || imageCount != count) return false;
    const std::size_t pixelsPerImage =
        static_cast<std::size_t>(s.thumbnailSize) * static_cast<std::size_t>(s.thumbnailSize);
    if (r.remaining() != static_cast<std::size_t>(imageCount) * pixelsPerImage * 4) return false;
    s.images.reserve(imageCount);
    for (std::uint32_t j = 0; j < imageCount; ++j) {
        auto image = std::make_shared<ThumbImage>(s.thumbnailSize);
        std::string_view raw;
        r.bytes(pixelsPerImage * 4, raw);
        const auto* b = reinterpret_cast<const unsigned char*>(raw.data());
        for (std::size_t i = 0; i < pixelsPerImage; ++i, b += 4)
            image->pixels[i] = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                               (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        s.images.push_back(std::move(image));
    }
    *this = std::move(s);
    return true;
}

bool CThumbnailsStorage::Applicable(const ThumbnailLook& look) const {
    return photoCount != 0 && version <= 1 && thumbnailSize == look.size && borderColor == look.borderColor &&
           border == look.border;
}

std::vector<int> CThumbnailsStorage::Match(const std::vector<std::string>& texts) const {
    // First stored name per folded text; the exact comparison confirms it.
    std::unordered_map<std::string, int> first;
    first.reserve(names.size());
    for (int j = 0; j < static_cast<int>(names.size()); ++j) first.emplace(ToLowerUtf8(names[static_cast<size_t>(j)]), j);
    std::vector<int> result(texts.size(), -1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto it = first.find(ToLowerUtf8(texts[i]));
        if (it != first.end() && EqualsNoCase(names[static_cast<size_t>(it->second)], texts[i])) {
            result[i] = it->second;
            continue;
        }
        if (it == first.end()) continue;
        // Folding disagreed with the comparison: look the slow way.
        for (int j = 0; j < static_cast<int>(names.size()); ++j) {
            if (EqualsNoCase(names[static_cast<size_t>(j)], texts[i])) {
                result[i] = j;
                break;
            }
        }
    }
    return result;
}

void CThumbnailsStorage::Clear() {
    names.clear();
    images.clear();
}

}  // namespace vellumo
