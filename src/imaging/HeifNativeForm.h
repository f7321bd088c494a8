#pragma once
// The chroma form in which a HEIF or AVIF file stores a picture, read from
// the file's boxes: the HEVC or AV1 configuration of the picture's item, or
// of the first tile of a grid.
//
// libheif 1.15 has no call for it, and a decode asked for the wrong form
// converts (4:4:4 to 4:2:0 loses colour; "undefined" gives planar RGB), so
// the decoder asks for exactly this form.
#include <cstddef>
#include <cstdint>
#include <optional>

#include <libheif/heif.h>

namespace vellumo {

// The colour space and chroma to ask heif_decode_image for: YCbCr 4:2:0,
// 4:2:2 or 4:4:4; luma only as the codec's plugin gives it (HEVC: YCbCr
// without chroma; AV1: monochrome).
struct NativeForm {
    heif_colorspace space;
    heif_chroma chroma;
    bool operator==(const NativeForm&) const = default;
};

// The form of the item `item`; none when the boxes are damaged, missing or
// of another codec.
std::optional<NativeForm> NativeFormOf(const std::uint8_t* data, std::size_t size, std::uint32_t item);

}  // namespace vellumo
