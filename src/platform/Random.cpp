#include "platform/Random.h"

#include <random>

namespace vellumo {

namespace {
std::mt19937& Generator() {
    static std::mt19937 generator(1);
    return generator;
}
}  // namespace

void SeedProcessRandom(std::uint64_t seed) { Generator().seed(static_cast<std::mt19937::result_type>(seed ^ (seed >> 32))); }

std::uint32_t NextProcessRandom() { return Generator()() & 0x7FFFFFFFu; }

}  // namespace vellumo
