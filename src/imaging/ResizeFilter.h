#pragma once
// ResizeFilter: a bilinear (tent) resize of a 32-bit bitmap in two passes,
// rows first, then columns, with the weights computed once per axis.
#include <vector>

#include "imaging/BitmapFilter.h"

namespace vellumo {

// The source pixels one destination position is made of.
struct Contribution {
    int first = 0;
    int last = -1;
    std::vector<double> weights;  // weights[k - first] for source index k
};

struct Contributions {
    int windowSize = 0;
    std::vector<Contribution> entries;  // one per destination index
};

// Destination size n from source size m at scale s, with the tent of radius 1.
Contributions ComputeContributions(int n, int m, double scale);

class ResizeFilter : public BitmapFilter {
public:
    ResizeFilter(int newWidth, int newHeight) : newWidth_(newWidth), newHeight_(newHeight) {}

    // Bitmaps of 1 or 8 bits are expanded to 32 bits first; the result then
    // is a 32-bit bitmap. Sizes below 1 count as 1.
    void Apply(const CBmp& source, CBmp& destination) const override;

private:
    int newWidth_;
    int newHeight_;
};

}  // namespace vellumo
