#include "archive/TotalList.h"

#include <iterator>

namespace vellumo {

size_t TotalList::append(std::vector<std::string> paths) {
    std::lock_guard lock(mutex_);
    size_t before = paths_.size();
    if (paths_.empty()) {
        paths_ = std::move(paths);
    } else {
        paths_.insert(paths_.end(), std::make_move_iterator(paths.begin()), std::make_move_iterator(paths.end()));
    }
    return before;
}

void TotalList::clear() {
    std::lock_guard lock(mutex_);
    paths_.clear();
}

size_t TotalList::size() const {
    std::lock_guard lock(mutex_);
    return paths_.size();
}

std::optional<std::string> TotalList::at(size_t index) const {
    std::lock_guard lock(mutex_);
    if (index >= paths_.size()) return std::nullopt;
    return paths_[index];
}

std::optional<size_t> TotalList::indexOf(const std::string& path) const {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < paths_.size(); ++i) {
        if (paths_[i] == path) return i;
    }
    return std::nullopt;
}

std::vector<std::string> TotalList::snapshot() const {
    std::lock_guard lock(mutex_);
    return paths_;
}

}  // namespace vellumo
