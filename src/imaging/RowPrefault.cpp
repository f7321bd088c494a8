#include "imaging/RowPrefault.h"

#include <algorithm>
#include <system_error>

#include "imaging/Bmp.h"

namespace vellumo {

namespace {

// Smaller bitmaps fault in faster than a thread starts.
constexpr std::size_t kMinBytes = std::size_t{8} << 20;
// Pages are faulted in steps of about this size.
constexpr std::size_t kStep = std::size_t{1} << 20;

}  // namespace

RowPrefault::RowPrefault(std::uint8_t* const* rows, int height, std::size_t rowBytes) {
    if (!rows || height <= 0 || rowBytes == 0 || static_cast<std::size_t>(height) * rowBytes < kMinBytes ||
        std::thread::hardware_concurrency() < 2)
        return;
    try {
        thread_ = std::thread([this, rows, height, rowBytes] { Run(rows, height, rowBytes); });
    } catch (const std::system_error&) {
        // Without the thread the decoder faults the pages in itself.
    }
}

RowPrefault::~RowPrefault() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

bool PopulateRows(std::uint8_t* const* rows, int first, int last, std::size_t rowBytes) {
    if (!rows || first >= last || rowBytes == 0) return true;
    // Rows may run upwards in memory (bottom-up bitmaps). A page shared
    // with the next rows is simply asked for twice.
    std::uint8_t* const begin = std::min(rows[first], rows[last - 1]);
    const std::uint8_t* const end = std::max(rows[first], rows[last - 1]) + rowBytes;
    return PopulateForWriting(begin, static_cast<std::size_t>(end - begin));
}

void RowPrefault::Run(std::uint8_t* const* rows, int height, std::size_t rowBytes) {
    const int rowsPerStep = static_cast<int>(std::max<std::size_t>(1, kStep / rowBytes));
    for (int y = 0; y < height && !stop_.load(std::memory_order_relaxed); y += rowsPerStep)
        if (!PopulateRows(rows, y, std::min(height, y + rowsPerStep), rowBytes)) return;
}

}  // namespace vellumo
