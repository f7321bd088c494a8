#pragma once
// A canvas that records every drawing call, for tests of painting logic.
#include <set>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace vellumo {

class FakeCanvas : public Canvas {
public:
    struct Fill {
        Rect rect;
        ColorRef colour;
    };
    struct Image {
        ImageView view;
        Rect source, destination;
        ScaleQuality quality;
    };
    struct Text {
        std::string text;
        Rect rect;
        FontSpec font;
        ColorRef colour;
        unsigned flags;
    };

    void fillRect(const Rect& r, ColorRef c) override { fills.push_back({r, c}); }
    void drawImage(const ImageView& v, const Rect& s, const Rect& d, ScaleQuality q) override {
        images.push_back({v, s, d, q});
    }
    void drawText(const std::string& t, const Rect& r, const FontSpec& f, ColorRef c, unsigned flags) override {
        texts.push_back({t, r, f, c, flags});
    }
    // Every character is charWidth wide and lines are font.height high; no wrapping.
    Size measureText(const std::string& t, int, const FontSpec& f, unsigned) override {
        int lines = 1, longest = 0, current = 0;
        for (char ch : t) {
            if (ch == '\n') {
                ++lines;
                current = 0;
                continue;
            }
            if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++current;
            if (current > longest) longest = current;
        }
        return {longest * charWidth, lines * f.height};
    }
    void setClip(const Rect& r) override { clip = r; }
    // Display copies made ahead: drawn when their key is among preparedKeys.
    bool drawPreparedCopy(std::uint64_t key, const Rect& placement, const Rect& visible) override {
        if (!preparedKeys.count(key)) return false;
        preparedCopies.push_back({key, placement, visible});
        return true;
    }
    struct PreparedCopy {
        std::uint64_t key;
        Rect placement, visible;
    };
    std::set<std::uint64_t> preparedKeys;
    std::vector<PreparedCopy> preparedCopies;

    std::vector<Fill> fills;
    std::vector<Image> images;
    std::vector<Text> texts;
    Rect clip;
    int charWidth = 10;
};

}  // namespace vellumo
