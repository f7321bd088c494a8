#include <gtest/gtest.h>

#include <map>

#include "app/ViewerMenu.h"
#include "config/Hotkeys.h"

using namespace vellumo;

namespace {
std::string Lang(std::string_view key) {
    static const std::map<std::string, std::string, std::less<>> texts = {
        {"ZoomIn", "Zoom In\tPageUp"}, {"Start", "Start\tF8"}, {"Stop", "Stop\tF8"}, {"SlideShowTotal", "SlideShow Total"},
        {"Exit", "Exit\tAlt+X"},       {"Help", "Help"},      {"HideNavigator", "Hide Navigator\tEsc"}};
    auto it = texts.find(key);
    return it != texts.end() ? it->second : std::string(key) + "\tx";
}
const ViewerMenuEntry* Item(const std::vector<ViewerMenuEntry>& menu, int command) {
    for (const auto& m : menu) {
        if (m.command == command) return &m;
        for (const auto& s : m.submenu)
            if (s.command == command) return &s;
    }
    return nullptr;
}
}  // namespace

TEST(ViewerMenu, ItemsTextsGreyItemsAndChecks) {
    HotkeyTable keys = DefaultHotkeyTable();
    KeyNameTable names;
    auto hot = [&](int c) { return HotkeyText(keys, c, names); };
    ViewerMenuState s;  // no photo
    auto menu = ComposeViewerMenu(s, Lang, hot);
    std::vector<int> order;
    for (const auto& m : menu) order.push_back(m.separator ? -1 : m.command);
    EXPECT_EQ(order, (std::vector<int>{100, 101, 102, 103, -1, 104, 105, 106, 107, -1, 108, 111, -1, 114, 115, -1, 116, 0,
                                       -1, 125, 128, 131, 134, 137, -1, 140, 142}));
    const ViewerMenuEntry& total = menu[17];
    EXPECT_EQ(total.text, "SlideShow Total");
    ASSERT_EQ(total.submenu.size(), 2u);
    EXPECT_EQ(total.submenu[0].text, "Start\tF9");  // the hotkey replaces the text's own
    EXPECT_EQ(Item(menu, 100)->text, "Zoom In\tPageUp");
    EXPECT_EQ(Item(menu, 104)->text, "MoveLeft\tArrow Left");
    EXPECT_EQ(Item(menu, 140)->text, "Help");  // no tab: nothing added
    EXPECT_EQ(Item(menu, 125)->text, "ShowNavigator\tEsc");
    for (int c : {100, 101, 102, 103, 104, 105, 106, 107, 108, 111, 128, 114, 115, 116, 120, 131, 137})
        EXPECT_FALSE(Item(menu, c)->enabled) << c;
    for (int c : {117, 125, 134, 140, 142}) EXPECT_TRUE(Item(menu, c)->enabled) << c;
    EXPECT_TRUE(Item(menu, 103)->checked);  // ScaleMode f with no zoom target

    s.noPhoto = false;
    s.canZoomIn = true;
    s.photoRightOfScreen = true;
    s.hasNextPhoto = true;
    s.totalSlideshowRuns = true;
    s.totalSlideshowPaused = true;
    s.navigatorVisible = true;
    s.thumbnailsOn = true;
    s.soundCommentsOn = true;
    s.musicListEmpty = false;
    s.musicPresent = 's';
    s.musicPlays = true;
    s.scaleMode = 'r';
    keys.of(117) = ParseHotkeyNotation("none", 117);
    menu = ComposeViewerMenu(s, Lang, hot);
    EXPECT_EQ(Item(menu, 117)->text, "Stop\t");  // no hotkey: nothing after the tab
    EXPECT_EQ(Item(menu, 120)->text, "Continue\tPause");
    EXPECT_EQ(Item(menu, 125)->text, "Hide Navigator\tEsc");
    for (int c : {100, 105, 108, 111, 115, 120, 128, 131, 137}) EXPECT_TRUE(Item(menu, c)->enabled) << c;
    for (int c : {101, 104, 106, 107, 114, 116}) EXPECT_FALSE(Item(menu, c)->enabled) << c;
    for (int c : {102, 131, 134, 137}) EXPECT_TRUE(Item(menu, c)->checked) << c;
    EXPECT_FALSE(Item(menu, 103)->checked);
    s.zoomTargetZero = false;
    s.totalSlideshowRuns = false;  // music only with the total slideshow
    menu = ComposeViewerMenu(s, Lang, hot);
    EXPECT_FALSE(Item(menu, 102)->checked);
    EXPECT_FALSE(Item(menu, 137)->enabled);
}

TEST(ViewerMenu, PlacementAtTheMouseOrCentred) {
    Rect screen{0, 0, 1920, 1080};
    MenuPlacement p = ViewerMenuPlacement(true, {700, 300}, screen);
    EXPECT_EQ(p.alignment, MenuPlacement::RightEdgeAtPoint);
    EXPECT_EQ(p.point, (Point{700, 300}));
    p = ViewerMenuPlacement(false, {700, 300}, screen);
    EXPECT_EQ(p.alignment, MenuPlacement::Centred);
    EXPECT_EQ(p.point, (Point{960, 540}));
}
