#include <gtest/gtest.h>

#include "commands/Commands.h"
#include "config/Hotkeys.h"

using namespace vellumo;

TEST(CommandTable, FindsEachUserCommandByItsNumberAndNothingElse) {
    for (int c = 100; c <= 173; ++c) {
        const CommandInfo* info = FindCommand(c);
        ASSERT_NE(info, nullptr) << c;
        EXPECT_EQ(info->id, c);
    }
    for (int c : {0, 99, 174, 3000, 31835, -1}) EXPECT_EQ(FindCommand(c), nullptr) << c;
}

TEST(CommandRouting, RefreshAndContextMenuFollowTheFocus) {
    for (int c = 100; c <= 173; ++c) {
        bool follows = c == 143 || c == 173;
        EXPECT_EQ(RouteCommand(c, true), WindowId::Viewer);
        EXPECT_EQ(RouteCommand(c, false), follows ? WindowId::Navigator : WindowId::Viewer) << c;
    }
}

