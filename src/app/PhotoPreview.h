#pragma once
// The first picture of a photo that is still being decoded. While a photo
// it would show at once (no transition effect, no rotation) decodes, the
// decoder's coarse picture is painted in the place the photo will take and
// put on screen before decoding goes on; the full decode then takes its
// place as every photo does. The coarse picture is painted inside the
// decoder's call, so no command acts on it:
//   - a progressive JPEG gives the picture of its first scans, in any scale mode;
//   - a baseline JPEG gives one only when it is shown fitted, smaller than its
//     size: decoded at the least DCT scale at least the size it is shown at.
// When the photo decodes on the prefetcher's worker, the decoder there asks
// by the rule this gives (a snapshot of the view) and its coarse picture is
// posted here and held, painted by the window, until the full photo arrives.
// A photo the prefetcher kept as its display copy shows that copy (the very
// pixels the full decode will show) while its file decodes again on the
// worker; the window paints it, and this only tells whether it may.
#include <cstdint>
#include <optional>

#include <functional>
#include <memory>

#include "app/PhotoView.h"
#include "imaging/PreviewSink.h"
#include "platform/Canvas.h"
#include "prefetch/PrefetchWorker.h"

namespace vellumo {

class PhotoPreviewHost {
public:
    virtual ~PhotoPreviewHost() = default;
    // Whether the photo being loaded may show a first picture: it is shown at
    // once, without a transition effect, and unrotated.
    virtual bool previewAllowed() = 0;
    // The view the photo being loaded will be shown in at this size.
    virtual PhotoView previewView(int width, int height) = 0;
    // The same as a snapshot of the view as it is now, for any thread.
    virtual std::function<PhotoView(int width, int height)> previewViews() = 0;
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
    // The size rule for a decode on the worker: empty when no first picture
    // is allowed now.
    PrefetchWorker::FirstPictureRule ruleForWorker();
    // A first picture the worker's decode gave: held and painted (in the
    // place a photo of its photo size takes) until dropped.
    void hold(PrefetchWorker::FirstPicture picture);
    void drop();

    // Whether the display copy made ahead for a photo of this size whose
    // bitmap had this cache key may stand for it: a first picture is allowed
    // and the copy is there for the size the photo will be shown at.
    bool CopyMayStandFor(std::uint64_t key, Size photo);
    // Whether a display copy may stand for a photo at all now (a first
    // picture is allowed).
    bool copiesMayStand() { return host_.previewAllowed(); }

    // A first picture is being painted: the window's paint handler paints it
    // (and nothing that belongs to the photo before it, such as its comment).
    bool painting() const { return coarse_ != nullptr || copyKey_ != 0; }
    void paint(Canvas& canvas, const Rect& clip, ColorRef background) const;

private:
    PhotoPreviewHost& host_;
    std::optional<PhotoView> view_;
    const CBmp* coarse_ = nullptr;
    std::unique_ptr<CBmp> held_;
    std::uint64_t copyKey_ = 0;  // a first picture held as a display copy
};

// The least size of a first picture worth showing for a photo of width x
// height shown in view (PreviewSink::PreviewSizeFor), or an empty size.
Size FirstPictureSize(const PhotoView& view, int width, int height, bool progressive);

}  // namespace vellumo
