#include "thumbs/ThumbnailPng.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "imaging/PngChunks.h"

namespace vellumo {

namespace {

struct Reader {
    std::string_view bytes;
    std::size_t at = 0;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->bytes.size() - r->at < count) png_error(png, "cut short");
    std::memcpy(out, r->bytes.data() + r->at, count);
    r->at += count;
}

void WriteBytes(png_structp png, png_bytep data, png_size_t count) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), count);
}

void Flush(png_structp) {}

// No message goes to stderr; errors end in the setjmp of the caller.
void Quiet(png_structp, png_const_charp) {}
void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The steps between setjmp and the end live in functions of their own that
// own no C++ objects: a longjmp out of libpng skips nothing that needs a
// destructor.
bool ReadInto(png_structp png, png_infop info, Reader& reader, int maxSide, PngPicture& out,
              std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &reader, ReadBytes);
    png_set_user_limits(png, static_cast<png_uint_32>(maxSide), static_cast<png_uint_32>(maxSide));
    png_set_chunk_malloc_max(png, 4u << 20);  // the texts of a thumbnail are a few lines
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > static_cast<png_uint_32>(maxSide) ||
        height > static_cast<png_uint_32>(maxSide))
        return false;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != width * 4) return false;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.resize(static_cast<std::size_t>(width) * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(out.pixels.data() + static_cast<std::size_t>(y) * width);
    png_read_image(png, rows.data());
    png_read_end(png, info);
    return true;
}

bool WriteFrom(png_structp png, png_infop info, const PngPicture& picture, bool alpha, std::string& out,
               std::vector<png_text>& texts, std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, WriteBytes, Flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
    png_write_info(png, info);
    png_set_bgr(png);
    if (!alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    return true;
}

}  // namespace

std::optional<std::string> PngPicture::text(std::string_view key) const {
    for (const auto& [k, v] : texts)
        if (k == key) return v;
    return std::nullopt;
}

std::optional<PngPicture> ReadPng(std::string_view bytes, int maxSide) {
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0 || maxSide < 1)
        return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
    if (!png) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return std::nullopt;
    }
    const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes.data());
    Reader reader{bytes.substr(0, PngUsableLength(raw, bytes.size())), 0};
    PngPicture picture;
    std::vector<png_bytep> rows;
    const bool ok = ReadInto(png, info, reader, maxSide, picture, rows);
    if (ok) {
        png_textp texts = nullptr;
        const int count = png_get_text(png, info, &texts, nullptr);
        for (int i = 0; i < count; ++i)
            if (texts[i].key && texts[i].text)
                picture.texts.emplace_back(texts[i].key, std::string(texts[i].text, texts[i].text_length));
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) return std::nullopt;
    return picture;
}

std::optional<std::string> WritePng(const PngPicture& picture) {
    if (picture.width < 1 || picture.height < 1 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
        return std::nullopt;
    bool alpha = false;
    for (std::uint32_t p : picture.pixels)
        if ((p >> 24) != 0xFF) alpha = true;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
    if (!png) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return std::nullopt;
    }
    std::vector<png_text> texts(picture.texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
        texts[i].key = const_cast<char*>(picture.texts[i].first.c_str());
        texts[i].text = const_cast<char*>(picture.texts[i].second.c_str());
        texts[i].text_length = picture.texts[i].second.size();
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y)
        rows[static_cast<std::size_t>(y)] = reinterpret_cast<png_bytep>(
            const_cast<std::uint32_t*>(picture.pixels.data() + static_cast<std::size_t>(y) * picture.width));
    std::string out;
    const bool ok = WriteFrom(png, info, picture, alpha, out, texts, rows);
    png_destroy_write_struct(&png, &info);
    if (!ok) return std::nullopt;
    return out;
}

}  // namespace vellumo
