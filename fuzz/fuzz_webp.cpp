// The WebP decoder alone on arbitrary bytes (see fuzz_photo_decoder.h).
#include "fuzz_photo_decoder.h"
#include "imaging/WebpDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vellumo::fuzz::DecodePhotoBytes<vellumo::CWebPDecoder>(data, size);
}
