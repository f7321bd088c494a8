// Writes small files of every format the decoders read into the folder given.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <tiffio.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "jpeg-writer/JpegWriter.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, int v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(Bytes& b, unsigned v) {
    Put16(b, static_cast<int>(v & 0xFFFF));
    Put16(b, static_cast<int>(v >> 16));
}

void Save(const std::string& dir, const std::string& name, const Bytes& b) {
    std::ofstream(dir + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                            static_cast<std::streamsize>(b.size()));
}

Bytes Bmp(int bits, int compression, const Bytes& pixels) {
    Bytes b = {'B', 'M'};
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 40);
    Put32(b, 6);
    Put32(b, 3);
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, static_cast<unsigned>(compression));
    for (int i = 0; i < 5; ++i) Put32(b, 0);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i) Put32(b, static_cast<unsigned>(i * 0x010203));
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes Tga(int type, int depth, int descriptor, const Bytes& data, int mapType = 0) {
    Bytes b = {0, static_cast<unsigned char>(mapType), static_cast<unsigned char>(type)};
    Put16(b, 0);
    Put16(b, mapType ? 4 : 0);
    b.push_back(mapType ? 24 : 0);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, 4);
    Put16(b, 3);
    b.push_back(static_cast<unsigned char>(depth));
    b.push_back(static_cast<unsigned char>(descriptor));
    if (mapType)
        for (int i = 0; i < 12; ++i) b.push_back(static_cast<unsigned char>(i * 20));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes Pcx(int bits, int planes, int bpl, const Bytes& rle, bool vga) {
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = 5;
    b[2] = 1;
    b[3] = static_cast<unsigned char>(bits);
    b[8] = 4;
    b[10] = 2;
    b[65] = static_cast<unsigned char>(planes);
    b[66] = static_cast<unsigned char>(bpl);
    b.insert(b.end(), rle.begin(), rle.end());
    if (vga) {
        b.push_back(12);
        for (int i = 0; i < 768; ++i) b.push_back(static_cast<unsigned char>(i));
    }
    return b;
}

Bytes Jpeg(int components, bool progressive, bool markers) {
    jpegwriter::JpegSpec spec;
    spec.width = 19;
    spec.height = 11;
    spec.components = components;
    spec.progressive = progressive;
    if (markers) {
        // A maker and a date for the EXIF scan, a Ducky time and an IPTC caption.
        const char exif[] = "Exif\0\0Canon\0002001:05:12 10:11:12\0";
        const char ducky[] = "TimeDate=1000000000\r";
        spec.markers = {{JPEG_APP0 + 1, Bytes(exif, exif + sizeof exif)},
                        {JPEG_APP0 + 12, Bytes(ducky, ducky + sizeof ducky)},
                        {JPEG_APP0 + 13, {'8', 'B', 'I', 'M', 0x1C, 0x02, 0x78, 0x00, 0x03, 'a', 'b', 'c'}}};
    }
    spec.sample = [components](int x, int y, int c) { return static_cast<JSAMPLE>((x * components + c) * 11 + y * 7); };
    return jpegwriter::EncodeJpeg(spec);
}

Bytes Tiff(const std::string& tmp, int bits, int samples, int photometric, bool tiled, int compression) {
    TIFF* t = TIFFOpen(tmp.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 9);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 7);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, "seed");
    if (photometric == PHOTOMETRIC_PALETTE) {
        std::vector<unsigned short> map(static_cast<std::size_t>(1) << bits);
        for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<unsigned short>(i * 300);
        TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    }
    const std::size_t rowBytes = (static_cast<std::size_t>(9) * bits * samples + 7) / 8;
    if (tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
        std::vector<unsigned char> tile(static_cast<std::size_t>(TIFFTileSize(t)), 0x5A);
        TIFFWriteTile(t, tile.data(), 0, 0, 0, 0);
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 3);
        std::vector<unsigned char> row(rowBytes);
        for (unsigned y = 0; y < 7; ++y) {
            for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<unsigned char>(i * 29 + y * 3);
            TIFFWriteScanline(t, row.data(), y, 0);
        }
    }
    TIFFClose(t);
    std::ifstream f(tmp, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    Save(dir, "a.bmp", Bmp(24, 0, Bytes(3 * 20, 0x33)));
    Save(dir, "b.bmp", Bmp(8, 1, {3, 1, 0, 3, 1, 2, 3, 0, 2, 5, 0, 0, 0, 1}));
    Save(dir, "c.bmp", Bmp(4, 2, {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1}));
    Save(dir, "d.bmp", Bmp(1, 0, Bytes(12, 0xA5)));
    Save(dir, "e.bmp", Bmp(32, 0, Bytes(72, 0x77)));
    Save(dir, "a.tga", Tga(2, 24, 0x20, Bytes(36, 9)));
    Save(dir, "b.tga", Tga(10, 16, 0, {0x83, 1, 2, 0x03, 1, 2, 3, 4, 5, 6, 7, 8, 0x83, 9, 9}));
    Save(dir, "c.tga", Tga(9, 8, 0, {0x8B, 2}, 1));
    Save(dir, "d.tga", Tga(3, 8, 0, Bytes(12, 100)));
    Save(dir, "a.pcx", Pcx(8, 3, 6, {0xC5, 1, 2, 3, 0xC4, 9, 0xC9, 7, 0xC9, 8}, false));
    Save(dir, "b.pcx", Pcx(8, 1, 6, {0xD2, 4}, true));
    Save(dir, "c.pcx", Pcx(1, 4, 2, {0xD8, 0xAA}, false));
    Save(dir, "d.pcx", Pcx(4, 1, 4, {0xCC, 0x12}, false));
    Save(dir, "a.jpg", Jpeg(3, false, true));
    Save(dir, "b.jpg", Jpeg(1, false, false));
    Save(dir, "c.jpg", Jpeg(3, true, false));
    Save(dir, "d.jpg", Jpeg(4, false, false));
    const std::string tmp = dir + "/.tmp.tif";
    Save(dir, "a.tif", Tiff(tmp, 1, 1, PHOTOMETRIC_MINISWHITE, false, COMPRESSION_NONE));
    Save(dir, "b.tif", Tiff(tmp, 4, 1, PHOTOMETRIC_MINISBLACK, false, COMPRESSION_LZW));
    Save(dir, "c.tif", Tiff(tmp, 8, 1, PHOTOMETRIC_PALETTE, false, COMPRESSION_PACKBITS));
    Save(dir, "d.tif", Tiff(tmp, 8, 3, PHOTOMETRIC_RGB, true, COMPRESSION_ADOBE_DEFLATE));
    Save(dir, "e.tif", Tiff(tmp, 16, 1, PHOTOMETRIC_MINISBLACK, false, COMPRESSION_NONE));
    const Bytes tiff = Tiff(tmp, 8, 3, PHOTOMETRIC_RGB, false, COMPRESSION_NONE);
    Bytes eps = {0xC5, 0xD0, 0xD3, 0xC6};
    Put32(eps, 32);
    Put32(eps, 2);
    Put32(eps, 0);
    Put32(eps, 0);
    Put32(eps, 34);
    Put32(eps, static_cast<unsigned>(tiff.size()));
    Put16(eps, 0xFFFF);
    eps.resize(32, 0);
    eps.push_back('%');
    eps.push_back('!');
    eps.insert(eps.end(), tiff.begin(), tiff.end());
    Save(dir, "a.eps", eps);
    // A thumbnail cache: five integers, two names, two 2 by 2 images.
    Bytes cache;
    for (unsigned v : {1u, 3u, 2u, 0xFF0000u, 1u}) Put32(cache, v);
    Put16(cache, 2);
    for (const char* name : {"a", "IMG_1"}) {
        cache.push_back(static_cast<std::uint8_t>(std::strlen(name)));
        cache.insert(cache.end(), name, name + std::strlen(name));
    }
    cache.insert(cache.end(), {'V', 'T', 'H', '1'});
    Put32(cache, 2);
    for (int i = 0; i < 8; ++i) Put32(cache, 0xFF000000u | static_cast<unsigned>(i * 0x112233));
    Save(dir, "thumbs.cache", cache);
    std::filesystem::remove(tmp);
    // Comment texts: a state byte, the text, a file name and descript.ion data.
    auto comment = [&](const std::string& name, const std::string& text) { Save(dir, name, Bytes(text.begin(), text.end())); };
    comment("a.comment", std::string("\x1f%FILE_NAME% %ROTATE_LEFT%<SOUND>on</SOUND><!MUSIC>%SLIDESHOW_CURRENT%</!MUSIC>") +
                             "\x01img.1.jpg\x01IMG.1.JPG  text\r\nimg.1.jpg.bak more\n");
    comment("b.comment", "\x08<ENGLISH><REM></REM></ENGLISH></!x>< x%%%IMAGE_SIZE_K%\x01\"a b.jpg\"\x01\"a b.jpg\" q");
    return 0;
}
