#pragma once
// The first picture of a photo that is still being decoded. While the viewer
// decodes a photo it would show at once (no transition effect, no rotation),
// the decoder's coarse picture is painted in the place the photo will take
// and put on screen before decoding goes on; the full decode then takes its
// place as every photo does. Everything happens inside the decode call, on
// the user-interface thread, so no command acts on the coarse picture:
// zoom, rotation and the scale commands wait for the full one.
//   - a progressive JPEG gives the picture of its first scans, in any scale mode;
//   - a baseline JPEG gives one only when it is shown fitted, smaller than its
//     size: decoded at the least DCT scale at least the size it is shown at;
//   - a photo the prefetcher kept as its display copy shows that copy (the
//     very pixels the full decode will show) while its file decodes again.
#include <cstdint>
#include <optional>

#include "app/PhotoView.h"
#include "imaging/PreviewSink.h"
#include "platform/Canvas.h"

namespace vellumo {

class PhotoPreviewHost {
public:
    virtual ~PhotoPreviewHost() = default;
    // Whether the photo being loaded may show a first picture: it is shown at
    // once, without a transition effect, and unrotated.
    virtual bool previewAllowed() = 0;
    // The view the photo being loaded will be shown in at this size.
    virtual PhotoView previewView(int width, int height) = 0;
    // Paints the whole window now and puts it on screen (the window's paint
    // handler then calls paint below).
    virtual void paintPreviewNow() = 0;
    // A display copy made ahead for the picture with this cache key, at the
    // size shown, is there to be drawn.
    virtual bool screenCopyHeld(std::uint64_t key, Size shown) = 0;
};

class PhotoPreview : public PreviewSink {
public:
    explicit PhotoPreview(PhotoPreviewHost& host) : host_(host) {}

    Size PreviewSizeFor(int width, int height, bool progressive) override;
    void ShowPreview(const CBmp& coarse) override;
    // Paints the display copy made ahead for a photo of this size whose bitmap
    // had this cache key, when a first picture is allowed and the copy is there
    // for the size the photo will be shown at. True when it was drawn.
    bool ShowScreenCopy(std::uint64_t key, Size photo);

    // A first picture is being painted: the window's paint handler paints it
    // (and nothing that belongs to the photo before it, such as its comment).
    bool painting() const { return coarse_ != nullptr || screenCopyKey_ != 0; }
    void paint(Canvas& canvas, const Rect& clip, ColorRef background) const;

private:
    PhotoPreviewHost& host_;
    std::optional<PhotoView> view_;
    const CBmp* coarse_ = nullptr;
    std::uint64_t screenCopyKey_ = 0;
    mutable bool screenCopyDrawn_ = false;
};

}  // namespace vellumo
