// The JPEG marker text scans on arbitrary marker contents: the input is cut
// into markers, each led by a byte choosing APP1, APP12 or APP13 and a length byte.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/JpegText.h"

using namespace vellumo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<JpegMarker> markers;
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        static const int codes[] = {0xE0, 0xE1, 0xEC, 0xED};
        const int code = codes[data[pos] & 3];
        std::size_t length = static_cast<std::size_t>(data[pos + 1]) * 41;
        pos += 2;
        if (length > size - pos) length = size - pos;
        markers.push_back({code, data + pos, length});
        pos += length;
    }
    const std::string text = BuildJpegText(markers);
    if (text.size() > 959 + 1 + 19) __builtin_trap();
    return 0;
}
