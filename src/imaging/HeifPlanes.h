#pragma once
// A picture decoded by libheif in the codec's own form, described for
// YcbcrToBgra: its planes, when they are of a kind it converts, and the
// matrix and range the picture declares.
#include <optional>

#include <libheif/heif.h>

#include "imaging/YcbcrToBgra.h"

namespace vellumo {

// The planes when the picture is 8-bit YCbCr 4:2:0, 4:2:2 or 4:4:4, or 8-bit
// luma only (any chroma planes of it ignored), with (when alpha is true) an 8-bit alpha plane of its size;
// none otherwise.
std::optional<YcbcrPlanes> PlanesOf(const heif_image* image, bool alpha);

// The matrix and range the picture declares, as libheif's conversion reads
// them: the decoded picture's (the codec stream's), else the file's nclx
// box; BT.601 full range when neither says. None for a matrix YcbcrToBgra lacks.
std::optional<YcbcrMatrix> MatrixOf(const heif_image_handle* handle, const heif_image* image);

}  // namespace vellumo
