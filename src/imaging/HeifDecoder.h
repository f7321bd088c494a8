#pragma once
// CHEIFDecoder: HEIF (HEIC) and AVIF through libheif, one decoder for both.
// The primary image comes out as the file declares it to be seen: rotation,
// mirror and crop applied (no EXIF orientation on top), 10 and 12 bits
// brought to 8, alpha shown when the file has it. An embedded thumbnail
// serves a size hint that it meets, and, for a photo shown fitted, as the
// first picture while the full decode runs.
#include "imaging/PicDecoder.h"

#include <cstddef>
#include <cstdint>

struct heif_image_handle;

namespace vellumo {

class CHEIFDecoder : public CPicDecoder {
public:
    void DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>& paletteOut, int& destBpp, CDataSource& source) override;

private:
    // The thumbnail whose longer side is at least minimum pixels and
    // smallest among those (any thumbnail when minimum is 0), its item in
    // id; null for none. The caller releases it.
    static heif_image_handle* Thumbnail(const heif_image_handle* primary, int minimum, std::uint32_t& id);
    // The picture of item `item`.
    void DecodeInto(const heif_image_handle* handle, std::uint32_t item, CBmp& bmp);
    // The codec's YCbCr planes converted here; false for a picture this
    // conversion does not take.
    bool DecodeOwnConversion(const heif_image_handle* handle, std::uint32_t item, CBmp& bmp);
    // libheif's RGB output.
    void DecodeLibraryConversion(const heif_image_handle* handle, CBmp& bmp);
    void ShowThumbnailFirst(const heif_image_handle* primary, int width, int height);

    // The file, while it decodes.
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace vellumo
