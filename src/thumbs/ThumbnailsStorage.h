#pragma once
// CThumbnailsStorage: the in-memory form of one folder's thumbnail cache file.
// The file starts with five little-endian 32-bit integers (version, photo
// count, thumbnail size, border colour, border); when the photo count is not
// 0 the names follow (a count, then each name as a length and its bytes) and
// then the images: the 4 bytes "VTH2", a 32-bit image count and each image as
// size x size 32-bit pixels (blue, green, red, alpha; alpha 0 where the mask
// is transparent). Image j is the thumbnail of name j. "VTH2" holds upright
// pictures (the photo's orientation applied, in sRGB); files of the older
// form "VTH1", the same layout, were made of the pictures as stored, so
// their images only serve photos stored upright without a colour profile.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "thumbs/ThumbImage.h"

namespace vellumo {

// What a cache must agree with to be applied.
struct ThumbnailLook {
    int size = 48;
    std::uint32_t borderColor = 0;  // a colour reference, 0x00BBGGRR
    int border = 1;
    friend bool operator==(const ThumbnailLook&, const ThumbnailLook&) = default;
};

// Names are kept to this many bytes (cut back to a whole UTF-8 character).
inline constexpr std::size_t kThumbNameLimit = 259;

class CThumbnailsStorage {
public:
    std::int32_t version = 1;
    std::int32_t photoCount = 0;
    std::int32_t thumbnailSize = 0;
    std::uint32_t borderColor = 0;
    std::int32_t border = 0;
    std::vector<std::string> names;
    std::vector<ThumbImagePtr> images;
    // The images' form as read: 2 upright ("VTH2", the form written), 1 as
    // stored ("VTH1").
    int imageForm = 2;

    // The file's bytes. Names longer than the limit are cut; a name never
    // carries a line break or a NUL into the file (they become blanks).
    std::string Serialize() const;
    // Reads a whole file. False, with this storage left as it was, when the
    // bytes are short, malformed, or not such a file at all.
    bool Load(std::string_view bytes);
    // Whether the storage may be applied for the current look: photo count
    // not 0, version at most 1, same size, border colour and border.
    bool Applicable(const ThumbnailLook& look) const;
    // For each text, the index of the first stored name equal to it ignoring
    // case, or -1.
    std::vector<int> Match(const std::vector<std::string>& texts) const;
    void Clear();
};

}  // namespace vellumo
