#pragma once
// Whether every coded picture of a HEIF or AVIF file is the size the file
// says it is, read from the file's boxes before anything is decoded.
//
// libheif 1.15 checks the size a picture declares (its ispe property), but
// the codec decodes at the size of its own stream: the HEVC sequence
// parameter set in hvcC, the AV1 sequence header in av1C. A 600-byte file
// declaring 24 x 16 pixels whose parameter set says 14441 x 27759 made the
// codec and libheif take gigabytes before anyone saw the real size. The
// decoder refuses a file where a coded picture is larger than its declared
// size (plus the padding a codec may add).
#include <cstddef>
#include <cstdint>
#include <optional>

namespace vellumo {

struct CodedSize {
    std::uint32_t width = 0, height = 0;
};

// The picture size of an HEVC sequence parameter set (a NAL unit with its
// two-byte header), before the conformance window crops it; none when the
// unit is cut short or damaged.
std::optional<CodedSize> HevcSpsSize(const std::uint8_t* nal, std::size_t size);
// The largest frame size of an AV1 sequence header OBU's payload; none when
// it is cut short or damaged.
std::optional<CodedSize> Av1SequenceHeaderSize(const std::uint8_t* payload, std::size_t size);

// False when an item of the file has a codec configuration whose picture is
// larger than the item's ispe by more than the padding of a coded picture
// (64 pixels a side). A configuration without a readable size, and boxes
// this reading does not follow, are left to libheif.
bool CodedSizesAgree(const std::uint8_t* data, std::size_t size);

// False when a picture derived from others (a grid, an identity or overlay
// picture) names as one of its sources an item that is no picture: libheif
// 1.15 asserts on decoding such a derived picture, ending the program.
bool DerivedFromPicturesOnly(const std::uint8_t* data, std::size_t size);

}  // namespace vellumo
