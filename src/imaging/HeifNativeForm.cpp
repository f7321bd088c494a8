#include "imaging/HeifNativeForm.h"

#include <cstring>
#include <vector>

namespace vellumo {

namespace {

// A box's payload inside the file.
struct Box {
    char type[4] = {};
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool Is(const char* t) const { return std::memcmp(type, t, 4) == 0; }
};

// Reads big-endian numbers from a payload; past its end it reads as failed.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    std::uint32_t Get(int bytes) {
        if (static_cast<std::size_t>(end_ - p_) < static_cast<std::size_t>(bytes)) {
            failed_ = true;
            p_ = end_;
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | *p_++;
        return v;
    }
    bool Failed() const { return failed_; }
    const std::uint8_t* Here() const { return p_; }
    std::size_t Left() const { return static_cast<std::size_t>(end_ - p_); }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
    bool failed_ = false;
};

// The boxes one after another in a payload; stops at the first damaged one.
std::vector<Box> Children(const std::uint8_t* data, std::size_t size) {
    std::vector<Box> boxes;
    std::size_t at = 0;
    while (size - at >= 8) {
        Reader r(data + at, size - at);
        std::uint64_t length = r.Get(4);
        Box box;
        std::memcpy(box.type, data + at + 4, 4);
        r.Get(4);
        std::size_t header = 8;
        if (length == 1) {
            length = static_cast<std::uint64_t>(r.Get(4)) << 32;
            length |= r.Get(4);
            header = 16;
        } else if (length == 0) {
            length = size - at;
        }
        if (r.Failed() || length < header || length > size - at) break;
        box.data = data + at + header;
        box.size = static_cast<std::size_t>(length) - header;
        boxes.push_back(box);
        at += static_cast<std::size_t>(length);
    }
    return boxes;
}

const Box* Find(const std::vector<Box>& boxes, const char* type) {
    for (const Box& b : boxes)
        if (b.Is(type)) return &b;
    return nullptr;
}

// The first item the grid (or other derived picture) `item` is made of.
std::optional<std::uint32_t> FirstDerivedFrom(const Box& iref, std::uint32_t item) {
    Reader r(iref.data, iref.size);
    const int idBytes = r.Get(1) == 0 ? 2 : 4;
    r.Get(3);
    if (r.Failed()) return std::nullopt;
    for (const Box& ref : Children(r.Here(), r.Left())) {
        Reader e(ref.data, ref.size);
        const std::uint32_t from = e.Get(idBytes);
        const std::uint32_t count = e.Get(2);
        const std::uint32_t to = e.Get(idBytes);
        if (!e.Failed() && ref.Is("dimg") && from == item && count > 0) return to;
    }
    return std::nullopt;
}

// The item's codec configuration among the properties.
std::optional<NativeForm> ChromaOfItem(const Box& iprp, std::uint32_t item) {
    const std::vector<Box> parts = Children(iprp.data, iprp.size);
    const Box* ipco = Find(parts, "ipco");
    if (!ipco) return std::nullopt;
    const std::vector<Box> properties = Children(ipco->data, ipco->size);
    for (const Box& ipma : parts) {
        if (!ipma.Is("ipma")) continue;
        Reader r(ipma.data, ipma.size);
        const std::uint32_t version = r.Get(1);
        const bool wideIndex = (r.Get(3) & 1) != 0;
        const std::uint32_t entries = r.Get(4);
        for (std::uint32_t i = 0; i < entries && !r.Failed(); ++i) {
            const std::uint32_t id = r.Get(version < 1 ? 2 : 4);
            const std::uint32_t count = r.Get(1);
            for (std::uint32_t k = 0; k < count && !r.Failed(); ++k) {
                const std::uint32_t index = wideIndex ? r.Get(2) & 0x7FFF : r.Get(1) & 0x7F;
                if (id != item || index == 0 || index > properties.size()) continue;
                const Box& p = properties[index - 1];
                if (p.Is("hvcC") && p.size > 16) {
                    static constexpr heif_chroma kByIdc[] = {heif_chroma_monochrome, heif_chroma_420,
                                                             heif_chroma_422, heif_chroma_444};
                    return NativeForm{heif_colorspace_YCbCr, kByIdc[p.data[16] & 3]};
                }
                if (p.Is("av1C") && p.size > 2) {
                    const std::uint8_t b = p.data[2];
                    if (b & 0x10) return NativeForm{heif_colorspace_monochrome, heif_chroma_monochrome};
                    const bool x = (b & 0x08) != 0, y = (b & 0x04) != 0;
                    if (y && !x) return std::nullopt;
                    const heif_chroma chroma = x ? (y ? heif_chroma_420 : heif_chroma_422) : heif_chroma_444;
                    return NativeForm{heif_colorspace_YCbCr, chroma};
                }
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<NativeForm> NativeFormOf(const std::uint8_t* data, std::size_t size, std::uint32_t item) {
    const std::vector<Box> top = Children(data, size);
    const Box* meta = Find(top, "meta");
    if (!meta || meta->size < 4) return std::nullopt;
    const std::vector<Box> boxes = Children(meta->data + 4, meta->size - 4);
    const Box* iprp = Find(boxes, "iprp");
    if (!iprp) return std::nullopt;
    if (auto chroma = ChromaOfItem(*iprp, item)) return chroma;
    const Box* iref = Find(boxes, "iref");
    if (!iref) return std::nullopt;
    const std::optional<std::uint32_t> tile = FirstDerivedFrom(*iref, item);
    return tile ? ChromaOfItem(*iprp, *tile) : std::nullopt;
}

}  // namespace vellumo
