#pragma once
// Fresh memory faulted in ahead of its first writes. On this kind of
// machine (a virtual machine) a fault per 4 KB page costs about ten times
// what the same pages cost faulted in by one call: a 4 MB file read into
// fresh memory took 11 ms of faults, and a folder of 100,000 names spent a
// third of its listing in them.
#include <cstddef>
#include <iterator>
#include <type_traits>

namespace vellumo {

// Faults in, in one call, the whole pages [p, p + bytes) touches, before
// they are first written. Contents are unchanged. False where the system
// cannot (an old kernel): the pages then fault in as they are written.
bool PopulateForWriting(void* p, std::size_t bytes);

// Blocks smaller than this are left to fault in as they are written.
inline constexpr std::size_t kPopulateFrom = std::size_t{64} << 10;

// Moves `v` into a fresh block of room for at least `wanted` elements,
// faulted in by one call when it is large (ReservePopulated's slow path,
// kept out of line so that the test for room stays small at every call).
template <class Vector>
[[gnu::noinline]] void GrowPopulated(Vector& v, std::size_t wanted) {
    const std::size_t twice = v.capacity() * 2;
    Vector fresh;
    fresh.reserve(wanted > twice ? wanted : twice);
    const std::size_t bytes = fresh.capacity() * sizeof(*fresh.data());
    if (bytes >= kPopulateFrom) PopulateForWriting(fresh.data(), bytes);
    // Plain bytes go over in one copy (a string's insert from move
    // iterators copies byte by byte, through a temporary string).
    if constexpr (std::is_trivially_copyable_v<std::remove_cvref_t<decltype(*v.data())>>)
        fresh.insert(fresh.end(), v.begin(), v.end());
    else
        fresh.insert(fresh.end(), std::make_move_iterator(v.begin()), std::make_move_iterator(v.end()));
    v.swap(fresh);
}

// Room in `v` for at least `wanted` elements, growing by doubling as
// push_back would. A large block is faulted in by one call before the
// elements are moved into it.
template <class Vector>
void ReservePopulated(Vector& v, std::size_t wanted) {
    if (wanted > v.capacity()) [[unlikely]]
        GrowPopulated(v, wanted);
}

}  // namespace vellumo
