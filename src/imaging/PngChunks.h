#pragma once
// How much of a PNG file in memory may be handed to libpng. libpng takes the
// room for a text, profile or other side chunk before reading it, so one
// damaged length field could cost up to two gigabytes only to find the file
// short. Cut before the first such chunk that claims more bytes than the
// file still holds, the file simply ends there, which every reader already
// handles. Picture data (IDAT) is read piecewise and may run to the end.
#include <cstddef>
#include <cstdint>

namespace vellumo {

std::size_t PngUsableLength(const std::uint8_t* data, std::size_t size);

}  // namespace vellumo
