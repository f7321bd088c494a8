#pragma once
// Owners of libheif's objects: each is released by its own libheif call.
#include <libheif/heif.h>

#include <memory>

namespace vellumo {

struct HeifContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HeifHandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct HeifImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct HeifOptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct HeifNclxFree {
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};

using HeifContextPtr = std::unique_ptr<heif_context, HeifContextFree>;
using HeifHandlePtr = std::unique_ptr<heif_image_handle, HeifHandleRelease>;
using HeifImagePtr = std::unique_ptr<heif_image, HeifImageRelease>;
using HeifOptionsPtr = std::unique_ptr<heif_decoding_options, HeifOptionsFree>;
using HeifNclxPtr = std::unique_ptr<heif_color_profile_nclx, HeifNclxFree>;

}  // namespace vellumo
