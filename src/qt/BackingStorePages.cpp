#include "qt/BackingStorePages.h"

#include <QBackingStore>
#include <QImage>
#include <QWidget>

#include "imaging/Bmp.h"

namespace vellumo {

void BackingStorePages::populate(QWidget& window) {
    QBackingStore* store = window.backingStore();
    if (!store) return;
    // Only a store in memory of our process (the raster stores) has pages to fault in.
    const auto* image = dynamic_cast<const QImage*>(store->paintDevice());
    if (!image || image->isNull()) return;
    // constBits: bits() would detach the image from the store's memory.
    const uchar* bits = image->constBits();
    if (bits == bits_ && image->sizeInBytes() == size_) return;
    bits_ = bits;
    size_ = image->sizeInBytes();
    PopulateForWriting(const_cast<uchar*>(bits), static_cast<std::size_t>(size_));
}

}  // namespace vellumo
