#include "imaging/JpegScanFilter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "imaging/Bmp.h"

namespace vellumo {

namespace {

// Pieces shorter than a page fault in about as fast as a call takes.
constexpr std::size_t kPopulatePiecesFrom = 4096;
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

struct ScanHeader {
    const std::uint8_t* components = nullptr;  // the ids, every second byte
    std::size_t count = 0;
    std::uint8_t spectralStart = 0;

    bool Names(const std::vector<int>& ids) const {
        for (std::size_t i = 0; i < count; ++i)
            if (std::find(ids.begin(), ids.end(), components[2 * i]) != ids.end()) return true;
        return false;
    }
};

enum class ScanAction { Keep, KeepHeader, Drop };

struct Rewritten {
    std::vector<std::uint8_t> data;
    bool understood = true;
    bool complete = false;  // ended with the end-of-image marker
    bool changed = false;
    int scans = 0;          // scans kept, with or without their data
};

// Copies the file segment by segment, asking `decide` what to do with each
// scan. A file cut short ends with what it has, as libjpeg would read it.
template <typename Decide>
Rewritten RewriteScans(const std::uint8_t* data, std::size_t size, Decide decide) {
    Rewritten r;
    if (size < 4 || data[0] != 0xFF || data[1] != kSoi) {
        r.understood = false;
        return r;
    }
    std::vector<std::uint8_t>& out = r.data;
    out.reserve(size);
    // The pages of each scan are faulted in with one call before it is
    // copied (within the reserved size, so nothing moves); the short marker
    // segments between them are not worth a call.
    auto append = [&out](const std::uint8_t* from, const std::uint8_t* to) {
        const auto n = static_cast<std::size_t>(to - from);
        if (n >= kPopulatePiecesFrom) PopulateForWriting(out.data() + out.size(), n);
        out.insert(out.end(), from, to);
    };
    append(data, data + 2);
    std::size_t pos = 2;
    auto keepRest = [&]() -> Rewritten& {
        append(data + pos, data + size);
        return r;
    };
    while (pos < size) {
        // Markers may be preceded by fill bytes; anything else between
        // segments is not understood here.
        if (data[pos] != 0xFF) {
            r.understood = false;
            return r;
        }
        std::size_t m = pos;
        while (m + 1 < size && data[m + 1] == 0xFF) ++m;
        if (m + 1 >= size) return keepRest();
        const std::uint8_t marker = data[m + 1];
        if (marker == kEoi) {
            append(data + m, data + m + 2);
            r.complete = true;
            return r;
        }
        if (marker == 0 || IsRestart(marker) || marker == kSoi || marker == 0x01) {
            r.understood = false;
            return r;
        }
        if (m + 4 > size) return keepRest();
        const std::size_t length = (std::size_t{data[m + 2]} << 8) | data[m + 3];
        if (length < 2 || m + 2 + length > size) return keepRest();
        const std::size_t segmentEnd = m + 2 + length;
        std::size_t end = segmentEnd;
        ScanAction action = ScanAction::Keep;
        if (marker == kSos) {
            ScanHeader scan;
            scan.count = data[m + 4];
            scan.components = data + m + 5;
            if (length < 6 + 2 * scan.count) {
                r.understood = false;
                return r;
            }
            scan.spectralStart = data[m + 5 + 2 * scan.count];
            action = decide(scan);
            end = EndOfEntropyData(data, size, segmentEnd);
        }
        switch (action) {
            case ScanAction::Keep:
                append(data + m, data + end);
                break;
            case ScanAction::KeepHeader:
                append(data + m, data + segmentEnd);
                r.changed = r.changed || end > segmentEnd;
                break;
            case ScanAction::Drop:
                r.changed = true;
                break;
        }
        if (marker == kSos && action != ScanAction::Drop) ++r.scans;
        pos = end;
    }
    return r;
}

}  // namespace

std::vector<std::uint8_t> StripUnusedAcScans(const std::uint8_t* data, std::size_t size,
                                             const std::vector<int>& dcOnlyComponents) {
    if (dcOnlyComponents.empty()) return {};
    Rewritten r = RewriteScans(data, size, [&](const ScanHeader& scan) {
        // AC scans of a progressive file hold one component each.
        return scan.spectralStart > 0 && scan.count == 1 && scan.Names(dcOnlyComponents) ? ScanAction::Drop
                                                                                           : ScanAction::Keep;
    });
    if (!r.understood || !r.changed) return {};
    return std::move(r.data);
}

std::vector<std::uint8_t> ScansOfComponents(const std::uint8_t* data, std::size_t size,
                                            const std::vector<int>& componentIds, int* scans) {
    Rewritten r = RewriteScans(data, size, [&](const ScanHeader& scan) {
        return scan.Names(componentIds) ? ScanAction::Keep : ScanAction::Drop;
    });
    if (scans) *scans = r.scans;
    if (!r.understood || !r.complete) return {};
    return std::move(r.data);
}

std::vector<std::uint8_t> FirstScanHeadersOnly(const std::uint8_t* data, std::size_t size) {
    std::vector<int> seen;
    Rewritten r = RewriteScans(data, size, [&](const ScanHeader& scan) {
        bool first = false;
        for (std::size_t i = 0; i < scan.count; ++i) {
            const int id = scan.components[2 * i];
            if (std::find(seen.begin(), seen.end(), id) == seen.end()) {
                seen.push_back(id);
                first = true;
            }
        }
        return first ? ScanAction::KeepHeader : ScanAction::Drop;
    });
    if (!r.understood || !r.complete) return {};
    return std::move(r.data);
}

}  // namespace vellumo
