#pragma once
// The orientation a camera records: how the stored picture must be turned to
// stand upright. Values as TIFF and EXIF define them (tag 0x0112):
// 1 upright, 2 mirrored left to right, 3 turned half round, 4 mirrored top to
// bottom, 5 mirrored along the main diagonal (transposed), 6 to be turned a
// quarter clockwise, 7 mirrored along the other diagonal, 8 to be turned a
// quarter counter-clockwise.
#include <cstddef>
#include <cstdint>

namespace vellumo {

// The Orientation entry of the first IFD of a TIFF structure (byte order
// mark, 42, offset of the first IFD) held in bytes; 1 when there is none,
// when its value lies outside 1..8, or when the structure is cut short.
int TiffOrientation(const std::uint8_t* tiff, std::size_t size);
// The same for the data of a JPEG APP1 marker: "Exif", two zero bytes, then
// a TIFF structure. 1 for any other APP1 data (XMP, say).
int ExifOrientation(const std::uint8_t* app1, std::size_t size);

// Whether the orientation swaps width and height (5 to 8).
constexpr bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

}  // namespace vellumo
