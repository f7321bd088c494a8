#include "app/PhotoPreview.h"

#include <algorithm>
#include <exception>

namespace vellumo {

Size PhotoPreview::PreviewSizeFor(int width, int height, bool progressive) {
    view_.reset();
    if (!host_.previewAllowed()) return {};
    PhotoView view = host_.previewView(width, height);
    if (!view.hasImage()) return {};
    const Rect shown = view.photoRect();
    const bool fitted = shown.width() < width && shown.height() < height &&
                        view.screenRect().intersected(shown) == shown;
    if (!progressive && !fitted) return {};
    view_ = view;
    // At least the size shown, at most the photo's own.
    return {std::clamp(shown.width(), 1, width), std::clamp(shown.height(), 1, height)};
}

void PhotoPreview::ShowPreview(const CBmp& coarse) {
    if (!view_ || coarse.GetWidth() <= 0 || coarse.GetHeight() <= 0) return;
    coarse_ = &coarse;
    try {
        host_.paintPreviewNow();
    } catch (const std::exception&) {
        // A first picture that cannot be painted is only not seen; the decode goes on.
    }
    coarse_ = nullptr;
}

bool PhotoPreview::ShowScreenCopy(std::uint64_t key, Size photo) {
    view_.reset();
    if (key == 0 || !host_.previewAllowed()) return false;
    PhotoView view = host_.previewView(photo.cx, photo.cy);
    // Without the copy nothing is painted: the photo on screen stays until the decode ends.
    if (!view.hasImage() || !host_.screenCopyHeld(key, {view.photoRect().width(), view.photoRect().height()}))
        return false;
    view_ = view;
    screenCopyKey_ = key;
    screenCopyDrawn_ = false;
    try {
        host_.paintPreviewNow();
    } catch (const std::exception&) {
        screenCopyDrawn_ = false;
    }
    screenCopyKey_ = 0;
    view_.reset();
    return screenCopyDrawn_;
}

void PhotoPreview::paint(Canvas& canvas, const Rect& clip, ColorRef background) const {
    if (screenCopyKey_ != 0 && view_) {
        // The background and borders as the photo's view paints them, the
        // copy in the photo's place.
        view_->paint(canvas, clip, background, nullptr);
        const Rect visible = view_->photoRect().intersected(clip);
        if (!visible.isEmpty()) screenCopyDrawn_ = canvas.drawPreparedCopy(screenCopyKey_, view_->photoRect(), visible);
        return;
    }
    if (!coarse_ || !view_) return;
    const ImageView image = coarse_->GetImageView();
    const Size full{view_->imageRect().width(), view_->imageRect().height()};
    if (coarse_->GetSize() == full) {
        // The first scans in the photo's own bitmap: painted as the photo is.
        view_->paint(canvas, clip, background, &image);
        return;
    }
    // A smaller picture over the whole photo's place (which the screen holds).
    view_->paint(canvas, clip, background, nullptr);
    const Rect& photo = view_->photoRect();
    const Rect visible = photo.intersected(clip);
    if (visible.isEmpty()) return;
    auto scaleX = [&](int x) { return static_cast<int>(static_cast<long long>(x - photo.left) * image.width / photo.width()); };
    auto scaleY = [&](int y) { return static_cast<int>(static_cast<long long>(y - photo.top) * image.height / photo.height()); };
    Rect source{scaleX(visible.left), scaleY(visible.top), scaleX(visible.right), scaleY(visible.bottom)};
    if (source.isEmpty()) source = {0, 0, image.width, image.height};
    canvas.drawImagePart(image, photo, source, visible, ScaleQuality::Smooth);
}

}  // namespace vellumo
