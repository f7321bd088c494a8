// What a comment costs: gathering a photo's comment from its attached file and
// a descript.ion of 5,000 lines, composing a 1023-byte comment with macros and
// tags, sizing its rectangle with the screen font, and drawing it with its
// shadow. Prints figures; never fails on time.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "comments/CommentLayout.h"
#include "comments/CommentSources.h"
#include "comments/DescriptIon.h"
#include "comments/Macros.h"
#include "comments/Tags.h"
#include "qt/QtCanvas.h"

using namespace vellumo;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// A 1023-byte comment of words, macros and tags.
std::string LongComment() {
    std::string text;
    const char* parts[] = {"%FILE_NAME% ", "<SOUND>sound on </SOUND>", "<!MUSIC>quiet </!MUSIC>", "%IMAGE_WIDTH%x%IMAGE_HEIGHT% ",
                           "words of a long caption about the beach and the dunes ", "<REM>remark</REM>", "\r\n"};
    for (int i = 0; text.size() < 1023; ++i) text += parts[i % 7];
    text.resize(1023);
    return text;
}

void Write(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const std::string dir = (std::filesystem::temp_directory_path() / "vellumo-bench-comments").string();
    std::filesystem::create_directories(dir);
    const std::string photo = dir + "/photo 4999.jpg";
    Write(photo, "not decoded here");
    Write(dir + "/photo 4999.txt", LongComment());
    std::string descript;
    for (int i = 0; i < 5000; ++i) descript += "photo " + std::to_string(i) + ".jpg description of photo " + std::to_string(i) + "\r\n";
    Write(dir + "/descript.ion", descript);

    const Rect screen{0, 0, 1920, 1080};
    FontSpec font;
    font.face = "Arial";
    font.height = 24;
    font.cellHeight = true;
    const unsigned flags = CommentTextFlags('c');
    MeasureText measure = [&](const std::string& text, int width) { return QtCanvas::Measure(text, width, font, flags); };
    TagState tags;
    tags.languageName = "English";
    tags.soundCommentsOn = true;
    QImage target(screen.width(), screen.height(), QImage::Format_RGB32);
    target.fill(Qt::darkBlue);

    constexpr int kRounds = 200;
    double load = 0, gather = 0, compose = 0, size = 0, draw = 0;
    Rect drawRect;
    std::string shown;
    DescriptIon d;
    for (int round = 0; round < kRounds; ++round) {
        auto t0 = Clock::now();
        d.load(dir);
        auto t1 = Clock::now();
        std::string photoComment = GatherPhotoComment({0x3F, 1, "", photo, &d});
        auto t2 = Clock::now();
        MacroExpansion e = ExpandMacros(CombineComments(photoComment, "", 1), {photo, 4000, 3000, nullptr});
        shown = ApplyTags(e.text.substr(0, 1023), tags);
        auto t3 = Clock::now();
        drawRect = SizeCommentRect({480, 972, 1440, 1080}, screen, true, 1, shown, measure);
        auto t4 = Clock::now();
        {
            QPainter painter(&target);
            QtCanvas canvas(painter, nullptr);
            canvas.drawText(shown, drawRect.offset(1, 1), font, Rgb(0, 0, 0), flags);
            canvas.drawText(shown, drawRect, font, Rgb(255, 255, 255), flags);
        }
        auto t5 = Clock::now();
        load += Ms(t0, t1);
        gather += Ms(t1, t2);
        compose += Ms(t2, t3);
        size += Ms(t3, t4);
        draw += Ms(t4, t5);
    }
    std::printf("comment of %zu bytes shown in %dx%d rectangle (%d rounds)\n", shown.size(), drawRect.width(),
                drawRect.height(), kRounds);
    std::printf("descript.ion of %zu bytes loaded per folder:      %.3f ms\n", descript.size(), load / kRounds);
    std::printf("photo comment gathered (attached + descript.ion): %.3f ms\n", gather / kRounds);
    std::printf("1023-byte comment composed (macros, tags):        %.3f ms\n", compose / kRounds);
    std::printf("rectangle sized with the screen font:             %.3f ms\n", size / kRounds);
    std::printf("compose + size (target under 2 ms):               %.3f ms\n", (compose + size) / kRounds);
    std::printf("drawn with its shadow at 1920x1080:               %.3f ms\n", draw / kRounds);
    std::printf("added to Show photo (gather+compose+size+draw):   %.3f ms (target under 5 ms)\n",
                (gather + compose + size + draw) / kRounds);
    std::filesystem::remove_all(dir);
    return 0;
}
