#pragma once
// BitmapFilter: makes a new bitmap from a bitmap.
#include "imaging/Bmp.h"

namespace vellumo {

class BitmapFilter {
public:
    virtual ~BitmapFilter() = default;
    // Filters the bitmap into a temporary one and copies the result back.
    virtual void ApplyInPlace(CBmp& bitmap) const;
    // Writes the filtered source into destination (which it Creates anew).
    virtual void Apply(const CBmp& source, CBmp& destination) const = 0;
};

}  // namespace vellumo
