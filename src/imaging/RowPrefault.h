#pragma once
// Faults in the pages of a large bitmap on a thread of its own, in the order
// a decoder fills its rows, so that the decoder finds them present: on two
// cores the kernel's page zeroing then runs beside the decode instead of
// inside it. Nothing in the pages changes; the decoder may write rows the
// thread has not reached yet.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace vellumo {

// Faults in, in one call, the whole pages rows [first, last) of a bitmap
// touch: much cheaper than a fault per page. False where the system cannot
// (an old kernel); the rows are then faulted in as they are written.
bool PopulateRows(std::uint8_t* const* rows, int first, int last, std::size_t rowBytes);

class RowPrefault {
public:
    // Starts the thread for `height` rows of `rowBytes` bytes each, when the
    // bitmap is large enough and the machine has a second core.
    RowPrefault(std::uint8_t* const* rows, int height, std::size_t rowBytes);
    // Stops the thread at its next step and waits for it.
    ~RowPrefault();
    RowPrefault(const RowPrefault&) = delete;
    RowPrefault& operator=(const RowPrefault&) = delete;

private:
    void Run(std::uint8_t* const* rows, int height, std::size_t rowBytes);

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace vellumo
