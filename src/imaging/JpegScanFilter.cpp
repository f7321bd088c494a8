#include "imaging/JpegScanFilter.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vellumo {

namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;

bool IsRestart(std::uint8_t m) { return m >= 0xD0 && m <= 0xD7; }

// The end of the entropy-coded segment starting at `pos`: the first 0xFF
// followed by a byte that is neither a stuffed zero, another fill 0xFF nor a
// restart marker.
std::size_t EndOfEntropyData(const std::uint8_t* data, std::size_t size, std::size_t pos) {
    while (pos + 1 < size) {
        const auto* ff = static_cast<const std::uint8_t*>(std::memchr(data + pos, 0xFF, size - pos - 1));
        if (!ff) return size;
        pos = static_cast<std::size_t>(ff - data);
        const std::uint8_t next = data[pos + 1];
        if (next == 0 || next == 0xFF || IsRestart(next)) {
            pos += next == 0xFF ? 1 : 2;
            continue;
        }
        return pos;
    }
    return size;
}

// A file cut short keeps what it has, so libjpeg ends it as it would end the
// original.
std::vector<std::uint8_t> KeepRest(std::vector<std::uint8_t>& out, const std::uint8_t* data, std::size_t pos,
                                   std::size_t size, bool dropped) {
    if (!dropped) return {};
    out.insert(out.end(), data + pos, data + size);
    return std::move(out);
}

}  // namespace

std::vector<std::uint8_t> StripUnusedAcScans(const std::uint8_t* data, std::size_t size,
                                             const std::vector<int>& dcOnlyComponents) {
    if (dcOnlyComponents.empty() || size < 4 || data[0] != 0xFF || data[1] != kSoi) return {};
    std::vector<std::uint8_t> out;
    out.reserve(size);
    out.insert(out.end(), data, data + 2);
    bool dropped = false;
    std::size_t pos = 2;
    while (pos < size) {
        // Markers may be preceded by fill bytes; anything else between
        // segments is not understood here.
        if (data[pos] != 0xFF) return {};
        std::size_t m = pos;
        while (m + 1 < size && data[m + 1] == 0xFF) ++m;
        if (m + 1 >= size) return KeepRest(out, data, pos, size, dropped);
        const std::uint8_t marker = data[m + 1];
        if (marker == kEoi) {
            out.insert(out.end(), data + m, data + m + 2);
            pos = m + 2;
            break;
        }
        if (marker == 0 || IsRestart(marker) || marker == kSoi || marker == 0x01) return {};
        if (m + 4 > size) return KeepRest(out, data, pos, size, dropped);
        const std::size_t length = (std::size_t{data[m + 2]} << 8) | data[m + 3];
        if (length < 2 || m + 2 + length > size) return KeepRest(out, data, pos, size, dropped);
        std::size_t end = m + 2 + length;
        bool keep = true;
        if (marker == kSos) {
            const std::uint8_t* header = data + m + 4;
            const std::size_t count = header[0];
            if (length < 6 + 2 * count) return {};
            const std::uint8_t spectralStart = header[1 + 2 * count];
            // AC scans of a progressive file hold one component each.
            if (spectralStart > 0 && count == 1)
                keep = std::find(dcOnlyComponents.begin(), dcOnlyComponents.end(), header[1]) ==
                       dcOnlyComponents.end();
            end = EndOfEntropyData(data, size, end);
        }
        if (keep)
            out.insert(out.end(), data + m, data + end);
        else
            dropped = true;
        pos = end;
    }
    return KeepRest(out, data, pos, size, dropped);
}

}  // namespace vellumo
