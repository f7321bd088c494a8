#pragma once
// CHEIFDecoder: HEIF (HEIC) and AVIF through libheif, one decoder for both.
// The primary image comes out as the file declares it to be seen: rotation,
// mirror and crop applied (no EXIF orientation on top), 10 and 12 bits
// brought to 8, alpha shown when the file has it. An embedded thumbnail
// serves a size hint that it meets, and, for a photo shown fitted, as the
// first picture while the full decode runs.
#include "imaging/PicDecoder.h"

struct heif_context;
struct heif_image_handle;

namespace vellumo {

class CHEIFDecoder : public CPicDecoder {
public:
    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;

private:
    // The thumbnail whose longer side is at least minimum pixels and
    // smallest among those (any thumbnail when minimum is 0); null for none.
    // The caller releases it.
    static heif_image_handle* Thumbnail(const heif_image_handle* primary, int minimum);
    // The picture of the handle, an item of the file's context.
    void DecodeInto(heif_context* context, const heif_image_handle* handle, CBmp& bmp);
    // libheif's RGB output as planes; false for a picture of more than 8 bits.
    bool DecodePlanarRgb(const heif_image_handle* handle, CBmp& bmp);
    // libheif's RGB output.
    void DecodeLibraryConversion(const heif_image_handle* handle, CBmp& bmp);
    void ShowThumbnailFirst(heif_context* context, const heif_image_handle* primary, int width, int height);
};

}  // namespace vellumo
