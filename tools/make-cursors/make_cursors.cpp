// Draws the viewer's own mouse cursors as 32 x 32 RGBA PNG files named by their
// resource number, and writes their hotspots into hotspots.txt.
//
//   make_cursors <output folder>
//
// Direction cursors (1 ... 1111): a dot with one arrow for every direction in
// which the dragged photo still extends beyond the screen (1 left, 10 up,
// 100 down, 1000 right). 1112: four arrows round a hub, a photo that can be dragged.
// 2001 to 2004: the pointer with a slideshow badge (small show running, total
// show running, total show collecting, total show paused). 2005: hourglass.
//
// Plain C++ with no libraries: shapes are polygons sampled 4 x 4 per pixel,
// outlined in black, and the PNG is written with stored deflate blocks.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;

struct Pt {
    double x, y;
};
using Polygon = std::vector<Pt>;

struct Rgba {
    double r, g, b, a;
};

struct Layer {
    std::vector<Polygon> polygons;
    Rgba fill;
    double outline;  // width of the black outline around the layer, 0 for none
};

bool Inside(const Polygon& poly, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Pt& a = poly[i];
        const Pt& b = poly[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

double SegmentDistance(Pt p, Pt a, Pt b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 == 0 ? 0 : ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2;
    t = std::fmax(0.0, std::fmin(1.0, t));
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

double EdgeDistance(const Polygon& poly, Pt p) {
    double best = 1e9;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        best = std::fmin(best, SegmentDistance(p, poly[j], poly[i]));
    return best;
}

class Image {
public:
    Image() : px_(kSize * kSize, Rgba{0, 0, 0, 0}) {}

    void draw(const Layer& layer) {
        constexpr int kSamples = 4;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                int fill = 0, edge = 0;
                for (int sy = 0; sy < kSamples; ++sy) {
                    for (int sx = 0; sx < kSamples; ++sx) {
                        const Pt p{x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples};
                        bool in = false;
                        for (const Polygon& poly : layer.polygons) in = in || Inside(poly, p.x, p.y);
                        if (in) {
                            ++fill;
                            continue;
                        }
                        if (layer.outline > 0) {
                            for (const Polygon& poly : layer.polygons) {
                                if (EdgeDistance(poly, p) <= layer.outline) {
                                    ++edge;
                                    break;
                                }
                            }
                        }
                    }
                }
                const double n = kSamples * kSamples;
                over(x, y, Rgba{0, 0, 0, edge / n});
                over(x, y, Rgba{layer.fill.r, layer.fill.g, layer.fill.b, layer.fill.a * fill / n});
            }
        }
    }

    bool writePng(const std::string& path) const;

private:
    void over(int x, int y, Rgba c) {
        Rgba& d = px_[y * kSize + x];
        const double a = c.a + d.a * (1 - c.a);
        if (a <= 0) return;
        d.r = (c.r * c.a + d.r * d.a * (1 - c.a)) / a;
        d.g = (c.g * c.a + d.g * d.a * (1 - c.a)) / a;
        d.b = (c.b * c.a + d.b * d.a * (1 - c.a)) / a;
        d.a = a;
    }

    std::vector<Rgba> px_;
};

// --- PNG ---

std::uint32_t Crc(const std::uint8_t* data, size_t n, std::uint32_t crc = 0) {
    static std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& body) {
    PutBe32(out, static_cast<std::uint32_t>(body.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBe32(out, Crc(typed.data(), typed.size()));
}

bool Image::writePng(const std::string& path) const {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < kSize; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < kSize; ++x) {
            const Rgba& p = px_[y * kSize + x];
            auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255)); };
            const bool clear = byte(p.a) == 0;
            raw.push_back(clear ? 0 : byte(p.r));
            raw.push_back(clear ? 0 : byte(p.g));
            raw.push_back(clear ? 0 : byte(p.b));
            raw.push_back(byte(p.a));
        }
    }
    // zlib stream of stored blocks.
    std::vector<std::uint8_t> z = {0x78, 0x01};
    for (size_t pos = 0; pos < raw.size();) {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    PutBe32(z, (b << 16) | a);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    PutBe32(ihdr, kSize);
    PutBe32(ihdr, kSize);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(f);
}

// --- shapes ---

const Rgba kWhite{1, 1, 1, 1};

Polygon Transformed(const Polygon& shape, double angle, Pt centre, double scale = 1.0) {
    Polygon out;
    const double c = std::cos(angle), s = std::sin(angle);
    for (const Pt& p : shape) out.push_back({centre.x + scale * (p.x * c - p.y * s), centre.y + scale * (p.x * s + p.y * c)});
    return out;
}

// An arrow pointing along +x from near the centre outward.
Polygon Arrow(double angle, double scale = 1.0) {
    static const Polygon shape = {{3.5, -1.5}, {8.5, -1.5}, {8.5, -5}, {14.5, 0}, {8.5, 5}, {8.5, 1.5}, {3.5, 1.5}};
    return Transformed(shape, angle, {16, 16}, scale);
}

Polygon Circle(Pt c, double r) {
    Polygon out;
    for (int i = 0; i < 24; ++i) {
        const double t = 2 * M_PI * i / 24;
        out.push_back({c.x + r * std::cos(t), c.y + r * std::sin(t)});
    }
    return out;
}

Polygon Box(double l, double t, double r, double b) { return {{l, t}, {r, t}, {r, b}, {l, b}}; }

// The standard pointer with its tip at (1, 1).
Polygon Pointer() {
    return {{1, 1}, {1, 19.5}, {5.5, 15.5}, {8.5, 22.5}, {11.5, 21.2}, {8.5, 14.5}, {14, 14.5}};
}

std::vector<Layer> Hourglass(double scale, Pt origin, Rgba sand) {
    auto at = [&](std::initializer_list<Pt> pts) {
        Polygon out;
        for (const Pt& p : pts) out.push_back({origin.x + p.x * scale, origin.y + p.y * scale});
        return out;
    };
    Layer glass{{at({{0, 0}, {18, 0}, {18, 3}, {11, 12}, {11, 14}, {18, 23}, {18, 26}, {0, 26}, {0, 23}, {7, 14}, {7, 12}, {0, 3}})},
                kWhite, 1.1};
    Layer grains{{at({{3.5, 4}, {14.5, 4}, {9, 11}}), at({{3, 24}, {15, 24}, {9, 18}})}, sand, 0};
    return {glass, grains};
}

struct Cursor {
    int number;
    Pt hotspot;
    std::vector<Layer> layers;
};

std::vector<Cursor> AllCursors() {
    std::vector<Cursor> out;
    const Rgba dark{0.15, 0.15, 0.15, 1};
    // Directions: left (1), up (10), down (100), right (1000); screen y grows downward.
    const struct {
        int code;
        double angle;
    } dirs[] = {{1, M_PI}, {10, -M_PI / 2}, {100, M_PI / 2}, {1000, 0}};
    for (int mask = 1; mask < 16; ++mask) {
        Layer arrows{{Circle({16, 16}, 2.2)}, kWhite, 1.1};
        int code = 0;
        for (int i = 0; i < 4; ++i) {
            if (mask & (1 << i)) {
                code += dirs[i].code;
                arrows.polygons.push_back(Arrow(dirs[i].angle));
            }
        }
        out.push_back({code, {16, 16}, {arrows}});
    }
    {
        Layer all{{Circle({16, 16}, 4.6)}, kWhite, 1.1};
        for (int i = 0; i < 4; ++i) all.polygons.push_back(Arrow(i * M_PI / 2));
        Layer hub{{Circle({16, 16}, 2.4)}, dark, 0};
        out.push_back({1112, {16, 16}, {all, hub}});
    }
    const Layer pointer{{Pointer()}, kWhite, 1.1};
    const Rgba green{0.1, 0.7, 0.2, 1}, blue{0.15, 0.4, 0.9, 1}, amber{0.95, 0.6, 0.1, 1}, orange{0.95, 0.45, 0.1, 1};
    out.push_back({2001, {1, 1}, {pointer, Layer{{{{17, 16}, {17, 30}, {29.5, 23}}}, green, 1.1}}});
    out.push_back({2002, {1, 1}, {pointer, Layer{{{{15, 17}, {15, 29}, {22.5, 23}}, {{22.5, 17}, {22.5, 29}, {30, 23}}}, blue, 1.1}}});
    {
        std::vector<Layer> layers = {pointer};
        for (Layer& l : Hourglass(0.55, {19, 16}, amber)) layers.push_back(l);
        out.push_back({2003, {1, 1}, layers});
    }
    out.push_back({2004, {1, 1}, {pointer, Layer{{Box(17.5, 16.5, 21.5, 29.5), Box(24.5, 16.5, 28.5, 29.5)}, orange, 1.1}}});
    out.push_back({2005, {16, 16}, Hourglass(1.0, {7, 3}, amber)});
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::ofstream hotspots(folder + "/hotspots.txt", std::ios::binary);
    hotspots << "# Viewer cursors: resource number, hotspot x, hotspot y (pixels of the 32 x 32 picture).\n"
                "# Each cursor is <number>.png in this folder. Made by tools/make-cursors.\n";
    for (const Cursor& c : AllCursors()) {
        Image img;
        for (const Layer& l : c.layers) img.draw(l);
        const std::string path = folder + "/" + std::to_string(c.number) + ".png";
        if (!img.writePng(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        hotspots << c.number << ' ' << static_cast<int>(c.hotspot.x) << ' ' << static_cast<int>(c.hotspot.y) << '\n';
    }
    return hotspots ? 0 : 1;
}
