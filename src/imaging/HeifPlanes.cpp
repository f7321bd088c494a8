#include "imaging/HeifPlanes.h"

#include <cstdint>
#include <memory>

#include "imaging/HeifHandles.h"

namespace vellumo {

namespace {

// An 8-bit plane of at least width x height samples, or null.
const std::uint8_t* Plane8(const heif_image* image, heif_channel channel, int width, int height,
                           std::ptrdiff_t& stride) {
    if (!heif_image_has_channel(image, channel) || heif_image_get_bits_per_pixel(image, channel) != 8 ||
        heif_image_get_bits_per_pixel_range(image, channel) != 8 || heif_image_get_width(image, channel) < width ||
        heif_image_get_height(image, channel) < height)
        return nullptr;
    int s = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image, channel, &s);
    stride = s;
    return plane;
}

}  // namespace

std::optional<YcbcrPlanes> PlanesOf(const heif_image* image, bool alpha) {
    YcbcrPlanes p;
    p.width = heif_image_get_width(image, heif_channel_Y);
    p.height = heif_image_get_height(image, heif_channel_Y);
    if (p.width <= 0 || p.height <= 0) return std::nullopt;
    const heif_colorspace space = heif_image_get_colorspace(image);
    const heif_chroma chroma = heif_image_get_chroma_format(image);
    if (space == heif_colorspace_YCbCr && chroma == heif_chroma_420) {
        p.shiftX = p.shiftY = 1;
    } else if (space == heif_colorspace_YCbCr && chroma == heif_chroma_422) {
        p.shiftX = 1;
    } else if (chroma != heif_chroma_monochrome &&
               !(space == heif_colorspace_YCbCr && chroma == heif_chroma_444)) {
        return std::nullopt;
    }
    p.y = Plane8(image, heif_channel_Y, p.width, p.height, p.yStride);
    if (!p.y) return std::nullopt;
    if (chroma != heif_chroma_monochrome) {
        const int cw = (p.width + (1 << p.shiftX) - 1) >> p.shiftX;
        const int ch = (p.height + (1 << p.shiftY) - 1) >> p.shiftY;
        p.cb = Plane8(image, heif_channel_Cb, cw, ch, p.cbStride);
        p.cr = Plane8(image, heif_channel_Cr, cw, ch, p.crStride);
        if (!p.cb || !p.cr) return std::nullopt;
    }
    if (alpha) {
        p.alpha = Plane8(image, heif_channel_Alpha, p.width, p.height, p.alphaStride);
        if (!p.alpha) return std::nullopt;
    }
    return p;
}

std::optional<YcbcrMatrix> MatrixOf(const heif_image_handle* handle, const heif_image* image) {
    // libheif may hand out a profile along with an error (values it does
    // not know): it is freed either way, and counts as none.
    heif_color_profile_nclx* raw = nullptr;
    heif_error error = heif_image_get_nclx_color_profile(image, &raw);
    HeifNclxPtr nclx(raw);
    if (error.code != heif_error_Ok || !nclx) {
        raw = nullptr;
        error = heif_image_handle_get_nclx_color_profile(handle, &raw);
        nclx.reset(raw);
    }
    if (error.code != heif_error_Ok || !nclx) return MatrixForCode(heif_matrix_coefficients_ITU_R_BT_601_6, true);
    return MatrixForCode(nclx->matrix_coefficients, nclx->full_range_flag != 0);
}

}  // namespace vellumo
