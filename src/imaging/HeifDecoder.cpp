#include "imaging/HeifDecoder.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <libheif/heif.h>

#include "imaging/AnyBmp.h"
#include "imaging/HeifCodedSize.h"
#include "imaging/HeifHandles.h"
#include "imaging/OverRows.h"
#include "imaging/ProfileBuilder.h"
#include "imaging/RowPrefault.h"

namespace vellumo {

namespace {

// The framework's code and text for an error of the library.
void Check(const heif_error& e) {
    if (e.code == heif_error_Ok) return;
    const std::string message = e.message && *e.message ? e.message : "HEIF error";
    switch (e.code) {
        case heif_error_Invalid_input:
            if (e.subcode == heif_suberror_End_of_data)
                throw CTextException(ErrEndOfFile, "End of file reached while decoding.\n");
            CPicDecoder::RaiseError(ErrFormatNotSupported, message);
        case heif_error_Unsupported_filetype:
        case heif_error_Unsupported_feature:
            CPicDecoder::RaiseError(ErrUnsupported, message);
        case heif_error_Memory_allocation_error:
            CPicDecoder::RaiseError(ErrOutOfMemory, "out of memory");
        default:
            CPicDecoder::RaiseError(ErrFormatNotSupported, message);
    }
}

// The picture's colr box: an ICC profile, or primaries and a transfer curve.
ColourProfilePtr ColoursOf(const heif_image_handle* handle) {
    switch (heif_image_handle_get_color_profile_type(handle)) {
        case heif_color_profile_type_prof:
        case heif_color_profile_type_rICC: {
            const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
            if (size == 0 || size > (64u << 20)) return nullptr;
            std::vector<std::uint8_t> icc(size);
            if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok) return nullptr;
            return ProfileOf(std::move(icc));
        }
        case heif_color_profile_type_nclx: {
            heif_color_profile_nclx* raw = nullptr;
            const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &raw);
            // libheif may hand a profile over with an error: it is freed either way.
            const HeifNclxPtr nclx(raw);
            if (error.code != heif_error_Ok || !nclx) return nullptr;
            return ProfileOf(ProfileOfNclx(nclx->color_primaries, nclx->transfer_characteristics));
        }
        default:
            return nullptr;
    }
}

}  // namespace

void CHEIFDecoder::DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>&, int& destBpp, CDataSource& source) {
    const std::uint8_t* data = source.ReadRemainder();
    const auto size = static_cast<std::size_t>(source.GetRemaining());
    HeifContextPtr context(heif_context_alloc());
    if (!context) throw std::bad_alloc();
    heif_context_set_max_decoding_threads(context.get(), 2);
    Check(heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr));
    // The codec would decode at its stream's size, whatever the file declares.
    if (!CodedSizesAgree(data, size))
        RaiseError(ErrFormatNotSupported, "HEIF image coded larger than its declared size.");
    if (!DerivedFromPicturesOnly(data, size))
        RaiseError(ErrFormatNotSupported, "HEIF image made of items that are no images.");
    heif_image_handle* primaryRaw = nullptr;
    Check(heif_context_get_primary_image_handle(context.get(), &primaryRaw));
    HeifHandlePtr primary(primaryRaw);
    // The size as seen, the declared rotation and crop applied.
    const int width = heif_image_handle_get_width(primary.get());
    const int height = heif_image_handle_get_height(primary.get());
    if (width <= 0 || height <= 0) RaiseError(ErrFormatNotSupported, "HEIF image without size.");
    if (static_cast<std::int64_t>(width) * height > kPixelCap) RaiseError(ErrOutOfMemory, "out of memory");
    destBpp = 32;
    colourProfile_ = ColoursOf(primary.get());
    CheckStop();
    if (sizeHint_ > 0) {
        if (HeifHandlePtr thumbnail{Thumbnail(primary.get(), sizeHint_)}) {
            DecodeInto(context.get(), thumbnail.get(), bmp);
            return;
        }
    } else if (previewSink_) {
        ShowThumbnailFirst(context.get(), primary.get(), width, height);
    }
    DecodeInto(context.get(), primary.get(), bmp);
}

heif_image_handle* CHEIFDecoder::Thumbnail(const heif_image_handle* primary, int minimum) {
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count <= 0) return nullptr;
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    const int listed = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    heif_image_handle* best = nullptr;
    int bestSide = 0;
    for (int i = 0; i < listed; ++i) {
        heif_image_handle* candidate = nullptr;
        if (heif_image_handle_get_thumbnail(primary, ids[static_cast<std::size_t>(i)], &candidate).code != heif_error_Ok ||
            !candidate)
            continue;
        const int side = std::max(heif_image_handle_get_width(candidate), heif_image_handle_get_height(candidate));
        if (side >= std::max(minimum, 1) && (!best || side < bestSide)) {
            if (best) heif_image_handle_release(best);
            best = candidate;
            bestSide = side;
        } else {
            heif_image_handle_release(candidate);
        }
    }
    return best;
}

// A photo shown fitted gets its thumbnail as the first picture, a coarse
// stand-in of any size, painted scaled while the full picture decodes.
void CHEIFDecoder::ShowThumbnailFirst(heif_context* context, const heif_image_handle* primary, int width,
                                      int height) {
    if (heif_image_handle_has_alpha_channel(primary)) return;
    const Size wanted = previewSink_->PreviewSizeFor(width, height, false);
    if (wanted.cx <= 0 || wanted.cy <= 0) return;
    HeifHandlePtr thumbnail{Thumbnail(primary, 0)};
    if (!thumbnail) return;
    try {
        CAnyBmp coarse;
        DecodeInto(context, thumbnail.get(), coarse);
        previewSink_->ShowPreview(coarse);
    } catch (const CTextException&) {
        // A damaged thumbnail only means no first picture.
    } catch (const std::bad_alloc&) {
    }
}

void CHEIFDecoder::DecodeInto(heif_context* context, const heif_image_handle* handle, CBmp& bmp) {
    // libheif compares a grid's canvas with this limit (and with nothing
    // else): not larger than the picture declares, but for the codec's
    // padding. Its own reading of the canvas is what counts, whatever the
    // boxes looked like to CodedSizesAgree.
    const int side = std::max(heif_image_handle_get_ispe_width(handle), heif_image_handle_get_ispe_height(handle));
    if (side > 0) heif_context_set_maximum_image_size_limit(context, side + 65);
    if (!DecodePlanarRgb(handle, bmp)) DecodeLibraryConversion(handle, bmp);
}

namespace {

// One pixel in the bitmap's order, its colour taken back out of a
// premultiplied alpha.
inline void StorePixel(std::uint8_t* out, int r, int g, int b, int a, bool premultiplied) {
    if (premultiplied && a != 0 && a != 255) {
        r = std::min(255, (r * 255 + a / 2) / a);
        g = std::min(255, (g * 255 + a / 2) / a);
        b = std::min(255, (b * 255 + a / 2) / a);
    }
    out[0] = static_cast<std::uint8_t>(b);
    out[1] = static_cast<std::uint8_t>(g);
    out[2] = static_cast<std::uint8_t>(r);
    out[3] = static_cast<std::uint8_t>(a);
}

}  // namespace

// libheif 1.15 turns a picture into RGB on its way out whatever form is
// asked for (an AV1 picture always; asked for YCbCr again it converts
// back). RGB planes are its cheapest output: the pixels of its own
// conversion, as heif-convert writes them, only interleaved here. The
// bitmap's pages fault in on the second core while libheif decodes.
bool CHEIFDecoder::DecodePlanarRgb(const heif_image_handle* handle, CBmp& bmp) {
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    const int width = heif_image_handle_get_width(handle), height = heif_image_handle_get_height(handle);
    CreateBitmap(bmp, width, height, 32, alpha, false);
    heif_image* decodedRaw = nullptr;
    heif_error error;
    {
        RowPrefault prefault(bmp.GetLineArray(), height, static_cast<std::size_t>(width) * 4);
        error = heif_decode_image(handle, &decodedRaw, heif_colorspace_RGB, heif_chroma_444, nullptr);
    }
    if (error.code == heif_error_Unsupported_feature) return false;
    Check(error);
    HeifImagePtr decoded(decodedRaw);
    CheckStop();
    // B, G, R and alpha: the bitmap's order.
    const heif_channel channels[4] = {heif_channel_B, heif_channel_G, heif_channel_R, heif_channel_Alpha};
    const std::uint8_t* planes[4] = {};
    int strides[4] = {};
    const int w = heif_image_get_width(decoded.get(), heif_channel_R);
    const int h = heif_image_get_height(decoded.get(), heif_channel_R);
    if (w <= 0 || h <= 0) return false;
    for (int c = 0; c < (alpha ? 4 : 3); ++c) {
        // More than 8 bits: the library's interleaved output brings them to 8.
        if (heif_image_get_bits_per_pixel_range(decoded.get(), channels[c]) != 8 ||
            heif_image_get_width(decoded.get(), channels[c]) != w ||
            heif_image_get_height(decoded.get(), channels[c]) != h)
            return false;
        planes[c] = heif_image_get_plane_readonly(decoded.get(), channels[c], &strides[c]);
        if (!planes[c] || strides[c] < w) return false;
    }
    if (w != width || h != height) CreateBitmap(bmp, w, h, 32, alpha, false);
    bmp.SetAlphaShown(alpha);
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle);
    std::uint8_t* const* lines = bmp.GetLineArray();
    // Interleaved on every processor: for a large photo this pass comes
    // after the whole decode, with nothing else left to do.
    const std::atomic<bool>* const stop = stop_;
    OverRows(h, std::int64_t{w} * h, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            if ((y & 255) == 0 && stop && stop->load(std::memory_order_relaxed)) return;
            const std::uint8_t* row[4] = {};
            for (int c = 0; c < (alpha ? 4 : 3); ++c)
                row[c] = planes[c] + static_cast<std::size_t>(y) * static_cast<std::size_t>(strides[c]);
            std::uint8_t* out = lines[y];
            if (!alpha) {
                // Without a branch, for the compiler to vectorise.
                const std::uint8_t *b = row[0], *g = row[1], *r = row[2];
                for (int x = 0; x < w; ++x) {
                    out[4 * x] = b[x];
                    out[4 * x + 1] = g[x];
                    out[4 * x + 2] = r[x];
                    out[4 * x + 3] = 255;
                }
                continue;
            }
            for (int x = 0; x < w; ++x, out += 4) StorePixel(out, row[2][x], row[1][x], row[0][x], row[3][x], premultiplied);
        }
    });
    CheckStop();
    return true;
}

void CHEIFDecoder::DecodeLibraryConversion(const heif_image_handle* handle, CBmp& bmp) {
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    HeifOptionsPtr options(heif_decoding_options_alloc());
    if (!options) throw std::bad_alloc();
    options->convert_hdr_to_8bit = 1;
    heif_image* decodedRaw = nullptr;
    Check(heif_decode_image(handle, &decodedRaw, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()));
    HeifImagePtr decoded(decodedRaw);
    CheckStop();
    const int w = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    if (!plane || w <= 0 || h <= 0) RaiseError(ErrFormatNotSupported, "HEIF image without pixels.");
    if (heif_image_get_bits_per_pixel_range(decoded.get(), heif_channel_interleaved) != 8)
        RaiseError(ErrUnsupported, "HEIF image of more than 8 bits.");
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle);
    CreateBitmap(bmp, w, h, 32, alpha, false);
    bmp.SetAlphaShown(alpha);
    std::uint8_t* const* lines = bmp.GetLineArray();
    const int channels = alpha ? 4 : 3;
    for (int y = 0; y < h; ++y) {
        if ((y & 255) == 0) CheckStop();
        const std::uint8_t* in = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        std::uint8_t* out = lines[y];
        for (int x = 0; x < w; ++x, in += channels, out += 4)
            StorePixel(out, in[0], in[1], in[2], alpha ? in[3] : 255, premultiplied);
    }
}

}  // namespace vellumo
