#pragma once
// Size limits of comment texts.
#include <cstddef>
#include <cstdint>

namespace vellumo {

// A comment text, and what is read of a comment file, holds at most this many bytes.
inline constexpr std::size_t kCommentByteLimit = 1023;
// A descript.ion file larger than this is not read.
inline constexpr std::uint64_t kDescriptIonByteLimit = 16777217;

}  // namespace vellumo
