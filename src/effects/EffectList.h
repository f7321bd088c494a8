#pragma once
// The transition effects in use: built from EffectsIncluded and
// EffectsExcluded, and the choice of the effect for the next photo (in turn or
// at random, and only in the situations the Effects letter allows).
#include <string_view>
#include <vector>

#include "slideshow/ShuffleBag.h"

namespace vellumo {

// Every known effect number, in table order: tens digit the family (1 wipe,
// 2 blinds, 3 squares, 4 box), units digit the variant.
const std::vector<int>& AllEffectNumbers();

// Which slideshow runs when an effect is chosen.
struct ShowState {
    bool smallRuns = false;
    bool totalRuns = false;  // paused or not
};

class EffectList {
public:
    // "all" (any case) is every effect in table order, "none" is none, else a
    // comma-separated list of numbers (unknown ones ignored, repeats kept).
    // Each excluded number removes its first remaining occurrence; excluded
    // "all" empties the list. The cyclic index goes back to 0 and the bag is
    // refilled.
    void build(std::string_view included, std::string_view excluded);

    // The effect for the next photo, or 0 for none. effectsMode is the Effects
    // letter: a always, s in any slideshow, m in the small one, t in the total
    // one, n (and anything else) never. In turn, the entry after the last one
    // chosen (the second entry first after a build); at random, each entry once
    // before any repeats.
    int choose(char effectsMode, bool random, ShowState shows);
    // Whether choose would give an effect for this mode and show state, without choosing one.
    bool mayChoose(char effectsMode, ShowState shows) const;

    const std::vector<int>& numbers() const { return list_; }

private:
    std::vector<int> list_;
    size_t index_ = 0;
    ShuffleBag bag_;
};

}  // namespace vellumo
