#pragma once
// Pictures drawn by code for the demo archive.
#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row 0 at the top
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
    Rgb& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

struct LandscapeStyle {
    Rgb skyTop, skyHorizon, sun, far, near;
    double sunX, sunY;  // fractions of the picture
    bool lake;
    unsigned seed;
};

Picture DrawLandscape(int w, int h, const LandscapeStyle& style);
Picture DrawShapes(int w, int h, unsigned seed);
Picture DrawPlasma(int w, int h, double phase);
Picture DrawSunsetSea(int w, int h);
// The program's start picture: its name in block letters.
Picture DrawStartPicture(int w, int h, const std::string& title);
// Block letters (5x7 cells) of the given pixel size, with a soft shadow.
void DrawBlockText(Picture& p, const std::string& text, int x, int y, int cell, Rgb colour, Rgb shadow);
int BlockTextWidth(const std::string& text, int cell);

}  // namespace demo
