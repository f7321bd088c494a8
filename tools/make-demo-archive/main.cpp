// make-demo-archive DIR
//   Writes a small photo archive into DIR: folders of pictures drawn by code
//   in every format the viewer reads (JPEG with EXIF date and IPTC caption,
//   TIFF with a description, EPS with a TIFF preview, BMP, TGA, PCX), a folder
//   settings file, descript.ion files, a folder comment, attached comments
//   and a sound comment (the comments use macros and tags), background
//   music (an MP3 encoded by lame) in Music/, and the photos of today (a
//   JPEG turned by its EXIF orientation, PNG with alpha, HEIC, WebP, AVIF).
// make-demo-archive --start-picture FILE
//   Writes the viewer's start picture (a 24-bit BMP).
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Pictures.h"
#include "TodayFormats.h"
#include "Writers.h"

using namespace demo;

namespace {

bool failed = false;

void Check(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "make-demo-archive: cannot write %s\n", what.c_str());
        failed = true;
    }
}

void MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) Check(false, path);
}

Picture Shrink(const Picture& p, int factor) {
    Picture out(p.width / factor, p.height / factor);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            int r = 0, g = 0, b = 0;
            for (int yy = 0; yy < factor; ++yy)
                for (int xx = 0; xx < factor; ++xx) {
                    const Rgb& c = p.at(x * factor + xx, y * factor + yy);
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            int n = factor * factor;
            out.at(x, y) = {static_cast<std::uint8_t>(r / n), static_cast<std::uint8_t>(g / n),
                            static_cast<std::uint8_t>(b / n)};
        }
    return out;
}

void MakeArchive(const std::string& dir) {
    MakeFolder(dir);
    const std::string land = dir + "/Landscapes";
    const std::string shapes = dir + "/Shapes and Colours";
    const std::string small = shapes + "/Small";
    const std::string eps = dir + "/2003.04 Previews";
    MakeFolder(land);
    MakeFolder(shapes);
    MakeFolder(small);
    MakeFolder(eps);
    MakeFolder(dir + "/Empty");
    MakeFolder(dir + "/Music");
    // Named in capitals, as on discs made on Windows: the music mask matches ignoring case.
    Check(WriteTuneMp3(dir + "/Music/Demo Tune.MP3"), "Demo Tune.MP3");

    // Landscapes: full-size JPEG photos with a date and a caption.
    struct Scene {
        const char* name;
        LandscapeStyle style;
        const char* date;
        const char* caption;
    };
    const Scene scenes[] = {
        {"Alpine Morning", {{60, 110, 190}, {200, 220, 240}, {255, 250, 230}, {110, 120, 150}, {40, 80, 50}, 0.25, 0.22, true, 11},
         "2002:06:15 07:42:10", "Morning light over the lake"},
        {"Desert Dusk", {{50, 30, 90}, {240, 150, 80}, {255, 220, 150}, {160, 90, 70}, {90, 50, 40}, 0.7, 0.45, false, 23},
         "2002:06:17 20:05:33", "Dunes at dusk"},
        {"Green Valley", {{90, 150, 220}, {210, 235, 245}, {255, 255, 240}, {90, 130, 110}, {50, 110, 40}, 0.6, 0.15, false, 5},
         "2002:06:18 12:30:00", "The valley at noon"},
        {"Night Lake", {{5, 10, 30}, {30, 50, 90}, {240, 240, 220}, {30, 40, 60}, {10, 20, 25}, 0.4, 0.2, true, 42},
         "2002:06:19 23:15:45", "Moonrise"},
    };
    for (const auto& s : scenes) {
        Picture p = DrawLandscape(1600, 1200, s.style);
        Check(WriteJpeg(land + "/" + s.name + ".jpg", p, {s.date, s.caption}), s.name);
    }
    Picture sunset = DrawSunsetSea(1600, 1200);
    Check(WriteJpeg(land + "/Sunset.JPG", sunset, {"2002:06:20 21:10:02", "Lighthouse at sunset"}), "Sunset.JPG");
    Check(WriteJpeg(land + "/sunset-small.jpeg", Shrink(sunset, 4), {"2002:06:20 21:10:02", ""}), "sunset-small.jpeg");
    Check(WriteText(land + "/Sunset.txt", "The lighthouse at the end of the bay.\r\nWritten beside the photo.\r\n"),
          "Sunset.txt");
    Check(WriteWave(land + "/Sunset.wav", 1.2), "Sunset.wav");
    Check(WriteWave(land + "/Desert Dusk.wav", 0.8), "Desert Dusk.wav");
    Check(WriteText(land + "/descript.ion",
                    "Green Valley.jpg Green valley, from descript.ion\r\n"
                    "\"Night Lake.jpg\" Night lake, from descript.ion\r\n"
                    "sunset-small.jpeg A smaller copy of the sunset\r\n"),
          "descript.ion");
    Check(WriteText(land + "/vellumo.txt", "\r\nLandscapes drawn by make-demo-archive (folder %FOLDER_NAME%)"),
          "vellumo.txt");
    // A JPEG with an IPTC caption and an attached comment with macros and tags.
    Check(WriteText(land + "/Alpine Morning.txt",
                    "\r\n%FILE_NAME%: %IMAGE_WIDTH% x %IMAGE_HEIGHT% pixels, %IMAGE_SIZE_K% KB"
                    "<SOUND> (sound comments are on)</SOUND><!SOUND> (sound comments are off)</!SOUND>"
                    "<REM> a remark that is never shown</REM><MUSIC>\r\nMusic: %MUSIC_SHORT_FILE_NAME%</MUSIC>"),
          "Alpine Morning.txt");
    Check(WriteText(land + "/vellumo.ini",
                    "[General Settings]\r\nBackgroundColor=24,32,48\r\n\r\n"
                    "[Comment Settings]\r\nCommentColor=255,220,140\r\n"),
          "vellumo.ini");

    // Shapes and colours: TIFF, BMP, TGA and PCX in several variants.
    Picture s1 = DrawShapes(1600, 1200, 1);
    Check(WriteTiff(shapes + "/Circles.tif", s1, "Circles and squares (TIFF description)"), "Circles.tif");
    Picture s2 = DrawShapes(1024, 768, 2);
    Check(WriteTiff(shapes + "/Bubbles.tiff", s2, "Bubbles"), "Bubbles.tiff");
    Picture plasma = DrawPlasma(1024, 768, 0.5);
    Check(WriteBmp24(shapes + "/Plasma.bmp", plasma), "Plasma.bmp");
    Check(WriteBmp8(shapes + "/Plasma 256 colours.bmp", DrawPlasma(640, 480, 2.0)), "Plasma 256 colours.bmp");
    Check(WriteTga(shapes + "/Shapes raw.tga", DrawShapes(800, 600, 3), false), "Shapes raw.tga");
    Check(WriteTga(shapes + "/Shapes packed.tga", DrawShapes(800, 600, 4), true), "Shapes packed.tga");
    Check(WritePcx24(shapes + "/Waves.pcx", DrawPlasma(800, 600, 4.0)), "Waves.pcx");
    Check(WritePcx8(shapes + "/Gray waves.pcx", DrawPlasma(640, 480, 1.0)), "Gray waves.pcx");
    Check(WriteText(shapes + "/DESCRIPT.ION",
                    "circles.tif  %SHORT_FILE_NAME%: <ENGLISH>circles (English)</ENGLISH><GERMAN>Kreise</GERMAN>\r\n"
                    "Plasma.bmp Plasma in %CURRENT_FOLDER%\r\n"
                    "Waves.pcx <SLIDESHOW>Photo %SLIDESHOW_CURRENT% of %SLIDESHOW_COUNT%</SLIDESHOW>"
                    "<!SLIDESHOW>Waves (no slideshow)</!SLIDESHOW>\r\n"),
          "DESCRIPT.ION");

    Check(WriteJpeg(small + "/Small plasma.jpg", DrawPlasma(320, 240, 3.0), {"", "A small picture"}), "Small plasma.jpg");
    Check(WriteJpeg(small + "/Tiny shapes.jpe", DrawShapes(160, 120, 5), {"2004:01:02 03:04:05", ""}), "Tiny shapes.jpe");
    Check(WriteText(small + "/Tiny shapes.txt", "\r\nTurned by the macro in its comment file%ROTATE_LEFT%"), "Tiny shapes.txt");

    // EPS files with TIFF previews.
    LandscapeStyle previewStyle{{70, 120, 200}, {220, 230, 240}, {255, 255, 230}, {100, 110, 140}, {60, 90, 60}, 0.3, 0.2, true, 9};
    Check(WriteEps(eps + "/Poster.eps", DrawLandscape(640, 480, previewStyle), "Poster"), "Poster.eps");
    Check(WriteEps(eps + "/Logo.eps", DrawStartPicture(400, 300, "DEMO"), "Logo"), "Logo.eps");

    // Photos of today: what phones and current programs write.
    const std::string today = dir + "/Photos of Today";
    MakeFolder(today);
    LandscapeStyle tall{{40, 90, 180}, {190, 215, 240}, {255, 250, 220}, {90, 110, 140}, {45, 95, 55}, 0.5, 0.3, true, 17};
    Check(WriteTurnedJpeg(today + "/Portrait from a phone.jpg", DrawLandscape(900, 1200, tall)), "Portrait from a phone.jpg");
    Check(WritePng(today + "/Glass.png", DrawShapes(1024, 768, 6), true), "Glass.png");
    Check(WriteHeic(today + "/Harbour.heic", DrawSunsetSea(1600, 1200)), "Harbour.heic");
    Check(WriteWebp(today + "/Meadow.webp", DrawLandscape(1280, 960, scenes[2].style)), "Meadow.webp");
    Check(WriteAvif(today + "/Canyon.avif", DrawLandscape(1024, 768, scenes[1].style)), "Canyon.avif");
    Check(WriteText(today + "/descript.ion",
                    "\"Portrait from a phone.jpg\" Stored on its side: the camera's orientation turns it upright\r\n"
                    "Glass.png A PNG with alpha, shown over the background colour\r\n"),
          "descript.ion");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--start-picture") == 0) {
        Picture p = DrawStartPicture(800, 600, "VELLUMO");
        Check(WriteBmp24(argv[2], p), argv[2]);
        return failed ? 1 : 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: make-demo-archive DIR\n       make-demo-archive --start-picture FILE\n");
        return 2;
    }
    MakeArchive(argv[1]);
    return failed ? 1 : 0;
}
