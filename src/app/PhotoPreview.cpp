#include "app/PhotoPreview.h"

#include <algorithm>
#include <exception>

namespace vellumo {

Size FirstPictureSize(const PhotoView& view, int width, int height, bool progressive) {
    if (!view.hasImage()) return {};
    const Rect shown = view.photoRect();
    const bool fitted = shown.width() < width && shown.height() < height &&
                        view.screenRect().intersected(shown) == shown;
    if (!progressive && !fitted) return {};
    // At least the size shown, at most the photo's own.
    return {std::clamp(shown.width(), 1, width), std::clamp(shown.height(), 1, height)};
}

Size PhotoPreview::PreviewSizeFor(int width, int height, bool progressive) {
    view_.reset();
    if (!host_.previewAllowed()) return {};
    PhotoView view = host_.previewView(width, height);
    const Size size = FirstPictureSize(view, width, height, progressive);
    if (size.cx > 0) view_ = view;
    return size;
}

PrefetchWorker::FirstPictureRule PhotoPreview::ruleForWorker() {
    if (!host_.previewAllowed()) return {};
    return [views = host_.previewViews()](int width, int height, bool progressive) {
        return FirstPictureSize(views(width, height), width, height, progressive);
    };
}

void PhotoPreview::hold(PrefetchWorker::FirstPicture picture) {
    // Things may have changed since the decode began (a transition effect).
    if ((!picture.picture && picture.copyKey == 0) || !host_.previewAllowed()) return;
    PhotoView view = host_.previewView(picture.photo.cx, picture.photo.cy);
    if (!view.hasImage()) return;
    view_ = view;
    held_ = std::move(picture.picture);
    coarse_ = held_.get();
    copyKey_ = picture.copyKey;
    try {
        host_.paintPreviewNow();
    } catch (const std::exception&) {
        // A first picture that cannot be painted is only not seen.
    }
}

void PhotoPreview::drop() {
    if (!held_ && copyKey_ == 0) return;
    held_.reset();
    coarse_ = nullptr;
    copyKey_ = 0;
    view_.reset();
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

bool PhotoPreview::CopyMayStandFor(std::uint64_t key, Size photo) {
    if (key == 0 || !host_.previewAllowed()) return false;
    const PhotoView view = host_.previewView(photo.cx, photo.cy);
    return view.hasImage() && host_.screenCopyHeld(key, {view.photoRect().width(), view.photoRect().height()});
}

void PhotoPreview::paint(Canvas& canvas, const Rect& clip, ColorRef background) const {
    if (copyKey_ != 0 && view_) {
        // The background and borders as the photo's view paints them, the
        // copy in the photo's place.
        view_->paint(canvas, clip, background, nullptr);
        const Rect visible = view_->photoRect().intersected(clip);
        if (!visible.isEmpty() && !canvas.drawPreparedCopy(copyKey_, view_->photoRect(), visible))
            canvas.fillRect(visible, background);
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
