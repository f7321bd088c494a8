#pragma once
// The full photo paths of a total slideshow. The archive walker appends from
// its own thread while the user-interface thread reads, so every access locks.
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vellumo {

class TotalList {
public:
    // Appends the paths; returns the count before (0: these are the first entries).
    size_t append(std::vector<std::string> paths);
    void clear();
    size_t size() const;
    bool empty() const { return size() == 0; }
    std::optional<std::string> at(size_t index) const;
    // Position of an exact path; nothing when absent.
    std::optional<size_t> indexOf(const std::string& path) const;
    std::vector<std::string> snapshot() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> paths_;
};

}  // namespace vellumo
