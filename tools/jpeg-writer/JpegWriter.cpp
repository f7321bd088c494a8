#include "JpegWriter.h"

#include <cstdlib>
#include <fstream>

namespace jpegwriter {

namespace {

// v as that many bytes, least or most significant first.
void PutLe(Bytes& b, unsigned long v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutBe(Bytes& b, unsigned long v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

}  // namespace

Bytes EncodeJpeg(const JpegSpec& s) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(s.width);
    cinfo.image_height = static_cast<JDIMENSION>(s.height);
    cinfo.input_components = s.components;
    cinfo.in_color_space = s.components == 1 ? JCS_GRAYSCALE : s.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    if (s.stored) jpeg_set_colorspace(&cinfo, *s.stored);
    if (s.hSamp > 0 && s.vSamp > 0 && cinfo.num_components >= 3) {
        cinfo.comp_info[0].h_samp_factor = s.hSamp;
        cinfo.comp_info[0].v_samp_factor = s.vSamp;
    }
    jpeg_set_quality(&cinfo, s.quality, TRUE);
    if (s.progressive) jpeg_simple_progression(&cinfo);
    if (!s.scans.empty()) {
        cinfo.scan_info = s.scans.data();
        cinfo.num_scans = static_cast<int>(s.scans.size());
    }
    cinfo.restart_in_rows = s.restartRows;
    if (!s.jfif) cinfo.write_JFIF_header = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    if (!s.iccProfile.empty())
        jpeg_write_icc_profile(&cinfo, s.iccProfile.data(), static_cast<unsigned>(s.iccProfile.size()));
    for (const Marker& m : s.markers)
        jpeg_write_marker(&cinfo, m.code, m.data.data(), static_cast<unsigned>(m.data.size()));
    std::vector<JSAMPLE> row(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        std::size_t i = 0;
        for (int x = 0; x < s.width; ++x)
            for (int c = 0; c < s.components; ++c) row[i++] = s.sample(x, y, c);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes result(out, out + outSize);
    std::free(out);
    return result;
}

bool WriteJpegFile(const std::string& path, const JpegSpec& spec) {
    const Bytes bytes = EncodeJpeg(spec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

Marker ExifDateMarker(const std::string& date) {
    std::string d = date.substr(0, 19);
    d.resize(19, ' ');
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    // The TIFF structure; its offsets count from its "II".
    b.insert(b.end(), {'I', 'I'});
    PutLe(b, 42, 2);
    PutLe(b, 8, 4);
    // IFD0 at 8: one entry, the EXIF IFD pointer.
    PutLe(b, 1, 2);
    PutLe(b, 0x8769, 2);
    PutLe(b, 4, 2);  // LONG
    PutLe(b, 1, 4);
    PutLe(b, 26, 4);
    PutLe(b, 0, 4);  // no next IFD
    // The EXIF IFD at 26: DateTimeOriginal, ASCII, 20 bytes at 44.
    PutLe(b, 1, 2);
    PutLe(b, 0x9003, 2);
    PutLe(b, 2, 2);
    PutLe(b, 20, 4);
    PutLe(b, 44, 4);
    PutLe(b, 0, 4);
    PutText(b, d);
    b.push_back(0);
    return {JPEG_APP0 + 1, b};
}

Marker IptcCaptionMarker(const std::string& caption) {
    Bytes iptc = {0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04};  // record version 4
    const std::string c = caption.substr(0, 2000);
    iptc.insert(iptc.end(), {0x1C, 0x02, 0x78});
    PutBe(iptc, static_cast<unsigned>(c.size()), 2);
    PutText(iptc, c);
    Bytes b;
    PutText(b, "Photoshop 3.0");
    b.push_back(0);
    PutText(b, "8BIM");
    PutBe(b, 0x0404, 2);
    b.insert(b.end(), {0, 0});  // empty name, padded to even length
    PutBe(b, iptc.size(), 4);
    b.insert(b.end(), iptc.begin(), iptc.end());
    if (iptc.size() % 2) b.push_back(0);
    return {JPEG_APP0 + 13, b};
}

}  // namespace jpegwriter
