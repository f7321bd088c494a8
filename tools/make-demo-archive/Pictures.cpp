#include "Pictures.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace demo {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::uint8_t Clamp(double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); }

Rgb Mix(Rgb a, Rgb b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {Clamp(a.r + (b.r - a.r) * t), Clamp(a.g + (b.g - a.g) * t), Clamp(a.b + (b.b - a.b) * t)};
}

Rgb Scale(Rgb a, double f) { return {Clamp(a.r * f), Clamp(a.g * f), Clamp(a.b * f)}; }

// A small deterministic random source, so every run draws the same pictures.
struct Random {
    unsigned state;
    explicit Random(unsigned seed) : state(seed * 2654435761u + 12345u) {}
    double next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
};

// A ridge line: a sum of sines with random phases.
struct Ridge {
    double base, amplitude;
    double freq[4], phase[4], weight[4];
    Ridge(double b, double a, Random& rnd) : base(b), amplitude(a) {
        for (int i = 0; i < 4; ++i) {
            freq[i] = (1.5 + rnd.next() * 2.5) * (i + 1);
            phase[i] = rnd.next() * 2 * kPi;
            weight[i] = 1.0 / (i + 1.2);
        }
    }
    double at(double x) const {
        double v = 0;
        for (int i = 0; i < 4; ++i) v += weight[i] * std::sin(x * freq[i] + phase[i]);
        return base - amplitude * v * 0.5;
    }
};

}  // namespace

Picture DrawLandscape(int w, int h, const LandscapeStyle& s) {
    Picture p(w, h);
    Random rnd(s.seed);
    const double horizon = s.lake ? 0.68 : 1.0;
    Ridge far(0.50, 0.16, rnd), mid(0.58, 0.12, rnd), nearR(0.66, 0.07, rnd);
    const double sunR = 0.06;
    for (int y = 0; y < h; ++y) {
        double fy = static_cast<double>(y) / h;
        for (int x = 0; x < w; ++x) {
            double fx = static_cast<double>(x) / w;
            // Mirror the scene in the lake, with ripples.
            double sy = fy;
            bool water = s.lake && fy > horizon;
            if (water) {
                double ripple = 0.004 * std::sin(fy * 180 + std::sin(fx * 40) * 2);
                sy = 2 * horizon - fy + ripple;
            }
            Rgb c = Mix(s.skyTop, s.skyHorizon, std::pow(sy / 0.7, 1.4));
            double dx = (fx - s.sunX) * w / h, dy = sy - s.sunY;
            double d = std::sqrt(dx * dx + dy * dy);
            if (d < sunR) c = s.sun;
            else c = Mix(c, s.sun, 0.55 * std::exp(-(d - sunR) * 9));
            auto layer = [&](const Ridge& r, Rgb col, double haze) {
                double top = r.at(fx * 2 * kPi);
                if (sy > top) {
                    double shade = 0.85 + 0.3 * std::sin(fx * 60 + sy * 25) * 0.2 - (sy - top) * 0.6;
                    c = Mix(Scale(col, shade), s.skyHorizon, haze);
                }
            };
            layer(far, s.far, 0.45);
            layer(mid, Mix(s.far, s.near, 0.5), 0.2);
            layer(nearR, s.near, 0.0);
            if (water) c = Mix(Scale(c, 0.8), Rgb{20, 40, 70}, 0.25 + 0.1 * std::sin(fy * 300));
            p.at(x, y) = c;
        }
    }
    return p;
}

Picture DrawShapes(int w, int h, unsigned seed) {
    Picture p(w, h);
    Random rnd(seed);
    Rgb a{static_cast<std::uint8_t>(40 + rnd.next() * 60), static_cast<std::uint8_t>(30 + rnd.next() * 60), 90};
    Rgb b{230, static_cast<std::uint8_t>(180 + rnd.next() * 60), static_cast<std::uint8_t>(120 + rnd.next() * 80)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double dx = (x - w * 0.3) / w, dy = (y - h * 0.3) / h;
            p.at(x, y) = Mix(b, a, std::sqrt(dx * dx + dy * dy) * 1.3);
        }
    for (int i = 0; i < 14; ++i) {
        Rgb col{static_cast<std::uint8_t>(rnd.next() * 255), static_cast<std::uint8_t>(rnd.next() * 255),
                static_cast<std::uint8_t>(rnd.next() * 255)};
        double alpha = 0.35 + rnd.next() * 0.4;
        double cx = rnd.next() * w, cy = rnd.next() * h, r = (0.05 + rnd.next() * 0.2) * h;
        bool circle = i % 3 != 0;
        int x0 = std::max(0, static_cast<int>(cx - r)), x1 = std::min(w - 1, static_cast<int>(cx + r));
        int y0 = std::max(0, static_cast<int>(cy - r)), y1 = std::min(h - 1, static_cast<int>(cy + r));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                double dx = x - cx, dy = y - cy;
                double edge = circle ? r - std::sqrt(dx * dx + dy * dy) : std::min(r - std::abs(dx), r * 0.7 - std::abs(dy));
                if (edge <= 0) continue;
                double t = alpha * std::min(1.0, edge);  // smooth one pixel at the edge
                p.at(x, y) = Mix(p.at(x, y), col, t);
            }
    }
    return p;
}

Picture DrawPlasma(int w, int h, double phase) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double fx = static_cast<double>(x) / w * 6, fy = static_cast<double>(y) / h * 6;
            double v = std::sin(fx + phase) + std::sin(fy * 1.3 + phase * 0.7) + std::sin((fx + fy) * 0.8) +
                       std::sin(std::sqrt(fx * fx + fy * fy) * 1.7 - phase);
            p.at(x, y) = {Clamp(128 + 127 * std::sin(v * kPi / 2)), Clamp(128 + 127 * std::sin(v * kPi / 2 + 2.1)),
                          Clamp(128 + 127 * std::sin(v * kPi / 2 + 4.2))};
        }
    return p;
}

Picture DrawSunsetSea(int w, int h) {
    LandscapeStyle s{{40, 20, 70}, {250, 140, 60}, {255, 235, 180}, {90, 50, 80}, {30, 20, 40}, 0.5, 0.55, true, 7};
    Picture p = DrawLandscape(w, h, s);
    // A lighthouse on the right shore.
    int bx = w * 82 / 100, by = h * 60 / 100, bw = std::max(4, w / 60), bh = h / 5;
    for (int y = by - bh; y < by; ++y)
        for (int x = bx - bw / 2; x < bx + bw / 2; ++x)
            if (x >= 0 && x < w && y >= 0) p.at(x, y) = ((y - by) / std::max(1, bh / 6)) % 2 ? Rgb{230, 230, 230} : Rgb{190, 30, 30};
    return p;
}

namespace {

const std::map<char, const char*>& Glyphs() {
    // 5 columns x 7 rows per letter, '#' set.
    static const std::map<char, const char*> glyphs = {
        {'A', ".###.#...##...#######...##...##...#"}, {'C', ".#####....#....#....#....#.....####"},
        {'D', "####.#...##...##...##...##...#####."}, {'E', "######....#....####.#....#....#####"},
        {'H', "#...##...##...#######...##...##...#"}, {'I', "#####..#....#....#....#....#..#####"},
        {'L', "#....#....#....#....#....#....#####"}, {'M', "#...###.###.#.##...##...##...##...#"},
        {'O', ".###.#...##...##...##...##...#.###."}, {'R', "####.#...##...#####.#.#..#..#.#...#"},
        {'S', ".#####....#.....###.....#....#####."}, {'T', "#####..#....#....#....#....#....#.."},
        {'U', "#...##...##...##...##...##...#.###."}, {'V', "#...##...##...##...#.#.#..#.#...#.."},
        {'W', "#...##...##...##.#.##.#.##.#.#.#.#."}, {'P', "####.#...##...#####.#....#....#...."},
        {' ', "..................................."},
    };
    return glyphs;
}

}  // namespace

int BlockTextWidth(const std::string& text, int cell) { return static_cast<int>(text.size()) * 6 * cell - cell; }

void DrawBlockText(Picture& p, const std::string& text, int x0, int y0, int cell, Rgb colour, Rgb shadow) {
    const auto& glyphs = Glyphs();
    for (int pass = 0; pass < 2; ++pass) {
        int off = pass == 0 ? std::max(1, cell / 3) : 0;
        Rgb col = pass == 0 ? shadow : colour;
        int x = x0;
        for (char ch : text) {
            auto it = glyphs.find(ch);
            if (it != glyphs.end()) {
                for (int gy = 0; gy < 7; ++gy)
                    for (int gx = 0; gx < 5; ++gx) {
                        if (it->second[gy * 5 + gx] != '#') continue;
                        for (int yy = 0; yy < cell; ++yy)
                            for (int xx = 0; xx < cell; ++xx) {
                                int px = x + gx * cell + xx + off, py = y0 + gy * cell + yy + off;
                                if (px < 0 || py < 0 || px >= p.width || py >= p.height) continue;
                                // Slightly bevelled blocks: lighter top-left edge.
                                Rgb c = col;
                                if (pass == 1 && (xx == 0 || yy == 0)) c = Mix(col, Rgb{255, 255, 255}, 0.35);
                                p.at(px, py) = c;
                            }
                    }
            }
            x += 6 * cell;
        }
    }
}

Picture DrawStartPicture(int w, int h, const std::string& title) {
    LandscapeStyle s{{10, 30, 80}, {120, 170, 220}, {255, 250, 220}, {70, 90, 130}, {30, 60, 50}, 0.78, 0.2, true, 3};
    Picture p = DrawLandscape(w, h, s);
    int cell = std::max(2, w / (static_cast<int>(title.size()) * 6 + 6));
    int tw = BlockTextWidth(title, cell);
    DrawBlockText(p, title, (w - tw) / 2, h / 3 - 7 * cell / 2, cell, Rgb{250, 245, 225}, Rgb{20, 25, 40});
    return p;
}

}  // namespace demo
