#include "imaging/BitmapFilter.h"

#include "imaging/AnyBmp.h"

namespace vellumo {

void BitmapFilter::ApplyInPlace(CBmp& bitmap) const {
    CAnyBmp temporary;
    Apply(bitmap, temporary);
    bitmap.CopyFrom(temporary, 0);
}

}  // namespace vellumo
