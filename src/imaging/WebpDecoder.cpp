#include "imaging/WebpDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <webp/decode.h>
#include <webp/demux.h>

namespace vellumo {

namespace {

// The framework's code and text for a status of the library.
[[noreturn]] void RaiseStatus(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_NOT_ENOUGH_DATA:
            throw CTextException(ErrEndOfFile, "End of file reached while decoding.\n");
        case VP8_STATUS_OUT_OF_MEMORY:
            CPicDecoder::RaiseError(ErrOutOfMemory, "out of memory");
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            CPicDecoder::RaiseError(ErrUnsupported, "Unsupported WebP feature.");
        default:
            CPicDecoder::RaiseError(ErrFormatNotSupported, "Damaged WebP data.");
    }
}

// The size a picture of width x height is decoded at for a size hint: its
// longer side the hint, never larger than the picture.
void ScaledSize(int hint, int& width, int& height) {
    const int longSide = std::max(width, height);
    if (hint <= 0 || hint >= longSide) return;
    width = std::max(1, static_cast<int>(static_cast<std::int64_t>(width) * hint / longSide));
    height = std::max(1, static_cast<int>(static_cast<std::int64_t>(height) * hint / longSide));
}

// The ICCP chunk of an extended file whose header says it has one.
ColourProfilePtr EmbeddedProfile(const std::uint8_t* data, std::size_t size) {
    if (size < 21 || std::memcmp(data + 12, "VP8X", 4) != 0 || (data[20] & ICCP_FLAG) == 0) return nullptr;
    const WebPData whole{data, size};
    WebPDemuxer* demux = WebPDemux(&whole);
    if (!demux) return nullptr;
    ColourProfilePtr profile;
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux, "ICCP", 1, &chunk)) {
        std::vector<std::uint8_t> icc(chunk.chunk.size);
        if (!icc.empty()) std::memcpy(icc.data(), chunk.chunk.bytes, icc.size());
        profile = ProfileOf(std::move(icc));
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demux);
    return profile;
}

struct AnimDecoderCloser {
    WebPAnimDecoder* decoder;
    ~AnimDecoderCloser() { WebPAnimDecoderDelete(decoder); }
};

}  // namespace

void CWebPDecoder::DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>&, int& destBpp, CDataSource& source) {
    const std::uint8_t* data = source.ReadRemainder();
    const auto size = static_cast<std::size_t>(source.GetRemaining());
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(data, size, &features);
    if (status != VP8_STATUS_OK) RaiseStatus(status);
    if (static_cast<std::int64_t>(features.width) * features.height > kPixelCap)
        RaiseError(ErrOutOfMemory, "out of memory");
    destBpp = 32;
    colourProfile_ = EmbeddedProfile(data, size);
    if (features.has_animation)
        DecodeFirstFrame(data, size, bmp);
    else
        DecodeStill(data, size, bmp, features.width, features.height, features.has_alpha != 0);
}

void CWebPDecoder::DecodeStill(const std::uint8_t* data, std::size_t size, CBmp& bmp, int width, int height,
                               bool alpha) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) RaiseError(ErrFormatNotSupported, "WebP library version mismatch.");
    int w = width, h = height;
    ScaledSize(sizeHint_, w, h);
    if (w != width || h != height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = w;
        config.options.scaled_height = h;
    }
    config.options.use_threads = 1;
    CreateBitmap(bmp, w, h, 32, alpha, false);
    bmp.SetAlphaShown(alpha);
    // Straight into the bitmap's rows, whichever way they run in memory.
    std::uint8_t* const* lines = bmp.GetLineArray();
    const std::ptrdiff_t stride = h > 1 ? lines[1] - lines[0] : static_cast<std::ptrdiff_t>(bmp.GetBytesPerLine());
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = lines[0];
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = static_cast<std::size_t>(std::abs(stride)) * static_cast<std::size_t>(h);
    CheckStop();
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) RaiseStatus(status);
}

void CWebPDecoder::DecodeFirstFrame(const std::uint8_t* data, std::size_t size, CBmp& bmp) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) RaiseError(ErrFormatNotSupported, "WebP library version mismatch.");
    options.color_mode = MODE_BGRA;
    options.use_threads = 1;
    const WebPData whole{data, size};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&whole, &options);
    // The features were read: what the demuxer refuses is cut short (its
    // incremental form then still waits for data) or damaged.
    if (!decoder) {
        WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
        WebPDemuxDelete(WebPDemuxPartial(&whole, &state));
        if (state == WEBP_DEMUX_PARSING_HEADER || state == WEBP_DEMUX_PARSED_HEADER)
            RaiseStatus(VP8_STATUS_NOT_ENOUGH_DATA);
        RaiseError(ErrFormatNotSupported, "Damaged animated WebP data.");
    }
    AnimDecoderCloser closer{decoder};
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder, &info)) RaiseError(ErrFormatNotSupported, "Damaged animated WebP data.");
    if (static_cast<std::int64_t>(info.canvas_width) * info.canvas_height > kPixelCap)
        RaiseError(ErrOutOfMemory, "out of memory");
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    CheckStop();
    if (!WebPAnimDecoderGetNext(decoder, &canvas, &timestamp) || !canvas)
        RaiseError(ErrFormatNotSupported, "Damaged animated WebP data.");
    const int w = static_cast<int>(info.canvas_width), h = static_cast<int>(info.canvas_height);
    // The canvas is transparent wherever the first frame leaves it.
    CreateBitmap(bmp, w, h, 32, true, false);
    bmp.SetAlphaShown(true);
    std::uint8_t* const* lines = bmp.GetLineArray();
    for (int y = 0; y < h; ++y)
        std::memcpy(lines[y], canvas + static_cast<std::size_t>(y) * w * 4, static_cast<std::size_t>(w) * 4);
}

}  // namespace vellumo
