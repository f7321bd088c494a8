#include "TodayFormats.h"

#include <cmath>
#include <fstream>

#include "../photo-writers/TodayWriters.h"

namespace demo {

namespace {

using vellumo::writers::Bytes;
using vellumo::writers::Rgba;

Rgba ToRgba(const Picture& p, bool alpha) {
    Rgba out{p.width, p.height, Bytes(static_cast<std::size_t>(p.width) * p.height * 4)};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const Rgb& c = p.at(x, y);
            std::uint8_t* q = out.at(x, y);
            q[0] = c.r;
            q[1] = c.g;
            q[2] = c.b;
            q[3] = 255;
            if (alpha) {
                const double dx = x - p.width * 0.3, dy = y - p.height * 0.5;
                const bool hole = dx * dx + dy * dy < (p.height * 0.18) * (p.height * 0.18);
                q[3] = hole ? 0 : static_cast<std::uint8_t>(255 - 200 * x / std::max(1, p.width - 1));
            }
        }
    return out;
}

bool Save(const std::string& path, const Bytes& bytes) {
    if (bytes.empty()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

bool WriteTurnedJpeg(const std::string& path, const Picture& upright) {
    // Stored (sx, sy) shows at (height - 1 - sy, sx) once turned clockwise.
    Picture stored(upright.height, upright.width);
    for (int sy = 0; sy < stored.height; ++sy)
        for (int sx = 0; sx < stored.width; ++sx) stored.at(sx, sy) = upright.at(stored.height - 1 - sy, sx);
    return Save(path, vellumo::writers::WriteJpeg(ToRgba(stored, false), 6, 88));
}

bool WritePng(const std::string& path, const Picture& p, bool alpha) {
    return Save(path, vellumo::writers::WritePng(ToRgba(p, alpha), alpha));
}

bool WriteWebp(const std::string& path, const Picture& p) {
    return Save(path, vellumo::writers::WriteWebp(ToRgba(p, false), false, 85));
}

bool WriteHeic(const std::string& path, const Picture& p) {
    vellumo::writers::HeifSpec s;
    s.quality = 70;
    s.thumbnail = 256;
    return Save(path, vellumo::writers::WriteHeif(ToRgba(p, false), s));
}

bool WriteAvif(const std::string& path, const Picture& p) {
    vellumo::writers::HeifSpec s;
    s.avif = true;
    s.quality = 70;
    return Save(path, vellumo::writers::WriteHeif(ToRgba(p, false), s));
}

}  // namespace demo
