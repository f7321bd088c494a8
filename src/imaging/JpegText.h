#pragma once
// The embedded text of a JPEG file, built from its saved application
// markers: the IPTC caption (APP13) and the date the picture was taken
// (EXIF in APP1, "TimeDate=" in APP12).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vellumo {

struct JpegMarker {
    int code = 0;  // 0xE0 + n for APPn
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
};

// Walks the EXIF block as zero-terminated strings from the first one naming a
// camera maker (or "Exif"); the last date-like string wins. Returns true and
// sets date (at most 19 characters) when one was found; date is untouched otherwise.
bool ScanExifDate(const std::uint8_t* data, std::size_t length, std::string& date);
// Finds "TimeDate=<seconds since 1970>\r" and formats it in local time as
// "YYYY.MM.DD hh:mm:ss". Returns true when it set date.
bool ScanTimeDate(const std::uint8_t* data, std::size_t length, std::string& date);
// Finds IPTC captions (1C 02 78, 16-bit length, text); the last one wins, at
// most 959 characters. Returns true when it set caption.
bool ScanIptcCaption(const std::uint8_t* data, std::size_t length, std::string& caption);

// The caption, then "\n" and the date; the date alone without a caption.
std::string BuildJpegText(const std::vector<JpegMarker>& markers);

}  // namespace vellumo
