#pragma once
// Turning a picture as it is stored into the picture as it is seen, by the
// orientation the file records (1 to 8, see ExifOrientation.h). Each pixel
// moves whole: no filtering, and any depth (1, 8 or 32 bits) with its palette
// and alpha.
#include "imaging/Bmp.h"
#include "imaging/ExifOrientation.h"
#include "imaging/PreviewSink.h"

namespace vellumo {

// Makes upright the turned copy of stored. upright is created anew (its
// sides swapped for orientations 5 to 8); an orientation outside 2..8 copies.
void TurnUpright(const CBmp& stored, CBmp& upright, int orientation);
// Turns the bitmap itself: the flips (2 to 4) in place, the others through a
// copy.
void TurnUprightInPlace(CBmp& bitmap, int orientation);

// A preview sink between a decoder that sees the picture as stored and a
// sink that wants it upright: sizes asked for come back in the stored
// orientation, first pictures are turned before they are handed on.
class UprightPreviewSink : public PreviewSink {
public:
    UprightPreviewSink(PreviewSink& upright, int orientation) : upright_(upright), orientation_(orientation) {}
    Size PreviewSizeFor(int width, int height, bool progressive) override;
    void ShowPreview(const CBmp& coarse) override;

private:
    PreviewSink& upright_;
    int orientation_;
};

}  // namespace vellumo
