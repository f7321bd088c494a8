// Large blocks are advised onto huge pages before they are touched; small
// ones and the rest of the heap are left alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>

namespace {

// The VmFlags line of the mapping that holds `address`, from /proc/self/smaps.
std::string VmFlagsAt(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        unsigned long long from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx ", &from, &to) == 2 && line.find(' ') > line.find('-')) {
            inside = at >= from && at < to;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return {};
}

bool Advised(const void* address) { return VmFlagsAt(address).find(" hg") != std::string::npos; }

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define UNDER_SANITIZER 1
#endif

TEST(HugePageAllocations, LargeBlocksFromEveryCallAreAdvisedSmallOnesAndTheHeapAreNot) {
#ifdef UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizers bring their own allocator";
#else
    constexpr std::size_t kBig = std::size_t{24} << 20;
    char* viaMalloc = static_cast<char*>(std::malloc(kBig));
    char* viaCalloc = static_cast<char*>(std::calloc(kBig / 8, 8));
    void* viaPosix = nullptr;
    ASSERT_EQ(posix_memalign(&viaPosix, 64, kBig), 0);
    auto viaNew = std::make_unique<std::uint8_t[]>(kBig);
    ASSERT_TRUE(viaMalloc && viaCalloc && viaPosix);
    // 4 MB past the start lies within a whole 2 MB page of each block.
    for (const char* block : std::initializer_list<const char*>{viaMalloc, viaCalloc, static_cast<const char*>(viaPosix),
                              reinterpret_cast<const char*>(viaNew.get())})
        EXPECT_TRUE(Advised(block + (4 << 20))) << VmFlagsAt(block + (4 << 20));
    // calloc's block is still all zeros, and each block is whole memory.
    EXPECT_EQ(viaCalloc[kBig - 1], 0);
    std::memset(viaMalloc, 1, kBig);
    EXPECT_EQ(viaMalloc[kBig - 1], 1);

    // Small blocks live in the heap, which keeps its small pages.
    char* small = static_cast<char*>(std::malloc(1000));
    EXPECT_FALSE(Advised(small)) << VmFlagsAt(small);
    std::free(small);
    std::free(viaMalloc);
    std::free(viaCalloc);
    std::free(viaPosix);
    void* bad = nullptr;
    EXPECT_NE(posix_memalign(&bad, 3, 100), 0);
#endif
}

}  // namespace
