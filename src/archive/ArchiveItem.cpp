#include "archive/ArchiveItem.h"

#include <array>
#include <iterator>

#include "platform/TextCompare.h"

namespace vellumo {

namespace {

// Up to 7 bytes of an extension in one number, the first in the lowest
// byte; names hold no NUL, so equal numbers mean equal extensions.
std::uint64_t PackedExtension(std::string_view ext) {
    std::uint64_t packed = 0;
    for (std::size_t i = 0; i < ext.size(); ++i)
        packed |= std::uint64_t{static_cast<unsigned char>(AsciiLower(ext[i]))} << (8 * i);
    return packed;
}

}  // namespace

std::uint32_t PhotoFormatBit(std::string_view fileName) {
    // The last dot, looked for among the last 8 characters only: no table
    // entry is longer than 7 characters, so a longer extension never matches.
    const std::size_t from = fileName.size() > 8 ? fileName.size() - 8 : 0;
    const std::size_t dot = fileName.substr(from).rfind('.');
    if (dot == std::string_view::npos) return 0;
    const std::string_view ext = fileName.substr(from + dot + 1);
    if (ext.empty()) return 0;
    // The table's extensions as numbers, made once (folders of 100,000
    // photos ask for every name).
    static const auto extensions = [] {
        std::array<std::uint64_t, std::size(PhotoFormatTable)> v;
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = PackedExtension(PhotoFormatTable[i].extension);
        return v;
    }();
    const std::uint64_t key = PackedExtension(ext);
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        if (key == extensions[i]) return PhotoFormatTable[i].bit;
    }
    return 0;
}

std::string_view PhotoExtensionOf(std::uint32_t flags) {
    for (const auto& f : PhotoFormatTable) {
        if (flags & f.bit) return f.extension;
    }
    return {};
}

int PhotoFormatOrder(std::uint32_t flags) {
    for (int i = 0; i < kPhotoFormatCount; ++i) {
        if (flags & PhotoFormatTable[i].bit) return i;
    }
    return kPhotoFormatCount;
}

}  // namespace vellumo
