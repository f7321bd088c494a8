#pragma once
// The Navigator's 13 small icons: computer, the five drive types, open folder,
// folder, empty folder and the four photo icons (plain, with text comment,
// with sound comment, with both). The computer, drive and folder icons come
// from the desktop's icon theme where it has them; the photo icons, and every
// icon the theme lacks, are drawn here.
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

namespace vellumo {

inline constexpr int kNavigatorIconCount = 13;

// The icons at the given size (16 for the list, ThumbnailsSize for thumbnails).
// iconStrip: the optional ".ni" strip picture (16 pixels high, a multiple of 16
// wide, 4 to 13 images, magenta transparent) replacing the last icons; a null
// pixmap or one of the wrong shape is ignored. themed false: every icon drawn
// (looking icons up in the theme takes a while; the start does without).
QList<QPixmap> NavigatorIcons(int size, const QPixmap& iconStrip = QPixmap(), bool themed = true);

// The icon strip file as a picture: a null pixmap when it is missing, no
// regular file (a FIFO there is never opened) or larger than a strip can be.
QPixmap LoadIconStrip(const QString& path);

// One drawn icon, without the theme (used where no theme exists and in tests).
QPixmap DrawnNavigatorIcon(int index, int size);

}  // namespace vellumo
