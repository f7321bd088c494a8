// Heap blocks for pixels and file data. Small blocks come from malloc. Large
// ones are mapped on their own; from 8 MB on they are aligned to 2 MB, so
// where the system puts all memory on transparent huge pages a photo lies on
// whole ones. They are not advised for huge pages: on virtual machines that
// hand idle memory back to their host, a huge page faulted in after a pause
// came from the host each time, and 100 MB took 220 to 290 ms to touch
// against 40 to 65 ms in small pages. Freed, large blocks give their pages
// back and wait, mapped, in a pool for the next picture.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "imaging/Bmp.h"

namespace vellumo {

namespace {

constexpr std::size_t kLargeBlock = std::size_t{1} << 20;  // mapped from here on
constexpr std::size_t kHugeBlock = std::size_t{8} << 20;   // on huge pages from here on
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// A fresh mapping of capacity bytes (a multiple of the page size) whose
// pages read as zero. Null when the memory is not there.
std::uint8_t* MapPlain(std::size_t capacity) {
    void* p = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(p);
}

// The same for a multiple of kHugePage, starting on a huge-page boundary.
std::uint8_t* MapHuge(std::size_t capacity) {
    const std::size_t span = capacity + kHugePage;
    void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto base = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (base + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
    // Give back the parts before and after the aligned block.
    if (aligned > base) ::munmap(raw, aligned - base);
    const std::uintptr_t tail = aligned + capacity;
    if (base + span > tail) ::munmap(reinterpret_cast<void*>(tail), base + span - tail);
    return reinterpret_cast<std::uint8_t*>(aligned);
}

void UnmapLarge(std::uint8_t* p, std::size_t capacity) { ::munmap(p, capacity); }

// Freed large blocks wait here for the next picture, up to 512 MB.
class BlockPool {
public:
    static constexpr std::size_t kLimit = std::size_t{512} << 20;

    ~BlockPool() {
        for (auto& b : blocks_) UnmapLarge(b.first, b.second);
    }

    // A kept block of at least bytes, not much larger, or null.
    std::uint8_t* Take(std::size_t bytes, std::size_t& capacity) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::size_t best = blocks_.size();
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            const std::size_t cap = blocks_[i].second;
            if (cap >= bytes && cap - bytes <= bytes / 2 + kHugePage &&
                (best == blocks_.size() || cap < blocks_[best].second))
                best = i;
        }
        if (best == blocks_.size()) return nullptr;
        std::uint8_t* p = blocks_[best].first;
        capacity = blocks_[best].second;
        total_ -= capacity;
        blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(best));
        return p;
    }

    void Give(std::uint8_t* p, std::size_t capacity) {
        if (capacity > kLimit) {
            UnmapLarge(p, capacity);
            return;
        }
        // The pages go back to the system; the mapping stays for the next
        // picture. Kept pages would be a third copy of a photo beside its
        // bitmap and its display copy.
        ::madvise(p, capacity, MADV_DONTNEED);
        std::lock_guard<std::mutex> lock(mutex_);
        blocks_.emplace_back(p, capacity);
        total_ += capacity;
        while (total_ > kLimit) {  // the oldest go first
            UnmapLarge(blocks_.front().first, blocks_.front().second);
            total_ -= blocks_.front().second;
            blocks_.erase(blocks_.begin());
        }
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<std::uint8_t*, std::size_t>> blocks_;
    std::size_t total_ = 0;
};

BlockPool& Pool() {
    static BlockPool pool;
    return pool;
}

}  // namespace

void BlockDeleter::operator()(std::uint8_t* p) const {
    if (!p) return;
    if (capacity >= kLargeBlock)
        Pool().Give(p, capacity);
    else
        std::free(p);
}

ByteBlock AllocateBlock(std::size_t bytes, bool zero) {
    if (bytes == 0) bytes = 1;
    if (bytes < kLargeBlock) {
        void* p = zero ? std::calloc(bytes, 1) : std::malloc(bytes);
        if (!p) throw std::bad_alloc();
        // Recorded as small whatever malloc rounded it up to.
        return ByteBlock(static_cast<std::uint8_t*>(p), BlockDeleter{bytes});
    }
    std::size_t capacity = 0;
    if (std::uint8_t* p = Pool().Take(bytes, capacity))
        return ByteBlock(p, BlockDeleter{capacity});  // given-back pages read as zero
    if (bytes > SIZE_MAX - 2 * kHugePage) throw std::bad_alloc();
    std::uint8_t* p = nullptr;
    if (bytes >= kHugeBlock) {
        capacity = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        p = MapHuge(capacity);
    } else {
        const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        capacity = (bytes + page - 1) / page * page;
        p = MapPlain(capacity);
    }
    if (!p) throw std::bad_alloc();
    return ByteBlock(p, BlockDeleter{capacity});  // fresh pages are zero already
}

}  // namespace vellumo
