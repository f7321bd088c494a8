#pragma once
// The one JPEG writer of the tests, benchmarks, fuzz seeds and demo archive:
// pictures drawn by code, compressed by libjpeg in the forms the decoder has
// to read (baseline or progressive, grey, colour or CMYK, chosen chroma
// sampling, restart markers, scan scripts of their own) with the marker
// blocks cameras and editors write.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace jpegwriter {

using Bytes = std::vector<std::uint8_t>;

// A marker written after the file's headers, before the first frame.
struct Marker {
    int code = 0;  // JPEG_APP0 + n, JPEG_COM
    Bytes data;
};

struct JpegSpec {
    int width = 0;
    int height = 0;
    int components = 3;                    // samples per pixel given: 1 grey, 3 RGB, 4 CMYK
    std::optional<J_COLOR_SPACE> stored;   // the file's colour space; unset: libjpeg's choice for the input
    int quality = 75;                      // libjpeg's default
    bool progressive = false;              // libjpeg's simple progression
    std::vector<jpeg_scan_info> scans;     // a scan script of its own instead of libjpeg's
    int hSamp = 0, vSamp = 0;              // sampling factors of the first component; 0: libjpeg's
    int restartRows = 0;                   // a restart marker every this many MCU rows
    bool jfif = true;                      // false: no JFIF APP0 header (EXIF files start with APP1)
    std::vector<Marker> markers;
    // An ICC profile, in as many APP2 "ICC_PROFILE" markers as it takes.
    Bytes iccProfile;
    // Sample c of pixel (x, y), row 0 at the top; asked row by row, left to
    // right, component by component.
    std::function<std::uint8_t(int x, int y, int c)> sample;
};

// The compressed file.
Bytes EncodeJpeg(const JpegSpec& spec);
// Writes the compressed file; false when it cannot be written.
bool WriteJpegFile(const std::string& path, const JpegSpec& spec);

// APP1: an "Exif" block, a little-endian TIFF structure whose EXIF IFD holds
// DateTimeOriginal ("YYYY:MM:DD HH:MM:SS").
Marker ExifDateMarker(const std::string& date);
// APP13: a "Photoshop 3.0" block with one 8BIM resource of IPTC record 2: the
// record version and the caption (dataset 120, at most 2000 bytes).
Marker IptcCaptionMarker(const std::string& caption);

}  // namespace jpegwriter
