#pragma once
// The logic windows work in the screen's own pixels (device pixels), so a
// photo shown at real scale puts one photo pixel on one screen pixel and the
// fitted photo is as sharp as the screen on a desktop that scales by 1.25,
// 1.5 or 2. Qt places widgets and reports the mouse in logical pixels
// (device pixels divided by the screen's ratio). These functions convert at
// the edge between the two; with a ratio of 1 they change nothing.
#include <QPointF>
#include <QRect>

#include "platform/Geometry.h"

namespace vellumo {

// Device pixels per logical pixel on the screen the viewer fills.
double DeviceRatio();

// Logical to device: a rectangle grows outwards to whole device pixels, a
// point falls on the device pixel under it.
Rect ToDevice(const QRect& logical);
Point ToDevice(const QPointF& logical);
// Device to logical: a rectangle grows outwards to whole logical pixels (a
// repaint covers at least what was asked), a point falls on the logical
// pixel holding it.
QRect ToLogical(const Rect& device);
QPoint ToLogical(Point device);
// A length in logical pixels (a font's height) in device pixels, rounded.
int ToDeviceLength(int logical);
// Where a window is placed: each edge to the nearest pixel, so a place
// read, stored and set again stays where it was (growing outwards, as for
// a repaint, would widen a window by a pixel each time).
Rect ToDevicePlace(const QRect& logical);
QRect ToLogicalPlace(const Rect& device);

}  // namespace vellumo
