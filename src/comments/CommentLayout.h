#pragma once
// Where the comment goes on the screen: its rectangle in thousandths of the
// screen (the CommentRect setting) turned into pixels and back, and the
// growing of that rectangle until the text fits.
#include <functional>
#include <string>

#include "platform/Canvas.h"
#include "platform/Geometry.h"

namespace vellumo {

// Comments keep this many pixels from the screen edges when they grow.
inline constexpr int kCommentScreenMargin = 10;

// Left and right scale with the screen width, top and bottom with its height;
// the results are truncated.
Rect CommentRectToPixels(const Rect& thousandths, const Rect& screen);
Rect CommentRectToThousandths(const Rect& pixels, const Rect& screen);

// The text format of measuring and drawing for a CommentAlign letter (l, c, r):
// that alignment, always with word breaking, text from the top.
unsigned CommentTextFlags(char align);

// Measures text drawn into a box of the given width: the size it takes.
using MeasureText = std::function<Size(const std::string& text, int width)>;

// The rectangle the comment is drawn in. Without autoSize it is the pixel
// rectangle itself. With it, the rectangle is first clamped into the screen
// less the margin, then grown in steps of 3 % of its width and height (at
// least 1 pixel) on every side until the text fits into it less the shadow
// offset at the right and bottom, or until a further step would come closer
// than the margin to the screen edges in both directions; at last it is moved
// back inside the margin (left and top win for a rectangle larger than the screen).
Rect SizeCommentRect(const Rect& rectPx, const Rect& screen, bool autoSize, int shadowOffset,
                     const std::string& text, const MeasureText& measure);

}  // namespace vellumo
