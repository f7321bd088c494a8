#pragma once
// What a decoder can show of a photo before the photo is decoded in full.
#include "imaging/Bmp.h"
#include "platform/Geometry.h"

namespace vellumo {

class PreviewSink {
public:
    virtual ~PreviewSink() = default;
    // The header is read: the picture is width x height. Returns the size a
    // first picture must at least have to be worth showing, or an empty size
    // for none. progressive: the decoder can give the picture of the first
    // scans at the full size; otherwise it gives a picture scaled down (to
    // no less than the size returned).
    virtual Size PreviewSizeFor(int width, int height, bool progressive) = 0;
    // A first, coarse picture of the whole photo: at the full size (the
    // bitmap being decoded into) or scaled down. Valid during the call only;
    // decoding goes on when the call returns.
    virtual void ShowPreview(const CBmp& coarse) = 0;
};

}  // namespace vellumo
