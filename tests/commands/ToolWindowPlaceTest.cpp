// Where a tool window opens first: beside the main window when the screen
// has room, else cascaded from its corner, and never off the screen.

#include <gtest/gtest.h>

#include "app/ToolWindowPlace.h"

namespace tulex::test {
namespace {

TEST(ToolWindowPlace, BesideWhenThereIsRoomElseCascadedAndAlwaysOnTheScreen) {
    const ScreenRect screen{0, 0, 1920, 1040};
    const struct {
        const char* what;
        ScreenRect main;
        int width, height;
        ScreenRect available;
        int others;
        int x, y;
    } cases[] = {
        {"room on the right", {100, 100, 800, 480}, 900, 320, screen, 0, 808, 100},
        {"right edge exactly", {100, 100, 800, 480}, 1112, 320, screen, 0, 808, 100},
        {"no room: cascaded", {600, 100, 1300, 480}, 900, 320, screen, 0, 640, 140},
        {"cascade kept off the right edge", {1200, 100, 1900, 480}, 900, 320, screen, 0, 1020, 140},
        {"kept above the bottom edge", {100, 900, 800, 1280}, 900, 320, {0, 0, 1024, 1040}, 0, 124, 720},
        {"kept off the left and top edges", {-500, -300, 200, 80}, 300, 200, {0, 0, 1024, 768}, 0, 208, 0},
        {"larger than the screen: its corner", {100, 100, 800, 480}, 2000, 1200, screen, 0, 0, 0},
        {"a second tool window beside the first", {100, 100, 800, 480}, 900, 320, screen, 1, 848, 140},
        {"a second tool window cascaded past the first", {600, 100, 1300, 480}, 900, 320, screen, 1, 680, 180},
        {"a second screen", {2000, 100, 2700, 480}, 900, 320, {1920, 0, 3840, 1080}, 0, 2708, 100},
    };
    for (const auto& c : cases) {
        const ScreenPoint at = PlaceToolWindow(c.main, c.width, c.height, c.available, 8, 40, c.others);
        EXPECT_EQ(at.x, c.x) << c.what;
        EXPECT_EQ(at.y, c.y) << c.what;
    }
}

}  // namespace
}  // namespace tulex::test
