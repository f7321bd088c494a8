#include "archive/ArchiveItem.h"

namespace vellumo {

std::uint32_t PhotoFormatBit(std::string_view fileName) {
    auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return 0;
    std::string_view ext = fileName.substr(dot + 1);
    // Cut to 7 characters like the original test; no table entry is that long,
    // so longer extensions never match.
    if (ext.empty() || ext.size() > 7) return 0;
    char lower[8] = {};
    for (size_t i = 0; i < ext.size(); ++i) {
        char c = ext[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    std::string_view key(lower, ext.size());
    for (const auto& f : PhotoFormatTable) {
        if (key == f.extension) return f.bit;
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
