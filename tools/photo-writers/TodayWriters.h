#pragma once
// Writers of small pictures in the formats of today's photos (PNG, WebP,
// HEIC, AVIF) and of JPEGs with an EXIF orientation, through the libraries'
// own encoders. Used by the tests, the demo archive and the fuzz seeds.
// Pixels come in as rows of red, green, blue, alpha bytes, top row first.
#include <png.h>
#include <webp/encode.h>
#include <jpeglib.h>
#include <libheif/heif.h>

#include "../jpeg-writer/JpegWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace vellumo::writers {

using Bytes = std::vector<std::uint8_t>;

struct Rgba {
    int width = 0, height = 0;
    Bytes pixels;  // width * height * 4: red, green, blue, alpha
    std::uint8_t* at(int x, int y) { return &pixels[(static_cast<std::size_t>(y) * width + x) * 4]; }
    const std::uint8_t* at(int x, int y) const { return &pixels[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

// A picture to tell apart from its turned and mirrored forms: colour ramps,
// a bright top-left corner, alpha (when asked) falling to the right.
inline Rgba TestPicture(int width, int height, bool alpha) {
    Rgba p{width, height, Bytes(static_cast<std::size_t>(width) * height * 4)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* q = p.at(x, y);
            q[0] = static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
            q[1] = static_cast<std::uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
            q[2] = static_cast<std::uint8_t>((x + y) * 3 & 0xFF);
            q[3] = alpha ? static_cast<std::uint8_t>(255 - x * 200 / (width > 1 ? width - 1 : 1)) : 255;
            if (x < width / 4 && y < height / 4) q[0] = q[1] = q[2] = 250;
        }
    return p;
}

// ---- PNG ---------------------------------------------------------------------

// A PNG of any kind: colourType and bitDepth as PNG names them; rows hold
// the samples as the PNG stores them (packed for depths below 8, big-endian
// for 16). palette: RGB triplets; transparency: the tRNS chunk's bytes.
struct PngSpec {
    int width = 0, height = 0, bitDepth = 8, colourType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<Bytes> rows;
    Bytes palette;
    Bytes transparency;
    bool iccProfile = false;  // a tagless profile header
    Bytes icc;                // an iCCP chunk of these bytes
    double gamma = 0;         // a gAMA chunk of this file gamma, when not 0
    std::vector<double> chromaticities;  // a cHRM chunk: white, red, green, blue x and y
};

inline void PngWriteBytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
inline void PngFlush(png_structp) {}

inline Bytes WritePng(const PngSpec& s) {
    Bytes out;
    std::vector<png_color> entries;
    for (std::size_t i = 0; i + 2 < s.palette.size(); i += 3)
        entries.push_back({s.palette[i], s.palette[i + 1], s.palette[i + 2]});
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    // The library leaves errors by longjmp: nothing below needs a destructor.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWriteBytes, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.bitDepth,
                 s.colourType, s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!entries.empty()) png_set_PLTE(png, info, entries.data(), static_cast<int>(entries.size()));
    png_color_16 colour{};
    if (!s.transparency.empty()) {
        if (s.colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(png, info, s.transparency.data(), static_cast<int>(s.transparency.size()), nullptr);
        } else {
            auto word = [&](std::size_t i) {
                return static_cast<png_uint_16>((s.transparency[i] << 8) | s.transparency[i + 1]);
            };
            if (s.colourType == PNG_COLOR_TYPE_GRAY) {
                colour.gray = word(0);
            } else {
                colour.red = word(0);
                colour.green = word(2);
                colour.blue = word(4);
            }
            png_set_tRNS(png, info, nullptr, 0, &colour);
        }
    }
    if (s.iccProfile) {
        // A profile header without tags, enough for libpng's checks: its
        // colour space matches the picture's.
        png_byte profile[132] = {0, 0, 0, 132, 0, 0, 0, 0, 2, 0x10, 0, 0, 'm', 'n', 't', 'r'};
        std::memcpy(profile + 16, (s.colourType & PNG_COLOR_MASK_COLOR) ? "RGB " : "GRAY", 4);
        std::memcpy(profile + 20, "XYZ ", 4);
        std::memcpy(profile + 36, "acsp", 4);
        const png_byte d50[12] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
        std::memcpy(profile + 68, d50, sizeof d50);
        png_set_iCCP(png, info, "test", PNG_COMPRESSION_TYPE_BASE, profile, sizeof profile);
    }
    if (!s.icc.empty())
        png_set_iCCP(png, info, "test", PNG_COMPRESSION_TYPE_BASE, s.icc.data(), static_cast<png_uint_32>(s.icc.size()));
    if (s.gamma > 0) png_set_gAMA(png, info, s.gamma);
    if (s.chromaticities.size() == 8) {
        const std::vector<double>& c = s.chromaticities;
        png_set_cHRM(png, info, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
    }
    png_set_benign_errors(png, 1);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (const Bytes& row : s.rows) png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An 8-bit RGBA (or RGB) PNG of a picture.
inline Bytes WritePng(const Rgba& p, bool alpha) {
    PngSpec s;
    s.width = p.width;
    s.height = p.height;
    s.colourType = alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
    for (int y = 0; y < p.height; ++y) {
        Bytes row;
        for (int x = 0; x < p.width; ++x) row.insert(row.end(), p.at(x, y), p.at(x, y) + (alpha ? 4 : 3));
        s.rows.push_back(std::move(row));
    }
    return WritePng(s);
}

// ---- WebP --------------------------------------------------------------------

inline Bytes WriteWebp(const Rgba& p, bool lossless, int quality = 90) {
    std::uint8_t* data = nullptr;
    const int stride = p.width * 4;
    const std::size_t size = lossless ? WebPEncodeLosslessRGBA(p.pixels.data(), p.width, p.height, stride, &data)
                                      : WebPEncodeRGBA(p.pixels.data(), p.width, p.height, stride,
                                                       static_cast<float>(quality), &data);
    Bytes out(data, data + size);
    WebPFree(data);
    return out;
}

// An animated WebP of the frames (each a whole lossless canvas-sized frame).
inline Bytes WriteAnimatedWebp(const std::vector<Rgba>& frames) {
    auto put32 = [](Bytes& b, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto put24 = [](Bytes& b, std::uint32_t v) {
        for (int i = 0; i < 3; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto chunk = [&](Bytes& b, const char* tag, const Bytes& payload) {
        b.insert(b.end(), tag, tag + 4);
        put32(b, static_cast<std::uint32_t>(payload.size()));
        b.insert(b.end(), payload.begin(), payload.end());
        if (payload.size() & 1) b.push_back(0);
    };
    const int w = frames.at(0).width, h = frames.at(0).height;
    Bytes body;
    Bytes vp8x;
    vp8x.push_back(0x12);  // animation and alpha
    vp8x.insert(vp8x.end(), 3, 0);
    put24(vp8x, static_cast<std::uint32_t>(w - 1));
    put24(vp8x, static_cast<std::uint32_t>(h - 1));
    chunk(body, "VP8X", vp8x);
    Bytes anim;
    put32(anim, 0);  // background
    anim.push_back(0);
    anim.push_back(0);  // loop forever
    chunk(body, "ANIM", anim);
    for (const Rgba& f : frames) {
        const Bytes still = WriteWebp(f, true);
        // The VP8L chunk of the still file (after RIFF, size, WEBP).
        Bytes frame;
        put24(frame, 0);
        put24(frame, 0);
        put24(frame, static_cast<std::uint32_t>(f.width - 1));
        put24(frame, static_cast<std::uint32_t>(f.height - 1));
        put24(frame, 100);
        frame.push_back(0);
        frame.insert(frame.end(), still.begin() + 12, still.end());
        chunk(body, "ANMF", frame);
    }
    Bytes out = {'R', 'I', 'F', 'F'};
    put32(out, static_cast<std::uint32_t>(body.size() + 4));
    out.insert(out.end(), {'W', 'E', 'B', 'P'});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// ---- HEIC and AVIF -------------------------------------------------------------

struct HeifSpec {
    bool avif = false;
    bool alpha = false;
    bool lossless = false;
    int quality = 90;
    int thumbnail = 0;  // the thumbnail's bounding box, 0 for none
    int bitDepth = 8;   // 8, or 10 / 12 (samples scaled up from the picture)
    int exifOrientation = 0;  // an EXIF block with this orientation, when not 0
    const char* chroma = nullptr;  // the encoder's "chroma" ("420", "422", "444"), null for its default
    bool monochrome = false;       // the picture's green as a luma-only picture (8 bits)
    int matrix = -1;  // when set: the file's matrix coefficients (AVIF's nclx), else libheif's

};

inline heif_error HeifWriteBytes(heif_context*, const void* data, size_t size, void* user) {
    auto* out = static_cast<Bytes*>(user);
    out->insert(out->end(), static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

inline Bytes WriteHeif(const Rgba& p, const HeifSpec& s) {
    Bytes out;
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_image_handle* handle = nullptr;
    const bool deep = s.bitDepth > 8;
    const heif_chroma chroma = s.monochrome ? heif_chroma_monochrome
                               : deep ? (s.alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                      : (s.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    const heif_channel channel = s.monochrome ? heif_channel_Y : heif_channel_interleaved;
    heif_color_profile_nclx* nclx = s.matrix >= 0 ? heif_nclx_color_profile_alloc() : nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    if (nclx) {
        heif_nclx_color_profile_set_matrix_coefficients(nclx, static_cast<std::uint16_t>(s.matrix));
        options->output_nclx_profile = nclx;
    }
    if (heif_context_get_encoder_for_format(ctx, s.avif ? heif_compression_AV1 : heif_compression_HEVC, &encoder).code ==
            heif_error_Ok &&
        heif_image_create(p.width, p.height, s.monochrome ? heif_colorspace_monochrome : heif_colorspace_RGB, chroma,
                          &image).code == heif_error_Ok &&
        heif_image_add_plane(image, channel, p.width, p.height, deep ? s.bitDepth : 8).code == heif_error_Ok) {
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, channel, &stride);
        const int channels = s.monochrome ? 1 : s.alpha ? 4 : 3;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                for (int c = 0; c < channels; ++c) {
                    const int v = p.at(x, y)[s.monochrome ? 1 : c];
                    if (deep) {
                        const int wide = (v << (s.bitDepth - 8)) | (v >> (16 - s.bitDepth));
                        std::uint8_t* q = plane + static_cast<std::size_t>(y) * stride + (x * channels + c) * 2;
                        q[0] = static_cast<std::uint8_t>(wide & 0xFF);
                        q[1] = static_cast<std::uint8_t>(wide >> 8);
                    } else {
                        plane[static_cast<std::size_t>(y) * stride + x * channels + c] = static_cast<std::uint8_t>(v);
                    }
                }
        // The encoders' faster settings: these files are made at build and test time.
        if (s.avif)
            heif_encoder_set_parameter_integer(encoder, "speed", 8);
        else
            heif_encoder_set_parameter_string(encoder, "preset", "fast");
        if (s.lossless) {
            heif_encoder_set_lossless(encoder, 1);
            heif_encoder_set_parameter_string(encoder, "chroma", "444");
        } else {
            heif_encoder_set_lossy_quality(encoder, s.quality);
        }
        if (s.chroma) heif_encoder_set_parameter_string(encoder, "chroma", s.chroma);
        if (heif_context_encode_image(ctx, image, encoder, options, &handle).code == heif_error_Ok) {
            if (s.exifOrientation != 0) {
                const std::uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01,
                                             3, 0, 1, 0, 0, 0, static_cast<std::uint8_t>(s.exifOrientation), 0, 0, 0,
                                             0, 0, 0, 0};
                heif_context_add_exif_metadata(ctx, handle, exif, sizeof exif);
            }
            if (s.thumbnail > 0) {
                heif_image_handle* thumb = nullptr;
                heif_context_encode_thumbnail(ctx, image, handle, encoder, nullptr, s.thumbnail, &thumb);
                if (thumb) heif_image_handle_release(thumb);
            }
            heif_writer writer{1, HeifWriteBytes};
            heif_context_write(ctx, &writer, &out);
        }
    }
    if (handle) heif_image_handle_release(handle);
    if (image) heif_image_release(image);
    if (encoder) heif_encoder_release(encoder);
    heif_encoding_options_free(options);
    if (nclx) heif_nclx_color_profile_free(nclx);
    heif_context_free(ctx);
    return out;
}

// ---- JPEG with an orientation ------------------------------------------------------

// A baseline JPEG of the picture (alpha dropped), with an EXIF block giving
// the orientation when it is not 0.
inline Bytes WriteJpeg(const Rgba& p, int orientation, int quality = 92) {
    jpegwriter::JpegSpec spec;
    spec.width = p.width;
    spec.height = p.height;
    spec.quality = quality;
    if (orientation != 0) {
        // "Exif", two zeros, a little-endian TIFF header and one IFD entry.
        const std::uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                                     0x12, 0x01, 3, 0, 1, 0, 0, 0,
                                     static_cast<std::uint8_t>(orientation), 0, 0, 0, 0, 0, 0, 0};
        spec.markers.push_back({JPEG_APP0 + 1, Bytes(exif, exif + sizeof exif)});
    }
    spec.sample = [&p](int x, int y, int c) { return p.at(x, y)[c]; };
    return jpegwriter::EncodeJpeg(spec);
}

// The same JPEG recoded progressive (its coefficients kept, markers copied).
inline Bytes MakeProgressive(const Bytes& jpeg) {
    jpeg_decompress_struct in;
    jpeg_compress_struct out;
    jpeg_error_mgr inErr, outErr;
    in.err = jpeg_std_error(&inErr);
    out.err = jpeg_std_error(&outErr);
    jpeg_create_decompress(&in);
    jpeg_create_compress(&out);
    jpeg_mem_src(&in, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_save_markers(&in, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&in, TRUE);
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&in);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&out, &buffer, &size);
    jpeg_copy_critical_parameters(&in, &out);
    jpeg_simple_progression(&out);
    jpeg_write_coefficients(&out, coefficients);
    for (jpeg_saved_marker_ptr m = in.marker_list; m; m = m->next)
        jpeg_write_marker(&out, m->marker, m->data, m->data_length);
    jpeg_finish_compress(&out);
    jpeg_finish_decompress(&in);
    jpeg_destroy_compress(&out);
    jpeg_destroy_decompress(&in);
    Bytes result(buffer, buffer + size);
    std::free(buffer);
    return result;
}

}  // namespace vellumo::writers
