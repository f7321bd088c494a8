// The thumbnail cache reader on arbitrary bytes: a file it accepts must say
// the same when written back and read again, and matching rows against its
// names must stay in bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "thumbs/ThumbnailsStorage.h"

using namespace vellumo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CThumbnailsStorage storage;
    if (!storage.Load(std::string_view(reinterpret_cast<const char*>(data), size))) {
        if (!storage.names.empty() || !storage.images.empty()) __builtin_trap();
        return 0;
    }
    if (storage.images.size() != storage.names.size()) __builtin_trap();
    std::vector<int> match = storage.Match({"a", "IMG_1", std::string(300, 'x')});
    for (int m : match)
        if (m >= static_cast<int>(storage.names.size())) __builtin_trap();
    CThumbnailsStorage again;
    if (!again.Load(storage.Serialize())) __builtin_trap();
    if (again.photoCount != storage.photoCount || again.thumbnailSize != storage.thumbnailSize) __builtin_trap();
    if (storage.photoCount != 0 && again.images.size() != storage.images.size()) __builtin_trap();
    return 0;
}
