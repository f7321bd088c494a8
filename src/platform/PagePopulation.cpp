#include "platform/PagePopulation.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace vellumo {

bool PopulateForWriting(void* p, std::size_t bytes) {
    if (!p || bytes == 0) return true;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t from = start & ~(page - 1);
    return ::madvise(reinterpret_cast<void*>(from), start + bytes - from, MADV_POPULATE_WRITE) == 0;
}

}  // namespace vellumo
