#pragma once
// MD5 (RFC 1321), which names the entries of the desktop's shared thumbnail
// cache: the hex digest of a file's URI.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellumo {

std::array<std::uint8_t, 16> Md5(std::string_view bytes);
// The digest as 32 lower-case hex digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace vellumo
