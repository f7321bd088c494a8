#pragma once
// A maker of display copies that makes none: it notes the keys and sizes it
// was asked for, and "holds" those and the copies of photos left.
#include <map>
#include <mutex>

#include "platform/DisplayPreparer.h"

namespace vellumo {

class FakeDisplayPreparer : public DisplayPreparer {
public:
    Maker maker() const override {
        return [](const ImageView&, Size shown) -> MadeCopy { return std::make_shared<Size>(shown); };
    }
    void keepMade(std::uint64_t key, MadeCopy copy) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (copy) made[key] = *std::static_pointer_cast<Size>(copy);
    }
    bool holds(std::uint64_t key, Size shown) const override {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = made.find(key);
        return it != made.end() && (it->second == shown || it->second == Size{-1, -1});
    }
    // The window made a copy of every photo it showed, at whatever size it is asked for.
    void keepShownCopy(std::uint64_t key) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (key != 0 && !made.count(key)) made[key] = Size{-1, -1};
    }
    void rekey(std::uint64_t from, std::uint64_t to) override {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = made.find(from);
        if (it == made.end()) return;
        made[to] = it->second;
        made.erase(from);
    }
    void forget(std::uint64_t key) {
        std::lock_guard<std::mutex> lock(mutex_);
        made.erase(key);
    }

    std::map<std::uint64_t, Size> made;

private:
    mutable std::mutex mutex_;
};

}  // namespace vellumo
