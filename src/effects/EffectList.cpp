#include "effects/EffectList.h"

#include <algorithm>

#include "platform/TextCompare.h"

namespace vellumo {

namespace {

// A piece of the list read as a decimal number the way atoi reads it: leading
// blanks, an optional sign, then digits up to the first other character.
// Pieces longer than 31 characters are cut there first.
bool ReadNumber(std::string_view piece, int& out) {
    piece = piece.substr(0, std::min<size_t>(piece.size(), 31));
    size_t i = 0;
    while (i < piece.size() && (piece[i] == ' ' || piece[i] == '\t')) ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) negative = piece[i++] == '-';
    long value = 0;
    bool digits = false;
    while (i < piece.size() && piece[i] >= '0' && piece[i] <= '9') {
        digits = true;
        if (value < 1000000) value = value * 10 + (piece[i] - '0');
        ++i;
    }
    out = static_cast<int>(negative ? -value : value);
    return digits;
}

std::vector<int> ReadNumbers(std::string_view text) {
    std::vector<int> numbers;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        int n = 0;
        if (ReadNumber(text.substr(start, comma - start), n)) numbers.push_back(n);
        start = comma + 1;
    }
    return numbers;
}

bool IsKnownEffect(int n) {
    const auto& all = AllEffectNumbers();
    return std::find(all.begin(), all.end(), n) != all.end();
}

}  // namespace

const std::vector<int>& AllEffectNumbers() {
    static const std::vector<int> numbers{11, 12, 13, 14, 21, 22, 23, 24, 37, 38, 45, 46};
    return numbers;
}

void EffectList::build(std::string_view included, std::string_view excluded) {
    list_.clear();
    if (EqualsAsciiNoCase(included, "all")) {
        list_ = AllEffectNumbers();
    } else if (!EqualsAsciiNoCase(included, "none")) {
        for (int n : ReadNumbers(included))
            if (IsKnownEffect(n)) list_.push_back(n);
    }
    if (EqualsAsciiNoCase(excluded, "all")) {
        list_.clear();
    } else if (!EqualsAsciiNoCase(excluded, "none")) {
        for (int n : ReadNumbers(excluded)) {
            auto it = std::find(list_.begin(), list_.end(), n);
            if (it != list_.end()) list_.erase(it);
        }
    }
    index_ = 0;
    bag_.Reset(static_cast<std::uint32_t>(list_.size()));
}

bool EffectList::mayChoose(char effectsMode, ShowState shows) const {
    switch (effectsMode) {
        case 'a': break;
        case 's':
            if (!shows.smallRuns && !shows.totalRuns) return false;
            break;
        case 'm':
            if (!shows.smallRuns) return false;
            break;
        case 't':
            if (!shows.totalRuns) return false;
            break;
        default: return false;
    }
    return !list_.empty();
}

int EffectList::choose(char effectsMode, bool random, ShowState shows) {
    if (!mayChoose(effectsMode, shows)) return 0;
    if (random) {
        index_ = bag_.Draw();
    } else {
        index_ = index_ + 1 >= list_.size() ? 0 : index_ + 1;
    }
    return index_ < list_.size() ? list_[index_] : 0;
}

}  // namespace vellumo
