// Large allocations on transparent huge pages, for the whole process.
//
// A photo's pixels pass through several large blocks: the codec's planes,
// libheif's copy of them, the bitmap, the display copy. Each is fresh
// memory from mmap, and every 4 KB page of it costs a page fault the first
// time it is touched: for a 24-megapixel AVIF picture a third of the
// decode's time went to faults. With the kernel's transparent huge pages
// in "madvise" mode (a common default) only memory advised with
// MADV_HUGEPAGE gets 2 MB pages, and libheif, libdav1d and libde265 never
// advise theirs.
//
// This file, linked into an executable, puts glibc's allocation calls
// behind thin wrappers (the executable's definitions come first for every
// library the process loads): a block of kLargeBlock bytes or more gets
// MADV_HUGEPAGE on the 2 MB pages it covers, before anyone touches it.
// Blocks of that size are always mmapped on their own (the threshold is
// fixed below), so the advice never reaches memory glibc hands out in small
// pieces, and freeing them gives the memory back at once. Smaller blocks and
// free, realloc and the rest go to glibc unchanged. Under the sanitizers,
// which bring their own allocator, the file is empty.
#include <cstddef>
#include <cstdint>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VELLUMO_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELLUMO_OWN_ALLOCATOR 1
#endif

#if !defined(VELLUMO_OWN_ALLOCATOR) && defined(__GLIBC__)
#include <cerrno>
#include <malloc.h>
#include <sys/mman.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

constexpr std::size_t kLargeBlock = std::size_t{4} << 20;
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// Fixed rather than glibc's sliding threshold (which climbs to 32 MB as
// blocks are freed), so every large block is a mapping of its own.
[[gnu::constructor(101)]] void FixMmapThreshold() {
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kLargeBlock));
}

void* Advised(void* block, std::size_t size) {
    if (block != nullptr && size >= kLargeBlock) {
        const auto start = reinterpret_cast<std::uintptr_t>(block);
        const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
        const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
        // Advice only: where the kernel has no huge pages the block works as before.
        if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
    return block;
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) { return Advised(__libc_malloc(size), size); }

void* calloc(std::size_t count, std::size_t size) {
    void* block = __libc_calloc(count, size);
    std::size_t total = 0;
    if (block != nullptr && !__builtin_mul_overflow(count, size, &total)) Advised(block, total);
    return block;
}

void* memalign(std::size_t alignment, std::size_t size) {
    return Advised(__libc_memalign(alignment, size), size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return Advised(__libc_memalign(alignment, size), size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* block = __libc_memalign(alignment, size);
    if (block == nullptr) return ENOMEM;
    *result = Advised(block, size);
    return 0;
}

}  // extern "C"

#endif
