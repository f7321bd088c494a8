#pragma once
// Runs rows [0, height) of a picture through work(first, end), split over
// up to four processors when the picture is large (from half a megapixel);
// the calling thread takes the first part. `work` must not throw.
#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

namespace vellumo {

template <typename Work>
void OverRows(int height, std::int64_t pixels, Work work) {
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    const int parts = pixels < (std::int64_t{1} << 19) ? 1 : static_cast<int>(std::min<std::int64_t>(cores, height));
    std::vector<std::thread> helpers;
    for (int i = 1; i < parts; ++i)
        helpers.emplace_back(work, static_cast<int>(std::int64_t{height} * i / parts),
                             static_cast<int>(std::int64_t{height} * (i + 1) / parts));
    work(0, static_cast<int>(std::int64_t{height} / parts));
    for (std::thread& t : helpers) t.join();
}

}  // namespace vellumo
