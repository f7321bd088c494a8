#include "Writers.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <tiffio.h>

#include "jpeg-writer/JpegWriter.h"

namespace demo {

namespace {

using Bytes = std::vector<unsigned char>;

void Put16le(Bytes& b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32le(Bytes& b, unsigned long v) {
    Put16le(b, v & 0xFFFF);
    Put16le(b, (v >> 16) & 0xFFFF);
}

bool Save(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WriteTiffFile(const std::string& path, const Picture& p, const std::string& description, bool lzw) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(p.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(p.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, lzw ? COMPRESSION_LZW : COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (!description.empty()) TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
    TIFFSetField(tif, TIFFTAG_DATETIME, "2003:04:05 10:20:30");
    TIFFSetField(tif, TIFFTAG_SOFTWARE, "make-demo-archive");
    std::vector<unsigned char> row(static_cast<size_t>(p.width) * 3);
    bool ok = true;
    for (int y = 0; y < p.height && ok; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const Rgb& c = p.at(x, y);
            row[x * 3] = c.r;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.b;
        }
        ok = TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

std::uint8_t CubeIndex(const Rgb& c) {
    auto q = [](int v) { return (v * 5 + 127) / 255; };
    return static_cast<std::uint8_t>(q(c.r) * 36 + q(c.g) * 6 + q(c.b));
}

// PCX run-length coding of one plane line.
void PcxLine(Bytes& out, const unsigned char* line, int count) {
    int i = 0;
    while (i < count) {
        int run = 1;
        while (i + run < count && line[i + run] == line[i] && run < 63) ++run;
        if (run > 1 || line[i] >= 0xC0) {
            out.push_back(static_cast<unsigned char>(0xC0 | run));
            out.push_back(line[i]);
        } else {
            out.push_back(line[i]);
        }
        i += run;
    }
}

Bytes PcxHeader(const Picture& p, int planes, int bytesPerLine) {
    Bytes h(128, 0);
    h[0] = 10;  // manufacturer
    h[1] = 5;   // version
    h[2] = 1;   // run-length encoding
    h[3] = 8;   // bits per pixel and plane
    h[8] = (p.width - 1) & 0xFF;
    h[9] = ((p.width - 1) >> 8) & 0xFF;
    h[10] = (p.height - 1) & 0xFF;
    h[11] = ((p.height - 1) >> 8) & 0xFF;
    h[12] = 72;
    h[14] = 72;
    h[65] = static_cast<unsigned char>(planes);
    h[66] = bytesPerLine & 0xFF;
    h[67] = (bytesPerLine >> 8) & 0xFF;
    h[68] = 1;  // colour palette
    return h;
}

// The file header and the 40-byte info header of a bottom-up BMP; the
// palette (paletteEntries of 4 bytes) and the rows follow.
Bytes BmpHeaders(const Picture& p, int bits, int stride, unsigned long paletteEntries) {
    const unsigned long dataOffset = 54 + paletteEntries * 4;
    const unsigned long imageSize = static_cast<unsigned long>(stride) * static_cast<unsigned long>(p.height);
    Bytes b = {'B', 'M'};
    Put32le(b, dataOffset + imageSize);
    Put32le(b, 0);
    Put32le(b, dataOffset);
    Put32le(b, 40);
    Put32le(b, static_cast<unsigned long>(p.width));
    Put32le(b, static_cast<unsigned long>(p.height));
    Put16le(b, 1);
    Put16le(b, static_cast<unsigned>(bits));
    Put32le(b, 0);
    Put32le(b, imageSize);
    Put32le(b, 2835);  // 72 dots per inch
    Put32le(b, 2835);
    Put32le(b, paletteEntries);
    Put32le(b, 0);
    return b;
}

}  // namespace

bool WriteJpeg(const std::string& path, const Picture& p, const JpegText& text, int quality) {
    jpegwriter::JpegSpec spec;
    spec.width = p.width;
    spec.height = p.height;
    spec.quality = quality;
    spec.jfif = text.dateTimeOriginal.empty();  // EXIF files start with APP1
    if (!text.dateTimeOriginal.empty()) spec.markers.push_back(jpegwriter::ExifDateMarker(text.dateTimeOriginal));
    if (!text.caption.empty()) spec.markers.push_back(jpegwriter::IptcCaptionMarker(text.caption));
    spec.sample = [&p](int x, int y, int c) {
        const Rgb& v = p.at(x, y);
        return c == 0 ? v.r : c == 1 ? v.g : v.b;
    };
    return jpegwriter::WriteJpegFile(path, spec);
}

bool WriteTiff(const std::string& path, const Picture& p, const std::string& description) {
    return WriteTiffFile(path, p, description, true);
}

bool WriteEps(const std::string& path, const Picture& preview, const std::string& title) {
    // The PostScript part draws the same colour bands the preview shows.
    std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: make-demo-archive\n%%Title: " + title +
                     "\n%%BoundingBox: 0 0 " + std::to_string(preview.width) + " " + std::to_string(preview.height) +
                     "\n%%EndComments\n";
    const int bands = 16;
    for (int i = 0; i < bands; ++i) {
        const Rgb& c = preview.at(preview.width / 2, std::min(preview.height - 1, (bands - 1 - i) * preview.height / bands));
        char line[160];
        std::snprintf(line, sizeof line, "%.3f %.3f %.3f setrgbcolor 0 %d %d %d rectfill\n", c.r / 255.0, c.g / 255.0,
                      c.b / 255.0, i * preview.height / bands, preview.width, preview.height / bands + 1);
        ps += line;
    }
    ps += "showpage\n%%EOF\n";

    std::string tmp = path + ".preview.tmp";
    if (!WriteTiffFile(tmp, preview, "", false)) return false;
    std::ifstream in(tmp, std::ios::binary);
    Bytes tiff((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::remove(tmp.c_str());
    if (tiff.empty()) return false;

    Bytes b = {0xC5, 0xD0, 0xD3, 0xC6};
    const unsigned long header = 30;
    Put32le(b, header);  // PostScript offset and length
    Put32le(b, ps.size());
    Put32le(b, 0);  // no metafile preview
    Put32le(b, 0);
    Put32le(b, header + ps.size());  // TIFF preview offset and length
    Put32le(b, tiff.size());
    Put16le(b, 0xFFFF);  // no checksum
    b.insert(b.end(), ps.begin(), ps.end());
    b.insert(b.end(), tiff.begin(), tiff.end());
    return Save(path, b);
}

bool WriteBmp24(const std::string& path, const Picture& p) {
    const int stride = (p.width * 3 + 3) & ~3;
    Bytes b = BmpHeaders(p, 24, stride, 0);
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) {
            const Rgb& c = p.at(x, y);
            b.insert(b.end(), {c.b, c.g, c.r});
        }
        for (int i = p.width * 3; i < stride; ++i) b.push_back(0);
    }
    return Save(path, b);
}

bool WriteBmp8(const std::string& path, const Picture& p) {
    const int stride = (p.width + 3) & ~3;
    Bytes b = BmpHeaders(p, 8, stride, 256);
    for (int i = 0; i < 256; ++i) {
        if (i < 216) {
            b.insert(b.end(), {static_cast<unsigned char>((i % 6) * 51), static_cast<unsigned char>(((i / 6) % 6) * 51),
                               static_cast<unsigned char>((i / 36) * 51), 0});
        } else {
            b.insert(b.end(), {0, 0, 0, 0});
        }
    }
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) b.push_back(CubeIndex(p.at(x, y)));
        for (int i = p.width; i < stride; ++i) b.push_back(0);
    }
    return Save(path, b);
}

bool WriteTga(const std::string& path, const Picture& p, bool runLength) {
    const std::string id = "Vellumo demo";
    Bytes b;
    b.push_back(static_cast<unsigned char>(id.size()));
    b.push_back(0);                    // no colour map
    b.push_back(runLength ? 10 : 2);   // true colour, RLE or raw
    b.insert(b.end(), {0, 0, 0, 0, 0});
    Put16le(b, 0);
    Put16le(b, 0);
    Put16le(b, static_cast<unsigned>(p.width));
    Put16le(b, static_cast<unsigned>(p.height));
    b.push_back(24);
    b.push_back(runLength ? 0x20 : 0x00);  // the RLE file is stored top-down, the raw one bottom-up
    b.insert(b.end(), id.begin(), id.end());
    for (int i = 0; i < p.height; ++i) {
        int y = runLength ? i : p.height - 1 - i;
        if (!runLength) {
            for (int x = 0; x < p.width; ++x) {
                const Rgb& c = p.at(x, y);
                b.insert(b.end(), {c.b, c.g, c.r});
            }
            continue;
        }
        auto same = [&](int x1, int x2) {
            const Rgb &a = p.at(x1, y), &c = p.at(x2, y);
            return a.r == c.r && a.g == c.g && a.b == c.b;
        };
        int x = 0;
        while (x < p.width) {
            int run = 1;
            while (x + run < p.width && run < 128 && same(x, x + run)) ++run;
            if (run > 1) {
                const Rgb& c = p.at(x, y);
                b.push_back(static_cast<unsigned char>(127 + run));
                b.insert(b.end(), {c.b, c.g, c.r});
                x += run;
                continue;
            }
            int lit = 1;
            while (x + lit < p.width && lit < 128 && !(x + lit + 1 < p.width && same(x + lit, x + lit + 1))) ++lit;
            b.push_back(static_cast<unsigned char>(lit - 1));
            for (int k = 0; k < lit; ++k) {
                const Rgb& c = p.at(x + k, y);
                b.insert(b.end(), {c.b, c.g, c.r});
            }
            x += lit;
        }
    }
    return Save(path, b);
}

bool WritePcx24(const std::string& path, const Picture& p) {
    const int bpl = (p.width + 1) & ~1;
    Bytes b = PcxHeader(p, 3, bpl);
    std::vector<unsigned char> line(static_cast<size_t>(bpl));
    for (int y = 0; y < p.height; ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            for (int x = 0; x < bpl; ++x) {
                const Rgb& c = p.at(std::min(x, p.width - 1), y);
                line[x] = plane == 0 ? c.r : plane == 1 ? c.g : c.b;
            }
            PcxLine(b, line.data(), bpl);
        }
    }
    return Save(path, b);
}

bool WritePcx8(const std::string& path, const Picture& p) {
    const int bpl = (p.width + 1) & ~1;
    Bytes b = PcxHeader(p, 1, bpl);
    std::vector<unsigned char> line(static_cast<size_t>(bpl));
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < bpl; ++x) {
            const Rgb& c = p.at(std::min(x, p.width - 1), y);
            line[x] = static_cast<unsigned char>((c.r * 77 + c.g * 150 + c.b * 29) >> 8);
        }
        PcxLine(b, line.data(), bpl);
    }
    b.push_back(12);  // palette signature, then a gray ramp
    for (int i = 0; i < 256; ++i) b.insert(b.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(i),
                                                     static_cast<unsigned char>(i)});
    return Save(path, b);
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

namespace {

// The header of a mono 16-bit PCM WAV file.
Bytes MonoWaveHeader(unsigned rate, unsigned frames) {
    Bytes b = {'R', 'I', 'F', 'F'};
    Put32le(b, 36 + frames * 2);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32le(b, 16);
    Put16le(b, 1);  // PCM
    Put16le(b, 1);  // mono
    Put32le(b, rate);
    Put32le(b, rate * 2);
    Put16le(b, 2);
    Put16le(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32le(b, frames * 2);
    return b;
}

}  // namespace

bool WriteWave(const std::string& path, double seconds) {
    const unsigned rate = 22050;
    const unsigned frames = static_cast<unsigned>(rate * seconds);
    Bytes b = MonoWaveHeader(rate, frames);
    for (unsigned i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        double freq = t < seconds / 2 ? 523.25 : 659.25;
        double envelope = std::sin(3.14159265358979 * std::fmod(t, seconds / 2) / (seconds / 2));
        int v = static_cast<int>(9000 * envelope * std::sin(2 * 3.14159265358979 * freq * t));
        Put16le(b, static_cast<unsigned>(v) & 0xFFFF);
    }
    return Save(path, b);
}

bool WriteTuneMp3(const std::string& path) {
    // Twelve seconds at 22050 Hz, mono: a rising and falling line of notes.
    const unsigned rate = 22050;
    const double noteSeconds = 0.375;
    const double notes[] = {392.0, 440.0, 493.88, 523.25, 587.33, 659.25, 587.33, 523.25,
                            493.88, 440.0, 392.0, 329.63, 349.23, 392.0, 440.0, 392.0};
    const unsigned perNote = static_cast<unsigned>(rate * noteSeconds);
    const unsigned frames = perNote * 32;
    Bytes b = MonoWaveHeader(rate, frames);
    for (unsigned i = 0; i < frames; ++i) {
        const double freq = notes[(i / perNote) % 16];
        const double t = static_cast<double>(i % perNote) / rate;
        const double envelope = std::exp(-4.0 * t);
        const double v = envelope * (std::sin(2 * M_PI * freq * t) + 0.3 * std::sin(4 * M_PI * freq * t));
        Put16le(b, static_cast<unsigned>(static_cast<int>(9000 * v)) & 0xFFFF);
    }
    const std::string wav = path + ".wav";
    if (!Save(wav, b)) return false;
    pid_t pid = fork();
    if (pid == 0) {
        execlp("lame", "lame", "--quiet", "-b", "96", wav.c_str(), path.c_str(), static_cast<char*>(nullptr));
        std::fprintf(stderr, "make-demo-archive: lame is needed for the music (scripts/setup installs it)\n");
        _exit(127);
    }
    int status = 0;
    const bool ran = pid > 0 && waitpid(pid, &status, 0) == pid;
    std::remove(wav.c_str());
    return ran && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace demo
