#include "imaging/HeifCodedSize.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
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

// Reads big-endian bytes or bits from a payload; past its end it reads
// zeros and counts as failed.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t Bits(int count) {
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i) {
            if (bit_ >= size_ * 8) {
                failed_ = true;
                return 0;
            }
            v = v << 1 | ((data_[bit_ / 8] >> (7 - bit_ % 8)) & 1u);
            ++bit_;
        }
        return v;
    }
    std::uint32_t Bytes(int count) { return Bits(8 * count); }
    // Up to eight bytes.
    std::uint64_t Wide(int bytes) {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | Bits(8);
        return v;
    }
    // Exp-Golomb (HEVC's ue(v)); values above 2^31 count as failed.
    std::uint32_t Golomb() {
        int zeros = 0;
        while (!failed_ && Bits(1) == 0)
            if (++zeros > 31) failed_ = true;
        if (failed_) return 0;
        return ((1u << zeros) - 1) + Bits(zeros);
    }
    // AV1's uvlc().
    std::uint32_t Uvlc() {
        int zeros = 0;
        while (!failed_ && Bits(1) == 0) ++zeros;
        if (failed_ || zeros >= 32) return 0xFFFFFFFFu;
        return Bits(zeros) + ((1u << zeros) - 1);
    }
    // AV1's leb128().
    std::uint64_t Leb128() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) {
            const std::uint32_t byte = Bytes(1);
            v |= static_cast<std::uint64_t>(byte & 0x7F) << (7 * i);
            if (!(byte & 0x80)) break;
        }
        return v;
    }
    bool Failed() const { return failed_; }
    std::size_t ByteOffset() const { return (bit_ + 7) / 8; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t bit_ = 0;
    bool failed_ = false;
};

// The boxes one after another in a payload; stops at the first damaged one.
std::vector<Box> Children(const std::uint8_t* data, std::size_t size) {
    std::vector<Box> boxes;
    std::size_t at = 0;
    while (size - at >= 8) {
        Reader r(data + at, size - at);
        std::uint64_t length = r.Bytes(4);
        Box box;
        std::memcpy(box.type, data + at + 4, 4);
        r.Bytes(4);
        std::size_t header = 8;
        if (length == 1) {
            length = static_cast<std::uint64_t>(r.Bytes(4)) << 32;
            length |= r.Bytes(4);
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

void Grow(std::optional<CodedSize>& largest, const std::optional<CodedSize>& size) {
    if (!size) return;
    if (!largest) largest = CodedSize{};
    largest->width = std::max(largest->width, size->width);
    largest->height = std::max(largest->height, size->height);
}

// The largest picture of the parameter sets of an hvcC payload.
std::optional<CodedSize> HvccSize(const Box& hvcc) {
    if (hvcc.size < 23) return std::nullopt;
    std::optional<CodedSize> largest;
    std::size_t at = 23;  // after the fixed fields and the number of arrays
    for (std::uint32_t arrays = hvcc.data[22]; arrays > 0 && at + 3 <= hvcc.size; --arrays) {
        const int type = hvcc.data[at] & 0x3F;
        std::uint32_t units = static_cast<std::uint32_t>(hvcc.data[at + 1]) << 8 | hvcc.data[at + 2];
        at += 3;
        for (; units > 0 && at + 2 <= hvcc.size; --units) {
            const std::size_t length = static_cast<std::size_t>(hvcc.data[at]) << 8 | hvcc.data[at + 1];
            at += 2;
            if (length > hvcc.size - at) return largest;
            if (type == 33) Grow(largest, HevcSpsSize(hvcc.data + at, length));
            at += length;
        }
    }
    return largest;
}

// The largest frame of the sequence headers among AV1 OBUs (an av1C
// payload's after its fixed fields, or an item's data).
std::optional<CodedSize> ObusSize(const std::uint8_t* data, std::size_t size) {
    std::optional<CodedSize> largest;
    std::size_t at = 0;
    while (at < size) {
        Reader r(data + at, size - at);
        r.Bits(1);
        const std::uint32_t type = r.Bits(4);
        const bool extension = r.Bits(1) != 0;
        const bool sized = r.Bits(1) != 0;
        r.Bits(1);
        if (extension) r.Bytes(1);
        const std::uint64_t length = sized ? r.Leb128() : size - at - r.ByteOffset();
        if (r.Failed()) break;
        const std::size_t start = at + r.ByteOffset();
        if (length > size - start) break;
        if (type == 1) Grow(largest, Av1SequenceHeaderSize(data + start, static_cast<std::size_t>(length)));
        at = start + static_cast<std::size_t>(length);
    }
    return largest;
}

// The largest picture of the parameter sets among an item's HEVC NAL units
// (each after a length of lengthBytes).
std::optional<CodedSize> NalsSize(const std::uint8_t* data, std::size_t size, int lengthBytes) {
    std::optional<CodedSize> largest;
    std::size_t at = 0;
    while (size - at > static_cast<std::size_t>(lengthBytes)) {
        std::size_t length = 0;
        for (int i = 0; i < lengthBytes; ++i) length = length << 8 | data[at++];
        if (length > size - at) break;
        if (length >= 2 && ((data[at] >> 1) & 0x3F) == 33) Grow(largest, HevcSpsSize(data + at, length));
        at += length;
    }
    return largest;
}

// The boxes inside the file's meta box (none without one).
std::vector<Box> MetaBoxes(const std::uint8_t* data, std::size_t size) {
    const std::vector<Box> top = Children(data, size);
    const Box* meta = Find(top, "meta");
    if (!meta || meta->size < 4) return {};
    return Children(meta->data + 4, meta->size - 4);
}

// The type of each item, from the infe boxes of iinf.
std::map<std::uint32_t, std::string> ItemTypes(const Box& iinf) {
    std::map<std::uint32_t, std::string> types;
    Reader r(iinf.data, iinf.size);
    const std::uint32_t version = r.Bytes(1);
    r.Bytes(3);
    const std::uint32_t entries = r.Bytes(version == 0 ? 2 : 4);
    if (r.Failed()) return types;
    const std::size_t at = r.ByteOffset();
    std::uint32_t seen = 0;
    for (const Box& infe : Children(iinf.data + at, iinf.size - at)) {
        // libheif reads as many boxes as the count says.
        if (seen++ >= entries) break;
        if (!infe.Is("infe")) continue;
        Reader e(infe.data, infe.size);
        const std::uint32_t v = e.Bytes(1);
        e.Bytes(3);
        if (v < 2) continue;
        const std::uint32_t id = e.Bytes(v == 2 ? 2 : 4);
        e.Bytes(2);
        const std::size_t typeAt = e.ByteOffset();
        if (e.Failed() || infe.size - typeAt < 4) continue;
        types[id] = std::string(reinterpret_cast<const char*>(infe.data + typeAt), 4);
    }
    return types;
}

// Where an item's data begins and how much of it the first extent holds
// (stored in the file or in idat); nothing for data this does not follow
// (in another item, or starting past the end).
struct ItemBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool cut = false;  // the extent claims more than there is
};
std::map<std::uint32_t, ItemBytes> ItemData(const Box& iloc, const std::uint8_t* file, std::size_t fileSize,
                                            const Box* idat) {
    std::map<std::uint32_t, ItemBytes> items;
    Reader r(iloc.data, iloc.size);
    const std::uint32_t version = r.Bytes(1);
    r.Bytes(3);
    const int offsetSize = static_cast<int>(r.Bits(4)), lengthSize = static_cast<int>(r.Bits(4));
    const int baseSize = static_cast<int>(r.Bits(4));
    const int lastField = static_cast<int>(r.Bits(4));  // index_size in versions 1 and 2
    const int indexSize = version == 1 || version == 2 ? lastField : 0;
    const std::uint32_t count = r.Bytes(version < 2 ? 2 : 4);
    for (std::uint32_t i = 0; i < count && !r.Failed(); ++i) {
        const std::uint32_t id = r.Bytes(version < 2 ? 2 : 4);
        std::uint32_t method = 0;
        if (version == 1 || version == 2) method = r.Bytes(2) & 0xF;
        r.Bytes(2);
        const std::uint64_t base = r.Wide(baseSize);
        const std::uint32_t extents = r.Bytes(2);
        for (std::uint32_t k = 0; k < extents && !r.Failed(); ++k) {
            r.Wide(indexSize);
            const std::uint64_t offset = base + r.Wide(offsetSize);
            const std::uint64_t length = r.Wide(lengthSize);
            if (k > 0 || r.Failed()) continue;
            const std::uint8_t* from = method == 0 ? file : method == 1 && idat ? idat->data : nullptr;
            const std::size_t room = method == 0 ? fileSize : idat ? idat->size : 0;
            if (!from || offset >= room) continue;
            const std::size_t left = room - static_cast<std::size_t>(offset);
            items[id] = {from + offset, length == 0 ? left : static_cast<std::size_t>(std::min<std::uint64_t>(length, left)),
                         length > left};
        }
    }
    return items;
}

// The output size a grid or overlay item's data declares.
std::optional<CodedSize> DerivedSize(const std::string& type, const ItemBytes& bytes) {
    Reader r(bytes.data, bytes.size);
    r.Bytes(1);  // version
    const bool wide = (r.Bytes(1) & 1) != 0;
    if (type == "grid") {
        r.Bytes(2);  // rows and columns
    } else {
        r.Bits(64);  // the fill colour, four 16-bit values
    }
    CodedSize size;
    size.width = r.Bits(wide ? 32 : 16);
    size.height = r.Bits(wide ? 32 : 16);
    if (r.Failed()) return std::nullopt;
    return size;
}

}  // namespace

std::optional<CodedSize> HevcSpsSize(const std::uint8_t* nal, std::size_t size) {
    if (size < 3) return std::nullopt;
    // The payload without its header and without emulation prevention bytes
    // (00 00 03 stands for 00 00).
    std::vector<std::uint8_t> rbsp;
    rbsp.reserve(size);
    int zeros = 0;
    for (std::size_t i = 2; i < size; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        rbsp.push_back(nal[i]);
    }
    Reader r(rbsp.data(), rbsp.size());
    r.Bits(4);  // sps_video_parameter_set_id
    const int subLayers = static_cast<int>(r.Bits(3));
    r.Bits(1);
    // profile_tier_level: the general profile and level, then the sub-layers'.
    r.Bits(96);
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (int i = 0; i < subLayers; ++i) {
        profilePresent[i] = r.Bits(1) != 0;
        levelPresent[i] = r.Bits(1) != 0;
    }
    if (subLayers > 0)
        for (int i = subLayers; i < 8; ++i) r.Bits(2);
    for (int i = 0; i < subLayers; ++i) {
        if (profilePresent[i]) r.Bits(88);
        if (levelPresent[i]) r.Bits(8);
    }
    r.Golomb();  // sps_seq_parameter_set_id
    if (r.Golomb() == 3) r.Bits(1);  // chroma_format_idc, separate_colour_plane_flag
    CodedSize coded;
    coded.width = r.Golomb();
    coded.height = r.Golomb();
    if (r.Failed()) return std::nullopt;
    return coded;
}

std::optional<CodedSize> Av1SequenceHeaderSize(const std::uint8_t* payload, std::size_t size) {
    Reader r(payload, size);
    r.Bits(3);  // seq_profile
    r.Bits(1);  // still_picture
    if (r.Bits(1)) {  // reduced_still_picture_header
        r.Bits(5);
    } else {
        bool decoderModel = false;
        int bufferDelayBits = 0;
        if (r.Bits(1)) {  // timing_info_present_flag
            r.Bits(32);
            r.Bits(32);
            if (r.Bits(1)) r.Uvlc();
            decoderModel = r.Bits(1) != 0;
            if (decoderModel) {
                bufferDelayBits = static_cast<int>(r.Bits(5)) + 1;
                r.Bits(32);
                r.Bits(5);
                r.Bits(5);
            }
        }
        const bool initialDelay = r.Bits(1) != 0;
        const int points = static_cast<int>(r.Bits(5)) + 1;
        for (int i = 0; i < points && !r.Failed(); ++i) {
            r.Bits(12);
            if (r.Bits(5) > 7) r.Bits(1);
            if (decoderModel && r.Bits(1)) {
                r.Bits(bufferDelayBits);
                r.Bits(bufferDelayBits);
                r.Bits(1);
            }
            if (initialDelay && r.Bits(1)) r.Bits(4);
        }
    }
    const int widthBits = static_cast<int>(r.Bits(4)) + 1;
    const int heightBits = static_cast<int>(r.Bits(4)) + 1;
    CodedSize coded;
    coded.width = r.Bits(widthBits) + 1;
    coded.height = r.Bits(heightBits) + 1;
    if (r.Failed()) return std::nullopt;
    return coded;
}

bool DerivedFromPicturesOnly(const std::uint8_t* data, std::size_t size) {
    const std::vector<Box> boxes = MetaBoxes(data, size);
    const Box* iref = Find(boxes, "iref");
    if (!iref) return true;
    const Box* iinf = Find(boxes, "iinf");
    const std::map<std::uint32_t, std::string> types = iinf ? ItemTypes(*iinf) : std::map<std::uint32_t, std::string>{};
    auto picture = [&types](std::uint32_t id) {
        const auto at = types.find(id);
        if (at == types.end()) return false;
        const std::string& t = at->second;
        return t == "hvc1" || t == "av01" || t == "grid" || t == "iden" || t == "iovl";
    };
    // The references as libheif 1.15 reads them: one after another, each
    // header's size unheeded.
    Reader r(iref->data, iref->size);
    const int idBytes = r.Bytes(1) == 0 ? 2 : 4;
    r.Bytes(3);
    while (!r.Failed() && r.ByteOffset() < iref->size) {
        const std::uint32_t length = r.Bytes(4);
        const std::size_t typeAt = r.ByteOffset();
        r.Bytes(4);
        if (length == 1) r.Wide(8);
        if (r.Failed()) break;
        const bool derived = std::memcmp(iref->data + typeAt, "dimg", 4) == 0;
        if (std::memcmp(iref->data + typeAt, "uuid", 4) == 0) r.Bits(128);  // the extended type
        r.Bytes(idBytes);
        const std::uint32_t count = r.Bytes(2);
        for (std::uint32_t i = 0; i < count && !r.Failed(); ++i) {
            const std::uint32_t to = r.Bytes(idBytes);
            if (derived && !r.Failed() && !picture(to)) return false;
        }
    }
    return true;
}

bool CodedSizesAgree(const std::uint8_t* data, std::size_t size) {
    const std::vector<Box> boxes = MetaBoxes(data, size);
    const Box* iprp = Find(boxes, "iprp");
    if (!iprp) return true;
    const std::vector<Box> parts = Children(iprp->data, iprp->size);
    const Box* ipco = Find(parts, "ipco");
    if (!ipco) return true;
    const std::vector<Box> properties = Children(ipco->data, ipco->size);
    // Each item's declared size and the largest coded picture of its
    // configurations, as the ipma boxes associate them.
    std::map<std::uint32_t, CodedSize> declared;
    std::map<std::uint32_t, CodedSize> coded;
    // The items whose stream may carry parameter sets or sequence headers
    // of its own: HEVC with the length size of its NAL units, AV1 with 0.
    std::map<std::uint32_t, int> streams;
    auto grow = [&coded](std::uint32_t id, const std::optional<CodedSize>& picture) {
        if (!picture) return;
        std::optional<CodedSize> largest;
        if (auto c = coded.find(id); c != coded.end()) largest = c->second;
        Grow(largest, picture);
        coded[id] = *largest;
    };
    for (const Box& ipma : parts) {
        if (!ipma.Is("ipma")) continue;
        Reader r(ipma.data, ipma.size);
        const std::uint32_t version = r.Bytes(1);
        const bool wideIndex = (r.Bytes(3) & 1) != 0;
        const std::uint32_t entries = r.Bytes(4);
        for (std::uint32_t i = 0; i < entries && !r.Failed(); ++i) {
            const std::uint32_t id = r.Bytes(version < 1 ? 2 : 4);
            const std::uint32_t count = r.Bytes(1);
            for (std::uint32_t k = 0; k < count && !r.Failed(); ++k) {
                const std::uint32_t index = wideIndex ? r.Bytes(2) & 0x7FFF : r.Bytes(1) & 0x7F;
                if (r.Failed() || index == 0 || index > properties.size()) continue;
                const Box& p = properties[index - 1];
                std::optional<CodedSize> size;
                if (p.Is("ispe")) {
                    Reader e(p.data, p.size);
                    e.Bytes(4);
                    CodedSize d;
                    d.width = e.Bytes(4);
                    d.height = e.Bytes(4);
                    if (!e.Failed()) declared[id] = d;
                } else if (p.Is("hvcC")) {
                    size = HvccSize(p);
                    if (p.size > 21) streams[id] = (p.data[21] & 3) + 1;
                } else if (p.Is("av1C")) {
                    if (p.size > 4) size = ObusSize(p.data + 4, p.size - 4);
                    streams[id] = 0;
                }
                grow(id, size);
            }
        }
    }
    const Box* iloc = Find(boxes, "iloc");
    const std::map<std::uint32_t, ItemBytes> bytes =
        iloc ? ItemData(*iloc, data, size, Find(boxes, "idat")) : std::map<std::uint32_t, ItemBytes>{};
    // The codec reads the item's own stream too (AV1 files usually keep
    // their sequence header there).
    for (const auto& [id, lengthBytes] : streams) {
        const auto at = bytes.find(id);
        if (at == bytes.end()) continue;
        grow(id, lengthBytes == 0 ? ObusSize(at->second.data, at->second.size)
                                  : NalsSize(at->second.data, at->second.size, lengthBytes));
    }
    // Grids and overlays: the canvas their data declares.
    if (const Box* iinf = Find(boxes, "iinf"); iinf) {
        for (const auto& [id, type] : ItemTypes(*iinf)) {
            if (type != "grid" && type != "iovl") continue;
            const auto at = bytes.find(id);
            if (at == bytes.end()) continue;
            // Data that ends before its own header, or an extent running
            // out of the file or idat: libheif 1.15 reads past the item's
            // data there, sizes included.
            const std::optional<CodedSize> canvas = DerivedSize(type, at->second);
            if (at->second.cut || !canvas) return false;
            grow(id, canvas);
        }
    }
    constexpr std::uint64_t kPadding = 64;
    for (const auto& [id, picture] : coded) {
        const auto at = declared.find(id);
        // No declared size: libheif refuses the picture itself.
        if (at == declared.end()) continue;
        if (picture.width > at->second.width + kPadding || picture.height > at->second.height + kPadding)
            return false;
    }
    return true;
}

}  // namespace vellumo
