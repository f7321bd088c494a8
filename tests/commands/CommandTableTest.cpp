#include <gtest/gtest.h>

#include "commands/Commands.h"
#include "config/Hotkeys.h"

using namespace vellumo;

TEST(CommandTable, AllUserCommandsInOrderWithOwnersAndMenuKeys) {
    const auto& table = CommandTable();
    ASSERT_EQ(table.size(), 74u);
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].id, 100 + static_cast<int>(i));
        EXPECT_FALSE(table[i].name.empty());
        EXPECT_EQ(FindCommand(table[i].id), &table[i]);
    }
    EXPECT_EQ(FindCommand(99), nullptr);
    EXPECT_EQ(FindCommand(174), nullptr);
    EXPECT_EQ(FindCommand(cmd::ContextMenu)->owner, CommandOwner::Focus);
    EXPECT_EQ(FindCommand(cmd::Refresh)->owner, CommandOwner::Focus);
    EXPECT_EQ(FindCommand(cmd::NextPhoto)->owner, CommandOwner::Navigator);
    EXPECT_EQ(FindCommand(cmd::NextPhoto)->repeat, RepeatUse::SkipPhotos);
    EXPECT_EQ(FindCommand(cmd::MoveDown)->repeat, RepeatUse::PerRepeat);
    EXPECT_EQ(FindCommand(cmd::FontLarger)->repeat, RepeatUse::ResetsCount);
    EXPECT_EQ(FindCommand(cmd::RotateLeft)->repeat, RepeatUse::Once);
    EXPECT_EQ(FindCommand(125)->menuTextKeyAlt, "HideNavigator");
    EXPECT_EQ(FindCommand(117)->menuTextKey, "Start");
    int withMenuText = 0;
    for (const auto& c : table) withMenuText += !c.menuTextKey.empty();
    EXPECT_EQ(withMenuText, 22);
}

TEST(CommandRouting, RefreshAndContextMenuFollowTheFocus) {
    for (int c = 100; c <= 173; ++c) {
        bool follows = c == 143 || c == 173;
        EXPECT_EQ(RouteCommand(c, true), WindowId::Viewer);
        EXPECT_EQ(RouteCommand(c, false), follows ? WindowId::Navigator : WindowId::Viewer) << c;
    }
}

