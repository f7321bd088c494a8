// Every cursor the view can ask for has a 32 x 32 picture and a hotspot inside it.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/PhotoView.h"

namespace vellumo {
namespace {

const std::string kFolder = std::string(VELLUMO_SOURCE_DIR) + "/resources/cursors/";

std::map<int, std::pair<int, int>> ReadHotspots() {
    std::map<int, std::pair<int, int>> out;
    std::ifstream f(kFolder + "hotspots.txt");
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        int number = 0, x = -1, y = -1;
        if (in >> number >> x >> y) out[number] = {x, y};
    }
    return out;
}

TEST(ViewCursorResources, EveryCursorHasAPictureAndAHotspot) {
    std::vector<int> numbers(ViewCursors::Directions.begin(), ViewCursors::Directions.end());
    for (int n : {ViewCursors::AllDirections, ViewCursors::SmallSlideshow, ViewCursors::TotalRunning,
                  ViewCursors::TotalCollecting, ViewCursors::TotalPaused, ViewCursors::Busy})
        numbers.push_back(n);
    const auto hotspots = ReadHotspots();
    for (int n : numbers) {
        SCOPED_TRACE(n);
        auto it = hotspots.find(n);
        ASSERT_NE(it, hotspots.end());
        EXPECT_GE(it->second.first, 0);
        EXPECT_LT(it->second.first, 32);
        EXPECT_GE(it->second.second, 0);
        EXPECT_LT(it->second.second, 32);
        std::ifstream png(kFolder + std::to_string(n) + ".png", std::ios::binary);
        ASSERT_TRUE(png.good());
        unsigned char head[24] = {};
        png.read(reinterpret_cast<char*>(head), sizeof head);
        ASSERT_EQ(png.gcount(), 24);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(head) + 1, 3), "PNG");
        EXPECT_EQ(std::string(reinterpret_cast<char*>(head) + 12, 4), "IHDR");
        const int width = (head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19];
        const int height = (head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23];
        EXPECT_EQ(width, 32);
        EXPECT_EQ(height, 32);
    }
}

}  // namespace
}  // namespace vellumo
