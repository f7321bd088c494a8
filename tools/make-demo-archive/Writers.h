#pragma once
// Writers of the photo formats the viewer reads.
#include <string>

#include "Pictures.h"

namespace demo {

struct JpegText {
    std::string dateTimeOriginal;  // "YYYY:MM:DD HH:MM:SS", written into an EXIF block
    std::string caption;           // IPTC 2:120, written into a Photoshop 3.0 block
};

bool WriteJpeg(const std::string& path, const Picture& p, const JpegText& text, int quality = 88);
bool WriteTiff(const std::string& path, const Picture& p, const std::string& description);
// An EPS file with a DOS binary header, a PostScript part and a TIFF preview.
bool WriteEps(const std::string& path, const Picture& preview, const std::string& title);
bool WriteBmp24(const std::string& path, const Picture& p);
bool WriteBmp8(const std::string& path, const Picture& p);  // 6x6x6 colour cube palette
bool WriteTga(const std::string& path, const Picture& p, bool runLength);
bool WritePcx24(const std::string& path, const Picture& p);
bool WritePcx8(const std::string& path, const Picture& p);  // gray ramp palette
bool WriteText(const std::string& path, const std::string& text);
// A short mono 16-bit PCM wave: two soft tones.
bool WriteWave(const std::string& path, double seconds);
// A short tune of plucked notes, encoded to MP3 by Debian's lame (a WAV is
// written next to it first and removed afterwards).
bool WriteTuneMp3(const std::string& path);

}  // namespace demo
