#pragma once
// The process's one pseudo-random generator, seeded once at start-up from the
// tick count. Used by the random slideshows, the random music order and the
// random effect choice; only the user-interface thread draws from it.
#include <cstdint>

namespace vellumo {

void SeedProcessRandom(std::uint64_t seed);
// A number in 0 .. 2^31-1.
std::uint32_t NextProcessRandom();

}  // namespace vellumo
