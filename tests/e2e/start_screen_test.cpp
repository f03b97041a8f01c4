// The first screen, as a user sees it in different terminals and sizes.
#include "editor_screen.h"

#include <gtest/gtest.h>

namespace {

const std::string console_message = "No console interaction is supported under this OS";

class start_screen_in : public testing::TestWithParam<std::string> {};

TEST_P(start_screen_in, shows_title_keys_blank_glyph_65_and_console_message)
{
    terminal t({}, {.term = GetParam()});
    t.settle();

    EXPECT_EQ(whole_screen(t, 24, 80), start_screen(24, 80, console_message));
    for (int col = 0; col < 80; ++col) {
        EXPECT_TRUE(t.cell(0, col).standout) << "title bar column " << col;
        EXPECT_FALSE(t.cell(1, col).standout) << "row 1 column " << col;
        EXPECT_FALSE(t.cell(23, col).standout) << "status line column " << col;
    }
    EXPECT_FALSE(t.cell(6, 7).standout);
    EXPECT_EQ(glyph_picture(t, GetParam()), std::vector<std::string>(16, "........"));
    EXPECT_EQ(t.cursor(), pixel_cursor(0, 0));
}

TEST_P(start_screen_in, wider_and_taller_terminal_keeps_the_layout_and_widens_the_title_bar)
{
    terminal t({}, {.term = GetParam(), .rows = 30, .cols = 100});
    t.settle();

    EXPECT_EQ(whole_screen(t, 30, 100), start_screen(30, 100, console_message));
    EXPECT_EQ(t.text(0, 0, 16), std::string(15, ' ') + "q");
    for (int col = 0; col < 100; ++col)
        EXPECT_TRUE(t.cell(0, col).standout) << "title bar column " << col;
    EXPECT_EQ(t.cursor(), pixel_cursor(0, 0));
}

INSTANTIATE_TEST_SUITE_P(terminals, start_screen_in,
                         testing::Values("xterm-256color", "linux", "screen"));

} // namespace
